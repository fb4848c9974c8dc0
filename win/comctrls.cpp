#include "win/comctrls.hpp"

#include "base/profile.hpp"
#include "win/text.hpp"

#include <commctrl.h>

#include <algorithm>

namespace win {
namespace {

void InitCommonControlClasses(DWORD classes) {
  INITCOMMONCONTROLSEX icc{sizeof icc, classes};
  InitCommonControlsEx(&icc);
}

} // namespace

TTabSheet::TTabSheet(TComponent* owner) : TControl(owner) {}

TTabSheet::~TTabSheet() {
  if (TPageControl* pc = PageControl()) pc->RemovePage(this);
}

TPageControl* TTabSheet::PageControl() const { return dynamic_cast<TPageControl*>(Parent()); }

void TTabSheet::SetParent(TControl* parent) {
  if (TPageControl* old = PageControl()) old->RemovePage(this);
  TControl::SetParent(parent);
  if (TPageControl* pc = PageControl()) pc->AddPage(this);
}

void TTabSheet::SetCaption(const std::string& text) {
  TControl::SetCaption(text);
  if (TPageControl* pc = PageControl()) pc->PageCaptionChanged(this);
}

TPageControl::TPageControl(TComponent* owner) : TControl(owner) { InitCommonControlClasses(ICC_TAB_CLASSES); }

void TPageControl::CreateParams(CreateParamsRec& params) {
  TControl::CreateParams(params);
  params.className = WC_TABCONTROLW;
  params.style |= WS_TABSTOP;
}

void TPageControl::CreateHandle() {
  TControl::CreateHandle();
  if (!hwnd_) return;
  for (int i = 0; i < PageCount(); ++i) InsertTab(i);
  ShowActivePage();
  PlacePages();
}

void TPageControl::InsertTab(int index) {
  std::wstring text = pages_[index]->WideCaption();
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  SendMessageW(hwnd_, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
}

void TPageControl::AddPage(TTabSheet* page) {
  pages_.push_back(page);
  if (!active_) active_ = page; // the first page shows until another is chosen
  if (!hwnd_) return;
  InsertTab(PageCount() - 1);
  ShowActivePage();
  PlacePages();
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  int index = static_cast<int>(it - pages_.begin());
  pages_.erase(it);
  if (active_ == page) active_ = pages_.empty() ? nullptr : pages_.front();
  if (!hwnd_) return;
  SendMessageW(hwnd_, TCM_DELETEITEM, index, 0);
  ShowActivePage();
}

void TPageControl::PageCaptionChanged(TTabSheet* page) {
  if (!hwnd_) return;
  auto it = std::find(pages_.begin(), pages_.end(), page);
  std::wstring text = page->WideCaption();
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  SendMessageW(hwnd_, TCM_SETITEMW, it - pages_.begin(), reinterpret_cast<LPARAM>(&item));
  PlacePages(); // the row of tabs may have grown
}

int TPageControl::ActivePageIndex() const {
  auto it = std::find(pages_.begin(), pages_.end(), active_);
  return it == pages_.end() ? -1 : static_cast<int>(it - pages_.begin());
}

void TPageControl::SetActivePage(TTabSheet* page) {
  if (std::find(pages_.begin(), pages_.end(), page) == pages_.end())
    throw std::invalid_argument("that tab sheet is not a page of " + Name());
  active_ = page;
  ShowActivePage();
}

void TPageControl::SetActivePageIndex(int index) { SetActivePage(pages_.at(index)); }

void TPageControl::ShowActivePage() {
  if (hwnd_) SendMessageW(hwnd_, TCM_SETCURSEL, ActivePageIndex(), 0);
  for (TTabSheet* p : pages_) p->SetVisible(p == active_);
}

void TPageControl::PlacePages() {
  if (!hwnd_) return;
  RECT r;
  GetClientRect(hwnd_, &r);
  SendMessageW(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  for (TTabSheet* p : pages_) p->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

LRESULT TPageControl::Notify(const NMHDR& header) {
  if (header.code == TCN_SELCHANGE) {
    int index = static_cast<int>(SendMessageW(hwnd_, TCM_GETCURSEL, 0, 0));
    if (index >= 0 && index < PageCount()) {
      active_ = pages_[index];
      ShowActivePage();
      if (OnChange) OnChange(this);
    }
  }
  return 0;
}

const PropertyTable& TPageControl::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {
          {"ActivePage", ReferenceProperty<TPageControl>([](TPageControl& pc, TComponent* c) {
             auto* page = dynamic_cast<TTabSheet*>(c);
             if (!page || page->PageControl() != &pc)
               throw FormReadError(c->Name() + " is no tab sheet of " + pc.Name());
             pc.SetActivePage(page);
           })},
          {"OnChange", EventProperty(&TPageControl::OnChange)},
      });
  return table;
}

TSpinEdit::TSpinEdit(TComponent* owner) : TControl(owner) {
  InitCommonControlClasses(ICC_UPDOWN_CLASS);
  SetCaption("0");
}

void TSpinEdit::CreateParams(CreateParamsRec& params) {
  TControl::CreateParams(params);
  params.className = L"EDIT";
  params.style |= ES_AUTOHSCROLL | WS_TABSTOP;
  params.exStyle |= WS_EX_CLIENTEDGE;
}

void TSpinEdit::CreateHandle() {
  TControl::CreateHandle();
  if (!hwnd_ || arrows_) return;
  arrows_ = CreateWindowExW(0, UPDOWN_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, hwnd_, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
  // Position 0 inside -1..1: both arrows always report a step, and we cancel the move.
  SendMessageW(arrows_, UDM_SETRANGE32, static_cast<WPARAM>(-1), 1);
  SendMessageW(hwnd_, EM_LIMITTEXT, maxLength_, 0);
  PlaceArrows();
}

void TSpinEdit::PlaceArrows() {
  if (!arrows_) return;
  RECT r;
  GetClientRect(hwnd_, &r);
  // Narrow arrows and a one-pixel margin: four digits must fit into the player's 44-pixel box.
  const int w = 15;
  MoveWindow(arrows_, r.right - w, 0, w, r.bottom, TRUE);
  SendMessageW(hwnd_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(1, w));
}

std::string TSpinEdit::Text() const {
  if (!hwnd_) return Caption();
  std::wstring text(GetWindowTextLengthW(hwnd_) + 1, L'\0');
  text.resize(GetWindowTextW(hwnd_, text.data(), static_cast<int>(text.size())));
  return Narrow(text);
}

int TSpinEdit::Value() const { return qt::ProfileInteger(Text(), minValue_); }

int TSpinEdit::Clamped(int value) const {
  // Equal limits, as both start out, mean no limits.
  if (minValue_ == maxValue_) return value;
  return std::clamp(value, minValue_, maxValue_);
}

void TSpinEdit::SetValue(int value) { SetText(std::to_string(Clamped(value))); }

void TSpinEdit::Step(int delta) { SetValue(Value() + delta); }

void TSpinEdit::SetMaxLength(int n) {
  maxLength_ = n;
  if (hwnd_) SendMessageW(hwnd_, EM_LIMITTEXT, n, 0);
}

LRESULT TSpinEdit::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
  case WM_NOTIFY: {
    const auto* change = reinterpret_cast<const NMUPDOWN*>(lp);
    if (change->hdr.hwndFrom == arrows_ && change->hdr.code == UDN_DELTAPOS) {
      Step(change->iDelta > 0 ? 1 : -1);
      return TRUE;
    }
    break;
  }
  case WM_VSCROLL:
    if (reinterpret_cast<HWND>(lp) == arrows_) return 0;
    break;
  case WM_KEYDOWN:
    if (wp == VK_UP || wp == VK_DOWN) {
      Step(wp == VK_UP ? 1 : -1);
      return 0;
    }
    break;
  default: break;
  }
  return TControl::WndProc(msg, wp, lp);
}

const PropertyTable& TSpinEdit::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {
          {"MaxLength", IntProperty<TSpinEdit>([](TSpinEdit& e, int v) { e.SetMaxLength(v); })},
          {"MinValue", IntProperty<TSpinEdit>([](TSpinEdit& e, int v) { e.SetMinValue(v); })},
          {"MaxValue", IntProperty<TSpinEdit>([](TSpinEdit& e, int v) { e.SetMaxValue(v); })},
          {"Value", IntProperty<TSpinEdit>([](TSpinEdit& e, int v) { e.SetValue(v); })},
      });
  return table;
}

} // namespace win
