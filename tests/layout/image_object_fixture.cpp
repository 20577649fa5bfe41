#include "tests/layout/image_object_fixture.h"

#include <cstdlib>

#include "imaging/image_files/image_cache.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_records.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/job_file_writer.h"
#include "tests/support/object_record_writer.h"

namespace vorl::test {

namespace fs = std::filesystem;

void ImageObjectTest::SetUp() {
  DisposeCurrentImageGWorldPtr();
  root_ = makeTempFolder("image-object");
  images_ = root_ / "IMAGES FOLDER ƒ";
  fs::create_directories(images_);
  std::int16_t vRefNum = 0;
  std::int32_t dirID = 0;
  ASSERT_EQ(FSFolderIDs(images_, vRefNum, dirID), noErr);
  tPrintServerPrefs* prefs = getMyPrintServerPrefs();
  prefs->imagesFolder.vRefNum = vRefNum;
  prefs->imagesFolder.dirID = dirID;
  ASSERT_EQ(FSFolderIDs(root_, vRefNum, dirID), noErr);
  prefs->serverRoot.vRefNum = vRefNum;
  prefs->serverRoot.dirID = dirID;
}

void ImageObjectTest::TearDown() { DisposeCurrentImageGWorldPtr(); }

void ImageObjectTest::writeQuadrantPhoto(const std::string& name, int width, int height, ImageFileType type) const {
  writePhoto(name, *quadrantPicture(width, height), type);
}

void ImageObjectTest::writePhoto(const std::string& name, const Offscreen& picture, ImageFileType type) const {
  EncodeOptions options;
  options.quality = 95;
  ASSERT_EQ(encodeImageFile(picture, images_ / name, type, options), noErr) << name;
}

std::unique_ptr<TBGPrintView> ImageObjectTest::makeView(const ViewSettings& settings) {
  JobSpec job;
  job.pageRecords = {backColorRecord({})};
  job.printMode = static_cast<std::uint16_t>(settings.printMode);
  job.cropMode = static_cast<std::uint16_t>(settings.cropMode);
  job.cropWidth = settings.cropWidth;
  job.cropHeight = settings.cropHeight;
  job.finalCropWhere = static_cast<std::uint16_t>(settings.finalCropWhere);
  job.rotationAndCrop = {static_cast<std::uint16_t>(settings.matchRotation),
                         static_cast<std::uint16_t>(settings.rotation), static_cast<std::uint16_t>(settings.cropWhere)};
  job.hasSubJob = settings.hasSubJob;
  if (settings.hasSubJob) job.subJobRecords = {backColorRecord({})};
  auto view = std::make_unique<TBGPrintView>();
  EXPECT_EQ(view->ReadJobFile(writeJobFile(job).bytes), 0);
  view->SetDrawingModes(settings.resizeMode, settings.reductionResizeMode, 3, settings.alphaOutput);
  return view;
}

std::unique_ptr<TImageObject> ImageObjectTest::makeObject(const ObjectSettings& s) {
  CImageDesc desc{};
  desc.layout.x = s.x;
  desc.layout.y = s.y;
  desc.layout.width = s.width;
  desc.layout.height = s.height;
  desc.fitMode = s.fitMode;
  desc.photo.name = Str63::fromUtf8(s.photo);
  desc.rotationAngle = s.rotation;
  desc.offsetV = s.offsetV;
  desc.offsetH = s.offsetH;
  desc.insetSteps = s.insetSteps;
  desc.colorAdjust.red = s.colourAdjust[0];
  desc.colorAdjust.green = s.colourAdjust[1];
  desc.colorAdjust.blue = s.colourAdjust[2];
  desc.colorAdjust.dark = s.colourAdjust[3];
  desc.colorAdjust.light = s.colourAdjust[4];
  desc.colorAdjust.gamma = s.colourAdjust[5];
  desc.graphicCategory = Str31::fromUtf8(s.graphicCategory);
  desc.graphicName = Str31::fromUtf8(s.graphicName);
  desc.borderFlag = s.borderFlag;
  desc.borderWidth = s.borderWidth;
  desc.borderColor.red = s.borderColour[0];
  desc.borderColor.green = s.borderColour[1];
  desc.borderColor.blue = s.borderColour[2];
  desc.angledFlag = s.angledFlag;
  desc.angle = s.angle;
  desc.angleDirection = s.angleDirection;
  desc.useCropBounds = s.useCropBounds;
  for (std::size_t i = 0; i < 4; ++i) desc.cropBounds[i] = s.cropBounds[i];
  desc.boxScale = s.boxScale;
  desc.keyed = s.keyed ? 1 : 0;
  return TImageObject::New(desc);
}

OffscreenPtr ImageObjectTest::makePage(int width, int height) { return test::makePage(width, height); }

}  // namespace vorl::test
