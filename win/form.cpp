#include "win/form.hpp"

#include "win/application.hpp"
#include "win/text.hpp"
#include "win/textctrls.hpp"

namespace win {
namespace {

constexpr wchar_t kFormClass[] = L"QtForm";

void RegisterFormClass() {
  RegisterWindowClassOnce(kFormClass, ControlWindowProc, CS_DBLCLKS,
                          LoadIconW(GetModuleHandleW(nullptr), L"MAINICON"));
}

DWORD StyleFor(TFormBorderStyle b) {
  switch (b) {
  case bsNone: return WS_POPUP;
  case bsSingle: return WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  case bsDialog: return WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
  case bsToolWindow: return WS_POPUP | WS_CAPTION | WS_SYSMENU;
  case bsSizeToolWin: return WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
  default: return WS_OVERLAPPEDWINDOW;
  }
}

DWORD ExStyleFor(TFormBorderStyle b) {
  switch (b) {
  case bsDialog: return WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
  case bsToolWindow:
  case bsSizeToolWin: return WS_EX_TOOLWINDOW;
  default: return 0;
  }
}

} // namespace

TForm::TForm(TComponent* owner) : TControl(owner) {
  SetVisible(false);
  SetColor(clBtnFace);
  CreateHandle();
}

TForm::~TForm() {
  BeforeDestruction();
  DestroyComponents();
}

void TForm::BeforeDestruction() {
  if (destroying_) return;
  destroying_ = true;
  if (OnDestroy) Fenced([&] { OnDestroy(this); return 0; }, 0);
}

void TForm::CreateHandle() {
  if (hwnd_) return;
  RegisterFormClass();
  CreateWindowExW(ExStyleFor(borderStyle_), kFormClass, WideCaption().c_str(), StyleFor(borderStyle_),
                  Left(), Top(), Width(), Height(), nullptr, nullptr, GetModuleHandleW(nullptr), this);
  if (!hwnd_) throw std::runtime_error("cannot create the form window");
}

void TForm::AddHandler(const std::string& name, std::any handler) { handlers_[name] = std::move(handler); }

const std::any* TForm::FindHandler(const std::string& name) const {
  auto it = handlers_.find(name);
  return it == handlers_.end() ? nullptr : &it->second;
}

void TForm::ReadLayoutResource(const wchar_t* resourceName) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC res = FindResourceW(self, resourceName, reinterpret_cast<LPCWSTR>(RT_RCDATA));
  HGLOBAL data = res ? LoadResource(self, res) : nullptr;
  if (!data) throw FormReadError("the layout resource " + Narrow(resourceName) + " is missing");
  ReadLayout(std::string_view(static_cast<const char*>(LockResource(data)), SizeofResource(self, res)));
}

void TForm::ReadLayout(std::string_view utf8Text) {
  qt::FormObject root;
  try {
    root = qt::ParseFormText(utf8Text);
  } catch (const qt::FormTextError& e) {
    throw FormReadError(e.what());
  }
  SetName(root.name);
  FormBinder binder(*this);
  std::vector<TComponent*> loaded{this};
  ApplyProperties(*this, root, binder);
  for (const auto& child : root.children) ReadComponent(child, this, binder, loaded);
  binder.RunFixups();
  for (TComponent* c : loaded) c->Loaded();
  // An error in the create handler is shown and the program goes on, as after any handler.
  if (OnCreate) Fenced([&] { OnCreate(this); return 0; }, 0);
}

void TForm::ReadComponent(const qt::FormObject& obj, TControl* parent, FormBinder& binder,
                          std::vector<TComponent*>& loaded) {
  const ComponentFactory* factory = FindComponentClass(obj.className);
  if (!factory)
    throw FormReadError("layout line " + std::to_string(obj.line) + ": unknown class " + obj.className);
  TComponent* c = (*factory)(this);
  c->SetName(obj.name);
  auto* control = dynamic_cast<TControl*>(c);
  if (control) control->SetParent(parent);
  loaded.push_back(c);
  ApplyProperties(*c, obj, binder);
  if (!obj.children.empty() && !control)
    throw FormReadError(obj.name + " is no control and cannot hold " + obj.children.front().name);
  for (const auto& child : obj.children) ReadComponent(child, control, binder, loaded);
}

