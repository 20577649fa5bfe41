#include "platform/plists/plist_tree.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <unordered_map>
#include <vector>

namespace vorl {
namespace {

// The binary form ("bplist00"): objects, then a table of their offsets, then a 32-byte trailer holding the
// widths of offsets and references, the object count, the top object and where the offset table starts. Each
// object opens with a marker byte: the high nibble its type, the low nibble a length, or 0xF when an integer
// object with the length follows.
constexpr std::size_t kTrailerSize = 32;
constexpr std::uint8_t kData = 0x40;
constexpr std::uint8_t kAsciiString = 0x50;
constexpr std::uint8_t kUtf16String = 0x60;
constexpr std::uint8_t kArray = 0xA0;
constexpr std::uint8_t kSet = 0xC0;
constexpr std::uint8_t kDictionary = 0xD0;

bool isBinary(std::span<const std::uint8_t> bytes) noexcept {
  return bytes.size() >= 8 && std::memcmp(bytes.data(), "bplist00", 8) == 0;
}

std::uint64_t bigEndian(const std::uint8_t* p, std::size_t width) noexcept {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value = value << 8 | p[i];
  return value;
}

class BinaryListCheck {
 public:
  explicit BinaryListCheck(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  // Where the ASCII strings holding a zero byte begin (after a successful `run`, all of them values).
  const std::vector<std::uint64_t>& asciiStringsWithNul() const noexcept { return asciiWithNul_; }

  bool run() {
    if (bytes_.size() < 8 + kTrailerSize) return false;
    const std::uint8_t* trailer = bytes_.data() + bytes_.size() - kTrailerSize;
    offsetWidth_ = trailer[6];
    referenceWidth_ = trailer[7];
    objectCount_ = bigEndian(trailer + 8, 8);
    const std::uint64_t top = bigEndian(trailer + 16, 8);
    tableStart_ = bigEndian(trailer + 24, 8);
    end_ = bytes_.size() - kTrailerSize;
    if (offsetWidth_ < 1 || offsetWidth_ > 8 || referenceWidth_ < 1 || referenceWidth_ > 8) return false;
    if (tableStart_ < 8 || tableStart_ > end_ || objectCount_ == 0 || top >= objectCount_) return false;
    if (objectCount_ > (end_ - tableStart_) / offsetWidth_) return false;
    // An honest list uses each of its bytes once: at most one node per byte, however often objects are shared.
    nodeBudget_ = bytes_.size();
    referenceBudget_ = bytes_.size();
    return walkFrom(top);
  }

 private:
  struct Node {
    bool done = false;           // false while on the path being walked
    bool keyUnreadable = false;  // a string holding a NUL: libplist cannot hand it out as a key
    std::uint64_t expanded = 1;  // nodes once every shared object is copied at each use
  };
  struct Frame {
    std::uint64_t index;
    std::uint64_t firstReference;  // byte offset of the first reference
    std::uint64_t children;        // references to follow
    std::uint64_t keys;            // the first `keys` children are dictionary keys
    std::uint64_t next = 0;
  };

  std::optional<std::uint64_t> objectStart(std::uint64_t index) const noexcept {
    if (index >= objectCount_) return std::nullopt;
    const std::uint64_t start = bigEndian(bytes_.data() + tableStart_ + index * offsetWidth_, offsetWidth_);
    if (start < 8 || start >= end_) return std::nullopt;
    return start;
  }

  // The length in the marker at `start`, and where the object's body begins.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> lengthAt(std::uint64_t start) const noexcept {
    const std::uint8_t marker = bytes_[start];
    if ((marker & 0x0F) != 0x0F) return std::pair{std::uint64_t{marker & 0x0Fu}, start + 1};
    if (start + 2 > end_ || (bytes_[start + 1] & 0xF0) != 0x10) return std::nullopt;
    const std::size_t width = std::size_t{1} << (bytes_[start + 1] & 0x0F);
    if (width > 8 || start + 2 + width > end_) return std::nullopt;
    return std::pair{bigEndian(bytes_.data() + start + 2, width), start + 2 + width};
  }

  bool fits(std::uint64_t body, std::uint64_t count, std::uint64_t width) const noexcept {
    return body <= end_ && count <= (end_ - body) / width;
  }

