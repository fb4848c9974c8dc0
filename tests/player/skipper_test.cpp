#include "player/skipper.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qt {
namespace {

// A movie on a simulated clock. While playing it moves one frame on every frameMs; a frame in
// `stops` stops it when playing arrives there, and with Loop off so does the last frame.
// Forward steps on and stops (it stays on the last frame), Rewind goes to frame 0 and stops.
class ScriptedMovie : public MovieControl {
public:
  struct Call {
    std::int64_t at;
    std::string what;
    friend bool operator==(const Call&, const Call&) = default;
  };

  ScriptedMovie(int frames, int frameMs) : frames_(frames), frameMs_(frameMs) {}

  void StopOn(int frame) { stops_.insert(frame); }
  void SetReadyState(int state) { ready_ = state; }
  void SetForwardMoves(bool moves) { forwardMoves_ = moves; }

  // Starts playing at `at` from frame 0 without recording a call: the player's start-up.
  void Start(std::int64_t at) {
    now_ = at;
    playing_ = true;
    nextFrameAt_ = at + frameMs_;
  }

  void AdvanceTo(std::int64_t now) {
    while (playing_ && nextFrameAt_ <= now) {
      if (current_ + 1 < frames_) {
        ++current_;
      } else if (loop_) {
        current_ = 0;
      }
      if (stops_.contains(current_) || (!loop_ && current_ + 1 == frames_)) {
        playing_ = false;
        stoppedAt_ = nextFrameAt_;
      }
      nextFrameAt_ += frameMs_;
    }
    now_ = now;
  }

  std::optional<std::int64_t> StoppedAt() const { return stoppedAt_; }
  const std::vector<Call>& Calls() const { return calls_; }
  bool Looping() const { return loop_; }

  int ReadyState() const override { return ready_; }
  int TotalFrames() const override { return frames_; }
  int CurrentFrame() const override { return current_; }
  bool IsPlaying() const override { return playing_; }
  void Play() override {
    Record("Play");
    if (!playing_)
      nextFrameAt_ = now_ + frameMs_;
    playing_ = true;
  }
  void Forward() override {
    Record("Forward");
    if (forwardMoves_ && current_ + 1 < frames_)
      ++current_;
    playing_ = false;
  }
  void Rewind() override {
    Record("Rewind");
    current_ = 0;
    playing_ = false;
  }
  void SetLoop(bool loop) override {
    Record(loop ? "SetLoop(true)" : "SetLoop(false)");
    loop_ = loop;
  }

private:
  void Record(const char* what) { calls_.push_back({now_, what}); }

  int frames_;
  int frameMs_;
  std::set<int> stops_;
  int ready_ = MovieControl::kReadyComplete;
  bool forwardMoves_ = true;
  int current_ = 0;
  bool playing_ = false;
  bool loop_ = false; // start-up turns looping off where it skips pauses
  std::int64_t now_ = 0;
  std::int64_t nextFrameAt_ = 0;
  std::optional<std::int64_t> stoppedAt_;
  std::vector<Call> calls_;
};

// Timer1 as the player runs it: first tick one interval after start-up, each next one an
// interval after the last, at the interval the tick left. The movie's frames up to a moment
// come before a tick at that moment.
class SkipperRun {
public:
  explicit SkipperRun(ScriptedMovie& movie, bool skipPauses = true)
      : movie_(movie), skipper_(skipPauses), nextTick_(skipper_.Interval()) {}

  void RunUntil(std::int64_t end) {
    while (nextTick_ <= end) {
      movie_.AdvanceTo(nextTick_);
      const int interval = skipper_.Tick(movie_);
      intervals_.push_back(interval);
      nextTick_ += interval;
    }
    movie_.AdvanceTo(end);
  }

