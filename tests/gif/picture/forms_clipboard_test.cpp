// The GIF picture through the picture container: the sample in both programs' layouts as form
// data, and the clipboard, on real Win32 under Wine.
#include "gif/picture/picture.hpp"
#include "tests/gif/picture/fixtures.hpp"

#include "tests/win/pump.hpp"
#include "win/application.hpp"
#include "win/clipboard.hpp"
#include "win/form.hpp"
#include "win/image.hpp"
#include "win/stdctrls.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace qt {
namespace {

const FormObject* FindObject(const FormObject& obj, const std::string& name) {
  if (obj.name == name) return &obj;
  for (const FormObject& child : obj.children)
    if (const FormObject* found = FindObject(child, name)) return found;
  return nullptr;
}

// The form data of adImage1 in a layout file of the source tree.
std::vector<std::uint8_t> SampleData(const char* layout) {
  std::ifstream file(std::string(QT_SOURCE_DIR) + "/" + layout, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  const FormObject root = ParseFormText(text);
  const FormObject* image = FindObject(root, "adImage1");
  if (image)
    for (const FormProperty& p : image->properties)
      if (p.name == "Picture.Data") return p.value.data;
  ADD_FAILURE() << layout << " has no adImage1 with Picture.Data";
  return {};
}

std::string StreamOf(const win::TGraphic& graphic) {
  MemoryStream out;
  graphic.SaveToStream(out);
  return out.Bytes();
}

class TDataForm : public win::TForm {
public:
  using TForm::TForm;
};

class GIFPictureContainer : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    static win::TApplication app;
    static bool registered = (win::RegisterStandardControls(), true);
    (void)registered;
  }
  TGIFPictureRegistration registration_;
};

TEST_F(GIFPictureContainer, BothLayoutsCarryTheAnimatedSampleAsFormDataOfTheGIFClass) {
  const std::vector<std::uint8_t> maker = SampleData("maker/Form1.txt"), player = SampleData("player/fscrForm.txt");
  EXPECT_EQ(maker, player) << "one sample for both programs";
  ASSERT_GT(maker.size(), 10u);
  win::TPicture picture;
  MemoryStream data(std::string(maker.begin(), maker.end()));
  picture.ReadData(data);
  auto* gif = dynamic_cast<TGIFPicture*>(picture.Graphic());
  ASSERT_NE(gif, nullptr);
  EXPECT_EQ(gif->Width(), 120);
  EXPECT_EQ(gif->Height(), 90);
  ASSERT_EQ(gif->FrameCount(), 6);
  // An animation: every frame waits, the frames differ, and it loops.
  bool loops = false;
  for (int i = 0; i < gif->FrameCount(); ++i) {
    TGIFSubImage& frame = gif->Image().Images().Items(i);
    ASSERT_NE(frame.GraphicControlExtension(), nullptr) << i;
    EXPECT_GT(frame.GraphicControlExtension()->DelayTime(), 0) << i;
    for (int e = 0; e < frame.Extensions().Count(); ++e)
      loops |= dynamic_cast<TGIFAppExtNSLoop*>(&frame.Extensions().Items(e)) != nullptr;
    if (i > 0) {
      EXPECT_FALSE(std::equal(frame.Data(), frame.Data() + 120 * 90, gif->Image().Images().Items(0).Data())) << i;
    }
  }
  EXPECT_TRUE(loops);
  EXPECT_LT(maker.size(), 4096u) << "a small picture keeps the layouts readable";
}

// The layout sample as the hex lines of a Picture.Data property.
std::string SampleHex() {
  const std::vector<std::uint8_t> sample = SampleData("player/fscrForm.txt");
  std::ostringstream hex;
  hex << std::hex << std::uppercase;
  for (std::size_t i = 0; i < sample.size(); ++i)
    hex << (i % 32 == 0 ? "\n    " : "") << (sample[i] >> 4) << (sample[i] & 15);
  return hex.str();
}

TEST_F(GIFPictureContainer, AnImageTakesFormDataThroughTheClassNameAndAnUnknownNameIsAnError) {
  TDataForm form(nullptr);
  form.ReadLayout("object F: TDataForm\n  object I: TImage\n    AutoSize = True\n    Picture.Data = {" + SampleHex() +
                  "}\n  end\nend\n");
  auto* image = dynamic_cast<win::TImage*>(form.FindComponent("I"));
  ASSERT_NE(image, nullptr);
  EXPECT_NE(dynamic_cast<TGIFPicture*>(image->Picture().Graphic()), nullptr);
  EXPECT_EQ(image->Width(), 120);
  EXPECT_EQ(image->Height(), 90);

  TDataForm unknown(nullptr);
  const std::string error = What([&] {
    unknown.ReadLayout("object F: TDataForm\n  object I: TImage\n    Picture.Data = {\n      0554"
                       "4E6F70654749}\n  end\nend\n");
  });
  EXPECT_NE(error.find("unknown class TNope"), std::string::npos) << error;
  EXPECT_NE(error.find("layout line 3"), std::string::npos) << error;
}

