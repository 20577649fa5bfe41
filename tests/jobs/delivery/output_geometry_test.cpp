// The page brought into the printer's geometry and colour: the printable area for every printer type and media,
// the page fitted into an area of a new size, and each printer family's colour correction. Media and colour
// values reach the view through job files written from the file layout, as a producer writes them.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <set>

#include "imaging/color/color_tables.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "jobs/reading/printer_blocks.h"
#include "jobs/engine/spooler_print_view.h"
#include "tests/jobs/job_test_support.h"
#include "tests/support/message_recorder.h"
#include "tests/support/record_writer.h"

namespace vorl {
namespace {

using test::Bytes;
using test::RecordBytes;

// The selectors of the printable-area table: from the header's media record (PM, PF) and from the job's media
// blocks (VM, VF, VX from media block one, SM, SX from media block two, MM from the Mitsubishi media block).
struct Media {
  std::int16_t pm = 0, pf = 0;
  std::int16_t vm = 0, vf = 0, vx = 0;
  std::int16_t sm = 0, sx = 0;
  std::int16_t mm = 0;
};

// Where a printer type's block keeps the media record this table reads, per the job-file layout.
std::size_t mediaRecordOffset(std::int16_t type) {
  switch (type) {
    case 15:
    case 16:
    case 40:
      return 380;  // after the Shinko settings
    case 30:
    case 38:
      return 634;  // after the Noritsu / Olmec settings
    case 45:
    case 46:
    case 48:
    case 54:
    case 55:
      return 1308;  // after the DNP settings
    case 24:
    case 29:
    case 33:
    case 9:
    case 21:
    case 37:
    case 39:
    case 41:
    case 42:
      return 1224;  // after a colour-adjust block
    default:
      return 10296;  // after the Mitsubishi settings
  }
}

Bytes printerBlockWith(std::int16_t type, const Media& m) {
  RecordBytes block(printerBlockSize(type));
  const std::size_t media = mediaRecordOffset(type);
  if (type == 23) {
    block.be16(media + 2, static_cast<std::uint16_t>(m.mm));
  } else if (type == 24 || type == 29 || type == 33) {
    block.be16(media + 2, static_cast<std::uint16_t>(m.sm)).be16(media + 10, static_cast<std::uint16_t>(m.sx));
  } else {
    block.be16(media + 2, static_cast<std::uint16_t>(m.vm))
        .be16(media + 4, static_cast<std::uint16_t>(m.vf))
        .be16(media + 6, static_cast<std::uint16_t>(m.vx));
  }
  return block.bytes();
}

// A spooler view for the printer type with a white page of the size; the job's media values are read from a job
// file when any is set.
struct Printer {
  test::RecordingObserver observer;
  TSpoolerPrintView view{&observer};
  tPrintInfoStruct header{};

