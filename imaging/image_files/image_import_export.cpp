#include "imaging/image_files/image_import_export.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "foundation/files/file_copy.h"
#include "foundation/services/messages.h"
#include "imaging/filters/alpha_masks.h"
#include "imaging/scaling/cg_drawing.h"
#include "imaging/image_files/file_source.h"
#include "imaging/image_files/image_file.h"
#include "imaging/codecs/codec_probes.h"
#include "imaging/codecs/image_file_codec.h"
#include "imaging/image_files/image_road_globals.h"
#include "imaging/codecs/own_image_writers.h"
#include "imaging/offscreens/memory_budget.h"
#include "platform/files/file_manager.h"
#include "platform/files/file_specs.h"
#include "platform/core/handles.h"
#include "platform/core/os_errors.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

// The importer road: decode, then into the working space as the job asks. `error` gets the decoder's answer.
OffscreenPtr importFile(const FSSpec& file, OSErr& error, DecodedImage* details = nullptr) {
  std::filesystem::path path;
  error = FSpMakePath(file, path);
  if (error != noErr) return nullptr;
  DecodedImage decoded;
  error = decodeImageFile(path, decoded);
  if (error != noErr) return nullptr;
  // Every road that reads a photo honours its profile, whatever the file's name says it is.
  bringPhotoIntoWorkingSpace(decoded, path);
  OffscreenPtr image = std::move(decoded.pixels);
  if (details != nullptr) *details = std::move(decoded);
  return image;
}

std::optional<std::filesystem::path> pathOf(const FSSpec* spec) {
  std::filesystem::path path;
  if (spec == nullptr || FSpMakePath(*spec, path) != noErr) return std::nullopt;
  return path;
}

// The destination's name in the preferences folder, where files are written before they move on.
std::optional<FSSpec> temporarySpec(const FSSpec& destination) {
  std::filesystem::path folder = vorlPreferencesFolder();
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  FSSpec spec;
  const std::string diskName = macNameToDiskName(destination.name.macRoman());
  if (!isUsableDiskName(diskName) || FSMakeFSSpecFromPath(folder / diskName, spec) != noErr) {
    systemLogf("cannot name \"%s\" in the preferences folder", diskName.c_str());
    return std::nullopt;
  }
  return spec;
}

void logExportFailure(const char* step, std::int32_t error) {
  systemLogf("%s fails with error code = %d", step, static_cast<int>(error));
}

// Our own writers; false when the file could not be written.
bool saveWithOwnWriter(std::int16_t type, Offscreen* offscreen, const FSSpec& destination, std::int16_t resolution) {
  if (offscreen == nullptr) return false;
  return type == 5 ? SaveAsRawFile(destination, offscreen) : SaveAsTIFFFile(destination, offscreen, resolution);
}

bool exporterType(std::int16_t type) { return type == 2 || type == 3 || type == 4 || (type >= 7 && type <= 10); }

}  // namespace

bool IsQuickTimeAvail(std::int32_t* version) {
  if (version != nullptr) *version = 0x07000000;
  return true;
}

bool reportMissingImageCodecs(std::span<const CodecProbe> probes) {
  const std::vector<std::string> missing = missingImageCodecs(probes);
  if (missing.empty()) return false;
  std::string names;
  for (const std::string& name : missing) names += (names.empty() ? "" : ", ") + name;
  systemLogf("CheckIfQuickTimeInstalled: these image codecs do not work: %s", names.c_str());
  SysBeep(1);
  SysBeep(1);
  DisplayNormalMessage(("Warning: these image codecs do not work in this installation: " + names +
                        "\r\rNOT All Features Will Work Properly!")
                           .c_str());
  return true;
}

void CheckIfQuickTimeInstalled() { static_cast<void>(reportMissingImageCodecs(imageCodecProbes())); }

OffscreenPtr getGWorldFromFileSpec(const FSSpec& file, std::int16_t& resolution) {
  OSErr error = noErr;
  DecodedImage details;
  OffscreenPtr image = importFile(file, error, &details);
  if (image == nullptr) {
    char text[128];
    std::snprintf(text, sizeof text, "An error occured trying to read this file, error code = %d", error);
    DisplayNormalMessage(text);
    return nullptr;
  }
  const double dpi = details.xResolution > 0 ? details.xResolution : 72.0;
  resolution = static_cast<std::int16_t>(std::lround(std::min(dpi, 32767.0)));
  return image;
}

OffscreenPtr getFileOverlayGWorldFromFileSpec(const FSSpec& file) {
  OSErr error = noErr;
  return importFile(file, error);
}

