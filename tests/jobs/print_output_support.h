// For the print-data and hand-off tests: a print-centre folder in a temporary tree named by the preference
// record, a fixed machine address and clock, pages of known pixels, and a reader of print-data files written
// from the file layout (explicit big- and little-endian reads at the documented offsets, never the program's
// header struct).
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "jobs/engine/spooler_print_view.h"
#include "preferences/preference_records.h"
#include "tests/jobs/drawing_test_support.h"
#include "tests/support/fake_clock.h"

namespace vorl::test {

// The machine address the tests give the program, and how names carry it.
inline constexpr const char* kTestMacAddress = "00:1b:63:a4:0f:2c";
inline constexpr const char* kMacInNames = "001b63a40f2c";
// The moment the tests freeze the clock at: 3 February 2011, 9:05:07.
inline constexpr const char* kNamePrefix = "20110203_90507_001b63a40f2c_";

using Colour = std::array<std::uint8_t, 3>;  // red, green, blue

// Every pixel drawn (alpha 0) in one colour.
OffscreenPtr uniformPage(int width, int height, Colour colour);
// Each pixel's colour tells where it stood: red 0x10 + x, green 0x40 + y, blue 0x80 + x + 2y (pages up to 15 px).
OffscreenPtr coordinatePage(int width, int height);
Colour coordinateColour(int x, int y);

// A print-data file read by the documented offsets.
struct ParsedPrintData {
  std::uint32_t lengthWord = 0;
  Bytes header;  // the 15036 header bytes as stored
  std::uint8_t marker = 0;
  Bytes data;

  // Header fields at their offsets, in the file's byte order for each.
  std::uint16_t be16(std::size_t offset) const;
  std::uint32_t be32(std::size_t offset) const;
  std::uint16_t le16(std::size_t offset) const;
  std::int16_t width() const { return static_cast<std::int16_t>(be16(2)); }
  std::int16_t height() const { return static_cast<std::int16_t>(be16(4)); }
  std::uint32_t dataSize() const { return be32(24); }
  std::uint32_t dataType() const { return be32(28); }
};
// Fails the current test (and answers an empty record) when the bytes are too short for the layout.
ParsedPrintData parsePrintData(const Bytes& file);

Bytes readBytes(const std::filesystem::path& file);
// The names in a folder, sorted.
std::vector<std::string> namesIn(const std::filesystem::path& folder);

class PrintOutputTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A spooler view read from the job, holding `page` as its page.
  SpoolerJob makeJob(const JobSpec& spec, OffscreenPtr page);
  // FillPrintInfo and WriteStructureAndOffscreenToFile, as the routing calls them.
  bool deliver(TSpoolerPrintView& view);
  void setNewMode(bool on);
  // Points the print-centre record at another folder (which need not exist).
  void pointPrintCentreAt(const std::filesystem::path& folder);

  std::filesystem::path root_;
  std::filesystem::path printCentre_;  // ".../Vorl-PrintCenter Folder/Jobs To Be Printed"
  std::filesystem::path handOff_;      // its sibling "Jobs To Be Printed---NEW"
  FakeClock clock_;

 private:
  tProcessedJobsPrefs savedProcessedJobs_{};
  tPrintServerPrefs savedPrintServer_{};
};

}  // namespace vorl::test
