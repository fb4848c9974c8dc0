#include "win/clipboard.hpp"

namespace win {
namespace {

void FreeClipboardData(UINT format, HANDLE data) {
  if (format == CF_BITMAP || format == CF_PALETTE)
    DeleteObject(data);
  else
    GlobalFree(data);
}

} // namespace

TClipboard::TClipboard(HWND owner) {
  if (!OpenClipboard(owner)) throw qt::Error("Cannot open clipboard");
}

TClipboard::~TClipboard() { CloseClipboard(); }

void TClipboard::Clear() { EmptyClipboard(); }

bool TClipboard::HasFormat(UINT format) const { return IsClipboardFormatAvailable(format) != FALSE; }

HANDLE TClipboard::GetAsHandle(UINT format) const { return GetClipboardData(format); }

void TClipboard::SetAsHandle(UINT format, HANDLE data) {
  if (SetClipboardData(format, data)) return;
  FreeClipboardData(format, data);
  throw qt::Error("Cannot place data on the clipboard");
}

void TClipboard::Assign(const TPicture& picture) {
  Clear();
  UINT format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  picture.SaveToClipboardFormat(format, data, palette);
  if (format == 0 || !data) {
    if (palette) DeleteObject(palette);
    return;
  }
  try {
    SetAsHandle(format, data);
  } catch (...) {
    if (palette) DeleteObject(palette);
    throw;
  }
  if (palette) SetAsHandle(CF_PALETTE, palette);
}

void TClipboard::AssignTo(TPicture& picture) const {
  for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
    if (TPicture::SupportsClipboardFormat(format)) {
      picture.LoadFromClipboardFormat(format, GetAsHandle(format), static_cast<HPALETTE>(GetAsHandle(CF_PALETTE)));
      return;
    }
  throw EInvalidGraphic(kUnsupportedClipboardFormat);
}

} // namespace win
