#include "jobs/counts/daily_print_counts.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <system_error>

#include "jobs/reading/job_globals.h"
#include "jobs/counts/print_count_file.h"
#include "jobs/counts/print_count_record.h"
#include "jobs/reading/printer_type_names.h"
#include "jobs/counts/replacement_batch.h"
#include "platform/core/clock.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

// Diagnostic lines of the daily store; `printCountInfoObject::setVerbose` switches them.
std::atomic<bool> gDoVerbose{true};

// A macro, so that the compiler still checks each line's format against its arguments.
#define VERBOSE_LOG(...)                              \
  do {                                                \
    if (gDoVerbose.load()) systemLogf(__VA_ARGS__);   \
  } while (false)

void logInside(const char* selector) { VERBOSE_LOG("Inside printCountInfoObject => %s...", selector); }

constexpr const char* kTotalsKey = "tPrintTotals";
constexpr const char* kCanvasesKey = "tPrinterCanvases";

// The ten counters every new dictionary starts with.
constexpr const char* kCounterKeys[] = {"tChooserCount",      "tCDCount",           "tPrintToFileCount",
                                        "tRegularCount",      "tPrintToFile2Count", "tSaveAsCompositionCount",
                                        "tCDWriteCount",      "tImageGrabCount",    "tFloppyCount",
                                        "tOriginalFileSaveCount"};

// The key a count kind adds to; null for the kinds that add to none.
const char* keyForKind(std::int32_t which) {
  switch (which) {
    case 1: return "tChooserCount";
    case 2: return "tCDCount";
    case 3: return "tPrintToFileCount";
    case 4: return "tRegularCount";
    case 5: return "tPrintToFile2Count";
    case 6: return "tSaveAsCompositionCount";
    case 7: return "tCDWriteCount";
    case 8: return "tImageGrabCount";
    case 11: return "tFloppyCount";
    case 12: return "tOriginalFileSaveCount";
    default: return nullptr;  // 9 (packages) and 10 are kept in the count files only
  }
}

std::string isoDate(int year, int month, int day) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
  return text;
}

std::string isoDateOfMoment(std::chrono::system_clock::time_point moment) {
  const DateTimeRec local = localDateTime(moment);
  return isoDate(local.year, local.month, local.day);
}

std::string todayIsoDate() { return isoDateOfMoment(currentClock().now()); }

// A name that stays inside the folder it is joined to.
bool isPlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

// Seconds since 1904-01-01 are a local wall-clock time, so the date is read off them directly.
std::string isoDateOfLongDateTime(std::int64_t dateTime) {
  using namespace std::chrono;
  const sys_days day = floor<days>(sys_days(year(1904) / January / 1) + seconds(dateTime));
  const year_month_day date(day);
  return isoDate(int(date.year()), int(unsigned(date.month())), int(unsigned(date.day())));
}

// The job's template name as a key of the store. The store's XML form cannot carry U+0000, so a NUL a producer
// left in the name becomes U+FFFD: the output is still counted, under a name the count window can show.
std::string templateKey(const Str31& templateName) {
  const std::string name = templateName.toUtf8();
  std::string key;
  key.reserve(name.size());
  for (const char c : name) {
    if (c == '\0') {
      key += "\xEF\xBF\xBD";
    } else {
      key += c;
    }
  }
  return key;
}

std::int64_t numberIn(const PlistDictionary& dictionary, std::string_view key) {
  const auto found = dictionary.find(key);
  if (found == dictionary.end()) return 0;
  if (const auto* number = found->second.get<std::int64_t>()) return *number;
  if (const auto* real = found->second.get<double>()) return static_cast<std::int64_t>(*real);
  return 0;
}

}  // namespace

fs::path dailyPrintCountPath(const fs::path& folder, const std::string& isoDate, bool isVorlX) {
  return folder / (std::string(".Print Count ") + (isVorlX ? "Vorl-X " : "Vorl-Zeverezoz ") + isoDate);
}

fs::path modelessDailyPrintCountPath(const fs::path& folder, const std::string& isoDate) {
  return folder / (".Print Count " + isoDate);
}

void printCountInfoObject::setVerbose(bool verbose) {
  logInside("setVerbose:");
  gDoVerbose.store(verbose);
}

bool printCountInfoObject::isVerbose() { return gDoVerbose.load(); }

