#pragma once
#include "panels/color.hpp"
#include "win/graphics.hpp"

namespace qt {

// Where the panels' colours cross to and from the form layer. The bits pass unchanged, system
// colours (0x80000000 | index) included: the colour arithmetic reads only the three low bytes,
// and what reaches GDI goes through win::ColorToRGB, which resolves the system colours.
inline TColor PanelColor(win::TColor color) { return static_cast<TColor>(color); }
inline win::TColor WinColor(TColor color) { return static_cast<win::TColor>(color); }

} // namespace qt
