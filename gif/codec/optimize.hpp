#pragma once
// Rewrites a GIF image in place so that it stores smaller, never larger than our encoder stored it
// before, and shows the same pictures for the same time.
#include <cstdint>

namespace qt {

class TGIFImage;

inline constexpr std::uint8_t opCrop = 0x01;      // crop frames, drop those that become empty
inline constexpr std::uint8_t opMerge = 0x02;     // pixels that repeat the frame before: transparent
inline constexpr std::uint8_t opCleanUp = 0x04;   // drop needless transparency, disposal, blocks
inline constexpr std::uint8_t opColorMaps = 0x08; // sort the colour maps by use, drop unused colours
inline constexpr std::uint8_t opReduce = 0x10;    // a colour reduction request: only checked

// Progress goes to the image's Progress with the image as sender. ditherKind and reductionBits
// are accepted for callers that pass a whole reduction setting; nothing uses them. An image
// without frames is left alone.
void OptimizeGIF(TGIFImage& image, std::uint8_t options, std::uint8_t reductionMethod, std::uint8_t ditherKind,
                 int reductionBits);

} // namespace qt
