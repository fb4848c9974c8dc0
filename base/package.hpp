#pragma once
#include "base/stream.hpp"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A screen saver file is the player image, then the package (marker, length V, block count N,
// N table entries of a 24-bit size and a kind byte, the blocks back to back, marker), then a
// 220-byte trailer (magic, V, a 200-byte signature field, magic). The player finds its package
// from the end of its own file.
namespace qt {

inline constexpr std::uint8_t bkSwf = 5;
inline constexpr std::uint8_t bkOptions = 9;
inline constexpr std::uint8_t bkAbout = 10;
inline constexpr std::uint8_t bkAd1Jpeg = 11;
inline constexpr std::uint8_t bkAd2Jpeg = 12;
inline constexpr std::uint8_t bkAd1Gif = 13;
inline constexpr std::uint8_t bkAd2Gif = 14;
inline constexpr std::uint8_t bkCaption = 20;

inline constexpr std::string_view kPackageMarker = "..qotnav";
inline constexpr std::string_view kTrailerMagic = "19760109";
inline constexpr std::string_view kSignature = "quendra screen saver package";
inline constexpr std::uint64_t kTrailerSize = 220;
// The table keeps 24 bits of a block's size.
inline constexpr std::uint32_t kMaxBlockSize = 0xffffff;
inline constexpr std::uint32_t kMaxBlockCount = 9999;

struct TBlockRec {
  std::uint64_t Offset = 0;  // first byte inside the package; computed by the reader
  std::uint32_t Size = 0;
  std::uint8_t Kind = 0;
};

// Entries 1 to N; entry 0 holds no block.
using tarray = std::vector<TBlockRec>;

// The low `width` bytes of value, least significant first; a width outside 0 to 4 throws
// std::invalid_argument("error").
void WriteInt(Stream& out, std::uint32_t value, int width);
// Exactly `width` bytes: the start of text, then zero bytes; a width outside 0 to 200 throws
// std::invalid_argument("error").
void WriteStr(Stream& out, std::string_view text, int width);

// Collects the blocks of one package, then writes the whole screen saver file. A block's bytes
// are copied from its source in chunks when the file is written, so a movie is never held whole.
class PackageWriter {
 public:
  // The block is `size` bytes of `source` from `offset`; the source must outlive Write.
  void AddBlock(std::uint8_t kind, Stream& source, std::uint64_t offset, std::uint64_t size);
  // A small block (a picture or a text) held by the writer.
  void AddBlock(std::uint8_t kind, std::string bytes);

  // Writes the whole image, the package and the trailer to out. Everything is checked first (at
  // least one and at most 9999 blocks, none larger than kMaxBlockSize, every source long enough):
  // a package that cannot be written throws PackageError before the first byte goes out.
  void Write(Stream& image, Stream& out);

 private:
  struct Block {
    std::uint8_t kind;
    Stream* source;
    std::uint64_t offset;
    std::uint64_t size;
    std::unique_ptr<MemoryStream> owned;  // set for blocks given as bytes
  };
  void Check();

  std::vector<Block> blocks_;
};

enum class PackageState {
  noPackage,  // no valid trailer: the player shows that there is no content
  badTable,   // a package whose markers, length, count or table are wrong: nothing is loaded
  indexed,
};

// The entries that the player loads, by index into the table; 0 = none. A later entry of a kind
// replaces an earlier one, and both picture kinds of a slot compete for it.
struct BlockSlots {
  std::uint32_t swf = 0;
  std::uint32_t options = 0;
  std::uint32_t about = 0;
  std::uint32_t ad1 = 0;
  std::uint32_t ad2 = 0;
  std::uint32_t caption = 0;
  bool ad1_is_jpeg = true;
  bool ad2_is_jpeg = true;
};

// Finds and indexes the package at the end of a file. Whatever the trailer and table claim,
// nothing outside the file, or outside the package once found, is ever read. Blocks are read from
// the file itself, which stays open while the reader lives, so a movie is never held whole.
class PackageReader {
 public:
  // The player's own program file, read shared but with writes denied; a file that cannot be
  // opened has no package.
  explicit PackageReader(const std::filesystem::path& file);
  explicit PackageReader(std::unique_ptr<Stream> file);

  PackageState State() const { return state_; }
  // N + 1 entries once indexed, else none.
  const tarray& Blocks() const { return blocks_; }
  const BlockSlots& Slots() const { return slots_; }

  // Copies block `index` (1 to N) to `to` in chunks; a block of size 0 writes nothing.
  void CopyBlock(std::uint32_t index, Stream& to);
  // The bytes of a small block such as a text block.
  std::string BlockBytes(std::uint32_t index);

 private:
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count);
  bool FindPackage();
  bool IndexBlocks();
  const TBlockRec& Block(std::uint32_t index) const;

  std::unique_ptr<Stream> file_;
  std::uint64_t file_size_ = 0;
  std::uint64_t package_start_ = 0;
  std::uint32_t package_size_ = 0;
  PackageState state_ = PackageState::noPackage;
  tarray blocks_;
  BlockSlots slots_;
};

} // namespace qt
