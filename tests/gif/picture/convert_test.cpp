// GIF frames made from other graphics: bitmaps of every format, colour reduction, JPEG pictures,
// other frames and GIF pictures, with the progress they report; on real GDI under Wine.
#include "gif/picture/picture.hpp"
#include "gif/picture/reduce.hpp"
#include "tests/gif/picture/fixtures.hpp"
#include "tests/gif/picture/reduce_fixtures.hpp"
#include "tests/win/jpeg_writer.hpp"
#include "win/icon.hpp"
#include "win/jpeg.hpp"
#include "win/metafile.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <set>
#include <tuple>

namespace qt {
namespace {

using test::Photo;
using test::PSNR;
using test::Reduced;
using win::TBitmap;

constexpr int kW = test::kPhotoWidth, kH = test::kPhotoHeight;

// The frame's colour map and pixels.
Reduced Of(TGIFSubImage& frame) {
  Reduced r;
  for (int i = 0; i < frame.ColorMap().ColorCount(); ++i) {
    const RGBTriple& t = frame.ColorMap().ColorTriples()[i];
    r.palette.push_back({t.red, t.green, t.blue, 0});
  }
  r.indices.assign(frame.Data(), frame.Data() + frame.DataSize());
  return r;
}

COLORREF ColorAt(const Reduced& r, int i) {
  const PALETTEENTRY& e = r.palette.at(r.indices.at(static_cast<std::size_t>(i)));
  return RGB(e.peRed, e.peGreen, e.peBlue);
}

std::unique_ptr<TGIFPicture> SavedAndLoaded(const TGIFPicture& picture) {
  MemoryStream bytes;
  picture.SaveToStream(bytes);
  return Load(bytes.Bytes());
}

// A bitmap of 1, 4 or 8 bits per pixel with the palette and one index a pixel, rows from the top.
std::unique_ptr<TBitmap> Indexed(win::TPixelFormat format, const std::vector<COLORREF>& colors, int width, int height,
                                 const std::vector<std::uint8_t>& indices) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(format);
  b->SetSize(width, height);
  std::vector<PALETTEENTRY> entries;
  for (COLORREF c : colors)
    entries.push_back({GetRValue(c), GetGValue(c), GetBValue(c), 0});
  b->SetPalette(win::MakePalette(entries).get());
  const int bits = win::BitsPerPixel(format), perByte = 8 / bits;
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<std::uint8_t*>(b->ScanLine(y));
    std::memset(row, 0, static_cast<std::size_t>((width * bits + 7) / 8));
    for (int x = 0; x < width; ++x)
      row[x / perByte] |= static_cast<std::uint8_t>(indices[static_cast<std::size_t>(y * width + x)]
                                                    << (bits * (perByte - 1 - x % perByte)));
  }
  return b;
}

// Cube colours, drawn with GDI onto a bitmap of the format, one a pixel.
std::unique_ptr<TBitmap> Drawn(win::TPixelFormat format, const std::vector<COLORREF>& pixels, int width) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(format);
  const int height = static_cast<int>(pixels.size()) / width;
  b->SetSize(width, height);
  for (int i = 0; i < static_cast<int>(pixels.size()); ++i)
    SetPixelV(b->Canvas().Handle(), i % width, i / width, pixels[static_cast<std::size_t>(i)]);
  GdiFlush();
  return b;
}

int CubeIndex(COLORREF c) { return 36 * (GetRValue(c) / 51) + 6 * (GetGValue(c) / 51) + GetBValue(c) / 51; }

struct Report {
  TProgressStage stage;
  int percent;
  bool redraw;
  std::string message;
  bool operator==(const Report&) const = default;
};

void Record(TGIFPicture& picture, std::vector<Report>& into) {
  picture.OnProgress = [&into](const void*, TProgressStage stage, int percent, bool redraw, const std::string& m) {
    into.push_back({stage, percent, redraw, m});
  };
}

struct MethodCase {
  std::uint8_t method;
  int bits;
  std::size_t colors; // what the indices may reach; 0: the halftone palette's size
  double minPSNR;
};

