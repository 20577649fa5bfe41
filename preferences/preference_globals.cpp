#include "preferences/preference_globals.h"

#include <array>

#include "platform/system/system_log.h"

namespace vorl {
namespace {

// Zero-filled until the preferences are read.
tPrintServerPrefs gPrintServerPrefs;
tPrintToFilePrefs gPrintToFilePrefs;
tProcessedJobsPrefs gProcessedJobsPrefs;
std::array<tSpecialPrintToFilePref, kPrintToFileSetCount> gPrintToFileSetPrefs;
tPrintToCDPref gPrintToCDSetPrefs;
tOutputFilePrefs gOutputFilePrefs;
tSpecialPrintToFilePref gWebUploadPrefs;

static_assert(sizeof(gPrintToFileSetPrefs) == 7856, "the eight sets lie one after another");

}  // namespace

tPrintServerPrefs* getMyPrintServerPrefs() noexcept { return &gPrintServerPrefs; }
tPrintToFilePrefs* getMyPrintToFilePrefs() noexcept { return &gPrintToFilePrefs; }
tProcessedJobsPrefs* getMyProcessedJobsPrefs() noexcept { return &gProcessedJobsPrefs; }

tSpecialPrintToFilePref* getMyPrintToFileSetPrefs(std::int16_t setNumber) noexcept {
  if (setNumber < 1 || setNumber > kPrintToFileSetCount) {
    systemLogf("getMyPrintToFileSetPrefs: there is no print-to-file set %d", setNumber);
    return nullptr;
  }
  return &gPrintToFileSetPrefs[static_cast<std::size_t>(setNumber - 1)];
}

tSpecialPrintToFilePref* getMyPrintToFileSetPrefsAll() noexcept { return gPrintToFileSetPrefs.data(); }
tPrintToCDPref* getMyPrintToCDSetPrefs() noexcept { return &gPrintToCDSetPrefs; }
tOutputFilePrefs* getMyOutputFilePrefs() noexcept { return &gOutputFilePrefs; }
tSpecialPrintToFilePref* getMyWebUploadPrefs() noexcept { return &gWebUploadPrefs; }

}  // namespace vorl
