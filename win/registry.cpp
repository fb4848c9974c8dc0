#include "win/registry.hpp"

#include "win/handles.hpp"
#include "win/text.hpp"

namespace win {

std::optional<uint32_t> ReadRegistryInteger(HKEY root, const std::string& key, const std::string& value) {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(root, Widen(key).c_str(), 0, KEY_READ, &raw) != ERROR_SUCCESS) return std::nullopt;
  UniqueKey k(raw);
  DWORD type = 0, data = 0, size = sizeof data;
  if (RegQueryValueExW(k.get(), Widen(value).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data),
                       &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof data)
    return std::nullopt;
  return data;
}

} // namespace win
