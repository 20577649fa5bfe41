// The daily print-count statistics: one hidden file per day and mode in the print-server root folder
// (".Print Count Vorl-Zeverezoz 2026-03-15"), kept in the encrypted settings store. Under "tPrintTotals" and the
// application's name: a total for each count kind, and the number of outputs for each pair of printer name and
// template name. Every output opens today's processor file, adds to it and saves it; the print-count window reads
// the files of both modes.
//
// The counts are written and read under one constant key, so a processor file is read back under the name it was
// written with.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "foundation/services/encrypted_store.h"
#include "platform/plists/property_list.h"

namespace vorl {

class ReplacementBatch;

// The key the counts of this program live under.
inline constexpr const char* kPrintCountApplicationName = "Vorl-Zeverezoz";

// The file of the date (yyyy-MM-dd) and mode in the folder.
std::filesystem::path dailyPrintCountPath(const std::filesystem::path& folder, const std::string& isoDate,
                                          bool isVorlX);

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

  // Saves the store when something was added.
  ~printCountInfoObject();
  printCountInfoObject(const printCountInfoObject&) = delete;
  printCountInfoObject& operator=(const printCountInfoObject&) = delete;

  void addToCounts(std::int32_t quantity, std::int32_t which, std::int32_t printer, std::int32_t canvas);
  void addToCanvasCount(std::int32_t printer, std::int32_t canvas);

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
  explicit printCountInfoObject(std::unique_ptr<QAVLOR_SecureSettings> settings)
      : settings_(std::move(settings)) {}
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
