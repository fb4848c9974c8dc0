#include "win/icon.hpp"

#include "base/stream.hpp"
#include "win/bitmap.hpp"
#include "tests/win/file_bytes.hpp"
#include "tests/win/mask_text.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace win {
namespace {

using win::testing::MaskText;
using win::testing::Put;
using win::testing::With;

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0);

// The picture of every icon here: transparent in the left 10 columns and the bottom 4 rows, red
// above the middle and blue below.
bool Transparent(int size, int x, int y) { return x < size * 10 / 32 || y >= size * 28 / 32; }
COLORREF Color(int size, int x, int y) {
  return Transparent(size, x, y) ? RGB(0, 0, 0) : y < size / 2 ? kRed : kBlue;
}

// One image as an .ico file holds it: the info header of twice the height, at 8 bits a table of
// black, red and blue, then the colour rows and the mask rows, both bottom-up.
std::string IconImage(int size, int bits) {
  const std::vector<COLORREF> table = {RGB(0, 0, 0), kRed, kBlue};
  std::string image;
  Put(image, 40, 4);
  Put(image, static_cast<std::uint32_t>(size), 4);
  Put(image, static_cast<std::uint32_t>(2 * size), 4);
  Put(image, 1, 2);
  Put(image, static_cast<std::uint32_t>(bits), 2);
  Put(image, 0, 4 * 6);
  if (bits == 8)
    for (int i = 0; i < 256; ++i) {
      const COLORREF c = i < 3 ? table[static_cast<std::size_t>(i)] : 0;
      Put(image, GetBValue(c) | GetGValue(c) << 8 | GetRValue(c) << 16, 4);
    }
  const int colorStride = (size * bits / 8 + 3) & ~3, maskStride = ((size + 31) / 32) * 4;
  for (int y = size - 1; y >= 0; --y) {
    std::string row;
    for (int x = 0; x < size; ++x) {
      const COLORREF c = Color(size, x, y);
      if (bits == 8)
        row += static_cast<char>(std::find(table.begin(), table.end(), c) - table.begin());
      else
        row += {static_cast<char>(GetBValue(c)), static_cast<char>(GetGValue(c)), static_cast<char>(GetRValue(c))};
    }
    row.resize(static_cast<std::size_t>(colorStride), '\0');
    image += row;
  }
  for (int y = size - 1; y >= 0; --y) {
    std::string row(static_cast<std::size_t>(maskStride), '\0');
    for (int x = 0; x < size; ++x)
      if (Transparent(size, x, y)) row[static_cast<std::size_t>(x / 8)] |= static_cast<char>(0x80 >> (x % 8));
    image += row;
  }
  return image;
}

// The directory, then the images in the order given.
std::string IcoFile(const std::vector<int>& sizes, int bits = 24) {
  std::string directory, images;
  Put(directory, 0, 2);
  Put(directory, 1, 2);
  Put(directory, static_cast<std::uint32_t>(sizes.size()), 2);
  std::size_t offset = 6 + 16 * sizes.size();
  for (int size : sizes) {
    const std::string image = IconImage(size, bits);
    Put(directory, static_cast<std::uint32_t>(size & 0xFF), 1);
    Put(directory, static_cast<std::uint32_t>(size & 0xFF), 1);
    Put(directory, 0, 2);
    Put(directory, 1, 2);
    Put(directory, static_cast<std::uint32_t>(bits), 2);
    Put(directory, static_cast<std::uint32_t>(image.size()), 4);
    Put(directory, static_cast<std::uint32_t>(offset), 4);
    offset += image.size();
    images += image;
  }
  return directory + images;
}

void Load(TIcon& icon, const std::string& file) {
  qt::MemoryStream stream(file);
  icon.LoadFromStream(stream);
}

// The expected mask as MaskText writes it.
std::string MaskOf(int size) {
  std::string text;
  for (int y = 0; y < size; ++y) {
    if (y > 0) text += '/';
    for (int x = 0; x < size; ++x)
      text += Transparent(size, x, y) ? '1' : '0';
  }
  return text;
}

