#include "win/bitmap.hpp"

#include "base/file_stream.hpp"
#include "base/stream.hpp"
#include "tests/win/mask_text.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace win {
namespace {

using win::testing::MaskText;

std::vector<PALETTEENTRY> Entries(std::initializer_list<COLORREF> colors) {
  std::vector<PALETTEENTRY> out;
  for (COLORREF c : colors)
    out.push_back({GetRValue(c), GetGValue(c), GetBValue(c), 0});
  return out;
}

// A 32-bit bitmap to draw on and read back, pixels as COLORREF.
class Target {
public:
  Target(int width, int height, COLORREF fill = RGB(1, 2, 3)) {
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(width, height);
    bitmap.Canvas().Brush.Color = static_cast<TColor>(fill);
    bitmap.Canvas().FillRect(RECT{0, 0, width, height});
  }
  COLORREF At(int x, int y) {
    const std::uint32_t p = static_cast<std::uint32_t*>(bitmap.ScanLine(y))[x];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }
  TBitmap bitmap;
};

// What GDI itself shows at a pixel of the bitmap.
COLORREF Shown(TBitmap& b, int x, int y) {
  GdiFlush();
  return GetPixel(b.Canvas().Handle(), x, y);
}

TEST(BitmapTest, ScanLineRowsInEveryPixelFormat) {
  const UniquePalette palette = MakePalette(Entries({RGB(0, 0, 0), RGB(255, 255, 255), RGB(200, 10, 20), RGB(5, 150, 250)}));
  struct Case {
    TPixelFormat format;
    // writes pixel x of a row as colour number n (0 to 3), and the colour GDI should show
    void (*write)(unsigned char* row, int x, int n);
  } const cases[] = {
      {pf1bit, [](unsigned char* row, int x, int n) { if (n & 1) row[x / 8] |= 0x80 >> (x % 8); }},
      {pf4bit, [](unsigned char* row, int x, int n) { row[x / 2] |= n << (x % 2 == 0 ? 4 : 0); }},
      {pf8bit, [](unsigned char* row, int x, int n) { row[x] = static_cast<unsigned char>(n); }},
      {pf24bit, [](unsigned char* row, int x, int n) {
         const PALETTEENTRY e = Entries({RGB(0, 0, 0), RGB(255, 255, 255), RGB(200, 10, 20), RGB(5, 150, 250)})[n];
         row[3 * x] = e.peBlue, row[3 * x + 1] = e.peGreen, row[3 * x + 2] = e.peRed;
       }},
      {pf32bit, [](unsigned char* row, int x, int n) {
         const PALETTEENTRY e = Entries({RGB(0, 0, 0), RGB(255, 255, 255), RGB(200, 10, 20), RGB(5, 150, 250)})[n];
         row[4 * x] = e.peBlue, row[4 * x + 1] = e.peGreen, row[4 * x + 2] = e.peRed;
       }},
  };
  const COLORREF colors[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(200, 10, 20), RGB(5, 150, 250)};
  constexpr int w = 13, h = 3;
  for (const Case& c : cases) {
    TBitmap b;
    b.SetPixelFormat(c.format);
    b.SetPalette(palette.get());
    b.SetSize(w, h);
    const int kinds = c.format == pf1bit ? 2 : 4;
    for (int y = 0; y < h; ++y) {
      auto* row = static_cast<unsigned char*>(b.ScanLine(y));
      for (int x = 0; x < w; ++x)
        c.write(row, x, (x + y) % kinds);
    }
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        ASSERT_EQ(Shown(b, x, y), colors[(x + y) % kinds]) << BitsPerPixel(c.format) << " bits, " << x << ", " << y;
    EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
    EXPECT_THROW(b.ScanLine(h), EInvalidGraphicOperation);
  }
}

TEST(BitmapTest, AnIndexPastThePaletteShowsBlack) {
  const UniquePalette palette = MakePalette(Entries({RGB(10, 20, 30), RGB(40, 50, 60)}));
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetPalette(palette.get());
  b.SetSize(3, 1);
  auto* row = static_cast<unsigned char*>(b.ScanLine(0));
  row[0] = 1, row[1] = 2, row[2] = 255;
  EXPECT_EQ(Shown(b, 0, 0), RGB(40, 50, 60));
  EXPECT_EQ(Shown(b, 1, 0), RGB(0, 0, 0));
  EXPECT_EQ(Shown(b, 2, 0), RGB(0, 0, 0));
  EXPECT_EQ(PaletteEntries(b.Palette()).size(), 2u);
}

TEST(BitmapTest, DeviceBitmapBecomesADibWhenItsRowsAreAsked) {
  TBitmap b;
  EXPECT_EQ(b.PixelFormat(), pfDevice);
  b.SetSize(4, 2);
  b.Canvas().Brush.Color = static_cast<TColor>(RGB(0, 255, 0));
  b.Canvas().FillRect(RECT{0, 0, 4, 2});
  EXPECT_NE(b.ScanLine(1), nullptr);
  EXPECT_NE(b.PixelFormat(), pfDevice);
  EXPECT_EQ(Shown(b, 3, 1), RGB(0, 255, 0));
}

TEST(BitmapTest, PaletteIsRealisedAndReadBack) {
  const std::vector<PALETTEENTRY> entries = Entries({RGB(255, 0, 0), RGB(0, 128, 0), RGB(1, 2, 3)});
  const UniquePalette palette = MakePalette(entries);
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetSize(3, 1);
  b.SetPalette(palette.get());
  EXPECT_NE(b.Palette(), palette.get()); // a copy of its own
  auto same = [&](HPALETTE p) {
    const std::vector<PALETTEENTRY> got = PaletteEntries(p);
    return got.size() == entries.size() && std::memcmp(got.data(), entries.data(), got.size() * sizeof got[0]) == 0;
  };
  EXPECT_TRUE(same(b.Palette()));
  EXPECT_TRUE(same(static_cast<HPALETTE>(GetCurrentObject(b.Canvas().Handle(), OBJ_PAL))));
  RGBQUAD table[256];
  ASSERT_EQ(GetDIBColorTable(b.Canvas().Handle(), 0, 256, table), 256u);
  EXPECT_EQ(table[1].rgbGreen, 128);
  EXPECT_EQ(table[3].rgbRed + table[3].rgbGreen + table[3].rgbBlue, 0);
  // Realised in a window's device context: GDI answers the palette's own entries.
  WindowDC screen(nullptr);
  HPALETTE old = SelectPalette(screen.get(), b.Palette(), FALSE);
  RealizePalette(screen.get());
  EXPECT_EQ(GetNearestPaletteIndex(b.Palette(), RGB(0, 120, 0)), 1u);
  SelectPalette(screen.get(), old, FALSE);

  auto* row = static_cast<unsigned char*>(b.ScanLine(0));
  row[0] = 2, row[1] = 0, row[2] = 1;
  Target t(3, 1);
  t.bitmap.Canvas().Draw(0, 0, b);
  EXPECT_EQ(t.At(0, 0), RGB(1, 2, 3));
  EXPECT_EQ(t.At(1, 0), RGB(255, 0, 0));
  EXPECT_EQ(t.At(2, 0), RGB(0, 128, 0));
}

TEST(BitmapTest, ResizeKeepsTheTopLeftAndTooLargeIsACleanError) {
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetSize(3, 2);
  static_cast<unsigned char*>(b.ScanLine(0))[0] = 7;
  static_cast<unsigned char*>(b.ScanLine(1))[2] = 9;
  b.SetSize(5, 4);
  EXPECT_EQ(static_cast<unsigned char*>(b.ScanLine(0))[0], 7);
  EXPECT_EQ(static_cast<unsigned char*>(b.ScanLine(1))[2], 9);
  EXPECT_EQ(static_cast<unsigned char*>(b.ScanLine(3))[4], 0);
  EXPECT_THROW(b.SetSize(100000, 100000), qt::EOutOfMemory);
  EXPECT_THROW(b.SetSize(2147483647, 1), qt::EOutOfMemory);
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(b.Height(), 4);
  EXPECT_EQ(static_cast<unsigned char*>(b.ScanLine(1))[2], 9);
}

TEST(BitmapTest, FormatChangesKeepTheColours) {
  TBitmap b;
  b.SetPixelFormat(pf1bit);
  b.SetSize(9, 1);
  static_cast<unsigned char*>(b.ScanLine(0))[0] = 0xA0; // pixels 0 and 2 white
  b.SetPixelFormat(pf8bit);
  const auto* row = static_cast<unsigned char*>(b.ScanLine(0));
  EXPECT_EQ(row[0], 1);
  EXPECT_EQ(row[1], 0);
  EXPECT_EQ(row[2], 1);
  b.SetPixelFormat(pf24bit);
  EXPECT_EQ(b.Palette(), nullptr);
  const auto* rgb = static_cast<unsigned char*>(b.ScanLine(0));
  EXPECT_EQ(rgb[0] + rgb[1] + rgb[2], 3 * 255);
  EXPECT_EQ(rgb[3] + rgb[4] + rgb[5], 0);
  b.SetPixelFormat(pf32bit);
  EXPECT_EQ(Shown(b, 2, 0), RGB(255, 255, 255));
  EXPECT_EQ(Shown(b, 8, 0), RGB(0, 0, 0));
}

TEST(BitmapTest, AssignCopiesIndicesPaletteAndFormat) {
  // Two entries of one colour: a copy through colours would fold them together.
  const UniquePalette palette = MakePalette(Entries({RGB(9, 9, 9), RGB(9, 9, 9), RGB(0, 0, 255)}));
  TBitmap a;
  a.SetPixelFormat(pf8bit);
  a.SetPalette(palette.get());
  a.SetSize(3, 2);
  auto* row = static_cast<unsigned char*>(a.ScanLine(1));
  row[0] = 1, row[1] = 2;
  a.SetTransparent(true);
  a.SetTransparentColor(clRed);
  TBitmap b;
  int changes = 0;
  b.OnChange = [&] { ++changes; };
  b.Assign(a);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(b.Transparent());
  EXPECT_EQ(b.TransparentColor(), clRed);
  EXPECT_EQ(b.PixelFormat(), pf8bit);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(PaletteEntries(b.Palette()).size(), 3u);
  EXPECT_NE(b.Palette(), a.Palette());
  const auto* copy = static_cast<unsigned char*>(b.ScanLine(1));
  EXPECT_EQ(copy[0], 1);
  EXPECT_EQ(copy[1], 2);
  row[0] = 0;
  EXPECT_EQ(static_cast<unsigned char*>(b.ScanLine(1))[0], 1);
}

TEST(BitmapTest, BmpStreamsRoundTripAndDamagedOnesChangeNothing) {
  const UniquePalette palette = MakePalette(Entries({RGB(1, 2, 3), RGB(4, 5, 6)}));
  TBitmap a;
  a.SetPixelFormat(pf4bit);
  a.SetPalette(palette.get());
  a.SetSize(3, 2);
  static_cast<unsigned char*>(a.ScanLine(0))[0] = 0x10;  // pixels 0 and 1
  static_cast<unsigned char*>(a.ScanLine(0))[1] = 0x20;  // pixel 2: past the two colours
  static_cast<unsigned char*>(a.ScanLine(1))[1] = 0x10;
  qt::MemoryStream bytes;
  a.SaveToStream(bytes);
  bytes.SetPosition(0);
  TBitmap b;
  b.LoadFromStream(bytes);
  EXPECT_EQ(b.PixelFormat(), pf4bit);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Height(), 2);
  EXPECT_EQ(PaletteEntries(b.Palette()).size(), 16u); // the file's whole table
  EXPECT_EQ(Shown(b, 0, 0), RGB(4, 5, 6));
  EXPECT_EQ(Shown(b, 1, 0), RGB(1, 2, 3));
  EXPECT_EQ(Shown(b, 2, 1), RGB(4, 5, 6));
  EXPECT_EQ(Shown(b, 2, 0), RGB(0, 0, 0));

