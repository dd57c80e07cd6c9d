#include "store/store_checker.h"

#include <gtest/gtest.h>

#include <fstream>

#include "store/corruption.h"
#include "store/file_header.h"
#include "store/store_test_support.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

using namespace testing_support;

class StoreCheckerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    armErrorExit();
    path = dir.file("checked.kst");
    DataFile file;
    ASSERT_EQ(openForWrite(file, path, kCreate | kDenyNone | kReadWrite), 0);
    for (int i = 0; i < 300; ++i) insertText(file, "r" + std::to_string(i), noise(i % 3 == 0 ? 500 : 50, i));
    destroyDataFile(file);
    sound = fileBytes(path);
    std::memcpy(header.data(), sound.data(), kHeaderBytes);
  }

  std::string problemsAfter(const std::function<void(std::string&)>& damage) {
    std::string bytes = sound;
    damage(bytes);
    writeBytes(path, bytes);
    return checkerProblems(path);
  }

  TempDir dir;
  std::string path;
  std::string sound;
  FileHeader header;
};

TEST_F(StoreCheckerTest, FindsWhatIsWrong) {
  StoreCheck check = checkDataFile(path, "", true);
  ASSERT_TRUE(check.sound());
  EXPECT_EQ(check.recordCount, 300u);
  EXPECT_EQ(check.records.size(), 300u);
  EXPECT_GE(check.levels, 2u);
  int k = 1;
  while (header.start(k) == header.end(k)) ++k;
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
    const char* expected;
  } cases[] = {
      {"a slot no page leads to", [&](std::string& b) {
         FileHeader h = header;
         h.setEnd(kSizeClasses, h.end(kSizeClasses) + kSizeClasses);
         h.setStart(kSizeClasses, h.end(kSizeClasses) - kSizeClasses);
         b.replace(0, kHeaderBytes, reinterpret_cast<const char*>(h.data()), kHeaderBytes);
         b.resize(endOfUsed(h), '\0');
       }, "slots"},
      {"overlapping regions", [&](std::string& b) {
         FileHeader h = header;
         h.setEnd(k, h.end(k) + uint32_t(k) * 1000);
         b.replace(0, kHeaderBytes, reinterpret_cast<const char*>(h.data()), kHeaderBytes);
       }, "overlap"},
      {"a damaged image", [&](std::string& b) { b[pageOffset(header.rootPage()) + 4] ^= 0x7F; }, "page"},
      {"a pending commit", [&](std::string& b) { b[6] = 1; }, "pending"},
      {"no signature", [&](std::string& b) { b[14] = 'K'; }, "signature"},
  };
  for (const Case& c : cases) EXPECT_NE(problemsAfter(c.damage).find(c.expected), std::string::npos) << c.what;
}

TEST_F(StoreCheckerTest, TheToolReportsByExitCode) {
  const std::string tool = std::string(KESTRAND_BUILD_DIR) + "/kstcheck";
  ProcessResult good = runProgram(tool, {path});
  EXPECT_EQ(good.exitCode, 0);
  EXPECT_NE(good.out.find("300 records"), std::string::npos);
  problemsAfter([](std::string& b) { b[14] = 'K'; });
  EXPECT_EQ(runProgram(tool, {path}).exitCode, 1);
  EXPECT_EQ(runProgram(tool, {}).exitCode, 2);
}

}  // namespace
}  // namespace kestrand
