// File names that code page 936 cannot write, on a Windows whose ANSI code page is 1252 (a German
// one): the player and the maker as a user named Jörg meets them. Runs in a prefix of its own.
#include "tests/e2e/support.hpp"
#include "tests/flash/swf_writer.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace e2e;

namespace {

const std::wstring kSaverName = L"Schöne Welle";

// An environment variable set while it lives, for the programs started meanwhile.
class EnvironmentOverride {
public:
  EnvironmentOverride(const wchar_t* name, const std::wstring& value) : name_(name) {
    wchar_t old[MAX_PATH];
    DWORD n = GetEnvironmentVariableW(name, old, MAX_PATH);
    if (n && n < MAX_PATH) old_ = std::wstring(old, n);
    SetEnvironmentVariableW(name, value.c_str());
  }
  ~EnvironmentOverride() { SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr); }
  EnvironmentOverride(const EnvironmentOverride&) = delete;
  EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

bool Checked(HWND form, const wchar_t* caption) {
  HWND box = FindByText(form, caption);
  return box && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// The stand-in movie of the form shows frame after frame.
bool Plays(HWND form) {
  HWND movie = nullptr;
  if (!WaitUntil([&] { return (movie = FindByClass(form, L"QtStandInMovie")) != nullptr; })) return false;
  return FrameRecord(movie).Await(3).has_value();
}

class OtherCodePage : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_EQ(GetACP(), 1252u) << "meant for a prefix run with LANG=de_DE.UTF-8"; }
};

class PlayerNamed : public OtherCodePage {
protected:
  void SetUp() override {
    OtherCodePage::SetUp();
    content_.movie = qt::testing::MakeSwf({.frames = 10});
    WriteSaver(WindowsPath(QT_PLAYER), files_.saver, content_);
  }
  SaverFiles files_{L"Spiele ö", kSaverName};
  Content content_;
  const fs::path movie_ = SaverFiles::MovieFile(kSaverName), ini_ = SaverFiles::Ini(kSaverName);
};

} // namespace

TEST_F(PlayerNamed, SchoeneWellePlaysAndKeepsItsSettingsUnderItsOwnName) {
  {
    Process run(files_.saver, L"/s");
    HWND form = run.Form();
    ASSERT_TRUE(form);
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(movie_) && ReadAll(movie_) == content_.movie; }))
        << "~Schöne Welle.sps in the system folder";
    EXPECT_TRUE(Plays(form));
    EXPECT_TRUE(run.CloseAndWait(form));
  }
  EXPECT_FALSE(fs::exists(movie_)) << "deleted when the screen saver ends";
  {
    Process settings(files_.saver, L"/c");
    HWND form = settings.Form();
    ASSERT_TRUE(form);
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(movie_); })) << "settings mode writes the movie too";
    ASSERT_FALSE(Checked(form, L"显示系统时间"));
    SendMessageW(FindByText(form, L"显示系统时间"), BM_CLICK, 0, 0);
    PostClick(FindByText(form, L"确定"));
    ASSERT_TRUE(settings.WaitForExit()) << "no \"Unable to write\" box holds it open";
  }
  EXPECT_FALSE(fs::exists(movie_));
  EXPECT_NE(ReadAll(ini_).find("showtime=1"), std::string::npos) << "vantoq_fscr_Schöne Welle.ini";
  Process again(files_.saver, L"/c");
  HWND form = again.Form();
  ASSERT_TRUE(form);
  EXPECT_TRUE(Checked(form, L"显示系统时间")) << "read back at the next start";
  EXPECT_TRUE(again.CloseAndWait(form));
}

// A standard user cannot write to the system folder (a folder in the way stands in for the
// missing right): the movie goes to a temporary folder whose name code page 936 cannot write, plays
// from there and is deleted at the end.
TEST_F(PlayerNamed, FromATemporaryFolderNamedOutsideCodePage936TheMoviePlaysAndIsDeleted) {
  fs::create_directory(movie_);
  const fs::path temp = L"C:\\Tmpö";
  fs::create_directories(temp);
  const fs::path fallback = temp / movie_.filename();
  {
    EnvironmentOverride tmp(L"TMP", temp.wstring()), tempVar(L"TEMP", temp.wstring());
    Process run(files_.saver, L"/s");
    HWND form = run.Form();
    ASSERT_TRUE(form);
    EXPECT_TRUE(WaitUntil([&] { return fs::exists(fallback) && ReadAll(fallback) == content_.movie; }));
    EXPECT_TRUE(Plays(form));
    EXPECT_TRUE(run.CloseAndWait(form));
  }
  EXPECT_FALSE(fs::exists(fallback));
  fs::remove(movie_);
  fs::remove_all(temp);
}
