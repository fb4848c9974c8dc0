// Frames rendered and drawn on real GDI under Wine: plain, dithered, transparent, stretched and
// tiled, read back pixel by pixel.
#include "gif/picture/picture.hpp"

#include "gif/color/lookup.hpp"
#include "tests/gif/picture/fixtures.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qt {
namespace {

// A pixel index set after the load, past what the encoder would write.
void PokePixel(TGIFPicture& picture, int x, int y, std::uint8_t index) {
  TGIFSubImage& frame = picture.Image().Images().Items(0);
  frame.Data()[y * frame.Width() + x] = index;
  picture.Frame(0).DropBitmap();
}

std::string Indices(int w, int h, char (*at)(int x, int y)) {
  std::string s;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      s += at(x, y);
  return s;
}

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kWhite = RGB(255, 255, 255),
                   kOdd = RGB(17, 99, 201);

TEST(GIFPictureDrawing, PlainRenderingShowsTheMapsExactColoursAndBlackPastThem) {
  // Index 3 lies past the three colours of each map: poked into the pixels after the load, as a
  // damaged file would have it.
  const std::string pixels = Indices(4, 2, [](int x, int y) { return static_cast<char>(y == 0 ? x % 3 : (3 - x) % 3); });
  struct Case {
    const char* name;
    std::vector<COLORREF> global, local;
  } cases[] = {
      {"local map", {}, {kRed, kOdd, kWhite}},
      {"global map", {kRed, kOdd, kWhite}, {}},
      {"local over global", {kGreen, RGB(1, 2, 3), RGB(4, 5, 6)}, {kRed, kOdd, kWhite}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto picture = Load(MakeGif(4, 2, c.global, {{0, 0, 4, 2, c.local, pixels}}));
    PokePixel(*picture, 3, 0, 3);
    PokePixel(*picture, 0, 1, 3);
    Surface s(4, 2);
    picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
    const COLORREF top[] = {kRed, kOdd, kWhite, RGB(0, 0, 0)};
    for (int x = 0; x < 4; ++x) {
      EXPECT_EQ(Hex(s.At(x, 0)), Hex(top[x])) << x;
      EXPECT_EQ(Hex(s.At(x, 1)), Hex(top[3 - x])) << x;
    }
    // The rendered frame keeps its indices.
    win::TBitmap* rendered = picture->Frame(0).RenderedBitmap();
    ASSERT_NE(rendered, nullptr);
    EXPECT_EQ(rendered->PixelFormat(), win::pf8bit);
    EXPECT_EQ(static_cast<const std::uint8_t*>(rendered->ScanLine(1))[0], 3);
  }
}

TEST(GIFPictureDrawing, AFrameWithNoColourMapDrawsBlackWithOneWarningARender) {
  auto picture = Load(MakeGif(3, 1, {}, {{0, 0, 3, 1, {kRed, kGreen, kWhite}, std::string("\0\1\2", 3)}}));
  picture->Image().Images().Items(0).ColorMap().Clear();
  std::vector<std::string> warnings;
  picture->OnCodecWarning = [&](GIFSender, std::uint8_t, const std::string& m) { warnings.push_back(m); };
  Surface s(3, 1);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 3, 1});
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 3, 1});
  for (int x = 0; x < 3; ++x)
    EXPECT_EQ(Hex(s.At(x, 0)), Hex(RGB(0, 0, 0)));
  EXPECT_EQ(warnings, std::vector<std::string>{"No global or local color table defined"});
  // Rendered again, on the cube too: black again, one more warning each time.
  picture->Frame(0).DropBitmap();
  picture->PaintOptions = static_cast<std::uint16_t>((picture->PaintOptions & ~doDitherLowColour) | doDither);
  Surface dithered(3, 1);
  picture->Draw(dithered.bitmap.Canvas(), RECT{0, 0, 3, 1});
  for (int x = 0; x < 3; ++x)
    EXPECT_EQ(Hex(dithered.At(x, 0)), Hex(RGB(0, 0, 0)));
  EXPECT_EQ(warnings.size(), 2u);
}

