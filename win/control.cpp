#include "win/control.hpp"

#include "win/application.hpp"
#include "win/form.hpp"
#include "win/hint.hpp"
#include "win/text.hpp"

#include <windowsx.h>

#include <algorithm>

namespace win {
namespace {

constexpr wchar_t kControlClass[] = L"QtControl";

const wchar_t* ControlClass() { return RegisterWindowClassOnce(kControlClass, ControlWindowProc, CS_DBLCLKS); }

TColor ColorValue(const qt::FormValue& v) {
  if (v.kind == qt::FormValue::Kind::Integer) return static_cast<TColor>(v.integer);
  TColor c;
  std::string id = IdentValue(v);
  if (!ColorFromIdent(id, c)) ThrowBadIdent(id);
  return c;
}

} // namespace

PropertySetter ColorPropertyOf(void (*set)(TControl&, TColor)) {
  return [set](TComponent& c, const qt::FormValue& v, FormBinder&) {
    set(static_cast<TControl&>(c), ColorValue(v));
  };
}

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    auto* self = static_cast<TControl*>(cs->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    LRESULT r = self->DefaultProc(msg, wp, lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return r;
  }
  return Fenced([&] { return self->WndProc(msg, wp, lp); }, LRESULT{0});
}

const wchar_t* RegisterWindowClassOnce(const wchar_t* name, WNDPROC proc, UINT style, HICON icon) {
  // Asking the system first keeps this free of bookkeeping of our own.
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (!GetClassInfoExW(GetModuleHandleW(nullptr), name, &wc)) {
    wc = WNDCLASSEXW{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = icon;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
  }
  return name;
}

unsigned ShiftFromKeys(WPARAM keys) {
  unsigned s = 0;
  if (keys & MK_SHIFT) s |= ssShift;
  if (keys & MK_CONTROL) s |= ssCtrl;
  if (keys & MK_LBUTTON) s |= ssLeft;
  if (keys & MK_RBUTTON) s |= ssRight;
  if (keys & MK_MBUTTON) s |= ssMiddle;
  if (GetKeyState(VK_MENU) < 0) s |= ssAlt;
  return s;
}

TControl::TControl(TComponent* owner) : TComponent(owner) {}

TControl::~TControl() {
  DestroyHandle();
  for (TControl* c : controls_) c->parent_ = nullptr;
  if (parent_) std::erase(parent_->controls_, this);
}

void TControl::CreateParams(CreateParamsRec& params) {
  if (visible_) params.style |= WS_VISIBLE;
  if (!enabled_) params.style |= WS_DISABLED;
}

void TControl::CreateHandle() {
  if (hwnd_ || !parent_) return;
  CreateParamsRec params;
  CreateParams(params);
  const wchar_t* cls = params.className ? params.className : ControlClass();
  HWND h = CreateWindowExW(params.exStyle, cls, caption_.c_str(), params.style, left_, top_,
                           width_, height_, parent_->Handle(), nullptr, GetModuleHandleW(nullptr),
                           params.className ? nullptr : this);
  if (!h) throw std::runtime_error("cannot create the window of " + Name());
  if (params.className) {
    // A system control: take its messages first and hand the rest to its own procedure.
    hwnd_ = h;
    SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    systemProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlWindowProc)));
  }
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), FALSE);
  UpdateHint();
  for (TControl* c : controls_) c->CreateHandle();
}

void TControl::DestroyHandle() {
  if (hwnd_) {
    if (showHint_) SetWindowHint(hwnd_, "");
    DestroyWindow(hwnd_);
  }
  hwnd_ = nullptr;
}

void TControl::SetHint(const std::string& h) {
  hint_ = h;
  UpdateHint();
}

void TControl::SetShowHint(bool v) {
  if (showHint_ && !v && hwnd_) SetWindowHint(hwnd_, "");
  showHint_ = v;
  UpdateHint();
}

void TControl::UpdateHint() {
  if (hwnd_ && showHint_) SetWindowHint(hwnd_, hint_);
}

HWND TControl::Handle() {
  if (!hwnd_) CreateHandle();
  return hwnd_;
}

void TControl::SetParent(TControl* parent) {
  if (parent == parent_) return;
  if (parent_) std::erase(parent_->controls_, this);
  parent_ = parent;
  if (parent_) {
    parent_->controls_.push_back(this);
    if (parentFont_) font_ = parent_->font_;
    if (hwnd_)
      ::SetParent(hwnd_, parent_->Handle());
    else if (parent_->HandleAllocated())
      CreateHandle();
    parent_->Realign();
  }
}

