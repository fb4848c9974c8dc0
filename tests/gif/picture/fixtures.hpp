#pragma once
// Small GIF pictures made by the codec in the test, and a surface to draw them on.
#include "gif/picture/picture.hpp"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qt {

inline constexpr COLORREF kBackground = RGB(0, 128, 255);

// A 24-bit drawing surface of its own, filled with one colour.
struct Surface {
  win::TBitmap bitmap;
  Surface(int w, int h, COLORREF fill = kBackground);
  COLORREF At(int x, int y);
};

std::string Hex(COLORREF c);

struct FrameSpec {
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<COLORREF> local; // empty: no local map
  std::string pixels;          // width x height indices
  int transparent = -1;        // index, or none
  int disposal = -1;           // with a delay: a graphic control extension; -1 for none
  int delay = 0;               // hundredths of a second
  int loops = -1;              // a loop extension with that count; -1 for none
};

// A GIF stream written by the codec: a logical screen, an optional global map and the frames.
std::string MakeGif(int width, int height, const std::vector<COLORREF>& global, const std::vector<FrameSpec>& frames);
std::unique_ptr<TGIFPicture> Load(const std::string& bytes);
// The message of what f throws, or "(nothing thrown)".
std::string What(const std::function<void()>& f);

} // namespace qt
