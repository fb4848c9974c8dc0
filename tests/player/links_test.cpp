#include "player/links.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace qt {
namespace {

TEST(LinkCommand, WebAddressesOpenAsTheyAreEverythingElseAsMail) {
  struct Case {
    const char* target;
    std::optional<std::string> command;
  } cases[] = {
      {"", std::nullopt},
      {"http", "http"},
      {"http://example.com/a b", "http://example.com/a b"},
      {"https://example.com", "https://example.com"},
      {"HTTP://example.com", "mailto:HTTP://example.com"},
      {"Http://example.com", "mailto:Http://example.com"},
      {"htt", "mailto:htt"},
      {"someone@example.com", "mailto:someone@example.com"},
      {" http://example.com", "mailto: http://example.com"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    EXPECT_EQ(LinkCommand(c.target), c.command);
  }
}

TEST(SendToFriendMail, CarriesThePathUnchangedBetweenTheTwoSentences) {
  EXPECT_EQ(SendToFriendMail("C:\\My Savers\\Sea Waves.scr"),
            "mailto:?body=如果要发送本屏保,请将 C:\\My Savers\\Sea Waves.scr 作为附件。"
            "收到邮件后将附件中的scr文件保存到本地后用鼠标右键点击即可安装。");
}

} // namespace
} // namespace qt
