#pragma once
#include "win/form.hpp"

#include <memory>
#include <string>

namespace win {
class TButton;
class TComboBox;
class TEdit;
class TImage;
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
  // The make and the buttons that act on a made file come later; they do nothing yet.
  void Button1Click(win::TObject*) {}
  void Button3Click(win::TObject*) {}
  void Button4Click(win::TObject*) {}
  void Button5Click(win::TObject*) {}
  void Button6Click(win::TObject*) {}
  void Button7Click(win::TObject*) {}
  void Button8Click(win::TObject*) {}
  void Label15Click(win::TObject*) {}
  void Label16Click(win::TObject*) {}
  void Label17Click(win::TObject*) {}
  void Label25Click(win::TObject*) {}

private:
  template <class T>
  T* Find(const char* name);
  void BindComponents();
  void ReadSettings();
  void WriteSettings();

  // Components of the layout.
  win::TPageControl* PageControl1 = nullptr;
  win::TTabSheet *TabSheet1 = nullptr, *TabSheet3 = nullptr;
  win::TEdit *Edit1 = nullptr, *Edit3 = nullptr, *hint1Edit = nullptr, *hint2Edit = nullptr, *titleEdit = nullptr,
             *url1edit = nullptr, *url2edit = nullptr, *url3Edit = nullptr;
  win::TListBox* ListBox1 = nullptr;
  win::TMemo *Memo2 = nullptr;
  win::TComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr;
  win::TCheckBox *CheckBox4 = nullptr, *CheckBox5 = nullptr;
  win::TImage *adImage1 = nullptr, *adImage2 = nullptr;
  win::TSpeedButton *SpeedButton6 = nullptr, *SpeedButton7 = nullptr;
  win::TOpenDialog *od1 = nullptr, *od3 = nullptr;
  win::TSaveDialog* sd1 = nullptr;
  qt::TShockwaveFlash* flash1 = nullptr;
  qt::TCRPanel* txtPanel = nullptr;

  std::string FAppDir;
  std::string FSwfDir;
  std::string FAd1File, FAd2File;
  // The player program carried as the resource "FLASH"; none when the resource cannot be opened.
  std::unique_ptr<win::ResourceStream> FPlayerStream;
};
