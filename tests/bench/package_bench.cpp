// The cost of the package on the road of a movie: the maker writes a screen saver file with a
// movie of the largest block size, the player streams the movie back out to its temporary file.
// The same bytes taken the same road by plain file copies give the yardstick; the ratio of the
// two is printed at the end.
#include "base/file_stream.hpp"
#include "base/package.hpp"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;
using qt::FileStream;

struct Files {
  fs::path dir = fs::temp_directory_path() / ("qt_bench_" + std::to_string(std::random_device()()));
  fs::path movie = dir / "movie.swf";
  fs::path saver = dir / "saver.scr";
  fs::path extracted = dir / "~saver.sps";
  std::string image;

  Files() {
    fs::create_directories(dir);
    std::mt19937 random(1);
    std::string bytes(qt::kMaxBlockSize, '\0');
    for (auto& c : bytes)
      c = static_cast<char>(random());
    FileStream(movie, FileStream::Mode::create).Write(bytes);
    image = bytes.substr(0, 300 * 1024);  // about the size of the player program
  }
  ~Files() { fs::remove_all(dir); }
};

Files& TheFiles() {
  static Files files;
  return files;
}

void PlainCopy(const fs::path& from, const fs::path& to) {
  FileStream in(from, FileStream::Mode::read);
  FileStream out(to, FileStream::Mode::create);
  qt::CopyBytes(in, out, in.Size());
}

void BM_PackageRoundTrip(benchmark::State& state) {
  Files& f = TheFiles();
  for (auto _ : state) {
    {
      FileStream movie(f.movie, FileStream::Mode::read);
      qt::MemoryStream image(f.image);
      qt::PackageWriter writer;
      writer.AddBlock(qt::bkSwf, movie, 0, movie.Size());
      writer.AddBlock(qt::bkAbout, "");
      writer.AddBlock(qt::bkOptions, "[other]\r\ntitle=abc\r\n\r\n");
      FileStream out(f.saver, FileStream::Mode::create);
      writer.Write(image, out);
    }
    qt::PackageReader reader(f.saver);
    FileStream out(f.extracted, FileStream::Mode::create);
    reader.CopyBlock(reader.Slots().swf, out);
  }
}

// The same road without a package: the movie copied into a file and from there to another.
void BM_PlainCopyRoundTrip(benchmark::State& state) {
  Files& f = TheFiles();
  for (auto _ : state) {
    PlainCopy(f.movie, f.saver);
    PlainCopy(f.saver, f.extracted);
  }
}

// One plain copy of the movie, for scale.
void BM_PlainCopyOnce(benchmark::State& state) {
  Files& f = TheFiles();
  for (auto _ : state)
    PlainCopy(f.movie, f.saver);
}

BENCHMARK(BM_PackageRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopyRoundTrip)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PlainCopyOnce)->Unit(benchmark::kMillisecond)->UseRealTime();

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Iteration && !run.error_occurred)
        times_[run.run_name.function_name] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const double package = times_["BM_PackageRoundTrip"];
    if (times_["BM_PlainCopyRoundTrip"] > 0)
      std::printf("package round trip / plain copy round trip: %.2f\n",
                  package / times_["BM_PlainCopyRoundTrip"]);
    if (times_["BM_PlainCopyOnce"] > 0)
      std::printf("package round trip / one plain copy: %.2f\n", package / times_["BM_PlainCopyOnce"]);
  }

 private:
  std::map<std::string, double> times_;
};

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
}
