// The GIF optimiser against gifsicle -O2 over a set of animations: one built in memory (a square
// moving over a detailed background, every frame stored whole) and six that ImageMagick makes here
// (a photo panned, with a colour map per frame; a picture spinning; a picture zooming; a ball over
// a plasma background; that ball animation already optimised by ImageMagick's
// -layers OptimizeTransparency; sprites that restore what was under them). For each it prints the
// stored sizes: the input file, the same picture saved by our encoder before optimising, ours
// after all options, and gifsicle's; the ratio ours / gifsicle's, ours / input and whether our
// optimised file still shows the same pictures for the same time (composed frame by frame, two
// passes). Then the worst ratio against gifsicle and the animations that came out larger than
// their input file. It fails when a picture changes or comes out larger than our encoder stored
// it before. Run by hand; needs ImageMagick's convert for the made animations and gifsicle for
// the comparison, and says so when either is missing.
#include "gif/codec/GIFImage.hpp"
#include "gif/codec/optimize.hpp"
#include "tests/gif/codec/compose.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string Dir() { return QT_BENCH_DIR "/optimize"; }
std::string Path(const std::string& name) { return Dir() + "/" + name + ".gif"; }

bool Installed(const char* command) {
  return std::system((std::string(command) + " >/dev/null 2>&1").c_str()) == 0;
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

// 320 x 240, 20 frames, 48 background colours in bands with fine texture and a 24 x 24 square.
void BuildMovingSquare(const std::string& path) {
  constexpr int kWidth = 320, kHeight = 240, kFrames = 20, kSquare = 24;
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
  qt::TGIFImage image;
  qt::test::BuildImage(image, kWidth, kHeight, colors, frames);
  image.Images().Items(0).Extensions().Add(std::make_unique<qt::TGIFAppExtNSLoop>(image.Images().Items(0)));
  image.SaveToFile(path);
}

// Each frame in parentheses of its own, as convert reads them.
std::string Frames(int count, const auto& frame) {
  std::string s;
  for (int k = 0; k < count; ++k)
    s += " \\( " + frame(k) + " \\)";
  return s;
}

// The ImageMagick animations; false when convert failed.
bool MakeAnimations() {
  const std::string d = Dir() + "/";
  const std::string photo = d + "photo.png", plasma = d + "plasma.gif";
  const auto n = [](int v) { return std::to_string(v); };
  return Run("convert -seed 11 -size 400x260 plasma:fractal -blur 0x1 " + photo) &&
         // Every frame reduced on its own, dithered: a colour map per frame.
         Run("convert -delay 8 -loop 0" + Frames(12, [&](int k) {
               return photo + " -crop 240x160+" + n(k * 12) + "+" + n(k * 8) + " +repage";
             }) + " " + Path("photo-pan")) &&
         Run("convert -delay 8 -loop 0" + Frames(12, [&](int k) {
               return "logo: -resize 200x150 -distort SRT " + n(k * 30);
             }) + " -colors 64 " + Path("spinning-logo")) &&
         Run("convert -delay 8 -loop 0" + Frames(12, [&](int k) {
               return "rose: -resize 200x130! -distort SRT " + std::to_string(1.0 + 0.08 * k) + ",0";
             }) + " " + Path("zooming-rose")) &&
         // One palette for every frame, undithered, so that the background repeats exactly.
         Run("convert -seed 5 -size 240x160 plasma:fractal -blur 0x2 +dither -colors 120 " + plasma) &&
         Run("convert -delay 6 -loop 0" + Frames(16, [&](int k) {
               const int x = 20 + k * 13, y = 40 + (k % 4) * 25;
               return plasma + " -fill red -stroke black -draw 'circle " + n(x) + "," + n(y) + " " + n(x + 14) + "," +
                      n(y) + "'";
             }) + " +dither -remap " + plasma + " " + Path("ball-on-plasma")) &&
         Run("convert " + Path("ball-on-plasma") + " -layers OptimizeTransparency " +
             Path("ball-im-optimised")) &&
         Run("convert -delay 10 -loop 0 -dispose none " + plasma + " -dispose previous" + Frames(10, [&](int k) {
               return "-size 30x30 xc:none -fill yellow -draw 'circle 15,15 15,2' -repage +" + n(10 + k * 20) + "+" +
                      n(20 + k * 10);
             }) + " " + Path("sprites-restoring"));
}

std::uintmax_t Size(const std::string& path) { return std::filesystem::file_size(path); }

std::uintmax_t StoredSize(qt::TGIFImage& image) {
  qt::MemoryStream stream;
  image.SaveToStream(stream);
  return stream.Bytes().size();
}

} // namespace

