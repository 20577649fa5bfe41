// Reading keyed archives: the property lists that Foundation's NSKeyedArchiver writes.
//
// Job files carry several (the job dictionary, the upload data, the e-mail entry block and the page setup of the
// system print dialog), written by studio programs on the Mac. An archive is a property list (binary or XML) with
// "$archiver", "$objects" and "$top": each object sits once in "$objects", refers to others by UID and names its
// class through a "$class" entry. Decoding follows the references from "$top" and rebuilds plain values:
// dictionaries, arrays, strings, numbers, data, dates and null. An object of any other class (NSPrintInfo,
// NSValue, ...) becomes an `ArchivedValue` of kind Object holding its class name and its decoded fields, so the
// callers that know the class can pick out what they need.
//
// The bytes come from files that other programs wrote, so decoding trusts nothing: a reference outside
// "$objects", an object that refers back to itself, nesting deeper than `kMaxArchiveDepth` or more than
// `kMaxArchiveValues` values in all (shared objects count every time they are used) make the whole archive
// undecodable. Nothing here throws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace vorl {

inline constexpr int kMaxArchiveDepth = 64;
inline constexpr std::size_t kMaxArchiveValues = 100000;

class ArchivedValue {
 public:
  enum class Kind { Null, Boolean, Integer, Real, String, Data, Date, Array, Dictionary, Object };

  struct Entry;
  using Array = std::vector<ArchivedValue>;
  using Dictionary = std::vector<Entry>;  // in the archive's order; keys are unique
  using Data = std::vector<std::uint8_t>;
  // Seconds since 2001-01-01 00:00:00 UTC, as NSDate counts them.
  struct Date {
    double secondsSince2001 = 0;
    bool operator==(const Date&) const = default;
  };
  struct Object {
    std::string className;
    Dictionary fields;
    bool operator==(const Object&) const;
  };

  ArchivedValue() = default;  // null
  static ArchivedValue boolean(bool value);
  static ArchivedValue integer(std::int64_t value);
  static ArchivedValue real(double value);
  static ArchivedValue string(std::string utf8);
  static ArchivedValue data(Data bytes);
  static ArchivedValue date(double secondsSince2001);
  static ArchivedValue array(Array items);
  static ArchivedValue dictionary(Dictionary entries);
  static ArchivedValue object(std::string className, Dictionary fields);

  Kind kind() const noexcept;
  bool isNull() const noexcept { return kind() == Kind::Null; }

  // Each answers null when the value is of another kind.
  const bool* asBoolean() const noexcept;
  const std::int64_t* asInteger() const noexcept;
  const double* asReal() const noexcept;
  const std::string* asString() const noexcept;
  const Data* asData() const noexcept;
  const Date* asDate() const noexcept;
  const Array* asArray() const noexcept;
  const Dictionary* asDictionary() const noexcept;
  const Object* asObject() const noexcept;

  // The value under a key of a dictionary, or of an object's fields; null when there is none.
  const ArchivedValue* find(std::string_view key) const noexcept;

  bool operator==(const ArchivedValue& other) const;

 private:
  using Storage =
      std::variant<std::monostate, bool, std::int64_t, double, std::string, Data, Date, Array, Dictionary, Object>;
  template <std::size_t I, class... Args>
  explicit ArchivedValue(std::in_place_index_t<I> index, Args&&... args)
      : storage_(index, std::forward<Args>(args)...) {}
  Storage storage_;
};

struct ArchivedValue::Entry {
  std::string key;
  ArchivedValue value;
  bool operator==(const Entry&) const = default;
};

// Defined here, where Entry is complete: the variant needs all its alternatives whole.
inline ArchivedValue ArchivedValue::boolean(bool value) { return ArchivedValue(std::in_place_index<1>, value); }
inline ArchivedValue ArchivedValue::integer(std::int64_t value) { return ArchivedValue(std::in_place_index<2>, value); }
inline ArchivedValue ArchivedValue::real(double value) { return ArchivedValue(std::in_place_index<3>, value); }
inline ArchivedValue ArchivedValue::string(std::string utf8) {
  return ArchivedValue(std::in_place_index<4>, std::move(utf8));
}
inline ArchivedValue ArchivedValue::data(Data bytes) { return ArchivedValue(std::in_place_index<5>, std::move(bytes)); }
inline ArchivedValue ArchivedValue::date(double secondsSince2001) {
  return ArchivedValue(std::in_place_index<6>, Date{secondsSince2001});
}
inline ArchivedValue ArchivedValue::array(Array items) {
  return ArchivedValue(std::in_place_index<7>, std::move(items));
}
inline ArchivedValue ArchivedValue::dictionary(Dictionary entries) {
  return ArchivedValue(std::in_place_index<8>, std::move(entries));
}
inline ArchivedValue ArchivedValue::object(std::string className, Dictionary fields) {
  return ArchivedValue(std::in_place_index<9>, Object{std::move(className), std::move(fields)});
}

inline ArchivedValue::Kind ArchivedValue::kind() const noexcept { return static_cast<Kind>(storage_.index()); }
inline const bool* ArchivedValue::asBoolean() const noexcept { return std::get_if<1>(&storage_); }
inline const std::int64_t* ArchivedValue::asInteger() const noexcept { return std::get_if<2>(&storage_); }
inline const double* ArchivedValue::asReal() const noexcept { return std::get_if<3>(&storage_); }
inline const std::string* ArchivedValue::asString() const noexcept { return std::get_if<4>(&storage_); }
inline const ArchivedValue::Data* ArchivedValue::asData() const noexcept { return std::get_if<5>(&storage_); }
inline const ArchivedValue::Date* ArchivedValue::asDate() const noexcept { return std::get_if<6>(&storage_); }
inline const ArchivedValue::Array* ArchivedValue::asArray() const noexcept { return std::get_if<7>(&storage_); }
inline const ArchivedValue::Dictionary* ArchivedValue::asDictionary() const noexcept {
  return std::get_if<8>(&storage_);
}
inline const ArchivedValue::Object* ArchivedValue::asObject() const noexcept { return std::get_if<9>(&storage_); }

// The root object of the archive in the bytes; nullopt when they hold no decodable keyed archive.
std::optional<ArchivedValue> decodeKeyedArchive(std::span<const std::uint8_t> bytes) noexcept;

}  // namespace vorl
