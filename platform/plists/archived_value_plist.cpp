#include "platform/plists/archived_value_plist.h"

#include <chrono>
#include <cmath>

namespace vorl {
namespace {

// NSDate counts from 2001-01-01 00:00:00 UTC.
constexpr std::chrono::sys_seconds kReferenceDate{std::chrono::seconds{978307200}};

PlistDate plistDate(double secondsSince2001) {
  // A moment a property list cannot hold (NaN, or centuries beyond the range of the microsecond count) becomes
  // the reference date rather than an overflow.
  constexpr double kLimit = 1e12;
  if (!std::isfinite(secondsSince2001) || std::fabs(secondsSince2001) > kLimit) return kReferenceDate;
  const auto micros = std::chrono::microseconds{std::llround(secondsSince2001 * 1e6)};
  return PlistDate{kReferenceDate} + micros;
}

PlistDictionary dictionaryOf(const ArchivedValue::Dictionary& entries) {
  PlistDictionary dictionary;
  for (const ArchivedValue::Entry& entry : entries)
    if (std::optional<PlistValue> value = archivedValueToPlist(entry.value))
      dictionary.insert_or_assign(entry.key, std::move(*value));
  return dictionary;
}

}  // namespace

std::optional<PlistValue> archivedValueToPlist(const ArchivedValue& value) {
  switch (value.kind()) {
    case ArchivedValue::Kind::Null:
      return std::nullopt;
    case ArchivedValue::Kind::Boolean:
      return PlistValue(*value.asBoolean());
    case ArchivedValue::Kind::Integer:
      return PlistValue(*value.asInteger());
    case ArchivedValue::Kind::Real:
      return PlistValue(*value.asReal());
    case ArchivedValue::Kind::String:
      return PlistValue(*value.asString());
    case ArchivedValue::Kind::Data:
      return PlistValue(PlistData(*value.asData()));
    case ArchivedValue::Kind::Date:
      return PlistValue(plistDate(value.asDate()->secondsSince2001));
    case ArchivedValue::Kind::Array: {
      PlistArray items;
      for (const ArchivedValue& item : *value.asArray())
        if (std::optional<PlistValue> converted = archivedValueToPlist(item)) items.push_back(std::move(*converted));
      return PlistValue(std::move(items));
    }
    case ArchivedValue::Kind::Dictionary:
      return PlistValue(dictionaryOf(*value.asDictionary()));
    case ArchivedValue::Kind::Object:
      return PlistValue(dictionaryOf(value.asObject()->fields));
  }
  return std::nullopt;
}

}  // namespace vorl
