#include "win/metafile.hpp"

#include "base/stream.hpp"
#include "win/bitmap.hpp"
#include "tests/win/file_bytes.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace win {
namespace {

using win::testing::Put;
using win::testing::With;

constexpr COLORREF kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255);

int ScreenDpi() {
  WindowDC screen(nullptr);
  return GetDeviceCaps(screen.get(), LOGPIXELSX);
}

// An enhanced metafile of 40 x 20 screen pixels, blue in the rectangle (10, 5) to (30, 15).
std::string RecordedEmf() {
  WindowDC screen(nullptr);
  const int dpi = ScreenDpi();
  const RECT frame{0, 0, MulDiv(40, 2540, dpi), MulDiv(20, 2540, dpi)};
  HDC dc = CreateEnhMetaFileW(screen.get(), nullptr, &frame, nullptr);
  const UniqueBrush blue(CreateSolidBrush(kBlue));
  const RECT area{10, 5, 30, 15};
  FillRect(dc, &area, blue.get());
  const UniqueEnhMetaFile metafile(CloseEnhMetaFile(dc));
  std::string bytes(GetEnhMetaFileBits(metafile.get(), 0, nullptr), '\0');
  GetEnhMetaFileBits(metafile.get(), static_cast<UINT>(bytes.size()), reinterpret_cast<BYTE*>(bytes.data()));
  return bytes;
}

// A placeable Windows metafile of 720 x 360 units at 1440 an inch (half an inch by a quarter),
// its left half blue.
std::string PlaceableWmf() {
  HDC dc = CreateMetaFileW(nullptr);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetWindowExtEx(dc, 720, 360, nullptr);
  const UniqueBrush blue(CreateSolidBrush(kBlue));
  SelectObject(dc, blue.get());
  SelectObject(dc, GetStockObject(NULL_PEN));
  Rectangle(dc, 0, 0, 361, 361);
  HMETAFILE metafile = CloseMetaFile(dc);
  std::string records(GetMetaFileBitsEx(metafile, 0, nullptr), '\0');
  GetMetaFileBitsEx(metafile, static_cast<UINT>(records.size()), records.data());
  DeleteMetaFile(metafile);
  std::string header;
  Put(header, 0x9AC6CDD7, 4);
  Put(header, 0, 2);
  for (std::uint32_t v : {0u, 0u, 720u, 360u, 1440u})
    Put(header, v, 2);
  Put(header, 0, 4);
  std::uint32_t check = 0;
  for (std::size_t at = 0; at < 20; at += 2)
    check ^= static_cast<unsigned char>(header[at]) | static_cast<unsigned char>(header[at + 1]) << 8;
  Put(header, check, 2);
  return header + records;
}

void Load(TMetafile& metafile, const std::string& file) {
  qt::MemoryStream stream(file);
  metafile.LoadFromStream(stream);
}

// The metafile drawn over a white bitmap of that size.
class Drawn {
public:
  Drawn(const TMetafile& metafile, int width, int height) {
    bitmap.SetPixelFormat(pf32bit);
    bitmap.SetSize(width, height);
    bitmap.Canvas().Brush.Color = static_cast<TColor>(kWhite);
    bitmap.Canvas().FillRect(RECT{0, 0, width, height});
    metafile.Draw(bitmap.Canvas().Handle(), RECT{0, 0, width, height});
    GdiFlush();
  }
  COLORREF At(int x, int y) { return GetPixel(bitmap.Canvas().Handle(), x, y); }
  TBitmap bitmap;
};

