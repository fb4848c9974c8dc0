#include "flash/timeline.hpp"
#include "tests/flash/swf_writer.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qt {
namespace {

SwfMovie Movie(int frames, std::vector<int> stops = {}) {
  return ReadSwf(testing::MakeSwf({.frames = frames, .stopFrames = std::move(stops)})).value();
}

// The state after each command, as "frame>" while playing and "frame." while stopped.
std::string Drive(Timeline& t, std::string_view commands) {
  std::string trace;
  for (char command : commands) {
    switch (command) {
    case 'P': t.Play(); break;
    case 'F': t.Forward(); break;
    case 'R': t.Rewind(); break;
    case 'T': t.Tick(); break;
    }
    if (!trace.empty())
      trace += ' ';
    trace += std::to_string(t.CurrentFrame()) + (t.IsPlaying() ? '>' : '.');
  }
  return trace;
}

TEST(SwfTimeline, PlaysStopsLoopsStepsAndRewinds) {
  struct Case {
    const char* name;
    int frames;
    std::vector<int> stops; // 1-based
    bool loop;
    const char* commands;
    const char* trace;
  } cases[] = {
      {"plays every frame, then stands on the last", 4, {}, false, "PTTTT", "0> 1> 2> 3. 3."},
      {"loops back to the first frame", 3, {}, true, "PTTTT", "0> 1> 2> 0> 1>"},
      {"stops mid-way, Play goes on", 5, {3}, false, "PTTTPTT", "0> 1> 2. 2. 2> 3> 4."},
      {"a stop on the last frame holds even when looping", 3, {3}, true, "PTTT", "0> 1> 2. 2."},
      {"a stop on the first frame holds when looping back", 2, {1}, true, "PTTT", "0> 1> 0. 0."},
      {"a stop on the first frame does not hold Play after loading", 3, {1}, false, "PT", "0> 1>"},
      {"ticks do nothing until Play", 3, {}, false, "TTP", "0. 0. 0>"},
      {"Forward steps on and stops", 4, {}, false, "PTFT", "0> 1> 2. 2."},
      {"Forward stays on the last frame", 3, {}, true, "FFF", "1. 2. 2."},
      {"Rewind goes to the first frame and stops", 4, {}, false, "PTTRTP", "0> 1> 2> 0. 0. 0>"},
      {"Play on the last frame without Loop stops again", 3, {}, false, "FFPT", "1. 2. 2> 2."},
      {"Play on the last frame with Loop starts over", 3, {}, true, "FFPT", "1. 2. 2> 0>"},
      {"one frame, looping", 1, {}, true, "PTT", "0> 0> 0>"},
      {"one frame, not looping", 1, {}, false, "PT", "0> 0."},
  };
  for (const Case& c : cases) {
    Timeline t;
    t.SetLoop(c.loop);
    t.Load(Movie(c.frames, c.stops));
    EXPECT_EQ(Drive(t, c.commands), c.trace) << c.name;
  }
}

TEST(SwfTimeline, LoadingShowsTheFirstFrameStoppedAndKeepsLoop) {
  Timeline t;
  EXPECT_TRUE(t.Loop());
  t.SetLoop(false);
  t.Load(Movie(5));
  Drive(t, "PTT");
  SwfMovie next = Movie(3);
  next.declaredFrames = 40; // the header's count is not the timeline's
  t.Load(next);
  EXPECT_EQ(t.ReadyState(), 4);
  EXPECT_EQ(t.TotalFrames(), 3);
  EXPECT_EQ(t.CurrentFrame(), 0);
  EXPECT_FALSE(t.IsPlaying());
  EXPECT_FALSE(t.Loop());
  t.Load(Movie(0)); // nothing but End: still a picture to show
  EXPECT_EQ(t.TotalFrames(), 1);
}

TEST(SwfTimeline, WithoutAMovieNothingIsReadyAndNothingPlays) {
  for (bool hadMovie : {false, true}) {
    Timeline t;
    if (hadMovie) {
      t.Load(Movie(3));
      Drive(t, "PT");
    }
    t.Load(ReadSwf("not a movie"));
    EXPECT_NE(t.ReadyState(), 4);
    EXPECT_EQ(t.TotalFrames(), 0);
    EXPECT_EQ(t.Movie(), nullptr);
    EXPECT_EQ(Drive(t, "PTFTRPT"), "0. 0. 0. 0. 0. 0. 0.") << hadMovie;
  }
}

TEST(SwfFrameInterval, RoundsAndStaysWithinATimersReach) {
  struct Case {
    std::uint16_t rate;
    int ms;
  } cases[] = {
      {12 << 8, 83},  {24 << 8, 42},   {0x0C80, 80}, {2 << 8, 500}, {1 << 8, 1000},
      {0x0080, 1000}, {0, 1000},       {1, 1000},    {100 << 8, 10}, {0xFFFF, 10},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FrameIntervalMs(c.rate), c.ms) << c.rate;
}

} // namespace
} // namespace qt