  // The same rows stored top-down.
  std::string file = bytes.Bytes();
  const std::int32_t height = -2;
  std::memcpy(&file[22], &height, 4);
  const std::size_t pixels = 14 + 40 + 64;
  std::swap_ranges(file.begin() + pixels, file.begin() + pixels + 4, file.begin() + pixels + 4);
  qt::MemoryStream topDown(file);
  TBitmap c;
  c.LoadFromStream(topDown);
  EXPECT_EQ(Shown(c, 0, 0), RGB(4, 5, 6));
  EXPECT_EQ(Shown(c, 2, 1), RGB(4, 5, 6));

  // From the middle of a stream in memory, and from a file: read to the stream's end either way.
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("qt_bitmap_test_" + std::to_string(GetCurrentProcessId()) + ".bmp");
  {
    qt::FileStream out(path, qt::FileStream::Mode::create);
    out.Write(bytes.Bytes());
  }
  qt::MemoryStream prefixed("BM??" + bytes.Bytes());
  prefixed.SetPosition(4);
  {
    qt::FileStream inFile(path, qt::FileStream::Mode::read);
    for (qt::Stream* source : {static_cast<qt::Stream*>(&prefixed), static_cast<qt::Stream*>(&inFile)}) {
      TBitmap d;
      d.LoadFromStream(*source);
      EXPECT_EQ(source->Position(), source->Size());
      EXPECT_EQ(d.Width(), 3);
      EXPECT_EQ(Shown(d, 0, 0), RGB(4, 5, 6));
      EXPECT_EQ(Shown(d, 2, 1), RGB(4, 5, 6));
    }
  }
  std::error_code ignored;
  std::filesystem::remove(path, ignored);

