// The optimiser: every option keeps what the animation shows, frame by frame and over time, after
// a save and a load; and its rules for blocks, disposal, transparency, delays and progress.
#include "gif/codec/optimize.hpp"

#include "gif/codec/GIFImage.hpp"
#include "gif/codec/frame_merge.hpp"
#include "tests/gif/codec/compose.hpp"
#include "tests/gif/codec/fixtures.hpp"

#include <gtest/gtest.h>

#include <functional>

namespace qt {
namespace {

using test::BuildImage;
using test::FrameSpec;

// Six colours; the last two are used by no frame.
const std::vector<TColor> kColors{0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0x808080, 0x00FFFF};
const std::vector<TColor> kReversed{0x00FFFF, 0x808080, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF};
constexpr int W = 8, H = 6;

std::string Fill(int w, int h, const std::function<int(int, int)>& at) {
  std::string s;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.push_back(static_cast<char>(at(x, y)));
  return s;
}

int Pattern(int x, int y) { return (x + 2 * y) % 3; }

// A square of colour 3 moving over a pattern; frame 2 repeats frame 1.
std::vector<FrameSpec> MovingSquare() {
  std::vector<FrameSpec> frames;
  const int at[] = {0, 2, 2, 4, 6};
  for (int k = 0; k < 5; ++k)
    frames.push_back({0, 0, W, H, Fill(W, H, [&](int x, int y) {
                        return x >= at[k] && x < at[k] + 2 && y >= 2 && y < 4 ? 3 : Pattern(x, y);
                      }), -1, 1, 5 + 2 * k});
  return frames;
}

// Every disposal method, local maps, a frame covered by the next, a transparent frame whose
// transparent index no pixel has, one that repeats the frame before.
std::vector<FrameSpec> Disposals() {
  const auto pattern = [](int x, int y) { return Pattern(x, y); };
  return {
      {0, 0, W, H, Fill(W, H, pattern), -1, 0, 10},
      {1, 1, 4, 3, std::string(12, '\3'), -1, 2, 10},
      // Covers the frame before, which clears its area: that clearing is never seen.
      {0, 0, W, H, Fill(W, H, [](int x, int y) { return x >= 1 && x < 3 && y >= 1 && y < 3 ? 3 : Pattern(x, y); }), -1, 1, 10},
      {2, 2, 3, 2, std::string("\5\1\5\5\2\5", 6), 5, 3, 4},
      {0, 0, W, H, Fill(W, H, [](int x, int y) { return x == 6 && y == 4 ? 2 : 4; }), 4, 2, 6},
      {3, 0, 2, 2, std::string("\0\1\2\3", 4), -1, 1, 3, kReversed},
      {0, 3, 4, 3, Fill(4, 3, [](int x, int y) { return Pattern(x, y + 3); }), 5, 1, 8},
      {0, 3, 4, 3, Fill(4, 3, [](int x, int y) { return Pattern(x, y + 3); }), 5, 0, 9},
  };
}

// Frames that restore what was under them, between frames that merge across them; a frame that
// repeats one which clears, and a wholly transparent frame after a frame that clears.
std::vector<FrameSpec> Restores() {
  const auto pattern = [](int x, int y) { return Pattern(x, y); };
  return {
      {0, 0, W, H, Fill(W, H, pattern), -1, 1, 20},
      {1, 1, 2, 2, std::string("\3\4\4\3", 4), 4, 3, 5},
      {4, 2, 3, 3, std::string(9, '\0'), -1, 3, 5},
      {0, 0, W, H, Fill(W, H, [](int x, int y) { return y == 5 ? 3 : Pattern(x, y); }), -1, 2, 7},
      {0, 0, W, H, Fill(W, H, [](int x, int y) { return y == 5 ? 3 : Pattern(x, y); }), -1, 1, 7},
      {2, 2, 2, 2, std::string(4, '\4'), 4, 1, 30},
      {0, 0, W, H, Fill(W, H, pattern), -1, 2, 1},
      {1, 1, 3, 3, std::string(9, '\4'), 4, 1, 2},
  };
}

// Frames whose transparent index no pixel holds: one that dropping unused colours moves past the
// map, and one past the map already, as a file may have it. Merging must not write either.
std::vector<FrameSpec> StaleTransparency() {
  const auto pattern = [](int x, int y) { return Pattern(x, y); };
  const auto moved = [](int x, int y) { return x < 3 && y < 2 ? 3 : Pattern(x, y); };
  return {
      {0, 0, W, H, Fill(W, H, pattern), -1, 1, 5},
      {0, 0, W, H, Fill(W, H, moved), 5, 1, 5},
      {0, 0, W, H, Fill(W, H, pattern), 5, 1, 5},
  };
}

// The control's setter refuses an index past the map; a file can still name one.
void PastTheMap(TGIFImage& image) { image.Images().Items(2).GraphicControlExtension()->ControlBlock[4] = 9; }

struct Animation {
  const char* name;
  std::vector<FrameSpec> (*frames)();
  void (*adjust)(TGIFImage&) = nullptr;