TEST(GIFPictureDrawing, TransparentPixelsLeaveTheBackgroundStretchedOrNot) {
  // 4 x 2, index 1 transparent in a cross pattern.
  const std::string pixels = Indices(4, 2, [](int x, int y) { return static_cast<char>((x + y) % 2); });
  auto picture = Load(MakeGif(4, 2, {}, {{0, 0, 4, 2, {kRed, kGreen}, pixels, 1}}));
  for (int scale : {1, 3}) {
    SCOPED_TRACE(scale);
    Surface s(4 * scale + 2, 2 * scale + 2);
    // Colours of the caller's, neither the defaults nor what a masked copy sets for itself.
    constexpr COLORREF kText = RGB(12, 34, 56), kBack = RGB(200, 100, 50);
    SetTextColor(s.bitmap.Canvas().Handle(), kText);
    SetBkColor(s.bitmap.Canvas().Handle(), kBack);
    picture->Draw(s.bitmap.Canvas(), RECT{1, 1, 1 + 4 * scale, 1 + 2 * scale});
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 4; ++x)
        EXPECT_EQ(Hex(s.At(1 + x * scale + scale / 2, 1 + y * scale + scale / 2)),
                  Hex((x + y) % 2 ? kBackground : kRed))
            << x << "," << y;
    EXPECT_EQ(Hex(s.At(0, 0)), Hex(kBackground));
    EXPECT_EQ(Hex(GetTextColor(s.bitmap.Canvas().Handle())), Hex(kText));
    EXPECT_EQ(Hex(GetBkColor(s.bitmap.Canvas().Handle())), Hex(kBack));
  }
  EXPECT_NE(picture->Frame(0).Mask(), nullptr);
  // Without transparency the transparent index shows its colour.
  picture->PaintOptions &= static_cast<std::uint16_t>(~doTransparent);
  Surface s(4, 2);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 2});
  EXPECT_EQ(Hex(s.At(1, 0)), Hex(kGreen));
}

TEST(GIFPictureDrawing, ATransparentIndexThatOccursNowhereMakesNoMask) {
  auto picture = Load(MakeGif(2, 1, {}, {{0, 0, 2, 1, {kRed, kGreen}, std::string(2, '\0'), 1}}));
  Surface s(2, 1);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 2, 1});
  EXPECT_EQ(picture->Frame(0).Mask(), nullptr);
  EXPECT_EQ(Hex(s.At(1, 0)), Hex(kRed));
}

TEST(GIFPictureDrawing, FramesAreScaledIntoTheRectangleAndTiledWithTheScreensPeriod) {
  // A 30 x 40 frame at (10, 20) on a 100 x 80 screen.
  auto picture = Load(MakeGif(100, 80, {}, {{10, 20, 30, 40, {kRed}, std::string(1200, '\0')}}));
  const RECT scaled = picture->Frame(0).MapFrameRect(RECT{0, 0, 200, 160});
  EXPECT_EQ(scaled.left, 20);
  EXPECT_EQ(scaled.top, 40);
  EXPECT_EQ(scaled.right, 80);
  EXPECT_EQ(scaled.bottom, 120);
  {
    Surface s(200, 160);
    picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 200, 160});
    EXPECT_EQ(Hex(s.At(20, 40)), Hex(kRed));
    EXPECT_EQ(Hex(s.At(79, 119)), Hex(kRed));
    EXPECT_EQ(Hex(s.At(19, 40)), Hex(kBackground));
    EXPECT_EQ(Hex(s.At(80, 119)), Hex(kBackground));
  }
  picture->PaintOptions |= doTile;
  Surface s(250, 200);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 250, 200});
  for (int left : {10, 110, 210})
    for (int top : {20, 100, 180}) {
      SCOPED_TRACE(std::to_string(left) + "," + std::to_string(top));
      EXPECT_EQ(Hex(s.At(left, top)), Hex(kRed));
      EXPECT_EQ(Hex(s.At(left - 1, top)), Hex(kBackground));
      EXPECT_EQ(Hex(s.At(left, top - 1)), Hex(kBackground));
      if (left + 30 < 250 && top + 40 < 200) {
        EXPECT_EQ(Hex(s.At(left + 29, top + 39)), Hex(kRed));
        EXPECT_EQ(Hex(s.At(left + 30, top + 39)), Hex(kBackground));
      }
    }
}

