#include "gif/picture/reduce.hpp"

#include "gif/codec/error.hpp"
#include "tests/gif/picture/reduce_fixtures.hpp"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace qt {
namespace {

using win::TBitmap;

using test::Bitmap24;
using test::Photo;
using test::PSNR;
using test::Read;
using test::Reduced;

constexpr int kWidth = test::kPhotoWidth, kHeight = test::kPhotoHeight;

struct MethodCase {
  std::uint8_t method;
  int bits;
  std::size_t paletteSize; // 0: as many as the halftone palette has
  double minPSNR;
};

TEST(QuantizeBitmapTest, EachReductionMethod) {
  const std::vector<std::uint8_t>& photo = Photo();
  const std::size_t halftone = win::PaletteEntries(MakeHalftonePalette().get()).size();
  ASSERT_GE(halftone, 20u);
  const win::UniquePalette given = win::MakePalette(std::vector<PALETTEENTRY>{{0, 0, 0, 0}, {128, 128, 128, 0}, {255, 255, 255, 0}});
  // Floors a little below what each palette reaches on the picture.
  const MethodCase cases[] = {
      {ReduceSystem20, 8, 20, 12.5},   {ReduceHalftone, 8, 0, 21.5},        {ReduceGray4, 8, 4, 10.5},
      {ReduceBlackWhite, 8, 2, 5.5},   {ReduceGray256, 8, 256, 10.5},      {ReduceCube216, 8, 216, 18},
      {ReduceOctree, 8, 256, 29},      {ReduceOctree, 4, 16, 19},          {ReduceOctree, 12, 256, 29},
      {ReduceOctree, 0, 1, 10},        {ReduceOctreeSystem, 8, 256, 28.5}, {ReduceGivenPalette, 8, 3, 10},
  };
  for (const MethodCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "method " << int(c.method) << ", bits " << c.bits);
    const std::unique_ptr<TBitmap> source = Bitmap24(photo, kWidth, kHeight);
    const std::unique_ptr<TBitmap> result = QuantizeBitmap(*source, c.method, DitherNearest, c.bits, given.get());
    ASSERT_EQ(result->Width(), kWidth);
    ASSERT_EQ(result->Height(), kHeight);
    EXPECT_EQ(source->PixelFormat(), win::pf24bit);
    const Reduced r = Read(*result);
    const std::size_t size = c.paletteSize ? c.paletteSize : halftone;
    // The colour table holds 256 entries; those past the palette's are black.
    ASSERT_EQ(r.palette.size(), 256u);
    const double psnr = PSNR(r, photo, size);
    EXPECT_GE(psnr, c.minPSNR);
  }
}

TEST(QuantizeBitmapTest, BlackAndWhiteByTheLumaThreshold) {
  const std::vector<std::uint8_t>& photo = Photo();
  const std::unique_ptr<TBitmap> source = Bitmap24(photo, kWidth, kHeight);
  const Reduced r = Read(*QuantizeBitmap(*source, ReduceBlackWhite, DitherNearest, 8, nullptr));
  ASSERT_EQ(r.indices.size(), photo.size() / 3);
  std::size_t white = 0;
  for (std::size_t i = 0; i < r.indices.size(); ++i) {
    const int luma = 77 * photo[3 * i + 2] + 150 * photo[3 * i + 1] + 29 * photo[3 * i];
    ASSERT_EQ(r.indices[i], luma > 32512 ? 1 : 0) << i;
    white += r.indices[i];
  }
  EXPECT_GT(white, 0u);
  EXPECT_LT(white, r.indices.size());
  EXPECT_EQ(RGB(r.palette[1].peRed, r.palette[1].peGreen, r.palette[1].peBlue), RGB(255, 255, 255));
}

TEST(QuantizeBitmapTest, EachDitherKind) {
  const std::vector<std::uint8_t>& photo = Photo();
  for (const std::uint8_t method : {ReduceCube216, ReduceOctree}) {
    std::vector<std::vector<std::uint8_t>> results;
    for (std::uint8_t kind = DitherNearest; kind <= DitherBurkes; ++kind) {
      SCOPED_TRACE(testing::Message() << "method " << int(method) << ", dither " << int(kind));
      const std::unique_ptr<TBitmap> source = Bitmap24(photo, kWidth, kHeight);
      const std::unique_ptr<TBitmap> result = QuantizeBitmap(*source, method, kind, 8, nullptr);
      ASSERT_EQ(result->Width(), kWidth);
      const Reduced r = Read(*result);
      const std::size_t size = method == ReduceCube216 ? 216 : 256;
      EXPECT_GE(PSNR(r, photo, size), method == ReduceCube216 ? 18 : 27);
      results.push_back(r.indices);
    }
    // Every kind spreads its error in its own way.
    for (std::size_t i = 0; i < results.size(); ++i)
      for (std::size_t j = i + 1; j < results.size(); ++j)
        EXPECT_FALSE(results[i] == results[j]) << "dither " << i << " and " << j;
  }
}

