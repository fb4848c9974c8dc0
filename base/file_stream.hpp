#pragma once
#include "base/stream.hpp"

#include <cstdio>
#include <filesystem>

namespace qt {

// A file as a stream. The path type leaves the text encoding of names to the caller (the
// programs convert their code page 936 names to wide ones). Open failures throw FileError.
class FileStream : public Stream {
 public:
  enum class Mode {
    // Read only; on Windows others may read the file meanwhile but not write it.
    read,
    // Create, or truncate an existing file; read and write; on Windows for our use alone.
    create,
  };

  FileStream(const std::filesystem::path& path, Mode mode);
  ~FileStream() override;

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::uint64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::uint64_t Size() override;
  using Stream::Write;

 private:
  enum class LastOp { none, read, write };
  // C streams need a seek between a read and a following write (and back).
  void SwitchTo(LastOp op);

  std::FILE* file_;
  LastOp last_ = LastOp::none;
};

} // namespace qt
