#include "tests/host/test_support.hpp"

#include "win/handles.hpp"

void AppendLog(const std::string& line) {
  wchar_t path[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"SAVER_TEST_LOG", path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return;
  // Opened and closed for each line, so that every writer's lines are in the file at once.
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  win::UniqueHandle owner(file);
  std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

int CursorCount() {
  int count = ShowCursor(FALSE) + 1;
  ShowCursor(TRUE);
  return count;
}
