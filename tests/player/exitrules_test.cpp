#include "player/exitrules.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

namespace qt {
namespace {

constexpr std::uint32_t kWmSysKeyDown = 0x0104;
constexpr std::uint32_t kWmTimer = 0x0113;
constexpr std::uint32_t kWmLButtonUp = 0x0202;
constexpr std::uint32_t kWmRButtonUp = 0x0205;
constexpr std::uintptr_t kVkLeft = 0x25;
constexpr std::uintptr_t kVkF4 = 0x73;

std::intptr_t PositionParam(int x, int y) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(y) & 0xFFFF) << 16 |
                                    (static_cast<std::uint32_t>(x) & 0xFFFF));
}

QueuedMessage MouseMove(int x, int y) { return {kWmMouseMove, 0, PositionParam(x, y)}; }
QueuedMessage Button(std::uint32_t message) { return {message, 0, PositionParam(100, 100)}; }
QueuedMessage Key(std::uint32_t message, std::uintptr_t key) { return {message, key, 0}; }

// A run that has seen its first message at time 0 with the cursor at kStart, unless it says
// otherwise, and is past the grace period from kAfterGrace on.
constexpr std::int64_t kAfterGrace = ExitRules::kGraceMs;
constexpr ScreenPoint kStart{100, 100};

class SaverRun {
public:
  explicit SaverRun(ExitSettings settings, scrmode mode = mRun, ScreenPoint start = kStart) {
    context_.settings = settings;
    context_.mode = mode;
    Send({kWmTimer, 0, 0}, 0, start);
  }

  MessageVerdict Send(const QueuedMessage& msg, std::int64_t nowMs, ScreenPoint cursor) {
    context_.nowMs = nowMs;
    context_.cursor = cursor;
    return rules_.AppMessage(msg, context_);
  }

  // A mouse move to a screen position; over the movie client and screen positions agree.
  MessageVerdict MoveTo(int x, int y, std::int64_t nowMs) {
    return Send(MouseMove(x, y), nowMs, {x, y});
  }

  MessageContext& context() { return context_; }

private:
  ExitRules rules_;
  MessageContext context_;
};

// ---- The decision table: which input ends a run after the grace period.

enum class Ends { no, byMessage, byKeyPress };

struct TableRow {
  const char* name;
  ExitSettings settings; // allowMouse, allowClick, allowKey
  Ends move;             // a mouse move of more than 15 pixels
  Ends click;            // left or middle button down
  Ends plainKey;         // a key without a character: key down and key up
  Ends characterKey;     // key down, then the key-press event
};

void PrintTo(const TableRow& r, std::ostream* os) { *os << r.name; }

const TableRow kTable[] = {
    {"NoneTicked", {false, false, false}, Ends::byMessage, Ends::byMessage, Ends::byMessage,
     Ends::byMessage},
    {"MouseOnly", {true, false, false}, Ends::no, Ends::byMessage, Ends::byMessage,
     Ends::byMessage},
    {"ClickOnly", {false, true, false}, Ends::no, Ends::no, Ends::byMessage, Ends::byMessage},
    {"ClickAndMouse", {true, true, false}, Ends::no, Ends::no, Ends::byMessage, Ends::byMessage},
    {"KeyOnly", {false, false, true}, Ends::byMessage, Ends::byMessage, Ends::no,
     Ends::byKeyPress},
    {"KeyAndMouse", {true, false, true}, Ends::no, Ends::byMessage, Ends::no, Ends::byKeyPress},
    {"KeyAndClick", {false, true, true}, Ends::no, Ends::no, Ends::no, Ends::no},
    {"All", {true, true, true}, Ends::no, Ends::no, Ends::no, Ends::no},
};

Ends ByMessage(MessageVerdict v) {
  return v == MessageVerdict::dropAndClose ? Ends::byMessage : Ends::no;
}

class DecisionTable : public testing::TestWithParam<TableRow> {};

TEST_P(DecisionTable, MouseMove) {
  SaverRun run(GetParam().settings);
  EXPECT_EQ(ByMessage(run.MoveTo(120, 100, kAfterGrace)), GetParam().move);
}

TEST_P(DecisionTable, LeftAndMiddleClick) {
  for (std::uint32_t button : {kWmLButtonDown, kWmMButtonDown}) {
    SaverRun run(GetParam().settings);
    EXPECT_EQ(ByMessage(run.Send(Button(button), kAfterGrace, kStart)), GetParam().click)
        << std::hex << button;
  }
}

