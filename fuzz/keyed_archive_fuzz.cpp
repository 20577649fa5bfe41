// Keyed archives under libFuzzer: job files carry four of them from other programs. Any bytes must decode to
// a value or to nothing, never crash, hang, or recurse without bound; what decodes is walked whole.
#include <cstdint>
#include <functional>

#include "platform/plists/keyed_archive.h"

namespace {

std::size_t countValues(const vorl::ArchivedValue& value) {
  std::size_t count = 1;
  if (const auto* items = value.asArray())
    for (const auto& item : *items) count += countValues(item);
  const vorl::ArchivedValue::Dictionary* entries = value.asDictionary();
  if (const auto* object = value.asObject()) entries = &object->fields;
  if (entries)
    for (const auto& entry : *entries) count += countValues(entry.value) + entry.key.size();
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (const auto root = vorl::decodeKeyedArchive({data, size})) {
    static_cast<void>(countValues(*root));
    static_cast<void>(root->find("NSAttributes"));
  }
  return 0;
}