OffscreenPtr getGWorldFromFileSpec(const FSSpec& file) {
  if (gApplyEmbedded) return getFileOverlayGWorldFromFileSpec(file);
  CPoint_AC size{};
  return getGWorldFromFileSpecWithoutColorsyncProfile(file, 1, size);
}

OffscreenPtr getGWorldFromFileSpecWithoutColorsyncProfile(const FSSpec& file, std::int16_t reduction, CPoint_AC& size) {
  OSErr error = noErr;
  OffscreenPtr image = importFile(file, error);
  if (image == nullptr) return nullptr;
  size.h = static_cast<std::int16_t>(image->width());
  size.v = static_cast<std::int16_t>(image->height());
  // A reduction below 1 would divide by nothing; it reads at full size.
  const int by = reduction >= 1 ? reduction : 1;
  const Rect frame = makeRect(0, 0, image->height() / by, image->width() / by);
  if (rectEmpty(frame)) return nullptr;
  OffscreenPtr reduced{myNewGWorld(&frame)};
  if (reduced == nullptr) return nullptr;
  // A picture has no alpha: the file's transparency is laid onto white first, then it is drawn opaque.
  layTransparencyOntoWhite(*image);
  DrawResizedGWorld(reduced.get(), image.get(), image->portRect(), frame);
  return reduced;
}

PicHandle getPicHandleFromFileSpec(const FSSpec& file) {
  OSErr error = noErr;
  OffscreenPtr image = importFile(file, error);
  if (image == nullptr) {
    if (error == memFullErr) DisplayNormalMessage("Not enough memory available to load image…");
    return nullptr;
  }
  return Offscreen2PicHandle(image.get(), 72);
}

OffscreenPtr PicHandle2GWorld(PicHandle picture) {
  if (picture == nullptr) return nullptr;
  OffscreenPtr offscreen{PicHandleToOffscreen(picture)};
  DisposeHandle(picture);
  return offscreen;
}

OffscreenPtr ReadFile2(const FSSpec& file) {
  OffscreenPtr image;
  const std::int64_t refusalsBefore = jobMemoryRefusals();
  {
    TNewAllFilesHandler source;
    source.SetCurrentFile(file);
    if (source.IsValidFile()) image = source.GetFullSizeImage();
  }
  // A picture refused for its size is not read a second time through the importer: the answer would be the same.
  if (image == nullptr && jobMemoryRefusals() == refusalsBefore && IsQuickTimeAvail()) {
    image = getGWorldFromFileSpec(file);
    // The file source lays transparency onto white; a photo read by the importers prints it the same way.
    if (image != nullptr) layTransparencyOntoWhite(*image);
  }
  return image;
}

std::int32_t writeGWorldToImageFile(Offscreen* offscreen, const FSSpec* destination, std::int16_t saveType,
                                    std::int16_t resolution, std::int16_t quality) {
  if (saveType == 4) {
    if (destination != nullptr && offscreen != nullptr)
      static_cast<void>(SaveAsPICTFile(*destination, offscreen, resolution));
    return 0;
  }
  ImageFileType type;
  switch (saveType) {
    case 2:
      type = ImageFileType::tiffLzw;
      break;
    case 3:
    case 10:
      type = ImageFileType::jpeg;
      break;
    case 7:
      type = ImageFileType::targa;
      break;
    case 8:
      type = ImageFileType::photoshop;
      break;
    case 9:
      type = ImageFileType::png;
      break;
    default:
      // No exporter for this type: every step fails as on an unopened exporter, and nothing is written.
      for (const char* step : {"GraphicsExportSetResolution", "GraphicsExportSetInputGWorld",
                               "GraphicsExportSetOutputFile", "GraphicsExportDoExport"})
        logExportFailure(step, badComponentInstance);
      return badComponentInstance;
  }
  if (offscreen == nullptr) {
    logExportFailure("GraphicsExportSetInputGWorld", paramErr);
    return paramErr;
  }
  const std::optional<std::filesystem::path> path = pathOf(destination);
  if (!path) {
    logExportFailure("GraphicsExportSetOutputFile", dirNFErr);
    return dirNFErr;
  }
  EncodeOptions options;
  options.dpi = resolution;
  options.quality = std::clamp<int>(quality, 0, 100);
  const OSErr error = encodeImageFile(*offscreen, *path, type, options);
  if (error != noErr) {
    logExportFailure("GraphicsExportDoExport", error);
    return error;
  }
  systemLogf("File saved as: [%s]", destination->name.toUtf8().c_str());
  return 0;
}

