#include "panels/CRPanel.hpp"

#include "tests/panels/surface.hpp"
#include "win/application.hpp"
#include "win/form.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace qt {
namespace {

using panel_test::Frame;
using panel_test::kMarker;
using panel_test::Surface;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);

class PaintableCRPanel : public TCRPanel {
public:
  using TCRPanel::Paint;
  using TCRPanel::TCRPanel;
};

class CRPanelTest : public testing::Test {
protected:
  static void SetUpTestSuite() { static win::TApplication app; }

  // A black panel with white text, as the programs' panels are.
  static void Configure(TCRPanel& panel, int width, int height, std::vector<std::string> lines,
                        int fontHeight = -12) {
    panel.SetBounds(0, 0, width, height);
    panel.Font().Color = win::clWhite;
    panel.Font().Height = fontHeight;
    panel.FontChanged();
    panel.SetStrings(lines);
  }

  // The documented spacing of lines: the height of "W" in the panel's font, plus 5.
  static int LineHeight(TCRPanel& panel) {
    Surface surface(1, 1);
    win::SelectGuard font(surface.Dc(), panel.Font().Handle());
    SIZE size{};
    GetTextExtentPoint32W(surface.Dc(), L"W", 1, &size);
    return size.cy + 5;
  }

  static std::vector<Frame> Paint(PaintableCRPanel& panel, int count) {
    Surface surface(panel.Width(), panel.Height());
    std::vector<Frame> frames;
    for (int i = 0; i < count; ++i) {
      panel.Paint(surface.Dc());
      frames.push_back(surface.Read());
    }
    return frames;
  }
};

bool IsBlank(const Frame& frame, COLORREF background) {
  return std::all_of(frame.pixels.begin(), frame.pixels.end(),
                     [&](COLORREF c) { return c == background; });
}

// `next` shows `previous` moved up by one pixel; its bottom row is new.
bool MovedUpByOne(const Frame& previous, const Frame& next) {
  const auto rowPixels = static_cast<std::ptrdiff_t>(previous.width);
  return std::equal(next.pixels.begin(), next.pixels.end() - rowPixels,
                    previous.pixels.begin() + rowPixels);
}

struct InkBox {
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
  std::vector<COLORREF> colors;
  bool Empty() const { return right < 0; }
};

// The pixels of rows [top, bottom) that differ from the background.
InkBox FindInk(const Frame& frame, COLORREF background, int top, int bottom) {
  InkBox box;
  for (int y = std::max(top, 0); y < std::min(bottom, frame.height); ++y)
    for (int x = 0; x < frame.width; ++x) {
      const COLORREF c = frame.At(x, y);
      if (c == background)
        continue;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
      box.colors.push_back(c);
    }
  return box;
}

TEST_F(CRPanelTest, ScrollsUpOnePixelPerPaintAndStartsAgainBelowTheBottom) {
  PaintableCRPanel panel(nullptr);
  const int height = 30;
  Configure(panel, 48, height, {"E=E", "F-F"});
  panel.SetActive(true);
  const int line = LineHeight(panel);
  // Line 0 rises from y = height to -line; then line 1 stands at y 0 for a second paint, rises
  // to -line, and the text starts over below the bottom.
  const int dropped = height + line + 1;
  const int period = dropped + line + 1;
  const std::vector<Frame> frames = Paint(panel, 2 * period + 1);

  EXPECT_TRUE(IsBlank(frames[0], kBlack)) << "the text starts below the bottom edge";
  ASSERT_FALSE(IsBlank(frames[height], kBlack)) << "line 0 at the top";
  ASSERT_FALSE(IsBlank(frames[dropped], kBlack)) << "line 1 at the top";
  ASSERT_FALSE(MovedUpByOne(frames[dropped - 1], frames[dropped]));
  for (int k = 0; k + 1 < static_cast<int>(frames.size()); ++k) {
    if ((k + 1) % period == dropped)
      EXPECT_EQ(frames[k + 1], frames[k]) << "the paint after a line is dropped, " << k + 1;
    else
      EXPECT_TRUE(MovedUpByOne(frames[k], frames[k + 1])) << "paint " << k + 1;
  }
  for (int k = 0; k + period < static_cast<int>(frames.size()); ++k)
    EXPECT_EQ(frames[k + period], frames[k]) << "paint " << k + period;
}

