#pragma once

namespace qt {

// The members of the movie control that the pause skipper uses.
class MovieControl {
public:
  static constexpr int kReadyComplete = 4; // ReadyState of a fully loaded movie

  virtual ~MovieControl() = default;
  virtual int ReadyState() const = 0;
  virtual int TotalFrames() const = 0;
  virtual int CurrentFrame() const = 0; // 0-based
  virtual bool IsPlaying() const = 0;
  virtual void Play() = 0;
  virtual void Forward() = 0;
  virtual void Rewind() = 0;
  virtual void SetLoop(bool loop) = 0;
};

// The pause skipper behind Timer1, for movies that stop and wait for a viewer to act. It
// watches every 500 ms; a movie that stopped, or stood on one frame since the last tick, is
// left alone for 3000 ms, then pushed one frame on and played, or rewound and played where it
// stood on its last frame.
class PauseSkipper {
public:
  static constexpr int kWatchMs = 500;
  static constexpr int kWaitMs = 3000;

  explicit PauseSkipper(bool skipPauses) : FSkipPauses(skipPauses) {}

  // One tick of the timer. Returns the interval the timer is to run at from now on; the caller
  // sets it only when it differs, since setting the timer's interval restarts its countdown.
  int Tick(MovieControl& movie);

  int Interval() const { return FInterval; }

private:
  bool FSkipPauses;
  bool FStalled = false; // a stall was seen; the next tick acts on it
  int FCheckFrame = 0;   // the frame noted at the previous tick
  int FPrevFrame = 0;    // the frame at the end of the previous tick
  int FInterval = kWatchMs;
};

} // namespace qt
