#include "jobs/outputs/output_file_utilities.h"

#include <sys/stat.h>

#include <array>
#include <string>
#include <system_error>
#include <vector>

#include "foundation/text/pascal_strings.h"
#include "imaging/codecs/exif_metadata.h"
#include "imaging/color/color_profile.h"
#include "imaging/image_files/image_file.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

constexpr int kMaxCopyNumber = 32000;

// Position of the mark (1-based) when it stands before the last character, else 0.
std::int16_t beforeLast(std::int16_t position, const CStr255_AC& name) {
  return position > 0 && static_cast<std::size_t>(position) < name.length() ? position : 0;
}

CStr255_AC leftOf(const CStr255_AC& name, std::int16_t position) {
  return CStr255_AC(name.macRoman().substr(0, static_cast<std::size_t>(position - 1)));
}

// The extension as the part after the last "." of the name, when that "." is neither its first nor its last
// character (".profile" and "name." have none).
void splitName(const std::string& name, std::string& base, std::string& extension) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) {
    base = name;
    extension.clear();
  } else {
    base = name.substr(0, dot);
    extension = name.substr(dot + 1);
  }
}

bool readFlag(const PlistDictionary& request, const char* key) {
  const auto entry = request.find(key);
  if (entry == request.end()) return false;
  if (const bool* flag = entry->second.get<bool>()) return *flag;
  if (const std::int64_t* number = entry->second.get<std::int64_t>()) return *number != 0;
  if (const double* real = entry->second.get<double>()) return *real != 0;
  return false;
}

std::optional<fs::path> readPath(const PlistDictionary& request, const char* key) {
  const auto entry = request.find(key);
  if (entry == request.end()) return std::nullopt;
  const std::string* text = entry->second.get<std::string>();
  if (text == nullptr || text->empty()) return std::nullopt;
  return fs::path(*text);
}

// Copies the source's bytes into the open temporary file; the permission bits and modification time go with
// them, as a Finder copy keeps them.
OSErr copyInto(const fs::path& source, TempFile& temp) {
  ReadOnlyFile input;
  if (const OSErr error = input.open(source); error != noErr) return error;
  std::vector<std::uint8_t> chunk(256 * 1024);
  for (;;) {
    std::size_t count = 0;
    if (const OSErr error = input.read(chunk, count); error != noErr) return error;
    if (count == 0) break;
    if (const OSErr error = temp.write(std::span(chunk.data(), count)); error != noErr) return error;
  }
  struct stat info {};
  if (fstat(input.fd(), &info) == 0) {
    static_cast<void>(fchmod(temp.fd(), info.st_mode & 07777));  // a failure only loses the bits, not the copy
    const timespec times[2] = {info.st_atim, info.st_mtim};
    static_cast<void>(futimens(temp.fd(), times));
  }
  return noErr;
}

}  // namespace

CStr255_AC getCustomerNameFromFileName(const CStr255_AC& name) {
  if (const std::int16_t at = beforeLast(FindPos(CStr255_AC("_"), name), name)) return leftOf(name, at);
  if (const std::int16_t at = beforeLast(FindPos(CStr255_AC(" copy"), name), name)) return leftOf(name, at);
  if (const std::int16_t at = beforeLast(FindPosInReverse(CStr255_AC("."), name), name)) return leftOf(name, at);
  return name;
}

std::optional<fs::path> createUniqueNameFromPath(const fs::path& path) {
  if (path.empty()) {
    systemLog("createUniqueNameFromPath - no path was given");
    return std::nullopt;
  }
  if (!itemExists(path)) return path;
  std::string base, extension;
  splitName(path.filename().string(), base, extension);
  const std::string dottedExtension = extension.empty() ? std::string() : "." + extension;
  for (int number = 0; number <= kMaxCopyNumber; ++number) {
    const std::string suffix = number == 0 ? std::string(" copy") : " copy " + std::to_string(number);
    fs::path candidate = path.parent_path() / (base + suffix + dottedExtension);
    if (!itemExists(candidate)) {
      systemLogf("createUniqueNameFromPath - the free name is %s", candidate.c_str());
      return candidate;
    }
  }
  systemLogf("createUniqueNameFromPath - no free \" copy\" name for %s", path.c_str());
  return std::nullopt;
}

