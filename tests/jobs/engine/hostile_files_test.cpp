// Files that would take far more memory than their size suggests, drawn through the job road: a tiny or cut-off
// photo declaring a huge picture is refused before that picture's memory is taken, a photo or page past the
// memory budget of one job ends the job as out of memory (105) with a message naming it and its size.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "imaging/codecs/image_file_codec.h"
#include "imaging/image_files/image_cache.h"
#include "imaging/offscreens/memory_budget.h"
#include "jobs/engine/drawing_results.h"
#include "jobs/engine/spooler_print_view.h"
#include "jobs/reading/job_globals.h"
#include "platform/plists/user_defaults.h"
#include "platform/files/file_specs.h"
#include "preferences/preference_globals.h"
#include "tests/jobs/drawing_test_support.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"
#include "tests/support/object_record_writer.h"

namespace vorl {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// The process's peak resident memory since the last reset, in bytes; none where the kernel does not let it be
// reset.
class PeakMemory {
 public:
  bool reset() {
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
  }
  static std::uint64_t peak() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
      if (line.rfind("VmHWM:", 0) == 0) return std::stoull(line.substr(6)) * 1024;
    return 0;
  }
};

Bytes fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeBytes(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

OffscreenPtr grain(int width, int height) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr picture{myNewGWorld(&bounds)};
  std::uint32_t seed = 7;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* p = picture->view().row(y);
    for (int x = 0; x < width * 4; ++x) {
      seed = seed * 1664525u + 1013904223u;
      p[x] = x % 4 == 0 ? 0 : static_cast<std::uint8_t>(seed >> 24);
    }
  }
  return picture;
}

Bytes encoded(const Offscreen& picture, ImageFileType type, const fs::path& scratch) {
  EXPECT_EQ(encodeImageFile(picture, scratch, type, {}), noErr);
  return fileBytes(scratch);
}

// A JPEG's header only (up to its first scan's header) with the frame's size set to width × height.
Bytes jpegHeaderDeclaring(Bytes jpeg, int width, int height) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<std::uint8_t>(height);
      jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<std::uint8_t>(width);
      break;
    }
  for (std::size_t i = 2; i + 3 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
      const std::size_t length = (std::size_t{jpeg[i + 2]} << 8) | jpeg[i + 3];
      jpeg.resize(i + 2 + length + 16);  // a few bytes of picture data, then the file stops
      break;
    }
  return jpeg;
}

