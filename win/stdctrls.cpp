#include "win/stdctrls.hpp"

#include "win/comctrls.hpp"
#include "win/filedialogs.hpp"
#include "win/image.hpp"
#include "win/text.hpp"
#include "win/textctrls.hpp"
#include "win/timer.hpp"

namespace win {
namespace {

void DrawCaption(HDC dc, TControl& c, RECT r, UINT format) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(c.Font().Color));
  const std::wstring& text = c.WideCaption();
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
}

} // namespace

TCheckBox::TCheckBox(TComponent* owner) : TControl(owner) {}

void TCheckBox::CreateParams(CreateParamsRec& params) {
  TControl::CreateParams(params);
  params.className = L"BUTTON";
  params.style |= BS_AUTOCHECKBOX | WS_TABSTOP;
}

void TCheckBox::CreateHandle() {
  TControl::CreateHandle();
  if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  if (hwnd_) SendMessageW(hwnd_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
  Click();
}

void TCheckBox::Command(WORD code) {
  // The system box has already toggled itself.
  if (code != BN_CLICKED) return;
  checked_ = SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
  Click();
}

const PropertyTable& TCheckBox::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {{"Checked", BoolProperty<TCheckBox>([](TCheckBox& c, bool v) { c.SetChecked(v); })}});
  return table;
}

TLabel::TLabel(TComponent* owner) : TControl(owner) {}

void TLabel::SetTransparent(bool transparent) {
  transparent_ = transparent;
  Invalidate();
}

void TLabel::EraseBackground(HDC dc) {
  if (transparent_)
    PaintParentBackground(dc);
  else
    TControl::EraseBackground(dc);
}

void TLabel::Paint(HDC dc) { DrawCaption(dc, *this, ClientRect(), DT_LEFT | DT_TOP | DT_SINGLELINE); }

const PropertyTable& TLabel::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {{"Transparent", BoolProperty<TLabel>([](TLabel& l, bool v) { l.SetTransparent(v); })}});
  return table;
}

TSpeedButton::TSpeedButton(TComponent* owner) : TControl(owner) {}

TSpeedButton::~TSpeedButton() {
  if (glyph_) DestroyIcon(glyph_);
}

void TSpeedButton::SetGlyphIcon(const std::string& name) {
  HICON icon = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), Widen(name).c_str(), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  if (!icon) throw FormReadError("the icon resource " + name + " is missing");
  if (glyph_) DestroyIcon(glyph_);
  glyph_ = icon;
  Invalidate();
}

void TSpeedButton::SetDown(bool down) {
  if (down == stayDown_) return;
  stayDown_ = down;
  if (down && groupIndex_ != 0 && Parent())
    for (TControl* c : Parent()->Controls())
      if (auto* other = dynamic_cast<TSpeedButton*>(c); other && other != this && other->groupIndex_ == groupIndex_)
        other->SetDown(false);
  Invalidate();
}

void TSpeedButton::Click() {
  if (groupIndex_ != 0) SetDown(!stayDown_ || !allowAllUp_);
  TControl::Click();
}

void TSpeedButton::SetFlat(bool flat) {
  flat_ = flat;
  Invalidate();
}

void TSpeedButton::SetLook(bool hot, bool down) {
  if (hot == hot_ && down == down_) return;
  hot_ = hot, down_ = down;
  Invalidate();
}

void TSpeedButton::EraseBackground(HDC dc) {
  if (flat_)
    PaintParentBackground(dc);
  else
    TControl::EraseBackground(dc);
}

void TSpeedButton::Paint(HDC dc) {
  RECT r = ClientRect();
  bool down = down_ || stayDown_;
  if (down)
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  else if (hot_ || !flat_)
    DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  if (down) OffsetRect(&r, 1, 1);
  if (glyph_)
    DrawIconEx(dc, (r.left + r.right - 16) / 2, (r.top + r.bottom - 16) / 2, glyph_, 16, 16, 0, nullptr, DI_NORMAL);
  else
    DrawCaption(dc, *this, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

LRESULT TSpeedButton::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
  case WM_MOUSEMOVE:
    if (!hot_) {
      // Asks for WM_MOUSELEAVE, so the edge goes when the mouse does.
      TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd_, 0};
      TrackMouseEvent(&track);
      SetLook(true, down_);
    }
    break;
  case WM_MOUSELEAVE: SetLook(false, down_); break;
  case WM_LBUTTONDOWN:
  case WM_LBUTTONDBLCLK: SetLook(hot_, true); break;
  case WM_LBUTTONUP:
  case WM_CAPTURECHANGED: SetLook(hot_, false); break;
  default: break;
  }
  // A quick second press is a second click, not a double click.
  return TControl::WndProc(msg == WM_LBUTTONDBLCLK ? WM_LBUTTONDOWN : msg, wp, lp);
}

const PropertyTable& TSpeedButton::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {
          {"Flat", BoolProperty<TSpeedButton>([](TSpeedButton& b, bool v) { b.SetFlat(v); })},
          {"GroupIndex", IntProperty<TSpeedButton>([](TSpeedButton& b, int v) { b.SetGroupIndex(v); })},
          {"AllowAllUp", BoolProperty<TSpeedButton>([](TSpeedButton& b, bool v) { b.SetAllowAllUp(v); })},
          {"Down", BoolProperty<TSpeedButton>([](TSpeedButton& b, bool v) { b.SetDown(v); })},
          {"Glyph.Icon",
           StringProperty<TSpeedButton>([](TSpeedButton& b, const std::string& v) { b.SetGlyphIcon(v); })},
      });
  return table;
}

void RegisterStandardControls() {
  RegisterComponentClass<TPanel>("TPanel");
  RegisterComponentClass<TCheckBox>("TCheckBox");
  RegisterComponentClass<TLabel>("TLabel");
  RegisterComponentClass<TSpeedButton>("TSpeedButton");
  RegisterComponentClass<TPageControl>("TPageControl");
  RegisterComponentClass<TTabSheet>("TTabSheet");
  RegisterComponentClass<TSpinEdit>("TSpinEdit");
  RegisterComponentClass<TTimer>("TTimer");
  RegisterComponentClass<TImage>("TImage");
  RegisterComponentClass<TButton>("TButton");
  RegisterComponentClass<TEdit>("TEdit");
  RegisterComponentClass<TMemo>("TMemo");
  RegisterComponentClass<TListBox>("TListBox");
  RegisterComponentClass<TComboBox>("TComboBox");
  RegisterComponentClass<TOpenDialog>("TOpenDialog");
  RegisterComponentClass<TSaveDialog>("TSaveDialog");
}

} // namespace win
