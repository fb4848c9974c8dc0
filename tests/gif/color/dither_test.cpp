#include "gif/color/dither.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace qt {
namespace {

using Rgb = std::array<int, 3>;

// Answers index 0 with whatever colour `report` gives and records every colour asked, so a test
// sees exactly the diffused values an engine computed.
class RecordingLookup : public TColorLookup {
public:
  explicit RecordingLookup(std::function<Rgb(Rgb)> report) : TColorLookup(1), report_(std::move(report)) {}
  std::uint8_t NearestIndex(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& r,
                            std::uint8_t& g, std::uint8_t& b) override {
    asked.push_back({red, green, blue});
    const Rgb out = report_(asked.back());
    r = static_cast<std::uint8_t>(out[0]);
    g = static_cast<std::uint8_t>(out[1]);
    b = static_cast<std::uint8_t>(out[2]);
    return 0;
  }
  std::vector<Rgb> asked;

private:
  std::function<Rgb(Rgb)> report_;
};

Rgb Black(Rgb) { return {0, 0, 0}; }

// A picture as the 24-bit rows hold it: blue, green, red.
struct Picture {
  int width, height;
  std::vector<std::uint8_t> bgr;
  Rgb At(int x, int y) const {
    const std::uint8_t* p = &bgr[3 * (static_cast<std::size_t>(y) * width + x)];
    return {p[2], p[1], p[0]};
  }
};

Picture Reds(int width, std::initializer_list<int> reds) {
  Picture p{width, static_cast<int>(reds.size()) / width, {}};
  for (int red : reds)
    p.bgr.insert(p.bgr.end(), {0, 0, static_cast<std::uint8_t>(red)});
  return p;
}

Picture Random(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  Picture p{width, height, std::vector<std::uint8_t>(3 * static_cast<std::size_t>(width) * height)};
  for (auto& c : p.bgr)
    c = static_cast<std::uint8_t>(random());
  return p;
}

std::vector<std::uint8_t> DitherPicture(TDitherEngine& engine, const Picture& p) {
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(p.width) * p.height);
  for (int y = 0; y < p.height; ++y)
    DitherRow(engine, &p.bgr[3 * static_cast<std::size_t>(y) * p.width], &indices[static_cast<std::size_t>(y) * p.width]);
  return indices;
}

enum class Kind { nearest, floydSteinberg, stucki, sierra, jajuni, stevensonArce, burkes };

std::unique_ptr<TDitherEngine> MakeEngine(Kind kind, int width, TColorLookup& lookup) {
  switch (kind) {
  case Kind::nearest: return std::make_unique<TDitherEngine>(width, lookup);
  case Kind::floydSteinberg: return std::make_unique<TFloydSteinbergDitherer>(width, lookup);
  case Kind::stucki: return std::make_unique<TStuckiDitherer>(width, lookup);
  case Kind::sierra: return std::make_unique<TSierraDitherer>(width, lookup);
  case Kind::jajuni: return std::make_unique<TJaJuNiDitherer>(width, lookup);
  case Kind::stevensonArce: return std::make_unique<TSteveArcheDitherer>(width, lookup);
  case Kind::burkes: return std::make_unique<TBurkesDitherer>(width, lookup);
  }
  return nullptr;
}

// The published kernels, written out here from their weights: (row, offset ahead, weight).
struct Kernel {
  Kind kind;
  const char* name;
  int divisor;
  std::vector<TKernelCell> cells;
};

const std::vector<Kernel>& Kernels() {
  static const std::vector<Kernel> kernels = {
      {Kind::floydSteinberg, "Floyd-Steinberg", 16, {{0, 1, 7}, {1, -1, 3}, {1, 0, 5}, {1, 1, 1}}},
      {Kind::stucki, "Stucki", 42,
       {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
        {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}}},
      {Kind::sierra, "Sierra", 32,
       {{0, 1, 5}, {0, 2, 3}, {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},
        {2, -1, 2}, {2, 0, 3}, {2, 1, 2}}},
      {Kind::jajuni, "Jarvis-Judice-Ninke", 48,
       {{0, 1, 7}, {0, 2, 5}, {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},
        {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}}},
      {Kind::stevensonArce, "Stevenson-Arce", 200,
       {{0, 2, 32}, {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16}, {2, -2, 12}, {2, 0, 26},
        {2, 2, 12}, {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5}}},
      {Kind::burkes, "Burkes", 32,
       {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}},
  };
  return kernels;
}