TEST_F(CRPanelTest, ChangesStartTheTextAgainBelowTheBottom) {
  struct Case {
    const char* what;
    void (*change)(TCRPanel&);
  };
  const Case cases[] = {
      {"Active", [](TCRPanel& p) { p.SetActive(true); }},
      {"Strings", [](TCRPanel& p) { p.AddString("more"); }},
      {"Color", [](TCRPanel& p) { p.SetColor(win::clBlack); }},
      {"Font", [](TCRPanel& p) { p.FontChanged(); }},
      {"size", [](TCRPanel& p) { p.SetHeight(p.Height() + 1); }},
      {"Glyph", [](TCRPanel& p) { p.SetGlyph(nullptr); }},
  };
  for (const Case& c : cases) {
    PaintableCRPanel panel(nullptr);
    Configure(panel, 48, 30, {"E=E", "F-F"});
    panel.SetActive(true);
    ASSERT_FALSE(IsBlank(Paint(panel, 31).back(), kBlack));
    c.change(panel);
    EXPECT_TRUE(IsBlank(Paint(panel, 1).back(), kBlack)) << c.what;
  }
}

TEST_F(CRPanelTest, InactiveOrEmptyPanelShowsPlainColourHoweverOftenPainted) {
  struct Case {
    bool active;
    std::vector<std::string> lines;
    win::TColor color;
    COLORREF shown;
  };
  const Case cases[] = {
      {false, {"文字", "<nred>红"}, win::clNavy, RGB(0, 0, 0x80)},
      {true, {}, win::clNavy, RGB(0, 0, 0x80)},
      {false, {"x"}, win::clBtnFace, GetSysColor(COLOR_BTNFACE)},
  };
  for (const Case& c : cases) {
    PaintableCRPanel panel(nullptr);
    Configure(panel, 40, 30, c.lines);
    panel.SetColor(c.color);
    panel.SetDrawGlyph(true); // the picture, too, only shows while active
    panel.SetActive(c.active);
    for (const Frame& frame : Paint(panel, 50))
      ASSERT_TRUE(IsBlank(frame, c.shown)) << c.lines.size() << " lines, active " << c.active;
  }
}

TEST_F(CRPanelTest, LinesTakeTheColoursOfTheirTagsOrOfTheirRow) {
  constexpr COLORREF kRowColour = 0xFF000000; // the gradient's colour of the line's row
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    bool gradient;
    std::vector<COLORREF> colors; // of each line's text
  };
  const Case cases[] = {
      {"a colour tag colours the following lines until closed",
       {"<nred>红色", "AB", "</n>CD"},
       false,
       {kRed, kRed, kYellow}},
      {"hexadecimal digits are blue, green, red",
       {"<c00FF00>绿</c>", "CD"},
       false,
       {RGB(0, 255, 0), kYellow}},
      {"with the gradient a tag colours its own line only",
       {"<nblue>蓝", "CD", "EF"},
       true,
       {RGB(0, 0, 255), kRowColour, kRowColour}},
  };
  for (const Case& c : cases) {
    PaintableCRPanel panel(nullptr);
    const int height = 150;
    // Big enough for strokes to cover whole pixels in the pure colour despite font smoothing.
    Configure(panel, 80, height, c.lines, -20);
    panel.Font().Color = win::clYellow; // as in the player's text bar
    panel.FontChanged();
    const int line = LineHeight(panel);
    panel.SetUseGradient(c.gradient);
    panel.SetBeginColor(win::clRed);
    panel.SetEndColor(win::clBlack);
    panel.SetActive(true);
    // Line 0 at y = line, in the screen's row 1. The ramp's rows are line heights from the top
    // and it spans height div (line + 3) + 5 of them.
    const Frame frame = Paint(panel, height - line + 1).back();
    const int step = -255 / (height / (line + 3) + 5);
    for (int r = 0; r < static_cast<int>(c.lines.size()); ++r) {
      SCOPED_TRACE(testing::Message() << c.what << ", line " << r);
      const COLORREF want =
          c.colors[r] == kRowColour ? RGB(255 + step * (r + 1), 0, 0) : c.colors[r];
      const InkBox ink = FindInk(frame, kBlack, (r + 1) * line, (r + 2) * line);
      ASSERT_FALSE(ink.Empty());
      // Smoothed edges blend the colour into the black background: channels it lacks stay 0.
      bool fullColour = false;
      for (COLORREF got : ink.colors) {
        for (int shift : {0, 8, 16}) {
          if (((want >> shift) & 0xFF) == 0) {
            ASSERT_EQ((got >> shift) & 0xFF, 0u) << std::hex << got << " for " << want;
          }
        }
        fullColour = fullColour || got == want;
      }
      EXPECT_TRUE(fullColour) << std::hex << want;
    }
  }
}

