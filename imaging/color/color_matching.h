// Matching a finished page from the studio's input profile to the printer's profile, in place.
//
// The page's bytes (alpha, red, green, blue) go through LittleCMS as they lie; alpha is copied, not matched.
// The intent is the one the source profile's header names; relative colorimetric is done with black-point
// compensation, so a printer's lighter black does not swallow the shadows. The rows are
// matched in bands on the process's job pool; the bytes do not depend on the number of threads.
//
// Profile file specifications in a job come from the machine that made it. When the folder numbers of one are
// unknown here, the profile is looked up by its file name among the installed profiles (FindProfile), a scanner
// profile first for the input and a printer profile first for the printer; a specification whose folder is
// known but whose file is missing stays an error.
#pragma once

#include "foundation/records/color_sync_records.h"
#include "imaging/color/color_profile.h"
#include "imaging/color/color_transform.h"
#include "imaging/offscreens/offscreen.h"

namespace vorl {

// Whether colour matching exists; it always does here.
bool CS2_available() noexcept;

// Opens the profile file the file specification names. noErr, paramErr for a null output, the file error (fnfErr,
// dirNFErr, ...) or cmProfileError for a file that is no profile. A specification found by name takes a profile
// of `preferredClass` first (0: the first of any class).
OSErr OpenProfileFSSpec(const FSSpec& spec, CMProfileRef* profile, OSType preferredClass = 0);

// The transform of page pixels from `source` to `destination`, with the source header's intent (black-point
// compensated when that is relative colorimetric).
OSErr NCWNewColorWorld(CMWorldRef* world, const CMProfileRef& source, const CMProfileRef& destination);

// Matches the pixels in place and lets go of the world. -1 for a null world or pixel map,
// cmUnsupportedDataType for pixels that are not 32 bits.
OSErr myCWMatchPixMap(CMWorldRef world, PixMap* pixels);

// Matches the pixels from the source profile file to the destination one: 0, or the failing step's error
// with its log line.
OSErr MyMatchBitmap(PixMapHandle pixels, const FSSpec& source, const FSSpec& destination);

// Matches the offscreen from the settings' input profile to the profile of printer entry `printerIndex` when
// matching is on for both. True when it was matched; on any failure the pixels are left as they were.
bool matchInputAndOutput(Offscreen* offscreen, const tColorSyncPrefs* settings, short printerIndex);

}  // namespace vorl
