#include "platform/system/network_address.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace vorl {
namespace {

constexpr int kArpHardwareEther = 1;  // ARPHRD_ETHER in the interface's "type"

std::optional<std::string> firstLine(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  return line;
}

std::optional<EthernetAddress> parseAddress(const std::string& text) {
  EthernetAddress address{};
  unsigned parts[6];
  char end = 0;
  if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &parts[0], &parts[1], &parts[2], &parts[3], &parts[4],
                  &parts[5], &end) != 6)
    return std::nullopt;
  for (int i = 0; i < 6; ++i) address[i] = static_cast<std::uint8_t>(parts[i]);
  if (std::all_of(address.begin(), address.end(), [](std::uint8_t b) { return b == 0; })) return std::nullopt;
  return address;
}

struct Candidate {
  int rank;  // 0 wired physical, 1 wireless physical, 2 anything else
  long index;
  EthernetAddress address;
};

}  // namespace

std::optional<EthernetAddress> primaryEthernetAddress(const fs::path& interfaces) {
  std::vector<Candidate> candidates;
  std::error_code error;
  for (fs::directory_iterator it(interfaces, error), end; !error && it != end; it.increment(error)) {
    const fs::path folder = it->path();
    const auto type = firstLine(folder / "type");
    if (!type || std::atoi(type->c_str()) != kArpHardwareEther) continue;
    const auto text = firstLine(folder / "address");
    const auto address = text ? parseAddress(*text) : std::nullopt;
    if (!address) continue;
    const auto index = firstLine(folder / "ifindex");
    std::error_code ignored;
    // Physical interfaces have a device behind them; wireless ones also show their radio.
    const bool physical = fs::exists(folder / "device", ignored);
    const bool wireless = fs::exists(folder / "wireless", ignored) || fs::exists(folder / "phy80211", ignored);
    candidates.push_back({physical ? (wireless ? 1 : 0) : 2, index ? std::atol(index->c_str()) : 0, *address});
  }
  if (candidates.empty()) return std::nullopt;
  const auto best = std::min_element(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
    return a.rank != b.rank ? a.rank < b.rank : a.index < b.index;
  });
  return best->address;
}

std::string ethernetAddressText(const EthernetAddress& a) {
  char text[18];
  std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", a[0], a[1], a[2], a[3], a[4], a[5]);
  return text;
}

}  // namespace vorl
