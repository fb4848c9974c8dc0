#include "flash/ShockwaveFlash.hpp"
#include "tests/flash/swf_writer.hpp"
#include "tests/flash/testcontrol/registration.hpp"
#include "win/text.hpp"
#include "win/application.hpp"
#include "win/form.hpp"
#include "win/handles.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace qt;
using qt::testing::ControlLog;

namespace {

std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring p(path, n);
  return p.substr(0, p.find_last_of(L'\\') + 1);
}

// The test control is built beside this program.
struct Registration : qt::testing::ControlRegistration {
  Registration() : ControlRegistration(ProgramFolder() + L"flash_testcontrol.dll") {}
};

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// The stored data as the player's form keeps it.
const char* kLayout = R"(object Form1: TForm
  Width = 400
  Height = 300
  object Flash1: TShockwaveFlash
    Width = 320
    Height = 200
    WMode = 'Transparent'
    Quality = 'High'
    Scale = 'ShowAll'
    BGColor = '000000'
  end
end
)";

SIZE WindowSize(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return {r.right - r.left, r.bottom - r.top};
}

class MovieControl : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static win::TApplication app;
    RegisterFlashClasses();
  }

  TShockwaveFlash& ReadForm() {
    form_.reset();
    form_ = std::make_unique<win::TForm>(nullptr);
    form_->ReadLayout(kLayout);
    auto* flash = dynamic_cast<TShockwaveFlash*>(form_->FindComponent("Flash1"));
    if (!flash) throw std::runtime_error("no Flash1");
    return *flash;
  }
  // What the control put into our window.
  static HWND ControlWindow(TShockwaveFlash& flash) { return FindWindowExW(flash.Handle(), nullptr, L"STATIC", nullptr); }

  std::unique_ptr<win::TForm> form_;
};

using Lines = std::vector<std::string>;

} // namespace

TEST_F(MovieControl, EmbedsTheRegisteredControlInPlaceAfterItsStoredData) {
  Registration registered;
  ControlLog log;
  TShockwaveFlash& flash = ReadForm();
  EXPECT_EQ(log.Take(), (Lines{"site", "put 133 text 'Transparent'", "put 105 int 1", "put 120 int 0",
                               "put 140 text '000000'", "verb -5 0,0,320,200 in place"}));
  HWND control = ControlWindow(flash);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(WindowSize(control).cx, 320);
  EXPECT_EQ(WindowSize(control).cy, 200);

  flash.SetBounds(10, 10, 200, 100);
  EXPECT_EQ(log.Take(), (Lines{"rects 0,0,200,100 clip 0,0,200,100"}));
  EXPECT_EQ(WindowSize(control).cx, 200);
  EXPECT_EQ(WindowSize(control).cy, 100);

  flash.DoShowVerb();
  EXPECT_EQ(log.Take(), (Lines{"verb -1 0,0,200,100"}));

  form_.reset();
  EXPECT_EQ(log.Take(), (Lines{"deactivate", "close", "site none"}));
  EXPECT_FALSE(IsWindow(control));
}

TEST_F(MovieControl, StartsTheMovieAsThePlayerDoesByDispatchIdentifier) {
  struct Case {
    const char* mode;
    bool loop;
    const char* loopLine;
  };
  for (const Case& c : {Case{"run, skipping pauses", false, "put 106 bool false"},
                        Case{"preview", true, "put 106 bool true"}}) {
    SCOPED_TRACE(c.mode);
    Registration registered;
    ControlLog log;
    TShockwaveFlash& flash = ReadForm();
    log.Take();
    flash.SetBGColor("");
    flash.SetBackgroundColor(-1);
    flash.SetLoop(c.loop);
    flash.SetBGColor("");
    flash.SetBackgroundColor(-1);
    flash.SetMovie(L"C:\\影片\\海浪.swf");
    flash.Play();
    EXPECT_EQ(log.Take(), (Lines{"put 140 text ''", "put 123 int -1", c.loopLine, "put 140 text ''",
                                 "put 123 int -1", Utf8(u8"put 102 text 'C:\\影片\\海浪.swf'"), "call 112"}));
  }
}

TEST_F(MovieControl, AsksTheControlWhereTheMovieStands) {
  Registration registered;
  ControlLog log;
  TShockwaveFlash& flash = ReadForm();
  log.Take();
  EXPECT_EQ(flash.ReadyState(), 4);
  EXPECT_EQ(flash.TotalFrames(), 10);
  flash.Play();
  EXPECT_TRUE(flash.IsPlaying());
  flash.Forward();
  flash.Forward();
  EXPECT_EQ(flash.CurrentFrame(), 2);
  EXPECT_FALSE(flash.IsPlaying());
  flash.Rewind();
  EXPECT_EQ(flash.CurrentFrame(), 0);
  EXPECT_EQ(log.Take(), (Lines{"get -525", "get 124", "call 112", "call 129", "call 115", "call 115",
                               "call 128", "call 129", "call 116", "call 128"}));
}