void TForm::ApplyProperties(TComponent& c, const qt::FormObject& obj, FormBinder& binder) {
  for (const auto& p : obj.properties) {
    const PropertySetter* set = c.Properties().Find(p.name);
    std::string where = "layout line " + std::to_string(p.line) + ": " + obj.name + "." + p.name;
    if (!set) throw FormReadError(where + ": unknown property");
    try {
      (*set)(c, p.value, binder);
    } catch (const FormReadError& e) {
      throw FormReadError(where + ": " + e.what());
    }
  }
}

void TForm::ApplyStyle() {
  if (!hwnd_) return;
  LONG_PTR style = GetWindowLongPtrW(hwnd_, GWL_STYLE);
  if (style & WS_CHILD) return; // a preview inside another window keeps the style it was given
  LONG_PTR keep = style & (WS_VISIBLE | WS_DISABLED | WS_MINIMIZE | WS_MAXIMIZE);
  SetWindowLongPtrW(hwnd_, GWL_STYLE, static_cast<LONG_PTR>(StyleFor(borderStyle_)) | keep);
  LONG_PTR ex = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE) & WS_EX_TOPMOST;
  SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, static_cast<LONG_PTR>(ExStyleFor(borderStyle_)) | ex);
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void TForm::SetBorderStyle(TFormBorderStyle s) {
  borderStyle_ = s;
  ApplyStyle();
}

