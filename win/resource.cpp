#include "win/resource.hpp"

#include "base/error.hpp"
#include "win/text.hpp"

#include <windows.h>

#include <algorithm>
#include <cstring>

namespace win {

ResourceStream::ResourceStream(const wchar_t* name) {
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC res = FindResourceW(self, name, reinterpret_cast<LPCWSTR>(RT_RCDATA));
  HGLOBAL data = res ? LoadResource(self, res) : nullptr;
  if (!data) throw qt::Error("the resource " + Narrow(name) + " is missing");
  bytes_ = std::string_view(static_cast<const char*>(LockResource(data)), SizeofResource(self, res));
}

std::size_t ResourceStream::Read(void* buffer, std::size_t count) {
  if (position_ >= bytes_.size()) return 0;
  const auto n = std::min<std::size_t>(count, bytes_.size() - static_cast<std::size_t>(position_));
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

void ResourceStream::Write(const void*, std::size_t) { throw qt::StreamError("a resource cannot be written"); }

std::uint64_t ResourceStream::Seek(std::int64_t offset, qt::SeekOrigin origin) {
  const std::uint64_t base = origin == qt::SeekOrigin::begin     ? 0
                             : origin == qt::SeekOrigin::current ? position_
                                                                 : bytes_.size();
  position_ = SeekTarget(base, offset);
  return position_;
}

} // namespace win
