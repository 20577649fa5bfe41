// The count files: running totals of outputs, one all-time file and one file per day for this program
// ("Vorl-Zeverezoz Count", "Vorl-Zeverezoz Count12-31-2026") and for its sibling ("Vorl-X Count…"), in the
// print-server root folder.
//
// The sibling program and a second processor count into the same files, so every change happens under an
// exclusive `flock` of the file and replaces it whole (a temporary file, flushed, renamed over it): a reader sees
// the old totals or the new ones, two adders never lose each other's counts, and a full disk or a crash leaves
// the last complete record. Files this program cannot take as a current record are never destroyed: those it
// starts afresh (the older version, big-endian, cut short) are first set aside beside the file; one of an
// unknown version is left alone and not counted into.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "jobs/counts/print_count_record.h"

namespace vorl {

class ReplacementBatch;

// Results besides noErr and the file errors.
inline constexpr std::int16_t kPrintCountNoFile = -1;
inline constexpr std::int16_t kPrintCountUnknownVersion = -99;

// "Vorl-Zeverezoz Count" or "Vorl-X Count", followed by the day's date text (MM-DD-YYYY) for a day file.
std::string printCountFileName(bool isProcessor, std::string_view dateText = {});
// The print-server root folder; none when it cannot be found.
std::optional<std::filesystem::path> printCountFolder();
// The all-time or today's file of the mode in the root folder; none without the folder.
std::optional<std::filesystem::path> printCountFilePath(bool isProcessor, bool isToday);

// Reads the count file into the record (zeroed first), creating an empty file when there is none. An empty file,
// one of the older version and one written big-endian read as zeros and are then written as a current zero
// record (the latter two set aside first). kPrintCountUnknownVersion for any other version, the file untouched.
std::int16_t getPrintCount(const std::filesystem::path& file, tPrintQuantityInfo& record);
std::int16_t getPrintCount(tPrintQuantityInfo& record, bool isProcessor, bool isToday);
std::int16_t getPrintCountForSpecificDay(tPrintQuantityInfo& record, std::string_view dateText, bool isProcessor);

// Replaces the file's content with the record, version 9904.
std::int16_t setPrintCount(const std::filesystem::path& file, const tPrintQuantityInfo& record);
std::int16_t setPrintCount(const tPrintQuantityInfo& record, bool isProcessor, bool isToday);

// Adds one output to the file. `whileLocked`, when given, runs first while the file is locked, so that what it
// does is serialised with the other adders of this file. A file of an unknown version is not counted into: the
// operator is told, and kPrintCountUnknownVersion answered.
std::int16_t addToPrintCountFile(const std::filesystem::path& file, std::int16_t quantity, std::int16_t which,
                                 std::int16_t printer, std::int16_t canvas,
                                 const std::function<void()>& whileLocked = {});

// Adds one output to each of the files at once: all of them locked (always in the order given) and held until
// every one is replaced, the new contents flushed together. `whileLocked`, when given, runs once they are locked
// and read, and may add files of its own to the batch, which are then replaced with them; it answers false when
// its part cannot be had. All or nothing: when a file cannot be locked or read, `whileLocked` fails or a new
// content cannot be written, nothing is replaced and the operator is told. Answers the failure, or noErr.
std::int16_t addToPrintCountFiles(std::span<const std::filesystem::path> files, std::int16_t quantity,
                                  std::int16_t which, std::int16_t printer, std::int16_t canvas,
                                  const std::function<bool(ReplacementBatch&)>& whileLocked = {});

}  // namespace vorl
