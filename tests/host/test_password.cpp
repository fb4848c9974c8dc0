// Stands in for the system's PASSWORD.CPL: records that it was loaded and how it was asked, and
// answers with the first character of SAVER_TEST_ANSWERS ('1' accepts, '0' refuses, 'h' is a
// nonzero answer with a zero low byte), which it then takes off, the last one staying for every
// further call. The answers live in the process's environment because the library is loaded anew
// for each question.
#include "tests/host/test_support.hpp"

#include <windows.h>

#include <string>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) AppendLog("attach PASSWORD.CPL");
  return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND parent) {
  AppendLog("VerifyScreenSavePwd parent=" + std::to_string(reinterpret_cast<INT_PTR>(parent)));
  wchar_t answers[64] = L"";
  DWORD length = GetEnvironmentVariableW(L"SAVER_TEST_ANSWERS", answers, 64);
  if (length == 0 || length >= 64) return TRUE;
  const wchar_t answer = answers[0];
  if (length > 1) SetEnvironmentVariableW(L"SAVER_TEST_ANSWERS", answers + 1);
  return answer == L'1' ? 1 : answer == L'h' ? 0x100 : 0;
}