  Printer(std::int16_t type, const Media& m, int pageWidth, int pageHeight, std::int16_t resolution = 300) {
    if (m.vm || m.vf || m.vx || m.sm || m.sx || m.mm) {
      test::JobSpec spec = test::minimalJob();
      spec.printerType = type;
      spec.printerBlock = printerBlockWith(type, m);
      EXPECT_EQ(view.ReadJobFile(test::writeJobFile(spec).bytes), kJobReadOK);
    }
    const Rect page = makeRect(0, 0, pageHeight, pageWidth);
    view.SetPageOffscreen(OffscreenPtr(myNewGWorld(&page)));
    header.printer = type;
    header.resolution = resolution;
    header.mediaSettings.mediaType = m.pm;
    header.mediaSettings.cutInHalf = m.pf;
  }
};

inline constexpr int kPageW = 1001;  // an odd portrait page, so that "unchanged" cannot pass by chance
inline constexpr int kPageH = 1403;

struct OutputCase {
  std::int16_t type;
  Media media;
  int width;  // 0: the page's own size
  int height;
};

// Every row of the printable-area table, with every listed selector value and a value the row does not list.
const OutputCase kOutputCases[] = {
    // Turned landscape (the portrait page is exchanged).
    {1, {}, kPageH, kPageW},
    {2, {}, kPageH, kPageW},
    {7, {}, kPageH, kPageW},
    {10, {}, kPageH, kPageW},
    {18, {}, kPageH, kPageW},
    {34, {}, kPageH, kPageW},
    // Turned portrait (already portrait: kept).
    {21, {}, 0, 0},
    {0, {}, 0, 0},
    {3, {}, 0, 0},
    {4, {}, 0, 0},
    {8, {}, 0, 0},
    {12, {}, 0, 0},
    {13, {}, 0, 0},
    {14, {}, 0, 0},
    {17, {}, 0, 0},
    {19, {}, 0, 0},
    {20, {}, 0, 0},
    {22, {}, 0, 0},
    {25, {}, 0, 0},
    {26, {}, 0, 0},
    {27, {}, 0, 0},
    {28, {}, 0, 0},
    {35, {}, 0, 0},
    {49, {}, 0, 0},
    {50, {}, 0, 0},
    {51, {}, 0, 0},
    {52, {}, 0, 0},
    {58, {}, 0, 0},
    {99, {}, 0, 0},
    {-1, {}, 0, 0},
    // 5, 6: 1001 x 1403 at 300 dpi fits 8.5 x 7 inches (height 1403 <= 2550, width 1001 <= 2100): landscape.
    {5, {}, kPageH, kPageW},
    {6, {}, kPageH, kPageW},
    // 9, 42 by PM, PF.
    {9, {.pm = 1}, 1728, 2380},
    {9, {.pm = 1, .pf = 1}, 1728, 2420},
    {9, {.pm = 2}, 1728, 2380},
    {9, {.pm = 2, .pf = 3}, 1728, 2420},
    {9, {.pm = 3}, 2048, 1382},
    {9, {.pm = 3, .pf = 1}, 2048, 1382},
    {9, {.pm = 4}, 1728, 1210},
    {9, {.pm = 5}, 2048, 2724},
    {9, {.pm = 5, .pf = 1}, 2048, 2764},
    {9, {.pm = 0}, 1728, 2380},
    {9, {.pm = 9, .pf = -1}, 1728, 2420},
    {42, {.pm = 3}, 2048, 1382},
    {42, {.pm = 5, .pf = 2}, 2048, 2764},
    {42, {.pm = 7}, 1728, 2380},
    // 11, 31 by VM.
    {11, {.vm = 1}, 1812, 2452},
    {11, {.vm = 2}, 2152, 1416},
    {11, {.vm = 3}, 1812, 1240},
    {11, {.vm = 4}, 2152, 3146},
    {11, {.vm = 5}, 2152, 1416},
    {11, {.vm = 6}, 1812, 2452},
    {31, {.vm = 4}, 2152, 3146},
    {31, {}, 1812, 2452},
    // 15 by VM.
    {15, {.vm = 1}, 0, 0},
    {15, {.vm = 2}, 2446, 3036},
    {15, {.vm = 3}, 2446, 3070},
    {15, {.vm = 4}, 2446, 2468},
    {15, {.vm = 5}, 2446, 3070},
    {15, {.vm = 6}, 2446, 1530},
    {15, {.vm = 7}, 2446, 1229},
    {15, {.vm = 8}, 2446, 1831},
    {15, {.vm = 9}, 2446, 3636},
    {15, {.vm = 10}, 2446, 3672},
    {15, {.vm = 11}, 2446, 3707},
    {15, {.vm = 12}, 2446, 3036},
    {15, {}, 2446, 3036},
    // 16 by VM.
    {16, {.vm = 1}, 0, 0},
    {16, {.vm = 2}, 1548, 2140},
    {16, {.vm = 3}, 1548, 1088},
    {16, {.vm = 4}, 1844, 2740},
    {16, {.vm = 5}, 1844, 1240},
    {16, {.vm = 6}, 1726, 1092},
    {16, {.vm = 7}, 1548, 2140},
    // 23 by MM.
    {23, {.mm = 1}, 0, 0},
    {23, {.mm = 2}, 1592, 2176},
    {23, {.mm = 3}, 1892, 1268},
    {23, {.mm = 4}, 1592, 1112},
    {23, {.mm = 5}, 1892, 2788},
    {23, {.mm = 6}, 1592, 2176},
    {23, {}, 1592, 2176},
    // 24 by SM.
    {24, {.sm = 2}, 1844, 2434},
    {24, {.sm = 3}, 1844, 2490},
    {24, {.sm = 4}, 1844, 1240},
    {24, {.sm = 5}, 1548, 2140},
    {24, {.sm = 6}, 1844, 1240},
    {24, {.sm = 7}, 1548, 1088},
    {24, {.sm = 1}, 0, 0},
    {24, {.sm = 8}, 0, 0},
    // 29 by SM.
    {29, {.sm = 1}, 2508, 2954},
    {29, {.sm = 2}, 2508, 3134},
    {29, {.sm = 3}, 2508, 3134},
    {29, {.sm = 4}, 0, 0},
    {29, {}, 0, 0},
    // 30 by VX.
    {30, {.vx = 1}, kPageH, kPageW},
    {30, {.vx = 2}, 0, 0},
    {30, {}, 0, 0},
    // 32, 36 by PM.
    {32, {.pm = 1}, 2508, 3134},
    {32, {.pm = 2}, 2508, 2954},
    {32, {.pm = 3}, 2508, 3762},
    {32, {.pm = 4}, 2508, 2954},
    {36, {.pm = 1}, 2508, 3134},
    {36, {}, 2508, 2954},
    // 33 by SX.
    {33, {.sx = 1}, 2464, 3024},
    {33, {.sx = 2}, 2464, 3024},
    {33, {.sx = 3}, 2464, 3624},
    {33, {.sx = 4}, 2464, 3624},
    {33, {.sx = 5}, 0, 0},
    {33, {.sm = 3}, 0, 0},
    // 37, 39 by PM, PF.
    {37, {.pm = 1}, 1536, 2148},
    {37, {.pm = 2}, 1248, 1848},
    {37, {.pm = 3}, 1248, 2448},
    {37, {.pm = 3, .pf = 1}, 1248, 2448},
    {37, {.pm = 3, .pf = 2}, 1248, 1848},
    {37, {.pm = 4}, 1536, 1100},
    {37, {.pm = 5}, 1536, 2148},
    {39, {.pm = 3, .pf = 2}, 1248, 1848},
    {39, {}, 1536, 2148},
    // 38, 41 by PM.
    {38, {.pm = 2}, 2444, 3644},
    {38, {.pm = 1}, 2444, 3044},
    {38, {.pm = 3}, 2444, 3044},
    {41, {.pm = 2}, 2444, 3644},
    {41, {}, 2444, 3044},
    // 40 by PM.
    {40, {.pm = 3}, 1548, 1088},
    {40, {.pm = 4}, 1844, 1240},
    {40, {.pm = 5}, 1844, 2740},
    {40, {.pm = 6}, 1844, 2434},
    {40, {.pm = 7}, 1844, 2490},
    {40, {.pm = 8}, 1844, 1240},
    {40, {.pm = 1}, 1548, 2140},
    {40, {.pm = 2}, 1548, 2140},
    {40, {.pm = 9}, 1548, 2140},
    // 43 by VM.
    {43, {.vm = 1}, 1572, 2128},
    {43, {.vm = 2}, 1868, 1228},
    {43, {.vm = 3}, 1572, 1076},
    {43, {.vm = 4}, 1868, 2730},
    {43, {.vm = 5}, 1572, 2128},
    // 44, 46, 55 by VM, VF.
    {44, {.vm = 1, .vf = 1}, 2560, 3036},
    {44, {.vm = 1, .vf = 2}, 2560, 3102},
    {44, {.vm = 1, .vf = 3}, 2560, 2502},
    {44, {.vm = 1, .vf = 4}, 2560, 3102},
    {44, {.vm = 1, .vf = 5}, 2560, 2802},
    {44, {.vm = 1, .vf = 6}, 2560, 2436},
    {44, {.vm = 1, .vf = 7}, 0, 0},
    {44, {.vm = 1}, 0, 0},
    {44, {.vm = 2, .vf = 1}, 2560, 3636},
    {44, {.vm = 2, .vf = 2}, 2560, 3036},
    {44, {.vm = 2, .vf = 3}, 2560, 3702},
    {44, {.vm = 2, .vf = 4}, 2560, 3102},
    {44, {.vm = 2, .vf = 5}, 2560, 3768},
    {44, {.vm = 2, .vf = 6}, 2560, 2502},
    {44, {.vm = 2, .vf = 7}, 2560, 3402},
    {44, {.vm = 2, .vf = 8}, 2560, 3102},
    {44, {.vm = 2, .vf = 9}, 2560, 2802},
    {44, {.vm = 2, .vf = 10}, 2560, 3702},
    {44, {.vm = 2, .vf = 11}, 2560, 2436},
    {44, {.vm = 2, .vf = 12}, 2560, 3544},
    {44, {.vm = 2, .vf = 13}, 2560, 2436},
    {44, {.vm = 2}, 2560, 2436},
    {44, {.vm = 3, .vf = 1}, 0, 0},
    {44, {}, 0, 0},
    {46, {.vm = 1, .vf = 5}, 2560, 2802},
    {46, {.vm = 2, .vf = 12}, 2560, 3544},
    {46, {.vm = 4}, 0, 0},
    {55, {.vm = 2, .vf = 7}, 2560, 3402},
    {55, {.vm = 1, .vf = 9}, 0, 0},
    // 45, 54 by VM, VF.
    {45, {.vm = 1}, 1920, 1088},
    {45, {.vm = 2}, 1920, 1240},
    {45, {.vm = 3, .vf = 2}, 1920, 1088},
    {45, {.vm = 3, .vf = 1}, 1920, 2138},
    {45, {.vm = 4, .vf = 2}, 1920, 2498},
    {45, {.vm = 4}, 1920, 2436},
    {45, {.vm = 5, .vf = 2}, 1920, 2498},
    {45, {.vm = 5, .vf = 3}, 1920, 2436},
    {45, {.vm = 5, .vf = 4}, 1920, 1240},
    {45, {.vm = 5, .vf = 1}, 1920, 2740},
    {45, {.vm = 5}, 1920, 2740},
    {45, {.vm = 6}, 0, 0},
    {45, {}, 0, 0},
    {54, {.vm = 5, .vf = 4}, 1920, 1240},
    {54, {.vm = 3}, 1920, 2138},
    // 47 by VM, VF.
    {47, {.vm = 1}, 1568, 1024},
    {47, {.vm = 2}, 1864, 1228},
    {47, {.vm = 3}, 1568, 2128},
    {47, {.vm = 4}, 1864, 2422},
    {47, {.vm = 4, .vf = 1}, 1864, 2730},
    {47, {.vm = 5}, 1864, 2730},
    {47, {.vm = 6}, 1568, 1024},
    // 48 by VM, VF.
    {48, {.vm = 1}, 1920, 1088},
    {48, {.vm = 2}, 1920, 1240},
    {48, {.vm = 3, .vf = 2}, 1920, 1088},
    {48, {.vm = 3}, 1920, 2138},
    {48, {.vm = 4, .vf = 2}, 1920, 2498},
    {48, {.vm = 4, .vf = 3}, 1920, 2436},
    {48, {.vm = 5, .vf = 2}, 0, 0},
    {48, {}, 0, 0},
    // 53 by VM, VF.
    {53, {.vm = 1}, 1568, 1076},
    {53, {.vm = 2}, 1864, 1218},
    {53, {.vm = 3}, 1568, 2128},
    {53, {.vm = 3, .vf = 1}, 1568, 2190},
    {53, {.vm = 4}, 1864, 1820},
    {53, {.vm = 5}, 1864, 2422},
    {53, {.vm = 5, .vf = 2}, 1864, 2454},
    {53, {.vm = 6}, 1568, 2190},
    {53, {.vm = 7}, 1864, 2454},
    {53, {.vm = 8}, 1568, 2128},
    {53, {}, 1568, 2128},
    // 56 by VM, VF.
    {56, {.vm = 1, .vf = 1}, 1568, 1524},
    {56, {.vm = 1}, 1568, 2128},
    {56, {.vm = 1, .vf = 2}, 1568, 2128},
    {56, {.vm = 2, .vf = 1}, 1864, 1820},
    {56, {.vm = 2, .vf = 2}, 1864, 2422},
    {56, {.vm = 2, .vf = 3}, 1864, 1228},
    {56, {.vm = 2, .vf = 4}, 1864, 2730},
    {56, {.vm = 2, .vf = 5}, 0, 0},
    {56, {.vm = 3, .vf = 1}, 0, 0},
    {56, {}, 0, 0},
    // 57 by VM, VF.
    {57, {.vm = 1}, 1550, 1076},
    {57, {.vm = 2}, 1852, 1226},
    {57, {.vm = 3, .vf = 1}, 1550, 1527},
    {57, {.vm = 3}, 1550, 2128},
    {57, {.vm = 4, .vf = 1}, 1852, 1827},
    {57, {.vm = 4, .vf = 2}, 1852, 2428},
    {57, {.vm = 4, .vf = 3}, 1852, 1226},
    {57, {.vm = 4, .vf = 4}, 1852, 2488},
    {57, {.vm = 4, .vf = 5}, 1852, 4232},
    {57, {.vm = 4, .vf = 6}, 1852, 6036},
    {57, {.vm = 4, .vf = 7}, 0, 0},
    {57, {.vm = 5, .vf = 1}, 1852, 1827},
    {57, {.vm = 5, .vf = 2}, 1852, 2428},
    {57, {.vm = 5, .vf = 3}, 1852, 2568},
    {57, {.vm = 5, .vf = 4}, 1852, 2729},
    {57, {.vm = 5}, 0, 0},
    {57, {.vm = 6, .vf = 1}, 0, 0},
    {57, {}, 0, 0},
};

void expectSize(const Rect& r, int width, int height) {
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right - r.left, width);
  EXPECT_EQ(r.bottom - r.top, height);
}

TEST(OutputRect, EveryRowAndBranchOfThePrintableAreaTable) {
  std::set<int> typesSeen;
  for (const OutputCase& c : kOutputCases) {
    const Media& m = c.media;
    SCOPED_TRACE(testing::Message() << "type " << c.type << " PM " << m.pm << " PF " << m.pf << " VM " << m.vm << " VF "
                                    << m.vf << " VX " << m.vx << " SM " << m.sm << " SX " << m.sx << " MM " << m.mm);
    typesSeen.insert(c.type);
    Printer printer(c.type, m, kPageW, kPageH);
    const Rect out = printer.view.GetOutputRect(printer.header);
    if (c.width == 0)
      expectSize(out, kPageW, kPageH);
    else
      expectSize(out, c.width, c.height);
  }
  for (int type = 0; type <= 58; ++type) EXPECT_TRUE(typesSeen.count(type)) << "no case for printer type " << type;
}

TEST(OutputRect, MediaSelectorsComeFromTheirOwnRecords) {
  // The header's media does not steer a job-media row, nor the job's media a header row.
  Printer fromJob(15, {.pm = 2, .vm = 1}, kPageW, kPageH);
  expectSize(fromJob.view.GetOutputRect(fromJob.header), kPageW, kPageH);
  Printer fromHeader(32, {.pm = 3, .vm = 1}, kPageW, kPageH);
  fromHeader.header.printer = 32;
  expectSize(fromHeader.view.GetOutputRect(fromHeader.header), 2508, 3762);
}

TEST(OutputRect, Type15KeepsThePageForMediaOneAndTakesTheDefaultForTwelve) {
  Printer one(15, {.vm = 1}, 2000, 3000);
  expectSize(one.view.GetOutputRect(one.header), 2000, 3000);
  Printer twelve(15, {.vm = 12}, 2000, 3000);
  expectSize(twelve.view.GetOutputRect(twelve.header), 2446, 3036);
}

TEST(OutputRect, TurningExchangesOnlyWhenTheOrientationDiffers) {
  const struct {
    std::int16_t type;
    int width, height;
    int expectedWidth, expectedHeight;
  } cases[] = {
      {1, 1200, 1800, 1800, 1200},  // portrait page, landscape printer
      {1, 1800, 1200, 1800, 1200},
      {1, 1500, 1500, 1500, 1500},  // a square is portrait: exchanged, which changes nothing
      {8, 1800, 1200, 1200, 1800},  // landscape page, portrait printer
      {8, 1200, 1800, 1200, 1800},
      {21, 1800, 1200, 1200, 1800},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " " << c.width << " x " << c.height);
    Printer printer(c.type, {}, c.width, c.height);
    expectSize(printer.view.GetOutputRect(printer.header), c.expectedWidth, c.expectedHeight);
  }
}

