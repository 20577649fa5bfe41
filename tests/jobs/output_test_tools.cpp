#include "tests/jobs/output_test_tools.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/system/command_runner.h"

namespace vorl::test {

namespace fs = std::filesystem;

bool toolAvailable(const char* program) {
  const char* path = std::getenv("PATH");
  std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
  std::string folder;
  while (std::getline(folders, folder, ':')) {
    if (!folder.empty() && access((fs::path(folder) / program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

std::string toolOutput(const std::vector<std::string>& arguments) {
  const CommandResult result = runCommand(arguments);
  EXPECT_TRUE(result.succeeded()) << arguments.front() << ": " << describeOutcome(result) << " "
                                  << result.standardError;
  return result.succeeded() ? result.standardOutput : std::string();
}

std::vector<std::uint8_t> fileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const fs::path& file, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void writeText(const fs::path& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
}

std::vector<std::string> folderNames(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string plistAsJson(const std::string& plist) {
  static constexpr const char* kScript =
      "import sys, json, plistlib, datetime\n"
      "def plain(v):\n"
      "    if isinstance(v, bytes): return 'bytes:' + v.hex()\n"
      "    if isinstance(v, datetime.datetime): return v.isoformat()\n"
      "    raise TypeError(type(v))\n"
      "print(json.dumps(plistlib.loads(open(sys.argv[1], 'rb').read()), default=plain, sort_keys=True))\n";
  const fs::path file = fs::temp_directory_path() / ("plist-" + std::to_string(getpid()) + ".plist");
  writeText(file, plist);
  std::string json = toolOutput({"python3", "-c", kScript, file.string()});
  fs::remove(file);
  while (!json.empty() && json.back() == '\n') json.pop_back();
  return json;
}

OffscreenPtr makeGradientPicture(int width, int height) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr picture{myNewGWorld(&bounds)};
  if (!picture) return picture;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture->baseAddr() + y * picture->rowBytes();
    for (int x = 0; x < width; ++x) {
      row[4 * x + 0] = 0;
      row[4 * x + 1] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
      row[4 * x + 2] = static_cast<std::uint8_t>(y * 255 / std::max(1, height - 1));
      row[4 * x + 3] = static_cast<std::uint8_t>((x * 7 + y * 13) & 0xFF);
    }
  }
  return picture;
}

}  // namespace vorl::test
