#include "app/show_message.h"

#include <gtest/gtest.h>

#include <sstream>

#include "filelayer/error_state.h"

namespace kestrand {
namespace {

TEST(ShowMessage, CaptionThenOneLineForEachPart) {
  std::ostringstream console;
  showMessage(console, "first|  second  ||last   ", "Caption  ", kExclamationIcon);
  EXPECT_EQ(console.str(), "Caption\nfirst\n  second  \n\nlast\n");
}

TEST(ShowMessage, LongLinesAreNotWrapped) {
  const std::string path = "/" + std::string(300, 'p') + " with spaces/" + std::string(100, 'q');
  std::ostringstream console;
  showMessage(console, "Removed: " + path, "Success");
  EXPECT_EQ(console.str(), "Success\nRemoved: " + path + "\n");
}

TEST(ShowMessage, LeavesTheErrorStateAsItWas) {
  int block = 0;
  postError(36);
  setFileError("1477", "damaged");
  setErrorFile(reinterpret_cast<const FileControlBlock*>(&block));
  const ErrorState before = saveErrorState();
  std::ostringstream console;
  EXPECT_EQ(showMessage(console, "text", "Caption"), 1);
  const ErrorState after = saveErrorState();
  EXPECT_EQ(after.errorCode, before.errorCode);
  EXPECT_EQ(after.errorText, before.errorText);
  EXPECT_EQ(after.fileErrorCode, before.fileErrorCode);
  EXPECT_EQ(after.fileErrorText, before.fileErrorText);
  EXPECT_EQ(after.errorFile, before.errorFile);
  clearError();
}

}  // namespace
}  // namespace kestrand