std::unique_ptr<printCountInfoObject> printCountInfoObject::openForCounting(const fs::path& path,
                                                                            const char* selector) {
  VERBOSE_LOG("savedPath here %s", path.parent_path().c_str());
  VERBOSE_LOG("savedPath %s", path.c_str());
  auto settings = QAVLOR_SecureSettings::initWithPath(path);
  VERBOSE_LOG("Inside printCountInfoObject => %s...settings=%s", selector, settings ? path.c_str() : "(null)");
  if (!settings) {
    systemLogf("printCountInfoObject: settings == nil for [%s]", path.c_str());
    return nullptr;
  }
  std::unique_ptr<printCountInfoObject> object(new printCountInfoObject(std::move(settings)));
  object->setupNewDictionary();
  return object;
}

// Without the root folder nothing is kept: the bare file name would be a file at the top of the file system.
std::unique_ptr<printCountInfoObject> printCountInfoObject::initWithWhich(bool which) {
  logInside("initWithWhich:");
  const std::optional<fs::path> folder = printCountFolder();
  if (!folder) {
    systemLogf("printCountInfoObject: the print-server root folder cannot be found; the daily counts are not kept");
    return nullptr;
  }
  return openForCounting(dailyPrintCountPath(*folder, todayIsoDate(), which), "initWithWhich:");
}

std::unique_ptr<printCountInfoObject> printCountInfoObject::init() {
  logInside("init");
  const std::optional<fs::path> folder = printCountFolder();
  if (!folder) {
    systemLogf("printCountInfoObject: the print-server root folder cannot be found; the daily counts are not kept");
    return nullptr;
  }
  return openForCounting(modelessDailyPrintCountPath(*folder, todayIsoDate()), "init");
}

std::unique_ptr<printCountInfoObject> printCountInfoObject::initWithDate(std::chrono::system_clock::time_point date,
                                                                         bool isVorlX) {
  logInside("initWithDate:isVorlX:");
  const std::optional<fs::path> folder = printCountFolder();
  std::unique_ptr<QAVLOR_SecureSettings> settings;
  if (folder) settings = QAVLOR_SecureSettings::initWithPath(dailyPrintCountPath(*folder, isoDateOfMoment(date), isVorlX));
  if (!settings) {
    VERBOSE_LOG("settings == nil");
    return std::unique_ptr<printCountInfoObject>(new printCountInfoObject(nullptr));
  }
  std::unique_ptr<printCountInfoObject> object(new printCountInfoObject(std::move(settings)));
  if (!object->settings_->objectForKey(kTotalsKey)) {
    VERBOSE_LOG("printCountInfo == nil");
    return nullptr;
  }
  VERBOSE_LOG("subInfo found %s...", kTotalsKey);
  return object;
}

std::unique_ptr<printCountInfoObject> printCountInfoObject::initWithFileName(const std::string& fileName) {
  logInside("initWithFileName:");
  if (!isPlainFileName(fileName)) {
    systemLogf("printCountInfoObject: [%s] is not a file name in the print-server root folder", fileName.c_str());
    return nullptr;
  }
  const std::optional<fs::path> folder = printCountFolder();
  if (!folder) return nullptr;
  const fs::path path = *folder / fileName;
  VERBOSE_LOG("savedPath %s", path.c_str());
  auto settings = QAVLOR_SecureSettings::initWithPath(path);
  if (!settings) {
    VERBOSE_LOG("settings == nil");
    return nullptr;
  }
  return std::unique_ptr<printCountInfoObject>(new printCountInfoObject(std::move(settings)));
}

std::unique_ptr<printCountInfoObject> printCountInfoObject::initWithLongDateTime(std::int64_t dateTime,
                                                                                 bool isVorlX) {
  const std::optional<fs::path> folder = printCountFolder();
  if (!folder) return nullptr;
  auto settings = QAVLOR_SecureSettings::initWithPath(dailyPrintCountPath(*folder, isoDateOfLongDateTime(dateTime),
                                                                          isVorlX));
  if (!settings) {
    VERBOSE_LOG("settings == nil");
    return nullptr;
  }
  std::unique_ptr<printCountInfoObject> object(new printCountInfoObject(std::move(settings)));
  if (!object->settings_->objectForKey(kTotalsKey)) {
    VERBOSE_LOG("printCountInfo == nil");
    return nullptr;
  }
  return object;
}

bool printCountInfoObject::doesFileExistsAtPath(std::int64_t dateTime, bool isVorlX) {
  const std::optional<fs::path> folder = printCountFolder();
  if (!folder) return false;
  std::error_code error;
  return fs::exists(dailyPrintCountPath(*folder, isoDateOfLongDateTime(dateTime), isVorlX), error);
}