TForm* TControl::ParentForm() {
  TControl* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<TForm*>(c);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  const int dw = width - width_, dh = height - height_;
  left_ = left, top_ = top, width_ = width, height_ = height;
  UpdateWindowBounds();
  if (dw || dh) {
    AnchorChildren(dw, dh);
    Realign();
    Resized();
  }
  if (parent_ && align_ != alNone) parent_->Realign();
}

void TControl::UpdateWindowBounds() {
  if (hwnd_)
    SetWindowPos(hwnd_, nullptr, left_, top_, width_, height_, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT TControl::ClientRect() {
  RECT r{0, 0, width_, height_};
  if (hwnd_) GetClientRect(hwnd_, &r);
  return r;
}

void TControl::SetVisible(bool v) {
  if (v == visible_) return;
  visible_ = v;
  if (hwnd_) ShowWindow(hwnd_, v ? SW_SHOWNA : SW_HIDE);
  if (parent_ && align_ != alNone) parent_->Realign();
}

void TControl::SetEnabled(bool v) {
  enabled_ = v;
  if (hwnd_) EnableWindow(hwnd_, v);
}

void TControl::SetAlign(TAlign a) {
  align_ = a;
  if (parent_) parent_->Realign();
}

std::string TControl::Caption() const { return Narrow(caption_); }

void TControl::SetCaption(const std::string& text) { SetWideCaption(Widen(text)); }

void TControl::SetWideCaption(const std::wstring& text) {
  caption_ = text;
  if (hwnd_) SetWindowTextW(hwnd_, text.c_str());
  Invalidate();
}

void TControl::SetColor(TColor c) {
  color_ = c;
  brush_.reset();
  ColorWasChanged();
}

void TControl::FontChanged() {
  parentFont_ = false;
  font_.Changed();
  if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Handle()), TRUE);
  FontWasChanged();
}

void TControl::BringToFront() {
  if (hwnd_) SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TControl::SendToBack() {
  if (hwnd_) SetWindowPos(hwnd_, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TControl::SetFocus() { ::SetFocus(Handle()); }

void TControl::Invalidate() {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void TControl::Repaint() {
  if (hwnd_) {
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);
  }
}

void TControl::AnchorChildren(int dw, int dh) {
  // One direction: anchored to the far edge only, the control moves with it; to both, it
  // stretches; to neither, it keeps to the middle.
  auto follow = [](unsigned anchors, unsigned nearEdge, unsigned farEdge, int d, int& place, int& size) {
    const bool nearHeld = anchors & nearEdge, farHeld = anchors & farEdge;
    if (nearHeld && farHeld) size += d;
    else if (farHeld) place += d;
    else if (!nearHeld) place += d / 2;
  };
  for (TControl* c : controls_) {
    if (c->align_ != alNone) continue;
    int left = c->left_, top = c->top_, width = c->width_, height = c->height_;
    follow(c->anchors_, akLeft, akRight, dw, left, width);
    follow(c->anchors_, akTop, akBottom, dh, top, height);
    c->SetBounds(left, top, std::max(width, 0), std::max(height, 0));
  }
}

void TControl::Realign() {
  if (realigning_) return;
  realigning_ = true;
  RECT r = ClientRect();
  if (auto* panel = dynamic_cast<TCustomPanel*>(this)) InflateRect(&r, -panel->FrameInset(), -panel->FrameInset());
  for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : controls_) {
      if (c->align_ != pass || !c->visible_) continue;
      int w = c->width_, h = c->height_;
      switch (pass) {
      case alTop: c->SetBounds(r.left, r.top, r.right - r.left, h); r.top += h; break;
      case alBottom: c->SetBounds(r.left, r.bottom - h, r.right - r.left, h); r.bottom -= h; break;
      case alLeft: c->SetBounds(r.left, r.top, w, r.bottom - r.top); r.left += w; break;
      case alRight: c->SetBounds(r.right - w, r.top, w, r.bottom - r.top); r.right -= w; break;
      default: c->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); break;
      }
    }
  }
  realigning_ = false;
}

void TControl::Paint(HDC) {}

