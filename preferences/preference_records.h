// The preference records: every setting of the processor lives in one of these fixed-size records (the
// print-to-file sets and web-upload destination are `tSpecialPrintToFilePref`). Their byte layouts are those of
// the legacy preference resources, so offsets and reserved bytes are fixed. Values are host order in memory.
#pragma once

#include <array>
#include <cstddef>

#include "foundation/records/folder_records.h"
#include "foundation/records/print_to_file_record.h"

namespace vorl {

// A folder as a volume reference number and a directory id; volume -9999 names no folder.
struct FolderLocation {
  SInt16Field vRefNum;
  SInt32Field dirID;
};
static_assert(sizeof(FolderLocation) == 6);

// The general settings (350 bytes).
struct tPrintServerPrefs {
  FolderLocation serverRoot;            // +0: root of the working folders
  FolderLocation imagesFolder;          // +6: "IMAGES FOLDER ƒ"
  FolderLocation printJobsFolder;       // +12: "PRINT JOBS FOLDER ƒ", the watched folder
  FolderLocation finishedJobsFolder;    // +18: "FINISHED JOBS FOLDER ƒ"
  FolderLocation unknownJobsFolder;     // +24: "UNKNOWN JOBS FOLDER ƒ"
  SInt16Field pollEvents;               // +30: 'enbp': long operations let the windows redraw
  FolderLocation databaseFolder;        // +32: "DATABASE FOLDER ƒ"
  SInt16Field flag38;                   // +38
  SInt16Field autoStart;                // +40: 'ausq': processing starts at launch
  SInt16Field createDefaultFolders;     // +42: read by the application shell at start-up
  Str63 name44;                         // +44: not streamed
  tmyFSSpec rootReference;              // +108: the root folder itself; alias id 4506
  SInt16Field value210;                 // +210: 'blck'
  SInt16Field value212;                 // +212
  SInt16Field keepJobFiles;             // +214: 'dljf' (shown inverted); 0 deletes a job's image files
  SInt16Field dualBuffer;               // +216: 'dual'
  SInt16Field rescan;                   // +218: 'scan'
  SInt16Field hideInBackground;         // +220: 'hima'
  SInt16Field askOnFailedJob;           // +222: 'dem5'
  SInt16Field value224;                 // +224: 't3am'
  tmyFSSpec secondRootReference;        // +226: alias id 4507
  FolderLocation secondRoot;            // +328
  SInt16Field value334;                 // +334
  SInt16Field value336;                 // +336
  std::array<SInt32Field, 3> words338;  // +338: copied with the record, neither defaulted nor streamed
};

static_assert(sizeof(tPrintServerPrefs) == 350);
static_assert(offsetof(tPrintServerPrefs, imagesFolder) == 6);
static_assert(offsetof(tPrintServerPrefs, printJobsFolder) == 12);
static_assert(offsetof(tPrintServerPrefs, finishedJobsFolder) == 18);
static_assert(offsetof(tPrintServerPrefs, unknownJobsFolder) == 24);
static_assert(offsetof(tPrintServerPrefs, pollEvents) == 30);
static_assert(offsetof(tPrintServerPrefs, databaseFolder) == 32);
static_assert(offsetof(tPrintServerPrefs, flag38) == 38);
static_assert(offsetof(tPrintServerPrefs, autoStart) == 40);
static_assert(offsetof(tPrintServerPrefs, createDefaultFolders) == 42);
static_assert(offsetof(tPrintServerPrefs, name44) == 44);
static_assert(offsetof(tPrintServerPrefs, rootReference) == 108);
static_assert(offsetof(tPrintServerPrefs, rootReference) + offsetof(tmyFSSpec, volumeName) == 178);
static_assert(offsetof(tPrintServerPrefs, value210) == 210);
static_assert(offsetof(tPrintServerPrefs, value212) == 212);
static_assert(offsetof(tPrintServerPrefs, keepJobFiles) == 214);
static_assert(offsetof(tPrintServerPrefs, dualBuffer) == 216);
static_assert(offsetof(tPrintServerPrefs, rescan) == 218);
static_assert(offsetof(tPrintServerPrefs, hideInBackground) == 220);
static_assert(offsetof(tPrintServerPrefs, askOnFailedJob) == 222);
static_assert(offsetof(tPrintServerPrefs, value224) == 224);
static_assert(offsetof(tPrintServerPrefs, secondRootReference) == 226);
static_assert(offsetof(tPrintServerPrefs, secondRootReference) + offsetof(tmyFSSpec, volumeName) == 296);
static_assert(offsetof(tPrintServerPrefs, secondRoot) == 328);
static_assert(offsetof(tPrintServerPrefs, value334) == 334);
static_assert(offsetof(tPrintServerPrefs, value336) == 336);
static_assert(offsetof(tPrintServerPrefs, words338) == 338);

// The single print-to-file destination (570 bytes).
struct tPrintToFilePrefs {
  tFolderFSSpec folder;                       // +0
  std::array<SInt16Field, 3> values362;       // +362, +364, +366
  Str31 fileNamePrefix;                       // +368
  Str31 fileNameExtension;                    // +400
  SInt16Field value432;                       // +432
  SInt16Field value434;                       // +434
  SInt16Field showNamingGroup;                // +436: 1 shows the panel's group 'view' when it opens
  SInt16Field value438;                       // +438
  SInt16Field saveThroughPreferencesFolder;   // +440: 'sapc'
  std::array<unsigned char, 128> reserved{};  // +442
};

static_assert(sizeof(tPrintToFilePrefs) == 570);
static_assert(offsetof(tPrintToFilePrefs, values362) == 362);
static_assert(offsetof(tPrintToFilePrefs, fileNamePrefix) == 368);
static_assert(offsetof(tPrintToFilePrefs, fileNameExtension) == 400);
static_assert(offsetof(tPrintToFilePrefs, value432) == 432);
static_assert(offsetof(tPrintToFilePrefs, showNamingGroup) == 436);
static_assert(offsetof(tPrintToFilePrefs, saveThroughPreferencesFolder) == 440);
static_assert(offsetof(tPrintToFilePrefs, reserved) == 442);

// The hand-over to the print-centre application (616 bytes).
struct tProcessedJobsPrefs {
  tFolderFSSpec folder;                       // +0: the print-centre folder
  SInt16Field newHandOverFormat;              // +362: 'newP': JPEG plus property list
  std::array<unsigned char, 252> reserved{};  // +364
};

static_assert(sizeof(tProcessedJobsPrefs) == 616);
static_assert(offsetof(tProcessedJobsPrefs, newHandOverFormat) == 362);
static_assert(offsetof(tProcessedJobsPrefs, reserved) == 364);

// Print to CD (1086 bytes).
struct tPrintToCDPref {
  tFolderFSSpec firstFolder;                  // +0
  std::array<SInt16Field, 3> values362;       // +362, +364, +366
  Str63 fileNamePrefix;                       // +368
  Str31 fileNameExtension;                    // +432
  SInt16Field value464;                       // +464
  SInt16Field value466;                       // +466
  tFolderFSSpec secondFolder;                 // +468
  std::array<unsigned char, 256> reserved{};  // +830
};

static_assert(sizeof(tPrintToCDPref) == 1086);
static_assert(offsetof(tPrintToCDPref, values362) == 362);
static_assert(offsetof(tPrintToCDPref, fileNamePrefix) == 368);
static_assert(offsetof(tPrintToCDPref, fileNameExtension) == 432);
static_assert(offsetof(tPrintToCDPref, value464) == 464);
static_assert(offsetof(tPrintToCDPref, value466) == 466);
static_assert(offsetof(tPrintToCDPref, secondFolder) == 468);
static_assert(offsetof(tPrintToCDPref, reserved) == 830);

// Output files (260 bytes).
struct tOutputFilePrefs {
  SInt16Field outputQuality;                  // +0: 10..100, the compression quality of format-10 files
  SInt16Field value2;                         // +2
  std::array<unsigned char, 256> reserved{};  // +4
};

static_assert(sizeof(tOutputFilePrefs) == 260);
static_assert(offsetof(tOutputFilePrefs, value2) == 2);
static_assert(offsetof(tOutputFilePrefs, reserved) == 4);

inline constexpr int kPrintToFileSetCount = 8;

}  // namespace vorl
