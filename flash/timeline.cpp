#include "flash/timeline.hpp"

#include <algorithm>
#include <utility>

namespace qt {

int FrameIntervalMs(std::uint16_t frameRate) {
  if (frameRate == 0)
    return 1000;
  // 1000 ms / (rate / 256), rounded to the nearest millisecond.
  const int ms = (256000 + frameRate / 2) / frameRate;
  return std::clamp(ms, 10, 1000);
}

void Timeline::Load(std::optional<SwfMovie> movie) {
  movie_ = std::move(movie);
  current_ = 0;
  playing_ = false;
}

int Timeline::TotalFrames() const { return movie_ ? std::max(movie_->frames, 1) : 0; }

void Timeline::Play() {
  if (movie_)
    playing_ = true;
}

void Timeline::Forward() {
  if (!AtLastFrame())
    ++current_;
  playing_ = false;
}

void Timeline::Rewind() {
  current_ = 0;
  playing_ = false;
}

void Timeline::Tick() {
  if (!playing_)
    return;
  if (!AtLastFrame())
    ++current_;
  else if (loop_)
    current_ = 0;
  if (movie_->StopsAt(current_ + 1) || (AtLastFrame() && !loop_))
    playing_ = false;
}

int Timeline::FrameInterval() const {
  return FrameIntervalMs(movie_ ? movie_->frameRate : 12 << 8);
}

} // namespace qt