TEST(GIFPictureDrawing, TilingAPictureOfNoSizeDrawsNothing) {
  auto picture = Load(MakeGif(2, 2, {}, {{0, 0, 2, 2, {kRed}, std::string(4, '\0')}}));
  picture->Image().Header().LogicalScreenDescriptor.ScreenWidth = 0;
  picture->PaintOptions |= doTile;
  Surface s(8, 8);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 8, 8});
  EXPECT_EQ(Hex(s.At(0, 0)), Hex(kBackground));
}

TEST(GIFPictureDrawing, DitheredRenderingOnTheCube) {
  // Row 0: a cube colour and indices past the map (no error to carry); rows 1 and 2: a mid grey
  // between two cube levels; row 3: transparent.
  const COLORREF grey = RGB(128, 128, 128), cubeColour = RGB(51, 102, 153);
  const std::string pixels = Indices(8, 4, [](int x, int y) -> char {
    if (y == 0) return x < 4 ? 1 : 2;
    return static_cast<char>(y == 3 ? 2 : 0);
  });
  auto picture = Load(MakeGif(8, 4, {}, {{0, 0, 8, 4, {grey, cubeColour, kWhite}, pixels, 2}}));
  for (int x = 4; x < 8; ++x)
    PokePixel(*picture, x, 0, 3);
  picture->PaintOptions = static_cast<std::uint16_t>((picture->PaintOptions & ~doDitherLowColour) | doDither);
  ASSERT_TRUE(picture->UseCubePalette());
  EXPECT_EQ(win::PaletteEntries(picture->Palette()).size(), 216u);
  Surface s(8, 4);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 8, 4});
  for (int x = 0; x < 8; ++x)
    EXPECT_EQ(Hex(s.At(x, 0)), Hex(x < 4 ? cubeColour : RGB(0, 0, 0))) << x;
  int light = 0;
  for (int y = 1; y < 3; ++y)
    for (int x = 0; x < 8; ++x) {
      const COLORREF c = s.At(x, y);
      EXPECT_TRUE(c == RGB(102, 102, 102) || c == RGB(153, 153, 153)) << Hex(c);
      light += c == RGB(153, 153, 153);
    }
  // The grey is mixed of both levels, not drawn as the nearer one alone.
  EXPECT_GT(light, 4);
  EXPECT_LT(light, 12);
  for (int x = 0; x < 8; ++x)
    EXPECT_EQ(Hex(s.At(x, 3)), Hex(kBackground)) << x;
  // Under the mask the rendering holds the cube entry of the transparent colour, white.
  win::TBitmap* rendered = picture->Frame(0).RenderedBitmap();
  ASSERT_NE(rendered, nullptr);
  EXPECT_EQ(static_cast<const std::uint8_t*>(rendered->ScanLine(3))[0], 215);
}

TEST(GIFPictureDrawing, ALocalMapPaletteAndTheBitmapAssignedFromAFrame) {
  auto picture = Load(MakeGif(2, 1, {}, {{0, 0, 2, 1, {kRed, kOdd}, std::string("\0\1", 2)}}));
  const std::vector<PALETTEENTRY> local = win::PaletteEntries(picture->Frame(0).FramePalette());
  ASSERT_EQ(local.size(), 2u);
  for (const PALETTEENTRY& e : local)
    EXPECT_EQ(e.peFlags, PC_NOCOLLAPSE);
  win::TBitmap copy;
  picture->Frame(0).AssignTo(copy);
  EXPECT_EQ(copy.Width(), 2);
  EXPECT_EQ(copy.PixelFormat(), win::pf8bit);
  const std::vector<PALETTEENTRY> entries = win::PaletteEntries(copy.Palette());
  ASSERT_GE(entries.size(), 2u);
  EXPECT_EQ(RGB(entries[1].peRed, entries[1].peGreen, entries[1].peBlue), kOdd);
}

