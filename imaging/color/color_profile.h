// imaging/color/: colour. ICC profiles (this unit) and finding them by name, transforms between two profiles on
// LittleCMS, matching a page to the printer's profile, converting photos with their own profiles into the working
// space, the operator's colour tables and sepia, and the per-image colour adjustment with its stored record.
//
// ICC profiles on LittleCMS: the open profile every colour operation takes (`IccProfile`), and `Profile`, the
// small object the image road asks for the user's default profiles and the generic RGB space.
//
// An `IccProfile` keeps the profile's bytes beside the LittleCMS handle. The bytes are its identity: the colour
// transforms are cached by them, so a profile file replaced under the same path is never matched with a stale
// transform. Profiles are shared (`std::shared_ptr`) and never change once made, so any thread may use them.
#pragma once

#include <lcms2.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/mac_types.h"

namespace vorl {

// The colour engine's result codes, kept for the log lines.
inline constexpr OSErr cmProfileError = -170;          // the file or data is no profile LittleCMS can read
inline constexpr OSErr cmCantConcatenateError = -178;  // no transform between the two profiles
inline constexpr OSErr cmUnsupportedDataType = -181;   // pixels the matching cannot take

// Profiles larger than this are refused before they are read; real ones stay far below.
inline constexpr std::uint64_t kMaxProfileBytes = 64u << 20;

// The process's LittleCMS context; its errors go to the system log.
cmsContext colorContext() noexcept;

class IccProfile {
 public:
  ~IccProfile();
  IccProfile(const IccProfile&) = delete;
  IccProfile& operator=(const IccProfile&) = delete;

  // The handle for LittleCMS calls; valid while this object lives.
  cmsHPROFILE handle() const noexcept { return handle_; }
  std::span<const std::uint8_t> bytes() const noexcept { return *bytes_; }
  std::size_t bytesHash() const noexcept { return hash_; }
  bool sameBytes(const IccProfile& other) const noexcept;

  OSType classType() const noexcept;  // 'mntr', 'prtr', 'scnr', ...
  OSType spaceType() const noexcept;  // 'RGB ', 'GRAY', 'CMYK', ...
  // The header's rendering intent; perceptual when the header holds no valid intent.
  int renderingIntent() const noexcept;
  // The profile's description; empty when it has none.
  std::string description() const;

 private:
  friend std::shared_ptr<const IccProfile> openProfileData(std::vector<std::uint8_t> bytes, OSErr* error);
  IccProfile() = default;

  cmsHPROFILE handle_ = nullptr;
  std::shared_ptr<const std::vector<std::uint8_t>> bytes_;
  std::size_t hash_ = 0;
};
using CMProfileRef = std::shared_ptr<const IccProfile>;

// A profile from ICC bytes. Null, with `error` (may be null) set to cmProfileError and a log line, when
// LittleCMS refuses them.
[[nodiscard]] CMProfileRef openProfileData(std::vector<std::uint8_t> bytes, OSErr* error);
[[nodiscard]] CMProfileRef openProfileData(std::span<const std::uint8_t> bytes, OSErr* error);
// A profile from a file. Only regular files are read (a FIFO or device would block); null with fnfErr for a
// missing file, cmProfileError for a folder, an empty, huge or corrupt file, and the read's error otherwise.
[[nodiscard]] CMProfileRef openProfileFile(const std::filesystem::path& path, OSErr* error);
// The profile LittleCMS builds for sRGB (IEC 61966-2.1).
[[nodiscard]] CMProfileRef openSRGBProfile();

class Profile;
using ProfileRef = std::shared_ptr<Profile>;

// One profile as the image road sees it: where it lives, its class and space, and its handle, opened on first
// use. Equal profiles are those of the same path.
class Profile {
 public:
  // The profile at a POSIX path; null when the file is no profile.
  static ProfileRef profileWithPath(std::string_view path);
  // The profile at the path stored under "DefaultRGBProfile" ("DefaultGrayProfile", "DefaultCMYKProfile") in the
  // user defaults. Without the key the object exists but opens no profile; with a key whose file is no profile,
  // null.
  static ProfileRef profileDefaultRGB();
  static ProfileRef profileDefaultGray();
  static ProfileRef profileDefaultCMYK();
  // The generic RGB space. There is no system profile for it here, so it is LittleCMS's sRGB; it has no path.
  static ProfileRef profileWithGenericRGB();

  Profile(const Profile&) = delete;
  Profile& operator=(const Profile&) = delete;

  // The open profile; null when it cannot be opened (or the object has no location).
  CMProfileRef ref();
  // The handle drawing and conversion take; null as for `ref`.
  cmsHPROFILE colorspace();
  // The profile's description; empty when it opens nothing.
  std::string description();
  const std::string& path() const noexcept { return path_; }
  OSType classType() const noexcept { return class_; }
  OSType spaceType() const noexcept { return space_; }

  // The same object, or both with the same non-empty path.
  bool isEqual(const Profile& other) const noexcept;
  bool operator==(const Profile& other) const noexcept { return isEqual(other); }

 private:
  explicit Profile(std::string path) : path_(std::move(path)) {}
  static ProfileRef profileFromDefaultsKey(std::string_view key);

  std::mutex mutex_;  // guards the lazily opened fields
  CMProfileRef ref_;
  bool triedOpen_ = false;
  std::string path_;  // empty: no location on disk
  std::string name_;
  bool haveName_ = false;
  OSType class_ = 0;
  OSType space_ = 0;
};

}  // namespace vorl
