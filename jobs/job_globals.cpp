#include "jobs/job_globals.h"

namespace vorl {

Str31 gCurrentTemplateName;
bool gApplyEmbedded = false;
float myBlurValue = 2.0f;
std::optional<ArchivedValue> gCocoaPrintInfo;

}  // namespace vorl
