#include "base/package.hpp"

#include "base/error.hpp"
#include "base/file_stream.hpp"

#include <stdexcept>

namespace qt {

namespace {

std::unique_ptr<Stream> OpenForReading(const std::filesystem::path& file) {
  try {
    return std::make_unique<FileStream>(file, FileStream::Mode::read);
  } catch (const FileError&) {
    return nullptr;
  }
}

std::uint32_t LittleEndian(const unsigned char* bytes, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i)
    value = value << 8 | bytes[i];
  return value;
}

void AssignSlot(BlockSlots& slots, std::uint32_t index, std::uint8_t kind) {
  switch (kind) {
    case bkSwf: slots.swf = index; break;
    case bkOptions: slots.options = index; break;
    case bkAbout: slots.about = index; break;
    case bkAd1Jpeg: slots.ad1 = index; slots.ad1_is_jpeg = true; break;
    case bkAd2Jpeg: slots.ad2 = index; slots.ad2_is_jpeg = true; break;
    case bkAd1Gif: slots.ad1 = index; slots.ad1_is_jpeg = false; break;
    case bkAd2Gif: slots.ad2 = index; slots.ad2_is_jpeg = false; break;
    case bkCaption: slots.caption = index; break;
    default: break;  // kinds this player does not know are skipped
  }
}

} // namespace

PackageReader::PackageReader(const std::filesystem::path& file)
    : PackageReader(OpenForReading(file)) {}

PackageReader::PackageReader(std::unique_ptr<Stream> file) : file_(std::move(file)) {
  if (file_ == nullptr)
    return;
  file_size_ = file_->Size();
  if (!FindPackage())
    return;
  state_ = PackageState::badTable;
  if (IndexBlocks())
    state_ = PackageState::indexed;
}

bool PackageReader::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
  if (offset > file_size_ || count > file_size_ - offset)
    return false;
  file_->SetPosition(offset);
  return file_->Read(buffer, count) == count;
}

bool PackageReader::FindPackage() {
  if (file_size_ < kTrailerSize)
    return false;
  const std::uint64_t end = file_size_;
  char magic[8];
  unsigned char length[4];
  if (!ReadAt(end - 8, magic, 8) || kTrailerMagic != std::string_view(magic, 8))
    return false;
  if (!ReadAt(end - 212, length, 4))
    return false;
  const std::uint32_t v = LittleEndian(length, 4);
  if (v == 0)
    return false;
  if (!ReadAt(end - kTrailerSize, magic, 8) || kTrailerMagic != std::string_view(magic, 8))
    return false;
  if (v > end - kTrailerSize)
    return false;
  package_start_ = end - kTrailerSize - v;
  package_size_ = v;
  return true;
}

bool PackageReader::IndexBlocks() {
  const std::uint64_t v = package_size_;
  // The two markers, the length and the count.
  if (v < 16)
    return false;
  char marker[8];
  unsigned char field[4];
  if (!ReadAt(package_start_, marker, 8) || kPackageMarker != std::string_view(marker, 8))
    return false;
  if (!ReadAt(package_start_ + v - 8, marker, 8) || kPackageMarker != std::string_view(marker, 8))
    return false;
  if (!ReadAt(package_start_ + 8, field, 4) || LittleEndian(field, 4) != v)
    return false;
  if (!ReadAt(package_start_ + 12, field, 4))
    return false;
  const std::uint32_t n = LittleEndian(field, 4);
  if (n < 1 || n > kMaxBlockCount)
    return false;
  const std::uint64_t first = 16 + 4 * std::uint64_t{n};
  if (first > v)
    return false;
  std::vector<unsigned char> table(4 * std::size_t{n});
  if (!ReadAt(package_start_ + 16, table.data(), table.size()))
    return false;

  tarray blocks(n + std::size_t{1});
  BlockSlots slots;
  std::uint64_t offset = first;
  for (std::uint32_t i = 1; i <= n; ++i) {
    const unsigned char* entry = &table[4 * std::size_t{i - 1}];
    blocks[i] = {offset, LittleEndian(entry, 3), entry[3]};
    offset += blocks[i].Size;
    AssignSlot(slots, i, blocks[i].Kind);
  }
  if (offset > v - 8)
    return false;
  blocks_ = std::move(blocks);
  slots_ = slots;
  return true;
}

const TBlockRec& PackageReader::Block(std::uint32_t index) const {
  if (index == 0 || index >= blocks_.size())
    throw std::out_of_range("no block " + std::to_string(index) + " in the package");
  return blocks_[index];
}

void PackageReader::CopyBlock(std::uint32_t index, Stream& to) {
  const TBlockRec& block = Block(index);
  file_->SetPosition(package_start_ + block.Offset);
  CopyBytes(*file_, to, block.Size);
}

std::string PackageReader::BlockBytes(std::uint32_t index) {
  const TBlockRec& block = Block(index);
  std::string bytes(block.Size, '\0');
  file_->SetPosition(package_start_ + block.Offset);
  file_->ReadExact(bytes.data(), bytes.size());
  return bytes;
}

} // namespace qt
