#pragma once
#include "base/stream.hpp"

#include <string_view>

namespace win {

// A raw data resource of the program's own file, read in place; the name is compared without
// regard to case. Throws qt::Error when there is none of that name.
class ResourceStream : public qt::Stream {
public:
  explicit ResourceStream(const wchar_t* name);

  std::size_t Read(void* buffer, std::size_t count) override;
  void Write(const void* buffer, std::size_t count) override;
  std::uint64_t Seek(std::int64_t offset, qt::SeekOrigin origin) override;
  std::uint64_t Size() override { return bytes_.size(); }
  using Stream::Write;

private:
  std::string_view bytes_; // stays mapped as long as the program runs
  std::uint64_t position_ = 0;
};

} // namespace win