bool doCopyTheFileNew(PlistDictionary& request) {
  const bool overwrite = readFlag(request, kDoOverwriteKey);
  const std::optional<fs::path> source = readPath(request, kPathToSrcItemKey);
  if (!source || !itemExists(*source)) {
    systemLogf("doCopyTheFileNew - the source file is missing: %s", source ? source->c_str() : "(no path)");
    return false;
  }
  const std::optional<fs::path> destination = readPath(request, kPathToDestItemKey);
  if (!destination) {
    systemLog("dstPath is NIL...");
    return false;
  }
  const fs::path folder = destination->parent_path().empty() ? fs::path(".") : destination->parent_path();
  std::error_code folderError;
  fs::create_directories(folder, folderError);
  if (folderError) {
    systemLogf("doCopyTheFileNew - the folder %s cannot be made: %s", folder.c_str(), folderError.message().c_str());
    return false;
  }

  TempFile temp;
  OSErr error = temp.open(folder);
  if (error == noErr) error = copyInto(*source, temp);
  if (error != noErr) {
    systemLogf("doCopyTheFileNew - copying %s into %s failed (error %d)", source->c_str(), folder.c_str(),
               static_cast<int>(error));
    return false;
  }
  // Without overwriting, a name taken between the search and the rename sends the search on to the next name.
  fs::path target = *destination;
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!overwrite) {
      const std::optional<fs::path> free = createUniqueNameFromPath(*destination);
      if (!free) {
        systemLogf("doCopyTheFileNew - no free name for %s", destination->c_str());
        return false;
      }
      target = *free;
    }
    error = temp.commit(target, overwrite);
    if (error != dupFNErr || overwrite) break;
  }
  if (error != noErr) {
    systemLogf("doCopyTheFileNew - the copy could not take the name %s (error %d)", target.c_str(),
               static_cast<int>(error));
    return false;
  }
  request[kPathToDestItemKey] = target.string();
  return true;
}

bool saveCGImageRefToPath(const Offscreen* picture, const fs::path& path, std::int16_t resolution) {
  if (picture == nullptr) return false;
  constexpr std::int16_t kJpegSaveType = 3;
  return saveCGImageRefToPath(picture, path, kJpegSaveType, 100.0f, resolution);
}

namespace {

// An RGB file may only carry an RGB profile: readers refuse a file tagged with another space, or misread it.
bool describesRGBValues(std::span<const std::uint8_t> profile, const fs::path& output) {
  const CMProfileRef opened = openProfileData(profile, nullptr);
  if (opened && opened->spaceType() == fourCharCode("RGB ")) return true;
  systemLogf("embedSourceImageProfileInOutputFile - %s keeps no profile: %s", output.c_str(),
             opened ? "the profile's colour space is not the file's RGB" : "the profile cannot be read");
  return false;
}

OSErr embedProfile(std::span<const std::uint8_t> profile, const fs::path& output) {
  std::vector<std::uint8_t> outputBytes;
  OSErr error = describesRGBValues(profile, output) ? readFileBytes(output, outputBytes) : paramErr;
  codec::Bytes rewritten;
  if (error == noErr) error = codec::withIccProfile(outputBytes, profile, rewritten, output.string());
  if (error == noErr) error = writeFileAtomically(output, rewritten, true);
  if (error != noErr)
    systemLogf("embedSourceImageProfileInOutputFile - %s keeps its own colours (error %d)", output.c_str(),
               static_cast<int>(error));
  return error;
}

// The photo's own profile; kNoEmbeddedProfileErr (logged) when it has none.
OSErr sourceProfileOf(const fs::path& source, std::vector<std::uint8_t>& profile) {
  std::vector<std::uint8_t> sourceBytes;
  OSErr error = readFileBytes(source, sourceBytes);
  if (error == noErr) error = codec::readIccProfileOf(sourceBytes, profile, source.string());
  if (error == kNoEmbeddedProfileErr) systemLog("Colorsync profile could not be extracted from source file - does it have one?");
  return error;
}

}  // namespace

