// Octree colour reduction of 1920 x 1080 24-bit pictures to 256 colours without dither, against
// ImageMagick's `convert <ppm> -colors 256 +dither <ppm>` on the same picture in the same run. The
// pictures: "photo", smooth gradients with grain (tests/gif/photo.hpp), and "plasma", ImageMagick's
// blurred plasma fractal (made at the start, not timed).
//   ours: the octree palette, then every pixel mapped to its nearest palette colour through the
//         plain dither engine (what the reduction does, with a portable nearest lookup in place of
//         GDI's);
//   palette only: the octree scan and its palette, without the mapping;
//   ImageMagick: the whole program, which also reads and writes the 6 MB picture file.
// Wall-clock times (ImageMagick runs in a child process and may use several threads); the PSNR of
// each result against the source is a counter. The ratios are printed at the end. Run by hand on
// a Release build without sanitizers.
#include "gif/quantize.hpp"
#include "tests/bench/label_times.hpp"
#include "tests/gif/photo.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr std::size_t kPixels = static_cast<std::size_t>(kWidth) * kHeight;

std::map<std::string, double> seconds; // wall time per iteration, by benchmark
std::map<std::string, double> psnr;

constexpr const char* kNames[] = {"photo", "plasma"};

std::string Dir() { return QT_BENCH_DIR; }
std::string SourcePath(int which) { return Dir() + "/quantize_" + kNames[which] + ".ppm"; }

std::vector<std::uint8_t> ReadPPM(const std::string& path);

const std::vector<std::uint8_t>& Photo(int which) {
  static const std::vector<std::uint8_t> photo = qt::bench::PhotoLike(kWidth, kHeight);
  static const std::vector<std::uint8_t> plasma = [] {
    const std::string command = "convert -seed 7 -size 1920x1080 plasma:fractal -blur 0x2 -depth 8 " + SourcePath(1);
    if (std::system(command.c_str()) != 0) throw std::runtime_error("convert failed");
    return ReadPPM(SourcePath(1));
  }();
  return which == 0 ? photo : plasma;
}

qt::TRowSource Rows(const std::vector<std::uint8_t>& bgr) {
  return [&bgr](int row) { return bgr.data() + 3 * static_cast<std::size_t>(row) * kWidth; };
}

// bgr: 24-bit pixels (blue, green, red) against the picture's.
double PSNR(int which, const std::vector<std::uint8_t>& bgr) {
  const std::vector<std::uint8_t>& photo = Photo(which);
  double squares = 0;
  for (std::size_t i = 0; i < photo.size(); ++i) {
    const double d = double(bgr[i]) - double(photo[i]);
    squares += d * d;
  }
  return 10 * std::log10(255.0 * 255.0 * static_cast<double>(photo.size()) / squares);
}

// The nearest palette colour by squared distance, the first of equals, as GDI's nearest palette
// index answers it. The colour cube is cut into 16 x 16 x 16 cells; each cell keeps the entries
// that can be nearest to some colour inside it: those whose least distance to the cell is within
// the least, over all entries, of the greatest distance to it.
class TNearestLookup final : public qt::TColorLookup {
public:
  explicit TNearestLookup(const std::vector<qt::TPaletteEntry>& palette)
      : TColorLookup(static_cast<int>(palette.size())), palette_(palette), cells_(kCells * kCells * kCells) {
    for (int cr = 0; cr < kCells; ++cr)
      for (int cg = 0; cg < kCells; ++cg)
        for (int cb = 0; cb < kCells; ++cb) {
          const int low[3] = {cr * kSide, cg * kSide, cb * kSide};
          std::vector<int> nearest(palette.size()), farthest(palette.size());
          int bound = 1 << 30;
          for (std::size_t i = 0; i < palette.size(); ++i) {
            const int c[3] = {palette[i].red, palette[i].green, palette[i].blue};
            int near = 0, far = 0;
            for (int k = 0; k < 3; ++k) {
              const int lo = low[k], hi = low[k] + kSide - 1;
              const int dn = c[k] < lo ? lo - c[k] : c[k] > hi ? c[k] - hi : 0;
              const int df = std::max(std::abs(c[k] - lo), std::abs(c[k] - hi));
              near += dn * dn;
              far += df * df;
            }
            nearest[i] = near;
            farthest[i] = far;
            bound = std::min(bound, far);
          }
          std::vector<std::uint8_t>& cell = cells_[static_cast<std::size_t>((cr * kCells + cg) * kCells + cb)];
          for (std::size_t i = 0; i < palette.size(); ++i)
            if (nearest[i] <= bound) cell.push_back(static_cast<std::uint8_t>(i));
        }
  }
  std::uint8_t NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& r,
                            std::uint8_t& g, std::uint8_t& b) override {
    const std::vector<std::uint8_t>& cell =
        cells_[static_cast<std::size_t>(((red / kSide) * kCells + green / kSide) * kCells + blue / kSide)];
    int best = 1 << 30;
    std::uint8_t found = 0;
    for (const std::uint8_t i : cell) {
      const qt::TPaletteEntry& e = palette_[i];
      const int dr = e.red - red, dg = e.green - green, db = e.blue - blue;
      const int d = dr * dr + dg * dg + db * db;
      if (d < best) {
        best = d;
        found = i;
      }
    }
    r = palette_[found].red;
    g = palette_[found].green;
    b = palette_[found].blue;
    return found;
  }

