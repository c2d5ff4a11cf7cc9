// The queue between the input thread and the user-interface thread: one notice per batch, the
// events in their order, nothing lost when the two threads run at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/input_events.h"

namespace {

plat::InputEvent Move(int32_t x, uint64_t micros = 0) {
  plat::InputEvent e;
  e.message = 0x200;
  e.x = x;
  e.micros = micros;
  return e;
}

TEST(InputEventQueueTest, OneNoticePerBatch) {
  plat::InputEventQueue queue;
  EXPECT_TRUE(queue.Push(Move(1)));  // the first of a batch
  EXPECT_FALSE(queue.Push(Move(2)));
  EXPECT_FALSE(queue.Push(Move(3)));
  std::vector<plat::InputEvent> taken;
  queue.Take(taken);
  EXPECT_EQ(taken, (std::vector<plat::InputEvent>{Move(1), Move(2), Move(3)}));
  queue.Take(taken);  // a second notice of the same batch finds nothing
  EXPECT_TRUE(taken.empty());

  EXPECT_TRUE(queue.Push(Move(4)));  // a new batch
  // The notice could not be posted: the next event asks again, and the batch is whole.
  queue.NoticeLost();
  EXPECT_TRUE(queue.Push(Move(5)));
  EXPECT_FALSE(queue.Push(Move(6)));
  queue.Take(taken);
  EXPECT_EQ(taken, (std::vector<plat::InputEvent>{Move(4), Move(5), Move(6)}));

  EXPECT_TRUE(queue.Push(Move(7)));
  queue.Clear();  // a new recording
  EXPECT_TRUE(queue.Push(Move(8)));
  queue.Take(taken);
  EXPECT_EQ(taken, (std::vector<plat::InputEvent>{Move(8)}));
}

// A producer thread pushes as the hooks do, telling the consumer on each notice, while the
// consumer takes whenever it is told: every event arrives once, in order, and no event waits
// without a notice.
TEST(InputEventQueueTest, TwoThreadsLoseNothing) {
  constexpr int kEvents = 200000;
  plat::InputEventQueue queue;
  std::atomic<int> notices{0};
  std::thread producer([&] {
    for (int i = 0; i < kEvents; ++i)
      if (queue.Push(Move(i, static_cast<uint64_t>(i)))) notices.fetch_add(1);
  });
  std::vector<plat::InputEvent> taken, all;
  int seen = 0;
  while (static_cast<int>(all.size()) < kEvents) {
    if (notices.load() == seen) {
      std::this_thread::yield();
      continue;
    }
    ++seen;
    queue.Take(taken);
    all.insert(all.end(), taken.begin(), taken.end());
  }
  producer.join();
  ASSERT_EQ(all.size(), static_cast<size_t>(kEvents));
  for (int i = 0; i < kEvents; ++i) ASSERT_EQ(all[static_cast<size_t>(i)].x, i);
  EXPECT_EQ(notices.load(), seen);  // each notice found its batch
  queue.Take(taken);
  EXPECT_TRUE(taken.empty());
}

}  // namespace
