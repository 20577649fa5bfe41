// The print counts: the count files are read here with a parser of our own from the documented offsets, the daily
// store is deciphered with the `openssl` command, and the report is compared byte for byte.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "jobs/counts/daily_print_counts.h"
#include "jobs/reading/job_globals.h"
#include "jobs/counts/print_count_file.h"
#include "jobs/counts/print_count_hook.h"
#include "jobs/counts/print_count_report.h"
#include "jobs/counts/print_count_store.h"
#include "platform/files/apple_double.h"
#include "platform/system/command_runner.h"
#include "platform/files/file_specs.h"
#include "platform/plists/property_list.h"
#include "preferences/preference_globals.h"
#include "preferences/preference_records.h"
#include "tests/platform/file_size_limit.h"
#include "tests/support/fake_clock.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/temporary_server_root.h"
#include "tests/support/message_recorder.h"
#include "tests/support/unreadable_folder.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

constexpr std::size_t kFileSize = 16564;
constexpr std::size_t kRegularAt = 16;
std::size_t canvasAt(int printer, int canvas) { return 32 + std::size_t(printer * 41 + canvas) * 4; }

std::vector<std::uint8_t> bytesOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::int32_t wordAt(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  return static_cast<std::int32_t>(std::uint32_t{bytes.at(offset)} | std::uint32_t{bytes.at(offset + 1)} << 8 |
                                    std::uint32_t{bytes.at(offset + 2)} << 16 |
                                    std::uint32_t{bytes.at(offset + 3)} << 24);
}

mode_t modeOf(const fs::path& file) {
  struct stat info {};
  EXPECT_EQ(::stat(file.c_str(), &info), 0);
  return info.st_mode & 07777;
}

// Files in the folder whose names begin with `prefix`.
std::vector<fs::path> filesStartingWith(const fs::path& folder, const std::string& prefix) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path());
  return found;
}

class PrintCountsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock_.setLocalTime(2026, 12, 11, 9, 30, 0);
    gCurrentTemplateName = Str31("Portrait 4x6");
    installPrintCountStore();
  }
  void TearDown() override { setPrintCountAdder({}); }

  fs::path allTimeFile() const { return root_ / "Vorl-Zeverezoz Count"; }
  fs::path todayFile() const { return root_ / "Vorl-Zeverezoz Count12-11-2026"; }
  fs::path dailyStore() const { return root_ / ".Print Count Vorl-Zeverezoz 2026-12-11"; }

  test::FakeClock clock_;
  test::TemporaryServerRoot serverRoot_{"print-counts"};
  const fs::path root_ = serverRoot_.path();
};

TEST_F(PrintCountsTest, AnOutputIsCountedInTheAllTimeAndTodaysFileAsLaidOut) {
  addToPrintCount(3, kCountRegularPrint, 21, 5);
  for (const fs::path& file : {allTimeFile(), todayFile()}) {
    SCOPED_TRACE(file.filename().string());
    const std::vector<std::uint8_t> bytes = bytesOf(file);
    ASSERT_EQ(bytes.size(), kFileSize);
    EXPECT_EQ(wordAt(bytes, 0), 9904);
    EXPECT_EQ(wordAt(bytes, kRegularAt), 3);
    EXPECT_EQ(wordAt(bytes, canvasAt(21, 5)), 3);
    std::int64_t sum = 0;
    for (std::size_t at = 4; at < kFileSize - 24; at += 4) sum += wordAt(bytes, at);
    EXPECT_EQ(sum, 6) << "nothing else was counted";
    EXPECT_EQ(modeOf(file), 0666u);
    FInfo info;
    ASSERT_EQ(getFinderInfo(file, info), noErr);
    EXPECT_EQ(info.fdType, fourCharCode("TEXT"));
    EXPECT_EQ(info.fdCreator, fourCharCode("QZKb"));
    EXPECT_TRUE(info.fdFlags & kIsInvisible);
  }
  addToPrintCount(2, kCountRegularPrint, 21, 5);
  EXPECT_EQ(wordAt(bytesOf(allTimeFile()), canvasAt(21, 5)), 5);
  EXPECT_EQ(wordAt(bytesOf(todayFile()), kRegularAt), 5);
}

