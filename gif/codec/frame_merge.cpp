// Trimming a frame to its visible pixels and turning the pixels that repeat the frame shown before
// it into transparent ones: what the optimiser does to each frame.
#include "gif/codec/frame_merge.hpp"

#include <algorithm>
#include <cstring>

namespace qt {

bool HoldsIndex(const TGIFSubImage& frame, int index) {
  const std::uint8_t* p = frame.Data();
  return p && std::memchr(p, index, static_cast<std::size_t>(frame.DataSize())) != nullptr;
}

TGIFRect Intersection(const TGIFRect& a, const TGIFRect& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
}

TGIFGraphicControlExtension& EnsureGraphicControl(TGIFSubImage& frame) {
  if (TGIFGraphicControlExtension* gce = frame.GraphicControlExtension())
    return *gce;
  auto made = std::make_unique<TGIFGraphicControlExtension>(frame);
  TGIFGraphicControlExtension& gce = *made;
  frame.Extensions().Add(std::move(made));
  return gce;
}

namespace {

// Whether index a of map m shows the colour of index b of map n; an index past its map's colours
// matches nothing but itself in the same map.
bool SameColor(const TGIFColorMap& m, int a, const TGIFColorMap& n, int b) {
  if (&m == &n && a == b)
    return true;
  return a < m.ColorCount() && b < n.ColorCount() && m.ColorTriples()[a] == n.ColorTriples()[b];
}

} // namespace

bool TGIFSubImage::LeavesPixels() const { return !gce_ || gce_->DisposalMethod() <= 1; }

void TGIFSubImage::TrimTransparentBorder() {
  if (IsEmptyFrame() || !Transparent() || !gce_)
    return;
  const std::uint8_t t = gce_->TransparentColorIndex();
  const int width = Width(), height = Height();
  int left = width, right = -1, top = height, bottom = -1;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = pixels_.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    int first = 0;
    while (first < width && row[first] == t)
      ++first;
    if (first == width)
      continue;
    int last = width - 1;
    while (row[last] == t)
      --last;
    left = std::min(left, first);
    right = std::max(right, last);
    top = std::min(top, y);
    bottom = y;
  }
  if (right < 0) {
    ClearFrame();
    return;
  }
  // A position has 16 bits: a frame reaching past them keeps the columns and rows that would
  // otherwise wrap it round to the other side.
  left = std::min(left, 0xFFFF - Left());
  top = std::min(top, 0xFFFF - Top());
  if (left == 0 && top == 0 && right == width - 1 && bottom == height - 1)
    return;
  const std::size_t w = static_cast<std::size_t>(right - left + 1), h = static_cast<std::size_t>(bottom - top + 1);
  std::unique_ptr<std::uint8_t, FreeDeleter> cut(static_cast<std::uint8_t*>(std::malloc(w * h)));
  if (!cut)
    RaiseGIFError(gif_text::kImageTooLarge);
  for (std::size_t y = 0; y < h; ++y)
    std::memcpy(cut.get() + y * w,
                pixels_.get() + (static_cast<std::size_t>(top) + y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(left),
                w);
  pixels_ = std::move(cut);
  dataSize_ = w * h;
  // Written directly: the frame only moves within the screen it had.
  ImageDescriptor.Left = static_cast<std::uint16_t>(ImageDescriptor.Left + left);
  ImageDescriptor.Top = static_cast<std::uint16_t>(ImageDescriptor.Top + top);
  ImageDescriptor.Width = static_cast<std::uint16_t>(w);
  ImageDescriptor.Height = static_cast<std::uint16_t>(h);
}

void TGIFSubImage::MarkUnchangedPixels(TGIFSubImage* previous) {
  // Only a frame that stays on the screen shows under this one; disposal methods past 3 are
  // not known to leave anything.
  if (IsEmptyFrame() || !previous || previous == this || previous->IsEmptyFrame() || !previous->LeavesPixels())
    return;
  const TGIFRect overlap = Intersection(FrameRect(), previous->FrameRect());
  const int left = overlap.Left, top = overlap.Top, right = overlap.Right, bottom = overlap.Bottom;
  if (left >= right || top >= bottom)
    return;
  const TGIFColorMap& mine = EffectiveColorMap();
  const TGIFColorMap& theirs = previous->EffectiveColorMap();
  // A transparent index past the map (a file may name one, and dropping unused colours leaves
  // one) cannot be written into pixels that are to be saved: one is chosen as for an opaque frame,
  // unless pixels already show through at that index.
  const bool wasTransparent =
      Transparent() && gce_ &&
      (gce_->TransparentColorIndex() < mine.ColorCount() || HoldsIndex(*this, gce_->TransparentColorIndex()));
  if (!wasTransparent && !CanAddColor())
    return;
  int t = wasTransparent ? gce_->TransparentColorIndex() : 0;
  bool choose = !wasTransparent, chosen = false;
  const bool previousTransparent = previous->Transparent() && previous->gce_;
  const int p = previousTransparent ? previous->gce_->TransparentColorIndex() : -1;
  for (int y = top; y < bottom; ++y) {
    std::uint8_t* q = pixels_.get() + static_cast<std::size_t>(y - Top()) * static_cast<std::size_t>(Width()) +
                      static_cast<std::size_t>(left - Left());
    const std::uint8_t* r = previous->pixels_.get() +
                            static_cast<std::size_t>(y - previous->Top()) * static_cast<std::size_t>(previous->Width()) +
                            static_cast<std::size_t>(left - previous->Left());
    for (int x = 0; x < right - left; ++x) {
      if ((!choose && q[x] == t) || r[x] == p || !SameColor(mine, q[x], theirs, r[x]))
        continue;
      if (choose) {
        t = ChooseTransparentIndex();
        if (t < 0)
          return;
        choose = false;
        chosen = true;
      }
      q[x] = static_cast<std::uint8_t>(t);
    }
  }
  if (!chosen)
    return;
  TGIFGraphicControlExtension& gce = EnsureGraphicControl(*this);
  gce.SetTransparentColorFlag(true);
  gce.SetTransparentColorIndex(t);
}

bool TGIFSubImage::CanAddColor() const {
  if (colorMap_.ColorCount() > 0)
    return colorMap_.ColorCount() < 256;
  const TGIFImage* image = Image();
  const int global = image ? image->Header().ColorMap().ColorCount() : 0;
  return global >= 1 && global <= 255;
}

int TGIFSubImage::ChooseTransparentIndex() {
  TGIFImage* image = Image();
  if (colorMap_.ColorCount() == 0 && image) {
    // Another frame's transparent index on the same map, when none of this frame's pixels
    // shows that colour.
    const int colors = image->Header().ColorMap().ColorCount();
    for (int i = 0; i < image->Images().Count(); ++i) {
      const TGIFSubImage& other = image->Images().Items(i);
      if (&other == this || !other.Transparent() || !other.gce_ || other.colorMap_.ColorCount() > 0)
        continue;
      const int t = other.gce_->TransparentColorIndex();
      if (t < colors && !HoldsIndex(*this, t))
        return t;
    }
  }
  TGIFColorMap& map = colorMap_.ColorCount() > 0 || !image ? static_cast<TGIFColorMap&>(colorMap_)
                                                            : image->Header().ColorMap();
  // Pixels past the map (a file may have them) show as opaque; the index an added colour gets
  // must not make them transparent.
  if (HoldsIndex(*this, map.ColorCount()))
    return -1;
  return map.Add(0);
}

} // namespace qt
