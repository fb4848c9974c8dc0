// GIF load and save against giflib, and load against wuffs v0.3 when the build has it, on
// pictures that ImageMagick draws at build time (make_gif_pictures.sh).
//   load: TGIFImage::LoadFromStream; giflib's DGifOpen from memory, DGifSlurp, DGifCloseFile;
//         wuffs decoding every frame to indices into one buffer for the picture;
//   save: TGIFImage::SaveToStream (LZW) against EGifPutLine for the same pixels, with the sizes;
//   memory: the peak of what one of our loads allocates, against the picture's pixels.
// Before any time counts, every decoder must give the same indices for every frame. Each round
// times every competitor once, in an order that turns from round to round; the medians over the
// rounds and their ratios are printed. Per-thread CPU time, steadier on a shared machine.
// Run by hand on a Release build without sanitizers: gif_bench [rounds].
#include "base/file_stream.hpp"
#include "gif/codec/GIFImage.hpp"
#include "tests/gif/codec/giflib_io.hpp"
#ifdef QT_BENCH_WUFFS
#include "tests/bench/wuffs_gif.h"
#endif

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <malloc.h>
#include <memory>
#include <string>
#include <vector>

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

struct Picture {
  const char* name;
  bool photoLike;
  std::string file = {};
  std::uint64_t pixels = 0;
};

std::string ReadFile(const std::string& path) {
  qt::FileStream file(path, qt::FileStream::Mode::read);
  std::string bytes(static_cast<std::size_t>(file.Size()), '\0');
  file.ReadExact(bytes.data(), bytes.size());
  return bytes;
}

double ThreadSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// One frame's indices, row by row, hashed (FNV-1a); the list of them for a whole picture.
struct Sums {
  std::vector<std::uint64_t> frames;
  void Add(const std::uint8_t* p, std::size_t stride, std::size_t width, std::size_t height) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t y = 0; y < height; ++y)
      for (std::size_t x = 0; x < width; ++x)
        h = (h ^ p[y * stride + x]) * 1099511628211ull;
    frames.push_back(h);
  }
  friend bool operator==(const Sums&, const Sums&) = default;
};

struct Competitor {
  const char* name;
  // One load (or save) of the picture; fills `sums` (or the output size) when given.
  std::function<void(const Picture&, Sums*)> load;
};

void LoadOurs(const Picture& p, Sums* sums) {
  // One stream over the file for all loads, as a caller holding the bytes would keep it.
  static std::unique_ptr<qt::MemoryStream> stream;
  static const Picture* streamOf = nullptr;
  if (streamOf != &p) {
    stream = std::make_unique<qt::MemoryStream>(p.file);
    streamOf = &p;
  }
  stream->SetPosition(0);
  qt::TGIFImage image;
  image.LoadFromStream(*stream);
  if (sums)
    for (int i = 0; i < image.Images().Count(); ++i) {
      const qt::TGIFSubImage& f = image.Images().Items(i);
      sums->Add(f.Data(), static_cast<std::size_t>(f.Width()), static_cast<std::size_t>(f.Width()),
                static_cast<std::size_t>(f.Height()));
    }
}

void LoadGiflib(const Picture& p, Sums* sums) {
  if (!sums) {
    qt::test::GiflibSlurp(p.file, nullptr);
    return;
  }
  qt::test::GiflibSlurp(p.file, [&](const std::uint8_t* pixels, int width, int height) {
    sums->Add(pixels, static_cast<std::size_t>(width), static_cast<std::size_t>(width),
              static_cast<std::size_t>(height));
  });
}

#ifdef QT_BENCH_WUFFS
void LoadWuffs(const Picture& p, Sums* sums) {
  auto seen = [](void* context, const std::uint8_t* indices, std::size_t stride, std::uint32_t width,
                 std::uint32_t height) { static_cast<Sums*>(context)->Add(indices, stride, width, height); };
  if (WuffsDecodeGif(reinterpret_cast<const std::uint8_t*>(p.file.data()), p.file.size(),
                     sums ? +seen : nullptr, sums) != 0) {
    std::fprintf(stderr, "wuffs refuses %s\n", p.name);
    std::exit(1);
  }
}
#endif

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Repeats of one timed sample: enough for about 20 ms of the slowest competitor.
int RepeatsFor(const Picture& p, const std::vector<Competitor>& competitors) {
  double slowest = 0;
  for (const Competitor& c : competitors) {
    const double start = ThreadSeconds();
    c.load(p, nullptr);
    slowest = std::max(slowest, ThreadSeconds() - start);
  }
  return std::clamp(static_cast<int>(0.02 / std::max(slowest, 1e-7)), 1, 10000);
}

