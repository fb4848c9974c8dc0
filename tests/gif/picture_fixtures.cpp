#include "tests/gif/picture_fixtures.hpp"

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
  TGIFImage image;
  image.Header().LogicalScreenDescriptor.ScreenWidth = static_cast<std::uint16_t>(width);
  image.Header().LogicalScreenDescriptor.ScreenHeight = static_cast<std::uint16_t>(height);
  for (COLORREF c : global)
    image.Header().ColorMap().Add(c);
  for (const FrameSpec& spec : frames) {
    auto frame = std::make_unique<TGIFSubImage>(&image);
    for (COLORREF c : spec.local)
      frame->ColorMap().Add(c);
    frame->PlaceFrame(spec.left, spec.top, spec.width, spec.height);
    std::copy(spec.pixels.begin(), spec.pixels.end(), frame->Data());
    if (spec.loops >= 0) {
      auto loop = std::make_unique<TGIFAppExtNSLoop>(*frame);
      loop->LoopCount = static_cast<std::uint16_t>(spec.loops);
      frame->Extensions().Add(std::move(loop));
    }
    if (spec.transparent >= 0 || spec.disposal >= 0 || spec.delay > 0) {
      auto gce = std::make_unique<TGIFGraphicControlExtension>(*frame);
      if (spec.transparent >= 0) {
        gce->SetTransparentColorFlag(true);
        gce->SetTransparentColorIndex(spec.transparent);
      }
      if (spec.disposal >= 0) gce->SetDisposalMethod(spec.disposal);
      gce->SetDelayTime(static_cast<std::uint16_t>(spec.delay));
      frame->Extensions().Add(std::move(gce));
    }
    image.AddFrame(std::move(frame));
  }
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
