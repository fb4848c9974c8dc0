#include "player/exitrules.hpp"

#include <cstdlib>

namespace qt {

MessageVerdict ExitRules::AppMessage(const QueuedMessage& msg, const MessageContext& context) {
  if (!FStartTime)
    FStartTime = context.nowMs;
  // No window of the program ever gets the right button's down message, in any mode.
  if (msg.message == kWmRButtonDown)
    return MessageVerdict::drop;
  if (context.mode != mRun)
    return MessageVerdict::dispatch;
  if (!context.formVisible || context.nowMs - *FStartTime < kGraceMs) {
    FMousePos = context.cursor;
    return MessageVerdict::dispatch;
  }
  return EndsRun(msg, context.settings) ? MessageVerdict::dropAndClose
                                        : MessageVerdict::dispatch;
}

bool ExitRules::EndsRun(const QueuedMessage& msg, const ExitSettings& settings) const {
  switch (msg.message) {
  case kWmMouseMove: {
    // Client coordinates against a screen point: they agree over the movie, which starts at the
    // screen's top left corner.
    const auto bits = static_cast<std::uintptr_t>(msg.lParam);
    const auto x = static_cast<std::int64_t>(bits & 0xFFFF);
    const auto y = static_cast<std::int64_t>((bits >> 16) & 0xFFFF);
    const bool moved = std::abs(x - FMousePos.x) > kMoveThreshold ||
                       std::abs(y - FMousePos.y) > kMoveThreshold;
    return moved && !settings.allowMouse && !settings.allowClick;
  }
  case kWmKeyDown:
  case kWmKeyUp:
    return !settings.allowKey;
  case kWmLButtonDown:
  case kWmMButtonDown:
    return !settings.allowClick;
  default:
    return false;
  }
}

bool KeyPressEnds(scrmode mode, const ExitSettings& settings) {
  return mode == mRun && !settings.allowClick;
}

} // namespace qt
