#pragma once

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "imaging/core/TImgBaseBitmap.h"

namespace {

/// A plain top-down raster with the container's row alignment, so the effects' row algorithms
/// can be checked independently of the container's storage kinds.
class EffectsTestRaster : public TImgBaseBitmap {
 public:
  EffectsTestRaster() = default;
  EffectsTestRaster(int width, int height, TImgBitmapFormat format) {
    Allocate(width, height, format);
  }

  std::uint8_t* RowPtr(int row) override {
    return bytes_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(rowLength_);
  }
  int BitsPerPixel() override { return FormatBitsPerPixel(format_); }
  int Height() override { return height_; }
  int Width() override { return width_; }
  TImgBitmapFormat PixelFormat() override { return format_; }
  int RowLength() override { return rowLength_; }
  void Allocate(int width, int height, TImgBitmapFormat format) override {
    width_ = width;
    height_ = height;
    format_ = format;
    rowLength_ = (width * FormatBitsPerPixel(format) + 31) / 32 * 4;
    // A recognisable filler, so that unwritten bytes show up in comparisons.
    bytes_.assign(static_cast<std::size_t>(rowLength_) * static_cast<std::size_t>(height), 0xA5);
  }
  void Assign(TImgBaseBitmap* source) override {
    Allocate(source->Width(), source->Height(), source->PixelFormat());
    for (int y = 0; y < height_; ++y) {
      const std::uint8_t* from = source->RowPtr(y);
      std::copy(from, from + rowLength_, RowPtr(y));
    }
  }

  bool operator==(const EffectsTestRaster& other) const {
    return width_ == other.width_ && height_ == other.height_ && format_ == other.format_ &&
           bytes_ == other.bytes_;
  }

  /// Blue, green, red of a pfBGR24 pixel.
  std::array<std::uint8_t, 3> Bgr(int x, int y) {
    const std::uint8_t* p = RowPtr(y) + 3 * x;
    return {p[0], p[1], p[2]};
  }
  void SetBgr(int x, int y, std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    std::uint8_t* p = RowPtr(y) + 3 * x;
    p[0] = blue;
    p[1] = green;
    p[2] = red;
  }
  void FillBgr(std::uint8_t blue, std::uint8_t green, std::uint8_t red) {
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x)
        SetBgr(x, y, blue, green, red);
    }
  }
  /// Fills the pixel bytes (not the row padding) with random values.
  void FillRandom(unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    const int pixelBytes = (width_ * FormatBitsPerPixel(format_) + 7) / 8;
    for (int y = 0; y < height_; ++y) {
      for (int i = 0; i < pixelBytes; ++i)
        RowPtr(y)[i] = static_cast<std::uint8_t>(byte(generator));
    }
  }
  /// Whether bit x of a pfBit1 row is set (white).
  bool Bit(int x, int y) { return (RowPtr(y)[x / 8] >> (7 - x % 8)) & 1; }

 private:
  int width_ = 0;
  int height_ = 0;
  int rowLength_ = 0;
  TImgBitmapFormat format_ = pfNoFormat;
  std::vector<std::uint8_t> bytes_;
};

}  // namespace
