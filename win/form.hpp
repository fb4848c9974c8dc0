#pragma once
#include "win/control.hpp"

#include <any>
#include <map>

namespace win {

enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

// A top-level window built from a layout. A derived form names its handlers, then reads its
// layout: every component is created, configured and bound, references are resolved, each
// component's Loaded runs, and last the OnCreate handler.
class TForm : public TControl {
public:
  explicit TForm(TComponent* owner);
  ~TForm() override;
  // Runs OnDestroy once, while the derived form is still whole: whoever deletes a form calls this
  // first, since the handler reads the derived form's members.
  void BeforeDestruction();

  void ReadLayout(std::string_view utf8Text);
  void ReadLayoutResource(const wchar_t* resourceName);

  void AddHandler(const std::string& name, std::any handler);
  const std::any* FindHandler(const std::string& name) const;

  TWindowState WindowState() const { return windowState_; }
  void SetWindowState(TWindowState s);
  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TFormBorderStyle s);
  TFormStyle FormStyle() const { return formStyle_; }
  void SetFormStyle(TFormStyle s);
  TPosition Position() const { return position_; }
  void SetPosition(TPosition p) { position_ = p; }
  int ClientWidth();
  int ClientHeight();
  void SetClientWidth(int w);
  void SetClientHeight(int h);
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool v) { keyPreview_ = v; }

  void SetVisible(bool v) override;
  // Asks OnCloseQuery, then OnClose; closing the main form ends the application.
  void Close();
  bool CloseQuery();
  void KeyPress(char& key);
  // Esc: clicks the form's visible, enabled cancel button; false when there is none.
  bool PressCancelButton();

  TNotifyEvent OnCreate, OnShow, OnResize, OnDestroy;
  TKeyPressEvent OnKeyPress;
  TCloseQueryEvent OnCloseQuery;
  TCloseEvent OnClose;

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  void CreateHandle() override;
  void Resized() override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  void ReadComponent(const qt::FormObject& obj, TControl* parent, FormBinder& binder,
                     std::vector<TComponent*>& loaded);
  void ApplyProperties(TComponent& c, const qt::FormObject& obj, FormBinder& binder);
  void ApplyStyle();
  void SyncBoundsFromWindow();

  std::map<std::string, std::any, std::less<>> handlers_;
  TWindowState windowState_ = wsNormal;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TFormStyle formStyle_ = fsNormal;
  TPosition position_ = poDesigned;
  bool keyPreview_ = false;
  bool shownOnce_ = false;
  bool destroying_ = false;
};

} // namespace win
