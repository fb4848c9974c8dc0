// The GIF optimiser against gifsicle -O2 on the same animation in the same run: 320 x 240, 20
// frames, a 24 x 24 square moving over a detailed background, every frame stored whole. Reports
// the stored sizes, their ratio (ours / gifsicle's; the goal is 1.10 or less), and whether our
// optimised animation still shows the same pictures for the same time (composed frame by frame,
// two passes; gifsicle's file composed alike checks the composition). Run by hand; skips gifsicle with a message when it is not installed.
#include "gif/GIFImage.hpp"
#include "gif/optimize.hpp"
#include "tests/gif/gif_compose.hpp"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 320, kHeight = 240, kFrames = 20, kSquare = 24;

std::string Dir() { return QT_BENCH_DIR; }

// 48 background colours in bands with fine texture, and the square's colour.
void Build(qt::TGIFImage& image) {
  std::vector<qt::TColor> colors;
  for (int i = 0; i < 48; ++i)
    colors.push_back(static_cast<qt::TColor>((i * 5) | (255 - i * 5) << 8 | ((i * 37) % 256) << 16));
  colors.push_back(0x0000FF);
  std::vector<qt::test::FrameSpec> frames;
  for (int k = 0; k < kFrames; ++k) {
    const int sx = 10 + k * 14, sy = 40 + (k % 5) * 30;
    std::string pixels;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const bool square = x >= sx && x < sx + kSquare && y >= sy && y < sy + kSquare;
        pixels.push_back(static_cast<char>(square ? 48 : ((x / 20 + y / 15) * 3 + ((x * y) >> 3) % 3) % 48));
      }
    frames.push_back({0, 0, kWidth, kHeight, pixels, -1, 1, 5});
  }
  qt::test::BuildImage(image, kWidth, kHeight, colors, frames);
  auto loop = std::make_unique<qt::TGIFAppExtNSLoop>(image.Images().Items(0));
  image.Images().Items(0).Extensions().Add(std::move(loop));
}

} // namespace

int main() {
  const std::string plain = Dir() + "/optimize_plain.gif", ours = Dir() + "/optimize_ours.gif",
                    theirs = Dir() + "/optimize_gifsicle.gif";
  qt::TGIFImage image;
  Build(image);
  image.SaveToFile(plain);
  const qt::test::Composed shown = qt::test::Compose(image);

  const auto start = std::chrono::steady_clock::now();
  qt::OptimizeGIF(image, 0x1F, 0, 0, 8);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  image.SaveToFile(ours);
  qt::TGIFImage reloaded;
  reloaded.LoadFromFile(ours);
  const qt::test::Composed now = qt::test::Compose(reloaded);
  const bool same = now.Timeline() == shown.Timeline() && now.TotalDelay() == shown.TotalDelay();

  const auto plainSize = std::filesystem::file_size(plain), ourSize = std::filesystem::file_size(ours);
  std::printf("plain:      %8llu bytes, %d frames\n", static_cast<unsigned long long>(plainSize), kFrames);
  std::printf("ours:       %8llu bytes, %d frames, optimised in %.1f ms\n", static_cast<unsigned long long>(ourSize),
              reloaded.Images().Count(), ms);
  std::printf("composed frames unchanged: %s\n", same ? "yes" : "NO");
  if (std::system("gifsicle --version >/dev/null 2>&1") != 0) {
    std::printf("gifsicle is not installed: no comparison\n");
    return same ? 0 : 1;
  }
  const std::string command = "gifsicle -O2 " + plain + " -o " + theirs;
  if (std::system(command.c_str()) != 0) {
    std::printf("gifsicle failed\n");
    return 1;
  }
  const auto theirSize = std::filesystem::file_size(theirs);
  const double ratio = static_cast<double>(ourSize) / static_cast<double>(theirSize);
  // The same pictures from gifsicle's file are a check on the composition itself.
  qt::TGIFImage reference;
  reference.LoadFromFile(theirs);
  const qt::test::Composed referenceShown = qt::test::Compose(reference);
  std::printf("gifsicle:   %8llu bytes, %d frames, shows the same: %s\n", static_cast<unsigned long long>(theirSize),
              reference.Images().Count(),
              referenceShown.Timeline() == shown.Timeline() ? "yes" : "no");
  std::printf("ratio ours / gifsicle: %.3f (goal 1.10 or less): %s\n", ratio, ratio <= 1.10 ? "met" : "NOT met");
  return same ? 0 : 1;
}
