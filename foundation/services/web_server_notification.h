// The notice to the web-server companion application that a job it sent has been processed or has failed.
//
// It is a distributed notification named "VorlWebServerNotification" with the object "test" and the user info
// {"senderApp": this application's name, "printJob": the job's dictionary}; the job stages fill the dictionary
// ("imageurl", "status"). Posting has no answer: a companion that is not running misses the notice, and a
// missing session bus is only logged.
#pragma once

#include "platform/plists/keyed_archive.h"

namespace vorl {

inline constexpr const char* sVorlWebServerNotification = "VorlWebServerNotification";

void mySendNotificationToWebServerAppWithDictionary(const ArchivedValue& dictionary);

}  // namespace vorl
