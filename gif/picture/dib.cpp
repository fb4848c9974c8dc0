#include "gif/picture/dib.hpp"

#include "base/dib_layout.hpp"
#include "base/stream.hpp"
#include "gif/codec/error.hpp"

#include <exception>
#include <limits>

namespace qt {
namespace {

constexpr std::size_t kMaxCached = std::size_t{1} << 20;
constexpr std::uint32_t kUsed = 1u << 24;

std::size_t Slot(std::uint32_t key, std::size_t mask) { return (key * 2654435761u >> 8) & mask; }

} // namespace

TDIBReader::TDIBReader(win::TBitmap& bitmap, win::TPixelFormat format) : TDIB(bitmap, format) {
  bitmap.SetPixelFormat(format);
}

TDIBWriter::TDIBWriter(win::TBitmap& bitmap, win::TPixelFormat format, int width, int height, HPALETTE palette)
    : TDIB(bitmap, format), palette_(palette), height_(height), width_(width),
      exceptions_(std::uncaught_exceptions()) {
  if (format != win::pf8bit && format != win::pf24bit) throw GIFException("Unsupported PixelFormat");
  if (width <= 0 || height <= 0) throw GIFException("Invalid image dimensions");
}

TDIBWriter::~TDIBWriter() noexcept(false) {
  struct Free {
    TDIBWriter* w;
    ~Free() { w->FreeDIBBuffer(); }
  } free{this};
  if (std::uncaught_exceptions() == exceptions_) StoreToBitmap();
}

void TDIBWriter::MakeDIBBuffer() {
  FreeDIBBuffer();
  const int bits = win::BitsPerPixel(format_);
  std::vector<TPaletteEntry> entries;
  if (bits == 8)
    for (const PALETTEENTRY& e : win::PaletteEntries(palette_))
      entries.push_back({e.peRed, e.peGreen, e.peBlue, e.peFlags});
  info_ = MakeDIBInfo(width_, height_, bits, entries);
  stride_ = DIBRowStride(width_, bits);
  bufferSize_ = stride_ * static_cast<std::uint64_t>(height_);
  if (DIBFileFits(info_.size(), bufferSize_) && bufferSize_ <= std::numeric_limits<SIZE_T>::max())
    buffer_ = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(bufferSize_));
  pixels_ = buffer_ ? static_cast<unsigned char*>(GlobalLock(buffer_)) : nullptr;
  if (!pixels_) {
    FreeDIBBuffer();
    throw EOutOfMemory("Failed to allocate memory for GIF DIB");
  }
}

void TDIBWriter::FreeDIBBuffer() {
  if (buffer_) {
    if (pixels_) GlobalUnlock(buffer_);
    GlobalFree(buffer_);
  }
  buffer_ = nullptr;
  pixels_ = nullptr;
  info_.clear();
}

void* TDIBWriter::RowAddress(int row) {
  if (!pixels_) MakeDIBBuffer();
  if (!pixels_) throw GIFException("Image has no DIB");
  if (row < 0 || row >= height_) throw win::EInvalidGraphicOperation("Scan line index out of range");
  GdiFlush();
  return pixels_ + static_cast<std::size_t>(height_ - 1 - row) * static_cast<std::size_t>(stride_);
}

void TDIBWriter::StoreToBitmap() {
  if (!pixels_) return;
  std::string file;
  file.reserve(static_cast<std::size_t>(kBMPFileHeaderSize + info_.size() + bufferSize_));
  file += MakeBMPFileHeader(info_.size(), bufferSize_);
  file += info_;
  file.append(reinterpret_cast<const char*>(pixels_), static_cast<std::size_t>(bufferSize_));
  MemoryStream stream(std::move(file));
  bitmap_.LoadFromStream(stream);
}

TSlowColorLookup::TSlowColorLookup(HPALETTE palette) : TColorLookup(0), palette_(palette) {
  entries_ = win::PaletteEntries(palette);
  if (entries_.size() > 256) entries_.resize(256);
  paletteSize_ = static_cast<int>(entries_.size());
}

std::uint8_t TSlowColorLookup::AskGDI(std::uint32_t rgb) const {
  const UINT index = GetNearestPaletteIndex(palette_, rgb);
  return index < entries_.size() ? static_cast<std::uint8_t>(index) : 0;
}

std::uint8_t TSlowColorLookup::NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                            std::uint8_t& r, std::uint8_t& g, std::uint8_t& b) {
  if (entries_.empty()) return 0;
  const std::uint32_t rgb = RGB(red, green, blue);
  std::uint8_t index;
  if (keys_.empty()) {
    keys_.assign(4096, 0);
    answers_.assign(4096, 0);
  }
  std::size_t slot = Slot(rgb, keys_.size() - 1);
  while (keys_[slot] != 0 && keys_[slot] != (rgb | kUsed))
    slot = (slot + 1) & (keys_.size() - 1);
  if (keys_[slot] != 0) {
    index = answers_[slot];
  } else {
    index = AskGDI(rgb);
    if (cached_ < kMaxCached) {
      keys_[slot] = rgb | kUsed;
      answers_[slot] = index;
      if (++cached_ * 2 > keys_.size()) {
        // Twice the slots, every colour placed again.
        std::vector<std::uint32_t> keys(keys_.size() * 2, 0);
        std::vector<std::uint8_t> answers(keys.size(), 0);
        for (std::size_t i = 0; i < keys_.size(); ++i) {
          if (keys_[i] == 0) continue;
          std::size_t s = Slot(keys_[i] & ~kUsed, keys.size() - 1);
          while (keys[s] != 0)
            s = (s + 1) & (keys.size() - 1);
          keys[s] = keys_[i];
          answers[s] = answers_[i];
        }
        keys_.swap(keys);
        answers_.swap(answers);
      }
    }
  }
  r = entries_[index].peRed;
  g = entries_[index].peGreen;
  b = entries_[index].peBlue;
  return index;
}

} // namespace qt
