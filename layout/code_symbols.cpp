#include "layout/code_symbols.h"

#include <zint.h>

#include <QString>

#include <memory>

#include "layout/code128_symbol.h"
#include "platform/system/system_log.h"

namespace vorl {
namespace {

struct SymbolDeleter {
  void operator()(zint_symbol* symbol) const noexcept { ZBarcode_Delete(symbol); }
};
using SymbolPtr = std::unique_ptr<zint_symbol, SymbolDeleter>;

constexpr int kQRMediumCorrection = 2;
constexpr int kQRMarginModules = 1;
constexpr int kCode128QuietModules = 7;
constexpr int kCode128HeightModules = 32;
// One pixel a module in the generator's raster.
constexpr float kOnePixelPerModule = 0.5f;

const char* kindName(CodeKind kind) { return kind == CodeKind::qrCode ? "QR code" : "Code 128 symbol"; }

CodeDrawing printText(CodeKind kind, const CStr255_AC& text, Offscreen* page, const Rect& rect,
                      std::int16_t rotation, std::string_view objectName) {
  const int nameLength = static_cast<int>(objectName.size());
  // Code 128 is made here from its table; only QR codes need the generator library.
  if (kind == CodeKind::qrCode && SymbolPtr{ZBarcode_Create()} == nullptr) {
    systemLog("Could not create CIQRCodeGenerator filter, only supported in System 10.9 and higher");
    return CodeDrawing::generatorMissing;
  }
  systemLog("filter created");
  std::string why;
  const auto bytes = codeBytes(kind, text, why);
  if (bytes && bytes->empty()) {
    systemLogf("warning: the %.*s is empty, so there is no %s to make; nothing was drawn for it", nameLength,
               objectName.data(), kindName(kind));
    return CodeDrawing::drawn;
  }
  std::optional<CodeImage> image;
  if (bytes) image = makeCodeImage(kind, *bytes, why);
  if (!image) {
    systemLogf("the %.*s cannot be made as a %s (%s); the object could not be drawn", nameLength, objectName.data(),
               kindName(kind), why.c_str());
    return CodeDrawing::notDrawable;
  }
  systemLog("qrCodeImage created");
  if (page != nullptr && !rectEmpty(rect)) drawCodeImage(*page, turnCodeImage(*image, rotation), rect);
  return CodeDrawing::drawn;
}

}  // namespace

std::optional<std::vector<unsigned char>> codeBytes(CodeKind kind, const CStr255_AC& text, std::string& why) {
  const QString unicode = QString::fromStdString(text.toUtf8());
  const char16_t limit = kind == CodeKind::qrCode ? 0xFF : 0x7F;
  std::vector<unsigned char> bytes;
  bytes.reserve(static_cast<std::size_t>(unicode.size()));
  for (const QChar c : unicode) {
    if (c.unicode() > limit) {
      why = "the character \"" + QString(c).toStdString() + "\" has no " +
            (kind == CodeKind::qrCode ? "ISO Latin 1" : "ASCII") + " form";
      return std::nullopt;
    }
    bytes.push_back(static_cast<unsigned char>(c.unicode()));
  }
  return bytes;
}

std::optional<CodeImage> makeCodeImage(CodeKind kind, std::span<const unsigned char> bytes, std::string& why) {
  if (bytes.empty()) {
    why = "the text is empty";
    return std::nullopt;
  }
  if (kind == CodeKind::code128) {
    const std::vector<std::uint8_t> values = code128Values(bytes);
    if (values.empty()) {
      why = "a byte is outside ASCII";
      return std::nullopt;
    }
    return code128Image(values, kCode128QuietModules, kCode128HeightModules);
  }
  SymbolPtr symbol{ZBarcode_Create()};
  if (!symbol) {
    why = "the generator could not be set up";
    return std::nullopt;
  }
  symbol->input_mode = DATA_MODE;
  symbol->scale = kOnePixelPerModule;
  symbol->symbology = BARCODE_QRCODE;
  symbol->option_1 = kQRMediumCorrection;
  symbol->whitespace_width = kQRMarginModules;
  symbol->whitespace_height = kQRMarginModules;
  int result = ZBarcode_Encode(symbol.get(), bytes.data(), static_cast<int>(bytes.size()));
  if (result < ZINT_ERROR) result = ZBarcode_Buffer(symbol.get(), 0);
  if (result >= ZINT_ERROR || symbol->bitmap == nullptr || symbol->bitmap_width <= 0 ||
      symbol->bitmap_height <= 0) {
    why = symbol->errtxt[0] != '\0' ? symbol->errtxt : "the generator made no image";
    return std::nullopt;
  }
  CodeImage image;
  image.width = symbol->bitmap_width;
  image.height = symbol->bitmap_height;
  image.dark.resize(static_cast<std::size_t>(image.width) * image.height);
  // The raster is red, green, blue bytes a pixel: black for the dark modules, white elsewhere.
  for (std::size_t i = 0; i < image.dark.size(); ++i) image.dark[i] = symbol->bitmap[3 * i] < 128 ? 1 : 0;
  return image;
}

CodeImage turnCodeImage(const CodeImage& image, std::int16_t rotation) {
  if (rotation != 90 && rotation != 270) return image;
  CodeImage turned;
  turned.width = image.height;
  turned.height = image.width;
  turned.dark.resize(image.dark.size());
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      // 90: a quarter counter-clockwise, (x, y) → (y, W − 1 − x); 270: clockwise, (x, y) → (H − 1 − y, x).
      const int tx = rotation == 90 ? y : image.height - 1 - y;
      const int ty = rotation == 90 ? image.width - 1 - x : x;
      turned.dark[static_cast<std::size_t>(ty) * turned.width + tx] = image.dark[static_cast<std::size_t>(y) * image.width + x];
    }
  return turned;
}

void drawCodeImage(Offscreen& page, const CodeImage& image, const Rect& rect) {
  const int width = rectWidth(rect);
  const int height = rectHeight(rect);
  if (width <= 0 || height <= 0 || image.width <= 0 || image.height <= 0) return;
  const PixView view = page.view();
  const Rect& port = view.port();
  const int top = std::max<int>(rect.top, port.top);
  const int bottom = std::min<int>(rect.bottom, port.bottom);
  const int left = std::max<int>(rect.left, port.left);
  const int right = std::min<int>(rect.right, port.right);
  for (int y = top; y < bottom; ++y) {
    const int row = static_cast<int>(static_cast<std::int64_t>(y - rect.top) * image.height / height);
    std::uint8_t* out = view.portPixel(left, y);
    for (int x = left; x < right; ++x, out += kBytesPerPixel) {
      const int column = static_cast<int>(static_cast<std::int64_t>(x - rect.left) * image.width / width);
      const std::uint8_t value = image.isDark(column, row) ? 0 : 255;
      out[kRedByte] = value;
      out[kGreenByte] = value;
      out[kBlueByte] = value;
    }
  }
}

CodeDrawing PrintTextAsQRCode(const CStr255_AC& text, Offscreen* page, const Rect& rect, std::int16_t rotation,
                              std::string_view objectName) {
  return printText(CodeKind::qrCode, text, page, rect, rotation, objectName);
}

CodeDrawing PrintTextAsBarcode(const CStr255_AC& text, Offscreen* page, const Rect& rect, std::int16_t rotation,
                               std::string_view objectName) {
  return printText(CodeKind::code128, text, page, rect, rotation, objectName);
}

}  // namespace vorl