TEST_F(PrintCountsTest, EachKindAddsToItsOwnField) {
  struct Case {
    std::int16_t kind, printer, canvas;
    std::size_t totalAt;  // 0: no total
    bool perCanvas;
  };
  const Case cases[] = {
      {1, 8, 1, 12, true},     {2, 3, 2, 8, true},     {3, 25, 3, 4, true},    {12, 26, 1, 4, true},
      {4, 21, 40, 16, true},   {5, 2, 1, 20, true},    {6, 2, 1, 24, true},    {7, 2, 1, 28, true},
      {8, 2, 1, 16432, true},  {9, 3, 1, 16436 + 12, true}, {10, 2, 1, 16536, true}, {11, 2, 1, 0, true},
      {4, 21, 0, 16, false},   {4, 0, 5, 16, false},   {4, 21, 41, 16, false}, {4, 100, 5, 16, false},
      {0, 2, 1, 0, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " printer " + std::to_string(c.printer) + " canvas " +
                 std::to_string(c.canvas));
    const fs::path file = root_ / ("case " + std::to_string(n++));
    ASSERT_EQ(addToPrintCountFile(file, 7, c.kind, c.printer, c.canvas), noErr);
    const std::vector<std::uint8_t> bytes = bytesOf(file);
    ASSERT_EQ(bytes.size(), kFileSize);
    std::int64_t sum = 0;
    for (std::size_t at = 4; at < kFileSize - 24; at += 4) sum += wordAt(bytes, at);
    if (c.totalAt) {
      EXPECT_EQ(wordAt(bytes, c.totalAt), 7);
    }
    if (c.perCanvas) {
      EXPECT_EQ(wordAt(bytes, canvasAt(c.printer, c.canvas)), 7);
    }
    EXPECT_EQ(sum, (c.totalAt ? 7 : 0) + (c.perCanvas ? 7 : 0));
  }
}

TEST_F(PrintCountsTest, FilesNotOfTheCurrentFormAreKeptAsideOrLeftAlone) {
  test::MessageRecorder messages;
  std::vector<std::uint8_t> bigEndian(kFileSize, 0);
  bigEndian[2] = 0x26, bigEndian[3] = 0xB0, bigEndian[19] = 9;
  std::vector<std::uint8_t> old(kFileSize, 0);
  old[0] = 0xAF, old[1] = 0x26, old[16] = 4;
  std::vector<std::uint8_t> shortCurrent(100, 0);
  shortCurrent[0] = 0xB0, shortCurrent[1] = 0x26, shortCurrent[16] = 5;
  std::vector<std::uint8_t> unknown(kFileSize, 0);
  unknown[0] = 0x39, unknown[1] = 0x30, unknown[16] = 6;  // 12345
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* asideTag;  // null: nothing set aside
    std::int16_t readResult;
  };
  const Case cases[] = {{"empty", {}, nullptr, noErr},
                        {"big-endian", bigEndian, "big-endian", noErr},
                        {"old", old, "old", noErr},
                        {"short", shortCurrent, "damaged", noErr},
                        {"unknown", unknown, nullptr, kPrintCountUnknownVersion}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = root_ / (std::string("count ") + c.name);
    writeBytes(file, c.bytes);
    tPrintQuantityInfo record;
    record.regularCount = 99;
    EXPECT_EQ(getPrintCount(file, record), c.readResult);
    EXPECT_EQ(record, tPrintQuantityInfo{}) << "the record is zero";
    const std::vector<fs::path> aside = filesStartingWith(root_, file.filename().string() + ".");
    if (c.asideTag) {
      ASSERT_EQ(aside.size(), 1u);
      EXPECT_NE(aside[0].filename().string().find(c.asideTag), std::string::npos);
      EXPECT_EQ(bytesOf(aside[0]), c.bytes) << "what was there is kept";
    } else {
      EXPECT_TRUE(aside.empty());
    }
    const std::int16_t added = addToPrintCountFile(file, 1, 4, 21, 5);
    if (c.readResult == kPrintCountUnknownVersion) {
      EXPECT_EQ(added, kPrintCountUnknownVersion);
      EXPECT_EQ(bytesOf(file), c.bytes) << "never overwritten";
    } else {
      EXPECT_EQ(added, noErr);
      const std::vector<std::uint8_t> now = bytesOf(file);
      ASSERT_EQ(now.size(), kFileSize);
      EXPECT_EQ(wordAt(now, 0), 9904);
      EXPECT_EQ(wordAt(now, kRegularAt), 1);
    }
  }
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_NE(messages.messages()[0].find("version"), std::string::npos);
}

