// Several processes on one data file: readers never block each other, a commit waits
// for readers and keeps new ones out, commits become visible at the next access, and
// the sharing modes of the open hold.
#include <gtest/gtest.h>

#include <poll.h>
#include <unistd.h>

#include "store/commit.h"
#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/record_tree.h"
#include "store/store_test_support.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

using namespace testing_support;

// A pipe whose reading end can be asked whether a byte arrived within a while: the
// negative check that a process is still blocked.
class Flag {
 public:
  Flag() { EXPECT_EQ(::pipe(fds_), 0); }
  ~Flag() {
    ::close(fds_[0]);
    ::close(fds_[1]);
  }
  void raise() { (void)!::write(fds_[1], "x", 1); }
  bool raisedWithin(int milliseconds) {
    pollfd p{fds_[0], POLLIN, 0};
    if (::poll(&p, 1, milliseconds) != 1) return false;
    char byte;
    return ::read(fds_[0], &byte, 1) == 1;
  }

 private:
  int fds_[2] = {-1, -1};
};

constexpr int kBlocked = 300;    // how long a blocked process is watched, in ms
constexpr int kEventually = 30000;

class SharingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    armErrorExit();
    path = dir.file("shared.kst");
    DataFile file;
    ASSERT_EQ(openForWrite(file, path, kCreate | kDenyNone | kReadWrite), 0);
    insertText(file, "first", "1");
    destroyDataFile(file);
  }

  void TearDown() override { EXPECT_EQ(checkerProblems(path), ""); }

  // A reader that holds its reader slot until `leave` is raised.
  Child holdingReader(Flag& in, Flag& leave) {
    return Child([&] {
      DataFile file;
      if (openDataFile(file, path, kDenyNone | kReadWrite, "") != 0) return 1;
      if (readAll(file).size() != 1) return 2;
      in.raise();
      leave.raisedWithin(kEventually);
      endAccess(file);
      return 0;
    });
  }

  TempDir dir;
  std::string path;
};

TEST_F(SharingTest, ReadersDoNotBlockEachOther) {
  Flag in, leave;
  Child first = holdingReader(in, leave);
  ASSERT_TRUE(in.raisedWithin(kEventually));
  EXPECT_EQ(runInChild([&] {
              DataFile file;
              if (openDataFile(file, path, kDenyNone | kReadWrite, "") != 0) return 1;
              return readAll(file).size() == 1 ? 0 : 2;
            }),
            0);
  leave.raise();
  EXPECT_EQ(first.wait(), 0);
}

TEST_F(SharingTest, ACommitWaitsForReadersToLeave) {
  Flag in, leave, committed;
  Child reader = holdingReader(in, leave);
  ASSERT_TRUE(in.raisedWithin(kEventually));
  Child writer([&] {
    DataFile file;
    if (openForWrite(file, path, kDenyNone | kReadWrite) != 0) return 1;
    insertText(file, "second", "2");
    ErrorCode result = commit(file);
    committed.raise();
    return result;
  });
  EXPECT_FALSE(committed.raisedWithin(kBlocked));
  leave.raise();
  EXPECT_TRUE(committed.raisedWithin(kEventually));
  EXPECT_EQ(writer.wait(), 0);
  EXPECT_EQ(reader.wait(), 0);
}

TEST_F(SharingTest, ExcludedReadersStayOutUntilTheCommitEnds) {
  Flag excluded, release, opened;
  Child writer([&] {
    DataFile file;
    if (openForWrite(file, path, kDenyNone | kReadWrite) != 0) return 1;
    excludeReaders(file, true);
    excluded.raise();
    release.raisedWithin(kEventually);
    excludeReaders(file, false);
    return 0;
  });
  ASSERT_TRUE(excluded.raisedWithin(kEventually));
  Child reader([&] {
    DataFile file;
    ErrorCode result = openDataFile(file, path, kDenyNone | kReadWrite, "");
    opened.raise();
    return result;
  });
  EXPECT_FALSE(opened.raisedWithin(kBlocked));
  release.raise();
  EXPECT_TRUE(opened.raisedWithin(kEventually));
  EXPECT_EQ(reader.wait(), 0);
  EXPECT_EQ(writer.wait(), 0);
}

TEST_F(SharingTest, AnotherProcesssCommitShowsAtTheNextAccess) {
  DataFile file;
  ASSERT_EQ(openDataFile(file, path, kDenyNone | kReadWrite, ""), 0);
  EXPECT_EQ(readAll(file), (RecordSet{{"first", "1"}}));
  endAccess(file);
  ASSERT_EQ(runInChild([&] {
              DataFile other;
              if (openForWrite(other, path, kDenyNone | kReadWrite) != 0) return 1;
              insertText(other, "later", "2");
              return int(commit(other));
            }),
            0);
  EXPECT_EQ(readAll(file), (RecordSet{{"first", "1"}, {"later", "2"}}));
}

TEST_F(SharingTest, WritersTakeTurns) {
  std::vector<std::unique_ptr<Child>> writers;
  for (int w = 0; w < 3; ++w)
    writers.push_back(std::make_unique<Child>([&, w] {
      DataFile file;
      if (openDataFile(file, path, kDenyNone | kReadWrite, "") != 0) return 1;
      for (int i = 0; i < 20; ++i) {
        beginWrite(file);
        insertText(file, "w" + std::to_string(w) + "-" + std::to_string(i), "x");
        endAccess(file);
      }
      return 0;
    }));
  for (auto& writer : writers) EXPECT_EQ(writer->wait(), 0);
  DataFile file;
  ASSERT_EQ(openDataFile(file, path, kDenyNone | kReadWrite, ""), 0);
  EXPECT_EQ(readAll(file).size(), 61u);
  EXPECT_EQ(checkerProblems(path), "");
}

TEST_F(SharingTest, SharingModesOfTheOpen) {
  struct Case {
    uint32_t held;    // the mode the first process holds the file in
    uint32_t second;  // what another process asks for
    ErrorCode expected;
  } cases[] = {
      {kDenyAll | kReadWrite, kDenyNone | kReadWrite, 5},
      {kDenyAll | kReadWrite, kDenyNone, 5},
      {kDenyWrite | kReadWrite, kDenyNone | kReadWrite, 5},
      {kDenyWrite | kReadWrite, kDenyNone, 0},
      {kDenyNone | kReadWrite, kDenyNone | kReadWrite, 0},
  };
  for (const Case& c : cases) {
    DataFile held;
    ASSERT_EQ(openDataFile(held, path, c.held, ""), 0);
    EXPECT_EQ(runInChild([&] {
                DataFile other;
                return int(openDataFile(other, path, c.second, ""));
              }),
              c.expected)
        << std::hex << c.held << " then " << c.second;
  }
}

// A file held deny-write is never read again by its holder: its cache stays current
// because nobody else can write.
TEST_F(SharingTest, DenyWriteHolderCommitsAndOthersRead) {
  DataFile held;
  ASSERT_EQ(openForWrite(held, path, kDenyWrite | kReadWrite), 0);
  insertText(held, "mine", "3");
  ASSERT_EQ(commit(held), 0);
  EXPECT_EQ(runInChild([&] {
              DataFile other;
              if (openDataFile(other, path, kDenyNone, "") != 0) return 1;
              return readAll(other).count("mine") == 1 ? 0 : 2;
            }),
            0);
}

}  // namespace
}  // namespace kestrand
