#include "platform/fault_seam.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/last_error.h"
#include "platform/os_file.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kestrand::platform {
namespace {

using testing_support::runInChild;
using testing_support::TempDir;

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class FaultSeamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    OpenMode mode;
    mode.write = true;
    mode.disposition = Disposition::openAlways;
    ASSERT_TRUE(file.open(path, mode));
  }
  void TearDown() override { disarmFaults(); }

  bool write(uint64_t offset, const std::string& text) {
    std::size_t done = 0;
    bool ok = file.writeAt(offset, text.data(), text.size(), done);
    lastDone = done;
    return ok;
  }

  TempDir dir;
  std::string path = dir.file("f");
  OsFile file;
  std::size_t lastDone = 0;
};

TEST_F(FaultSeamTest, OffByDefault) {
  EXPECT_TRUE(write(0, "abcd"));
  EXPECT_EQ(faultCounts().writes, 0u);
}

TEST_F(FaultSeamTest, CountsEachServiceAndTheirSequence) {
  ScopedFaults counting(FaultPlan{});
  ASSERT_TRUE(write(0, "ab"));
  ASSERT_TRUE(file.flush());
  ASSERT_TRUE(file.truncate(1));
  char byte = 0;
  std::size_t done = 0;
  ASSERT_TRUE(file.readAt(0, &byte, 1, done));
  FaultCounts counts = faultCounts();
  EXPECT_EQ(counts.writes, 1u);
  EXPECT_EQ(counts.flushes, 1u);
  EXPECT_EQ(counts.reads, 1u);
  EXPECT_EQ(counts.steps, 3u);
}

TEST_F(FaultSeamTest, FailedWriteWritesNothing) {
  ScopedFaults faults(FaultPlan{.failWrite = 2});
  EXPECT_TRUE(write(0, "aa"));
  setLastError(0);
  EXPECT_FALSE(write(2, "bb"));
  EXPECT_EQ(lastError(), syserr::kHandleDiskFull);
  EXPECT_TRUE(write(4, "cc"));  // only the second
  EXPECT_EQ(readText(path), std::string("aa\0\0cc", 6));
}

TEST_F(FaultSeamTest, AFullDiskStaysFull) {
  ScopedFaults faults(FaultPlan{.failWrite = 2, .failLaterWrites = true});
  EXPECT_TRUE(write(0, "aa"));
  EXPECT_FALSE(write(2, "bb"));
  EXPECT_FALSE(write(4, "cc"));
  EXPECT_EQ(readText(path), "aa");
}

TEST_F(FaultSeamTest, ShortWriteStoresHalfAndReportsIt) {
  ScopedFaults faults(FaultPlan{.shortWrite = 1});
  EXPECT_TRUE(write(0, "abcd"));
  EXPECT_EQ(lastDone, 2u);
  EXPECT_EQ(readText(path), "ab");
}

TEST_F(FaultSeamTest, FailedRead) {
  ASSERT_TRUE(write(0, "abcd"));
  ScopedFaults faults(FaultPlan{.failRead = 1});
  char bytes[4] = {};
  std::size_t done = 0;
  EXPECT_FALSE(file.readAt(0, bytes, 4, done));
  EXPECT_EQ(lastError(), syserr::kReadFault);
  EXPECT_TRUE(file.readAt(0, bytes, 4, done));
  EXPECT_EQ(done, 4u);
}

// A crash ends the child right after the chosen write, flush or step: what was written
// up to it is in the file, nothing after it.
TEST_F(FaultSeamTest, CrashRightAfterTheChosenPoint) {
  struct Case {
    const char* name;
    FaultPlan plan;
    const char* left;
  };
  const Case cases[] = {
      {"second write", FaultPlan{.crashAfterWrite = 2}, "ab"},
      {"first flush", FaultPlan{.crashAfterFlush = 1}, "ab"},
      {"second flush", FaultPlan{.crashAfterFlush = 2}, "abc"},
      {"fourth step", FaultPlan{.crashAfterStep = 4}, "abc"},
      {"first step", FaultPlan{.crashAfterStep = 1}, "a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(file.truncate(0));
    int code = runInChild([&] {
      armFaults(c.plan);
      write(0, "a");
      write(1, "b");
      file.flush();
      write(2, "c");
      file.flush();
      write(3, "d");
      return 0;
    });
    EXPECT_EQ(code, kFaultCrashExitCode);
    EXPECT_EQ(readText(path), c.left);
  }
}

}  // namespace
}  // namespace kestrand::platform