void TForm::SetFormStyle(TFormStyle s) {
  formStyle_ = s;
  if (hwnd_)
    SetWindowPos(hwnd_, s == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm::SetWindowState(TWindowState s) {
  windowState_ = s;
  if (hwnd_ && Visible())
    ShowWindow(hwnd_, s == wsMaximized ? SW_SHOWMAXIMIZED : s == wsMinimized ? SW_SHOWMINIMIZED : SW_RESTORE);
}

int TForm::ClientWidth() { RECT r = ClientRect(); return r.right - r.left; }
int TForm::ClientHeight() { RECT r = ClientRect(); return r.bottom - r.top; }

// The frame is measured on the real window: a fresh window may be larger than asked for.
void TForm::SetClientWidth(int w) {
  RECT wr, cr;
  GetWindowRect(hwnd_, &wr);
  GetClientRect(hwnd_, &cr);
  SetWidth(wr.right - wr.left - cr.right + w);
}
void TForm::SetClientHeight(int h) {
  RECT wr, cr;
  GetWindowRect(hwnd_, &wr);
  GetClientRect(hwnd_, &cr);
  SetHeight(wr.bottom - wr.top - cr.bottom + h);
}

void TForm::SetVisible(bool v) {
  if (!hwnd_) {
    TControl::SetVisible(v);
    return;
  }
  if (v && !shownOnce_) {
    shownOnce_ = true;
    if (position_ == poScreenCenter) {
      int x = (GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
      int y = (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
      SetBounds(x, y, Width(), Height());
    }
  }
  TControl::SetVisible(v); // shows without activating; the form is then activated below
  if (v) {
    ShowWindow(hwnd_, windowState_ == wsMaximized   ? SW_SHOWMAXIMIZED
                      : windowState_ == wsMinimized ? SW_SHOWMINIMIZED
                                                    : SW_SHOWNORMAL);
    if (formStyle_ == fsStayOnTop) SetFormStyle(fsStayOnTop);
  }
}

void TForm::SyncBoundsFromWindow() {
  RECT r;
  GetWindowRect(hwnd_, &r);
  if (GetWindowLongPtrW(hwnd_, GWL_STYLE) & WS_CHILD)
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
  TControl::SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

void TForm::Resized() {
  if (OnResize && !destroying_) OnResize(this);
}

bool TForm::CloseQuery() {
  bool can = true;
  if (OnCloseQuery) OnCloseQuery(this, can);
  return can;
}

void TForm::Close() {
  if (!CloseQuery()) return;
  bool isMain = Application && Application->MainForm() == this;
  TCloseAction action = isMain ? caFree : caHide;
  if (OnClose) OnClose(this, action);
  if (action == caNone) return;
  if (isMain) {
    Application->Terminate();
  } else if (action == caMinimize) {
    ShowWindow(hwnd_, SW_MINIMIZE);
  } else {
    Hide();
  }
}

void TForm::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

bool TForm::PressCancelButton() {
  for (TComponent* c : Components())
    if (auto* b = dynamic_cast<TButton*>(c); b && b->Cancel() && IsWindowVisible(b->Handle()) && b->Enabled()) {
      b->Click();
      return true;
    }
  return false;
}

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
  case WM_CLOSE:
    Close();
    return 0;
  case WM_SHOWWINDOW:
    if (wp && OnShow) OnShow(this);
    break;
  case WM_MOVE:
  case WM_SIZE: {
    LRESULT r = DefaultProc(msg, wp, lp);
    int w = Width(), h = Height();
    SyncBoundsFromWindow();
    Realign();
    if (msg == WM_SIZE && (w != Width() || h != Height() || wp == SIZE_MAXIMIZED)) Resized();
    return r;
  }
  case WM_CHAR: {
    char key = static_cast<char>(wp);
    KeyPress(key);
    if (key == 0) return 0;
    wp = static_cast<unsigned char>(key);
    break;
  }
  default:
    break;
  }
  return TControl::WndProc(msg, wp, lp);
}

const PropertyTable& TForm::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {
          {"ClientWidth", IntProperty<TForm>([](TForm& f, int v) { f.SetClientWidth(v); })},
          {"ClientHeight", IntProperty<TForm>([](TForm& f, int v) { f.SetClientHeight(v); })},
          {"KeyPreview", BoolProperty<TForm>([](TForm& f, bool v) { f.SetKeyPreview(v); })},
          {"WindowState", EnumProperty<TForm, TWindowState>([](TForm& f, TWindowState v) { f.SetWindowState(v); },
                                                           {{"wsNormal", wsNormal}, {"wsMinimized", wsMinimized},
                                                            {"wsMaximized", wsMaximized}})},
          {"BorderStyle", EnumProperty<TForm, TFormBorderStyle>(
                              [](TForm& f, TFormBorderStyle v) { f.SetBorderStyle(v); },
                              {{"bsNone", bsNone}, {"bsSingle", bsSingle}, {"bsSizeable", bsSizeable},
                               {"bsDialog", bsDialog}, {"bsToolWindow", bsToolWindow},
                               {"bsSizeToolWin", bsSizeToolWin}})},
          {"FormStyle", EnumProperty<TForm, TFormStyle>([](TForm& f, TFormStyle v) { f.SetFormStyle(v); },
                                                       {{"fsNormal", fsNormal}, {"fsStayOnTop", fsStayOnTop}})},
          {"Position", EnumProperty<TForm, TPosition>([](TForm& f, TPosition v) { f.SetPosition(v); },
                                                     {{"poDesigned", poDesigned}, {"poScreenCenter", poScreenCenter},
                                                      {"poDefault", poDefault}})},
          {"OnCreate", EventProperty(&TForm::OnCreate)},
          {"OnShow", EventProperty(&TForm::OnShow)},
          {"OnResize", EventProperty(&TForm::OnResize)},
          {"OnDestroy", EventProperty(&TForm::OnDestroy)},
          {"OnKeyPress", EventProperty(&TForm::OnKeyPress)},
          {"OnCloseQuery", EventProperty(&TForm::OnCloseQuery)},
          {"OnClose", EventProperty(&TForm::OnClose)},
      });
  return table;
}

} // namespace win
