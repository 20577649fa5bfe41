// Helpers of the file outputs (print-to-file sets and saved originals): reading a customer's name out of an
// output name, finding a free " copy" path, copying into an output folder, writing an upright picture as a
// full-quality JPEG, carrying the photo's colour profile into an output, and the escaped path text of a file.
//
// Failures are log lines only; nothing here speaks to the operator. Every file appears under its final name by
// the rename of a complete file, and a file already there is replaced only by that rename, so a failure part
// way leaves the old file whole and no partial file under the final name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "imaging/offscreens/offscreen.h"
#include "platform/files/file_specs.h"
#include "platform/text/pascal_string.h"
#include "platform/plists/property_list.h"

namespace vorl {

// The text before the first "_" when one stands before the last character; else the text before the first
// " copy" when that starts before the last character; else the text before the last "." when that stands
// before the last character; else the whole name.
CStr255_AC getCustomerNameFromFileName(const CStr255_AC& name);

// The path itself when no item is there; else the first free one of "<base> copy.<ext>", "<base> copy 1.<ext>",
// ... up to 32000 in the same folder. A name without an extension gets no "." ("<base> copy 2"). Nothing for an
// empty path or when every candidate is taken.
std::optional<std::filesystem::path> createUniqueNameFromPath(const std::filesystem::path& path);

// The request keys of doCopyTheFileNew.
inline constexpr const char* kDoOverwriteKey = "doOverwrite";        // boolean or number
inline constexpr const char* kPathToSrcItemKey = "pathToSrcItem";    // string
inline constexpr const char* kPathToDestItemKey = "pathToDestItem";  // string; answers the path really written

// Copies the source file to the destination, making the destination's folder and any missing folders above it.
// The copy is written under a temporary name in that folder, flushed, and then renamed: over an existing file
// when "doOverwrite" is set (the old file stays whole until the new one is complete), else to the free
// " copy" name, which is written back under "pathToDestItem". False, and nothing under a final name, when the
// source is missing, a path is absent, the folder cannot be made or written, or the disk fills.
bool doCopyTheFileNew(PlistDictionary& request);

// Writes the picture as a JPEG at full quality with `resolution` as both densities, replacing a file of that
// name once the new one is complete. False for no picture or when the file could not be written.
[[nodiscard]] bool saveCGImageRefToPath(const Offscreen* picture, const std::filesystem::path& path,
                                        std::int16_t resolution);

// Embeds the ICC profile embedded in the source image into the output file, replacing the output atomically.
// The profile passes through memory, never through a file beside the source photo. kNoEmbeddedProfileErr (and
// the log line) when the source has none: the output stays as it was. Any other failure also leaves it so.
OSErr embedSourceImageProfileInOutputFile(const std::filesystem::path& source, const std::filesystem::path& output);
OSErr embedSourceImageProfileInOutputFile(const FSSpec& source, const FSSpec& output);

// What the colour values of a page written from a photo are, for the profile that describes them.
struct WrittenColours {
  // The page was matched to this printer profile, so its values are the printer's.
  std::optional<std::filesystem::path> matchedPrinterProfile;
  // The photos were brought from their own profiles into the working space.
  bool embeddedProfilesApplied = false;
};

// Embeds into the output the profile of the values it really holds, when the source photo has a profile of its
// own: the printer profile the page was matched to; else the working space's profile when the photo's own was
// applied; else the photo's own. The output file is RGB, so a profile of another colour space (a CMYK or grey
// photo's, a CMYK printer's) is never embedded: paramErr, logged, the output as it was. kNoEmbeddedProfileErr
// when the source has none, as above.
OSErr embedProfileOfWrittenColours(const std::filesystem::path& source, const std::filesystem::path& output,
                                   const WrittenColours& colours);

inline constexpr std::size_t kEscapedPathBufferSize = 1024;

// The path with every byte other than letters, digits and - . _ ~ ! $ & ' ( ) * + , ; = : @ / written as
// "%XX" of its UTF-8 bytes.
std::string percentEscapedPath(std::string_view utf8Path);

// Clears the buffer and fills it with the file's escaped path, zero-terminated. When the escaped path does not
// fit, the plain path stays when that fits (logged); else the buffer stays empty. False when the buffer is
// left empty (no such folder, or no room).
bool fsSpecToCharArray(const FSSpec& file, std::span<char, kEscapedPathBufferSize> buffer);

}  // namespace vorl
