// prunex as a real process: what it prints where, and its exit code.
#include <gtest/gtest.h>

#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "app/expected_boxes.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

using expected::kUsageBox;
using testing_support::runProgram;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(PrunexProcess, UsageOnStandardErrorAndExitZero) {
  const std::vector<std::vector<std::string>> cases = {{}, {"shop.kst"}, {" ", "orders"}};
  for (const auto& arguments : cases) {
    testing_support::ProcessResult result = runProgram(PRUNEX_PATH, arguments);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, kUsageBox);
    EXPECT_EQ(result.out, "");
  }
}

TEST(PrunexProcess, FailedRemovalShowsTheErrorTwiceAndExitsZero) {
  testing_support::TempDir tmp;
  testing_support::ProcessResult result = runProgram(PRUNEX_PATH, {"missing.kst", "orders"}, tmp.path().string());
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "");
  std::vector<std::string> lines = linesOf(result.err);
  ASSERT_EQ(lines.size(), 4u) << result.err;
  EXPECT_EQ(lines[0], "Error");
  EXPECT_FALSE(lines[1].empty());
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], lines[1]);
}

TEST(PrunexProcess, ExitsZeroWhenItsConsoleIsGone) {
  // Standard error is a pipe nobody reads: writing the usage box must not end the
  // process by a signal.
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  ::close(pipeFds[0]);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::dup2(pipeFds[1], 2);
    ::execl(PRUNEX_PATH, PRUNEX_PATH, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace kestrand
