#include "base/package.hpp"

#include "base/error.hpp"

#include <limits>
#include <stdexcept>

namespace qt {

void WriteInt(Stream& out, std::uint32_t value, int width) {
  if (width < 0 || width > 4)
    throw std::invalid_argument("error");
  char bytes[4];
  for (int i = 0; i < width; ++i)
    bytes[i] = static_cast<char>(value >> (8 * i));
  out.Write(bytes, static_cast<std::size_t>(width));
}

void WriteStr(Stream& out, std::string_view text, int width) {
  if (width < 0 || width > 200)
    throw std::invalid_argument("error");
  std::string field(text.substr(0, static_cast<std::size_t>(width)));
  field.resize(static_cast<std::size_t>(width), '\0');
  out.Write(field);
}

void PackageWriter::AddBlock(std::uint8_t kind, Stream& source, std::uint64_t offset,
                             std::uint64_t size) {
  blocks_.push_back({kind, &source, offset, size, nullptr});
}

void PackageWriter::AddBlock(std::uint8_t kind, std::string bytes) {
  auto owned = std::make_unique<MemoryStream>(std::move(bytes));
  const std::uint64_t size = owned->Size();
  blocks_.push_back({kind, owned.get(), 0, size, std::move(owned)});
}

void PackageWriter::Check() {
  if (blocks_.empty() || blocks_.size() > kMaxBlockCount)
    throw PackageError("a package holds 1 to 9999 blocks, not " + std::to_string(blocks_.size()));
  for (const auto& block : blocks_) {
    if (block.size > kMaxBlockSize)
      throw PackageError("a block of " + std::to_string(block.size) +
                         " bytes is larger than a package can hold (at most 16777215 bytes)");
    const std::uint64_t available = block.source->Size();
    if (block.offset > available || block.size > available - block.offset)
      throw PackageError("a block's source is shorter than the block");
  }
}

void PackageWriter::Write(Stream& image, Stream& out) {
  Check();
  // 9999 blocks of at most 2^24 - 1 bytes cannot overflow 64 bits.
  std::uint64_t length = 24 + 4 * std::uint64_t{blocks_.size()};
  for (const auto& block : blocks_)
    length += block.size;
  if (length > std::numeric_limits<std::uint32_t>::max())
    throw PackageError("the blocks together are larger than a package can hold");
  const auto v = static_cast<std::uint32_t>(length);

  image.SetPosition(0);
  CopyBytes(image, out, image.Size());
  WriteStr(out, kPackageMarker, 8);
  WriteInt(out, v, 4);
  WriteInt(out, static_cast<std::uint32_t>(blocks_.size()), 4);
  for (const auto& block : blocks_) {
    WriteInt(out, static_cast<std::uint32_t>(block.size), 3);
    WriteInt(out, block.kind, 1);
  }
  for (const auto& block : blocks_) {
    block.source->SetPosition(block.offset);
    CopyBytes(*block.source, out, block.size);
  }
  WriteStr(out, kPackageMarker, 8);
  WriteStr(out, kTrailerMagic, 8);
  WriteInt(out, v, 4);
  WriteStr(out, kSignature, 200);
  WriteStr(out, kTrailerMagic, 8);
}

} // namespace qt
