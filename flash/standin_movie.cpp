#include "flash/movie_backend.hpp"

namespace qt {
namespace {

// The control's state with no movie loaded: never ready, nothing plays. This is the place of the
// built-in stand-in's window, which plays the timeline of flash/timeline.hpp.
class NoMovie final : public MovieBackend {
public:
  void SetMovie(const std::string&) override {}
  void SetLoop(bool) override {}
  void SetBackgroundColor(int32_t) override {}
  void SetBGColor(const std::string&) override {}
  int32_t ReadyState() override { return 0; }
  int32_t TotalFrames() override { return 0; }
  void Play() override {}
  void Forward() override {}
  void Rewind() override {}
  int32_t CurrentFrame() override { return 0; }
  bool IsPlaying() override { return false; }
  void DoShowVerb() override {}
  void Resize() override {}
};

} // namespace

std::unique_ptr<MovieBackend> CreateStandInMovie(HWND, const StoredMovieData&) {
  return std::make_unique<NoMovie>();
}

} // namespace qt
