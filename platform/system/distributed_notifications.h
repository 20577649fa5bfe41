// Distributed notifications: a message by name that any program of the logged-in user can observe, the stand-in
// for the Mac's distributed notification centre. The web-server companion learns of processed and failed jobs
// this way.
//
// A notification is one signal on the D-Bus session bus, sent from `kDistributedNotificationPath` with
// `kDistributedNotificationInterface`.`kDistributedNotificationSignal` and the arguments (s name, s object,
// a{sv} userInfo). Observers subscribe with a match rule on the interface (and on the name argument, arg0, if
// they want one name only). There is no acknowledgement: an observer that is not running misses it.
//
// The user information becomes D-Bus values as follows:
//   string → s, integer → x, real → d, boolean → b, data → ay, date → s (ISO 8601 in UTC, "2024-03-01T12:00:00Z"),
//   dictionary → a{sv}, array → av, an object of another class → a{sv} of its fields, null → left out (from a
//   dictionary and from an array alike: D-Bus has no null). A user info that is neither a dictionary nor an
//   object is sent as an empty a{sv}.
#pragma once

#include <string_view>

#include "platform/plists/keyed_archive.h"

namespace vorl {

inline constexpr std::string_view kDistributedNotificationPath = "/org/vorl/DistributedNotifications";
inline constexpr std::string_view kDistributedNotificationInterface = "org.vorl.DistributedNotifications";
inline constexpr std::string_view kDistributedNotificationSignal = "Notification";
inline constexpr std::string_view kDistributedNotificationSignature = "ssa{sv}";

// Posts the notification on the session bus named by DBUS_SESSION_BUS_ADDRESS and returns once the bus has
// taken it. False, with a log line, when there is no such variable, the bus cannot be reached or the user info
// cannot be sent (nested deeper than D-Bus allows); nothing is started to provide a bus. Callable from any
// thread, with or without a QCoreApplication in the process; each call uses a connection of its own, so a bus
// that was restarted under a new address is found.
[[nodiscard]] bool postDistributedNotification(std::string_view name, std::string_view object,
                                               const ArchivedValue& userInfo);

}  // namespace vorl
