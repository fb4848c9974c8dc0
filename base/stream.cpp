#include "base/stream.hpp"

#include "base/error.hpp"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace qt {

namespace {

// Large enough that per-call overhead vanishes against the copying, small enough to live
// beside a 16 MiB block without doubling it.
constexpr std::size_t kCopyChunk = 256 * 1024;

} // namespace

std::uint64_t Stream::SeekTarget(std::uint64_t base, std::int64_t offset) {
  if (offset < 0) {
    const auto back = static_cast<std::uint64_t>(-(offset + 1)) + 1;
    if (back > base)
      throw StreamError("seek before the start of the stream");
    return base - back;
  }
  const auto ahead = static_cast<std::uint64_t>(offset);
  if (ahead > std::numeric_limits<std::uint64_t>::max() - base)
    throw StreamError("seek beyond the largest position");
  return base + ahead;
}

void Stream::SetPosition(std::uint64_t position) {
  if (position > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
    throw StreamError("seek beyond the largest position");
  Seek(static_cast<std::int64_t>(position), SeekOrigin::begin);
}

void Stream::ReadExact(void* buffer, std::size_t count) {
  if (Read(buffer, count) != count)
    throw StreamError("read past the end of the stream");
}

void CopyBytes(Stream& from, Stream& to, std::uint64_t count) {
  std::vector<char> chunk(static_cast<std::size_t>(std::min<std::uint64_t>(count, kCopyChunk)));
  while (count > 0) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, chunk.size()));
    from.ReadExact(chunk.data(), n);
    to.Write(chunk.data(), n);
    count -= n;
  }
}

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
  if (position_ >= bytes_.size())
    return 0;
  const auto n = std::min<std::size_t>(count, bytes_.size() - static_cast<std::size_t>(position_));
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

void MemoryStream::Write(const void* buffer, std::size_t count) {
  if (count == 0)
    return;
  if (position_ > bytes_.max_size() || count > bytes_.max_size() - position_)
    throw StreamError("memory stream too large");
  const auto at = static_cast<std::size_t>(position_);
  if (at + count > bytes_.size())
    bytes_.resize(at + count);  // a position beyond the end leaves zero bytes in the gap
  std::memcpy(bytes_.data() + at, buffer, count);
  position_ += count;
}

std::uint64_t MemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
  const std::uint64_t base = origin == SeekOrigin::begin     ? 0
                             : origin == SeekOrigin::current ? position_
                                                             : bytes_.size();
  position_ = SeekTarget(base, offset);
  return position_;
}

void MemoryStream::Clear() {
  bytes_.clear();
  position_ = 0;
}

} // namespace qt
