// The processor's sibling programs: the front-end, the camera companions and the point-of-sale program.
//
// Each sibling is named by a desktop-entry id. Its command is an argument vector, run without a shell: the
// user-defaults key "SiblingCommand <desktop-entry id>" (an array of strings) when set, else the "Exec" of its
// desktop entry. Whether it runs is read from the process table (/proc): a process whose program file name is
// that of the command's first argument. Bringing one to the front asks it over the session bus with
// org.freedesktop.Application.Activate on its desktop-entry id (the name it owns by that standard); a sibling
// that does not offer it is logged.
//
// Nothing here waits on a sibling: a start returns once the program was executed or failed to be, and the
// Activate call is answered (or its failure logged) later in the event loop. A missing program, one that ends
// at once or one that hangs only ever costs a log line.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/os_errors.h"

namespace vorl {

inline constexpr char kFrontEndDesktopId[] = "com.vorl.Vorl-FrontEnd";
inline constexpr char kNikonCompanionDesktopId[] = "com.vorl.Vorl-NikonCompanion";
inline constexpr char kCanonCompanionDesktopId[] = "com.vorl.Vorl-CanonCompanion";
inline constexpr char kPointOfSaleDesktopId[] = "com.vorl.Vorl-PointOfSale";
inline constexpr OSErr kProcessNotFound = -600;  // procNotFound

// The user-defaults key that may hold a sibling's command.
std::string siblingCommandKey(std::string_view desktopEntryId);
// The sibling's command: the user-defaults key, else its desktop entry; nothing when neither gives one.
std::optional<std::vector<std::string>> siblingCommand(std::string_view desktopEntryId);

// The first process (lowest id) whose program is `program`: a path is compared with the process's executable,
// a bare name with the file name of its executable, of its first argument or its short name. Processes that
// have ended but were not yet reaped are passed over. 0 and kProcessNotFound (logged
// "GetNextProcess END OF LIST...") when there is none.
OSErr MyFindProcessNew(std::string_view program, pid_t& process);
// Whether the sibling's command runs now (false when it has no command).
bool isSiblingRunning(std::string_view desktopEntryId);

// Asks the sibling to come to the front over the session bus; answers noErr when the request went out,
// kProcessNotFound (logged) when no bus or nobody owns its name. The main window's 'vorl' button calls it
// for the front-end.
OSErr MyBringApplicationToFront(std::string_view desktopEntryId);

// Starts the sibling of the kind: 33 and 34 the Nikon companion, 35 and 36 the Canon companion, 39 the
// point-of-sale program; any other kind starts nothing, and nothing is started while a camera companion runs.
// Answers whether a program was executed; every failure is logged.
bool LaunchVorlRelatedApp(int kind);

}  // namespace vorl
