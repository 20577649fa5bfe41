#include "tests/support/keyed_archive_writer.h"

#include <plist/plist.h>

#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>

namespace vorl::test {
namespace {

class Encoder {
 public:
  Encoder() : objects_(plist_new_array()) { plist_array_append_item(objects_, plist_new_string("$null")); }

  plist_t takeObjects() { return objects_; }

  // Appends the value to "$objects" (when it is not null) and answers its index.
  std::uint64_t encode(const ArchivedValue& value) {
    using Kind = ArchivedValue::Kind;
    switch (value.kind()) {
      case Kind::Null:
        return 0;
      case Kind::Boolean:
        return append(plist_new_bool(*value.asBoolean() ? 1 : 0));
      case Kind::Integer:
        return append(plist_new_uint(static_cast<std::uint64_t>(*value.asInteger())));
      case Kind::Real:
        return append(plist_new_real(*value.asReal()));
      case Kind::String:
        return append(plist_new_string(value.asString()->c_str()));
      case Kind::Data: {
        const ArchivedValue::Data& bytes = *value.asData();
        return append(plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
      }
      case Kind::Date: {
        const std::uint64_t index = reserve();
        plist_t object = plist_new_dict();
        plist_dict_set_item(object, "NS.time", plist_new_real(value.asDate()->secondsSince2001));
        setClass(object, "NSDate");
        return fill(index, object);
      }
      case Kind::Array: {
        const std::uint64_t index = reserve();
        plist_t members = plist_new_array();
        for (const ArchivedValue& item : *value.asArray())
          plist_array_append_item(members, plist_new_uid(encode(item)));
        plist_t object = plist_new_dict();
        plist_dict_set_item(object, "NS.objects", members);
        setClass(object, "NSArray");
        return fill(index, object);
      }
      case Kind::Dictionary: {
        const std::uint64_t index = reserve();
        plist_t keys = plist_new_array();
        plist_t values = plist_new_array();
        for (const ArchivedValue::Entry& entry : *value.asDictionary()) {
          plist_array_append_item(keys, plist_new_uid(encode(ArchivedValue::string(entry.key))));
          plist_array_append_item(values, plist_new_uid(encode(entry.value)));
        }
        plist_t object = plist_new_dict();
        plist_dict_set_item(object, "NS.keys", keys);
        plist_dict_set_item(object, "NS.objects", values);
        setClass(object, "NSDictionary");
        return fill(index, object);
      }
      case Kind::Object: {
        const std::uint64_t index = reserve();
        const ArchivedValue::Object& source = *value.asObject();
        plist_t object = plist_new_dict();
        for (const ArchivedValue::Entry& field : source.fields) {
          // Numbers sit inline in an object, as NSKeyedArchiver's encodeInt: and encodeDouble: put them.
          const auto kind = field.value.kind();
          if (kind == Kind::Integer || kind == Kind::Real || kind == Kind::Boolean) {
            plist_t inline_ = kind == Kind::Integer
                                  ? plist_new_uint(static_cast<std::uint64_t>(*field.value.asInteger()))
                              : kind == Kind::Real ? plist_new_real(*field.value.asReal())
                                                   : plist_new_bool(*field.value.asBoolean() ? 1 : 0);
            plist_dict_set_item(object, field.key.c_str(), inline_);
          } else {
            plist_dict_set_item(object, field.key.c_str(), plist_new_uid(encode(field.value)));
          }
        }
        setClass(object, source.className);
        return fill(index, object);
      }
    }
    throw std::logic_error("unknown value kind");
  }

 private:
  std::uint64_t append(plist_t node) {
    plist_array_append_item(objects_, node);
    return plist_array_get_size(objects_) - 1;
  }
  // Containers take their place before their members, as NSKeyedArchiver numbers them.
  std::uint64_t reserve() { return append(plist_new_bool(0)); }
  std::uint64_t fill(std::uint64_t index, plist_t object) {
    plist_array_set_item(objects_, object, static_cast<std::uint32_t>(index));
    return index;
  }
  void setClass(plist_t object, const std::string& className) {
    auto found = classes_.find(className);
    if (found == classes_.end()) {
      plist_t description = plist_new_dict();
      plist_dict_set_item(description, "$classname", plist_new_string(className.c_str()));
      plist_t chain = plist_new_array();
      plist_array_append_item(chain, plist_new_string(className.c_str()));
      plist_array_append_item(chain, plist_new_string("NSObject"));
      plist_dict_set_item(description, "$classes", chain);
      found = classes_.emplace(className, append(description)).first;
    }
    plist_dict_set_item(object, "$class", plist_new_uid(found->second));
  }

  plist_t objects_;
  std::map<std::string, std::uint64_t> classes_;
};

}  // namespace

Bytes encodeKeyedArchive(const ArchivedValue& root, PlistFormat format) {
  Encoder encoder;
  const std::uint64_t rootIndex = encoder.encode(root);
  plist_t archive = plist_new_dict();
  plist_dict_set_item(archive, "$archiver", plist_new_string("NSKeyedArchiver"));
  plist_dict_set_item(archive, "$version", plist_new_uint(100000));
  plist_dict_set_item(archive, "$objects", encoder.takeObjects());
  plist_t top = plist_new_dict();
  plist_dict_set_item(top, "root", plist_new_uid(rootIndex));
  plist_dict_set_item(archive, "$top", top);

  char* text = nullptr;
  std::uint32_t length = 0;
  if (format == PlistFormat::Binary)
    plist_to_bin(archive, &text, &length);
  else
    plist_to_xml(archive, &text, &length);
  plist_free(archive);
  if (!text) throw std::runtime_error("libplist could not write the archive");
  Bytes bytes(text, text + length);
  std::free(text);
  return bytes;
}

}  // namespace vorl::test
