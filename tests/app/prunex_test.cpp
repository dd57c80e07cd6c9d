#include "app/prunex.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/expected_boxes.h"
#include "app/longpath.h"
#include "app/target_file.h"
#include "filelayer/error_state.h"
#include "filelayer/operation_code.h"
#include "runtime/locale_messages.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

using expected::errorBox;
using expected::kUsageBox;

// What the driver was handed, and how it answers.
struct DriverCall {
  int32_t code = -1;
  std::string name;  // all 260 characters of targetName
  std::string owner;
  uint8_t attributes = 0;
};
std::vector<DriverCall> gCalls;
ErrorCode gAnswer = 0;

std::intptr_t recordingDriver(int32_t code, FileControlBlock* block, const std::intptr_t*) {
  gCalls.push_back({code, textAsHeld(block->name), textAsHeld(block->owner), block->attributes});
  if (gAnswer == 0) {
    clearError();
  } else {
    postError(gAnswer);
    setErrorFile(block);
  }
  return 0;
}

class Prunex : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = targetFile.driver;
    targetFile.driver = recordingDriver;
    gCalls.clear();
    gAnswer = 0;
    clearError();
    std::ofstream(tmp_.path() / "Data.KST") << "x";
    dir_ = tmp_.path().string();
  }
  void TearDown() override {
    targetFile.driver = saved_;
    clearError();
  }

  void run(std::vector<std::string> parameters) {
    parameters.insert(parameters.begin(), "prunex");
    std::ostringstream out, err;
    runPrunex(parameters, out, err);
    out_ = out.str();
    err_ = err.str();
  }
  // The name as the driver finds it in the 260-character variable.
  static std::string padded(const std::string& name) { return name + std::string(kTargetNameLength - name.size(), ' '); }

  testing_support::TempDir tmp_;
  std::string dir_;
  std::string out_, err_;
  DriverEntry saved_ = nullptr;
};

TEST_F(Prunex, MissingOrBlankParametersShowTheUsage) {
  const std::vector<std::vector<std::string>> cases = {
      {}, {"data.kst"}, {" ", "orders"}, {"   ", "orders", "pw"}, {"", "orders"}, {"data.kst", ""}, {"data.kst", "  "},
  };
  for (const auto& parameters : cases) {
    run(parameters);
    EXPECT_EQ(err_, kUsageBox) << testing::PrintToString(parameters);
    EXPECT_EQ(out_, "");
  }
  std::ostringstream out, err;
  runPrunex({}, out, err);  // not even a program name
  EXPECT_EQ(err.str(), kUsageBox);
  EXPECT_TRUE(gCalls.empty());
}

TEST_F(Prunex, RemovesTheNamedTableOfTheFileAsStored) {
  run({dir_ + "/data.kst", "customers"});
  const std::string fullName = dir_ + "/Data.KST\\!customers";
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].code, opRemove);
  EXPECT_EQ(gCalls[0].name, padded(fullName));
  EXPECT_EQ(gCalls[0].owner, "");
  EXPECT_EQ(gCalls[0].attributes, kAttrEncrypt);
  EXPECT_EQ(out_, "Success\nRemoved: " + fullName + "\n");
  EXPECT_EQ(err_, "");
}

TEST_F(Prunex, RelativePathsAreMadeFullAndTheFirstParameterIsClipped) {
  const std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(tmp_.path());
  run({"./DATA.kst  ", "t"});
  std::filesystem::current_path(saved);
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].name, padded(std::filesystem::canonical(tmp_.path()).string() + "/Data.KST\\!t"));
}

TEST_F(Prunex, TableNameIsTakenAsGiven) {
  run({"/x.kst", "  my Table  "});
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].name, padded("/x.kst\\!  my Table  "));
  EXPECT_EQ(out_, "Success\nRemoved: /x.kst\\!  my Table\n");  // the box drops trailing spaces
}