  qt::MemoryStream damaged(bytes.Bytes().substr(0, bytes.Bytes().size() - 1));
  EXPECT_THROW(b.LoadFromStream(damaged), EInvalidGraphic);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(Shown(b, 0, 0), RGB(4, 5, 6));
}

// The clipboard's bitmap is a handle that no DC holds: an 8-bit DIB section of its own here.
TEST(BitmapTest, AClipboardBitmapIsReadThroughItsPaletteAndACopyIsHandedOut) {
  const std::vector<PALETTEENTRY> colors = Entries({RGB(200, 10, 20), RGB(5, 150, 250), RGB(255, 255, 255)});
  struct {
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 3, 1, 1, 8, BI_RGB, 0, 0, 0, 3, 0};
    RGBQUAD table[3] = {{20, 10, 200, 0}, {250, 150, 5, 0}, {255, 255, 255, 0}};
  } info;
  void* bits = nullptr;
  UniqueBitmap source(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(source);
  const unsigned char indices[4] = {1, 2, 0, 0};
  std::memcpy(bits, indices, 4);
  const UniquePalette palette = MakePalette(colors);
  for (HPALETTE given : {palette.get(), static_cast<HPALETTE>(nullptr)}) {
    SCOPED_TRACE(given ? "with its palette" : "without a palette");
    TBitmap bitmap;
    bitmap.LoadFromClipboardFormat(CF_BITMAP, source.get(), given);
    EXPECT_EQ(bitmap.PixelFormat(), given ? pf8bit : pf24bit);
    EXPECT_EQ(PaletteEntries(bitmap.Palette()).size(), given ? 3u : 0u);
    ASSERT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(Shown(bitmap, 0, 0), RGB(5, 150, 250));
    EXPECT_EQ(Shown(bitmap, 1, 0), RGB(255, 255, 255));
    EXPECT_EQ(Shown(bitmap, 2, 0), RGB(200, 10, 20));

    // Handed out: a bitmap of the same picture and a palette, both the caller's.
    UINT format = 0;
    HANDLE data = nullptr;
    HPALETTE copy = nullptr;
    bitmap.SaveToClipboardFormat(format, data, copy);
    EXPECT_EQ(format, static_cast<UINT>(CF_BITMAP));
    UniqueBitmap ownData(static_cast<HBITMAP>(data));
    UniquePalette ownCopy(copy);
    EXPECT_EQ(PaletteEntries(copy).size(), given ? 3u : 0u);
    TBitmap back;
    back.LoadFromClipboardFormat(format, data, copy);
    EXPECT_EQ(Shown(back, 0, 0), RGB(5, 150, 250));
    EXPECT_EQ(Shown(back, 2, 0), RGB(200, 10, 20));
  }
  TBitmap other;
  try {
    other.LoadFromClipboardFormat(CF_DIB, source.get(), nullptr);
    ADD_FAILURE() << "took CF_DIB";
  } catch (const EInvalidGraphic& e) {
    EXPECT_STREQ(e.what(), "Unsupported clipboard format");
  }
  EXPECT_EQ(other.Width(), 0);
  UINT format = 1;
  HANDLE data = nullptr;
  HPALETTE none = nullptr;
  other.SaveToClipboardFormat(format, data, none);
  EXPECT_EQ(format, 0u) << "nothing for an empty bitmap";
}

