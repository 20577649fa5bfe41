#include "jobs/outputs/upload_metadata.h"

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/codecs/exif_metadata.h"
#include "jobs/reading/job_archives.h"
#include "jobs/reading/upload_data.h"
#include "platform/plists/archived_value_plist.h"
#include "platform/text/mac_roman.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

// Output pages of poster size pass the 64 MB that a settings file may take.
constexpr std::size_t kMaxImageFileBytes = std::size_t{1} << 30;

std::optional<std::string> originalPathText(const char* originalPath) {
  if (originalPath == nullptr) return std::nullopt;
  return macRomanToUtf8(originalPath);
}

const char* destinationNameFor(std::int16_t ftpSite) {
  switch (ftpSite) {
    case 2:
      return "fyp";
    case 3:
      return "pt5";
    case 4:
      return "pt5-2";
    case 5:
      return "pt5-3";
    default:
      return nullptr;
  }
}

// The stored size of the comment: ASCII takes a byte a character, Unicode two bytes a UTF-16 unit (at most
// two units for the bytes of one character, so twice the UTF-8 length bounds it).
std::size_t storedCommentSize(const std::string& xml) {
  const bool ascii = std::all_of(xml.begin(), xml.end(), [](char c) { return (c & 0x80) == 0; });
  return ascii ? xml.size() : 2 * xml.size();
}

std::optional<std::string> commentText(const PlistValue& dictionary) {
  std::optional<std::string> xml = toXmlPropertyList(dictionary);
  if (!xml) {
    systemLog("Unable to Create Dictionary????");
    return std::nullopt;
  }
  systemLogf("xmlData = %s", xml->c_str());
  return xml;
}

// Sets the comment into the EXIF block of JPEG or TIFF bytes held in memory; the bytes stay as they were on
// failure. The limit is a JPEG segment's; a TIFF is held to it too, so a comment reads the same in either.
bool commentIntoImage(codec::Bytes& jpeg, const std::string& comment, const std::string& source) {
  if (storedCommentSize(comment) > kMaxUserCommentBytes) {
    systemLogf("the comment for %s takes %zu bytes, more than the EXIF block holds; the file is left as it is",
               source.c_str(), comment.size());
    return false;
  }
  codec::Bytes rewritten;
  if (codec::withExifUserComment(jpeg, comment, rewritten, source) != noErr) {
    systemLogf("Error: could not create image destination for %s", source.c_str());
    return false;
  }
  jpeg = std::move(rewritten);
  return true;
}

// Sets the comment into the JPEG or TIFF file's EXIF block and replaces the file once the new bytes are complete.
bool rewriteImageWithComment(const fs::path& path, const std::string& comment) {
  std::vector<std::uint8_t> bytes;
  if (const OSErr error = readFileBytes(path, bytes, kMaxImageFileBytes); error != noErr) {
    systemLogf("Error: could not create image source. Status: %d", static_cast<int>(error));
    return false;
  }
  if (!commentIntoImage(bytes, comment, path.string())) return false;
  if (const OSErr error = writeFileAtomically(path, bytes, true); error != noErr) {
    systemLogf("-- error: can't write data: %s (error %d)", path.c_str(), static_cast<int>(error));
    return false;
  }
  return true;
}

bool rewriteImage(const fs::path& path, const PlistValue& dictionary) {
  const std::optional<std::string> comment = commentText(dictionary);
  return comment && rewriteImageWithComment(path, *comment);
}

bool saveJobDictionaryLayout(const fs::path& path, const char* originalPath, std::span<const std::uint8_t> archive,
                             std::int32_t archiveLength, const char* destinationName) {
  const std::optional<PlistValue> layout = jobDictionaryLayout(originalPath, archive, archiveLength, destinationName);
  if (!layout) {
    systemLogf("Unable to Create Dictionary???? %s is left without upload metadata", path.c_str());
    return false;
  }
  return rewriteImage(path, *layout);
}

}  // namespace

PlistValue plainMetadataDictionary(const char* originalPath) {
  const std::string path = originalPathText(originalPath).value_or(std::string());
  systemLogf("saveSourceWithMetaData - the files originalPath is: %s", path.c_str());
  return PlistDictionary{{"Version", "1.01alpha"}, {"OriginalPath", path}};
}

PlistValue uploadInfoDictionary(const char* originalPath, bool withUserData) {
  const UploadData& upload = currentUploadData();
  PlistDictionary info;
  if (std::optional<std::string> path = originalPathText(originalPath)) info["OriginalPath"] = std::move(*path);
  if (const char* name = destinationNameFor(upload.ftpSite)) info["f"] = name;
  if (!upload.customerEmail.empty()) info["email"] = upload.customerEmail.toUtf8();
  if (!upload.groupCode.empty()) info["groupCode"] = upload.groupCode.toUtf8();
  const std::int32_t count = archiveLengthOf(upload.emailEntryBuffer);
  systemLogf("numOfBytes = %d", static_cast<int>(count));
  if (withUserData && count > 0) {
    // A count past the 4092 bytes before it points outside the block: no data.
    if (const std::optional<ArchivedValue> archive = decodeArchiveIn(upload.emailEntryBuffer);
        archive && archive->asDictionary() != nullptr) {
      if (std::optional<PlistValue> userData = archivedValueToPlist(*archive)) info["userdata"] = *userData;
    } else {
      systemLog("the e-mail entry block holds no dictionary; no userdata");
    }
  }
  return PlistDictionary{{"uploadInfo", std::move(info)}};
}

