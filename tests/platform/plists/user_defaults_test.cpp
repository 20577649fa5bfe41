// The user-defaults store on disk: values persist through `synchronize`, the file is written whole and private,
// and a file that is not a property list is set aside, never replaced.
#include "platform/plists/user_defaults.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/platform/named_pipe.h"
#include "tests/support/binary_plist_builder.h"
#include "tests/support/isolated_environment.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

std::string contentsOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void writeFile(const fs::path& file, const std::string& bytes) { std::ofstream(file, std::ios::binary) << bytes; }

std::vector<fs::path> filesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder)) files.push_back(entry.path().filename());
  std::sort(files.begin(), files.end());
  return files;
}

TEST(UserDefaults, StandardFileLiesInTheConfigFolder) {
  EXPECT_EQ(UserDefaults::standardFilePath(),
            test::testRoot() / "home/.config/Vorl-Zeverezoz/com.vorl.Vorl-Zeverezoz.plist");
}

TEST(UserDefaults, ValuesComeBackFromTheFileAfterSynchronize) {
  const fs::path file = test::makeTempFolder("defaults") / "new-folder" / "defaults.plist";
  {
    UserDefaults defaults(file);
    defaults.setObject("printServerPref", PlistData{0x12, 0x00, 0xFF});
    defaults.setObject("DefaultRGBProfile", "/profiles/sRGB ƒ.icc");
    defaults.setObject("prefEnableRelaunch", true);
    defaults.setObject("count", 42);
    defaults.setObject("gamma", 1.8);
    defaults.setObject("dictionary", PlistDictionary{{"x", 1}});
    defaults.setObject("removed", 1);
    defaults.removeObject("removed");
    EXPECT_FALSE(fs::exists(file)) << "nothing is written before synchronize";
    ASSERT_EQ(defaults.synchronize(), noErr);
  }
  UserDefaults again(file);
  EXPECT_EQ(again.loadReport().state, DefaultsFileState::kRead);
  EXPECT_EQ(again.data("printServerPref"), (PlistData{0x12, 0x00, 0xFF}));
  EXPECT_EQ(again.string("DefaultRGBProfile"), "/profiles/sRGB ƒ.icc");
  EXPECT_TRUE(again.boolean("prefEnableRelaunch"));
  EXPECT_EQ(again.number("count"), 42.0);
  EXPECT_EQ(again.number("gamma"), 1.8);
  EXPECT_EQ(again.dictionary("dictionary"), (PlistDictionary{{"x", 1}}));
  EXPECT_FALSE(again.object("removed").has_value());
  EXPECT_EQ(again.keys(), (std::vector<std::string>{"DefaultRGBProfile", "count", "dictionary", "gamma",
                                                    "prefEnableRelaunch", "printServerPref"}));
  // Typed getters answer nothing for a value of another type, and a missing switch is off.
  EXPECT_FALSE(again.data("DefaultRGBProfile").has_value());
  EXPECT_FALSE(again.string("printServerPref").has_value());
  EXPECT_FALSE(again.boolean("absent"));
}

// Another program's binary defaults may hold texts with a NUL in them, which the XML form cannot carry. They are
// kept byte for byte (as data), nested ones too, and the rest of the save goes through.
TEST(UserDefaults, TextsHoldingANulAreKeptAsDataAndTheSaveGoesThrough) {
  using namespace std::string_view_literals;
  const fs::path file = test::makeTempFolder("nul-defaults") / "defaults.plist";
  test::BinaryPlistBuilder list;
  const auto asciiKey = list.ascii("ascii"), ascii = list.ascii("a\0b"sv);
  const auto utf16Key = list.utf16(u"utf16"), utf16 = list.utf16(u"x\u0000y\u00E9"sv);
  const auto nestedKey = list.ascii("nested"), inner = list.array({list.ascii("\0"sv), list.ascii("fine")});
  const auto plainKey = list.ascii("plain"), plain = list.ascii("kept as it is");
  const test::Bytes bytes =
      list.finish(list.dictionary({{asciiKey, ascii}, {utf16Key, utf16}, {nestedKey, inner}, {plainKey, plain}}));
  writeFile(file, std::string(bytes.begin(), bytes.end()));
  {
    UserDefaults defaults(file);
    ASSERT_EQ(defaults.loadReport().state, DefaultsFileState::kRead);
    defaults.setObject("added", 7);
    ASSERT_EQ(defaults.synchronize(), noErr);
  }
  UserDefaults again(file);
  ASSERT_EQ(again.loadReport().state, DefaultsFileState::kRead);
  EXPECT_EQ(again.data("ascii"), (PlistData{'a', 0, 'b'}));
  EXPECT_EQ(again.data("utf16"), (PlistData{'x', 0, 'y', 0xC3, 0xA9}));
  EXPECT_EQ(again.object("nested"), (PlistValue(PlistArray{PlistData{0}, "fine"})));
  EXPECT_EQ(again.string("plain"), "kept as it is");
  EXPECT_EQ(again.number("added"), 7.0);
}

