// Colour reduction of 1920 x 1080 24-bit pictures to 256 colours without dither: our octree
// against two references on the same picture in the same run. The pictures: "photo", smooth
// gradients with grain (tests/gif/photo.hpp), and "plasma", ImageMagick's blurred plasma fractal
// (made at the start, not timed).
//   ours: the octree palette, then every pixel mapped to its nearest palette colour through the
//         plain dither engine (what the reduction does, with a portable nearest lookup in place of
//         GDI's);
//   palette only: the octree scan and its palette, without the mapping;
//   ImageMagick: the whole program as users run it, `convert <ppm> +dither -colors 256 <ppm>`,
//         which also reads and writes the 6 MB picture file (the option comes first: after
//         -colors it would not reach the reduction, which then dithers);
//   libimagequant: speed 10, one thread, dithering level 0, from 32-bit pixels to indices and palette.
// Before anything is timed, each reduction runs once on each picture and must give a picture of
// that size with at most 256 colours; its PSNR against the source comes from that run. The timed
// runs are repetitions interleaved at random; each time is a median over them (wall clock: the
// ImageMagick child process may use several threads). Printed at the end, for each picture: the
// octree's speed as a multiple of each reference's, and the three PSNRs. Run by hand on a Release
// build without sanitizers.
#include "gif/color/quantize.hpp"
#include "tests/bench/label_times.hpp"
#include "tests/gif/color/photo.hpp"

#include <benchmark/benchmark.h>
#include <libimagequant.h>
#include <omp.h>

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

// A palette and one index a pixel: what ours and libimagequant give.
struct TIndexed {
  std::vector<qt::TPaletteEntry> palette;
  std::vector<std::uint8_t> indices = std::vector<std::uint8_t>(kPixels);
};

void ReduceOurs(int which, TIndexed& out) {
  const std::vector<std::uint8_t>& photo = Photo(which);
  out.palette = qt::OctreePaletteEntries(kWidth, kHeight, Rows(photo), 256, 8, false, kNoStatic);
  TNearestLookup lookup(out.palette);
  qt::TDitherEngine engine(kWidth, lookup);
  for (int y = 0; y < kHeight; ++y)
    qt::DitherRow(engine, &photo[3 * static_cast<std::size_t>(y) * kWidth], &out.indices[static_cast<std::size_t>(y) * kWidth]);
}

// The picture as libimagequant's users hand it over: red, green, blue, alpha.
const std::vector<std::uint8_t>& PhotoRGBA(int which) {
  static std::vector<std::uint8_t> rgba[2];
  if (rgba[which].empty()) {
    const std::vector<std::uint8_t>& photo = Photo(which);
    rgba[which].resize(4 * kPixels);
    for (std::size_t i = 0; i < kPixels; ++i) {
      rgba[which][4 * i] = photo[3 * i + 2];
      rgba[which][4 * i + 1] = photo[3 * i + 1];
      rgba[which][4 * i + 2] = photo[3 * i];
      rgba[which][4 * i + 3] = 255;
    }
  }
  return rgba[which];
}

bool ReduceLiq(int which, TIndexed& out) {
  liq_attr* attr = liq_attr_create();
  liq_set_speed(attr, 10);
  liq_set_max_colors(attr, 256);
  liq_image* image = liq_image_create_rgba(attr, PhotoRGBA(which).data(), kWidth, kHeight, 0);
  liq_result* result = nullptr;
  bool done = image && liq_image_quantize(image, attr, &result) == LIQ_OK;
  if (done) {
    liq_set_dithering_level(result, 0);
    done = liq_write_remapped_image(result, image, out.indices.data(), out.indices.size()) == LIQ_OK;
    const liq_palette* palette = liq_get_palette(result);
    out.palette.clear();
    for (unsigned i = 0; i < palette->count; ++i)
      out.palette.push_back({palette->entries[i].r, palette->entries[i].g, palette->entries[i].b, 0});
    liq_result_destroy(result);
  }
  if (image) liq_image_destroy(image);
  liq_attr_destroy(attr);
  return done;
}

std::string MagickOut() { return Dir() + "/quantize_magick.ppm"; }

bool ReduceMagick(int which) {
  const std::string command = "convert " + SourcePath(which) + " +dither -colors 256 " + MagickOut();
  return std::system(command.c_str()) == 0;
}

// 24-bit pixels (blue, green, red) of an indexed result; an index past its palette is a failure.
std::vector<std::uint8_t> Expand(const TIndexed& indexed) {
  if (indexed.palette.empty() || indexed.palette.size() > 256) throw std::runtime_error("no palette of 1 to 256 colours");
  std::vector<std::uint8_t> bgr(3 * kPixels);
  for (std::size_t i = 0; i < kPixels; ++i) {
    if (indexed.indices[i] >= indexed.palette.size()) throw std::runtime_error("index past the palette");
    const qt::TPaletteEntry& e = indexed.palette[indexed.indices[i]];
    bgr[3 * i] = e.blue;
    bgr[3 * i + 1] = e.green;
    bgr[3 * i + 2] = e.red;
  }
  return bgr;
}