// A window to own what is placed on the clipboard.
struct Owner {
  win::UniqueWindow window{CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr)};
};


// A page that is not shown (a tab that is not selected) ends the animation on it; shown again, it
// plays again.
TEST_F(GIFPictureContainer, AnAnimationOnAHiddenPanelEndsAndPlaysAgainWhenShown) {
  TDataForm form(nullptr);
  form.ReadLayout("object F: TDataForm\n  Width = 300\n  Height = 200\n  object P: TPanel\n    Width = 200\n"
                  "    Height = 120\n    object I: TImage\n      AutoSize = True\n      Picture.Data = {" +
                  SampleHex() + "}\n    end\n  end\nend\n");
  auto* panel = dynamic_cast<win::TPanel*>(form.FindComponent("P"));
  auto* image = dynamic_cast<win::TImage*>(form.FindComponent("I"));
  ASSERT_TRUE(panel && image);
  auto* picture = dynamic_cast<TGIFPicture*>(image->Picture().Graphic());
  ASSERT_NE(picture, nullptr);
  int drawn = 0;
  picture->OnFrameDrawn = [&](TGIFPainter&) { ++drawn; };
  form.Show();
  ASSERT_TRUE(win::testing::PumpUntil([&] { return drawn >= 2; })) << "the sample plays";
  panel->Hide();
  EXPECT_TRUE(win::testing::PumpUntil([&] { return picture->PainterList().empty(); }));
  const int hidden = drawn;
  panel->Show();
  EXPECT_TRUE(win::testing::PumpUntil([&] { return drawn >= hidden + 2; })) << "it plays again";
  EXPECT_EQ(picture->PainterList().size(), 1u);
}
TEST_F(GIFPictureContainer, AGIFPictureGoesToTheClipboardAsGIFAndBitmapAndComesBackWhole) {
  const std::vector<std::uint8_t> sample = SampleData("maker/Form1.txt");
  win::TPicture picture;
  MemoryStream data(std::string(sample.begin(), sample.end()));
  picture.ReadData(data);
  auto* gif = dynamic_cast<TGIFPicture*>(picture.Graphic());
  ASSERT_NE(gif, nullptr);
  Owner owner;
  ASSERT_TRUE(owner.window);
  {
    win::TClipboard clipboard(owner.window.get());
    clipboard.Assign(picture);
  }
  win::TClipboard clipboard(owner.window.get());
  EXPECT_TRUE(clipboard.HasFormat(GIFClipboardFormat()));
  EXPECT_TRUE(clipboard.HasFormat(CF_BITMAP));
  char name[64] = {};
  GetClipboardFormatNameA(GIFClipboardFormat(), name, sizeof name);
  EXPECT_STREQ(name, "GIF Image");

  win::TPicture back;
  clipboard.AssignTo(back);
  auto* copy = dynamic_cast<TGIFPicture*>(back.Graphic());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Width(), 120);
  EXPECT_EQ(copy->Height(), 90);
  EXPECT_EQ(copy->FrameCount(), 6);
  EXPECT_EQ(StreamOf(*copy), StreamOf(*gif)) << "the same frames, maps and pixels";

  // The bitmap beside it is the still rendering: frame 0, the ball and the bands.
  win::TBitmap bitmap;
  bitmap.LoadFromClipboardFormat(CF_BITMAP, clipboard.GetAsHandle(CF_BITMAP),
                                 static_cast<HPALETTE>(clipboard.GetAsHandle(CF_PALETTE)));
  ASSERT_EQ(bitmap.Width(), 120);
  ASSERT_EQ(bitmap.Height(), 90);
  win::TBitmap* still = gif->EnsureBitmap();
  ASSERT_NE(still, nullptr);
  for (POINT p : {POINT{16, 38}, POINT{100, 10}, POINT{60, 80}}) {
    SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
    EXPECT_EQ(GetPixel(bitmap.Canvas().Handle(), p.x, p.y), GetPixel(still->Canvas().Handle(), p.x, p.y));
  }
  EXPECT_NE(GetPixel(bitmap.Canvas().Handle(), 16, 38), GetPixel(bitmap.Canvas().Handle(), 100, 10));
}

