// Junk and exclusion masks that an operator drew over a photograph in another studio program. They travel in
// the image's sidecar as 'Pref' 5011 (junk: areas to treat as background) and 'Pref' 5012 (exclusion: areas the
// keying leaves alone), each a keyed archive whose root is an array of shapes. A shape is an array of strings:
// the kind ("freeForm" a polygon, "rectangle" a rectangle, any other text an oval), then the bounds as
// "{{x, y}, {w, h}}"; a polygon has one such string per point, of which only the origin counts. Coordinates are
// those of the full-size image and are multiplied by the rendering scale.
//
// Junk shapes are drawn white on black into a mask offscreen, whose luminance then becomes the target's alpha
// (255 = junk). Exclusion shapes are painted black on white. Rectangles and ovals are aliased fills in port
// coordinates; polygons are anti-aliased and laid out as mask_shapes.h describes (y up from the port's bottom).
//
// Nothing is cached: each call reads the sidecar anew. A file that cannot be read, a missing or damaged resource or
// an archive whose root is no array mean no mask: the target stays as it was. Shapes that are not arrays are
// skipped; a shape whose kind or rectangle cannot be read is skipped with a log line.
#pragma once

#include <filesystem>

#include "imaging/offscreens/offscreen.h"
#include "platform/plists/keyed_archive.h"
#include "platform/core/mac_types.h"

namespace vorl {

inline constexpr std::int16_t kJunkMaskResourceID = 5011;
inline constexpr std::int16_t kExclusionMaskResourceID = 5012;

// Whether the image carries a junk / exclusion mask resource. A damaged sidecar is reported to the operator
// (hasExternalMask) and counts as no mask.
bool hasExternalMask(const std::filesystem::path& image);
bool hasExternalMask(const FSSpec& image);
bool hasExclusionMask(const std::filesystem::path& image);
bool hasExclusionMask(const FSSpec& image);

// The junk shapes become alpha 255 in the target, every other pixel alpha 0; colours stay. False, with the
// target unchanged, when the image has no junk mask, the target is null or the mask cannot be made.
bool copyJunkMaskToAlphaChannelOffscreen(Offscreen* target, const std::filesystem::path& image, float scale);
bool copyJunkMaskToAlphaChannelOffscreen(Offscreen* target, const FSSpec& image, float scale);

// A new mask of the target's port rectangle: white junk shapes on black, alpha 0. Null when the image has no
// junk mask, the target is null or the offscreen cannot be made. The caller owns the result.
[[nodiscard]] Offscreen* getNewJunkMaskOffscreen(Offscreen* target, const std::filesystem::path& image, float scale);
[[nodiscard]] Offscreen* getNewJunkMaskOffscreen(Offscreen* target, const FSSpec& image, float scale);

// Erases the target to white (alpha 0) and paints the exclusion shapes black into it. False, with the target
// unchanged, when the image has no exclusion mask or the target is null.
bool copyExclusionMaskToOffscreen(Offscreen* target, const std::filesystem::path& image, float scale);
bool copyExclusionMaskToOffscreen(Offscreen* target, const FSSpec& image, float scale);

// One shape into an offscreen: junk shapes white (a rectangle, else an oval; or a polygon), exclusion shapes
// black. False when the shape cannot be read (logged) or the offscreen is null.
bool drawArrayAsShapeToOffscreen(Offscreen* offscreen, const ArchivedValue::Array& shape, float scale);
bool drawArrayAsPathToOffscreen(Offscreen* offscreen, const ArchivedValue::Array& shape, float scale);
bool drawArrayAsShapeToOffscreenForExclusionMask(Offscreen* offscreen, const ArchivedValue::Array& shape, float scale);
bool drawArrayAsPathToOffscreenForExclusionMask(Offscreen* offscreen, const ArchivedValue::Array& shape, float scale);

// The root array of a mask archive, from a resource's bytes; nullopt (logged) when they decode to no array.
std::optional<ArchivedValue::Array> decodeMaskShapes(std::span<const std::uint8_t> bytes);

}  // namespace vorl
