// A commit ended by a real crash right after each of its writes, flushes and cuts: the
// file must then read as exactly the old or exactly the new state, a reader must leave
// it untouched, and a writer must repair it to that same state.
#include <gtest/gtest.h>

#include <fstream>

#include "platform/fault_seam.h"
#include "store/commit.h"
#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_allocation.h"
#include "store/record_tree.h"
#include "store/store_test_support.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

using namespace testing_support;

// The committed state: records of many sizes, so that pages of many classes exist, and
// one big record alone in a page of the highest region, at the file's end.
RecordSet baseState() {
  RecordSet records;
  for (int i = 0; i < 500; ++i) records["m" + std::to_string(10000 + i)] = noise(i % 7 == 0 ? 700 : 30 + i % 50, i);
  records["zz"] = noise(13000, 99);
  return records;
}

// One change spanning many pages: a key range erased (pages emptied, slots freed), the
// tail erased with the big record (the highest region emptied before the commit: the
// file ends lower), records inserted before and after everything (new pages: the tree
// grows, regions slide up).
RecordSet change(DataFile* file, RecordSet records) {
  auto erase = [&](const std::string& key) {
    if (file != nullptr) eraseText(*file, key);
    records.erase(key);
  };
  auto insert = [&](const std::string& key, const std::string& data) {
    if (file != nullptr) insertText(*file, key, data);
    records[key] = data;
  };
  for (int i = 100; i < 260; ++i) erase("m" + std::to_string(10000 + i));
  for (int i = 420; i < 500; ++i) erase("m" + std::to_string(10000 + i));
  erase("zz");
  for (int i = 0; i < 40; ++i) insert("a" + std::to_string(i), noise(150, 500 + i));
  for (int i = 0; i < 120; ++i) insert("n" + std::to_string(i), noise(60, 900 + i));
  return records;
}

enum Seen { kOld = 0, kNew = 1, kNeither = 2, kFailed = 3 };

int classify(const RecordSet& seen, const RecordSet& old, const RecordSet& updated) {
  return seen == old ? kOld : seen == updated ? kNew : kNeither;
}

class CrashTest : public ::testing::Test {
 protected:
  void SetUp() override {
    armErrorExit();
    path = dir.file("crash.kst");
    DataFile file;
    ASSERT_EQ(openForWrite(file, path, kCreate | kDenyNone | kReadWrite), 0);
    insertAll(file, old);
    destroyDataFile(file);
    DataFile cut;
    ASSERT_EQ(openForWrite(cut, path, kDenyNone | kReadWrite), 0);
    truncateToUsed(cut);
    destroyDataFile(cut);
    base = fileBytes(path);
  }

  void TearDown() override { EXPECT_EQ(checkerProblems(path), ""); }

  // In a child: the change and its commit with the given fault plan. Returns the
  // child's exit code, after writing the steps it counted to `stepsFile`.
  int commitInChild(const platform::FaultPlan& plan) {
    return testing_support::runInChild([&] {
      DataFile file;
      if (openForWrite(file, path, kDenyNone | kReadWrite) != 0) return 10;
      change(&file, old);
      platform::armFaults(plan);
      ErrorCode result = commit(file);
      truncateToUsed(file);
      std::ofstream(dir.file("steps")) << platform::faultCounts().steps;
      platform::disarmFaults();
      return result == 0 ? 0 : 11;
    });
  }

  TempDir dir;
  std::string path;
  std::string base;
  RecordSet old = baseState();
  RecordSet updated = change(nullptr, baseState());
};

TEST_F(CrashTest, EveryWriteAndFlushOfACommit) {
  ASSERT_EQ(commitInChild(platform::FaultPlan{}), 0);
  uint64_t steps = 0;
  std::ifstream(dir.file("steps")) >> steps;
  ASSERT_GT(steps, 20u);
  RecordProperty("steps", int(steps));
  bool sawNew = false;
  for (uint64_t k = 1; k <= steps; ++k) {
    SCOPED_TRACE("crash after step " + std::to_string(k) + " of " + std::to_string(steps));
    writeBytes(path, base);
    platform::FaultPlan plan;
    plan.crashAfterStep = k;
    ASSERT_EQ(commitInChild(plan), platform::kFaultCrashExitCode);
    const std::string crashed = fileBytes(path);
    int reader = runInChild([&] {
      DataFile file;
      if (openDataFile(file, path, kDenyNone | kReadWrite, "") != 0) return int(kFailed);
      return classify(readAll(file), old, updated);
    });
    ASSERT_LT(reader, kNeither);
    ASSERT_EQ(fileBytes(path), crashed) << "the reader wrote";
    int writer = runInChild([&] {
      DataFile file;
      if (openForWrite(file, path, kDenyNone | kReadWrite) != 0) return int(kFailed);
      int seen = classify(readAll(file), old, updated);
      truncateToUsed(file);
      destroyDataFile(file);
      return seen;
    });
    ASSERT_EQ(writer, reader);
    ASSERT_EQ(checkerProblems(path), "");
    // Once the new state shows, every later crash shows it too.
    if (sawNew) {
      ASSERT_EQ(reader, kNew);
    }
    if (!sawNew && reader == kNew) RecordProperty("first_new_step", int(k));
    sawNew = reader == kNew;
  }
  EXPECT_TRUE(sawNew);
}

// Writes of the first phase that fail: a full disk from some page write on, or only the
// last one, the header at offset 0. The commit returns the error and the file keeps its
// committed state.
TEST_F(CrashTest, FailedWritesInTheFirstPhaseKeepTheCommittedState) {
  uint64_t phaseOneWrites = 0;
  {
    DataFile file;
    ASSERT_EQ(openForWrite(file, path, kDenyNone | kReadWrite), 0);
    change(&file, old);
    platform::ScopedFaults counting(platform::FaultPlan{});
    ASSERT_EQ(commitPrepare(file), 0);
    phaseOneWrites = platform::faultCounts().writes;
  }
  struct Case {
    uint64_t failWrite;
    bool later;
  } cases[] = {{1, true}, {5, true}, {phaseOneWrites - 1, true}, {phaseOneWrites, false}};
  for (const Case& c : cases) {
    writeBytes(path, base);
    DataFile file;
    ASSERT_EQ(openForWrite(file, path, kDenyNone | kReadWrite), 0);
    change(&file, old);
    {
      platform::FaultPlan plan;
      plan.failWrite = c.failWrite;
      plan.failLaterWrites = c.later;
      platform::ScopedFaults full(plan);
      EXPECT_NE(commit(file), 0) << c.failWrite;
    }
    EXPECT_EQ(fileBytes(path).substr(0, kHeaderBytes), base.substr(0, kHeaderBytes));
    EXPECT_EQ(readAll(file), old);
    truncateToUsed(file);
    destroyDataFile(file);
    EXPECT_EQ(fileBytes(path), base) << c.failWrite;
  }
}

TEST_F(CrashTest, ACommitWithoutChangesDoesNoIo) {
  DataFile file;
  ASSERT_EQ(openForWrite(file, path, kDenyNone | kReadWrite), 0);
  readAll(file);
  platform::ScopedFaults counting(platform::FaultPlan{});
  EXPECT_EQ(commit(file), 0);
  EXPECT_EQ(platform::faultCounts().steps, 0u);
  EXPECT_EQ(platform::faultCounts().reads, 0u);
}

}  // namespace
}  // namespace kestrand
