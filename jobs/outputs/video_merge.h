// Joining a job's video clip with the studio's intro and outro clips into one movie.
//
// ffmpeg's concat reader joins intro, clip and outro without encoding them anew, so the three clips must share
// their codecs and sizes (the studio makes its intro and outro to match its cameras). ffmpeg runs from an
// argument vector, never through a shell, so quotes, "$(...)" or backquotes in a path are only characters.
// The movie is written under a hidden temporary name in the output's folder and renamed to its final name only
// once ffmpeg has finished and the file is on the disk; a file already at the output path is kept and the
// movie takes the free " copy" name beside it.
//
// Where the intro and outro clips lie and which ffmpeg runs are user defaults (keys below); without them the
// clips are "/srv/Shared/MasterDvdContentFolder/Chapter1.mov" and "Chapter3.mov", the studio's shared content
// folder on this system, and ffmpeg is found in PATH.
#pragma once

#include <filesystem>
#include <string>

namespace vorl {

inline constexpr const char* kVideoMergeIntroFileKey = "VideoMergeIntroFile";
inline constexpr const char* kVideoMergeOutroFileKey = "VideoMergeOutroFile";
inline constexpr const char* kVideoMergeProgramKey = "VideoMergeProgram";

struct VideoMergeSettings {
  std::filesystem::path introFile;
  std::filesystem::path outroFile;
  std::string program;  // a path, or a name looked up in PATH
};

// The settings from the user defaults, each falling back to its default.
VideoMergeSettings videoMergeSettings();

// Joins intro, input and outro into the output path. True when the movie was written; `written` (when given)
// then holds its path, which is the " copy" name when the output path was taken. False, and no file under the
// final name, when a clip is missing, ffmpeg cannot start, fails or reports any error (it exits with 0 after
// some write errors), or the folder cannot be written; ffmpeg's error output goes to the log.
bool MergeVideosNew(const std::filesystem::path& input, const std::filesystem::path& output,
                    std::filesystem::path* written = nullptr);
bool MergeVideos(const std::filesystem::path& input, const std::filesystem::path& output,
                 std::filesystem::path* written = nullptr);

}  // namespace vorl