TEST_F(CRPanelTest, AlignmentPlacesTheTagFreeText) {
  const int width = 200;
  PaintableCRPanel probe(nullptr);
  Configure(probe, width, 1, {});
  const int line = LineHeight(probe);
  // Where "ABCD" has ink when drawn at x 0, and how wide the text is.
  Surface reference(width, line);
  reference.Fill(kBlack);
  SIZE size{};
  {
    win::SelectGuard font(reference.Dc(), probe.Font().Handle());
    SetBkMode(reference.Dc(), TRANSPARENT);
    SetTextColor(reference.Dc(), kWhite);
    TextOutW(reference.Dc(), 0, 0, L"ABCD", 4);
    GetTextExtentPoint32W(reference.Dc(), L"ABCD", 4, &size);
  }
  const InkBox drawn = FindInk(reference.Read(), kBlack, 0, line);
  ASSERT_FALSE(drawn.Empty());

  const std::pair<TAlignment, int> cases[] = {
      {taLeftJustify, 0},
      {taRightJustify, width - size.cx}, // the text ends at the right edge
      {taCenter, width / 2 - size.cx / 2},
  };
  for (const auto& [alignment, x] : cases) {
    PaintableCRPanel panel(nullptr);
    Configure(panel, width, line + 4, {"<nred>AB</n><u></u>CD"});
    panel.SetAlignment(alignment);
    panel.SetActive(true);
    const InkBox ink = FindInk(Paint(panel, line + 5).back(), kBlack, 0, line);
    EXPECT_EQ(ink.left, drawn.left + x) << "alignment " << int{alignment};
    EXPECT_EQ(ink.right, drawn.right + x) << "alignment " << int{alignment};
  }
}

// A picture from COLORREF pixels, row by row from the top.
win::UniqueBitmap Picture(int width, int height, const std::vector<COLORREF>& pixels) {
  std::uint32_t* bits = nullptr;
  win::UniqueBitmap picture = panel_test::TopDownDib(width, height, bits);
  std::transform(pixels.begin(), pixels.end(), bits, panel_test::DibPixel);
  return picture;
}

TEST_F(CRPanelTest, GlyphIsStretchedOrTiledUnderTheText) {
  constexpr COLORREF a = RGB(10, 20, 30), b = RGB(200, 0, 0), c = RGB(0, 0, 250), d = RGB(1, 2, 3),
                     e = RGB(90, 90, 0), f = RGB(0, 120, 60);
  struct Case {
    TGlyphDrawType type;
    int glyphWidth, glyphHeight;
    std::vector<COLORREF> glyph;
    COLORREF (*expected)(int x, int y);
  };
  static const COLORREF tile[] = {a, b, c, d, e, f};
  const Case cases[] = {
      {dgTile, 3, 2, {a, b, c, d, e, f}, [](int x, int y) { return tile[y % 2 * 3 + x % 3]; }},
      {dgStrech, 2, 1, {a, c}, [](int x, int) { return x < 20 ? a : c; }},
      // No picture: the plain colour, whichever way it is drawn.
      {dgTile, 0, 0, {}, [](int, int) { return RGB(0, 0x80, 0); }},
      {dgStrech, 0, 0, {}, [](int, int) { return RGB(0, 0x80, 0); }},
  };
  for (const Case& k : cases) {
    PaintableCRPanel panel(nullptr);
    Configure(panel, 40, 25, {"text"});
    panel.SetColor(win::clGreen);
    if (!k.glyph.empty())
      panel.SetGlyph(Picture(k.glyphWidth, k.glyphHeight, k.glyph).get());
    panel.SetGlyphDrawType(k.type);
    panel.SetDrawGlyph(true);
    panel.SetActive(true);
    const Frame frame = Paint(panel, 1).back(); // the text is still below the bottom edge
    for (int y = 0; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x)
        ASSERT_EQ(frame.At(x, y), k.expected(x, y))
            << "type " << int{k.type} << " glyph " << k.glyphWidth << " at " << x << ',' << y;
  }
}

