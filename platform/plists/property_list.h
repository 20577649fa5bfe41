// platform/plists/: property lists: values and their XML form (this unit), libplist trees, keyed archives and the
// values decoded from them, and the user defaults file.
//
// Property-list values and their XML form.
//
// The user defaults, the encrypted settings store and the preference export all hold property lists: nested
// dictionaries and arrays of strings, data, numbers, booleans and dates. `PlistValue` is one such value; the
// XML form is the system's own ("<plist version="1.0">"), written and read through libplist.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace vorl {

class PlistValue;
using PlistData = std::vector<std::uint8_t>;
using PlistArray = std::vector<PlistValue>;
using PlistDictionary = std::map<std::string, PlistValue, std::less<>>;
// Dates are kept to the microsecond, as the XML form carries whole seconds and libplist microseconds.
using PlistDate = std::chrono::sys_time<std::chrono::microseconds>;

class PlistValue {
 public:
  using Storage =
      std::variant<bool, std::int64_t, double, std::string, PlistData, PlistDate, PlistArray, PlistDictionary>;

  PlistValue() : storage_(PlistDictionary{}) {}
  PlistValue(bool value) : storage_(value) {}               // NOLINT: values convert implicitly, as literals in a table
  PlistValue(int value) : storage_(std::int64_t{value}) {}  // NOLINT
  PlistValue(std::int64_t value) : storage_(value) {}       // NOLINT
  PlistValue(double value) : storage_(value) {}             // NOLINT
  PlistValue(std::string value) : storage_(std::move(value)) {}      // NOLINT
  PlistValue(const char* value) : storage_(std::string(value)) {}    // NOLINT
  PlistValue(PlistData value) : storage_(std::move(value)) {}        // NOLINT
  PlistValue(PlistDate value) : storage_(value) {}                   // NOLINT
  PlistValue(PlistArray value) : storage_(std::move(value)) {}       // NOLINT
  PlistValue(PlistDictionary value) : storage_(std::move(value)) {}  // NOLINT

  template <class T>
  bool holds() const noexcept {
    return std::holds_alternative<T>(storage_);
  }
  // The value when it is of that type, else null.
  template <class T>
  const T* get() const noexcept {
    return std::get_if<T>(&storage_);
  }
  template <class T>
  T* get() noexcept {
    return std::get_if<T>(&storage_);
  }

  const Storage& storage() const noexcept { return storage_; }
  bool operator==(const PlistValue& other) const = default;

 private:
  Storage storage_;
};

// The XML property list of the value; nothing for a value XML cannot carry (nesting deeper than 64, a string or
// key holding a NUL).
std::optional<std::string> toXmlPropertyList(const PlistValue& value);

// A property list in XML or binary form; nothing when the bytes are not one (truncated, malformed, empty, or
// nested deeper than 64) or are not safe to parse (plist_tree.h).
std::optional<PlistValue> parsePropertyList(std::span<const std::uint8_t> bytes);

}  // namespace vorl
