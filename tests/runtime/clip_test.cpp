#include "runtime/clip.h"

#include <gtest/gtest.h>

namespace kestrand::runtime {
namespace {

TEST(Clip, DropsTrailingSpacesOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""}, {"   ", ""}, {"a  ", "a"}, {"  a b ", "  a b"}, {"a\t", "a\t"}, {"a \t ", "a \t"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(CLIP(text), expected) << '"' << text << '"';
}

}  // namespace
}  // namespace kestrand::runtime