TEST(QuantizeBitmapTest, OctreeSystemKeepsTheStaticColorsAtBothEnds) {
  const std::unique_ptr<TBitmap> source = Bitmap24(Photo(), kWidth, kHeight);
  const std::unique_ptr<TBitmap> result = QuantizeBitmap(*source, ReduceOctreeSystem, DitherFloydSteinberg, 8, nullptr);
  const std::vector<PALETTEENTRY> statics = win::PaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)));
  ASSERT_EQ(statics.size(), 20u);
  const Reduced r = Read(*result);
  ASSERT_EQ(r.palette.size(), 256u);
  auto same = [](const PALETTEENTRY& a, const PALETTEENTRY& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
  };
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_TRUE(same(r.palette[i], statics[i])) << i;
    EXPECT_TRUE(same(r.palette[246 + i], statics[10 + i])) << i;
  }
  // The picture's own colours between them: a smooth photo has no pure black or white.
  std::set<std::uint32_t> quantised;
  for (std::size_t i = 10; i < 246; ++i)
    quantised.insert(RGB(r.palette[i].peRed, r.palette[i].peGreen, r.palette[i].peBlue));
  EXPECT_GT(quantised.size(), 200u);
  // The stock palette is the platform's: still there after the reduction.
  EXPECT_EQ(GetObjectType(GetStockObject(DEFAULT_PALETTE)), static_cast<DWORD>(OBJ_PAL));
  const std::unique_ptr<TBitmap> system = QuantizeBitmap(*source, ReduceSystem20, DitherNearest, 8, nullptr);
  EXPECT_EQ(win::PaletteEntries(static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE))).size(), 20u);
}

TEST(QuantizeBitmapTest, OctreeOfFewColorsAndOfOne) {
  // Three colours: they come first in the tree's child order (blue bit, green bit, red bit of
  // bit 7), then black; with one colour wanted, the truncated mean.
  const std::vector<std::uint8_t> bgr{0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 254}; // red, green, blue, red
  const std::unique_ptr<TBitmap> source = Bitmap24(bgr, 2, 2);
  Reduced r = Read(*QuantizeBitmap(*source, ReduceOctree, DitherNearest, 8, nullptr));
  ASSERT_EQ(r.palette.size(), 256u);
  const COLORREF expect[] = {RGB(0, 0, 255), RGB(0, 255, 0), RGB(254, 0, 0), RGB(255, 0, 0)};
  EXPECT_EQ(RGB(r.palette[0].peRed, r.palette[0].peGreen, r.palette[0].peBlue), expect[0]);
  EXPECT_EQ(RGB(r.palette[1].peRed, r.palette[1].peGreen, r.palette[1].peBlue), expect[1]);
  EXPECT_EQ(RGB(r.palette[2].peRed, r.palette[2].peGreen, r.palette[2].peBlue), expect[2]);
  EXPECT_EQ(RGB(r.palette[3].peRed, r.palette[3].peGreen, r.palette[3].peBlue), expect[3]);
  EXPECT_EQ(r.indices, (std::vector<std::uint8_t>{3, 1, 0, 2}));
  for (std::size_t i = 4; i < 256; ++i)
    EXPECT_EQ(RGB(r.palette[i].peRed, r.palette[i].peGreen, r.palette[i].peBlue), 0u) << i;

  r = Read(*QuantizeBitmap(*source, ReduceOctree, DitherNearest, 0, nullptr));
  EXPECT_EQ(RGB(r.palette[0].peRed, r.palette[0].peGreen, r.palette[0].peBlue), RGB(127, 63, 63)); // 509/4, 255/4, 255/4
  EXPECT_EQ(r.indices, (std::vector<std::uint8_t>{0, 0, 0, 0}));
}