OSErr embedSourceImageProfileInOutputFile(const fs::path& source, const fs::path& output) {
  std::vector<std::uint8_t> profile;
  const OSErr error = sourceProfileOf(source, profile);
  if (error != noErr) return error;
  return embedProfile(profile, output);
}

OSErr embedProfileOfWrittenColours(const fs::path& source, const fs::path& output, const WrittenColours& colours) {
  std::vector<std::uint8_t> profile;
  OSErr error = sourceProfileOf(source, profile);
  if (error != noErr) return error;
  if (colours.matchedPrinterProfile) {
    error = readFileBytes(*colours.matchedPrinterProfile, profile);
    if (error != noErr) {
      systemLogf("embedSourceImageProfileInOutputFile - the printer profile %s cannot be read (error %d)",
                 colours.matchedPrinterProfile->c_str(), static_cast<int>(error));
      return error;
    }
  } else if (colours.embeddedProfilesApplied) {
    // A photo whose own profile opens was converted into the working space; one that does not kept its values,
    // which no profile describes.
    const CMProfileRef own = openProfileData(profile, nullptr);
    const ProfileRef working = Profile::profileWithGenericRGB();
    if (!own || working == nullptr || working->ref() == nullptr) {
      systemLogf("embedSourceImageProfileInOutputFile - %s keeps no profile: the photo's own was not applied",
                 output.c_str());
      return paramErr;
    }
    const std::span<const std::uint8_t> workingBytes = working->ref()->bytes();
    profile.assign(workingBytes.begin(), workingBytes.end());
  }
  return embedProfile(profile, output);
}

OSErr embedSourceImageProfileInOutputFile(const FSSpec& source, const FSSpec& output) {
  fs::path sourcePath, outputPath;
  if (const OSErr error = FSpMakePath(source, sourcePath); error != noErr) return error;
  if (const OSErr error = FSpMakePath(output, outputPath); error != noErr) return error;
  return embedSourceImageProfileInOutputFile(sourcePath, outputPath);
}

std::string percentEscapedPath(std::string_view utf8Path) {
  static constexpr std::string_view kKept = "-._~!$&'()*+,;=:@/";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(utf8Path.size());
  for (const char c : utf8Path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool alphanumeric =
        (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9');
    if (alphanumeric || (byte != 0 && kKept.find(c) != std::string_view::npos)) {
      escaped += c;
    } else {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0x0F];
    }
  }
  return escaped;
}

bool fsSpecToCharArray(const FSSpec& file, std::span<char, kEscapedPathBufferSize> buffer) {
  std::fill(buffer.begin(), buffer.end(), '\0');
  fs::path path;
  if (const OSErr error = FSpMakePath(file, path); error != noErr) {
    systemLogf("fsSpecToCharArray - the file has no path (error %d)", static_cast<int>(error));
    return false;
  }
  const std::string plain = path.string();
  const std::string escaped = percentEscapedPath(plain);
  const std::string* text = &escaped;
  if (escaped.size() >= buffer.size()) {
    systemLogf("fsSpecToCharArray - the escaped path of %s is too long; the plain path stays", plain.c_str());
    text = &plain;
  }
  if (text->size() >= buffer.size()) {
    systemLogf("fsSpecToCharArray - the path %s is too long", plain.c_str());
    return false;
  }
  std::copy(text->begin(), text->end(), buffer.begin());
  return true;
}

}  // namespace vorl
