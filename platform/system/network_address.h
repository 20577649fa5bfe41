// The hardware address of the computer's primary Ethernet interface, read from /sys/class/net.
//
// The address goes into the names of output files, so it must not change with the network's state: the
// primary interface is the wired physical Ethernet interface with the lowest index (the Mac's en0), else a
// wireless one, else any other Ethernet-type interface with an address (a virtual machine's or container's).
// Routes and link state play no part.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vorl {

using EthernetAddress = std::array<std::uint8_t, 6>;

inline constexpr std::string_view kNoEthernetAddressText = "00:00:00:00:00:00";

// `interfaces` is the folder that lists the interfaces ("/sys/class/net"; tests point it at a tree of their own).
std::optional<EthernetAddress> primaryEthernetAddress(const std::filesystem::path& interfaces = "/sys/class/net");

// Six lower-case two-digit hexadecimal bytes joined by ":", first byte first.
std::string ethernetAddressText(const EthernetAddress& address);

}  // namespace vorl