// Resizes itself from within the first paint, as a re-entered message would, and ticks again.
class ResizingPanel : public PaintableCRPanel {
public:
  using PaintableCRPanel::PaintableCRPanel;
  static constexpr WPARAM kScrollTimerId = 1; // the panel's window timer
  int paints = 0;
  int depth = 0;
  int deepest = 0;
  bool resizeInPaint = false;

  void Paint(HDC dc) override {
    ++paints;
    deepest = std::max(deepest, ++depth);
    if (std::exchange(resizeInPaint, false)) {
      SetBounds(0, 0, 80, 40);
      SendMessageW(Handle(), WM_TIMER, kScrollTimerId, 0);
    }
    PaintableCRPanel::Paint(dc);
    --depth;
  }
};

TEST_F(CRPanelTest, ResizeDuringATicksPaintIsAppliedWhenThePaintEnds) {
  win::TForm form(nullptr);
  ResizingPanel panel(nullptr);
  panel.SetParent(&form);
  Configure(panel, 40, 20, {"一行", "two"});
  panel.SetInterval(0); // no real ticks; the test sends them
  panel.SetActive(true);
  panel.paints = 0;
  panel.resizeInPaint = true;
  SendMessageW(panel.Handle(), WM_TIMER, ResizingPanel::kScrollTimerId, 0);
  EXPECT_EQ(panel.deepest, 1) << "nothing painted inside the tick's paint";
  EXPECT_EQ(panel.paints, 2)
      << "the tick, then the resize after it; the nested tick paints nothing";
  // The buffer now has the new size: one paint covers all of it.
  Surface surface(80, 40);
  panel.Paint(surface.Dc());
  const Frame frame = surface.Read();
  EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.end(), kMarker), 0);
}

