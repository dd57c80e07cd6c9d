#include "store/disk_file.h"

#include <gtest/gtest.h>

#include <array>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <unistd.h>
#include <vector>

#include "platform/fault_seam.h"
#include "platform/last_error.h"
#include "store/corruption.h"
#include "support/child_process.h"
#include "support/lock_probe.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

using testing_support::Child;
using testing_support::lockedByOthers;
using testing_support::runInChild;
using testing_support::Signal;
using testing_support::TempDir;

constexpr uint32_t kReadWriteDenyNone = 0x42;
constexpr uint32_t kCreateReadWriteDenyNone = 0x142;
constexpr uint32_t kLockViolation = 33;

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<uint8_t> pattern(std::size_t length, uint8_t seed) {
  std::vector<uint8_t> bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

int32_t reportOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const DriverUnwind& unwind) {
    return unwind.report;
  }
  return 0;
}

class DiskFileTest : public ::testing::Test {
 protected:
  void SetUp() override { armErrorExit(); }
  void TearDown() override { platform::disarmFaults(); }

  ErrorCode open(DiskFile& file, uint32_t flags = kCreateReadWriteDenyNone, const std::string& password = "") {
    return openDiskFile(file, path, flags, password);
  }

  TempDir dir;
  std::string path = dir.file("data.kst");
};

TEST_F(DiskFileTest, InvalidHandleDoesNothing) {
  DiskFile file;
  std::vector<uint8_t> buffer = pattern(128, 1);
  EXPECT_EQ(readAt(file, 0, buffer.data(), 128), 0u);
  EXPECT_EQ(buffer, pattern(128, 1));
  writeAt(file, 0, buffer.data(), 128);
  flushFile(file);
  truncateAt(file, 0);
  EXPECT_EQ(diskFileSize(file), 0u);
  for (int kind : {kLockWriter, kLockReaderSlot, kLockAllReaders}) {
    EXPECT_EQ(lockByte(file, 0, kind, false), 0);
    unlockByte(file, 0, kind);
  }
  EXPECT_EQ(lockByte(file, 7, 0, true), 0);
  unlockByte(file, 7, 0);
  EXPECT_EQ(file.stickyWriteError, 0);
}

TEST_F(DiskFileTest, ReaderSlotIsDrawnInRange) {
  for (int i = 0; i < 3; ++i) EXPECT_LT(DiskFile().readerSlot, kReaderSlots);
}

TEST_F(DiskFileTest, OwnPathCreatesAnEmptyFileThatReadsNothing) {
  DiskFile file;
  ASSERT_EQ(open(file), 0);
  EXPECT_EQ(file.fileName, path);
  std::vector<uint8_t> header(512);
  EXPECT_EQ(readAt(file, 0, header.data(), 512), 0u);
  EXPECT_EQ(diskFileSize(file), 0u);
  EXPECT_FALSE(file.keySchedule.has_value());
}

TEST_F(DiskFileTest, AlwaysCreateEmptiesAnExistingFile) {
  writeText(path, std::string(640, 'x'));
  DiskFile file;
  ASSERT_EQ(open(file, 0x342), 0);
  EXPECT_EQ(diskFileSize(file), 0u);
}

TEST_F(DiskFileTest, OpenFailuresKeepTheNameAndAnInvalidHandle) {
  const std::string longName = dir.file(std::string(300, 'n'));
  const std::string inMissingDir = dir.file("missing/data.kst");
  struct Case {
    std::string name;
    uint32_t flags;
    ErrorCode expected;
  };
  const Case cases[] = {
      {path, kReadWriteDenyNone, 2},           // must exist: "File Not Found"
      {inMissingDir, kReadWriteDenyNone, 3},   // "Path Not Found"
      {inMissingDir, kCreateReadWriteDenyNone, 3},
      {longName, kReadWriteDenyNone, 45},      // invalid name: "Invalid Filename"
      {longName, kCreateReadWriteDenyNone, 123},  // own path: the system error unchanged
      {dir.path().string(), kReadWriteDenyNone, 5},  // a directory
      {dir.path().string(), kCreateReadWriteDenyNone, 5},
  };
  for (const Case& c : cases) {
    DiskFile file;
    EXPECT_EQ(openDiskFile(file, c.name, c.flags, "secret"), c.expected) << c.name << " flags " << c.flags;
    EXPECT_FALSE(file.handle.valid());
    EXPECT_EQ(file.fileName, c.name);
    EXPECT_FALSE(file.keySchedule.has_value());
  }
}

