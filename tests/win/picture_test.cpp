#include "win/application.hpp"
#include "win/bitmap.hpp"
#include "win/form.hpp"
#include "win/graphics.hpp"
#include "win/image.hpp"
#include "win/jpeg.hpp"
#include "win/stdctrls.hpp"
#include "win/text.hpp"
#include "tests/win/jpeg_writer.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

#include <jerror.h>
#include <jpeglib.h>

using namespace win;
using qt::testing::EncodeJpeg;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);
constexpr COLORREF kDark = RGB(60, 60, 60), kLight = RGB(200, 200, 200);

// 16 x 8, the left half one colour and the right half another.
std::string HalvesJpeg(COLORREF left, COLORREF right, bool gray = false) {
  return EncodeJpeg(16, 8, gray, [&](int x, int) { return x < 8 ? left : right; });
}

// Where the entropy-coded data begins: just after the start-of-scan segment.
size_t ScanDataStart(const std::string& jpeg) {
  size_t sos = jpeg.find("\xFF\xDA");
  if (sos == std::string::npos) return std::string::npos;
  return sos + 2 + (static_cast<unsigned char>(jpeg[sos + 2]) << 8 | static_cast<unsigned char>(jpeg[sos + 3]));
}

std::unique_ptr<TJPEGImage> LoadJpeg(const std::string& bytes) {
  auto jpeg = std::make_unique<TJPEGImage>();
  qt::MemoryStream s(bytes);
  jpeg->LoadFromStream(s);
  return jpeg;
}

// JPEG is lossy: a colour within this many steps per channel counts as the same.
::testing::AssertionResult Near(COLORREF actual, COLORREF expected) {
  int d = std::max({std::abs(GetRValue(actual) - GetRValue(expected)), std::abs(GetGValue(actual) - GetGValue(expected)),
                    std::abs(GetBValue(actual) - GetBValue(expected))});
  if (d <= 40) return ::testing::AssertionSuccess();
  char text[80];
  std::snprintf(text, sizeof text, "got #%06lX, expected #%06lX", static_cast<unsigned long>(actual),
                static_cast<unsigned long>(expected));
  return ::testing::AssertionFailure() << text;
}


class Pictures : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static TApplication app;
    static bool registered = (RegisterStandardControls(), true);
    (void)registered;
  }
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("qt_picture_test_" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  // A file in the test's folder; returns its path in code page 936.
  std::filesystem::path WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return dir_ / name;
  }
  std::filesystem::path PathOf(const std::string& name) { return dir_ / name; }

  std::filesystem::path dir_;
};

TEST_F(Pictures, JpegDecodesAndDrawsStretchedInEveryColourChoice) {
  struct Case {
    const char* name;
    bool gray;
    TJPEGColors colors;
    unsigned scaleDenom;
    int width, height, bits;
    COLORREF left, right;
  } cases[] = {
      {"true colour", false, TJPEGColors::TrueColor, 1, 16, 8, 24, kRed, kBlue},
      {"236 colours", false, TJPEGColors::Palette236, 1, 16, 8, 8, kRed, kBlue},
      {"grey", true, TJPEGColors::TrueColor, 1, 16, 8, 8, kDark, kLight},
      {"grey in 236 colours", true, TJPEGColors::Palette236, 1, 16, 8, 8, kDark, kLight},
      {"half size", false, TJPEGColors::TrueColor, 2, 8, 4, 24, kRed, kBlue},
      {"on this screen", false, TJPEGColors::Display, 1, 16, 8, 24, kRed, kBlue}, // Wine runs 24-bit
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TJPEGImage jpeg;
    jpeg.SetColors(c.colors);
    jpeg.SetScale(1, c.scaleDenom);
    qt::MemoryStream s(HalvesJpeg(c.left, c.right, c.gray));
    jpeg.LoadFromStream(s);
    EXPECT_EQ(jpeg.Width(), c.width);
    EXPECT_EQ(jpeg.Height(), c.height);
    EXPECT_EQ(jpeg.BitsPerPixel(), c.bits);

    // Twice the size, beside a margin that must stay untouched.
    MemoryBitmap canvas(2 * c.width + 4, 2 * c.height);
    FillSolid(canvas.Dc(), RECT{0, 0, canvas.Width(), canvas.Height()}, clLime);
    jpeg.Draw(canvas.Dc(), RECT{0, 0, 2 * c.width, 2 * c.height});
    EXPECT_TRUE(Near(GetPixel(canvas.Dc(), c.width / 4, c.height), c.left));
    EXPECT_TRUE(Near(GetPixel(canvas.Dc(), 2 * c.width - c.width / 4, c.height), c.right));
    EXPECT_EQ(GetPixel(canvas.Dc(), 2 * c.width + 1, c.height), RGB(0, 255, 0));

    // A bitmap takes the decoded pixels themselves, and the colour table with an 8-bit picture.
    TBitmap bitmap;
    bitmap.Assign(jpeg);
    EXPECT_EQ(bitmap.PixelFormat(), c.bits == 8 ? pf8bit : pf24bit);
    EXPECT_EQ(bitmap.Palette() != nullptr, c.bits == 8);
    ASSERT_EQ(bitmap.Width(), c.width);
    ASSERT_EQ(bitmap.Height(), c.height);
    MemoryBitmap drawn(c.width, c.height);
    jpeg.Draw(drawn.Dc(), RECT{0, 0, c.width, c.height});
    GdiFlush();
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        ASSERT_EQ(GetPixel(bitmap.Canvas().Handle(), x, y), GetPixel(drawn.Dc(), x, y)) << x << ", " << y;
  }
  TBitmap bitmap;
  bitmap.SetSize(2, 2);
  bitmap.Assign(TJPEGImage());
  EXPECT_TRUE(bitmap.Empty());
}

