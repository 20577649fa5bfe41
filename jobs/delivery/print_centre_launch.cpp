#include "jobs/delivery/print_centre_launch.h"

#include <cstring>

#include "platform/system/background_launch.h"
#include "platform/system/system_log.h"
#include "platform/plists/user_defaults.h"

namespace vorl {
namespace {

std::optional<std::vector<std::string>> configuredCommand(std::string_view key) {
  const std::optional<PlistValue> value = standardUserDefaults().object(key);
  if (!value) return std::nullopt;
  const PlistArray* items = value->get<PlistArray>();
  std::vector<std::string> command;
  if (items != nullptr)
    for (const PlistValue& item : *items)
      if (const std::string* text = item.get<std::string>()) command.push_back(*text);
  if (command.empty() || command.front().empty() || (items != nullptr && command.size() != items->size())) {
    systemLogf("The user default \"%.*s\" is not a list of texts naming a program; it is not used",
               static_cast<int>(key.size()), key.data());
    return std::nullopt;
  }
  return command;
}

}  // namespace

std::optional<std::vector<std::string>> printCentreCommand(bool newMode) {
  if (auto command = configuredCommand(newMode ? kNewPrintCenterCommandKey : kPrintCenterCommandKey)) return command;
  return desktopEntryCommand(newMode ? kNewPrintCenterDesktopEntry : kPrintCenterDesktopEntry);
}

bool startPrintCentreApplication(bool newMode) {
  const std::optional<std::vector<std::string>> command = printCentreCommand(newMode);
  if (!command) {
    systemLogf("The print-centre application (%s) was not started: no command is configured and no desktop entry "
               "is installed",
               newMode ? "new mode" : "print-data files");
    return false;
  }
  const BackgroundLaunchResult result = launchInBackground(*command);
  if (!result.started) {
    systemLogf("The print-centre application \"%s\" could not be started: %s", command->front().c_str(),
               std::strerror(result.startError));
    return false;
  }
  systemLogf("Started the print-centre application \"%s\"", command->front().c_str());
  return true;
}

}  // namespace vorl
