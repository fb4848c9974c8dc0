#include "panels/GPanel.hpp"

#include "tests/panels/surface.hpp"
#include "win/application.hpp"
#include "win/form.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace qt {
namespace {

using panel_test::Frame;
using panel_test::kMarker;
using panel_test::Surface;

class PaintableGPanel : public TGPanel {
public:
  using TGPanel::Paint;
  using TGPanel::TGPanel;
};

class GPanelTest : public testing::Test {
protected:
  static void SetUpTestSuite() { static win::TApplication app; }

  static Frame Paint(TDirection effect, win::TColor start, win::TColor end, int width, int height) {
    PaintableGPanel panel(nullptr);
    panel.SetBounds(0, 0, width, height);
    panel.SetBackGroundEffect(effect);
    panel.SetColorStart(start);
    panel.SetColorEnd(end);
    Surface surface(width, height);
    panel.Paint(surface.Dc());
    return surface.Read();
  }
};

// From (0, 200, 50) to (200, 0, 50) ramp entry e (1 to 100) is (2(e - 1), 200 - 2(e - 1), 50);
// entry e of the reversed ramp is Entry(102 - e).
constexpr win::TColor kStart = 0x32C800;
constexpr win::TColor kEnd = 0x3200C8;
COLORREF Entry(int e) { return RGB(2 * (e - 1), 200 - 2 * (e - 1), 50); }

TEST_F(GPanelTest, StripsAndBandsShowTheirRampEntries) {
  struct Case {
    TDirection effect;
    int width, height;
    std::function<int(int x, int y)> entry;
  };
  const Case cases[] = {
      // Strip i is columns 2i and 2i + 1 and shows entry i + 1.
      {bdLeft, 200, 20, [](int x, int) { return x / 2 + 1; }},
      {bdRight, 200, 20, [](int x, int) { return 102 - (x / 2 + 1); }},
      // One row per band: rows 0 to 49 show entries 2, 4, ..., 100; rows 50 to 99 entries 99 to 1.
      {bdHorzIn, 30, 100, [](int, int y) { return y < 50 ? 2 * y + 2 : 199 - 2 * y; }},
      {bdVertIn, 100, 10, [](int x, int) { return x < 50 ? 2 * x + 2 : 199 - 2 * x; }},
  };
  for (const Case& c : cases) {
    const Frame frame = Paint(c.effect, kStart, kEnd, c.width, c.height);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        ASSERT_EQ(frame.At(x, y), Entry(c.entry(x, y)))
            << "effect " << int{c.effect} << " at " << x << ',' << y;
  }
  // The documented rows of bdHorzIn, named once more.
  const Frame rows = Paint(bdHorzIn, kStart, kEnd, 30, 100);
  EXPECT_EQ(rows.At(0, 0), Entry(2));
  EXPECT_EQ(rows.At(0, 49), Entry(100));
  EXPECT_EQ(rows.At(0, 50), Entry(99));
  EXPECT_EQ(rows.At(0, 99), Entry(1));
}

TEST_F(GPanelTest, PanelsSmallerThan100PixelsHaveNoGaps) {
  const TDirection all[] = {bdFlat,   bdUp,      bdDown,   bdLeft,   bdRight,
                            bdHorzIn, bdHorzOut, bdVertIn, bdVertOut};
  for (TDirection effect : all) {
    const Frame frame = Paint(effect, kStart, kEnd, 37, 23);
    EXPECT_EQ(std::count(frame.pixels.begin(), frame.pixels.end(), kMarker), 0)
        << "effect " << int{effect};
    // Bands are whole rows, strips whole columns.
    const bool bands =
        effect == bdUp || effect == bdDown || effect == bdHorzIn || effect == bdHorzOut;
    for (int y = 0; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x)
        ASSERT_EQ(frame.At(x, y), bands ? frame.At(0, y) : frame.At(x, 0)) << int{effect};
  }
  EXPECT_EQ(Paint(bdFlat, win::clTeal, kEnd, 37, 23).At(36, 22), RGB(0, 0x80, 0x80));
}

TEST_F(GPanelTest, WritesRepaintAtOnceAndLayoutsNameTheProperties) {
  const char* layout = R"(object F: TForm
  ClientWidth = 200
  ClientHeight = 100
  object Panel2: TGPanel
    Width = 120
    Height = 80
    BevelInner = bvLowered
    BevelOuter = bvNone
    Caption = 'gone'
    BackGroundEffect = bdLeft
    ColorStart = clMoneyGreen
    ColorEnd = clCream
  end
  object GPanel1: TGPanel
    Left = 130
    Width = 50
    Height = 50
  end
end
)";
  win::TForm form(nullptr);
  form.ReadLayout(layout);
  auto* panel = dynamic_cast<TGPanel*>(form.FindComponent("Panel2"));
  auto* plain = dynamic_cast<TGPanel*>(form.FindComponent("GPanel1"));
  ASSERT_TRUE(panel && plain);
  EXPECT_EQ(panel->BackGroundEffect(), bdLeft);
  EXPECT_EQ(panel->ColorStart(), win::clMoneyGreen);
  EXPECT_EQ(panel->ColorEnd(), win::clCream);
  EXPECT_EQ(plain->BackGroundEffect(), bdVertIn);
  EXPECT_EQ(plain->ColorStart(), win::clTeal);
  EXPECT_EQ(plain->ColorEnd(), win::clWhite);
  EXPECT_EQ(plain->Caption(), "");

  form.Show();
  UpdateWindow(form.Handle());
  win::WindowDC dc(panel->Handle());
  // The gradient covers the bevel, so the corner shows the ramp's first colour.
  EXPECT_EQ(GetPixel(dc.get(), 0, 0), static_cast<COLORREF>(win::clMoneyGreen));
  panel->SetBackGroundEffect(bdFlat);
  panel->SetColorStart(win::clRed); // no message is handled in between
  EXPECT_EQ(GetPixel(dc.get(), 60, 40), static_cast<COLORREF>(win::clRed));
  EXPECT_EQ(GetPixel(dc.get(), 119, 79), static_cast<COLORREF>(win::clRed));
}

} // namespace
} // namespace qt
