// The filter chain against closed forms worked out here in double precision: each colour stage on sample
// colours, the luminance sharpening and the blur against Gaussians of our own, which stages run for which
// values, what non-finite values do, and bytes that do not depend on the thread count.
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/color/color_adjustment_manager.h"
#include "imaging/filters/filter_stages.h"
#include "imaging/filters/gaussian_blur.h"
#include "imaging/filters/image_filter.h"
#include "imaging/parallel/job_pool.h"
#include "platform/system/command_runner.h"
#include "tests/imaging/delta_e.h"
#include "tests/imaging/pixel_fixtures.h"

namespace vorl::test {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using Rgb = std::array<double, 3>;  // 0..1

// Sample colours, one a pixel, with alphas that must come through untouched.
const std::vector<Pixel> kSamples = {
    {0, 0, 0, 0},       {0, 255, 255, 255}, {9, 200, 30, 90}, {255, 17, 180, 240},
    {0, 128, 128, 128}, {77, 64, 100, 12},  {0, 250, 240, 5},
};

OffscreenPtr sampleImage() {
  // Odd width and a port away from the origin, so a stride or origin slip shows.
  OffscreenPtr image = makeOffscreen(rectAt(5, -3, static_cast<int>(kSamples.size()), 3));
  fillWith(*image, [](int x, int) { return kSamples[static_cast<std::size_t>(x - 5)]; });
  return image;
}

// The working space's transfer curve (sRGB, IEC 61966-2.1), both ways: the stages act on light.
double toLight(double encoded) {
  return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}
double toEncoded(double light) {
  return light <= 0.0031308 ? light * 12.92 : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
}

Rgb unit(const Pixel& p) { return {toLight(p[1] / 255.0), toLight(p[2] / 255.0), toLight(p[3] / 255.0)}; }

// A byte is right when it is the exact light encoded and rounded, or either neighbour of a value that lies on a
// tie.
testing::AssertionResult roundsTo(double exact, int byte) {
  const double v = toEncoded(std::clamp(exact, 0.0, 1.0)) * 255;
  const double tie = std::abs(v - std::floor(v) - 0.5);
  if (byte == static_cast<int>(std::floor(v + 0.5))) return testing::AssertionSuccess();
  if (tie < 1e-3 && std::abs(byte - v) < 0.51) return testing::AssertionSuccess();
  return testing::AssertionFailure() << "byte " << byte << " for exact " << v;
}

Rgb colorControls(Rgb c, double s, double b, double k) {
  const double y = 0.2125 * c[0] + 0.7154 * c[1] + 0.0721 * c[2];
  for (double& v : c) v = (y + s * (v - y) - 0.5) * k + 0.5 + b;
  return c;
}
Rgb gammaOf(Rgb c, double p) {
  for (double& v : c) v = std::copysign(std::pow(std::abs(v), p), v);
  return c;
}
Rgb exposureOf(Rgb c, double ev) {
  for (double& v : c) v *= std::pow(2.0, ev);
  return c;
}
Rgb hueOf(const Rgb& c, double angle) {
  // Rotation about the grey axis, u = (1, 1, 1)/√3: c cos θ + (u × c) sin θ + u (u·c)(1 − cos θ).
  const double u = 1 / std::sqrt(3.0), dot = u * (c[0] + c[1] + c[2]);
  const Rgb cross = {u * (c[2] - c[1]), u * (c[0] - c[2]), u * (c[1] - c[0])};
  Rgb r;
  for (int i = 0; i < 3; ++i)
    r[i] = c[i] * std::cos(angle) + cross[i] * std::sin(angle) + u * dot * (1 - std::cos(angle));
  return r;
}
Rgb gainsOf(const Rgb& c, double red, double green, double blue) { return {c[0] * red, c[1] * green, c[2] * blue}; }

// Closed form of the whole chain for a flat picture (sharpening changes nothing there), in the chain's order.
Rgb chainOf(const Rgb& c, const ColorAdjustValues& v) {
  return gainsOf(
      hueOf(exposureOf(gammaOf(colorControls(c, v.saturation, v.brightness, v.contrast), v.gamma), v.exposure), v.hue),
      v.red, v.green, v.blue);
}

void expectClosedForm(const Offscreen& out, const std::function<Rgb(const Rgb&)>& expected) {
  const Rect r = out.portRect();
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) {
      const Pixel in = kSamples[static_cast<std::size_t>(x - r.left)], got = pixelAt(out, x, y);
      SCOPED_TRACE(testing::Message() << "sample " << int(in[1]) << "," << int(in[2]) << "," << int(in[3]));
      const Rgb want = expected(unit(in));
      EXPECT_EQ(got[0], in[0]) << "alpha";
      for (int c = 0; c < 3; ++c) EXPECT_TRUE(roundsTo(want[c], got[c + 1])) << "channel " << c;
    }
}