TEST_F(Pictures, JpegSavesTheVeryBytesItWasLoadedFrom) {
  // Bytes after the end marker are part of the file, and the load starts at the stream's position.
  std::string file = HalvesJpeg(kRed, kBlue) + "tail";
  qt::MemoryStream source("before" + file);
  source.SetPosition(6);
  TPicture picture;
  picture.LoadFromStream(source, "JPG");
  auto* jpeg = dynamic_cast<TJPEGImage*>(picture.Graphic());
  ASSERT_NE(jpeg, nullptr);
  jpeg->SetScale(1, 4); // decoding differently changes nothing that is saved
  qt::MemoryStream saved;
  picture.SaveToStream(saved);
  EXPECT_EQ(saved.Bytes(), file);
  EXPECT_EQ(picture.Width(), 4);

  qt::MemoryStream none;
  TPicture().SaveToStream(none);
  EXPECT_EQ(none.Size(), 0u);
}

TEST_F(Pictures, DamagedJpegsThrowWithTheLibraryMessageNumberAndChangeNothing) {
  std::string good = HalvesJpeg(kRed, kBlue);
  size_t sos = good.find("\xFF\xDA");
  size_t dataStart = ScanDataStart(good);
  ASSERT_NE(sos, std::string::npos);
  std::string garbage;
  for (int i = 0; i < 300; ++i) garbage += static_cast<char>(i * 37 & 0x7F);
  auto noise = [](unsigned seed) {
    std::mt19937 gen(seed);
    std::string s = "\xFF\xD8";
    for (int i = 0; i < 2000; ++i) s += static_cast<char>(gen());
    return s;
  };
  constexpr int kAny = -1;
  struct Case {
    const char* name;
    std::string bytes;
    int code;
  } cases[] = {
      {"empty", "", JERR_INPUT_EMPTY},
      {"no JPEG at all", "GIF89a\x10\x00\x08\x00", JERR_NO_SOI},
      {"header cut short", good.substr(0, 40), kAny},
      {"header without a scan", good.substr(0, sos), JERR_SOF_NO_SOS},
      {"noise after the start marker", noise(1), kAny},
      {"other noise after the start marker", noise(2), kAny},
      {"a valid header, garbage data and a second start marker", good.substr(0, dataStart) + garbage + "\xFF\xD8\xFF\xD9",
       JERR_SOI_DUPLICATE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto jpeg = LoadJpeg(good);
    qt::MemoryStream s(c.bytes);
    try {
      jpeg->LoadFromStream(s);
      ADD_FAILURE() << "loaded";
    } catch (const EJPEG& e) {
      if (c.code == kAny)
        EXPECT_GT(e.Code(), 0) << e.what();
      else
        EXPECT_EQ(e.Code(), c.code) << e.what();
      EXPECT_NE(std::string(e.what()).find("#" + std::to_string(e.Code())), std::string::npos) << e.what();
    }
    EXPECT_EQ(jpeg->Width(), 16);
    qt::MemoryStream saved;
    jpeg->SaveToStream(saved);
    EXPECT_EQ(saved.Bytes(), good);
  }
}

TEST_F(Pictures, JpegWithItsDataCutShortShowsWhatDecoded) {
  // libjpeg only warns about a premature end; the rows before the cut are the picture's own.
  std::string jpeg = EncodeJpeg(64, 64, false, [](int, int y) { return y < 32 ? kRed : kBlue; });
  size_t data = ScanDataStart(jpeg);
  std::string cut = jpeg.substr(0, data + (jpeg.size() - data) / 3);
  auto image = LoadJpeg(cut);
  EXPECT_EQ(image->Width(), 64);
  EXPECT_EQ(image->Height(), 64);
  MemoryBitmap canvas(64, 64);
  image->Draw(canvas.Dc(), RECT{0, 0, 64, 64});
  EXPECT_TRUE(Near(GetPixel(canvas.Dc(), 8, 4), kRed));
  qt::MemoryStream saved;
  image->SaveToStream(saved);
  EXPECT_EQ(saved.Bytes(), cut);
}

// A stand-in for a codec that registers itself later.
class TFakeGif : public TGraphic {
public:
  std::string ClassName() const override { return "TFakeGif"; }
  void LoadFromStream(qt::Stream&) override {}
  void SaveToStream(qt::Stream&) const override {}
  int Width() const override { return 3; }
  int Height() const override { return 2; }
  void Draw(HDC, const RECT&) const override {}
};

TEST_F(Pictures, ThePictureClassFollowsTheFileExtension) {
  std::string jpeg = HalvesJpeg(kRed, kBlue);
  for (const char* name : {"a.jpg", "b.JPG", "c.jpeg", "d.JpEg"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    picture.LoadFromFile(WriteFile(name, jpeg));
    EXPECT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
  }
  // Refused before the file is opened: none of these exists.
  for (const char* name : {"e.gif", "f.bmp", "no_extension", "g.jpg.png", "h.jpg\\file"}) {
    SCOPED_TRACE(name);
    TPicture picture;
    EXPECT_THROW(picture.LoadFromFile(PathOf(name)), EInvalidGraphic);
    EXPECT_EQ(picture.Graphic(), nullptr);
  }
  TPicture::RegisterFileFormat("GIF", "GIF Image", {"TFakeGif", [] { return std::make_unique<TFakeGif>(); }});
  TPicture picture;
  picture.LoadFromFile(WriteFile("e.Gif", "GIF89a"));
  EXPECT_NE(dynamic_cast<TFakeGif*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 3);
  TPicture::UnregisterGraphicClass("TFakeGif");
  EXPECT_THROW(picture.LoadFromFile(PathOf("e.Gif")), EInvalidGraphic);
}

TEST_F(Pictures, AFailedLoadKeepsThePreviousPicture) {
  TPicture picture;
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  picture.LoadFromFile(WriteFile("good.jpg", HalvesJpeg(kRed, kBlue)));
  TGraphic* before = picture.Graphic();
  EXPECT_THROW(picture.LoadFromFile(WriteFile("bad.jpg", "not a picture")), EJPEG);
  EXPECT_THROW(picture.LoadFromFile(PathOf("missing.jpg")), qt::FileError);
  EXPECT_EQ(picture.Graphic(), before);
  EXPECT_EQ(changes, 1);
}

class TPictureForm : public TForm {
public:
  using TForm::TForm;
};

const char* kLayout = R"(object F: TPictureForm
  ClientWidth = 200
  ClientHeight = 100
  object Back: TPanel
    Width = 200
    Height = 100
    Color = clRed
    BevelOuter = bvNone
    object SizedFirst: TImage
      Left = 5
      Top = 7
      Width = 50
      Height = 50
      AutoSize = True
      Picture.Resource = 'sample.jpg'
    end
    object SizedLast: TImage
      Left = 60
      Picture.Resource = 'SAMPLE.JPG'
      AutoSize = True
    end
    object Fixed: TImage
      Left = 100
      Top = 10
      Width = 40
      Height = 30
      Picture.Resource = 'SAMPLE.JPG'
    end
    object Empty: TImage
      Left = 150
      Top = 10
      Width = 30
      Height = 30
    end
  end
end
)";

TEST_F(Pictures, ImagesTakeTheirPictureFromTheLayoutAndAutoSizeToIt) {
  TPictureForm form(nullptr);
  form.ReadLayout(kLayout);
  struct Case {
    const char* name;
    int left, top, width, height;
  } cases[] = {
      {"SizedFirst", 5, 7, 12, 6},
      {"SizedLast", 60, 0, 12, 6},
      {"Fixed", 100, 10, 40, 30},
      {"Empty", 150, 10, 30, 30},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* image = dynamic_cast<TImage*>(form.FindComponent(c.name));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Left(), c.left);
    EXPECT_EQ(image->Top(), c.top);
    EXPECT_EQ(image->Width(), c.width);
    EXPECT_EQ(image->Height(), c.height);
  }
  TPictureForm broken(nullptr);
  try {
    broken.ReadLayout("object F: TPictureForm\n object I: TImage\n  Picture.Resource = 'NOPE.JPG'\n end\nend\n");
    ADD_FAILURE() << "accepted a missing resource";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("NOPE.JPG"), std::string::npos) << e.what();
  }
}

