#include "tests/gif/codec/compose.hpp"

#include <algorithm>
#include <numeric>

namespace qt::test {

std::vector<std::pair<std::vector<std::uint32_t>, int>> Composed::Timeline() const {
  std::vector<std::pair<std::vector<std::uint32_t>, int>> line;
  for (std::size_t i = 0; i < pictures.size(); ++i)
    if (!line.empty() && line.back().first == pictures[i])
      line.back().second += delays[i];
    else
      line.emplace_back(pictures[i], delays[i]);
  return line;
}

int Composed::TotalDelay() const { return std::accumulate(delays.begin(), delays.end(), 0); }

Composed Compose(TGIFImage& image, int passes) {
  const int W = image.Width(), H = image.Height();
  std::vector<std::uint32_t> screen(static_cast<std::size_t>(W) * static_cast<std::size_t>(H), 0);
  Composed out;
  for (int pass = 0; pass < passes; ++pass)
    for (int i = 0; i < image.Images().Count(); ++i) {
      TGIFSubImage& frame = image.Images().Items(i);
      if (frame.IsEmptyFrame())
        continue;
      const TGIFGraphicControlExtension* gce = frame.GraphicControlExtension();
      const int disposal = gce ? gce->DisposalMethod() : 0;
      const bool transparent = gce && gce->TransparentColorFlag();
      const int t = gce ? gce->TransparentColorIndex() : -1;
      const TGIFColorMap& map = frame.EffectiveColorMap();
      const std::vector<std::uint32_t> before = screen;
      const int x0 = frame.Left(), y0 = frame.Top();
      const int x1 = std::min(W, x0 + frame.Width()), y1 = std::min(H, y0 + frame.Height());
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
          const std::uint8_t v = frame.Data()[static_cast<std::size_t>(y - y0) * frame.Width() + (x - x0)];
          if (transparent && v == t)
            continue;
          const RGBTriple c = v < map.ColorCount() ? map.ColorTriples()[v] : RGBTriple{};
          screen[static_cast<std::size_t>(y) * W + x] =
              0xFF000000u | static_cast<std::uint32_t>(c.red) << 16 | static_cast<std::uint32_t>(c.green) << 8 | c.blue;
        }
      out.pictures.push_back(screen);
      out.delays.push_back(gce ? gce->DelayTime() : 0);
      if (disposal == 2)
        for (int y = y0; y < y1; ++y)
          std::fill_n(screen.begin() + static_cast<std::ptrdiff_t>(y) * W + x0, x1 - x0, 0u);
      else if (disposal == 3)
        screen = before;
    }
  return out;
}

void BuildImage(TGIFImage& image, int width, int height, const std::vector<TColor>& global,
                const std::vector<FrameSpec>& frames) {
  image.ClearImage();
  image.Header().LogicalScreenDescriptor.ScreenWidth = static_cast<std::uint16_t>(width);
  image.Header().LogicalScreenDescriptor.ScreenHeight = static_cast<std::uint16_t>(height);
  for (TColor c : global)
    image.Header().ColorMap().Add(c);
  for (const FrameSpec& spec : frames) {
    auto frame = std::make_unique<TGIFSubImage>(&image);
    for (TColor c : spec.local)
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
      if (spec.disposal >= 0)
        gce->SetDisposalMethod(spec.disposal);
      gce->SetDelayTime(static_cast<std::uint16_t>(spec.delay));
      frame->Extensions().Add(std::move(gce));
    }
    image.AddFrame(std::move(frame));
  }
}

} // namespace qt::test
