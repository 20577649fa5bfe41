// What the print-to-file outputs do to the page before saving it: the turn to the wanted orientation, the fit
// into the web size, the opaque alpha, and how many files a job asks for.
#pragma once

#include <cstdint>
#include <string_view>

#include "foundation/records/print_to_file_record.h"
#include "imaging/offscreens/offscreen.h"
#include "jobs/engine/job_observer.h"
#include "platform/core/os_errors.h"

namespace vorl {

class TBGPrintView;

inline constexpr int kWebPixelSize = 640;
inline constexpr const char* kSavingFilesStatus = "Saving File(s)\u2026";
inline constexpr const char* kSaveFailedMessage = "An error occured while trying to save the file!";
inline constexpr const char* kNoUniqueNameMessage = "newGetUniqueNameWithCopy - Unable to get a unique name???";
inline constexpr const char* kNoPageMessage = "There is no page to save: the job drew nothing, so no file was written.";

// With the record's rotate switch on, a page whose shape differs from the wanted one (1 landscape, 2 portrait;
// only a page wider than high is landscape, so a square one is portrait) comes back turned a quarter in the
// record's direction, and the main window shows it. If no turned page can be made, the page comes back as is.
[[nodiscard]] OffscreenPtr turnToWantedOrientation(OffscreenPtr page, const tSpecialPrintToFilePref& record,
                                                   JobObserver* behaviour);

// A copy of the page scaled proportionally to fit 640 x 640 pixels; null when it cannot be made.
[[nodiscard]] OffscreenPtr webSizedCopy(TBGPrintView& view, const Offscreen* page);

// Takes the matte out of the page: every pixel opaque (alpha byte 0 here), so no output comes out see-through.
void makePageOpaque(Offscreen* page);

// The number of files: the print quantity, at least one.
int copiesToWrite(std::int16_t printQuantity) noexcept;

// Tells the operator why a saved file could not take its final name in the folder (`folderKind`, e.g. "the
// yearbook folder"): no free name (-1), a name that cannot be used, or the move itself.
void showNamingFailure(OSErr error, std::string_view folderKind);

// The save-as types written as JPEG files.
bool isJpegSaveType(std::int16_t saveType) noexcept;

}  // namespace vorl
