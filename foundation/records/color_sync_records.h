// `tColorSyncPrefs` (47550 bytes): the colour-matching choices every job carries, with one
// `tPrinterColorSyncPrefs` (202 bytes) per printer type 0..99.
#pragma once

#include <array>
#include <cstddef>

#include "platform/core/mac_types.h"

namespace vorl {

struct tPrinterColorSyncPrefs {
  UInt16Field matchingOn;                     // 0: the matching step does nothing while it is 0
  UInt16Field value2;                         // 2
  FSSpec printerProfile;                      // 4
  UInt16Field embedSourceProfile;             // 74: non-zero: embed the source image's profile in outputs
  std::array<unsigned char, 126> reserved{};  // 76
};

static_assert(sizeof(tPrinterColorSyncPrefs) == 202);
static_assert(offsetof(tPrinterColorSyncPrefs, printerProfile) == 4);
static_assert(offsetof(tPrinterColorSyncPrefs, embedSourceProfile) == 74);
static_assert(offsetof(tPrinterColorSyncPrefs, reserved) == 76);

inline constexpr std::size_t kColorSyncPrinterTypes = 100;

struct tColorSyncPrefs {
  UInt16Field useColorMatching;                                         // 0
  FSSpec profile2;                                                      // 2
  FSSpec profile72;                                                     // 72
  FSSpec inputProfile;                                                  // 142: used by the matching step
  std::array<tPrinterColorSyncPrefs, kColorSyncPrinterTypes> printers;  // 212: entry k for printer type k
  Str255 text20412;                                                     // 20412
  Str255 text20668;                                                     // 20668
  std::array<Str255, kColorSyncPrinterTypes> printerTexts;              // 20924: one per printer type
  UInt16Field applyEmbeddedProfiles;                                    // 46524: sets gApplyEmbedded
  UInt16Field value46526;                                               // 46526
  std::array<unsigned char, 1022> reserved{};                           // 46528
};

static_assert(sizeof(tColorSyncPrefs) == 47550);
static_assert(offsetof(tColorSyncPrefs, profile2) == 2);
static_assert(offsetof(tColorSyncPrefs, profile72) == 72);
static_assert(offsetof(tColorSyncPrefs, inputProfile) == 142);
static_assert(offsetof(tColorSyncPrefs, printers) == 212);
static_assert(offsetof(tColorSyncPrefs, text20412) == 20412);
static_assert(offsetof(tColorSyncPrefs, text20668) == 20668);
static_assert(offsetof(tColorSyncPrefs, printerTexts) == 20924);
static_assert(offsetof(tColorSyncPrefs, applyEmbeddedProfiles) == 46524);
static_assert(offsetof(tColorSyncPrefs, value46526) == 46526);
static_assert(offsetof(tColorSyncPrefs, reserved) == 46528);

}  // namespace vorl
