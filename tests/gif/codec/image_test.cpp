#include "gif/codec/GIFImage.hpp"
#include "tests/gif/codec/fixtures.hpp"

#include <gtest/gtest.h>

namespace qt {
namespace {

using test::Descriptor;
using test::Header;
using test::LoadBytes;
using test::Warnings;

const std::string kZero(1, '\0');
// A 1x1 frame of pixel 0 with code size 2.
const std::string kPixel = std::string("\x02\x02\x44\x01", 4) + kZero;

TEST(GIFImageLoad, FramesExtensionsAndTheTrailer) {
  struct Case {
    const char* name;
    std::string body;  // after the header
    int frames;
    std::vector<std::string> warnings;
  };
  const std::string frame = Descriptor(0, 0, 1, 1, 0) + kPixel;
  const std::string comment = "\x21\xFE\x02hi" + kZero;
  const Case cases[] = {
      {"zero bytes between blocks", frame + kZero + kZero + frame + kZero + ";", 2, {}},
      {"no trailer", frame + frame, 2, {}},
      {"unknown block", frame + "\x99" + frame + ";", 1, {"Unknown GIF block type", "Invalid Image trailer"}},
      {"bad trailer", frame + "X", 1, {"Unknown GIF block type", "Invalid Image trailer"}},
      {"comment before the trailer", frame + comment + ";", 2, {}},
      // After an extension, an unexpected byte is the frame's separator.
      {"odd separator", comment + "\x2D" + frame.substr(1) + ";", 1, {"Invalid extension introducer"}},
      {"zero width", Descriptor(0, 0, 0, 50, 0) + kPixel + ";", 1, {"Image exceeds Logical Screen size"}},
  };
  for (const Case& c : cases) {
    Warnings warnings;
    auto image = LoadBytes(Header(100, 80, 2) + c.body, &warnings);
    EXPECT_EQ(image->Images().Count(), c.frames) << c.name;
    EXPECT_EQ(warnings.texts, c.warnings) << c.name;
  }

  // The comment before the trailer is a frame without image, written back as it was.
  const std::string file = Header(1, 1, 2) + frame + comment + ";";
  auto image = LoadBytes(file);
  EXPECT_TRUE(image->Images().Items(1).IsEmptyFrame());
  EXPECT_EQ(test::SaveBytes(*image), file);

  auto zero = LoadBytes(Header(100, 80, 2) + Descriptor(0, 0, 0, 50, 0) + kPixel + ";");
  EXPECT_EQ(zero->Images().Items(0).Width(), 100);
  EXPECT_EQ(zero->Images().Items(0).Height(), 80);

  auto odd = LoadBytes(Header(1, 1, 2) + comment + "\x2D" + frame.substr(1) + ";");
  EXPECT_EQ(test::SaveBytes(*odd), Header(1, 1, 2) + comment + "\x2D" + frame.substr(1) + ";");
}

TEST(GIFImageLoad, FailureRestoresTheStreamAndKeepsWhatWasRead) {
  const std::string good = Descriptor(0, 0, 1, 1, 0) + kPixel;
  const std::string file = "xx" + Header(1, 1, 2) + good + Descriptor(0, 0, 1, 1, 0).substr(0, 6);
  MemoryStream s(file);
  s.SetPosition(2);
  TGIFImage image;
  std::vector<std::pair<TProgressStage, int>> progress;
  image.OnProgress = [&](GIFSender, TProgressStage stage, int percent, bool, const std::string& text) {
    EXPECT_EQ(text, "Loading...");
    progress.emplace_back(stage, percent);
  };
  try {
    image.LoadFromStream(s);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Premature end of data");
  }
  EXPECT_EQ(s.Position(), 2u);
  EXPECT_EQ(image.Images().Count(), 1);
  ASSERT_EQ(progress.size(), 3u);
  EXPECT_EQ(progress.front(), std::pair(TProgressStage::psStarting, 0));
  EXPECT_EQ(progress.back(), std::pair(TProgressStage::psEnding, 0));
}

TEST(GIFImageSave, ProgressAndVersions) {
  TGIFImage image;
  for (int i = 0; i < 3; ++i)
    test::AddFrame(image, 2, 2, std::string(4, '\x01'), 2);
  std::vector<int> percents;
  image.OnProgress = [&](GIFSender, TProgressStage stage, int percent, bool, const std::string& text) {
    EXPECT_EQ(text, "Saving...");
    if (stage == TProgressStage::psRunning)
      percents.push_back(percent);
  };
  EXPECT_EQ(test::SaveBytes(image).substr(0, 6), "GIF87a");
  EXPECT_EQ(percents, (std::vector<int>{33, 67, 100}));
  image.Images().Items(2).ColorMap().SetSortedByUse(true);
  EXPECT_EQ(test::SaveBytes(image).substr(0, 6), "GIF89a");
}

TEST(GIFImageSave, InterlaceStaysOnlyWithoutALocalMap) {
  TGIFImage image;
  image.Header().ColorMap().Add(0);
  image.Header().ColorMap().Add(1);
  TGIFSubImage& withMap = test::AddFrame(image, 1, 1, std::string(1, '\0'), 2);
  withMap.ImageDescriptor.PackedFields = 0x40;
  TGIFSubImage& global = test::AddFrame(image, 1, 1, std::string(1, '\0'));
  global.ImageDescriptor.PackedFields = 0x40 | 0x18 | 0x87;
  auto back = LoadBytes(test::SaveBytes(image));
  EXPECT_EQ(back->Images().Items(0).ImageDescriptor.PackedFields, 0x80);
  EXPECT_EQ(back->Images().Items(1).ImageDescriptor.PackedFields, 0x58);
}

TEST(GIFFrame, PlacingGrowsTheScreenAndResizesPixels) {
  TGIFImage image;
  Warnings warnings;
  warnings.Attach(image);
  TGIFSubImage& frame = test::AddFrame(image, 10, 5, std::string(50, '\x01'));
  EXPECT_TRUE(warnings.texts.empty());  // growing an empty screen
  EXPECT_EQ(image.Width(), 10);
  frame.SetDescriptorField(3, 12);
  EXPECT_EQ(frame.DataSize(), 60u);
  EXPECT_EQ(test::Pixels(frame), std::string(60, '\0'));
  EXPECT_EQ(warnings.texts, (std::vector<std::string>{"Image width too small for contained frames",
                                                      "Image exceeds Logical Screen size"}));
  EXPECT_EQ(image.Width(), 12);
  EXPECT_THROW(image.SetWidth(11), GIFException);
  EXPECT_EQ(image.Width(), 12);
  EXPECT_THROW(frame.PixelAt(12, 0), GIFException);
  EXPECT_THROW(frame.RowPointer(5), GIFException);
  EXPECT_EQ(frame.NeededVersion(), 1);
  frame.Extensions().Add(std::make_unique<TGIFCommentExtension>(frame));
  EXPECT_EQ(frame.NeededVersion(), 2);
}

TEST(GIFFrame, AssignCopiesTheFrameWithExtensionsOfItsOwn) {
  // A transparent 3 x 2 frame at (4, 1) with a local map, a control extension, a comment and a
  // loop extension.
  const std::string gce = std::string("\x21\xF9\x04\x05\x0A\x00\x02", 7) + kZero;
  const std::string comment = "\x21\xFE\x02hi" + kZero;
  const std::string loop = std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x03\x00", 18) + kZero;
  TGIFImage source;
  source.Header().LogicalScreenDescriptor.ScreenWidth = 7;
  source.Header().LogicalScreenDescriptor.ScreenHeight = 3;
  TGIFSubImage& from = test::AddFrame(source, 3, 2, std::string("\0\1\2\2\1\0", 6), 3);
  from.ImageDescriptor.Left = 4;
  from.ImageDescriptor.Top = 1;
  from.ImageDescriptor.PackedFields = 0x40;
  MemoryStream blocks(loop + gce + comment + ",");
  from.Extensions().LoadFromStream(blocks, from);
  ASSERT_EQ(from.Extensions().Count(), 3);
  ASSERT_TRUE(from.Transparent());

  TGIFImage target;
  TGIFSubImage copy(&target);
  copy.Assign(from);
  EXPECT_EQ(target.Width(), 0) << "the descriptor is copied, not placed";
  EXPECT_EQ(copy.Left(), 4);
  EXPECT_EQ(copy.Top(), 1);
  EXPECT_EQ(copy.Width(), 3);
  EXPECT_EQ(copy.Height(), 2);
  EXPECT_EQ(copy.ImageDescriptor.PackedFields, 0x40);
  EXPECT_EQ(test::Pixels(copy), test::Pixels(from));
  EXPECT_NE(copy.Data(), from.Data());
  ASSERT_EQ(copy.ColorMap().ColorCount(), 3);
  EXPECT_EQ(copy.ColorMap().Colors(2), from.ColorMap().Colors(2));
  ASSERT_EQ(copy.Extensions().Count(), 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NE(&copy.Extensions().Items(i), &from.Extensions().Items(i));
    EXPECT_EQ(&copy.Extensions().Items(i).OwnerFrame(), &copy);
  }
  EXPECT_NE(dynamic_cast<TGIFAppExtNSLoop*>(&copy.Extensions().Items(0)), nullptr);
  ASSERT_EQ(copy.GraphicControlExtension(), &copy.Extensions().Items(1));
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.GraphicControlExtension()->TransparentColorIndex(), 2);
  EXPECT_EQ(copy.GraphicControlExtension()->DelayTime(), 10);
  EXPECT_EQ(copy.GraphicControlExtension()->DisposalMethod(), 1);
  // The copy stands alone: the source can go.
  MemoryStream fromBytes, copyBytes;
  from.SaveToStream(fromBytes);
  source.ClearImage();
  copy.SaveToStream(copyBytes);
  EXPECT_EQ(copyBytes.Bytes(), fromBytes.Bytes());