TEST(IconTest, LoadsDrawsOverTheBackgroundAndSavesItsFile) {
  for (int bits : {24, 8}) {
    SCOPED_TRACE(bits);
    const std::string file = IcoFile({32}, bits);
    TIcon icon;
    int changes = 0;
    icon.OnChange = [&] { ++changes; };
    Load(icon, file);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(icon.ClassName(), "TIcon");
    ASSERT_EQ(icon.Width(), 32);
    ASSERT_EQ(icon.Height(), 32);
    ASSERT_NE(icon.Handle(), nullptr);

    // At its size and stretched to twice it: the colours where the mask is 0, the background
    // where it is 1.
    for (int scale : {1, 2}) {
      TBitmap target;
      target.SetPixelFormat(pf32bit);
      target.SetSize(32 * scale, 32 * scale);
      target.Canvas().Brush.Color = static_cast<TColor>(kGreen);
      target.Canvas().FillRect(RECT{0, 0, target.Width(), target.Height()});
      icon.Draw(target.Canvas().Handle(), RECT{0, 0, target.Width(), target.Height()});
      GdiFlush();
      for (int y = 0; y < 32 * scale; ++y)
        for (int x = 0; x < 32 * scale; ++x) {
          const int ix = x / scale, iy = y / scale;
          ASSERT_EQ(GetPixel(target.Canvas().Handle(), x, y), Transparent(32, ix, iy) ? kGreen : Color(32, ix, iy))
              << "scale " << scale << ", " << x << ", " << y;
        }
    }

    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon.Handle(), &info));
    const UniqueBitmap mask(info.hbmMask), color(info.hbmColor);
    EXPECT_EQ(MaskText(mask.get()), MaskOf(32));

    qt::MemoryStream saved;
    icon.SaveToStream(saved);
    EXPECT_EQ(saved.Bytes(), file);
  }
}

TEST(IconTest, TakesTheImageOfTheSystemsIconSize) {
  const int system = GetSystemMetrics(SM_CXICON);
  for (const std::vector<int>& sizes : {std::vector<int>{16, 32, 48}, std::vector<int>{48, 32, 16}}) {
    TIcon icon;
    Load(icon, IcoFile(sizes));
    EXPECT_EQ(icon.Width(), system);
    EXPECT_EQ(icon.Height(), system);
  }
  TIcon single;
  Load(single, IcoFile({48}));
  EXPECT_EQ(single.Width(), 48) << "the only image, at its own size";
}

TEST(IconTest, ADamagedFileThrowsAndLeavesTheIcon) {
  const std::string good = IcoFile({32});
  const std::size_t imageSize = good.size() - 22;
  const struct {
    const char* name;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"the directory cut short", good.substr(0, 5)},
      {"an entry cut short", good.substr(0, 20)},
      {"the image cut short", good.substr(0, good.size() - 1)},
      {"a cursor", With(good, 2, 2, 2)},
      {"no image", With(good, 4, 0, 2)},
      {"more images than entries", With(good, 4, 200, 2)},
      {"an entry past the end", With(good, 18, static_cast<std::uint32_t>(good.size()), 4)},
      {"an image larger than the file", With(good, 14, static_cast<std::uint32_t>(imageSize + 1), 4)},
      {"an image too small for its rows", With(good, 14, static_cast<std::uint32_t>(imageSize - 4), 4)},
      {"no info header", With(good, 22, 7, 4)},
      {"a colour table at 24 bits that is not there", With(good, 22 + 32, 256, 4)},
  };
  TIcon icon;
  Load(icon, good);
  const HICON before = icon.Handle();
  int changes = 0;
  icon.OnChange = [&] { ++changes; };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      Load(icon, c.file);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "Icon image is not valid");
    }
    EXPECT_EQ(icon.Handle(), before);
    EXPECT_EQ(icon.Width(), 32);
  }
  // A stream standing past its end has nothing to give.
  qt::MemoryStream beyond(good);
  beyond.Seek(static_cast<std::int64_t>(good.size()) + 10, qt::SeekOrigin::begin);
  EXPECT_THROW(icon.LoadFromStream(beyond), EInvalidGraphic);
  EXPECT_EQ(icon.Handle(), before);
  EXPECT_EQ(changes, 0);
  qt::MemoryStream saved;
  icon.SaveToStream(saved);
  EXPECT_EQ(saved.Bytes(), good);
}

TEST(IconTest, AnIconGivenByItsHandle) {
  TIcon loaded;
  Load(loaded, IcoFile({32}));
  TIcon icon;
  int changes = 0;
  icon.OnChange = [&] { ++changes; };
  icon.SetHandle(UniqueIcon(CopyIcon(loaded.Handle())));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(icon.Width(), 32);
  EXPECT_EQ(icon.Height(), 32);
  qt::MemoryStream saved;
  EXPECT_THROW(icon.SaveToStream(saved), EInvalidGraphic);
  icon.SetHandle(UniqueIcon());
  EXPECT_TRUE(icon.Empty());
  EXPECT_EQ(icon.Handle(), nullptr);
  icon.SaveToStream(saved);
  EXPECT_EQ(saved.Size(), 0u);
}

TEST(IconTest, ABitmapCannotTakeAnIcon) {
  TIcon icon;
  Load(icon, IcoFile({32}));
  TBitmap bitmap;
  bitmap.SetSize(3, 2);
  try {
    bitmap.Assign(icon);
    ADD_FAILURE() << "assigned";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TIcon to a TBitmap");
  }
  EXPECT_EQ(bitmap.Width(), 3);
}

} // namespace
} // namespace win
