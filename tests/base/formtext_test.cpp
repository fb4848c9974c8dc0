#include "base/formtext.hpp"

#include <gtest/gtest.h>

using qt::FormValue;

TEST(FormText, ReadsNestedObjectsAndEveryValueKind) {
  const char* text = R"(// a layout
object Form1: TForm1
  Left = -5
  Color = $00D2E8D2
  Caption = 'It''s ' +
    'two'
  Font.Style = [fsBold, fsItalic]
  Empty = []
  OnCreate = FormCreate
  object Panel1: TPanel
    Data = {0A ff}
  end
end
)";
  qt::FormObject f = qt::ParseFormText(text);
  EXPECT_EQ(f.name, "Form1");
  EXPECT_EQ(f.className, "TForm1");
  ASSERT_EQ(f.properties.size(), 6u);
  EXPECT_EQ(f.properties[0].value.integer, -5);
  EXPECT_EQ(f.properties[1].value.integer, 0x00D2E8D2);
  EXPECT_EQ(f.properties[2].value.kind, FormValue::Kind::String);
  EXPECT_EQ(f.properties[2].value.text, "It's two");
  EXPECT_EQ(f.properties[3].name, "Font.Style");
  EXPECT_EQ(f.properties[3].value.items, (std::vector<std::string>{"fsBold", "fsItalic"}));
  EXPECT_TRUE(f.properties[4].value.items.empty());
  EXPECT_EQ(f.properties[5].value.kind, FormValue::Kind::Ident);
  EXPECT_EQ(f.properties[5].value.text, "FormCreate");
  ASSERT_EQ(f.children.size(), 1u);
  EXPECT_EQ(f.children[0].line, 10);
  EXPECT_EQ(f.children[0].properties[0].value.data, (std::vector<uint8_t>{0x0a, 0xff}));
}

TEST(FormText, HexDataRunsOverLinesInBraces) {
  const char* text = "object A: TA\r\n"
                     "  Picture.Data = {\r\n"
                     "    0954474946496D616765\r\n"
                     "\t  47494638 3961}\r\n"
                     "  Left = 3\r\n"
                     "  Empty = {}\r\n"
                     "end\r\n";
  qt::FormObject f = qt::ParseFormText(text);
  ASSERT_EQ(f.properties.size(), 3u);
  EXPECT_EQ(f.properties[0].name, "Picture.Data");
  EXPECT_EQ(f.properties[0].value.kind, FormValue::Kind::Data);
  const std::string bytes(f.properties[0].value.data.begin(), f.properties[0].value.data.end());
  EXPECT_EQ(bytes, "\x09TGIFImageGIF89a");
  EXPECT_EQ(f.properties[1].line, 5);
  EXPECT_EQ(f.properties[1].value.integer, 3);
  EXPECT_EQ(f.properties[2].value.kind, FormValue::Kind::Data);
  EXPECT_TRUE(f.properties[2].value.data.empty());
}

TEST(FormText, MalformedTextNamesTheLine) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"object A: TA\n  Left = =\nend\n", "line 2: a name was expected"},
      {"object A: TA\n  Caption = 'open\nend\n", "line 2: unterminated string"},
      {"object A: TA\n  Left = 1\n", "'end' of object A is missing"},
      {"object A: TA\nend\nend\n", "text after the last 'end'"},
      {"object A TA\nend\n", "':' was expected"},
      {"object A: TA\n  D = {abc}\nend\n", "odd number of hex digits"},
      {"object A: TA\n  D = {\n    0A0B\n    0C0G}\nend\n", "line 4: hex digit expected in data"},
      {"object A: TA\n  D = {\n    0A0B\n", "'}' was expected"},
  };
  for (const auto& c : cases) {
    try {
      qt::ParseFormText(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const qt::FormTextError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}
