// Image files into offscreens and offscreens out to image files: the general readers every file type goes
// through, the page photographs' reader, and the save types the output steps ask for.
//
// Every offscreen handed back is new and belongs to the caller. Readers answer null on any failure; only the
// messages named below reach the operator.
//
// Save types: 2 TIFF, 3 and 10 JPEG, 4 PICT, 5 raw red-green-blue bytes, 6 our own uncompressed TIFF, 7 Targa,
// 8 Photoshop, 9 PNG.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>

#include "imaging/codecs/codec_probes.h"
#include "imaging/offscreens/offscreen.h"
#include "imaging/codecs/picture.h"
#include "platform/core/mac_types.h"

namespace vorl {

// The importers and exporters are always there here; the version is 7.0.
bool IsQuickTimeAvail(std::int32_t* version = nullptr);
// At start-up: runs the probes of the codecs the program reads and writes image files with (codec_probes.h) and,
// when one fails, beeps twice and tells the operator which, in the message list.
void CheckIfQuickTimeInstalled();
// The same for the given probes; true when one failed (and the operator was told).
bool reportMissingImageCodecs(std::span<const CodecProbe> probes);

// The page objects' reader: with embedded profiles applied the importer road, else the picture road at full
// size.
[[nodiscard]] OffscreenPtr getGWorldFromFileSpec(const FSSpec& file);
// The importer road: the file's values as they stand, alpha 0 where the file has no alpha. `resolution` gets the
// file's horizontal resolution (72 when it states none). A file that will not decode shows "An error occured
// trying to read this file, error code = %d".
[[nodiscard]] OffscreenPtr getGWorldFromFileSpec(const FSSpec& file, std::int16_t& resolution);
// The importer road for overlay images, without a message.
[[nodiscard]] OffscreenPtr getFileOverlayGWorldFromFileSpec(const FSSpec& file);
// The picture road: the file's frame, its right and bottom divided by `reduction`, the picture (its
// transparency laid onto white) drawn scaled into it. `size` gets the full frame's size (h = width, v = height).
[[nodiscard]] OffscreenPtr getGWorldFromFileSpecWithoutColorsyncProfile(const FSSpec& file, std::int16_t reduction,
                                                                        CPoint_AC& size);
// The file as a picture; null on failure ("Not enough memory available to load image…" when memory ran out).
[[nodiscard]] PicHandle getPicHandleFromFileSpec(const FSSpec& file);
// The picture drawn into an offscreen of its frame; the picture is consumed. Null for a null picture.
[[nodiscard]] OffscreenPtr PicHandle2GWorld(PicHandle picture);
// The page photographs' reader: the image-file source first, the general readers for the rest. Whichever reads
// it, a transparent photo comes back laid onto white, every pixel drawn (alpha 0).
[[nodiscard]] OffscreenPtr ReadFile2(const FSSpec& file);

// Writes the offscreen as an image file of `saveType` through the codecs. 0 on success, else the failing step's
// error (save types without an exporter answer badComponentInstance and write nothing). Save type 4 writes a
// PICT file and answers 0.
inline constexpr std::int32_t badComponentInstance = static_cast<std::int32_t>(0x80008001u);
std::int32_t writeGWorldToImageFile(Offscreen* offscreen, const FSSpec* destination, std::int16_t saveType,
                                    std::int16_t resolution, std::int16_t quality);
// The same at quality 75, the result cut to 16 bits.
std::int16_t writeGWorldToImageFile(Offscreen* offscreen, const FSSpec* destination, std::int16_t saveType,
                                    std::int16_t resolution);

// Saves by type: 5 and 6 our own writers, 2, 3, 4, 7, 8, 9 (and 10 with the temporary-copy switch) the
// exporters; other types write nothing and answer true. False when the writer (or the copy into place) failed.
// With `useTemporaryCopy` set the file is written into the preferences folder first and copied to `destination`.
bool NewSaveOffscreenToFile(std::int16_t type, Offscreen* offscreen, const FSSpec& destination, bool,
                            std::int16_t resolution, std::int16_t quality);
bool NewSaveOffscreenToFile(std::int16_t type, Offscreen* offscreen, const FSSpec& destination, bool,
                            std::int16_t resolution, std::int16_t quality, std::int16_t useTemporaryCopy);
// Saves into the preferences folder under the destination's name and, on success, answers with `destination`
// naming the file written there; the caller moves it on.
bool NewSaveOffscreenToFileNew(std::int16_t type, Offscreen* offscreen, FSSpec& destination, bool,
                               std::int16_t resolution, std::int16_t quality, std::int16_t);

// The profile tool's request: "sourceImageFilePath", "resultProfilePath" and optionally "processResultLogPath".
using ProfileToolRequest = std::map<std::string, std::string>;
// Copies the image's embedded profile into the profile file, or embeds the profile file into the image. 0 on
// success, -1 when a key is missing, else the error of the step that failed.
std::int32_t getEmbeddedProfileFromImage(const ProfileToolRequest& request);
std::int32_t embedProfileInImage(const ProfileToolRequest& request);

}  // namespace vorl
