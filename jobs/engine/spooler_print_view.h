// The job view the job state machine works with: a `TBGPrintView` that also draws its page.
//
// The state machine makes the page offscreen (`CreateOffscreens`), then draws the page objects one per step
// (`DrawNextObject`) so that each step returns quickly, then finishes the page; when the job fails it tells the
// web-server companion (`SendErrorNotification`); at the end of every job `ResetJob` frees what the job drew and
// puts the main window back to idle. One view lives for one job.
#pragma once

#include <cstdint>
#include <memory>

#include "jobs/engine/drawing_results.h"
#include "jobs/engine/job_view.h"
#include "jobs/delivery/print_info.h"

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

  // --- Output geometry and colour (output_geometry.cpp) ---

  // The printable area, in pixels at the printer's resolution, for the header's printer type and media; its
  // top-left corner is (0, 0).
  [[nodiscard]] Rect GetOutputRect(const tPrintInfoStruct& header) const;
  // A new white offscreen of `target` holding `source` centred in it, scaled down (keeping its proportions) only
  // when larger. The source is released; null (source kept) when the new offscreen cannot be made.
  [[nodiscard]] static OffscreenPtr CropGWorldToNewSize(OffscreenPtr& source, const Rect& target, std::int16_t mode);
  // Applies the printer family's colour correction to the page in place, showing its status texts.
  void ApplyColorSettings(std::int16_t printerType);

  // --- Finishing and routing (page_finishing.cpp) ---

  // Mirror, grey, sepia, colour matching and the preview file, then `PrepareForPrinter`.
  [[nodiscard]] std::int16_t FinishJob();
  // Delivers the page by printer type; then the completion notice, the counts and the print-centre start.
  // 0 delivered; 107 the print-data file or hand-off could not be written; else the folder output's result.
  [[nodiscard]] std::int16_t PrepareForPrinter();

  // --- Print-data file (print_data_file.cpp) ---

  // Fills the zeroed header from the job (every field and record, with the per-family changes made while
  // filling).
  void FillPrintInfo(tPrintInfoStruct& header);
  // Sets the data type for the printer type and writes the file (or the hand-off pair).
  [[nodiscard]] bool WriteStructureAndOffscreenToFile(tPrintInfoStruct& header);
  // Turns, crops and colours the page for its printer, then writes it; true when written.
  [[nodiscard]] bool ProcessOffscreenAndWriteToFile(tPrintInfoStruct& header);
  // Writes the header and picture under a temporary name and gives the file its final name. 0 written, else the
  // failing step's error; nothing under a final name is left by a failure.
  [[nodiscard]] std::int16_t WriteDataToFile(tPrintInfoStruct& header);

  // --- Hand-off pair (print_hand_off.cpp) ---

  // Writes the kept page copy as "<base>.jpeg" and the header as "<base>.plist" into the folder beside the
  // print-centre folder. 0 written; otherwise the job's output failed and nothing under a final name is left.
  [[nodiscard]] std::int16_t WriteNewDictonaryFileAndJPEG(FSSpec& folder, tPrintInfoStruct& header);

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