ColorAdjustValues with(const std::function<void(ColorAdjustValues&)>& change) {
  ColorAdjustValues v;
  change(v);
  return v;
}

// The benchmark's values: every stage at once.
ColorAdjustValues fullCorrection() {
  return with([](ColorAdjustValues& v) {
    v.saturation = 1.2;
    v.contrast = 1.1;
    v.gamma = 0.9;
    v.exposure = 0.3;
    v.hue = 0.2;
    v.sharpness = 0.5;
    v.blue = 1.1;
  });
}

TEST(FilterChain, EachStageMatchesItsClosedFormOnSampleColours) {
  const struct {
    const char* what;
    ColorAdjustValues values;
    std::function<Rgb(const Rgb&)> expected;
  } cases[] = {
      {"saturation 1.3", with([](auto& v) { v.saturation = 1.3; }),
       [](const Rgb& c) { return colorControls(c, 1.3, 0, 1); }},
      {"saturation 0 is the luminance grey", with([](auto& v) { v.saturation = 0; }),
       [](const Rgb& c) { return colorControls(c, 0, 0, 1); }},
      {"brightness 0.1", with([](auto& v) { v.brightness = 0.1; }),
       [](const Rgb& c) { return colorControls(c, 1, 0.1, 1); }},
      {"contrast 1.4 about 0.5", with([](auto& v) { v.contrast = 1.4; }),
       [](const Rgb& c) { return colorControls(c, 1, 0, 1.4); }},
      {"saturation, then contrast, then brightness", with([](auto& v) {
         v.saturation = 1.4;
         v.contrast = 0.7;
         v.brightness = -0.15;
       }),
       [](const Rgb& c) { return colorControls(c, 1.4, -0.15, 0.7); }},
      {"gamma 0.6", with([](auto& v) { v.gamma = 0.6; }), [](const Rgb& c) { return gammaOf(c, 0.6); }},
      {"gamma 1.4", with([](auto& v) { v.gamma = 1.4; }), [](const Rgb& c) { return gammaOf(c, 1.4); }},
      {"gamma 0.1 lifts the dark end", with([](auto& v) { v.gamma = 0.1; }),
       [](const Rgb& c) { return gammaOf(c, 0.1); }},
      {"exposure 0.5", with([](auto& v) { v.exposure = 0.5; }), [](const Rgb& c) { return exposureOf(c, 0.5); }},
      {"exposure -0.7", with([](auto& v) { v.exposure = -0.7; }), [](const Rgb& c) { return exposureOf(c, -0.7); }},
      {"hue 0.5", with([](auto& v) { v.hue = 0.5; }), [](const Rgb& c) { return hueOf(c, 0.5); }},
      // A third of a turn about the grey axis carries red to green, green to blue and blue to red.
      {"hue 2pi/3 permutes", with([](auto& v) { v.hue = 2 * kPi / 3; }),
       [](const Rgb& c) {
         return Rgb{c[2], c[0], c[1]};
       }},
      {"gains", with([](auto& v) { v.red = 1.2, v.green = 0.8, v.blue = 1.1; }),
       [](const Rgb& c) { return gainsOf(c, 1.2, 0.8, 1.1); }},
      {"every per-pixel stage in order", with([](auto& v) {
         v = fullCorrection();
         v.sharpness = 0;
         v.brightness = 0.05;
         v.red = 0.9;
       }),
       [](const Rgb& c) {
         ColorAdjustValues v = fullCorrection();
         v.brightness = 0.05;
         v.red = 0.9;
         return chainOf(c, v);
       }},
  };
  OffscreenPtr image = sampleImage();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OffscreenPtr out = ColorAdjustmentManager().applyColorCorrection2(*image, c.values);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->portRect(), image->portRect());
    expectClosedForm(*out, c.expected);
  }
}

