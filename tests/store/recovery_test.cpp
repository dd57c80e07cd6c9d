// Recovery of pending commit areas left behind by a process that stopped, built here by
// running phase 1 alone (and damaging the area where a case asks for it).
#include "store/recovery.h"

#include <gtest/gtest.h>

#include <fstream>

#include "store/commit.h"
#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_allocation.h"
#include "store/record_tree.h"
#include "store/store_test_support.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

using namespace testing_support;

// Stops like a process killed right after phase 1: nothing more is written.
void stopAfterPhaseOne(DataFile& file) {
  ASSERT_EQ(commitPrepare(file), 0);
  closeDiskFile(file.diskFile);
}

RecordSet readAsReader(const std::string& path) {
  DataFile reader;
  EXPECT_EQ(openDataFile(reader, path, kDenyNone | kReadWrite, ""), 0);
  return readAll(reader);
}

RecordSet readAsWriter(const std::string& path) {
  DataFile writer;
  EXPECT_EQ(openForWrite(writer, path, kDenyNone | kReadWrite), 0);
  RecordSet records = readAll(writer);
  destroyDataFile(writer);
  return records;
}

class RecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    armErrorExit();
    path = dir.file("pending.kst");
    DataFile file;
    ASSERT_EQ(openForWrite(file, path, kCreate | kDenyNone | kReadWrite), 0);
    for (int i = 0; i < 400; ++i) before["a" + std::to_string(1000 + i)] = noise(i % 5 == 0 ? 900 : 40, i);
    before["zbig"] = noise(14000, 7);  // alone in a page of the highest region
    insertAll(file, before);
    destroyDataFile(file);
    truncateCommitted();
  }

  void truncateCommitted() {
    DataFile file;
    ASSERT_EQ(openForWrite(file, path, kDenyNone | kReadWrite), 0);
    truncateToUsed(file);
    destroyDataFile(file);
  }

  // Phase 1 of a change that erases the last fifth of the records and the big one
  // (emptying pages and freeing slots, the highest region's among them) and adds new ones.
  RecordSet prepareChange() {
    RecordSet after = before;
    DataFile file;
    EXPECT_EQ(openForWrite(file, path, kDenyNone | kReadWrite), 0);
    for (int i = 320; i < 400; ++i) {
      std::string key = "a" + std::to_string(1000 + i);
      EXPECT_TRUE(eraseText(file, key));
      after.erase(key);
    }
    EXPECT_TRUE(eraseText(file, "zbig"));
    after.erase("zbig");
    for (int i = 0; i < 60; ++i) {
      std::string key = "b" + std::to_string(i);
      insertText(file, key, noise(200, 1000 + i));
      after[key] = noise(200, 1000 + i);
    }
    committedEnd = endOfUsed(file.committedHeader);
    stopAfterPhaseOne(file);
    return after;
  }

  TempDir dir;
  std::string path;
  RecordSet before;
  uint32_t committedEnd = 0;
};

TEST_F(RecoveryTest, PhaseOneLeavesTheCommittedStateIntact) {
  std::string old = fileBytes(path);
  RecordSet after = prepareChange();
  std::string pending = fileBytes(path);
  ASSERT_GE(pending.size(), committedEnd);
  EXPECT_TRUE(pending.compare(512, committedEnd - 512, old, 512, committedEnd - 512) == 0)
      << "phase 1 wrote inside the committed used part";
  // A reader rolls forward in memory only; a writer completes the commit.
  EXPECT_EQ(readAsReader(path), after);
  EXPECT_EQ(fileBytes(path), pending);
  EXPECT_EQ(readAsWriter(path), after);
  truncateCommitted();
  EXPECT_EQ(checkerProblems(path), "");
}

// Damaged areas count as incomplete: the scan ends and the commit is rolled back.
TEST_F(RecoveryTest, DamagedPendingAreasRollBack) {
  std::string old = fileBytes(path);
  prepareChange();
  const std::string pending = fileBytes(path);
  FileHeader header;
  std::memcpy(header.data(), pending.data(), kHeaderBytes);
  const uint32_t start = header.commitStart();
  const uint32_t end = header.commitEnd();
  ASSERT_LT(start, end);
  struct Damage {
    const char* what;
    std::function<void(std::string&)> apply;
  } damages[] = {
      {"an image of stored size 0", [&](std::string& b) { b[start + 4] = 0; b[start + 5] = 0; }},
      {"an image running past the end", [&](std::string& b) { b[start + 4] = char(0xFF); b[start + 5] = char(0x3A); }},
      {"no header copy", [&](std::string& b) {
         b.resize(end - 512);
         storeLe32(reinterpret_cast<uint8_t*>(b.data()) + 10, end - 512);
       }},
      {"an area cut short", [&](std::string& b) { b.resize(start + 256); }},
  };
  for (const Damage& damage : damages) {
    std::string bytes = pending;
    damage.apply(bytes);
    writeBytes(path, bytes);
    EXPECT_EQ(readAsReader(path), before) << damage.what;
    EXPECT_EQ(fileBytes(path), bytes) << damage.what << ": a reader wrote";
    EXPECT_EQ(readAsWriter(path), before) << damage.what;
    truncateCommitted();
    EXPECT_EQ(checkerProblems(path), "") << damage.what;
  }
}

TEST_F(RecoveryTest, ARolledBackFirstCommitLeavesAnEmptyFile) {
  std::string fresh = dir.file("first.kst");
  {
    DataFile file;
    ASSERT_EQ(openForWrite(file, fresh, kCreate | kDenyNone | kReadWrite), 0);
    insertText(file, "x", "lost");
    stopAfterPhaseOne(file);
  }
  std::string bytes = fileBytes(fresh);
  bytes.resize(bytes.size() - 256);  // the header copy did not reach the disk
  writeBytes(fresh, bytes);
  {
    // A writer that only opens the file rolls the commit back: the change count is
    // raised and no region holds a page, and that is still an empty data file.
    DataFile repairing;
    ASSERT_EQ(openForWrite(repairing, fresh, kDenyNone | kReadWrite), 0);
    destroyDataFile(repairing);
  }
  FileHeader header;
  std::memcpy(header.data(), fileBytes(fresh).data(), kHeaderBytes);
  EXPECT_EQ(header.changeCount(), 1);
  EXPECT_EQ(endOfUsed(header), kHeaderBytes);
  EXPECT_TRUE(readAsReader(fresh).empty());
  EXPECT_TRUE(readAsWriter(fresh).empty());
  DataFile file;
  ASSERT_EQ(openForWrite(file, fresh, kDenyNone | kReadWrite), 0);
  insertText(file, "y", "kept");
  destroyDataFile(file);
  EXPECT_EQ(readAsReader(fresh), (RecordSet{{"y", "kept"}}));
  EXPECT_EQ(checkerProblems(fresh), "");
}

TEST_F(RecoveryTest, NotADataFile) {
  writeBytes(path, std::string(512, 'x'));
  DataFile file;
  EXPECT_EQ(openDataFile(file, path, kDenyNone | kReadWrite, ""), 36);
  EXPECT_FALSE(file.diskFile.handle.valid());
  writeBytes(path, std::string(100, 'x'));
  EXPECT_EQ(openDataFile(file, path, kDenyNone | kReadWrite, ""), 36);
}

}  // namespace
}  // namespace kestrand
