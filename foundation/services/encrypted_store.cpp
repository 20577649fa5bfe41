#include "foundation/services/encrypted_store.h"

#include <sys/mman.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <string>

#include "foundation/services/messages.h"
#include "platform/system/cipher.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

// Fixed for good: every store ever written is enciphered with these.
constexpr std::string_view kPassphrase = "7c3f9a12e48b5d06f1a2c9e3b7d40f58";
constexpr std::array<std::uint8_t, 8> kSalt{'V', 'q', '7', '#', 'r', 'Z', '2', 'p'};
constexpr AesBlock kIv{0x3a, 0x91, 0x5c, 0x07, 0xe2, 0x4f, 0xb8, 0x16, 0x6d, 0xa3, 0x29, 0xf0, 0x84, 0x5e, 0xc1, 0x7b};
constexpr int kIterations = 1000;

constexpr mode_t kStoreMode = QAVLOR_SecureSettings::kFileMode;
constexpr int kKeyDerivationFailed = 18;
constexpr int kCipherFailed = 1;

void showErr(int code) { systemLogf("STATE: +error ERROR: code %d. Reinstall the software.", code); }

OSErr writeStore(const fs::path& path, const PlistDictionary& dictionary) {
  const PlistValue root(dictionary);
  const auto bytes = QAVLOR_SecureSettings::encryptedDataForPropertyListObject(&root);
  if (!bytes) return paramErr;
  return writeFileAtomically(path, *bytes, true, kStoreMode);
}

// The key follows from the fixed passphrase, salt and rounds alone, so it is derived once (the derivation costs
// about a millisecond, more than the rest of a store's save) and kept for the life of the process, out of swap
// where the system allows.
struct StoreKey {
  AesKey128 key{};
  bool derived = false;
  StoreKey() {
    if (::mlock(key.data(), key.size()) != 0) systemLogf("DEBUG: failed to lock key (%s);", std::strerror(errno));
    if (const auto result = deriveKeyPbkdf2HmacSha1(kPassphrase, kSalt, kIterations)) {
      key = *result;
      derived = true;
    }
  }
};

const StoreKey& storeKey() {
  static const StoreKey key;
  return key;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> QAVLOR_SecureSettings::securityProcessedDataForData(
    std::span<const std::uint8_t> data, int direction) {
  if (data.empty()) return std::nullopt;
  const StoreKey& key = storeKey();
  if (!key.derived) {
    showErr(kKeyDerivationFailed);
    return std::nullopt;
  }
  std::optional<std::vector<std::uint8_t>> result =
      aes128CbcPkcs7(direction == 0 ? CipherDirection::kEncipher : CipherDirection::kDecipher, key.key, kIv, data);
  if (!result) showErr(kCipherFailed);
  return result;
}

std::optional<std::vector<std::uint8_t>> QAVLOR_SecureSettings::encryptedDataForPropertyListObject(
    const PlistValue* object) {
  if (!object) return std::nullopt;
  const auto xml = toXmlPropertyList(*object);
  if (!xml) return std::nullopt;
  return securityProcessedDataForData(
      std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(xml->data()), xml->size()), 0);
}

std::optional<PlistValue> QAVLOR_SecureSettings::decryptedPropertyListObjectForData(
    std::span<const std::uint8_t> data) {
  const auto plain = securityProcessedDataForData(data, 1);
  if (!plain) return std::nullopt;
  return parsePropertyList(*plain);
}

std::unique_ptr<QAVLOR_SecureSettings> QAVLOR_SecureSettings::initWithPath(const fs::path& path) {
  std::unique_ptr<QAVLOR_SecureSettings> store(new QAVLOR_SecureSettings(path));
  std::vector<std::uint8_t> bytes;
  const OSErr readError = readFileBytes(path, bytes);
  if (readError == noErr && !bytes.empty()) {
    if (auto root = decryptedPropertyListObjectForData(bytes); root && root->holds<PlistDictionary>()) {
      store->dataStore_ = std::move(*root->get<PlistDictionary>());
      return store;
    }
  }
  if (readError != fnfErr && !(readError == noErr && bytes.empty())) {
    // There is something there that cannot be read: keep it for whoever can make sense of it.
    if (const OSErr asideError = setFileAside(path, "unreadable", store->setAsidePath_); asideError != noErr) {
      systemLogf("QAVLOR_SecureSettings: [%s] cannot be read (error %d) nor set aside (error %d)", path.c_str(),
                 readError, asideError);
      return nullptr;
    }
    const std::string message = "The settings file \"" + path.filename().string() +
                                "\" could not be read. It was kept as \"" + store->setAsidePath_.filename().string() +
                                "\" and a new one was started.";
    DisplayNormalMessage(message.c_str());
  }
  if (const OSErr writeError = writeStore(path, store->dataStore_); writeError != noErr) {
    systemLogf("QAVLOR_SecureSettings: cannot start a store at [%s], error %d", path.c_str(), writeError);
    return nullptr;
  }
  return store;
}

QAVLOR_SecureSettings::~QAVLOR_SecureSettings() {
  if (needsSaving_) static_cast<void>(save());  // a failure is logged there
}

PlistValue* QAVLOR_SecureSettings::objectForKey(std::string_view key) {
  const auto found = dataStore_.find(key);
  return found == dataStore_.end() ? nullptr : &found->second;
}

void QAVLOR_SecureSettings::setObjectForKey(PlistValue value, std::string_view key) {
  dataStore_.insert_or_assign(std::string(key), std::move(value));
  needsSaving_ = true;
}

std::optional<std::vector<std::uint8_t>> QAVLOR_SecureSettings::encryptedContents() const {
  const PlistValue root(dataStore_);
  return encryptedDataForPropertyListObject(&root);
}

bool QAVLOR_SecureSettings::save() {
  if (!needsSaving_) return false;
  if (const OSErr error = writeStore(filePath_, dataStore_); error != noErr) {
    systemLogf("QAVLOR_SecureSettings-save => writing [%s] failed with error %d", filePath_.c_str(), error);
    return false;
  }
  needsSaving_ = false;
  return true;
}

}  // namespace vorl