// Paints rows of 'R' (red), 'W' (white) and 'B' (blue) pixels, rows parted by '/'.
void Paint(TBitmap& b, std::string_view picture) {
  int x = 0, y = 0;
  for (char c : picture) {
    if (c == '/') {
      x = 0, ++y;
      continue;
    }
    b.Canvas().Brush.Color = c == 'R' ? clRed : c == 'W' ? clWhite : clBlue;
    b.Canvas().FillRect(RECT{x, y, x + 1, y + 1});
    ++x;
  }
}

TEST(BitmapTest, TheMaskMarksTheTransparentColourInEveryFormat) {
  for (TPixelFormat format : {pf8bit, pf24bit, pf32bit, pfDevice}) {
    SCOPED_TRACE(BitsPerPixel(format));
    TBitmap b;
    b.SetPixelFormat(format);
    b.SetSize(4, 3);
    Paint(b, "RWBW/WRRB/BWRW");
    EXPECT_EQ(b.TransparentColor(), clDefault);
    EXPECT_EQ(MaskText(b.MaskHandle()), "0010/0001/1000") << "the bottom-left pixel's colour";
    EXPECT_EQ(b.MaskHandle(), b.MaskHandle());
    int changes = 0;
    b.OnChange = [&] { ++changes; };
    b.SetTransparentColor(clWhite);
    b.SetTransparentColor(clWhite);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(MaskText(b.MaskHandle()), "0101/1000/0101");
    b.SetTransparent(true);
    b.SetTransparent(true);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(b.Transparent());
    // Made again after each change: content, size and the colour.
    Paint(b, "WWWW");
    EXPECT_EQ(MaskText(b.MaskHandle()), "1111/1000/0101");
    b.SetWidth(2);
    EXPECT_EQ(MaskText(b.MaskHandle()), "11/10/01");
    b.SetTransparentColor(clDefault);
    EXPECT_EQ(MaskText(b.MaskHandle()), "00/00/10");
  }
  TBitmap empty;
  EXPECT_EQ(empty.MaskHandle(), nullptr);
}

