#include "win/textctrls.hpp"

#include "base/text_lines.hpp"
#include "win/text.hpp"

namespace win {
namespace {

std::wstring WindowText(HWND w) {
  std::wstring text(GetWindowTextLengthW(w) + 1, L'\0');
  text.resize(GetWindowTextW(w, text.data(), static_cast<int>(text.size())));
  return text;
}

std::wstring ListText(HWND w, UINT lengthMsg, UINT textMsg, int index) {
  LRESULT n = SendMessageW(w, lengthMsg, index, 0);
  if (n < 0) return {};
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  n = SendMessageW(w, textMsg, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(n < 0 ? 0 : static_cast<size_t>(n));
  return text;
}

} // namespace

// --- TButton -----------------------------------------------------------------------------------

TButton::TButton(TComponent* owner) : TControl(owner) {}

void TButton::CreateParams(CreateParamsRec& params) {
  TControl::CreateParams(params);
  params.className = L"BUTTON";
  params.style |= BS_PUSHBUTTON | WS_TABSTOP;
}

void TButton::Command(WORD code) {
  if (code == BN_CLICKED) Click();
}

const PropertyTable& TButton::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {{"Cancel", BoolProperty<TButton>([](TButton& b, bool v) { b.SetCancel(v); })}});
  return table;
}

// --- TCustomEdit, TEdit, TMemo -------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TControl(owner) { SetColor(clWindow); }

void TCustomEdit::CreateParams(CreateParamsRec& params) {
  TControl::CreateParams(params);
  params.className = L"EDIT";
  params.style |= ES_AUTOHSCROLL | WS_TABSTOP;
  if (readOnly_) params.style |= ES_READONLY;
  params.exStyle |= WS_EX_CLIENTEDGE;
}

void TCustomEdit::CreateHandle() {
  TControl::CreateHandle();
  if (hwnd_) SendMessageW(hwnd_, EM_LIMITTEXT, maxLength_, 0);
}

void TCustomEdit::RecreateHandle() {
  if (!hwnd_) return;
  SetWideCaption(WideText());
  DestroyHandle();
  CreateHandle();
}

std::string TCustomEdit::Text() const { return Narrow(WideText()); }

std::wstring TCustomEdit::WideText() const { return hwnd_ ? WindowText(hwnd_) : WideCaption(); }

void TCustomEdit::SetReadOnly(bool v) {
  readOnly_ = v;
  if (hwnd_) SendMessageW(hwnd_, EM_SETREADONLY, v, 0);
}

void TCustomEdit::SetMaxLength(int n) {
  maxLength_ = n;
  if (hwnd_) SendMessageW(hwnd_, EM_LIMITTEXT, n, 0);
}

int TCustomEdit::SelStart() const {
  DWORD start = 0;
  if (hwnd_) SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
  return static_cast<int>(start);
}

const PropertyTable& TCustomEdit::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {
          {"Text", StringProperty<TCustomEdit>([](TCustomEdit& e, const std::string& v) { e.SetText(v); })},
          {"ReadOnly", BoolProperty<TCustomEdit>([](TCustomEdit& e, bool v) { e.SetReadOnly(v); })},
          {"MaxLength", IntProperty<TCustomEdit>([](TCustomEdit& e, int v) { e.SetMaxLength(v); })},
      });
  return table;
}

TMemo::TMemo(TComponent* owner) : TCustomEdit(owner) {}

void TMemo::CreateParams(CreateParamsRec& params) {
  TCustomEdit::CreateParams(params);
  params.style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
  if (wordWrap_) params.style &= ~ES_AUTOHSCROLL;
  if (alignment_ == taCenter) params.style |= ES_CENTER;
  if (alignment_ == taRightJustify) params.style |= ES_RIGHT;
}

void TMemo::SetWordWrap(bool v) {
  wordWrap_ = v;
  RecreateHandle();
}

void TMemo::SetAlignment(TAlignment a) {
  alignment_ = a;
  RecreateHandle();
}

std::vector<std::string> TMemo::Lines() const { return qt::SplitLines(Text()); }

int TMemo::LineFromChar(int position) const {
  return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, EM_LINEFROMCHAR, position, 0)) : 0;
}