struct Report {
  TProgressStage stage;
  int percent;
  std::string message;
  friend bool operator==(const Report&, const Report&) = default;
};

std::string Text(const std::vector<Report>& reports) {
  std::string s;
  for (const Report& r : reports)
    s += std::to_string(static_cast<int>(r.stage)) + ":" + std::to_string(r.percent) + " " + r.message + "; ";
  return s;
}

TEST(GIFPictureDrawing, RenderingReportsItsProgressEvery32Rows) {
  using enum TProgressStage;
  for (bool dither : {false, true}) {
    SCOPED_TRACE(dither ? "dithered" : "plain");
    auto picture = Load(MakeGif(2, 70, {}, {{0, 0, 2, 70, {kRed, kGreen}, std::string(140, '\1')}}));
    if (dither) picture->PaintOptions = static_cast<std::uint16_t>((picture->PaintOptions & ~doDitherLowColour) | doDither);
    std::vector<Report> reports;
    picture->OnProgress = [&](const void*, TProgressStage stage, int percent, bool, const std::string& message) {
      reports.push_back({stage, percent, message});
    };
    ASSERT_NE(picture->Frame(0).RenderedBitmap(), nullptr);
    const std::vector<Report> expected{{psStarting, 0, "Rendering..."}, {psRunning, 0, "Rendering..."},
                                       {psRunning, 46, "Rendering..."}, {psRunning, 91, "Rendering..."},
                                       {psEnding, 100, "Rendering..."}};
    EXPECT_EQ(Text(reports), Text(expected));
  }
}

TEST(GIFPictureDrawing, AProgressHandlerThatAbortsStopsTheRenderingQuietly) {
  using enum TProgressStage;
  auto picture = Load(MakeGif(2, 2, {}, {{0, 0, 2, 2, {kRed, kGreen}, std::string("\0\1\1\0", 4)}}));
  struct Case {
    TProgressStage at;
    bool rendered;
  } cases[] = {{psStarting, false}, {psRunning, false}, {psEnding, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.at));
    picture->Frame(0).DropBitmap();
    picture->OnProgress = [&](const void*, TProgressStage stage, int, bool, const std::string&) {
      if (stage == c.at) throw EAbort();
    };
    win::TBitmap* bitmap = nullptr;
    EXPECT_NO_THROW(bitmap = picture->Frame(0).RenderedBitmap());
    EXPECT_EQ(bitmap != nullptr, c.rendered);
  }
  picture->OnProgress = nullptr;
  EXPECT_NE(picture->Frame(0).RenderedBitmap(), nullptr);

  // Any other failure passes on, and a changed palette is still announced.
  picture->Frame(0).DropBitmap();
  picture->PaletteModified = true;
  int changes = 0;
  picture->OnChange = [&] { ++changes; };
  picture->OnProgress = [&](const void*, TProgressStage stage, int, bool, const std::string&) {
    if (stage == psRunning) throw GIFException("Invalid image dimensions");
  };
  EXPECT_EQ(What([&] { picture->Frame(0).RenderedBitmap(); }), "Invalid image dimensions");
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(picture->Frame(0).BitmapExists());
}