TEST_F(Pictures, ImagesDrawTheirPictureAndLetTheParentShowElsewhere) {
  TPictureForm form(nullptr);
  form.ReadLayout(kLayout);
  form.Show();
  auto* fixed = dynamic_cast<TImage*>(form.FindComponent("Fixed"));
  auto* empty = dynamic_cast<TImage*>(form.FindComponent("Empty"));
  UpdateWindow(form.Handle());
  {
    WindowDC dc(empty->Handle());
    EXPECT_EQ(GetPixel(dc.get(), 15, 15), RGB(255, 0, 0));
  }
  const COLORREF green = RGB(0, 160, 0); // the sample picture's colour
  WindowDC dc(fixed->Handle());
  EXPECT_TRUE(Near(GetPixel(dc.get(), 6, 3), green));
  EXPECT_EQ(GetPixel(dc.get(), 30, 20), RGB(255, 0, 0)); // beyond the 12 x 6 picture
  fixed->SetStretch(true);
  UpdateWindow(fixed->Handle());
  EXPECT_TRUE(Near(GetPixel(dc.get(), 30, 20), green));
  fixed->Picture().Clear();
  UpdateWindow(fixed->Handle());
  EXPECT_EQ(GetPixel(dc.get(), 6, 3), RGB(255, 0, 0));
}