TEST(BitmapTest, TheMaskComparesColoursNotIndicesAndFollowsRowsWritten) {
  // Two entries of one colour; the bottom-left pixel is index 1.
  const UniquePalette palette = MakePalette(Entries({RGB(0, 0, 255), RGB(0, 0, 255), RGB(255, 0, 0)}));
  TBitmap b;
  b.SetPixelFormat(pf8bit);
  b.SetPalette(palette.get());
  b.SetSize(3, 2);
  auto* top = static_cast<unsigned char*>(b.ScanLine(0));
  top[0] = 0, top[1] = 2, top[2] = 1;
  static_cast<unsigned char*>(b.ScanLine(1))[0] = 1; // the rest is index 0
  EXPECT_EQ(MaskText(b.MaskHandle()), "101/111");
  static_cast<unsigned char*>(b.ScanLine(1))[2] = 2;
  EXPECT_EQ(MaskText(b.MaskHandle()), "101/110");
}

// What the GIF conversion does with a mask: the platform's copy, taken over by a bitmap.
TEST(BitmapTest, SetHandleTakesOverBitmapsOfEveryKind) {
  TBitmap picture;
  picture.SetPixelFormat(pf24bit);
  picture.SetSize(4, 3);
  Paint(picture, "RWBW/WRRB/BWRW");

  struct Source {
    const char* name;
    std::function<UniqueBitmap()> make;
    TPixelFormat format;
    std::vector<COLORREF> table; // none: no palette
    const char* shown;           // the picture's colours
  };
  // An 8-bit and a top-down 1-bit DIB section of 3 x 2: indices 0 1 2 / 2 1 0 and 1 0 1 / 0 1 1.
  auto dib = [](int bits, int height, std::vector<RGBQUAD> table, std::vector<unsigned char> rows) {
    return [=] {
      struct {
        BITMAPINFOHEADER header{};
        RGBQUAD colors[256]{};
      } info;
      info.header = {sizeof(BITMAPINFOHEADER), 3, height, 1, static_cast<WORD>(bits), BI_RGB, 0, 0, 0,
                     static_cast<DWORD>(table.size()), 0};
      std::copy(table.begin(), table.end(), info.colors);
      void* bits_ = nullptr;
      UniqueBitmap h(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits_, nullptr, 0));
      std::memcpy(bits_, rows.data(), rows.size());
      return h;
    };
  };
  const RGBQUAD red{0, 0, 255, 0}, green{0, 255, 0, 0}, blue{255, 0, 0, 0};
  const Source sources[] = {
      {"a copy of a mask", [&] { return CopyBitmapHandle(picture.MaskHandle()); }, pf1bit,
       {RGB(0, 0, 0), RGB(255, 255, 255)}, "KKWK/KKKW/WKKK"},
      {"a copy of a colour bitmap", [&] { return CopyBitmapHandle(picture.Handle()); }, pf24bit, {},
       "RWBW/WRRB/BWRW"},
      // index 3 repeats index 0's colour
      {"an 8-bit DIB section", dib(8, 2, {red, green, blue, red}, {2, 1, 0, 0, 0, 1, 3, 0}), pf8bit,
       {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 0, 0)}, "RGR/BGR"},
      // the indices stay, the colours become black and white
      {"a top-down 1-bit DIB section", dib(1, -2, {red, blue}, {0xA0, 0, 0, 0, 0x60, 0, 0, 0}), pf1bit,
       {RGB(0, 0, 0), RGB(255, 255, 255)}, "WKW/KWW"},
  };
  for (const Source& source : sources) {
    SCOPED_TRACE(source.name);
    UniqueBitmap handle = source.make();
    ASSERT_TRUE(handle);
    TBitmap b;
    int changes = 0;
    b.OnChange = [&] { ++changes; };
    b.SetHandle(std::move(handle));
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(b.PixelFormat(), source.format);
    std::vector<COLORREF> table;
    for (const PALETTEENTRY& e : PaletteEntries(b.Palette()))
      table.push_back(RGB(e.peRed, e.peGreen, e.peBlue));
    // a DIB section's table may come whole, the rest black
    ASSERT_GE(table.size(), source.table.size());
    EXPECT_TRUE(std::all_of(table.begin() + static_cast<std::ptrdiff_t>(source.table.size()), table.end(),
                            [](COLORREF c) { return c == 0; }));
    table.resize(source.table.size());
    EXPECT_EQ(table, source.table);
    if (source.format == pf8bit) {
      EXPECT_EQ(static_cast<unsigned char*>(b.ScanLine(0))[2], 3) << "the index itself";
    }
    std::string shown;
    for (int y = 0; y < b.Height(); ++y) {
      if (y > 0) shown += '/';
      for (int x = 0; x < b.Width(); ++x) {
        const COLORREF c = Shown(b, x, y);
        shown += c == RGB(255, 0, 0) ? 'R' : c == RGB(0, 255, 0) ? 'G' : c == RGB(0, 0, 255) ? 'B'
               : c == RGB(255, 255, 255) ? 'W' : c == RGB(0, 0, 0) ? 'K' : '?';
      }
    }
    EXPECT_EQ(shown, source.shown);
  }
  TBitmap b;
  b.SetSize(2, 2);
  b.SetHandle(UniqueBitmap());
  EXPECT_TRUE(b.Empty());
  EXPECT_THROW(CopyBitmapHandle(nullptr), EOutOfResources);
}

