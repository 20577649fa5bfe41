// For the drawing tests: a page object that draws what it is told and records the call, and a spooler view read
// from a written job.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "jobs/engine/spooler_print_view.h"
#include "tests/jobs/job_test_support.h"

namespace vorl::test {

// A page object of any type that paints one pixel and answers as scripted. `onDraw` runs inside the drawing,
// with the page and the job it was given.
class ScriptedObject final : public TLayoutObject {
 public:
  using Hook = std::function<void(Offscreen* page, JobViewAccess* view)>;

  ScriptedObject(std::string name, const char* type, std::vector<std::string>* drawn, bool draws = true,
                 Hook onDraw = {});

  [[nodiscard]] bool Draw4Printing(Offscreen* page, std::int16_t resolution, JobViewAccess* view) override;
  [[nodiscard]] std::unique_ptr<TLayoutObject> Clone() const override;

  // The pixel every scripted object paints: red at the top-left corner.
  static void paintMark(Offscreen* page);

 private:
  std::string name_;
  std::vector<std::string>* drawn_;
  bool draws_;
  Hook onDraw_;
};

struct SpoolerJob {
  std::unique_ptr<RecordingObserver> observer = std::make_unique<RecordingObserver>();
  std::unique_ptr<TSpoolerPrintView> view = std::make_unique<TSpoolerPrintView>(observer.get());
  std::int16_t result = -1;
};

SpoolerJob readSpoolerJob(const JobSpec& spec);

// A 1 × 1 inch page at 10 dots per inch whose one page record is an empty node object, so the page draws exactly
// the objects a test adds after it.
JobSpec emptyNodePage();

// Whether the pixel is white and drawn (alpha 0), as a new page is.
bool isBlankPixel(const Offscreen& page, int x, int y);
bool isMarkedPixel(const Offscreen& page, int x, int y);

}  // namespace vorl::test