TEST(GIFPictureDrawing, AChangedColourMapIsDrawnWithItsNewColours) {
  // Red, green, white are cube colours, so the dithered rendering shows them exactly too.
  const std::vector<COLORREF> colors{kRed, kGreen, kWhite};
  struct Case {
    const char* name;
    bool global, dither;
  } cases[] = {{"local", false, false}, {"local, dithered", false, true}, {"global", true, false},
               {"global, dithered", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto picture = Load(MakeGif(3, 1, c.global ? colors : std::vector<COLORREF>{},
                                {{0, 0, 3, 1, c.global ? std::vector<COLORREF>{} : colors, std::string("\0\1\2", 3)}}));
    if (c.dither) picture->PaintOptions = static_cast<std::uint16_t>((picture->PaintOptions & ~doDitherLowColour) | doDither);
    Surface before(3, 1);
    picture->Draw(before.bitmap.Canvas(), RECT{0, 0, 3, 1});
    EXPECT_EQ(Hex(before.At(0, 0)), Hex(kRed));
    picture->EnsureBitmap();
    int changes = 0;
    picture->OnChange = [&] { ++changes; };
    TGIFColorMap& map = c.global ? static_cast<TGIFColorMap&>(picture->Image().Header().ColorMap())
                                 : picture->Image().Images().Items(0).ColorMap();
    map.Delete(0);
    EXPECT_GE(changes, 1);
    EXPECT_EQ(picture->RenderBitmap(), nullptr);
    // Green, white, and black past the map's end.
    Surface after(3, 1);
    picture->Draw(after.bitmap.Canvas(), RECT{0, 0, 3, 1});
    EXPECT_EQ(Hex(after.At(0, 0)), Hex(kGreen));
    EXPECT_EQ(Hex(after.At(1, 0)), Hex(kWhite));
    EXPECT_EQ(Hex(after.At(2, 0)), Hex(RGB(0, 0, 0)));
  }
}

} // namespace
} // namespace qt

namespace qt {
namespace {

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("qt_gif_picture_" + std::to_string(GetCurrentProcessId()) + name))
      .string();
}

TEST(GIFPictureClass, ThePictureContainerOpensGifFilesByExtensionWhileRegistered) {
  const std::string bytes = MakeGif(3, 2, {kRed, kGreen}, {{0, 0, 3, 2, {}, std::string("\0\1\0\1\0\1", 6)}});
  std::vector<std::string> paths;
  for (const char* name : {"a.gif", "b.GIF", "c.Gif"}) {
    paths.push_back(TempPath(name));
    std::ofstream(paths.back(), std::ios::binary) << bytes;
  }
  {
    TGIFPictureRegistration registration;
    for (const std::string& path : paths) {
      SCOPED_TRACE(path);
      win::TPicture picture;
      picture.LoadFromFile(path);
      auto* gif = dynamic_cast<TGIFPicture*>(picture.Graphic());
      ASSERT_NE(gif, nullptr);
      EXPECT_EQ(picture.Width(), 3);
      EXPECT_EQ(picture.Height(), 2);
      EXPECT_FALSE(gif->Empty());
    }
    EXPECT_TRUE(win::TPicture::SupportsClipboardFormat(GIFClipboardFormat()));
    win::TPicture picture;
    MemoryStream data(std::string("\x09TGIFImage") + bytes);
    picture.ReadData(data);
    EXPECT_NE(dynamic_cast<TGIFPicture*>(picture.Graphic()), nullptr);
  }
  // Unregistered by its class name, it is gone by extension, clipboard format and name.
  win::TPicture picture;
  EXPECT_THROW(picture.LoadFromFile(paths[0]), EInvalidGraphic);
  EXPECT_FALSE(win::TPicture::SupportsClipboardFormat(GIFClipboardFormat()));
  MemoryStream data(std::string("\x09TGIFImage") + bytes);
  EXPECT_THROW(picture.ReadData(data), EInvalidGraphic);
  for (const std::string& path : paths)
    std::filesystem::remove(path);
}

