#include "tests/jobs/job_test_support.h"

#include "imaging/offscreens/offscreen_copy.h"
#include "tests/support/object_record_writer.h"

namespace vorl::test {

void RecordingObserver::SetImage(const Offscreen* page, std::string_view caption) {
  OffscreenPtr copy;
  if (page != nullptr) {
    const Rect bounds = page->portRect();
    copy.reset(myNewGWorld(&bounds));
    if (copy)
      static_cast<void>(myCopyBits(const_cast<Offscreen*>(page), copy.get(), &bounds, &bounds, srcCopy, nullptr));
  }
  previews.push_back({std::move(copy), std::string(caption)});
  calls.emplace_back(page != nullptr ? "image" : "no image");
}

JobSpec minimalJob() {
  JobSpec spec;
  spec.pageRecords = {backColorRecord({})};
  return spec;
}

ReadJob readJob(const Bytes& bytes) {
  ReadJob job;
  job.result = job.view->ReadJobFile(bytes);
  return job;
}

}  // namespace vorl::test
