// Thousands of random changes checked against an ordered map: after every commit, after
// reopening, with and without a password; the checker passes after every commit.
#include <gtest/gtest.h>

#include <random>

#include "store/commit.h"
#include "store/corruption.h"
#include "store/data_file_access.h"
#include "store/page_allocation.h"
#include "store/record_tree.h"
#include "store/store_checker.h"
#include "store/store_test_support.h"
#include "support/temp_dir.h"

namespace kestrand {
namespace {

using namespace testing_support;

// Keys of mixed lengths from a small alphabet, so that prefixes of each other occur;
// data mostly short, sometimes up to the limit of one stored record.
class Workload {
 public:
  explicit Workload(uint32_t seed) : random_(seed) {}

  std::string key() {
    static const uint32_t lengths[] = {1, 2, 3, 4, 5, 6, 8, 12, 20, 40, 200, 1500};
    std::string key(lengths[pick(std::size(lengths))], 'a');
    for (char& c : key) c = char("abc\x01\xfd"[pick(5)]);
    return key;
  }

  std::string data(std::size_t keyLength) {
    uint32_t roll = pick(100);
    std::size_t length = roll < 70 ? pick(40) : roll < 95 ? pick(2000) : kMaxLeafRecordLength - keyLength - pick(3);
    // Half compress well, half not at all: pages of every size class.
    return pick(2) == 0 ? std::string(length, char('0' + pick(10))) : noise(length, pick(1u << 30));
  }

  uint32_t pick(std::size_t n) { return uint32_t(random_() % n); }

 private:
  std::mt19937 random_;
};

void applyRound(DataFile& file, RecordSet& model, Workload& workload, int changes) {
  for (int i = 0; i < changes; ++i) {
    if (workload.pick(3) != 0 || model.empty()) {
      std::string key = workload.key();
      if (model.count(key) != 0) continue;
      std::string data = workload.data(key.size());
      insertText(file, key, data);
      model[key] = data;
    } else {
      auto victim = model.lower_bound(workload.key());
      if (victim == model.end()) victim = model.begin();
      ASSERT_TRUE(eraseText(file, victim->first));
      model.erase(victim);
    }
  }
}

class StoreModelTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { armErrorExit(); }
  TempDir dir;
};

TEST_P(StoreModelTest, MatchesAnOrderedMap) {
  const std::string password = GetParam();
  const std::string path = dir.file("model.kst");
  Workload workload(password.empty() ? 11 : 29);
  RecordSet model;
  uint32_t deepest = 0;
  std::size_t most = 0;
  uint32_t largestFile = 0;
  {
    DataFile file;
    ASSERT_EQ(openForWrite(file, path, kCreate | kDenyNone | kReadWrite, password), 0);
    for (int round = 0; round < 14; ++round) {
      applyRound(file, model, workload, round < 10 ? 700 : 500);
      if (round >= 10) {  // the later rounds mostly empty the file again
        for (int i = 0; i < 900 && !model.empty(); ++i) {
          auto victim = std::next(model.begin(), workload.pick(model.size()));
          ASSERT_TRUE(eraseText(file, victim->first));
          model.erase(victim);
        }
      }
      ASSERT_EQ(commit(file), 0);
      truncateToUsed(file);
      largestFile = std::max(largestFile, dataFileSize(file));
      EXPECT_EQ(readAll(file), model) << "round " << round;
      StoreCheck check = checkDataFile(path, password);
      ASSERT_TRUE(check.sound()) << check.problems.front();
      ASSERT_EQ(check.recordCount, model.size());
      deepest = std::max(deepest, check.levels);
      most = std::max(most, model.size());
    }
    destroyDataFile(file);
  }
  EXPECT_GE(deepest, 3u);
  DataFile reopened;
  ASSERT_EQ(openDataFile(reopened, path, kDenyNone | kReadWrite, password), 0);
  EXPECT_EQ(readAll(reopened), model);
  RecordProperty("most_records", int(most));
  RecordProperty("largest_file_bytes", int(largestFile));
}

INSTANTIATE_TEST_SUITE_P(Passwords, StoreModelTest, ::testing::Values("", "pass word"));

}  // namespace
}  // namespace kestrand
