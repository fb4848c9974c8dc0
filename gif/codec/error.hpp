#pragma once
#include "base/error.hpp"

#include <string>

namespace qt {

// The codec's error; its message is one of the unit's fixed texts below.
class GIFException : public EInvalidGraphic {
 public:
  using EInvalidGraphic::EInvalidGraphic;
};

[[noreturn]] void RaiseGIFError(const std::string& message);

// The unit's fixed texts, for errors and for warnings alike.
namespace gif_text {
inline constexpr char kPrematureEnd[] = "Premature end of data";
inline constexpr char kColorTableOverflow[] = "Color table overflow";
inline constexpr char kInvalidColorIndex[] = "Invalid color index";
inline constexpr char kColorTableEmpty[] = "Color table is empty";
inline constexpr char kInvalidSignature[] = "Invalid GIF signature";
inline constexpr char kUnsupportedVersion[] = "Unsupported GIF version";
inline constexpr char kBitBufferUnderrun[] = "Decoder bit buffer under-run";
inline constexpr char kCircularTable[] = "Circular decoder table entry";
inline constexpr char kBadCodeSize[] = "Invalid LZW code size";
inline constexpr char kUnknownBlock[] = "Unknown GIF block type";
inline constexpr char kInvalidIntroducer[] = "Invalid extension introducer";
inline constexpr char kLabelMismatch[] =
    "Internal error: Extension Instance does not match Extension Label";
inline constexpr char kUnsupportedAppBlock[] = "Unsupported Application Extension block size";
inline constexpr char kInvalidData[] = "Invalid GIF data";
inline constexpr char kUnknownExtension[] = "Unknown extension type";
inline constexpr char kExceedsScreen[] = "Image exceeds Logical Screen size";
inline constexpr char kWidthTooSmall[] = "Image width too small for contained frames";
inline constexpr char kHeightTooSmall[] = "Image height too small for contained frames";
inline constexpr char kInvalidTrailer[] = "Invalid Image trailer";
inline constexpr char kImageEmpty[] = "Image is empty";
inline constexpr char kInvalidPixel[] = "Invalid pixel coordinates";
inline constexpr char kImageTooLarge[] = "Image too large for memory";
inline constexpr char kColorNotInTable[] = "Color not in color table";
inline constexpr char kObjectNotSupported[] = "Object type not supported for operation";
inline constexpr char kUnsupportedClipboardFormat[] = "Unsupported clipboard format";
inline constexpr char kClipboardStoreFailed[] = "Failed to store GIF on clipboard";
inline constexpr char kInvalidReductionMethod[] = "Invalid reduction method";
inline constexpr char kInvalidDitherKind[] = "Invalid dither kind";
} // namespace gif_text

} // namespace qt
