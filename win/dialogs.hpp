#pragma once
#include <windows.h>

#include <string>

namespace win {

// A modal message box over the active window; flags as MessageBox's (MB_OK | MB_ICONINFORMATION...).
int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags);

} // namespace win
