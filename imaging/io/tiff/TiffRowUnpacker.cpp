#include "imaging/io/tiff/TiffRowUnpacker.h"

#include "imaging/io/tiff/TiffVars.h"

namespace {

bool IsCcitt(std::uint32_t compression) {
  return compression >= tiffcompression::kModifiedHuffman &&
         compression <= tiffcompression::kGroup4;
}

bool TakesPredictor(std::uint32_t compression) {
  return compression == tiffcompression::kLzw || compression == tiffcompression::kDeflate ||
         compression == tiffcompression::kDeflateOld;
}

}  // namespace

TTiffRowUnpacker::TTiffRowUnpacker(const TTIFFVars& vars, int width, int samplesPerPixel)
    : width_(static_cast<std::size_t>(width)),
      samplesPerPixel_(static_cast<std::size_t>(samplesPerPixel)),
      bitsPerSample_(vars.bitsPerSample),
      endian_(vars.endian),
      rowBytes_((width_ * samplesPerPixel_ * vars.bitsPerSample + 7) / 8) {
  const std::uint32_t bits = vars.bitsPerSample;
  split_ = bits == 4;
  unpack_ = (bits == 2 || bits == 3 || (bits >= 5 && bits <= 7)) && !IsCcitt(vars.compression);
  predictor_ = vars.predictor == 2 && TakesPredictor(vars.compression) && (bits == 8 || bits == 16);
  shiftGray_ = bits == 4 && (vars.photometric == tiffphotometric::kWhiteIsZero ||
                             vars.photometric == tiffphotometric::kBlackIsZero);
  if (split_ || unpack_)
    unpacked_.resize(width_ * samplesPerPixel_ + 1);
}

std::span<const std::uint8_t> TTiffRowUnpacker::Process(std::span<std::uint8_t> raw) {
  if (predictor_)
    UndoPredictor(raw);
  if (split_) {
    SplitNibbles(raw);
    return unpacked_;
  }
  if (unpack_) {
    UnpackSamples(raw);
    return unpacked_;
  }
  return raw;
}

void TTiffRowUnpacker::SplitNibbles(std::span<const std::uint8_t> raw) {
  const int shift = shiftGray_ ? 4 : 0;
  const std::size_t samples = width_ * samplesPerPixel_;
  for (std::size_t i = 0; i < samples; ++i) {
    const std::uint8_t byte = raw[i / 2];
    const std::uint8_t nibble = (i % 2 == 0) ? byte >> 4 : byte & 0x0F;
    unpacked_[i] = static_cast<std::uint8_t>(nibble << shift);
  }
}

void TTiffRowUnpacker::UnpackSamples(std::span<const std::uint8_t> raw) {
  const std::size_t samples = width_ * samplesPerPixel_;
  const std::uint32_t mask = (1u << bitsPerSample_) - 1;
  std::size_t bitPosition = 0;
  for (std::size_t i = 0; i < samples; ++i, bitPosition += bitsPerSample_) {
    const std::size_t byte = bitPosition / 8;
    // A sample spans at most two bytes; the second is read only when it belongs to the row.
    std::uint32_t window = std::uint32_t{raw[byte]} << 8;
    if (byte + 1 < raw.size())
      window |= raw[byte + 1];
    const std::size_t shift = 16 - (bitPosition % 8) - bitsPerSample_;
    unpacked_[i] = static_cast<std::uint8_t>((window >> shift) & mask);
  }
}

void TTiffRowUnpacker::UndoPredictor(std::span<std::uint8_t> row) const {
  const std::size_t stride = samplesPerPixel_;
  if (bitsPerSample_ == 8) {
    const std::size_t count = width_ * stride;
    for (std::size_t i = stride; i < count; ++i)
      row[i] = static_cast<std::uint8_t>(row[i] + row[i - stride]);
    return;
  }
  const bool big = endian_ == TByteReader::Endian::Big;
  const std::size_t count = width_ * stride;
  auto load = [&](std::size_t i) -> std::uint32_t {
    return big ? (std::uint32_t{row[2 * i]} << 8) | row[2 * i + 1]
               : (std::uint32_t{row[2 * i + 1]} << 8) | row[2 * i];
  };
  for (std::size_t i = stride; i < count; ++i) {
    const std::uint32_t value = (load(i) + load(i - stride)) & 0xFFFF;
    row[2 * i + (big ? 0 : 1)] = static_cast<std::uint8_t>(value >> 8);
    row[2 * i + (big ? 1 : 0)] = static_cast<std::uint8_t>(value);
  }
}
