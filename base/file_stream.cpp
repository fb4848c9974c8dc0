#include "base/file_stream.hpp"

#include "base/error.hpp"

#include <algorithm>
#include <limits>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qt {

namespace {

// The most one system call is asked to move; both platforms take a 32-bit count at most.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;

std::int64_t SignedPosition(std::uint64_t position) {
  if (position > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
    throw StreamError("cannot seek in file");
  return static_cast<std::int64_t>(position);
}

#ifdef _WIN32

FileStream::Native Open(const std::filesystem::path& path, FileStream::Mode mode) {
  const bool read = mode == FileStream::Mode::read;
  // A reader lets others read but not write: the player's own file must not change while it is
  // read. A created file is ours alone until it is closed.
  HANDLE file = CreateFileW(path.c_str(), read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE,
                            read ? FILE_SHARE_READ : 0, nullptr,
                            read                                  ? OPEN_EXISTING
                            : mode == FileStream::Mode::createNew ? CREATE_NEW
                                                                  : CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

void Close(FileStream::Native file) { CloseHandle(file); }

// Returns the bytes moved, 0 at the end of the file; throws on failure.
std::size_t ReadSome(FileStream::Native file, void* buffer, std::size_t count) {
  DWORD got = 0;
  if (!ReadFile(file, buffer, static_cast<DWORD>(count), &got, nullptr))
    throw StreamError("cannot read file");
  return got;
}

std::size_t WriteSome(FileStream::Native file, const void* buffer, std::size_t count) {
  DWORD put = 0;
  if (!WriteFile(file, buffer, static_cast<DWORD>(count), &put, nullptr) || put == 0)
    throw StreamError("cannot write file");
  return put;
}

std::uint64_t SeekTo(FileStream::Native file, std::int64_t offset, bool fromCurrent) {
  LARGE_INTEGER distance, at;
  distance.QuadPart = offset;
  if (!SetFilePointerEx(file, distance, &at, fromCurrent ? FILE_CURRENT : FILE_BEGIN))
    throw StreamError("cannot seek in file");
  return static_cast<std::uint64_t>(at.QuadPart);
}

std::uint64_t SizeOf(FileStream::Native file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size))
    throw StreamError("cannot tell the file size");
  return static_cast<std::uint64_t>(size.QuadPart);
}

#else

FileStream::Native Open(const std::filesystem::path& path, FileStream::Mode mode) {
  const int flags = mode == FileStream::Mode::read        ? O_RDONLY
                    : mode == FileStream::Mode::createNew ? O_RDWR | O_CREAT | O_EXCL
                                                          : O_RDWR | O_CREAT | O_TRUNC;
  return open(path.c_str(), flags | O_CLOEXEC, 0666);
}

void Close(FileStream::Native file) { close(file); }

std::size_t ReadSome(FileStream::Native file, void* buffer, std::size_t count) {
  for (;;) {
    const ssize_t got = read(file, buffer, count);
    if (got >= 0)
      return static_cast<std::size_t>(got);
    if (errno != EINTR)
      throw StreamError("cannot read file");
  }
}

std::size_t WriteSome(FileStream::Native file, const void* buffer, std::size_t count) {
  for (;;) {
    const ssize_t put = write(file, buffer, count);
    if (put > 0)
      return static_cast<std::size_t>(put);
    if (put == 0 || errno != EINTR)
      throw StreamError("cannot write file");
  }
}

std::uint64_t SeekTo(FileStream::Native file, std::int64_t offset, bool fromCurrent) {
  const off_t at = lseek(file, static_cast<off_t>(offset), fromCurrent ? SEEK_CUR : SEEK_SET);
  if (at < 0)
    throw StreamError("cannot seek in file");
  return static_cast<std::uint64_t>(at);
}

std::uint64_t SizeOf(FileStream::Native file) {
  struct stat status;
  if (fstat(file, &status) != 0)
    throw StreamError("cannot tell the file size");
  return static_cast<std::uint64_t>(status.st_size);
}

#endif

} // namespace

FileStream::FileStream(const std::filesystem::path& path, Mode mode) : file_(Open(path, mode)) {
  if (file_ == kNone)
    throw FileError(mode == Mode::read ? "cannot open file" : "cannot create file", path);
}

FileStream::~FileStream() { Close(file_); }

std::size_t FileStream::Read(void* buffer, std::size_t count) {
  auto* at = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const std::size_t got = ReadSome(file_, at + done, std::min(count - done, kMaxTransfer));
    if (got == 0)
      break;
    done += got;
  }
  return done;
}

void FileStream::Write(const void* buffer, std::size_t count) {
  const auto* at = static_cast<const char*>(buffer);
  for (std::size_t done = 0; done < count;)
    done += WriteSome(file_, at + done, std::min(count - done, kMaxTransfer));
}

std::uint64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
  const std::uint64_t base = origin == SeekOrigin::begin     ? 0
                             : origin == SeekOrigin::current ? SeekTo(file_, 0, true)
                                                             : Size();
  return SeekTo(file_, SignedPosition(SeekTarget(base, offset)), false);
}

std::uint64_t FileStream::Size() { return SizeOf(file_); }

std::filesystem::path CreateFileBeside(const std::filesystem::path& path) {
  for (int n = 1; n <= 1000; ++n) {
    std::filesystem::path candidate = path;
    candidate += ".~" + std::to_string(n) + ".tmp";
    try {
      const FileStream created(candidate, FileStream::Mode::createNew);
      return candidate;
    } catch (const FileError&) {
      std::error_code ignored;
      if (!std::filesystem::exists(candidate, ignored)) break; // not taken: the folder refuses new files
    }
  }
  throw FileError("cannot create file", path);
}

} // namespace qt
