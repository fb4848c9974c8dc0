#pragma once
// giflib as the independent reader and writer that the tests and benchmarks compare with.
#include <cstdint>
#include <string>
#include <vector>

namespace qt::test {

struct RefColor {
  std::uint8_t r, g, b;
  friend bool operator==(const RefColor&, const RefColor&) = default;
};

struct RefFrame {
  int left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::vector<RefColor> localMap;
  std::string pixels;  // rows top to bottom
};

struct RefImage {
  int width = 0, height = 0;
  std::vector<RefColor> globalMap;
  std::vector<RefFrame> frames;
};

// DGifSlurp of the bytes; throws std::runtime_error when giflib refuses them.
RefImage GiflibRead(const std::string& bytes);
// The same through EGifPutLine, line by line (in interlace order for interlaced frames).
std::string GiflibWrite(const RefImage& image);

} // namespace qt::test
