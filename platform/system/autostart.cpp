#include "platform/system/autostart.h"

#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "platform/files/safe_files.h"
#include "platform/files/xdg_folders.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

// Characters that make an argument need quotes in an Exec value.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

std::string quoteArgument(const std::string& argument) {
  std::string quoted;
  const bool needsQuotes = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
  if (needsQuotes) quoted.push_back('"');
  for (const char c : argument) {
    if (c == '%') {
      quoted += "%%";  // a lone "%" would start a field code
      continue;
    }
    if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted.push_back('\\');
    quoted.push_back(c);
  }
  if (needsQuotes) quoted.push_back('"');
  return quoted;
}

// The escapes of a desktop-entry string value, applied over the quoted command line.
std::string escapeStringValue(std::string_view value) {
  std::string escaped;
  for (const char c : value) {
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '\n':
        escaped += "\\n";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\r':
        escaped += "\\r";
        break;
      default:
        escaped.push_back(c);
    }
  }
  return escaped;
}

}  // namespace

fs::path autostartFolder() { return xdgConfigHome() / "autostart"; }

std::string desktopExecValue(const std::vector<std::string>& arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line.push_back(' ');
    line += quoteArgument(argument);
  }
  return escapeStringValue(line);
}

std::string desktopEntryText(const AutostartEntry& entry) {
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=" +
         escapeStringValue(entry.name) +
         "\n"
         "Exec=" +
         desktopExecValue(entry.arguments) +
         "\n"
         "Terminal=false\n"
         "NoDisplay=true\n"
         "X-GNOME-Autostart-enabled=true\n";
}

OSErr writeAutostartEntry(const AutostartEntry& entry) {
  if (entry.fileName.empty() || entry.fileName.find('/') != std::string::npos) return bdNamErr;
  std::error_code error;
  fs::create_directories(autostartFolder(), error);
  if (error) return osErrFromErrno(error.value());
  return writeFileAtomically(autostartFolder() / entry.fileName, desktopEntryText(entry), true, 0644);
}

OSErr removeAutostartEntry(const std::string& fileName) {
  if (fileName.empty() || fileName.find('/') != std::string::npos) return bdNamErr;
  if (::unlink((autostartFolder() / fileName).c_str()) != 0) return osErrFromErrno(errno);
  return noErr;
}

}  // namespace vorl