// The PSNR of a result, once it is a picture of the source's size with at most 256 colours.
double CheckedPSNR(int which, const std::vector<std::uint8_t>& bgr) {
  if (bgr.size() != 3 * kPixels) throw std::runtime_error("a picture of another size");
  std::vector<bool> seen(1 << 24);
  int colors = 0;
  for (std::size_t i = 0; i < bgr.size(); i += 3) {
    const std::size_t c = (std::size_t{bgr[i]} << 16) | (std::size_t{bgr[i + 1]} << 8) | bgr[i + 2];
    if (!seen[c]) seen[c] = true, ++colors;
  }
  if (colors > 256) throw std::runtime_error(std::to_string(colors) + " colours");
  return PSNR(which, bgr);
}

void BM_Ours(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  TIndexed out;
  for (auto _ : state) {
    ReduceOurs(which, out);
    benchmark::DoNotOptimize(out.indices.data());
  }
  state.SetLabel("ours " + std::string(kNames[which]));
}

void BM_PaletteOnly(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  const std::vector<std::uint8_t>& photo = Photo(which);
  for (auto _ : state)
    benchmark::DoNotOptimize(qt::OctreePaletteEntries(kWidth, kHeight, Rows(photo), 256, 8, false, kNoStatic));
  state.SetLabel("palette only " + std::string(kNames[which]));
}

void BM_Liq(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  TIndexed out;
  for (auto _ : state)
    if (!ReduceLiq(which, out)) {
      state.SkipWithError("libimagequant failed");
      return;
    }
  state.SetLabel("libimagequant " + std::string(kNames[which]));
}

void BM_ImageMagick(benchmark::State& state) {
  const int which = static_cast<int>(state.range(0));
  for (auto _ : state)
    if (!ReduceMagick(which)) {
      state.SkipWithError("convert failed");
      return;
    }
  state.SetLabel("ImageMagick " + std::string(kNames[which]));
}

BENCHMARK(BM_Ours)->Name("Octree/256/1920x1080")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaletteOnly)->Name("OctreePalette/256/1920x1080")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Liq)->Name("libimagequant/256/1920x1080")->Arg(0)->Arg(1)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImageMagick)->Name("ImageMagick/256/1920x1080")->Arg(0)->Arg(1)->UseRealTime()->Iterations(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
  // Repetitions interleaved at random unless the command line says otherwise (later flags win).
  std::vector<char*> args{argv[0]};
  char repetitions[] = "--benchmark_repetitions=7", interleave[] = "--benchmark_enable_random_interleaving=true";
  args.push_back(repetitions);
  args.push_back(interleave);
  args.insert(args.end(), argv + 1, argv + argc);
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  omp_set_num_threads(1); // libimagequant's

  std::map<std::string, double> psnr;
  try {
    for (int which = 0; which < 2; ++which) {
      const std::string n = kNames[which];
      if (which == 0) WritePPM(SourcePath(0));
      TIndexed indexed;
      ReduceOurs(which, indexed);
      psnr["ours " + n] = CheckedPSNR(which, Expand(indexed));
      if (!ReduceLiq(which, indexed)) throw std::runtime_error("libimagequant failed");
      psnr["libimagequant " + n] = CheckedPSNR(which, Expand(indexed));
      if (!ReduceMagick(which)) throw std::runtime_error("convert failed");
      psnr["ImageMagick " + n] = CheckedPSNR(which, ReadPPM(MagickOut()));
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "a reduction gave no valid result, nothing timed: %s\n", e.what());
    return 1;
  }

  std::map<std::string, double> seconds; // median wall time per iteration, by label
  qt::bench::LabelTimes collector(seconds, qt::bench::LabelTimes::kReal);
  benchmark::RunSpecifiedBenchmarks(&collector);
  for (const char* name : kNames) {
    const std::string n = name, ours = "ours " + n, magick = "ImageMagick " + n, liq = "libimagequant " + n,
                      palette = "palette only " + n;
    if (seconds.count(ours) && seconds.count(magick) && seconds.count(liq))
      std::printf("%s: octree reduction %.2fx ImageMagick's speed (goal: at least 5), %.2fx libimagequant's "
                  "(palette alone %.2fx ImageMagick's); PSNR %.2f dB, ImageMagick %.2f dB (%+.2f), libimagequant %.2f dB (%+.2f)\n",
                  name, seconds[magick] / seconds[ours], seconds[liq] / seconds[ours],
                  seconds.count(palette) ? seconds[magick] / seconds[palette] : 0.0, psnr[ours], psnr[magick],
                  psnr[ours] - psnr[magick], psnr[liq], psnr[ours] - psnr[liq]);
  }
  return 0;
}
