// Settings that studio programs keep inside an image file, as 'Pref' resources of its resource fork (here the
// AppleDouble sidecar "._<name>", so they travel with the file):
//   5000 "Image Properties"     tImageProperties, big-endian, written here;
//   5002                        myCocoaImageColorAdjustInfo, big-endian, written by other programs, read here;
//   5003 "CK Image Properties"  tCKImageProperties as the caller hands it over, written here.
//
// Reading never changes the image or its sidecar. A damaged sidecar is refused whole and logged; writing to it is
// then refused too, so what another program stored there is not lost.
#pragma once

#include <cstdint>
#include <filesystem>

#include "foundation/records/image_property_records.h"
#include "foundation/records/printer_settings_records.h"
#include "platform/files/apple_double.h"
#include "platform/core/mac_types.h"

namespace vorl {

inline constexpr OSType kPrefResourceType = fourCharCode("Pref");
inline constexpr std::int16_t kImagePropertiesResourceID = 5000;
inline constexpr std::int16_t kColorAdjustResourceID = 5002;
inline constexpr std::int16_t kCKImagePropertiesResourceID = 5003;
inline constexpr char kImagePropertiesResourceName[] = "Image Properties";
inline constexpr char kCKImagePropertiesResourceName[] = "CK Image Properties";

// The resources of an image file: fnfErr when there is no such file, afpObjectTypeErr when it is no regular file,
// mapReadErr for a damaged sidecar; an empty set when it has no sidecar.
OSErr readImageResources(const std::filesystem::path& image, AppleDouble& resources);

// Copies resource (type, id) of `resourceFile` into `destination`: 0 when read; −1 when there is no such
// resource; −2 when it is empty or larger than `capacity`. A shorter resource fills only its own length.
std::int16_t ReadStruct2(const AppleDouble& resourceFile, void* destination, std::int64_t capacity, OSType type,
                         std::int16_t id) noexcept;

// Reads the image's 'Pref' 5002 into `record`, host order and validated; true when it was read. The record is
// filled with the defaults first, so on false (no file, no sidecar, no resource, a damaged sidecar, a resource
// shorter than the ten floats or longer than the record) it holds the defaults. Damage is logged.
bool loadColorAdjustFromFile(const std::filesystem::path& image, myCocoaImageColorAdjustInfo* record);
bool loadColorAdjustFromFile(const FSSpec& image, myCocoaImageColorAdjustInfo* record);
// The same from resources already read; `what` names them in the log.
bool colorAdjustFromResources(const AppleDouble& resources, myCocoaImageColorAdjustInfo* record, const char* what);

// Stores `record` big-endian as 'Pref' 5000 "Image Properties", replacing an older one; the caller's record is
// not changed. A failure (no file, damaged sidecar, disk error) writes nothing and is logged.
void savePropertiesToFile(const std::filesystem::path& image, const tImageProperties* record);
void savePropertiesToFile(const FSSpec& image, const tImageProperties* record);

// Stores `record` byte for byte as 'Pref' 5003 "CK Image Properties", replacing an older one. The image's
// permissions stay as they are. Failures are logged as "aFile->CreateRsrcFork error = %d while saving
// properties" (an existing fork is no failure) and "aFile->OpenRsrcFork error = %d while saving properties",
// and then nothing is written.
void saveCKPropertiesToFile(const std::filesystem::path& image, const tCKImageProperties* record);
void saveCKPropertiesToFile(const FSSpec& image, const tCKImageProperties* record);

// Converts the record in place between host and file byte order: the 16-bit numbers at 0, 2, 4, 12, 24, 38, 40
// and the colour adjustment's six at 26, the floats at 8, 16 and 20. Nothing for null.
void swapFromHost_ImageProperties(tImageProperties* record) noexcept;

}  // namespace vorl
