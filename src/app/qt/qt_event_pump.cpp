#include "app/qt/qt_event_pump.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QTimer>

namespace tesvarin {

bool QtEventPump::HasPendingEvent() { return may_have_events_ && burst_ < kMaxBurst; }

void QtEventPump::ProcessOne() {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  may_have_events_ = dispatcher != nullptr && dispatcher->processEvents(QEventLoop::AllEvents);
  burst_ = may_have_events_ ? burst_ + 1 : 0;
}

void QtEventPump::WaitForEvents(int ms) {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  if (dispatcher != nullptr) {
    // A local timer: a nested pause (run by an event dispatched here) has its own.
    QTimer bound;
    bound.setSingleShot(true);
    bound.start(ms);
    dispatcher->processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  may_have_events_ = true;
  burst_ = 0;
}

}  // namespace tesvarin
