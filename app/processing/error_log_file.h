// "Error Log File" in the application folder: every operator message as one 257-byte record, so the message
// list survives a restart.
//
// A record is a length byte, up to 255 Mac Roman characters, zero fill to 256 bytes and one pad byte. A record
// cut short (a full disk, a crash in the middle of a write) is dropped before the next one is written, so the
// records after it stay at their multiples of 257.
#pragma once

#include <QString>
#include <QStringList>
#include <cstddef>
#include <filesystem>

namespace vorl {

inline constexpr std::size_t kErrorLogRecordSize = 257;

// "<home>/Error Log File".
std::filesystem::path errorLogFilePath();

// The messages of the file's whole records, oldest first; empty when there is no file.
QStringList readErrorLogRecords(const std::filesystem::path& file);
// Appends the message (UTF-8 in, cut to 255 Mac Roman characters); false, with a log line, when it could not.
bool appendErrorLogRecord(const std::filesystem::path& file, const QString& message);

}  // namespace vorl
