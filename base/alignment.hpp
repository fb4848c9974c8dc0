#pragma once
#include <cstdint>

namespace qt {

// Horizontal placement of a panel's text; the ordinals are those the form files store.
enum TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

} // namespace qt
