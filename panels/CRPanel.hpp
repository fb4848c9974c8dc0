#pragma once
#include "panels/markup.hpp"
#include "panels/scroll.hpp"
#include "win/control.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qt {

// How the glyph covers the panel; the names are spelled as the form files store them.
enum TGlyphDrawType : std::uint8_t { dgStrech, dgTile };

// A panel that scrolls its mark-up lines (panels/markup.hpp) upwards through its area over a
// plain colour or a stretched or tiled picture. Every paint while active draws into an
// off-screen buffer, copies it to the panel in one block, so nothing flickers, and then moves
// the text up by one pixel; the scroll timer's interval sets the speed.
class TCRPanel : public win::TCustomPanel {
public:
  explicit TCRPanel(win::TComponent* AOwner);

  // One mark-up line each. Setting the list copies it and paints. Every change, like every
  // change of Active, Color, Font, Glyph and the size, starts the text again below the bottom
  // edge, in Font's own style and colour.
  const std::vector<std::string>& Strings() const { return strings_; }
  void SetStrings(const std::vector<std::string>& lines);
  void ClearStrings();
  void AddString(const std::string& line);

  // Inactive, the panel shows its plain colour and the timer is off.
  bool Active() const { return active_; }
  void SetActive(bool active);
  // With UseGradient, text that no colour tag of its line colours takes the colour of its
  // screen row on a ramp from BeginColor; the next paint uses a change.
  win::TColor BeginColor() const { return beginColor_; }
  void SetBeginColor(win::TColor color) { beginColor_ = color; }
  win::TColor EndColor() const { return endColor_; }
  void SetEndColor(win::TColor color) { endColor_ = color; }
  bool UseGradient() const { return useGradient_; }
  void SetUseGradient(bool use) { useGradient_ = use; }
  // Milliseconds between the timer's paints.
  int Interval() const { return interval_; }
  void SetInterval(int milliseconds);

  // The panel's own copy of the background picture, or nullptr; without one, DrawGlyph shows
  // the plain colour.
  HBITMAP Glyph() const { return glyph_.get(); }
  void SetGlyph(HBITMAP picture);
  bool DrawGlyph() const { return drawGlyph_; }
  void SetDrawGlyph(bool draw);
  TGlyphDrawType GlyphDrawType() const { return glyphDrawType_; }
  void SetGlyphDrawType(TGlyphDrawType type);

  static const win::PropertyTable& ClassProperties();
  const win::PropertyTable& Properties() const override { return ClassProperties(); }

protected:
  // Draws one picture; while active, every paint, whatever asked for it, then moves the text up
  // by one pixel.
  void Paint(HDC dc) override;
  // Paint covers the whole area; erasing first would flicker.
  void EraseBackground(HDC) override {}
  void Resized() override;
  void FontWasChanged() override;
  void ColorWasChanged() override;
  // The scroll timer ticks as the window's WM_TIMER 1.
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  void MeasureLines();
  void SizeBuffer();
  void StringsChanged() { MeasureLines(); }
  void GlyphChanged();
  void ScrollTick();
  void UpdateTimer();
  // Paints on the panel's window at once, as property changes and the timer do.
  void PaintWindow();
  void PaintBackground(HDC dc, const RECT& area);
  void PaintLine(HDC dc, const ScrollRow& row);
  HFONT FontFor(FontStyle style);

  std::vector<std::string> strings_;
  bool active_ = false;
  bool useGradient_ = false;
  win::TColor endColor_ = 0x0080FFFF;
  win::TColor beginColor_ = 0x00FF7171;
  int interval_ = 1;
  win::UniqueBitmap glyph_;
  bool drawGlyph_ = false;
  TGlyphDrawType glyphDrawType_ = dgStrech;
  // Font in each style that tags can give it, indexed by the bold, italic and underline bits.
  std::array<win::TFont, 8> fonts_;
  std::unique_ptr<win::MemoryBitmap> FBuffer;
  ScrollState scroll_;
  MarkupState markup_{0};
  bool FPainting = false;
  bool resizePending_ = false; // a resize came in during the tick's paint
};

} // namespace qt
