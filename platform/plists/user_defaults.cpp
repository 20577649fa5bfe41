#include "platform/plists/user_defaults.h"

#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <memory>

#include "platform/system/bundle_info.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "platform/files/xdg_folders.h"

namespace fs = std::filesystem;

namespace vorl {
namespace {

// The defaults hold folder references and settings of this user only.
constexpr mode_t kFileMode = 0600;
constexpr mode_t kFolderMode = 0700;

std::atomic<UserDefaults*> gInstalled{nullptr};

// The XML form cannot carry U+0000, yet the binary form another program may have written can. Such a string
// is written as data holding its bytes, so nothing of it is lost and one foreign value cannot make every later
// save fail. `where` names the value in the log line.
PlistValue writableForm(const PlistValue& value, const std::string& where) {
  if (const auto* text = value.get<std::string>(); text != nullptr && text->find('\0') != std::string::npos) {
    systemLogf("UserDefaults: the text of [%s] holds a NUL character; it is kept as data", where.c_str());
    return PlistData(text->begin(), text->end());
  }
  if (const auto* array = value.get<PlistArray>()) {
    PlistArray copy;
    copy.reserve(array->size());
    for (std::size_t i = 0; i < array->size(); ++i)
      copy.push_back(writableForm((*array)[i], where + "[" + std::to_string(i) + "]"));
    return copy;
  }
  if (const auto* dictionary = value.get<PlistDictionary>()) {
    PlistDictionary copy;
    for (const auto& [key, item] : *dictionary) copy.emplace(key, writableForm(item, where + "/" + key));
    return copy;
  }
  return value;
}

}  // namespace

UserDefaults::UserDefaults(fs::path file) : file_(std::move(file)) {}

fs::path UserDefaults::standardFilePath() {
  return xdgConfigHome() / kBundleExecutable / (std::string(kBundleIdentifier) + ".plist");
}

void UserDefaults::loadIfNeeded() {
  if (loaded_) return;
  loaded_ = true;
  std::vector<std::uint8_t> bytes;
  const OSErr readError = readFileBytes(file_, bytes);
  if (readError == fnfErr) {
    report_.state = DefaultsFileState::kAbsent;
    return;
  }
  if (readError != noErr) {
    report_ = {DefaultsFileState::kUnreadable, readError, {}};
    systemLogf("UserDefaults: cannot read [%s], error %d; nothing will be written over it", file_.c_str(), readError);
    return;
  }
  if (auto parsed = parsePropertyList(bytes); parsed && parsed->holds<PlistDictionary>()) {
    values_ = std::move(*parsed->get<PlistDictionary>());
    report_.state = DefaultsFileState::kRead;
    return;
  }
  fs::path aside;
  if (const OSErr asideError = setFileAside(file_, "corrupt", aside); asideError != noErr) {
    report_ = {DefaultsFileState::kUnreadable, asideError, {}};
    systemLogf(
        "UserDefaults: [%s] is not a property list and cannot be set aside, error %d; nothing will be "
        "written over it",
        file_.c_str(), asideError);
    return;
  }
  report_ = {DefaultsFileState::kSetAside, noErr, aside};
  systemLogf("UserDefaults: [%s] is not a property list; it was kept as [%s] and the defaults start empty",
             file_.c_str(), aside.c_str());
}

std::optional<PlistValue> UserDefaults::object(std::string_view key) {
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  const auto found = values_.find(key);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

std::optional<PlistData> UserDefaults::data(std::string_view key) {
  auto value = object(key);
  if (!value || !value->holds<PlistData>()) return std::nullopt;
  return std::move(*value->get<PlistData>());
}

std::optional<std::string> UserDefaults::string(std::string_view key) {
  auto value = object(key);
  if (!value || !value->holds<std::string>()) return std::nullopt;
  return std::move(*value->get<std::string>());
}

std::optional<double> UserDefaults::number(std::string_view key) {
  const auto value = object(key);
  if (!value) return std::nullopt;
  if (const auto* integer = value->get<std::int64_t>()) return static_cast<double>(*integer);
  if (const auto* real = value->get<double>()) return *real;
  return std::nullopt;
}

std::optional<PlistDictionary> UserDefaults::dictionary(std::string_view key) {
  auto value = object(key);
  if (!value || !value->holds<PlistDictionary>()) return std::nullopt;
  return std::move(*value->get<PlistDictionary>());
}

bool UserDefaults::boolean(std::string_view key) {
  const auto value = object(key);
  if (!value) return false;
  if (const bool* b = value->get<bool>()) return *b;
  if (const auto* integer = value->get<std::int64_t>()) return *integer != 0;
  if (const double* real = value->get<double>()) return *real != 0;
  return false;
}

std::vector<std::string> UserDefaults::keys() {
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  std::vector<std::string> result;
  result.reserve(values_.size());
  for (const auto& entry : values_) result.push_back(entry.first);
  return result;
}

void UserDefaults::setObject(std::string_view key, PlistValue value) {
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  values_.insert_or_assign(std::string(key), std::move(value));
  changed_ = true;
}

void UserDefaults::removeObject(std::string_view key) {
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  if (const auto found = values_.find(key); found != values_.end()) {
    values_.erase(found);
    changed_ = true;
  }
}

OSErr UserDefaults::synchronize() {
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  if (!changed_) return noErr;
  if (report_.state == DefaultsFileState::kUnreadable) return report_.error;
  PlistDictionary writable;
  for (const auto& [key, value] : values_) writable.emplace(key, writableForm(value, key));
  const auto xml = toXmlPropertyList(PlistValue(std::move(writable)));
  if (!xml) {
    systemLogf("UserDefaults: the defaults cannot be put in XML form; [%s] is not written", file_.c_str());
    return paramErr;
  }
  std::error_code folderError;
  if (fs::create_directories(file_.parent_path(), folderError)) ::chmod(file_.parent_path().c_str(), kFolderMode);
  if (folderError) return osErrFromErrno(folderError.value());
  if (const OSErr error = writeFileAtomically(file_, *xml, true, kFileMode); error != noErr) {
    systemLogf("UserDefaults: writing [%s] failed with error %d", file_.c_str(), error);
    return error;
  }
  changed_ = false;
  return noErr;
}

DefaultsLoadReport UserDefaults::loadReport() {
  std::lock_guard lock(mutex_);
  loadIfNeeded();
  return report_;
}

UserDefaults& standardUserDefaults() {
  if (UserDefaults* installed = gInstalled.load(std::memory_order_acquire)) return *installed;
  static UserDefaults standard(UserDefaults::standardFilePath());
  return standard;
}

void setStandardUserDefaults(UserDefaults* defaults) noexcept { gInstalled.store(defaults, std::memory_order_release); }

}  // namespace vorl
