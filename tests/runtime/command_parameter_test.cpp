#include "runtime/command_parameter.h"

#include <gtest/gtest.h>

namespace kestrand::runtime {
namespace {

using Tokens = std::vector<std::string>;

TEST(ParameterText, SkipsTheProgramName) {
  const std::pair<const char*, const char*> cases[] = {
      {"prunex a b", "a b"},
      {" \t prunex  \t a  b ", "a  b "},
      {"\"C:\\My Tools\\prunex.exe\" a", "a"},
      {"pro\"g x\"y z", "z"},  // quotes switch anywhere in the name
      {"B\xC3\xBC" "cher\xA0x y", "y"},  // bytes from 0x80 up are part of the name
      {"prunex", ""},
      {"", ""},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(parameterTextOf(line), expected) << line;
}

TEST(ParameterTokens, SplitAsTheRuntimeDoes) {
  struct Case {
    const char* text;
    Tokens tokens;
  };
  const Case cases[] = {
      {"", {}},
      {"   ", {}},
      {"a b", {"a", "b"}},
      {"data.kst,customers", {"data.kst", "customers"}},
      {"data.kst , customers", {"data.kst", "customers"}},
      {"\"data.kst\" \"customers\"", {"data.kst", "customers"}},
      {"a,,b", {"a", "", "b"}},
      {",a", {"", "a"}},
      {"a,", {"a"}},
      {"a.kst/t", {"a.kst", "/t"}},
      {"/a/b", {"/a", "/b"}},
      {"a//b", {"a", "/", "/b"}},
      {"\"a b/c,d\" e", {"a b/c,d", "e"}},
      {"\"\"", {"\""}},
      {"\"\"\"\"", {"\"\""}},
      {"\"a\"\"b\"", {"a\"b"}},
      {"a\"\"b", {"a\"b"}},
      {"\"a\"b\"c d\"", {"abc d"}},
      {"\"\"/x", {"\"", "/x"}},
      {"\"open to the end", {"open to the end"}},
      {"\"  padded  \" x", {"  padded  ", "x"}},
      {"a\tb\r\nc", {"a", "b", "c"}},
      {"a\x01" "b", {"a", "b"}},
      {"\x01" "b", {"", "b"}},  // a control character is no white space before a token
      {"B\xC3\xBC" "cher \xE9t\xE9", {"B\xC3\xBC" "cher", "\xE9t\xE9"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(parameterTokens(c.text), c.tokens) << testing::PrintToString(std::string(c.text));
  }
}

TEST(CommandParameter, SelectorsAsNumbersAndNames) {
  const CommandParameters parameters("prunex data.kst /Mode=Fast user=Bob,,x User=Ann /pw", "/opt/prunex");
  const std::pair<const char*, const char*> cases[] = {
      {"", "data.kst /Mode=Fast user=Bob,,x User=Ann /pw"},
      {"   ", "data.kst /Mode=Fast user=Bob,,x User=Ann /pw"},
      {"0", "/opt/prunex"},
      {"1", "data.kst"},
      {"2", "/Mode=Fast"},
      {"3", "user=Bob"},
      {"4", ""},  // the empty token between two commas
      {"5", "x"},
      {"7", "/pw"},
      {"8", ""},
      {"99999999999999999999999", ""},
      {" +1", "data.kst"},
      {"1  ", "data.kst"},
      {"2nd", "/Mode=Fast"},
      {"-1", ""},
      {"user", "Bob"},   // the first of two matches
      {"USER", "Bob"},
      {"us", ""},        // the key is "us="
      {"user=", ""},     // the key is "user=="
      {"/mode", "Mode=Fast"},
      {"/MODE=", "Mode=Fast"},  // the whole token, less its "/"
      {"/p", "pw"},
      {"/x", ""},
      {"nobody", ""},
      {"00", ""},        // a name, "00="
  };
  for (const auto& [selector, expected] : cases) {
    EXPECT_EQ(parameters.commandParameter(selector), expected) << '"' << selector << '"';
  }
}

}  // namespace
}  // namespace kestrand::runtime
