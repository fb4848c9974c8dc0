#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qt::testing {

// Small SWF files for tests: a header, a background colour and empty frames, some of which stop.
struct SwfOptions {
  bool compressed = false;               // CWS instead of FWS
  int version = 6;
  int left = 0;                          // the stage's top left corner, pixels
  int top = 0;
  int width = 320;                       // pixels
  int height = 240;
  std::uint16_t frameRate = 12 << 8;     // 8.8 fixed point
  int frames = 1;
  std::optional<int> declaredFrames = {}; // the header's count; `frames` when unset
  std::uint32_t background = 0x00FFFFFF; // $00BBGGRR
  std::vector<int> stopFrames = {};      // 1-based; each gets DoAction { Stop, End }
};

inline constexpr int kSwfTagEnd = 0;
inline constexpr int kSwfTagShowFrame = 1;
inline constexpr int kSwfTagSetBackgroundColor = 9;
inline constexpr int kSwfTagDoAction = 12;

// One tag; the long header (32-bit length) when the body needs it or `longHeader` asks for it.
std::string SwfTag(int code, std::string_view body, bool longHeader = false);

// A file around the given tags: signature, version, file length, then the stage, frame rate and
// frame count from `o` and the tags, deflated for CWS. The tags are written as given.
std::string SwfFile(const SwfOptions& o, std::string_view tags);

// The whole movie `o` describes, End tag included.
std::string MakeSwf(const SwfOptions& o);

void WriteSwfFile(const std::filesystem::path& path, const SwfOptions& o);

} // namespace qt::testing
