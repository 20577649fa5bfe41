#include "imaging/color/profile_search.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "imaging/color/color_profile.h"
#include "platform/files/file_specs.h"
#include "platform/files/xdg_folders.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

// Colour folders hold a vendor or tool level below them (colord/, ghostscript/); deeper trees are not profiles.
constexpr int kMaxFolderDepth = 4;

std::mutex gProjectFolderMutex;
fs::path gProjectFolder;

std::optional<fs::path> absoluteVariable(const char* name) {
  const char* value = std::getenv(name);
  if (!value || value[0] != '/') return std::nullopt;
  return fs::path(value);
}

struct Candidate {
  FSSpec spec;
  bool found = false;
};

struct Search {
  std::string_view wantedName;  // Mac Roman
  OSType wantedClass = 0;
  Candidate otherClass;  // the first profile of the name in another class
  Candidate result;
};

// The class of the profile file, or nothing when it is no profile.
std::optional<OSType> profileClassOf(const fs::path& file) {
  const CMProfileRef profile = openProfileFile(file, nullptr);
  if (!profile) return std::nullopt;
  return profile->classType();
}

// The name as the folder lists it, or the short "#<inode>" name a file specification holds for a long one.
bool nameMatches(const fs::path& file, std::string_view wanted, FSSpec& spec) {
  const bool same = diskNameToMacName(file.filename().string()) == wanted;
  if (!same && wanted.find('#') == std::string_view::npos) return false;
  return FSMakeFSSpecFromPath(file, spec) == noErr && (same || spec.name.macRoman() == wanted);
}

// Walks one folder in name order; true once a profile of the wanted class was found.
bool searchFolder(const fs::path& folder, int depth, Search& search) {
  std::error_code error;
  std::vector<fs::directory_entry> entries;
  for (fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, error), end;
       !error && it != end; it.increment(error))
    entries.push_back(*it);
  std::sort(entries.begin(), entries.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path() < b.path(); });
  for (const fs::directory_entry& entry : entries) {
    std::error_code typeError;
    if (entry.is_regular_file(typeError)) {
      FSSpec spec;
      if (!nameMatches(entry.path(), search.wantedName, spec)) continue;
      const std::optional<OSType> profileClass = profileClassOf(entry.path());
      if (!profileClass) continue;
      if (search.wantedClass == 0 || *profileClass == search.wantedClass) {
        search.result = {spec, true};
        return true;
      }
      if (!search.otherClass.found) search.otherClass = {spec, true};
    } else if (depth < kMaxFolderDepth && !entry.is_symlink(typeError) && entry.is_directory(typeError)) {
      if (searchFolder(entry.path(), depth + 1, search)) return true;
    }
  }
  return false;
}

}  // namespace

void setProjectProfileFolder(const fs::path& folder) {
  std::lock_guard lock(gProjectFolderMutex);
  gProjectFolder = folder;
}

std::vector<fs::path> profileSearchFolders() {
  std::vector<fs::path> folders;
  const fs::path home = homeFolder();
  folders.push_back(absoluteVariable("XDG_DATA_HOME").value_or(home / ".local/share") / "icc");
  std::string dataDirs = "/usr/local/share:/usr/share";
  if (const char* value = std::getenv("XDG_DATA_DIRS"); value && value[0] != '\0') dataDirs = value;
  for (std::size_t start = 0; start <= dataDirs.size();) {
    const std::size_t colon = std::min(dataDirs.find(':', start), dataDirs.size());
    const fs::path dir(dataDirs.substr(start, colon - start));
    if (dir.is_absolute()) {
      folders.push_back(dir / "color/icc");
      folders.push_back(dir / "icc");
    }
    start = colon + 1;
  }
  folders.push_back(home / ".color/icc");
  folders.push_back("/usr/local/share/color/icc");
  folders.push_back("/usr/share/color/icc");
  {
    std::lock_guard lock(gProjectFolderMutex);
    if (!gProjectFolder.empty()) folders.push_back(gProjectFolder);
  }
  std::vector<fs::path> unique;
  for (fs::path& folder : folders) {
    folder = folder.lexically_normal();
    if (std::find(unique.begin(), unique.end(), folder) == unique.end()) unique.push_back(std::move(folder));
  }
  return unique;
}

bool FindProfile(OSType profileClass, FSSpec* result, const unsigned char* name) {
  if (!result || !name || name[0] == 0) return false;
  Search search;
  search.wantedName = std::string_view(reinterpret_cast<const char*>(name + 1), name[0]);
  search.wantedClass = profileClass;
  for (const fs::path& folder : profileSearchFolders())
    if (searchFolder(folder, 0, search)) break;
  const Candidate& found = search.result.found ? search.result : search.otherClass;
  if (!found.found) return false;
  *result = found.spec;
  return true;
}

}  // namespace vorl