TEST_P(DecisionTable, KeyWithoutCharacter) {
  for (std::uintptr_t key : {kVkLeft, kVkF4}) {
    SaverRun run(GetParam().settings);
    const MessageVerdict down = run.Send(Key(kWmKeyDown, key), kAfterGrace, kStart);
    const MessageVerdict up = run.Send(Key(kWmKeyUp, key), kAfterGrace + 100, kStart);
    EXPECT_EQ(ByMessage(down), GetParam().plainKey) << key;
    EXPECT_EQ(ByMessage(up), GetParam().plainKey) << key;
  }
}

TEST_P(DecisionTable, KeyWithCharacter) {
  SaverRun run(GetParam().settings);
  Ends ends = ByMessage(run.Send(Key(kWmKeyDown, 'A'), kAfterGrace, kStart));
  if (ends == Ends::no && KeyPressEnds(mRun, GetParam().settings))
    ends = Ends::byKeyPress;
  EXPECT_EQ(ends, GetParam().characterKey);
}

TEST_P(DecisionTable, RightButtonIsDroppedAndNeverEnds) {
  SaverRun run(GetParam().settings);
  EXPECT_EQ(run.Send(Button(kWmRButtonDown), kAfterGrace, kStart), MessageVerdict::drop);
  EXPECT_EQ(run.Send(Button(kWmRButtonUp), kAfterGrace, kStart), MessageVerdict::dispatch);
}

