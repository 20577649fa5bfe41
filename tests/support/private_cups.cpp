#include "tests/support/private_cups.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cups/cups.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#include "tests/support/isolated_environment.h"

extern char** environ;

namespace fs = std::filesystem;

namespace vorl::test {
namespace {

constexpr const char* kServerVariable = "CUPS_SERVER";

// A port nobody listens on just now. Another program could take it before cupsd does; the start then fails
// with cupsd's own complaint in the failure text.
int freeLoopbackPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = -1;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  ::close(fd);
  return port;
}

bool accepting(int port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool connected = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return connected;
}

pid_t spawn(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t child = -1;
  const int error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return error == 0 ? child : -1;
}

void writeText(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }

std::string readText(const fs::path& file) {
  std::ifstream in(file);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

PrivateCups::PrivateCups() {
  if (const char* previous = std::getenv(kServerVariable)) previousServer_ = previous;
  folder_ = makeTempFolder("private-cups");
  for (const char* sub : {"etc", "spool", "tmp", "cache", "state", "log"}) fs::create_directories(folder_ / sub);
  // cupsd hands the spool and cache to its "lp" user; the folders above them must let it through.
  fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);

  const int port = freeLoopbackPort();
  if (port <= 0) {
    failure_ = "no free port on 127.0.0.1";
    return;
  }
  server_ = "127.0.0.1:" + std::to_string(port);
  writeText(folder_ / "etc/cupsd.conf",
            "LogLevel warn\n"
            "Listen " + server_ + "\n"
            "Browsing No\n"
            "DefaultAuthType None\n"
            "WebInterface No\n"
            "PreserveJobFiles Yes\n"
            "PreserveJobHistory Yes\n"
            "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
            "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
  const fs::path& f = folder_;
  writeText(folder_ / "etc/cups-files.conf",
            "ServerRoot " + (f / "etc").string() + "\nRequestRoot " + (f / "spool").string() + "\nTempDir " +
                (f / "tmp").string() + "\nCacheDir " + (f / "cache").string() + "\nStateDir " +
                (f / "state").string() + "\nErrorLog " + (f / "log/error_log").string() + "\nAccessLog " +
                (f / "log/access_log").string() + "\nPageLog " + (f / "log/page_log").string() +
                "\nSystemGroup root\nSandboxing Relaxed\n");

  scheduler_ = spawn({"cupsd", "-f", "-c", (f / "etc/cupsd.conf").string(), "-s", (f / "etc/cups-files.conf").string()});
  if (scheduler_ <= 0) {
    failure_ = "cupsd could not be started (package cups)";
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!accepting(port)) {
    int status = 0;
    if (::waitpid(scheduler_, &status, WNOHANG) == scheduler_) {
      scheduler_ = -1;
      failure_ = "cupsd ended at start: " + readText(f / "log/error_log");
      return;
    }
    if (std::chrono::steady_clock::now() > deadline) {
      failure_ = "cupsd did not listen on " + server_ + " within 10 s: " + readText(f / "log/error_log");
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::setenv(kServerVariable, server_.c_str(), 1);
  cupsSetServer(nullptr);  // forget a server (and connection) libcups may have settled on before
  if (!addQueue()) failure_ = "lpadmin could not add the queue: " + readText(f / "log/error_log");
}

PrivateCups::~PrivateCups() {
  if (scheduler_ > 0) {
    ::kill(scheduler_, SIGTERM);
    int status = 0;
    ::waitpid(scheduler_, &status, 0);
  }
  if (previousServer_) ::setenv(kServerVariable, previousServer_->c_str(), 1);
  else ::unsetenv(kServerVariable);
  cupsSetServer(nullptr);
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

int PrivateCups::run(const std::vector<std::string>& arguments) const {
  const pid_t child = spawn(arguments);
  if (child <= 0) return -1;
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

bool PrivateCups::addQueue() const {
  // A raw queue: the scheduler passes our PDF on untouched, which is what the test reads back.
  return run({"lpadmin", "-p", kQueue, "-E", "-v", "file:///dev/null", "-m", "raw"}) == 0 &&
         run({"lpadmin", "-d", kQueue}) == 0;
}

std::map<std::string, std::string> PrivateCups::jobAttributes(int jobId) const {
  std::map<std::string, std::string> attributes;
  ipp_t* request = ippNewRequest(IPP_OP_GET_JOB_ATTRIBUTES);
  const std::string uri = "ipp://localhost/jobs/" + std::to_string(jobId);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri.c_str());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "all");
  ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
  if (response == nullptr) return attributes;
  for (ipp_attribute_t* a = ippFirstAttribute(response); a != nullptr; a = ippNextAttribute(response)) {
    if (ippGetGroupTag(a) != IPP_TAG_JOB || ippGetName(a) == nullptr) continue;
    char text[2048];
    ippAttributeString(a, text, sizeof text);
    attributes[ippGetName(a)] = text;
  }
  ippDelete(response);
  return attributes;
}

bool PrivateCups::waitForCompletion(int jobId, double seconds) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  do {
    const auto attributes = jobAttributes(jobId);
    const auto state = attributes.find("job-state");
    if (state != attributes.end() && state->second == "completed") return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } while (std::chrono::steady_clock::now() < deadline);
  return false;
}

std::optional<std::vector<std::uint8_t>> PrivateCups::document(int jobId) const {
  char name[32];
  std::snprintf(name, sizeof name, "d%05d-001", jobId);
  std::ifstream in(folder_ / "spool" / name, std::ios::binary);
  if (!in) return std::nullopt;
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace vorl::test