TEST_F(PrintCountsTest, TwoProcessesCountingAtOnceLoseNothing) {
  constexpr int kEach = 1000;
  pid_t children[2];
  for (pid_t& child : children) {
    child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0; i < kEach; ++i) addToPrintCount(1, kCountRegularPrint, 21, 5);
      ::_exit(0);
    }
  }
  for (const pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (const fs::path& file : {allTimeFile(), todayFile()}) {
    const std::vector<std::uint8_t> bytes = bytesOf(file);
    ASSERT_EQ(bytes.size(), kFileSize);
    EXPECT_EQ(wordAt(bytes, kRegularAt), 2 * kEach) << file.filename();
    EXPECT_EQ(wordAt(bytes, canvasAt(21, 5)), 2 * kEach) << file.filename();
  }
  auto store = QAVLOR_SecureSettings::initWithPath(dailyStore());
  ASSERT_NE(store, nullptr);
  const PlistDictionary* app =
      store->objectForKey("tPrintTotals")->get<PlistDictionary>()->at("Vorl-Zeverezoz").get<PlistDictionary>();
  EXPECT_EQ(app->at("tRegularCount"), PlistValue(std::int64_t{2 * kEach}));
  EXPECT_TRUE(filesStartingWith(root_, ".vorl-").empty()) << "no temporary file is left";
}

// The store's fixed cipher parameters, written out here so a change fails.
constexpr const char* kKeyHex = "e6d8d8b5f93711b277499441ecb3138e";
constexpr const char* kIvHex = "3a915c07e24fb8166da329f0845ec17b";

std::optional<PlistValue> decipheredWithOpenssl(const fs::path& file) {
  const CommandResult plain =
      runCommand({"openssl", "enc", "-d", "-aes-128-cbc", "-K", kKeyHex, "-iv", kIvHex, "-in", file.string()});
  if (!plain.succeeded()) return std::nullopt;
  return parsePropertyList(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(plain.standardOutput.data()), plain.standardOutput.size()));
}

TEST_F(PrintCountsTest, TheDailyStoreHoldsTheTotalsAndThePrinterAndTemplateCounts) {
  if (!runCommand({"openssl", "version"}).started) GTEST_SKIP() << "the openssl command is not installed";
  addToPrintCount(2, kCountRegularPrint, 21, 3);
  ASSERT_TRUE(fs::exists(dailyStore()));
  EXPECT_EQ(modeOf(dailyStore()), 0600u);
  std::optional<PlistValue> root = decipheredWithOpenssl(dailyStore());
  ASSERT_TRUE(root.has_value());
  PlistDictionary expected{{"tChooserCount", 0},         {"tCDCount", 0},
                           {"tPrintToFileCount", 0},     {"tRegularCount", 2},
                           {"tPrintToFile2Count", 0},    {"tSaveAsCompositionCount", 0},
                           {"tCDWriteCount", 0},         {"tImageGrabCount", 0},
                           {"tFloppyCount", 0},          {"tOriginalFileSaveCount", 0},
                           {"tPackagesPrinted", PlistDictionary{}},
                           {"tPrinterCanvases",
                            PlistDictionary{{"Printer 21", PlistDictionary{{"Portrait 4x6",
                                                                            PlistDictionary{{"quantity", 1}}}}}}}};
  EXPECT_EQ(*root, PlistValue(PlistDictionary{{"tPrintTotals", PlistDictionary{{"Vorl-Zeverezoz", expected}}}}));

  // The next output: "tNumberOfUSBsBurned" appears; kind 12 has its own key; a canvas of 0 counts no template.
  addToPrintCount(1, kCountOriginalFile, 26, 0);
  root = decipheredWithOpenssl(dailyStore());
  ASSERT_TRUE(root.has_value());
  expected.insert_or_assign("tNumberOfUSBsBurned", PlistValue(0));
  expected.insert_or_assign("tOriginalFileSaveCount", PlistValue(1));
  EXPECT_EQ(*root, PlistValue(PlistDictionary{{"tPrintTotals", PlistDictionary{{"Vorl-Zeverezoz", expected}}}}));

  // Read back under the key it was written with; 2026-12-11 is day 44905 after 1904-01-01.
  const std::int64_t thatDay = std::int64_t{44905} * 86400 + 3600;
  EXPECT_TRUE(printCountInfoObject::doesFileExistsAtPath(thatDay, false));
  EXPECT_FALSE(printCountInfoObject::doesFileExistsAtPath(thatDay, true));
  const auto reader = printCountInfoObject::initWithLongDateTime(thatDay, false);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->getRegularPrintCount(), 2);
  EXPECT_EQ(reader->getPrintToFileCount(), 0);
}

