#include "base/dib_layout.hpp"

#include <algorithm>
#include <cstring>
#include <limits>

namespace qt {
namespace {

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

std::uint32_t Get(std::string_view s, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i)
    v = v << 8 | static_cast<std::uint8_t>(s[at + i]);
  return v;
}

std::size_t TableSize(int bitsPerPixel) { return bitsPerPixel <= 8 ? std::size_t{1} << bitsPerPixel : 0; }

} // namespace

std::uint64_t DIBRowStride(std::int64_t width, int bitsPerPixel) {
  if (width <= 0 || bitsPerPixel <= 0) return 0;
  return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel) + 31) / 32 * 4;
}

std::string MakeDIBInfo(std::int32_t width, std::int32_t height, int bitsPerPixel,
                        std::span<const TPaletteEntry> entries) {
  const std::size_t table = TableSize(bitsPerPixel);
  const std::size_t copied = std::min(entries.size(), table);
  std::string info;
  info.reserve(kDIBHeaderSize + 4 * table);
  Put32(info, kDIBHeaderSize);
  Put32(info, static_cast<std::uint32_t>(width));
  Put32(info, static_cast<std::uint32_t>(height));
  Put16(info, 1);
  Put16(info, static_cast<std::uint32_t>(bitsPerPixel));
  Put32(info, 0); // uncompressed
  Put32(info, 0); // image size
  Put32(info, 0); // resolutions
  Put32(info, 0);
  Put32(info, static_cast<std::uint32_t>(table));
  Put32(info, static_cast<std::uint32_t>(copied));
  info.resize(kDIBHeaderSize + 4 * table, '\0');
  if (copied > 0) {
    auto* quads = reinterpret_cast<std::uint8_t*>(info.data() + kDIBHeaderSize);
    std::memcpy(quads, entries.data(), copied * 4);
    PaletteEntriesToQuads(quads, copied);
  }
  return info;
}

void PaletteEntriesToQuads(std::uint8_t* entries, std::size_t count) {
  for (std::size_t i = count; i-- > 0;) {
    std::uint8_t* e = entries + 4 * i;
    std::swap(e[0], e[2]);
    e[3] = 0;
  }
}

bool DIBFileFits(std::uint64_t infoSize, std::uint64_t pixelBytes) {
  constexpr std::uint64_t limit = std::numeric_limits<std::uint32_t>::max();
  return infoSize <= limit - kBMPFileHeaderSize && pixelBytes <= limit - kBMPFileHeaderSize - infoSize;
}

std::string MakeBMPFileHeader(std::uint64_t infoSize, std::uint64_t pixelBytes) {
  std::string header = "BM";
  Put32(header, static_cast<std::uint32_t>(kBMPFileHeaderSize + infoSize + pixelBytes));
  Put16(header, 0);
  Put16(header, 0);
  Put32(header, static_cast<std::uint32_t>(kBMPFileHeaderSize + infoSize));
  return header;
}

std::optional<BMPLayout> ReadBMPLayout(std::string_view file) {
  const std::size_t infoAt = kBMPFileHeaderSize;
  if (file.size() < infoAt + kDIBHeaderSize || file.substr(0, 2) != "BM") return std::nullopt;
  const std::uint64_t pixels = Get(file, 10, 4);
  const std::uint64_t headerSize = Get(file, infoAt, 4);
  const auto width = static_cast<std::int32_t>(Get(file, infoAt + 4, 4));
  const auto height = static_cast<std::int32_t>(Get(file, infoAt + 8, 4));
  const std::uint32_t planes = Get(file, infoAt + 12, 2), bits = Get(file, infoAt + 14, 2);
  const std::uint32_t compression = Get(file, infoAt + 16, 4), used = Get(file, infoAt + 32, 4);
  if (headerSize < kDIBHeaderSize || planes != 1 || compression != 0) return std::nullopt;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return std::nullopt;
  if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) return std::nullopt;

  BMPLayout layout;
  layout.width = width;
  layout.height = height < 0 ? -height : height;
  layout.topDown = height < 0;
  layout.bitsPerPixel = static_cast<int>(bits);
  layout.stride = DIBRowStride(width, layout.bitsPerPixel);
  const std::size_t table = TableSize(layout.bitsPerPixel);
  const std::size_t count = used == 0 ? table : used;
  if (count > table) return std::nullopt;
  const std::uint64_t tableAt = infoAt + headerSize;
  if (tableAt + 4 * count > file.size()) return std::nullopt;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = static_cast<std::size_t>(tableAt) + 4 * i;
    layout.colors.push_back({static_cast<std::uint8_t>(file[at + 2]), static_cast<std::uint8_t>(file[at + 1]),
                             static_cast<std::uint8_t>(file[at]), 0});
  }
  const std::uint64_t rows = layout.stride * static_cast<std::uint64_t>(layout.height);
  if (pixels > file.size() || rows > file.size() - pixels) return std::nullopt;
  layout.pixelOffset = static_cast<std::size_t>(pixels);
  return layout;
}

} // namespace qt