// Error diffusion the plain way: one accumulator per pixel of the whole picture, serpentine order,
// each share added where it lands inside the picture, divided once (truncating) when its pixel
// is processed. Returns the colours the lookup is asked, in processing order.
std::vector<Rgb> Reference(const Kernel& k, const Picture& p, const std::function<Rgb(Rgb)>& report) {
  std::vector<std::array<int, 3>> sums(static_cast<std::size_t>(p.width) * p.height, {0, 0, 0});
  std::vector<Rgb> asked;
  for (int y = 0; y < p.height; ++y) {
    const int dir = y % 2 == 0 ? 1 : -1;
    for (int i = 0; i < p.width; ++i) {
      const int x = dir > 0 ? i : p.width - 1 - i;
      Rgb value;
      for (int c = 0; c < 3; ++c)
        value[c] = std::clamp(p.At(x, y)[c] + (sums[y * p.width + x][c] + k.divisor / 2) / k.divisor, 0, 255);
      asked.push_back(value);
      const Rgb shown = report(value);
      for (const TKernelCell& cell : k.cells) {
        const int tx = x + cell.offset * dir, ty = y + cell.row;
        if (tx < 0 || tx >= p.width || ty >= p.height) continue;
        for (int c = 0; c < 3; ++c)
          sums[ty * p.width + tx][c] += cell.weight * (value[c] - shown[c]);
      }
    }
  }
  return asked;
}

TEST(DitherTest, FloydSteinbergByHandWithSharesDroppedAtBothEnds) {
  // Row 0 left to right: 10 (error 10), 20 + (70 + 8) div 16 = 24, 30 + (168 + 8) div 16 = 41.
  // Row 1 below holds x0: 5x10 + 3x24 = 122, x1: 1x10 + 5x24 + 3x41 = 253, x2: 1x24 + 5x41 = 229;
  // the 3/16 of x0 and the 1/16 of x2 fall outside. Row 1 runs right to left from x2:
  // (229 + 8) div 16 = 14; (253 + 7x14 + 8) div 16 = 22; (122 + 7x22 + 8) div 16 = 17.
  RecordingLookup lookup(Black);
  TFloydSteinbergDitherer engine(3, lookup);
  const Picture p = Reds(3, {10, 20, 30, 0, 0, 0});
  DitherPicture(engine, p);
  std::vector<int> reds;
  for (const Rgb& c : lookup.asked)
    reds.push_back(c[0]);
  EXPECT_EQ(reds, (std::vector<int>{10, 24, 41, 14, 22, 17}));
  EXPECT_EQ(engine.Direction(), 1);
  EXPECT_EQ(engine.Column(), 0);
}

TEST(DitherTest, DivisionTruncatesTowardZeroAndValuesAreClampedBeforeTheLookup) {
  {
    // Reported white: error -5, carried -35, (-35 + 8) div 16 = -1 (a shift would give -2).
    RecordingLookup lookup([](Rgb) { return Rgb{255, 255, 255}; });
    TFloydSteinbergDitherer engine(2, lookup);
    DitherPicture(engine, Reds(2, {250, 250}));
    EXPECT_EQ(lookup.asked[1][0], 249);
  }
  {
    // 250 + (1750 + 8) div 16 = 359 is asked as 255; the next error is 255, not 359:
    // (7 x 255 + 8) div 16 = 112.
    RecordingLookup lookup(Black);
    TFloydSteinbergDitherer engine(3, lookup);
    DitherPicture(engine, Reds(3, {250, 250, 0}));
    EXPECT_EQ(lookup.asked[1][0], 255);
    EXPECT_EQ(lookup.asked[2][0], 112);
  }
  {
    // Stucki, divisor 42: an error of 3 carries 8 x 3 = 24 and 4 x 3 = 12 ahead:
    // (24 + 21) div 42 = 1, (12 + 21) div 42 = 0; an error of -8 carries -64: (-64 + 21) div 42 = -1.
    RecordingLookup lookup([](Rgb v) { return v[0] == 3 ? Rgb{0, 0, 0} : v; });
    TStuckiDitherer engine(3, lookup);
    DitherPicture(engine, Reds(3, {3, 0, 0}));
    EXPECT_EQ(lookup.asked[1][0], 1);
    EXPECT_EQ(lookup.asked[2][0], 0);
  }
}

