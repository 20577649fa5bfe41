// What the drawing of a job answers the job state machine.
#pragma once

#include <cstdint>

namespace vorl {

inline constexpr std::int16_t kDrawOK = 0;
inline constexpr std::int16_t kDrawMoreToCome = 1;
inline constexpr std::int16_t kDrawPageDone = 99;
inline constexpr std::int16_t kDrawNoObjects = 101;  // a view no job was read into: the job must end
inline constexpr std::int16_t kDrawObjectFailed = 102;
inline constexpr std::int16_t kDrawProcessingOff = 103;
inline constexpr std::int16_t kDrawOutOfMemory = 105;
inline constexpr std::int16_t kPrintToFileFolderMissing = 106;
inline constexpr std::int16_t kOutputFailed = 107;  // the page (or the original) could not be delivered
// A page object failed to draw: its own code, so the operator is not told of a memory shortage that never was.
inline constexpr std::int16_t kPageObjectNotDrawn = 110;

}  // namespace vorl
