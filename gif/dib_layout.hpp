#pragma once
// The byte layout of the device-independent bitmaps the codec writes: the 40-byte info header,
// the colour table and the BMP file header, with every size in 64 bits so that no product of a
// large width and height wraps.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace qt {

// One entry of a logical palette.
struct TPaletteEntry {
  std::uint8_t red, green, blue, flags;
  friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

inline constexpr std::size_t kDIBHeaderSize = 40;
inline constexpr std::size_t kBMPFileHeaderSize = 14;

// Bytes of one row: width x bits taken up to the next multiple of 32 bits. 0 for a negative width.
std::uint64_t DIBRowStride(std::int64_t width, int bitsPerPixel);

// The info block of an 8 or 24-bit image: the header (height positive, so rows are stored
// bottom-up), and at 8 bits 256 quads (blue, green, red, 0): the entries, at most 256, then
// black. At 8 bits "colours used" is 256 and "colours important" the number of entries copied.
std::string MakeDIBInfo(std::int32_t width, std::int32_t height, int bitsPerPixel,
                        std::span<const TPaletteEntry> entries);

// Turns count palette entries (red, green, blue, flags) into colour quads (blue, green, red, 0)
// in place.
void PaletteEntriesToQuads(std::uint8_t* entries, std::size_t count);

// "BM", the file size, two reserved zeros and the offset of the pixels. A file beyond the 32-bit
// size field is refused by the caller before this is asked (DIBFileFits).
std::string MakeBMPFileHeader(std::uint64_t infoSize, std::uint64_t pixelBytes);
bool DIBFileFits(std::uint64_t infoSize, std::uint64_t pixelBytes);

} // namespace qt
