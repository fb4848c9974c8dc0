// Feeds arbitrary bytes to the BMP reader as a bitmap stream; whatever it accepts must describe
// rows and a colour table that lie wholly inside the bytes, which the fuzzer then reads.
#include "base/dib_layout.hpp"

#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Require(bool condition) {
  if (!condition)
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const auto layout = qt::ReadBMPLayout(file);
  if (!layout) return 0;
  Require(layout->width > 0 && layout->height > 0);
  Require(layout->colors.size() <= (layout->bitsPerPixel <= 8 ? std::size_t{1} << layout->bitsPerPixel : 0));
  Require(layout->stride == qt::DIBRowStride(layout->width, layout->bitsPerPixel));
  unsigned sum = 0;
  for (std::int32_t row = 0; row < layout->height; ++row) {
    const std::size_t at = layout->pixelOffset + static_cast<std::size_t>(row) * layout->stride;
    sum += static_cast<unsigned char>(file[at]) + static_cast<unsigned char>(file[at + layout->stride - 1]);
  }
  return static_cast<int>(sum & 0);
}