// Half a stop more light on mid-grey 128 is 128's light times √2, encoded: 150, where the encoded numbers
// times √2 would give 181. The figures of each stage are measured against the linear-light formula as ΔE00.
TEST(FilterChain, StagesWorkOnLightNotOnEncodedValues) {
  OffscreenPtr grey = makeOffscreen(rectAt(0, 0, 1, 1));
  setPixel(*grey, 0, 0, Pixel{0, 128, 128, 128});
  OffscreenPtr brighter = ColorAdjustmentManager().applyColorCorrection2(*grey, with([](auto& v) { v.exposure = 0.5; }));
  ASSERT_TRUE(brighter);
  const int expected = static_cast<int>(std::lround(toEncoded(toLight(128 / 255.0) * std::sqrt(2.0)) * 255));
  EXPECT_EQ(expected, 150);
  EXPECT_EQ(pixelAt(*brighter, 0, 0), (Pixel{0, 150, 150, 150}));

  // Every colour of a 16-step cube, through each stage the issue measured.
  OffscreenPtr cube = makeOffscreen(rectAt(0, 0, 256, 16));
  fillWith(*cube, [](int x, int y) {
    return Pixel{0, static_cast<std::uint8_t>(17 * (x % 16)), static_cast<std::uint8_t>(17 * (x / 16)),
                 static_cast<std::uint8_t>(17 * y)};
  });
  const struct {
    const char* what;
    ColorAdjustValues values;
    std::function<Rgb(const Rgb&)> formula;
  } cases[] = {
      {"exposure +0.5 EV", with([](auto& v) { v.exposure = 0.5; }), [](const Rgb& c) { return exposureOf(c, 0.5); }},
      {"brightness +0.1", with([](auto& v) { v.brightness = 0.1; }),
       [](const Rgb& c) { return colorControls(c, 1, 0.1, 1); }},
      {"hue 0.3 rad", with([](auto& v) { v.hue = 0.3; }), [](const Rgb& c) { return hueOf(c, 0.3); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OffscreenPtr out = ColorAdjustmentManager().applyColorCorrection2(*cube, c.values);
    ASSERT_TRUE(out);
    OffscreenPtr expected = makeOffscreen(cube->portRect());
    fillWith(*expected, [&](int x, int y) {
      const Rgb light = c.formula(unit(pixelAt(*cube, x, y)));
      Pixel p{0, 0, 0, 0};
      for (int i = 0; i < 3; ++i)
        p[static_cast<std::size_t>(i + 1)] =
            static_cast<std::uint8_t>(std::lround(toEncoded(std::clamp(light[static_cast<std::size_t>(i)], 0.0, 1.0)) * 255));
      return p;
    });
    EXPECT_LT(reportDeltaE(std::string("colour adjustment, ") + c.what, *out, *expected).max, 0.5);
  }
}

TEST(FilterChain, OnlyTheStagesThatDifferFromNeutralRun) {
  const struct {
    const char* what;
    ColorAdjustValues values;
    std::vector<FilterStage> stages;
    std::vector<std::string> logged;
  } cases[] = {
      {"neutral", ColorAdjustValues{}, {}, {"sharpness is OFF"}},
      {"hue 0.5 alone",
       with([](auto& v) { v.hue = 0.5; }),
       {FilterStage::kHue},
       {"CIHueAdjust settings->hue = 0.50000"}},
      {"blue 1.2 alone",
       with([](auto& v) { v.blue = 1.2; }),
       {FilterStage::kColorMatrix},
       {"CIColorMatrix inputBVector = [0 0 1.2 0]", "CIColorMatrix inputRVector = [1 0 0 0]",
        "CIColorMatrix settings->alpha = 1.00000"}},
      {"contrast alone brings the colour controls",
       with([](auto& v) { v.contrast = 1.1; }),
       {FilterStage::kColorControls},
       {"CIColorControls settings->contrast = 1.10000", "did we crash here"}},
      {"sharpness 0.5",
       with([](auto& v) { v.sharpness = 0.5; }),
       {FilterStage::kSharpenLuminance},
       {"my sharpness==0.5", "CISharpenLuminance settings->sharpnessLuminance = 0.50000"}},
      {"every stage",
       fullCorrection(),
       {FilterStage::kColorControls, FilterStage::kGamma, FilterStage::kSharpenLuminance, FilterStage::kExposure,
        FilterStage::kHue, FilterStage::kColorMatrix},
       {"CIGammaAdjust settings->gamma = 0.90000", "CIExposureAdjust settings->exposure = 0.30000"}},
  };
  OffscreenPtr image = sampleImage();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<FilterStage> ran;
    testing::internal::CaptureStderr();
    OffscreenPtr out = ColorAdjustmentManager().applyColorCorrection2(*image, c.values, nullptr, &ran);
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(out);
    EXPECT_EQ(ran, c.stages);
    for (const std::string& line : c.logged) EXPECT_NE(log.find(line), std::string::npos) << line << " in\n" << log;
    EXPECT_EQ(log.find("sharpness is OFF") != std::string::npos, c.values.sharpness == 0);
    EXPECT_NE(log.find("Preparing to Color Adjust the Image..."), std::string::npos);
    if (c.stages.empty()) {
      EXPECT_EQ(pixelBytes(*out), pixelBytes(*image)) << "neutral values copy the picture";
    }
  }
}

TEST(FilterChain, NonFiniteValuesNeverReachThePixels) {
  OffscreenPtr image = sampleImage();
  for (const double bad : {kNaN, kInf, -kInf}) {
    SCOPED_TRACE(bad);
    const ColorAdjustValues values{bad, bad, bad, bad, bad, bad, bad, bad, bad, bad};
    std::vector<FilterStage> ran;
    testing::internal::CaptureStderr();
    OffscreenPtr out = ColorAdjustmentManager().applyColorCorrection2(*image, values, nullptr, &ran);
    const std::string log = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(out);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(pixelBytes(*out), pixelBytes(*image));
    EXPECT_NE(log.find("gamma is"), std::string::npos) << log;

    ImageFilter filter(sampleImage());
    filter.setSaturation(bad);
    filter.setAllColor(bad, 1, bad);
    filter.setSharpness(static_cast<float>(bad));
    filter.setGamma(static_cast<float>(bad));
    filter.setExposure(static_cast<float>(bad));
    filter.setHue(static_cast<float>(bad));
    filter.setBlur(static_cast<float>(bad));
    testing::internal::CaptureStderr();
    OffscreenPtr filtered = filter.createImage();
    testing::internal::GetCapturedStderr();
    ASSERT_TRUE(filtered);
    EXPECT_EQ(pixelBytes(*filtered), pixelBytes(*image));
  }
  // Finite but absurd values overflow inside the chain; the bytes still come out as black or white.
  testing::internal::CaptureStderr();
  OffscreenPtr out = ColorAdjustmentManager().applyColorCorrection2(
      *image, with([](auto& v) { v.exposure = 1e6, v.sharpness = 1e30, v.saturation = 1e300, v.gamma = 1e10; }));
  testing::internal::GetCapturedStderr();
  ASSERT_TRUE(out);
  for (int x = 0; x < out->width(); ++x)
    for (int c = 1; c < 4; ++c) {
      const int b = pixelAt(*out, out->portRect().left + x, out->portRect().top)[c];
      EXPECT_TRUE(b == 0 || b == 255) << b;
    }
}

// Exact blur of a sampled function along one axis, over a support far wider than the chain's.
double referenceGaussian(const std::function<double(int)>& value, int at, double sigma) {
  double sum = 0, weights = 0;
  const int reach = static_cast<int>(std::ceil(6 * sigma));
  for (int k = -reach; k <= reach; ++k) {
    const double w = std::exp(-k * k / (2 * sigma * sigma));
    sum += w * value(at + k);
    weights += w;
  }
  return sum / weights;
}

TEST(GaussianBlur, FlatPictureStaysFlatToTheEdgeAndKeepsItsPlace) {
  const Rect bounds = rectAt(-7, 11, 23, 9);
  OffscreenPtr image = makeOffscreen(bounds);
  fillWith(*image, [](int, int) { return Pixel{0, 37, 201, 128}; });
  for (const float radius : {0.5f, 2.0f, 30.0f}) {
    SCOPED_TRACE(radius);
    OffscreenPtr copy = makeOffscreen(bounds);
    fillWith(*copy, [](int, int) { return Pixel{0, 37, 201, 128}; });
    OffscreenPtr out = blurMyImage(std::move(copy), radius);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->portRect(), bounds);
    EXPECT_EQ(pixelBytes(*out), pixelBytes(*image));
  }
}

