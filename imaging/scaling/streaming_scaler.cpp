// The streaming scaler, in its plain single-thread form.
#include "imaging/scaling/streaming_scaler.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vorl {

namespace {

std::uint8_t clampByte(int value) noexcept { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

void initHorizontalFilter(scale* s) {
  const HorizontalFilterShape shape = horizontalFilterShape(s->horizontalType, s->srcWidth, s->dstWidth);
  const ScaleKernel kernel = kernelForType(s->horizontalType);
  s->horizontalTaps = shape.taps;
  s->horizontalTable.resize(static_cast<std::size_t>(kSamplesPerUnit) * shape.taps + 1);
  for (std::size_t i = 0; i < s->horizontalTable.size(); ++i)
    s->horizontalTable[i] = horizontalFilterWeight(kernel, shape, static_cast<int>(i));
}

void initHorizontal(scale* s) {
  if (s->horizontalType == 3 || s->horizontalType == 4) initHorizontalFilter(s);
}

int initVertical(scale* s) {
  const int rows = verticalBufferRows(s->verticalType, s->srcHeight, s->dstHeight);
  const bool reducing = s->dstHeight <= s->srcHeight;
  switch (s->verticalType) {
    case 1:
      s->verticalError = s->srcHeight;
      break;
    case 2:
      s->verticalError = reducing ? s->dstHeight : s->dstHeight - 1;
      if (reducing) s->contributions.resize(static_cast<std::size_t>(rows));
      break;
    default:
      s->verticalKernel = kernelForType(s->verticalType);
      s->verticalFactor = verticalFilterFactor(s->srcHeight, s->dstHeight);
      s->verticalOffset = verticalFilterOffset(s->verticalType, rows, s->srcHeight, s->dstHeight);
      s->verticalPhase = 0;
      s->contributions.resize(static_cast<std::size_t>(rows));
      break;
  }
  return rows;
}

const std::uint8_t* ringRow(const scale* s, int index) noexcept {
  return s->rowBuffer.data() + static_cast<std::size_t>(index) * static_cast<std::size_t>(s->dstRowBytes);
}

// Each destination pixel takes the source pixel under its centre, index ⌊(2x + 1) · srcWidth / (2 · dstWidth)⌋.
void nearestHorizontal(const std::uint8_t* in, std::uint8_t* out, const scale* s) noexcept {
  const int bpp = s->bytesPerPixel;
  int error = s->srcWidth, x = 0;
  for (int i = 0; i < s->dstWidth; ++i) {
    while (error >= 2 * s->dstWidth) {
      error -= 2 * s->dstWidth;
      ++x;
    }
    std::memcpy(out + i * bpp, in + x * bpp, static_cast<std::size_t>(bpp));
    error += 2 * s->srcWidth;
  }
}

// The ends of the rows map onto each other; the right pixel is not read while its weight is 0.
void linearHorizontal(const std::uint8_t* in, std::uint8_t* out, const scale* s) noexcept {
  const int bpp = s->bytesPerPixel, span = s->dstWidth - 1;
  int w = span, x = 0;
  for (int i = 0; i < s->dstWidth; ++i) {
    const std::uint8_t* left = in + x * bpp;
    for (int c = 0; c < bpp; ++c) {
      const int right = span - w == 0 ? 0 : left[bpp + c] * (span - w);
      out[i * bpp + c] = static_cast<std::uint8_t>((left[c] * w + right) / span);
    }
    w -= s->srcWidth - 1;
    if (w < 1) {
      w += span;
      ++x;
    }
  }
}

// Every source pixel carries the weight dstWidth, every destination pixel collects srcWidth.
void averageHorizontal(const std::uint8_t* in, std::uint8_t* out, const scale* s) noexcept {
  const int bpp = s->bytesPerPixel;
  int left = s->dstWidth, x = 0;
  int sum[8];
  for (int i = 0; i < s->dstWidth; ++i) {
    std::fill(sum, sum + bpp, 0);
    int need = s->srcWidth;
    while (need > 0) {
      const int take = std::min(left, need);
      for (int c = 0; c < bpp; ++c) sum[c] += in[x * bpp + c] * take;
      need -= take;
      left -= take;
      if (left == 0) {
        ++x;
        left = s->dstWidth;
      }
    }
    for (int c = 0; c < bpp; ++c)
      out[i * bpp + c] = static_cast<std::uint8_t>((sum[c] + s->srcWidth / 2) / s->srcWidth);
  }
}

void horizontalFilter(const std::uint8_t* in, std::uint8_t* out, const scale* s) noexcept {
  const int bpp = s->bytesPerPixel, taps = s->horizontalTaps, last = s->srcWidth - 1;
  const std::int16_t* table = s->horizontalTable.data();
  const int span = s->dstWidth - 1;
  const int step = kSamplesPerUnit * (s->srcWidth - 1) / span;
  const int stepRemainder = kSamplesPerUnit * (s->srcWidth - 1) % span;
  int remainder = span / 2, phase = 0, x = 0;
  auto pixel = [&](int index, int c) { return in[std::clamp(index, 0, last) * bpp + c]; };
  for (int i = 0; i < s->dstWidth; ++i) {
    for (int c = 0; c < bpp; ++c) {
      int sum = 2048;
      for (int k = 0; k < taps; ++k) {
        sum += table[phase + kSamplesPerUnit * k] * pixel(x - k, c);
        sum += table[kSamplesPerUnit - phase + kSamplesPerUnit * k] * pixel(x + k + 1, c);
      }
      if (phase == 0) sum += table[kSamplesPerUnit * taps] * pixel(x - taps, c);
      out[i * bpp + c] = clampByte(sum >> kWeightShift);
    }
    phase += step;
    remainder += stepRemainder;
    if (remainder >= span) {
      remainder -= span;
      phase += 1;
    }
    while (phase >= kSamplesPerUnit) {
      phase -= kSamplesPerUnit;
      ++x;
    }
  }
}

int nearestVertical(std::uint8_t* out, scale* s) noexcept {
  int index = s->firstRow, used = 0;
  while (s->verticalError >= 2 * s->dstHeight) {
    s->verticalError -= 2 * s->dstHeight;
    index = (index + 1) % s->bufferRows;
    ++used;
  }
  std::memcpy(out, ringRow(s, index), static_cast<std::size_t>(s->dstRowBytes));
  s->verticalError += 2 * s->srcHeight;
  return used;
}

int linearVertical(std::uint8_t* out, scale* s) noexcept {
  const int span = s->dstHeight - 1, e = s->verticalError;
  const std::uint8_t* upper = ringRow(s, s->firstRow);
  const std::uint8_t* lower = ringRow(s, (s->firstRow + 1) % s->bufferRows);
  for (int j = 0; j < s->dstRowBytes; ++j)
    out[j] = static_cast<std::uint8_t>((upper[j] * e + lower[j] * (span - e)) / span);
  s->verticalError -= s->srcHeight - 1;
  if (s->verticalError > 0) return 0;
  s->verticalError += span;
  return 1;
}

int averageVertical(std::uint8_t* out, scale* s) noexcept {
  int budget = s->srcHeight, index = s->firstRow, used = 0, slot = 0, weight = s->verticalError;
  while (budget >= weight) {
    s->contributions[static_cast<std::size_t>(slot++)] = {ringRow(s, index), weight};
    budget -= weight;
    index = (index + 1) % s->bufferRows;
    ++used;
    weight = s->dstHeight;
  }
  s->contributions[static_cast<std::size_t>(slot++)] = {ringRow(s, index), budget};
  s->verticalError = s->dstHeight - budget;
  for (; slot < s->bufferRows; ++slot) s->contributions[static_cast<std::size_t>(slot)] = {ringRow(s, index), 0};
  for (int j = 0; j < s->dstRowBytes; ++j) {
    int sum = 0;
    for (const ScaleContribution& c : s->contributions) sum += c.row[j] * c.weight;
    out[j] = static_cast<std::uint8_t>((sum + s->srcHeight / 2) / s->srcHeight);
  }
  return used;
}

int verticalFilter(std::uint8_t* out, scale* s) noexcept {
  const double t = verticalFilterStart(s->verticalPhase, s->dstHeight, s->bufferRows);
  s->verticalPhase += s->srcHeight - 1;
  const int advance = s->verticalPhase / (s->dstHeight - 1);
  s->verticalPhase %= s->dstHeight - 1;
  int index = s->firstRow;
  for (int i = 0; i < s->bufferRows; ++i) {
    const int weight = verticalFilterWeight(s->verticalKernel, s->verticalFactor, i + t, s->srcHeight, s->dstHeight);
    s->contributions[static_cast<std::size_t>(i)] = {ringRow(s, index), weight};
    // Past either end of the image the ring index stays put, so the edge row stands in for the missing rows.
    if (s->verticalOffset + i >= 0 && s->verticalOffset + i + 1 < s->srcHeight) index = (index + 1) % s->bufferRows;
  }
  for (int j = 0; j < s->dstRowBytes; ++j) {
    int sum = 1 << (kWeightShift - 1);
    for (const ScaleContribution& c : s->contributions)
      if (c.weight != 0) sum += c.row[j] * c.weight;
    out[j] = clampByte(sum >> kWeightShift);
  }
  const int old = s->verticalOffset;
  s->verticalOffset = old + advance;
  return old >= 0 ? advance : std::max(0, advance + old);
}

int verticalScale(std::uint8_t* out, scale* s) noexcept {
  const bool reducing = s->dstHeight <= s->srcHeight;
  switch (s->verticalType) {
    case 1:
      return nearestVertical(out, s);
    case 2:
      return reducing ? averageVertical(out, s) : linearVertical(out, s);
    case 3:
    case 4:
      return verticalFilter(out, s);
    default:
      return 0;
  }
}

}  // namespace

void horizontalScale(const std::uint8_t* source, std::uint8_t* destination, const scale* s) noexcept {
  switch (s->horizontalType) {
    case 1:
      nearestHorizontal(source, destination, s);
      break;
    case 2:
      if (s->dstWidth <= s->srcWidth)
        averageHorizontal(source, destination, s);
      else
        linearHorizontal(source, destination, s);
      break;
    case 3:
    case 4:
      horizontalFilter(source, destination, s);
      break;
    default:
      break;
  }
}

scale* initScale(int horizontalType, int verticalType, int bytesPerPixel, int srcWidth, int dstWidth, int srcHeight,
                 int dstHeight) {
  if (srcWidth < 1 || dstWidth < 1 || srcHeight < 1 || dstHeight < 1 || bytesPerPixel < 1 || bytesPerPixel > 8)
    return nullptr;
  try {
    auto* s = new scale;
    s->horizontalType = effectiveScaleType(horizontalType, dstWidth);
    s->verticalType = effectiveScaleType(verticalType, dstHeight);
    s->srcWidth = srcWidth;
    s->dstWidth = dstWidth;
    s->srcHeight = srcHeight;
    s->dstHeight = dstHeight;
    s->bytesPerPixel = bytesPerPixel;
    s->dstRowBytes = dstWidth * bytesPerPixel;
    if (s->horizontalType != 0) initHorizontal(s);
    if (s->verticalType == 0) return s;
    s->bufferRows = initVertical(s);
    s->rowBuffer.resize(static_cast<std::size_t>(s->bufferRows) * static_cast<std::size_t>(s->dstRowBytes));
    s->firstRow = s->nextRow = s->rowsHeld = s->rowsRead = 0;
    return s;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void finishScale(scale* record) noexcept { delete record; }

int doScale(const std::uint8_t* source, std::uint8_t* destination, scale* s) noexcept {
  if (s->verticalType == 0) {
    horizontalScale(source, destination, s);
    return 2;
  }
  if (s->rowsHeld < s->bufferRows) {
    if (s->rowsRead >= s->srcHeight) {
      s->rowsHeld = s->bufferRows;  // past the bottom, the rows held stand in for the missing ones
    } else {
      std::uint8_t* slot = s->rowBuffer.data() + static_cast<std::size_t>(s->nextRow) * s->dstRowBytes;
      if (s->horizontalType == 0)
        std::memcpy(slot, source, static_cast<std::size_t>(s->dstRowBytes));
      else
        horizontalScale(source, slot, s);
      s->nextRow = (s->nextRow + 1) % s->bufferRows;
      ++s->rowsHeld;
      ++s->rowsRead;
    }
  }
  if (s->rowsHeld < s->bufferRows) return 0;
  const int used = verticalScale(destination, s);
  s->firstRow += used;
  if (s->firstRow >= s->bufferRows) s->firstRow -= s->bufferRows;
  s->rowsHeld -= used;
  return s->rowsHeld < s->bufferRows ? 2 : 1;
}

void scaleImage(scale* record, const std::uint8_t* source, std::ptrdiff_t srcRowBytes, std::uint8_t* destination,
                std::ptrdiff_t dstRowBytes) noexcept {
  bool pending = false;
  int sourceIndex = 0;
  const std::uint8_t* row = source;
  for (int y = 0; y < record->dstHeight;) {
    if (!pending) {
      pending = true;
      if (sourceIndex < record->srcHeight) row = source + srcRowBytes * sourceIndex++;
    }
    const int result = doScale(row, destination + dstRowBytes * y, record);
    if (result == 0 || result == 2) pending = false;
    if (result == 1 || result == 2) ++y;
  }
}

}  // namespace vorl
