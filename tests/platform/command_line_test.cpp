#include "platform/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "runtime/command_parameter.h"

namespace kestrand::platform {
namespace {

TEST(CommandLine, QuotesOnlyWhatTheTokeniserWouldSplit) {
  struct Case {
    std::vector<std::string> arguments;
    std::string line;
  };
  const Case cases[] = {
      {{"prunex", "shop.kst", "orders"}, "prunex shop.kst orders"},
      {{"prunex", "my shop.kst", "orders"}, "prunex \"my shop.kst\" orders"},
      {{"/usr/bin/prunex", "/data/shop.kst"}, "\"/usr/bin/prunex\" \"/data/shop.kst\""},
      {{"prunex", "a,b", "say \"hi\""}, "prunex a,b \"say \"\"hi\"\"\""},
      {{"prunex", "", "B\xC3\xBC" "cher"}, "prunex \" \" B\xC3\xBC" "cher"},
      {{"prunex", "tab\there", "x\x01y"}, "prunex \"tab\there\" \"x\x01y\""},
      {{"prunex", "\"", "\"\"x"}, "prunex \"\" \"\"\"\"\"x\""},
      {{}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(commandLineFromArguments(c.arguments), c.line);
}

TEST(CommandLine, EveryArgumentArrivesAsOneParameter) {
  std::vector<std::string> arguments = {
      "my prog", "/data/my shop.kst", "a/b", "/t", "x y,z", "\"", "\"\"", "\"a", "a\"b\"", "\"/\"", "",
      "B\xC3\xBC" "cher", "tab\tand\nline", "  padded  ", "ctl\x01" "char", "-flag=1",
  };
  for (const char* program : {"my prog", "\"", "a\"b c", "", "/usr/bin/prunex"}) {
    arguments[0] = program;
    runtime::CommandParameters parameters(commandLineFromArguments(arguments), "");
    for (std::size_t i = 1; i < arguments.size(); ++i) {
      std::string expected = arguments[i].empty() ? " " : arguments[i];  // clips to empty
      EXPECT_EQ(parameters.commandParameter(std::to_string(i)), expected) << program << ", argument " << i;
    }
    EXPECT_EQ(parameters.commandParameter(std::to_string(arguments.size())), "");
  }
}

TEST(CommandLine, ACommaSeparatesParametersAsItAlwaysDid) {
  // A comma inside a quoted argument (a space makes it quoted) is kept; a bare one splits.
  runtime::CommandParameters parameters(commandLineFromArguments({"prunex", "data.kst,customers", "pw"}), "");
  EXPECT_EQ(parameters.commandParameter("1"), "data.kst");
  EXPECT_EQ(parameters.commandParameter("2"), "customers");
  EXPECT_EQ(parameters.commandParameter("3"), "pw");
}

TEST(CommandLine, ProgramPathIsTheRunningExecutable) {
  std::string path = programPath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_TRUE(std::filesystem::is_regular_file(path));
  EXPECT_TRUE(std::filesystem::equivalent(path, "/proc/self/exe"));
}

}  // namespace
}  // namespace kestrand::platform