TEST(GIFFrameConversion, EachReductionMethodMakesAFrameOfItsPalette) {
  const std::size_t halftone = win::PaletteEntries(MakeHalftonePalette().get()).size();
  // Floors a little below what each palette reaches on the picture.
  const MethodCase cases[] = {
      {ReduceSystem20, 8, 20, 12.5},   {ReduceHalftone, 8, 0, 21.5},        {ReduceGray4, 8, 4, 10.5},
      {ReduceBlackWhite, 8, 2, 5.5},   {ReduceGray256, 8, 256, 10.5},       {ReduceCube216, 8, 216, 18},
      {ReduceOctree, 8, 256, 29},      {ReduceOctree, 4, 16, 19},           {ReduceOctree, 12, 256, 29},
      {ReduceOctreeSystem, 8, 256, 28.5},
  };
  for (const MethodCase& c : cases) {
    SCOPED_TRACE(::testing::Message() << "method " << int(c.method) << ", bits " << c.bits);
    TGIFPicture picture;
    picture.ReductionMethod = c.method;
    picture.ReductionBitCount = c.bits;
    const std::unique_ptr<TBitmap> source = test::Bitmap24(Photo(), kW, kH);
    picture.Assign(source.get());
    ASSERT_EQ(picture.FrameCount(), 1);
    EXPECT_EQ(picture.Width(), kW);
    EXPECT_EQ(picture.Height(), kH);
    TGIFSubImage& frame = picture.Image().Images().Items(0);
    EXPECT_EQ(frame.Width(), kW);
    const Reduced r = Of(frame);
    EXPECT_EQ(r.palette.size(), 256u) << "the reduced bitmap's colour table";
    EXPECT_GE(PSNR(r, Photo(), c.colors ? c.colors : halftone), c.minPSNR);
    // The reduced bitmap stays as the frame's rendering, with the same pixels.
    TBitmap* rendered = picture.Frame(0).RenderedBitmap();
    ASSERT_NE(rendered, nullptr);
    EXPECT_EQ(test::Read(*rendered).indices, r.indices);
    EXPECT_EQ(source->PixelFormat(), win::pf24bit);
  }
}

TEST(GIFFrameConversion, EachDitherKindThroughTheCube) {
  std::vector<std::vector<std::uint8_t>> results;
  for (std::uint8_t kind = DitherNearest; kind <= DitherBurkes; ++kind) {
    SCOPED_TRACE(::testing::Message() << "dither " << int(kind));
    TGIFPicture picture;
    picture.DitherKind = kind;
    picture.Assign(test::Bitmap24(Photo(), kW, kH).get());
    ASSERT_EQ(picture.FrameCount(), 1);
    const Reduced r = Of(picture.Image().Images().Items(0));
    EXPECT_GE(PSNR(r, Photo(), 216), 18);
    results.push_back(r.indices);
  }
  for (std::size_t i = 0; i < results.size(); ++i)
    for (std::size_t j = i + 1; j < results.size(); ++j)
      EXPECT_FALSE(results[i] == results[j]) << "dither " << i << " and " << j;
}

