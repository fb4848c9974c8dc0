// Feeds arbitrary bytes to the SWF reader. A movie it accepts is played through the control's
// members, chosen by the input's own bytes, and must stay on frames that it has.
#include "flash/swf.hpp"
#include "flash/timeline.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void Require(bool condition) {
  if (!condition)
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace qt;
  const std::optional<SwfMovie> movie =
      ReadSwf(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!movie)
    return 0;
  Require(movie->frames >= 0 && movie->stageWidth >= 0 && movie->stageHeight >= 0);
  Require(movie->background <= 0x00FFFFFF);
  Require(movie->stopFrames.empty() ||
          (*movie->stopFrames.begin() >= 1 && *movie->stopFrames.rbegin() <= movie->frames));

  Timeline t;
  t.Load(movie);
  Require(t.ReadyState() == Timeline::kReadyComplete);
  Require(t.FrameInterval() >= 10 && t.FrameInterval() <= 1000);
  for (std::size_t i = 0; i < std::min<std::size_t>(size, 512); ++i) {
    switch (data[i] % 5) {
    case 0: t.Play(); break;
    case 1: t.Forward(); break;
    case 2: t.Rewind(); break;
    case 3: t.SetLoop(!t.Loop()); break;
    case 4:
      t.Tick();
      // Playing on is only possible from a frame that does not stop.
      Require(!t.IsPlaying() || !movie->StopsAt(t.CurrentFrame() + 1));
      break;
    }
    Require(t.CurrentFrame() >= 0 && t.CurrentFrame() < t.TotalFrames());
  }
  return 0;
}
