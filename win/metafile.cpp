#include "win/metafile.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <utility>

namespace win {
namespace {

constexpr char kInvalidMetafile[] = "Metafile is not valid";
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr std::size_t kPlaceableHeaderSize = 22, kWindowsHeaderSize = 18;
constexpr std::size_t kEnhancedHeaderSize = 88; // up to szlMillimeters, what every version has

int ScreenPixelsPerInch(int index) {
  WindowDC screen(nullptr);
  return GetDeviceCaps(screen.get(), index);
}

// Whether a record that creates, selects or deletes a GDI object names a slot of the handle
// table: playing takes the index, the first field, as it stands, and Wine writes to that slot
// unchecked. Selecting may also name a stock object (the high bit set).
bool HandleIndexFits(std::uint32_t type, std::string_view record, std::uint32_t handles) {
  switch (type) {
  case EMR_SELECTOBJECT: case EMR_SELECTPALETTE: case EMR_SETCOLORSPACE:
    if (record.size() >= 12 && (LittleEndian(record, 8, 4) & 0x80000000u)) return true;
    [[fallthrough]];
  case EMR_CREATEPEN: case EMR_CREATEBRUSHINDIRECT: case EMR_DELETEOBJECT: case EMR_CREATEPALETTE:
  case EMR_SETPALETTEENTRIES: case EMR_RESIZEPALETTE: case EMR_EXTCREATEFONTINDIRECTW: case EMR_CREATEMONOBRUSH:
  case EMR_CREATEDIBPATTERNBRUSHPT: case EMR_EXTCREATEPEN: case EMR_CREATECOLORSPACE: case EMR_DELETECOLORSPACE:
  case EMR_CREATECOLORSPACEW:
    return record.size() >= 12 && LittleEndian(record, 8, 4) < handles;
  default:
    return true;
  }
}

// Records of 8 bytes or more, in multiples of 4, all within the bytes, one of them the end
// record, their object indices within the header's handle count. Playing walks the records to
// the stated size, not to the end record: one of no size after it would never be left.
bool EnhancedRecordsEnd(std::string_view bytes, std::uint32_t handles) {
  bool end = false;
  for (std::size_t at = 0; bytes.size() - at >= 8;) {
    const std::uint32_t type = LittleEndian(bytes, at, 4), size = LittleEndian(bytes, at + 4, 4);
    if (size < 8 || size % 4 != 0 || size > bytes.size() - at || !HandleIndexFits(type, bytes.substr(at, size), handles))
      return false;
    end = end || type == EMR_EOF;
    at += size;
  }
  return end;
}

// Whether the parameters of a record that names objects by their index lie within it and name
// slots of the object table: playing reads, and for a deletion writes, the slot unchecked.
bool ObjectIndicesFit(std::string_view record, std::uint32_t objects) {
  struct Named {
    std::uint32_t function;
    int first, last; // the parameters that are indices, in every writer's layout
  };
  static constexpr Named kNamed[] = {
      {META_SELECTOBJECT, 0, 0}, {META_DELETEOBJECT, 0, 0}, {META_SELECTPALETTE, 0, 0}, {META_FILLREGION, 0, 1},
      {META_INVERTREGION, 0, 0}, {META_PAINTREGION, 0, 0},  {META_SELECTCLIPREGION, 0, 0},
  };
  const std::uint32_t function = LittleEndian(record, 4, 2);
  for (const Named& n : kNamed) {
    if (n.function != function) continue;
    if (record.size() < 6 + 2 * static_cast<std::size_t>(n.last + 1)) return false;
    for (int k = n.first; k <= n.last; ++k) {
      const std::uint32_t index = LittleEndian(record, 6 + 2 * static_cast<std::size_t>(k), 2);
      // Selecting clip region 0 selects none.
      if (index >= objects && !(function == META_SELECTCLIPREGION && index == 0)) return false;
    }
  }
  return true;
}

// After the header, records of 3 words or more (the size in words, then the function), to the
// end record (function 0), all within the bytes, their object indices within the header's
// object count.
bool WindowsRecordsEnd(std::string_view bytes) {
  const std::uint32_t objects = LittleEndian(bytes, 10, 2);
  for (std::size_t at = kWindowsHeaderSize; bytes.size() - at >= 6;) {
    const std::uint64_t size = std::uint64_t{LittleEndian(bytes, at, 4)} * 2;
    if (size < 6 || size > bytes.size() - at ||
        !ObjectIndicesFit(bytes.substr(at, static_cast<std::size_t>(size)), objects))
      return false;
    if (LittleEndian(bytes, at + 4, 2) == 0) return true;
    at += static_cast<std::size_t>(size);
  }
  return false;
}

} // namespace

void TMetafile::LoadFromStream(qt::Stream& stream) {
  const std::string file = ReadRest(stream);
  const std::string_view bytes(file);
  if (bytes.size() >= kEnhancedHeaderSize && bytes.substr(40, 4) == " EMF" && LittleEndian(bytes, 0, 4) == EMR_HEADER) {
    // The size the header states, and records that end within it, so that playing never reads
    // past the bytes.
    const std::uint32_t total = LittleEndian(bytes, 48, 4);
    if (total > bytes.size() || LittleEndian(bytes, 4, 4) < kEnhancedHeaderSize ||
        !EnhancedRecordsEnd(bytes.substr(0, total), LittleEndian(bytes, 56, 2)))
      throw EInvalidGraphic(kInvalidMetafile);
    UniqueEnhMetaFile metafile(SetEnhMetaFileBits(total, reinterpret_cast<const BYTE*>(bytes.data())));
    if (!metafile) throw EInvalidGraphic(kInvalidMetafile);
    SetHandle(std::move(metafile));
    return;
  }
  // The placeable header: key, a handle slot, the bounding box in the file's units, the units per
  // inch, 4 reserved bytes and the exclusive or of the 10 words before it.
  if (bytes.size() < kPlaceableHeaderSize + kWindowsHeaderSize || LittleEndian(bytes, 0, 4) != kPlaceableKey)
    throw EInvalidGraphic(kInvalidMetafile);
  std::uint32_t check = 0;
  for (std::size_t at = 0; at < 20; at += 2)
    check ^= LittleEndian(bytes, at, 2);
  auto coordinate = [&](std::size_t at) { return static_cast<std::int16_t>(LittleEndian(bytes, at, 2)); };
  const int width = std::abs(coordinate(10) - coordinate(6)), height = std::abs(coordinate(12) - coordinate(8));
  const int inch = static_cast<int>(LittleEndian(bytes, 14, 2));
  // Then the Windows metafile: its header (type 1 or 2, 9 words, version, size in words), and
  // records whose size is in words, to the end record (function 0).
  const std::string_view windows = bytes.substr(kPlaceableHeaderSize);
  const std::uint64_t size = std::uint64_t{LittleEndian(windows, 6, 4)} * 2;
  if (check != LittleEndian(bytes, 20, 2) || width == 0 || height == 0 || inch == 0 ||
      LittleEndian(windows, 2, 2) != kWindowsHeaderSize / 2 || size < kWindowsHeaderSize || size > windows.size() ||
      !WindowsRecordsEnd(windows.substr(0, static_cast<std::size_t>(size))))
    throw EInvalidGraphic(kInvalidMetafile);
  // Converted at the box's size in 0.01 mm.
  const METAFILEPICT picture{MM_ANISOTROPIC, MulDiv(width, 2540, inch), MulDiv(height, 2540, inch), nullptr};
  WindowDC screen(nullptr);
  UniqueEnhMetaFile metafile(SetWinMetaFileBits(static_cast<UINT>(size), reinterpret_cast<const BYTE*>(windows.data()),
                                                screen.get(), &picture));
  if (!metafile) throw EInvalidGraphic(kInvalidMetafile);
  Take(std::move(metafile), MulDiv(width, ScreenPixelsPerInch(LOGPIXELSX), inch),
       MulDiv(height, ScreenPixelsPerInch(LOGPIXELSY), inch));
}

void TMetafile::SaveToStream(qt::Stream& stream) const {
  if (!handle_) return;
  std::string bytes(GetEnhMetaFileBits(handle_.get(), 0, nullptr), '\0');
  GetEnhMetaFileBits(handle_.get(), static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
  stream.Write(bytes);
}

void TMetafile::Draw(HDC dc, const RECT& r) const {
  if (handle_ && r.right > r.left && r.bottom > r.top) PlayEnhMetaFile(dc, handle_.get(), &r);
}

void TMetafile::SetHandle(UniqueEnhMetaFile metafile) {
  ENHMETAHEADER header{};
  if (metafile && !GetEnhMetaFileHeader(metafile.get(), sizeof header, &header)) throw EInvalidGraphic(kInvalidMetafile);
  // The frame is in 0.01 mm. A reversed one is no picture; the difference can pass 32 bits.
  const RECTL& frame = header.rclFrame;
  const auto pixels = [](LONG from, LONG to, int index) {
    const long long span = static_cast<long long>(to) - from;
    if (span <= 0) return 0;
    // Rounded as MulDiv rounds.
    const long long size = (span * ScreenPixelsPerInch(index) + 1270) / 2540;
    return static_cast<int>(std::min<long long>(size, std::numeric_limits<int>::max()));
  };
  Take(std::move(metafile), pixels(frame.left, frame.right, LOGPIXELSX), pixels(frame.top, frame.bottom, LOGPIXELSY));
}

void TMetafile::Take(UniqueEnhMetaFile metafile, int width, int height) {
  handle_ = std::move(metafile);
  width_ = width;
  height_ = height;
  Changed();
}

} // namespace win
