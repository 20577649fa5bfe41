#include "foundation/services/web_server_notification.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/system/bundle_info.h"
#include "platform/system/distributed_notifications.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

constexpr const char* kWebServerNotificationObject = "test";
// Seconds between 1970-01-01 and 2001-01-01, where archived dates count from.
constexpr double kSecondsFrom1970To2001 = 978307200.0;

void describe(const ArchivedValue& value, std::string& text);

void describeString(const std::string& string, std::string& text) {
  text.push_back('"');
  for (const char c : string) {
    if (c == '"' || c == '\\') text.push_back('\\');
    text.push_back(c);
  }
  text.push_back('"');
}

void describeEntries(const ArchivedValue::Dictionary& entries, std::string& text) {
  text += "{";
  for (const ArchivedValue::Entry& entry : entries) {
    text += ' ';
    describeString(entry.key, text);
    text += " = ";
    describe(entry.value, text);
    text += ';';
  }
  text += " }";
}

// The value as the old-style property-list text the Mac's log showed for it, on one line.
void describe(const ArchivedValue& value, std::string& text) {
  switch (value.kind()) {
    case ArchivedValue::Kind::Null:
      text += "<null>";
      return;
    case ArchivedValue::Kind::Boolean:
      text += *value.asBoolean() ? "1" : "0";
      return;
    case ArchivedValue::Kind::Integer:
      text += std::to_string(*value.asInteger());
      return;
    case ArchivedValue::Kind::Real: {
      char digits[32];
      const auto end = std::to_chars(digits, digits + sizeof digits, *value.asReal()).ptr;
      text.append(digits, end);
      return;
    }
    case ArchivedValue::Kind::String:
      describeString(*value.asString(), text);
      return;
    case ArchivedValue::Kind::Data: {
      text += '<';
      const ArchivedValue::Data& bytes = *value.asData();
      for (std::size_t i = 0; i < bytes.size(); ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%s%02x", i > 0 && i % 4 == 0 ? " " : "", bytes[i]);
        text += hex;
      }
      text += '>';
      return;
    }
    case ArchivedValue::Kind::Date: {
      const double seconds = value.asDate()->secondsSince2001 + kSecondsFrom1970To2001;
      std::tm utc{};
      const auto whole = static_cast<std::time_t>(seconds);
      char stamp[40];
      if (seconds > -6e10 && seconds < 2.5e11 && gmtime_r(&whole, &utc) &&
          std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S +0000", &utc) > 0) {
        text += stamp;
      } else {
        text += "<invalid date>";
      }
      return;
    }
    case ArchivedValue::Kind::Array: {
      text += '(';
      bool first = true;
      for (const ArchivedValue& item : *value.asArray()) {
        text += first ? " " : ", ";
        first = false;
        describe(item, text);
      }
      text += " )";
      return;
    }
    case ArchivedValue::Kind::Dictionary:
      describeEntries(*value.asDictionary(), text);
      return;
    case ArchivedValue::Kind::Object:
      text += '<' + value.asObject()->className + "> ";
      describeEntries(value.asObject()->fields, text);
      return;
  }
}

}  // namespace

void mySendNotificationToWebServerAppWithDictionary(const ArchivedValue& dictionary) {
  const ArchivedValue userInfo = ArchivedValue::dictionary({
      {"senderApp", ArchivedValue::string(std::string(kBundleExecutable))},
      {"printJob", dictionary},
  });
  std::string line = "Dictionary=";
  describe(userInfo, line);
  systemLog(line);
  // No answer is expected, and a failure has already been logged where it happened.
  static_cast<void>(postDistributedNotification(sVorlWebServerNotification, kWebServerNotificationObject, userInfo));
}

}  // namespace vorl
