// CPU cost of an animated GIF advert: a 120 x 90 picture of three frames of 120 ms, endless,
// playing in a window for 10 s the way the programs' picture controls show it (held by a picture
// container whose change repaints the window), against the same window with a still picture in
// the same run; the process's CPU time as a percentage of one core. A timed harness, run by hand
// under Wine:
//   scripts/wine-run build/win64/tests/gif/animation_cpu_bench.exe
#include "gif/picture/picture.hpp"
#include "tests/gif/picture/fixtures.hpp"

#include <cstdio>

namespace {

win::TPicture* shown = nullptr;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (shown && shown->Graphic()) shown->Graphic()->Draw(dc, r);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

double CpuSeconds(bool guiThreadOnly = false) {
  FILETIME created, exited, kernel, user;
  if (guiThreadOnly)
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  else
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& f) {
    return (static_cast<unsigned long long>(f.dwHighDateTime) << 32 | f.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

// Three frames of 120 x 90, each for `delay` hundredths, endless; one frame when still.
std::string Advert(bool animated) {
  using qt::FrameSpec;
  std::string halves;
  for (int y = 0; y < 90; ++y)
    for (int x = 0; x < 120; ++x) halves += static_cast<char>(x < 60 ? 0 : 1);
  std::vector<FrameSpec> frames{{0, 0, 120, 90, {}, halves, -1, 1, 10, 0}};
  if (animated) {
    frames.push_back({0, 0, 120, 90, {}, std::string(120 * 90, '\2'), -1, 1, 10});
    frames.push_back({20, 20, 40, 30, {}, std::string(40 * 30, '\3'), -1, 1, 10});
  }
  return qt::MakeGif(120, 90, {RGB(220, 0, 0), RGB(0, 0, 220), RGB(0, 200, 0), RGB(240, 240, 0)}, frames);
}

// Percent of one core over 10 s of showing the picture, after 1 s to settle.
double CpuPercent(bool animated, int& paints, double& guiPercent) {
  win::TPicture picture;
  qt::MemoryStream bytes(Advert(animated));
  picture.LoadFromStream(bytes, "gif");
  const wchar_t* name = win::RegisterWindowClassOnce(L"QtAnimationBench", WindowProc);
  HWND w = CreateWindowExW(0, name, L"bench", WS_POPUP | WS_VISIBLE, 0, 0, 120, 90, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
  paints = 0;
  picture.OnChange = [&] {
    ++paints;
    InvalidateRect(w, nullptr, FALSE);
  };
  shown = &picture;
  UpdateWindow(w);
  // A plain message loop, as the programs' own, that ends with a timer.
  auto runFor = [w](UINT ms) {
    SetTimer(w, 1, ms, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
      if (msg.message == WM_TIMER && msg.hwnd == w) break;
      DispatchMessageW(&msg);
    }
    KillTimer(w, 1);
  };
  runFor(1000);
  const double before = CpuSeconds(), guiBefore = CpuSeconds(true);
  paints = 0;
  runFor(10000);
  const double spent = CpuSeconds() - before;
  guiPercent = (CpuSeconds(true) - guiBefore) / 10 * 100;
  DestroyWindow(w);
  shown = nullptr;
  picture.Clear();
  return spent / 10 * 100;
}

} // namespace

int main() {
  qt::TGIFPictureRegistration registration;
  int stillChanges = 0, changes = 0;
  double stillGui = 0, animatedGui = 0;
  const double still = CpuPercent(false, stillChanges, stillGui);
  const double animated = CpuPercent(true, changes, animatedGui);
  std::printf("still 120x90 GIF in a window:    %.2f %% of one core\n", still);
  std::printf("animated 120x90 GIF in a window: %.2f %% of one core, %.2f %% of it on the GUI thread (%d change "
              "notifications)\n",
              animated, animatedGui, changes);
  std::printf("the animation's own share:       %.2f %% of one core\n", animated - still);
  return 0;
}
