#include "win/hint.hpp"

#include "win/handles.hpp"
#include "win/text.hpp"

#include <commctrl.h>

namespace win {
namespace {

// One tip window serves every control of the program, on top of a screen saver that is on top.
HWND ToolTipWindow() {
  static UniqueWindow tip = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    return UniqueWindow(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
  }();
  return tip.get();
}

} // namespace

void SetWindowHint(HWND window, const std::string& text) {
  HWND tip = ToolTipWindow();
  if (!tip) return;
  std::wstring wide = Widen(text);
  TTTOOLINFOW tool{};
  // The size that every version of the common controls takes.
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  // Not TTF_SUBCLASS: a control's window procedure must stay ours, as its parent tells our
  // windows from others by it.
  tool.uFlags = TTF_IDISHWND;
  tool.hwnd = window;
  tool.uId = reinterpret_cast<UINT_PTR>(window);
  SendMessageW(tip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  if (wide.empty()) return;
  tool.lpszText = wide.data();
  SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void RelayMouseToHint(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  MSG m{window, msg, wp, lp, static_cast<DWORD>(GetMessageTime()), {}};
  SendMessageW(ToolTipWindow(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

} // namespace win
