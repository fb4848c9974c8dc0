#include "win/shell.hpp"

#include "win/text.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace win {
namespace {

TEST(Shell, AHandlerTakesTheCallsUntilTheShellIsGivenBack) {
  std::vector<std::wstring> calls;
  ShellHandler before = SetShellHandler(
      [&](const ShellCall& c) { calls.push_back(Widen(c.verb) + L"|" + c.file + L"|" + Widen(c.parameters)); });
  EXPECT_FALSE(before) << "the shell itself at first";
  // A text is code page 936; a path keeps what code page 936 lacks.
  ShellRun({"open", "mailto:?body=路径 C:\\a b.scr"});
  ShellRun({"install", L"C:\\Jörg\\a b.scr", "/s"});
  ShellHandler mine = SetShellHandler({});
  EXPECT_TRUE(mine);
  EXPECT_EQ(calls, (std::vector<std::wstring>{L"open|mailto:?body=路径 C:\\a b.scr|", L"install|C:\\Jörg\\a b.scr|/s"}));
}

} // namespace
} // namespace win
