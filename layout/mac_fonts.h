// Mac font numbers on this system's fonts.
//
// Styled texts name their font by its Font Manager family number. Numbers 0 to 24 were the same on every Mac;
// the studio's layouts use a few of them (Geneva 3 above all, Times, Helvetica, Courier). Each known number has
// a family installed with the program's fonts (DejaVu, Liberation); any other number, or a family that is not
// installed, takes the fallback family.
#pragma once

#include <QString>

#include <cstdint>

namespace vorl {

// The family every unknown or missing font falls back to.
inline constexpr const char* kFallbackFontFamily = "DejaVu Sans";

struct MacFontChoice {
  QString family;       // the installed family to draw with
  QString macName;      // the Mac family the number names ("" when the number is unknown)
  bool fallback = false;  // true when `family` stands in for a font that is unknown or not installed
};

// The family to draw font number `fontNumber` with. Needs a QGuiApplication (the font database).
MacFontChoice installedFamilyForMacFont(std::int16_t fontNumber);

}  // namespace vorl
