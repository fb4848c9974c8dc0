#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace win {

// A verb for the shell to carry out on a file, a web address or a "mailto:" text, with the
// command line parameters to pass, if any. A file is given as its path (UTF-16); a web address or
// a mail text as program text (code page 936).
struct ShellCall {
  ShellCall(std::string verb, std::wstring file, std::string parameters = {})
      : verb(std::move(verb)), file(std::move(file)), parameters(std::move(parameters)) {}
  ShellCall(std::string verb, std::string_view text, std::string parameters = {});
  std::string verb;
  std::wstring file;
  std::string parameters;
};

// Hands the call to the shell (no owner window, no working folder, shown normally). Whether a
// program was found for it is not examined: a machine without a browser or mail program is not
// the caller's failure.
void ShellRun(const ShellCall& call);

// Takes the place of the shell for the calls that follow, until it is replaced again; an empty
// function gives the shell back. Tests record calls this way instead of starting programs.
using ShellHandler = std::function<void(const ShellCall&)>;
// Returns the handler that was in place.
ShellHandler SetShellHandler(ShellHandler handler);

} // namespace win
