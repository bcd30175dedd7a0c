#pragma once

#include "web/pause.h"

namespace tesvarin {

// The pause's view of Qt's event queue. Qt can't peek at the next event, so a
// pass processes until the dispatcher reports that nothing was left to do.
// The program asks to quit only from the main loop (see MainWindow::Finished),
// so a pause never meets a quit request.
class QtEventPump final : public EventPump {
 public:
  bool HasPendingEvent() override;
  bool PendingIsQuit() override { return false; }
  void ProcessOne() override;
  // Sleeps in the dispatcher until an event arrives or `ms` pass; what wakes
  // it is processed there and then.
  void WaitForEvents(int ms) override;

 private:
  // Bounds a pass when sources stay busy, so the pause still sees its deadline.
  static constexpr int kMaxBurst = 256;
  bool may_have_events_ = true;
  int burst_ = 0;
};

}  // namespace tesvarin
