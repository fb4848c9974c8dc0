#include "panels/GPanel.hpp"

#include "panels/wincolor.hpp"

namespace qt {
namespace {

[[maybe_unused]] const bool registered = [] {
  win::RegisterComponentClass<TGPanel>("TGPanel");
  return true;
}();

} // namespace

TGPanel::TGPanel(win::TComponent* AOwner) : win::TPanel(AOwner) { SetCaption(""); }

void TGPanel::SetBackGroundEffect(TDirection effect) {
  backGroundEffect_ = effect;
  Repaint();
}

void TGPanel::SetColorEnd(win::TColor color) {
  colorEnd_ = color;
  Repaint();
}

void TGPanel::SetColorStart(win::TColor color) {
  colorStart_ = color;
  Repaint();
}

void TGPanel::Paint(HDC dc) {
  for (const ColorFill& fill : GradientFills(backGroundEffect_, PanelColor(colorStart_),
                                             PanelColor(colorEnd_), Width(), Height())) {
    const RECT rect{fill.rect.left, fill.rect.top, fill.rect.right, fill.rect.bottom};
    win::FillSolid(dc, rect, WinColor(fill.color));
  }
}

const win::PropertyTable& TGPanel::ClassProperties() {
  static const win::PropertyTable table(
      &win::TPanel::ClassProperties(),
      {
          {"BackGroundEffect", win::EnumProperty<TGPanel, TDirection>(
                                   [](TGPanel& p, TDirection v) { p.SetBackGroundEffect(v); },
                                   {{"bdFlat", bdFlat},
                                    {"bdUp", bdUp},
                                    {"bdDown", bdDown},
                                    {"bdLeft", bdLeft},
                                    {"bdRight", bdRight},
                                    {"bdHorzIn", bdHorzIn},
                                    {"bdHorzOut", bdHorzOut},
                                    {"bdVertIn", bdVertIn},
                                    {"bdVertOut", bdVertOut}})},
          {"ColorEnd", win::ColorPropertyOf([](win::TControl& c, win::TColor v) {
             static_cast<TGPanel&>(c).SetColorEnd(v);
           })},
          {"ColorStart", win::ColorPropertyOf([](win::TControl& c, win::TColor v) {
             static_cast<TGPanel&>(c).SetColorStart(v);
           })},
      });
  return table;
}

} // namespace qt
