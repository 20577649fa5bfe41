// The encrypted settings store: key -> property-list value, kept enciphered in its own file so that nobody edits
// the figures by hand. The daily print-count statistics keep one such file per day.
//
// The file holds only cipher text: the dictionary as an XML property list, AES-128-CBC with PKCS #7 padding.
// The key comes from PBKDF2-HMAC-SHA1 over a fixed 32-character passphrase and 8-byte salt, 1000 rounds; the
// IV is fixed too. None of these may ever change, or older files stop reading.
//
// A file that cannot be read back (damaged, cut short, another key) is renamed aside, logged and reported to the
// operator, and the store starts empty; the day's figures are thus never silently replaced. Every file the store
// writes has mode 0600.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/plists/property_list.h"

namespace vorl {

class QAVLOR_SecureSettings {
 public:
  // Reads and deciphers the file, or starts an empty store there (writing its enciphered empty dictionary, so a
  // path that cannot be written is found out at once). Null when the store cannot be had: the folder is missing
  // or not writable, or an unreadable file could not be set aside.
  static std::unique_ptr<QAVLOR_SecureSettings> initWithPath(const std::filesystem::path& path);

  // Saves first when there are unsaved changes.
  ~QAVLOR_SecureSettings();
  QAVLOR_SecureSettings(const QAVLOR_SecureSettings&) = delete;
  QAVLOR_SecureSettings& operator=(const QAVLOR_SecureSettings&) = delete;

  // The stored value, null when absent. A dictionary or array it answers may be changed in place; such a
  // change is part of the store but marks nothing: call `setNeedsSaving(true)` or `setObjectForKey`.
  PlistValue* objectForKey(std::string_view key);
  // Sets the value and marks the store as needing a save; nothing is written yet.
  void setObjectForKey(PlistValue value, std::string_view key);
  // Enciphers and writes the dictionary atomically when it needs saving; true when the file was written.
  bool save();

  bool needsSaving() const noexcept { return needsSaving_; }
  void setNeedsSaving(bool needsSaving) noexcept { needsSaving_ = needsSaving; }
  const std::filesystem::path& privateFilePath() const noexcept { return filePath_; }
  // Where a file that could not be read was moved; empty when none was.
  const std::filesystem::path& setAsidePath() const noexcept { return setAsidePath_; }
  // The enciphered file content `save` would write, for a caller that writes it together with other files (it
  // then calls `setNeedsSaving(false)`); nothing when it cannot be made.
  std::optional<std::vector<std::uint8_t>> encryptedContents() const;
  // The permission bits of every file the store writes.
  static constexpr mode_t kFileMode = 0600;

  // XML property list, enciphered; nothing without a value.
  static std::optional<std::vector<std::uint8_t>> encryptedDataForPropertyListObject(const PlistValue* object);
  // Deciphered and parsed; nothing when the data is not a store's cipher text.
  static std::optional<PlistValue> decryptedPropertyListObjectForData(std::span<const std::uint8_t> data);
  // One cipher pass with a freshly derived key: direction 0 enciphers, 1 deciphers. Nothing for empty data or
  // when the pass fails.
  static std::optional<std::vector<std::uint8_t>> securityProcessedDataForData(std::span<const std::uint8_t> data,
                                                                               int direction);

 private:
  explicit QAVLOR_SecureSettings(std::filesystem::path path) : filePath_(std::move(path)) {}

  PlistDictionary dataStore_;
  bool needsSaving_ = false;
  std::filesystem::path filePath_;
  std::filesystem::path setAsidePath_;
};

}  // namespace vorl
