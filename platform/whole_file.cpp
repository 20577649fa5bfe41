#include "platform/whole_file.h"

#include <ctime>
#include <string>

#include "platform/safe_files.h"

namespace fs = std::filesystem;

namespace vorl {

OSErr readWholeFile(const fs::path& file, std::vector<std::uint8_t>& bytes, std::size_t limit) {
  return readFileBytes(file, bytes, limit);
}

OSErr replaceFileAtomically(const fs::path& file, std::span<const std::uint8_t> bytes, mode_t mode) {
  if (!file.has_filename()) return bdNamErr;
  return writeFileAtomically(file, bytes, true, mode);
}

OSErr replaceFileAtomically(const fs::path& file, std::string_view text, mode_t mode) {
  return replaceFileAtomically(
      file, std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), mode);
}

OSErr setFileAside(const fs::path& file, std::string_view tag, fs::path& setAside) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  const std::string base = file.filename().string() + "." + std::string(tag) + "-" + stamp;
  for (int attempt = 1; attempt <= 100; ++attempt) {
    const fs::path candidate = file.parent_path() / (attempt == 1 ? base : base + "-" + std::to_string(attempt));
    const OSErr renamed = renameItem(file, candidate, false);
    if (renamed == noErr) {
      setAside = candidate;
      return noErr;
    }
    if (renamed != dupFNErr) return renamed;
  }
  return dupFNErr;
}

}  // namespace vorl
