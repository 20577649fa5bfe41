// Shared by the overlay tests: a print-server root with its graphics folder, graphics written into category
// folders, jobs read from job-file records, and pages to draw on.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "imaging/offscreens/offscreen.h"
#include "jobs/engine/job_view.h"
#include "tests/layout/page_pixels.h"
#include "tests/support/record_bytes.h"

namespace vorl::test {

class OverlayObjectsTest : public ::testing::Test {
 protected:
  void SetUp() override;

  const std::filesystem::path& rootFolder() const { return root_; }
  const std::filesystem::path& graphicsFolder() const { return graphics_; }

  // Writes the picture as a PNG into the category folder (made when missing) of the graphics folder.
  void writeGraphic(const std::string& category, const std::string& name, const Offscreen& picture) const;

  // A job for the printer type whose page holds `records` (a background colour when none), read through the
  // job-file reader. The printer's settings block is zeros; a print-to-file set printer's set folder is missing,
  // which the reader reports after reading the whole file.
  static std::unique_ptr<TBGPrintView> readJob(const std::vector<Bytes>& records = {}, std::int16_t printerType = 17);

 private:
  std::filesystem::path root_;
  std::filesystem::path graphics_;
};

// A picture of one colour and one alpha (ours: 0 opaque, 255 transparent).
OffscreenPtr plainPicture(int width, int height, const Colour& colour, std::uint8_t alpha);
bool samePixels(const Offscreen& a, const Offscreen& b);

}  // namespace vorl::test
