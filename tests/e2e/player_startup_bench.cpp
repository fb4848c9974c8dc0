// Start-up cost of a screen saver: from process start until the movie is handed to the Flash
// control and started, for a 1 KiB and a 16 MiB movie, against a plain copy of 16 MiB in the same
// run; and the peak memory of both. A timed harness, run by hand under Wine:
//   scripts/wine-run build/win32/tests/e2e/player_startup_bench.exe
// The test double of the control stands in for Flash and logs the "play" call the clock stops at.
// A whole start under Wine varies by tens of milliseconds from one to the next, far more than the
// movie adds, so what the movie adds is taken from the part of each start after the control's
// first call (made while the form is built, before the package is read) up to the play call, and
// per round: each round copies 16 MiB three times (their median is the round's copy) and starts
// both savers back to back, the order turning every round; its figure is the difference of the
// two starts over its copy. The figure printed is the median over many rounds, after one round
// not counted (files and code cold).
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

constexpr int kRounds = 80;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Quartile(std::vector<double> v, int which) {
  std::sort(v.begin(), v.end());
  return v[v.size() * static_cast<size_t>(which) / 4];
}

double MsSince(Clock::time_point begin) { return std::chrono::duration<double, std::milli>(Clock::now() - begin).count(); }

struct Start {
  double ms;          // process start to the play call
  double afterFirst;  // the control's first call to the play call
  double peakMiB;
};

// One start with /s, timed until the control logs the play call; the process is ended after.
Start TimeStart(const fs::path& saver, qt::testing::ControlLog& log) {
  log.Take();
  auto begin = Clock::now();
  Process run(saver, L"/s");
  bool played = false;
  double first = -1;
  while (!played && run.Running() && Clock::now() - begin < std::chrono::seconds(30)) {
    for (const std::string& line : log.Take()) {
      if (first < 0) first = MsSince(begin);
      if (line == "call 112") played = true;
    }
    if (!played) Sleep(1);
  }
  double ms = MsSince(begin);
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(run.Handle(), &counters, sizeof counters);
  if (!played) std::printf("warning: the player never started the movie\n");
  return {ms, ms - first, counters.PeakWorkingSetSize / 1048576.0};
}

double TimeCopy(const fs::path& folder) {
  auto begin = Clock::now();
  CopyFileW((folder / L"copy-source.bin").c_str(), (folder / L"copy-target.bin").c_str(), FALSE);
  return MsSince(begin);
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

  std::vector<double> copies, smalls, larges, smallWindows, largeWindows, ratios, beforeFirst, smallPeaks, largePeaks;
  for (int round = -1; round < kRounds; ++round) {
    std::vector<double> roundCopies;
    for (int i = 0; i < 3; ++i) roundCopies.push_back(TimeCopy(folder));
    const bool smallFirst = round % 2 == 0;
    Start first = TimeStart(folder / (smallFirst ? L"small.scr" : L"large.scr"), log);
    Start second = TimeStart(folder / (smallFirst ? L"large.scr" : L"small.scr"), log);
    if (round < 0) continue;
    const Start& s = smallFirst ? first : second;
    const Start& l = smallFirst ? second : first;
    const double copy = Median(roundCopies);
    copies.push_back(copy);
    smalls.push_back(s.ms), larges.push_back(l.ms);
    smallWindows.push_back(s.afterFirst), largeWindows.push_back(l.afterFirst);
    ratios.push_back((l.afterFirst - s.afterFirst) / copy);
    beforeFirst.push_back((l.ms - l.afterFirst) - (s.ms - s.afterFirst));
    smallPeaks.push_back(s.peakMiB), largePeaks.push_back(l.peakMiB);
  }
  std::printf("medians of %d rounds\n", kRounds);
  std::printf("plain copy of 16 MiB:        %8.1f ms\n", Median(copies));
  std::printf("start, 1 KiB movie:          %8.1f ms (%.1f ms of it after the control's first call)\n", Median(smalls),
              Median(smallWindows));
  std::printf("start, 16 MiB movie:         %8.1f ms (%.1f ms of it after the control's first call)\n", Median(larges),
              Median(largeWindows));
  std::printf("added by 16 MiB / copy:      %8.2f (goal: at most 2; rounds' middle half %.2f to %.2f)\n", Median(ratios),
              Quartile(ratios, 1), Quartile(ratios, 3));
  // Should be about 0: the movie costs nothing before the package is read.
  std::printf("added before the first call: %8.1f ms (rounds' middle half %.1f to %.1f)\n", Median(beforeFirst),
              Quartile(beforeFirst, 1), Quartile(beforeFirst, 3));
  std::printf("peak working set, 1 KiB:     %8.1f MiB\n", Median(smallPeaks));
  std::printf("peak working set, 16 MiB:    %8.1f MiB\n", Median(largePeaks));
  std::printf("added / package (%.1f MiB):  %8.2f (goal: at most 2)\n", packageMiB,
              (Median(largePeaks) - Median(smallPeaks)) / packageMiB);
  fs::remove_all(folder);
  return 0;
}