TEST(GIFFrameConversion, IndexedBitmapsKeepTheirPaletteAndIndices) {
  const std::vector<COLORREF> colors{RGB(10, 20, 30), RGB(200, 100, 50), RGB(0, 255, 0), RGB(1, 2, 3),
                                     RGB(90, 80, 70)};
  struct Case {
    win::TPixelFormat format;
    std::size_t colors;
    int width, height;
  };
  // Widths that end rows inside a byte.
  for (const Case& c : {Case{win::pf1bit, 2, 11, 3}, Case{win::pf4bit, 5, 7, 4}, Case{win::pf8bit, 5, 5, 3}}) {
    SCOPED_TRACE(win::BitsPerPixel(c.format));
    std::vector<std::uint8_t> indices;
    for (int i = 0; i < c.width * c.height; ++i)
      indices.push_back(static_cast<std::uint8_t>((i * 7 + i / 3) % c.colors));
    const std::vector<COLORREF> palette(colors.begin(), colors.begin() + static_cast<long>(c.colors));
    const std::unique_ptr<TBitmap> source = Indexed(c.format, palette, c.width, c.height, indices);
    TGIFPicture picture;
    picture.ReductionMethod = ReduceBlackWhite; // not used for these
    picture.Assign(source.get());
    ASSERT_EQ(picture.FrameCount(), 1);
    Reduced r = Of(picture.Image().Images().Items(0));
    EXPECT_EQ(r.indices, indices);
    ASSERT_EQ(r.palette.size(), c.colors);
    for (std::size_t i = 0; i < c.colors; ++i)
      EXPECT_EQ(Hex(RGB(r.palette[i].peRed, r.palette[i].peGreen, r.palette[i].peBlue)), Hex(palette[i])) << i;
    EXPECT_EQ(source->PixelFormat(), c.format);
    // Saved and loaded, the frame is the same.
    const std::unique_ptr<TGIFPicture> back = SavedAndLoaded(picture);
    r = Of(back->Image().Images().Items(0));
    EXPECT_EQ(r.indices, indices);
    for (std::size_t i = 0; i < indices.size(); ++i)
      ASSERT_EQ(Hex(ColorAt(r, static_cast<int>(i))), Hex(palette[indices[i]])) << i;
  }
}

TEST(GIFFrameConversion, DeeperBitmapsGoOntoTheCube) {
  const std::vector<COLORREF> pixels{RGB(255, 0, 0),   RGB(0, 51, 102), RGB(255, 255, 255), RGB(0, 0, 0),
                                     RGB(153, 204, 51), RGB(0, 0, 255), RGB(102, 102, 102), RGB(51, 0, 255)};
  for (const win::TPixelFormat format : {win::pfDevice, win::pf24bit, win::pf32bit}) {
    SCOPED_TRACE(int(format));
    TGIFPicture picture;
    picture.Assign(Drawn(format, pixels, 4).get());
    ASSERT_EQ(picture.FrameCount(), 1);
    const Reduced r = Of(picture.Image().Images().Items(0));
    ASSERT_EQ(r.indices.size(), pixels.size());
    const std::array<RGBTriple, 216> cube = CubePaletteColors();
    for (std::size_t i = 0; i < 216; ++i)
      ASSERT_EQ(Hex(RGB(r.palette[i].peRed, r.palette[i].peGreen, r.palette[i].peBlue)),
                Hex(RGB(cube[i].red, cube[i].green, cube[i].blue)))
          << i;
    for (std::size_t i = 0; i < pixels.size(); ++i)
      EXPECT_EQ(r.indices[i], CubeIndex(pixels[i])) << i;
  }
}

TEST(GIFFrameConversion, WithoutReductionEachColourIsAddedInTheOrderMet) {
  // Two colours alternating, the second one first; then a picture of more than 256 colours.
  const COLORREF a = RGB(10, 20, 30), b = RGB(200, 100, 50);
  std::vector<COLORREF> pixels;
  for (int i = 0; i < 15; ++i)
    pixels.push_back((i + i / 5) % 2 ? a : b);
  TGIFPicture picture;
  picture.ReductionMethod = ReduceNone;
  picture.Assign(Drawn(win::pf24bit, pixels, 5).get());
  ASSERT_EQ(picture.FrameCount(), 1);
  Reduced r = Of(picture.Image().Images().Items(0));
  ASSERT_EQ(r.palette.size(), 2u);
  EXPECT_EQ(Hex(RGB(r.palette[0].peRed, r.palette[0].peGreen, r.palette[0].peBlue)), Hex(b));
  EXPECT_EQ(Hex(RGB(r.palette[1].peRed, r.palette[1].peGreen, r.palette[1].peBlue)), Hex(a));
  for (std::size_t i = 0; i < pixels.size(); ++i)
    EXPECT_EQ(ColorAt(r, static_cast<int>(i)), pixels[i]) << i;
  // The frame keeps the 24-bit copy as its rendering and draws as the source.
  ASSERT_NE(picture.Frame(0).RenderedBitmap(), nullptr);
  EXPECT_EQ(picture.Frame(0).RenderedBitmap()->PixelFormat(), win::pf24bit);
  Surface s(5, 3);
  picture.Draw(s.bitmap.Canvas(), RECT{0, 0, 5, 3});
  EXPECT_EQ(Hex(s.At(1, 0)), Hex(a));
  EXPECT_EQ(Hex(s.At(0, 1)), Hex(b));
  r = Of(SavedAndLoaded(picture)->Image().Images().Items(0));
  for (std::size_t i = 0; i < pixels.size(); ++i)
    EXPECT_EQ(ColorAt(r, static_cast<int>(i)), pixels[i]) << i;

  // 256 colours fit, the 257th does not.
  std::vector<COLORREF> many;
  for (int i = 0; i < 257; ++i)
    many.push_back(RGB(i % 256, i / 256, 7));
  std::unique_ptr<TBitmap> fits = Drawn(win::pf24bit, std::vector<COLORREF>(many.begin(), many.end() - 1), 16);
  picture.Assign(fits.get());
  EXPECT_EQ(picture.Image().Images().Items(0).ColorMap().ColorCount(), 256);
  EXPECT_EQ(What([&] { picture.Assign(Drawn(win::pf24bit, many, 257).get()); }), "Color table overflow");
}

