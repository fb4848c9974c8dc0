#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qt {

enum class SeekOrigin { begin, current, end };

// A byte stream with a position, as the programs' files and buffers are used: read what is
// there, write at the position (growing the stream), seek anywhere from 0 up.
class Stream {
 public:
  virtual ~Stream() = default;
  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  // Reads up to count bytes; fewer only at the end of the stream.
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes all count bytes or throws StreamError.
  virtual void Write(const void* buffer, std::size_t count) = 0;
  // Returns the new position; a position before the start throws StreamError.
  virtual std::uint64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
  virtual std::uint64_t Size() = 0;

  std::uint64_t Position() { return Seek(0, SeekOrigin::current); }
  void SetPosition(std::uint64_t position);
  // Reads exactly count bytes or throws StreamError.
  void ReadExact(void* buffer, std::size_t count);
  void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }

 protected:
  // The position offset bytes from base, checked against both ends of the 64-bit range.
  static std::uint64_t SeekTarget(std::uint64_t base, std::int64_t offset);
};

// Copies count bytes from the position of `from` to the position of `to` in bounded chunks, so a
// large block is never held whole; a source that ends early throws StreamError.
void CopyBytes(Stream& from, Stream& to, std::uint64_t count);

// A growable in-memory stream; bytes are kept in a std::string as everywhere in this code base.
class MemoryStream : public Stream {
 public:
  MemoryStream() = default;
  explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::uint64_t Seek(std::int64_t offset, SeekOrigin origin) override;
  std::uint64_t Size() override { return bytes_.size(); }
  using Stream::Write;

  const std::string& Bytes() const { return bytes_; }
  void Clear();

 private:
  std::string bytes_;
  std::uint64_t position_ = 0;
};

} // namespace qt
