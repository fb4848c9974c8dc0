#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace qt {

// Text is 8-bit code page 936 throughout, taken byte for byte; no byte order mark is looked for.

// Splits text into lines. A line ends at CR LF, a lone CR or a lone LF; a last line without a
// line end still counts, a line end after the last line adds no empty line, and a NUL byte ends
// the text.
std::vector<std::string> SplitLines(std::string_view text);

// Each line followed by CR LF, as a string list saves itself; no lines give no bytes.
std::string JoinLines(const std::vector<std::string>& lines);

} // namespace qt
