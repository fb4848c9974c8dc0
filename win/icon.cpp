#include "win/icon.hpp"

#include "base/dib_layout.hpp"

#include <cstdint>
#include <string_view>
#include <utility>

namespace win {
namespace {

constexpr char kInvalidIcon[] = "Icon image is not valid";
constexpr std::size_t kDirectorySize = 6, kEntrySize = 16;

// The platform reads an image in BMP form as far as its header says, whatever size the file's
// directory gives it: so the colour table, the colour rows and the mask rows must all be there.
// PNG images it checks itself.
bool ImageComplete(std::string_view image) {
  if (image.starts_with("\x89PNG")) return true;
  if (image.size() < qt::kDIBHeaderSize) return false;
  const std::uint32_t headerSize = LittleEndian(image, 0, 4);
  const auto width = static_cast<std::int32_t>(LittleEndian(image, 4, 4));
  const auto doubleHeight = static_cast<std::int32_t>(LittleEndian(image, 8, 4));
  const int bits = static_cast<int>(LittleEndian(image, 14, 2));
  const std::uint32_t compression = LittleEndian(image, 16, 4), used = LittleEndian(image, 32, 4);
  if (headerSize < qt::kDIBHeaderSize || width <= 0 || doubleHeight < 2 || compression != BI_RGB) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  // Above 8 bits a table is there only when "colours used" says so, and is read then too.
  const std::uint64_t colors = used != 0 ? used : bits > 8 ? 0 : std::uint64_t{1} << bits;
  const std::uint64_t height = static_cast<std::uint64_t>(doubleHeight / 2);
  const std::uint64_t needed = headerSize + 4 * colors + qt::DIBRowStride(width, bits) * height +
                               qt::DIBRowStride(width, 1) * height;
  return needed <= image.size();
}

// As its bitmaps give it; the bitmaps GetIconInfo makes are the caller's to free.
SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) throw EInvalidGraphic(kInvalidIcon);
  const UniqueBitmap mask(info.hbmMask), color(info.hbmColor);
  BITMAP bitmap{};
  GetObjectW(color ? color.get() : mask.get(), sizeof bitmap, &bitmap);
  // Without colour bitmap the mask holds the AND rows above the XOR rows.
  return {bitmap.bmWidth, color ? bitmap.bmHeight : bitmap.bmHeight / 2};
}

} // namespace

void TIcon::LoadFromStream(qt::Stream& stream) {
  std::string file = ReadRest(stream);
  // The directory: reserved 0, type 1 (icon), the number of images, then one entry of 16 bytes
  // an image, ending with the image's size and offset in the file.
  if (file.size() < kDirectorySize || LittleEndian(file, 0, 2) != 0 || LittleEndian(file, 2, 2) != 1)
    throw EInvalidGraphic(kInvalidIcon);
  const std::size_t count = LittleEndian(file, 4, 2);
  if (count == 0 || file.size() < kDirectorySize + count * kEntrySize) throw EInvalidGraphic(kInvalidIcon);
  // The system chooses from a resource directory: the file's entries with the image's number in
  // place of its offset.
  std::string directory = file.substr(0, kDirectorySize);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kDirectorySize + i * kEntrySize;
    const std::uint32_t size = LittleEndian(file, entry + 8, 4), offset = LittleEndian(file, entry + 12, 4);
    if (offset > file.size() || size > file.size() - offset ||
        !ImageComplete(std::string_view(file).substr(offset, size)))
      throw EInvalidGraphic(kInvalidIcon);
    directory.append(file, entry, 12);
    directory += static_cast<char>((i + 1) & 0xFF);
    directory += static_cast<char>((i + 1) >> 8);
  }
  const int id = LookupIconIdFromDirectoryEx(reinterpret_cast<BYTE*>(directory.data()), TRUE, 0, 0, LR_DEFAULTCOLOR);
  if (id <= 0 || static_cast<std::size_t>(id) > count) throw EInvalidGraphic(kInvalidIcon);
  const std::size_t entry = kDirectorySize + static_cast<std::size_t>(id - 1) * kEntrySize;
  // At the image's own size (0 x 0 without LR_DEFAULTSIZE).
  UniqueIcon icon(CreateIconFromResourceEx(reinterpret_cast<BYTE*>(file.data() + LittleEndian(file, entry + 12, 4)),
                                           LittleEndian(file, entry + 8, 4), TRUE, 0x00030000, 0, 0, LR_DEFAULTCOLOR));
  if (!icon) throw EInvalidGraphic(kInvalidIcon);
  Take(std::move(icon), std::move(file));
}

void TIcon::SaveToStream(qt::Stream& stream) const {
  if (!handle_) return;
  if (file_.empty()) throw EInvalidGraphic("An icon given by its handle has no icon file to save");
  stream.Write(file_);
}

void TIcon::Draw(HDC dc, const RECT& r) const {
  // DrawIconEx takes a width or height of 0 for the icon's own.
  if (!handle_ || r.right <= r.left || r.bottom <= r.top) return;
  DrawIconEx(dc, r.left, r.top, handle_.get(), r.right - r.left, r.bottom - r.top, 0, nullptr, DI_NORMAL);
}

void TIcon::SetHandle(UniqueIcon icon) { Take(std::move(icon), {}); }

void TIcon::Take(UniqueIcon icon, std::string file) {
  const SIZE size = icon ? IconSize(icon.get()) : SIZE{0, 0};
  handle_ = std::move(icon);
  file_ = std::move(file);
  width_ = size.cx;
  height_ = size.cy;
  Changed();
}

} // namespace win
