// Looking at stored records as bytes in tests.
#pragma once

#include <cstddef>
#include <cstring>
#include <vector>

namespace vorl::test {

using Bytes = std::vector<unsigned char>;

template <class Record>
Bytes bytesOf(const Record& record) {
  Bytes bytes(sizeof(Record));
  std::memcpy(bytes.data(), &record, sizeof(Record));
  return bytes;
}

// Offsets where two byte strings differ (at most 16, to keep a failure readable).
inline std::vector<std::size_t> differingOffsets(const Bytes& actual, const Bytes& expected) {
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < actual.size() && offsets.size() < 16; ++i)
    if (i >= expected.size() || actual[i] != expected[i]) offsets.push_back(i);
  return offsets;
}

}  // namespace vorl::test
