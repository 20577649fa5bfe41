// Desktop autostart entries: the Exec quoting that keeps any path intact, and the entry's file.
#include "platform/system/autostart.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

TEST(Autostart, ExecValueQuotesWhatNeedsIt) {
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    const char* exec;
  } cases[] = {
      {"plain", {"/usr/bin/vorl", "-fromlaunchagent"}, "/usr/bin/vorl -fromlaunchagent"},
      {"blank", {"/opt/Vorl Zeverezoz/vorl"}, "\"/opt/Vorl Zeverezoz/vorl\""},
      // Inside quotes '"', '`', '$' and '\' take a backslash; the file's own escaping then doubles backslashes.
      {"quote, dollar, backquote", {"/a\"b$c`d"}, "\"/a\\\\\"b\\\\$c\\\\`d\""},
      {"backslash", {"/a\\b"}, "\"/a\\\\\\\\b\""},
      {"percent is no field code", {"/50%/vorl"}, "/50%%/vorl"},
      {"newline", {"/a\nb"}, "\"/a\\nb\""},
      {"empty argument", {"/vorl", ""}, "/vorl \"\""},
      {"non-ASCII", {"/home/ƒ/vorl"}, "/home/ƒ/vorl"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(desktopExecValue(c.arguments), c.exec);
  }
}

TEST(Autostart, WritesAndRemovesTheEntry) {
  const AutostartEntry entry{"com.example.test.desktop", "Vorl-Zeverezoz", {"/usr/bin/vorl", "-fromlaunchagent"}};
  ASSERT_EQ(writeAutostartEntry(entry), noErr);
  const fs::path file = test::testRoot() / "home/.config/autostart/com.example.test.desktop";
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(),
            "[Desktop Entry]\nType=Application\nName=Vorl-Zeverezoz\nExec=/usr/bin/vorl -fromlaunchagent\n"
            "Terminal=false\nNoDisplay=true\nX-GNOME-Autostart-enabled=true\n");
  EXPECT_EQ(removeAutostartEntry(entry.fileName), noErr);
  EXPECT_FALSE(fs::exists(file));
  EXPECT_EQ(removeAutostartEntry(entry.fileName), fnfErr);
  EXPECT_EQ(writeAutostartEntry({"../escape.desktop", "x", {"/x"}}), bdNamErr);
}

}  // namespace
}  // namespace vorl