// The store saves what was added as it goes.
printCountInfoObject::~printCountInfoObject() {
  if (!gDoVerbose.load()) return;
  const PlistDictionary* info = getPrintCountDictionary();
  const std::optional<std::string> text = info ? toXmlPropertyList(PlistValue(*info)) : std::nullopt;
  systemLogf("Dictionary = %s", text ? text->c_str() : "(null)");
}

bool printCountInfoObject::save() { return settings_ && settings_->save(); }

bool printCountInfoObject::saveInto(ReplacementBatch& batch) {
  if (!settings_) return false;
  if (!settings_->needsSaving()) return true;
  const auto bytes = settings_->encryptedContents();
  settings_->setNeedsSaving(false);
  if (!bytes) return false;
  const OSErr error = batch.add(settings_->privateFilePath(), *bytes, QAVLOR_SecureSettings::kFileMode);
  if (error != noErr) systemLogf("printCountInfoObject: [%s] cannot be written, error %d",
                                 settings_->privateFilePath().c_str(), error);
  return error == noErr;
}

PlistDictionary* printCountInfoObject::printCountInfo() {
  if (!settings_) return nullptr;
  PlistValue* totals = settings_->objectForKey(kTotalsKey);
  PlistDictionary* subInfo = totals ? totals->get<PlistDictionary>() : nullptr;
  if (!subInfo) return nullptr;
  const auto found = subInfo->find(kPrintCountApplicationName);
  return found == subInfo->end() ? nullptr : found->second.get<PlistDictionary>();
}

const PlistDictionary* printCountInfoObject::getPrintCountDictionary() const {
  return const_cast<printCountInfoObject*>(this)->printCountInfo();
}

std::int64_t printCountInfoObject::count(const char* key) const {
  const PlistDictionary* info = getPrintCountDictionary();
  return info ? numberIn(*info, key) : 0;
}

// The dictionaries are changed in place inside the store; this marks the store for saving.
void printCountInfoObject::storeBack() { settings_->setNeedsSaving(true); }

void printCountInfoObject::setupNewDictionary() {
  PlistDictionary* info = printCountInfo();
  if (!info) {
    createNewDictionary();
    return;
  }
  VERBOSE_LOG("subInfo found %s...", kTotalsKey);
  if (info->find("tNumberOfUSBsBurned") == info->end()) {
    systemLogf("create new key for tNumberOfUSBsBurned");
    info->insert_or_assign("tNumberOfUSBsBurned", PlistValue(std::int64_t{0}));
    storeBack();
  }
}

PlistDictionary printCountInfoObject::createCanvasDictionary() { return {}; }

void printCountInfoObject::createNewDictionary() {
  logInside("createNewDictionary");
  PlistDictionary info;
  for (const char* key : kCounterKeys) info.insert_or_assign(key, PlistValue(std::int64_t{0}));
  info.insert_or_assign(kCanvasesKey, PlistValue(createCanvasDictionary()));
  info.insert_or_assign("tPackagesPrinted", PlistValue(PlistDictionary{}));
  PlistValue* totals = settings_->objectForKey(kTotalsKey);
  if (!totals || !totals->holds<PlistDictionary>()) {
    settings_->setObjectForKey(PlistValue(PlistDictionary{}), kTotalsKey);
    totals = settings_->objectForKey(kTotalsKey);
  }
  totals->get<PlistDictionary>()->insert_or_assign(kPrintCountApplicationName, PlistValue(std::move(info)));
  storeBack();
}

void printCountInfoObject::addToCounts(std::int32_t quantity, std::int32_t which, std::int32_t printer,
                                       std::int32_t canvas) {
  PlistDictionary* info = printCountInfo();
  if (!info) return;
  if (const char* key = keyForKind(which))
    info->insert_or_assign(key, PlistValue(numberIn(*info, key) + std::int64_t{quantity}));
  if (printer >= 1 && canvas >= 1) addToCanvasCount(printer, canvas);
  storeBack();
}

void printCountInfoObject::addToCanvasCount(std::int32_t printer, std::int32_t /*canvas*/) {
  PlistDictionary* info = printCountInfo();
  if (!info) return;
  const auto canvases = info->find(kCanvasesKey);
  if (canvases == info->end() || !canvases->second.holds<PlistDictionary>()) return;
  PlistDictionary& byPrinter = *canvases->second.get<PlistDictionary>();
  const std::string printerName = getStringFromPrinterType(static_cast<std::int16_t>(printer)).toUtf8();
  PlistValue& printerEntry = byPrinter.try_emplace(printerName, PlistDictionary{}).first->second;
  if (!printerEntry.holds<PlistDictionary>()) printerEntry = PlistDictionary{};
  PlistDictionary& byTemplate = *printerEntry.get<PlistDictionary>();
  PlistValue& templateEntry =
      byTemplate.try_emplace(templateKey(gCurrentTemplateName), PlistDictionary{{"quantity", PlistValue(0)}})
          .first->second;
  if (!templateEntry.holds<PlistDictionary>()) templateEntry = PlistDictionary{{"quantity", PlistValue(0)}};
  PlistDictionary& canvasInfo = *templateEntry.get<PlistDictionary>();
  // One per output, whatever its quantity.
  canvasInfo.insert_or_assign("quantity", PlistValue(numberIn(canvasInfo, "quantity") + 1));
  VERBOSE_LOG("canvasInfo=quantity %lld", static_cast<long long>(numberIn(canvasInfo, "quantity")));
  storeBack();
}

