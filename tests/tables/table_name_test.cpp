#include "tables/table_name.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "support/temp_dir.h"

namespace kestrand {
namespace {

// Runs the test body with the temporary directory as the current directory.
class TableNameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    cwd_ = std::filesystem::current_path().string();
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  testing_support::TempDir dir_;
  std::filesystem::path previous_;
  std::string cwd_;
};

TEST_F(TableNameTest, SplitsPathAndUpperCasedTable) {
  struct Case {
    std::string full;
    std::string path;
    std::string table;
    std::string canonical;
  };
  const std::vector<Case> cases = {
      {"/data/a.kst\\!orders", "/data/a.kst", "ORDERS", "/data/a.kst\\!ORDERS"},
      {"sales", cwd_ + "/sales.KST", "UNNAMED", cwd_ + "/sales.KST"},
      {"sub/../x\\!t\\!u", cwd_ + "/x.KST", "T\\!U", cwd_ + "/x.KST\\!T\\!U"},
      {"/d/x.kst\\!", "/d/x.kst", "", "/d/x.kst\\!"},
      {"/d/x.\\!t", "/d/x.", "T", "/d/x.\\!T"},
      {"./y.dat\\!unnamed", cwd_ + "/y.dat", "UNNAMED", cwd_ + "/y.dat"},
  };
  for (const Case& c : cases) {
    TableName name;
    ASSERT_EQ(splitTableName(c.full, name), 0) << c.full;
    EXPECT_EQ(name.path, c.path) << c.full;
    EXPECT_EQ(name.tableName, c.table) << c.full;
    EXPECT_EQ(canonicalFullName(name), c.canonical) << c.full;
  }
}

TEST_F(TableNameTest, DirectoryWhoseNameBeginsWithBangDoesNotSplit) {
  // Directories "a" and "a\!b": the text before the first "\!" is a directory.
  std::filesystem::create_directories(dir_.path() / "a");
  std::filesystem::create_directories(dir_.path() / "a\\!b");
  TableName name;
  ASSERT_EQ(splitTableName(cwd_ + "/a\\!b/x.kst\\!T", name), 0);
  EXPECT_EQ(name.path, cwd_ + "/a\\!b/x.kst");
  EXPECT_EQ(name.tableName, "T");
}

TEST_F(TableNameTest, TooLongIsInvalidFilename) {
  TableName name;
  EXPECT_EQ(splitTableName("/" + std::string(259, 'x') + "\\!t", name), 45);
  std::string out;
  EXPECT_EQ(completeFilePath("/" + std::string(255, 'y'), ".KST", out), 45);  // 260 after completion
  EXPECT_EQ(completeFilePath("/" + std::string(254, 'y'), ".KST", out), 0);
  EXPECT_EQ(out.size(), 259u);
}

}  // namespace
}  // namespace kestrand
