#include "base/file_stream.hpp"

#include "base/error.hpp"

#include <limits>

#ifdef _WIN32
#include <share.h>
#endif

namespace qt {

namespace {

std::FILE* Open(const std::filesystem::path& path, FileStream::Mode mode) {
  const bool read = mode == FileStream::Mode::read;
#ifdef _WIN32
  // The CRT's sharing open: the player's own file must not change while it is read.
  return _wfsopen(path.c_str(), read ? L"rb" : L"w+b", read ? _SH_DENYWR : _SH_DENYRW);
#else
  return std::fopen(path.c_str(), read ? "rb" : "w+b");
#endif
}

bool SeekTo(std::FILE* file, std::uint64_t position, int origin) {
  if (position > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
    return false;
  const auto at = static_cast<std::int64_t>(position);
#ifdef _WIN32
  return _fseeki64(file, at, origin) == 0;
#else
  return fseeko(file, static_cast<off_t>(at), origin) == 0;
#endif
}

std::uint64_t Tell(std::FILE* file) {
#ifdef _WIN32
  const std::int64_t at = _ftelli64(file);
#else
  const std::int64_t at = ftello(file);
#endif
  if (at < 0)
    throw StreamError("cannot tell the file position");
  return static_cast<std::uint64_t>(at);
}

} // namespace

FileStream::FileStream(const std::filesystem::path& path, Mode mode) : file_(Open(path, mode)) {
  if (file_ == nullptr)
    throw FileError(mode == Mode::read ? "cannot open file" : "cannot create file", path);
}

FileStream::~FileStream() { std::fclose(file_); }

void FileStream::SwitchTo(LastOp op) {
  if (last_ != LastOp::none && last_ != op && std::fseek(file_, 0, SEEK_CUR) != 0)
    throw StreamError("cannot seek in file");
  last_ = op;
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
  SwitchTo(LastOp::read);
  const std::size_t n = std::fread(buffer, 1, count, file_);
  if (n < count && std::ferror(file_))
    throw StreamError("cannot read file");
  return n;
}

void FileStream::Write(const void* buffer, std::size_t count) {
  SwitchTo(LastOp::write);
  if (std::fwrite(buffer, 1, count, file_) != count)
    throw StreamError("cannot write file");
}

std::uint64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  const std::uint64_t base = origin == SeekOrigin::begin     ? 0
                             : origin == SeekOrigin::current ? Tell(file_)
                                                             : Size();
  const std::uint64_t target = SeekTarget(base, offset);
  if (!SeekTo(file_, target, SEEK_SET))
    throw StreamError("cannot seek in file");
  last_ = LastOp::none;
  return target;
}

std::uint64_t FileStream::Size() {
  const std::uint64_t here = Tell(file_);
  if (!SeekTo(file_, 0, SEEK_END))
    throw StreamError("cannot seek in file");
  const std::uint64_t size = Tell(file_);
  if (!SeekTo(file_, here, SEEK_SET))
    throw StreamError("cannot seek in file");
  last_ = LastOp::none;
  return size;
}

} // namespace qt