TEST(MetafileTest, AnEnhancedMetafileLoadsDrawsAndSavesItself) {
  TMetafile metafile;
  int changes = 0;
  metafile.OnChange = [&] { ++changes; };
  Load(metafile, RecordedEmf());
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(metafile.ClassName(), "TMetafile");
  EXPECT_EQ(metafile.Width(), 40);
  EXPECT_EQ(metafile.Height(), 20);
  qt::MemoryStream saved;
  metafile.SaveToStream(saved);
  TMetafile again;
  Load(again, saved.Bytes());
  // Inside and outside the rectangle, away from its edges; at its size and stretched.
  for (const TMetafile* m : {&metafile, &again}) {
    EXPECT_EQ(m->Width(), 40);
    EXPECT_EQ(m->Height(), 20);
    for (int scale : {1, 2}) {
      SCOPED_TRACE(scale);
      Drawn d(*m, 40 * scale, 20 * scale);
      EXPECT_EQ(d.At(20 * scale, 10 * scale), kBlue);
      EXPECT_EQ(d.At(12 * scale, 7 * scale), kBlue);
      EXPECT_EQ(d.At(5 * scale, 10 * scale), kWhite);
      EXPECT_EQ(d.At(35 * scale, 10 * scale), kWhite);
      EXPECT_EQ(d.At(20 * scale, 2 * scale), kWhite);
      EXPECT_EQ(d.At(20 * scale, 18 * scale), kWhite);
    }
  }
  TMetafile taken;
  taken.SetHandle(UniqueEnhMetaFile(CopyEnhMetaFileW(metafile.Handle(), nullptr)));
  EXPECT_EQ(taken.Width(), 40);
  EXPECT_EQ(taken.Height(), 20);
  EXPECT_EQ(Drawn(taken, 40, 20).At(20, 10), kBlue);
  taken.SetHandle(UniqueEnhMetaFile());
  EXPECT_TRUE(taken.Empty());
}