TEST(GaussianBlur, StepEdgeMatchesAReferenceGaussian) {
  // A vertical and a horizontal step; alpha holds a pattern the blur must leave alone.
  const struct {
    const char* what;
    bool vertical;
  } cases[] = {{"step across x", false}, {"step across y", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const int width = c.vertical ? 9 : 41, height = c.vertical ? 41 : 9;
    const auto level = [](int i) { return i < 20 ? 10.0 : 240.0; };
    OffscreenPtr image = makeOffscreen(rectAt(3, 4, width, height));
    fillWith(*image, [&](int x, int y) {
      const int i = c.vertical ? y - 4 : x - 3;
      const auto v = static_cast<std::uint8_t>(level(i));
      return Pixel{static_cast<std::uint8_t>(x * 7 + y), v, static_cast<std::uint8_t>(255 - v), v};
    });
    const std::vector<std::uint8_t> before = pixelBytes(*image);
    ImageFilter filter(std::move(image));
    filter.setBlur(2.0f);
    EXPECT_EQ(filter.stages(), std::vector<FilterStage>{FilterStage::kGaussianBlur});
    OffscreenPtr out = filter.createImage();
    ASSERT_TRUE(out);
    const int length = c.vertical ? height : width;
    const auto clamped = [&](int i) { return level(std::clamp(i, 0, length - 1)); };
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const Pixel p = pixelAt(*out, 3 + x, 4 + y);
        const double want = referenceGaussian(clamped, c.vertical ? y : x, 2.0);
        EXPECT_NEAR(p[1], want, 1.0) << x << "," << y;
        EXPECT_NEAR(p[2], 255 - want, 1.0) << x << "," << y;
        EXPECT_EQ(p[0], before[4 * (static_cast<std::size_t>(y) * width + x)]) << "alpha";
      }
  }
}

