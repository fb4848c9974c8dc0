#pragma once
#include <cstdint>
#include <string_view>

namespace qt {

// The screen saver host's modes; the ordinals are those the form files store.
enum scrmode : std::uint8_t { mPreview, mRun, mConfig, mPassword };

enum TConfigBoxStyle : std::uint8_t { cbsMessageDlg, cbsPanel };

// The second character of the upper-cased first argument, whatever the first one is ("/s", "-S"
// and "xs" all give 'S'); '\0' when the argument is shorter than two characters.
char ModeLetter(std::string_view firstArgument);

// The mode the command line asks for: "DEMO1", "DEMO2" and "USERDEMO" (any case) run; otherwise
// the mode letter P previews, S runs, A changes the password and anything else, no argument
// included, opens the settings.
scrmode ModeFromCommandLine(std::string_view firstArgument);

// A window handle given on the command line as a decimal number.
struct HostWindow {
  std::int32_t handle = 0; // 0 when the argument is no number
  bool usable = false;     // a number other than -1: preview attaches to this window
  friend bool operator==(const HostWindow&, const HostWindow&) = default;
};

HostWindow ParseHostWindow(std::string_view argument);

} // namespace qt