TEST_F(Pictures, ATransparentImageShowsTheParentThroughItsBitmapsTransparentColour) {
  TPictureForm form(nullptr);
  form.ReadLayout(kLayout);
  form.Show();
  auto* image = dynamic_cast<TImage*>(form.FindComponent("Empty"));
  // Two columns of 15 pixels each: white, the bottom-left pixel's colour, then blue.
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetPixelFormat(pf24bit);
  bitmap->SetSize(2, 1);
  bitmap->Canvas().Brush.Color = clWhite;
  bitmap->Canvas().FillRect(RECT{0, 0, 1, 1});
  bitmap->Canvas().Brush.Color = clBlue;
  bitmap->Canvas().FillRect(RECT{1, 0, 2, 1});
  image->Picture().SetGraphic(std::move(bitmap));
  image->SetStretch(true);
  struct Case {
    bool transparent;
    COLORREF left, right;
  } cases[] = {{true, RGB(255, 0, 0), RGB(0, 0, 255)}, {false, RGB(255, 255, 255), RGB(0, 0, 255)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.transparent);
    image->SetTransparent(c.transparent);
    EXPECT_EQ(dynamic_cast<TBitmap*>(image->Picture().Graphic())->Transparent(), c.transparent);
    UpdateWindow(image->Handle());
    WindowDC dc(image->Handle());
    EXPECT_EQ(GetPixel(dc.get(), 5, 15), c.left);
    EXPECT_EQ(GetPixel(dc.get(), 25, 15), c.right);
  }
}

} // namespace