TEST(OutputRect, KodakPagesFitEightAndAHalfBySevenInchesEitherWay) {
  const struct {
    std::int16_t type;
    int width, height;
    std::int16_t resolution;
    int expectedWidth, expectedHeight;
  } cases[] = {
      {5, 2550, 2100, 300, 2550, 2100},                                    // fits as it is
      {5, 2100, 2550, 300, 2550, 2100},                                    // fits the other way round, turned landscape
      {6, 2551, 2100, 300, 2100, 2551},                                    // a column too wide: turned portrait
      {6, 2550, 2101, 300, 2101, 2550},                                    // a row too high
      {5, 3000, 2000, 300, 2000, 3000}, {5, 1275, 1050, 150, 1275, 1050},  // the header's resolution sets the limits
      {5, 1276, 1050, 150, 1050, 1276},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "type " << c.type << " " << c.width << " x " << c.height << " at "
                                    << c.resolution);
    Printer printer(c.type, {}, c.width, c.height, c.resolution);
    expectSize(printer.view.GetOutputRect(printer.header), c.expectedWidth, c.expectedHeight);
  }
}

// --- Fitting into a new size ---

inline constexpr std::uint8_t kRed[4] = {0, 200, 10, 20};
inline constexpr std::uint8_t kBlue[4] = {0, 30, 40, 220};
inline constexpr std::uint8_t kWhite[4] = {0, 255, 255, 255};

