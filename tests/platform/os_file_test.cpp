#include "platform/os_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/last_error.h"
#include "support/child_process.h"
#include "support/lock_probe.h"
#include "support/temp_dir.h"

namespace kestrand::platform {
namespace {

using testing_support::Child;
using testing_support::lockedByOthers;
using testing_support::runInChild;
using testing_support::Signal;
using testing_support::TempDir;

void writeText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string readText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

OpenMode mode(bool read, bool write, bool shareRead, bool shareWrite,
              Disposition disposition = Disposition::openExisting) {
  OpenMode m;
  m.read = read;
  m.write = write;
  m.shareRead = shareRead;
  m.shareWrite = shareWrite;
  m.disposition = disposition;
  return m;
}

TEST(OsFileTest, DescriptorsAreClosedOnExec) {
  TempDir dir;
  writeText(dir.file("f"), "x");
  OsFile file;
  ASSERT_TRUE(file.open(dir.file("f"), mode(true, false, true, true)));
  ASSERT_NE(file.lockFd(), file.fd());  // a read-only open locks through a second descriptor
  EXPECT_TRUE(::fcntl(file.fd(), F_GETFD) & FD_CLOEXEC);
  EXPECT_TRUE(::fcntl(file.lockFd(), F_GETFD) & FD_CLOEXEC);
}

TEST(OsFileTest, DirectoriesAndOtherNonFilesAreRefused) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  for (const std::string& path : {dir.path().string(), dir.file("fifo")}) {
    for (bool write : {false, true}) {
      OsFile file;
      setLastError(0);
      EXPECT_FALSE(file.open(path, mode(true, write, true, true, Disposition::openAlways))) << path;
      EXPECT_EQ(lastError(), syserr::kAccessDenied) << path;
      EXPECT_FALSE(file.valid());
    }
  }
}

TEST(OsFileTest, MissingFileAndMissingDirectory) {
  TempDir dir;
  OsFile file;
  EXPECT_FALSE(file.open(dir.file("none"), mode(true, true, true, true)));
  EXPECT_EQ(lastError(), syserr::kFileNotFound);
  EXPECT_FALSE(file.open(dir.file("nodir/none"), mode(true, true, true, true, Disposition::openAlways)));
  EXPECT_EQ(lastError(), syserr::kPathNotFound);
}

TEST(OsFileTest, LocksOfOneOpenDoNotStack) {
  TempDir dir;
  writeText(dir.file("f"), "");
  OsFile file;
  ASSERT_TRUE(file.open(dir.file("f"), mode(true, true, true, true)));
  ASSERT_TRUE(file.lockRange(0x80000000u, 1023));
  EXPECT_FALSE(file.lockRange(0x80000005u, 1));  // inside the range this open holds
  EXPECT_EQ(lastError(), syserr::kLockViolation);
  EXPECT_FALSE(file.unlockRange(0x80000005u, 1));  // not a range as it was locked
  EXPECT_EQ(lastError(), 158u);
  EXPECT_TRUE(lockedByOthers(dir.file("f"), 0x80000000u, 1023));  // still whole
  EXPECT_TRUE(file.unlockRange(0x80000000u, 1023));
  EXPECT_FALSE(lockedByOthers(dir.file("f"), 0x80000005u));
  EXPECT_TRUE(file.lockRange(0x80000005u, 1));
}

TEST(OsFileTest, ClosingAnotherDescriptorOfTheFileKeepsTheLocks) {
  TempDir dir;
  writeText(dir.file("f"), "");
  OsFile holder;
  ASSERT_TRUE(holder.open(dir.file("f"), mode(true, true, true, true)));
  ASSERT_TRUE(holder.lockRange(0x800003FFu, 1));
  {
    OsFile other;
    ASSERT_TRUE(other.open(dir.file("f"), mode(true, false, true, true)));
    EXPECT_FALSE(other.lockRange(0x800003FFu, 1));  // two opens in one process exclude each other
  }
  EXPECT_TRUE(lockedByOthers(dir.file("f"), 0x800003FFu));
  holder.reset();
  EXPECT_FALSE(lockedByOthers(dir.file("f"), 0x800003FFu));
}

// A read-only open of a file the process may write locks exclusively through its
// second descriptor: another read-only open cannot take the same byte.
TEST(OsFileTest, ReadOnlyOpensExcludeEachOther) {
  TempDir dir;
  writeText(dir.file("f"), "");
  Signal locked;
  Signal done;
  Child holder([&] {
    OsFile file;
    bool ok = file.open(dir.file("f"), mode(true, false, true, true)) && file.lockRange(0x80000401u, 1);
    locked.notify();  // also on failure: the exit status tells
    if (!ok) return 1;
    done.wait();
    return 0;
  });
  ASSERT_TRUE(locked.wait());
  OsFile file;
  ASSERT_TRUE(file.open(dir.file("f"), mode(true, false, true, true)));
  EXPECT_TRUE(file.exclusiveLocks());
  EXPECT_FALSE(file.lockRange(0x80000401u, 1));
  done.notify();
  EXPECT_EQ(holder.wait(), 0);
  EXPECT_TRUE(file.lockRange(0x80000401u, 1));
}

// A process that may not write the file locks through its read-only descriptor with
// shared locks: it still keeps writers out and is kept out by them.
TEST(OsFileTest, FilesThatCannotBeWrittenLockWithSharedLocks) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root: the reader drops to another user";
  TempDir dir;
  ASSERT_EQ(::chmod(dir.path().c_str(), 0755), 0);
  writeText(dir.file("f"), "");
  ASSERT_EQ(::chmod(dir.file("f").c_str(), 0444), 0);
  const uid_t nobody = 65534;

