#include "gif/dib_layout.hpp"

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

} // namespace

std::uint64_t DIBRowStride(std::int64_t width, int bitsPerPixel) {
  if (width <= 0 || bitsPerPixel <= 0) return 0;
  return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitsPerPixel) + 31) / 32 * 4;
}

std::string MakeDIBInfo(std::int32_t width, std::int32_t height, int bitsPerPixel,
                        std::span<const TPaletteEntry> entries) {
  const bool indexed = bitsPerPixel == 8;
  const std::size_t copied = indexed ? std::min<std::size_t>(entries.size(), 256) : 0;
  std::string info;
  info.reserve(kDIBHeaderSize + (indexed ? 1024 : 0));
  Put32(info, kDIBHeaderSize);
  Put32(info, static_cast<std::uint32_t>(width));
  Put32(info, static_cast<std::uint32_t>(height));
  Put16(info, 1);
  Put16(info, static_cast<std::uint32_t>(bitsPerPixel));
  Put32(info, 0); // uncompressed
  Put32(info, 0); // image size
  Put32(info, 0); // resolutions
  Put32(info, 0);
  Put32(info, indexed ? 256 : 0);
  Put32(info, static_cast<std::uint32_t>(copied));
  if (indexed) {
    const std::size_t table = info.size();
    info.resize(table + 256 * 4, '\0');
    auto* quads = reinterpret_cast<std::uint8_t*>(info.data() + table);
    if (copied > 0) std::memcpy(quads, entries.data(), copied * 4);
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
  return infoSize <= limit && pixelBytes <= limit - kBMPFileHeaderSize - infoSize;
}

std::string MakeBMPFileHeader(std::uint64_t infoSize, std::uint64_t pixelBytes) {
  std::string header = "BM";
  Put32(header, static_cast<std::uint32_t>(kBMPFileHeaderSize + infoSize + pixelBytes));
  Put16(header, 0);
  Put16(header, 0);
  Put32(header, static_cast<std::uint32_t>(kBMPFileHeaderSize + infoSize));
  return header;
}

} // namespace qt
