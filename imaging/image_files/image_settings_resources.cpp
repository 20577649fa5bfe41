// Per-image settings resources in the image's sidecar.
#include "imaging/image_files/image_settings_resources.h"

#include <cstring>
#include <system_error>
#include <vector>

#include "foundation/records/byte_order.h"
#include "foundation/records/record_byte_order.h"
#include "imaging/color/color_adjust_record.h"
#include "platform/files/file_specs.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

// The ten floats: a shorter resource leaves some of them unset, so it is not used at all.
constexpr std::size_t kColorAdjustFloatBytes = 10 * sizeof(float);

bool pathOf(const FSSpec& spec, fs::path& path, const char* caller) {
  if (const OSErr error = FSpMakePath(spec, path); error != noErr) {
    systemLogf("%s: the file specification names no usable file, error = %d", caller, error);
    return false;
  }
  return true;
}

void putResource(AppleDouble& sidecar, OSType type, std::int16_t id, const void* bytes, std::size_t size,
                 const char* name) {
  Resource* resource = sidecar.find(type, id);
  if (!resource) {
    sidecar.resources.push_back(Resource{type, id, 0, std::nullopt, {}});
    resource = &sidecar.resources.back();
  }
  const auto* first = static_cast<const std::uint8_t*>(bytes);
  resource->data.assign(first, first + size);
  resource->name.emplace(name);
}

}  // namespace

OSErr readImageResources(const fs::path& image, AppleDouble& resources) {
  if (image.empty()) return fnfErr;
  std::error_code ec;
  const fs::file_status status = fs::status(image, ec);
  if (!fs::exists(status)) return fnfErr;
  if (!fs::is_regular_file(status)) return afpObjectTypeErr;
  return readAppleDouble(image, resources);
}

std::int16_t ReadStruct2(const AppleDouble& resourceFile, void* destination, std::int64_t capacity, OSType type,
                         std::int16_t id) noexcept {
  for (const Resource& resource : resourceFile.resources) {
    if (resource.type != type || resource.id != id) continue;
    const auto size = static_cast<std::int64_t>(resource.data.size());
    if (size == 0 || size > capacity || destination == nullptr) return -2;
    std::memcpy(destination, resource.data.data(), resource.data.size());
    return 0;
  }
  return -1;
}

bool colorAdjustFromResources(const AppleDouble& resources, myCocoaImageColorAdjustInfo* record, const char* what) {
  if (record == nullptr) return false;
  // The defaults go in first, in file order, so that whatever is not read comes out neutral after the swap.
  SetDefaultForMyCocoaImageColorAdjustFromPrefs(record);
  swapMyCocoaImageColorAdjustInfo(record);
  bool read = false;
  for (const Resource& resource : resources.resources) {
    if (resource.type != kPrefResourceType || resource.id != kColorAdjustResourceID) continue;
    if (resource.data.size() < kColorAdjustFloatBytes)
      systemLogf("loadColorAdjustFromFile: the colour adjustment of \"%s\" holds only %zu bytes; not used", what,
                 resource.data.size());
    else if (ReadStruct2(resources, record, sizeof *record, kPrefResourceType, kColorAdjustResourceID) == 0)
      read = true;
    else
      systemLogf("loadColorAdjustFromFile: the colour adjustment of \"%s\" holds %zu bytes, more than %zu; not used",
                 what, resource.data.size(), sizeof *record);
    break;
  }
  if (!read) {
    SetDefaultForMyCocoaImageColorAdjustFromPrefs(record);
    return false;
  }
  swapMyCocoaImageColorAdjustInfo(record);
  validateMyCocoaImageColorAdjustInfo(record);
  return true;
}

bool loadColorAdjustFromFile(const fs::path& image, myCocoaImageColorAdjustInfo* record) {
  if (record == nullptr) return false;
  AppleDouble sidecar;
  if (const OSErr error = readImageResources(image, sidecar); error != noErr) {
    systemLogf("loadColorAdjustFromFile: the settings of \"%s\" cannot be read, error = %d", image.c_str(), error);
    SetDefaultForMyCocoaImageColorAdjustFromPrefs(record);
    return false;
  }
  return colorAdjustFromResources(sidecar, record, image.c_str());
}

