#include "foundation/files/file_naming.h"

#include <algorithm>
#include <cstdio>

namespace vorl {
namespace {

constexpr std::int16_t kMaxNumberWidth = 6;
constexpr std::int16_t kSittingImageWidth = 4;
constexpr std::string_view kCopy = " copy";
// Room for the base in a " copy" name within 63 characters: 63 - length(" copy"), and one less for the blank
// before a number.
constexpr std::size_t kCopyBaseRoom = kFileNameLimit - kCopy.size();
constexpr std::size_t kNumberedCopyBaseRoom = kCopyBaseRoom - 1;

CStr255_AC str255(std::string_view macRoman) { return CStr255_AC(macRoman); }

CStr255_AC formName(std::string_view base, std::string_view number, std::string_view extension, std::size_t limit) {
  std::string dotted(extension);
  if (dotted.size() > 1 && dotted.front() != '.') dotted.insert(dotted.begin(), '.');
  if (dotted.size() > kMaxExtensionLength) dotted.resize(kMaxExtensionLength);
  // A number text that leaves no room for the extension gives way itself, so the bound holds and the name keeps
  // its extension.
  if (number.size() + dotted.size() > limit) number = number.substr(0, limit - std::min(dotted.size(), limit));
  const std::size_t used = dotted.size() + number.size() + (base.empty() ? 0 : 1);
  std::string name(base.substr(0, used < limit ? limit - used : 0));
  if (!name.empty() && !number.empty()) name.push_back('_');
  name.append(number).append(dotted);
  return str255(name.substr(0, limit));
}

std::size_t digitsOf(std::int64_t value) {
  std::size_t digits = 1;
  for (value = value < 0 ? -value : value; value >= 10; value /= 10) ++digits;
  return digits;
}

}  // namespace

CStr255_AC FormFileName(const CStr255_AC& base, const CStr255_AC& number, const CStr255_AC& extension) {
  return formName(base.macRoman(), number.macRoman(), extension.macRoman(), kFileNameLimit);
}

CStr255_AC FormFileNameNew(const CStr255_AC& base, const CStr255_AC& number, const CStr255_AC& extension) {
  return FormFileName(base, number, extension);
}

CStr255_AC FormFileNameOld(const CStr255_AC& base, const CStr255_AC& number, const CStr255_AC& extension) {
  return formName(base.macRoman(), number.macRoman(), extension.macRoman(), kOldFileNameLimit);
}

CStr255_AC FormImageNumber(std::int32_t number, bool pad, std::int16_t width) {
  if (number == -1) return {};
  const auto digits = static_cast<std::int16_t>(digitsOf(number));
  const std::int16_t clamped = std::clamp<std::int16_t>(std::max(width, digits), 1, kMaxNumberWidth);
  const std::int64_t largest = simplePower(10, clamped) - 1;
  const std::int64_t value = std::min<std::int64_t>(std::max<std::int32_t>(number, 0), largest);
  char text[16];
  if (pad)
    std::snprintf(text, sizeof text, "%0*lld", static_cast<int>(clamped), static_cast<long long>(value));
  else
    std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
  return str255(text);
}

CStr255_AC FormFileName(const CStr255_AC& base, std::int32_t number, const CStr255_AC& extension, bool pad,
                        std::int16_t width) {
  return FormFileName(base, FormImageNumber(number, pad, width), extension);
}

CStr255_AC FormFileNameNew(const CStr255_AC& base, std::int32_t number, const CStr255_AC& extension, bool pad,
                           std::int16_t width) {
  return FormFileNameNew(base, FormImageNumber(number, pad, width), extension);
}

CStr255_AC FormFileNameOld(const CStr255_AC& base, std::int32_t number, const CStr255_AC& extension, bool pad,
                           std::int16_t width) {
  return FormFileNameOld(base, FormImageNumber(number, pad, width), extension);
}

CStr255_AC createNameForSittingImages(const CStr255_AC& base, std::int32_t number, const CStr255_AC& extension) {
  std::string_view trimmed = base.macRoman();
  if (trimmed.ends_with('_')) trimmed.remove_suffix(1);
  return FormFileName(str255(trimmed), number, extension, true, kSittingImageWidth);
}

CStr255_AC getExtensionFromSourceFile(const CStr255_AC& name) {
  const std::string_view text = name.macRoman();
  const std::size_t dot = text.rfind('.');
  if (dot == std::string_view::npos) return str255(".gen");
  std::string_view extension = text.substr(dot);
  if (const std::size_t blank = extension.find(' ', 1); blank != std::string_view::npos)
    extension = extension.substr(0, blank);
  return str255(extension);
}

CStr255_AC getBaseNameFromName(const CStr255_AC& name) {
  const std::string_view text = name.macRoman();
  return str255(text.substr(0, std::min(text.rfind('.'), text.size())));
}

std::int32_t simplePower(std::int16_t base, std::int16_t power) {
  // Unsigned, so that a power too large for 32 bits wraps instead of being undefined.
  std::uint32_t result = 1;
  for (std::int16_t i = 0; i < power; ++i) result *= static_cast<std::uint32_t>(base);
  return static_cast<std::int32_t>(result);
}

namespace copy_names {

Split splitAtExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return {std::string(name), {}};
  return {std::string(name.substr(0, dot)), std::string(name.substr(dot))};
}

std::string withoutCopySuffix(std::string_view base) {
  std::string_view text = base;
  // " copy <digits>": drop the number first.
  const std::size_t blank = text.rfind(' ');
  if (blank != std::string_view::npos && blank + 1 < text.size() &&
      std::all_of(text.begin() + static_cast<std::ptrdiff_t>(blank) + 1, text.end(),
                  [](char c) { return c >= '0' && c <= '9'; }) &&
      text.substr(0, blank).ends_with(kCopy))
    text = text.substr(0, blank);
  if (text.ends_with(kCopy)) return std::string(text.substr(0, text.size() - kCopy.size()));
  return std::string(base);
}

std::string boundedCopyName(std::string_view base, std::string_view extension, int k) {
  std::string suffix(kCopy);
  std::size_t room = kCopyBaseRoom;
  if (k > 0) {
    const std::string number = std::to_string(k);
    suffix += " " + number;
    room = kNumberedCopyBaseRoom - std::min(number.size(), kNumberedCopyBaseRoom);
  }
  room = room > extension.size() ? room - extension.size() : 0;
  std::string name(base.substr(0, room));
  return name.append(suffix).append(extension);
}

std::string longCopyName(std::string_view copyBase, std::string_view extension, int k) {
  std::string name(copyBase);
  if (k > 0) name += " " + std::to_string(k);
  return name.append(extension);
}

}  // namespace copy_names

}  // namespace vorl
