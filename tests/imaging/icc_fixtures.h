// ICC profiles made with LittleCMS for the colour tests and benchmarks: sRGB, an Adobe-RGB-like matrix profile
// (Adobe primaries, D65, gamma 2.2), a gamma 2.2 grey, a CMYK printer profile and an RGB printer profile built
// from lookup tables, so the table road of the colour engine runs too.
#pragma once

#include <lcms2.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace vorl::test {

inline void describeProfile(cmsHPROFILE profile, const char* description) {
  cmsMLU* text = cmsMLUalloc(nullptr, 1);
  cmsMLUsetASCII(text, "en", "US", description);
  cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
  cmsMLUfree(text);
}

inline std::vector<std::uint8_t> profileBytes(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  std::vector<std::uint8_t> bytes;
  if (cmsSaveProfileToMem(profile, nullptr, &size)) {
    bytes.resize(size);
    if (!cmsSaveProfileToMem(profile, bytes.data(), &size)) bytes.clear();
  }
  cmsCloseProfile(profile);
  return bytes;
}

inline cmsHPROFILE makeSRGBProfile(const char* description = "Test sRGB") {
  cmsHPROFILE profile = cmsCreate_sRGBProfile();
  describeProfile(profile, description);
  return profile;
}

inline cmsHPROFILE makeAdobeLikeProfile(const char* description = "Adobe-like RGB") {
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsFreeToneCurve(gamma);
  describeProfile(profile, description);
  return profile;
}

inline cmsHPROFILE makeGrayProfile(const char* description = "Grey 2.2") {
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
  cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), gamma);
  cmsFreeToneCurve(gamma);
  describeProfile(profile, description);
  return profile;
}

namespace detail {

struct SamplerCargo {
  cmsHTRANSFORM transform;
  int inputChannels;
  double curve;  // applied to device values on their way in (device -> PCS) or out (PCS -> device)
  bool toPCS;
};

inline cmsInt32Number sampleThrough(const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) {
  const auto& c = *static_cast<const SamplerCargo*>(cargo);
  cmsUInt16Number device[4];
  if (c.toPCS) {
    for (int i = 0; i < c.inputChannels; ++i)
      device[i] = static_cast<cmsUInt16Number>(std::lround(65535.0 * std::pow(in[i] / 65535.0, c.curve)));
    cmsDoTransform(c.transform, device, out, 1);
  } else {
    cmsDoTransform(c.transform, in, device, 1);
    for (int i = 0; i < 3; ++i)
      out[i] = static_cast<cmsUInt16Number>(std::lround(65535.0 * std::pow(device[i] / 65535.0, 1.0 / c.curve)));
  }
  return TRUE;
}

// A table between identity curves: the layout an A-to-B or B-to-A tag can hold.
inline void insertTable(cmsPipeline* pipeline, cmsStage* table, int in, int out) {
  cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, in, nullptr));
  cmsPipelineInsertStage(pipeline, cmsAT_END, table);
  cmsPipelineInsertStage(pipeline, cmsAT_END, cmsStageAllocToneCurves(nullptr, out, nullptr));
}

// A pipeline of one table with `grid` points a side, sampled through the transform.
inline cmsPipeline* tablePipeline(cmsHTRANSFORM transform, int in, int out, int grid, double curve, bool toPCS) {
  cmsPipeline* pipeline = cmsPipelineAlloc(nullptr, in, out);
  cmsStage* table = cmsStageAllocCLut16bit(nullptr, grid, in, out, nullptr);
  SamplerCargo cargo{transform, in, curve, toPCS};
  cmsStageSampleCLut16bit(table, sampleThrough, &cargo, 0);
  insertTable(pipeline, table, in, out);
  return pipeline;
}

inline cmsHPROFILE tableProfile(cmsColorSpaceSignature space) {
  cmsHPROFILE profile = cmsCreateProfilePlaceholder(nullptr);
  cmsSetProfileVersion(profile, 4.3);
  cmsSetDeviceClass(profile, cmsSigOutputClass);
  cmsSetColorSpace(profile, space);
  cmsSetPCS(profile, cmsSigLabData);
  cmsWriteTag(profile, cmsSigMediaWhitePointTag, cmsD50_XYZ());
  return profile;
}

}  // namespace detail

// A printer-like RGB profile: sRGB with a tone change, held in lookup tables both ways.
inline cmsHPROFILE makeRGBPrinterProfile(const char* description = "Table RGB printer") {
  cmsHPROFILE sRGB = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM toLab = cmsCreateTransform(sRGB, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0);
  cmsHTRANSFORM fromLab = cmsCreateTransform(lab, TYPE_Lab_16, sRGB, TYPE_RGB_16, INTENT_RELATIVE_COLORIMETRIC, 0);
  cmsHPROFILE profile = detail::tableProfile(cmsSigRgbData);
  // Perceptual and colorimetric tables differ, so a wrong intent shows.
  const struct {
    cmsTagSignature aToB, bToA;
    double curve;
  } intents[] = {{cmsSigAToB0Tag, cmsSigBToA0Tag, 1.4}, {cmsSigAToB1Tag, cmsSigBToA1Tag, 1.15}};
  for (const auto& intent : intents) {
    cmsPipeline* aToB = detail::tablePipeline(toLab, 3, 3, 17, intent.curve, true);
    cmsPipeline* bToA = detail::tablePipeline(fromLab, 3, 3, 33, intent.curve, false);
    cmsWriteTag(profile, intent.aToB, aToB);
    cmsWriteTag(profile, intent.bToA, bToA);
    cmsPipelineFree(aToB);
    cmsPipelineFree(bToA);
  }
  cmsDeleteTransform(toLab);
  cmsDeleteTransform(fromLab);
  cmsCloseProfile(sRGB);
  cmsCloseProfile(lab);
  describeProfile(profile, description);
  return profile;
}

