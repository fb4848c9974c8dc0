#pragma once
#include <filesystem>
#include <stdexcept>

namespace qt {

// Library failures: the application's default handler shows what() of any of these.
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A read that ends early or a write that cannot be completed.
class StreamError : public Error {
 public:
  using Error::Error;
};

// A file that cannot be opened or created. The message is fixed; the caller names the file in
// its own code page from path().
class FileError : public StreamError {
 public:
  FileError(const char* message, std::filesystem::path path)
      : StreamError(message), path_(std::move(path)) {}
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A picture that cannot be read or written: no graphic class for its file extension, or data
// that its graphic class refuses.
class EInvalidGraphic : public Error {
 public:
  using Error::Error;
};

// Memory for a block (a bitmap, a pixel buffer) that cannot be had; also a size that no memory
// could hold.
class EOutOfMemory : public Error {
 public:
  using Error::Error;
};

// An operation stopped on purpose, by a handler that cancels it (a progress handler); whoever
// runs the operation ends it quietly.
class EAbort : public Error {
 public:
  EAbort() : Error("Operation aborted") {}
};

// A package that cannot be written as asked (the reader never throws for a bad package).
class PackageError : public Error {
 public:
  using Error::Error;
};

} // namespace qt
