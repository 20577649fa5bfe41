// Redirecting the process's standard error, where every diagnostic line goes, into a file.
#pragma once

#include <filesystem>

#include "platform/core/os_errors.h"

namespace vorl {

// Opens the file for appending (made when missing) and makes it the standard error. On failure the old
// standard error stays as it was, so the failure itself can still be logged.
OSErr redirectStandardErrorTo(const std::filesystem::path& file);

}  // namespace vorl