void TMemo::InsertLine(int index, const std::string& line) {
  LRESULT at = hwnd_ ? SendMessageW(hwnd_, EM_LINEINDEX, index, 0) : -1;
  if (at < 0) return AddLine(line);
  // Replacing the selection keeps the memo's undo and scroll position, as typing would.
  SendMessageW(hwnd_, EM_SETSEL, at, at);
  std::wstring text = Widen(line) + L"\r\n";
  SendMessageW(hwnd_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TMemo::AddLine(const std::string& line) {
  std::string text = Text();
  SetText(text.empty() ? line : text + "\r\n" + line);
}

const PropertyTable& TMemo::ClassProperties() {
  static const PropertyTable table(
      &TCustomEdit::ClassProperties(),
      {
          {"WordWrap", BoolProperty<TMemo>([](TMemo& m, bool v) { m.SetWordWrap(v); })},
          {"Alignment", EnumProperty<TMemo, TAlignment>([](TMemo& m, TAlignment a) { m.SetAlignment(a); },
                                                       {{"taLeftJustify", taLeftJustify},
                                                        {"taRightJustify", taRightJustify},
                                                        {"taCenter", taCenter}})},
          {"Lines.Add", AddItemProperty(&TMemo::AddLine)},
      });
  return table;
}

// --- TListBox ----------------------------------------------------------------------------------

TListBox::TListBox(TComponent* owner) : TControl(owner) { SetColor(clWindow); }

void TListBox::CreateParams(CreateParamsRec& params) {
  TControl::CreateParams(params);
  params.className = L"LISTBOX";
  params.style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
  if (flat_)
    params.style |= WS_BORDER;
  else
    params.exStyle |= WS_EX_CLIENTEDGE;
}

void TListBox::CreateHandle() {
  TControl::CreateHandle();
  if (hwnd_ && itemHeight_ > 0) SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, itemHeight_);
}

int TListBox::Count() const { return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, LB_GETCOUNT, 0, 0)) : 0; }

std::wstring TListBox::Item(int index) const {
  return hwnd_ ? ListText(hwnd_, LB_GETTEXTLEN, LB_GETTEXT, index) : std::wstring();
}

void TListBox::Clear() {
  if (hwnd_) SendMessageW(hwnd_, LB_RESETCONTENT, 0, 0);
}

void TListBox::Add(const std::wstring& item) {
  SendMessageW(Handle(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int TListBox::ItemIndex() const { return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, LB_GETCURSEL, 0, 0)) : -1; }

void TListBox::SetItemIndex(int index) { SendMessageW(Handle(), LB_SETCURSEL, index, 0); }

void TListBox::SetItemHeight(int h) {
  itemHeight_ = h;
  if (hwnd_) SendMessageW(hwnd_, LB_SETITEMHEIGHT, 0, h);
}

void TListBox::SetFlat(bool flat) {
  flat_ = flat;
  if (!hwnd_) return;
  // Only a new window takes the other border; the list is empty while a layout is read.
  DestroyHandle();
  CreateHandle();
}

void TListBox::Command(WORD code) {
  if (code == LBN_SELCHANGE) Click();
}

const PropertyTable& TListBox::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {
          {"ItemHeight", IntProperty<TListBox>([](TListBox& l, int v) { l.SetItemHeight(v); })},
          {"Flat", BoolProperty<TListBox>([](TListBox& l, bool v) { l.SetFlat(v); })},
      });
  return table;
}

// --- TComboBox ---------------------------------------------------------------------------------

namespace {
constexpr int kDroppedItems = 8;
}

TComboBox::TComboBox(TComponent* owner) : TControl(owner) { SetColor(clWindow); }

void TComboBox::CreateParams(CreateParamsRec& params) {
  TControl::CreateParams(params);
  params.className = L"COMBOBOX";
  params.style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
}

void TComboBox::SetBounds(int left, int top, int width, int height) {
  TControl::SetBounds(left, top, width, height);
  // The system takes the window's height as that of the open list below the box.
  if (hwnd_) {
    int item = static_cast<int>(SendMessageW(hwnd_, CB_GETITEMHEIGHT, 0, 0));
    SetWindowPos(hwnd_, nullptr, left, top, width, height + kDroppedItems * item + 2,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void TComboBox::AddItem(const std::string& item) {
  std::wstring text = Widen(item);
  SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int TComboBox::ItemIndex() const { return hwnd_ ? static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0)) : -1; }

void TComboBox::SetItemIndex(int index) { SendMessageW(Handle(), CB_SETCURSEL, index, 0); }

std::string TComboBox::Text() const {
  int index = ItemIndex();
  return index < 0 ? std::string() : Narrow(ListText(hwnd_, CB_GETLBTEXTLEN, CB_GETLBTEXT, index));
}

const PropertyTable& TComboBox::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {
          {"Style", EnumProperty<TComboBox, int>([](TComboBox&, int) {}, {{"csDropDownList", 0}})},
          {"Items.Add", AddItemProperty(&TComboBox::AddItem)},
          {"ItemIndex", IntProperty<TComboBox>([](TComboBox& c, int v) { c.SetItemIndex(v); })},
      });
  return table;
}

} // namespace win