  void Build(TGIFImage& image) const {
    BuildImage(image, W, H, kColors, frames());
    if (adjust) adjust(image);
  }
};
const Animation kAnimations[] = {{"moving square", MovingSquare},
                                 {"disposals", Disposals},
                                 {"restores", Restores},
                                 {"stale transparency", StaleTransparency, PastTheMap}};

std::string Saved(TGIFImage& image) { return test::SaveBytes(image); }

TEST(GIFOptimize, EveryOptionSetKeepsWhatIsShown) {
  for (std::uint8_t option = 0; option < 0x20; ++option) {
    bool changed = false;
    for (const Animation& a : kAnimations) {
      SCOPED_TRACE(std::string(a.name) + " options " + std::to_string(option));
      TGIFImage image;
      a.Build(image);
      const std::string before = Saved(image);
      const test::Composed shown = test::Compose(image);
      OptimizeGIF(image, option, 0, 0, 8);
      const std::string after = Saved(image);
      changed |= after != before;
      auto reloaded = test::LoadBytes(after);
      const test::Composed now = test::Compose(*reloaded);
      EXPECT_EQ(now.Timeline(), shown.Timeline());
      EXPECT_EQ(now.TotalDelay(), shown.TotalDelay());
      EXPECT_LE(after.size(), before.size());
      if (option == 0x1F) {
        EXPECT_LT(after.size(), before.size());
      }
    }
    // A reduction request does nothing; every other option does something to these.
    EXPECT_EQ(changed, (option & ~opReduce) != 0) << int{option};
  }
}

TEST(GIFOptimize, MergingWritesOnlyIndicesTheMapHas) {
  for (const std::uint8_t options : {opMerge, std::uint8_t{opMerge | opColorMaps}}) {
    SCOPED_TRACE(int{options});
    TGIFImage image;
    kAnimations[3].Build(image);
    OptimizeGIF(image, options, 0, 0, 8);
    // Both frames still merge: their repeated pixels hold an index their map has.
    for (int i : {1, 2}) {
      const TGIFSubImage& frame = image.Images().Items(i);
      ASSERT_TRUE(frame.Transparent()) << i;
      const int t = frame.GraphicControlExtension()->TransparentColorIndex();
      EXPECT_TRUE(HoldsIndex(frame, t)) << i;
      EXPECT_LT(t, image.Header().ColorMap().ColorCount()) << i;
    }
    EXPECT_NO_THROW(Saved(image));
  }
}

// A file may hold pixels past their map: they show, opaque. The colour that merging adds for the
// repeated pixels gets the index those pixels hold, on the global map and on a local one.
TEST(GIFOptimize, PixelsPastTheMapStayOpaque) {
  const std::string past = Fill(W, H, [](int x, int y) { return x >= 2 && x < 4 && y >= 2 && y < 4 ? 6 : Pattern(x, y); });
  const std::vector<TColor> none;
  for (const std::vector<TColor>* local : {&none, &kColors}) {
    for (const std::uint8_t options : {opMerge, std::uint8_t{opMerge | opCrop}, std::uint8_t{0x1F}}) {
      SCOPED_TRACE(std::string(local->empty() ? "global" : "local") + " map, options " + std::to_string(options));
      TGIFImage image;
      BuildImage(image, W, H, kColors,
                 {{0, 0, W, H, Fill(W, H, Pattern), -1, 1, 5}, {0, 0, W, H, past, -1, 1, 5, *local}});
      const test::Composed shown = test::Compose(image);
      OptimizeGIF(image, options, 0, 0, 8);
      EXPECT_EQ(test::Compose(image).Timeline(), shown.Timeline());
      // A local map is saved with its own colours only, so such a frame cannot be saved at all.
      if (local->empty()) {
        auto reloaded = test::LoadBytes(Saved(image));
        EXPECT_EQ(test::Compose(*reloaded).Timeline(), shown.Timeline());
      }
    }
  }
}

// Small animations of every kind, made by a fixed sequence of choices: frames anywhere, every
// disposal method, transparency, local maps, colours repeated within a map, few colours so that
// pixels often repeat.
std::vector<FrameSpec> Random(unsigned& seed, std::vector<TColor>& global) {
  const auto next = [&seed](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<unsigned>(n));
  };
  const TColor palette[] = {0x000000, 0x0000FF, 0x00FF00, 0xFFFFFF};
  global.clear();
  for (int i = 0, n = 2 + next(4); i < n; ++i) global.push_back(palette[next(4)]);
  std::vector<FrameSpec> frames;
  for (int k = 0, n = 2 + next(5); k < n; ++k) {
    FrameSpec f;
    f.left = next(W);
    f.top = next(H);
    f.width = 1 + next(W - f.left);
    f.height = 1 + next(H - f.top);
    if (next(4) == 0)
      for (int i = 0, m = 2 + next(3); i < m; ++i) f.local.push_back(palette[next(4)]);
    const int colors = f.local.empty() ? static_cast<int>(global.size()) : static_cast<int>(f.local.size());
    for (int i = 0; i < f.width * f.height; ++i) f.pixels.push_back(static_cast<char>(next(std::min(colors, 3))));
    f.transparent = next(2) ? next(colors) : -1;
    f.disposal = next(6) - 1;
    f.delay = next(3) * 5;
    frames.push_back(f);
  }
  return frames;
}

TEST(GIFOptimize, EveryOptionSetKeepsWhatManyAnimationsShow) {
  unsigned seed = 2024;
  int smaller = 0;
  for (int n = 0; n < 640; ++n) {
    std::vector<TColor> global;
    const std::vector<FrameSpec> frames = Random(seed, global);
    // Every option set on a share of them, and all options on every one.
    for (const std::uint8_t options : {static_cast<std::uint8_t>(n % 0x20), std::uint8_t{0x1F}}) {
      SCOPED_TRACE(std::to_string(n) + " options " + std::to_string(options));
      TGIFImage image;
      BuildImage(image, W, H, global, frames);
      const std::string before = Saved(image);
      const test::Composed shown = test::Compose(image);
      OptimizeGIF(image, options, 0, 0, 8);
      const std::string after = Saved(image);
      ASSERT_LE(after.size(), before.size());
      if (options == 0x1F)
        smaller += after.size() < before.size();
      auto reloaded = test::LoadBytes(after);
      const test::Composed now = test::Compose(*reloaded);
      ASSERT_EQ(now.Timeline(), shown.Timeline());
      ASSERT_EQ(now.TotalDelay(), shown.TotalDelay());
    }
  }
  EXPECT_GT(smaller, 320);
}

// Noise in four colours, each frame a new draw: a quarter of the pixels repeat the frame before,
// and making them transparent takes a fifth colour, which widens every code of every frame.
std::vector<FrameSpec> Noise(int width, int height, int frames) {
  unsigned seed = 7;
  std::vector<FrameSpec> out;
  for (int k = 0; k < frames; ++k)
    out.push_back({0, 0, width, height, Fill(width, height, [&](int, int) {
                     seed = seed * 1103515245u + 12345u;
                     return static_cast<int>((seed >> 16) & 3);
                   }), -1, 1, 10});
  return out;
}

TEST(GIFOptimize, NoOptionSetStoresTheAnimationLarger) {
  const std::vector<TColor> four(kColors.begin(), kColors.begin() + 4);
  std::vector<FrameSpec> noise = Noise(64, 48, 6);
  // A frame without pixels keeps its control through a step that is taken back; a save would
  // hand it to the frame after.
  noise.insert(noise.begin() + 3, FrameSpec{0, 0, 0, 0, "", -1, 2, 7});
  for (std::uint8_t options = 0; options < 0x20; ++options) {
    SCOPED_TRACE(int{options});
    TGIFImage image;
    BuildImage(image, 64, 48, four, noise);
    const std::string before = Saved(image);
    const test::Composed shown = test::Compose(image);
    OptimizeGIF(image, options, 0, 0, 8);
    const std::string after = Saved(image);
    EXPECT_LE(after.size(), before.size());
    EXPECT_EQ(test::Compose(image).Timeline(), shown.Timeline());
    ASSERT_EQ(image.Images().Count(), 7);
    const TGIFGraphicControlExtension* gce = image.Images().Items(3).GraphicControlExtension();
    ASSERT_NE(gce, nullptr);
    EXPECT_EQ(gce->DelayTime(), 7);
  }
  // The steps that do make it smaller stay: cropping the frame that repeats only the border.
  TGIFImage image;
  std::vector<FrameSpec> frames = Noise(64, 48, 2);
  frames.push_back(frames[1]);
  for (int y = 10; y < 20; ++y)
    for (int x = 10; x < 20; ++x) frames[2].pixels[static_cast<std::size_t>(y * 64 + x)] ^= 1;
  BuildImage(image, 64, 48, four, frames);
  const std::size_t before = Saved(image).size();
  OptimizeGIF(image, 0x1F, 0, 0, 8);
  EXPECT_LT(Saved(image).size(), before);
  EXPECT_EQ(image.Images().Items(2).FrameRect(), (TGIFRect{10, 10, 20, 20}));
  // Merging that pays only through what cropping then cuts away: the colour it adds widens the
  // codes, and the frame that repeats the one before goes.
  const std::string left("\0\0\1\1\0\0\1\1", 8);
  TGIFImage small;
  BuildImage(small, 4, 2, four, {{0, 0, 4, 2, std::string(8, '\1'), -1, 1, 2}, {0, 0, 4, 2, left, -1, 1, 2},
                                 {0, 0, 4, 2, left, -1, 1, 3}});
  const std::size_t smallBefore = Saved(small).size();
  OptimizeGIF(small, opMerge | opCrop, 0, 0, 8);
  EXPECT_LT(Saved(small).size(), smallBefore);
  ASSERT_EQ(small.Images().Count(), 2);
  EXPECT_EQ(small.Images().Items(1).FrameRect(), (TGIFRect{0, 0, 2, 2}));
}

TEST(GIFOptimize, AllOptionsOnTheMovingSquare) {
  TGIFImage image;
  BuildImage(image, W, H, kColors, MovingSquare());
  OptimizeGIF(image, 0x1F, 0, 0, 8);
  // The repeated frame is gone, its delay with the frame before; the others hold only the
  // square's old and new place.
  ASSERT_EQ(image.Images().Count(), 4);
  const int delays[] = {5, 7 + 9, 11, 13};
  const TGIFRect rects[] = {{0, 0, W, H}, {0, 2, 4, 4}, {2, 2, 6, 4}, {4, 2, 8, 4}};
  for (int i = 0; i < 4; ++i) {
    TGIFSubImage& frame = image.Images().Items(i);
    EXPECT_EQ(frame.GraphicControlExtension()->DelayTime(), delays[i]) << i;
    EXPECT_EQ(frame.FrameRect(), rects[i]) << i;
  }
  // Colours no frame uses are gone, and so is the one merging added for transparency: cropping
  // has cut away every pixel that held it.
  EXPECT_EQ(image.Header().ColorMap().ColorCount(), 4);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(image.Images().Items(i).Transparent()) << i;
}

TEST(GIFOptimize, AnImageWithoutFramesIsLeftAlone) {
  TGIFImage image;
  image.Header().ColorMap().Add(0x123456);
  int reports = 0;
  image.OnProgress = [&](GIFSender, TProgressStage, int, bool, const std::string&) { ++reports; };
  OptimizeGIF(image, 0x1F, 9, 0, 8);
  EXPECT_EQ(reports, 0);
  EXPECT_EQ(image.Header().ColorMap().ColorCount(), 1);
}

struct Report {
  GIFSender sender;
  TProgressStage stage;
  int percent;
  bool redraw;
  std::string message;
};

void Record(TGIFImage& image, std::vector<Report>& reports) {
  image.OnProgress = [&reports](GIFSender sender, TProgressStage stage, int percent, bool redraw,
                                const std::string& message) { reports.push_back({sender, stage, percent, redraw, message}); };
}

TEST(GIFOptimize, ProgressRisesFromStartToEnd) {
  for (std::uint8_t options : {std::uint8_t{0}, std::uint8_t{opMerge}, std::uint8_t{0x1F}}) {
    SCOPED_TRACE(int{options});
    TGIFImage image;
    BuildImage(image, W, H, kColors, Disposals());
    std::vector<Report> reports;
    Record(image, reports);
    OptimizeGIF(image, options, 0, 0, 8);
    ASSERT_GE(reports.size(), 2u);
    EXPECT_EQ(reports.front().stage, TProgressStage::psStarting);
    EXPECT_EQ(reports.front().percent, 0);
    EXPECT_EQ(reports.back().stage, TProgressStage::psEnding);
    EXPECT_EQ(reports.back().percent, 100);
    int last = 0;
    for (const Report& r : reports) {
      EXPECT_EQ(r.sender, &image);
      EXPECT_EQ(r.message, "Optimizing...");
      EXPECT_FALSE(r.redraw);
      EXPECT_GE(r.percent, last);
      EXPECT_LE(r.percent, 100);
      if (r.stage == TProgressStage::psRunning) last = r.percent;
    }
    // Without options no step runs; merging alone reports once per frame pair it merges.
    const std::size_t running = reports.size() - 2;
    if (options == 0) {
      EXPECT_EQ(running, 0u);
    }
    if (options == opMerge) {
      EXPECT_EQ(running, 7u);
      // Steps 3 to 4 skipped (16), 7 merges, crop skipped (8), 8 before the clean-up: of 48.
      EXPECT_EQ(reports[1].percent, (17 * 100 + 24) / 48);
      EXPECT_EQ(reports[running].percent, (23 * 100 + 24) / 48);
    }
  }
}

TEST(GIFOptimize, ReductionMethod9IsRefusedOnlyWithoutCleanUp) {
  struct Case {
    std::uint8_t options, method;
    bool fails;
  } cases[] = {{opReduce, 9, true}, {opReduce | opMerge, 9, true}, {opReduce | opCleanUp, 9, false},
               {opReduce, 8, false}, {opMerge, 9, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(int{c.options});
    TGIFImage image;
    BuildImage(image, W, H, kColors, MovingSquare());
    std::vector<Report> reports;
    Record(image, reports);
    try {
      OptimizeGIF(image, c.options, c.method, 0, 8);
      EXPECT_FALSE(c.fails);
    } catch (const GIFException& e) {
      EXPECT_TRUE(c.fails);
      EXPECT_STREQ(e.what(), "Invalid reduction method");
    }
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().stage, TProgressStage::psEnding);
    EXPECT_EQ(reports.back().percent, c.fails ? 0 : 100);
  }
  // The earlier steps have done their work when the request is refused.
  TGIFImage image;
  BuildImage(image, W, H, kColors, MovingSquare());
  EXPECT_THROW(OptimizeGIF(image, opReduce | opMerge, 9, 0, 8), GIFException);
  EXPECT_TRUE(image.Images().Items(1).Transparent());
}

template <class Extension>
int CountOf(const TGIFSubImage& frame) {
  int n = 0;
  for (int i = 0; i < frame.Extensions().Count(); ++i)
    n += dynamic_cast<const Extension*>(&frame.Extensions().Items(i)) != nullptr;
  return n;
}

void AddLoop(TGIFSubImage& frame, int count) {
  auto loop = std::make_unique<TGIFAppExtNSLoop>(frame);
  loop->LoopCount = static_cast<std::uint16_t>(count);
  frame.Extensions().Add(std::move(loop));
}

void AddBlocks(TGIFSubImage& frame) {
  frame.Extensions().Add(std::make_unique<TGIFCommentExtension>(frame));
  frame.Extensions().Add(std::make_unique<TGIFTextExtension>(frame));
  frame.Extensions().Add(std::make_unique<TGIFUnknownAppExtension>(frame));
}

TEST(GIFOptimize, TheFrameWhereLaterPassesStartIsNotMerged) {
  // The same frame four times; later passes start at frame 2, over what frame 3 left.
  TGIFImage image;
  const std::vector<FrameSpec> same(4, FrameSpec{0, 0, 4, 1, std::string("\0\1\2\3", 4), -1, 1, 5});
  BuildImage(image, 4, 1, kColors, same);
  AddLoop(image.Images().Items(2), 0);
  OptimizeGIF(image, opMerge, 0, 0, 8);
  const bool merged[] = {false, true, false, true};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(image.Images().Items(i).Transparent(), merged[i]) << i;
}

TEST(GIFOptimize, CleanUpRemovesBlocksNobodyNeeds) {
  TGIFImage image;
  BuildImage(image, 4, 1, kColors,
             {{0, 0, 4, 1, std::string(4, '\0'), -1, 1, 0},       // no effect: control goes
              {0, 0, 2, 1, std::string(2, '\1'), 1, 1, 0},        // transparency: stays
              {0, 0, 2, 1, std::string(2, '\1'), -1, 1, 5},       // a delay: stays
              {0, 0, 2, 1, std::string(2, '\1'), -1, 1, 0},       // user input: stays
              {0, 0, 2, 1, std::string(2, '\1'), -1, 2, 0}});     // clears: stays
  image.Images().Items(3).GraphicControlExtension()->ControlBlock[1] |= 2;
  for (int i = 0; i < 5; ++i) AddBlocks(image.Images().Items(i));
  // The first loop block sets the passes from frame 1 on; the later one is never read.
  AddLoop(image.Images().Items(1), 3);
  AddLoop(image.Images().Items(3), 5);
  // A comment after the last frame is a frame without pixels: it goes altogether.
  auto tail = std::make_unique<TGIFSubImage>(&image);
  tail->Extensions().Add(std::make_unique<TGIFCommentExtension>(*tail));
  image.AddFrame(std::move(tail));

  OptimizeGIF(image, opCleanUp, 0, 0, 8);
  ASSERT_EQ(image.Images().Count(), 5);
  const int controls[] = {0, 1, 1, 1, 1};
  for (int i = 0; i < 5; ++i) {
    const TGIFSubImage& frame = image.Images().Items(i);
    EXPECT_EQ(CountOf<TGIFGraphicControlExtension>(frame), controls[i]) << i;
    EXPECT_EQ(CountOf<TGIFAppExtNSLoop>(frame), i == 1 ? 1 : 0) << i;
    EXPECT_EQ(frame.Extensions().Count(), controls[i] + (i == 1 ? 1 : 0)) << i;
  }
  EXPECT_EQ(dynamic_cast<const TGIFAppExtNSLoop&>(image.Images().Items(1).Extensions().Items(1)).LoopCount, 3);

  // A single frame keeps only a control that makes it transparent.
  for (bool transparent : {false, true}) {
    TGIFImage one;
    BuildImage(one, 4, 1, kColors, {{0, 0, 4, 1, std::string("\0\1\1\1", 4), transparent ? 0 : -1, 2, 10}});
    AddLoop(one.Images().Items(0), 0);
    AddBlocks(one.Images().Items(0));
    OptimizeGIF(one, opCleanUp, 0, 0, 8);
    ASSERT_EQ(one.Images().Count(), 1);
    EXPECT_EQ(one.Images().Items(0).Extensions().Count(), transparent ? 1 : 0);
    EXPECT_EQ(one.Images().Items(0).Transparent(), transparent);
  }
}

TEST(GIFOptimize, CleanUpDropsTransparencyNoPixelHas) {
  TGIFImage image;
  BuildImage(image, 4, 1, kColors, {{0, 0, 4, 1, std::string("\0\1\1\1", 4), 2, 1, 5}, {0, 0, 4, 1, std::string("\0\1\2\1", 4), 2, 1, 5}});
  OptimizeGIF(image, opCleanUp, 0, 0, 8);
  EXPECT_FALSE(image.Images().Items(0).Transparent());
  EXPECT_FALSE(image.Images().Items(0).GraphicControlExtension()->TransparentColorFlag());
  EXPECT_TRUE(image.Images().Items(1).Transparent());
}

TEST(GIFOptimize, DisposalGoesOnlyWhereTheNextFrameHidesIt) {
  struct Case {
    const char* name;
    int disposal;
    FrameSpec next;
    int after;
  } cases[] = {
      {"covered, clears", 2, {0, 0, 4, 2, std::string(8, '\1'), -1, 1, 5}, 0},
      {"covered, restores", 3, {0, 0, 4, 2, std::string(8, '\1'), -1, -1}, 0},
      {"covered by one that clears", 2, {0, 0, 4, 2, std::string(8, '\1'), -1, 2, 5}, 0},
      {"next restores", 2, {0, 0, 4, 2, std::string(8, '\1'), -1, 3, 5}, 2},
      {"next transparent", 2, {0, 0, 4, 2, std::string("\1\0\1\1\1\1\1\1", 8), 0, 1, 5}, 2},
      {"next smaller", 3, {2, 0, 2, 2, std::string(4, '\1'), -1, 1, 5}, 3},
      {"apart", 2, {3, 0, 1, 1, std::string(1, '\1'), -1, 1, 5}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGIFImage image;
    BuildImage(image, 4, 2, kColors, {{0, 0, 4, 2, std::string(8, '\0'), -1, 1, 5}, {1, 0, 2, 2, std::string(4, '\2'), -1, c.disposal, 5}, c.next});
    const test::Composed shown = test::Compose(image);
    OptimizeGIF(image, opCleanUp, 0, 0, 8);
    EXPECT_EQ(image.Images().Items(1).GraphicControlExtension()->DisposalMethod(), c.after);
    EXPECT_EQ(test::Compose(image).pictures, shown.pictures);
  }
}

TEST(GIFOptimize, AnEmptyFrameGivesItsDelayToTheFrameBefore) {
  struct Case {
    const char* name;
    int disposal, delay;  // of the frame before; -1: no control
    int emptyDisposal, emptyDelay;
    bool loop;            // the empty frame carries the loop block
    int frames, delayBefore;
  } cases[] = {
      {"before stays", 1, 10, 1, 20, false, 2, 30},
      {"it restores", 1, 10, 3, 20, false, 2, 30},
      {"before opaque without control", -1, 0, 1, 20, false, 2, 20},
      {"no time to add", -1, 0, 1, 0, false, 2, 0},
      {"before at the top of the range", 0, 65000, 0, 1000, false, 2, 65535},
      {"before clears", 2, 10, 1, 20, false, 3, 10},
      {"before restores", 3, 10, 1, 20, false, 3, 10},
      {"loop block", 1, 10, 1, 20, true, 3, 10},
      {"its disposal unknown", 1, 10, 5, 20, false, 3, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TGIFImage image;
    BuildImage(image, 4, 1, kColors,
               {{0, 0, 4, 1, std::string(4, '\0'), -1, c.disposal, c.delay},
                {1, 0, 2, 1, std::string(2, '\1'), -1, c.disposal, c.delay},
                {0, 0, 4, 1, std::string(4, '\5'), 5, c.emptyDisposal, c.emptyDelay}});
    if (c.loop) AddLoop(image.Images().Items(2), 0);
    OptimizeGIF(image, opCrop, 0, 0, 8);
    ASSERT_EQ(image.Images().Count(), c.frames);
    const TGIFGraphicControlExtension* gce = image.Images().Items(1).GraphicControlExtension();
    EXPECT_EQ(gce ? gce->DelayTime() : 0, c.delayBefore);
    // Kept, it keeps its size, since cropping would leave nothing of it.
    if (c.frames == 3) {
      EXPECT_EQ(image.Images().Items(2).FrameRect(), (TGIFRect{0, 0, 4, 1}));
    }
  }
  // The first frame has none before it.
  TGIFImage image;
  BuildImage(image, 4, 1, kColors, {{0, 0, 4, 1, std::string(4, '\5'), 5, 1, 7}, {0, 0, 4, 1, std::string(4, '\1'), -1, 1, 5}});
  OptimizeGIF(image, opCrop, 0, 0, 8);
  ASSERT_EQ(image.Images().Count(), 2);
  EXPECT_EQ(image.Images().Items(0).FrameRect(), (TGIFRect{0, 0, 4, 1}));
}

TEST(GIFOptimize, AFrameThatClearsIsNotCropped) {
  TGIFImage image;
  BuildImage(image, 4, 1, kColors, {{0, 0, 4, 1, std::string(4, '\0'), -1, 1, 5}, {0, 0, 4, 1, std::string("\5\1\5\5", 4), 5, 2, 5},
                                    {0, 0, 4, 1, std::string("\5\1\5\5", 4), 5, 1, 5}});
  OptimizeGIF(image, opCrop, 0, 0, 8);
  EXPECT_EQ(image.Images().Items(1).FrameRect(), (TGIFRect{0, 0, 4, 1}));
  EXPECT_EQ(image.Images().Items(2).FrameRect(), (TGIFRect{1, 0, 2, 1}));
}

} // namespace
} // namespace qt
