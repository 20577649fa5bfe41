#include "imaging/color/color_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "platform/system/system_log.h"
#include "platform/plists/user_defaults.h"

namespace vorl {

namespace {

void logColorEngineError(cmsContext, cmsUInt32Number code, const char* text) {
  systemLogf("LittleCMS error %u: %s", static_cast<unsigned>(code), text ? text : "");
}

void setError(OSErr* error, OSErr value) noexcept {
  if (error) *error = value;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) noexcept : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const noexcept { return fd_; }

 private:
  int fd_;
};

// Reads the whole regular file; noErr or the error that stopped it.
OSErr readProfileFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer; the type check below then refuses it.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.get() < 0) return osErrFromErrno(errno);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return osErrFromErrno(errno);
  if (!S_ISREG(info.st_mode)) {
    systemLogf("Profile %s is not a regular file", path.c_str());
    return cmProfileError;
  }
  const auto size = static_cast<std::uint64_t>(info.st_size);
  if (size < 128 || size > kMaxProfileBytes) {
    systemLogf("Profile %s has %llu bytes, which no profile has", path.c_str(), static_cast<unsigned long long>(size));
    return cmProfileError;
  }
  bytes.resize(static_cast<std::size_t>(size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = ::read(file.get(), bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return osErrFromErrno(errno);
    if (got == 0) break;  // shrank while being read
    done += static_cast<std::size_t>(got);
  }
  bytes.resize(done);
  return noErr;
}

}  // namespace

cmsContext colorContext() noexcept {
  static const cmsContext context = [] {
    cmsContext made = cmsCreateContext(nullptr, nullptr);
    cmsSetLogErrorHandlerTHR(made, logColorEngineError);
    return made;
  }();
  return context;
}

IccProfile::~IccProfile() {
  if (handle_) cmsCloseProfile(handle_);
}

bool IccProfile::sameBytes(const IccProfile& other) const noexcept {
  if (this == &other || bytes_ == other.bytes_) return true;
  return hash_ == other.hash_ && *bytes_ == *other.bytes_;
}

OSType IccProfile::classType() const noexcept { return static_cast<OSType>(cmsGetDeviceClass(handle_)); }

OSType IccProfile::spaceType() const noexcept { return static_cast<OSType>(cmsGetColorSpace(handle_)); }

int IccProfile::renderingIntent() const noexcept {
  const cmsUInt32Number intent = cmsGetHeaderRenderingIntent(handle_);
  return intent <= INTENT_ABSOLUTE_COLORIMETRIC ? static_cast<int>(intent) : INTENT_PERCEPTUAL;
}

std::string IccProfile::description() const {
  const cmsUInt32Number size = cmsGetProfileInfoASCII(handle_, cmsInfoDescription, "en", "US", nullptr, 0);
  if (size == 0) return {};
  std::string text(size, '\0');
  cmsGetProfileInfoASCII(handle_, cmsInfoDescription, "en", "US", text.data(), size);
  text.resize(std::strlen(text.c_str()));
  return text;
}

CMProfileRef openProfileData(std::vector<std::uint8_t> bytes, OSErr* error) {
  setError(error, cmProfileError);
  if (bytes.size() < 128 || bytes.size() > kMaxProfileBytes) {
    systemLogf("A profile of %zu bytes is refused", bytes.size());
    return nullptr;
  }
  // LittleCMS copies the bytes; ours stay as the profile's identity.
  cmsHPROFILE handle =
      cmsOpenProfileFromMemTHR(colorContext(), bytes.data(), static_cast<cmsUInt32Number>(bytes.size()));
  if (!handle) {
    systemLog("LittleCMS refuses the profile data");
    return nullptr;
  }
  std::shared_ptr<IccProfile> profile(new IccProfile);
  profile->handle_ = handle;
  profile->hash_ =
      std::hash<std::string_view>{}(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
  profile->bytes_ = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
  setError(error, noErr);
  return profile;
}

CMProfileRef openProfileData(std::span<const std::uint8_t> bytes, OSErr* error) {
  return openProfileData(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), error);
}

CMProfileRef openProfileFile(const std::filesystem::path& path, OSErr* error) {
  std::vector<std::uint8_t> bytes;
  if (const OSErr readError = readProfileFile(path, bytes); readError != noErr) {
    setError(error, readError);
    return nullptr;
  }
  CMProfileRef profile = openProfileData(std::move(bytes), error);
  if (!profile) systemLogf("%s is no profile", path.c_str());
  return profile;
}

CMProfileRef openSRGBProfile() {
  static const CMProfileRef sRGB = []() -> CMProfileRef {
    cmsHPROFILE made = cmsCreate_sRGBProfileTHR(colorContext());
    if (!made) return nullptr;
    cmsUInt32Number size = 0;
    std::vector<std::uint8_t> bytes;
    if (cmsSaveProfileToMem(made, nullptr, &size) && size > 0) {
      bytes.resize(size);
      if (!cmsSaveProfileToMem(made, bytes.data(), &size)) bytes.clear();
    }
    cmsCloseProfile(made);
    return openProfileData(std::move(bytes), nullptr);
  }();
  return sRGB;
}

ProfileRef Profile::profileWithPath(std::string_view path) {
  if (path.empty()) return nullptr;
  ProfileRef profile(new Profile(std::string(path)));
  const CMProfileRef opened = profile->ref();
  if (!opened) return nullptr;
  profile->class_ = opened->classType();
  profile->space_ = opened->spaceType();
  return profile;
}

ProfileRef Profile::profileFromDefaultsKey(std::string_view key) {
  const std::optional<std::string> path = standardUserDefaults().string(key);
  if (!path) return ProfileRef(new Profile(std::string()));
  return profileWithPath(*path);
}

ProfileRef Profile::profileDefaultRGB() { return profileFromDefaultsKey("DefaultRGBProfile"); }
ProfileRef Profile::profileDefaultGray() { return profileFromDefaultsKey("DefaultGrayProfile"); }
ProfileRef Profile::profileDefaultCMYK() { return profileFromDefaultsKey("DefaultCMYKProfile"); }

ProfileRef Profile::profileWithGenericRGB() {
  CMProfileRef sRGB = openSRGBProfile();
  if (!sRGB) return nullptr;
  ProfileRef profile(new Profile(std::string()));
  profile->ref_ = std::move(sRGB);
  profile->triedOpen_ = true;
  profile->class_ = fourCharCode("mntr");
  profile->space_ = fourCharCode("RGB ");
  return profile;
}

CMProfileRef Profile::ref() {
  std::lock_guard lock(mutex_);
  if (!triedOpen_) {
    triedOpen_ = true;
    if (!path_.empty()) ref_ = openProfileFile(path_, nullptr);
  }
  return ref_;
}

cmsHPROFILE Profile::colorspace() {
  const CMProfileRef opened = ref();
  return opened ? opened->handle() : nullptr;
}

std::string Profile::description() {
  const CMProfileRef opened = ref();
  std::lock_guard lock(mutex_);
  if (!haveName_ && opened) {
    name_ = opened->description();
    haveName_ = true;
  }
  return name_;
}

bool Profile::isEqual(const Profile& other) const noexcept {
  return this == &other || (!path_.empty() && path_ == other.path_);
}

}  // namespace vorl
