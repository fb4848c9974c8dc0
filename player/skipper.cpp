#include "player/skipper.hpp"

namespace qt {

int PauseSkipper::Tick(MovieControl& movie) {
  if (!FSkipPauses)
    return FInterval;
  if (movie.ReadyState() == MovieControl::kReadyComplete) {
    if (FStalled) {
      FStalled = false;
      const int before = movie.CurrentFrame();
      if (FCheckFrame < movie.TotalFrames() - 1)
        movie.Forward();
      else
        movie.Rewind();
      if (before >= movie.CurrentFrame()) {
        // Rewound, or the step did not move on: play from here and look again after the
        // interval already set.
        movie.Play();
        movie.SetLoop(false);
        FCheckFrame = 0;
        return FInterval;
      }
      if (!movie.IsPlaying())
        movie.Play();
      FInterval = kWatchMs;
    }
    FCheckFrame = movie.CurrentFrame();
    if (!movie.IsPlaying() || FCheckFrame == FPrevFrame) {
      FInterval = kWaitMs;
      FStalled = true;
    }
  }
  FPrevFrame = movie.CurrentFrame();
  return FInterval;
}

} // namespace qt