// Binary PPM of the picture's colours, and back.
void writePpm(const Offscreen& image, const std::filesystem::path& path) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << image.width() << " " << image.height() << "\n255\n";
  const std::vector<std::uint8_t> bytes = pixelBytes(image);
  for (std::size_t i = 0; i < bytes.size(); i += 4) out.write(reinterpret_cast<const char*>(&bytes[i + 1]), 3);
}
std::vector<std::uint8_t> readPpm(const std::filesystem::path& path, int& width, int& height) {
  std::ifstream in(path, std::ios::binary);
  std::string token, magic;
  std::vector<int> numbers;
  in >> magic;
  while (numbers.size() < 3 && in >> token) {
    if (token[0] == '#') {
      std::getline(in, token);
      continue;
    }
    numbers.push_back(std::stoi(token));
  }
  in.get();
  if (magic != "P6" || numbers.size() != 3) return {};
  width = numbers[0], height = numbers[1];
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  in.read(reinterpret_cast<char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  return in ? rgb : std::vector<std::uint8_t>{};
}

TEST(GaussianBlur, AgreesWithLibvips) {
  // libvips blurs in float with edges copied outwards, as we do; its mask reaches further (min-ampl 0.001), and
  // its result is rounded to bytes by adding 0.5 before the cast.
  const int width = 37, height = 23;
  OffscreenPtr image = makeOffscreen(rectAt(0, 0, width, height));
  fillWith(*image, [](int x, int y) {
    const auto step = static_cast<std::uint8_t>(x < 18 ? 20 : 235);
    return Pixel{0, step, static_cast<std::uint8_t>(x * 6 + y * 3),
                 static_cast<std::uint8_t>((x / 4 + y / 4) % 2 ? 250 : 5)};
  });
  const std::filesystem::path folder = std::filesystem::path(testing::TempDir()) / "filter_chain_vips";
  std::filesystem::create_directories(folder);
  writePpm(*image, folder / "in.ppm");
  const auto run = [](std::vector<std::string> arguments) { return runCommand(arguments); };
  const CommandResult blur = run({"vips", "gaussblur", (folder / "in.ppm").string(), (folder / "blurred.v").string(),
                                  "2", "--precision", "float", "--min-ampl", "0.001"});
  if (!blur.started) GTEST_SKIP() << "vips is not installed";
  ASSERT_TRUE(blur.succeeded()) << blur.standardError;
  ASSERT_TRUE(run({"vips", "linear", (folder / "blurred.v").string(), (folder / "rounded.v").string(), "1", "0.5"})
                  .succeeded());
  ASSERT_TRUE(
      run({"vips", "cast", (folder / "rounded.v").string(), (folder / "out.ppm").string(), "uchar"}).succeeded());
  int w = 0, h = 0;
  const std::vector<std::uint8_t> theirs = readPpm(folder / "out.ppm", w, h);
  ASSERT_EQ(w, width);
  ASSERT_EQ(h, height);
  OffscreenPtr ours = blurMyImage(std::move(image), 2.0f);
  ASSERT_TRUE(ours);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(pixelAt(*ours, x, y)[c + 1], theirs[3 * (static_cast<std::size_t>(y) * width + x) + c], 1)
            << x << "," << y << " channel " << c;
}

TEST(GaussianBlur, RadiusThatIsNotFiniteOrAbsurdIsHandled) {
  OffscreenPtr image = sampleImage();
  Offscreen* original = image.get();
  testing::internal::CaptureStderr();
  OffscreenPtr same = blurMyImage(std::move(image), std::numeric_limits<float>::quiet_NaN());
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(same.get(), original) << "a NaN radius leaves the picture as it is";
  EXPECT_NE(log.find("not a finite number"), std::string::npos) << log;

  OffscreenPtr zero = blurMyImage(std::move(same), 0.0f);
  EXPECT_EQ(zero.get(), original);

  testing::internal::CaptureStderr();
  OffscreenPtr huge = blurMyImage(sampleImage(), 1e9f);
  log = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(huge);
  EXPECT_EQ(huge->portRect(), zero->portRect());
  EXPECT_NE(log.find("is beyond 100"), std::string::npos) << log;
}

TEST(SharpenLuminance, MatchesAnUnsharpMaskOfTheLuminance) {
  // Grey columns that step from dark to light: the luminance varies across x only.
  const int width = 31, height = 5;
  const auto byte = [](int x) -> std::uint8_t { return x < 15 ? 60 : 190; };
  const auto grey = [&](int x) { return toLight(byte(x) / 255.0); };
  OffscreenPtr image = makeOffscreen(rectAt(0, 0, width, height));
  fillWith(*image, [&](int x, int) { return Pixel{0, byte(x), byte(x), byte(x)}; });
  const double amount = 0.8;
  OffscreenPtr out =
      ColorAdjustmentManager().applyColorCorrection2(*image, with([&](auto& v) { v.sharpness = amount; }));
  ASSERT_TRUE(out);
  const auto clamped = [&](int x) { return grey(std::clamp(x, 0, width - 1)); };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double want = grey(x) + amount * (grey(x) - referenceGaussian(clamped, x, 1.69));
      const Pixel p = pixelAt(*out, x, y);
      for (int c = 1; c < 4; ++c) EXPECT_NEAR(p[c], toEncoded(std::clamp(want, 0.0, 1.0)) * 255, 1.0) << x << "," << y;
    }
}