TEST(BitmapTest, SetHandleRefusesWhatIsNoBitmap) {
  // GDI answers the size of any object kind; a font's or a pen's record is as large as a
  // bitmap's.
  const std::function<HGDIOBJ()> objects[] = {
      [] { return CreateFontW(20, 30, 40, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"Arial"); },
      [] {
        const LOGBRUSH brush{BS_SOLID, RGB(255, 0, 0), 0};
        return ExtCreatePen(PS_GEOMETRIC | PS_SOLID, 3, &brush, 0, nullptr);
      },
      [] { return CreateSolidBrush(RGB(255, 0, 0)); },
  };
  for (const auto& make : objects) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 2);
    int changes = 0;
    b.OnChange = [&] { ++changes; };
    HGDIOBJ object = make();
    ASSERT_NE(object, nullptr);
    SCOPED_TRACE(GetObjectType(object));
    EXPECT_THROW(b.SetHandle(UniqueBitmap(static_cast<HBITMAP>(object))), EInvalidGraphic);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(changes, 0);
  }
}

TEST(BitmapTest, AMissingHandleRaisesTheSystemsTextForTheLastError) {
  const auto raised = [](DWORD code) {
    SetLastError(code);
    try {
      CheckGDIHandle(HBITMAP{});
    } catch (const EOutOfResources& e) {
      return std::string(e.what());
    }
    return std::string("(nothing thrown)");
  };
  const std::string fallback = "Out of system resources";
  EXPECT_EQ(raised(0), fallback);
  EXPECT_EQ(raised(0x2000ABCD), fallback); // a code the system has no text for
  const std::string memory = raised(ERROR_NOT_ENOUGH_MEMORY), handle = raised(ERROR_INVALID_HANDLE);
  for (const std::string& text : {memory, handle}) {
    EXPECT_NE(text, fallback);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), ' ');
  }
  EXPECT_NE(memory, handle);
  EXPECT_EQ(CheckGDIHandle(reinterpret_cast<HBITMAP>(1)), reinterpret_cast<HBITMAP>(1));
}

