#pragma once
// What the frame operations of frame_merge.cpp and the optimiser share.
#include "gif/codec/GIFImage.hpp"

namespace qt {

// Whether any pixel of the frame holds index.
bool HoldsIndex(const TGIFSubImage& frame, int index);
// Empty (Left >= Right or Top >= Bottom) when they do not overlap.
TGIFRect Intersection(const TGIFRect& a, const TGIFRect& b);
// The frame's graphic control extension, or a new one appended to its extensions.
TGIFGraphicControlExtension& EnsureGraphicControl(TGIFSubImage& frame);

} // namespace qt
