// The job's video clip beside its outputs: copied into the output folder, or joined with the studio's intro and
// outro clips there. A job writes it into each folder once, however many copies or originals go there.
#include <system_error>

#include "jobs/engine/job_view.h"
#include "jobs/outputs/output_file_utilities.h"
#include "jobs/outputs/video_merge.h"
#include "platform/system/system_log.h"

namespace vorl {

namespace fs = std::filesystem;

void TBGPrintView::DoIfVideoCopy(const tSpecialPrintToFilePref& set, const fs::path& destinationFolder) {
  if (fSettings.fEnableVideoCopy == 0 || set.doNotResizeJpegForWeb == 0) return;
  systemLog("fEnableVideoCopy is Enabled");
  const fs::path video{std::string(videoPath())};
  std::error_code error;
  if (video.empty() || !fs::is_regular_file(video, error)) return;
  systemLogf("video path == %s", video.c_str());
  if (!fVideoCopiedInto.insert(destinationFolder).second) {
    systemLogf("DoIfVideoCopy: the video is already in %s", destinationFolder.c_str());
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
