// Cost of making a screen saver file with the largest movie a package holds (16 MiB less a byte),
// against a plain copy of a file of the finished size, in the same run. A timed harness, run by
// hand under Wine:  scripts/wine-run build/win64/tests/maker/make_bench.exe
//
// From the second round on, each make replaces the file the round before made: it writes the new
// file beside it and renames it over the older one, which frees the older file's 17 MiB then and
// there (about 5 to 10 ms under Wine, more the smaller the pieces it was written in). The copy
// replaces its older target the same way, copying to a name beside it and renaming over it, so
// both sides pay that cost. CopyFileW straight over the target would instead truncate the target
// in place, which costs differently and is a way of replacing the maker must not use (an older
// file stays whole until the new one is complete).
#include "base/file_stream.hpp"
#include "maker/make.hpp"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

template <class F>
double Milliseconds(F&& f) {
  auto begin = Clock::now();
  f();
  return std::chrono::duration<double, std::milli>(Clock::now() - begin).count();
}

} // namespace

int main() {
  const fs::path folder = fs::temp_directory_path() / "make bench";
  fs::create_directories(folder);
  const fs::path movie = folder / "movie.swf", made = folder / "made.scr", copySource = folder / "copy.bin",
                 copyTarget = folder / "copy-target.bin", copyPartial = folder / "copy-target.bin.new";
  std::ofstream(movie, std::ios::binary) << std::string(16777215, 'm');
  wchar_t self[MAX_PATH];
  const fs::path player(std::wstring(self, GetModuleFileNameW(nullptr, self, MAX_PATH)));

  qt::MakeContent content;
  content.movie = movie;
  content.caption = "第一行\r\n第二行";
  content.aboutLines = {"<b>关于", "正文"};
  content.title = "海浪";
  std::vector<double> makes, copies;
  for (int round = 0; round < 7; ++round) {
    makes.push_back(Milliseconds([&] {
      qt::FileStream image(player, qt::FileStream::Mode::read);
      qt::MakeScreenSaver(image, content, folder / "double.tmp", made);
    }));
    if (round == 0) std::ofstream(copySource, std::ios::binary) << std::string(fs::file_size(made), 'c');
    copies.push_back(Milliseconds([&] {
      CopyFileW(copySource.c_str(), copyPartial.c_str(), FALSE);
      MoveFileExW(copyPartial.c_str(), copyTarget.c_str(), MOVEFILE_REPLACE_EXISTING);
    }));
  }
  const double make = Median(makes), copy = Median(copies);
  std::printf("medians of 7 rounds, finished file %.1f MiB\n", fs::file_size(made) / 1048576.0);
  std::printf("make:        %8.1f ms\n", make);
  std::printf("plain copy:  %8.1f ms (to a name beside the target, renamed over it)\n", copy);
  std::printf("make / copy: %8.2f (goal: at most 1.5)\n", make / copy);
  fs::remove_all(folder);
  return 0;
}