TEST(MetafileTest, AFrameReversedOrWiderThan32BitsGivesNoNegativeSize) {
  // The frame rectangle (0.01 mm) stands at offset 24 of the header: left, top, right, bottom.
  const std::string emf = RecordedEmf();
  const struct {
    const char* name;
    std::int32_t left, right;
    bool empty;
  } cases[] = {
      {"reversed", 1000, 0, true},
      {"wider than 32 bits", -2000000000, 2000000000, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TMetafile metafile;
    Load(metafile, With(With(emf, 24, static_cast<std::uint32_t>(c.left), 4), 32, static_cast<std::uint32_t>(c.right), 4));
    EXPECT_GE(metafile.Width(), 0);
    EXPECT_EQ(metafile.Height(), 20);
    EXPECT_EQ(metafile.Empty(), c.empty);
  }
}

TEST(MetafileTest, APlaceableMetafileTakesItsBoxAtTheScreensResolution) {
  TMetafile metafile;
  Load(metafile, PlaceableWmf());
  const int width = MulDiv(720, ScreenDpi(), 1440), height = MulDiv(360, ScreenDpi(), 1440);
  EXPECT_EQ(metafile.Width(), width);
  EXPECT_EQ(metafile.Height(), height);
  Drawn d(metafile, width, height);
  EXPECT_EQ(d.At(width / 4, height / 2), kBlue);
  EXPECT_EQ(d.At(width * 3 / 4, height / 2), kWhite);
  // Saved as an enhanced metafile.
  qt::MemoryStream saved;
  metafile.SaveToStream(saved);
  EXPECT_EQ(saved.Bytes().substr(40, 4), " EMF");
}

// The metafile with one record of an object index put before its end record (20 bytes without
// a palette).
std::string WithObjectRecord(const std::string& emf, std::uint32_t type, std::uint32_t index) {
  std::string file = emf.substr(0, emf.size() - 20);
  Put(file, type, 4);
  Put(file, 12, 4);
  Put(file, index, 4);
  file += emf.substr(emf.size() - 20);
  return With(file, 48, static_cast<std::uint32_t>(file.size()), 4);
}

// The placeable metafile with one record of those parameters put before its end record (3 words).
std::string WithWindowsRecord(const std::string& wmf, std::uint32_t function, const std::vector<std::uint32_t>& params) {
  std::string file = wmf.substr(0, wmf.size() - 6);
  Put(file, static_cast<std::uint32_t>(3 + params.size()), 4);
  Put(file, function, 2);
  for (std::uint32_t p : params)
    Put(file, p, 2);
  file += wmf.substr(wmf.size() - 6);
  return With(file, 22 + 6, static_cast<std::uint32_t>((file.size() - 22) / 2), 4);
}

// A 16-bit field of a file.
std::uint32_t Word(const std::string& file, std::size_t at) {
  return static_cast<unsigned char>(file[at]) | static_cast<unsigned char>(file[at + 1]) << 8;
}

// The object count of the Windows metafile's header, and the handle count of the enhanced one's.
std::uint32_t WindowsObjects(const std::string& wmf) { return Word(wmf, 22 + 10); }
std::uint32_t EnhancedHandles(const std::string& emf) { return Word(emf, 56); }

TEST(MetafileTest, ObjectRecordsMayNameTheirTablesSlotsAndStockObjects) {
  const std::string wmf = PlaceableWmf();
  ASSERT_GE(WindowsObjects(wmf), 1u);
  for (const std::string& file : {WithWindowsRecord(wmf, META_DELETEOBJECT, {WindowsObjects(wmf) - 1}),
                                  WithWindowsRecord(wmf, META_SELECTCLIPREGION, {0})}) {
    TMetafile metafile;
    Load(metafile, file);
    ASSERT_GT(metafile.Width(), 0);
    EXPECT_EQ(Drawn(metafile, metafile.Width(), metafile.Height()).At(metafile.Width() / 4, metafile.Height() / 2), kBlue);
  }

  const std::string emf = RecordedEmf();
  const std::uint32_t handles = EnhancedHandles(emf);
  ASSERT_GE(handles, 2u);
  for (const auto& [type, index] : {std::pair<std::uint32_t, std::uint32_t>{EMR_SELECTOBJECT, 0x80000000u | WHITE_BRUSH},
                                    {EMR_DELETEOBJECT, handles - 1}}) {
    TMetafile metafile;
    Load(metafile, WithObjectRecord(emf, type, index));
    EXPECT_EQ(Drawn(metafile, 40, 20).At(20, 10), kBlue);
  }
}

TEST(MetafileTest, ADamagedFileThrowsAndLeavesTheMetafile) {
  const std::string emf = RecordedEmf(), wmf = PlaceableWmf();
  const std::uint32_t header = Word(emf, 4);
  const std::uint32_t handles = EnhancedHandles(emf);
  const struct {
    const char* name;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"neither kind", std::string(100, 'x')},
      {"an enhanced metafile cut short", emf.substr(0, emf.size() - 4)},
      {"its stated size past the end", With(emf, 48, static_cast<std::uint32_t>(emf.size() + 4), 4)},
      {"a record of no size", With(emf, header + 4, 0, 4)},
      {"a record past the end", With(emf, header + 4, 0x10000, 4)},
      {"a record of no size after the end record", [&] {
         std::string file = emf;
         Put(file, EMR_GDICOMMENT, 4);
         Put(file, 0, 4);
         return With(file, 48, static_cast<std::uint32_t>(file.size()), 4);
       }()},
      {"a header too small", With(emf, 4, 8, 4)},
      {"an object deleted past the handle table", WithObjectRecord(emf, EMR_DELETEOBJECT, handles)},
      {"a stock object deleted", WithObjectRecord(emf, EMR_DELETEOBJECT, 0x80000000u | WHITE_BRUSH)},
      {"an object made past the handle table", WithObjectRecord(emf, EMR_CREATEPEN, 0x10000000)},
      {"an object selected past the handle table", WithObjectRecord(emf, EMR_SELECTOBJECT, handles + 5)},
      {"a placeable header with a wrong check", With(wmf, 6, 1, 2)},
      {"a Windows object deleted past its table", WithWindowsRecord(wmf, META_DELETEOBJECT, {WindowsObjects(wmf)})},
      {"a Windows region filled with one past its table",
       WithWindowsRecord(wmf, META_FILLREGION, {0, WindowsObjects(wmf) + 100})},
      {"a Windows object selected by a record too short for it", WithWindowsRecord(wmf, META_SELECTOBJECT, {})},
      {"a placeable metafile cut short", wmf.substr(0, wmf.size() - 2)},
      {"a placeable header alone", wmf.substr(0, 22)},
  };
  TMetafile metafile;
  Load(metafile, emf);
  const HENHMETAFILE before = metafile.Handle();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      Load(metafile, c.file);
      ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
      EXPECT_STREQ(e.what(), "Metafile is not valid");
    }
    EXPECT_EQ(metafile.Handle(), before);
    EXPECT_EQ(metafile.Width(), 40);
  }
}

TEST(MetafileTest, ABitmapCannotTakeAMetafile) {
  TMetafile metafile;
  Load(metafile, RecordedEmf());
  TBitmap bitmap;
  try {
    bitmap.Assign(metafile);
    ADD_FAILURE() << "assigned";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TMetafile to a TBitmap");
  }
}

} // namespace
} // namespace win
