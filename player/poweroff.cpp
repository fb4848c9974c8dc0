#include "player/poweroff.hpp"

#include "win/handles.hpp"

PowerOffCalls& PowerOffSystem() {
  static PowerOffCalls calls;
  return calls;
}

void PowerOff(bool Force) {
  const PowerOffCalls& sys = PowerOffSystem();
  const UINT flags = EWX_POWEROFF | (Force ? EWX_FORCE : 0);
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  sys.getVersionEx(&version);
  if (version.dwPlatformId == VER_PLATFORM_WIN32_NT) {
    auto fail = [&](const wchar_t* call) { sys.messageBox(nullptr, L"PowerOff Error", call, MB_OK); };
    HANDLE token = nullptr;
    if (!sys.openProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
      fail(L"OpenProcessToken() Failed");
      return;
    }
    win::UniqueHandle owned(token);
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!sys.lookupPrivilegeValue(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
      fail(L"LookupPrivilegeValue() Failed");
      return;
    }
    // Success with the privilege not assigned also leaves an error code: check the code, not the
    // result.
    TOKEN_PRIVILEGES previous{};
    DWORD previousSize = 0;
    SetLastError(0);
    sys.adjustTokenPrivileges(token, FALSE, &privileges, sizeof previous, &previous, &previousSize);
    if (GetLastError() != 0) {
      fail(L"AdjustTokenPrivileges() Failed");
      return;
    }
  }
  sys.exitWindowsEx(flags, 0);
}
