#include "tests/flash/testcontrol/registration.hpp"

#include "win/handles.hpp"

#include <cstdio>
#include <stdexcept>

namespace qt::testing {

namespace {

constexpr wchar_t kClassKey[] = L"Software\\Classes\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}";
constexpr wchar_t kServerKey[] =
    L"Software\\Classes\\CLSID\\{D27CDB6E-AE6D-11CF-96B8-444553540000}\\InprocServer32";
constexpr wchar_t kLogVariable[] = L"QT_TESTCONTROL_LOG";

void SetValue(HKEY key, const wchar_t* name, const std::wstring& value) {
  RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

} // namespace

ControlRegistration::ControlRegistration(const std::wstring& dllPath) {
  HKEY raw = nullptr;
  if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServerKey, 0, nullptr, 0, KEY_WRITE, nullptr, &raw, nullptr) !=
      ERROR_SUCCESS)
    throw std::runtime_error("cannot register the test control");
  win::UniqueKey key(raw);
  SetValue(key.get(), nullptr, dllPath);
  SetValue(key.get(), L"ThreadingModel", L"Apartment");
}

void ControlRegistration::Remove() {
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServerKey);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, kClassKey);
}

ControlLog::ControlLog() {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  path_ = std::wstring(dir) + L"qt_flash_control.log";
  DeleteFileW(path_.c_str());
  SetEnvironmentVariableW(kLogVariable, path_.c_str());
}

ControlLog::~ControlLog() {
  SetEnvironmentVariableW(kLogVariable, nullptr);
  DeleteFileW(path_.c_str());
}

std::vector<std::string> ControlLog::Take() {
  std::string text;
  if (FILE* f = _wfopen(path_.c_str(), L"rb")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    std::fclose(f);
  }
  std::vector<std::string> lines;
  for (size_t at = taken_, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(text.substr(at, end - at));
  taken_ = text.size();
  return lines;
}

} // namespace qt::testing