std::optional<PlistValue> jobDictionaryLayout(const char* originalPath, std::span<const std::uint8_t> archive,
                                              std::int32_t archiveLength, const char* destinationName) {
  if (archive.empty() || archiveLength < 1 || static_cast<std::size_t>(archiveLength) > archive.size())
    return std::nullopt;
  const std::optional<ArchivedValue> decoded =
      decodeKeyedArchive(archive.first(static_cast<std::size_t>(archiveLength)));
  if (!decoded || decoded->asDictionary() == nullptr) return std::nullopt;
  std::optional<PlistValue> dictionary = archivedValueToPlist(*decoded);
  if (!dictionary) return std::nullopt;
  PlistDictionary& info = *dictionary->get<PlistDictionary>();
  const std::optional<std::string> path = originalPathText(originalPath);
  systemLogf("the files originalPath is: %s", path ? path->c_str() : "(none)");
  info["Version"] = "1.0.2";
  if (path) info["OriginalPath"] = *path;
  info["f"] = destinationName;
  return PlistValue(PlistDictionary{{"uploadInfo", std::move(*dictionary)}});
}

bool saveSourceWithMetadata(const fs::path& path, const char* originalPath) {
  return rewriteImage(path, plainMetadataDictionary(originalPath));
}

bool saveSourceWithMetadata(const FSSpec& file, const char* originalPath) {
  fs::path path;
  if (const OSErr error = FSpMakePath(file, path); error != noErr) {
    systemLogf("saveSourceWithMetadata - the file has no path (error %d)", static_cast<int>(error));
    return false;
  }
  if (currentUploadData().ftpSite < 2) return saveSourceWithMetadata(path, originalPath);
  return saveSourceWithMetadataSTB(path, originalPath);
}

bool saveSourceWithMetadataSTB(const fs::path& path, const char* originalPath) {
  std::optional<std::string> comment = commentText(uploadInfoDictionary(originalPath, true));
  if (!comment) return false;
  if (storedCommentSize(*comment) > kMaxUserCommentBytes) {
    systemLogf("the e-mail entry data is too large for the EXIF block of %s; it is left out", path.c_str());
    comment = commentText(uploadInfoDictionary(originalPath, false));
    if (!comment) return false;
  }
  return rewriteImageWithComment(path, *comment);
}

bool saveSourceWithMetadataORLIM(const fs::path& path, const char* originalPath, std::span<const std::uint8_t> archive,
                                 std::int32_t archiveLength) {
  return saveJobDictionaryLayout(path, originalPath, archive, archiveLength, "orlim");
}

bool addJobDictionaryMetadata(std::vector<std::uint8_t>& jpeg, const char* originalPath,
                              std::span<const std::uint8_t> archive, std::int32_t archiveLength,
                              const char* destinationName, const std::string& source) {
  const std::optional<PlistValue> layout = jobDictionaryLayout(originalPath, archive, archiveLength, destinationName);
  if (!layout) {
    systemLogf("Unable to Create Dictionary???? %s is left without upload metadata", source.c_str());
    return false;
  }
  const std::optional<std::string> comment = commentText(*layout);
  return comment && commentIntoImage(jpeg, *comment, source);
}

bool saveSourceWithMetadataPt5Plus(const fs::path& path, const char* originalPath,
                                   std::span<const std::uint8_t> archive, std::int32_t archiveLength) {
  return saveJobDictionaryLayout(path, originalPath, archive, archiveLength, "pt5");
}

bool saveDataInPNGFile(const fs::path& png, const char* originalPath) {
  const std::string path = originalPathText(originalPath).value_or(std::string());
  systemLogf("saveDataInPNGFile - the files originalPath: %s", path.c_str());
  const std::optional<std::string> xml =
      toXmlPropertyList(PlistDictionary{{"Version", "1.01alpha"}, {"OriginalPath", path}});
  if (!xml) return false;
  systemLogf("xmlData = %s", xml->c_str());
  if (xml->size() > kPngMetadataBlockSize)
    systemLogf("saveDataInPNGFile - the list for %s takes %zu bytes and is cut at %zu: it will not parse", png.c_str(),
               xml->size(), kPngMetadataBlockSize);
  std::vector<std::uint8_t> bytes;
  if (const OSErr error = readFileBytes(png, bytes, kMaxImageFileBytes); error != noErr) {
    systemLogf("saveDataInPNGFile - %s cannot be read (error %d)", png.c_str(), static_cast<int>(error));
    return false;
  }
  const std::size_t end = bytes.size();
  bytes.resize(end + kPngMetadataBlockSize, 0);
  std::copy_n(xml->begin(), std::min(xml->size(), kPngMetadataBlockSize), bytes.begin() + static_cast<long>(end));
  if (const OSErr error = writeFileAtomically(png, bytes, true); error != noErr) {
    systemLogf("saveDataInPNGFile - %s could not be written (error %d)", png.c_str(), static_cast<int>(error));
    return false;
  }
  return true;
}

bool saveDataInPNGFile(const FSSpec& png, const char* originalPath) {
  fs::path path;
  if (const OSErr error = FSpMakePath(png, path); error != noErr) {
    systemLogf("saveDataInPNGFile - the file has no path (error %d)", static_cast<int>(error));
    return false;
  }
  return saveDataInPNGFile(path, originalPath);
}

}  // namespace vorl
