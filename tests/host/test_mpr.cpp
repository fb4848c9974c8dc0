// Stands in for the system's MPR.DLL: records the password-change call instead of showing a dialog.
#include "tests/host/test_support.hpp"

#include <windows.h>

#include <string>

extern "C" __declspec(dllexport) DWORD WINAPI
    PwdChangePasswordA(LPCSTR regKeyName, HWND parent, DWORD reserved1, DWORD reserved2) {
  AppendLog("PwdChangePasswordA key=" + std::string(regKeyName ? regKeyName : "") +
            " parent=" + std::to_string(reinterpret_cast<INT_PTR>(parent)) +
            " reserved1=" + std::to_string(reserved1) + " reserved2=" + std::to_string(reserved2));
  return 0;
}
