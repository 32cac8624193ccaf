#include "imaging/io/tiff/TiffRowConverter.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "imaging/io/ConvertCmyk.h"
#include "imaging/io/tiff/TiffVars.h"

namespace {

// Software that stores 12-bit gray in 16-bit samples.
constexpr std::string_view kTwelveBitGraySoftware = "Look@Molli v1.1";

bool IsCcitt(std::uint32_t compression) {
  return compression >= tiffcompression::kModifiedHuffman &&
         compression <= tiffcompression::kGroup4;
}

}  // namespace

TTiffRowConverter::TTiffRowConverter(const TTIFFVars& vars, TImgBitmapFormat format)
    : kind_(PickKind(vars, format)),
      format_(format),
      samplesPerPixel_(vars.samplesPerPixel),
      bitsPerSample_(vars.bitsPerSample),
      whiteIsZero_(vars.photometric == tiffphotometric::kWhiteIsZero),
      // The CCITT decoders deliver white as set bits; raw data holds the file's own values.
      invertBits_(IsCcitt(vars.compression) ? !whiteIsZero_ : whiteIsZero_),
      bigEndian_(vars.endian == TByteReader::Endian::Big),
      grayShift_(std::string_view(vars.software).starts_with(kTwelveBitGraySoftware) ? 4 : 8),
      colorMap_(vars.colorMap) {}

TTiffRowConverter::Kind TTiffRowConverter::PickKind(const TTIFFVars& vars,
                                                    TImgBitmapFormat format) {
  const std::uint32_t spp = vars.samplesPerPixel;
  const std::uint32_t bits = vars.bitsPerSample;
  const bool hasColorMap = bits <= 8 && vars.colorMapCount == (1 << bits);
  switch (vars.photometric) {
    case tiffphotometric::kRgb:
      if ((spp == 3 || spp == 4) && bits == 8)
        return Kind::Rgb8;
      if ((spp == 3 || spp == 4) && bits == 16)
        return Kind::Rgb16;
      if (spp == 1 && bits == 16)
        return Kind::Rgb555;
      break;
    case tiffphotometric::kPalette:
      if (!hasColorMap)
        break;
      if (spp == 2 && bits == 8)
        return Kind::PaletteAlpha;
      if (spp == 1 && (format == pfPalette8 || format == pfBGR24))
        return Kind::Palette;
      break;
    case tiffphotometric::kWhiteIsZero:
    case tiffphotometric::kBlackIsZero:
      if (spp != 1)
        break;
      if (bits == 4 || bits == 8)
        return Kind::Gray8;
      if (bits == 16)
        return Kind::Gray16;
      if (bits == 1 && format == pfBit1)
        return Kind::Bilevel;
      break;
    case tiffphotometric::kSeparated:
      if (spp == 4 && bits == 8)
        return Kind::Cmyk;
      break;
    case tiffphotometric::kCieLab:
      if (spp == 3 && bits == 8)
        return Kind::Lab;
      break;
    default:
      break;
  }
  return Kind::Unsupported;
}

void TTiffRowConverter::Convert(std::span<const std::uint8_t> row, int pixels,
                                std::uint8_t* destination, std::uint8_t* alpha) {
  const auto count = static_cast<std::size_t>(pixels);
  switch (kind_) {
    case Kind::Rgb8: {
      const std::size_t stride = samplesPerPixel_;
      const std::uint8_t* source = row.data();
      for (std::size_t x = 0; x < count; ++x, source += stride, destination += 3) {
        destination[0] = source[2];
        destination[1] = source[1];
        destination[2] = source[0];
      }
      if (alpha != nullptr && stride == 4) {
        for (std::size_t x = 0; x < count; ++x)
          alpha[x] = row[x * 4 + 3];
      }
      break;
    }
    case Kind::Rgb16:
      ConvertRgb16(row, pixels, destination);
      break;
    case Kind::Rgb555:
      for (std::size_t x = 0; x < count; ++x, destination += 3) {
        const std::uint32_t s = row[2 * x] | (std::uint32_t{row[2 * x + 1]} << 8);
        destination[0] = static_cast<std::uint8_t>((s & 31) << 3);
        destination[1] = static_cast<std::uint8_t>(((s >> 5) & 31) << 3);
        destination[2] = static_cast<std::uint8_t>(((s >> 10) & 31) << 3);
      }
      break;
    case Kind::PaletteAlpha:
      for (std::size_t x = 0; x < count; ++x, destination += 3)
        std::memcpy(destination, &colorMap_[std::size_t{row[2 * x]} * 3], 3);
      if (alpha != nullptr) {
        for (std::size_t x = 0; x < count; ++x)
          alpha[x] = row[2 * x + 1];
      }
      break;
    case Kind::Palette:
      ConvertPalette(row, pixels, destination);
      break;
    case Kind::Gray8:
      if (format_ == pfGray8) {
        std::memcpy(destination, row.data(), count);
        break;
      }
      for (std::size_t x = 0; x < count; ++x, destination += 3) {
        const std::uint8_t v = whiteIsZero_ ? static_cast<std::uint8_t>(255 - row[x]) : row[x];
        destination[0] = destination[1] = destination[2] = v;
      }
      break;
    case Kind::Gray16:
      ConvertGray16(row, pixels, destination);
      break;
    case Kind::Bilevel:
      ConvertBilevel(row, pixels, destination);
      break;
    case Kind::Cmyk:
      ConvertCmykRow(row, pixels, destination);
      break;
    case Kind::Lab:
      ConvertCmyk(row.data(), ckLab, destination, pixels, ckBGR24);
      break;
    case Kind::Unsupported:
      break;
  }
}

