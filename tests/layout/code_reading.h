// Reading drawn QR and Code 128 symbols back with a second decoder (zbarimg, Debian's zbar-tools).
#pragma once

#include <optional>
#include <string>

#include "imaging/offscreens/offscreen.h"

namespace vorl::test {

// True when zbarimg cannot be started; the tests that need it skip and say why.
bool zbarMissing();
// The text zbarimg reads off the page's colours (written as a PNG file into a temporary folder); none when it
// reads nothing.
std::optional<std::string> decodeWithZbar(const Offscreen& page, const std::string& name);

}  // namespace vorl::test
