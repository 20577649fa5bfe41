// Junk and exclusion masks: keyed archives of shapes written here into an image's sidecar, drawn into small
// odd-sized offscreens and checked pixel by pixel. The drawn masks are also written as PNG files under
// build/artifacts/ for a look.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "imaging/image_files/image_settings_resources.h"
#include "imaging/filters/junk_masks.h"
#include "imaging/filters/mask_shapes.h"
#include "platform/files/apple_double.h"
#include "platform/files/file_specs.h"
#include "platform/files/safe_files.h"
#include "tests/imaging/pixel_fixtures.h"
#include "tests/support/isolated_environment.h"
#include "tests/support/keyed_archive_writer.h"
#include "tests/support/message_recorder.h"

namespace vorl::test {
namespace {

namespace fs = std::filesystem;

const Pixel kWhitePixel{0, 255, 255, 255};
const Pixel kBlackPixel{0, 0, 0, 0};

ArchivedValue shape(std::vector<std::string> strings) {
  ArchivedValue::Array items;
  for (auto& s : strings) items.push_back(ArchivedValue::string(std::move(s)));
  return ArchivedValue::array(std::move(items));
}

Bytes archiveOf(ArchivedValue::Array shapes) { return encodeKeyedArchive(ArchivedValue::array(std::move(shapes))); }

fs::path makeImage(const char* prefix) {
  const fs::path file = makeTempFolder(prefix) / "shot.tif";
  std::ofstream(file) << "pixels";
  return file;
}

fs::path imageWithMask(const char* prefix, std::int16_t id, const Bytes& resource) {
  const fs::path image = makeImage(prefix);
  EXPECT_EQ(writeResource(image, kPrefResourceType, id, resource), noErr);
  return image;
}

fs::path artifactsFolder() {
  const fs::path folder = fs::path(__FILE__).parent_path().parent_path().parent_path() / "build" / "artifacts";
  fs::create_directories(folder);
  return folder;
}

// The port's colours as an 8-bit RGB PNG, for looking at.
void writePng(const Offscreen& o, const std::string& name) {
  const fs::path file = artifactsFolder() / (name + ".png");
  FILE* out = std::fopen(file.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(out);
    FAIL() << "libpng failed on " << file;
  }
  png_init_io(png, out);
  png_set_IHDR(png, info, static_cast<png_uint_32>(o.width()), static_cast<png_uint_32>(o.height()), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<std::size_t>(o.width()) * 3);
  for (int y = 0; y < o.height(); ++y) {
    const std::uint8_t* p = o.view().row(y);
    for (int x = 0; x < o.width(); ++x)
      for (int c = 0; c < 3; ++c) row[static_cast<std::size_t>(3 * x + c)] = p[4 * x + 1 + c];
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(out);
}

// The alpha bytes as a grey picture.
void writeAlphaPng(const Offscreen& o, const std::string& name) {
  OffscreenPtr grey = makeOffscreen(o.portRect());
  fillWith(*grey, [&](int x, int y) {
    const std::uint8_t a = pixelAt(o, x, y)[0];
    return Pixel{0, a, a, a};
  });
  writePng(*grey, name);
}

void expectPixels(const Offscreen& o, const std::function<Pixel(int, int)>& expected) {
  const Rect r = o.portRect();
  int wrong = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (pixelAt(o, x, y) != expected(x, y) && ++wrong <= 5)
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << int{pixelAt(o, x, y)[0]} << ","
                      << int{pixelAt(o, x, y)[1]} << "," << int{pixelAt(o, x, y)[2]} << "," << int{pixelAt(o, x, y)[3]};
  EXPECT_EQ(wrong, 0);
}

bool insideRect(int x, int y, int left, int top, int right, int bottom) {
  return x >= left && x < right && y >= top && y < bottom;
}

// The oval inscribed in the rectangle: pixel centres inside or on the ellipse, in doubles.
bool insideOval(int x, int y, int left, int top, int right, int bottom) {
  const double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
  const double a = (right - left) / 2.0, b = (bottom - top) / 2.0;
  const double dx = (x + 0.5 - cx) / a, dy = (y + 0.5 - cy) / b;
  return dx * dx + dy * dy <= 1.0;
}

TEST(JunkMask, RectangleAtHalfScaleBecomesAlpha255AndTheColoursStay) {
  const fs::path image =
      imageWithMask("junk-rect", kJunkMaskResourceID, archiveOf({shape({"rectangle", "{{10, 20}, {30, 40}}"})}));
  OffscreenPtr target = makeOffscreen(rectAt(0, 0, 41, 33));
  fillCoordinates(*target);
  testing::internal::CaptureStderr();
  EXPECT_TRUE(copyJunkMaskToAlphaChannelOffscreen(target.get(), image, 0.5f));
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("drawArrayAsShapeToOffscreen = data:\n[{{10, 20}, {30, 40}}]"), std::string::npos) << log;
  expectPixels(*target, [](int x, int y) {
    Pixel p = coordinatePixel(x, y);
    p[0] = insideRect(x, y, 5, 10, 20, 30) ? 255 : 0;
    return p;
  });
  writeAlphaPng(*target, "junk_rect_alpha");
}

TEST(JunkMask, ShapesOfEveryKindInANewMask) {
  const struct {
    const char* name;
    std::vector<std::string> strings;
    float scale;
    std::function<bool(int, int)> white;
  } cases[] = {
      {"rectangle",
       {"rectangle", "{{2, 3}, {9, 7}}"},
       1.0f,
       [](int x, int y) { return insideRect(x, y, 2, 3, 11, 10); }},
      {"oval", {"oval", "{{2, 3}, {9, 7}}"}, 1.0f, [](int x, int y) { return insideOval(x, y, 2, 3, 11, 10); }},
      {"any other kind is an oval",
       {"Ellipse!", "{{1.9, 3.7}, {9.2, 7.9}}"},
       1.0f,
       [](int x, int y) { return insideOval(x, y, 1, 3, 11, 11); }},
      {"oval at scale 2", {"", "{{1, 1}, {6, 5}}"}, 2.0f, [](int x, int y) { return insideOval(x, y, 2, 2, 14, 12); }},
      {"fractions are cut after adding",
       {"rectangle", "{{0.6, 0.6}, {0.6, 0.6}}"},
       1.0f,
       [](int x, int y) { return insideRect(x, y, 0, 0, 1, 1); }},
      {"negative size draws nothing", {"rectangle", "{{5, 5}, {-3, -3}}"}, 1.0f, [](int, int) { return false; }},
      {"overhanging the port is clipped",
       {"rectangle", "{{-5, -5}, {8, 100}}"},
       1.0f,
       [](int x, int y) { return insideRect(x, y, 0, 0, 3, 95); }},
      {"absurd sizes are held to the port",
       {"rectangle", "{{-1e300, -1e300}, {1e308, 1e308}}"},
       1.0f,
       [](int, int) { return true; }},
      {"a huge scale", {"rectangle", "{{1, 1}, {1, 1}}"}, 3e38f, [](int x, int y) { return x >= 15 || y >= 11; }},
      {"two-point polygon", {"freeForm", "{{1, 1}, {0, 0}}", "{{9, 9}, {0, 0}}"}, 1.0f, [](int, int) { return false; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path image = imageWithMask("junk-kinds", kJunkMaskResourceID, archiveOf({shape(c.strings)}));
    OffscreenPtr target = makeOffscreen(rectAt(0, 0, 15, 11));
    fillCoordinates(*target);
    const Bytes before = pixelBytes(*target);
    OffscreenPtr mask{getNewJunkMaskOffscreen(target.get(), image, c.scale)};
    ASSERT_TRUE(mask);
    EXPECT_EQ(mask->portRect(), target->portRect());
    expectPixels(*mask, [&](int x, int y) { return c.white(x, y) ? kWhitePixel : kBlackPixel; });
    EXPECT_EQ(pixelBytes(*target), before);
  }
}

// Polygons lie in a y-up space whose origin is the port's bottom-left corner, unflipped, as the producing
// program drew them; rectangles lie in the port's own y-down coordinates.
TEST(JunkMask, PolygonsCountYUpFromTheBottomOfThePort) {
  const fs::path image = imageWithMask(
      "junk-poly", kJunkMaskResourceID,
      archiveOf({shape({"freeForm", "{{0, 0}, {1, 1}}", "{{10, 0}, {0, 0}}", "{{10, 4}, {0, 0}}", "{{0, 4}, {}}"}),
                 shape({"rectangle", "{{12, 0}, {2, 4}}"})}));
  // The last point's text is damaged: the polygon is skipped; the rectangle still draws.
  OffscreenPtr target = makeOffscreen(rectAt(0, 0, 15, 9));
  OffscreenPtr skipped{getNewJunkMaskOffscreen(target.get(), image, 1.0f)};
  ASSERT_TRUE(skipped);
  expectPixels(*skipped, [](int x, int y) { return insideRect(x, y, 12, 0, 14, 4) ? kWhitePixel : kBlackPixel; });

  const fs::path good = imageWithMask(
      "junk-poly", kJunkMaskResourceID,
      archiveOf({shape({"freeForm", "{{0, 0}, {1, 1}}", "{{20, 0}, {0, 0}}", "{{20, 8}, {0, 0}}", "{{0, 8}, {5, 5}}"}),
                 shape({"rectangle", "{{12, 0}, {2, 4}}"})}));
  OffscreenPtr mask{getNewJunkMaskOffscreen(target.get(), good, 0.5f)};
  ASSERT_TRUE(mask);
  expectPixels(*mask, [](int x, int y) {
    return insideRect(x, y, 0, 5, 10, 9) || insideRect(x, y, 6, 0, 7, 2) ? kWhitePixel : kBlackPixel;
  });
  writePng(*mask, "junk_polygon_and_rect");
}

// A port away from the origin: rectangles keep port coordinates, polygons count from the port's corner.
TEST(JunkMask, PortsAwayFromTheOriginKeepEachConvention) {
  const fs::path image = imageWithMask(
      "junk-offset", kJunkMaskResourceID,
      archiveOf({shape({"rectangle", "{{4, 3}, {2, 2}}"}),
                 shape({"freeForm", "{{0, 0}, {0, 0}}", "{{2, 0}, {0, 0}}", "{{2, 1}, {0, 0}}", "{{0, 1}, {0, 0}}"})}));
  OffscreenPtr target = makeOffscreen(rectAt(3, 2, 9, 7));  // left 3, top 2, right 12, bottom 9
  OffscreenPtr mask{getNewJunkMaskOffscreen(target.get(), image, 1.0f)};
  ASSERT_TRUE(mask);
  EXPECT_EQ(mask->portRect(), target->portRect());
  expectPixels(*mask, [](int x, int y) {
    return insideRect(x, y, 4, 3, 6, 5) || insideRect(x, y, 3, 8, 5, 9) ? kWhitePixel : kBlackPixel;
  });
}

TEST(JunkMask, PolygonEdgesAreAntiAliased) {
  const fs::path image = imageWithMask(
      "junk-aa", kJunkMaskResourceID,
      archiveOf(
          {shape({"freeForm", "{{0, 0}, {0, 0}}", "{{6.5, 0}, {0, 0}}", "{{6.5, 3}, {0, 0}}", "{{0, 3}, {0, 0}}"}),
           shape({"freeForm", "{{9, 1}, {0, 0}}", "{{14, 1}, {0, 0}}", "{{9, 6}, {0, 0}}"})}));
  OffscreenPtr target = makeOffscreen(rectAt(0, 0, 15, 7));
  OffscreenPtr mask{getNewJunkMaskOffscreen(target.get(), image, 1.0f)};
  ASSERT_TRUE(mask);
  writePng(*mask, "junk_polygon_antialiased");
  for (int y = 4; y < 7; ++y) {
    SCOPED_TRACE(y);
    EXPECT_EQ(pixelAt(*mask, 5, y), kWhitePixel);
    const Pixel edge = pixelAt(*mask, 6, y);
    EXPECT_EQ(edge[0], 0);  // the alpha byte is not the fill's business
    EXPECT_GT(edge[1], 100);
    EXPECT_LT(edge[1], 155);
    EXPECT_EQ(edge[1], edge[2]);
    EXPECT_EQ(pixelAt(*mask, 7, y), kBlackPixel);
  }
  // The triangle's hypotenuse crosses pixels partly.
  int partial = 0;
  for (int y = 0; y < 7; ++y)
    for (int x = 9; x < 15; ++x) partial += pixelAt(*mask, x, y)[1] > 0 && pixelAt(*mask, x, y)[1] < 255;
  EXPECT_GE(partial, 4);
  EXPECT_EQ(pixelAt(*mask, 9, 5), kWhitePixel);  // y 1 up from the bottom is row 5
}

TEST(ExclusionMask, ErasesToWhiteAndPaintsTheShapesBlack) {
  const struct {
    const char* name;
    ArchivedValue::Array shapes;
    std::function<bool(int, int)> black;
  } cases[] = {
      {"no shapes", {}, [](int, int) { return false; }},
      {"rectangle and oval",
       {shape({"rectangle", "{{1, 1}, {3, 2}}"}), shape({"oval", "{{6, 2}, {7, 5}}"}),
        ArchivedValue::string("not a shape"), ArchivedValue::integer(4)},
       [](int x, int y) { return insideRect(x, y, 1, 1, 4, 3) || insideOval(x, y, 6, 2, 13, 7); }},
      {"polygon",
       {shape({"freeForm", "{{0, 0}, {0, 0}}", "{{4, 0}, {0, 0}}", "{{4, 2}, {0, 0}}", "{{0, 2}, {0, 0}}"})},
       [](int x, int y) { return insideRect(x, y, 0, 7, 4, 9); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path image = imageWithMask("exclusion", kExclusionMaskResourceID, archiveOf(c.shapes));
    OffscreenPtr target = makeOffscreen(rectAt(0, 0, 15, 9));
    fillCoordinates(*target);
    EXPECT_TRUE(copyExclusionMaskToOffscreen(target.get(), image, 1.0f));
    expectPixels(*target, [&](int x, int y) { return c.black(x, y) ? kBlackPixel : kWhitePixel; });
    writePng(*target, std::string("exclusion_") + (c.shapes.empty() ? "empty" : std::to_string(c.shapes.size())));
  }
}

TEST(Masks, WithoutAUsableMaskTheTargetAndTheFilesStayAsTheyWere) {
  const fs::path plain = makeImage("nomask");
  const fs::path junkOnly = imageWithMask("junkonly", kJunkMaskResourceID, archiveOf({}));
  const struct {
    const char* name;
    std::optional<Bytes> resource;  // in both 5011 and 5012; none: no sidecar
    Bytes rawSidecar;               // when not empty: written as the sidecar itself
    const char* logged;             // what the log says; none for the usual file without masks
  } cases[] = {
      {"no sidecar", std::nullopt, {}, nullptr},
      {"empty resource", Bytes{}, {}, "is empty"},
      {"garbage resource", Bytes{1, 2, 3, 4, 5}, {}, "holds no keyed archive of an array"},
      {"root is a string",
       encodeKeyedArchive(ArchivedValue::string("{{1, 1}, {5, 5}}")),
       {},
       "holds no keyed archive of an array"},
      {"root is a dictionary",
       encodeKeyedArchive(ArchivedValue::dictionary({})),
       {},
       "holds no keyed archive of an array"},
      {"damaged sidecar", std::nullopt, Bytes{0x00, 0x05, 0x16, 0x07, 0x00, 0x02, 0x00, 0x00, 0xFF, 0xFF},
       "cannot be read, error = -199"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path image = makeImage("bad-mask");
    if (c.resource) {
      ASSERT_EQ(writeResource(image, kPrefResourceType, kJunkMaskResourceID, *c.resource), noErr);
      ASSERT_EQ(writeResource(image, kPrefResourceType, kExclusionMaskResourceID, *c.resource), noErr);
    }
    if (!c.rawSidecar.empty())
      ASSERT_EQ(writeFileAtomically(appleDoublePath(image), std::span<const std::uint8_t>(c.rawSidecar), true), noErr);
    std::vector<std::uint8_t> sidecarBefore;
    static_cast<void>(readFileBytes(appleDoublePath(image), sidecarBefore));
    OffscreenPtr target = makeOffscreen(rectAt(0, 0, 7, 5));
    fillCoordinates(*target);
    const Bytes before = pixelBytes(*target);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(copyJunkMaskToAlphaChannelOffscreen(target.get(), image, 1.0f));
    EXPECT_FALSE(copyExclusionMaskToOffscreen(target.get(), image, 1.0f));
    EXPECT_EQ(OffscreenPtr(getNewJunkMaskOffscreen(target.get(), image, 1.0f)), nullptr);
    const std::string log = testing::internal::GetCapturedStderr();
    if (c.logged)
      EXPECT_NE(log.find(c.logged), std::string::npos) << log;
    else
      EXPECT_EQ(log, "");
    EXPECT_EQ(pixelBytes(*target), before);
    std::vector<std::uint8_t> sidecarAfter;
    static_cast<void>(readFileBytes(appleDoublePath(image), sidecarAfter));
    EXPECT_EQ(sidecarAfter, sidecarBefore);
  }
  OffscreenPtr target = makeOffscreen(rectAt(0, 0, 7, 5));
  EXPECT_FALSE(copyJunkMaskToAlphaChannelOffscreen(nullptr, junkOnly, 1.0f));
  EXPECT_FALSE(copyExclusionMaskToOffscreen(target.get(), junkOnly, 1.0f));
  EXPECT_FALSE(copyExclusionMaskToOffscreen(target.get(), plain.parent_path(), 1.0f));
}

TEST(Masks, PresenceAnswersForEachResource) {
  const fs::path junk = imageWithMask("has-junk", kJunkMaskResourceID, Bytes{1});
  const fs::path exclusion = imageWithMask("has-excl", kExclusionMaskResourceID, Bytes{1});
  const fs::path none = makeImage("has-none");
  const struct {
    fs::path image;
    bool junk;
    bool exclusion;
  } cases[] = {
      {junk, true, false}, {exclusion, false, true}, {none, false, false}, {none.parent_path() / "x", false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.image);
    EXPECT_EQ(hasExternalMask(c.image), c.junk);
    EXPECT_EQ(hasExclusionMask(c.image), c.exclusion);
  }
  FSSpec spec;
  ASSERT_EQ(FSMakeFSSpecFromPath(junk, spec), noErr);
  EXPECT_TRUE(hasExternalMask(spec));
  EXPECT_FALSE(hasExclusionMask(spec));

  // A damaged sidecar is a resource error for the operator when asked for the junk mask; no file without
  // masks is.
  const fs::path damaged = makeImage("has-damaged");
  const Bytes garbage(30, 0x33);
  ASSERT_EQ(writeFileAtomically(appleDoublePath(damaged), std::span<const std::uint8_t>(garbage), true), noErr);
  MessageRecorder messages;
  EXPECT_FALSE(hasExternalMask(none));
  EXPECT_FALSE(hasExternalMask(none.parent_path() / "x"));
  EXPECT_TRUE(messages.messages().empty());
  EXPECT_FALSE(hasExclusionMask(damaged));
  EXPECT_TRUE(messages.messages().empty());
  EXPECT_FALSE(hasExternalMask(damaged));
  EXPECT_EQ(messages.messages().size(), 1u);
}

TEST(Masks, FileSpecificationsReachTheSameShapes) {
  const fs::path image =
      imageWithMask("spec-mask", kJunkMaskResourceID, archiveOf({shape({"rectangle", "{{1, 1}, {2, 2}}"})}));
  ASSERT_EQ(writeResource(image, kPrefResourceType, kExclusionMaskResourceID,
                          archiveOf({shape({"rectangle", "{{0, 0}, {1, 1}}"})})),
            noErr);
  FSSpec spec;
  ASSERT_EQ(FSMakeFSSpecFromPath(image, spec), noErr);
  OffscreenPtr target = makeOffscreen(rectAt(0, 0, 5, 3));
  EXPECT_TRUE(copyJunkMaskToAlphaChannelOffscreen(target.get(), spec, 1.0f));
  EXPECT_EQ(pixelAt(*target, 1, 1)[0], 255);
  EXPECT_EQ(pixelAt(*target, 0, 0)[0], 0);
  OffscreenPtr mask{getNewJunkMaskOffscreen(target.get(), spec, 1.0f)};
  ASSERT_TRUE(mask);
  EXPECT_EQ(pixelAt(*mask, 2, 2), kWhitePixel);
  EXPECT_TRUE(copyExclusionMaskToOffscreen(target.get(), spec, 1.0f));
  EXPECT_EQ(pixelAt(*target, 0, 0), kBlackPixel);
  EXPECT_EQ(pixelAt(*target, 1, 1), kWhitePixel);
}

TEST(RectStrings, ParseOnlyTheRectangleNotation) {
  const struct {
    const char* text;
    std::optional<ShapeRect> rect;
  } cases[] = {
      {"{{10, 20}, {30, 40}}", ShapeRect{10, 20, 30, 40}},
      {" { { -1.5 ,2e1},{ +3 , 4.25 } } ", ShapeRect{-1.5, 20, 3, 4.25}},
      {"{{1,2},{3,4}}", ShapeRect{1, 2, 3, 4}},
      {"{{1, 2}, {3}}", std::nullopt},
      {"{{1, 2}, {3, 4}} x", std::nullopt},
      {"{{nan, 2}, {3, 4}}", std::nullopt},
      {"{{inf, 2}, {3, 4}}", std::nullopt},
      {"{{1e400, 2}, {3, 4}}", std::nullopt},
      {"{{0x10, 2}, {3, 4}}", std::nullopt},
      {"{{+-1, 2}, {3, 4}}", std::nullopt},
      {"", std::nullopt},
      {"{{1, 2}, {3, 4}", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto rect = parseRectString(c.text);
    ASSERT_EQ(rect.has_value(), c.rect.has_value());
    if (!rect) continue;
    EXPECT_EQ(rect->x, c.rect->x);
    EXPECT_EQ(rect->y, c.rect->y);
    EXPECT_EQ(rect->width, c.rect->width);
    EXPECT_EQ(rect->height, c.rect->height);
  }
  EXPECT_FALSE(scaledShapeBounds({1, 2, 3, 4}, std::numeric_limits<float>::quiet_NaN()));
  EXPECT_EQ(*scaledShapeBounds({10, 20, 30, 40}, 0.5f), makeRect(10, 5, 30, 20));
}

}  // namespace
}  // namespace vorl::test
