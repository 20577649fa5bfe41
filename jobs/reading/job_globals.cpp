#include "jobs/reading/job_globals.h"

#include <cmath>

#include "imaging/offscreens/memory_budget.h"
#include "platform/plists/user_defaults.h"
#include "platform/system/system_log.h"

namespace vorl {

Str31 gCurrentTemplateName;
std::optional<ArchivedValue> gCocoaPrintInfo;

void loadJobMemoryBudget() {
  const std::optional<double> mebibytes = standardUserDefaults().number(kJobMemoryBudgetKey);
  // Past 2^40 MiB the byte count would not fit; such a value means "no practical limit" anyway.
  if (mebibytes && std::isfinite(*mebibytes) && *mebibytes >= 1 && *mebibytes < 1099511627776.0) {
    setJobMemoryBudget(static_cast<std::uint64_t>(*mebibytes * 1048576.0));
    return;
  }
  if (mebibytes)
    systemLogf("The user default \"%s\" is not a number of MiB; one job may take the default 2048 MiB",
               kJobMemoryBudgetKey);
  setJobMemoryBudget(0);
}

}  // namespace vorl
