// The two values of the job in hand that decide how photographs are read: whether the profiles embedded in them
// are applied, and the blur radius. The job-file reader sets them for each job it reads whole; the image readers
// here read them. Only the worker touches them, inside a step.
#pragma once

#include <filesystem>

#include "imaging/codecs/decoded_image.h"

namespace vorl {

// Set: photographs are brought from their embedded profile (or the default profile of their colour model) into
// the working space. Clear: their values are taken as they stand.
extern bool gApplyEmbedded;
// The radius the page photographs are blurred with; 0 blurs nothing. 2.0 until a job sets it.
extern float myBlurValue;

// Brings a photo decoded from `photo` into the working space as `gApplyEmbedded` asks. When its own embedded
// profile cannot be applied, the operator is told once per job and photo (the photo prints with its values as
// they stand); a job drawing the same photo many times says it once.
void bringPhotoIntoWorkingSpace(DecodedImage& image, const std::filesystem::path& photo);
// A new job: photos already named in a profile message may be named again. The job reader calls it.
void forgetToldProfileProblems();

// "VORL PREFERENCES FOLDER ƒ" in the application folder, where files are written before they move on. Start-up
// may name another folder; until then it is the one in the home folder.
std::filesystem::path vorlPreferencesFolder();
void setVorlPreferencesFolder(std::filesystem::path folder);

}  // namespace vorl