TEST_F(MovieControl, WithoutARegisteredControlNothingIsReadyAndNothingFails) {
  Registration::Remove();
  ControlLog log;
  TShockwaveFlash& flash = ReadForm();
  flash.SetBGColor("");
  flash.SetBackgroundColor(-1);
  flash.SetLoop(true);
  flash.SetMovie(L"C:\\没有这个文件.swf");
  flash.Play();
  flash.Forward();
  flash.Rewind();
  flash.DoShowVerb();
  flash.SetBounds(0, 0, 100, 50);
  EXPECT_NE(flash.ReadyState(), 4);
  EXPECT_FALSE(flash.IsPlaying());
  EXPECT_EQ(ControlWindow(flash), nullptr);
  form_.reset();
  EXPECT_EQ(log.Take(), Lines{});
}

TEST_F(MovieControl, WithoutARegisteredControlTheStandInPlaysTheMovieFile) {
  Registration::Remove();
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + L"测试影片.swf";
  for (bool compressed : {false, true}) {
    SCOPED_TRACE(compressed ? "CWS" : "FWS");
    // Five frames; the third one's actions stop the movie.
    qt::testing::WriteSwfFile(path, {.compressed = compressed, .frames = 5, .stopFrames = {3}});
    TShockwaveFlash& flash = ReadForm();
    flash.SetLoop(false);
    flash.SetMovie(path);
    flash.Play();
    EXPECT_EQ(flash.ReadyState(), 4);
    EXPECT_EQ(flash.TotalFrames(), 5);
    EXPECT_EQ(flash.CurrentFrame(), 0);
    EXPECT_TRUE(flash.IsPlaying());

    HWND movie = FindWindowExW(flash.Handle(), nullptr, L"QtStandInMovie", nullptr);
    ASSERT_NE(movie, nullptr);
    auto tick = [&] { SendMessageW(movie, WM_TIMER, 0, 0); };
    tick();
    tick();
    EXPECT_EQ(flash.CurrentFrame(), 2);
    EXPECT_FALSE(flash.IsPlaying());
    tick();
    EXPECT_EQ(flash.CurrentFrame(), 2);
    flash.Forward();
    EXPECT_EQ(flash.CurrentFrame(), 3);
    flash.Rewind();
    EXPECT_EQ(flash.CurrentFrame(), 0);

    // What is no SWF file loads as no movie: here one cut off inside its stage rectangle.
    std::string whole = qt::testing::MakeSwf({.compressed = compressed, .frames = 5});
    std::ofstream(std::filesystem::path(path), std::ios::binary).write(whole.data(), 12);
    flash.SetMovie(path);
    flash.Play();
    EXPECT_NE(flash.ReadyState(), 4);
    EXPECT_FALSE(flash.IsPlaying());
  }
  DeleteFileW(path.c_str());
}

TEST_F(MovieControl, TheStandInShowsTheMoviesBackgroundUnlessOneIsSet) {
  Registration::Remove();
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  std::wstring path = std::wstring(dir) + L"background.swf";
  qt::testing::WriteSwfFile(path, {.frames = 2, .background = RGB(0x20, 0x40, 0x80)});
  TShockwaveFlash& flash = ReadForm();
  form_->Show();
  HWND movie = FindWindowExW(flash.Handle(), nullptr, L"QtStandInMovie", nullptr);
  ASSERT_NE(movie, nullptr);
  auto shown = [&] {
    RedrawWindow(movie, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    win::WindowDC dc(movie);
    return GetPixel(dc.get(), 2, 2);
  };
  EXPECT_EQ(shown(), RGB(0, 0, 0)); // the stored "000000"
  flash.SetBGColor("");
  flash.SetBackgroundColor(-1);
  flash.SetMovie(path);
  EXPECT_EQ(shown(), RGB(0x20, 0x40, 0x80));
  flash.SetBackgroundColor(0xFF8000);
  EXPECT_EQ(shown(), RGB(0xFF, 0x80, 0x00));
  flash.SetBGColor("00FF40");
  EXPECT_EQ(shown(), RGB(0x00, 0xFF, 0x40));
  form_.reset();
  DeleteFileW(path.c_str());
}
