#include "jobs/outputs/video_merge.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "jobs/outputs/output_file_utilities.h"
#include "platform/system/command_runner.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"
#include "platform/plists/user_defaults.h"
#include "platform/files/xdg_folders.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

constexpr const char* kDefaultIntroFile = "/srv/Shared/MasterDvdContentFolder/Chapter1.mov";
constexpr const char* kDefaultOutroFile = "/srv/Shared/MasterDvdContentFolder/Chapter3.mov";
constexpr const char* kDefaultProgram = "ffmpeg";

std::string defaultString(std::string_view key, const char* fallback) {
  const std::optional<std::string> value = standardUserDefaults().string(key);
  return value && !value->empty() ? *value : std::string(fallback);
}

// "~" and "~/..." stand for the home folder; "." and ".." components are resolved without following links.
fs::path standardised(const fs::path& path) {
  std::string text = path.string();
  if (text == "~" || text.starts_with("~/")) text = homeFolder().string() + text.substr(1);
  std::error_code error;
  fs::path absolute = fs::absolute(fs::path(text), error);
  if (error) absolute = fs::path(text);
  return absolute.lexically_normal();
}

// One line of ffmpeg's concat list: inside single quotes everything is literal except the quote itself,
// which closes, is escaped and reopens.
std::string concatListLine(const fs::path& clip) {
  std::string line = "file '";
  for (const char c : clip.string()) {
    if (c == '\'') {
      line += "'\\''";
    } else {
      line += c;
    }
  }
  return line + "'\n";
}

// A private folder for the concat list, removed with everything in it when the merge ends.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "vorl-merge-XXXXXX").string();
    if (error) pattern = "/tmp/vorl-merge-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code error;
    if (!path_.empty()) fs::remove_all(path_, error);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const fs::path& path() const noexcept { return path_; }

 private:
  fs::path path_;
};

// The movie's file while ffmpeg writes it: hidden, in the output's folder, with the output's extension so that
// ffmpeg picks the container by it. Removed unless it was renamed into place.
class PendingMovie {
 public:
  explicit PendingMovie(const fs::path& output) {
    const std::string extension = output.extension().string();
    std::string pattern = (output.parent_path() / (".vorl-merge-XXXXXX" + extension)).string();
    const int fd = mkstemps(pattern.data(), static_cast<int>(extension.size()));
    if (fd < 0) {
      error_ = errno;
      return;
    }
    close(fd);
    path_ = pattern;
  }
  ~PendingMovie() {
    if (!path_.empty()) unlink(path_.c_str());
  }
  PendingMovie(const PendingMovie&) = delete;
  PendingMovie& operator=(const PendingMovie&) = delete;

  const fs::path& path() const noexcept { return path_; }
  int error() const noexcept { return error_; }
  void committed() noexcept { path_.clear(); }

 private:
  fs::path path_;
  int error_ = 0;
};

bool flushToDisk(const fs::path& file) {
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool flushed = fsync(fd) == 0;
  close(fd);
  return flushed;
}

bool isClip(const fs::path& clip, const char* role) {
  std::error_code error;
  if (fs::is_regular_file(clip, error)) return true;
  systemLogf("MergeVideosNew - the %s clip %s is missing; nothing is merged", role, clip.c_str());
  return false;
}

// Gives the finished movie its name: the output path, or its first free " copy" name when that is taken
// (also when another file took it meanwhile).
bool renameIntoPlace(PendingMovie& movie, const fs::path& output, fs::path& finalPath) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::optional<fs::path> free = createUniqueNameFromPath(output);
    if (!free) return false;
    const OSErr error = renameItem(movie.path(), *free, false);
    if (error == noErr) {
      movie.committed();
      finalPath = *free;
      static_cast<void>(syncFolder(output.parent_path()));  // the movie is whole; only its name may wait
      return true;
    }
    if (error != dupFNErr) {
      systemLogf("MergeVideosNew - the movie could not take the name %s (error %d)", free->c_str(),
                 static_cast<int>(error));
      return false;
    }
  }
  return false;
}

}  // namespace

VideoMergeSettings videoMergeSettings() {
  return {defaultString(kVideoMergeIntroFileKey, kDefaultIntroFile),
          defaultString(kVideoMergeOutroFileKey, kDefaultOutroFile),
          defaultString(kVideoMergeProgramKey, kDefaultProgram)};
}

bool MergeVideosNew(const fs::path& input, const fs::path& output, fs::path* written) {
  const VideoMergeSettings settings = videoMergeSettings();
  const fs::path clip = standardised(input);
  const fs::path intro = standardised(settings.introFile);
  const fs::path outro = standardised(settings.outroFile);
  const fs::path target = standardised(output);
  if (!isClip(intro, "intro") || !isClip(clip, "job's") || !isClip(outro, "outro")) return false;
  for (const fs::path* path : {&clip, &intro, &outro}) {
    if (path->string().find('\n') != std::string::npos) {
      systemLogf("MergeVideosNew - the clip path %s holds a line break, which the concat list cannot carry",
                 path->c_str());
      return false;
    }
  }

  ScratchFolder scratch;
  if (scratch.path().empty()) {
    systemLog("MergeVideosNew - no folder for the clip list can be made");
    return false;
  }
  const fs::path list = scratch.path() / "clips.txt";
  const std::string listText = concatListLine(intro) + concatListLine(clip) + concatListLine(outro);
  if (const OSErr error = writeFileAtomically(list, listText, true); error != noErr) {
    systemLogf("MergeVideosNew - the clip list cannot be written (error %d)", static_cast<int>(error));
    return false;
  }
  PendingMovie movie(target);
  if (movie.path().empty()) {
    systemLogf("MergeVideosNew - no file can be made in %s (errno %d)", target.parent_path().c_str(), movie.error());
    return false;
  }

  std::vector<std::string> arguments = {
      settings.program, "-nostdin", "-hide_banner", "-loglevel",   "error", "-f",  "concat",
      "-safe",          "0",        "-i",           list.string(), "-c",    "copy"};
  if (target.extension().empty()) arguments.insert(arguments.end(), {"-f", "mp4"});
  arguments.insert(arguments.end(), {"-y", movie.path().string()});
  systemLogf("shell comand = %s %s -> %s", settings.program.c_str(), clip.c_str(), target.c_str());
  // Copying streams takes seconds; a merge still running after this has hung and would stop the worker.
  constexpr std::chrono::minutes kMergeTimeLimit{10};
  const CommandResult result = runCommand(arguments, kMergeTimeLimit);
  systemLogf("merge result = %s %s", describeOutcome(result).c_str(), result.standardError.c_str());
  // ffmpeg answers 0 even when writing the file's end failed (a full disk); at this log level every line it
  // prints is an error, so any output fails the merge.
  if (!result.succeeded() || !result.standardError.empty()) return false;
  if (!flushToDisk(movie.path())) {
    systemLogf("MergeVideosNew - the movie for %s could not be flushed to the disk", target.c_str());
    return false;
  }
  fs::path finalPath;
  if (!renameIntoPlace(movie, target, finalPath)) return false;
  if (written != nullptr) *written = finalPath;
  return true;
}

bool MergeVideos(const fs::path& input, const fs::path& output, fs::path* written) {
  return MergeVideosNew(input, output, written);
}

}  // namespace vorl
