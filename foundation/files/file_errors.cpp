#include "foundation/files/file_errors.h"

#include <string>

#include "foundation/services/messages.h"
#include "foundation/text/string_lists.h"
#include "platform/files/file_specs.h"

namespace vorl {
namespace {

constexpr std::int16_t kUnknownFileErrorItem = 32;
constexpr std::int16_t kFlushFailedItem = 9;

struct CodeItem {
  OSErr code;
  std::int16_t item;
};

constexpr CodeItem kFileErrorItems[] = {
    {dskFulErr, 18}, {nsvErr, 24},   {ioErr, 23},     {bdNamErr, 16}, {fnOpnErr, 22},        {tmfoErr, 28},
    {fnfErr, 21},    {wPrErr, 30},   {fLckdErr, 20},  {vLckdErr, 29}, {dupFNErr, 19},        {opWrErr, 25},
    {paramErr, 26},  {rfNumErr, 27}, {wrPermErr, 31}, {dirNFErr, 17}, {afpAccessDenied, 14}, {afpObjectTypeErr, 15},
};

std::int16_t tableItem(OSErr code) noexcept {
  for (const CodeItem& entry : kFileErrorItems)
    if (entry.code == code) return entry.item;
  return 0;
}

}  // namespace

std::int16_t fileErrorMessageItem(OSErr code) noexcept {
  if (code == noErr) return 0;
  const std::int16_t item = tableItem(code);
  return item != 0 ? item : kUnknownFileErrorItem;
}

std::int16_t checkFileError(OSErr code) {
  if (code == noErr) return 0;
  return DisplayNormalMessage(kFileErrorStrings, fileErrorMessageItem(code));
}

std::int16_t checkCatErr(OSErr code) { return checkFileError(code); }

std::int16_t displayFileResultCode(OSErr code) { return checkFileError(code); }

std::int16_t myNewFileError(OSErr code) {
  if (code == noErr) return 0;
  if (const std::int16_t item = tableItem(code); item != 0) return DisplayNormalMessage(kFileErrorStrings, item);
  const std::string text = "An error occured while trying to create a new file, error code = " + std::to_string(code);
  return DisplayNormalMessage(text.c_str());
}

OSErr flushOneVolume(std::int16_t vRefNum) {
  const OSErr result = FlushVol(vRefNum);
  if (result != noErr) {
    SysBeep(2);
    DisplayNormalMessage(kFileErrorStrings, kFlushFailedItem);
    checkFileError(result);
  }
  return result;
}

}  // namespace vorl
