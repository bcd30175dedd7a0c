#include "web/pause.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tesvarin {
namespace {

class FakeClock final : public TickCounter {
 public:
  std::int64_t NowMs() const override { return now; }
  std::int64_t now = 1000;
};

struct FakeEvent {
  std::string name;
  bool quit = false;
  std::function<void()> action = nullptr;
};

// A queue of scripted events; waiting lets fake time pass, and may let an
// event arrive.
class FakePump final : public EventPump {
 public:
  explicit FakePump(FakeClock& clock) : clock_(clock) {}

  bool HasPendingEvent() override { return !queue.empty(); }
  bool PendingIsQuit() override { return !queue.empty() && queue.front().quit; }
  void ProcessOne() override {
    ASSERT_FALSE(queue.empty());
    FakeEvent event = queue.front();
    queue.pop_front();
    processed.push_back(event.name);
    if (event.action) event.action();
  }
  void WaitForEvents(int ms) override {
    waits.push_back(ms);
    ASSERT_LT(waits.size(), 10000u) << "the pause does not end";
    clock_.now += ms;
    if (arrive_on_wait) {
      queue.push_back(*arrive_on_wait);
      arrive_on_wait.reset();
    }
  }

  std::deque<FakeEvent> queue;
  std::vector<std::string> processed;
  std::vector<int> waits;
  std::optional<FakeEvent> arrive_on_wait;

 private:
  FakeClock& clock_;
};

std::vector<std::string> Names(const std::deque<FakeEvent>& queue) {
  std::vector<std::string> names;
  for (const auto& event : queue) names.push_back(event.name);
  return names;
}

TEST(DispatchPendingEvents, StopsAtAQuitRequestAndLeavesIt) {
  struct Case {
    std::vector<FakeEvent> queue;
    std::vector<std::string> processed;
    std::vector<std::string> left;
  };
  const std::vector<Case> cases = {
      {{}, {}, {}},
      {{{"a"}, {"b"}}, {"a", "b"}, {}},
      {{{"quit", true}, {"a"}}, {}, {"quit", "a"}},
      {{{"a"}, {"quit", true}, {"b"}}, {"a"}, {"quit", "b"}},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(::testing::Message() << "case " << i);
    FakeClock clock;
    FakePump pump(clock);
    pump.queue.assign(cases[i].queue.begin(), cases[i].queue.end());
    DispatchPendingEvents(pump);
    EXPECT_EQ(pump.processed, cases[i].processed);
    EXPECT_EQ(Names(pump.queue), cases[i].left);
  }
}

TEST(DispatchPendingEvents, ProcessesEventsPostedByAHandler) {
  FakeClock clock;
  FakePump pump(clock);
  pump.queue.push_back({"first", false, [&pump] { pump.queue.push_back({"follow-up"}); }});
  DispatchPendingEvents(pump);
  EXPECT_EQ(pump.processed, (std::vector<std::string>{"first", "follow-up"}));
}

TEST(PauseWithEvents, NothingHappensForNoTime) {
  for (int ms : {0, -1, -5000}) {
    SCOPED_TRACE(::testing::Message() << "ms " << ms);
    FakeClock clock;
    FakePump pump(clock);
    pump.queue.push_back({"waiting"});
    PauseWithEvents(ms, pump, clock);
    EXPECT_TRUE(pump.processed.empty());
    EXPECT_TRUE(pump.waits.empty());
    EXPECT_EQ(clock.now, 1000);
  }
}

TEST(PauseWithEvents, ProcessesEventsAndLastsUntilTheDeadline) {
  for (int ms : {1, 50, 2000}) {
    SCOPED_TRACE(::testing::Message() << "ms " << ms);
    FakeClock clock;
    FakePump pump(clock);
    pump.queue.push_back({"waiting"});
    pump.arrive_on_wait = FakeEvent{"arrived"};
    const std::int64_t deadline = clock.now + ms;
    PauseWithEvents(ms, pump, clock);
    EXPECT_EQ(pump.processed, (std::vector<std::string>{"waiting", "arrived"}));
    EXPECT_GT(clock.now, deadline);
    EXPECT_LE(clock.now, deadline + 1) << "waited past the deadline";
    ASSERT_FALSE(pump.waits.empty());
    for (int wait : pump.waits) {
      EXPECT_GE(wait, 1);
      EXPECT_LE(wait, ms);
    }
    EXPECT_TRUE(pump.queue.empty());
  }
}

TEST(PauseWithEvents, LeavesAQuitRequestQueued) {
  FakeClock clock;
  FakePump pump(clock);
  pump.queue.push_back({"a"});
  pump.queue.push_back({"quit", true});
  pump.queue.push_back({"b"});
  PauseWithEvents(30, pump, clock);
  EXPECT_EQ(pump.processed, (std::vector<std::string>{"a"}));
  EXPECT_EQ(Names(pump.queue), (std::vector<std::string>{"quit", "b"}));
  EXPECT_GT(clock.now, 1030);
}

TEST(PauseWithEvents, EndsWithoutWaitingWhenAHandlerOverrunsTheDeadline) {
  FakeClock clock;
  FakePump pump(clock);
  pump.queue.push_back({"slow", false, [&clock] { clock.now += 500; }});
  PauseWithEvents(100, pump, clock);
  EXPECT_EQ(pump.processed, (std::vector<std::string>{"slow"}));
  EXPECT_TRUE(pump.waits.empty());
  EXPECT_EQ(clock.now, 1500);
}

TEST(SteadyTicks, NeverRunsBackwards) {
  const SteadyTicks ticks;
  std::int64_t last = ticks.NowMs();
  for (int i = 0; i < 1000; ++i) {
    const std::int64_t now = ticks.NowMs();
    EXPECT_GE(now, last);
    last = now;
  }
}

}  // namespace
}  // namespace tesvarin
