// Feeds arbitrary bytes to the GIF image's load. A picture that loads and can be saved must load
// again from what was saved, to the same pixels. The optimiser then rewrites it with every option:
// what it leaves must save and load again.
#include "gif/GIFImage.hpp"
#include "gif/optimize.hpp"

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
  try {
    OptimizeGIF(image, opCrop | opMerge | opCleanUp | opColorMaps | opReduce, 0, 0, 8);
    out.Clear();
    image.SaveToStream(out);
  } catch (const GIFException&) {
    return 0;  // a map that cannot take one more colour; or nothing left to save
  }
  TGIFImage optimized;
  MemoryStream saved(out.Bytes());
  optimized.LoadFromStream(saved);
  return 0;
}
