#pragma once
#include "host/modeline.hpp"

#include <cstdint>
#include <optional>

namespace qt {

// Message numbers of the input the exit rules look at, as the Windows headers define them.
inline constexpr std::uint32_t kWmKeyDown = 0x0100;
inline constexpr std::uint32_t kWmKeyUp = 0x0101;
inline constexpr std::uint32_t kWmMouseMove = 0x0200;
inline constexpr std::uint32_t kWmLButtonDown = 0x0201;
inline constexpr std::uint32_t kWmRButtonDown = 0x0204;
inline constexpr std::uint32_t kWmMButtonDown = 0x0207;

// A message as the queue hands it out. For mouse messages the low and high words of lParam are
// the position in the client area of the window the message is for.
struct QueuedMessage {
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

struct ScreenPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

// The input that may pass without ending a run: the boxes "鼠标移动不退出" (CheckBox8),
// "鼠标点击不退出,显示光标" (CheckBox4) and "键盘输入不退出,Alt+F4退出" (CheckBox5).
struct ExitSettings {
  bool allowMouse = true;
  bool allowClick = false;
  bool allowKey = false;
};

// The player as it stands when a message comes out of the queue.
struct MessageContext {
  scrmode mode = mRun;
  bool formVisible = true;
  ExitSettings settings;  // the boxes' current states
  ScreenPoint cursor;     // the cursor's screen position
  std::int64_t nowMs = 0; // a steady clock: setting the wall clock back must not stretch the grace
};

enum class MessageVerdict {
  dispatch,     // leave the message alone
  drop,         // the message is not dispatched
  dropAndClose, // not dispatched, and the form is asked to close
};

// The application-wide message filter of the player (AppMessage). For the first 2 seconds after
// the first message it only tracks the cursor, so the input that woke the machine, or a hand
// still on the mouse, does not end the run it just started. After that the last tracked point
// stays as it was: slow movement adds up until it is more than 15 pixels away on either axis.
class ExitRules {
public:
  static constexpr std::int64_t kGraceMs = 2000;
  static constexpr int kMoveThreshold = 15;

  MessageVerdict AppMessage(const QueuedMessage& msg, const MessageContext& context);

private:
  bool EndsRun(const QueuedMessage& msg, const ExitSettings& settings) const;

  std::optional<std::int64_t> FStartTime; // time of the first message seen
  ScreenPoint FMousePos;                  // cursor position last tracked in the grace period
};

// FormKeyPress: whether a typed character closes the form. It has no grace period and does not
// look at allowKey: only allowed clicks keep a typed character from ending a run.
bool KeyPressEnds(scrmode mode, const ExitSettings& settings);

} // namespace qt