HBRUSH TControl::ControlColor(HDC dc) {
  if (!brush_) brush_.reset(CreateSolidBrush(ColorToRGB(color_)));
  SetBkColor(dc, ColorToRGB(color_));
  SetTextColor(dc, ColorToRGB(font_.Color));
  return brush_.get();
}

TControl* TControl::FromChildWindow(HWND child) {
  // Only windows whose messages pass through us carry a TControl; others may use the slot.
  if (!child || reinterpret_cast<WNDPROC>(GetWindowLongPtrW(child, GWLP_WNDPROC)) != ControlWindowProc)
    return nullptr;
  return reinterpret_cast<TControl*>(GetWindowLongPtrW(child, GWLP_USERDATA));
}

void TControl::EraseBackground(HDC dc) {
  RECT r = ClientRect();
  FillSolid(dc, r, color_);
}

void TControl::PaintParentBackground(HDC dc) {
  if (!parent_) return;
  int saved = SaveDC(dc);
  POINT old;
  OffsetWindowOrgEx(dc, left_, top_, &old);
  parent_->EraseBackground(dc);
  parent_->Paint(dc);
  RestoreDC(dc, saved);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::MouseDown(TMouseButton button, unsigned shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(unsigned shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, unsigned shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

LRESULT TControl::DefaultProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (systemProc_) return CallWindowProcW(systemProc_, hwnd_, msg, wp, lp);
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT TControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (showHint_ && !hint_.empty() && msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) RelayMouseToHint(hwnd_, msg, wp, lp);
  switch (msg) {
  case WM_ERASEBKGND:
    if (systemProc_) break;
    EraseBackground(reinterpret_cast<HDC>(wp));
    return 1;
  case WM_PAINT: {
    if (systemProc_) break;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    SelectGuard font(dc, font_.Handle());
    Paint(dc);
    EndPaint(hwnd_, &ps);
    return 0;
  }
  case WM_SIZE:
    if (!systemProc_) {
      RECT wr;
      GetWindowRect(hwnd_, &wr);
      // Keep our idea of the size in step when the system sizes the window.
      int w = wr.right - wr.left, h = wr.bottom - wr.top;
      if (w != width_ || h != height_) {
        const int dw = w - width_, dh = h - height_;
        width_ = w, height_ = h;
        AnchorChildren(dw, dh);
        Resized();
      }
      Realign();
    }
    break;
  case WM_LBUTTONDOWN:
  case WM_RBUTTONDOWN:
  case WM_MBUTTONDOWN: {
    TMouseButton b = msg == WM_LBUTTONDOWN ? mbLeft : msg == WM_RBUTTONDOWN ? mbRight : mbMiddle;
    if (b == mbLeft && !systemProc_) {
      SetCapture(hwnd_);
      mouseDown_ = true;
    }
    MouseDown(b, ShiftFromKeys(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
    break;
  }
  case WM_MOUSEMOVE:
    MouseMove(ShiftFromKeys(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
    break;
  case WM_LBUTTONUP:
    if (mouseDown_) {
      mouseDown_ = false;
      ReleaseCapture();
      POINT pt{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      RECT r = ClientRect();
      if (PtInRect(&r, pt)) Click();
      MouseUp(mbLeft, ShiftFromKeys(wp), pt.x, pt.y);
      return 0;
    }
    MouseUp(mbLeft, ShiftFromKeys(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
    break;
  case WM_RBUTTONUP:
  case WM_MBUTTONUP:
    MouseUp(msg == WM_RBUTTONUP ? mbRight : mbMiddle, ShiftFromKeys(wp), GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
    break;
  case WM_CAPTURECHANGED:
    mouseDown_ = false;
    break;
  case WM_SETCURSOR:
    if (cursor_ == crHandPoint && LOWORD(lp) == HTCLIENT) {
      ::SetCursor(LoadCursorW(nullptr, IDC_HAND));
      return TRUE;
    }
    break;
  case WM_NOTIFY: {
    const auto* header = reinterpret_cast<const NMHDR*>(lp);
    if (TControl* child = FromChildWindow(header->hwndFrom); child && child != this)
      return child->Notify(*header);
    break;
  }
  case WM_COMMAND:
    if (TControl* child = FromChildWindow(reinterpret_cast<HWND>(lp)); child && child != this) {
      child->Command(HIWORD(wp));
      return 0;
    }
    break;
  case WM_CTLCOLORSTATIC:
  case WM_CTLCOLORBTN:
    if (TControl* child = FromChildWindow(reinterpret_cast<HWND>(lp)))
      return reinterpret_cast<LRESULT>(child->ControlColor(reinterpret_cast<HDC>(wp)));
    break;
  case WM_KEYDOWN:
    if (wp == VK_ESCAPE)
      if (TForm* form = ParentForm(); form && form->PressCancelButton()) return 0;
    break;
  case WM_CHAR: {
    TForm* form = ParentForm();
    if (form && form != this && form->KeyPreview()) {
      char key = static_cast<char>(wp);
      form->KeyPress(key);
      if (key == 0) return 0;
      wp = static_cast<unsigned char>(key);
    }
    break;
  }
  default:
    break;
  }
  return DefaultProc(msg, wp, lp);
}

const PropertyTable& TControl::ClassProperties() {
  static const PropertyTable table(
      &TComponent::ClassProperties(),
      {
          {"Left", IntProperty<TControl>([](TControl& c, int v) { c.SetLeft(v); })},
          {"Top", IntProperty<TControl>([](TControl& c, int v) { c.SetTop(v); })},
          {"Width", IntProperty<TControl>([](TControl& c, int v) { c.SetWidth(v); })},
          {"Height", IntProperty<TControl>([](TControl& c, int v) { c.SetHeight(v); })},
          {"Visible", BoolProperty<TControl>([](TControl& c, bool v) { c.SetVisible(v); })},
          {"Enabled", BoolProperty<TControl>([](TControl& c, bool v) { c.SetEnabled(v); })},
          {"Caption", StringProperty<TControl>([](TControl& c, const std::string& v) { c.SetCaption(v); })},
          {"Hint", StringProperty<TControl>([](TControl& c, const std::string& v) { c.SetHint(v); })},
          {"ShowHint", BoolProperty<TControl>([](TControl& c, bool v) { c.SetShowHint(v); })},
          {"Color", ColorPropertyOf([](TControl& c, TColor v) { c.SetColor(v); })},
          {"Align", EnumProperty<TControl, TAlign>([](TControl& c, TAlign a) { c.SetAlign(a); },
                                                   {{"alNone", alNone}, {"alTop", alTop},
                                                    {"alBottom", alBottom}, {"alLeft", alLeft},
                                                    {"alRight", alRight}, {"alClient", alClient}})},
          {"Cursor", EnumProperty<TControl, TCursor>([](TControl& c, TCursor v) { c.SetCursor(v); },
                                                     {{"crDefault", crDefault}, {"crHandPoint", crHandPoint}})},
          {"Font.Name", StringProperty<TControl>([](TControl& c, const std::string& v) { c.Font().Name = v; c.FontChanged(); })},
          {"Font.Height", IntProperty<TControl>([](TControl& c, int v) { c.Font().Height = v; c.FontChanged(); })},
          {"Font.Size", IntProperty<TControl>([](TControl& c, int v) { c.Font().SetSize(v); c.FontChanged(); })},
          {"Font.Color", ColorPropertyOf([](TControl& c, TColor v) { c.Font().Color = v; c.FontChanged(); })},
          {"Font.Charset", EnumProperty<TControl, int>([](TControl& c, int v) { c.Font().Charset = v; c.FontChanged(); },
                                                      {{"DEFAULT_CHARSET", 1}, {"ANSI_CHARSET", 0}, {"GB2312_CHARSET", 134}})},
          {"Font.Style", SetProperty<TControl>([](TControl& c, unsigned v) { c.Font().Style = v; c.FontChanged(); },
                                               {{"fsBold", fsBold}, {"fsItalic", fsItalic},
                                                {"fsUnderline", fsUnderline}, {"fsStrikeOut", fsStrikeOut}})},
          {"Anchors", SetProperty<TControl>([](TControl& c, unsigned v) { c.SetAnchors(v); },
                                            {{"akLeft", akLeft}, {"akTop", akTop},
                                             {"akRight", akRight}, {"akBottom", akBottom}})},
          {"OnClick", EventProperty(&TControl::OnClick)},
          {"OnMouseDown", EventProperty(&TControl::OnMouseDown)},
          {"OnMouseMove", EventProperty(&TControl::OnMouseMove)},
          {"OnMouseUp", EventProperty(&TControl::OnMouseUp)},
      });
  return table;
}

TCustomPanel::TCustomPanel(TComponent* owner) : TControl(owner) {}

void TCustomPanel::SetBevelWidth(int width) {
  bevelWidth_ = width;
  Realign();
  Invalidate();
}

void TCustomPanel::SetBorderWidth(int width) {
  borderWidth_ = width;
  Realign();
  Invalidate();
}

int TCustomPanel::FrameInset() const {
  return (bevelOuter_ != bvNone ? bevelWidth_ : 0) + borderWidth_ + (bevelInner_ != bvNone ? bevelWidth_ : 0);
}

void TCustomPanel::CreateParams(CreateParamsRec& params) {
  TControl::CreateParams(params);
  if (borderStyle_ == bsSingle) params.exStyle |= WS_EX_CLIENTEDGE;
}

void TCustomPanel::SetBorderStyle(TBorderStyle style) {
  borderStyle_ = style;
  if (!hwnd_) return;
  const LONG_PTR exStyle = GetWindowLongPtrW(hwnd_, GWL_EXSTYLE);
  SetWindowLongPtrW(hwnd_, GWL_EXSTYLE, style == bsSingle ? exStyle | WS_EX_CLIENTEDGE : exStyle & ~WS_EX_CLIENTEDGE);
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Realign();
}

void TCustomPanel::PaintBevels(HDC dc, RECT& r) {
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    if (cut != bvSpace) {
      bool raised = cut == bvRaised;
      HPEN light = static_cast<HPEN>(GetStockObject(WHITE_PEN));
      UniquePen dark(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
      POINT tl[] = {{r.left, r.bottom - 1}, {r.left, r.top}, {r.right - 1, r.top}};
      POINT br[] = {{r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left - 1, r.bottom - 1}};
      {
        SelectGuard g(dc, raised ? light : dark.get());
        Polyline(dc, tl, 3);
      }
      SelectGuard g(dc, raised ? dark.get() : light);
      Polyline(dc, br, 3);
    }
    InflateRect(&r, -bevelWidth_, -bevelWidth_);
  };
  bevel(bevelOuter_);
  InflateRect(&r, -borderWidth_, -borderWidth_);
  bevel(bevelInner_);
}

void TCustomPanel::PaintCaption(HDC dc, const RECT& r) {
  if (Caption().empty()) return;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Font().Color));
  RECT tr = r;
  UINT align = alignment_ == taLeftJustify ? DT_LEFT : alignment_ == taRightJustify ? DT_RIGHT : DT_CENTER;
  const std::wstring& text = WideCaption();
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &tr, align | DT_VCENTER | DT_SINGLELINE);
}

void TCustomPanel::Paint(HDC dc) {
  RECT r = ClientRect();
  PaintBevels(dc, r);
  PaintCaption(dc, r);
}

const PropertyTable& TCustomPanel::ClassProperties() {
  static const EnumNames<TBevelCut> cuts = {
      {"bvNone", bvNone}, {"bvLowered", bvLowered}, {"bvRaised", bvRaised}, {"bvSpace", bvSpace}};
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {
          {"BevelInner", EnumProperty<TCustomPanel, TBevelCut>([](TCustomPanel& p, TBevelCut b) { p.SetBevelInner(b); }, cuts)},
          {"BevelOuter", EnumProperty<TCustomPanel, TBevelCut>([](TCustomPanel& p, TBevelCut b) { p.SetBevelOuter(b); }, cuts)},
          {"Alignment", EnumProperty<TCustomPanel, TAlignment>([](TCustomPanel& p, TAlignment a) { p.SetAlignment(a); },
                                                        {{"taLeftJustify", taLeftJustify},
                                                         {"taRightJustify", taRightJustify},
                                                         {"taCenter", taCenter}})},
          {"BevelWidth", IntProperty<TCustomPanel>([](TCustomPanel& p, int v) { p.SetBevelWidth(v); })},
          {"BorderWidth", IntProperty<TCustomPanel>([](TCustomPanel& p, int v) { p.SetBorderWidth(v); })},
          {"BorderStyle", EnumProperty<TCustomPanel, TBorderStyle>([](TCustomPanel& p, TBorderStyle b) { p.SetBorderStyle(b); },
                                                            {{"bsNone", bsNone}, {"bsSingle", bsSingle}})},
      });
  return table;
}

} // namespace win