int main() {
  std::filesystem::create_directories(Dir());
  std::vector<std::string> names{"moving-square"};
  BuildMovingSquare(Path(names[0]));
  if (!Installed("convert -version")) {
    std::printf("ImageMagick's convert is not installed: only the animation built here\n");
  } else if (!MakeAnimations()) {
    std::printf("convert failed\n");
    return 1;
  } else {
    names.insert(names.end(), {"photo-pan", "spinning-logo", "zooming-rose", "ball-on-plasma",
                               "ball-im-optimised", "sprites-restoring"});
  }
  const bool gifsicle = Installed("gifsicle --version");
  if (!gifsicle)
    std::printf("gifsicle is not installed: no comparison\n");

  std::printf("%-28s %9s %9s %9s %9s %8s %8s %5s\n", "animation", "input", "before", "ours", "gifsicle",
              "/gifsicle", "/input", "same");
  bool ok = true;
  double worst = 0;
  std::string worstName, largerThanInput;
  for (const std::string& name : names) {
    const std::string in = Path(name), ours = Dir() + "/" + name + ".ours.gif",
                      theirs = Dir() + "/" + name + ".gifsicle.gif";
    qt::TGIFImage image;
    image.LoadFromFile(in);
    const std::uintmax_t before = StoredSize(image);
    const qt::test::Composed shown = qt::test::Compose(image);
    qt::OptimizeGIF(image, 0x1F, 0, 0, 8);
    image.SaveToFile(ours);
    qt::TGIFImage reloaded;
    reloaded.LoadFromFile(ours);
    const qt::test::Composed now = qt::test::Compose(reloaded);
    const bool same = now.Timeline() == shown.Timeline() && now.TotalDelay() == shown.TotalDelay();
    const std::uintmax_t inSize = Size(in), ourSize = Size(ours);
    ok = ok && same && ourSize <= before;
    // Our encoder may store a picture a few bytes larger than the file it came from.
    if (ourSize > inSize)
      largerThanInput += " " + name + " (+" + std::to_string(ourSize - inSize) + " bytes)";
    std::printf("%-28s %9ju %9ju %9ju", name.c_str(), inSize, before, ourSize);
    if (gifsicle && Run("gifsicle -O2 '" + in + "' -o '" + theirs + "' 2>/dev/null")) {
      const double ratio = static_cast<double>(ourSize) / static_cast<double>(Size(theirs));
      if (ratio > worst) {
        worst = ratio;
        worstName = name;
      }
      std::printf(" %9ju %8.3f", Size(theirs), ratio);
    } else {
      std::printf(" %9s %8s", "-", "-");
    }
    std::printf(" %8.3f %5s\n", static_cast<double>(ourSize) / static_cast<double>(inSize), same ? "yes" : "NO");
  }
  if (worst > 0)
    std::printf("worst ours / gifsicle: %.3f (%s)\n", worst, worstName.c_str());
  std::printf("larger than the input file:%s\n", largerThanInput.empty() ? " none" : largerThanInput.c_str());
  std::printf("every picture the same and no larger than our encoder stored it before: %s\n", ok ? "yes" : "NO");
  return ok ? 0 : 1;
}
