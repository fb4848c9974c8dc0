#include "win/shell.hpp"

#include "win/text.hpp"

#include <windows.h>
#include <shellapi.h>

namespace win {
namespace {

ShellHandler& Handler() {
  static ShellHandler handler;
  return handler;
}

} // namespace

ShellCall::ShellCall(std::string verb, std::string_view text, std::string parameters)
    : ShellCall(std::move(verb), Widen(text), std::move(parameters)) {}

void ShellRun(const ShellCall& call) {
  if (Handler()) {
    Handler()(call);
    return;
  }
  std::wstring parameters = Widen(call.parameters);
  ShellExecuteW(nullptr, Widen(call.verb).c_str(), call.file.c_str(),
                parameters.empty() ? nullptr : parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

ShellHandler SetShellHandler(ShellHandler handler) {
  ShellHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

} // namespace win
