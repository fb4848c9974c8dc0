#include "win/dialogs.hpp"

#include "win/text.hpp"

namespace win {

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags) {
  return MessageBoxW(GetActiveWindow(), Widen(text).c_str(), Widen(caption).c_str(), flags);
}

} // namespace win
