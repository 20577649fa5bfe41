#include "tests/layout/overlay_objects_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "imaging/codecs/image_file_codec.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "jobs/reading/printer_blocks.h"
#include "layout/graphics_files.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_records.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/object_record_writer.h"

namespace vorl::test {

namespace fs = std::filesystem;

void OverlayObjectsTest::SetUp() {
  root_ = makeTempFolder("overlay-objects");
  graphics_ = root_ / kGraphicsFolderName;
  fs::create_directories(graphics_);
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  ASSERT_EQ(FSFolderIDs(root_, vRefNum, dirID), noErr);
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  prefs->serverRoot.vRefNum = vRefNum;
  prefs->serverRoot.dirID = dirID;
}

void OverlayObjectsTest::writeGraphic(const std::string& category, const std::string& name,
                                      const Offscreen& picture) const {
  fs::create_directories(graphics_ / category);
  ASSERT_EQ(encodeImageFile(picture, graphics_ / category / name, ImageFileType::png, {}), noErr) << name;
}

std::unique_ptr<TBGPrintView> OverlayObjectsTest::readJob(const std::vector<Bytes>& records,
                                                          std::int16_t printerType) {
  JobSpec job;
  job.printerType = printerType;
  job.printerBlock = Bytes(printerBlockSize(printerType), 0);
  job.pageRecords = records.empty() ? std::vector<Bytes>{backColorRecord({})} : records;
  auto view = std::make_unique<TBGPrintView>();
  const std::int16_t result = view->ReadJobFile(writeJobFile(job).bytes);
  EXPECT_EQ(result, isPrintToFileSetPrinterType(printerType) ? kJobPrintToFileSetMissing : kJobReadOK);
  EXPECT_EQ(view->GetPrinterType(), printerType);
  return view;
}

OffscreenPtr plainPicture(int width, int height, const Colour& colour, std::uint8_t alpha) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr picture{myNewGWorld(&bounds)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = picture->view().localPixel(x, y);
      p[kAlphaByte] = alpha;
      p[kRedByte] = colour[0];
      p[kGreenByte] = colour[1];
      p[kBlueByte] = colour[2];
    }
  return picture;
}

bool samePixels(const Offscreen& a, const Offscreen& b) {
  if (!EqualRect(a.portRect(), b.portRect())) return false;
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(a.view().row(y), b.view().row(y), static_cast<std::size_t>(a.width()) * 4) != 0) return false;
  return true;
}

}  // namespace vorl::test