TEST(GIFFrameConversion, ProgressIsReportedAsConvertingAlsoWhenTheColoursOverflow) {
  using S = TProgressStage;
  const char* m = "Converting...";
  TGIFPicture picture;
  std::vector<Report> reports;
  Record(picture, reports);
  picture.Assign(test::Bitmap24(Photo(), kW, kH).get());
  EXPECT_EQ(reports, (std::vector<Report>{{S::psStarting, 0, false, m},
                                          {S::psRunning, 0, false, m},
                                          {S::psRunning, 50, false, m},
                                          {S::psEnding, 100, false, m}}));
  ASSERT_EQ(picture.FrameCount(), 1);

  // The photo has thousands of colours: an added frame fails and leaves the picture as it was.
  auto small = test::Bitmap24(std::vector<std::uint8_t>(3 * 2 * 2, 9), 2, 2);
  TGIFPicture other;
  other.AddFrame(*small);
  reports.clear();
  Record(other, reports);
  other.ReductionMethod = ReduceNone;
  EXPECT_EQ(What([&] { other.AddFrame(*test::Bitmap24(Photo(), kW, kH)); }), "Color table overflow");
  EXPECT_EQ(reports, (std::vector<Report>{{S::psStarting, 0, false, m},
                                          {S::psRunning, 0, false, m},
                                          {S::psEnding, 0, false, m}}));
  EXPECT_EQ(other.FrameCount(), 1);
  EXPECT_EQ(other.Width(), 2);
  EXPECT_EQ(other.Height(), 2);
  // Assigned, the picture is empty, with no screen left from the frame that failed.
  picture.ReductionMethod = ReduceNone;
  EXPECT_THROW(picture.Assign(test::Bitmap24(Photo(), kW, kH).get()), GIFException);
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(picture.Width(), 0);
  EXPECT_EQ(picture.Height(), 0);

  // A method or dither kind the reduction does not know fails before anything is reported.
  reports.clear();
  other.ReductionMethod = 10;
  EXPECT_EQ(What([&] { other.AddFrame(*test::Bitmap24(Photo(), kW, kH)); }), "Invalid reduction method");
  other.ReductionMethod = ReduceCube216;
  other.DitherKind = 7;
  EXPECT_EQ(What([&] { other.AddFrame(*test::Bitmap24(Photo(), kW, kH)); }), "Invalid dither kind");
  // A given palette, which a frame's conversion never has, reduces to nothing.
  other.DitherKind = DitherNearest;
  other.ReductionMethod = ReduceGivenPalette;
  EXPECT_EQ(What([&] { other.AddFrame(*test::Bitmap24(Photo(), kW, kH)); }), "Color table is empty");
  // Wider than a GIF frame can be.
  TBitmap wide;
  wide.SetPixelFormat(win::pf8bit);
  wide.SetSize(65536, 1);
  EXPECT_EQ(What([&] { other.AddFrame(wide); }), "Invalid image dimensions");
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(other.FrameCount(), 1);
  EXPECT_EQ(other.Width(), 2);
}

