#include "tests/support/bus_monitor.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include "tests/support/isolated_environment.h"

extern char** environ;

namespace vorl::test {
namespace {

constexpr const char* kUnreadable = "(unreadable printout)";

// One value of the printout: a basic value (type and text), a variant, an array, a dict entry or bytes.
struct PrintedValue {
  enum class Kind { Basic, String, Variant, Array, DictEntry, Bytes } kind = Kind::Basic;
  std::string type;  // of a basic value: "int64", "double", "boolean", ...
  std::string text;  // of a basic value or string; of bytes, the hex digits
  std::vector<PrintedValue> items;
};

class PrintoutParser {
 public:
  explicit PrintoutParser(std::string_view body) : text_(body) {}

  bool atEnd() {
    skipSpace();
    return at_ >= text_.size();
  }

  std::optional<PrintedValue> value() {
    const std::string type = word();
    PrintedValue result;
    if (type == "string" || type == "signature") {
      result.kind = PrintedValue::Kind::String;
      std::optional<std::string> text = quoted();
      if (!text) return std::nullopt;
      result.text = *text;
      return result;
    }
    if (type == "variant") {
      std::optional<PrintedValue> inner = value();
      if (!inner) return std::nullopt;
      result.kind = PrintedValue::Kind::Variant;
      result.items.push_back(std::move(*inner));
      return result;
    }
    if (type == "dict") {
      if (word() != "entry" || !punctuation('(')) return std::nullopt;
      result.kind = PrintedValue::Kind::DictEntry;
      for (int i = 0; i < 2; ++i) {
        std::optional<PrintedValue> part = value();
        if (!part) return std::nullopt;
        result.items.push_back(std::move(*part));
      }
      if (!punctuation(')')) return std::nullopt;
      return result;
    }
    if (type == "array") {
      skipSpace();
      if (text_.substr(at_, 2) == "of") return bytes();
      if (!punctuation('[')) return std::nullopt;
      result.kind = PrintedValue::Kind::Array;
      while (!punctuation(']')) {
        std::optional<PrintedValue> item = value();
        if (!item) return std::nullopt;
        result.items.push_back(std::move(*item));
      }
      return result;
    }
    if (type.empty()) return std::nullopt;
    result.type = type;
    result.text = word();
    return result;
  }

 private:
  void skipSpace() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
  }

  std::string word() {
    skipSpace();
    const std::size_t start = at_;
    while (at_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[at_])) &&
           std::strchr("()[]\"", text_[at_]) == nullptr) {
      ++at_;
    }
    return std::string(text_.substr(start, at_ - start));
  }

  bool punctuation(char expected) {
    skipSpace();
    if (at_ >= text_.size() || text_[at_] != expected) return false;
    ++at_;
    return true;
  }

  // A quoted string ends at the quote that ends its line: the printout does not escape quotes inside.
  std::optional<std::string> quoted() {
    if (!punctuation('"')) return std::nullopt;
    std::size_t end = text_.find("\"\n", at_);
    if (end == std::string_view::npos) {
      if (text_.empty() || text_.back() != '"' || text_.size() - 1 < at_) return std::nullopt;
      end = text_.size() - 1;
    }
    std::string text(text_.substr(at_, end - at_));
    at_ = end + 1;
    return text;
  }

  // "array of bytes [ 00 ff ]", or "array of bytes "AB"" when every byte is printable.
  std::optional<PrintedValue> bytes() {
    if (word() != "of" || word() != "bytes") return std::nullopt;
    PrintedValue result;
    result.kind = PrintedValue::Kind::Bytes;
    skipSpace();
    if (at_ < text_.size() && text_[at_] == '"') {
      std::optional<std::string> text = quoted();
      if (!text) return std::nullopt;
      for (const char c : *text) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(c));
        result.text += hex;
      }
      // A closing NUL is printed apart: ` + \0`.
      skipSpace();
      if (text_.substr(at_, 4) == "+ \\0") {
        at_ += 4;
        result.text += "00";
      }
      return result;
    }
    if (!punctuation('[')) return std::nullopt;
    while (!punctuation(']')) {
      const std::string digits = word();
      if (digits.empty()) return std::nullopt;
      result.text += digits;
    }
    return result;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

