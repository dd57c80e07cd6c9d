#include "filelayer/error_state.h"

#include <gtest/gtest.h>

#include "runtime/clip.h"

#include <string>

#include "filelayer/error_texts.h"
#include "platform/last_error.h"
#include "runtime/locale_messages.h"

namespace kestrand {
namespace {

using runtime::CLIP;

class ErrorStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clearError();
    platform::setLastError(0);
    runtime::clearLocaleMessages();
  }
  void TearDown() override {
    clearError();
    runtime::clearLocaleMessages();
  }
};

TEST_F(ErrorStateTest, ClearedStateIsBlank) {
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(errorText(), std::string(80, ' '));
  EXPECT_EQ(fileErrorCode(), std::string(81, ' '));
  EXPECT_EQ(fileErrorText(), std::string(255, ' '));
  EXPECT_EQ(errorFile(), nullptr);
}

TEST_F(ErrorStateTest, PostZeroTakesTheLastSystemError) {
  platform::setLastErrorFromErrno(ENOENT);
  postError(0);
  EXPECT_EQ(errorCode(), 302);
  EXPECT_EQ(CLIP(errorText()), "File Not Found");
}

TEST_F(ErrorStateTest, UnknownCodeNamesItself) {
  postError(1234);
  EXPECT_EQ(CLIP(errorText()), "Unknown Error Posted : 1234");
  postError(314);  // system error 14 has no entry
  EXPECT_EQ(CLIP(errorText()), "Unknown Error Posted : 314");
  postError(392);
  EXPECT_EQ(CLIP(errorText()), "Unknown Error Posted : 392");
}

TEST_F(ErrorStateTest, TextsEndingInASpaceKeepIt) {
  EXPECT_EQ(errorCodeText(78), "Invalid Number Of Parameters ");
  EXPECT_EQ(errorCodeText(350), "Not Supported ");
  EXPECT_EQ(errorCodeText(0), "Unknown Error Posted");
}

TEST_F(ErrorStateTest, LongTextIsCutAndLeadingSpacesDropped) {
  runtime::setLocaleMessage(90, "   " + std::string(100, 'x'));
  postError(90);
  EXPECT_EQ(errorText().substr(0, 79), std::string(79, 'x'));
  EXPECT_EQ(errorText()[79], ' ');
}

TEST_F(ErrorStateTest, PostLeavesFileErrorAndClearsErrorFile) {
  int dummy = 0;
  setErrorFile(reinterpret_cast<const FileControlBlock*>(&dummy));
  setFileError("1477", "Possible data corruption in file");
  postError(90);
  EXPECT_EQ(errorFile(), nullptr);
  EXPECT_EQ(CLIP(fileErrorCode()), "1477");
  EXPECT_EQ(CLIP(fileErrorText()), "Possible data corruption in file");
  EXPECT_EQ(CLIP(errorText()), "File System Error");
}

TEST_F(ErrorStateTest, FileErrorWithoutTextNamesTheCode) {
  setFileError("5", nullptr);
  EXPECT_EQ(CLIP(fileErrorText()), "File System Error : 5");
  EXPECT_EQ(fileErrorCode().size(), 81u);
}

TEST_F(ErrorStateTest, SaveAndRestoreIsOneValue) {
  postError(36);
  setFileError("7", "seven");
  ErrorState saved = saveErrorState();
  clearError();
  restoreErrorState(saved);
  EXPECT_EQ(errorCode(), 36);
  EXPECT_EQ(CLIP(errorText()), "Invalid Data File");
  EXPECT_EQ(CLIP(fileErrorText()), "seven");
}

TEST(ErrnoTable, MapsToSystemErrorNumbers) {
  using platform::IoKind;
  struct Case {
    int err;
    IoKind kind;
    uint32_t expected;
  };
  const Case cases[] = {
      {ENOENT, IoKind::other, 2},  {ENOTDIR, IoKind::other, 3},     {EMFILE, IoKind::other, 4},
      {ENFILE, IoKind::other, 4},  {EACCES, IoKind::other, 5},      {EPERM, IoKind::other, 5},
      {EROFS, IoKind::other, 5},   {EBADF, IoKind::other, 6},       {ENOMEM, IoKind::other, 8},
      {ENOSPC, IoKind::write, 39}, {EEXIST, IoKind::other, 80},     {EINVAL, IoKind::other, 87},
      {EIO, IoKind::write, 29},    {EIO, IoKind::read, 30},         {ENAMETOOLONG, IoKind::other, 123},
      {EAGAIN, IoKind::other, 33}, {EOPNOTSUPP, IoKind::other, 50}, {12345, IoKind::other, 31},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::systemErrorFromErrno(c.err, c.kind), c.expected) << "errno " << c.err;
  }
}

TEST(ErrnoTable, MissingDirectoryIsPathNotFound) {
  EXPECT_EQ(platform::systemErrorForPath(ENOENT, "/no-such-dir-kst/file.kst"), 3u);
  EXPECT_EQ(platform::systemErrorForPath(ENOENT, "/tmp/no-such-file-kst.kst"), 2u);
}

TEST(ErrnoTable, TakeResets) {
  platform::setLastError(5);
  EXPECT_EQ(platform::takeLastError(), 5u);
  EXPECT_EQ(platform::lastError(), 0u);
}

}  // namespace
}  // namespace kestrand