TEST(GIFFrameConversion, AddFrameAppendsConvertedFramesAndGrowsTheScreen) {
  TGIFPicture picture;
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  const std::unique_ptr<TBitmap> first = Indexed(win::pf8bit, {RGB(255, 0, 0), RGB(0, 0, 255)}, 4, 3,
                                                 std::vector<std::uint8_t>{0, 1, 1, 0, 1, 0, 0, 1, 0, 0, 1, 1});
  const std::unique_ptr<TBitmap> second = Drawn(win::pf24bit, std::vector<COLORREF>(12, RGB(0, 255, 0)), 6);
  const std::unique_ptr<TBitmap> third = Indexed(win::pf1bit, {RGB(0, 0, 0), RGB(255, 255, 255)}, 2, 5,
                                                 std::vector<std::uint8_t>{1, 0, 0, 1, 1, 1, 0, 0, 1, 0});
  EXPECT_EQ(picture.AddFrame(*first), 0);
  EXPECT_EQ(picture.AddFrame(*second), 1);
  EXPECT_EQ(picture.AddFrame(*third), 2);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(picture.Width(), 6);
  EXPECT_EQ(picture.Height(), 5);
  const std::unique_ptr<TGIFPicture> back = SavedAndLoaded(picture);
  ASSERT_EQ(back->FrameCount(), 3);
  const int sizes[3][2] = {{4, 3}, {6, 2}, {2, 5}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(back->Image().Images().Items(i).Width(), sizes[i][0]);
    EXPECT_EQ(back->Image().Images().Items(i).Height(), sizes[i][1]);
  }
  Reduced r = Of(back->Image().Images().Items(1));
  EXPECT_EQ(Hex(ColorAt(r, 7)), Hex(RGB(0, 255, 0)));
  r = Of(back->Image().Images().Items(2));
  EXPECT_EQ(r.indices, (std::vector<std::uint8_t>{1, 0, 0, 1, 1, 1, 0, 0, 1, 0}));

  // A GIF picture is one frame like any other graphic: its still rendering.
  TGIFPicture single;
  EXPECT_EQ(single.AddFrame(picture), 0);
  EXPECT_EQ(single.FrameCount(), 1);
  EXPECT_EQ(single.Width(), 6);
  EXPECT_EQ(single.Height(), 5);
  r = Of(single.Image().Images().Items(0));
  EXPECT_EQ(Hex(ColorAt(r, 1)), Hex(RGB(0, 0, 255)));
  EXPECT_EQ(Hex(ColorAt(r, 0)), Hex(RGB(255, 0, 0)));
  // Adding a picture to itself renders what it held before.
  EXPECT_EQ(picture.AddFrame(picture), 3);
  EXPECT_EQ(picture.Image().Images().Items(3).Width(), 6);
  // An empty graphic is an empty frame.
  EXPECT_EQ(single.AddFrame(TBitmap()), 1);
  EXPECT_TRUE(single.Image().Images().Items(1).IsEmptyFrame());
}

