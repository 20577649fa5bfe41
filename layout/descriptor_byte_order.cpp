#include "layout/descriptor_byte_order.h"

#include <initializer_list>

#include "foundation/records/byte_order.h"
#include "foundation/records/record_byte_order.h"

namespace vorl {
namespace {

void swapWords(std::initializer_list<SInt16Field*> words, bool doSwap) noexcept {
  for (SInt16Field* word : words) swapUInt16(*word, doSwap);
}

void swapFSSpecNumbers(FSSpec& spec, bool doSwap) noexcept {
  swapUInt16(spec.vRefNum, doSwap);
  swapUInt32(spec.parID, doSwap);
}

void swapTextHead(TextDescHead& head, bool doSwap) noexcept {
  swapLayoutInfo(head.layout, doSwap);
  swapTextInfo(head.style, doSwap);
  swapUInt16(head.rotation, doSwap);
}

}  // namespace

void swapLayoutInfo(tLayoutInfo& info, bool doSwap) noexcept {
  for (SInt32Field* edge : {&info.top, &info.left, &info.bottom, &info.right}) swapUInt32(*edge, doSwap);
  for (Float32Field* value : {&info.x, &info.y, &info.width, &info.height}) swapFloat32(*value, doSwap);
}

void swapTextInfo(tTextInfo& style, bool doSwap) noexcept {
  swapUInt16(style.color.red, doSwap);
  swapUInt16(style.color.green, doSwap);
  swapUInt16(style.color.blue, doSwap);
  swapWords({&style.size, &style.font, &style.face, &style.justification}, doSwap);
}

void swapImageDesc(CImageDesc& desc, bool doSwap) noexcept {
  swapLayoutInfo(desc.layout, doSwap);
  swapWords({&desc.fitMode, &desc.insetSteps, &desc.borderFlag, &desc.borderWidth, &desc.imageNumber, &desc.keptValue,
             &desc.angledFlag, &desc.angle, &desc.angleDirection, &desc.useCropBounds, &desc.offsetH, &desc.offsetV},
            doSwap);
  swapFloat32(desc.rotationAngle, doSwap);
  swapFSSpecNumbers(desc.photo, doSwap);
  for (Float32Field& bound : desc.cropBounds) swapFloat32(bound, doSwap);
  swapMyImageColorAdjustInfo(desc.colorAdjust, doSwap);
}

void swapTextDesc(CTextDesc& desc, bool doSwap) noexcept {
  swapTextHead(desc.head, doSwap);
  swapWords({&desc.skipFlag, &desc.keptValue, &desc.codeType}, doSwap);
}

void swapEditTextDesc(CEditTextDesc& desc, bool doSwap) noexcept {
  swapTextHead(desc.head, doSwap);
  swapWords({&desc.editValue, &desc.value434, &desc.skipFlag}, doSwap);
}

void swapDatabaseDesc(CDatabaseDesc& desc, bool doSwap) noexcept {
  swapTextHead(desc.head, doSwap);
  swapWords({&desc.databaseValue1, &desc.databaseValue2}, doSwap);
}

void swapStampDesc(CStampDesc& desc, bool doSwap) noexcept {
  swapTextHead(desc.head, doSwap);
  swapWords({&desc.stampValue, &desc.firstStampFlag, &desc.secondStampFlag, &desc.value438, &desc.value440,
             &desc.keptValue, &desc.codeType},
            doSwap);
}

void swapGroupPhotoDesc(CGroupPhotoDesc& desc, bool doSwap) noexcept {
  swapLayoutInfo(desc.layout, doSwap);
  swapUInt16(desc.value262, doSwap);
  swapFSSpecNumbers(desc.photo, doSwap);
}

void swapFileOverlayDesc(COverlayDesc& desc, bool doSwap) noexcept {
  swapLayoutInfo(desc.layout, doSwap);
  swapWords({&desc.flagA, &desc.overlayMode, &desc.skipFlag}, doSwap);
  swapFSSpecNumbers(desc.graphic, doSwap);
}

void swapNodeDesc(CNodeDesc& desc, bool doSwap) noexcept {
  swapLayoutInfo(desc.layout, doSwap);
  swapWords({&desc.rotationCode, &desc.keptValue, &desc.mirror, &desc.color, &desc.sepia, &desc.cacheSwitch}, doSwap);
  swapFSSpecNumbers(desc.jobFile, doSwap);
}

void swapAttributeDesc(CAttributeDesc& desc, bool doSwap) noexcept {
  swapLayoutInfo(desc.layout, doSwap);
  swapWords({&desc.subjobResizeMode, &desc.saveTemplateAsIs, &desc.ignoreOverlays, &desc.saveOriginal}, doSwap);
}

void swapBackColorDesc(CBackColorDesc& desc, bool doSwap) noexcept {
  swapLayoutInfo(desc.layout, doSwap);
  swapUInt16(desc.color.red, doSwap);
  swapUInt16(desc.color.green, doSwap);
  swapUInt16(desc.color.blue, doSwap);
  swapUInt16(desc.skipFlag, doSwap);
}

}  // namespace vorl
