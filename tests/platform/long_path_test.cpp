#include "platform/long_path.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_dir.h"

namespace kestrand::platform {
namespace {

namespace fs = std::filesystem;

// Works in a directory for the length of a test.
class InDirectory {
 public:
  explicit InDirectory(const fs::path& dir) : saved_(fs::current_path()) { fs::current_path(dir); }
  ~InDirectory() { fs::current_path(saved_); }
  InDirectory(const InDirectory&) = delete;
  InDirectory& operator=(const InDirectory&) = delete;

 private:
  fs::path saved_;
};

class LongPath : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = tmp_.path().string();
    fs::create_directories(tmp_.path() / "Data");
    fs::create_directories(tmp_.path() / "Twin");
    for (const char* file : {"Data/Shop.KST", "Data/orders.kst", "Data/B\xC3\xBC" "cher.kst", "Twin/a.kst", "Twin/A.KST"}) {
      std::ofstream(tmp_.path() / file) << "x";
    }
  }
  std::string at(const std::string& rest) const { return root_ + rest; }

  testing_support::TempDir tmp_;
  std::string root_;
};

TEST_F(LongPath, ComponentsTakeTheStoredSpelling) {
  const std::pair<std::string, std::string> cases[] = {
      {"/Data/Shop.KST", "/Data/Shop.KST"},                  // exists as given
      {"/data/shop.kst", "/Data/Shop.KST"},                  // one case-insensitive match
      {"/DATA/B\xC3\x9C" "CHER.KST", "/Data/B\xC3\xBC" "cher.kst"},  // letters beyond ASCII too
      {"/data/none.kst", "/Data/none.kst"},                  // no match: stays from here on
      {"/nodir/data/shop.kst", "/nodir/data/shop.kst"},      // missing middle component
      {"/twin/a.Kst", "/Twin/a.Kst"},                        // two matches: stays
      {"/twin/A.KST", "/Twin/A.KST"},                        // exact beats the other spelling
      {"/data/s*.kst", "/Data/Shop.KST"},                    // wildcard
      {"/data/*.kst", "/Data/B\xC3\xBC" "cher.kst"},         // first match in name order
      {"/data/?RDERS.*", "/Data/orders.kst"},
      {"/data/*.none", "/Data/*.none"},
      {"/data/../twin/./a.kst", "/Twin/a.kst"},
      {"//data///shop.kst", "/Data/Shop.KST"},
      {"/data/", "/Data/"},
  };
  for (const auto& [given, expected] : cases) EXPECT_EQ(longPath(at(given)), at(expected)) << given;
}

TEST_F(LongPath, RelativePathsAndTheEmptyPathUseTheCurrentDirectory) {
  const std::string here = fs::current_path().string();
  {
    InDirectory inData(tmp_.path() / "Data");
    const std::string data = fs::current_path().string();
    EXPECT_EQ(longPath(""), data);
    EXPECT_EQ(longPath("."), data);
    EXPECT_EQ(longPath("shop.kst"), data + "/Shop.KST");
    EXPECT_EQ(longPath("./../twin/../data/orders.KST"), data + "/orders.kst");
  }
  EXPECT_EQ(longPath(""), here);
}

TEST_F(LongPath, RootAndDotsAboveIt) {
  EXPECT_EQ(longPath("/"), "/");
  EXPECT_EQ(longPath("/../.."), "/");
  EXPECT_EQ(longPath("/../tmp/.."), "/");
}

TEST_F(LongPath, TooLongForTheFullPathServiceStaysUnchanged) {
  const std::string longest = "/" + std::string(kMaxFullPath - 1, 'x');
  EXPECT_EQ(fullPath(longest), longest);
  EXPECT_EQ(fullPath(longest + "y"), std::nullopt);
  EXPECT_EQ(longPath(longest + "y"), longest + "y");
  const std::string relative = "data/" + std::string(kMaxFullPath, 'x');
  EXPECT_EQ(longPath(relative), relative);
}

}  // namespace
}  // namespace kestrand::platform
