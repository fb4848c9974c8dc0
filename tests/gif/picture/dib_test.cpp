#include "gif/picture/dib.hpp"

#include "base/dib_layout.hpp"
#include "gif/color/dither.hpp"
#include "gif/codec/error.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

namespace qt {
namespace {

using win::TBitmap;

win::UniquePalette Palette(std::initializer_list<COLORREF> colors) {
  std::vector<PALETTEENTRY> entries;
  for (COLORREF c : colors)
    entries.push_back({GetRValue(c), GetGValue(c), GetBValue(c), 0});
  return win::MakePalette(entries);
}

// The bitmap as GDI gives it back: rows top-down at the bits asked, and the colour table.
struct ReadBack {
  BITMAPINFOHEADER header{};
  RGBQUAD colors[256]{};
  std::vector<unsigned char> rows;
};

ReadBack GetBits(const TBitmap& b, int bits) {
  ReadBack out;
  out.header.biSize = sizeof out.header;
  out.header.biWidth = b.Width();
  out.header.biHeight = -b.Height();
  out.header.biPlanes = 1;
  out.header.biBitCount = static_cast<WORD>(bits);
  out.header.biCompression = BI_RGB;
  out.rows.resize(static_cast<std::size_t>(DIBRowStride(b.Width(), bits)) * b.Height());
  win::WindowDC screen(nullptr);
  GdiFlush();
  EXPECT_EQ(GetDIBits(screen.get(), b.Handle(), 0, b.Height(), out.rows.data(), reinterpret_cast<BITMAPINFO*>(&out),
                      DIB_RGB_COLORS),
            b.Height());
  return out;
}

TEST(DIBWriterTest, EightBitRowsReadBackThroughGDI) {
  const win::UniquePalette palette = Palette({RGB(10, 20, 30), RGB(200, 100, 0), RGB(0, 0, 255)});
  TBitmap b;
  {
    TDIBWriter writer(b, win::pf8bit, 5, 3, palette.get());
    for (int y = 0; y < 3; ++y) {
      auto* row = static_cast<unsigned char*>(writer.RowAddress(y));
      for (int x = 0; x < 5; ++x)
        row[x] = static_cast<unsigned char>((x + y) % 3);
    }
    // row 0 is the last row of the stored buffer: the rows lie a stride (8 bytes) apart, upward
    EXPECT_EQ(static_cast<unsigned char*>(writer.RowAddress(0)) - static_cast<unsigned char*>(writer.RowAddress(2)), 16);
    EXPECT_EQ(b.Width(), 0); // nothing reaches the bitmap before the writer is gone
  }
  EXPECT_EQ(b.PixelFormat(), win::pf8bit);
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(b.Height(), 3);
  EXPECT_EQ(win::PaletteEntries(b.Palette()).size(), 256u);
  const ReadBack back = GetBits(b, 8);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(back.rows[8 * y + x], (x + y) % 3) << x << ", " << y;
  EXPECT_EQ(back.colors[1].rgbRed, 200);
  EXPECT_EQ(back.colors[1].rgbGreen, 100);
  EXPECT_EQ(back.colors[2].rgbBlue, 255);
  for (int i = 3; i < 256; ++i)
    EXPECT_EQ(back.colors[i].rgbRed + back.colors[i].rgbGreen + back.colors[i].rgbBlue, 0) << i;
}

TEST(DIBWriterTest, TwentyFourBitsWidthOne) {
  TBitmap b;
  {
    TDIBWriter writer(b, win::pf24bit, 1, 2, nullptr);
    auto* top = static_cast<unsigned char*>(writer.RowAddress(0));
    top[0] = 1, top[1] = 2, top[2] = 3;
    auto* bottom = static_cast<unsigned char*>(writer.RowAddress(1));
    bottom[0] = 4, bottom[1] = 5, bottom[2] = 6;
    EXPECT_EQ(top - bottom, 4); // stride 4
  }
  EXPECT_EQ(b.PixelFormat(), win::pf24bit);
  const ReadBack back = GetBits(b, 24);
  EXPECT_EQ(std::vector<unsigned char>(back.rows.begin(), back.rows.begin() + 3), (std::vector<unsigned char>{1, 2, 3}));
  EXPECT_EQ(std::vector<unsigned char>(back.rows.begin() + 4, back.rows.begin() + 7), (std::vector<unsigned char>{4, 5, 6}));
}

TEST(DIBWriterTest, WithoutAPaletteEveryColourIsBlack) {
  TBitmap b;
  {
    TDIBWriter writer(b, win::pf8bit, 2, 1, nullptr);
    static_cast<unsigned char*>(writer.RowAddress(0))[1] = 200;
  }
  const ReadBack back = GetBits(b, 8);
  EXPECT_EQ(back.rows[1], 200);
  for (const RGBQUAD& q : back.colors)
    ASSERT_EQ(q.rgbRed + q.rgbGreen + q.rgbBlue, 0);
}

TEST(DIBWriterTest, AWriterThatMadeNoRowOrFailedLeavesTheBitmapAlone) {
  TBitmap b;
  b.SetPixelFormat(win::pf32bit);
  b.SetSize(3, 3);
  { TDIBWriter writer(b, win::pf8bit, 10, 10, nullptr); }
  EXPECT_EQ(b.PixelFormat(), win::pf32bit);
  EXPECT_EQ(b.Width(), 3);
  try {
    TDIBWriter writer(b, win::pf8bit, 10, 10, nullptr);
    writer.RowAddress(0);
    throw std::runtime_error("drawing failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(b.Width(), 3);
}

TEST(DIBWriterTest, Errors) {
  TBitmap b;
  auto message = [](auto&& f) {
    try {
      f();
    } catch (const std::exception& e) {
      return std::string(typeid(e).name()) + ": " + e.what();
    }
    return std::string("nothing");
  };
  const std::string gif = typeid(GIFException).name();
  EXPECT_EQ(message([&] { TDIBWriter w(b, win::pf4bit, 0, 0, nullptr); }), gif + ": Unsupported PixelFormat");
  EXPECT_EQ(message([&] { TDIBWriter w(b, win::pf32bit, 1, 1, nullptr); }), gif + ": Unsupported PixelFormat");
  EXPECT_EQ(message([&] { TDIBWriter w(b, win::pf8bit, 0, 5, nullptr); }), gif + ": Invalid image dimensions");
  EXPECT_EQ(message([&] { TDIBWriter w(b, win::pf8bit, 5, -1, nullptr); }), gif + ": Invalid image dimensions");
  EXPECT_EQ(message([&] {
              TDIBWriter w(b, win::pf8bit, 5, 5, nullptr);
              w.RowAddress(5);
            }),
            std::string(typeid(win::EInvalidGraphicOperation).name()) + ": Scan line index out of range");
  EXPECT_EQ(message([&] {
              TDIBWriter w(b, win::pf8bit, 5, 5, nullptr);
              w.RowAddress(-1);
            }),
            std::string(typeid(win::EInvalidGraphicOperation).name()) + ": Scan line index out of range");
  // 30 GB: beyond any memory and any BMP file; stride x height must not wrap to a small buffer
  EXPECT_EQ(message([&] {
              TDIBWriter w(b, win::pf24bit, 100000, 100000, nullptr);
              w.RowAddress(0);
            }),
            std::string(typeid(EOutOfMemory).name()) + ": Failed to allocate memory for GIF DIB");
  EXPECT_EQ(message([&] {
              TDIBWriter w(b, win::pf8bit, 65536, 65537, nullptr);
              w.RowAddress(0);
            }),
            std::string(typeid(EOutOfMemory).name()) + ": Failed to allocate memory for GIF DIB");
  EXPECT_EQ(b.Width(), 0);
}

TEST(DIBWriterTest, DitheredRowsOntoTheCubeShowTheCubesColours) {
  std::vector<PALETTEENTRY> cube;
  for (int i = 0; i < 216; ++i)
    cube.push_back({static_cast<BYTE>(i / 36 * 51), static_cast<BYTE>(i / 6 % 6 * 51), static_cast<BYTE>(i % 6 * 51), 0});
  const win::UniquePalette palette = win::MakePalette(cube);
  // A 7 x 3 grey ramp: grey 100 lies between levels 102 and 51 of the cube.
  constexpr int w = 7, h = 3;
  std::vector<std::uint8_t> bgr(3 * w * h, 100);
  TBitmap b;
  TNetscapeColorLookup lookup;
  {
    TFloydSteinbergDitherer engine(w, lookup);
    TDIBWriter writer(b, win::pf8bit, w, h, palette.get());
    for (int y = 0; y < h; ++y)
      DitherRow(engine, &bgr[3 * w * y], static_cast<std::uint8_t*>(writer.RowAddress(y)));
  }
  const ReadBack back = GetBits(b, 32);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned char* p = &back.rows[4 * (w * y + x)];
      // only cube greys 51 or 102 appear
      EXPECT_TRUE(p[0] == p[1] && p[1] == p[2] && (p[0] == 102 || p[0] == 51)) << x << ", " << y << ": " << int(p[0]);
    }
  // the first pixel has no error yet: (100 + 3) div 51 = 2
  EXPECT_EQ(back.rows[0], 102);
}

TEST(DIBReaderTest, ImposesItsFormatAndHandsOutTheBitmapsRows) {
  TBitmap b;
  b.SetPixelFormat(win::pf32bit);
  b.SetSize(2, 2);
  b.Canvas().Brush.Color = 0x030201;
  b.Canvas().FillRect(RECT{0, 1, 2, 2});
  {
    TDIBReader reader(b, win::pf24bit);
    EXPECT_EQ(reader.RowAddress(1), b.ScanLine(1));
    const auto* row = static_cast<unsigned char*>(reader.RowAddress(1));
    EXPECT_EQ((std::vector<int>{row[0], row[1], row[2], row[3]}), (std::vector<int>{3, 2, 1, 3}));
    EXPECT_THROW(reader.RowAddress(2), win::EInvalidGraphicOperation);
  }
  EXPECT_EQ(b.PixelFormat(), win::pf24bit);
}

TEST(SlowColorLookupTest, AnswersAreGDIsOwn) {
  const win::UniquePalette palette = Palette({RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 0, 0), RGB(0, 128, 0),
                                              RGB(0, 0, 255), RGB(128, 128, 128), RGB(255, 255, 0)});
  TSlowColorLookup lookup(palette.get());
  EXPECT_EQ(lookup.PaletteSize(), 7);
  const std::vector<PALETTEENTRY> entries = win::PaletteEntries(palette.get());
  std::uint8_t r, g, b;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(lookup.NearestIndex(entries[i].peRed, entries[i].peGreen, entries[i].peBlue, r, g, b), i);
    EXPECT_EQ(RGB(r, g, b), RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue));
  }
  // Many colours, each asked twice, past the point where the kept answers are rehashed.
  for (int round = 0; round < 2; ++round) {
    std::mt19937 colours(9);
    for (int i = 0; i < 5000; ++i) {
      const auto red = static_cast<std::uint8_t>(colours()), green = static_cast<std::uint8_t>(colours()),
                 blue = static_cast<std::uint8_t>(colours());
      const UINT gdi = GetNearestPaletteIndex(palette.get(), RGB(red, green, blue));
      ASSERT_EQ(lookup.NearestIndex(red, green, blue, r, g, b), gdi) << i;
      ASSERT_EQ(RGB(r, g, b), RGB(entries[gdi].peRed, entries[gdi].peGreen, entries[gdi].peBlue));
    }
  }
}

