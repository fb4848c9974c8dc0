#include "host/modeline.hpp"

#include <charconv>
#include <string>

namespace qt {
namespace {

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

char ModeLetter(std::string_view firstArgument) {
  return firstArgument.size() < 2 ? '\0' : Upper(firstArgument[1]);
}

scrmode ModeFromCommandLine(std::string_view firstArgument) {
  std::string word(firstArgument);
  for (char& c : word)
    c = Upper(c);
  if (word == "DEMO1" || word == "DEMO2" || word == "USERDEMO")
    return mRun;
  switch (ModeLetter(firstArgument)) {
  case 'P':
    return mPreview;
  case 'S':
    return mRun;
  case 'A':
    return mPassword;
  default:
    return mConfig;
  }
}

HostWindow ParseHostWindow(std::string_view argument) {
  std::int32_t value = 0;
  const char* last = argument.data() + argument.size();
  const auto [end, error] = std::from_chars(argument.data(), last, value);
  if (error != std::errc{} || end != last)
    return {};
  // -1 is what "no number" reads as where the preview decides whether to attach.
  return {value, value != -1};
}

} // namespace qt
