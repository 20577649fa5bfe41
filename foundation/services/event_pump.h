// Keeping the windows current during long work.
//
// Long loops (file copies, rendering, keying) call these pumps. A pump asks the application to update its
// windows: by default it lets go of the baton for a moment, so the main thread can run its handlers and repaint
// on its own; the application may install a hook of its own. The pumps run only while the operator's
// print-server setting "poll events" is on, which the preferences tell through a second hook; without that hook
// the pumps stay off. `myPollEventOnTicks` updates at most once every `gPollTicks` ticks.
#pragma once

#include <cstdint>

namespace vorl {

inline constexpr std::int16_t gPollTicks = 10;

using UpdateAllWindowsHook = void (*)();
using PollEventsSwitchHook = bool (*)();
// Null puts back the defaults: yield the baton, and the switch off.
void setUpdateAllWindowsHook(UpdateAllWindowsHook hook) noexcept;
void setPollEventsSwitchHook(PollEventsSwitchHook hook) noexcept;

// Updates all windows, unconditionally.
void myNewApplicationPollEvent();
void myApplicationPollEvent();
void doApplicationPollEvent();

// Updates all windows when the switch is on.
void myPollEvent();
// Updates all windows when the switch is on and more than gPollTicks ticks passed since the last such update.
void myPollEventOnTicks();

std::int32_t myGetLastPollTicks() noexcept;
// Stores the value (0 for a value below 1) and answers what was stored.
std::int32_t mySetLastPollTicks(std::int32_t ticks) noexcept;
std::int16_t myGetPollTicks() noexcept;

}  // namespace vorl