// The transparent index of a converted frame: black, the last colour, at every pixel of the mask;
// the other pixels keep their colours. Also once saved and loaded.
void ExpectTransparentWhere(TGIFPicture& picture, const std::vector<bool>& masked,
                            const std::vector<COLORREF>& opaque) {
  for (const bool reloaded : {false, true}) {
    SCOPED_TRACE(reloaded ? "saved and loaded" : "converted");
    std::unique_ptr<TGIFPicture> back = reloaded ? SavedAndLoaded(picture) : nullptr;
    TGIFSubImage& frame = (reloaded ? *back : picture).Image().Images().Items(0);
    ASSERT_TRUE(frame.Transparent());
    ASSERT_NE(frame.GraphicControlExtension(), nullptr);
    const int t = frame.GraphicControlExtension()->TransparentColorIndex();
    const Reduced r = Of(frame);
    if (!reloaded) {
      EXPECT_EQ(t, frame.ColorMap().ColorCount() - 1);
      EXPECT_EQ(Hex(frame.ColorMap().Colors(t)), Hex(RGB(0, 0, 0)));
      int controls = 0;
      for (int i = 0; i < frame.Extensions().Count(); ++i)
        controls += dynamic_cast<TGIFGraphicControlExtension*>(&frame.Extensions().Items(i)) != nullptr;
      EXPECT_EQ(controls, 1);
    }
    ASSERT_EQ(r.indices.size(), masked.size());
    for (std::size_t i = 0; i < masked.size(); ++i) {
      if (masked[i])
        EXPECT_EQ(r.indices[i], t) << i;
      else
        EXPECT_EQ(Hex(ColorAt(r, static_cast<int>(i))), Hex(opaque[i])) << i;
    }
  }
}

TEST(GIFFrameConversion, ATransparentBitmapMasksItsTransparentColour) {
  const COLORREF g = RGB(0, 255, 0), red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
  // The bottom-left pixel gives the transparent colour.
  const std::vector<COLORREF> pixels{red, g, blue, red, g, g, red, blue, g, red, red, blue};
  for (const win::TPixelFormat format : {win::pf24bit, win::pf8bit}) {
    SCOPED_TRACE(int(format));
    std::unique_ptr<TBitmap> source = Drawn(win::pf24bit, pixels, 4);
    if (format == win::pf8bit) {
      auto indexed = Indexed(win::pf8bit, {red, g, blue}, 4, 3, {0, 1, 2, 0, 1, 1, 0, 2, 1, 0, 0, 2});
      source = std::move(indexed);
    }
    source->SetTransparent(true);
    TGIFPicture picture;
    picture.Assign(source.get());
    std::vector<bool> masked;
    for (COLORREF c : pixels)
      masked.push_back(c == g);
    ExpectTransparentWhere(picture, masked, pixels);
    // Drawn with its transparency, the background shows there.
    Surface s(4, 3);
    picture.Draw(s.bitmap.Canvas(), RECT{0, 0, 4, 3});
    EXPECT_EQ(Hex(s.At(1, 0)), Hex(kBackground));
    EXPECT_EQ(Hex(s.At(0, 0)), Hex(red));
  }
}

// An icon of 16 x 16: red left, blue right, its mask set in the rows given.
std::unique_ptr<win::TIcon> Icon(int maskedRows) {
  std::vector<std::uint32_t> colors(16 * 16);
  std::vector<std::uint8_t> mask(2 * 16, 0); // 16-bit rows
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const bool masked = y < maskedRows && x >= 4 && x < 12;
      colors[static_cast<std::size_t>(y * 16 + x)] = masked ? 0 : x < 8 ? 0xFF0000 : 0x0000FF;
      if (masked) mask[static_cast<std::size_t>(2 * y + x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  win::UniqueBitmap color(CreateBitmap(16, 16, 1, 32, colors.data()));
  win::UniqueBitmap maskBitmap(CreateBitmap(16, 16, 1, 1, mask.data()));
  ICONINFO info{TRUE, 0, 0, maskBitmap.get(), color.get()};
  auto icon = std::make_unique<win::TIcon>();
  icon->SetHandle(win::UniqueIcon(CreateIconIndirect(&info)));
  return icon;
}

TEST(GIFFrameConversion, AnIconBringsItsMaskAsOneMoreColour) {
  const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255);
  std::vector<bool> masked;
  std::vector<COLORREF> opaque;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      masked.push_back(y < 5 && x >= 4 && x < 12);
      opaque.push_back(x < 8 ? red : blue);
    }
  TGIFPicture picture;
  picture.Assign(Icon(5).get());
  ASSERT_EQ(picture.FrameCount(), 1);
  EXPECT_EQ(picture.Width(), 16);
  // The used colours (red, blue and the black drawn under the mask), then black once more.
  EXPECT_EQ(picture.Image().Images().Items(0).ColorMap().ColorCount(), 4);
  ExpectTransparentWhere(picture, masked, opaque);

  // Without transparent pixels no colour is added, and no control extension.
  picture.Assign(Icon(0).get());
  TGIFSubImage& frame = picture.Image().Images().Items(0);
  EXPECT_FALSE(frame.Transparent());
  EXPECT_EQ(frame.Extensions().Count(), 0);
  EXPECT_EQ(frame.ColorMap().ColorCount(), 2);
  const Reduced r = Of(frame);
  for (std::size_t i = 0; i < opaque.size(); ++i)
    ASSERT_EQ(Hex(ColorAt(r, static_cast<int>(i))), Hex(opaque[i])) << i;
}

