// The job's video clip beside its outputs: copied into the output folder, or joined with the studio's intro and
// outro clips there. A job writes it into each folder once, however many copies or originals go there.
#include <array>
#include <cstring>
#include <string>
#include <system_error>

#include "foundation/services/messages.h"
#include "jobs/engine/job_view.h"
#include "jobs/outputs/output_file_utilities.h"
#include "jobs/outputs/video_merge.h"
#include "platform/files/safe_files.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace fs = std::filesystem;

namespace {

// The leading bytes of the movie kinds the studio's cameras write. The path comes from the job file, which is
// outside input: without this check any file the processor may read would be copied into an output folder.
bool hasMovieSignature(const std::array<std::uint8_t, 12>& head, std::size_t length) {
  const auto at = [&](std::size_t offset, const char* text) {
    const std::size_t size = std::strlen(text);
    return length >= offset + size && std::memcmp(head.data() + offset, text, size) == 0;
  };
  if (at(4, "ftyp")) return true;                    // QuickTime, MPEG-4
  if (at(0, "RIFF") && at(8, "AVI ")) return true;  // AVI
  // MPEG program stream (pack header) and MPEG video (sequence header).
  return length >= 4 && head[0] == 0 && head[1] == 0 && head[2] == 1 && (head[3] == 0xBA || head[3] == 0xB3);
}

// A plain file (a link may lead to one) that begins as a movie does. Nothing but its first bytes is read, and a
// named pipe or device is never opened.
bool isMovieFile(const fs::path& video) {
  std::error_code error;
  if (!fs::is_regular_file(video, error)) return false;
  ReadOnlyFile file;
  if (file.open(video) != noErr) return false;
  std::array<std::uint8_t, 12> head{};
  std::size_t length = 0;
  while (length < head.size()) {
    std::size_t got = 0;
    if (file.read(std::span(head).subspan(length), got) != noErr || got == 0) break;
    length += got;
  }
  return hasMovieSignature(head, length);
}

}  // namespace

void TBGPrintView::DoIfVideoCopy(const tSpecialPrintToFilePref& set, const fs::path& destinationFolder) {
  if (fSettings.fEnableVideoCopy == 0 || set.doNotResizeJpegForWeb == 0) return;
  systemLog("fEnableVideoCopy is Enabled");
  const fs::path video{std::string(videoPath())};
  std::error_code error;
  if (video.empty() || !fs::exists(fs::symlink_status(video, error))) return;
  systemLogf("video path == %s", video.c_str());
  if (!fVideoCopiedInto.insert(destinationFolder).second) {
    systemLogf("DoIfVideoCopy: the video is already in %s", destinationFolder.c_str());
    return;
  }
  if (!isMovieFile(video)) {
    systemLogf("DoIfVideoCopy: [%s] is not a movie file; it is not copied", video.c_str());
    DisplayNormalMessage(("The job's video \"" + video.filename().string() +
                          "\" is not a movie file (QuickTime, MPEG-4, AVI or MPEG) and was not copied.")
                             .c_str());
    return;
  }
  const fs::path destination = destinationFolder / video.filename();
  systemLogf("video path == %s, destination Path == %s", video.c_str(), destination.c_str());

  if (fSettings.videoMerge != 0) {
    fs::path written;
    if (MergeVideos(video, destination, &written))
      systemLogf("DoIfVideoCopy: the joined movie is %s", written.c_str());
    else
      systemLogf("DoIfVideoCopy: joining %s into %s failed", video.c_str(), destination.c_str());
    return;
  }

  systemLogf("path to check = %s", destination.c_str());
  // The copy takes a free " copy" name unless the set overwrites, and an old movie is replaced only by the
  // rename of the complete new one.
  PlistDictionary request;
  request[kDoOverwriteKey] = static_cast<std::int64_t>(set.overwriteExisting != 0 ? 1 : 0);
  request[kPathToSrcItemKey] = video.string();
  request[kPathToDestItemKey] = destination.string();
  systemLog("Just before copying...");
  if (doCopyTheFileNew(request)) {
    const std::string* written = request[kPathToDestItemKey].get<std::string>();
    systemLogf("Copied video file succesfully... (%s)", written != nullptr ? written->c_str() : destination.c_str());
  } else {
    systemLogf("tried to copy path = %s", video.c_str());
    systemLogf("DoIfVideoCopy: copying the video to %s failed", destination.c_str());
  }
}

}  // namespace vorl