// A bitmap on the clipboard becomes one frame: through the clipboard's palette when it brings
// one, else reduced onto the cube.
TEST_F(GIFPictureContainer, ABitmapOnTheClipboardBecomesAFrame) {
  const COLORREF colors[] = {RGB(255, 0, 0), RGB(0, 102, 255), RGB(255, 255, 255), RGB(51, 153, 0)};
  Owner owner;
  ASSERT_TRUE(owner.window);
  {
    win::WindowDC screen(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen.get(), 4, 2);
    ASSERT_NE(bitmap, nullptr);
    win::UniqueMemoryDC dc(CreateCompatibleDC(screen.get()));
    HGDIOBJ old = SelectObject(dc.get(), bitmap);
    for (int i = 0; i < 8; ++i)
      SetPixelV(dc.get(), i % 4, i / 4, colors[i % 3 + i / 4]);
    SelectObject(dc.get(), old);
    win::TClipboard clipboard(owner.window.get());
    clipboard.Clear();
    clipboard.SetAsHandle(CF_BITMAP, bitmap);
  }
  win::TClipboard clipboard(owner.window.get());
  TGIFPicture gif;
  gif.LoadFromClipboardFormat(CF_BITMAP, nullptr, nullptr);
  ASSERT_EQ(gif.FrameCount(), 1);
  EXPECT_EQ(gif.Width(), 4);
  EXPECT_EQ(gif.Height(), 2);
  TGIFSubImage& frame = gif.Image().Images().Items(0);
  for (int i = 0; i < 8; ++i) {
    const COLORREF c = colors[i % 3 + i / 4];
    EXPECT_EQ(frame.Data()[i], 36 * (GetRValue(c) / 51) + 6 * (GetGValue(c) / 51) + GetBValue(c) / 51) << i;
  }

  // An 8-bit bitmap with a palette: its colours, pixel by pixel.
  struct {
    BITMAPINFOHEADER header{sizeof(BITMAPINFOHEADER), 4, 2, 1, 8, BI_RGB, 0, 0, 0, 4, 0};
    RGBQUAD table[4]{};
  } info;
  std::vector<PALETTEENTRY> entries;
  for (int i = 0; i < 4; ++i) {
    info.table[i] = {GetBValue(colors[i]), GetGValue(colors[i]), GetRValue(colors[i]), 0};
    entries.push_back({GetRValue(colors[i]), GetGValue(colors[i]), GetBValue(colors[i]), 0});
  }
  void* bits = nullptr;
  win::UniqueBitmap dib(CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(dib && bits);
  const std::uint8_t rows[8] = {3, 1, 2, 3, 0, 1, 2, 0}; // bottom row first
  std::memcpy(bits, rows, 4);
  std::memcpy(static_cast<std::uint8_t*>(bits) + 4, rows + 4, 4);
  const win::UniquePalette palette = win::MakePalette(entries);
  gif.LoadFromClipboardFormat(CF_BITMAP, dib.get(), palette.get());
  ASSERT_EQ(gif.FrameCount(), 1);
  TGIFSubImage& indexed = gif.Image().Images().Items(0);
  EXPECT_EQ(indexed.ColorMap().ColorCount(), 4);
  for (int i = 0; i < 8; ++i) {
    const RGBTriple t = indexed.ColorMap().ColorTriples()[indexed.Data()[i]];
    EXPECT_EQ(RGB(t.red, t.green, t.blue), colors[rows[(1 - i / 4) * 4 + i % 4]]) << i;
  }
}

TEST_F(GIFPictureContainer, OtherClipboardFormatsAreRefused) {
  TGIFPicture gif;
  win::UniqueGlobal text(GlobalAlloc(GMEM_MOVEABLE, 4));
  EXPECT_EQ(What([&] { gif.LoadFromClipboardFormat(CF_TEXT, text.get(), nullptr); }), "Unsupported clipboard format");
  EXPECT_THROW(gif.LoadFromClipboardFormat(CF_TEXT, text.get(), nullptr), GIFException);
  win::TPicture picture;
  EXPECT_EQ(What([&] { picture.LoadFromClipboardFormat(CF_TEXT, text.get(), nullptr); }),
            "Unsupported clipboard format");
  EXPECT_EQ(picture.Graphic(), nullptr);
  // Nothing given and nothing of the format on the clipboard.
  Owner owner;
  win::TClipboard clipboard(owner.window.get());
  clipboard.Clear();
  EXPECT_EQ(What([&] { gif.LoadFromClipboardFormat(GIFClipboardFormat(), nullptr, nullptr); }),
            "Unsupported clipboard format");
  EXPECT_EQ(What([&] { clipboard.AssignTo(picture); }), "Unsupported clipboard format");
  // An empty picture places nothing.
  UINT format = 1;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  win::TPicture empty;
  empty.SetGraphic(std::make_unique<TGIFPicture>());
  empty.SaveToClipboardFormat(format, data, palette);
  EXPECT_EQ(format, 0u);
  EXPECT_EQ(data, nullptr);
}

TEST_F(GIFPictureContainer, AGIFThatCannotBePlacedFailsAndHandsOutNothing) {
  const std::vector<std::uint8_t> sample = SampleData("maker/Form1.txt");
  MemoryStream data(std::string(sample.begin() + 10, sample.end())); // past the class name
  TGIFPicture gif;
  gif.LoadFromStream(data);
  // The clipboard is not open, so Windows refuses the block.
  UINT format = 0;
  HANDLE handle = nullptr;
  HPALETTE palette = nullptr;
  EXPECT_EQ(What([&] { gif.SaveToClipboardFormat(format, handle, palette); }), "Failed to store GIF on clipboard");
  EXPECT_EQ(format, 0u);
  EXPECT_EQ(handle, nullptr);
  EXPECT_EQ(palette, nullptr);
}

} // namespace
} // namespace qt
