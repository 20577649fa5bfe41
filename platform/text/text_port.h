// The text state of a drawing port, as QuickDraw kept it: size, face and the metrics of the current font.
// Code that fits and draws text works on the current port of its thread; the page drawing installs a port that
// draws into the page, and tests install one with fixed metrics.
#pragma once

#include <cstdint>
#include <span>

namespace vorl {

// Face bits of a text style.
inline constexpr std::int16_t kFaceBold = 1;
inline constexpr std::int16_t kFaceItalic = 2;
inline constexpr std::int16_t kFaceUnderline = 4;
inline constexpr std::int16_t kFaceOutline = 8;
inline constexpr std::int16_t kFaceShadow = 16;
inline constexpr std::int16_t kFaceCondense = 32;
inline constexpr std::int16_t kFaceExtend = 64;

struct FontInfo {
  std::int16_t ascent = 0;
  std::int16_t descent = 0;
  std::int16_t widMax = 0;
  std::int16_t leading = 0;
};

class TextPort {
 public:
  virtual ~TextPort() = default;
  virtual std::int16_t textSize() const = 0;
  virtual void setTextSize(std::int16_t size) = 0;
  virtual std::int16_t textFace() const = 0;
  virtual void setTextFace(std::int16_t face) = 0;
  virtual FontInfo fontInfo() const = 0;
  // Width in pixels of Mac Roman text drawn with the current size and face.
  virtual std::int16_t textWidth(std::span<const unsigned char> macRoman) const = 0;
};

// The current port of this thread (null when none is set).
TextPort* currentTextPort() noexcept;
void setCurrentTextPort(TextPort* port) noexcept;

// Makes a port current for a scope and puts the previous one back.
class TextPortScope {
 public:
  explicit TextPortScope(TextPort* port) noexcept : previous_(currentTextPort()) { setCurrentTextPort(port); }
  ~TextPortScope() { setCurrentTextPort(previous_); }
  TextPortScope(const TextPortScope&) = delete;
  TextPortScope& operator=(const TextPortScope&) = delete;

 private:
  TextPort* previous_;
};

}  // namespace vorl