bool loadColorAdjustFromFile(const FSSpec& image, myCocoaImageColorAdjustInfo* record) {
  fs::path path;
  if (record == nullptr) return false;
  if (!pathOf(image, path, "loadColorAdjustFromFile")) {
    SetDefaultForMyCocoaImageColorAdjustFromPrefs(record);
    return false;
  }
  return loadColorAdjustFromFile(path, record);
}

void swapFromHost_ImageProperties(tImageProperties* record) noexcept {
  if (record == nullptr) return;
  swapFromHost_UInt16(record->point0.v, true);
  swapFromHost_UInt16(record->point0.h, true);
  swapFromHost_UInt16(record->value4, true);
  swapFromHost_Float32(record->float8, true);
  swapFromHost_UInt16(record->value12, true);
  swapFromHost_Float32(record->float16, true);
  swapFromHost_Float32(record->float20, true);
  swapFromHost_UInt16(record->value24, true);
  swapFromHost_ImageColorAdjustInfo(record->colorAdjust, true);
  swapFromHost_UInt16(record->point38.v, true);
  swapFromHost_UInt16(record->point38.h, true);
}

void savePropertiesToFile(const fs::path& image, const tImageProperties* record) {
  if (image.empty() || record == nullptr) return;
  AppleDouble sidecar;
  if (const OSErr error = readImageResources(image, sidecar); error != noErr) {
    systemLogf("savePropertiesToFile: the resources of \"%s\" cannot be opened, error = %d", image.c_str(), error);
    return;
  }
  tImageProperties stored = *record;  // the caller keeps its record in host order
  swapFromHost_ImageProperties(&stored);
  putResource(sidecar, kPrefResourceType, kImagePropertiesResourceID, &stored, sizeof stored,
              kImagePropertiesResourceName);
  if (const OSErr error = writeAppleDouble(image, sidecar); error != noErr)
    systemLogf("savePropertiesToFile: the resources of \"%s\" cannot be written, error = %d", image.c_str(), error);
}

void savePropertiesToFile(const FSSpec& image, const tImageProperties* record) {
  fs::path path;
  if (record != nullptr && pathOf(image, path, "savePropertiesToFile")) savePropertiesToFile(path, record);
}

void saveCKPropertiesToFile(const fs::path& image, const tCKImageProperties* record) {
  if (image.empty() || record == nullptr) return;
  // Making the fork: the sidecar comes into being with the first resource, so only a missing image fails here;
  // an existing sidecar is the fork that already exists.
  std::error_code ec;
  const fs::file_status status = fs::status(image, ec);
  const OSErr createError = !fs::exists(status)                      ? fnfErr
                            : !fs::is_regular_file(status)           ? afpObjectTypeErr
                            : fs::exists(appleDoublePath(image), ec) ? dupFNErr
                                                                     : noErr;
  if (createError != noErr && createError != dupFNErr)
    systemLogf("aFile->CreateRsrcFork error = %d while saving properties", createError);
  AppleDouble sidecar;
  if (const OSErr error = readImageResources(image, sidecar); error != noErr) {
    systemLogf("aFile->OpenRsrcFork error = %d while saving properties", error);
    return;
  }
  putResource(sidecar, kPrefResourceType, kCKImagePropertiesResourceID, record, sizeof *record,
              kCKImagePropertiesResourceName);
  if (const OSErr error = writeAppleDouble(image, sidecar); error != noErr)
    systemLogf("saveCKPropertiesToFile: the resources of \"%s\" cannot be written, error = %d", image.c_str(), error);
}

void saveCKPropertiesToFile(const FSSpec& image, const tCKImageProperties* record) {
  fs::path path;
  if (record != nullptr && pathOf(image, path, "saveCKPropertiesToFile")) saveCKPropertiesToFile(path, record);
}

}  // namespace vorl