  copy.Assign(copy);
  EXPECT_EQ(copy.Extensions().Count(), 3);
  TGIFSubImage empty(&target);
  copy.Assign(empty);
  EXPECT_TRUE(copy.IsEmptyFrame());
  EXPECT_EQ(copy.Extensions().Count(), 0);
  EXPECT_EQ(copy.ColorMap().ColorCount(), 0);
  EXPECT_FALSE(copy.Transparent());
  EXPECT_EQ(copy.GraphicControlExtension(), nullptr);

  // A comment before the trailer makes a frame without pixels: the copy keeps the comment.
  MemoryStream trailing(comment + ";");
  empty.Extensions().LoadFromStream(trailing, empty);
  copy.Assign(empty);
  EXPECT_TRUE(copy.IsEmptyFrame());
  ASSERT_EQ(copy.Extensions().Count(), 1);
  EXPECT_EQ(dynamic_cast<TGIFCommentExtension&>(copy.Extensions().Items(0)).Lines, std::vector<std::string>{"hi"});
}

TEST(GIFFrame, TooLargeForMemoryFailsCleanly) {
  TGIFImage image;
  auto frame = std::make_unique<TGIFSubImage>(&image);
  frame->ImageDescriptor.Width = 65535;
  frame->ImageDescriptor.Height = 65535;
  // 4 GiB of pixels: on a 32-bit system there is no such buffer.
  if (sizeof(std::size_t) == 4) {
    try {
      frame->AllocatePixels();
      FAIL();
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Image too large for memory");
    }
  }
}

} // namespace
} // namespace qt