// A sharing violation is "Access Denied" on both paths.
TEST_F(DiskFileTest, SharingViolationIsAccessDenied) {
  DiskFile holder;
  ASSERT_EQ(open(holder, 0x112), 0);  // own path, read/write, deny all
  for (uint32_t flags : {kReadWriteDenyNone, kCreateReadWriteDenyNone, 0x40u}) {
    DiskFile file;
    EXPECT_EQ(open(file, flags), 5) << flags;
  }
}

// The share bits as each path reads them: the own path looks at bits 4-5 only, so
// 0x40 (deny none) and 0x00 both share everything; the must-exist path gives 0x30
// "others may write" and any value above 0x40 no sharing at all.
TEST_F(DiskFileTest, ShareBitsOfEachPath) {
  writeText(path, "");
  struct Case {
    uint32_t holderFlags;
    uint32_t otherFlags;
    ErrorCode expected;
  };
  const Case cases[] = {
      {0x142, 0x42, 0},   {0x102, 0x42, 0},   {0x122, 0x40, 0},  {0x122, 0x41, 5},
      {0x132, 0x40, 5},   {0x132, 0x41, 5},   {0x32, 0x41, 0},   {0x32, 0x40, 5},
      {0x22, 0x40, 0},    {0x22, 0x42, 5},    {0x52, 0x40, 5},   {0x70, 0x40, 5},
      // own path: write only gets read and write
      {0x100, 0x40, 0},   {0x101, 0x40, 0},   {0x101, 0x20, 5},  {0x101, 0x31, 5},
      {0x40, 0x120, 0},   {0x41, 0x120, 5},   {0x43, 0x120, 0},  // must exist: 3 is read only
  };
  for (const Case& c : cases) {
    DiskFile holder;
    ASSERT_EQ(open(holder, c.holderFlags), 0) << std::hex << c.holderFlags;
    DiskFile other;
    EXPECT_EQ(open(other, c.otherFlags), c.expected) << std::hex << c.holderFlags << " then " << c.otherFlags;
  }
}

TEST_F(DiskFileTest, EmptyPasswordStoresPlainBytes) {
  DiskFile file;
  ASSERT_EQ(open(file, kCreateReadWriteDenyNone, ""), 0);
  std::vector<uint8_t> data = pattern(64, 3);
  writeAt(file, 0, data.data(), 64);
  EXPECT_EQ(readText(path), std::string(data.begin(), data.end()));
}

TEST_F(DiskFileTest, PasswordEnciphersEachBlockOnTheWay) {
  DiskFile file;
  ASSERT_EQ(open(file, kCreateReadWriteDenyNone, "pw"), 0);
  ASSERT_TRUE(file.keySchedule.has_value());
  EXPECT_EQ(*file.keySchedule, buildKeySchedule("pw"));

  std::vector<uint8_t> data = pattern(192, 9);
  std::copy(data.begin(), data.begin() + 64, data.begin() + 128);  // blocks 0 and 2 equal
  const std::vector<uint8_t> original = data;
  writeAt(file, 512, data.data(), 192);
  EXPECT_EQ(data, original);  // the caller's buffer comes back unchanged

  std::string stored = readText(path).substr(512);
  std::vector<uint8_t> expected = original;
  for (int block = 0; block < 3; ++block) encryptBlock(*file.keySchedule, expected.data() + 64 * block);
  EXPECT_EQ(stored, std::string(expected.begin(), expected.end()));

  std::vector<uint8_t> back(192);
  EXPECT_EQ(readAt(file, 512, back.data(), 192), 192u);
  EXPECT_EQ(back, original);

  // A short read comes back as stored, not deciphered.
  std::vector<uint8_t> tail(256);
  EXPECT_EQ(readAt(file, 640, tail.data(), 256), 64u);
  EXPECT_TRUE(std::equal(tail.begin(), tail.begin() + 64, expected.begin() + 128));
}

