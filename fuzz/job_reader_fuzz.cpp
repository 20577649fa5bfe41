// The job-file reader under libFuzzer: any bytes at all must end in 0, 100, 101 or 109, never in a crash, a read
// past the input or undefined behaviour. Job files come from other programs and are the processor's one
// untrusted input. The decoded archives and the object lists are walked too, so what the reader built is whole.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "jobs/reading/job_archives.h"
#include "jobs/engine/job_view.h"
#include "layout/node_object.h"

namespace {

// A print-to-file job looks up its set's folder in the user defaults: keep those away from the real home.
void isolateHome() {
  char folder[] = "/tmp/job_reader_fuzz.XXXXXX";
  if (!mkdtemp(folder)) std::abort();
  const std::string home(folder);
  setenv("HOME", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "/config").c_str(), 1);
  setenv("XDG_STATE_HOME", (home + "/state").c_str(), 1);
  setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
}

std::size_t countObjects(const vorl::LayoutObjectList& objects) {
  std::size_t count = objects.size();
  for (const auto& object : objects)
    if (object->type() == vorl::kNodeObjectType)
      if (const auto* nested = static_cast<const vorl::TNodeViewObject&>(*object).objects()) count += nested->size();
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
  isolateHome();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto view = std::make_unique<vorl::TBGPrintView>();
  const std::int16_t result = view->ReadJobFile({data, size});
  if (result != vorl::kJobReadOK && result != vorl::kJobBadSignature && result != vorl::kJobReadError &&
      result != vorl::kJobPrintToFileSetMissing)
    std::abort();
  static_cast<void>(view->jobDictionary());
  static_cast<void>(vorl::decodeArchiveIn(view->settings().uploadData));
  static_cast<void>(vorl::decodeArchiveIn(view->settings().emailEntryBuffer));
  static_cast<void>(view->originalPath().size() + view->videoPath().size());
  static_cast<void>(countObjects(view->layoutObjects()) + countObjects(view->subJobObjects()));
  static_cast<void>(view->Clone());
  return 0;
}
