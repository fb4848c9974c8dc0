#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace qt {

// What a link control (an advert picture, the about text, the text bar) hands to the shell's
// "open" verb for its target: a web address as it is, anything else as a mail address. An empty
// target opens nothing. Only a lower-case "http" start counts as a web address.
std::optional<std::string> LinkCommand(std::string_view target);

// The "mailto:" text of "发给朋友": a mail whose body asks the sender to attach the screen saver
// file at `programPath` (its long form) and tells the receiver how to install it. The path goes
// in as it is, spaces and all.
std::string SendToFriendMail(std::string_view programPath);

} // namespace qt
