#include "gif/codec/GIFImage.hpp"
#include "tests/gif/codec/fixtures.hpp"

#include <gtest/gtest.h>

namespace qt {
namespace {

using test::Descriptor;
using test::Header;
using test::LoadBytes;
using test::Warnings;

// One 1x1 frame of pixel 0 after the given extension bytes.
std::string WithExtension(const std::string& extension) {
  return Header(1, 1, 2) + extension + Descriptor(0, 0, 1, 1, 0) + "\x02\x02\x44\x01" +
         std::string(1, '\0') + ";";
}

std::string Ns(const std::string& subBlocks) {
  return "\x21\xFF\x0BNETSCAPE2.0" + subBlocks;
}

TEST(GIFExtensions, RegistriesPickTheClass) {
  struct Case { std::string bytes; const TGIFExtensionClass* cls; };
  const std::string zero(1, '\0');
  const Case cases[] = {
      {"\xF9\x04", &TGIFGraphicControlExtension::kClass},
      {"\x01\x0C", &TGIFTextExtension::kClass},
      {"\xFE\x00", &TGIFCommentExtension::kClass},
      {"\xFF\x0BNETSCAPE2.0\x03", &TGIFAppExtNSLoop::kClass},
      {"\xFF\x0B" "ANIMEXTS1.0\x03", &TGIFAppExtNSLoop::kClass},
      {"\xFF\x0BXMP DataXMP\x05", &TGIFUnknownAppExtension::kClass},
      {"\xFF\x0AXMP DataXM\x05", &TGIFUnknownAppExtension::kClass},
      {"\xFF\x0Cnetscape2.0!\x05", &TGIFUnknownAppExtension::kClass},
      // Asked again at the first data sub-block: only sizes 10 and 11 name another class.
      {"\xFF\x0BNETSCAPE2.0\x0C", &TGIFAppExtNSLoop::kClass},
      {"\xFF\x0B" "ANIMEXTS1.0\xFF", &TGIFAppExtNSLoop::kClass},
      {"\xFF\x0BNETSCAPE2.0\x0A" "0123456789\x05", &TGIFUnknownAppExtension::kClass},
      {"\xFF\x0BNETSCAPE2.0\x0BXMP DataXMP\x05", &TGIFUnknownAppExtension::kClass},
      {"\xFF\x0BXMP DataXMP\x0C", &TGIFUnknownAppExtension::kClass},
      {"\xFF\x05" "abcde", &TGIFApplicationExtension::kClass},
      {"\xFF\x0B" "NETSC", &TGIFApplicationExtension::kClass},
      {"\x02\x00", nullptr},
      {"", nullptr},
  };
  for (const Case& c : cases) {
    MemoryStream s(c.bytes);
    EXPECT_EQ(ResolveExtensionClass(s), c.cls) << c.bytes;
    EXPECT_EQ(s.Position(), 0u);
  }
}

TEST(GIFExtensions, LoopExtensionLoadsAndSavesItsValues) {
  const std::string loop5 = Ns(std::string("\x03\x01\x05\x00\x00", 5));
  auto image = LoadBytes(WithExtension(loop5));
  auto& loop = dynamic_cast<TGIFAppExtNSLoop&>(image->Images().Items(0).Extensions().Items(0));
  EXPECT_EQ(loop.LoopCount, 5);
  EXPECT_EQ(loop.StreamBufferSize, 0u);
  EXPECT_EQ(test::SaveBytes(*image), WithExtension(loop5));

  loop.StreamBufferSize = 4096;
  MemoryStream s;
  loop.SaveToStream(s);
  EXPECT_EQ(s.Bytes(), Ns(std::string("\x03\x01\x05\x00\x05\x02\x00\x10\x00\x00\x00", 11)));

  // Kind 9 counts as kind 1; kind 3 is dropped; ANIMEXTS keeps its identifier.
  const std::string anim = "\x21\xFF\x0B" "ANIMEXTS1.0" + std::string("\x03\x09\x07\x00\x02\x03\x01\x00", 8);
  auto other = LoadBytes(WithExtension(anim));
  auto& a = dynamic_cast<TGIFAppExtNSLoop&>(other->Images().Items(0).Extensions().Items(0));
  EXPECT_EQ(a.LoopCount, 7);
  EXPECT_EQ(test::SaveBytes(*other),
            WithExtension("\x21\xFF\x0B" "ANIMEXTS1.0" + std::string("\x03\x01\x07\x00\x00", 5)));

  // A first sub-block of 12 bytes or more still carries the loop count.
  for (std::string identifier : {"NETSCAPE2.0", "ANIMEXTS1.0"}) {
    const std::string wide = "\x21\xFF\x0B" + identifier + std::string("\x0C\x01\x09\x00", 4) +
                             std::string(9, 'x') + std::string(1, '\0');
    auto loaded = LoadBytes(WithExtension(wide));
    auto* l = dynamic_cast<TGIFAppExtNSLoop*>(&loaded->Images().Items(0).Extensions().Items(0));
    ASSERT_NE(l, nullptr) << identifier;
    EXPECT_EQ(l->LoopCount, 9);
  }

  for (std::string bad : {Ns(std::string("\x02\x01\x07\x00", 4)), Ns(std::string("\x04\x02\x01\x02\x03\x00", 6))}) {
    try {
      LoadBytes(WithExtension(bad));
      FAIL();
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Invalid GIF data");
    }
  }
}

TEST(GIFExtensions, ApplicationBlocksComeBackAsRead) {
  const std::string zero(1, '\0');
  // An unclaimed identifier with its sub-blocks, and a long block (kept as read).
  for (std::string app : {"\x21\xFF\x0BXMP DataXMP\x03" "abc\x01z" + zero,
                          "\x21\xFF\x0Dmy app 1.0xyz\x02" "hi" + zero}) {
    const std::string file = WithExtension(app);
    EXPECT_EQ(test::SaveBytes(*LoadBytes(file)), file);
  }
  // Block size 10: the identifier gets a zero byte and is written with size 11.
  auto image = LoadBytes(WithExtension("\x21\xFF\x0A" "ABCDEFGHIJ\x01Z" + zero));
  EXPECT_EQ(test::SaveBytes(*image), WithExtension("\x21\xFF\x0B" "ABCDEFGHIJ" + zero + "\x01Z" + zero));
  for (int size = 0; size <= 9; ++size) {
    try {
      LoadBytes(WithExtension("\x21\xFF" + std::string(1, static_cast<char>(size)) +
                              std::string(static_cast<std::size_t>(size), 'a') + zero));
      FAIL() << size;
    } catch (const GIFException& e) {
      EXPECT_STREQ(e.what(), "Unsupported Application Extension block size");
    }
  }
}

TEST(GIFExtensions, UnknownLabelIsSkippedWithAWarning) {
  Warnings warnings;
  std::string unknown("\x21\x02\x03" "abc\x02xy");
  unknown += '\0';
  auto image = LoadBytes(WithExtension(unknown), &warnings);
  EXPECT_EQ(warnings.texts, std::vector<std::string>{"Unknown extension type"});
  ASSERT_EQ(image->Images().Count(), 1);
  EXPECT_EQ(image->Images().Items(0).Extensions().Count(), 0);
  EXPECT_EQ(image->Images().Items(0).Width(), 1);
}

TEST(GIFExtensions, GraphicControlValuesAndTransparency) {
  const std::string gce("\x21\xF9\x04\x09\x0A\x00\x01\x00", 8);  // transparent 1, disposal 2, 10/100 s
  auto image = LoadBytes(WithExtension(gce));
  TGIFSubImage& frame = image->Images().Items(0);
  ASSERT_NE(frame.GraphicControlExtension(), nullptr);
  TGIFGraphicControlExtension& g = *frame.GraphicControlExtension();
  EXPECT_TRUE(frame.Transparent());
  EXPECT_EQ(g.DelayTime(), 10);
  EXPECT_EQ(g.DisposalMethod(), 2);
  EXPECT_EQ(g.TransparentColorIndex(), 1);
  EXPECT_EQ(test::Pixels(frame), std::string(1, '\0'));
  EXPECT_EQ(test::SaveBytes(*image), WithExtension(gce));

  // An index past a 2-colour map warns and becomes 0; a second extension does not take the link.
  Warnings warnings;
  warnings.Attach(*image);
  g.SetTransparentColorIndex(20);
  EXPECT_EQ(g.TransparentColorIndex(), 0);
  EXPECT_EQ(warnings.texts, std::vector<std::string>{"Invalid color index"});
  frame.Extensions().Add(TGIFGraphicControlExtension::kClass.Create(frame));
  EXPECT_EQ(frame.GraphicControlExtension(), &g);
  frame.Extensions().Delete(0);
  EXPECT_EQ(frame.GraphicControlExtension(), nullptr);
  EXPECT_FALSE(frame.Transparent());

  // A block that ends after three bytes warns and the load goes on.
  Warnings cut;
  auto shortOne = LoadBytes(Header(1, 1, 2) + "\x21\xF9\x04\x01\x00", &cut);
  EXPECT_EQ(cut.texts, std::vector<std::string>{"Premature end of data"});
}

TEST(GIFExtensions, CommentsAndTextComeBackInSubBlocks) {
  TGIFImage image;
  TGIFSubImage& frame = test::AddFrame(image, 1, 1, std::string(1, '\0'));
  auto comment = std::make_unique<TGIFCommentExtension>(frame);
  comment->Lines = {std::string(600, 'c')};
  frame.Extensions().Add(std::move(comment));
  frame.Extensions().Add(std::make_unique<TGIFTextExtension>(frame));
  MemoryStream s;
  frame.Extensions().SaveToStream(s);
  const std::string zero(1, '\0');
  EXPECT_EQ(s.Bytes(), "\x21\xFE\xFF" + std::string(255, 'c') + "\xFF" + std::string(255, 'c') +
                           "\x5A" + std::string(90, 'c') + zero + "\x21\x01\x0C" +
                           std::string(12, '\0') + zero);
  auto again = LoadBytes(test::SaveBytes(image));
  auto& lines = dynamic_cast<TGIFCommentExtension&>(again->Images().Items(0).Extensions().Items(0)).Lines;
  EXPECT_EQ(lines, (std::vector<std::string>{std::string(255, 'c'), std::string(255, 'c'),
                                             std::string(90, 'c')}));
  EXPECT_EQ(again->RequiredVersion(), 2);
}

} // namespace
} // namespace qt