TEST(DitherTest, EveryKernelMatchesThePlainDiffusion) {
  const std::function<Rgb(Rgb)> reports[] = {
      Black,
      [](Rgb) { return Rgb{255, 255, 255}; },
      // the cube's colours, so errors of both signs
      [](Rgb v) { return Rgb{(v[0] + 3) / 51 * 51, (v[1] + 3) / 51 * 51, (v[2] + 3) / 51 * 51}; },
  };
  const Picture pictures[] = {Random(1, 5, 1), Random(2, 4, 2), Random(7, 5, 3), Random(13, 6, 4)};
  for (const Kernel& k : Kernels())
    for (const auto& report : reports)
      for (const Picture& p : pictures) {
        RecordingLookup lookup(report);
        auto engine = MakeEngine(k.kind, p.width, lookup);
        DitherPicture(*engine, p);
        EXPECT_EQ(lookup.asked, Reference(k, p, report)) << k.name << ", " << p.width << " x " << p.height;
      }
}

TEST(DitherTest, PaletteColoursComeOutExactUnderEveryEngine) {
  TNetscapeColorLookup cube;
  Picture p{36, 6, {}};
  for (int i = 0; i < 216; ++i)
    p.bgr.insert(p.bgr.end(), {static_cast<std::uint8_t>(i % 6 * 51), static_cast<std::uint8_t>(i / 6 % 6 * 51),
                               static_cast<std::uint8_t>(i / 36 * 51)});
  std::vector<std::uint8_t> expected(216);
  for (int i = 0; i < 216; ++i)
    expected[i] = static_cast<std::uint8_t>(i);
  for (Kind kind : {Kind::nearest, Kind::floydSteinberg, Kind::stucki, Kind::sierra, Kind::jajuni,
                    Kind::stevensonArce, Kind::burkes}) {
    auto engine = MakeEngine(kind, p.width, cube);
    EXPECT_EQ(DitherPicture(*engine, p), expected) << static_cast<int>(kind);
  }
}

TEST(DitherTest, NearestIsTheLookupOnEveryPixel) {
  TGrayScaleLookup grey;
  const Picture p = Random(9, 4, 7);
  TDitherEngine engine(p.width, grey);
  const std::vector<std::uint8_t> indices = DitherPicture(engine, p);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      std::uint8_t r, g, b;
      const Rgb c = p.At(x, y);
      EXPECT_EQ(indices[y * p.width + x],
                grey.NearestIndex(static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]),
                                  static_cast<std::uint8_t>(c[2]), r, g, b));
    }
}

TEST(DitherTest, ASteppedColumnCarriesNoErrorAndMovesNoErrorTerm) {
  // Floyd-Steinberg over 10, (passed), 0: the third pixel still receives the first one's 7/16.
  RecordingLookup lookup(Black);
  TFloydSteinbergDitherer engine(3, lookup);
  std::uint8_t r, g, b;
  engine.DitherPixel(10, 0, 0, r, g, b);
  engine.StepColumn();
  EXPECT_EQ(engine.Column(), 2);
  engine.DitherPixel(0, 0, 0, r, g, b);
  ASSERT_EQ(lookup.asked.size(), 2u);
  EXPECT_EQ(lookup.asked[1][0], 4); // (70 + 8) div 16
  engine.EndRow();
  EXPECT_EQ(engine.Direction(), -1);
  EXPECT_EQ(engine.Column(), 2);
}

TEST(DitherTest, AWidthNoMemoryHoldsFailsAsOutOfMemory) {
  TNetscapeColorLookup cube;
  EXPECT_THROW(TFloydSteinbergDitherer(-1, cube), std::bad_alloc);
  if constexpr (sizeof(std::size_t) == 4) {
    EXPECT_THROW(TStuckiDitherer(2147483647, cube), std::bad_alloc);
  }
}

} // namespace
} // namespace qt
