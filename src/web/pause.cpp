#include "web/pause.h"

#include <algorithm>
#include <chrono>

namespace tesvarin {

std::int64_t SteadyTicks::NowMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void DispatchPendingEvents(EventPump& pump) {
  while (pump.HasPendingEvent() && !pump.PendingIsQuit()) pump.ProcessOne();
}

void PauseWithEvents(int ms, EventPump& pump, const TickCounter& ticks) {
  if (ms <= 0) return;
  const std::int64_t deadline = ticks.NowMs() + ms;
  for (;;) {
    // Twice around each check: a handler may post follow-up events.
    DispatchPendingEvents(pump);
    DispatchPendingEvents(pump);
    if (ticks.NowMs() > deadline) return;
    DispatchPendingEvents(pump);
    DispatchPendingEvents(pump);
    const std::int64_t remaining = deadline - ticks.NowMs();
    pump.WaitForEvents(static_cast<int>(std::clamp<std::int64_t>(remaining, 1, ms)));
  }
}

}  // namespace tesvarin
