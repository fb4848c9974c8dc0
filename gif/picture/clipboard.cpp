// The GIF picture on the clipboard: its GIF stream under the format "GIF Image", beside the
// still rendering as a bitmap for every other program.
#include "gif/picture/picture.hpp"

#include <cstring>

namespace qt {

UINT GIFClipboardFormat() {
  static const UINT format = RegisterClipboardFormatA(kGIFImageDescription);
  return format;
}

void TGIFPicture::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  if (!data) data = GetClipboardData(format);
  if (data && format == GIFClipboardFormat()) {
    std::string bytes;
    if (const void* block = GlobalLock(data)) {
      bytes.assign(static_cast<const char*>(block), GlobalSize(data));
      GlobalUnlock(data);
    }
    MemoryStream stream(std::move(bytes));
    LoadFromStream(stream);
  } else if (data && format == CF_BITMAP) {
    win::TBitmap bitmap;
    bitmap.LoadFromClipboardFormat(format, data, palette);
    Assign(&bitmap);
  } else {
    RaiseGIFError(gif_text::kUnsupportedClipboardFormat);
  }
}

void TGIFPicture::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  if (Empty()) return;
  UINT bitmapFormat = 0;
  HANDLE bitmapData = nullptr;
  HPALETTE bitmapPalette = nullptr;
  EnsureBitmap()->SaveToClipboardFormat(bitmapFormat, bitmapData, bitmapPalette);
  // Given to the caller only when the GIF stream is placed too.
  win::UniqueBitmap ownBitmap(static_cast<HBITMAP>(bitmapData));
  win::UniquePalette ownPalette(bitmapPalette);
  MemoryStream gif;
  SaveToStream(gif);
  if (win::UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, gif.Bytes().size())); block) {
    void* bytes = GlobalLock(block.get());
    if (!bytes) RaiseGIFError(gif_text::kClipboardStoreFailed);
    std::memcpy(bytes, gif.Bytes().data(), gif.Bytes().size());
    GlobalUnlock(block.get());
    if (!SetClipboardData(GIFClipboardFormat(), block.get())) RaiseGIFError(gif_text::kClipboardStoreFailed);
    block.release(); // the clipboard's now
  }
  format = bitmapFormat;
  data = ownBitmap.release();
  palette = ownPalette.release();
}

} // namespace qt
