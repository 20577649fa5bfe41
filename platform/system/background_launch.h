// Starting sibling programs in the background, the way the Mac opened an application by its bundle identifier
// without bringing it forward.
//
// A sibling program (the print centre, for one) is named by a desktop-entry id; its desktop entry gives the
// command. The command is an argument vector that is executed directly, never read by a shell, so blanks,
// quotes, "$(...)" and backquotes in it reach the program as plain text.
//
// The started program is on its own: a new session, standard input, output and error on /dev/null, the
// environment of this process, no signal blocked, and no descriptor of ours beyond those three. We never wait
// for it and it is never our child, so it leaves no zombie behind when it ends.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorl {

struct BackgroundLaunchResult {
  bool started = false;  // the program was executed (what it does next is its own affair)
  int startError = 0;    // errno of the failed start: ENOENT for a missing program, EACCES, EINVAL for no command
};

// Executes arguments[0] (a path, or a name looked up in PATH as execvp does) with the whole vector as its
// argument list, detached as described above. Returns once the program has been executed or has failed to be.
// Safe to call from any thread.
[[nodiscard]] BackgroundLaunchResult launchInBackground(const std::vector<std::string>& arguments);

// The command of the desktop entry "<desktopEntryId>.desktop", split into an argument vector: the first such
// file in $XDG_DATA_HOME/applications, then in "applications" under each folder of $XDG_DATA_DIRS (by default
// /usr/local/share and /usr/share), decides. Its "Exec" key of the [Desktop Entry] group is unescaped and split
// by the desktop-entry rules: double quotes group an argument, inside them a backslash escapes `"`, "`", "$" and
// itself; the file and URL field codes (%f %F %u %U) and %i %c %k expand to nothing, as no file is passed, and
// "%%" is "%". Nothing when no such file exists, the first found cannot be read, it has no "Exec", or the value
// is malformed (an unclosed quote, an unknown field code, no program). An id holding "/" is refused.
std::optional<std::vector<std::string>> desktopEntryCommand(std::string_view desktopEntryId);

}  // namespace vorl