INSTANTIATE_TEST_SUITE_P(Settings, DecisionTable, testing::ValuesIn(kTable),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Messages that no setting lets end a run.

TEST(ExitRules, OtherMessagesPass) {
  SaverRun run({false, false, false});
  for (const QueuedMessage& msg : {Button(kWmLButtonUp), Button(kWmRButtonUp),
                                   Key(kWmSysKeyDown, kVkF4), QueuedMessage{kWmTimer, 1, 0}})
    EXPECT_EQ(run.Send(msg, kAfterGrace, {400, 400}), MessageVerdict::dispatch)
        << std::hex << msg.message;
}

// ---- Grace period.

constexpr ExitSettings kNothingAllowed{false, false, false};

TEST(ExitRules, NothingEndsARunInItsFirstTwoSeconds) {
  SaverRun run(kNothingAllowed);
  for (std::int64_t t : {std::int64_t{0}, std::int64_t{1000}, kAfterGrace - 1}) {
    EXPECT_EQ(run.Send(Button(kWmLButtonDown), t, kStart), MessageVerdict::dispatch) << t;
    EXPECT_EQ(run.Send(Key(kWmKeyDown, 'A'), t, kStart), MessageVerdict::dispatch) << t;
    EXPECT_EQ(run.Send(MouseMove(600, 600), t, kStart), MessageVerdict::dispatch) << t;
  }
  EXPECT_EQ(run.Send(Button(kWmLButtonDown), kAfterGrace, kStart), MessageVerdict::dropAndClose);
}

TEST(ExitRules, RightButtonIsDroppedDuringTheGracePeriod) {
  SaverRun run(kNothingAllowed);
  EXPECT_EQ(run.Send(Button(kWmRButtonDown), 10, kStart), MessageVerdict::drop);
}

TEST(ExitRules, GracePeriodStartsWithTheFirstMessage) {
  ExitRules rules;
  MessageContext context;
  context.settings = kNothingAllowed;
  context.nowMs = 50'000;
  EXPECT_EQ(rules.AppMessage({kWmTimer, 0, 0}, context), MessageVerdict::dispatch);
  context.nowMs = 50'000 + ExitRules::kGraceMs - 1;
  EXPECT_EQ(rules.AppMessage(Button(kWmLButtonDown), context), MessageVerdict::dispatch);
  context.nowMs = 50'000 + ExitRules::kGraceMs;
  EXPECT_EQ(rules.AppMessage(Button(kWmLButtonDown), context), MessageVerdict::dropAndClose);
}

TEST(ExitRules, ReferencePointIsTheLastCursorPositionOfTheGracePeriod) {
  SaverRun run(kNothingAllowed);
  run.Send({kWmTimer, 0, 0}, 1500, {300, 300});
  EXPECT_EQ(run.MoveTo(310, 300, kAfterGrace), MessageVerdict::dispatch);
  EXPECT_EQ(run.MoveTo(316, 300, kAfterGrace + 10), MessageVerdict::dropAndClose);
}

// After the grace period the point no longer follows the cursor, so slow movement adds up.
TEST(ExitRules, SlowMovementAddsUp) {
  SaverRun run(kNothingAllowed);
  for (int x : {105, 110, 115})
    EXPECT_EQ(run.MoveTo(x, 100, kAfterGrace + x), MessageVerdict::dispatch) << x;
  EXPECT_EQ(run.MoveTo(120, 100, kAfterGrace + 120), MessageVerdict::dropAndClose);
}

struct MoveCase {
  int dx;
  int dy;
  bool ends;
};

TEST(ExitRules, MoreThanFifteenPixelsOnEitherAxisEnds) {
  const MoveCase cases[] = {
      {15, 0, false},  {-15, 0, false}, {0, 15, false},  {0, -15, false}, {15, 15, false},
      {16, 0, true},   {-16, 0, true},  {0, 16, true},   {0, -16, true},  {16, -15, true},
      {-15, 16, true}, {0, 0, false},   {300, 0, true},
  };
  for (const MoveCase& c : cases) {
    SaverRun run(kNothingAllowed);
    const MessageVerdict expected =
        c.ends ? MessageVerdict::dropAndClose : MessageVerdict::dispatch;
    EXPECT_EQ(run.MoveTo(kStart.x + c.dx, kStart.y + c.dy, kAfterGrace), expected)
        << c.dx << ", " << c.dy;
  }
}

// The message's position is the client position: over the bottom bar it is relative to the
// bar's panels, far from the screen point the cursor was tracked at.
TEST(ExitRules, MovesAreMeasuredInTheMessagesOwnPosition) {
  SaverRun run(kNothingAllowed);
  EXPECT_EQ(run.Send(MouseMove(2, 3), kAfterGrace, {kStart.x + 1, kStart.y}),
            MessageVerdict::dropAndClose);
  SaverRun still(kNothingAllowed);
  EXPECT_EQ(still.Send(MouseMove(kStart.x, kStart.y), kAfterGrace, {900, 900}),
            MessageVerdict::dispatch);
}

// Each word of the position is unsigned: a client x of -1 reads as 65535.
TEST(ExitRules, PositionWordsAreUnsigned) {
  SaverRun run(kNothingAllowed, mRun, {0, 0});
  EXPECT_EQ(run.Send(MouseMove(-1, 0), kAfterGrace, {0, 0}), MessageVerdict::dropAndClose);
  SaverRun high(kNothingAllowed, mRun, {0, 0});
  EXPECT_EQ(high.Send(MouseMove(0, -1), kAfterGrace, {0, 0}), MessageVerdict::dropAndClose);
}

TEST(ExitRules, HiddenFormOnlyTracksTheCursor) {
  SaverRun run(kNothingAllowed);
  run.context().formVisible = false;
  EXPECT_EQ(run.Send(Button(kWmLButtonDown), kAfterGrace, {500, 500}), MessageVerdict::dispatch);
  EXPECT_EQ(run.Send(Key(kWmKeyDown, 'A'), kAfterGrace, {500, 500}), MessageVerdict::dispatch);
  run.context().formVisible = true;
  EXPECT_EQ(run.MoveTo(505, 500, kAfterGrace + 10), MessageVerdict::dispatch);
  EXPECT_EQ(run.MoveTo(520, 500, kAfterGrace + 20), MessageVerdict::dropAndClose);
}

// ---- Other modes: only the right button's down message is filtered.

class OtherMode : public testing::TestWithParam<scrmode> {};

TEST_P(OtherMode, OnlyTheRightButtonIsFiltered) {
  SaverRun run(kNothingAllowed, GetParam());
  EXPECT_EQ(run.Send(Button(kWmRButtonDown), kAfterGrace, kStart), MessageVerdict::drop);
  EXPECT_EQ(run.Send(Button(kWmRButtonUp), kAfterGrace, kStart), MessageVerdict::dispatch);
  EXPECT_EQ(run.Send(Button(kWmLButtonDown), kAfterGrace, kStart), MessageVerdict::dispatch);
  EXPECT_EQ(run.Send(Button(kWmMButtonDown), kAfterGrace, kStart), MessageVerdict::dispatch);
  EXPECT_EQ(run.Send(Key(kWmKeyDown, 'A'), kAfterGrace, kStart), MessageVerdict::dispatch);
  EXPECT_EQ(run.MoveTo(900, 900, kAfterGrace), MessageVerdict::dispatch);
  EXPECT_FALSE(KeyPressEnds(GetParam(), kNothingAllowed));
}

INSTANTIATE_TEST_SUITE_P(Modes, OtherMode, testing::Values(mPreview, mConfig, mPassword));

} // namespace
} // namespace qt
