#pragma once
#include <windows.h>

#include <string>

namespace win {

// Shows the text in a tool tip while the mouse rests on the window; the empty text takes the
// window's tip away. A window's tip must be taken away before the window is destroyed.
void SetWindowHint(HWND window, const std::string& text);
// The tip learns where the mouse is from the window's mouse messages, handed on with this.
void RelayMouseToHint(HWND window, UINT msg, WPARAM wp, LPARAM lp);

} // namespace win
