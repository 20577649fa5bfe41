#include "layout/mac_fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <array>
#include <mutex>
#include <unordered_map>

namespace vorl {
namespace {

struct KnownFont {
  std::int16_t number;
  const char* macName;
  const char* family;
};

// The fixed family numbers. A family of the same kind (sans, serif, monospaced) stands in for the text faces;
// the decorative and symbol faces have no like, so they are named for the log and take the fallback.
constexpr std::array kKnownFonts{
    KnownFont{0, "Chicago", "DejaVu Sans"},        KnownFont{1, "Geneva", "DejaVu Sans"},
    KnownFont{2, "New York", "DejaVu Serif"},      KnownFont{3, "Geneva", "DejaVu Sans"},
    KnownFont{4, "Monaco", "DejaVu Sans Mono"},    KnownFont{5, "Venice", nullptr},
    KnownFont{6, "London", nullptr},               KnownFont{7, "Athens", nullptr},
    KnownFont{8, "San Francisco", nullptr},        KnownFont{9, "Toronto", "DejaVu Serif"},
    KnownFont{11, "Cairo", nullptr},               KnownFont{12, "Los Angeles", nullptr},
    KnownFont{16, "Palatino", "DejaVu Serif"},     KnownFont{20, "Times", "Liberation Serif"},
    KnownFont{21, "Helvetica", "Liberation Sans"}, KnownFont{22, "Courier", "Liberation Mono"},
    KnownFont{23, "Symbol", nullptr},              KnownFont{24, "Mobile", nullptr},
};

bool familyInstalled(const QString& family) {
  // The font database is read once; families do not come and go while the program runs.
  static std::mutex mutex;
  static std::unordered_map<std::u16string, bool> known;
  const std::lock_guard lock(mutex);
  const std::u16string key = family.toStdU16String();
  if (const auto found = known.find(key); found != known.end()) return found->second;
  const bool installed = QFontDatabase::families().contains(family, Qt::CaseInsensitive);
  known.emplace(key, installed);
  return installed;
}

}  // namespace

MacFontChoice installedFamilyForMacFont(std::int16_t fontNumber) {
  MacFontChoice choice;
  choice.family = QString::fromLatin1(kFallbackFontFamily);
  choice.fallback = true;
  for (const KnownFont& font : kKnownFonts) {
    if (font.number != fontNumber) continue;
    choice.macName = QString::fromLatin1(font.macName);
    if (font.family == nullptr) break;
    const QString family = QString::fromLatin1(font.family);
    if (familyInstalled(family)) {
      choice.family = family;
      choice.fallback = false;
    }
    break;
  }
  return choice;
}

}  // namespace vorl