TEST(FilterChain, BothRoadsGiveTheSameBytes) {
  // The per-picture filter serves when the manager cannot: the same values must give the same picture.
  const ColorAdjustValues v = fullCorrection();
  OffscreenPtr image = makeOffscreen(rectAt(0, 0, 37, 29));
  fillRandom(*image, 11);
  OffscreenPtr managed = ColorAdjustmentManager().applyColorCorrection2(*image, v);
  ImageFilter filter(makeOffscreen(image->portRect()));
  std::memcpy(filter.image()->baseAddr(), image->baseAddr(), static_cast<std::size_t>(image->rowBytes()) * 29);
  filter.setSaturation(v.saturation);
  filter.setBrightness(v.brightness);
  filter.setContrast(v.contrast);
  filter.setAllColor(v.red, v.green, v.blue);
  filter.setSharpness(static_cast<float>(v.sharpness));
  filter.setGamma(static_cast<float>(v.gamma));
  filter.setExposure(static_cast<float>(v.exposure));
  filter.setHue(static_cast<float>(v.hue));
  OffscreenPtr filtered = filter.createImage();
  ASSERT_TRUE(managed && filtered);
  EXPECT_EQ(pixelBytes(*managed), pixelBytes(*filtered));
}

TEST(ImageFilter, InputsNeverSetTakeTheirNeutralValues) {
  // Saturation alone: brightness and contrast of the same stage stay neutral, and no other stage exists.
  OffscreenPtr image = sampleImage();
  ImageFilter filter(sampleImage());
  filter.setSaturation(1.3);
  EXPECT_EQ(filter.stages(), std::vector<FilterStage>{FilterStage::kColorControls});
  OffscreenPtr out = filter.createImage();
  ASSERT_TRUE(out);
  expectClosedForm(*out, [](const Rgb& c) { return colorControls(c, 1.3, 0, 1); });
  EXPECT_TRUE(ImageFilter(sampleImage()).stages().empty());
  EXPECT_FALSE(ImageFilter(nullptr).createImage());
}

