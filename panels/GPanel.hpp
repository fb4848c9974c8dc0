#pragma once
#include "panels/gradient.hpp"
#include "win/control.hpp"

namespace qt {

// A panel painted all over with a two-colour gradient in one of nine layouts
// (panels/gradient.hpp). Being a win::TPanel, it serves wherever a panel is asked for.
class TGPanel : public win::TPanel {
public:
  explicit TGPanel(win::TComponent* AOwner);

  // Each write repaints at once.
  TDirection BackGroundEffect() const { return backGroundEffect_; }
  void SetBackGroundEffect(TDirection effect);
  win::TColor ColorEnd() const { return colorEnd_; }
  void SetColorEnd(win::TColor color);
  win::TColor ColorStart() const { return colorStart_; }
  void SetColorStart(win::TColor color);

  static const win::PropertyTable& ClassProperties();
  const win::PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  // Covers the whole panel, bevels and caption included; child controls keep their own windows.
  void Paint(HDC dc) override;
  // Paint covers everything; erasing first would flicker.
  void EraseBackground(HDC) override {}

private:
  TDirection backGroundEffect_ = bdVertIn;
  win::TColor colorEnd_ = win::clWhite;
  win::TColor colorStart_ = win::clTeal;
};

} // namespace qt
