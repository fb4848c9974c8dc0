#include <windows.h>

#include <gtest/gtest.h>

// The Wine prefix must look like a Chinese Windows: ANSI code page 936, and real windows on the
// virtual display.
TEST(WinePrefix, AnsiCodePageIs936) { EXPECT_EQ(GetACP(), 936u); }

TEST(WinePrefix, CreatesAWindowOnTheDisplay) {
  HWND w = CreateWindowExW(0, L"STATIC", L"测试", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(w, nullptr);
  wchar_t text[16] = {};
  GetWindowTextW(w, text, 16);
  EXPECT_STREQ(text, L"测试");
  DestroyWindow(w);
}
