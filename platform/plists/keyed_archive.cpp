#include "platform/plists/keyed_archive.h"

#include "platform/plists/plist_tree.h"

#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <unordered_set>

namespace vorl {
namespace {

// Thrown inside the decoder only, caught in decodeKeyedArchive.
struct Undecodable {};

plist_t dictItem(plist_t dict, const char* key) noexcept {
  return PLIST_IS_DICT(dict) ? plist_dict_get_item(dict, key) : nullptr;
}

std::string stringOf(plist_t node) {
  const char* text = nullptr;
  std::uint64_t length = 0;
  if (PLIST_IS_STRING(node)) text = plist_get_string_ptr(node, &length);
  return text ? std::string(text, static_cast<std::size_t>(length)) : std::string();
}

ArchivedValue::Data dataOf(plist_t node) {
  const char* bytes = nullptr;
  std::uint64_t length = 0;
  if (PLIST_IS_DATA(node)) bytes = plist_get_data_ptr(node, &length);
  if (!bytes) return {};
  const auto* first = reinterpret_cast<const std::uint8_t*>(bytes);
  return ArchivedValue::Data(first, first + length);
}

// A reference to an entry of "$objects": a UID in a binary archive, a dictionary holding only "CF$UID" in an
// XML one (which the XML reader leaves as a dictionary).
bool referenceIndex(plist_t node, std::uint64_t& index) noexcept {
  if (PLIST_IS_UID(node)) {
    plist_get_uid_val(node, &index);
    return true;
  }
  if (!PLIST_IS_DICT(node) || plist_dict_get_size(node) != 1) return false;
  plist_t value = plist_dict_get_item(node, "CF$UID");
  if (!PLIST_IS_UINT(value)) return false;
  plist_get_uint_val(value, &index);
  return true;
}

// Follows UID references through "$objects" and builds values. One instance decodes one archive.
class Decoder {
 public:
  explicit Decoder(plist_t objects) : objects_(objects), count_(plist_array_get_size(objects)) {}

  ArchivedValue decodeReference(plist_t reference, int depth) {
    std::uint64_t index = 0;
    if (!referenceIndex(reference, index)) return decodePlain(reference, depth);
    if (index >= count_) throw Undecodable{};
    if (onPath_.size() < count_) onPath_.resize(count_, false);
    if (onPath_[index]) throw Undecodable{};  // an object that contains itself has no finite value
    onPath_[index] = true;
    ArchivedValue value = decodeObject(plist_array_get_item(objects_, static_cast<std::uint32_t>(index)), depth);
    onPath_[index] = false;
    return value;
  }

 private:
  void count(int depth) {
    if (depth > kMaxArchiveDepth || ++values_ > kMaxArchiveValues) throw Undecodable{};
  }

  // An entry of "$objects": a scalar, "$null", or a dictionary naming its class.
  ArchivedValue decodeObject(plist_t node, int depth) {
    count(depth);
    if (PLIST_IS_STRING(node) && stringOf(node) == "$null") return ArchivedValue();
    plist_t classReference = dictItem(node, "$class");
    if (!classReference) return decodePlain(node, depth);
    const std::string className = classNameOf(classReference);

    if (className == "NSDictionary" || className == "NSMutableDictionary") return decodeDictionary(node, depth);
    if (className == "NSArray" || className == "NSMutableArray" || className == "NSSet" ||
        className == "NSMutableSet" || className == "NSOrderedSet" || className == "NSMutableOrderedSet")
      return ArchivedValue::array(decodeReferences(dictItem(node, "NS.objects"), depth));
    if (className == "NSString" || className == "NSMutableString") {
      if (plist_t text = dictItem(node, "NS.string"); PLIST_IS_STRING(text))
        return ArchivedValue::string(stringOf(text));
      if (plist_t bytes = dictItem(node, "NS.bytes"); PLIST_IS_DATA(bytes)) {
        const ArchivedValue::Data utf8 = dataOf(bytes);
        return ArchivedValue::string(std::string(utf8.begin(), utf8.end()));
      }
      throw Undecodable{};
    }
    if (className == "NSData" || className == "NSMutableData") {
      if (plist_t bytes = dictItem(node, "NS.data"); PLIST_IS_DATA(bytes)) return ArchivedValue::data(dataOf(bytes));
      throw Undecodable{};
    }
    if (className == "NSDate") {
      double seconds = 0;
      plist_t time = dictItem(node, "NS.time");
      if (!PLIST_IS_REAL(time)) throw Undecodable{};
      plist_get_real_val(time, &seconds);
      return ArchivedValue::date(seconds);
    }
    if (className == "NSNull") return ArchivedValue();
    return ArchivedValue::object(className, decodeFields(node, depth));
  }

  std::string classNameOf(plist_t reference) {
    std::uint64_t index = 0;
    if (!referenceIndex(reference, index) || index >= count_) throw Undecodable{};
    plist_t name = dictItem(plist_array_get_item(objects_, static_cast<std::uint32_t>(index)), "$classname");
    if (!PLIST_IS_STRING(name)) throw Undecodable{};
    return stringOf(name);
  }

