// Outside programs, permissions, the relaunch entry and the primary Ethernet address.
#include "foundation/services/os_services.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/plists/user_defaults.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

mode_t modeOf(const fs::path& item) {
  struct stat info {};
  EXPECT_EQ(::stat(item.c_str(), &info), 0);
  return info.st_mode & 07777;
}

TEST(OsServices, RunShellCommandAnswersOnlyWhatASuccessfulProgramPrinted) {
  EXPECT_EQ(runShellCommand({"printf", "%s", "a \"quoted\" $PATH"}), "a \"quoted\" $PATH");
  EXPECT_FALSE(runShellCommand({"true"}).has_value()) << "printed nothing";
  EXPECT_FALSE(runShellCommand({"false"}).has_value()) << "printed nothing and failed";
  EXPECT_FALSE(runShellCommand({"sh", "-c", "echo half done; exit 1"}).has_value()) << "failed after printing";
  EXPECT_FALSE(runShellCommand({"/no/such/program"}).has_value());
}

TEST(OsServices, SetPermissionAddsReadAndWriteForEveryone) {
  const fs::path folder = test::makeTempFolder("permission");
  const struct {
    const char* name;
    bool isFolder;
    mode_t before;
    mode_t requested;
    mode_t after;
  } cases[] = {
      {"file 0644", false, 0644, 0777, 0666},
      {"file 0600", false, 0600, 0666, 0666},
      {"file 0755", false, 0755, 0777, 0777},
      {"folder 0755", true, 0755, 0777, 0777},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path item = folder / c.name;
    if (c.isFolder) {
      fs::create_directory(item);
    } else {
      std::ofstream(item) << "";
    }
    ::chmod(item.c_str(), c.before);
    EXPECT_EQ(setPermission(item.c_str(), c.requested), 1);
    EXPECT_EQ(modeOf(item), c.after);
  }
  EXPECT_EQ(setPermission((folder / "missing").c_str(), 0777), 0);
}

TEST(OsServices, SetPermissionFolderSetsTheLowBitsAndKeepsTheSpecialOnes) {
  const fs::path parent = test::makeTempFolder("folder-permission");
  const struct {
    mode_t before;
    mode_t mode;
    mode_t after;
  } cases[] = {
      {0700, 0777, 0777},
      {01700, 0777, 01777},  // sticky bit stays
      {02755, 0750, 02750},  // set-group-id stays
      {0777, 0700, 0700},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::oct << c.before << " with " << c.mode);
    const fs::path folder = parent / std::to_string(c.before);
    fs::create_directory(folder);
    ::chmod(folder.c_str(), c.before);
    EXPECT_EQ(setPermissionFolder(folder.c_str(), c.mode), 1);
    EXPECT_EQ(modeOf(folder), c.after);
  }
  EXPECT_EQ(setPermissionFolder((parent / "missing").c_str(), 0777), 0);
}

class RelaunchTest : public ::testing::Test {
 protected:
  RelaunchTest() : defaults_(test::makeTempFolder("relaunch") / "defaults.plist") {
    setStandardUserDefaults(&defaults_);
  }
  ~RelaunchTest() override { setStandardUserDefaults(nullptr); }
  UserDefaults defaults_;
};

TEST_F(RelaunchTest, FollowsTheUserDefault) {
  EXPECT_FALSE(systemVersionIsGreaterOrEqualThen10()) << "off when absent";
  defaults_.setObject("prefEnableRelaunch", true);
  EXPECT_TRUE(systemVersionIsGreaterOrEqualThen10());
  defaults_.setObject("prefEnableRelaunch", false);
  EXPECT_FALSE(systemVersionIsGreaterOrEqualThen10());
}

TEST_F(RelaunchTest, EntryStartsThisProgramWithTheLaunchAgentArgument) {
  const fs::path entry = test::testRoot() / "home/.config/autostart/com.vorl.vorl-zeverezoz.agent.desktop";
  EXPECT_EQ(launchAgentFileName(), "com.vorl.vorl-zeverezoz.agent.desktop");
  loadLaunchAgentPlist();
  std::ifstream in(entry);
  std::stringstream text;
  text << in.rdbuf();
  const std::string program = fs::read_symlink("/proc/self/exe").string();
  EXPECT_NE(text.str().find("\nExec=" + program + " -fromlaunchagent\n"), std::string::npos) << text.str();
  loadLaunchAgentPlist();  // a second start replaces the entry
  EXPECT_TRUE(fs::exists(entry));
  unloadLaunchAgentPlist();
  EXPECT_FALSE(fs::exists(entry));
  unloadLaunchAgentPlist();  // nothing to remove: no harm
}

TEST_F(RelaunchTest, AnEntryThatCannotBeWrittenIsShownToTheOperator) {
  test::MessageRecorder messages;
  const fs::path autostart = test::testRoot() / "home/.config/autostart";
  fs::remove_all(autostart);
  std::ofstream(autostart) << "a file where the folder belongs";
  loadLaunchAgentPlist();
  fs::remove(autostart);
  ASSERT_EQ(messages.messages().size(), 1u);
  EXPECT_TRUE(messages.messages()[0].starts_with("Error!!")) << messages.messages()[0];
}

TEST(OsServices, MacAddressIsKeptOnceFoundAndLookedForAgainUntilThen) {
  const fs::path interfaces = test::makeTempFolder("net");
  QAVLOR_MUID::setInterfaceFolder(interfaces);
  EXPECT_EQ(QAVLOR_MUID::mainMACAddress(), "00:00:00:00:00:00");
  fs::create_directories(interfaces / "eth0/device");
  std::ofstream(interfaces / "eth0/type") << "1\n";
  std::ofstream(interfaces / "eth0/address") << "00:1B:63:a4:0f:2c\n";
  std::ofstream(interfaces / "eth0/ifindex") << "2\n";
  EXPECT_EQ(QAVLOR_MUID::mainMACAddress(), "00:1b:63:a4:0f:2c");
  fs::remove_all(interfaces / "eth0");
  EXPECT_EQ(QAVLOR_MUID::mainMACAddress(), "00:1b:63:a4:0f:2c") << "kept for the rest of the run";
  QAVLOR_MUID::setInterfaceFolder("/sys/class/net");
}

}  // namespace
}  // namespace vorl