void TTiffRowConverter::ConvertRgb16(std::span<const std::uint8_t> row, int pixels,
                                     std::uint8_t* destination) const {
  const std::size_t stride = samplesPerPixel_ * 2;
  const std::size_t high = bigEndian_ ? 0 : 1;
  const std::uint8_t* source = row.data() + high;
  for (int x = 0; x < pixels; ++x, source += stride, destination += 3) {
    destination[0] = source[4];
    destination[1] = source[2];
    destination[2] = source[0];
  }
}

void TTiffRowConverter::ConvertPalette(std::span<const std::uint8_t> row, int pixels,
                                       std::uint8_t* destination) const {
  const auto count = static_cast<std::size_t>(pixels);
  // One-bit indices are read bit by bit; deeper ones arrive one byte per pixel.
  auto index = [&](std::size_t x) -> std::size_t {
    if (bitsPerSample_ == 1)
      return (row[x / 8] >> (7 - x % 8)) & 1;
    return row[x];
  };
  if (format_ == pfPalette8) {
    for (std::size_t x = 0; x < count; ++x)
      destination[x] = static_cast<std::uint8_t>(index(x));
    return;
  }
  for (std::size_t x = 0; x < count; ++x, destination += 3)
    std::memcpy(destination, &colorMap_[index(x) * 3], 3);
}

void TTiffRowConverter::ConvertGray16(std::span<const std::uint8_t> row, int pixels,
                                      std::uint8_t* destination) const {
  const auto count = static_cast<std::size_t>(pixels);
  auto sample = [&](std::size_t x) -> std::uint32_t {
    return bigEndian_ ? (std::uint32_t{row[2 * x]} << 8) | row[2 * x + 1]
                      : (std::uint32_t{row[2 * x + 1]} << 8) | row[2 * x];
  };
  if (format_ == pfGray16) {
    for (std::size_t x = 0; x < count; ++x) {
      std::uint16_t value = static_cast<std::uint16_t>(sample(x));
      if (whiteIsZero_)
        value = static_cast<std::uint16_t>(~value);
      std::memcpy(destination + 2 * x, &value, 2);
    }
    return;
  }
  for (std::size_t x = 0; x < count; ++x, destination += 3) {
    const std::uint32_t s = whiteIsZero_ ? 65535 - sample(x) : sample(x);
    const auto v = static_cast<std::uint8_t>(std::min<std::uint32_t>(s >> grayShift_, 255));
    destination[0] = destination[1] = destination[2] = v;
  }
}

void TTiffRowConverter::ConvertBilevel(std::span<const std::uint8_t> row, int pixels,
                                       std::uint8_t* destination) const {
  const std::size_t bytes = (static_cast<std::size_t>(pixels) + 7) / 8;
  if (!invertBits_) {
    std::memcpy(destination, row.data(), bytes);
    return;
  }
  for (std::size_t i = 0; i < bytes; ++i)
    destination[i] = static_cast<std::uint8_t>(~row[i]);
}

void TTiffRowConverter::ConvertCmykRow(std::span<const std::uint8_t> row, int pixels,
                                       std::uint8_t* destination) {
  const std::size_t bytes = static_cast<std::size_t>(pixels) * 4;
  if (scratch_.size() < bytes)
    scratch_.resize(bytes);
  for (std::size_t i = 0; i < bytes; ++i)
    scratch_[i] = static_cast<std::uint8_t>(255 - row[i]);
  ConvertCmyk(scratch_.data(), ckCMYK, destination, pixels, ckBGR24);
}
