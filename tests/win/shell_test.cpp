#include "win/shell.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace win {
namespace {

TEST(Shell, AHandlerTakesTheCallsUntilTheShellIsGivenBack) {
  std::vector<std::string> calls;
  ShellHandler before = SetShellHandler([&](const ShellCall& c) { calls.push_back(c.verb + "|" + c.file + "|" + c.parameters); });
  EXPECT_FALSE(before) << "the shell itself at first";
  ShellRun({"open", "mailto:?body=路径 C:\\a b.scr"});
  ShellRun({"install", "C:\\a b.scr", "/s"});
  ShellHandler mine = SetShellHandler({});
  EXPECT_TRUE(mine);
  EXPECT_EQ(calls, (std::vector<std::string>{"open|mailto:?body=路径 C:\\a b.scr|", "install|C:\\a b.scr|/s"}));
}

} // namespace
} // namespace win