  OsFile writer;
  ASSERT_TRUE(writer.open(dir.file("f"), mode(true, true, true, true)));  // the test runs as root
  ASSERT_TRUE(writer.lockRange(0x80000402u, 1));
  int code = runInChild([&] {
    if (::getuid() == 0 && ::setuid(nobody) != 0) return 10;
    OsFile reader;
    if (!reader.open(dir.file("f"), mode(true, false, true, true))) return 11;
    if (reader.exclusiveLocks()) return 12;
    if (reader.lockRange(0x80000402u, 1)) return 13;    // the writer's byte
    if (!reader.lockRange(0x80000403u, 1)) return 14;   // a free byte, shared
    OsFile second;                                       // a second such reader shares it
    if (!second.open(dir.file("f"), mode(true, false, true, true)) || !second.lockRange(0x80000403u, 1)) return 15;
    return lockedByOthers(dir.file("f"), 0x80000403u) ? 0 : 16;
  });
  EXPECT_EQ(code, 0);
}

// Each sharing mode against each access, in both orders, between processes and between
// two opens of one process. Sharing is named by what the open denies.
struct ShareCase {
  const char* denies;
  bool shareRead;
  bool shareWrite;
  const char* access;
  bool read;
  bool write;
  bool allowed;
};

const ShareCase kShareCases[] = {
    {"none", true, true, "read", true, false, true},     {"none", true, true, "write", false, true, true},
    {"none", true, true, "both", true, true, true},      {"write", true, false, "read", true, false, true},
    {"write", true, false, "write", false, true, false}, {"write", true, false, "both", true, true, false},
    {"read", false, true, "read", true, false, false},   {"read", false, true, "write", false, true, true},
    {"read", false, true, "both", true, true, false},    {"all", false, false, "read", true, false, false},
    {"all", false, false, "write", false, true, false},  {"all", false, false, "both", true, true, false},
};

enum class Where { sameProcess, otherProcess };

// Holds `first` open while `second` is tried; true when the second open succeeded.
bool secondOpenSucceeds(const std::string& path, const OpenMode& first, const OpenMode& second, Where where) {
  if (where == Where::sameProcess) {
    OsFile a;
    EXPECT_TRUE(a.open(path, first));
    OsFile b;
    bool ok = b.open(path, second);
    if (!ok) {
      EXPECT_EQ(lastError(), syserr::kSharingViolation);
    }
    return ok;
  }
  Signal opened;
  Signal done;
  Child holder([&] {
    OsFile a;
    bool ok = a.open(path, first);
    opened.notify();
    if (!ok) return 1;
    done.wait();
    return 0;
  });
  EXPECT_TRUE(opened.wait());
  OsFile b;
  bool ok = b.open(path, second);
  if (!ok) {
    EXPECT_EQ(lastError(), syserr::kSharingViolation);
  }
  done.notify();
  EXPECT_EQ(holder.wait(), 0);
  return ok;
}