TEST_F(Prunex, PasswordIsClippedAndCutTo99) {
  const std::string longPassword = std::string(98, 'p') + "qrs";
  const std::pair<std::string, std::string> cases[] = {
      {"secret   ", "secret"},
      {"  two words ", "  two words"},
      {longPassword, longPassword.substr(0, 99)},
  };
  for (const auto& [given, stored] : cases) {
    gCalls.clear();
    run({"/x.kst", "t", given});
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].owner, stored);
    EXPECT_EQ(targetOwner[stored.size()], '\0');
  }
}

TEST_F(Prunex, LongNamesAreCutSilently) {
  const std::string table(500, 't');
  run({"/x.kst", table});
  const std::string fullName = "/x.kst\\!" + table;
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].name, fullName.substr(0, kTargetNameLength));
  EXPECT_EQ(out_, "Success\nRemoved: " + fullName.substr(0, kFullNameLength) + "\n");
}

TEST_F(Prunex, TableNameAndPasswordReachTheDriverInWindows1252) {
  const std::string path = dir_ + "/B\xC3\xBC" "cher.kst";  // the path keeps its own bytes
  run({path, "B\xC3\xBC" "cher", "M\xC3\xBCller\xE2\x82\xAC"});
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].name, padded(path + "\\!B\xFC" "cher"));
  EXPECT_EQ(gCalls[0].owner, "M\xFCller\x80");
  EXPECT_EQ(out_, "Success\nRemoved: " + path + "\\!B\xC3\xBC" "cher\n");
}

TEST_F(Prunex, TextThatIsNotUtf8PassesUnchanged) {
  run({"/caf\xE9.kst", "caf\xE9", "pr\xEAt"});
  ASSERT_EQ(gCalls.size(), 1u);
  EXPECT_EQ(gCalls[0].name, padded("/caf\xE9.kst\\!caf\xE9"));
  EXPECT_EQ(gCalls[0].owner, "pr\xEAt");
}

TEST_F(Prunex, NamesWindows1252CannotHoldAreRefused) {
  const std::vector<std::vector<std::string>> cases = {
      {"/x.kst", "\xE8\xA1\xA8"},             // a table name in CJK
      {"/x.kst", "orders", "p\xC4\x80ss"},    // a password with a letter outside the set
  };
  for (const auto& parameters : cases) {
    run(parameters);
    EXPECT_EQ(err_, errorBox("Invalid Filename"));
    EXPECT_EQ(out_, "");
    EXPECT_EQ(errorCode(), 45);
  }
  EXPECT_TRUE(gCalls.empty());
}

TEST_F(Prunex, FailureShowsTheErrorTextTwice) {
  gAnswer = 2;
  run({"/x.kst", "orders"});
  EXPECT_EQ(err_, errorBox("File Not Found"));
  EXPECT_EQ(out_, "");
  EXPECT_EQ(errorCode(), 2);  // the box left the error as it was
}

TEST_F(Prunex, ErrorTextsShowInTheTerminalsCharacterSet) {
  runtime::setLocaleMessage(2, "Fichier non trouv\xE9");
  gAnswer = 2;
  run({"/x.kst", "orders"});
  runtime::clearLocaleMessages();
  EXPECT_EQ(err_, errorBox("Fichier non trouv\xC3\xA9"));
}

TEST_F(Prunex, BlankNameIssuesNothing) {
  EXPECT_EQ(removeNamedTable("   ", "pw"), 0);
  EXPECT_EQ(removeNamedTable("", ""), 0);
  EXPECT_TRUE(gCalls.empty());
}

TEST(Longpath, ClearsTheErrorStateAndPostsNothingOnFailure) {
  postError(36);
  const std::string tooLong = "/" + std::string(400, 'x');
  EXPECT_EQ(LONGPATH(tooLong), tooLong);
  EXPECT_EQ(errorCode(), 0);
  EXPECT_EQ(errorText(), std::string(80, ' '));
}

}  // namespace
}  // namespace kestrand