std::string render(const PrintedValue& value) {
  switch (value.kind) {
    case PrintedValue::Kind::Basic:
      return value.type + " " + value.text;
    case PrintedValue::Kind::String:
      return "'" + value.text + "'";
    case PrintedValue::Kind::Variant:
      return "<" + render(value.items.front()) + ">";
    case PrintedValue::Kind::DictEntry:
      return render(value.items[0]) + ": " + render(value.items[1]);
    case PrintedValue::Kind::Bytes: {
      std::string text = "bytes[";
      for (std::size_t i = 0; i < value.text.size(); i += 2) {
        if (i > 0) text += ' ';
        text += value.text.substr(i, 2);
      }
      return text + "]";
    }
    case PrintedValue::Kind::Array:
      break;
  }
  std::vector<std::string> items;
  for (const PrintedValue& item : value.items) items.push_back(render(item));
  const bool dictionary = !value.items.empty() && std::all_of(value.items.begin(), value.items.end(), [](auto& item) {
    return item.kind == PrintedValue::Kind::DictEntry;
  });
  if (dictionary) std::sort(items.begin(), items.end());
  std::string text = dictionary ? "{" : "[";
  for (std::size_t i = 0; i < items.size(); ++i) text += (i > 0 ? ", " : "") + items[i];
  return text + (dictionary ? "}" : "]");
}

// "path=/a/b; interface=x.y; member=Z" from a header line.
std::string headerField(std::string_view header, std::string_view key) {
  const std::string marker = " " + std::string(key) + "=";
  const std::size_t start = header.find(marker);
  if (start == std::string_view::npos) return {};
  const std::size_t valueStart = start + marker.size();
  const std::size_t end = header.find_first_of("; \n", valueStart);
  return std::string(header.substr(valueStart, end == std::string_view::npos ? end : end - valueStart));
}

bool isMessageHeader(std::string_view line) {
  for (const std::string_view start : {"signal ", "method call ", "method return ", "error "}) {
    if (line.substr(0, start.size()) == start) return true;
  }
  return false;
}

}  // namespace

std::vector<MonitoredSignal> parseMonitorPrintout(std::string_view printout) {
  // Split into messages: each begins with a header line at the left margin; its body runs to the next one.
  std::vector<std::pair<std::string_view, std::string_view>> messages;  // header, body
  std::size_t lineStart = 0;
  while (lineStart < printout.size()) {
    const std::size_t lineEnd = std::min(printout.find('\n', lineStart), printout.size());
    const std::string_view line = printout.substr(lineStart, lineEnd - lineStart);
    if (isMessageHeader(line)) {
      if (!messages.empty()) {
        const std::string_view body = messages.back().second;
        messages.back().second = body.substr(0, static_cast<std::size_t>(line.data() - body.data()));
      }
      const std::size_t bodyStart = std::min(lineEnd + 1, printout.size());
      messages.push_back({line, printout.substr(bodyStart)});
    }
    lineStart = lineEnd + 1;
  }
  std::vector<MonitoredSignal> signals;
  for (const auto& [header, body] : messages) {
    if (header.substr(0, 7) != "signal ") continue;
    MonitoredSignal signal{
        headerField(header, "path"), headerField(header, "interface"), headerField(header, "member"), {}};
    PrintoutParser parser(body);
    while (!parser.atEnd()) {
      const std::optional<PrintedValue> value = parser.value();
      if (!value) {
        signal.arguments.push_back(kUnreadable);
        break;
      }
      signal.arguments.push_back(render(*value));
    }
    signals.push_back(std::move(signal));
  }
  return signals;
}

BusMonitor::BusMonitor(const std::string& address, const std::string& matchRule) {
  output_ = makeTempFolder("bus-monitor") / "printout.txt";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<std::string> arguments{"dbus-monitor", "--address", address, matchRule};
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const int spawnError = ::posix_spawnp(&monitor_, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawnError != 0) {
    monitor_ = -1;
    failure_ = std::string("cannot start dbus-monitor: ") + std::strerror(spawnError);
    return;
  }
  // The bus takes the rules first and then takes the monitor's name away: once the name is lost, nothing that
  // matches can pass unseen.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    if (printout().find("member=NameLost") != std::string::npos) {
      watching_ = true;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  failure_ = "dbus-monitor did not become a monitor; it printed: " + printout();
}

BusMonitor::~BusMonitor() {
  if (monitor_ > 0) {
    ::kill(monitor_, SIGTERM);
    while (::waitpid(monitor_, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
}

std::string BusMonitor::printout() const {
  std::ifstream file(output_);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<MonitoredSignal> BusMonitor::signals(std::string_view member, std::size_t count,
                                                 std::chrono::milliseconds timeout) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    std::vector<MonitoredSignal> found;
    for (MonitoredSignal& signal : parseMonitorPrintout(printout())) {
      if (signal.member == member) found.push_back(std::move(signal));
    }
    // A message the monitor is still writing reads as unreadable: look again.
    const bool complete = std::none_of(found.begin(), found.end(), [](const MonitoredSignal& signal) {
      return std::find(signal.arguments.begin(), signal.arguments.end(), kUnreadable) != signal.arguments.end();
    });
    if ((complete && found.size() >= count) || std::chrono::steady_clock::now() >= deadline) return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace vorl::test
