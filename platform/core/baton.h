// The process-wide baton.
//
// The job worker runs on its own thread but, as the cooperative thread it replaces, only one side runs on the
// shared job state at a time: a job step holds the baton from start to end and lets go only where the original
// yielded (the event pumps of long loops, waits, operator questions). The main thread takes it in the handlers
// that touch the state machine, the job queue or the preference records. Nothing else needs a lock.
#pragma once

namespace vorl {

void acquireBaton();
void releaseBaton();
bool batonHeldByThisThread() noexcept;

// Holds the baton for a scope.
class BatonHold {
 public:
  BatonHold() { acquireBaton(); }
  ~BatonHold() { releaseBaton(); }
  BatonHold(const BatonHold&) = delete;
  BatonHold& operator=(const BatonHold&) = delete;
};

// Holds the baton for a scope unless this thread holds it already (handlers that may run inside one another).
class BatonHoldUnlessHeld {
 public:
  BatonHoldUnlessHeld() : took_(!batonHeldByThisThread()) {
    if (took_) acquireBaton();
  }
  ~BatonHoldUnlessHeld() {
    if (took_) releaseBaton();
  }
  BatonHoldUnlessHeld(const BatonHoldUnlessHeld&) = delete;
  BatonHoldUnlessHeld& operator=(const BatonHoldUnlessHeld&) = delete;

 private:
  bool took_;
};

// Lets go of the baton for a scope when this thread holds it, and takes it back at the end; does nothing on a
// thread that does not hold it.
class BatonRelease {
 public:
  BatonRelease();
  ~BatonRelease();
  BatonRelease(const BatonRelease&) = delete;
  BatonRelease& operator=(const BatonRelease&) = delete;

 private:
  bool wasHeld_;
};

// Gives the other side a turn: release, yield the processor, take the baton back (only when held).
void yieldBaton();

}  // namespace vorl
