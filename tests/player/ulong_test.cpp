#include "player/ulong.hpp"

#include "win/text.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Short(const fs::path& p) {
  wchar_t buf[MAX_PATH];
  DWORD n = GetShortPathNameW(p.wstring().c_str(), buf, MAX_PATH);
  return win::Narrow(std::wstring(buf, n));
}

std::string Ansi(const fs::path& p) { return win::Narrow(p.wstring()); }

// A folder tree with long names that have spaces, mixed case and Chinese characters.
class LongNames : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    root_ = fs::path(tmp) / L"Long Names Test";
    fs::remove_all(root_);
    folder_ = root_ / L"My Savers 屏保";
    fs::create_directories(folder_);
    file_ = folder_ / L"Sea Waves.scr";
    std::ofstream(file_) << "x";
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_, folder_, file_;
};

} // namespace

TEST_F(LongNames, ShortPathsComeBackWithTheNamesStoredOnDisk) {
  std::string shortPath = Short(file_);
  ASSERT_NE(shortPath, Ansi(file_)) << "no 8.3 names here";
  EXPECT_EQ(ulong::ShortToLongPath(shortPath), Ansi(file_));
  // A trailing backslash stays; so does a drive root.
  EXPECT_EQ(ulong::ShortToLongPath(Short(folder_) + "\\"), Ansi(folder_) + "\\");
  EXPECT_EQ(ulong::ShortToLongPath("C:\\"), "C:\\");
  EXPECT_EQ(ulong::LongComponentName("C:\\"), "C:\\");
  EXPECT_EQ(ulong::ShortToLongPath(""), "");
}

TEST_F(LongNames, AMissingFolderStaysAsGivenAndTheRestConverts) {
  std::string rootShort = Short(root_);
  std::string given = rootShort + "\\NOSUCH~1\\SEAWAV~1.SCR";
  EXPECT_EQ(ulong::ShortToLongPath(given), Ansi(root_) + "\\NOSUCH~1\\SEAWAV~1.SCR");
}

TEST_F(LongNames, ABareNameIsLookedUpInTheCurrentFolder) {
  fs::path old = fs::current_path();
  fs::current_path(folder_);
  std::string bare = Short(file_).substr(Short(file_).rfind('\\') + 1);
  EXPECT_EQ(ulong::LongComponentName(bare), "Sea Waves.scr");
  fs::current_path(old);
}

TEST_F(LongNames, DisplayNameFollowsTheHideExtensionsSetting) {
  const wchar_t* key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
  auto setHide = [&](DWORD v) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &k, nullptr), 0);
    RegSetValueExW(k, L"HideFileExt", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    RegCloseKey(k);
  };
  setHide(0);
  EXPECT_EQ(ulong::ShellDisplayName(Ansi(file_)), "Sea Waves.scr");
  setHide(1);
  EXPECT_EQ(ulong::ShellDisplayName(Ansi(file_)), "Sea Waves");
  setHide(0);
  EXPECT_EQ(ulong::ShellDisplayName("Q:\\no\\such\\file.scr"), "Q:\\no\\such\\file.scr");
}
