#pragma once
#include "base/stream.hpp"

#include <filesystem>

namespace qt {

// A file as a stream, on the system's own file calls without a buffer of its own: reads and
// writes go straight to the file, so large copies move in the caller's chunks. The path type
// leaves the text encoding of names to the caller (the programs convert their code page 936
// names to wide ones). Open failures throw FileError.
class FileStream : public Stream {
 public:
  enum class Mode {
    // Read only; on Windows others may read the file meanwhile but not write it.
    read,
    // Create, or truncate an existing file; read and write; on Windows for our use alone.
    create,
    // As create, but only where no file of that name exists: an existing one fails the open.
    createNew,
  };

  FileStream(const std::filesystem::path& path, Mode mode);
  ~FileStream() override;

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::uint64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::uint64_t Size() override;
  using Stream::Write;

#ifdef _WIN32
  using Native = void*;  // a HANDLE, without <windows.h> in this header
  static constexpr Native kNone = nullptr;
#else
  using Native = int;
  static constexpr Native kNone = -1;
#endif

 private:
  Native file_;
};

// Creates an empty file under a new name beside `path` ("<path>.~N.tmp", the first N whose name
// no file has) and returns that name. It is created only where no file of that name exists, so a
// file of the user's is never written over; throws FileError when the folder takes no new file.
std::filesystem::path CreateFileBeside(const std::filesystem::path& path);

} // namespace qt
