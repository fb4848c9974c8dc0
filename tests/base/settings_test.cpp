#include "base/settings.hpp"
#include "base/text_lines.hpp"

#include <gtest/gtest.h>

namespace qt {
namespace {

std::string Normalized(const std::string& text) {
  SettingsStore store;
  store.SetLines(SplitLines(text));
  return JoinLines(store.Lines());
}

struct ParseCase {
  const char* name;
  const char* text;
  const char* written;
};

TEST(SettingsStore, ReadsTheSettingsTextRules) {
  const ParseCase cases[] = {
      {"nothing", "", ""},
      {"lines before the first section are ignored", "a=1\r\n[s]\r\nb=2", "[s]\r\nb=2\r\n\r\n"},
      {"trimmed lines, keys, values and names", "  [ s ]  \r\n  key  =  a value  \r\n",
       "[s]\r\nkey=a value\r\n\r\n"},
      {"empty lines and comments are ignored", "[s]\r\n\r\n;a=1\r\n  ; b=2\r\nc=3;4\r\n",
       "[s]\r\nc=3;4\r\n\r\n"},
      {"only the first equals sign splits", "[s]\r\nurl=http://x/?a=b\r\n",
       "[s]\r\nurl=http://x/?a=b\r\n\r\n"},
      {"empty value and empty key", "[s]\r\nk=\r\n=v\r\n", "[s]\r\nk=\r\n=v\r\n\r\n"},
      {"a line without an equals sign stays", "[s]\r\n just text \r\n", "[s]\r\njust text\r\n\r\n"},
      {"a repeated section continues the first", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n[A]\r\nz=3\r\n",
       "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n\r\n"},
      {"a repeated key keeps its first value", "[s]\r\nk=1\r\nK=2\r\n", "[s]\r\nk=1\r\n\r\n"},
      {"empty section", "[e]\r\n[s]\r\nk=v", "[e]\r\n\r\n[s]\r\nk=v\r\n\r\n"},
      {"brackets must close the line", "[s]\r\n[t] x\r\n", "[s]\r\n[t] x\r\n\r\n"},
      // 0x5d is "]" as an ASCII byte but here the second byte of a two-byte character.
      {"a GBK trail byte is no closing bracket", "[s]\r\n[\x81\x5d\r\n", "[s]\r\n[\x81\x5d\r\n\r\n"},
      {"GBK section and values", "[\xc5\xe4\xd6\xc3]\r\n\xc3\xfb=\xd6\xb5\r\n",
       "[\xc5\xe4\xd6\xc3]\r\n\xc3\xfb=\xd6\xb5\r\n\r\n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Normalized(c.text), c.written) << c.name;
}

TEST(SettingsStore, NamesCompareWithoutAsciiCaseButKeepGbkCharactersApart) {
  SettingsStore store;
  store.SetLines(SplitLines("[Other]\r\nTitle=abc\r\n[\x81\x41]\r\nk=upper\r\n[\x81\x61]\r\nk=lower\r\n"));
  const struct {
    const char* section;
    const char* key;
    const char* value;
  } reads[] = {
      {"other", "title", "abc"},
      {"OTHER", "TITLE", "abc"},
      {"other", "hint1", "fallback"},
      {"config", "title", "fallback"},
      // Two different characters whose second bytes differ only in ASCII case.
      {"\x81\x41", "k", "upper"},
      {"\x81\x61", "K", "lower"},
  };
  for (const auto& r : reads)
    EXPECT_EQ(store.ReadString(r.section, r.key, "fallback"), r.value) << r.section << " " << r.key;
}

TEST(SettingsStore, SetLinesReplacesTheWholeContent) {
  SettingsStore store;
  store.WriteString("old", "k", "v");
  store.SetLines(SplitLines("[new]\r\nk=w\r\n"));
  EXPECT_EQ(store.ReadString("old", "k"), "");
  EXPECT_EQ(store.ReadString("new", "k"), "w");
}

TEST(SettingsStore, WritesTheOptionsBlockForm) {
  SettingsStore store;
  store.SetLines(SplitLines("[other]\r\nTITLE=old\r\nurl3=x\r\n"));
  // Existing keys keep their place, new ones follow in the order written.
  for (const char* key : {"hint1", "hint2", "title", "url1", "url2", "url3"})
    store.WriteString("Other", key, "");
  store.WriteString("other", "title", "abc");
  store.WriteString("config", "skip", "1");
  EXPECT_EQ(JoinLines(store.Lines()),
            "[other]\r\nTITLE=abc\r\nurl3=\r\nhint1=\r\nhint2=\r\nurl1=\r\nurl2=\r\n\r\n"
            "[config]\r\nskip=1\r\n\r\n");
}

} // namespace
} // namespace qt
