#include "jobs/delivery/leftover_temporary_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <system_error>

#include "platform/system/system_log.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

bool allOf(std::string_view text, int (*test)(int)) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [test](char c) { return test(static_cast<unsigned char>(c)) != 0; });
}

// `text` is `prefix`, then what `rest` accepts.
template <class Rest>
bool startsWithThen(std::string_view text, std::string_view prefix, Rest rest) {
  return text.starts_with(prefix) && rest(text.substr(prefix.size()));
}

// The names below must stay in step with the writers that make them: the print-data file, the replacement
// batch and the safe files' temporary files, the page staging and the movie join.
bool isTemporaryNameItself(std::string_view name, std::string_view macAddress) {
  if (!macAddress.empty() && name.starts_with("Tempfile_") && name.substr(9).starts_with(macAddress) &&
      name.substr(9 + macAddress.size()).starts_with("_"))
    return allOf(name.substr(9 + macAddress.size() + 1), isdigit);
  if (!name.starts_with(".vorl-")) return false;
  const std::string_view rest = name.substr(6);
  if (rest.size() == 16 + 4 && rest.ends_with(".tmp")) return allOf(rest.substr(0, 16), isxdigit);
  if (startsWithThen(rest, "output-", [](std::string_view numbers) {
        if (!numbers.ends_with(".tmp")) return false;
        numbers.remove_suffix(4);
        const std::size_t dash = numbers.find('-');
        return dash != std::string_view::npos && allOf(numbers.substr(0, dash), isdigit) &&
               allOf(numbers.substr(dash + 1), isdigit);
      }))
    return true;
  return startsWithThen(rest, "merge-", [](std::string_view tail) {
    // mkstemps' six characters, then the movie's extension.
    return tail.size() > 7 && allOf(tail.substr(0, 6), isalnum) && tail[6] == '.';
  });
}

}  // namespace

bool isOwnTemporaryName(std::string_view name, std::string_view macAddress) {
  if (name.starts_with("._")) name.remove_prefix(2);
  return isTemporaryNameItself(name, macAddress);
}

int removeLeftoverTemporaryFiles(const std::vector<fs::path>& folders, std::chrono::system_clock::time_point start,
                                 std::string_view macAddress) {
  const auto startNanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count();
  std::set<fs::path> seen;
  int removed = 0;
  for (const fs::path& folder : folders) {
    if (folder.empty() || !seen.insert(folder.lexically_normal()).second) continue;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      const fs::path& item = it->path();
      if (!isOwnTemporaryName(item.filename().string(), macAddress)) continue;
      struct stat info {};
      if (::lstat(item.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
      const auto written = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
      if (written >= startNanoseconds) continue;
      std::error_code removeError;
      if (fs::remove(item, removeError)) {
        ++removed;
        systemLogf("Removed [%s], a temporary file an earlier run left unfinished", item.c_str());
      } else {
        systemLogf("The temporary file [%s] an earlier run left cannot be removed: %s", item.c_str(),
                   removeError.message().c_str());
      }
    }
  }
  return removed;
}

}  // namespace vorl
