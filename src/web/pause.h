#pragma once

#include <cstdint>

// Pausing while window events are processed. Written against a small pump
// seam so the window, the command line and tests each bring their own.
namespace tesvarin {

class EventPump {
 public:
  virtual ~EventPump() = default;
  // Returns true when an event is waiting.
  virtual bool HasPendingEvent() = 0;
  // Returns true when the waiting event is a request to quit (it stays queued).
  virtual bool PendingIsQuit() = 0;
  // Takes the next event and processes it as the main loop does.
  virtual void ProcessOne() = 0;
  // Blocks until an event may be waiting or `ms` have passed.
  virtual void WaitForEvents(int ms) = 0;
};

class TickCounter {
 public:
  virtual ~TickCounter() = default;
  // Returns milliseconds since an arbitrary origin.
  virtual std::int64_t NowMs() const = 0;
};

// The steady clock as milliseconds.
class SteadyTicks final : public TickCounter {
 public:
  std::int64_t NowMs() const override;
};

// Processes waiting events until none is left or a quit request heads the queue.
void DispatchPendingEvents(EventPump& pump);

// Processes events for `ms` milliseconds; returns at once for ms <= 0.
void PauseWithEvents(int ms, EventPump& pump, const TickCounter& ticks);

// What the resolve command calls for its pauses.
class Pauser {
 public:
  virtual ~Pauser() = default;
  virtual void Pause(int ms) = 0;
};

// Pauses over a pump and a tick counter.
class PumpPauser final : public Pauser {
 public:
  PumpPauser(EventPump& pump, const TickCounter& ticks) : pump_(pump), ticks_(ticks) {}
  void Pause(int ms) override { PauseWithEvents(ms, pump_, ticks_); }

 private:
  EventPump& pump_;
  const TickCounter& ticks_;
};

// For a program without window events: there is nothing to process or wait for.
class NoPause final : public Pauser {
 public:
  void Pause(int) override {}
};

}  // namespace tesvarin
