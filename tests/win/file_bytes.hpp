#pragma once
// Little-endian fields, for the picture files that tests build and damage.
#include <cstddef>
#include <cstdint>
#include <string>

namespace win::testing {

inline void Put(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The file with the field at `at` overwritten.
inline std::string With(std::string file, std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    file[at + static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return file;
}

} // namespace win::testing
