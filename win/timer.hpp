#pragma once
#include "win/component.hpp"
#include "win/handles.hpp"

namespace win {

// Runs OnTimer every Interval milliseconds from the message loop while Enabled. Each change of
// Enabled or Interval starts the count again; an interval of 0 stops the timer.
class TTimer : public TComponent {
public:
  explicit TTimer(TComponent* owner);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned milliseconds);

  TNotifyEvent OnTimer;

  static const PropertyTable& ClassProperties();
  const PropertyTable& Properties() const override { return ClassProperties(); }

private:
  static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
  void Restart();

  // A message-only window of its own, so the ticks arrive through the thread's message loop.
  UniqueWindow window_;
  bool enabled_ = true;
  unsigned interval_ = 1000;
};

} // namespace win