// A BMP file of one row, 24 bits per pixel, as hex digits.
std::string BmpHex(const std::vector<COLORREF>& row) {
  const auto width = static_cast<std::uint32_t>(row.size());
  const std::uint32_t stride = (width * 3 + 3) / 4 * 4, size = 54 + stride;
  std::vector<std::uint8_t> bytes(size);
  auto put = [&](std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  put(0, 'B' | 'M' << 8, 2), put(2, size, 4), put(10, 54, 4);
  put(14, 40, 4), put(18, width, 4), put(22, 1, 4), put(26, 1, 2), put(28, 24, 2);
  for (std::uint32_t x = 0; x < width; ++x)
    put(54 + 3 * x, GetBValue(row[x]) | GetGValue(row[x]) << 8 | GetRValue(row[x]) << 16, 3);
  std::string hex;
  for (std::uint8_t b : bytes) hex += "0123456789ABCDEF"[b >> 4], hex += "0123456789ABCDEF"[b & 15];
  return hex;
}

TEST_F(CRPanelTest, LayoutsSetThePropertiesByTheirNames) {
  const std::string layout = reinterpret_cast<const char*>(u8R"(object F: TForm
  object txtPanel: TCRPanel
    Left = -6
    Top = 96
    Width = 469
    Height = 336
    Cursor = crHandPoint
    Alignment = taRightJustify
    Font.Charset = GB2312_CHARSET
    Font.Color = clWhite
    Font.Height = -15
    Font.Name = '宋体'
    Active = True
    BeginColor = clWhite
    EndColor = clBlack
    UseGradient = True
    Interval = 30
    DrawGlyph = True
    GlyphDrawType = dgTile
    Anchors = [akLeft, akTop, akRight]
    BevelWidth = 2
    BorderWidth = 3
    BorderStyle = bsSingle
    Strings.Add = '<b>第一行'
    Strings.Add = 'two'
    OnMouseMove = PanelMouseMove
    OnMouseUp = PanelMouseUp
    Glyph.Data = {)") + BmpHex({kRed, kYellow}) + R"(}
  end
  object Plain: TCRPanel
  end
end
)";
  win::TForm form(nullptr);
  std::vector<std::string> mouse;
  form.AddHandler("PanelMouseMove", win::TMouseMoveEvent([&](win::TObject*, unsigned, int x, int y) {
                    mouse.push_back("move " + std::to_string(x) + "," + std::to_string(y));
                  }));
  form.AddHandler("PanelMouseUp", win::TMouseEvent([&](win::TObject*, win::TMouseButton b, unsigned, int x, int y) {
                    mouse.push_back("up " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
                  }));
  form.ReadLayout(layout);
  auto* set = dynamic_cast<TCRPanel*>(form.FindComponent("txtPanel"));
  auto* plain = dynamic_cast<TCRPanel*>(form.FindComponent("Plain"));
  ASSERT_TRUE(set && plain);
  EXPECT_EQ(set->Width(), 469);
  EXPECT_EQ(set->Alignment(), taRightJustify);
  EXPECT_EQ(set->Font().Height, -15);
  EXPECT_TRUE(set->Active());
  EXPECT_EQ(set->BeginColor(), win::clWhite);
  EXPECT_EQ(set->EndColor(), win::clBlack);
  EXPECT_TRUE(set->UseGradient());
  EXPECT_EQ(set->Interval(), 30);
  EXPECT_TRUE(set->DrawGlyph());
  EXPECT_EQ(set->GlyphDrawType(), dgTile);
  EXPECT_EQ(set->Anchors(), unsigned{win::akLeft | win::akTop | win::akRight});
  EXPECT_EQ(set->BevelWidth(), 2);
  EXPECT_EQ(set->BorderWidth(), 3);
  EXPECT_EQ(set->BorderStyle(), win::bsSingle);
  EXPECT_EQ(set->Strings(), (std::vector<std::string>{"<b>第一行", "two"}));
  BITMAP glyph{};
  ASSERT_TRUE(GetObjectW(set->Glyph(), sizeof glyph, &glyph));
  EXPECT_EQ(glyph.bmWidth, 2);
  EXPECT_EQ(glyph.bmHeight, 1);
  {
    Surface surface(2, 1);
    win::UniqueMemoryDC source(CreateCompatibleDC(surface.Dc()));
    win::SelectGuard selected(source.get(), set->Glyph());
    BitBlt(surface.Dc(), 0, 0, 2, 1, source.get(), 0, 0, SRCCOPY);
    const Frame pixels = surface.Read();
    EXPECT_EQ(pixels.At(0, 0), kRed);
    EXPECT_EQ(pixels.At(1, 0), kYellow);
  }
  SendMessageW(set->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 6));
  SendMessageW(set->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(7, 8));
  EXPECT_EQ(mouse, (std::vector<std::string>{"move 5,6", "up 1 7,8"}));
  // What a panel starts with when the layout stores nothing.
  EXPECT_EQ(plain->Color(), win::clBlack);
  EXPECT_FALSE(plain->Active());
  EXPECT_EQ(plain->BeginColor(), 0x00FF7171);
  EXPECT_EQ(plain->EndColor(), 0x0080FFFF);
  EXPECT_FALSE(plain->UseGradient());
  EXPECT_EQ(plain->Interval(), 1);
  EXPECT_FALSE(plain->DrawGlyph());
  EXPECT_EQ(plain->GlyphDrawType(), dgStrech);
  EXPECT_EQ(plain->Glyph(), nullptr);
  EXPECT_EQ(plain->Alignment(), taCenter);
  EXPECT_TRUE(plain->Strings().empty());
  EXPECT_EQ(plain->Anchors(), unsigned{win::akLeft | win::akTop});
  EXPECT_EQ(plain->BevelWidth(), 1);
  EXPECT_EQ(plain->BorderWidth(), 0);
  EXPECT_EQ(plain->BorderStyle(), win::bsNone);
}

} // namespace
} // namespace qt
