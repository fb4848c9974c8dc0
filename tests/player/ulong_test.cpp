#include "player/ulong.hpp"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::wstring Short(const fs::path& p) {
  wchar_t buf[MAX_PATH];
  DWORD n = GetShortPathNameW(p.wstring().c_str(), buf, MAX_PATH);
  return std::wstring(buf, n);
}

std::wstring Long(const fs::path& p) { return p.wstring(); }

// A folder tree with long names that have spaces, mixed case, Chinese characters and one that code
// page 936 cannot write.
class LongNames : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    root_ = fs::path(tmp) / L"Long Names Test";
    fs::remove_all(root_);
    folder_ = root_ / L"My Savers 屏保" / L"Jörg";
    fs::create_directories(folder_);
    file_ = folder_ / L"Sea Waves.scr";
    std::ofstream(file_) << "x";
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_, folder_, file_;
};

} // namespace

TEST_F(LongNames, ShortPathsComeBackWithTheNamesStoredOnDisk) {
  std::wstring shortPath = Short(file_);
  ASSERT_NE(shortPath, Long(file_)) << "no 8.3 names here";
  EXPECT_EQ(ulong::ShortToLongPath(shortPath), Long(file_));
  // A trailing backslash stays; so does a drive root.
  EXPECT_EQ(ulong::ShortToLongPath(Short(folder_) + L"\\"), Long(folder_) + L"\\");
  EXPECT_EQ(ulong::ShortToLongPath(L"C:\\"), L"C:\\");
  EXPECT_EQ(ulong::LongComponentName(L"C:\\"), L"C:\\");
  EXPECT_EQ(ulong::ShortToLongPath(L""), L"");
}

TEST_F(LongNames, AMissingFolderStaysAsGivenAndTheRestConverts) {
  std::wstring rootShort = Short(root_);
  std::wstring given = rootShort + L"\\NOSUCH~1\\SEAWAV~1.SCR";
  EXPECT_EQ(ulong::ShortToLongPath(given), Long(root_) + L"\\NOSUCH~1\\SEAWAV~1.SCR");
}

TEST_F(LongNames, ABareNameIsLookedUpInTheCurrentFolder) {
  fs::path old = fs::current_path();
  fs::current_path(folder_);
  std::wstring bare = Short(file_).substr(Short(file_).rfind(L'\\') + 1);
  EXPECT_EQ(ulong::LongComponentName(bare), L"Sea Waves.scr");
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
  EXPECT_EQ(ulong::ShellDisplayName(Long(file_)), L"Sea Waves.scr");
  setHide(1);
  EXPECT_EQ(ulong::ShellDisplayName(Long(file_)), L"Sea Waves");
  setHide(0);
  EXPECT_EQ(ulong::ShellDisplayName(L"Q:\\no\\such\\file.scr"), L"Q:\\no\\such\\file.scr");
}