private:
  static constexpr int kSide = 16, kCells = 256 / kSide;
  std::vector<qt::TPaletteEntry> palette_;
  std::vector<std::vector<std::uint8_t>> cells_; // entry indices, ascending
};

const qt::TStaticColors kNoStatic{};

void BM_Ours(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const std::vector<std::uint8_t>& photo = Photo(which);
  std::vector<std::uint8_t> indices(kPixels);
  std::vector<qt::TPaletteEntry> palette;
  for (auto _ : state) {
    palette = qt::OctreePaletteEntries(kWidth, kHeight, Rows(photo), 256, 8, false, kNoStatic);
    TNearestLookup lookup(palette);
    qt::TDitherEngine engine(kWidth, lookup);
    for (int y = 0; y < kHeight; ++y)
      qt::DitherRow(engine, &photo[3 * static_cast<std::size_t>(y) * kWidth], &indices[static_cast<std::size_t>(y) * kWidth]);
    benchmark::DoNotOptimize(indices.data());
  }
  std::vector<std::uint8_t> bgr(3 * kPixels);
  for (std::size_t i = 0; i < kPixels; ++i) {
    const qt::TPaletteEntry& e = palette[indices[i]];
    bgr[3 * i] = e.blue;
    bgr[3 * i + 1] = e.green;
    bgr[3 * i + 2] = e.red;
  }
  psnr["ours " + std::string(kNames[which])] = state.counters["PSNR_dB"] = PSNR(which, bgr);
  state.SetLabel("ours " + std::string(kNames[which]));
}

void BM_PaletteOnly(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const std::vector<std::uint8_t>& photo = Photo(which);
  for (auto _ : state)
    benchmark::DoNotOptimize(qt::OctreePaletteEntries(kWidth, kHeight, Rows(photo), 256, 8, false, kNoStatic));
  state.SetLabel("palette only " + std::string(kNames[which]));
}

void WritePPM(const std::string& path) {
  const std::vector<std::uint8_t>& photo = Photo(0);
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << kWidth << ' ' << kHeight << "\n255\n";
  for (std::size_t i = 0; i < photo.size(); i += 3) {
    const char rgb[3] = {static_cast<char>(photo[i + 2]), static_cast<char>(photo[i + 1]), static_cast<char>(photo[i])};
    out.write(rgb, 3);
  }
  if (!out) throw std::runtime_error("cannot write " + path);
}

// A binary PPM of the picture's size, as 24-bit pixels (blue, green, red).
std::vector<std::uint8_t> ReadPPM(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, max = 0;
  in >> magic >> width >> height >> max;
  in.get();
  if (magic != "P6" || width != kWidth || height != kHeight || max != 255) throw std::runtime_error("unexpected " + path);
  std::vector<std::uint8_t> rgb(3 * kPixels);
  in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  if (!in) throw std::runtime_error("short " + path);
  for (std::size_t i = 0; i < rgb.size(); i += 3)
    std::swap(rgb[i], rgb[i + 2]);
  return rgb;
}

void BM_ImageMagick(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const std::string in = SourcePath(which), out = Dir() + "/quantize_magick.ppm";
  if (which == 0) WritePPM(in);
  Photo(which);
  const std::string command = "convert " + in + " -colors 256 +dither " + out;
  for (auto _ : state)
    if (std::system(command.c_str()) != 0) {
      state.SkipWithError("convert failed");
      return;
    }
  psnr["ImageMagick " + std::string(kNames[which])] = state.counters["PSNR_dB"] = PSNR(which, ReadPPM(out));
  state.SetLabel("ImageMagick " + std::string(kNames[which]));
}

BENCHMARK(BM_Ours)->Name("Octree/256/1920x1080")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaletteOnly)->Name("OctreePalette/256/1920x1080")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageMagick)->Name("ImageMagick/256/1920x1080")->Arg(0)->Arg(1)->UseRealTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  qt::bench::LabelTimes collector(seconds, qt::bench::LabelTimes::kReal);
  benchmark::RunSpecifiedBenchmarks(&collector);
  for (const char* name : kNames) {
    const std::string n = name, ours = "ours " + n, magick = "ImageMagick " + n, palette = "palette only " + n;
    if (seconds.count(ours) && seconds.count(magick))
      std::printf("%s: octree reduction %.2fx ImageMagick's speed (palette alone %.2fx); PSNR %.2f dB against %.2f dB (%+.2f dB)\n",
                  name, seconds[magick] / seconds[ours], seconds.count(palette) ? seconds[magick] / seconds[palette] : 0.0,
                  psnr[ours], psnr[magick], psnr[ours] - psnr[magick]);
  }
  return 0;
}
