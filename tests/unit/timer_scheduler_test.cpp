// Deadlines of the click timer: no drift, no queue of missed ticks, nothing armed while idle.
#include <gtest/gtest.h>

#include "fakes.h"

namespace {

TEST(TimerSchedulerTest, PeriodDoesNotDriftByTheTimeATickTakes) {
  fakes::Clock clock;
  ui::Timer t(1);
  t.SetDriver(&clock);
  std::vector<uint64_t> ticks;
  t.OnTimer = [&] {
    ticks.push_back(clock.NowMicros());
    clock.Spend(300);  // two SendInput calls' worth of work
  };
  t.SetEnabled(true);
  clock.Advance(10);
  ASSERT_EQ(ticks.size(), 10u);
  for (size_t i = 0; i < ticks.size(); ++i) EXPECT_EQ(ticks[i], (i + 1) * 1000) << i;
}

// The clicking run re-arms its timer at every tick: without jitter the period stays that of the
// first arming, even though each tick takes time.
TEST(TimerSchedulerTest, ClickingRunKeepsItsPeriod) {
  fakes::Form f;
  f.mouse.costUs = 250;  // each SendInput
  f.frm.millisecondsEdit.UserSetText("2");
  f.frm.startButton.UserClick();
  f.clock.Advance(100);
  EXPECT_EQ(f.frm.ClicksDone(), 50u);
}

TEST(TimerSchedulerTest, MissedTicksCollapseIntoOne) {
  fakes::Clock clock;
  ui::Timer t(10);
  t.SetDriver(&clock);
  std::vector<uint64_t> ticks;
  t.OnTimer = [&] {
    ticks.push_back(clock.NowMicros() / 1000);
    if (ticks.size() == 1) clock.Sleep(95);  // nine periods pass inside one tick
  };
  t.SetEnabled(true);
  clock.Advance(130);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{10, 105, 110, 120, 130}));
}

TEST(TimerSchedulerTest, NothingIsArmedWhileIdle) {
  std::vector<bool> told;
  uint64_t now = 0;
  ui::TimerScheduler s([&] { return now; }, [&](bool armed) { told.push_back(armed); });
  ui::Timer a(5), b(7);
  a.SetDriver(&s);
  b.SetDriver(&s);
  EXPECT_FALSE(s.AnyArmed());
  a.SetEnabled(true);
  b.SetEnabled(true);
  EXPECT_EQ(s.NextDeadline(), 5000u);
  a.SetEnabled(false);
  EXPECT_EQ(s.NextDeadline(), 7000u);
  b.SetEnabled(false);
  EXPECT_FALSE(s.AnyArmed());
  EXPECT_EQ(told.back(), false);
  // A handler that stops its own timer leaves nothing armed.
  a.OnTimer = [&] { a.SetEnabled(false); };
  a.SetEnabled(true);
  now = 5000;
  s.ServiceDue();
  EXPECT_FALSE(s.AnyArmed());
}

// The whole main window idles with no timer armed: after a run ends nothing is left ticking.
TEST(TimerSchedulerTest, NoTimerArmedAfterARunEnds) {
  fakes::Form f;
  EXPECT_FALSE(f.clock.scheduler.AnyArmed());
  f.frm.startDelayEdit.UserSetText("1");
  f.frm.startButton.UserClick();
  EXPECT_TRUE(f.clock.scheduler.AnyArmed());
  f.clock.Advance(1500);
  f.frm.stopButton.UserClick();
  EXPECT_FALSE(f.clock.scheduler.AnyArmed());
}

}  // namespace

namespace {

// The system timer is re-armed once per round of due ticks, however many timers the handlers
// restart or stop, and also when a handler throws; outside a round every change is told.
TEST(TimerSchedulerTest, TheDriverIsToldOncePerRound) {
  uint64_t now = 0;
  std::vector<bool> told;
  ui::TimerScheduler scheduler([&] { return now; }, [&](bool armed) { told.push_back(armed); });
  ui::Timer a(10), b(10);
  a.SetDriver(&scheduler);
  b.SetDriver(&scheduler);
  a.SetEnabled(true);
  EXPECT_EQ(told, (std::vector<bool>{true}));
  a.OnTimer = [&] {
    a.Restart(3);
    b.SetEnabled(true);
    b.SetEnabled(false);
    a.SetEnabled(false);
  };
  told.clear();
  now = 10000;
  scheduler.ServiceDue();
  EXPECT_EQ(told, (std::vector<bool>{false}));

  a.OnTimer = [&] {
    a.Restart(5);
    throw std::runtime_error("handler failed");
  };
  a.SetEnabled(true);
  told.clear();
  now = 20000;
  EXPECT_THROW(scheduler.ServiceDue(), std::runtime_error);
  EXPECT_EQ(told, (std::vector<bool>{true}));
  EXPECT_EQ(scheduler.NextDeadline(), 25000u);
  b.SetEnabled(true);  // outside a round again
  EXPECT_EQ(told, (std::vector<bool>{true, true}));
}

}  // namespace