TEST(FilterChain, BytesDoNotDependOnTheThreadCount) {
  OffscreenPtr image = makeOffscreen(rectAt(-2, 5, 173, 157));
  fillRandom(*image, 2024);
  std::vector<std::uint8_t> corrected, blurred, both;
  for (const int threads : {1, 2, 3, 8}) {
    SCOPED_TRACE(threads);
    JobPool pool(threads);
    testing::internal::CaptureStderr();
    OffscreenPtr a = ColorAdjustmentManager().applyColorCorrection2(*image, fullCorrection(), &pool);
    testing::internal::GetCapturedStderr();
    OffscreenPtr copy = makeOffscreen(image->portRect());
    std::memcpy(copy->baseAddr(), image->baseAddr(), static_cast<std::size_t>(image->rowBytes()) * 157);
    OffscreenPtr b = blurMyImage(std::move(copy), 2.0f, &pool);
    ImageFilter filter(makeOffscreen(image->portRect()));
    std::memcpy(filter.image()->baseAddr(), image->baseAddr(), static_cast<std::size_t>(image->rowBytes()) * 157);
    filter.setSharpness(1.5f);
    filter.setGamma(0.7f);
    filter.setBlur(3.5f);
    OffscreenPtr c = filter.createImage(&pool);
    ASSERT_TRUE(a && b && c);
    if (threads == 1) {
      corrected = pixelBytes(*a), blurred = pixelBytes(*b), both = pixelBytes(*c);
      continue;
    }
    EXPECT_EQ(pixelBytes(*a), corrected);
    EXPECT_EQ(pixelBytes(*b), blurred);
    EXPECT_EQ(pixelBytes(*c), both);
  }
}

// Writes the picture's colours as an RGB PNG for a person to look at.
bool writePng(const Offscreen& image, const std::filesystem::path& path) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width());
  png.height = static_cast<png_uint_32>(image.height());
  png.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> rgb;
  const std::vector<std::uint8_t> bytes = pixelBytes(image);
  for (std::size_t i = 0; i < bytes.size(); i += 4) rgb.insert(rgb.end(), {bytes[i + 1], bytes[i + 2], bytes[i + 3]});
  const bool ok = png_image_write_to_stdio(&png, file, 0, rgb.data(), 0, nullptr) != 0;
  return std::fclose(file) == 0 && ok;
}

TEST(FilterChain, WritesBeforeAndAfterPicturesToLookAt) {
  // Colour ramps, a grey wedge and fine lines, corrected with every stage and then blurred.
  const int width = 301, height = 201;
  OffscreenPtr image = makeOffscreen(rectAt(0, 0, width, height));
  fillWith(*image, [&](int x, int y) {
    if (y < 60) return Pixel{0, static_cast<std::uint8_t>(x * 255 / width), static_cast<std::uint8_t>(y * 4), 90};
    if (y < 120) {
      const auto g = static_cast<std::uint8_t>((x / 30) * 255 / 10);
      return Pixel{0, g, g, g};
    }
    const auto line = static_cast<std::uint8_t>((x / 3 + y / 3) % 2 ? 230 : 25);
    return Pixel{0, line, static_cast<std::uint8_t>(x < 150 ? 40 : line), 200};
  });
  testing::internal::CaptureStderr();
  OffscreenPtr corrected = ColorAdjustmentManager().applyColorCorrection2(*image, fullCorrection());
  testing::internal::GetCapturedStderr();
  ASSERT_TRUE(corrected);
  OffscreenPtr blurred = blurMyImage(std::move(corrected), 2.0f);
  ASSERT_TRUE(blurred);
  const std::filesystem::path folder = std::filesystem::path(VORL_SOURCE_DIR) / "build" / "artifacts";
  std::filesystem::create_directories(folder);
  EXPECT_TRUE(writePng(*image, folder / "filter_chain_before.png"));
  EXPECT_TRUE(writePng(*blurred, folder / "filter_chain_after.png"));
}

}  // namespace
}  // namespace vorl::test
