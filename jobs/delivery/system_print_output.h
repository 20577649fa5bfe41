// Printer type 8: the finished page goes to the system's default printer, with no dialog.
//
// Two roads. A job that carried a page setup prints on that paper and orientation: the page is kept as
// "testPdf2.jpg" (72 dots per inch) in the preferences folder and that picture is printed fitted into the
// sheet. A job without one prints on the printer's default paper at the page's physical size, turned to the
// sheet's orientation. Each takes the page over and disposes of it on every path.
//
// Results: 0 when the scheduler took the job; 107 (with a message to the operator carrying the scheduler's
// reason) when there is no page, no default printer, the printer is stopped or refuses jobs, or the page could
// not be prepared. A job the scheduler did not take was not printed and must not count as finished.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include <QPageLayout>
#include <QPageSize>

#include "imaging/offscreens/offscreen.h"
#include "platform/plists/keyed_archive.h"

namespace vorl {

// The printer's dots per inch the physical-size road places the page in.
inline constexpr std::int16_t kSystemPrinterResolution = 600;
inline constexpr char kSystemPrintPictureName[] = "testPdf2.jpg";

// The paper and orientation a decoded page setup (an NSPrintInfo) names. The paper comes from its size in
// points, else from its paper name; invalid when it names neither (the printer's default paper then).
struct SystemPageSetup {
  QPageSize paper;
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
};
[[nodiscard]] SystemPageSetup pageSetupFromPrintInfo(const ArchivedValue& printInfo);

// The page setup road.
[[nodiscard]] std::int16_t doChooserPrintWithCocoa(OffscreenPtr page, const ArchivedValue& pageSetup,
                                                   std::string_view jobName);
// The physical-size road; `imageResolution` is the job's print resolution in dots per inch.
[[nodiscard]] std::int16_t DoChooserPrint(OffscreenPtr page, std::int16_t imageResolution, std::string_view jobName);

// What the delivery of a type 8 job calls: the page setup road when `pageSetup` holds one (the job reader's
// `gCocoaPrintInfo`), else the physical-size road.
[[nodiscard]] std::int16_t printThroughTheSystem(OffscreenPtr page, const std::optional<ArchivedValue>& pageSetup,
                                                 std::int16_t imageResolution, std::string_view jobName);

}  // namespace vorl
