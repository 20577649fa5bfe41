#include "jobs/reading/job_globals.h"

namespace vorl {

Str31 gCurrentTemplateName;
std::optional<ArchivedValue> gCocoaPrintInfo;

}  // namespace vorl