TEST(GIFFrameConversion, AMetafileIsTransparentWhereItsBackgroundShows) {
  // 20 x 10 screen pixels, blue in (5, 2) to (15, 8).
  win::WindowDC screen(nullptr);
  const int dpiX = GetDeviceCaps(screen.get(), LOGPIXELSX), dpiY = GetDeviceCaps(screen.get(), LOGPIXELSY);
  const RECT area{0, 0, MulDiv(20, 2540, dpiX), MulDiv(10, 2540, dpiY)};
  HDC dc = CreateEnhMetaFileW(screen.get(), nullptr, &area, nullptr);
  ASSERT_NE(dc, nullptr);
  const win::UniqueBrush blue(CreateSolidBrush(RGB(0, 0, 255)));
  const RECT filled{5, 2, 15, 8};
  FillRect(dc, &filled, blue.get());
  win::TMetafile metafile;
  metafile.SetHandle(win::UniqueEnhMetaFile(CloseEnhMetaFile(dc)));
  ASSERT_EQ(metafile.Width(), 20);
  ASSERT_EQ(metafile.Height(), 10);
  TGIFPicture picture;
  picture.Assign(&metafile);
  ASSERT_EQ(picture.FrameCount(), 1);
  std::vector<bool> masked;
  std::vector<COLORREF> opaque(200, RGB(0, 0, 255));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x)
      masked.push_back(!(x >= 5 && x < 15 && y >= 2 && y < 8));
  ExpectTransparentWhere(picture, masked, opaque);
}

// A graphic of 3 x 2 that cannot give itself to a bitmap and draws green, or fails to draw with
// the error given.
class TSketch : public win::TGraphic {
public:
  std::function<void()> failDraw;
  std::string ClassName() const override { return "TSketch"; }
  void LoadFromStream(Stream&) override {}
  void SaveToStream(Stream&) const override {}
  int Width() const override { return 3; }
  int Height() const override { return 2; }
  void Draw(HDC dc, const RECT& r) const override {
    if (failDraw) failDraw();
    const win::UniqueBrush green(CreateSolidBrush(RGB(0, 255, 0)));
    FillRect(dc, &r, green.get());
  }
};

TEST(GIFFrameConversion, AGraphicThatCannotBeCopiedIsDrawnAndOneThatCannotBeDrawnEither) {
  TSketch sketch;
  TGIFPicture picture;
  picture.Assign(&sketch);
  ASSERT_EQ(picture.FrameCount(), 1);
  const Reduced r = Of(picture.Image().Images().Items(0));
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(Hex(ColorAt(r, i)), Hex(RGB(0, 255, 0))) << i;

  // A conversion error: the picture's own, naming the class; anything else passes as it is.
  sketch.failDraw = [] { throw win::EConvertError("no drawing"); };
  EXPECT_EQ(What([&] { picture.Assign(&sketch); }), "Cannot assign a TSketch to a TGIFImage");
  EXPECT_THROW(picture.Assign(&sketch), win::EConvertError);
  EXPECT_TRUE(picture.Empty());
  EXPECT_EQ(picture.Width(), 0);
  sketch.failDraw = [] { throw GIFException("broken"); };
  picture.AddFrame(TBitmap());
  EXPECT_EQ(What([&] { picture.AddFrame(sketch); }), "broken");
  EXPECT_EQ(picture.FrameCount(), 1);
  EXPECT_EQ(What([&] { picture.Assign(&sketch); }), "broken");
  EXPECT_TRUE(picture.Empty());
}

