#pragma once
#include "flash/swf.hpp"

#include <cstdint>
#include <optional>

namespace qt {

// Milliseconds between frames at a stored 8.8 frame rate, held between 10 ms (100 frames a
// second, about the best a window timer does) and 1000 ms; rate 0 counts as the slowest.
int FrameIntervalMs(std::uint16_t frameRate);

// The playhead of the built-in stand-in for the Flash control: the members the programs use,
// as a state machine that its host moves on with Tick() once per frame interval.
//
// Where the real control is subtler, this model settles it so:
// - Loading shows the first frame, stopped; the callers always start playing after setting the
//   movie. The first frame's actions have run by then, so a Stop there does not hold Play().
// - A frame's actions run when playing arrives on it (looping back to the first frame too); a
//   Stop leaves the movie standing on that frame.
// - Arriving on the last frame with Loop off stops there; with Loop on the next tick goes to the
//   first frame and playing goes on.
// - Forward steps one frame on and stops (it stays put on the last frame); Rewind goes to the
//   first frame and stops.
// - The frame count is the ShowFrame tags found, at least one, not the header's count, so
//   "the last frame" is one that the movie really shows.
// - Loop, as on the control, defaults to true and survives loading another movie.
class Timeline {
public:
  static constexpr int kReadyComplete = 4;
  static constexpr int kReadyNone = 0;

  // No movie (nullopt) leaves the control empty: never ready, nothing plays.
  void Load(std::optional<SwfMovie> movie);

  int ReadyState() const { return movie_ ? kReadyComplete : kReadyNone; }
  int TotalFrames() const;
  int CurrentFrame() const { return current_; } // 0-based
  bool IsPlaying() const { return playing_; }
  bool Loop() const { return loop_; }
  void SetLoop(bool loop) { loop_ = loop; }

  void Play();
  void Forward();
  void Rewind();
  void Tick();

  const SwfMovie* Movie() const { return movie_ ? &*movie_ : nullptr; }
  int FrameInterval() const; // ms; a default rate when there is no movie

private:
  bool AtLastFrame() const { return current_ + 1 >= TotalFrames(); }

  std::optional<SwfMovie> movie_;
  int current_ = 0;
  bool playing_ = false;
  bool loop_ = true;
};

} // namespace qt
