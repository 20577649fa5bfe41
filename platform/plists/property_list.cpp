#include "platform/plists/property_list.h"

#include "platform/plists/plist_tree.h"

#include <cmath>
#include <limits>
#include <memory>

namespace vorl {
namespace {

constexpr int kMaxDepth = 64;
// libplist counts dates in seconds from 2001-01-01 00:00:00 UTC, as Core Foundation does.
constexpr std::int64_t kUnixSecondsAt2001 = 978307200;

PlistPtr toNode(const PlistValue& value, int depth);

struct ToNode {
  int depth;

  PlistPtr operator()(bool b) const { return PlistPtr(plist_new_bool(b ? 1 : 0)); }
  // libplist keeps integers unsigned; the bits of a negative number come back unchanged.
  PlistPtr operator()(std::int64_t n) const { return PlistPtr(plist_new_uint(static_cast<std::uint64_t>(n))); }
  PlistPtr operator()(double x) const { return PlistPtr(plist_new_real(x)); }
  // XML has no way to write U+0000; a string holding one is refused rather than cut at the NUL.
  PlistPtr operator()(const std::string& s) const {
    if (s.find('\0') != std::string::npos) return nullptr;
    return PlistPtr(plist_new_string(s.c_str()));
  }
  PlistPtr operator()(const PlistData& d) const {
    return PlistPtr(plist_new_data(reinterpret_cast<const char*>(d.data()), d.size()));
  }
  PlistPtr operator()(const PlistDate& date) const {
    const std::int64_t micros = date.time_since_epoch().count();
    const std::int64_t unixSeconds = micros >= 0 ? micros / 1'000'000 : -((-micros + 999'999) / 1'000'000);
    const std::int64_t since2001 = unixSeconds - kUnixSecondsAt2001;
    if (since2001 < std::numeric_limits<std::int32_t>::min() || since2001 > std::numeric_limits<std::int32_t>::max())
      return nullptr;
    return PlistPtr(plist_new_date(static_cast<std::int32_t>(since2001),
                                   static_cast<std::int32_t>(micros - unixSeconds * 1'000'000)));
  }
  PlistPtr operator()(const PlistArray& array) const {
    if (depth >= kMaxDepth) return nullptr;
    PlistPtr node(plist_new_array());
    for (const PlistValue& item : array) {
      PlistPtr child = toNode(item, depth + 1);
      if (!child) return nullptr;
      plist_array_append_item(node.get(), child.release());
    }
    return node;
  }
  PlistPtr operator()(const PlistDictionary& dictionary) const {
    if (depth >= kMaxDepth) return nullptr;
    PlistPtr node(plist_new_dict());
    for (const auto& [key, item] : dictionary) {
      if (key.find('\0') != std::string::npos) return nullptr;
      PlistPtr child = toNode(item, depth + 1);
      if (!child) return nullptr;
      plist_dict_set_item(node.get(), key.c_str(), child.release());
    }
    return node;
  }
};

PlistPtr toNode(const PlistValue& value, int depth) { return std::visit(ToNode{depth}, value.storage()); }

std::optional<PlistValue> fromNode(plist_t node, int depth) {
  if (!node || depth > kMaxDepth) return std::nullopt;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t b = 0;
      plist_get_bool_val(node, &b);
      return PlistValue(b != 0);
    }
    case PLIST_UINT: {
      std::uint64_t n = 0;
      plist_get_uint_val(node, &n);
      return PlistValue(static_cast<std::int64_t>(n));
    }
    case PLIST_REAL: {
      double x = 0;
      plist_get_real_val(node, &x);
      return PlistValue(x);
    }
    case PLIST_STRING: {
      std::uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      return PlistValue(std::string(text ? text : "", text ? length : 0));
    }
    case PLIST_DATA: {
      std::uint64_t length = 0;
      const char* bytes = plist_get_data_ptr(node, &length);
      const auto* first = reinterpret_cast<const std::uint8_t*>(bytes);
      return PlistValue(bytes ? PlistData(first, first + length) : PlistData{});
    }
    case PLIST_DATE: {
      std::int32_t seconds = 0, micros = 0;
      plist_get_date_val(node, &seconds, &micros);
      return PlistValue(PlistDate(std::chrono::microseconds((seconds + kUnixSecondsAt2001) * 1'000'000 + micros)));
    }
    case PLIST_ARRAY: {
      PlistArray array;
      const std::uint32_t count = plist_array_get_size(node);
      array.reserve(count);
      for (std::uint32_t i = 0; i < count; ++i) {
        auto item = fromNode(plist_array_get_item(node, i), depth + 1);
        if (!item) return std::nullopt;
        array.push_back(std::move(*item));
      }
      return PlistValue(std::move(array));
    }
    case PLIST_DICT: {
      PlistDictionary dictionary;
      plist_dict_iter iterator = nullptr;
      plist_dict_new_iter(node, &iterator);
      std::unique_ptr<void, decltype(&std::free)> iteratorOwner(iterator, &std::free);
      for (;;) {
        char* key = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(node, iterator, &key, &item);
        if (!item) {
          std::free(key);
          break;
        }
        std::unique_ptr<char, decltype(&std::free)> keyOwner(key, &std::free);
        auto converted = fromNode(item, depth + 1);
        if (!converted || !key) return std::nullopt;
        dictionary.insert_or_assign(std::string(key), std::move(*converted));
      }
      return PlistValue(std::move(dictionary));
    }
    default:
      // Keys outside dictionaries and keyed-archive uids have no place in a settings file.
      return std::nullopt;
  }
}

}  // namespace

std::optional<std::string> toXmlPropertyList(const PlistValue& value) {
  const PlistPtr node = toNode(value, 0);
  if (!node) return std::nullopt;
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(node.get(), &xml, &length);
  if (!xml) return std::nullopt;
  std::string text(xml, length);
  plist_to_xml_free(xml);
  return text;
}

std::optional<PlistValue> parsePropertyList(std::span<const std::uint8_t> bytes) {
  const PlistPtr root = parsePlistTree(bytes);
  return fromNode(root.get(), 0);
}

}  // namespace vorl
