#include "imaging/color/color_matching.h"

#include <filesystem>
#include <string>

#include "foundation/files/files.h"
#include "imaging/offscreens/pixel_locks.h"
#include "imaging/color/profile_search.h"
#include "platform/files/file_specs.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace {

constexpr OSType kInputProfileClass = 0x73636E72;    // 'scnr'
constexpr OSType kPrinterProfileClass = 0x70727472;  // 'prtr'

// The path of a profile specification; one whose folder numbers are unknown here is found by name, a profile of
// the class the role asks for first, so a same-named monitor profile never stands in for the printer's.
OSErr profilePath(const FSSpec& spec, OSType preferredClass, std::filesystem::path& path) {
  const OSErr error = FSpMakePath(spec, path);
  if (error != dirNFErr && error != nsvErr) return error;
  const Str255 name(spec.name.macRoman());
  FSSpec installed;
  if (!FindProfile(preferredClass, &installed, name.raw()) || FSpMakePath(installed, path) != noErr) return error;
  systemLogf("Profile %s taken from %s", name.toUtf8().c_str(), path.c_str());
  return noErr;
}

}  // namespace

bool CS2_available() noexcept { return true; }

OSErr OpenProfileFSSpec(const FSSpec& spec, CMProfileRef* profile, OSType preferredClass) {
  if (!profile) return paramErr;
  profile->reset();
  std::filesystem::path path;
  if (const OSErr error = profilePath(spec, preferredClass, path); error != noErr) return error;
  OSErr error = noErr;
  *profile = openProfileFile(path, &error);
  return error;
}

OSErr NCWNewColorWorld(CMWorldRef* world, const CMProfileRef& source, const CMProfileRef& destination) {
  if (!world) return paramErr;
  if (!source || !destination) {
    world->reset();
    return paramErr;
  }
  // Without black-point compensation a printer whose black is lighter than the source's clips every shadow
  // darker than its own black to the same ink; print workflows compensate for relative colorimetric, and the
  // perceptual tables already map black to black.
  const int intent = source->renderingIntent();
  const std::uint32_t blackPoint = intent == INTENT_RELATIVE_COLORIMETRIC ? cmsFLAGS_BLACKPOINTCOMPENSATION : 0;
  return cachedColorTransform(source, TYPE_ARGB_8, destination, TYPE_ARGB_8, intent, cmsFLAGS_COPY_ALPHA | blackPoint,
                              world);
}

OSErr myCWMatchPixMap(CMWorldRef world, PixMap* pixels) {
  if (!CS2_available() || !world || !pixels || !pixels->baseAddr) return -1;
  if (pixels->pixelSize != 32) return cmUnsupportedDataType;
  const int width = rectWidth(pixels->bounds), height = rectHeight(pixels->bounds);
  transformRowsInBands(*world, pixels->baseAddr, pixels->rowBytes, pixels->baseAddr, pixels->rowBytes, width, height);
  return noErr;
}

OSErr MyMatchBitmap(PixMapHandle pixels, const FSSpec& source, const FSSpec& destination) {
  if (!CS2_available()) return -1;
  CMProfileRef sourceProfile, destinationProfile;
  if (const OSErr error = OpenProfileFSSpec(source, &sourceProfile, kInputProfileClass); error != noErr) {
    systemLogf("OpenProfileFSSpec error = %d", error);
    return error;
  }
  if (const OSErr error = OpenProfileFSSpec(destination, &destinationProfile, kPrinterProfileClass); error != noErr) {
    systemLogf("OpenProfileFSSpec B error = %d", error);
    return error;
  }
  CMWorldRef world;
  const OSErr worldError = NCWNewColorWorld(&world, sourceProfile, destinationProfile);
  sourceProfile.reset();
  destinationProfile.reset();
  if (worldError != noErr) {
    systemLogf("NCWNewColorWorld error = %d", worldError);
    return worldError;
  }
  const OSErr error = myCWMatchPixMap(std::move(world), pixels);
  if (error != noErr) systemLogf("myCWMatchPixMap error = %d", error);
  return error;
}

bool matchInputAndOutput(Offscreen* offscreen, const tColorSyncPrefs* settings, short printerIndex) {
  if (!CS2_available() || !settings || settings->useColorMatching == 0 || !offscreen) return false;
  if (printerIndex < 0 || static_cast<std::size_t>(printerIndex) >= kColorSyncPrinterTypes) {
    systemLogf("matchInputAndOutput: there is no printer entry %d", printerIndex);
    return false;
  }
  const tPrinterColorSyncPrefs& printer = settings->printers[static_cast<std::size_t>(printerIndex)];
  if (printer.matchingOn == 0) return false;

  PixelLock lock(offscreen);
  const FSSpec input = settings->inputProfile;
  const FSSpec output = printer.printerProfile;
  systemLogf("Color Matching with Input Profile: %s, printer Profile: %s", GetFullFileName(&input).toUtf8().c_str(),
             GetFullFileName(&output).toUtf8().c_str());
  if (MyMatchBitmap(GetGWorldPixMap(offscreen), input, output) == noErr) {
    systemLog("Color Matching was successful");
    return true;
  }
  systemLog("Color Matching NOT successful");
  return false;
}

}  // namespace vorl