TEST(SlowColorLookupTest, NoPaletteAndAnIndexPastTheEntriesTaken) {
  TSlowColorLookup none(nullptr);
  EXPECT_EQ(none.PaletteSize(), 0);
  std::uint8_t r = 7, g = 8, b = 9;
  EXPECT_EQ(none.NearestIndex(1, 2, 3, r, g, b), 0);
  EXPECT_EQ(RGB(r, g, b), RGB(7, 8, 9));

  // The palette grows after the lookup took its entries: GDI's answer 2 lies past them.
  win::UniquePalette palette = Palette({RGB(50, 60, 70), RGB(255, 255, 255)});
  TSlowColorLookup lookup(palette.get());
  ASSERT_TRUE(ResizePalette(palette.get(), 3));
  const PALETTEENTRY red{255, 0, 0, 0};
  SetPaletteEntries(palette.get(), 2, 1, &red);
  ASSERT_EQ(GetNearestPaletteIndex(palette.get(), RGB(255, 0, 0)), 2u);
  EXPECT_EQ(lookup.NearestIndex(255, 0, 0, r, g, b), 0);
  EXPECT_EQ(RGB(r, g, b), RGB(50, 60, 70));
}

TEST(SlowColorLookupTest, TakesAtMost256Entries) {
  std::vector<PALETTEENTRY> entries(300);
  for (std::size_t i = 0; i < entries.size(); ++i)
    entries[i] = {static_cast<BYTE>(i), static_cast<BYTE>(i / 256), 0, 0};
  const win::UniquePalette palette = win::MakePalette(entries);
  TSlowColorLookup lookup(palette.get());
  EXPECT_EQ(lookup.PaletteSize(), 256);
  std::uint8_t r, g, b;
  EXPECT_EQ(lookup.NearestIndex(200, 0, 0, r, g, b), 200);
  EXPECT_EQ(RGB(r, g, b), RGB(200, 0, 0));
}

} // namespace
} // namespace qt
