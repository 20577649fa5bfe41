#include "layout/code128_symbol.h"

#include <array>
#include <cstring>

namespace vorl {
namespace {

// Bar and space widths of each symbol character, bar first, indexed by value; 106 is the stop.
constexpr const char* kPatterns[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213", "221312",
    "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132", "221231", "213212",
    "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211", "212123", "212321", "232121",
    "111323", "131123", "131321", "112313", "132113", "132311", "211313", "231113", "231311", "112133", "112331",
    "132131", "113123", "113321", "133121", "313121", "211331", "231131", "213113", "213311", "213131", "311123",
    "311321", "331121", "312113", "312311", "332111", "314111", "221411", "431111", "111224", "111422", "121124",
    "121421", "141122", "141221", "112214", "112412", "122114", "122411", "142112", "142211", "241211", "221114",
    "413111", "241112", "134111", "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112",
    "421211", "212141", "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311",
    "113141", "114131", "311141", "411131", "211412", "211214", "211232", "2331112"};

enum CodeSet : int { kSetA = 0, kSetB = 1, kSetC = 2 };
constexpr int kSetCount = 3;

constexpr std::uint8_t kShift = 98;
constexpr std::uint8_t kCheckModulus = 103;
constexpr std::uint8_t kStartA = 103;  // start B and start C follow
constexpr std::uint8_t kStop = 106;
constexpr int kNoWay = 1 << 20;

bool isDigit(unsigned char b) noexcept { return b >= '0' && b <= '9'; }

bool carries(CodeSet set, unsigned char b) noexcept {
  return set == kSetA ? b < 96 : set == kSetB ? b >= 32 && b < 128 : false;
}

std::uint8_t valueIn(CodeSet set, unsigned char b) noexcept {
  if (set == kSetA && b < 32) return static_cast<std::uint8_t>(b + 64);
  return static_cast<std::uint8_t>(b - 32);
}

CodeSet otherLetterSet(CodeSet set) noexcept { return set == kSetA ? kSetB : kSetA; }

// The character that switches to `to` (the same value from either of the other two sets).
std::uint8_t switchValue(CodeSet to) noexcept { return to == kSetC ? 99 : to == kSetB ? 100 : 101; }

// The shortest encoding, worked out from the end of the text back to its start.
class ShortestPlan {
 public:
  explicit ShortestPlan(std::span<const unsigned char> bytes)
      : bytes_(bytes), best_(bytes.size() + 1), inSet_(bytes.size() + 1), shifts_(bytes.size() + 1),
        switchTo_(bytes.size() + 1) {
    best_[bytes.size()].fill(0);
    for (std::size_t i = bytes.size(); i-- > 0;) {
      for (int s = 0; s < kSetCount; ++s) planInSet(i, static_cast<CodeSet>(s));
      for (int s = 0; s < kSetCount; ++s) {
        best_[i][s] = inSet_[i][s];
        switchTo_[i][s] = -1;
        for (int t = 0; t < kSetCount; ++t)
          if (t != s && inSet_[i][t] + 1 < best_[i][s]) best_[i][s] = inSet_[i][t] + 1, switchTo_[i][s] = t;
      }
    }
  }

  std::vector<std::uint8_t> values() const {
    std::vector<std::uint8_t> out;
    if (bytes_.empty()) return out;
    // Set B first on a tie: it holds the most of the text characters.
    CodeSet set = kSetB;
    for (const CodeSet s : {kSetC, kSetA})
      if (inSet_[0][s] < inSet_[0][set]) set = s;
    out.push_back(static_cast<std::uint8_t>(kStartA + set));
    for (std::size_t i = 0; i < bytes_.size();) {
      if (const int to = switchTo_[i][set]; to >= 0) {
        set = static_cast<CodeSet>(to);
        out.push_back(switchValue(set));
      }
      if (set == kSetC) {
        out.push_back(static_cast<std::uint8_t>((bytes_[i] - '0') * 10 + (bytes_[i + 1] - '0')));
        i += 2;
      } else if (shifts_[i][set]) {
        out.push_back(kShift);
        out.push_back(valueIn(otherLetterSet(set), bytes_[i++]));
      } else {
        out.push_back(valueIn(set, bytes_[i++]));
      }
    }
    unsigned sum = out[0];
    for (std::size_t k = 1; k < out.size(); ++k) sum += static_cast<unsigned>(k * out[k] % kCheckModulus);
    out.push_back(static_cast<std::uint8_t>(sum % kCheckModulus));
    out.push_back(kStop);
    return out;
  }

 private:
  // The fewest characters from byte i on when set `s` is in use there and carries on without a switch first.
  void planInSet(std::size_t i, CodeSet s) {
    int cost = kNoWay;
    bool shift = false;
    const unsigned char b = bytes_[i];
    if (s == kSetC) {
      if (i + 1 < bytes_.size() && isDigit(b) && isDigit(bytes_[i + 1])) cost = 1 + best_[i + 2][s];
    } else if (carries(s, b)) {
      cost = 1 + best_[i + 1][s];
    } else if (carries(otherLetterSet(s), b)) {
      cost = 2 + best_[i + 1][s];
      shift = true;
    }
    inSet_[i][s] = cost;
    shifts_[i][s] = shift;
  }

  std::span<const unsigned char> bytes_;
  std::vector<std::array<int, kSetCount>> best_;   // fewest characters from i on, set s in use
  std::vector<std::array<int, kSetCount>> inSet_;  // the same without switching at i
  std::vector<std::array<bool, kSetCount>> shifts_;
  std::vector<std::array<int, kSetCount>> switchTo_;  // the set switched to at i, or −1
};

}  // namespace

std::vector<std::uint8_t> code128Values(std::span<const unsigned char> bytes) {
  for (const unsigned char b : bytes)
    if (b > 127) return {};
  return ShortestPlan(bytes).values();
}

CodeImage code128Image(std::span<const std::uint8_t> values, int quietModules, int heightModules) {
  CodeImage image;
  if (values.empty() || heightModules <= 0) return image;
  int modules = 2 * quietModules;
  for (const std::uint8_t value : values)
    for (const char* w = kPatterns[value]; *w != '\0'; ++w) modules += *w - '0';
  image.width = modules;
  image.height = heightModules;
  image.dark.assign(static_cast<std::size_t>(modules) * heightModules, 0);
  int x = quietModules;
  for (const std::uint8_t value : values) {
    bool bar = true;  // every character starts with a bar
    for (const char* w = kPatterns[value]; *w != '\0'; ++w, bar = !bar) {
      const int width = *w - '0';
      if (bar) std::memset(&image.dark[static_cast<std::size_t>(x)], 1, static_cast<std::size_t>(width));
      x += width;
    }
  }
  for (int y = 1; y < heightModules; ++y)
    std::memcpy(&image.dark[static_cast<std::size_t>(y) * modules], image.dark.data(), static_cast<std::size_t>(modules));
  return image;
}

}  // namespace vorl
