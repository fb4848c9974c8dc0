#pragma once
// The byte layout of device-independent bitmaps as BMP files hold them: the 40-byte info header,
// the colour table and the 14-byte file header, with every size in 64 bits so that no product
// of a large width and height wraps.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// The info block: the header (height positive, so rows are stored bottom-up) and, at 8 bits or
// fewer, a full table of 2^bits quads (blue, green, red, 0): the entries, as many as fit, then
// black. "Colours used" is the table's size, "colours important" the number of entries copied;
// both 0 above 8 bits, where no table follows.
std::string MakeDIBInfo(std::int32_t width, std::int32_t height, int bitsPerPixel,
                        std::span<const TPaletteEntry> entries);

// Turns count palette entries (red, green, blue, flags) into colour quads (blue, green, red, 0)
// in place.
void PaletteEntriesToQuads(std::uint8_t* entries, std::size_t count);

// "BM", the file size, two reserved zeros and the offset of the pixels. Only for sizes that
// DIBFileFits, since the size field has 32 bits.
std::string MakeBMPFileHeader(std::uint64_t infoSize, std::uint64_t pixelBytes);
bool DIBFileFits(std::uint64_t infoSize, std::uint64_t pixelBytes);

// What a BMP file holds, as far as it is one of ours to read: uncompressed, 1, 4, 8, 24 or 32 bits.
struct BMPLayout {
  std::int32_t width = 0, height = 0; // both above 0
  bool topDown = false;
  int bitsPerPixel = 0;
  std::vector<TPaletteEntry> colors; // the file's colour table, at most 2^bits entries, flags 0
  std::uint64_t stride = 0;
  std::size_t pixelOffset = 0; // where the first stored row begins; all rows lie inside the file
};

// nothing for a file that is damaged or of another kind.
std::optional<BMPLayout> ReadBMPLayout(std::string_view file);

} // namespace qt
