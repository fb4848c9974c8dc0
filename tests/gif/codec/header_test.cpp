#include "gif/codec/GIFImage.hpp"
#include "tests/gif/codec/fixtures.hpp"

#include <gtest/gtest.h>

namespace qt {
namespace {

using test::Header;
using test::LoadBytes;

TEST(GIFHeader, SignatureIsFoundAlsoAfterALengthPrefix) {
  const std::string screen = test::Le16(100) + test::Le16(80) + std::string("\x80\x00\x00", 3) +
                             "\x01\x02\x03\x04\x05\x06";
  for (std::string signature : {std::string("GIF89a"), std::string("gif87a"), std::string("GIFxyz"),
                                std::string("\x10\x00\x00\x00GIF89a", 10)}) {
    TGIFImage image;
    MemoryStream s(signature + screen);
    image.Header().LoadFromStream(s);
    EXPECT_EQ(image.Width(), 100) << signature;
    EXPECT_EQ(image.Height(), 80);
    EXPECT_EQ(image.Header().ColorMap().ColorCount(), 2);
    EXPECT_EQ(image.Header().ColorMap().Colors(1), 0x060504u);
  }
  for (std::string bad : {std::string("GIX89a") + screen, std::string("abcdGIX89a") + screen}) {
    TGIFImage image;
    MemoryStream s(bad);
    try {
      image.Header().LoadFromStream(s);
      FAIL();
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Invalid GIF signature");
    }
  }
  // Short screen descriptor or colour table.
  for (std::string cut : {std::string("GIF89a\x10\x00"), std::string("GIF89a") + screen.substr(0, 9)}) {
    TGIFImage image;
    MemoryStream s(cut);
    EXPECT_THROW(image.Header().LoadFromStream(s), GIFException);
  }
}

TEST(GIFHeader, SizeFieldsFollowTheMaps) {
  // A 4-colour global map and a frame with a 256-colour local map: size field 1, resolution 7.
  TGIFImage image;
  for (int i = 0; i < 4; ++i)
    image.Header().ColorMap().Add(static_cast<TColor>(i));
  test::AddFrame(image, 1, 1, std::string(1, '\0'), 256);
  const std::string bytes = test::SaveBytes(image);
  EXPECT_EQ(bytes.substr(0, 6), "GIF87a");
  EXPECT_EQ(static_cast<unsigned char>(bytes[10]), 0x80 | 0x70 | 1);
  EXPECT_EQ(bytes[13 + 12], ',');  // the 4 global triples end there

  // No colours anywhere: both fields 7, no global table.
  TGIFImage bare;
  test::AddFrame(bare, 1, 1, std::string(1, '\0'));
  const std::string plain = test::SaveBytes(bare);
  EXPECT_EQ(static_cast<unsigned char>(plain[10]), 0x77);
  EXPECT_EQ(plain[13], ',');

  TGIFImage none;
  try {
    test::SaveBytes(none);
    FAIL();
  } catch (const GIFException& e) {
    EXPECT_STREQ(e.what(), "Unsupported GIF version");
  }
}

TEST(GIFHeader, AssignedAColourMapTheHeaderIsClearedAroundACopyOfIt) {
  TGIFImage image;
  TGIFSubImage& frame = test::AddFrame(image, 1, 1, std::string(1, '\0'), 3);
  frame.ColorMap().SetSortedByUse(true);
  TGIFHeader& header = image.Header();
  header.LogicalScreenDescriptor = {40, 30, 0x91, 2, 49};
  header.ColorMap().Add(0x123456);
  header.Assign(frame.ColorMap());
  EXPECT_EQ(header.LogicalScreenDescriptor.ScreenWidth, 0);
  EXPECT_EQ(header.LogicalScreenDescriptor.ScreenHeight, 0);
  EXPECT_EQ(header.LogicalScreenDescriptor.PackedFields, 0);
  EXPECT_EQ(header.LogicalScreenDescriptor.BackgroundColorIndex, 0);
  EXPECT_EQ(header.LogicalScreenDescriptor.AspectRatio, 0);
  ASSERT_EQ(header.ColorMap().ColorCount(), 3);
  EXPECT_EQ(header.ColorMap().Colors(2), 0x020202u);
  EXPECT_TRUE(header.ColorMap().SortedByUse());
  // Its own map: nothing changes.
  header.LogicalScreenDescriptor.ScreenWidth = 7;
  header.Assign(header.ColorMap());
  EXPECT_EQ(header.LogicalScreenDescriptor.ScreenWidth, 7);
  EXPECT_EQ(header.ColorMap().ColorCount(), 3);
}

TEST(GIFHeader, SortedMapOrAspectNeeds89a) {
  TGIFImage image;
  EXPECT_EQ(image.Header().NeededVersion(), 1);
  image.Header().LogicalScreenDescriptor.AspectRatio = 49;
  EXPECT_EQ(image.Header().NeededVersion(), 2);
  image.Header().LogicalScreenDescriptor.AspectRatio = 0;
  image.Header().ColorMap().SetSortedByUse(true);
  EXPECT_EQ(image.Header().NeededVersion(), 2);
}

} // namespace
} // namespace qt
