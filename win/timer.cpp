#include "win/timer.hpp"

#include "win/application.hpp"

#include <stdexcept>

namespace win {
namespace {

constexpr wchar_t kTimerClass[] = L"QtTimer";
constexpr UINT_PTR kTimerId = 1;

} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) {
  window_.reset(CreateWindowExW(0, RegisterWindowClassOnce(kTimerClass, WindowProc), nullptr, 0, 0, 0, 0, 0,
                                HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr));
  if (!window_) throw std::runtime_error("cannot create the window of a timer");
  SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Restart();
}

LRESULT CALLBACK TTimer::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TTimer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_TIMER && self && wp == kTimerId) {
    if (self->OnTimer) Fenced([&] { self->OnTimer(self); return 0; }, 0);
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

void TTimer::Restart() {
  KillTimer(window_.get(), kTimerId);
  if (enabled_ && interval_ > 0) SetTimer(window_.get(), kTimerId, interval_, nullptr);
}

void TTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Restart();
}

void TTimer::SetInterval(unsigned milliseconds) {
  interval_ = milliseconds;
  Restart();
}

const PropertyTable& TTimer::ClassProperties() {
  static const PropertyTable table(
      &TComponent::ClassProperties(),
      {
          {"Enabled", BoolProperty<TTimer>([](TTimer& t, bool v) { t.SetEnabled(v); })},
          {"Interval", IntProperty<TTimer>([](TTimer& t, int v) {
             if (v < 0) throw FormReadError("an interval cannot be negative");
             t.SetInterval(static_cast<unsigned>(v));
           })},
          {"OnTimer", EventProperty(&TTimer::OnTimer)},
      });
  return table;
}

} // namespace win
