// Message timers on the virtual clock.
#include <vector>

#include "ui/HeadlessFixture.h"
#include "ui/Timer.h"

namespace pictova {
namespace {

using TimerTest = HeadlessTest;

TEST_F(TimerTest, TicksAtExactVirtualTimesAndRestartsOnChange) {
  TTimer timer(nullptr);
  std::vector<uint64_t> ticks;
  timer.SetInterval(100);
  timer.OnTimer = [&](TComponent*) { ticks.push_back(Now()); };
  App().RunUntil(350);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{100, 200, 300}));
  EXPECT_EQ(Now(), 350u);

  // A new interval restarts the countdown from now (350), not from the last tick.
  ticks.clear();
  timer.SetInterval(40);
  App().RunUntil(470);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{390, 430, 470}));

  // Disabling and enabling restarts it as well; the same interval counts from the enable.
  ticks.clear();
  App().RunUntil(475);
  timer.SetEnabled(false);
  App().RunUntil(600);
  EXPECT_TRUE(ticks.empty());
  timer.SetEnabled(true);
  App().RunUntil(650);
  EXPECT_EQ(ticks, (std::vector<uint64_t>{640}));
}

TEST_F(TimerTest, TimersDueTogetherRunInArmingOrderAndSlowHandlersDoNotPileUp) {
  TTimer a(nullptr), b(nullptr);
  std::vector<std::string> order;
  b.SetInterval(50);  // armed first
  a.SetInterval(100);
  a.OnTimer = [&](TComponent*) { order.push_back("a" + std::to_string(Now())); };
  b.OnTimer = [&](TComponent*) { order.push_back("b" + std::to_string(Now())); };
  App().RunUntil(100);
  EXPECT_EQ(order, (std::vector<std::string>{"b50", "b100", "a100"}));

  // A handler that itself sleeps past several intervals gets one late tick, then a fresh
  // interval from there.
  order.clear();
  b.SetEnabled(false);
  a.OnTimer = [&](TComponent*) {
    order.push_back("a" + std::to_string(Now()));
    if (order.size() == 1) Sleep(350);
  };
  App().RunUntil(700);
  EXPECT_EQ(order, (std::vector<std::string>{"a200", "a550", "a650"}));
}

TEST_F(TimerTest, APollingLoopOnProcessMessagesSeesVirtualTimePass) {
  // An animation without a thread: poll the loop until the tick count has moved on by 40.
  TTimer timer(nullptr);
  timer.SetInterval(15);
  int ticks = 0;
  timer.OnTimer = [&](TComponent*) { ++ticks; };
  const uint32_t start = GetTickCount();
  int polls = 0;
  while (GetTickCount() - start <= 40) {
    App().ProcessMessages();
    ++polls;
  }
  EXPECT_EQ(GetTickCount() - start, 41u);
  EXPECT_EQ(ticks, 2);  // at 15 and 30; the timers still run inside the polls
  EXPECT_GE(polls, 41);
}

}  // namespace
}  // namespace pictova