void printCountInfoObject::setUSBFlashCount(std::int32_t count) {
  PlistDictionary* info = printCountInfo();
  if (!info) return;
  VERBOSE_LOG("USB flashCount = %d", count);
  info->insert_or_assign("tNumberOfUSBsBurned", PlistValue(numberIn(*info, "tNumberOfUSBsBurned") + count));
  storeBack();
}

void printCountInfoObject::addTotals(const tPrintQuantityInfo& totals) {
  PlistDictionary* info = printCountInfo();
  if (!info) return;
  const std::pair<std::int32_t, std::int32_t> byKind[] = {
      {1, totals.chooserCount},       {2, totals.cdCount},           {3, totals.printToFileCount},
      {4, totals.regularCount},       {5, totals.printToFile2Count}, {6, totals.saveAsCompositionCount},
      {7, totals.cdWriteCount}};
  for (const auto& [kind, amount] : byKind) {
    const char* key = keyForKind(kind);
    info->insert_or_assign(key, PlistValue(numberIn(*info, key) + amount));
  }
  storeBack();
}

void printCountInfoObject::addConfirmationIDKey(PlistValue confirmationID) {
  PlistDictionary* info = printCountInfo();
  if (!info) return;
  info->insert_or_assign("tConfirmationID", std::move(confirmationID));
  storeBack();
}

void printCountInfoObject::addToCanvasCountOld(std::int32_t printer, std::int32_t index) {
  PlistDictionary* info = printCountInfo();
  if (!info) return;
  const auto canvases = info->find(kCanvasesKey);
  if (canvases == info->end() || !canvases->second.holds<PlistDictionary>()) return;
  char printerKey[24];
  std::snprintf(printerKey, sizeof printerKey, "printer%02i", printer);
  PlistDictionary& byPrinter = *canvases->second.get<PlistDictionary>();
  const auto printerEntry = byPrinter.find(printerKey);
  if (printerEntry == byPrinter.end() || !printerEntry->second.holds<PlistDictionary>()) return;
  PlistDictionary& printerInfo = *printerEntry->second.get<PlistDictionary>();
  const auto list = printerInfo.find("canvasList");
  if (list == printerInfo.end() || !list->second.holds<PlistArray>()) return;
  PlistArray& counts = *list->second.get<PlistArray>();
  if (index < 0 || static_cast<std::size_t>(index) >= counts.size()) return;
  PlistValue& element = counts[static_cast<std::size_t>(index)];
  if (const auto* number = element.get<std::int64_t>()) {
    element = PlistValue(*number + 1);
  } else if (const auto* real = element.get<double>()) {
    element = PlistValue(static_cast<std::int64_t>(*real) + 1);
  } else {
    return;
  }
  storeBack();
}

void saveToDictionaryFile(std::int16_t quantity, std::int16_t which, std::int16_t printer, std::int16_t canvas,
                          bool isProcessor) {
  const std::unique_ptr<printCountInfoObject> info = printCountInfoObject::initWithWhich(!isProcessor);
  if (!info) return;
  info->addToCounts(quantity, which, printer, canvas);
  if (!info->save() && info->getPrintCountDictionary())
    systemLogf("saveToDictionaryFile: today's daily counts could not be saved; this output is missing there");
}

bool saveToDictionaryFile(std::int16_t quantity, std::int16_t which, std::int16_t printer, std::int16_t canvas,
                          bool isProcessor, ReplacementBatch& batch) {
  const std::unique_ptr<printCountInfoObject> info = printCountInfoObject::initWithWhich(!isProcessor);
  if (!info) return false;
  info->addToCounts(quantity, which, printer, canvas);
  if (!info->saveInto(batch) && info->getPrintCountDictionary()) {
    systemLogf("saveToDictionaryFile: today's daily counts could not be saved");
    return false;
  }
  return true;
}

}  // namespace vorl
