#include "store/corruption.h"

#include <gtest/gtest.h>

#include "runtime/clip.h"

#include <string>

#include "filelayer/error_state.h"
#include "runtime/locale_messages.h"
#include "support/child_process.h"

namespace kestrand {
namespace {

using runtime::CLIP;

class CorruptionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    armErrorExit();
    clearError();
    runtime::clearLocaleMessages();
  }
  void TearDown() override {
    setCorruptionFileName("");
    runtime::clearLocaleMessages();
    clearError();
  }
};

TEST_F(CorruptionTest, ArmedReportUnwindsWithItsNumberAndSetsTheFileError) {
  const std::string longText(300, 'm');
  struct Case {
    const char* name;
    const char* localeMessage;  // message 4101, or none
    int32_t report;
    std::string text;
  };
  const Case cases[] = {
      {"C:\\DATA\\SHOP.KST\\!ORDERS", nullptr, 1477, "Possible data corruption in file"},
      {"", nullptr, 2277, "Kestrand File Driver Error"},
      {"C:\\DATA\\SHOP.KST\\!ORDERS", "Datei beschaedigt", 1602, "Datei beschaedigt"},
      {"C:\\DATA\\SHOP.KST\\!ORDERS", longText.c_str(), 231, longText.substr(0, 219)},
      {"", "Datei beschaedigt", 2172, "Kestrand File Driver Error"},  // no name: no message
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.report);
    clearError();
    runtime::clearLocaleMessages();
    if (c.localeMessage != nullptr) runtime::setLocaleMessage(4101, c.localeMessage);
    setCorruptionFileName(c.name);
    try {
      reportCorruption(c.report);
      ADD_FAILURE() << "reportCorruption returned";
    } catch (const DriverUnwind& unwind) {
      EXPECT_EQ(unwind.report, c.report);
    }
    EXPECT_EQ(CLIP(fileErrorCode()), std::to_string(c.report));
    EXPECT_EQ(CLIP(fileErrorText()), c.text);
    EXPECT_EQ(errorCode(), 0);  // the driver entry posts 90, not the report
  }
}

// Run only inside the fresh processes of the test below, where no operation has
// armed the errorExit.
TEST(CorruptionFatal, DISABLED_WithName) {
  setCorruptionFileName("C:\\DATA\\SHOP.KST\\!ORDERS");
  reportCorruption(1477);
}

TEST(CorruptionFatal, DISABLED_WithoutName) { reportCorruption(2277); }

TEST(CorruptionFatal, UnarmedReportIsAFatalRuntimeError) {
  struct Case {
    const char* test;
    const char* line;
  };
  const Case cases[] = {
      {"CorruptionFatal.DISABLED_WithName", "Possible data corruption in file (1477)"},
      {"CorruptionFatal.DISABLED_WithoutName", " (2277)"},
  };
  for (const Case& c : cases) {
    testing_support::ProcessResult result = testing_support::runProgram(
        "/proc/self/exe", {std::string("--gtest_filter=") + c.test, "--gtest_also_run_disabled_tests"});
    EXPECT_NE(result.exitCode, 0) << c.test;
    EXPECT_EQ(result.err, std::string(c.line) + "\n") << c.test;
    EXPECT_EQ(result.out.find("[       OK ]"), std::string::npos) << c.test;
  }
}

}  // namespace
}  // namespace kestrand
