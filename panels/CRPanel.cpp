#include "panels/CRPanel.hpp"

#include "base/flag_scope.hpp"
#include "panels/geometry.hpp"
#include "panels/wincolor.hpp"
#include "win/bitmap.hpp"
#include "win/text.hpp"

#include <optional>
#include <stdexcept>

namespace qt {
namespace {

[[maybe_unused]] const bool registered = [] {
  win::RegisterComponentClass<TCRPanel>("TCRPanel");
  return true;
}();

constexpr UINT_PTR kScrollTimer = 1;
// The styles that tags set are the three lowest style bits, so their bits index TCRPanel::fonts_.
constexpr unsigned kTagStyles = win::fsBold | win::fsItalic | win::fsUnderline;
static_assert(kTagStyles == 7);

unsigned StyleBits(FontStyle style) {
  unsigned bits = 0;
  if (style.bold)
    bits |= win::fsBold;
  if (style.italic)
    bits |= win::fsItalic;
  if (style.underline)
    bits |= win::fsUnderline;
  return bits;
}

FontStyle StyleOf(unsigned bits) {
  return {(bits & win::fsBold) != 0, (bits & win::fsItalic) != 0, (bits & win::fsUnderline) != 0};
}

SIZE TextExtent(HDC dc, const std::wstring& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

SIZE BitmapSize(HBITMAP bitmap) {
  BITMAP info{};
  if (!bitmap || !GetObjectW(bitmap, sizeof info, &info))
    return {0, 0};
  return {info.bmWidth, info.bmHeight};
}

} // namespace

TCRPanel::TCRPanel(win::TComponent* AOwner) : win::TCustomPanel(AOwner) {
  SetColor(win::clBlack);
  MeasureLines();
  SizeBuffer();
}

void TCRPanel::SetStrings(const std::vector<std::string>& lines) {
  strings_ = lines;
  MeasureLines();
  PaintWindow();
}

void TCRPanel::ClearStrings() {
  strings_.clear();
  StringsChanged();
}

void TCRPanel::AddString(const std::string& line) {
  strings_.push_back(line);
  StringsChanged();
}

void TCRPanel::SetActive(bool active) {
  active_ = active;
  MeasureLines();
  UpdateTimer();
  PaintWindow();
}

void TCRPanel::SetInterval(int milliseconds) {
  interval_ = milliseconds;
  UpdateTimer();
}

void TCRPanel::SetGlyph(HBITMAP picture) {
  win::UniqueBitmap copy;
  if (picture) {
    copy.reset(static_cast<HBITMAP>(CopyImage(picture, IMAGE_BITMAP, 0, 0, 0)));
    if (!copy)
      throw std::runtime_error("cannot copy the glyph of " + Name());
  }
  glyph_ = std::move(copy);
  GlyphChanged(); // paints, active or not
}

void TCRPanel::SetDrawGlyph(bool draw) {
  drawGlyph_ = draw;
  if (!active_)
    PaintWindow();
}

void TCRPanel::SetGlyphDrawType(TGlyphDrawType type) {
  glyphDrawType_ = type;
  if (!active_)
    PaintWindow();
}

void TCRPanel::GlyphChanged() {
  MeasureLines();
  PaintWindow();
}

void TCRPanel::FontWasChanged() {
  win::TCustomPanel::FontWasChanged();
  MeasureLines();
}

void TCRPanel::ColorWasChanged() {
  win::TCustomPanel::ColorWasChanged();
  MeasureLines();
}

void TCRPanel::Resized() {
  // Only a re-entry from within the tick's paint arrives while it runs; the buffer it draws
  // into keeps its size until the paint ends, and the tick then applies the new one.
  if (FPainting) {
    resizePending_ = true;
    return;
  }
  resizePending_ = false;
  SizeBuffer();
  MeasureLines();
  PaintWindow();
}

void TCRPanel::SizeBuffer() { FBuffer->Resize(Width(), Height()); }

void TCRPanel::MeasureLines() {
  if (!FBuffer)
    FBuffer = std::make_unique<win::MemoryBitmap>();
  // A fresh copy of Font, which also ends whatever style the tags left.
  for (unsigned tags = 0; tags < fonts_.size(); ++tags) {
    fonts_[tags] = Font();
    fonts_[tags].Style = (Font().Style & ~kTagStyles) | tags;
  }
  markup_ = MarkupState(PanelColor(Font().Color));
  markup_.style = StyleOf(Font().Style);
  win::SelectGuard font(FBuffer->Dc(), FontFor(markup_.style));
  scroll_ = MeasureScroll(TextExtent(FBuffer->Dc(), L"W").cy, FBuffer->Height());
}

HFONT TCRPanel::FontFor(FontStyle style) { return fonts_[StyleBits(style)].Handle(); }

void TCRPanel::UpdateTimer() {
  if (!HandleAllocated())
    return; // the window's creation starts it
  if (active_ && interval_ > 0)
    SetTimer(hwnd_, kScrollTimer, static_cast<UINT>(interval_), nullptr);
  else
    KillTimer(hwnd_, kScrollTimer);
}

void TCRPanel::ScrollTick() {
  if (FPainting)
    return;
  {
    FlagScope painting(FPainting);
    PaintWindow();
  }
  if (resizePending_)
    Resized();
}

LRESULT TCRPanel::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
  case WM_CREATE:
    UpdateTimer();
    break;
  case WM_TIMER:
    if (wp == kScrollTimer) {
      ScrollTick();
      return 0;
    }
    break;
  default:
    break;
  }
  return win::TCustomPanel::WndProc(msg, wp, lp);
}

