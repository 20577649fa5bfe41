// Connects the lower layers to the preference records: the event pump's switch is the print-server setting
// "poll events" (+30). Start-up calls this once, after the preferences are read.
#pragma once

namespace vorl {

void installPreferenceHooks() noexcept;

}  // namespace vorl
