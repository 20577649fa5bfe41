// QR codes (made by libzint) and Code 128 bar codes (made from the symbology's table) of a styled text.
//
// The symbol is made at one pixel a module and drawn black on white, scaled with nearest-neighbour sampling to
// fill the object's rectangle whatever its own proportions (so the modules stay sharp edged for the scanner).
// A QR code carries the text's characters as ISO Latin 1 bytes at error correction level M in the smallest
// version that holds them, with a white margin of one module; a Code 128 symbol carries ASCII bytes, 32 modules
// high, with seven modules of quiet space on either side. Every text of up to 255 characters fits either code.
// Rotation 90 turns the symbol a quarter counter-clockwise and 270 a quarter clockwise (the opposite of plain
// text); other rotations leave it as it is.
//
// An empty text has nothing to carry: nothing is drawn, the object counts as drawn, and a warning naming it
// goes to the log. A text the code cannot carry (a character outside Latin 1 or ASCII) fails its object with a
// log line naming it, so the job fails instead of printing a page without the code it asked for.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/offscreens/offscreen.h"
#include "platform/core/mac_types.h"

namespace vorl {

enum class CodeKind { qrCode, code128 };

// One byte a module: 1 dark, 0 light; `width` × `height` modules, rows packed.
struct CodeImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> dark;

  bool isDark(int x, int y) const noexcept { return dark[static_cast<std::size_t>(y) * width + x] != 0; }
};

// The bytes a code of the kind is made of, from Mac Roman text: ISO Latin 1 for QR, ASCII for Code 128.
// Nothing when a character has no such byte; `why` then names it.
std::optional<std::vector<unsigned char>> codeBytes(CodeKind kind, const CStr255_AC& text, std::string& why);

// The symbol of the bytes at one pixel a module, or nothing with the reason in `why` (an empty text, or the
// generator's own reason).
std::optional<CodeImage> makeCodeImage(CodeKind kind, std::span<const unsigned char> bytes, std::string& why);

// The image turned as a code of rotation `rotation` is drawn (see above).
CodeImage turnCodeImage(const CodeImage& image, std::int16_t rotation);

// Fills `rect` of the page with the image, scaled by nearest neighbour, dark modules black and light ones
// white; parts outside the page are left out, the alpha byte stays.
void drawCodeImage(Offscreen& page, const CodeImage& image, const Rect& rect);

// What became of a code: drawn (or nothing to draw, for an empty text); no generator, so the caller draws plain
// text instead; or a text the code cannot carry, which fails the object.
enum class [[nodiscard]] CodeDrawing { drawn, generatorMissing, notDrawable };

// The text as a QR code (or Code 128 symbol) filling `rect`.
CodeDrawing PrintTextAsQRCode(const CStr255_AC& text, Offscreen* page, const Rect& rect, std::int16_t rotation,
                              std::string_view objectName);
CodeDrawing PrintTextAsBarcode(const CStr255_AC& text, Offscreen* page, const Rect& rect, std::int16_t rotation,
                               std::string_view objectName);

}  // namespace vorl
