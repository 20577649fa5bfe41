// The user defaults: one XML property list of key -> value in $XDG_CONFIG_HOME/Vorl-Zeverezoz/, holding the
// preference records and folder references (as data), switches (booleans) and profile paths (strings).
//
// The file is read on first use. Changes stay in memory until `synchronize` writes the whole list atomically.
// A file that cannot be parsed (truncated, corrupt, not a dictionary) is renamed aside, logged and reported by
// `loadReport`, and the store starts empty; a file that cannot be read at all is left where it is and the
// store refuses to write over it. Either way what the operator had is never replaced by an empty list.
// The store is shared by the main thread and the job worker, so every call is guarded.
#pragma once

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/os_errors.h"
#include "platform/plists/property_list.h"

namespace vorl {

enum class DefaultsFileState {
  kNotRead,     // nothing asked yet
  kRead,        // the file was there and parsed
  kAbsent,      // no file yet: the store starts empty
  kSetAside,    // the file did not parse; it was renamed to `setAsidePath` and the store starts empty
  kUnreadable,  // the file could not be read or set aside: the store starts empty and will not write
};

struct DefaultsLoadReport {
  DefaultsFileState state = DefaultsFileState::kNotRead;
  OSErr error = noErr;                 // why the file could not be read or set aside
  std::filesystem::path setAsidePath;  // where a file that did not parse now lies
};

class UserDefaults {
 public:
  explicit UserDefaults(std::filesystem::path file);
  UserDefaults(const UserDefaults&) = delete;
  UserDefaults& operator=(const UserDefaults&) = delete;

  // "$XDG_CONFIG_HOME/Vorl-Zeverezoz/<bundle identifier>.plist".
  static std::filesystem::path standardFilePath();

  const std::filesystem::path& filePath() const noexcept { return file_; }

  std::optional<PlistValue> object(std::string_view key);
  std::optional<PlistData> data(std::string_view key);
  std::optional<std::string> string(std::string_view key);
  // An integer or a real, as a real.
  std::optional<double> number(std::string_view key);
  std::optional<PlistDictionary> dictionary(std::string_view key);
  // True for a true boolean or a non-zero number; false when absent or of another type.
  bool boolean(std::string_view key);
  std::vector<std::string> keys();

  void setObject(std::string_view key, PlistValue value);
  void removeObject(std::string_view key);

  // Writes the list when it changed since the last write. Answers the write's result; with a file that could
  // not be read (kUnreadable) it writes nothing and answers the read's error.
  OSErr synchronize();

  DefaultsLoadReport loadReport();

 private:
  void loadIfNeeded();  // with the mutex held

  std::mutex mutex_;
  std::filesystem::path file_;
  PlistDictionary values_;
  bool loaded_ = false;
  bool changed_ = false;
  DefaultsLoadReport report_;
};

// The process's store at the standard path, made on first use. A test may install another; null puts the
// standard one back.
UserDefaults& standardUserDefaults();
void setStandardUserDefaults(UserDefaults* defaults) noexcept;

}  // namespace vorl
