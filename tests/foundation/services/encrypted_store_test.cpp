// The encrypted settings store: its file is cipher text only, `openssl` reads it with the file format's fixed
// parameters (written out here, not taken from the code, so a changed parameter fails), a file `openssl` made is
// read back, and a file that cannot be read is kept aside rather than replaced.
#include "foundation/services/encrypted_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/system/command_runner.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/message_recorder.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

std::string contentsOf(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

mode_t modeOf(const fs::path& file) {
  struct stat info {};
  EXPECT_EQ(::stat(file.c_str(), &info), 0);
  return info.st_mode & 07777;
}

// ".Print Count 2012-03-07" in a folder of its own.
fs::path storePath(const char* folder) { return test::makeTempFolder(folder) / ".Print Count 2012-03-07"; }

TEST(EncryptedStore, NewStoreIsEmptyAndItsFileIsPrivateCipherText) {
  const fs::path path = storePath("new");
  auto store = QAVLOR_SecureSettings::initWithPath(path);
  ASSERT_NE(store, nullptr);
  EXPECT_EQ(store->objectForKey("Vorl-Zeverezoz Count"), nullptr);
  EXPECT_FALSE(store->needsSaving());
  const std::string bytes = contentsOf(path);
  EXPECT_GT(bytes.size(), 0u);
  EXPECT_EQ(bytes.size() % 16, 0u);
  EXPECT_EQ(bytes.find("plist"), std::string::npos);
  EXPECT_EQ(modeOf(path), 0600u);
}

TEST(EncryptedStore, SavedValuesComeBackAndOnlyCipherTextIsOnDisk) {
  const fs::path path = storePath("saved");
  {
    auto store = QAVLOR_SecureSettings::initWithPath(path);
    ASSERT_NE(store, nullptr);
    store->setObjectForKey(PlistDictionary{{"prints", 12}, {"printer", "DNP DS40"}}, "Vorl-Zeverezoz Count");
    EXPECT_TRUE(store->needsSaving());
    EXPECT_TRUE(store->save());
    EXPECT_FALSE(store->needsSaving());
  }
  const std::string bytes = contentsOf(path);
  EXPECT_EQ(bytes.size() % 16, 0u);
  EXPECT_EQ(bytes.find("DNP"), std::string::npos);
  EXPECT_EQ(modeOf(path), 0600u);
  auto again = QAVLOR_SecureSettings::initWithPath(path);
  ASSERT_NE(again, nullptr);
  const PlistValue* count = again->objectForKey("Vorl-Zeverezoz Count");
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(*count, PlistValue(PlistDictionary{{"prints", 12}, {"printer", "DNP DS40"}}));
  EXPECT_TRUE(again->setAsidePath().empty());
}

// The format's fixed parameters. Any change makes every store already on a disk unreadable.
constexpr std::string_view kPassphrase = "7c3f9a12e48b5d06f1a2c9e3b7d40f58";
constexpr std::string_view kSaltHex = "56713723725a3270";  // "Vq7#rZ2p"
constexpr std::string_view kIvHex = "3a915c07e24fb8166da329f0845ec17b";
constexpr int kIterations = 1000;
// PBKDF2-HMAC-SHA1 of the passphrase over the salt, 1000 rounds, 16 bytes, as `openssl kdf` gives it.
constexpr std::string_view kKeyHex = "e6d8d8b5f93711b277499441ecb3138e";

// Made with the openssl command, not with the code under test:
//   printf '%s' '<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict><key>prints</key>
//     <integer>12</integer><key>printer</key><string>DNP DS40</string></dict></plist>' (one line) |
//   openssl enc -aes-128-cbc -K e6d8d8b5f93711b277499441ecb3138e -iv 3a915c07e24fb8166da329f0845ec17b
constexpr std::string_view kOpensslStoreHex =
    "6f418ba3984fa17a8d66b904f48a3cf64183fc9ba05d560f74d0d9ebd12b16636bc71adb4e8e3f2182973ec4eb8dc770"
    "7e7acf44662efe292f1fcc839f680909919280174c63919a4454529af89b30a6b77868f360c805a629e19fb404eec606"
    "27f7c2552fbebbde86beb768357bf2a89bb17e19ba3ad3b9fa1b0798f5055fda05e16a212a50c8fce12d54bb3fce734e"
    "41745b246864ae33eebd5faf3ec84739aea85af44ffd3ffb4a5ab47b539cb75c";

std::vector<std::uint8_t> bytesOfHex(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  return bytes;
}

TEST(EncryptedStore, AFileOpensslMadeIsRead) {
  const fs::path path = storePath("from-openssl");
  const std::vector<std::uint8_t> cipherText = bytesOfHex(kOpensslStoreHex);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(cipherText.data()), static_cast<std::streamsize>(cipherText.size()));
  auto store = QAVLOR_SecureSettings::initWithPath(path);
  ASSERT_NE(store, nullptr);
  EXPECT_TRUE(store->setAsidePath().empty());
  ASSERT_NE(store->objectForKey("prints"), nullptr);
  EXPECT_EQ(*store->objectForKey("prints"), PlistValue(12));
  EXPECT_EQ(*store->objectForKey("printer"), PlistValue("DNP DS40"));
}