std::uint32_t crc32Of(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

// The PNG with its header declaring width × height and its picture data cut after `keep` bytes of the file.
Bytes pngDeclaring(Bytes png, std::uint32_t width, std::uint32_t height, std::size_t keep) {
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
  }
  const std::uint32_t crc = crc32Of(png.data() + 12, 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  png.resize(std::min(keep, png.size()));
  return png;
}

void putLittle(Bytes& bytes, std::size_t at, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

// An uncompressed 24-bit BMP header declaring width × height, followed by one row of pixels only.
Bytes bmpDeclaring(std::uint32_t width, std::uint32_t height) {
  Bytes bmp(54 + ((width * 3 + 3) / 4) * 4, 0x80);
  bmp[0] = 'B';
  bmp[1] = 'M';
  putLittle(bmp, 2, static_cast<std::uint32_t>(bmp.size()), 4);
  putLittle(bmp, 6, 0, 4);
  putLittle(bmp, 10, 54, 4);
  putLittle(bmp, 14, 40, 4);
  putLittle(bmp, 18, width, 4);
  putLittle(bmp, 22, height, 4);
  putLittle(bmp, 26, 1, 2);
  putLittle(bmp, 28, 24, 2);
  putLittle(bmp, 30, 0, 4);
  putLittle(bmp, 34, 0, 4);
  for (std::size_t at = 38; at < 54; ++at) bmp[at] = 0;
  return bmp;
}

class HostileFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    images_ = test::makeTempFolder("hostile-images");
    std::int16_t vRefNum = 0;
    std::int32_t dirID = 0;
    ASSERT_EQ(FSFolderIDs(images_, vRefNum, dirID), noErr);
    getMyPrintServerPrefs()->imagesFolder.vRefNum = vRefNum;
    getMyPrintServerPrefs()->imagesFolder.dirID = dirID;
    DisposeCurrentImageGWorldPtr();
  }
  void TearDown() override {
    setJobMemoryBudget(0);
    DisposeCurrentImageGWorldPtr();
  }

  // A 2 x 2 inch page at 30 dpi whose one object is the photo, fitted to the whole page.
  static test::JobSpec jobWithPhoto(const std::string& name) {
    test::JobSpec spec = test::minimalJob();
    spec.pageWidth = 2.0f;
    spec.pageHeight = 2.0f;
    spec.resolution = 30;
    test::ImageSpec image;
    image.at = {0.0f, 0.0f, 2.0f, 2.0f, 0, 0, 144, 144};
    image.photoName = name;
    image.rotation = 0.0f;
    image.offsetV = image.offsetH = 0;
    image.insetSteps = 0;
    image.colorAdjust = {};
    image.graphicCategory.clear();
    image.graphicName.clear();
    image.borderFlag = 0;
    image.angledFlag = 0;
    image.useCropBounds = 0;
    spec.pageRecords = {test::imageRecord(image)};
    return spec;
  }

  // Draws the job's page; the result of the photo's object.
  static std::int16_t drawPhoto(const test::JobSpec& spec) {
    auto job = test::readSpoolerJob(spec);
    EXPECT_EQ(job.result, kJobReadOK);
    EXPECT_EQ(job.view->CreateOffscreens(), kDrawOK);
    return job.view->DrawNextObject();
  }

  fs::path images_;
};

TEST_F(HostileFiles, TinyOrCutOffPhotosDeclaringHugePicturesAreRefusedWithoutTakingTheirMemory) {
  const fs::path scratch = test::makeTempFolder("hostile-scratch");
  const OffscreenPtr small = grain(64, 48);
  const Bytes jpeg = encoded(*small, ImageFileType::jpeg, scratch / "small.jpg");
  const Bytes png = encoded(*small, ImageFileType::png, scratch / "small.png");
  const struct {
    const char* name;
    Bytes bytes;
  } cases[] = {
      // 32000 x 8000 pixels would be 977 MiB of offscreen, and fit the 2 GiB budget.
      {"TINY.JPG", jpegHeaderDeclaring(jpeg, 32000, 8000)},
      {"CUT.JPG", Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() * 2 / 3))},
      {"cut.png", pngDeclaring(png, 16000, 16000, png.size() / 2)},
      {"cut.bmp", bmpDeclaring(16000, 12000)},
  };
  PeakMemory memory;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeBytes(images_ / c.name, c.bytes);
    test::MessageRecorder messages;
    const bool measured = memory.reset();
    EXPECT_EQ(drawPhoto(jobWithPhoto(c.name)), kDrawObjectFailed);
    if (measured) EXPECT_LT(PeakMemory::peak(), std::uint64_t{300} << 20) << "the declared picture was allocated";
    const std::vector<std::string> told = messages.messages();
    EXPECT_TRUE(std::any_of(told.begin(), told.end(), [&](const std::string& m) { return m.find(c.name) != m.npos; }))
        << "the operator is told which photo was not drawn";
  }
}