TEST(GIFPictureClass, DefaultsSizeEmptyAndEquals) {
  TGIFPicture picture;
  EXPECT_EQ(picture.PaintOptions, 0x060F);
  EXPECT_EQ(picture.SpeedPercent, 100);
  EXPECT_EQ(picture.PainterPriority, 3);
  EXPECT_EQ(picture.StillFrame, -1);
  EXPECT_EQ(picture.ReductionMethod, 6);
  EXPECT_EQ(picture.BackdropColor, kNoBackdrop);
  EXPECT_TRUE(picture.Empty());
  Surface s(4, 4);
  picture.Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 4}); // nothing to draw
  EXPECT_EQ(Hex(s.At(0, 0)), Hex(kBackground));

  const std::string bytes = MakeGif(10, 8, {kRed}, {{2, 3, 4, 2, {}, std::string(8, '\0')}});
  auto a = Load(bytes), b = Load(bytes);
  EXPECT_TRUE(a->Equals(*a));
  EXPECT_FALSE(a->Equals(*b));
  int changes = 0;
  a->OnChange = [&] { ++changes; };
  EXPECT_THROW(a->SetWidth(5), GIFException); // the frame reaches column 6
  EXPECT_THROW(a->SetHeight(4), GIFException);
  EXPECT_EQ(a->Width(), 10);
  EXPECT_EQ(a->Height(), 8);
  a->SetWidth(10);
  EXPECT_EQ(changes, 0);
  a->SetWidth(6);
  a->SetHeight(5);
  EXPECT_EQ(a->Width(), 6);
  EXPECT_EQ(a->Height(), 5);
  EXPECT_EQ(changes, 2);
}

TEST(GIFPictureClass, SavesThroughTheEncoderAndADamagedStreamChangesNothing) {
  const std::string pixels = Indices(5, 3, [](int x, int y) { return static_cast<char>((x * y) % 3); });
  const std::string bytes = MakeGif(5, 3, {}, {{0, 0, 5, 3, {kRed, kGreen, kOdd}, pixels}});
  auto picture = Load(bytes);
  MemoryStream saved;
  picture->SaveToStream(saved);
  EXPECT_EQ(saved.Bytes(), bytes);

  // Cut inside the frame's descriptor: the load fails, the stream goes back, the picture stays.
  MemoryStream damaged(std::string(4, 'x') + bytes.substr(0, 18));
  damaged.SetPosition(4);
  EXPECT_THROW(picture->LoadFromStream(damaged), GIFException);
  EXPECT_EQ(damaged.Position(), 4u);
  EXPECT_EQ(picture->Width(), 5);
  EXPECT_EQ(picture->FrameCount(), 1);

  MemoryStream garbage(std::string("not a picture at all"));
  EXPECT_THROW(picture->LoadFromStream(garbage), GIFException);
  EXPECT_EQ(picture->FrameCount(), 1);

  TGIFPicture empty;
  MemoryStream none;
  try {
    empty.SaveToStream(none);
    ADD_FAILURE() << "an empty picture saved";
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Unsupported GIF version");
  }
}

TEST(GIFPictureClass, PaletteFromTheGlobalMapAndReplacedOne) {
  auto picture = Load(MakeGif(2, 1, {kRed, kOdd}, {{0, 0, 2, 1, {}, std::string("\0\1", 2)}}));
  std::vector<PALETTEENTRY> entries = win::PaletteEntries(picture->Palette());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(RGB(entries[1].peRed, entries[1].peGreen, entries[1].peBlue), kOdd);
  EXPECT_EQ(entries[1].peFlags, PC_NOCOLLAPSE);
  EXPECT_EQ(picture->Palette(), picture->Palette()); // kept
  picture->EnsureBitmap();
  ASSERT_NE(picture->RenderBitmap(), nullptr);
  int changes = 0;
  picture->OnChange = [&] { ++changes; };
  const PALETTEENTRY green[] = {{0, 255, 0, 0}};
  picture->SetPalette(win::MakePalette(green));
  EXPECT_EQ(win::PaletteEntries(picture->Palette()).size(), 1u);
  EXPECT_EQ(picture->RenderBitmap(), nullptr); // the render bitmap followed the old palette
  EXPECT_TRUE(picture->PaletteModified);
  EXPECT_EQ(changes, 1);
}

