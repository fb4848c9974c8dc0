#include "player/ulong.hpp"

#include <windows.h>
#include <shellapi.h>

namespace ulong {
namespace {

// Length of the drive part: "C:" or the "\\server\share" prefix of a network path.
size_t DrivePartLength(const std::wstring& p) {
  if (p.size() >= 2 && p[1] == L':') return 2;
  if (p.rfind(L"\\\\", 0) == 0) {
    size_t server = p.find(L'\\', 2);
    if (server == std::wstring::npos) return p.size();
    size_t share = p.find(L'\\', server + 1);
    return share == std::wstring::npos ? p.size() : share;
  }
  return 0;
}

} // namespace

std::wstring LongComponentName(const std::wstring& path) {
  std::wstring p = path;
  bool trailing = !p.empty() && p.back() == L'\\';
  if (trailing) p.pop_back();
  if (p.size() <= DrivePartLength(p)) return path;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(p.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return path;
  FindClose(search);
  size_t cut = p.find_last_of(L"\\:");
  std::wstring folder = cut == std::wstring::npos ? std::wstring() : p.substr(0, cut + 1);
  return folder + found.cFileName + (trailing ? L"\\" : L"");
}

std::wstring ShortToLongPath(const std::wstring& path) {
  std::wstring result, rest = path;
  for (size_t slash; (slash = rest.find(L'\\')) != std::wstring::npos;) {
    result = LongComponentName(result + rest.substr(0, slash + 1));
    rest.erase(0, slash + 1);
  }
  if (!rest.empty()) result = LongComponentName(result + rest);
  return result;
}

std::wstring ShellDisplayName(const std::wstring& path) {
  SHFILEINFOW info{};
  if (!SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME)) return path;
  return info.szDisplayName;
}

} // namespace ulong