// The median seconds per call of each competitor over interleaved rounds.
std::vector<double> TimeRounds(const Picture& p, const std::vector<Competitor>& competitors, int rounds) {
  const int repeats = RepeatsFor(p, competitors);
  const std::size_t n = competitors.size();
  std::vector<std::vector<double>> samples(n);
  for (int round = 0; round < rounds; ++round)
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t which = (k + static_cast<std::size_t>(round)) % n;
      const double start = ThreadSeconds();
      for (int i = 0; i < repeats; ++i)
        competitors[which].load(p, nullptr);
      samples[which].push_back((ThreadSeconds() - start) / repeats);
    }
  std::vector<double> medians;
  for (const auto& s : samples)
    medians.push_back(Median(s));
  return medians;
}

qt::TGIFImage& Loaded(const Picture& p) {
  static qt::TGIFImage image;
  static const Picture* of = nullptr;
  if (of != &p) {
    qt::MemoryStream s(p.file);
    image.LoadFromStream(s);
    of = &p;
  }
  return image;
}

std::size_t SaveOurs(const Picture& p) {
  qt::MemoryStream out;
  Loaded(p).SaveToStream(out);
  return out.Bytes().size();
}

std::size_t SaveGiflib(const Picture& p) {
  static qt::test::RefImage ref;
  static const Picture* of = nullptr;
  if (of != &p) {
    ref = qt::test::GiflibRead(p.file);
    of = &p;
  }
  return qt::test::GiflibWrite(ref).size();
}

} // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 31;
  std::vector<Picture> pictures;
  for (const char* name : {"photo", "photo-fs", "rose", "interlaced", "banner", "pan"})
    pictures.push_back({name, true});
  for (const char* name : {"cartoon", "logo"})
    pictures.push_back({name, false});
  for (Picture& p : pictures) {
    p.file = ReadFile(std::string(QT_BENCH_GIF_DIR) + "/" + p.name + ".gif");
    qt::MemoryStream s(p.file);
    qt::TGIFImage image;
    image.LoadFromStream(s);
    for (int i = 0; i < image.Images().Count(); ++i)
      p.pixels += static_cast<std::uint64_t>(image.Images().Items(i).DataSize());
  }
  std::vector<Competitor> loaders = {{"ours", LoadOurs}, {"giflib", LoadGiflib}};
#ifdef QT_BENCH_WUFFS
  loaders.push_back({"wuffs", LoadWuffs});
#else
  std::printf("(built without wuffs: ../shared/refs/wuffs-v0.3.c was not there)\n");
#endif
  for (const Picture& p : pictures) {
    Sums first;
    loaders[0].load(p, &first);
    for (std::size_t k = 1; k < loaders.size(); ++k) {
      Sums sums;
      loaders[k].load(p, &sums);
      if (!(sums == first)) {
        std::fprintf(stderr, "%s: %s gives other indices than %s\n", p.name, loaders[k].name, loaders[0].name);
        return 1;
      }
    }
  }
  std::printf("%d rounds; median ms per call; ratios = their time / ours (above 1: ours is faster)\n", rounds);
  for (const Picture& p : pictures) {
    const std::vector<double> t = TimeRounds(p, loaders, rounds);
    std::printf("load %-10s (%s, %7.0f kpixels):", p.name, p.photoLike ? "photo" : "flat ",
                static_cast<double>(p.pixels) / 1000);
    for (std::size_t k = 0; k < loaders.size(); ++k)
      std::printf("  %s %.3f", loaders[k].name, 1000 * t[k]);
    for (std::size_t k = 1; k < loaders.size(); ++k)
      std::printf("  %.2fx %s", t[k] / t[0], loaders[k].name);
    std::printf("\n");
  }
  std::vector<Competitor> savers = {{"ours", [](const Picture& p, Sums*) { SaveOurs(p); }},
                                    {"giflib", [](const Picture& p, Sums*) { SaveGiflib(p); }}};
  for (const Picture& p : pictures) {
    const double ours = static_cast<double>(SaveOurs(p)), theirs = static_cast<double>(SaveGiflib(p));
    const std::vector<double> t = TimeRounds(p, savers, rounds);
    std::printf("save %-10s: ours %.3f  giflib %.3f  %.2fx giflib, output %+.3f%% against giflib's\n", p.name,
                1000 * t[0], 1000 * t[1], t[1] / t[0], 100.0 * (ours / theirs - 1));
  }
#ifdef QT_COUNT_ALLOCATIONS
  for (const Picture& p : pictures) {
    qt::MemoryStream s(p.file);
    const std::int64_t before = inUse.load();
    peak = before;
    {
      qt::TGIFImage image;
      image.LoadFromStream(s);
    }
    std::printf("load %-10s peak memory: %.3fx its pixels\n", p.name,
                static_cast<double>(peak.load() - before) / static_cast<double>(p.pixels));
  }
#endif
  return 0;
}