TEST(OsFileTest, SharingModesAgainstAccess) {
  TempDir dir;
  writeText(dir.file("f"), "content");
  for (Where where : {Where::sameProcess, Where::otherProcess}) {
    for (const ShareCase& c : kShareCases) {
      SCOPED_TRACE(std::string("denies ") + c.denies + ", access " + c.access +
                   (where == Where::sameProcess ? ", same process" : ", other process"));
      const OpenMode denying = mode(true, true, c.shareRead, c.shareWrite);
      const OpenMode asking = mode(c.read, c.write, true, true);
      EXPECT_EQ(secondOpenSucceeds(dir.file("f"), denying, asking, where), c.allowed) << "denying open first";
      EXPECT_EQ(secondOpenSucceeds(dir.file("f"), asking, denying, where), c.allowed) << "denying open second";
    }
  }
  EXPECT_EQ(readText(dir.file("f")), "content");
}

TEST(OsFileTest, RefusedCreateAlwaysLeavesTheFileAlone) {
  TempDir dir;
  writeText(dir.file("f"), "precious");
  OsFile holder;
  ASSERT_TRUE(holder.open(dir.file("f"), mode(true, true, true, false)));
  OsFile fresh;
  EXPECT_FALSE(fresh.open(dir.file("f"), mode(true, true, true, true, Disposition::createAlways)));
  EXPECT_EQ(lastError(), syserr::kSharingViolation);
  EXPECT_EQ(readText(dir.file("f")), "precious");
  holder.reset();
  EXPECT_TRUE(fresh.open(dir.file("f"), mode(true, true, true, true, Disposition::createAlways)));
  EXPECT_EQ(readText(dir.file("f")), "");
}

TEST(OsFileTest, DeleteAndMoveAreRefusedWhileAnotherProcessHoldsTheFile) {
  TempDir dir;
  writeText(dir.file("f"), "kept");
  Signal opened;
  Signal done;
  Child holder([&] {
    OsFile file;
    bool ok = file.open(dir.file("f"), mode(true, false, true, true));
    opened.notify();
    if (!ok) return 1;
    done.wait();
    return 0;
  });
  ASSERT_TRUE(opened.wait());
  EXPECT_FALSE(deleteFile(dir.file("f")));
  EXPECT_EQ(lastError(), syserr::kSharingViolation);
  EXPECT_FALSE(moveFile(dir.file("f"), dir.file("g")));
  EXPECT_EQ(lastError(), syserr::kSharingViolation);
  EXPECT_EQ(readText(dir.file("f")), "kept");
  done.notify();
  EXPECT_EQ(holder.wait(), 0);

  EXPECT_TRUE(moveFile(dir.file("f"), dir.file("g")));
  EXPECT_EQ(readText(dir.file("g")), "kept");
  EXPECT_TRUE(deleteFile(dir.file("g")));
  EXPECT_FALSE(::access(dir.file("g").c_str(), F_OK) == 0);
}

TEST(OsFileTest, DeleteIsRefusedWhileThisProcessHoldsTheFile) {
  TempDir dir;
  writeText(dir.file("f"), "kept");
  OsFile file;
  ASSERT_TRUE(file.open(dir.file("f"), mode(true, true, true, true)));
  EXPECT_FALSE(deleteFile(dir.file("f")));
  EXPECT_EQ(lastError(), syserr::kSharingViolation);
  file.reset();
  EXPECT_TRUE(deleteFile(dir.file("f")));
}

TEST(OsFileTest, DeleteAndMoveErrors) {
  TempDir dir;
  EXPECT_FALSE(deleteFile(dir.file("none")));
  EXPECT_EQ(lastError(), syserr::kFileNotFound);
  EXPECT_FALSE(deleteFile(dir.file("nodir/none")));
  EXPECT_EQ(lastError(), syserr::kPathNotFound);
  EXPECT_FALSE(deleteFile(dir.path().string()));
  EXPECT_EQ(lastError(), syserr::kAccessDenied);
  writeText(dir.file("a"), "a");
  writeText(dir.file("b"), "b");
  EXPECT_FALSE(moveFile(dir.file("a"), dir.file("b")));
  EXPECT_EQ(lastError(), syserr::kFileExists);
  EXPECT_EQ(readText(dir.file("b")), "b");
}

}  // namespace
}  // namespace kestrand::platform
