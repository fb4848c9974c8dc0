#pragma once
// Colour reduction of platform bitmaps: any bitmap to a new 8-bit one with a palette chosen by a
// reduction method, its pixels mapped through the dither engine of a dither kind.
#include "gif/picture/dib.hpp"
#include "gif/color/quantize.hpp"
#include "win/bitmap.hpp"

#include <cstdint>
#include <memory>

namespace qt {

// The new bitmap is the caller's. Method 0 gives a 24-bit copy and leaves Source as it was; every
// other method converts Source to 24 bits. Bits (the colour count 2^Bits of ReduceOctree) is
// taken into 0..8. Palette, used by ReduceGivenPalette only, is not owned and may be none; with
// none (or an empty one) the result is an empty bitmap. GIFException "Invalid reduction method"
// for a method above 9, "Invalid dither kind" for a kind above 6, both before Source is touched.
std::unique_ptr<win::TBitmap> QuantizeBitmap(win::TBitmap& source, std::uint8_t method, std::uint8_t dither, int bits,
                                             HPALETTE palette);

// A palette of the picture's own colours (see OctreePaletteEntries); KeepStatic keeps the
// platform default palette's 20 colours at the ends. The reader must read 24 bits.
win::UniquePalette BuildOctreePalette(TDIBReader& reader, int colors, int depth, bool keepStatic);
// The same through a 24-bit reader made on the bitmap, which stays converted to 24 bits.
win::UniquePalette BitmapOctreePalette(win::TBitmap& bitmap, int colors, int depth, bool keepStatic);

win::UniquePalette MakeGray256Palette();
win::UniquePalette MakeBlackWhitePalette();
win::UniquePalette MakeGray4Palette();
// The platform's halftone palette for the screen; EOutOfResources when GDI gives no context or
// no palette.
win::UniquePalette MakeHalftonePalette();

} // namespace qt
