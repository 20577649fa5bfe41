#include "tests/jobs/print_output_support.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "foundation/services/os_services.h"
#include "imaging/image_files/image_road_globals.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl::test {
namespace {

constexpr std::size_t kHeaderSize = 15036;

OffscreenPtr newPage(int width, int height) {
  const Rect bounds = makeRect(0, 0, height, width);
  return OffscreenPtr{myNewGWorld(&bounds)};
}

}  // namespace

OffscreenPtr uniformPage(int width, int height, Colour colour) {
  OffscreenPtr page = newPage(width, height);
  const PixView view = page->view();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = view.localPixel(x, y);
      p[0] = 0;
      std::copy(colour.begin(), colour.end(), p + 1);
    }
  return page;
}

Colour coordinateColour(int x, int y) {
  return {static_cast<std::uint8_t>(0x10 + x), static_cast<std::uint8_t>(0x40 + y),
          static_cast<std::uint8_t>(0x80 + x + 2 * y)};
}

OffscreenPtr coordinatePage(int width, int height) {
  OffscreenPtr page = newPage(width, height);
  const PixView view = page->view();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = view.localPixel(x, y);
      p[0] = 0;
      const Colour c = coordinateColour(x, y);
      std::copy(c.begin(), c.end(), p + 1);
    }
  return page;
}

std::uint16_t ParsedPrintData::be16(std::size_t offset) const {
  return static_cast<std::uint16_t>(header.at(offset) << 8 | header.at(offset + 1));
}

std::uint32_t ParsedPrintData::be32(std::size_t offset) const {
  return std::uint32_t{header.at(offset)} << 24 | std::uint32_t{header.at(offset + 1)} << 16 |
         std::uint32_t{header.at(offset + 2)} << 8 | header.at(offset + 3);
}

std::uint16_t ParsedPrintData::le16(std::size_t offset) const {
  return static_cast<std::uint16_t>(header.at(offset) | header.at(offset + 1) << 8);
}

ParsedPrintData parsePrintData(const Bytes& file) {
  ParsedPrintData parsed;
  if (file.size() < 4 + kHeaderSize + 1) {
    ADD_FAILURE() << "a print-data file of " << file.size() << " bytes";
    return parsed;
  }
  parsed.lengthWord = std::uint32_t{file[0]} << 24 | std::uint32_t{file[1]} << 16 | std::uint32_t{file[2]} << 8 | file[3];
  parsed.header.assign(file.begin() + 4, file.begin() + 4 + kHeaderSize);
  parsed.marker = file[4 + kHeaderSize];
  parsed.data.assign(file.begin() + 4 + kHeaderSize + 1, file.end());
  return parsed;
}

Bytes readBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void PrintOutputTest::SetUp() {
  savedProcessedJobs_ = *getMyProcessedJobsPrefs();
  savedPrintServer_ = *getMyPrintServerPrefs();
  root_ = makeTempFolder("printcentre");
  printCentre_ = root_ / "Vorl-PrintCenter Folder" / "Jobs To Be Printed";
  handOff_ = root_ / "Vorl-PrintCenter Folder" / "Jobs To Be Printed---NEW";
  fs::create_directories(printCentre_);
  pointPrintCentreAt(printCentre_);
  setNewMode(false);
  getMyPrintServerPrefs()->dualBuffer = 1;

  const fs::path interfaces = root_ / "net";
  fs::create_directories(interfaces / "eth0/device");
  std::ofstream(interfaces / "eth0/type") << "1\n";
  std::ofstream(interfaces / "eth0/address") << kTestMacAddress << "\n";
  std::ofstream(interfaces / "eth0/ifindex") << "2\n";
  QAVLOR_MUID::setInterfaceFolder(interfaces);

  const fs::path preferences = root_ / "preferences";
  fs::create_directories(preferences);
  setVorlPreferencesFolder(preferences);
  clock_.setLocalTime(2011, 2, 3, 9, 5, 7);
}

void PrintOutputTest::TearDown() {
  *getMyProcessedJobsPrefs() = savedProcessedJobs_;
  *getMyPrintServerPrefs() = savedPrintServer_;
  QAVLOR_MUID::setInterfaceFolder("/sys/class/net");
}

void PrintOutputTest::pointPrintCentreAt(const fs::path& folder) {
  FSSpec spec{};
  ASSERT_EQ(FSMakeFSSpecFromPath(folder, spec), noErr) << folder;
  getMyProcessedJobsPrefs()->folder.spec = spec;
}

void PrintOutputTest::setNewMode(bool on) { getMyProcessedJobsPrefs()->newHandOverFormat = on ? 1 : 0; }

SpoolerJob PrintOutputTest::makeJob(const JobSpec& spec, OffscreenPtr page) {
  SpoolerJob job = readSpoolerJob(spec);
  EXPECT_EQ(job.result, 0);
  job.view->SetPageOffscreen(std::move(page));
  return job;
}

bool PrintOutputTest::deliver(TSpoolerPrintView& view) {
  auto header = std::make_unique<tPrintInfoStruct>();
  view.FillPrintInfo(*header);
  return view.WriteStructureAndOffscreenToFile(*header);
}

}  // namespace vorl::test
