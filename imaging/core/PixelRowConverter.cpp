#include "imaging/core/PixelRowConverter.h"

#include <cstring>

#include "imaging/core/ColorQuantizer.h"

const std::uint8_t kOrderedDitherMatrix[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

namespace {

// Rows may sit at any byte offset (RowAlignBits), so words and floats go through bytes.
int WordAt(const std::uint8_t* row, int x) {
  return row[2 * x] | (row[2 * x + 1] << 8);
}

void PutWord(std::uint8_t* row, int x, int value) {
  row[2 * x] = static_cast<std::uint8_t>(value & 0xFF);
  row[2 * x + 1] = static_cast<std::uint8_t>(value >> 8);
}

float FloatAt(const std::uint8_t* row, int x) {
  float value = 0;
  std::memcpy(&value, row + 4 * static_cast<std::ptrdiff_t>(x), sizeof value);
  return value;
}

void PutFloat(std::uint8_t* row, int x, float value) {
  std::memcpy(row + 4 * static_cast<std::ptrdiff_t>(x), &value, sizeof value);
}

bool BitAt(const std::uint8_t* row, int x) {
  return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

// trunc(value x maximum), kept inside 0..maximum (a float outside 0..1 or NaN must not wrap).
int FloatLevel(float value, int maximum) {
  if (!(value > 0.0f))
    return 0;
  if (value >= 1.0f)
    return maximum;
  return static_cast<int>(static_cast<double>(value) * maximum);
}

const std::uint8_t* ColourOf(TImgBitmapFormat format, const std::uint8_t* palette,
                             const std::uint8_t* row, int x) {
  return format == pfBGR24 ? row + 3 * static_cast<std::ptrdiff_t>(x) : palette + 3 * row[x];
}

}  // namespace

TPixelRowConverter::TPixelRowConverter(TImgBitmapFormat source, const std::uint8_t* sourcePalette,
                                       TImgBitmapFormat target, int width)
    : source_(source),
      target_(target),
      palette_(sourcePalette),
      width_(width),
      gray_(static_cast<std::size_t>(width > 0 ? width : 0)) {
  // A palette image without a palette reads its indices as gray levels.
  if (source_ == pfPalette8 && palette_ == nullptr)
    source_ = pfGray8;
}

void TPixelRowConverter::SetBlackWhite(TImgBWConversion mode, int threshold) {
  bwMode_ = mode;
  threshold_ = threshold;
}

void TPixelRowConverter::GrayRow(TImgBitmapFormat format, const std::uint8_t* palette,
                                 const std::uint8_t* source, std::uint8_t* gray, int width) {
  switch (format) {
    case pfBGR24:
    case pfPalette8:
      if (format == pfPalette8 && palette == nullptr) {
        std::memcpy(gray, source, static_cast<std::size_t>(width));
        break;
      }
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* bgr = ColourOf(format, palette, source, x);
        gray[x] = static_cast<std::uint8_t>(GrayLevel(bgr[2], bgr[1], bgr[0]));
      }
      break;
    case pfGray8:
      std::memcpy(gray, source, static_cast<std::size_t>(width));
      break;
    case pfGray16:
      for (int x = 0; x < width; ++x)
        gray[x] = static_cast<std::uint8_t>(WordAt(source, x) >> 8);
      break;
    case pf32f:
      for (int x = 0; x < width; ++x) {
        gray[x] = static_cast<std::uint8_t>(FloatLevel(FloatAt(source, x), 255));
      }
      break;
    case pfBit1:
      for (int x = 0; x < width; ++x)
        gray[x] = BitAt(source, x) ? 255 : 0;
      break;
    default:
      std::memset(gray, 0, static_cast<std::size_t>(width));
      break;
  }
}

void TPixelRowConverter::WriteFixedPalette(TImgBitmapFormat source, std::uint8_t* palette) {
  for (int i = 0; i < 256; ++i) {
    const int level = source == pfBit1 ? (i == 1 ? 255 : 0) : i;
    palette[3 * i] = palette[3 * i + 1] = palette[3 * i + 2] = static_cast<std::uint8_t>(level);
  }
}

void TPixelRowConverter::Convert(const std::uint8_t* source, std::uint8_t* target, int y) {
  if (width_ <= 0)
    return;
  switch (target_) {
    case pfGray8:
      GrayRow(source_, palette_, source, target, width_);
      break;
    case pfGray16:
      ToGray16(source, target);
      break;
    case pf32f:
      To32f(source, target);
      break;
    case pfBGR24:
      ToBGR24(source, target);
      break;
    case pfPalette8:
      ToPalette8(source, target);
      break;
    case pfBit1:
      ToBit1(source, target, y);
      break;
    default:
      break;
  }
}

void TPixelRowConverter::ToGray16(const std::uint8_t* source, std::uint8_t* target) const {
  switch (source_) {
    case pfBGR24:
    case pfPalette8:
      for (int x = 0; x < width_; ++x) {
        const std::uint8_t* bgr = ColourOf(source_, palette_, source, x);
        PutWord(target, x, (212 * bgr[2] + 713 * bgr[1] + 75 * bgr[0]) * 256 / 1000);
      }
      break;
    case pfGray8:
      for (int x = 0; x < width_; ++x)
        PutWord(target, x, source[x] << 8);
      break;
    case pf32f:
      for (int x = 0; x < width_; ++x)
        PutWord(target, x, FloatLevel(FloatAt(source, x), 65535));
      break;
    case pfBit1:
      for (int x = 0; x < width_; ++x)
        PutWord(target, x, BitAt(source, x) ? 65535 : 0);
      break;
    case pfGray16:
      std::memcpy(target, source, 2 * static_cast<std::size_t>(width_));
      break;
    default:
      break;
  }
}

void TPixelRowConverter::To32f(const std::uint8_t* source, std::uint8_t* target) const {
  switch (source_) {
    case pfBGR24:
    case pfPalette8:
      for (int x = 0; x < width_; ++x) {
        const std::uint8_t* bgr = ColourOf(source_, palette_, source, x);
        const double level = 0.2126 * bgr[2] + 0.7152 * bgr[1] + 0.0722 * bgr[0];
        PutFloat(target, x, static_cast<float>(level / 255.0));
      }
      break;
    case pfGray8:
      for (int x = 0; x < width_; ++x)
        PutFloat(target, x, static_cast<float>(source[x] / 255.0));
      break;
    case pfGray16:
      for (int x = 0; x < width_; ++x) {
        PutFloat(target, x, static_cast<float>(WordAt(source, x) / 65535.0));
      }
      break;
    case pfBit1:
      for (int x = 0; x < width_; ++x)
        PutFloat(target, x, BitAt(source, x) ? 1.0f : 0.0f);
      break;
    case pf32f:
      std::memcpy(target, source, 4 * static_cast<std::size_t>(width_));
      break;
    default:
      break;
  }
}

void TPixelRowConverter::ToBGR24(const std::uint8_t* source, std::uint8_t* target) {
  if (source_ == pfBGR24) {
    std::memcpy(target, source, 3 * static_cast<std::size_t>(width_));
    return;
  }
  if (source_ == pfPalette8) {
    for (int x = 0; x < width_; ++x)
      std::memcpy(target + 3 * x, palette_ + 3 * source[x], 3);
    return;
  }
  GrayRow(source_, palette_, source, gray_.data(), width_);
  for (int x = 0; x < width_; ++x) {
    target[3 * x] = target[3 * x + 1] = target[3 * x + 2] = gray_[static_cast<std::size_t>(x)];
  }
}

void TPixelRowConverter::ToPalette8(const std::uint8_t* source, std::uint8_t* target) {
  switch (source_) {
    case pfPalette8:
      std::memcpy(target, source, static_cast<std::size_t>(width_));
      break;
    case pfBGR24:
      if (quantizer_ != nullptr) {
        quantizer_->MapRow(source, target, width_);
      } else {
        GrayRow(source_, palette_, source, target, width_);
      }
      break;
    case pfBit1:
      for (int x = 0; x < width_; ++x)
        target[x] = BitAt(source, x) ? 1 : 0;
      break;
    default:
      GrayRow(source_, palette_, source, target, width_);
      break;
  }
}

void TPixelRowConverter::ToBit1(const std::uint8_t* source, std::uint8_t* target, int y) {
  const auto bytes = static_cast<std::size_t>((static_cast<std::int64_t>(width_) + 7) / 8);
  if (source_ == pfBit1) {
    std::memcpy(target, source, bytes);
    return;
  }
  GrayRow(source_, palette_, source, gray_.data(), width_);
  std::memset(target, 0, bytes);
  const std::uint8_t* gray = gray_.data();
  if (bwMode_ == bwOrdered) {
    const int column = y & 7;
    for (int x = 0; x < width_; ++x) {
      if (kOrderedDitherMatrix[x & 7][column] < (gray[x] >> 2)) {
        target[x >> 3] = static_cast<std::uint8_t>(target[x >> 3] | (0x80 >> (x & 7)));
      }
    }
  } else {
    for (int x = 0; x < width_; ++x) {
      if (gray[x] >= threshold_) {
        target[x >> 3] = static_cast<std::uint8_t>(target[x >> 3] | (0x80 >> (x & 7)));
      }
    }
  }
}
