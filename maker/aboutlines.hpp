#pragma once
#include <string>
#include <vector>

namespace qt {

// The about text as the scrolling panel shows it. A line that begins with "##" is a format line:
// when the rest of it is exactly one of the colour or style words its mark-up goes in front of
// the next text line, otherwise it is dropped; it is never shown itself. Every other line, an
// empty one too, is a text line and keeps its text unchanged. Mark-up with no text line after it
// is dropped.
std::vector<std::string> MakeAboutLines(const std::vector<std::string>& memoLines);

} // namespace qt
