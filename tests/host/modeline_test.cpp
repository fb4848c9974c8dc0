#include "host/modeline.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>

namespace qt {
namespace {

struct CommandLineCase {
  const char* first;
  const char* second;
  scrmode mode;
  char letter;
  HostWindow window;
};

const CommandLineCase kCommandLines[] = {
    {"/s", "", mRun, 'S', {}},
    {"-S", "", mRun, 'S', {}},
    {"xs", "", mRun, 'S', {}},
    {"USERDEMO", "", mRun, 'S', {}},
    {"userdemo", "", mRun, 'S', {}},
    // The demo words run, but their letter is E: closing never asks for the password.
    {"DEMO1", "", mRun, 'E', {}},
    {"demo2", "", mRun, 'E', {}},
    {"DEMO3", "", mConfig, 'E', {}},
    {"/p", "1234", mPreview, 'P', {1234, true}},
    {"-P", "1234", mPreview, 'P', {1234, true}},
    {"/p:1234", "", mPreview, 'P', {}},
    {"/a", "1234", mPassword, 'A', {1234, true}},
    {"/a", "", mPassword, 'A', {}},
    {"", "", mConfig, '\0', {}},
    {"/c", "", mConfig, 'C', {}},
    {"/c:1234", "", mConfig, 'C', {}},
    {"/x", "", mConfig, 'X', {}},
    {"s", "", mConfig, '\0', {}},
};

void PrintTo(const CommandLineCase& c, std::ostream* os) {
  *os << '"' << c.first << "\" \"" << c.second << '"';
}

class CommandLine : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLine, DecidesModeLetterAndWindow) {
  const CommandLineCase& c = GetParam();
  EXPECT_EQ(ModeFromCommandLine(c.first), c.mode);
  EXPECT_EQ(ModeLetter(c.first), c.letter);
  EXPECT_EQ(ParseHostWindow(c.second), c.window);
}

INSTANTIATE_TEST_SUITE_P(Arguments, CommandLine, testing::ValuesIn(kCommandLines),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(HostWindow, OnlyAWholeDecimalNumberOtherThanMinusOneIsUsable) {
  const std::pair<const char*, HostWindow> cases[] = {
      {"0", {0, true}},   {"2147483647", {2147483647, true}},
      {"-5", {-5, true}}, {"-1", {-1, false}},
      {"2147483648", {}}, {"12x", {}},
      {" 12", {}},        {"0x10", {}},
      {"", {}},
  };
  for (const auto& [argument, window] : cases)
    EXPECT_EQ(ParseHostWindow(argument), window) << '"' << argument << '"';
}

} // namespace
} // namespace qt
