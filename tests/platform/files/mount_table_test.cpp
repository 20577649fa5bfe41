// Reading the mount table: the fields of mountinfo lines, and which mount an item lies on.
#include "platform/files/mount_table.h"

#include <gtest/gtest.h>
#include <sys/sysmacros.h>

namespace vorl {
namespace {

TEST(MountTable, ParsesMountInfoLines) {
  const char* text =
      "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
      "40 27 8:17 / /media/Studio\\040Disk rw,nosuid shared:5 master:1 - vfat /dev/sdb1 rw\n"
      "41 27 8:17 /jobs /srv/jobs rw - vfat /dev/sdb1 rw\n"
      "broken line\n"
      "42 27 0:50 / /no/separator rw ext4\n";
  const MountTable table = parseMountInfo(text);
  ASSERT_EQ(table.size(), 3u);
  EXPECT_EQ(table[0].device, makedev(254, 0));
  EXPECT_EQ(table[0].mountPoint, "/");
  EXPECT_EQ(table[0].fileSystemType, "ext4");
  EXPECT_EQ(table[1].mountPoint, "/media/Studio Disk") << "octal escapes are undone";
  EXPECT_EQ(table[1].fileSystemType, "vfat") << "optional fields before the separator are skipped";
  EXPECT_EQ(table[2].root, "/jobs");
  EXPECT_EQ(table[2].mountPoint, "/srv/jobs");
}

TEST(MountTable, AnItemLiesOnTheLongestMountPointOfItsDevice) {
  const MountTable table{{makedev(8, 1), "/", "/", "ext4", ""},
                         {makedev(8, 2), "/media", "/", "ext4", ""},
                         {makedev(8, 1), "/media/bind", "/srv", "ext4", ""}};
  const struct {
    const char* item;
    dev_t device;
    const char* mountPoint;  // null: none
  } cases[] = {
      {"/home/studio/jobs", makedev(8, 1), "/"},
      {"/media/disk/jobs", makedev(8, 2), "/media"},
      {"/media/bind/jobs", makedev(8, 1), "/media/bind"},
      {"/media/binder", makedev(8, 1), "/"},  // a prefix of the text is not a prefix of the path
      {"/anything", makedev(9, 9), nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.item);
    const MountEntry* mount = mountOf(table, c.item, c.device);
    if (!c.mountPoint) {
      EXPECT_EQ(mount, nullptr);
      continue;
    }
    ASSERT_NE(mount, nullptr);
    EXPECT_EQ(mount->mountPoint, c.mountPoint);
  }
}

}  // namespace
}  // namespace vorl
