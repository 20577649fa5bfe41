// Shared by the image-object tests: an images folder the print-server preferences point at, photos written into
// it, a job view with chosen print settings, and pages to draw on.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "imaging/codecs/decoded_image.h"
#include "imaging/offscreens/offscreen.h"
#include "jobs/engine/job_view.h"
#include "layout/descriptors.h"
#include "layout/image_object.h"
#include "tests/layout/page_pixels.h"

namespace vorl::test {

// The print settings of the job the objects are drawn for.
struct ViewSettings {
  std::int16_t printMode = 3;
  std::int16_t cropMode = 1;
  float cropWidth = 1;
  float cropHeight = 1;
  std::int16_t cropWhere = 1;
  std::int16_t finalCropWhere = 1;
  std::int16_t matchRotation = 0;
  std::int16_t rotation = 1;
  std::int16_t resizeMode = 1;
  std::int16_t reductionResizeMode = 1;
  std::int16_t alphaOutput = 0;
  bool hasSubJob = false;
};

// Where the object sits, in inches, and what it asks for.
struct ObjectSettings {
  std::string photo = "photo.png";
  float x = 1, y = 1, width = 2, height = 3;
  std::int16_t fitMode = 0;
  float rotation = 0;
  std::int16_t insetSteps = 0;
  std::int16_t offsetV = 0, offsetH = 0;
  std::int16_t angledFlag = 0, angle = 0, angleDirection = 0;
  std::int16_t boxScale = 0;
  std::int16_t borderFlag = 0, borderWidth = 0;
  std::array<std::uint16_t, 3> borderColour{0, 0, 0};
  std::array<std::int16_t, 6> colourAdjust{};
  std::string graphicCategory, graphicName;
  std::int16_t useCropBounds = 0;
  std::array<float, 4> cropBounds{};
  bool keyed = false;
};

class ImageObjectTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  const std::filesystem::path& imagesFolder() const { return images_; }
  const std::filesystem::path& rootFolder() const { return root_; }

  // A photo in four coloured quadrants (red, green / blue, yellow), written into the images folder.
  void writeQuadrantPhoto(const std::string& name, int width, int height,
                          ImageFileType type = ImageFileType::png) const;
  void writePhoto(const std::string& name, const Offscreen& picture, ImageFileType type = ImageFileType::png) const;

  static std::unique_ptr<TBGPrintView> makeView(const ViewSettings& settings);
  static std::unique_ptr<TImageObject> makeObject(const ObjectSettings& settings);
  // A page of the size filled with the page colour, alpha 0.
  static OffscreenPtr makePage(int width, int height);

 private:
  std::filesystem::path root_;
  std::filesystem::path images_;
};


}  // namespace vorl::test
