// How output files are named. A name is a base, an image number padded to a width and an extension (8
// characters at most), fitted into the classic limit of 63 characters (31 in the old form); the " copy"
// variants free a name that is taken. These are pure functions over Mac Roman text; the searches that test
// candidates against a folder are in unique_names.h.
//
//   FormFileName("Print", "0007", "jpg")  ->  "Print_0007.jpg"
//   " copy" names of "photo.jpg"          ->  "photo copy.jpg", "photo copy 1.jpg", "photo copy 2.jpg", ...
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text/pascal_string.h"

namespace vorl {

// The bound of the numbered searches.
inline constexpr std::int32_t kMaxFileNameLoop = 99999;
inline constexpr std::size_t kFileNameLimit = 63;
inline constexpr std::size_t kOldFileNameLimit = 31;
inline constexpr std::size_t kMaxExtensionLength = 8;

// Joins base, number text and extension into at most 63 characters. An extension of two or more characters is
// given its "." if missing and kept to 8 characters; the base gets what room is left (less one for the "_" before
// a number), so the whole always fits.
CStr255_AC FormFileName(const CStr255_AC& base, const CStr255_AC& number, const CStr255_AC& extension);
CStr255_AC FormFileNameNew(const CStr255_AC& base, const CStr255_AC& number, const CStr255_AC& extension);
// The same within 31 characters.
CStr255_AC FormFileNameOld(const CStr255_AC& base, const CStr255_AC& number, const CStr255_AC& extension);

// The number's text: empty for -1; the width is raised to the number's digits and clamped to 1..6; a negative
// number counts as 0 and the number is capped at 10^width - 1; zero-padded to the width when `pad` is set.
CStr255_AC FormImageNumber(std::int32_t number, bool pad, std::int16_t width);

// FormImageNumber, then the three-text form of the same family.
CStr255_AC FormFileName(const CStr255_AC& base, std::int32_t number, const CStr255_AC& extension, bool pad,
                        std::int16_t width);
CStr255_AC FormFileNameNew(const CStr255_AC& base, std::int32_t number, const CStr255_AC& extension, bool pad,
                           std::int16_t width);
CStr255_AC FormFileNameOld(const CStr255_AC& base, std::int32_t number, const CStr255_AC& extension, bool pad,
                           std::int16_t width);

// "Smith_", 12, ".jpg" -> "Smith_0012.jpg": one trailing "_" of the base goes, the number has four digits.
CStr255_AC createNameForSittingImages(const CStr255_AC& base, std::int32_t number, const CStr255_AC& extension);

// The text from the last "." on, cut before a blank that follows its first character; ".gen" when the name has
// no ".". "IMG 1.JPG" -> ".JPG", "a.tif x" -> ".tif", "readme" -> ".gen".
CStr255_AC getExtensionFromSourceFile(const CStr255_AC& name);
// The name without its last "." and what follows; a name without a "." comes back whole.
CStr255_AC getBaseNameFromName(const CStr255_AC& name);

// base^power by repeated multiplication; 1 for a power of 0 (or below).
std::int32_t simplePower(std::int16_t base, std::int16_t power);

// The pieces of the " copy" rules, shared by the searches.
namespace copy_names {

struct Split {
  std::string base;
  std::string extension;  // from the last "." on; empty when there is none
};
Split splitAtExtension(std::string_view name);

// A base that already ends in " copy" or " copy <n>" (a copy of a copy) loses that ending: "photo copy 3" ->
// "photo". Any other base, "copyright" and "my copy of x" among them, stays as it is.
std::string withoutCopySuffix(std::string_view base);

// Candidate `k` within 63 characters: k = 0 gives base + " copy" + extension, k >= 1 base + " copy k" +
// extension, the base cut so that the whole fits.
std::string boundedCopyName(std::string_view base, std::string_view extension, int k);

// Candidate `k` with no length bound for a base already ending in " copy": k = 0 gives base + extension, k >= 1
// base + " k" + extension.
std::string longCopyName(std::string_view copyBase, std::string_view extension, int k);

}  // namespace copy_names

}  // namespace vorl
