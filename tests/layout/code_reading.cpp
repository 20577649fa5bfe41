#include "tests/layout/code_reading.h"

#include <QImage>

#include <filesystem>

#include "platform/system/command_runner.h"
#include "tests/support/isolated_environment.h"

namespace vorl::test {

namespace {

QImage coloursOf(const Offscreen& page) {
  QImage image(page.width(), page.height(), QImage::Format_RGB32);
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x) {
      const std::uint8_t* p = page.view().localPixel(x, y);
      image.setPixel(x, y, qRgb(p[kRedByte], p[kGreenByte], p[kBlueByte]));
    }
  return image;
}

}  // namespace

bool zbarMissing() { return !runCommand({"zbarimg", "--version"}).started; }

std::optional<std::string> decodeWithZbar(const Offscreen& page, const std::string& name) {
  const std::filesystem::path file = makeTempFolder("text-codes") / (name + ".png");
  if (!coloursOf(page).save(QString::fromStdString(file.string()))) return std::nullopt;
  const CommandResult result = runCommand({"zbarimg", "--raw", "-q", file.string()});
  if (!result.succeeded()) return std::nullopt;
  std::string text = result.standardOutput;
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace vorl::test
