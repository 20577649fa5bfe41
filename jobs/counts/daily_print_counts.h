// The daily print-count statistics: one hidden file per day and mode in the print-server root folder
// (".Print Count Vorl-Zeverezoz 2026-03-15"), kept in the encrypted settings store. Under "tPrintTotals" and the
// application's name: a total for each count kind, and the number of outputs for each pair of printer name and
// template name. Every output opens today's processor file, adds to it and saves it; the print-count window reads
// the files of both modes.
//
// The counts are written and read under one constant key, so a processor file is read back under the name it was
// written with.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "foundation/services/encrypted_store.h"
#include "platform/plists/property_list.h"

namespace vorl {

class ReplacementBatch;
struct tPrintQuantityInfo;

// The key the counts of this program live under.
inline constexpr const char* kPrintCountApplicationName = "Vorl-Zeverezoz";

// The file of the date (yyyy-MM-dd) and mode in the folder.
std::filesystem::path dailyPrintCountPath(const std::filesystem::path& folder, const std::string& isoDate,
                                          bool isVorlX);
// The file of the date that names no mode (".Print Count 2026-03-15").
std::filesystem::path modelessDailyPrintCountPath(const std::filesystem::path& folder, const std::string& isoDate);

class printCountInfoObject {
 public:
  // Today's file of the mode (`which` set: the sibling's), made with its counters when missing. Null when the
  // root folder cannot be found or the store cannot be had.
  static std::unique_ptr<printCountInfoObject> initWithWhich(bool which);
  // The file of that day (seconds since 1904-01-01, local time) for reading. Null when it cannot be opened or
  // holds no totals.
  static std::unique_ptr<printCountInfoObject> initWithLongDateTime(std::int64_t dateTime, bool isVorlX);
  // Whether the daily file of that day and mode exists, without opening it.
  static bool doesFileExistsAtPath(std::int64_t dateTime, bool isVorlX);
  // Today's file without a mode word, made with its counters when missing. Null as for `initWithWhich`.
  static std::unique_ptr<printCountInfoObject> init();
  // The file of the day `date` falls on (local time) for reading. Null when it holds no totals; an object without
  // a store (adding nothing, answering 0) when the store cannot be had.
  static std::unique_ptr<printCountInfoObject> initWithDate(std::chrono::system_clock::time_point date,
                                                            bool isVorlX);
  // A daily file named by its name in the print-server root folder, for reading; its counts may be absent. Null
  // when the folder or the store cannot be had, or the name is not a plain file name there.
  static std::unique_ptr<printCountInfoObject> initWithFileName(const std::string& fileName);
  // Switches the diagnostic log lines of every daily-count object (on at start).
  static void setVerbose(bool verbose);
  static bool isVerbose();

  // Saves the store when something was added.
  ~printCountInfoObject();
  printCountInfoObject(const printCountInfoObject&) = delete;
  printCountInfoObject& operator=(const printCountInfoObject&) = delete;

  void addToCounts(std::int32_t quantity, std::int32_t which, std::int32_t printer, std::int32_t canvas);
  void addToCanvasCount(std::int32_t printer, std::int32_t canvas);
  // Adds to "tNumberOfUSBsBurned".
  void setUSBFlashCount(std::int32_t count);
  // Adds a count record's seven totals (kinds 1 to 7) to their keys.
  void addTotals(const tPrintQuantityInfo& totals);
  // Sets "tConfirmationID".
  void addConfirmationIDKey(PlistValue confirmationID);
  // The older per-printer layout: one more at `index` of the "canvasList" array under "printer%02i"; nothing when
  // the dictionary, the array or the element is missing or holds no number.
  void addToCanvasCountOld(std::int32_t printer, std::int32_t index);
  // What a new application dictionary keeps its printer and template counts in: empty.
  static PlistDictionary createCanvasDictionary();

  std::int64_t getChooserCount() const { return count("tChooserCount"); }
  std::int64_t getCDCount() const { return count("tCDCount"); }
  std::int64_t getPrintToFileCount() const { return count("tPrintToFileCount"); }
  std::int64_t getRegularPrintCount() const { return count("tRegularCount"); }
  std::int64_t getPrintToFile2Count() const { return count("tPrintToFile2Count"); }
  std::int64_t getSaveAsCompCount() const { return count("tSaveAsCompositionCount"); }
  std::int64_t getCDWriteCount() const { return count("tCDWriteCount"); }
  std::int64_t getUSBCount() const { return count("tFloppyCount"); }
  std::int64_t getUSBFlashCount() const { return count("tNumberOfUSBsBurned"); }
  // The application's dictionary; null when the file holds none.
  const PlistDictionary* getPrintCountDictionary() const;

  // Saves now; false when the store could not be written.
  bool save();
  // Hands what `save` would write to the batch, which writes it together with other files; false when it could
  // not be made or written there. Nothing is saved on release afterwards either way.
  bool saveInto(ReplacementBatch& batch);

 private:
  // `settings` may be null: the object then adds nothing and answers 0.
  explicit printCountInfoObject(std::unique_ptr<QAVLOR_SecureSettings> settings)
      : settings_(std::move(settings)) {}
  // Opens the store at `path` for counting: null when it cannot be had.
  static std::unique_ptr<printCountInfoObject> openForCounting(const std::filesystem::path& path,
                                                               const char* selector);
  void setupNewDictionary();
  void createNewDictionary();
  PlistDictionary* printCountInfo();
  void storeBack();
  std::int64_t count(const char* key) const;

  std::unique_ptr<QAVLOR_SecureSettings> settings_;
};

// Adds one output to today's processor file: opened, added to and saved at once.
void saveToDictionaryFile(std::int16_t quantity, std::int16_t which, std::int16_t printer, std::int16_t canvas,
                          bool isProcessor);
// The same, but the new content goes into the batch, to be made durable together with the count files; false
// when the store cannot be had or its new content cannot be put in the batch.
bool saveToDictionaryFile(std::int16_t quantity, std::int16_t which, std::int16_t printer, std::int16_t canvas,
                          bool isProcessor, ReplacementBatch& batch);

}  // namespace vorl
