// What the panels cost, run by hand under Wine (not a ctest test):
//
//   panels_bench [seconds]   (default 40: about one pass of the 30 lines through the panel)
//
// Shows a form with the maker's about preview (469 x 336, 30 lines of mixed mark-up, Interval 30),
// a text bar and two gradient panels, then reports
// - the time of one paint of the about panel, into a memory DC and through WM_PAINT on screen;
// - the process's CPU share while the about panel scrolls for `seconds` of real time, then for
//   5 seconds more together with the text bar, and how many scroll ticks it got.
// The form stays up while it scrolls, for a screenshot of the display.
#include "panels/CRPanel.hpp"
#include "panels/GPanel.hpp"
#include "win/application.hpp"
#include "win/form.hpp"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* kLayout = reinterpret_cast<const char*>(u8R"(object BenchForm: TForm
  Left = 8
  Top = 8
  ClientWidth = 980
  ClientHeight = 450
  Caption = '面板'
  Color = clGreen
  object Panel2: TGPanel
    Left = 0
    Top = 0
    Width = 480
    Height = 450
    BevelInner = bvLowered
    BevelOuter = bvNone
    BackGroundEffect = bdLeft
    ColorStart = clMoneyGreen
    ColorEnd = clCream
  end
  object CRPanel3: TCRPanel
    Left = 500
    Top = 0
    Width = 469
    Height = 336
    Font.Charset = GB2312_CHARSET
    Font.Color = clWhite
    Font.Height = -15
    Font.Name = '宋体'
    Interval = 30
    BeginColor = clWhite
    EndColor = clBlack
    UseGradient = False
    DrawGlyph = False
    Active = False
  end
  object txtpanel: TCRPanel
    Left = 500
    Top = 345
    Width = 469
    Height = 25
    Font.Charset = GB2312_CHARSET
    Font.Color = clYellow
    Font.Height = -14
    Font.Name = '宋体'
    Interval = 50
    BeginColor = clBlack
    EndColor = clBlack
    Active = False
  end
  object GPanel1: TGPanel
    Left = 500
    Top = 380
    Width = 469
    Height = 70
    BackGroundEffect = bdHorzIn
    ColorStart = clTeal
    ColorEnd = clWhite
  end
end
)");

// About text as the maker writes it: headings, colours, styles and plain lines.
std::vector<std::string> AboutLines() {
  const char* kinds[] = {
      "<b>屏幕保护程序</b>",
      "<nred>红色的文字</n>和普通的文字",
      "<c00FF00>绿色</c> <i>斜体的说明文字</i>",
      "<u>下划线</u> 的链接地址 www.example.com",
      "普通的一行文字，没有任何格式",
      "<nyellow><b>黄色粗体</b></n>",
      "<i><u>斜体加下划线</u></i> mixed text 123",
      "<nwhite>白色</n> <nblue>蓝色</n> <nlime>绿色</n>",
      "Version 1.0 <<测试>> 完成",
      "",
  };
  std::vector<std::string> lines;
  for (int i = 0; i < 30; ++i)
    lines.push_back(kinds[i % 10]);
  return lines;
}

class PaintablePanel : public qt::TCRPanel {
public:
  using qt::TCRPanel::Paint;
  using qt::TCRPanel::TCRPanel;
};

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto value = [](FILETIME f) {
    return static_cast<double>(static_cast<unsigned long long>(f.dwHighDateTime) << 32 |
                               f.dwLowDateTime) *
           1e-7;
  };
  return value(kernel) + value(user);
}

// Milliseconds per paint of a freshly started about panel, painted `count` times into a
// memory DC: the buffer, the lines and the copy, without a window.
double MemoryPaintMs(int count) {
  PaintablePanel panel(nullptr);
  panel.SetBounds(0, 0, 469, 336);
  panel.Font().Color = win::clWhite;
  panel.Font().Height = -15;
  panel.FontChanged();
  panel.SetStrings(AboutLines());
  panel.SetActive(true);
  win::MemoryBitmap target(469, 336);
  // Far enough that the text fills the panel.
  for (int i = 0; i < 400; ++i)
    panel.Paint(target.Dc());
  const LARGE_INTEGER start = Now();
  for (int i = 0; i < count; ++i)
    panel.Paint(target.Dc());
  GdiFlush();
  return Seconds(start, Now()) * 1000 / count;
}

// The same through the window: WM_PAINT, the buffer, and the copy to the screen.
double WindowPaintMs(HWND panel, int count) {
  const LARGE_INTEGER start = Now();
  for (int i = 0; i < count; ++i)
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  GdiFlush();
  return Seconds(start, Now()) * 1000 / count;
}

// Runs the message loop for `seconds` with the about panel scrolling and reports the CPU time
// the process took meanwhile.
void Scroll(qt::TCRPanel& about, int seconds, const char* what) {
  const UINT_PTR stop = SetTimer(nullptr, 0, static_cast<UINT>(seconds * 1000), nullptr);
  const double cpuStart = ProcessCpuSeconds();
  const LARGE_INTEGER wallStart = Now();
  long ticks = 0;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == stop)
      break;
    if (msg.message == WM_TIMER && msg.hwnd == about.Handle())
      ++ticks;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  KillTimer(nullptr, stop);
  const double wall = Seconds(wallStart, Now());
  const double cpu = ProcessCpuSeconds() - cpuStart;
  std::printf("  %-36s CPU %.1f %% of one core (%.2f s in %.1f s), %.1f ticks per second\n", what,
              100 * cpu / wall, cpu, wall, ticks / wall);
}

} // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 40;
  win::TApplication application;
  win::TForm form(nullptr);
  form.ReadLayout(kLayout);
  auto& about = dynamic_cast<qt::TCRPanel&>(*form.FindComponent("CRPanel3"));
  auto& bar = dynamic_cast<qt::TCRPanel&>(*form.FindComponent("txtpanel"));
  about.SetStrings(AboutLines());
  bar.ClearStrings();
  bar.AddString("<nred>滚动的文字</n> 在电影下方 <b>粗体</b>");
  bar.AddString("第二行文字");
  form.Show();
  application.ProcessMessages();

  const int paints = 2000;
  std::printf("one paint of the 469 x 336 about panel, 30 lines:\n");
  std::printf("  into a memory DC:       %.3f ms (mean of %d)\n", MemoryPaintMs(paints), paints);
  about.SetActive(true);
  for (int i = 0; i < 400; ++i)
    RedrawWindow(about.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  std::printf("  through WM_PAINT:       %.3f ms (mean of %d)\n",
              WindowPaintMs(about.Handle(), paints), paints);

  std::printf("real scrolling:\n");
  Scroll(about, seconds, "about panel alone, Interval 30");
  bar.SetActive(true);
  Scroll(about, 5, "with the text bar at Interval 50");
  return 0;
}
