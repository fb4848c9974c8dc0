#pragma once
// giflib as the independent reader and writer that the tests and benchmarks compare with.
#include <cstdint>
#include <functional>
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

// A frame's pixels as giflib holds them: rows top to bottom, one after another.
using GiflibFrameSeen = std::function<void(const std::uint8_t* pixels, int width, int height)>;

// The bytes read as giflib's users read a file in memory: DGifOpen, DGifSlurp, DGifCloseFile.
// `seen` (when given) gets every frame before the close. Throws std::runtime_error when giflib
// refuses the bytes.
void GiflibSlurp(const std::string& bytes, const GiflibFrameSeen& seen);
// DGifSlurp of the bytes, copied out; throws like GiflibSlurp.
RefImage GiflibRead(const std::string& bytes);
// The same through EGifPutLine, line by line (in interlace order for interlaced frames). giflib
// masks the lines in place, which leaves valid pixels as they are.
std::string GiflibWrite(RefImage& image);

} // namespace qt::test