TEST(GIFPictureClass, AnAnimationDrawsItsFirstFrameAndTheStillFrameWithoutAnimating) {
  auto picture = Load(MakeGif(2, 2, {kRed, kGreen, kWhite},
                              {{0, 0, 2, 2, {}, std::string(4, '\0')}, {0, 0, 2, 2, {}, std::string(4, '\1')},
                               {0, 0, 2, 2, {}, std::string(4, '\2')}}));
  ASSERT_EQ(picture->FrameCount(), 3);
  struct Case {
    std::uint16_t options;
    int still;
    COLORREF shown;
  } cases[] = {
      {kDefaultPaintOptions, -1, kRed},
      {kDefaultPaintOptions, 2, kRed}, // animated: the still frame does not count
      {kDefaultPaintOptions & ~doAnimate, 2, kWhite},
      {kDefaultPaintOptions & ~doAnimate, 1, kGreen},
      {kDefaultPaintOptions & ~doAnimate, 3, kRed}, // out of range: frame 0
      {kDefaultPaintOptions & ~doAnimate, -1, kRed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.options) + " " + std::to_string(c.still));
    picture->PaintOptions = c.options;
    picture->StillFrame = c.still;
    Surface s(4, 4);
    picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 4});
    EXPECT_EQ(Hex(s.At(3, 3)), Hex(c.shown));
  }
}

TEST(GIFPictureClass, AssignCopiesThePictureAndAssignToABitmapRendersTheScreen) {
  // A 2 x 2 frame at (1, 1) of a 4 x 3 screen.
  auto source = Load(MakeGif(4, 3, {kRed, kGreen}, {{1, 1, 2, 2, {}, std::string("\0\1\1\0", 4)}}));
  source->PaintOptions = doTile;
  source->StillFrame = 7;
  source->SpeedPercent = 50;
  int warnings = 0;
  source->OnCodecWarning = [&](GIFSender, std::uint8_t, const std::string&) { ++warnings; };
  TGIFPicture copy;
  copy.OnProgress = [](const void*, TProgressStage, int, bool, const std::string&) {};
  copy.Assign(source.get());
  EXPECT_EQ(copy.Width(), 4);
  EXPECT_EQ(copy.FrameCount(), 1);
  EXPECT_EQ(copy.PaintOptions, doTile);
  EXPECT_EQ(copy.StillFrame, 7);
  EXPECT_EQ(copy.SpeedPercent, 100); // its own
  EXPECT_FALSE(copy.OnCodecWarning);
  EXPECT_FALSE(copy.OnProgress);
  MemoryStream a, b;
  source->SaveToStream(a);
  copy.SaveToStream(b);
  EXPECT_EQ(a.Bytes(), b.Bytes());

  win::TBitmap bitmap;
  copy.AssignTo(bitmap);
  ASSERT_EQ(bitmap.Width(), 4);
  ASSERT_EQ(bitmap.Height(), 3);
  Surface s(4, 3);
  s.bitmap.Canvas().StretchDraw(RECT{0, 0, 4, 3}, bitmap);
  EXPECT_EQ(Hex(s.At(1, 1)), Hex(kRed));
  EXPECT_EQ(Hex(s.At(2, 1)), Hex(kGreen));
  EXPECT_EQ(Hex(s.At(2, 2)), Hex(kRed));

  copy.Assign(&copy);
  EXPECT_EQ(copy.FrameCount(), 1);
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Empty());
  EXPECT_EQ(copy.Width(), 0);
  copy.AssignTo(bitmap);
  EXPECT_EQ(bitmap.Width(), 0);
}