void TCRPanel::PaintWindow() {
  if (!HandleAllocated())
    return;
  win::WindowDC dc(hwnd_);
  Paint(dc.get());
}

void TCRPanel::Paint(HDC dc) {
  const RECT client = ClientRect();
  if (strings_.empty() || !active_) {
    win::FillSolid(dc, client, Color());
    return;
  }
  HDC buffer = FBuffer->Dc();
  PaintBackground(buffer, client);
  {
    win::SelectGuard font(buffer, FontFor(markup_.style));
    SetBkMode(buffer, TRANSPARENT);
    const int lineTotal = static_cast<int>(strings_.size());
    for (const ScrollRow& row : VisibleRows(scroll_, lineTotal))
      PaintLine(buffer, row);
  }
  BitBlt(dc, 0, 0, Width(), Height(), buffer, 0, 0, SRCCOPY);
  AdvanceScroll(scroll_, static_cast<int>(strings_.size()), FBuffer->Height());
}

void TCRPanel::PaintBackground(HDC dc, const RECT& area) {
  const SIZE glyph = BitmapSize(glyph_.get());
  // An empty glyph gives the plain colour, stretched or tiled.
  if (!drawGlyph_ || glyph.cx <= 0 || glyph.cy <= 0) {
    win::FillSolid(dc, area, Color());
    return;
  }
  win::UniqueMemoryDC source(CreateCompatibleDC(dc));
  win::SelectGuard picture(source.get(), glyph_.get());
  if (glyphDrawType_ == dgStrech) {
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top,
               source.get(), 0, 0, glyph.cx, glyph.cy, SRCCOPY);
    return;
  }
  for (const Rect& tile :
       TileRects({area.left, area.top, area.right, area.bottom}, glyph.cx, glyph.cy))
    BitBlt(dc, tile.left, tile.top, tile.right - tile.left, tile.bottom - tile.top, source.get(), 0,
           0, SRCCOPY);
}

void TCRPanel::PaintLine(HDC dc, const ScrollRow& row) {
  const std::string& line = strings_[row.line];
  // Measured in the font the line starts with, before its own tags change it.
  SelectObject(dc, FontFor(markup_.style));
  int x =
      LineStartX(Alignment(), FBuffer->Width(), TextExtent(dc, win::Widen(StripMarkup(line))).cx);
  std::optional<TColor> rowGradient;
  if (useGradient_)
    rowGradient = GradientRowColor(PanelColor(beginColor_), PanelColor(endColor_), row.gradientRow,
                                   scroll_.lineCount);
  for (const TextSegment& segment : ReadMarkupLine(line, markup_, rowGradient)) {
    const std::wstring text = win::Widen(segment.text);
    SelectObject(dc, FontFor(segment.style));
    SetTextColor(dc, win::ColorToRGB(WinColor(segment.color)));
    TextOutW(dc, x, row.y, text.c_str(), static_cast<int>(text.size()));
    x += TextExtent(dc, text).cx;
  }
}

const win::PropertyTable& TCRPanel::ClassProperties() {
  static const win::PropertyTable table(
      &win::TCustomPanel::ClassProperties(),
      {
          {"Active", win::BoolProperty<TCRPanel>([](TCRPanel& p, bool v) { p.SetActive(v); })},
          {"BeginColor", win::ColorPropertyOf([](win::TControl& c, win::TColor v) {
             static_cast<TCRPanel&>(c).SetBeginColor(v);
           })},
          {"EndColor", win::ColorPropertyOf([](win::TControl& c, win::TColor v) {
             static_cast<TCRPanel&>(c).SetEndColor(v);
           })},
          {"UseGradient",
           win::BoolProperty<TCRPanel>([](TCRPanel& p, bool v) { p.SetUseGradient(v); })},
          {"Interval", win::IntProperty<TCRPanel>([](TCRPanel& p, int v) { p.SetInterval(v); })},
          {"DrawGlyph",
           win::BoolProperty<TCRPanel>([](TCRPanel& p, bool v) { p.SetDrawGlyph(v); })},
          {"Strings.Add", win::AddItemProperty(&TCRPanel::AddString)},
          // Hex data in braces: a BMP file.
          {"Glyph.Data", [](win::TComponent& c, const FormValue& v, win::FormBinder&) {
             if (v.kind != FormValue::Kind::Data) throw win::FormReadError("hex data {..} was expected");
             MemoryStream bytes(std::string(v.data.begin(), v.data.end()));
             win::TBitmap glyph;
             try {
               glyph.LoadFromStream(bytes);
             } catch (const Error& e) {
               throw win::FormReadError(e.what());
             }
             static_cast<TCRPanel&>(c).SetGlyph(glyph.Handle());
           }},
          {"GlyphDrawType", win::EnumProperty<TCRPanel, TGlyphDrawType>(
                                [](TCRPanel& p, TGlyphDrawType v) { p.SetGlyphDrawType(v); },
                                {{"dgStrech", dgStrech}, {"dgTile", dgTile}})},
      });
  return table;
}

} // namespace qt
