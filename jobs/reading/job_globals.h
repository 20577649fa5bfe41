// Process-wide values the job-file reader sets for the job in hand.
//
// They outlive the job view on purpose: the daily print counts read the template name, the image readers the
// embedded-profile switch and the blur radius, and the system print path the page setup, after the view that
// read them may be gone. Only the worker writes them, inside a step; the main thread reads them between steps.
// The embedded-profile switch and the blur radius live beside the image readers that use them.
#pragma once

#include <optional>

#include "imaging/image_files/image_road_globals.h"
#include "platform/plists/keyed_archive.h"
#include "platform/text/pascal_string.h"

namespace vorl {

// The template name of the last job read.
extern Str31 gCurrentTemplateName;
// The page setup for the system print dialog, decoded from the last job that carried one; none otherwise.
extern std::optional<ArchivedValue> gCocoaPrintInfo;

// The user default that sets the memory one job may take, in MiB ("JobMemoryBudgetMiB"); without it, or with a
// value that is not a positive number, the budget is the default 2 GiB. Read for every job, so a change applies
// from the next job on.
inline constexpr const char* kJobMemoryBudgetKey = "JobMemoryBudgetMiB";
void loadJobMemoryBudget();

}  // namespace vorl
