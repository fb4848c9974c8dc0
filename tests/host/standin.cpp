// A stand-in for the player: a form with the host component, read from its layout resource
// (SAVER_TEST_LAYOUT names it; STANDIN by default), that records what the tests look at.
#include "host/ScreenSaver.hpp"
#include "tests/host/test_support.hpp"
#include "win/application.hpp"
#include "win/form.hpp"

#include <string>

namespace {

std::string Number(HWND h) { return std::to_string(reinterpret_cast<INT_PTR>(h)); }

int ScreenSaverRunning() {
  BOOL running = FALSE;
  SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  return running ? 1 : 0;
}

std::wstring LayoutName() {
  wchar_t name[64];
  DWORD length = GetEnvironmentVariableW(L"SAVER_TEST_LAYOUT", name, 64);
  return length > 0 && length < 64 ? std::wstring(name, length) : L"STANDIN";
}

class TStandinForm : public win::TForm {
public:
  explicit TStandinForm(win::TComponent* owner) : TForm(owner) {
    AddHandler("FormCreate", win::TNotifyEvent([this](win::TObject*) { FormCreate(); }));
    AddHandler("FormCloseQuery",
               win::TCloseQueryEvent([this](win::TObject*, bool& canClose) { FormCloseQuery(canClose); }));
    ReadLayoutResource(LayoutName().c_str());
  }

protected:
  // Answered here rather than passed on: Wine's default procedure opens its about box for the
  // command with the lowest bit set.
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == WM_SYSCOMMAND && (wp & 0xFFF0) == SC_SCREENSAVE) return kScreenSaveReachedForm;
    return TForm::WndProc(msg, wp, lp);
  }

private:
  qt::TScreenSaver& Saver() { return dynamic_cast<qt::TScreenSaver&>(*FindComponent("ScreenSaver1")); }

  void FormCreate() {
    std::string line = "create mode=" + std::to_string(Saver().mode) + " form=" + Number(Handle()) +
                       " running=" + std::to_string(ScreenSaverRunning()) +
                       " cursor=" + std::to_string(CursorCount());
    for (const char* name : {"Panel2", "Panel3", "Inner"})
      if (auto* panel = dynamic_cast<win::TControl*>(FindComponent(name)))
        line += std::string(" ") + name + "=" + Number(panel->Handle());
    AppendLog(line);
  }

  void FormCloseQuery(bool& canClose) {
    canClose = Saver().VerifyPassword();
    AppendLog("closequery can=" + std::to_string(canClose ? 1 : 0) +
              " cursor=" + std::to_string(CursorCount()));
  }
};

} // namespace

int main() {
  try {
    win::RegisterComponentClass<win::TPanel>("TPanel");
    win::TApplication application;
    application.CreateForm<TStandinForm>();
    application.Run();
  } catch (const std::exception& e) {
    AppendLog(std::string("error ") + e.what());
    return 1;
  }
  AppendLog("exit running=" + std::to_string(ScreenSaverRunning()) +
            " cursor=" + std::to_string(CursorCount()));
  return 0;
}
