#include "tests/gif/picture/fixtures.hpp"

#include "tests/gif/codec/compose.hpp"

#include <cstdio>

namespace qt {

Surface::Surface(int w, int h, COLORREF fill) {
  bitmap.SetPixelFormat(win::pf24bit);
  bitmap.SetSize(w, h);
  bitmap.Canvas().Brush.Color = static_cast<win::TColor>(fill);
  bitmap.Canvas().FillRect(RECT{0, 0, w, h});
}

COLORREF Surface::At(int x, int y) {
  GdiFlush();
  const auto* row = static_cast<const std::uint8_t*>(bitmap.ScanLine(y)) + 3 * x;
  return RGB(row[2], row[1], row[0]);
}

std::string Hex(COLORREF c) {
  char text[16];
  std::snprintf(text, sizeof text, "#%06lX", static_cast<unsigned long>(c));
  return text;
}

std::string MakeGif(int width, int height, const std::vector<COLORREF>& global, const std::vector<FrameSpec>& frames) {
  std::vector<test::FrameSpec> specs;
  for (const FrameSpec& f : frames)
    specs.push_back({f.left, f.top, f.width, f.height, f.pixels, f.transparent, f.disposal, f.delay,
                     {f.local.begin(), f.local.end()}, f.loops});
  TGIFImage image;
  test::BuildImage(image, width, height, {global.begin(), global.end()}, specs);
  MemoryStream out;
  image.SaveToStream(out);
  return out.Bytes();
}

std::unique_ptr<TGIFPicture> Load(const std::string& bytes) {
  auto picture = std::make_unique<TGIFPicture>();
  MemoryStream in(bytes);
  picture->LoadFromStream(in);
  return picture;
}

std::string What(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

} // namespace qt
