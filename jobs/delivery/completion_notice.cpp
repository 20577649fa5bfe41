// The completion notice: the web-server companion learns that a job it sent has been delivered.
//
// The job file carries the companion's job dictionary as a keyed archive. The page outputs keep the decoded
// dictionary (the folder outputs pick the customer's set by its address, the hand-off exports it); the notice
// itself goes out only after the delivery succeeded, and only for the order's last page.
#include <algorithm>

#include "jobs/reading/job_archives.h"
#include "jobs/engine/job_view.h"
#include "platform/system/system_log.h"

namespace vorl {

inline constexpr std::string_view kJobProcessedStatus = "Job processed by Vorl-Zeverezoz";

std::optional<ArchivedValue> TBGPrintView::PrepareCompletionNotice(bool keep) {
  if (keep) fKeptJobDictionary.reset();
  const std::int32_t length = archiveLengthOf(fSettings.fCurrentDictionaryBuffer);
  systemLogf("My archived dictionary contains %d bytes", length);
  if (length <= 0) {
    if (keep) systemLog("fCurrentDictionaryBuffer == nil");
    return std::nullopt;
  }
  // A length past the buffer decodes to nothing rather than reading beyond it.
  std::optional<ArchivedValue> dictionary = jobDictionary();
  if (!dictionary || dictionary->asDictionary() == nullptr) {
    if (keep) systemLog("object == nil or not of dictionary type");
    return std::nullopt;
  }
  // Every page of an order is delivered with its dictionary; only the notice waits for the last page.
  if (keep) {
    fKeptJobDictionary = dictionary;
    systemLogf("My converted dictionary contains %zu entries", dictionary->asDictionary()->size());
  }
  if (dictionary->find("imageurl") == nullptr) {
    if (keep) systemLog("dictionary does not contain imageurl ");
    return std::nullopt;
  }
  if (fBehaviour == nullptr || fJobInfo.value70.value() != fJobInfo.value72.value()) return std::nullopt;

  ArchivedValue::Dictionary entries = *dictionary->asDictionary();
  auto status = std::find_if(entries.begin(), entries.end(), [](const auto& entry) { return entry.key == "status"; });
  if (status == entries.end()) status = entries.insert(entries.end(), {"status", {}});
  status->value = ArchivedValue::string(std::string(kJobProcessedStatus));
  ArchivedValue notice = ArchivedValue::dictionary(std::move(entries));
  // The print centre of the hand-off mode reads the job's state from the kept dictionary, so it must carry the
  // same "status" the web server is told; only the sending waits until the page is delivered.
  if (keep) fKeptJobDictionary = notice;
  return notice;
}

void TBGPrintView::SendCompletionNotice(const ArchivedValue& dictionary) {
  if (fBehaviour != nullptr) fBehaviour->SendNotificationToWebServer(dictionary);
}

}  // namespace vorl
