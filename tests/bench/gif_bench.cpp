// GIF load and save against giflib in the same run, on two 1920x1080 pictures made by
// ImageMagick at build time: a photo-like one of 256 colours and a flat cartoon of 16.
//   load: TGIFImage::LoadFromStream against DGifSlurp, both from memory to indices;
//   save: TGIFImage::SaveToStream (LZW) against EGifPutLine for the same pixels, with the sizes;
//   memory: the peak of what a load allocates against file size + one byte per pixel.
// The ratios are printed at the end. Run by hand on a Release build without sanitizers.
#include "base/file_stream.hpp"
#include "gif/GIFImage.hpp"
#include "tests/bench/label_times.hpp"
#include "tests/gif/giflib_io.hpp"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <malloc.h>
#include <string>

// Counts the bytes in use, for the peak of a load. Only without sanitizers, which bring their
// own allocator (the build defines QT_COUNT_ALLOCATIONS then).
#ifdef QT_COUNT_ALLOCATIONS
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void __libc_free(void*);
namespace {
std::atomic<std::int64_t> inUse{0}, peak{0};
void Note(void* p, int sign) {
  if (!p)
    return;
  const auto now = inUse += sign * static_cast<std::int64_t>(malloc_usable_size(p));
  std::int64_t top = peak.load();
  while (now > top && !peak.compare_exchange_weak(top, now)) {
  }
}
} // namespace
extern "C" void* malloc(std::size_t n) {
  void* p = __libc_malloc(n);
  Note(p, 1);
  return p;
}
extern "C" void* calloc(std::size_t n, std::size_t size) {
  void* p = __libc_calloc(n, size);
  Note(p, 1);
  return p;
}
extern "C" void* realloc(void* old, std::size_t n) {
  Note(old, -1);
  void* p = __libc_realloc(old, n);
  Note(p ? p : old, 1);
  return p;
}
extern "C" void free(void* p) {
  Note(p, -1);
  __libc_free(p);
}
#endif

namespace {

std::string ReadFile(const char* path) {
  qt::FileStream file(path, qt::FileStream::Mode::read);
  std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
  file.ReadExact(bytes.data(), bytes.size());
  return bytes;
}

struct Picture {
  std::string file;
  std::uint64_t pixels = 0;
};

Picture& ThePicture(int which) {
  static Picture pictures[2] = {{ReadFile(QT_BENCH_PHOTO)}, {ReadFile(QT_BENCH_CARTOON)}};
  Picture& p = pictures[which];
  if (p.pixels == 0) {
    qt::TGIFImage image;
    qt::MemoryStream s(p.file);
    image.LoadFromStream(s);
    for (int i = 0; i < image.Images().Count(); ++i)
      p.pixels += image.Images().Items(i).DataSize();
  }
  return p;
}

const char* kNames[2] = {"photo", "cartoon"};
std::map<std::string, double> seconds;  // CPU time per iteration, by benchmark
std::map<std::string, double> sizes;

void Record(benchmark::State& state, const std::string& name) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(ThePicture(static_cast<int>(state.range(0))).pixels));
  state.SetLabel(name);
}

void BM_LoadOurs(benchmark::State& state) {
  const Picture& p = ThePicture(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    qt::TGIFImage image;
    qt::MemoryStream s(p.file);
    image.LoadFromStream(s);
    benchmark::DoNotOptimize(image.Images().Items(0).Data());
  }
  Record(state, std::string("load ours ") + kNames[state.range(0)]);
}

void BM_LoadGiflib(benchmark::State& state) {
  const Picture& p = ThePicture(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(qt::test::GiflibRead(p.file));
  Record(state, std::string("load giflib ") + kNames[state.range(0)]);
}

void BM_SaveOurs(benchmark::State& state) {
  const Picture& p = ThePicture(static_cast<int>(state.range(0)));
  qt::TGIFImage image;
  qt::MemoryStream in(p.file);
  image.LoadFromStream(in);
  std::size_t size = 0;
  for (auto _ : state) {
    qt::MemoryStream out;
    image.SaveToStream(out);
    size = out.Bytes().size();
  }
  sizes[std::string("ours ") + kNames[state.range(0)]] = static_cast<double>(size);
  Record(state, std::string("save ours ") + kNames[state.range(0)]);
}

void BM_SaveGiflib(benchmark::State& state) {
  const Picture& p = ThePicture(static_cast<int>(state.range(0)));
  qt::test::RefImage ref = qt::test::GiflibRead(p.file);
  std::size_t size = 0;
  for (auto _ : state)
    size = qt::test::GiflibWrite(ref).size();
  sizes[std::string("giflib ") + kNames[state.range(0)]] = static_cast<double>(size);
  Record(state, std::string("save giflib ") + kNames[state.range(0)]);
}

BENCHMARK(BM_LoadOurs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadGiflib)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOurs)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveGiflib)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  // CPU time: steadier on a shared machine.
  qt::bench::LabelTimes collector(seconds, qt::bench::LabelTimes::kCPU);
  benchmark::RunSpecifiedBenchmarks(&collector);
  for (const char* name : kNames) {
    const std::string n = name;
    if (seconds.count("load ours " + n) && seconds.count("load giflib " + n))
      std::printf("load %s: %.2fx giflib\n", name, seconds["load giflib " + n] / seconds["load ours " + n]);
    if (seconds.count("save ours " + n) && seconds.count("save giflib " + n))
      std::printf("save %s: %.2fx giflib, output %+.3f%% against giflib's\n", name,
                  seconds["save giflib " + n] / seconds["save ours " + n],
                  100.0 * (sizes["ours " + n] / sizes["giflib " + n] - 1));
  }
#ifdef QT_COUNT_ALLOCATIONS
  for (int which = 0; which < 2; ++which) {
    const Picture& p = ThePicture(which);
    const std::int64_t before = inUse.load();
    peak = before;
    {
      qt::TGIFImage image;
      qt::MemoryStream s(p.file);
      image.LoadFromStream(s);
    }
    const double bound = static_cast<double>(p.file.size() + p.pixels);
    std::printf("load %s peak memory: %.3fx (file size + pixels)\n", kNames[which],
                static_cast<double>(peak.load() - before) / bound);
  }
#endif
  return 0;
}
