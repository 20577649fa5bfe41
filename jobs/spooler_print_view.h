// The job view the job state machine works with: a `TBGPrintView` that also draws its page.
//
// The state machine makes the page offscreen (`CreateOffscreens`), then draws the page objects one per step
// (`DrawNextObject`) so that each step returns quickly, then finishes the page; when the job fails it tells the
// web-server companion (`SendErrorNotification`); at the end of every job `ResetJob` frees what the job drew and
// puts the main window back to idle. One view lives for one job.
#pragma once

#include <cstdint>
#include <memory>

#include "jobs/drawing_results.h"
#include "jobs/job_view.h"

namespace vorl {

class TSpoolerPrintView final : public TBGPrintView {
 public:
  explicit TSpoolerPrintView(JobObserver* behaviour = nullptr) : TBGPrintView(behaviour) {}
  ~TSpoolerPrintView() override = default;

  // A new view with a copy of the job, its object count and position; like every copy it shares no offscreen
  // (nor the kept page copy).
  [[nodiscard]] std::unique_ptr<TSpoolerPrintView> Clone() const;

  // Records the object count and makes the white page at the job's size and resolution; the next object to draw
  // is the first. 0 made; 105 when the page size is refused (no side may pass 32767 pixels or be empty) or its
  // memory cannot be had, with a message either way.
  [[nodiscard]] std::int16_t CreateOffscreens();

  // Draws the next page object, skipping empty node objects. 1 drawn and more follow; 99 nothing more to draw
  // (also straight after the last object drew); 101 no objects or no page to draw on, or the position is out
  // of order, which ends the job; 102 the object failed to draw.
  [[nodiscard]] std::int16_t DrawNextObject();

  // Tells the web-server companion that its job failed, when the job came from it (its job dictionary has
  // "imageurl"); otherwise does nothing.
  void SendErrorNotification();

  // Frees what the job drew (the page, the sub-job picture, the decoded-image cache) and puts the main
  // window back to idle. The files to delete stay: the state machine deletes them after the reset.
  void ResetJob();

  int objectCount() const noexcept { return fObjectCount; }
  int currentObject() const noexcept { return fCurrentObject; }

  // The finished page kept by the output code; the view frees it with itself.
  Offscreen* keptPageCopy() const noexcept { return fKeptPageCopy.get(); }
  void SetKeptPageCopy(OffscreenPtr copy) noexcept { fKeptPageCopy = std::move(copy); }

 private:
  // At most 32767 objects; the position is wider so that the one after the last never wraps round.
  std::int32_t fObjectCount = 0;
  std::int32_t fCurrentObject = 0;  // 1-based
  OffscreenPtr fKeptPageCopy;
};

}  // namespace vorl
