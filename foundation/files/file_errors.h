// File Manager result codes shown to the operator as items of string list 4100.
#pragma once

#include <cstdint>

#include "platform/core/os_errors.h"

namespace vorl {

// The item of list 4100 for a result code; 32 for a code the table does not hold, 0 for noErr.
std::int16_t fileErrorMessageItem(OSErr code) noexcept;

// 0: nothing, answers 0. Otherwise shows the code's item and answers what the alert answers.
std::int16_t checkFileError(OSErr code);
std::int16_t checkCatErr(OSErr code);
std::int16_t displayFileResultCode(OSErr code);

// After creating a file failed: a code of the table shows its item; any other non-zero code shows
// "An error occured while trying to create a new file, error code = <code>".
std::int16_t myNewFileError(OSErr code);

// Flushes the volume; on failure beeps and shows that the disk could not be written out, then the code's own
// message. Answers the result.
OSErr flushOneVolume(std::int16_t vRefNum);

}  // namespace vorl
