// Styled text on a page: the drawing the text, edit-text and database-text objects and the stamp share.
//
// A styled text is a Mac Roman string of up to 255 characters with its style (colour, size in points, font
// number, face bits, justification), a rotation and a code type. It is drawn into the object's rectangle R of
// the page in one of three ways: as a QR code (code type 1), as a Code 128 bar code (code type 2), or as plain
// text, which is the road of every other code type and of a code whose generator is missing.
//
// Plain text follows the text box of the old port: the size is fitted first (a one-line box condenses, then
// shrinks the text until it fits the width), then the text is wrapped at word boundaries (a word alone wider
// than the box is broken), each line justified (0 left, 1 centre, −1 right, −2 left) and cut at the box's
// edges. The first baseline lies one ascent below the top; lines are ascent + descent + leading apart. The
// text is turned when the rotation is 90, 180 or 270 (laid out in the box with width and height exchanged for
// the quarter turns, then turned clockwise for 90 and counter-clockwise for 270); any other rotation draws
// upright.
//
// The glyphs are drawn as coverage (how much of each pixel the ink covers) and the text colour is blended into
// the page's red, green and blue by it, turned or not; the page's alpha byte is left as it is. So white text on
// a dark page shows, and the edges of any text blend into what lies below.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/records/job_records.h"
#include "imaging/scaling/cg_drawing.h"
#include "imaging/offscreens/offscreen.h"
#include "platform/core/mac_types.h"

namespace vorl {

// The sizes a text is ever set at, in pixels: sizes from a job file beyond them are brought inside with a
// log line.
inline constexpr int kSmallestTextPixels = 1;
inline constexpr int kLargestTextPixels = 2000;

// The code types of a styled text.
inline constexpr std::int16_t kQRCodeType = 1;
inline constexpr std::int16_t kCode128Type = 2;

struct StyledText {
  CStr255_AC text;
  tTextInfo style;
  std::int16_t rotation = 0;
  std::int16_t codeType = 0;
  std::string objectName;  // names the object in log lines
};

// "<kind> \"<text>\" at (<left>, <top>)": how log lines name a text object (the text cut to 40 characters).
std::string describeTextObject(std::string_view kind, const CStr255_AC& text, const Rect& rect);

// The pixel size of a text of `points` on a page of `resolution` dots per inch, times `scale`: truncated toward
// zero, then brought into 1..2000 (logged, naming `objectName`, when it had to be).
std::int16_t textPixelSize(std::int16_t points, std::int16_t resolution, double scale, std::string_view objectName);

// One byte a pixel, 0 = no ink, 255 = fully covered; rows `stride` bytes apart.
struct TextCoverage {
  int width = 0;
  int height = 0;
  int stride = 0;
  std::vector<std::uint8_t> values;

  bool empty() const noexcept { return width <= 0 || height <= 0; }
  std::uint8_t at(int x, int y) const noexcept { return values[static_cast<std::size_t>(y) * stride + x]; }
};

// The text laid out in a box the size of `rect`, turned as `text.rotation` says, as coverage the size of
// `rect`; the size is the style's point size × `scale` at `resolution`. Empty when `rect` is empty, too large
// to hold, or there is no font system in the process (logged).
TextCoverage DrawTextOnOffscreen(const StyledText& text, const Rect& rect, float scale, std::int16_t resolution);

// Blends `colour` into the page's red, green and blue by the coverage, the coverage's top left at (left, top)
// in page coordinates; parts outside the page are left out. The alpha byte stays.
void blendTextCoverage(Offscreen& page, const TextCoverage& coverage, int left, int top, const RGBColor& colour);

// Draws a picture scaled into `rect` (bottom-up port coordinates, as the picture drawing takes them) over what
// the page holds there, blended by the picture's coverage (255 − alpha); the page's alpha stays. Nothing is
// erased first, so transparent parts show the page. Consumes the picture. The transparent overlays draw through
// it too.
void DrawOverlayImageToGWorld(OffscreenPtr image, Offscreen* page, const CGRect& rect);

// Plain text into `rect` of the page (upright or turned).
void drawPlainText(Offscreen* page, const Rect& rect, const StyledText& text, std::int16_t resolution);

// The whole drawing of a styled text into `rect`: the code the code type asks for, falling back to plain text
// when the code generator is missing; plain text otherwise. A code type other than 0, 1 and 2 draws plain
// text with a log line. False only for a code the text cannot be carried in: the object has failed.
[[nodiscard]] bool drawStyledText(Offscreen* page, const Rect& rect, const StyledText& text, std::int16_t resolution);

}  // namespace vorl