std::int16_t writeGWorldToImageFile(Offscreen* offscreen, const FSSpec* destination, std::int16_t saveType,
                                    std::int16_t resolution) {
  return static_cast<std::int16_t>(writeGWorldToImageFile(offscreen, destination, saveType, resolution, 75));
}

namespace {

// The two direct save entries differ only in save type 10, which the older one does not know, and the copy.
bool saveOffscreen(std::int16_t type, Offscreen* offscreen, const FSSpec& destination, std::int16_t resolution,
                   std::int16_t quality, bool knowsTypeTen, bool useTemporaryCopy) {
  const bool viaExporter = exporterType(type) && (type != 10 || knowsTypeTen);
  if (!viaExporter && type != 5 && type != 6) return true;

  FSSpec target = destination;
  std::optional<FSSpec> temporary;
  if (useTemporaryCopy) {
    temporary = temporarySpec(destination);
    if (!temporary) return false;
    target = *temporary;
  }
  const bool written = viaExporter ? writeGWorldToImageFile(offscreen, &target, type, resolution, quality) == 0
                                   : saveWithOwnWriter(type, offscreen, target, resolution);
  if (!temporary) return written;

  FSSpec into = destination;
  const bool copied = written && doCopyTheFile(&*temporary, &into, false) == 0;
  static_cast<void>(FSpDelete(*temporary));
  return copied;
}

}  // namespace

bool NewSaveOffscreenToFile(std::int16_t type, Offscreen* offscreen, const FSSpec& destination, bool,
                            std::int16_t resolution, std::int16_t quality) {
  return saveOffscreen(type, offscreen, destination, resolution, quality, false, false);
}

bool NewSaveOffscreenToFile(std::int16_t type, Offscreen* offscreen, const FSSpec& destination, bool,
                            std::int16_t resolution, std::int16_t quality, std::int16_t useTemporaryCopy) {
  return saveOffscreen(type, offscreen, destination, resolution, quality, true, useTemporaryCopy != 0);
}

bool NewSaveOffscreenToFileNew(std::int16_t type, Offscreen* offscreen, FSSpec& destination, bool,
                               std::int16_t resolution, std::int16_t quality, std::int16_t) {
  const std::optional<FSSpec> temporary = temporarySpec(destination);
  if (!temporary) return false;
  bool written = true;
  if (type == 7 || type == 8) {
    written = writeGWorldToImageFile(offscreen, &*temporary, type, resolution, quality) == 0;
  } else if (type == 5 || type == 6) {
    written = saveWithOwnWriter(type, offscreen, *temporary, resolution);
  } else if (exporterType(type)) {
    const std::filesystem::path folder = vorlPreferencesFolder();
    systemLogf("the file save path is: %s", folder.c_str());
    written = saveCGImageRefToPath(offscreen, folder / macNameToDiskName(destination.name.macRoman()), type,
                                   static_cast<float>(quality), resolution);
  }
  if (written) destination = *temporary;
  return written;
}

namespace {

bool requestPaths(const ProfileToolRequest& request, const char* operation, std::filesystem::path& image,
                  std::filesystem::path& profile) {
  const auto profileEntry = request.find("resultProfilePath");
  const auto imageEntry = request.find("sourceImageFilePath");
  if (profileEntry == request.end()) systemLogf("Inside %s -> Missing resultProfilePath", operation);
  if (imageEntry == request.end()) systemLogf("Inside %s -> Missing sourceImageFilePath", operation);
  if (profileEntry == request.end() || imageEntry == request.end()) return false;
  profile = profileEntry->second;
  image = imageEntry->second;
  return true;
}

std::int32_t finish(OSErr error) {
  if (error != noErr) systemLogf("ERROR retcode = %i..", static_cast<int>(error));
  return error;
}

}  // namespace

std::int32_t getEmbeddedProfileFromImage(const ProfileToolRequest& request) {
  std::filesystem::path image, profile;
  if (!requestPaths(request, "getEmbeddedProfileFromImage", image, profile)) return -1;
  std::vector<std::uint8_t> bytes;
  OSErr error = readEmbeddedProfile(image, bytes);
  if (error == noErr) error = writeFileAtomically(profile, bytes, true);
  return finish(error);
}

std::int32_t embedProfileInImage(const ProfileToolRequest& request) {
  std::filesystem::path image, profile;
  if (!requestPaths(request, "embedProfileInImage", image, profile)) return -1;
  std::vector<std::uint8_t> bytes;
  OSErr error = readFileBytes(profile, bytes);
  if (error == noErr) error = embedProfile(image, bytes);
  return finish(error);
}

}  // namespace vorl
