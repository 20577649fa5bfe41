// The upload metadata of output images: a small XML property list that tells the web upload, the retail
// partner's order system and the customer-orders folder where an image came from and whose order it is.
//
// A JPEG carries the list as its EXIF user comment, and so does a TIFF (the writers below take either and keep
// the file's format); the comment is set without decoding or encoding the picture, so the pixels stay exactly as
// written. A PNG carries it as a 2048-byte block appended to the file. The file
// is replaced atomically either way: a failure leaves it as it was. Failures are log lines; the answers say
// whether the metadata was written.
//
// Layouts of the list:
//   saveSourceWithMetadata       {"Version": "1.01alpha", "OriginalPath": path}
//   saveSourceWithMetadataSTB    {"uploadInfo": {"OriginalPath", "f" (ftpSite 2..5), "email", "groupCode",
//                                                "userdata" (the e-mail entry archive)}}
//   saveSourceWithMetadataORLIM  {"uploadInfo": <the caller's archived dictionary> + "Version": "1.0.2",
//                                                "OriginalPath", "f": "orlim"}
//   saveSourceWithMetadataPt5Plus  the same with "f": "pt5"
//   saveDataInPNGFile            {"Version": "1.01alpha", "OriginalPath": path}, appended
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/files/file_specs.h"
#include "platform/plists/keyed_archive.h"
#include "platform/plists/property_list.h"

namespace vorl {

inline constexpr std::size_t kPngMetadataBlockSize = 2048;
// The comment's stored bytes that still leave the EXIF block room in its 64 KB JPEG segment.
inline constexpr std::size_t kMaxUserCommentBytes = 60000;

// `originalPath` is the job's original image path: zero-terminated Mac Roman bytes, or null for none.

// Rewrites the JPEG (or TIFF) at the path with {"Version", "OriginalPath"}. False (file unchanged) when it is
// neither or cannot be read or written.
bool saveSourceWithMetadata(const std::filesystem::path& path, const char* originalPath);
// The file specification form: the plain layout while the destination code is below 2, else the upload-info
// layout. False when the file specification names no path.
bool saveSourceWithMetadata(const FSSpec& file, const char* originalPath);
// The upload-info layout from the job's upload data. An e-mail entry archive that would not fit the EXIF block
// is left out (logged) rather than losing the whole comment.
bool saveSourceWithMetadataSTB(const std::filesystem::path& path, const char* originalPath);
// The job-dictionary layouts. The dictionary is decoded from the first `archiveLength` of the bytes; without a
// dictionary there (no bytes, a length below 1 or past the bytes, an archive of something else) the file is left
// as it is and the answer is false.
bool saveSourceWithMetadataORLIM(const std::filesystem::path& path, const char* originalPath,
                                 std::span<const std::uint8_t> archive, std::int32_t archiveLength);
bool saveSourceWithMetadataPt5Plus(const std::filesystem::path& path, const char* originalPath,
                                   std::span<const std::uint8_t> archive, std::int32_t archiveLength);
// The same layouts set into JPEG bytes still in memory ("pt5" or "orlim" as the destination name), so an output
// is written once, comment included. `source` names the output in log lines. The bytes stay as they were on
// failure.
bool addJobDictionaryMetadata(std::vector<std::uint8_t>& jpeg, const char* originalPath,
                              std::span<const std::uint8_t> archive, std::int32_t archiveLength,
                              const char* destinationName, const std::string& source);

// Appends {"Version", "OriginalPath"} as an XML property list cut or zero-padded to 2048 bytes (a cut list is
// logged as an error: the reader will not parse it). The file is rewritten whole through a temporary file, so a
// full disk leaves it as it was. False when it could not be read or written.
bool saveDataInPNGFile(const std::filesystem::path& png, const char* originalPath);
bool saveDataInPNGFile(const FSSpec& png, const char* originalPath);

// The comment dictionaries, for the writers above and their checks. The upload-info one reads the process-wide
// upload data; `withUserData` false leaves the e-mail entry archive out.
PlistValue plainMetadataDictionary(const char* originalPath);
PlistValue uploadInfoDictionary(const char* originalPath, bool withUserData);
std::optional<PlistValue> jobDictionaryLayout(const char* originalPath, std::span<const std::uint8_t> archive,
                                              std::int32_t archiveLength, const char* destinationName);

}  // namespace vorl
