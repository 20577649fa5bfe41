// Property lists under libFuzzer: any bytes, XML or binary, must read as a value or as nothing, never crash,
// hang or read past the input. Whatever reads and can be written as XML must read again from what was written.
#include <cstdint>
#include <cstdlib>

#include "platform/plists/property_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto value = vorl::parsePropertyList({data, size});
  if (!value) return 0;
  const auto xml = vorl::toXmlPropertyList(*value);
  if (!xml) return 0;
  const auto again = vorl::parsePropertyList({reinterpret_cast<const std::uint8_t*>(xml->data()), xml->size()});
  // What the settings store writes, it must read again at the next start.
  if (!again) std::abort();
  return 0;
}
