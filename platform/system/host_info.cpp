#include "platform/system/host_info.h"

#include <sys/utsname.h>

#include <fstream>
#include <map>

namespace vorl {
namespace {

std::string unquote(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return value;
}

std::map<std::string, std::string> osRelease() {
  std::map<std::string, std::string> fields;
  for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
    std::ifstream in(path);
    if (!in) continue;
    std::string line;
    while (std::getline(in, line)) {
      const auto equals = line.find('=');
      if (equals == std::string::npos || line.starts_with('#')) continue;
      fields[line.substr(0, equals)] = unquote(line.substr(equals + 1));
    }
    break;
  }
  return fields;
}

}  // namespace

std::string hardwareModelText() {
  std::ifstream in("/sys/devices/virtual/dmi/id/product_name");
  std::string model;
  if (!in || !std::getline(in, model) || model.empty()) return "Unknown";
  return model;
}

std::string machineTypeText() {
  utsname names{};
  if (::uname(&names) != 0) return "unknown";
  return names.machine;
}

std::string operatingSystemVersionText() {
  const auto fields = osRelease();
  std::string text;
  if (const auto pretty = fields.find("PRETTY_NAME"); pretty != fields.end()) {
    text = pretty->second;
  } else {
    const auto name = fields.find("NAME");
    const auto version = fields.find("VERSION_ID");
    text = (name != fields.end() ? name->second : "Linux") + (version != fields.end() ? " " + version->second : "");
  }
  utsname names{};
  if (::uname(&names) == 0) text += std::string(", kernel ") + names.release;
  return text;
}

}  // namespace vorl