TEST_F(PrintCountsTest, AnUnreadableDailyStoreIsKeptAsideNotReplaced) {
  test::MessageRecorder messages;
  const std::vector<std::uint8_t> garbage{'n', 'o', 't', ' ', 'a', ' ', 's', 't', 'o', 'r', 'e'};
  writeBytes(dailyStore(), garbage);
  addToPrintCount(1, kCountRegularPrint, 21, 3);
  const std::vector<fs::path> aside = filesStartingWith(root_, dailyStore().filename().string() + ".");
  ASSERT_EQ(aside.size(), 1u);
  EXPECT_EQ(bytesOf(aside[0]), garbage);
  const auto store = QAVLOR_SecureSettings::initWithPath(dailyStore());
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->objectForKey("tPrintTotals")->get<PlistDictionary>()->at("Vorl-Zeverezoz").get<PlistDictionary>()->at(
                "tRegularCount"),
            PlistValue(1));
  EXPECT_FALSE(messages.messages().empty());
}

// One of the three places that cannot be had (a count file that cannot be opened and locked, or one of an
// unknown version): the output is counted nowhere, so the all-time file, today's file and the daily store still
// agree, and the operator is told.
TEST_F(PrintCountsTest, ACountFileThatCannotBeHadCountsTheOutputNowhere) {
  std::vector<std::uint8_t> unknown(kFileSize, 0);
  unknown[0] = 0x39;
  unknown[1] = 0x05;  // 1337
  const struct {
    const char* name;
    bool allTime;  // else today's file
    bool linkLoop;  // else a file of an unknown version
  } cases[] = {{"today's file cannot be locked", false, true},
               {"the all-time file cannot be locked", true, true},
               {"today's file is of an unknown version", false, false}};
  addToPrintCount(4, kCountRegularPrint, 21, 5);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path faulty = c.allTime ? allTimeFile() : todayFile();
    const fs::path healthy = c.allTime ? todayFile() : allTimeFile();
    const std::vector<std::uint8_t> faultyBefore = bytesOf(faulty);
    const std::vector<std::uint8_t> healthyBefore = bytesOf(healthy), storeBefore = bytesOf(dailyStore());
    fs::remove(faulty);
    if (c.linkLoop) {
      fs::create_symlink(faulty.filename(), faulty);  // opening it fails with ELOOP
    } else {
      writeBytes(faulty, unknown);
    }
    {
      test::MessageRecorder messages;
      addToPrintCount(1, kCountRegularPrint, 21, 5);
      ASSERT_EQ(messages.messages().size(), 1u);
      EXPECT_NE(messages.messages()[0].find("not counted in any print count"), std::string::npos)
          << messages.messages()[0];
    }
    EXPECT_EQ(bytesOf(healthy), healthyBefore) << "counted in one file but not in the other";
    EXPECT_EQ(bytesOf(dailyStore()), storeBefore) << "counted in the daily store but not in a file";
    if (!c.linkLoop) EXPECT_EQ(bytesOf(faulty), unknown) << "a file of an unknown version is left as it is";
    EXPECT_TRUE(filesStartingWith(root_, ".vorl-").empty()) << "no temporary file is left";
    fs::remove(faulty);
    writeBytes(faulty, faultyBefore);
  }
  addToPrintCount(1, kCountRegularPrint, 21, 5);
  EXPECT_EQ(wordAt(bytesOf(allTimeFile()), kRegularAt), 5);
  EXPECT_EQ(wordAt(bytesOf(todayFile()), kRegularAt), 5);
}

// A template name holding a NUL (the job file's Pascal string may): the output is still counted in the daily
// store, under the name with U+FFFD in the NUL's place.
TEST_F(PrintCountsTest, ATemplateNameHoldingANulIsStillCountedInTheDailyStore) {
  if (!runCommand({"openssl", "version"}).started) GTEST_SKIP() << "the openssl command is not installed";
  gCurrentTemplateName = Str31(std::string_view("Port\0rait", 9));
  addToPrintCount(2, kCountRegularPrint, 21, 3);
  const std::optional<PlistValue> root = decipheredWithOpenssl(dailyStore());
  ASSERT_TRUE(root.has_value());
  const auto* totals = root->get<PlistDictionary>();
  ASSERT_NE(totals, nullptr);
  const PlistDictionary& ours =
      *totals->at("tPrintTotals").get<PlistDictionary>()->at("Vorl-Zeverezoz").get<PlistDictionary>();
  EXPECT_EQ(ours.at("tRegularCount"), PlistValue(2));
  EXPECT_EQ(ours.at("tPrinterCanvases"),
            PlistValue(PlistDictionary{
                {"Printer 21", PlistDictionary{{"Port\xEF\xBF\xBDrait", PlistDictionary{{"quantity", 1}}}}}}));
  EXPECT_EQ(wordAt(bytesOf(allTimeFile()), kRegularAt), 2);
}

