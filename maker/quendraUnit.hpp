#pragma once
#include "maker/make.hpp"
#include "win/form.hpp"

#include <memory>
#include <optional>
#include <string>

namespace win {
class TButton;
class TComboBox;
class TEdit;
class TImage;
class TLabel;
class TListBox;
class TMemo;
class TOpenDialog;
class TPageControl;
class TSaveDialog;
class TSpeedButton;
class TCheckBox;
class TTabSheet;
class ResourceStream;
} // namespace win
namespace qt {
class TShockwaveFlash;
class TCRPanel;
} // namespace qt

// The maker's dialog: collects the movie, texts, pictures, links and names of a screen saver and
// keeps the user's last choices in "quendrap.ini" and the about text in "about.txt".
class TForm1 : public win::TForm {
public:
  explicit TForm1(win::TComponent* owner);
  ~TForm1() override;

  void FormCreate(win::TObject* Sender);
  void FormClose(win::TObject* Sender, win::TCloseAction& Action);
  void FormDestroy(win::TObject* Sender);
  void FormMouseDown(win::TObject* Sender, win::TMouseButton Button, unsigned Shift, int X, int Y);
  void Button2Click(win::TObject* Sender);
  void sp5Click(win::TObject* Sender);
  void ListSwfFiles();
  void ListBox1Click(win::TObject* Sender);
  void adImage1Click(win::TObject* Sender);
  void adImage2Click(win::TObject* Sender);
  void SpeedButton1Click(win::TObject* Sender);
  void SpeedButton6Click(win::TObject* Sender);
  void SpeedButton7Click(win::TObject* Sender);
  void Button1Click(win::TObject* Sender);
  void Button3Click(win::TObject* Sender);
  void Button4Click(win::TObject* Sender);
  void Button5Click(win::TObject* Sender);
  void Button6Click(win::TObject* Sender);
  void Button7Click(win::TObject* Sender);
  void Button8Click(win::TObject* Sender);
  void Label15Click(win::TObject* Sender);
  void Label16Click(win::TObject* Sender);
  void Label17Click(win::TObject* Sender);
  void Label25Click(win::TObject* Sender);

private:
  void BindComponents();
  void ReadSettings();
  void WriteSettings();
  // Whether the last made file is still there to act on.
  bool LastScrExists() const;
  // Shows the text in a box captioned "提示".
  void Hint(const std::string& text);
  std::optional<qt::PictureBlock> TickedPicture(win::TCheckBox* box, win::TImage* image, const std::wstring& file,
                                                const char* sample);

  // Components of the layout.
  win::TPageControl* PageControl1 = nullptr;
  win::TTabSheet *TabSheet1 = nullptr, *TabSheet3 = nullptr, *TabSheet5 = nullptr;
  win::TButton *Button4 = nullptr, *Button5 = nullptr, *Button6 = nullptr, *Button8 = nullptr;
  win::TLabel* infoLabel = nullptr;
  win::TEdit *Edit1 = nullptr, *Edit3 = nullptr, *hint1Edit = nullptr, *hint2Edit = nullptr, *titleEdit = nullptr,
             *url1edit = nullptr, *url2edit = nullptr, *url3Edit = nullptr;
  win::TListBox* ListBox1 = nullptr;
  win::TMemo *Memo1 = nullptr, *Memo2 = nullptr;
  win::TComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr;
  win::TCheckBox *CheckBox4 = nullptr, *CheckBox5 = nullptr;
  win::TImage *adImage1 = nullptr, *adImage2 = nullptr;
  win::TSpeedButton *SpeedButton6 = nullptr, *SpeedButton7 = nullptr;
  win::TOpenDialog *od1 = nullptr, *od3 = nullptr;
  win::TSaveDialog* sd1 = nullptr;
  qt::TShockwaveFlash* flash1 = nullptr;
  qt::TCRPanel* txtPanel = nullptr;

  // Paths, so UTF-16: any of them may name what code page 936 cannot write.
  std::wstring FAppDir;
  std::wstring FSwfDir;
  std::wstring FAd1File, FAd2File;
  // The last screen saver file written; empty until the first make succeeds.
  std::wstring FLastScr;
  // The player program carried as the resource "FLASH"; none when the resource cannot be opened.
  std::unique_ptr<win::ResourceStream> FPlayerStream;
};
