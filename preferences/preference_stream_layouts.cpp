#include "preferences/preference_stream_layouts.h"

#include <cstring>

namespace vorl {
namespace {

constexpr StreamField integerAt(std::uint16_t offset) { return {StreamFieldKind::Integer, offset, 2}; }
constexpr StreamField longAt(std::uint16_t offset) { return {StreamFieldKind::Long, offset, 4}; }
constexpr StreamField stringAt(std::uint16_t offset, std::uint16_t fieldSize) {
  return {StreamFieldKind::String, offset, fieldSize};
}
constexpr StreamField bytesAt(std::uint16_t offset, std::uint16_t count) {
  return {StreamFieldKind::Bytes, offset, count};
}

// 82 bytes: folder locations and switches; no names.
constexpr StreamField kPrintServer[] = {
    integerAt(0),   longAt(2),      integerAt(6),   longAt(8),      integerAt(12),  longAt(14),     integerAt(18),
    longAt(20),     integerAt(24),  longAt(26),     integerAt(30),  integerAt(32),  longAt(34),     integerAt(38),
    integerAt(40),  integerAt(42),  integerAt(108), longAt(110),    integerAt(210), integerAt(212), integerAt(214),
    integerAt(216), integerAt(218), integerAt(220), integerAt(222), integerAt(224), integerAt(226), longAt(228),
    integerAt(328), longAt(330),    integerAt(334), integerAt(336),
};

// The folder part shared by the set, web-upload and processed-jobs streams.
#define VORL_FOLDER_FIELDS                                                                                   \
  integerAt(0), longAt(2), bytesAt(6, 64), stringAt(70, 32), integerAt(102), integerAt(104), integerAt(106), \
      stringAt(108, 32)

// The set stream up to its naming fields; the web-upload stream shares it.
#define VORL_SET_FIELDS_TO_NAMING                                                                           \
  VORL_FOLDER_FIELDS, integerAt(362), stringAt(364, 32), integerAt(396), integerAt(398), integerAt(400),    \
      integerAt(402), stringAt(404, 64), stringAt(468, 32), integerAt(500), integerAt(502), integerAt(504), \
      integerAt(506), integerAt(508), integerAt(510), integerAt(512), stringAt(514, 10), stringAt(524, 10), \
      stringAt(534, 10), stringAt(544, 10), integerAt(554), stringAt(556, 64), stringAt(620, 64)

constexpr StreamField kPrintToFileSet[] = {
    VORL_SET_FIELDS_TO_NAMING,
    integerAt(684),
    integerAt(686),
    integerAt(688),
    integerAt(690),
    integerAt(692),
    integerAt(694),
    stringAt(696, 256),
    integerAt(952),
    integerAt(954),
    integerAt(956),
    bytesAt(958, 24),
};

constexpr StreamField kWebUpload[] = {VORL_SET_FIELDS_TO_NAMING, bytesAt(958, 24)};

constexpr StreamField kProcessedJobs[] = {VORL_FOLDER_FIELDS, integerAt(362), bytesAt(364, 252)};

constexpr StreamField kOutputFiles[] = {integerAt(0), integerAt(2), bytesAt(4, 256)};

#undef VORL_SET_FIELDS_TO_NAMING
#undef VORL_FOLDER_FIELDS

// Every listed field must lie inside its record.
constexpr bool fitsIn(std::span<const StreamField> layout, std::size_t recordSize) {
  for (const StreamField& field : layout)
    if (field.offset + field.size > recordSize) return false;
  return true;
}
static_assert(fitsIn(kPrintServer, sizeof(tPrintServerPrefs)));
static_assert(fitsIn(kPrintToFileSet, sizeof(tSpecialPrintToFilePref)));
static_assert(fitsIn(kWebUpload, sizeof(tSpecialPrintToFilePref)));
static_assert(fitsIn(kProcessedJobs, sizeof(tProcessedJobsPrefs)));
static_assert(fitsIn(kOutputFiles, sizeof(tOutputFilePrefs)));

}  // namespace

std::span<const StreamField> printServerStreamLayout() noexcept { return kPrintServer; }
std::span<const StreamField> printToFileSetStreamLayout() noexcept { return kPrintToFileSet; }
std::span<const StreamField> webUploadStreamLayout() noexcept { return kWebUpload; }
std::span<const StreamField> processedJobsStreamLayout() noexcept { return kProcessedJobs; }
std::span<const StreamField> outputFilesStreamLayout() noexcept { return kOutputFiles; }

void writeRecordToStream(std::span<const StreamField> layout, const void* record, PreferenceStreamWriter& stream) {
  const auto* bytes = static_cast<const unsigned char*>(record);
  for (const StreamField& field : layout) {
    const unsigned char* at = bytes + field.offset;
    switch (field.kind) {
      case StreamFieldKind::Integer: {
        std::int16_t value;
        std::memcpy(&value, at, sizeof value);
        stream.writeInteger(value);
        break;
      }
      case StreamFieldKind::Long: {
        std::int32_t value;
        std::memcpy(&value, at, sizeof value);
        stream.writeLong(value);
        break;
      }
      case StreamFieldKind::String: {
        // A length byte larger than the field would write bytes of the next field: cut it to the field.
        unsigned char text[256];
        std::memcpy(text, at, field.size);
        if (text[0] >= field.size) text[0] = static_cast<unsigned char>(field.size - 1);
        stream.writeString(text);
        break;
      }
      case StreamFieldKind::Bytes:
        stream.writeBytes(at, field.size);
        break;
    }
  }
}

OSErr readRecordFromStream(std::span<const StreamField> layout, void* record, PreferenceStreamReader& stream) noexcept {
  auto* bytes = static_cast<unsigned char*>(record);
  for (const StreamField& field : layout) {
    unsigned char* at = bytes + field.offset;
    OSErr result = noErr;
    switch (field.kind) {
      case StreamFieldKind::Integer: {
        std::int16_t value;
        result = stream.readInteger(value);
        if (result == noErr) std::memcpy(at, &value, sizeof value);
        break;
      }
      case StreamFieldKind::Long: {
        std::int32_t value;
        result = stream.readLong(value);
        if (result == noErr) std::memcpy(at, &value, sizeof value);
        break;
      }
      case StreamFieldKind::String:
        result = stream.readString(at, field.size);
        break;
      case StreamFieldKind::Bytes:
        result = stream.readBytes(at, field.size);
        break;
    }
    if (result != noErr) return result;
  }
  return noErr;
}

}  // namespace vorl