  ArchivedValue decodeDictionary(plist_t node, int depth) {
    plist_t keys = dictItem(node, "NS.keys");
    plist_t values = dictItem(node, "NS.objects");
    if (!PLIST_IS_ARRAY(keys) || !PLIST_IS_ARRAY(values)) throw Undecodable{};
    const std::uint32_t size = plist_array_get_size(keys);
    if (plist_array_get_size(values) != size) throw Undecodable{};
    ArchivedValue::Dictionary entries;
    std::unordered_set<std::string> seen;
    for (std::uint32_t i = 0; i < size; ++i) {
      ArchivedValue key = decodeReference(plist_array_get_item(keys, i), depth + 1);
      const std::string* name = key.asString();
      if (!name) throw Undecodable{};                       // the program's dictionaries are keyed by text
      if (!seen.insert(*name).second) throw Undecodable{};  // and no key twice
      entries.push_back({*name, decodeReference(plist_array_get_item(values, i), depth + 1)});
    }
    return ArchivedValue::dictionary(std::move(entries));
  }

  ArchivedValue::Array decodeReferences(plist_t array, int depth) {
    if (!PLIST_IS_ARRAY(array)) throw Undecodable{};
    ArchivedValue::Array items;
    const std::uint32_t size = plist_array_get_size(array);
    for (std::uint32_t i = 0; i < size; ++i)
      items.push_back(decodeReference(plist_array_get_item(array, i), depth + 1));
    return items;
  }

  // The fields of an object of a class we do not rebuild: every entry but "$class", decoded.
  ArchivedValue::Dictionary decodeFields(plist_t node, int depth) {
    ArchivedValue::Dictionary fields;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    if (!iterator) throw Undecodable{};
    std::unique_ptr<void, decltype(&std::free)> iteratorOwner(iterator, &std::free);
    for (;;) {
      char* key = nullptr;
      plist_t value = nullptr;
      plist_dict_next_item(node, iterator, &key, &value);
      if (!key) break;
      std::string name(key);
      std::free(key);
      if (name == "$class") continue;
      fields.push_back({std::move(name), decodeReference(value, depth + 1)});
    }
    return fields;
  }

  // A property-list value that is not an archived object: a number, string, date or data inline, or (rarely) a
  // plain array or dictionary whose members may again be references.
  ArchivedValue decodePlain(plist_t node, int depth) {
    count(depth);
    switch (plist_get_node_type(node)) {
      case PLIST_BOOLEAN: {
        std::uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return ArchivedValue::boolean(value != 0);
      }
      case PLIST_UINT: {
        std::uint64_t value = 0;
        plist_get_uint_val(node, &value);
        // Property lists store signed integers in two's complement.
        return ArchivedValue::integer(static_cast<std::int64_t>(value));
      }
      case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return ArchivedValue::real(value);
      }
      case PLIST_STRING:
        return ArchivedValue::string(stringOf(node));
      case PLIST_DATA:
        return ArchivedValue::data(dataOf(node));
      case PLIST_DATE: {
        std::int32_t seconds = 0;
        std::int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        return ArchivedValue::date(seconds + microseconds / 1e6);
      }
      case PLIST_ARRAY: {
        ArchivedValue::Array items;
        const std::uint32_t size = plist_array_get_size(node);
        for (std::uint32_t i = 0; i < size; ++i)
          items.push_back(decodeReference(plist_array_get_item(node, i), depth + 1));
        return ArchivedValue::array(std::move(items));
      }
      case PLIST_DICT:
        return ArchivedValue::dictionary(decodeFields(node, depth));
      default:
        throw Undecodable{};
    }
  }

  plist_t objects_;
  std::uint32_t count_;
  std::vector<bool> onPath_;
  std::size_t values_ = 0;
};

}  // namespace

bool ArchivedValue::Object::operator==(const Object& other) const {
  return className == other.className && fields == other.fields;
}

bool ArchivedValue::operator==(const ArchivedValue& other) const { return storage_ == other.storage_; }

const ArchivedValue* ArchivedValue::find(std::string_view key) const noexcept {
  const Dictionary* entries = asDictionary();
  if (!entries) {
    const Object* object = asObject();
    if (!object) return nullptr;
    entries = &object->fields;
  }
  for (const Entry& entry : *entries)
    if (entry.key == key) return &entry.value;
  return nullptr;
}

std::optional<ArchivedValue> decodeKeyedArchive(std::span<const std::uint8_t> bytes) noexcept {
  try {
    const PlistPtr root = parsePlistTree(bytes);
    plist_t parsed = root.get();
    if (!PLIST_IS_DICT(parsed)) return std::nullopt;
    plist_t archiver = plist_dict_get_item(parsed, "$archiver");
    plist_t objects = plist_dict_get_item(parsed, "$objects");
    plist_t top = plist_dict_get_item(parsed, "$top");
    if (!PLIST_IS_STRING(archiver) || stringOf(archiver) != "NSKeyedArchiver") return std::nullopt;
    if (!PLIST_IS_ARRAY(objects) || !PLIST_IS_DICT(top)) return std::nullopt;
    // NSKeyedArchiver's archiveRootObject: files the root under "root"; an archive with one other top key is
    // read through that key.
    plist_t rootReference = plist_dict_get_item(top, "root");
    if (!rootReference && plist_dict_get_size(top) == 1) {
      plist_dict_iter iterator = nullptr;
      plist_dict_new_iter(top, &iterator);
      char* key = nullptr;
      if (iterator) plist_dict_next_item(top, iterator, &key, &rootReference);
      std::free(key);
      std::free(iterator);
    }
    std::uint64_t rootIndex = 0;
    if (!referenceIndex(rootReference, rootIndex)) return std::nullopt;
    Decoder decoder(objects);
    return decoder.decodeReference(rootReference, 0);
  } catch (const Undecodable&) {
    return std::nullopt;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace vorl
