// Outside programs run from an argument vector: what they print and how they end, with no shell in between.
#include "platform/system/command_runner.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

namespace vorl {
namespace {

TEST(CommandRunner, ReportsOutputAndHowTheProgramEnded) {
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    bool started;
    int exitStatus;
    int signal;
    const char* out;
    const char* err;
  } cases[] = {
      {"output", {"printf", "%s|%s", "one", "two"}, true, 0, 0, "one|two", ""},
      {"shell syntax stays text",
       {"printf", "%s", "$HOME `id` \"q\"; rm -rf x"},
       true,
       0,
       0,
       "$HOME `id` \"q\"; rm -rf x",
       ""},
      {"standard error apart", {"sh", "-c", "echo out; echo err >&2; exit 3"}, true, 3, 0, "out\n", "err\n"},
      {"no output, failing", {"false"}, true, 1, 0, "", ""},
      {"ended by a signal", {"sh", "-c", "kill -9 $$"}, true, -1, 9, "", ""},
      {"no such program", {"/nonexistent/program"}, false, -1, 0, "", ""},
      {"standard input is empty", {"cat"}, true, 0, 0, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const CommandResult result = runCommand(c.arguments);
    EXPECT_EQ(result.started, c.started);
    EXPECT_EQ(result.exitStatus, c.exitStatus);
    EXPECT_EQ(result.signal, c.signal);
    EXPECT_EQ(result.standardOutput, c.out);
    EXPECT_EQ(result.standardError, c.err);
    EXPECT_EQ(result.succeeded(), c.started && c.exitStatus == 0 && c.signal == 0);
  }
  EXPECT_EQ(runCommand({"/nonexistent/program"}).startError, ENOENT);
  EXPECT_EQ(runCommand({}).started, false);
}

TEST(CommandRunner, ReadsOutputLargerThanAPipeHolds) {
  const CommandResult result = runCommand({"head", "-c", "1000000", "/dev/zero"});
  ASSERT_TRUE(result.succeeded());
  EXPECT_EQ(result.standardOutput.size(), 1000000u);
}

TEST(CommandRunner, DoesNotWaitForAProcessTheProgramLeftRunning) {
  // The background child keeps the output pipe open; the program itself ends at once.
  const auto start = std::chrono::steady_clock::now();
  const CommandResult result = runCommand({"sh", "-c", "sleep 5 & echo started"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_TRUE(result.succeeded());
  EXPECT_EQ(result.standardOutput, "started\n");
}

TEST(CommandRunner, TellsWellFormedUtf8) {
  const struct {
    const char* name;
    std::string bytes;
    bool valid;
  } cases[] = {
      {"ASCII", "10.12.6\n", true},
      {"two, three and four bytes", "ƒ 日 \xF0\x9F\x93\xB7", true},
      {"Mac Roman byte", "IMAGES FOLDER \xC4", false},
      {"cut sequence", "\xE6\x97", false},
      {"overlong slash", "\xC0\xAF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(isValidUtf8(c.bytes), c.valid);
  }
}

TEST(CommandRunner, AProgramPastItsTimeLimitIsStopped) {
  using namespace std::chrono_literals;
  struct Case {
    const char* what;
    std::vector<std::string> command;
  };
  // A program that talks and one that closed its outputs before hanging are both stopped.
  for (const Case& c : {Case{"writing", {"sh", "-c", "echo started; sleep 30"}},
                        Case{"silent", {"sh", "-c", "exec >/dev/null 2>&1; sleep 30"}}}) {
    SCOPED_TRACE(c.what);
    const auto start = std::chrono::steady_clock::now();
    const CommandResult result = runCommand(c.command, 300ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.timedOut);
    EXPECT_FALSE(result.succeeded());
    EXPECT_EQ(describeOutcome(result), "stopped after running out of time");
  }
  // Within its limit a program ends as usual.
  const CommandResult quick = runCommand({"sh", "-c", "echo done"}, 10s);
  EXPECT_TRUE(quick.succeeded());
  EXPECT_FALSE(quick.timedOut);
  EXPECT_EQ(quick.standardOutput, "done\n");
}

}  // namespace
}  // namespace vorl
