// Process-wide values the job-file reader sets for the job in hand.
//
// They outlive the job view on purpose: the daily print counts read the template name, the image readers the
// embedded-profile switch and the blur radius, and the system print path the page setup, after the view that
// read them may be gone. Only the worker writes them, inside a step; the main thread reads them between steps.
// The embedded-profile switch and the blur radius are read by the image-file readers, which do not exist yet;
// when they arrive these two move down beside them and the reader keeps writing them there.
#pragma once

#include <optional>

#include "platform/keyed_archive.h"
#include "platform/pascal_string.h"

namespace vorl {

// The template name of the last job read.
extern Str31 gCurrentTemplateName;
// Whether the last job asks for the profiles embedded in its photos to be applied.
extern bool gApplyEmbedded;
// The blur radius of the last job read; 2.0 until a job sets it.
extern float myBlurValue;
// The page setup for the system print dialog, decoded from the last job that carried one; none otherwise.
extern std::optional<ArchivedValue> gCocoaPrintInfo;

}  // namespace vorl