TEST_F(HostileFiles, APhotoPastTheBudgetEndsTheJobAsOutOfMemoryNamingItsFileAndSize) {
  const fs::path scratch = test::makeTempFolder("hostile-scratch");
  const OffscreenPtr photo = grain(1200, 900);  // about 4.1 MiB as an offscreen
  writeBytes(images_ / "BIG.JPG", encoded(*photo, ImageFileType::jpeg, scratch / "big.jpg"));
  writeBytes(images_ / "big.png", encoded(*photo, ImageFileType::png, scratch / "big.png"));
  standardUserDefaults().setObject(kJobMemoryBudgetKey, PlistValue(4.0));
  for (const char* name : {"BIG.JPG", "big.png"}) {
    SCOPED_TRACE(name);
    test::MessageRecorder messages;
    EXPECT_EQ(drawPhoto(jobWithPhoto(name)), kDrawOutOfMemory);
    // One message: the refusal, once; the file is not read again through another road.
    ASSERT_EQ(messages.messages().size(), 1u);
    const std::string text = messages.messages()[0];
    EXPECT_NE(text.find(std::string("\"") + name + "\" is 1200 x 900 pixels"), std::string::npos) << text;
    EXPECT_NE(text.find("it needs 4.1 MiB, more than the 4.0 MiB one job may take"), std::string::npos) << text;
  }
  // Within the budget the same photo draws.
  standardUserDefaults().removeObject(kJobMemoryBudgetKey);
  EXPECT_EQ(drawPhoto(jobWithPhoto("BIG.JPG")), kDrawPageDone);
}

TEST_F(HostileFiles, APagePastTheBudgetIsRefusedBeforeItIsMadeAs105) {
  struct Case {
    float inches;
    std::int16_t resolution;
    std::uint64_t budget;  // 0: the default 2 GiB
    bool made;
  };
  // 109 x 109 inches at 300 dpi: 32700 pixels a side, 4079 MiB. A 40 x 60 inch poster at 300 dpi fits the default.
  for (const Case& c : {Case{109.0f, 300, 0, false}, Case{2.0f, 300, std::uint64_t{1} << 20, false},
                        Case{2.0f, 300, 0, true}}) {
    SCOPED_TRACE(c.inches);
    setJobMemoryBudget(c.budget);
    test::JobSpec spec = test::minimalJob();
    spec.pageWidth = c.inches;
    spec.pageHeight = c.inches;
    spec.resolution = c.resolution;
    auto job = test::readSpoolerJob(spec);
    ASSERT_EQ(job.result, kJobReadOK);
    setJobMemoryBudget(c.budget);  // reading the job took the budget from the user defaults
    test::MessageRecorder messages;
    PeakMemory memory;
    const bool measured = memory.reset();
    EXPECT_EQ(job.view->CreateOffscreens(), c.made ? kDrawOK : kDrawOutOfMemory);
    if (c.made) continue;
    if (measured) EXPECT_LT(PeakMemory::peak(), std::uint64_t{300} << 20);
    ASSERT_EQ(messages.messages().size(), 1u);
    const int side = static_cast<int>(c.inches * c.resolution);
    EXPECT_NE(messages.messages()[0].find(std::to_string(side) + " x " + std::to_string(side) + " pixels"),
              std::string::npos)
        << messages.messages()[0];
  }
  EXPECT_TRUE(fitsJobMemoryBudget(std::uint64_t{40 * 300} * (60 * 300) * 4, 12000, 18000, "page", "poster"));
}

TEST_F(HostileFiles, TheBudgetComesFromTheUserDefaultsWithEveryJob) {
  const struct {
    std::optional<double> mebibytes;
    std::uint64_t budget;
  } cases[] = {{std::nullopt, kDefaultJobMemoryBudget},
               {512.0, std::uint64_t{512} << 20},
               {-3.0, kDefaultJobMemoryBudget},
               {0.0, kDefaultJobMemoryBudget}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mebibytes.value_or(-1));
    if (c.mebibytes)
      standardUserDefaults().setObject(kJobMemoryBudgetKey, PlistValue(*c.mebibytes));
    else
      standardUserDefaults().removeObject(kJobMemoryBudgetKey);
    setJobMemoryBudget(1);
    auto job = test::readSpoolerJob(test::minimalJob());
    ASSERT_EQ(job.result, kJobReadOK);
    EXPECT_EQ(jobMemoryBudget(), c.budget);
  }
  standardUserDefaults().removeObject(kJobMemoryBudgetKey);
}

}  // namespace
}  // namespace vorl