// A CMYK printer profile for reading CMYK pictures: ink subtracts from white, black darkens everything.
inline cmsHPROFILE makeCMYKProfile(const char* description = "Table CMYK") {
  cmsHPROFILE sRGB = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
  cmsHTRANSFORM toLab = cmsCreateTransform(sRGB, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_RELATIVE_COLORIMETRIC, 0);
  cmsHPROFILE profile = detail::tableProfile(cmsSigCmykData);
  cmsPipeline* aToB = cmsPipelineAlloc(nullptr, 4, 3);
  cmsStage* table = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
  cmsStageSampleCLut16bit(
      table,
      [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
        const double k = 1.0 - in[3] / 65535.0;
        cmsUInt16Number rgb[3];
        for (int i = 0; i < 3; ++i) rgb[i] = static_cast<cmsUInt16Number>(std::lround((65535 - in[i]) * k));
        cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), rgb, out, 1);
        return TRUE;
      },
      toLab, 0);
  detail::insertTable(aToB, table, 4, 3);
  cmsWriteTag(profile, cmsSigAToB0Tag, aToB);
  cmsPipelineFree(aToB);
  cmsDeleteTransform(toLab);
  cmsCloseProfile(sRGB);
  cmsCloseProfile(lab);
  describeProfile(profile, description);
  return profile;
}

// Writes the profile to the file (and closes it); false when LittleCMS could not.
inline bool saveProfile(cmsHPROFILE profile, const std::filesystem::path& file) {
  const bool saved = cmsSaveProfileToFile(profile, file.c_str()) != 0;
  cmsCloseProfile(profile);
  return saved;
}

// The same profile with another class and rendering intent in its header.
inline cmsHPROFILE withHeader(cmsHPROFILE profile, cmsProfileClassSignature profileClass, int intent) {
  cmsSetDeviceClass(profile, profileClass);
  cmsSetHeaderRenderingIntent(profile, static_cast<cmsUInt32Number>(intent));
  return profile;
}

}  // namespace vorl::test

namespace vorl::test {

// A printer-like RGB profile held in tables whose black is raised: device black prints at L* `blackL`, the
// lightness scale compressed towards it, so shadows darker than that can only be kept apart by black-point
// compensation. The header's intent is relative colorimetric.
inline cmsHPROFILE makeRaisedBlackPrinterProfile(double blackL = 6, const char* description = "Raised-black printer") {
  struct Cargo {
    cmsHTRANSFORM transform;
    double blackL;
  };
  cmsHPROFILE sRGB = cmsCreate_sRGBProfile(), lab = cmsCreateLab4Profile(nullptr);
  Cargo toLab{cmsCreateTransform(sRGB, TYPE_RGB_16, lab, TYPE_Lab_DBL, INTENT_RELATIVE_COLORIMETRIC, 0), blackL};
  Cargo fromLab{cmsCreateTransform(lab, TYPE_Lab_DBL, sRGB, TYPE_RGB_16, INTENT_RELATIVE_COLORIMETRIC, 0), blackL};
  cmsHPROFILE profile = detail::tableProfile(cmsSigRgbData);
  cmsSetHeaderRenderingIntent(profile, INTENT_RELATIVE_COLORIMETRIC);
  // Device to Lab: the sRGB colour, its lightness lifted onto [black, 100].
  cmsPipeline* aToB = cmsPipelineAlloc(nullptr, 3, 3);
  cmsStage* forward = cmsStageAllocCLut16bit(nullptr, 33, 3, 3, nullptr);
  cmsStageSampleCLut16bit(
      forward,
      [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
        const auto& c = *static_cast<const Cargo*>(cargo);
        cmsCIELab value;
        cmsDoTransform(c.transform, in, &value, 1);
        value.L = c.blackL + value.L * (100 - c.blackL) / 100;
        cmsFloat2LabEncoded(out, &value);
        return TRUE;
      },
      &toLab, 0);
  detail::insertTable(aToB, forward, 3, 3);
  // Lab to device: the inverse; lightness below the printer's black clips to it.
  cmsPipeline* bToA = cmsPipelineAlloc(nullptr, 3, 3);
  cmsStage* backward = cmsStageAllocCLut16bit(nullptr, 33, 3, 3, nullptr);
  cmsStageSampleCLut16bit(
      backward,
      [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
        const auto& c = *static_cast<const Cargo*>(cargo);
        cmsCIELab value;
        cmsLabEncoded2Float(&value, in);
        value.L = std::clamp((value.L - c.blackL) * 100 / (100 - c.blackL), 0.0, 100.0);
        cmsDoTransform(c.transform, &value, out, 1);
        return TRUE;
      },
      &fromLab, 0);
  detail::insertTable(bToA, backward, 3, 3);
  for (const auto& tags : {std::pair{cmsSigAToB0Tag, cmsSigBToA0Tag}, std::pair{cmsSigAToB1Tag, cmsSigBToA1Tag}}) {
    cmsWriteTag(profile, tags.first, aToB);
    cmsWriteTag(profile, tags.second, bToA);
  }
  cmsPipelineFree(aToB);
  cmsPipelineFree(bToA);
  cmsDeleteTransform(toLab.transform);
  cmsDeleteTransform(fromLab.transform);
  cmsCloseProfile(sRGB);
  cmsCloseProfile(lab);
  describeProfile(profile, description);
  return profile;
}

}  // namespace vorl::test
