// Fitting the finished page to the printer: the printable area by printer type and media, the page fitted into an
// area of a new size, and the printer family's colour correction.
#include <algorithm>
#include <span>
#include <string_view>

#include "foundation/records/rect_orientation.h"
#include "imaging/color/color_tables.h"
#include "imaging/offscreens/offscreen_copy.h"
#include "imaging/offscreens/pixel_locks.h"
#include "imaging/offscreens/placement.h"
#include "jobs/engine/spooler_print_view.h"

namespace vorl {
namespace {

inline constexpr std::string_view kApplyingColorStatus = "Applying Color Settings…";
inline constexpr std::string_view kFinishingStatus = "Finishing…";

// --- The printable area ---

// A side of 0 stands for the page's own size.
struct Size {
  std::int16_t width;
  std::int16_t height;
};
inline constexpr Size kUnchanged{0, 0};

// Matches every value of its selector; entries are tried in order, so it closes a list.
inline constexpr std::int16_t kOther = INT16_MIN;

// One printable size for a media value and a sub-selection value.
struct MediaSize {
  std::int16_t media;
  std::int16_t sub;
  Size size;
};

// Where a row's selectors come from: the header's media record or one of the job view's media blocks.
enum class Selector { None, PM, PF, VM, VF, VX, SM, SX, MM };

enum class Rule {
  TurnLandscape,
  TurnPortrait,
  FitKodak,       // landscape when the page fits 8.5 × 7 inches either way, else portrait
  LandscapeByVX,  // landscape when VX is 1, else portrait
  BySelector,     // the first entry of `sizes` matching the selectors
};

struct OutputRow {
  std::span<const std::int16_t> types;
  Rule rule;
  Selector media = Selector::None;
  Selector sub = Selector::None;
  std::span<const MediaSize> sizes = {};
};

constexpr std::int16_t kLandscapeTypes[] = {1, 2, 7, 10, 18, 34};
constexpr std::int16_t kKodakTypes[] = {5, 6};
constexpr std::int16_t kPortraitTypes[] = {21};
constexpr std::int16_t kNoritsuTypes[] = {30};

constexpr std::int16_t kTypes9[] = {9, 42};
constexpr MediaSize kSizes9[] = {
    {3, kOther, {2048, 1382}}, {4, kOther, {1728, 1210}}, {5, 0, {2048, 2724}},
    {5, kOther, {2048, 2764}}, {kOther, 0, {1728, 2380}}, {kOther, kOther, {1728, 2420}},
};

constexpr std::int16_t kTypes11[] = {11, 31};
constexpr MediaSize kSizes11[] = {
    {1, kOther, {1812, 2452}}, {2, kOther, {2152, 1416}}, {3, kOther, {1812, 1240}},
    {4, kOther, {2152, 3146}}, {5, kOther, {2152, 1416}}, {kOther, kOther, {1812, 2452}},
};

constexpr std::int16_t kTypes15[] = {15};
constexpr MediaSize kSizes15[] = {
    {1, kOther, kUnchanged},   {2, kOther, {2446, 3036}},  {3, kOther, {2446, 3070}},  {4, kOther, {2446, 2468}},
    {5, kOther, {2446, 3070}}, {6, kOther, {2446, 1530}},  {7, kOther, {2446, 1229}},  {8, kOther, {2446, 1831}},
    {9, kOther, {2446, 3636}}, {10, kOther, {2446, 3672}}, {11, kOther, {2446, 3707}}, {kOther, kOther, {2446, 3036}},
};

constexpr std::int16_t kTypes16[] = {16};
constexpr MediaSize kSizes16[] = {
    {1, kOther, kUnchanged},   {2, kOther, {1548, 2140}}, {3, kOther, {1548, 1088}},      {4, kOther, {1844, 2740}},
    {5, kOther, {1844, 1240}}, {6, kOther, {1726, 1092}}, {kOther, kOther, {1548, 2140}},
};

constexpr std::int16_t kTypes23[] = {23};
constexpr MediaSize kSizes23[] = {
    {1, kOther, kUnchanged},   {2, kOther, {1592, 2176}}, {3, kOther, {1892, 1268}},
    {4, kOther, {1592, 1112}}, {5, kOther, {1892, 2788}}, {kOther, kOther, {1592, 2176}},
};

constexpr std::int16_t kTypes24[] = {24};
constexpr MediaSize kSizes24[] = {
    {2, kOther, {1844, 2434}}, {3, kOther, {1844, 2490}}, {4, kOther, {1844, 1240}},    {5, kOther, {1548, 2140}},
    {6, kOther, {1844, 1240}}, {7, kOther, {1548, 1088}}, {kOther, kOther, kUnchanged},
};

constexpr std::int16_t kTypes29[] = {29};
constexpr MediaSize kSizes29[] = {
    {1, kOther, {2508, 2954}},
    {2, kOther, {2508, 3134}},
    {3, kOther, {2508, 3134}},
    {kOther, kOther, kUnchanged},
};

constexpr std::int16_t kTypes32[] = {32, 36};
constexpr MediaSize kSizes32[] = {
    {1, kOther, {2508, 3134}},
    {2, kOther, {2508, 2954}},
    {3, kOther, {2508, 3762}},
    {kOther, kOther, {2508, 2954}},
};

constexpr std::int16_t kTypes33[] = {33};
constexpr MediaSize kSizes33[] = {
    {1, kOther, {2464, 3024}}, {2, kOther, {2464, 3024}},    {3, kOther, {2464, 3624}},
    {4, kOther, {2464, 3624}}, {kOther, kOther, kUnchanged},
};

constexpr std::int16_t kTypes37[] = {37, 39};
constexpr MediaSize kSizes37[] = {
    {1, kOther, {1536, 2148}}, {2, kOther, {1248, 1848}}, {3, 2, {1248, 1848}},
    {3, kOther, {1248, 2448}}, {4, kOther, {1536, 1100}}, {kOther, kOther, {1536, 2148}},
};

constexpr std::int16_t kTypes38[] = {38, 41};
constexpr MediaSize kSizes38[] = {
    {2, kOther, {2444, 3644}},
    {kOther, kOther, {2444, 3044}},
};

constexpr std::int16_t kTypes40[] = {40};
constexpr MediaSize kSizes40[] = {
    {3, kOther, {1548, 1088}}, {4, kOther, {1844, 1240}}, {5, kOther, {1844, 2740}},      {6, kOther, {1844, 2434}},
    {7, kOther, {1844, 2490}}, {8, kOther, {1844, 1240}}, {kOther, kOther, {1548, 2140}},
};

constexpr std::int16_t kTypes43[] = {43};
constexpr MediaSize kSizes43[] = {
    {1, kOther, {1572, 2128}}, {2, kOther, {1868, 1228}},      {3, kOther, {1572, 1076}},
    {4, kOther, {1868, 2730}}, {kOther, kOther, {1572, 2128}},
};

constexpr std::int16_t kTypes44[] = {44, 46, 55};
constexpr MediaSize kSizes44[] = {
    {1, 1, {2560, 3036}},         {1, 2, {2560, 3102}},  {1, 3, {2560, 2502}},    {1, 4, {2560, 3102}},
    {1, 5, {2560, 2802}},         {1, 6, {2560, 2436}},  {1, kOther, kUnchanged}, {2, 1, {2560, 3636}},
    {2, 2, {2560, 3036}},         {2, 3, {2560, 3702}},  {2, 4, {2560, 3102}},    {2, 5, {2560, 3768}},
    {2, 6, {2560, 2502}},         {2, 7, {2560, 3402}},  {2, 8, {2560, 3102}},    {2, 9, {2560, 2802}},
    {2, 10, {2560, 3702}},        {2, 11, {2560, 2436}}, {2, 12, {2560, 3544}},   {2, kOther, {2560, 2436}},
    {kOther, kOther, kUnchanged},
};

constexpr std::int16_t kTypes45[] = {45, 54};
constexpr MediaSize kSizes45[] = {
    {1, kOther, {1920, 1088}}, {2, kOther, {1920, 1240}}, {3, 2, {1920, 1088}},         {3, kOther, {1920, 2138}},
    {4, 2, {1920, 2498}},      {4, kOther, {1920, 2436}}, {5, 2, {1920, 2498}},         {5, 3, {1920, 2436}},
    {5, 4, {1920, 1240}},      {5, kOther, {1920, 2740}}, {kOther, kOther, kUnchanged},
};

constexpr std::int16_t kTypes47[] = {47};
constexpr MediaSize kSizes47[] = {
    {1, kOther, {1568, 1024}}, {2, kOther, {1864, 1228}}, {3, kOther, {1568, 2128}},      {4, 0, {1864, 2422}},
    {4, kOther, {1864, 2730}}, {5, kOther, {1864, 2730}}, {kOther, kOther, {1568, 1024}},
};

constexpr std::int16_t kTypes48[] = {48};
constexpr MediaSize kSizes48[] = {
    {1, kOther, {1920, 1088}}, {2, kOther, {1920, 1240}}, {3, 2, {1920, 1088}},         {3, kOther, {1920, 2138}},
    {4, 2, {1920, 2498}},      {4, kOther, {1920, 2436}}, {kOther, kOther, kUnchanged},
};

constexpr std::int16_t kTypes53[] = {53};
constexpr MediaSize kSizes53[] = {
    {1, kOther, {1568, 1076}}, {2, kOther, {1864, 1218}},      {3, 0, {1568, 2128}},      {3, kOther, {1568, 2190}},
    {4, kOther, {1864, 1820}}, {5, 0, {1864, 2422}},           {5, kOther, {1864, 2454}}, {6, kOther, {1568, 2190}},
    {7, kOther, {1864, 2454}}, {kOther, kOther, {1568, 2128}},
};

constexpr std::int16_t kTypes56[] = {56};
constexpr MediaSize kSizes56[] = {
    {1, 1, {1568, 1524}}, {1, kOther, {1568, 2128}}, {2, 1, {1864, 1820}},    {2, 2, {1864, 2422}},
    {2, 3, {1864, 1228}}, {2, 4, {1864, 2730}},      {2, kOther, kUnchanged}, {kOther, kOther, kUnchanged},
};

constexpr std::int16_t kTypes57[] = {57};
constexpr MediaSize kSizes57[] = {
    {1, kOther, {1550, 1076}},    {2, kOther, {1852, 1226}}, {3, 1, {1550, 1527}},    {3, kOther, {1550, 2128}},
    {4, 1, {1852, 1827}},         {4, 2, {1852, 2428}},      {4, 3, {1852, 1226}},    {4, 4, {1852, 2488}},
    {4, 5, {1852, 4232}},         {4, 6, {1852, 6036}},      {4, kOther, kUnchanged}, {5, 1, {1852, 1827}},
    {5, 2, {1852, 2428}},         {5, 3, {1852, 2568}},      {5, 4, {1852, 2729}},    {5, kOther, kUnchanged},
    {kOther, kOther, kUnchanged},
};

// A printer type in no row (the system's own printing, the folder outputs, the Fuji printers and every unknown
// number) prints the page turned portrait.
constexpr OutputRow kOutputRows[] = {
    {kLandscapeTypes, Rule::TurnLandscape},
    {kKodakTypes, Rule::FitKodak},
    {kTypes9, Rule::BySelector, Selector::PM, Selector::PF, kSizes9},
    {kTypes11, Rule::BySelector, Selector::VM, Selector::None, kSizes11},
    {kTypes15, Rule::BySelector, Selector::VM, Selector::None, kSizes15},
    {kTypes16, Rule::BySelector, Selector::VM, Selector::None, kSizes16},
    {kPortraitTypes, Rule::TurnPortrait},
    {kTypes23, Rule::BySelector, Selector::MM, Selector::None, kSizes23},
    {kTypes24, Rule::BySelector, Selector::SM, Selector::None, kSizes24},
    {kTypes29, Rule::BySelector, Selector::SM, Selector::None, kSizes29},
    {kNoritsuTypes, Rule::LandscapeByVX},
    {kTypes32, Rule::BySelector, Selector::PM, Selector::None, kSizes32},
    {kTypes33, Rule::BySelector, Selector::SX, Selector::None, kSizes33},
    {kTypes37, Rule::BySelector, Selector::PM, Selector::PF, kSizes37},
    {kTypes38, Rule::BySelector, Selector::PM, Selector::None, kSizes38},
    {kTypes40, Rule::BySelector, Selector::PM, Selector::None, kSizes40},
    {kTypes43, Rule::BySelector, Selector::VM, Selector::None, kSizes43},
    {kTypes44, Rule::BySelector, Selector::VM, Selector::VF, kSizes44},
    {kTypes45, Rule::BySelector, Selector::VM, Selector::VF, kSizes45},
    {kTypes47, Rule::BySelector, Selector::VM, Selector::VF, kSizes47},
    {kTypes48, Rule::BySelector, Selector::VM, Selector::VF, kSizes48},
    {kTypes53, Rule::BySelector, Selector::VM, Selector::VF, kSizes53},
    {kTypes56, Rule::BySelector, Selector::VM, Selector::VF, kSizes56},
    {kTypes57, Rule::BySelector, Selector::VM, Selector::VF, kSizes57},
};

const OutputRow* outputRowFor(std::int16_t printerType) noexcept {
  for (const OutputRow& row : kOutputRows)
    if (std::find(row.types.begin(), row.types.end(), printerType) != row.types.end()) return &row;
  return nullptr;
}

std::int16_t selectorValue(Selector selector, const tPrintInfoStruct& header, const JobFileSettings& s) noexcept {
  switch (selector) {
    case Selector::None:
      return 0;
    case Selector::PM:
      return header.mediaSettings.mediaType;
    case Selector::PF:
      return header.mediaSettings.cutInHalf;
    case Selector::VM:
      return s.mediaOne.mediaType;
    case Selector::VF:
      return s.mediaOne.cutInHalf;
    case Selector::VX:
      return s.mediaOne.orientation;
    case Selector::SM:
      return s.mediaTwo.mediaType;
    case Selector::SX:
      return s.mediaTwo.ribbonType;
    case Selector::MM:
      return s.mitsubishiMedia.value2;
  }
  return 0;
}

Size sizeFor(std::span<const MediaSize> sizes, std::int16_t media, std::int16_t sub) noexcept {
  for (const MediaSize& entry : sizes)
    if ((entry.media == kOther || entry.media == media) && (entry.sub == kOther || entry.sub == sub)) return entry.size;
  return kUnchanged;
}

Rect rectOfSize(int width, int height) noexcept { return makeRect(0, 0, height, width); }

Rect turnedLandscape(const Rect& page) noexcept {
  const int w = rectWidth(page), h = rectHeight(page);
  return isLandscape(page) ? rectOfSize(w, h) : rectOfSize(h, w);
}

Rect turnedPortrait(const Rect& page) noexcept {
  const int w = rectWidth(page), h = rectHeight(page);
  return isLandscape(page) ? rectOfSize(h, w) : rectOfSize(w, h);
}

// 8.5 × 7 inches at the header's resolution, either way round; compared in halves of a pixel so that 8.5 inches
// needs no floating point.
bool fitsKodakPaper(const Rect& page, std::int16_t resolution) noexcept {
  const long twiceWidth = 2L * rectWidth(page), twiceHeight = 2L * rectHeight(page);
  const long longSide = 17L * resolution, shortSide = 14L * resolution;
  return (twiceWidth <= longSide && twiceHeight <= shortSide) || (twiceHeight <= longSide && twiceWidth <= shortSide);
}

// --- Colour correction ---

// Blocks one and two keep the six values in the same value-record positions as the Mitsubishi and Shinko
// records do, so they go through the same reading of the first word of records 0 to 4 and 6.
myUpdColorAdjustInfo valuesOf(const myUpdColorAdjustInfo2& block) noexcept {
  myUpdColorAdjustInfo values{};
  values.values = block.values;
  return values;
}

}  // namespace

Rect TSpoolerPrintView::GetOutputRect(const tPrintInfoStruct& header) const {
  const Rect port = myGetPortRect(pageOffscreen());
  const Rect page = rectOfSize(rectWidth(port), rectHeight(port));
  const OutputRow* row = outputRowFor(header.printer);
  if (row == nullptr) return turnedPortrait(page);
  switch (row->rule) {
    case Rule::TurnLandscape:
      return turnedLandscape(page);
    case Rule::TurnPortrait:
      return turnedPortrait(page);
    case Rule::FitKodak:
      return fitsKodakPaper(page, header.resolution) ? turnedLandscape(page) : turnedPortrait(page);
    case Rule::LandscapeByVX:
      return selectorValue(Selector::VX, header, settings()) == 1 ? turnedLandscape(page) : turnedPortrait(page);
    case Rule::BySelector: {
      const Size size = sizeFor(row->sizes, selectorValue(row->media, header, settings()),
                                selectorValue(row->sub, header, settings()));
      return size.width == 0 ? page : rectOfSize(size.width, size.height);
    }
  }
  return page;
}

OffscreenPtr TSpoolerPrintView::CropGWorldToNewSize(OffscreenPtr& source, const Rect& target, std::int16_t mode) {
  // Only the centring fit exists; every caller asks for it (mode 2), and any other mode gets it too.
  static_cast<void>(mode);
  if (!source) return nullptr;
  OffscreenPtr fitted{myNewGWorld(&target)};
  if (!fitted) return nullptr;
  static_cast<void>(protectTheGworld(fitted.get()));

  const Rect sourceRect = source->portRect();
  const int sw = rectWidth(sourceRect), sh = rectHeight(sourceRect);
  const int tw = rectWidth(target), th = rectHeight(target);
  Rect destination;
  if (sw > tw || sh > th) {
    destination = ResizeToFit(target, sourceRect);
  } else {
    const int left = target.left + (tw - sw) / 2;
    const int top = target.top + (th - sh) / 2;
    destination = makeRect(top, left, top + sh, left + sw);
  }
  if (!myCopyBits(source.get(), fitted.get(), &sourceRect, &destination, srcCopy, nullptr)) return nullptr;
  source.reset();
  return fitted;
}

void TSpoolerPrintView::ApplyColorSettings(std::int16_t printerType) {
  Offscreen* page = pageOffscreen();
  if (page == nullptr) return;
  SetStatus(kApplyingColorStatus);

  const JobFileSettings& s = settings();
  const myUpdColorAdjustInfo* record = nullptr;
  myUpdColorAdjustInfo fromBlock{};
  switch (printerType) {
    case 5:
    case 6:
    case 7:
    case 24:
    case 29:
    case 33:
      fromBlock = valuesOf(s.colorAdjustTwo);
      record = &fromBlock;
      break;
    case 37:
    case 39:
    case 41:
      fromBlock = valuesOf(s.colorAdjustOne);
      record = &fromBlock;
      break;
    case 11:
    case 23:
    case 31:
    case 32:
    case 36:
    case 43:
    case 44:
    case 47:
    case 53:
      record = &s.mitsubishiSettings.colorAdjust;
      break;
    case 15:
    case 16:
    case 40:
      record = &s.shinkoSettings.colorAdjust;
      break;
    case 30:
      record = &s.noritsuSettings.colorAdjust;
      break;
    case 38:
      record = &s.olmecSettings.colorAdjust;
      break;
    default:
      break;  // the other printers correct colour themselves, or not at all
  }
  // Values outside −32..32 leave the page as drawn; the correction has no other way to fail.
  if (record != nullptr) static_cast<void>(ApplyColorSettingsToOffscreen(page, *record, page));

  SetStatus(kFinishingStatus);
}

}  // namespace vorl
