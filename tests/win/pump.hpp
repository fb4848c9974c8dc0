#pragma once
// Waiting in a test for what other threads or posted messages bring about.
#include <windows.h>

#include <chrono>
#include <functional>

namespace win::testing {

// Dispatches this thread's messages until pred holds or the time is up; whether it holds.
inline bool PumpUntil(const std::function<bool()>& pred, std::chrono::seconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > end) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  return true;
}

} // namespace win::testing
