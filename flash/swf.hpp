#pragma once
#include <cstdint>
#include <optional>
#include <set>
#include <string_view>

namespace qt {

// What the built-in stand-in for the Flash control needs to know about a movie. It renders
// nothing, so the header and the main timeline's frame ends and stop actions are all it reads.
struct SwfMovie {
  int version = 0;
  bool compressed = false;               // CWS: zlib from byte 8 on
  int stageWidth = 0;                    // pixels (the stage rectangle is in twips, 1/20 pixel)
  int stageHeight = 0;
  std::uint16_t frameRate = 0;           // 8.8 fixed point frames per second, as stored
  int declaredFrames = 0;                // the header's frame count, which writers get wrong
  int frames = 0;                        // ShowFrame tags on the main timeline
  std::uint32_t background = 0x00FFFFFF; // $00BBGGRR (a COLORREF); white, as Flash, when unset
  std::set<int> stopFrames;              // 1-based frames whose actions leave the movie stopped

  bool StopsAt(int frame) const { return stopFrames.contains(frame); }
};

// A compressed movie may not inflate past this, whatever its header claims.
inline constexpr std::uint32_t kMaxSwfLength = 64u << 20;

// Reads FWS and CWS files. The tags are read up to the End tag, the declared length or the end of
// the file (for CWS, of the zlib stream), whichever comes first: a movie whose tags stop cleanly
// between two tags is a movie of the frames read so far. Anything else (ZWS, a damaged header or
// zlib stream, a tag cut off inside itself) is no movie. Bytes past the declared length are not
// read: for CWS that is the rest of the zlib stream, its checksum included.
std::optional<SwfMovie> ReadSwf(std::string_view file);

} // namespace qt
