// Start-up cost of a screen saver: from process start until the movie is handed to the Flash
// control and started, for a 1 KiB and a 16 MiB movie, against a plain copy of 16 MiB in the same
// run; and the peak memory of both. A timed harness, run by hand under Wine:
//   scripts/wine-run build/win64/tests/e2e/player_startup_bench.exe
// The test double of the control stands in for Flash and logs the "play" call the clock stops at.
#include "tests/e2e/support.hpp"
#include "tests/flash/swf_writer.hpp"
#include "tests/flash/testcontrol/registration.hpp"

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace e2e;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRounds = 7;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Start {
  double ms;
  double peakMiB;
};

// One start with /s, timed until the control logs the play call; the process is ended after.
Start TimeStart(const fs::path& saver, qt::testing::ControlLog& log) {
  log.Take();
  auto begin = Clock::now();
  Process run(saver, L"/s");
  bool played = false;
  while (!played && run.Running() && Clock::now() - begin < std::chrono::seconds(30)) {
    for (const std::string& line : log.Take())
      if (line == "call 112") played = true;
    if (!played) Sleep(1);
  }
  double ms = std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(run.Handle(), &counters, sizeof counters);
  if (!played) std::printf("warning: the player never started the movie\n");
  return {ms, counters.PeakWorkingSetSize / 1048576.0};
}

// A movie of exactly `size` bytes: ten frames and a metadata tag that pads it out.
std::string MovieOfSize(size_t size) {
  using namespace qt::testing;
  auto movie = [](size_t padding) {
    std::string tags = SwfTag(kSwfTagSetBackgroundColor, "\x20\x60\xc0") + SwfTag(77, std::string(padding, ' '), true);
    for (int frame = 0; frame < 10; ++frame) tags += SwfTag(kSwfTagShowFrame, "");
    return SwfFile({.frames = 10}, tags + SwfTag(kSwfTagEnd, ""));
  };
  return movie(size - movie(0).size());
}

} // namespace

int main() {
  wchar_t temp[MAX_PATH];
  const fs::path folder = fs::path(std::wstring(temp, GetTempPathW(MAX_PATH, temp))) / L"startup bench";
  fs::create_directories(folder);
  qt::testing::ControlRegistration registered(WindowsPath(QT_TESTCONTROL));
  qt::testing::ControlLog log;

  // The largest movie a package can hold is one byte short of 16 MiB.
  Content small, large;
  small.movie = MovieOfSize(1024);
  large.movie = MovieOfSize(16 * 1024 * 1024 - 1);
  WriteSaver(WindowsPath(QT_PLAYER), folder / L"small.scr", small);
  WriteSaver(WindowsPath(QT_PLAYER), folder / L"large.scr", large);
  WriteAll(folder / L"copy-source.bin", std::string(16 * 1024 * 1024, 'x'));
  const double packageMiB = (fs::file_size(folder / L"large.scr") - fs::file_size(WindowsPath(QT_PLAYER))) / 1048576.0;

  std::vector<double> copies, smalls, larges, smallPeaks, largePeaks;
  for (int round = 0; round < kRounds; ++round) {
    auto begin = Clock::now();
    CopyFileW((folder / L"copy-source.bin").c_str(), (folder / L"copy-target.bin").c_str(), FALSE);
    copies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
    Start s = TimeStart(folder / L"small.scr", log);
    Start l = TimeStart(folder / L"large.scr", log);
    smalls.push_back(s.ms), larges.push_back(l.ms);
    smallPeaks.push_back(s.peakMiB), largePeaks.push_back(l.peakMiB);
  }
  const double copy = Median(copies), added = Median(larges) - Median(smalls);
  std::printf("medians of %d rounds\n", kRounds);
  std::printf("plain copy of 16 MiB:        %8.1f ms\n", copy);
  std::printf("start, 1 KiB movie:          %8.1f ms\n", Median(smalls));
  std::printf("start, 16 MiB movie:         %8.1f ms\n", Median(larges));
  std::printf("added by 16 MiB / copy:      %8.2f (goal: at most 2)\n", added / copy);
  std::printf("peak working set, 1 KiB:     %8.1f MiB\n", Median(smallPeaks));
  std::printf("peak working set, 16 MiB:    %8.1f MiB\n", Median(largePeaks));
  std::printf("added / package (%.1f MiB):  %8.2f (goal: at most 2)\n", packageMiB,
              (Median(largePeaks) - Median(smallPeaks)) / packageMiB);
  fs::remove_all(folder);
  return 0;
}
