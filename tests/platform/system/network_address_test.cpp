// The primary Ethernet address, from interface trees made the way /sys/class/net lists them.
#include "platform/system/network_address.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

struct Interface {
  const char* name;
  int type;  // 1 Ethernet, 772 loopback
  const char* address;
  int index;
  bool physical;
  bool wireless;
};

fs::path makeInterfaces(const std::vector<Interface>& interfaces) {
  const fs::path root = test::makeTempFolder("net");
  for (const Interface& i : interfaces) {
    const fs::path folder = root / i.name;
    fs::create_directories(folder);
    std::ofstream(folder / "type") << i.type << "\n";
    std::ofstream(folder / "address") << i.address << "\n";
    std::ofstream(folder / "ifindex") << i.index << "\n";
    if (i.physical) {
      // As in sysfs: a link to the device's folder.
      fs::create_directories(root / ".devices" / i.name);
      fs::create_directory_symlink(root / ".devices" / i.name, folder / "device");
    }
    if (i.wireless) fs::create_directory(folder / "wireless");
  }
  return root;
}

TEST(NetworkAddress, PicksThePrimaryEthernetInterface) {
  const struct {
    const char* name;
    std::vector<Interface> interfaces;
    const char* expected;  // null: none
  } cases[] = {
      {"no interfaces", {}, nullptr},
      {"loopback only", {{"lo", 772, "00:00:00:00:00:00", 1, false, false}}, nullptr},
      {"physical before virtual",
       {{"docker0", 1, "02:42:ac:11:00:01", 2, false, false}, {"enp3s0", 1, "00:1b:63:a4:0f:2c", 5, true, false}},
       "00:1b:63:a4:0f:2c"},
      {"wired before wireless",
       {{"wlp2s0", 1, "a4:5e:60:00:00:01", 2, true, true}, {"enp3s0", 1, "00:1b:63:a4:0f:2c", 3, true, false}},
       "00:1b:63:a4:0f:2c"},
      {"lowest index among wired",
       {{"eth1", 1, "00:00:00:00:00:02", 4, true, false}, {"eth0", 1, "00:00:00:00:00:01", 3, true, false}},
       "00:00:00:00:00:01"},
      {"only virtual ones: lowest index",
       {{"veth9", 1, "6a:00:00:00:00:09", 9, false, false}, {"eth0", 1, "6a:00:00:00:00:04", 4, false, false}},
       "6a:00:00:00:00:04"},
      {"upper-case text comes out lower case", {{"eth0", 1, "00:1B:63:A4:0F:2C", 2, true, false}}, "00:1b:63:a4:0f:2c"},
      {"all-zero and malformed addresses are no addresses",
       {{"eth0", 1, "00:00:00:00:00:00", 2, true, false},
        {"eth1", 1, "00:1b:63", 3, true, false},
        {"eth2", 1, "zz:1b:63:a4:0f:2c", 4, true, false}},
       nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto address = primaryEthernetAddress(makeInterfaces(c.interfaces));
    if (!c.expected) {
      EXPECT_FALSE(address.has_value());
      continue;
    }
    ASSERT_TRUE(address.has_value());
    EXPECT_EQ(ethernetAddressText(*address), c.expected);
  }
}

TEST(NetworkAddress, AMissingFolderHasNoAddress) {
  EXPECT_FALSE(primaryEthernetAddress(test::testRoot() / "no-such-folder").has_value());
}

}  // namespace
}  // namespace vorl