TEST(UserDefaults, FileIsPrivateAndNoTemporaryFileIsLeft) {
  const fs::path folder = test::makeTempFolder("private");
  const fs::path file = folder / "defaults.plist";
  const mode_t oldMask = ::umask(0);  // a lax umask must not make the file readable by others
  UserDefaults defaults(file);
  defaults.setObject("AliasHandle 4506", PlistData{1});
  const OSErr result = defaults.synchronize();
  ::umask(oldMask);
  ASSERT_EQ(result, noErr);
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  EXPECT_EQ(filesIn(folder), std::vector<fs::path>{"defaults.plist"});
}

TEST(UserDefaults, SynchronizeWithoutChangesWritesNothing) {
  const fs::path file = test::makeTempFolder("unchanged") / "defaults.plist";
  {
    UserDefaults defaults(file);
    defaults.setObject("a", 1);
    ASSERT_EQ(defaults.synchronize(), noErr);
  }
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  UserDefaults defaults(file);
  EXPECT_EQ(defaults.number("a"), 1.0);
  defaults.removeObject("not there");
  EXPECT_EQ(defaults.synchronize(), noErr);
  struct stat after {};
  ASSERT_EQ(::stat(file.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino) << "an atomic write would have made a new inode";
}

TEST(UserDefaults, AFileThatDoesNotParseIsSetAsideNotReplaced) {
  const std::string good =
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><integer>1</integer>"
      "</dict></plist>";
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"cut short", good.substr(0, 40)},
      {"not a property list", "garbage\x01\x02"},
      {"an array, not a dictionary", "<plist version=\"1.0\"><array><integer>1</integer></array></plist>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = test::makeTempFolder("corrupt");
    const fs::path file = folder / "defaults.plist";
    writeFile(file, c.bytes);
    UserDefaults defaults(file);
    EXPECT_TRUE(defaults.keys().empty());
    const DefaultsLoadReport report = defaults.loadReport();
    ASSERT_EQ(report.state, DefaultsFileState::kSetAside);
    EXPECT_EQ(report.setAsidePath.parent_path(), folder);
    EXPECT_TRUE(report.setAsidePath.filename().string().starts_with("defaults.plist.corrupt-"));
    EXPECT_EQ(contentsOf(report.setAsidePath), c.bytes);
    defaults.setObject("b", 2);
    ASSERT_EQ(defaults.synchronize(), noErr);
    EXPECT_EQ(contentsOf(report.setAsidePath), c.bytes) << "the old file stays as it was";
    EXPECT_EQ(UserDefaults(file).number("b"), 2.0);
  }
}

TEST(UserDefaults, AFileThatCannotBeReadIsNeverWrittenOver) {
  const fs::path file = test::makeTempFolder("unreadable") / "defaults.plist";
  fs::create_directory(file);  // something is there that cannot be read as a file
  fs::create_directory(file / "kept");
  UserDefaults defaults(file);
  defaults.setObject("a", 1);
  EXPECT_NE(defaults.synchronize(), noErr);
  EXPECT_EQ(defaults.loadReport().state, DefaultsFileState::kUnreadable);
  EXPECT_TRUE(fs::is_directory(file / "kept"));
}

// The main thread and the job worker both use the store, from its first use (the load) on.
TEST(UserDefaults, TwoThreadsAtOnceLoseNothing) {
  const fs::path file = test::makeTempFolder("threads") / "defaults.plist";
  writeFile(file, "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>kept</key><true/></dict></plist>");
  UserDefaults defaults(file);
  constexpr int kKeysEach = 300;
  auto work = [&](const std::string& prefix) {
    for (int i = 0; i < kKeysEach; ++i) {
      defaults.setObject(prefix + std::to_string(i), i);
      EXPECT_TRUE(defaults.boolean("kept")) << "the loaded value went missing";
      if (i % 50 == 0) {
        EXPECT_EQ(defaults.synchronize(), noErr);
      }
    }
  };
  std::thread worker(work, "worker ");
  work("main ");
  worker.join();
  ASSERT_EQ(defaults.synchronize(), noErr);

  UserDefaults reread(file);
  EXPECT_EQ(reread.keys().size(), 2u * kKeysEach + 1);
  for (int i = 0; i < kKeysEach; ++i) {
    EXPECT_EQ(reread.number("worker " + std::to_string(i)), i);
    EXPECT_EQ(reread.number("main " + std::to_string(i)), i);
  }
}

TEST(UserDefaults, ANamedPipeInPlaceOfTheFileDoesNotHoldUpTheStart) {
  const fs::path folder = test::makeTempFolder("pipe");
  const test::NamedPipe pipe(folder / "defaults.plist");
  ASSERT_TRUE(pipe.made());
  UserDefaults defaults(pipe.path());
  DefaultsLoadReport report;
  EXPECT_TRUE(pipe.finishesPromptly([&] { report = defaults.loadReport(); }));
  EXPECT_EQ(report.state, DefaultsFileState::kUnreadable);
  defaults.setObject("a", 1);
  EXPECT_NE(defaults.synchronize(), noErr);
  EXPECT_EQ(fs::status(pipe.path()).type(), fs::file_type::fifo) << "nothing is written over it";
}

}  // namespace
}  // namespace vorl