TEST(GIFFrameConversion, AJPEGPictureBecomesAFrameOnTheCube) {
  const std::string jpeg = qt::testing::EncodeJpeg(16, 8, false, [](int x, int) { return x < 8 ? RGB(255, 0, 0) : RGB(0, 0, 255); });
  win::TPicture picture;
  MemoryStream bytes(jpeg);
  picture.LoadFromStream(bytes, "jpg");
  ASSERT_NE(dynamic_cast<win::TJPEGImage*>(picture.Graphic()), nullptr);
  TGIFPicture gif;
  gif.Assign(picture);
  ASSERT_EQ(gif.FrameCount(), 1);
  EXPECT_EQ(gif.Width(), 16);
  EXPECT_EQ(gif.Height(), 8);
  const Reduced r = Of(gif.Image().Images().Items(0));
  EXPECT_EQ(Hex(ColorAt(r, 4 * 16 + 3)), Hex(RGB(255, 0, 0)));
  EXPECT_EQ(Hex(ColorAt(r, 4 * 16 + 12)), Hex(RGB(0, 0, 255)));
  // A container without a graphic empties the picture.
  gif.Assign(win::TPicture());
  EXPECT_TRUE(gif.Empty());
}

TEST(GIFFrameConversion, AFrameCopiesAnotherWithItsOwnExtensionsAndRendering) {
  auto source = Load(MakeGif(4, 3, {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)},
                             {{1, 1, 2, 2, {RGB(1, 1, 1), RGB(255, 255, 0)}, std::string("\0\1\1\0", 4), 1, 2, 30}}));
  TGIFFrameRender& from = source->Frame(0);
  ASSERT_NE(from.RenderedBitmap(), nullptr);
  TGIFPicture target;
  target.AddFrame(TBitmap());
  TGIFFrameRender& to = target.Frame(0);
  to.Assign(from);
  TGIFSubImage& copy = to.Frame();
  EXPECT_EQ(copy.Left(), 1);
  EXPECT_EQ(copy.Width(), 2);
  EXPECT_EQ(target.Width(), 0) << "a copied frame does not grow the screen";
  ASSERT_EQ(copy.Extensions().Count(), 1);
  EXPECT_NE(&copy.Extensions().Items(0), &from.Frame().Extensions().Items(0));
  ASSERT_EQ(copy.GraphicControlExtension(), &copy.Extensions().Items(0));
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.GraphicControlExtension()->TransparentColorIndex(), 1);
  EXPECT_EQ(copy.GraphicControlExtension()->DelayTime(), 30);
  // A rendering of its own with the same pixels.
  TBitmap* rendered = to.RenderedBitmap();
  ASSERT_NE(rendered, nullptr);
  EXPECT_NE(rendered, from.RenderedBitmap());
  EXPECT_EQ(test::Read(*rendered).indices, test::Read(*from.RenderedBitmap()).indices);

  to.Assign(to);
  EXPECT_EQ(copy.Extensions().Count(), 1);
  // From its own rendering, which the conversion replaces: the same colours where it is opaque.
  to.Assign(static_cast<const win::TGraphic*>(to.RenderedBitmap()));
  EXPECT_EQ(copy.Width(), 2);
  EXPECT_EQ(copy.Height(), 2);
  ASSERT_NE(to.RenderedBitmap(), nullptr);
  const Reduced again = Of(copy);
  EXPECT_EQ(Hex(ColorAt(again, 0)), Hex(RGB(1, 1, 1)));
  EXPECT_EQ(Hex(ColorAt(again, 3)), Hex(RGB(1, 1, 1)));
  to.Assign(static_cast<const win::TGraphic*>(nullptr));
  EXPECT_TRUE(copy.IsEmptyFrame());
  EXPECT_EQ(copy.Extensions().Count(), 0);
  EXPECT_EQ(to.RenderedBitmap(), nullptr);
}

} // namespace
} // namespace qt
