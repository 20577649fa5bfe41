// Byte-order converters of the page-object descriptors.
//
// Each turns a descriptor read from a job file into host order when its flag is set (and the host is
// little-endian): first the head (`swapLayoutInfo`: four int32, then four float32), then exactly the 16- and
// 32-bit fields listed for its class. Strings, single bytes, reserved bytes and the fields left out (the image's
// border colour and box scale, the stamp's skip flag, the overlay's flag B, the node's old-time blend) stay as
// stored. The readers always pass true; converting twice gives back the stored bytes.
#pragma once

#include "layout/descriptors.h"

namespace vorl {

void swapLayoutInfo(tLayoutInfo& info, bool doSwap) noexcept;
void swapTextInfo(tTextInfo& style, bool doSwap) noexcept;

void swapImageDesc(CImageDesc& desc, bool doSwap) noexcept;
void swapTextDesc(CTextDesc& desc, bool doSwap) noexcept;
void swapEditTextDesc(CEditTextDesc& desc, bool doSwap) noexcept;
void swapDatabaseDesc(CDatabaseDesc& desc, bool doSwap) noexcept;
void swapStampDesc(CStampDesc& desc, bool doSwap) noexcept;
void swapGroupPhotoDesc(CGroupPhotoDesc& desc, bool doSwap) noexcept;
// Serves both the file overlay and the transparent overlay.
void swapFileOverlayDesc(COverlayDesc& desc, bool doSwap) noexcept;
void swapNodeDesc(CNodeDesc& desc, bool doSwap) noexcept;
void swapAttributeDesc(CAttributeDesc& desc, bool doSwap) noexcept;
void swapBackColorDesc(CBackColorDesc& desc, bool doSwap) noexcept;

}  // namespace vorl