TEST(EncryptedStore, OpensslDeciphersTheFileWithTheFormatsParameters) {
  const fs::path path = storePath("openssl");
  {
    auto store = QAVLOR_SecureSettings::initWithPath(path);
    ASSERT_NE(store, nullptr);
    store->setObjectForKey(PlistValue(std::int64_t{4711}), "total");
  }  // saved on release
  const CommandResult kdf = runCommand(
      {"openssl", "kdf", "-keylen", "16", "-kdfopt", "digest:SHA1", "-kdfopt", "pass:" + std::string(kPassphrase),
       "-kdfopt", "hexsalt:" + std::string(kSaltHex), "-kdfopt", "iter:" + std::to_string(kIterations), "PBKDF2"});
  if (!kdf.started) GTEST_SKIP() << "the openssl command is not installed";
  ASSERT_TRUE(kdf.succeeded()) << kdf.standardError;
  std::string key;
  for (const char c : kdf.standardOutput)
    if (std::isxdigit(static_cast<unsigned char>(c))) key.push_back(static_cast<char>(std::tolower(c)));
  EXPECT_EQ(key, kKeyHex);
  const CommandResult plain = runCommand({"openssl", "enc", "-d", "-aes-128-cbc", "-K", std::string(kKeyHex), "-iv",
                                          std::string(kIvHex), "-in", path.string()});
  ASSERT_TRUE(plain.succeeded()) << plain.standardError;
  const auto parsed = parsePropertyList(std::span<const std::uint8_t>(
      reinterpret_cast<const std::uint8_t*>(plain.standardOutput.data()), plain.standardOutput.size()));
  ASSERT_TRUE(parsed.has_value()) << plain.standardOutput;
  EXPECT_EQ(*parsed, PlistValue(PlistDictionary{{"total", 4711}}));
}

TEST(EncryptedStore, SaveWithoutChangesWritesNothing) {
  const fs::path path = storePath("unchanged");
  auto store = QAVLOR_SecureSettings::initWithPath(path);
  ASSERT_NE(store, nullptr);
  struct stat before {};
  ASSERT_EQ(::stat(path.c_str(), &before), 0);
  EXPECT_FALSE(store->save());
  struct stat after {};
  ASSERT_EQ(::stat(path.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST(EncryptedStore, AChangeInsideAReturnedDictionaryIsSavedWhenMarked) {
  const fs::path path = storePath("in-place");
  {
    auto store = QAVLOR_SecureSettings::initWithPath(path);
    ASSERT_NE(store, nullptr);
    store->setObjectForKey(PlistDictionary{{"prints", 1}}, "day");
    ASSERT_TRUE(store->save());
    PlistDictionary* day = store->objectForKey("day")->get<PlistDictionary>();
    ASSERT_NE(day, nullptr);
    (*day)["prints"] = 2;
    store->setNeedsSaving(true);
  }
  auto again = QAVLOR_SecureSettings::initWithPath(path);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(*again->objectForKey("day"), PlistValue(PlistDictionary{{"prints", 2}}));
}

TEST(EncryptedStore, AnUnreadableFileIsKeptAsideAndReported) {
  std::string valid;
  {
    const fs::path path = storePath("valid");
    auto store = QAVLOR_SecureSettings::initWithPath(path);
    store->setObjectForKey(PlistValue(1), "a");
    ASSERT_TRUE(store->save());
    valid = contentsOf(path);
  }
  std::string flipped = valid;
  flipped[flipped.size() - 1] ^= 0x55;
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"cut to 10 bytes", valid.substr(0, 10)},
      {"last block damaged", flipped},
      {"plain text", "<plist version=\"1.0\"><dict/></plist>"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::MessageRecorder messages;
    const fs::path path = storePath("unreadable");
    std::ofstream(path, std::ios::binary) << c.bytes;
    auto store = QAVLOR_SecureSettings::initWithPath(path);
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->objectForKey("a"), nullptr);
    ASSERT_FALSE(store->setAsidePath().empty());
    EXPECT_EQ(contentsOf(store->setAsidePath()), c.bytes) << "the old bytes are kept";
    EXPECT_TRUE(store->setAsidePath().filename().string().starts_with(".Print Count 2012-03-07.unreadable-"));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].find("could not be read"), std::string::npos);
    EXPECT_EQ(contentsOf(path).size() % 16, 0u) << "a new, enciphered store took its place";
  }
}

TEST(EncryptedStore, AnEmptyFileStartsAnEmptyStoreWithoutFuss) {
  test::MessageRecorder messages;
  const fs::path path = storePath("empty");
  std::ofstream(path) << "";
  auto store = QAVLOR_SecureSettings::initWithPath(path);
  ASSERT_NE(store, nullptr);
  EXPECT_TRUE(store->setAsidePath().empty());
  EXPECT_TRUE(messages.messages().empty());
}

TEST(EncryptedStore, APathInAMissingFolderGivesNoStore) {
  EXPECT_EQ(QAVLOR_SecureSettings::initWithPath(test::testRoot() / "no-folder" / ".Print Count"), nullptr);
}

TEST(EncryptedStore, CipherPassRefusesEmptyData) {
  EXPECT_FALSE(QAVLOR_SecureSettings::securityProcessedDataForData({}, 0).has_value());
  EXPECT_FALSE(QAVLOR_SecureSettings::encryptedDataForPropertyListObject(nullptr).has_value());
}

}  // namespace
}  // namespace vorl
