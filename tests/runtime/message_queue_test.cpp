#include "runtime/message_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace kestrand::runtime {
namespace {

class MessageQueueTest : public ::testing::Test {
 protected:
  void TearDown() override {
    discardMessages();
    setMessageHandler(1, {});
    setMessageHandler(2, {});
  }
};

TEST_F(MessageQueueTest, PostedMessagesWaitForThePumpAndArriveInOrder) {
  std::vector<std::intptr_t> seen;
  setMessageHandler(1, [&](const WindowMessage& m) {
    seen.push_back(m.second);
    if (m.second == 10) postMessage({1, 0, 30});  // posted while pumping: same pump
    return 0;
  });
  postMessage({1, 0, 10});
  postMessage({2, 0, 99});  // no handler: dropped
  postMessage({1, 0, 20});
  EXPECT_TRUE(seen.empty());
  EXPECT_EQ(pendingMessages(), 3u);
  EXPECT_EQ(pumpMessages(), 4u);
  EXPECT_EQ(seen, (std::vector<std::intptr_t>{10, 20, 30}));
  EXPECT_EQ(pendingMessages(), 0u);
}

TEST_F(MessageQueueTest, SentMessagesAreAnsweredAtOnce) {
  setMessageHandler(2, [](const WindowMessage& m) { return m.first + 1; });
  EXPECT_EQ(sendMessage({2, 41, 0}), 42);
  EXPECT_EQ(sendMessage({1, 41, 0}), 0);  // no handler
  EXPECT_EQ(pendingMessages(), 0u);
}

}  // namespace
}  // namespace kestrand::runtime