const std::uint8_t* pixelAt(const Offscreen& o, int x, int y) {
  const Rect& port = o.portRect();
  return o.baseAddr() + static_cast<std::ptrdiff_t>(y - port.top) * o.rowBytes() + (x - port.left) * 4;
}

::testing::AssertionResult pixelIs(const Offscreen& o, int x, int y, const std::uint8_t (&expected)[4]) {
  const std::uint8_t* p = pixelAt(o, x, y);
  if (std::memcmp(p, expected, 4) == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << int(p[0]) << " " << int(p[1]) << " "
                                       << int(p[2]) << " " << int(p[3]);
}

// A picture whose left half is red and right half blue, so that scaling and placement both show.
OffscreenPtr twoColourPicture(int width, int height) {
  const Rect bounds = makeRect(0, 0, height, width);
  OffscreenPtr picture{myNewGWorld(&bounds)};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      std::memcpy(const_cast<std::uint8_t*>(pixelAt(*picture, x, y)), x < width / 2 ? kRed : kBlue, 4);
  return picture;
}

// The two-colour picture at (left, top) in `width` × `height` pixels, white just outside each of its edges that
// lies inside the offscreen.
void expectPictureAt(const Offscreen& out, int left, int top, int width, int height) {
  const int right = left + width - 1, bottom = top + height - 1, middle = left + width / 2;
  EXPECT_TRUE(pixelIs(out, left, top, kRed));
  EXPECT_TRUE(pixelIs(out, middle - 1, bottom, kRed));
  EXPECT_TRUE(pixelIs(out, middle, top, kBlue));
  EXPECT_TRUE(pixelIs(out, right, bottom, kBlue));
  if (left > 0) {
    EXPECT_TRUE(pixelIs(out, left - 1, top, kWhite));
  }
  if (right < out.width() - 1) {
    EXPECT_TRUE(pixelIs(out, right + 1, bottom, kWhite));
  }
  if (top > 0) {
    EXPECT_TRUE(pixelIs(out, left, top - 1, kWhite));
  }
  if (bottom < out.height() - 1) {
    EXPECT_TRUE(pixelIs(out, right, bottom + 1, kWhite));
  }
}

TEST(CropGWorldToNewSize, SmallerPictureIsCentredWithoutScaling) {
  const struct {
    int width, height;
    int left, top;  // (100 − width) / 2, (60 − height) / 2 in whole pixels
  } cases[] = {{40, 20, 30, 20}, {41, 21, 29, 19}, {100, 60, 0, 0}, {100, 21, 0, 19}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    OffscreenPtr source = twoColourPicture(c.width, c.height);
    OffscreenPtr out = TSpoolerPrintView::CropGWorldToNewSize(source, makeRect(0, 0, 60, 100), 2);
    ASSERT_TRUE(out);
    EXPECT_FALSE(source) << "the source is released";
    EXPECT_TRUE(EqualRect(out->portRect(), makeRect(0, 0, 60, 100)));
    expectPictureAt(*out, c.left, c.top, c.width, c.height);
  }
}

TEST(CropGWorldToNewSize, LargerPictureIsScaledDownKeepingItsProportionsAndCentred) {
  const struct {
    int width, height;
    int left, top, fittedWidth, fittedHeight;
  } cases[] = {
      {200, 100, 0, 25, 100, 50},  // both sides larger
      {200, 50, 0, 37, 100, 25},   // only wider
      {50, 200, 37, 0, 25, 100},   // only higher
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    OffscreenPtr source = twoColourPicture(c.width, c.height);
    OffscreenPtr out = TSpoolerPrintView::CropGWorldToNewSize(source, makeRect(0, 0, 100, 100), 2);
    ASSERT_TRUE(out);
    EXPECT_FALSE(source);
    expectPictureAt(*out, c.left, c.top, c.fittedWidth, c.fittedHeight);
  }
}

TEST(CropGWorldToNewSize, OtherModesFitAsModeTwo) {
  OffscreenPtr a = twoColourPicture(30, 10);
  OffscreenPtr b = twoColourPicture(30, 10);
  OffscreenPtr fitA = TSpoolerPrintView::CropGWorldToNewSize(a, makeRect(0, 0, 40, 40), 2);
  OffscreenPtr fitB = TSpoolerPrintView::CropGWorldToNewSize(b, makeRect(0, 0, 40, 40), 0);
  ASSERT_TRUE(fitA && fitB);
  for (int y = 0; y < 40; ++y) EXPECT_EQ(std::memcmp(pixelAt(*fitA, 0, y), pixelAt(*fitB, 0, y), 40 * 4), 0);
}

TEST(CropGWorldToNewSize, FailureToMakeTheNewOffscreenKeepsTheSource) {
  test::MessageRecorder messages;
  for (const Rect& target : {makeRect(0, 0, 0, 0), makeRect(0, 0, 100, 32767 + 1)}) {
    OffscreenPtr source = twoColourPicture(20, 10);
    Offscreen* const before = source.get();
    EXPECT_FALSE(TSpoolerPrintView::CropGWorldToNewSize(source, target, 2));
    ASSERT_EQ(source.get(), before);
    EXPECT_TRUE(pixelIs(*source, 0, 0, kRed));
    EXPECT_TRUE(pixelIs(*source, 19, 9, kBlue));
  }
  EXPECT_FALSE(messages.messages().empty()) << "the offscreen service tells the operator";
  OffscreenPtr none;
  EXPECT_FALSE(TSpoolerPrintView::CropGWorldToNewSize(none, makeRect(0, 0, 10, 10), 2));
}

// --- Colour correction ---

// Six values in range, all different, and a different value in the sharpness record between light and gamma.
inline constexpr std::int16_t kSix[6] = {5, -3, 7, 2, -4, 6};
inline constexpr std::int16_t kSharpness = 9;

// Ten value records from `at`: the six values in records 0 to 4 and 6, the sharpness in record 5.
void putValueRecords(RecordBytes& block, std::size_t at) {
  const std::size_t records[6] = {0, 1, 2, 3, 4, 6};
  for (int i = 0; i < 6; ++i)
    block.be32(at + 12 * records[i], static_cast<std::uint32_t>(static_cast<std::int32_t>(kSix[i])));
  block.be32(at + 12 * 5, kSharpness);
  block.be32(at + 12 * 7, 1);
}

// Where each printer type's block keeps the colour values this correction reads, per the job-file layout; none
// for the DNP printers and those without a block.
std::optional<std::size_t> colourValuesOffset(std::int16_t type) {
  switch (type) {
    case 45:
    case 17:
      return std::nullopt;
    case 5:
    case 6:
    case 7:
      return 32 + 4;  // colour-adjust block two, after the Kodak settings
    case 24:
    case 29:
    case 33:
    case 9:
    case 21:
    case 37:
    case 39:
    case 41:
    case 42:
      return 4;  // colour-adjust block one or two, first
    case 15:
    case 16:
    case 40:
    case 30:
    case 38:
      return 0;  // Shinko, Noritsu, Olmec settings
    default:
      return 58;  // the Mitsubishi settings' colour adjust
  }
}

OffscreenPtr gradientPage() {
  const Rect bounds = makeRect(0, 0, 16, 64);
  OffscreenPtr page{myNewGWorld(&bounds)};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 64; ++x) {
      auto* p = const_cast<std::uint8_t*>(pixelAt(*page, x, y));
      p[0] = static_cast<std::uint8_t>(x & 1);
      p[1] = static_cast<std::uint8_t>(x * 4);
      p[2] = static_cast<std::uint8_t>(255 - x * 3);
      p[3] = static_cast<std::uint8_t>(y * 16);
    }
  return page;
}

