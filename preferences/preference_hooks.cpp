#include "preferences/preference_hooks.h"

#include "foundation/services/event_pump.h"
#include "preferences/preference_globals.h"

namespace vorl {

void installPreferenceHooks() noexcept {
  setPollEventsSwitchHook([] { return getMyPrintServerPrefs()->pollEvents != 0; });
}

}  // namespace vorl