TEST(GIFPictureClass, CopyingRunsFrameByFrameAndKeepsTheCopysEncoder) {
  using enum TProgressStage;
  // Two frames and a comment before the trailer, which reads as a third frame without pixels.
  std::string bytes = MakeGif(2, 1, {kRed, kGreen}, {{0, 0, 2, 1, {}, std::string("\0\1", 2)},
                                                     {0, 0, 2, 1, {kWhite}, std::string(2, '\0')}});
  bytes.insert(bytes.size() - 1, std::string("\x21\xFE\x02hi\x00", 6));
  auto source = Load(bytes);
  ASSERT_EQ(source->FrameCount(), 3);
  source->Frame(0).RenderedBitmap();
  std::vector<Report> reports;
  std::vector<const void*> senders;
  source->OnProgress = [&](const void* sender, TProgressStage stage, int percent, bool, const std::string& message) {
    reports.push_back({stage, percent, message});
    senders.push_back(sender);
  };
  TGIFPicture copy;
  copy.Image().EncoderKind = 1;
  copy.Assign(source.get());
  const std::vector<Report> expected{{psStarting, 0, "Copying..."}, {psRunning, 33, "Copying..."},
                                     {psRunning, 67, "Copying..."}, {psRunning, 100, "Copying..."},
                                     {psEnding, 100, "Copying..."}};
  EXPECT_EQ(Text(reports), Text(expected));
  EXPECT_EQ(senders, std::vector<const void*>(expected.size(), &copy));
  ASSERT_EQ(copy.FrameCount(), 3);
  EXPECT_TRUE(copy.Frame(0).BitmapExists()) << "the source's rendering comes along";
  EXPECT_FALSE(copy.Frame(1).BitmapExists());
  EXPECT_EQ(copy.Image().EncoderKind, 1);
  Surface s(2, 1);
  copy.PaintOptions &= static_cast<std::uint16_t>(~doAnimate);
  copy.StillFrame = 1;
  copy.Draw(s.bitmap.Canvas(), RECT{0, 0, 2, 1});
  EXPECT_EQ(Hex(s.At(1, 0)), Hex(kWhite));
  // The same blocks, once written by the same encoder.
  copy.Image().EncoderKind = 0;
  source->OnProgress = nullptr;
  MemoryStream original, written;
  source->SaveToStream(original);
  copy.SaveToStream(written);
  EXPECT_EQ(written.Bytes(), original.Bytes());

  copy.Image().EncoderKind = 1;
  MemoryStream in(bytes);
  copy.LoadFromStream(in);
  EXPECT_EQ(copy.Image().EncoderKind, 1);
}

TEST(GIFPictureClass, AddFrameTakesOverAFrameMadeForTheImage) {
  auto picture = Load(MakeGif(2, 1, {}, {{0, 0, 2, 1, {kRed, kGreen}, std::string("\0\1", 2)}}));
  auto frame = std::make_unique<TGIFSubImage>(&picture->Image());
  frame->Assign(picture->Image().Images().Items(0));
  frame->ColorMap().Delete(0);
  TGIFSubImage* made = frame.get();
  picture->EnsureBitmap();
  int changes = 0;
  picture->OnChange = [&] { ++changes; };
  EXPECT_EQ(picture->AddFrame(std::move(frame)), 1);
  ASSERT_EQ(picture->FrameCount(), 2);
  EXPECT_EQ(&picture->Image().Images().Items(1), made);
  EXPECT_EQ(&picture->Frame(1).Frame(), made);
  EXPECT_EQ(picture->RenderBitmap(), nullptr);
  EXPECT_GE(changes, 1);
  picture->PaintOptions &= static_cast<std::uint16_t>(~doAnimate);
  picture->StillFrame = 1;
  Surface s(2, 1);
  picture->Draw(s.bitmap.Canvas(), RECT{0, 0, 2, 1});
  EXPECT_EQ(Hex(s.At(0, 0)), Hex(kGreen));

  TGIFPicture other;
  EXPECT_EQ(What([&] { other.AddFrame(std::make_unique<TGIFSubImage>(&picture->Image())); }),
            "Object type not supported for operation");
  EXPECT_EQ(other.FrameCount(), 0);
}

} // namespace
} // namespace qt
