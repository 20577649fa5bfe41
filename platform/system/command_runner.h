// platform/system/: the operating system and the desktop: outside programs (this unit), programs started in the
// background, autostart entries, the session bus's notifications, the system log and standard error, printing
// through CUPS, the cipher of the settings store, and what the machine says about itself (host, network address,
// bundle information).
//
// Outside programs, run without a shell.
//
// A program is started from an argument vector (the first element is the program: a path, or a name looked up
// in PATH), so no path or name with blanks, quotes or "$" is ever read as shell syntax. Its standard output and
// standard error are collected and its exit status is reported; standard input is /dev/null. Collection stops
// when the program itself has ended, even if a process it left running still holds the output open.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace vorl {

struct CommandResult {
  bool started = false;  // false: the program could not be started (`startError` says why)
  int startError = 0;    // errno of the failed start
  int exitStatus = -1;   // the exit code; -1 when the program was ended by a signal or never ran
  int signal = 0;        // the signal that ended it, 0 when it exited
  bool timedOut = false;  // it ran past its time limit and was killed
  std::string standardOutput;
  std::string standardError;

  bool succeeded() const noexcept { return started && signal == 0 && exitStatus == 0; }
};

// With a time limit (0: none), a program still running when it is reached is killed and `timedOut` set, so a
// hung outside tool cannot stop the caller for good.
CommandResult runCommand(const std::vector<std::string>& arguments,
                         std::chrono::milliseconds timeout = std::chrono::milliseconds::zero());

// A short description for log lines: "exit status 3", "signal 9" or "could not start: <reason>".
std::string describeOutcome(const CommandResult& result);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isValidUtf8(std::string_view bytes) noexcept;

}  // namespace vorl
