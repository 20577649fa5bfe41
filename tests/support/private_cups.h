// A CUPS scheduler of the test's own: cupsd with a private configuration, spool and logs in a temporary folder,
// listening on a free port of 127.0.0.1, with one queue "test" made the default destination. CUPS_SERVER names
// it for as long as the object lives, so no test reaches the machine's printers.
//
// The queue takes the document as it is (a raw queue) into /dev/null; the scheduler keeps every document in its
// spool and every job in its history, so a test reads back what was printed and the job's attributes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vorl::test {

class PrivateCups {
 public:
  static constexpr const char* kQueue = "test";

  // Starts the scheduler, adds the queue, makes it the default and points CUPS_SERVER at the scheduler.
  PrivateCups();
  // Stops the scheduler and puts CUPS_SERVER back as it was.
  ~PrivateCups();
  PrivateCups(const PrivateCups&) = delete;
  PrivateCups& operator=(const PrivateCups&) = delete;

  bool running() const noexcept { return scheduler_ > 0; }
  // Why it is not running.
  const std::string& failure() const noexcept { return failure_; }
  const std::string& server() const noexcept { return server_; }

  // Runs a CUPS command-line tool against the scheduler (no shell); its exit status, -1 when it did not run.
  int run(const std::vector<std::string>& arguments) const;
  // Adds the queue (enabled, accepting, the default); false when lpadmin failed.
  bool addQueue() const;
  bool removeQueue() const { return run({"lpadmin", "-x", kQueue}) == 0; }

  // The job's attributes as the scheduler reports them, each value as text; empty when it knows no such job.
  std::map<std::string, std::string> jobAttributes(int jobId) const;
  // Waits until the job has completed (at most `seconds`); false when it did not.
  bool waitForCompletion(int jobId, double seconds) const;
  // The document of the job as the scheduler spooled it.
  std::optional<std::vector<std::uint8_t>> document(int jobId) const;
  const std::filesystem::path& folder() const noexcept { return folder_; }

 private:
  std::filesystem::path folder_;
  std::string server_;
  pid_t scheduler_ = -1;
  std::string failure_;
  std::optional<std::string> previousServer_;
};

}  // namespace vorl::test