  // A leaf needs no frame; a container gets one. False when the object cannot be what it claims.
  bool enter(std::uint64_t index, std::vector<Frame>& path) {
    const auto start = objectStart(index);
    if (!start) return false;
    Node& node = nodes_[index];
    const std::uint8_t type = bytes_[*start] & 0xF0;
    if (type != kAsciiString && type != kUtf16String && type != kArray && type != kSet && type != kDictionary) {
      node.done = true;
      return true;
    }
    const auto length = lengthAt(*start);
    if (!length) return false;
    const auto [count, body] = *length;
    if (type == kAsciiString || type == kUtf16String) {
      const std::uint64_t width = type == kAsciiString ? 1 : 2;
      if (!fits(body, count, width)) return false;
      const std::uint8_t* first = bytes_.data() + body;
      if (width == 1) {
        node.keyUnreadable = std::memchr(first, 0, count) != nullptr;
        if (node.keyUnreadable) asciiWithNul_.push_back(*start);
      } else {
        for (std::uint64_t i = 0; i < count && !node.keyUnreadable; ++i)
          node.keyUnreadable = first[2 * i] == 0 && first[2 * i + 1] == 0;
      }
      node.done = true;
      return true;
    }
    const std::uint64_t children = type == kDictionary ? 2 * count : count;
    if (type == kDictionary && count > std::numeric_limits<std::uint64_t>::max() / 2) return false;
    if (!fits(body, children, referenceWidth_) || children > referenceBudget_) return false;
    referenceBudget_ -= children;
    if (path.size() >= static_cast<std::size_t>(kMaxPlistNesting)) return false;
    path.push_back({index, body, children, type == kDictionary ? count : 0});
    return true;
  }

  bool walkFrom(std::uint64_t top) {
    std::vector<Frame> path;
    if (!enter(top, path)) return false;
    while (!path.empty()) {
      Frame& frame = path.back();
      if (frame.next == frame.children) {
        Node& finished = nodes_[frame.index];
        finished.done = true;
        const std::uint64_t expanded = finished.expanded;
        path.pop_back();
        if (!path.empty() && !addChild(path.back(), expanded)) return false;
        continue;
      }
      const bool isKey = frame.next < frame.keys;
      const std::uint64_t child =
          bigEndian(bytes_.data() + frame.firstReference + frame.next * referenceWidth_, referenceWidth_);
      ++frame.next;
      if (const auto seen = nodes_.find(child); seen != nodes_.end()) {
        if (!seen->second.done) return false;  // a cycle
        if (isKey && seen->second.keyUnreadable) return false;
        if (!addChild(frame, seen->second.expanded)) return false;
        continue;
      }
      const std::size_t depth = path.size();
      if (!enter(child, path)) return false;
      if (path.size() == depth) {  // a leaf, finished at once
        const Node& leaf = nodes_[child];
        if (isKey && leaf.keyUnreadable) return false;
        if (!addChild(path.back(), leaf.expanded)) return false;
      }
    }
    return nodes_[top].expanded <= nodeBudget_;
  }

  bool addChild(const Frame& parent, std::uint64_t expanded) {
    Node& node = nodes_[parent.index];
    node.expanded += expanded;
    return node.expanded <= nodeBudget_;
  }

  std::span<const std::uint8_t> bytes_;
  std::uint64_t offsetWidth_ = 0, referenceWidth_ = 0, objectCount_ = 0, tableStart_ = 0, end_ = 0;
  std::uint64_t nodeBudget_ = 0, referenceBudget_ = 0;
  std::unordered_map<std::uint64_t, Node> nodes_;
  std::vector<std::uint64_t> asciiWithNul_;
};

// libplist's XML reader is iterative, but freeing what it built is not. Counts the opening and closing tags of
// arrays and dictionaries; a tag inside a comment counts too, which only errs towards refusing.
bool xmlNestingIsShallow(std::span<const std::uint8_t> bytes) noexcept {
  auto startsWith = [&](std::size_t at, const char* word) {
    const std::size_t length = std::strlen(word);
    return at + length <= bytes.size() && std::memcmp(bytes.data() + at, word, length) == 0;
  };
  int depth = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '<') continue;
    if (startsWith(i + 1, "/array") || startsWith(i + 1, "/dict")) {
      --depth;
      continue;
    }
    if (!startsWith(i + 1, "array") && !startsWith(i + 1, "dict")) continue;
    const auto* close = static_cast<const std::uint8_t*>(std::memchr(bytes.data() + i, '>', bytes.size() - i));
    if (close == nullptr) return true;  // unfinished: the reader refuses it
    if (close[-1] == '/') continue;     // <array/>
    if (++depth > kMaxPlistNesting) return false;
  }
  return true;
}

}  // namespace

bool propertyListIsSafeToParse(std::span<const std::uint8_t> bytes) noexcept {
  try {
    return isBinary(bytes) ? BinaryListCheck(bytes).run() : xmlNestingIsShallow(bytes);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

PlistPtr parsePlistTree(std::span<const std::uint8_t> bytes) noexcept {
  if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) return nullptr;
  try {
    std::vector<std::uint8_t> retagged;
    if (isBinary(bytes)) {
      BinaryListCheck check(bytes);
      if (!check.run()) return nullptr;
      // libplist hands an ASCII string out only up to its first zero byte. Such a value becomes data of the same
      // length (the same layout under another marker), so its bytes arrive whole.
      if (!check.asciiStringsWithNul().empty()) {
        retagged.assign(bytes.begin(), bytes.end());
        for (const std::uint64_t start : check.asciiStringsWithNul())
          retagged[start] = static_cast<std::uint8_t>(kData | (retagged[start] & 0x0F));
        bytes = retagged;
      }
    } else if (!xmlNestingIsShallow(bytes)) {
      return nullptr;
    }
    plist_t root = nullptr;
    plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), &root);
    return PlistPtr(root);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace vorl