TEST(CanvasTest, FillCopyStretchAndCopyMode) {
  TBitmap source;
  source.SetPixelFormat(pf24bit);
  source.SetSize(2, 2);
  const COLORREF quad[2][2] = {{RGB(255, 0, 0), RGB(0, 255, 0)}, {RGB(0, 0, 255), RGB(255, 255, 0)}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) {
      source.Canvas().Brush.Color = static_cast<TColor>(quad[y][x]);
      source.Canvas().FillRect(RECT{x, y, x + 1, y + 1});
    }
  Target t(6, 5);
  int changes = 0;
  t.bitmap.OnChange = [&] { ++changes; };
  t.bitmap.Canvas().StretchDraw(RECT{1, 1, 5, 5}, source);
  EXPECT_EQ(changes, 1);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) {
      const COLORREF expected = x >= 1 && x < 5 && y >= 1 ? quad[(y - 1) / 2][(x - 1) / 2] : RGB(1, 2, 3);
      ASSERT_EQ(t.At(x, y), expected) << x << ", " << y;
    }

  t.bitmap.Canvas().CopyRect(RECT{0, 0, 1, 1}, source.Canvas(), RECT{1, 1, 2, 2});
  EXPECT_EQ(t.At(0, 0), RGB(255, 255, 0));
  t.bitmap.Canvas().CopyMode = SRCINVERT;
  t.bitmap.Canvas().Draw(0, 0, source);
  EXPECT_EQ(t.At(0, 0), RGB(0, 255, 0));       // yellow XOR red
  EXPECT_EQ(t.At(1, 0), RGB(1, 255 ^ 2, 3));   // green over the background
  t.bitmap.Canvas().Brush.Style = bsClear;
  t.bitmap.Canvas().FillRect(RECT{0, 0, 6, 5});
  EXPECT_EQ(t.At(5, 0), RGB(1, 2, 3));
}

TEST(CanvasTest, MaskedCopyKeepsTheDestinationWhereTheMaskIsSet) {
  // A 4 x 2 source: columns red, green, blue, white; mask 1 (transparent) at x = 1 and x = 3 of
  // row 0 and at x = 0 of row 1.
  TBitmap source;
  source.SetPixelFormat(pf24bit);
  source.SetSize(4, 2);
  const COLORREF colors[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
  for (int x = 0; x < 4; ++x) {
    source.Canvas().Brush.Color = static_cast<TColor>(colors[x]);
    source.Canvas().FillRect(RECT{x, 0, x + 1, 2});
  }
  const bool transparent[2][4] = {{false, true, false, true}, {true, false, false, false}};
  // monochrome rows padded to 16 bits, most significant bit first
  const unsigned char maskBits[] = {0x50, 0x00, 0x80, 0x00};
  UniqueBitmap mask(CreateBitmap(4, 2, 1, 1, maskBits));
  ASSERT_TRUE(mask);
  const COLORREF background = RGB(7, 8, 9);

  for (int scale : {1, 2}) {
    Target t(4 * scale, 2 * scale, background);
    t.bitmap.Canvas().MaskedCopy(RECT{0, 0, 4 * scale, 2 * scale}, source.Canvas(), RECT{0, 0, 4, 2}, mask.get());
    for (int y = 0; y < 2 * scale; ++y)
      for (int x = 0; x < 4 * scale; ++x) {
        const int sx = x / scale, sy = y / scale;
        ASSERT_EQ(t.At(x, y), transparent[sy][sx] ? background : colors[sx]) << "scale " << scale << ", " << x << ", " << y;
      }
  }
}

} // namespace
} // namespace win