  const std::vector<int>& Intervals() const { return intervals_; }
  std::int64_t NextTick() const { return nextTick_; }

private:
  ScriptedMovie& movie_;
  PauseSkipper skipper_;
  std::int64_t nextTick_;
  std::vector<int> intervals_;
};

using Call = ScriptedMovie::Call;
using Calls = std::vector<Call>;

TEST(PauseSkipper, LeavesAMovieThatPlaysOnAlone) {
  ScriptedMovie movie(1000, 80);
  movie.Start(0);
  SkipperRun run(movie);
  run.RunUntil(60'000);
  EXPECT_EQ(movie.Calls(), Calls{});
  EXPECT_TRUE(movie.IsPlaying());
  for (int interval : run.Intervals())
    ASSERT_EQ(interval, PauseSkipper::kWatchMs);
}

// The movie starts playing up to 499 ms before the timer does, so the stop falls anywhere in the
// 500 ms between two ticks.
class StopMidway : public testing::TestWithParam<int> {};

TEST_P(StopMidway, MovesOnAndPlaysThreeToThreeAndAHalfSecondsAfterTheStop) {
  ScriptedMovie movie(1000, 100);
  movie.StopOn(40);
  movie.Start(-GetParam());
  SkipperRun run(movie);
  run.RunUntil(20'000);

  ASSERT_TRUE(movie.StoppedAt());
  const std::int64_t stop = *movie.StoppedAt();
  ASSERT_EQ(movie.Calls().size(), 2u);
  const std::int64_t pushed = movie.Calls()[0].at;
  EXPECT_EQ(movie.Calls(), (Calls{{pushed, "Forward"}, {pushed, "Play"}}));
  EXPECT_GE(pushed - stop, 3000);
  EXPECT_LE(pushed - stop, 3500);
  // Played on from the frame after the stop, and watched every 500 ms again.
  EXPECT_TRUE(movie.IsPlaying());
  EXPECT_GT(movie.CurrentFrame(), 41);
  EXPECT_EQ(run.Intervals().back(), PauseSkipper::kWatchMs);
}

INSTANTIATE_TEST_SUITE_P(Phases, StopMidway, testing::Values(0, 1, 100, 250, 399, 499));

TEST(PauseSkipper, RewindsAMovieThatStopsOnItsLastFrame) {
  ScriptedMovie movie(30, 100);
  movie.Start(0);
  SkipperRun run(movie);
  run.RunUntil(2999);
  ASSERT_EQ(movie.StoppedAt(), 2900);
  ASSERT_EQ(movie.CurrentFrame(), 29);

  // Noticed at the tick of 3000 ms, acted on 3000 ms later.
  run.RunUntil(6000);
  EXPECT_EQ(movie.Calls(), (Calls{{6000, "Rewind"}, {6000, "Play"}, {6000, "SetLoop(false)"}}));
  EXPECT_TRUE(movie.IsPlaying());
  EXPECT_FALSE(movie.Looping());
  run.RunUntil(6150);
  EXPECT_EQ(movie.CurrentFrame(), 1);
  // The tick that rewound keeps the waiting interval.
  EXPECT_EQ(run.Intervals().back(), PauseSkipper::kWaitMs);
}

TEST(PauseSkipper, PushesOnAMovieThatPlaysButStandsOnOneFrame) {
  // Five seconds a frame: the first tick finds frame 0 still showing.
  ScriptedMovie movie(10, 5000);
  movie.Start(0);
  SkipperRun run(movie);
  run.RunUntil(3500);
  EXPECT_EQ(movie.Calls(), (Calls{{3500, "Forward"}, {3500, "Play"}}));
  EXPECT_EQ(movie.CurrentFrame(), 1);
}

TEST(PauseSkipper, PlaysAMovieWhereItStandsWhenTheStepDoesNotMoveIt) {
  ScriptedMovie movie(100, 100);
  movie.StopOn(40);
  movie.SetForwardMoves(false);
  movie.Start(0);
  SkipperRun run(movie);
  run.RunUntil(7000);
  EXPECT_EQ(movie.Calls(), (Calls{{7000, "Forward"}, {7000, "Play"}, {7000, "SetLoop(false)"}}));
  EXPECT_TRUE(movie.IsPlaying());
  EXPECT_EQ(movie.CurrentFrame(), 40);
  EXPECT_EQ(run.Intervals().back(), PauseSkipper::kWaitMs);
}

TEST(PauseSkipper, OnlyWatchesAMovieThatIsStillLoading) {
  ScriptedMovie movie(100, 100);
  movie.SetReadyState(3);
  SkipperRun run(movie);
  run.RunUntil(10'000);
  EXPECT_EQ(movie.Calls(), Calls{});
  for (int interval : run.Intervals())
    ASSERT_EQ(interval, PauseSkipper::kWatchMs);

  // Once loaded, the standing movie is noticed at the next tick and pushed on after the wait.
  movie.SetReadyState(MovieControl::kReadyComplete);
  run.RunUntil(10'500 + PauseSkipper::kWaitMs);
  EXPECT_EQ(movie.Calls(), (Calls{{13'500, "Forward"}, {13'500, "Play"}}));
}

TEST(PauseSkipper, DoesNothingWhenPausesAreNotSkipped) {
  ScriptedMovie movie(100, 100);
  movie.StopOn(5);
  movie.Start(0);
  SkipperRun run(movie, false);
  run.RunUntil(20'000);
  EXPECT_EQ(movie.Calls(), Calls{});
  EXPECT_EQ(movie.CurrentFrame(), 5);
}

} // namespace
} // namespace qt