TEST_F(PrintCountsTest, AFullDiskLosesNoEarlierCount) {
  addToPrintCount(4, kCountRegularPrint, 21, 5);
  const std::vector<std::uint8_t> before = bytesOf(allTimeFile());
  const std::vector<std::uint8_t> todayBefore = bytesOf(todayFile());
  const std::vector<std::uint8_t> storeBefore = bytesOf(dailyStore());
  {
    test::MessageRecorder messages;
    // Room for the daily store (about 1 KB) but not for a count file.
    const test::FileSizeLimit diskFull(4096);
    addToPrintCount(1, kCountRegularPrint, 21, 5);
    EXPECT_FALSE(messages.messages().empty());
  }
  EXPECT_EQ(bytesOf(allTimeFile()), before);
  EXPECT_EQ(bytesOf(todayFile()), todayBefore);
  EXPECT_EQ(bytesOf(dailyStore()), storeBefore) << "counted everywhere or nowhere";
  EXPECT_TRUE(filesStartingWith(root_, ".vorl-").empty()) << "no temporary file is left";
  addToPrintCount(1, kCountRegularPrint, 21, 5);
  EXPECT_EQ(wordAt(bytesOf(allTimeFile()), kRegularAt), 5);
}

// The count runs after a delivery. A count folder that can no longer be looked into partway through (here
// once the file is held) fails the count with a message, never with an exception the job would take for its
// own failure; the next count goes through.
TEST_F(PrintCountsTest, AFolderTurningUnreadableDuringTheCountFailsItWithoutThrowing) {
  {
    test::MessageRecorder messages;
    std::optional<test::UnreadableFolder> unreadable;
    std::int16_t result = noErr;
    EXPECT_NO_THROW(result = addToPrintCountFile(allTimeFile(), 1, kCountRegularPrint, 21, 5,
                                                 [&] { unreadable.emplace(root_); }));
    unreadable.reset();
    EXPECT_NE(result, noErr);
    EXPECT_FALSE(messages.messages().empty());
  }
  EXPECT_EQ(addToPrintCountFile(allTimeFile(), 2, kCountRegularPrint, 21, 5), noErr);
  EXPECT_EQ(wordAt(bytesOf(allTimeFile()), kRegularAt), 2);
}

TEST_F(PrintCountsTest, TheReportListsThePairsCountedSinceTheResetByteForByte) {
  tPrintQuantityInfo allTime;
  allTime.canvasCounts[21][5] = 3;
  allTime.canvasCounts[8][2] = 7;
  allTime.canvasCounts[58][40] = -1;
  allTime.canvasCounts[59][1] = 5;  // beyond the report's printer types
  allTime.canvasCounts[21][4] = 0;
  tPrintQuantityInfo today;
  today.canvasCounts[21][5] = 2;
  today.canvasCounts[30][1] = 9;  // never in the all-time file: not listed
  ASSERT_EQ(setPrintCount(allTime, true, false), noErr);
  ASSERT_EQ(setPrintCount(today, true, true), noErr);
  const fs::path destination = root_ / printCountReportDefaultName(true);
  EXPECT_EQ(destination.filename(), "Fri, Dec 11, 2026 - Zeverezoz");
  std::ofstream(destination) << "an older report";
  ASSERT_EQ(createReport(true, destination), noErr);
  const std::vector<std::uint8_t> bytes = bytesOf(destination);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "Fri, Dec 11, 2026\tSystem Printer\t2\t0\t7\r"
            "Fri, Dec 11, 2026\tPrinter 21\t5\t2\t3\r"
            "Fri, Dec 11, 2026\t\t40\t0\t-1\r");
  EXPECT_EQ(modeOf(destination), 0666u);
}

TEST(PrintCountRecord, BigEndianVersionWordsAreRecognised) {
  EXPECT_EQ(computeSwappedLong(static_cast<std::int32_t>(0xB0260000u)), 9904);
  EXPECT_EQ(computeSwappedLong(static_cast<std::int32_t>(0xAF260000u)), 9903);
  EXPECT_EQ(computeSwappedLong(9904), static_cast<std::int32_t>(0xFFFFB026u));  // sign-extended, unshifted
}

}  // namespace
}  // namespace vorl
