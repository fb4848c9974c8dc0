#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace win {

// A 32-bit integer value; nothing when the key or the value is missing or the value is of
// another type.
std::optional<uint32_t> ReadRegistryInteger(HKEY root, const std::string& key, const std::string& value);

} // namespace win