bool samePixels(const Offscreen& a, const Offscreen& b) {
  if (!EqualRect(a.portRect(), b.portRect())) return false;
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(pixelAt(a, 0, y), pixelAt(b, 0, y), static_cast<std::size_t>(a.width()) * 4) != 0) return false;
  return true;
}

struct ColourJob {
  test::RecordingObserver observer;
  TSpoolerPrintView view{&observer};

  explicit ColourJob(std::int16_t type) {
    test::JobSpec spec = test::minimalJob();
    spec.printerType = type;
    RecordBytes block(printerBlockSize(type));
    if (const auto at = colourValuesOffset(type)) putValueRecords(block, *at);
    spec.printerBlock = block.bytes();
    EXPECT_EQ(view.ReadJobFile(test::writeJobFile(spec).bytes), kJobReadOK);
    view.SetPageOffscreen(gradientPage());
  }
};

TEST(ApplyColorSettings, EachFamilyAppliesItsRecordInPlace) {
  myImageColorAdjustInfo six{};
  six.red = kSix[0];
  six.green = kSix[1];
  six.blue = kSix[2];
  six.dark = kSix[3];
  six.light = kSix[4];
  six.gamma = kSix[5];
  // Kodak and second-block printers (block two), block-one printers, Mitsubishi with and without its own media,
  // Shinko, Noritsu, Olmec OP800.
  for (std::int16_t type : {6, 7, 24, 29, 33, 37, 39, 41, 11, 23, 32, 44, 53, 15, 40, 30, 38}) {
    SCOPED_TRACE(type);
    ColourJob job(type);
    OffscreenPtr expected{myDuplicateGWorld(job.view.pageOffscreen())};
    ASSERT_TRUE(ApplyColorSettingsToOffscreen(expected.get(), six, expected.get()));
    OffscreenPtr untouched = gradientPage();
    ASSERT_FALSE(samePixels(*expected, *untouched)) << "the record must change the page";

    job.view.ApplyColorSettings(type);
    EXPECT_TRUE(samePixels(*job.view.pageOffscreen(), *expected));
    EXPECT_EQ(job.observer.statuses, (std::vector<std::string>{"Applying Color Settings…", "Finishing…"}));
  }
}

TEST(ApplyColorSettings, PrintersWithoutACorrectionHereKeepThePixelsButShowBothStatuses) {
  // 45 (DNP) carries no record this step applies; 9 and 56 carry one that the print centre applies instead.
  for (std::int16_t type : {45, 9, 56, 17}) {
    SCOPED_TRACE(type);
    ColourJob job(type);
    job.view.ApplyColorSettings(type);
    OffscreenPtr untouched = gradientPage();
    EXPECT_TRUE(samePixels(*job.view.pageOffscreen(), *untouched));
    EXPECT_EQ(job.observer.calls, (std::vector<std::string>{"status:Applying Color Settings…", "status:Finishing…"}));
  }
}

TEST(ApplyColorSettings, WithoutAPageNothingHappens) {
  test::RecordingObserver observer;
  TSpoolerPrintView view(&observer);
  view.ApplyColorSettings(6);
  EXPECT_FALSE(view.pageOffscreen());
  EXPECT_TRUE(observer.calls.empty());
  TSpoolerPrintView unobserved;  // no observer at all
  unobserved.SetPageOffscreen(gradientPage());
  unobserved.ApplyColorSettings(45);
}

}  // namespace
}  // namespace vorl