// Whatever happens to the write, the caller's buffer is as it was, and the first
// failure sticks: later writes are not even attempted.
TEST_F(DiskFileTest, FailedWritesStickAndLeaveTheBufferUnchanged) {
  struct Case {
    const char* name;
    platform::FaultPlan plan;
    int32_t sticky;
  };
  const Case cases[] = {
      {"disk full", platform::FaultPlan{.failWrite = 1}, 39},
      {"short write", platform::FaultPlan{.shortWrite = 1}, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DiskFile file;
    ASSERT_EQ(open(file, 0x342, "pw"), 0);
    std::vector<uint8_t> data = pattern(128, 5);
    const std::vector<uint8_t> original = data;
    platform::ScopedFaults faults(c.plan);
    writeAt(file, 0, data.data(), 128);
    EXPECT_EQ(data, original);
    EXPECT_EQ(file.stickyWriteError, c.sticky);

    writeAt(file, 512, data.data(), 128);
    EXPECT_EQ(platform::faultCounts().writes, 1u);  // not attempted
    EXPECT_EQ(file.stickyWriteError, c.sticky);
    EXPECT_EQ(data, original);
  }
}

TEST_F(DiskFileTest, WriteThroughAReadOnlyOpenIsAccessDenied) {
  writeText(path, "");
  DiskFile file;
  ASSERT_EQ(open(file, 0x40), 0);
  std::vector<uint8_t> data = pattern(64, 1);
  writeAt(file, 0, data.data(), 64);
  EXPECT_EQ(file.stickyWriteError, 5);
}

TEST_F(DiskFileTest, TransferChecksAreCorruptionReports) {
  DiskFile unopened;
  DiskFile file;
  ASSERT_EQ(open(file), 0);
  std::vector<uint8_t> buffer(512);
  writeAt(file, 0, buffer.data(), 128);
  EXPECT_EQ(reportOf([&] { readAt(unopened, 0, buffer.data(), 100); }), 2272);
  EXPECT_EQ(reportOf([&] { readAt(file, 0, buffer.data(), 65); }), 2272);
  EXPECT_EQ(reportOf([&] { writeAt(unopened, 0, buffer.data(), 32); }), 2286);
  EXPECT_EQ(reportOf([&] { writeAt(file, 0, buffer.data(), 511); }), 2286);
  EXPECT_EQ(reportOf([&] { readExact(file, 64, buffer.data(), 128); }), 2172);
  EXPECT_EQ(reportOf([&] { readExact(file, 0, buffer.data(), 128); }), 0);
  {
    platform::ScopedFaults faults(platform::FaultPlan{.failRead = 1});
    EXPECT_EQ(reportOf([&] { readAt(file, 0, buffer.data(), 128); }), 2277);
  }
  EXPECT_EQ(reportOf([&] { lockByte(file, 5, kLockReaderSlot, false); }), 2328);
  EXPECT_EQ(reportOf([&] { unlockByte(file, 5, kLockAllReaders); }), 2352);
  EXPECT_EQ(reportOf([&] { lockByte(file, 0, 3, false); }), 2328);
}

TEST_F(DiskFileTest, SizeFlushAndTruncate) {
  DiskFile file;
  ASSERT_EQ(open(file), 0);
  std::vector<uint8_t> data = pattern(1024, 2);
  writeAt(file, 0, data.data(), 1024);
  flushFile(file);
  EXPECT_EQ(diskFileSize(file), 1024u);
  truncateAt(file, 768);
  EXPECT_EQ(diskFileSize(file), 768u);
  EXPECT_EQ(readText(path), std::string(data.begin(), data.begin() + 768));
  ASSERT_EQ(::truncate(path.c_str(), (off_t{1} << 32) + 640), 0);  // sparse
  EXPECT_EQ(diskFileSize(file), 640u);  // the low 32 bits
}

TEST_F(DiskFileTest, CloseForgetsNameAndKey) {
  DiskFile file;
  ASSERT_EQ(open(file, kCreateReadWriteDenyNone, "pw"), 0);
  closeDiskFile(file);
  EXPECT_FALSE(file.handle.valid());
  EXPECT_FALSE(file.keySchedule.has_value());
  EXPECT_TRUE(file.fileName.empty());
  DiskFile other;
  EXPECT_EQ(open(other, 0x12), 0);  // nothing of the closed open is left
}

// Each range lands exactly where the protocol puts it, as other processes see it.
TEST_F(DiskFileTest, LockRangesLieWhereTheProtocolPutsThem) {
  DiskFile file;
  ASSERT_EQ(open(file), 0);
  file.readerSlot = 17;
  struct Case {
    uint32_t number;
    int kind;
    uint64_t offset;
    uint64_t length;
  };
  const Case cases[] = {
      {0, kLockWriter, 0x800003FF, 1},
      {0, kLockReaderSlot, 0x80000011, 1},
      {0, kLockAllReaders, 0x80000000, 1023},
      {1, 0, 0x80000401, 1},            // number byte of number 0 (argument k + 1)
      {43, 0, 0x8000042B, 1},
      {0x7FFFFC00, 0, 0x00000000, 1},   // the sum wraps modulo 2^32
      {0x7FFFFFFF, 0, 0x000003FF, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    ASSERT_EQ(lockByte(file, c.number, c.kind, false), 0);
    EXPECT_TRUE(lockedByOthers(path, c.offset, c.length));
    unlockByte(file, c.number, c.kind);
    EXPECT_FALSE(lockedByOthers(path, c.offset, c.length));
  }
}

// Holds a lock in another process until told to let go.
class LockHolder {
 public:
  LockHolder(const std::string& path, uint32_t number, int kind, uint32_t slot = 0)
      : child_([=, this] {
          DiskFile file;
          bool ok = openDiskFile(file, path, kReadWriteDenyNone, "") == 0;
          file.readerSlot = slot;
          ok = ok && lockByte(file, number, kind, false) == 0;
          locked_.notify();  // also on failure: the exit status tells
          if (!ok) return 1;
          release_.wait();
          return 0;
        }) {
    ok_ = locked_.wait();
  }
  bool holding() const { return ok_; }  // the child answered; release() tells whether it held
  int release() {
    release_.notify();
    return child_.wait();
  }

 private:
  Signal locked_;
  Signal release_;
  Child child_;
  bool ok_ = false;
};

// The second reader moves on to the next slot; after the last slot comes the first.
TEST_F(DiskFileTest, ReadersWhoseSlotsCollideBothGetIn) {
  writeText(path, "");
  const struct {
    uint32_t slot;
    uint32_t next;
  } cases[] = {{40, 41}, {1022, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.slot);
    LockHolder other(path, 0, kLockReaderSlot, c.slot);
    ASSERT_TRUE(other.holding());
    DiskFile file;
    ASSERT_EQ(open(file, kReadWriteDenyNone), 0);
    file.readerSlot = c.slot;
    EXPECT_EQ(lockByte(file, 0, kLockReaderSlot, false), 0);
    EXPECT_EQ(file.readerSlot, c.next);
    EXPECT_TRUE(lockedByOthers(path, kLockBase + c.next));
    EXPECT_EQ(other.release(), 0);
  }
}

// While a commit holds every reader slot, a reader gives up after three attempts on
// three slots; readers in turn keep the commit's all-slot lock out.
TEST_F(DiskFileTest, AllReaderSlotsAndReadersExcludeEachOther) {
  writeText(path, "");
  DiskFile file;
  ASSERT_EQ(open(file, kReadWriteDenyNone), 0);
  file.readerSlot = 100;
  {
    LockHolder commit(path, 0, kLockAllReaders);
    ASSERT_TRUE(commit.holding());
    EXPECT_EQ(lockByte(file, 0, kLockReaderSlot, false), static_cast<int32_t>(kLockViolation));
    EXPECT_EQ(file.readerSlot, 103u);
    EXPECT_EQ(commit.release(), 0);
  }
  LockHolder reader(path, 0, kLockReaderSlot, 900);
  ASSERT_TRUE(reader.holding());
  EXPECT_EQ(lockByte(file, 0, kLockAllReaders, false), static_cast<int32_t>(kLockViolation));
  EXPECT_EQ(reader.release(), 0);
  EXPECT_EQ(lockByte(file, 0, kLockAllReaders, false), 0);
}

TEST_F(DiskFileTest, TheWriterByteExcludesASecondWriter) {
  writeText(path, "");
  LockHolder writer(path, 0, kLockWriter);
  ASSERT_TRUE(writer.holding());
  DiskFile file;
  ASSERT_EQ(open(file, kReadWriteDenyNone), 0);
  EXPECT_EQ(lockByte(file, 0, kLockWriter, false), static_cast<int32_t>(kLockViolation));
  EXPECT_EQ(lockByte(file, 0, kLockReaderSlot, false), 0);  // readers are not kept out
  EXPECT_EQ(writer.release(), 0);
  EXPECT_EQ(lockByte(file, 0, kLockWriter, false), 0);
}

// A number byte is free again once its holder ends, even without an unlock: its open
// is gone. A read-only open holds number bytes as firmly as a writer.
TEST_F(DiskFileTest, NumberBytesExcludeAcrossProcessesUntilTheHolderCloses) {
  writeText(path, "");
  Signal locked;
  Signal finish;
  Child holder([&] {
    DiskFile file;
    bool ok = openDiskFile(file, path, 0x40, "") == 0 && lockByte(file, 12, 0, false) == 0;  // read only
    locked.notify();
    if (!ok) return 1;
    finish.wait();
    closeDiskFile(file);
    return 0;
  });
  ASSERT_TRUE(locked.wait());
  DiskFile file;
  ASSERT_EQ(open(file, 0x40), 0);
  EXPECT_EQ(lockByte(file, 12, 0, false), static_cast<int32_t>(kLockViolation));
  EXPECT_EQ(lockByte(file, 13, 0, false), 0);
  finish.notify();
  EXPECT_EQ(holder.wait(), 0);
  EXPECT_EQ(lockByte(file, 12, 0, false), 0);
}

TEST_F(DiskFileTest, AWaitingLockIsGrantedOnceTheHolderLetsGo) {
  writeText(path, "");
  LockHolder writer(path, 0, kLockWriter);
  ASSERT_TRUE(writer.holding());
  Signal started;
  Child waiter([&] {
    DiskFile file;
    bool ok = openDiskFile(file, path, kReadWriteDenyNone, "") == 0 &&
              lockByte(file, 0, kLockWriter, false) != 0;  // still held
    started.notify();
    if (!ok) return 1;
    return lockByte(file, 0, kLockWriter, true) == 0 ? 0 : 3;
  });
  ASSERT_TRUE(started.wait());
  EXPECT_EQ(writer.release(), 0);
  EXPECT_EQ(waiter.wait(), 0);
}

TEST_F(DiskFileTest, DeleteClosesItsOwnOpenAndRefusesWhileAnotherProcessHasTheFile) {
  DiskFile file;
  ASSERT_EQ(open(file), 0);
  std::vector<uint8_t> data = pattern(64, 4);
  writeAt(file, 0, data.data(), 64);
  {
    Signal opened;
    Signal finish;
    Child other([&] {
      DiskFile mine;
      bool ok = openDiskFile(mine, path, 0x40, "") == 0;
      opened.notify();
      if (!ok) return 1;
      finish.wait();
      return 0;
    });
    ASSERT_TRUE(opened.wait());
    EXPECT_EQ(deleteDiskFile(file), 32);
    EXPECT_FALSE(file.handle.valid());
    EXPECT_EQ(readText(path), std::string(data.begin(), data.end()));
    finish.notify();
    EXPECT_EQ(other.wait(), 0);
  }
  ASSERT_EQ(open(file, kReadWriteDenyNone), 0);
  EXPECT_EQ(deleteDiskFile(file), 0);
  EXPECT_NE(::access(path.c_str(), F_OK), 0);
  EXPECT_EQ(deleteDiskFile(file), 2);  // the system error, unmapped
}

}  // namespace
}  // namespace kestrand
