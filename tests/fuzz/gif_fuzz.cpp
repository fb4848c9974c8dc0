// Feeds arbitrary bytes to the GIF image's load. A picture that loads and can be saved must load
// again from what was saved, to the same pixels. The optimiser then rewrites it with a set of
// options taken from the input: what it leaves must save, load again and, on a small screen, show
// the same pictures for the same time.
#include "gif/codec/GIFImage.hpp"
#include "gif/codec/optimize.hpp"
#include "tests/gif/codec/compose.hpp"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// Frames of any size are asked for by a few bytes of header; above this the allocation fails, as
// it would on a machine without the memory, and the load must fail cleanly.
extern "C" const char* __asan_default_options() {
  return "allocator_may_return_null=1:max_allocation_size_mb=300";
}

// Saving and loading again is checked on pictures up to this size, so every run stays short.
constexpr std::uint64_t kRoundTripPixels = 4 << 20;
// What the optimised picture shows is compared up to this many screen pixels over all frames.
constexpr std::uint64_t kComposedPixels = 1 << 20;

namespace {

void Require(bool condition) {
  if (!condition)
    std::abort();
}

// The pixels of the frames that carry an image, and whether each starts with a plain separator
// (an odd one only survives after an extension that the save may not write back).
std::vector<std::string> FramePixels(qt::TGIFImage& image, bool& plain) {
  std::vector<std::string> frames;
  plain = true;
  for (int i = 0; i < image.Images().Count(); ++i) {
    qt::TGIFSubImage& f = image.Images().Items(i);
    if (f.IsEmptyFrame())
      continue;
    plain = plain && f.ImageDescriptor.Separator == ',';
    frames.emplace_back(reinterpret_cast<const char*>(f.Data()), static_cast<std::size_t>(f.DataSize()));
  }
  return frames;
}

int Showing(qt::TGIFImage& image) {
  int n = 0;
  for (int i = 0; i < image.Images().Count(); ++i)
    n += !image.Images().Items(i).IsEmptyFrame();
  return n;
}

std::vector<std::vector<std::uint32_t>> Pictures(const qt::test::Composed& composed) {
  std::vector<std::vector<std::uint32_t>> pictures;
  for (const auto& [picture, delay] : composed.Timeline())
    pictures.push_back(picture);
  return pictures;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qt;
  TGIFImage image;
  image.OnCodecWarning = [](GIFSender, std::uint8_t severity, const std::string& message) {
    Require(severity == 1 && !message.empty());
  };
  MemoryStream in(std::string(reinterpret_cast<const char*>(data), size));
  try {
    image.LoadFromStream(in);
  } catch (const GIFException&) {
    Require(in.Position() == 0);
    return 0;
  }
  std::uint64_t pixels = 0;
  for (int i = 0; i < image.Images().Count(); ++i)
    pixels += image.Images().Items(i).DataSize();
  if (pixels > kRoundTripPixels)
    return 0;
  MemoryStream out;
  for (std::uint8_t kind : {0, 1}) {
    image.EncoderKind = kind;
    out.Clear();
    try {
      image.SaveToStream(out);
    } catch (const GIFException&) {
      return 0;  // pixels outside their colour map, or no frame at all
    }
    bool plain = false;
    const std::vector<std::string> before = FramePixels(image, plain);
    TGIFImage again;
    MemoryStream saved(out.Bytes());
    again.LoadFromStream(saved);
    bool plainAgain = false;
    if (plain)
      Require(FramePixels(again, plainAgain) == before);
  }
  // Every byte counts, so that the inputs spread over all option sets.
  unsigned sum = 0;
  for (std::size_t i = 0; i < size; ++i)
    sum += data[i];
  const std::uint8_t options = static_cast<std::uint8_t>(sum & 0x1F);
  const std::uint64_t screen = static_cast<std::uint64_t>(image.Width()) * static_cast<std::uint64_t>(image.Height());
  unsigned delays = 0;
  for (int i = 0; i < image.Images().Count(); ++i)
    if (const TGIFGraphicControlExtension* gce = image.Images().Items(i).GraphicControlExtension())
      delays += gce->DelayTime();
  // Delays added up past 16 bits stop at the top; what shows is compared short of that.
  const bool compare = screen * static_cast<std::uint64_t>(image.Images().Count()) <= kComposedPixels && delays <= 0xFFFF;
  test::Composed shown;
  if (compare)
    shown = test::Compose(image);
  OptimizeGIF(image, options, 0, 0, 8);
  out.Clear();
  try {
    image.SaveToStream(out);
  } catch (const GIFException&) {
    Require(image.Empty());  // only nothing at all cannot be saved
    return 0;
  }
  TGIFImage optimized;
  MemoryStream saved(out.Bytes());
  optimized.LoadFromStream(saved);
  if (compare) {
    // As the image holds it: a frame without pixels whose control a save hands to the next frame
    // is a matter of the save, not of the optimiser.
    const test::Composed now = test::Compose(image);
    if (Showing(image) <= 1)
      Require(Pictures(now) == Pictures(shown));  // one picture shows for ever: no delay counts
    else
      Require(now.Timeline() == shown.Timeline() && now.TotalDelay() == shown.TotalDelay());
  }
  return 0;
}