TEST(QuantizeBitmapTest, NoReductionIsATwentyFourBitCopyThatLeavesTheSource) {
  const std::unique_ptr<TBitmap> source = Bitmap24(Photo(), kWidth, kHeight);
  source->SetPixelFormat(win::pf8bit);
  const std::unique_ptr<TBitmap> result = QuantizeBitmap(*source, ReduceNone, DitherNearest, 8, nullptr);
  EXPECT_EQ(source->PixelFormat(), win::pf8bit);
  EXPECT_EQ(result->PixelFormat(), win::pf24bit);
  ASSERT_EQ(result->Width(), kWidth);
  ASSERT_EQ(result->Height(), kHeight);
  // The copy shows the source's (8-bit) colours.
  const std::vector<PALETTEENTRY> palette = win::PaletteEntries(source->Palette());
  for (int y = 0; y < kHeight; ++y) {
    const auto* indices = static_cast<const std::uint8_t*>(source->ScanLine(y));
    const auto* bgr = static_cast<const std::uint8_t*>(result->ScanLine(y));
    for (int x = 0; x < kWidth; ++x) {
      const PALETTEENTRY& e = palette[indices[x]];
      ASSERT_EQ(RGB(bgr[3 * x + 2], bgr[3 * x + 1], bgr[3 * x]), RGB(e.peRed, e.peGreen, e.peBlue)) << x << ", " << y;
    }
  }
  // Every other method leaves the source at 24 bits.
  QuantizeBitmap(*source, ReduceCube216, DitherNearest, 8, nullptr);
  EXPECT_EQ(source->PixelFormat(), win::pf24bit);
}

TEST(QuantizeBitmapTest, GivenPaletteNoneGivesAnEmptyBitmap) {
  const std::unique_ptr<TBitmap> source = Bitmap24(Photo(), kWidth, kHeight);
  const std::unique_ptr<TBitmap> result = QuantizeBitmap(*source, ReduceGivenPalette, DitherNearest, 8, nullptr);
  EXPECT_EQ(result->Width(), 0);
  EXPECT_EQ(result->Height(), 0);
}

TEST(QuantizeBitmapTest, UnknownMethodOrDitherKindRaisesAndLeavesTheSource) {
  struct Case {
    std::uint8_t method, dither;
    const char* message;
  };
  for (const Case& c : {Case{10, DitherNearest, "Invalid reduction method"}, Case{255, DitherNearest, "Invalid reduction method"},
                        Case{ReduceCube216, 7, "Invalid dither kind"}, Case{ReduceOctree, 255, "Invalid dither kind"}}) {
    const std::unique_ptr<TBitmap> source = Bitmap24(Photo(), kWidth, kHeight);
    source->SetPixelFormat(win::pf8bit);
    try {
      QuantizeBitmap(*source, c.method, c.dither, 8, nullptr);
      ADD_FAILURE() << int(c.method) << ", " << int(c.dither);
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_EQ(source->PixelFormat(), win::pf8bit);
  }
}

TEST(QuantizeBitmapTest, LargePicture) {
  // Past 500000 pixels; a flat colour of the cube comes out as one index.
  const int width = 1000, height = 600;
  std::vector<std::uint8_t> bgr(3 * static_cast<std::size_t>(width) * height);
  for (std::size_t i = 0; i < bgr.size(); i += 3) {
    bgr[i] = 51;
    bgr[i + 1] = 102;
    bgr[i + 2] = 255;
  }
  const std::unique_ptr<TBitmap> source = Bitmap24(bgr, width, height);
  const std::unique_ptr<TBitmap> result = QuantizeBitmap(*source, ReduceCube216, DitherFloydSteinberg, 8, nullptr);
  EXPECT_EQ(result->Width(), width);
  EXPECT_EQ(result->Height(), height);
  const Reduced r = Read(*result);
  EXPECT_EQ(std::set<std::uint8_t>(r.indices.begin(), r.indices.end()), std::set<std::uint8_t>{36 * 5 + 6 * 2 + 1});
}

TEST(FixedPalettesTest, PlatformPalettesHoldTheEntries) {
  const std::vector<PALETTEENTRY> gray = win::PaletteEntries(MakeGray256Palette().get());
  ASSERT_EQ(gray.size(), 256u);
  EXPECT_EQ(gray[77].peRed, 77);
  EXPECT_EQ(gray[77].peFlags, PC_NOCOLLAPSE);
  EXPECT_EQ(win::PaletteEntries(MakeBlackWhitePalette().get()).size(), 2u);
  const std::vector<PALETTEENTRY> gray4 = win::PaletteEntries(MakeGray4Palette().get());
  ASSERT_EQ(gray4.size(), 4u);
  EXPECT_EQ(gray4[2].peGreen, 192);
}

} // namespace
} // namespace qt
