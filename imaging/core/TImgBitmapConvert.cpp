// Pixel format conversion of TImgBitmap and copies to and from platform bitmaps.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "imaging/core/ColorQuantizer.h"
#include "imaging/core/ImgErrors.h"
#include "imaging/core/PixelRowConverter.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgBitmapInternal.h"
#include "platform/PlatformBitmap.h"

namespace {

// The gray level (21/71/8 weights) of the image's mean colour; at least 1, so that a black
// image stays black.
int MeanColourGray(TImgBitmap& image) {
  const int width = image.Width();
  const TImgBitmapFormat format = image.PixelFormat();
  const std::uint8_t* palette = image.Palette();
  const bool colour = format == pfBGR24 || (format == pfPalette8 && palette != nullptr);
  std::vector<std::uint8_t> gray(colour ? 0 : static_cast<std::size_t>(width));
  std::int64_t sums[3] = {0, 0, 0};  // blue, green, red (gray: only the first)
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* row = image.RowPtr(y);
    if (row == nullptr)
      continue;
    if (colour) {
      for (int x = 0; x < width; ++x) {
        const std::uint8_t* bgr =
            format == pfBGR24 ? row + 3 * static_cast<std::ptrdiff_t>(x) : palette + 3 * row[x];
        sums[0] += bgr[0];
        sums[1] += bgr[1];
        sums[2] += bgr[2];
      }
    } else {
      TPixelRowConverter::GrayRow(format, palette, row, gray.data(), width);
      for (std::uint8_t level : gray)
        sums[0] += level;
    }
  }
  const std::int64_t pixels = static_cast<std::int64_t>(width) * image.Height();
  if (pixels <= 0)
    return 1;
  const int level =
      colour ? GrayLevel(static_cast<int>(sums[2] / pixels), static_cast<int>(sums[1] / pixels),
                         static_cast<int>(sums[0] / pixels))
             : static_cast<int>(sums[0] / pixels);
  return std::max(level, 1);
}

}  // namespace

void TImgBitmap::SetPixelFormat(TImgBitmapFormat format) {
  if (format == pfNoFormat || IsEmpty() || format == pixelFormat_)
    return;
  if (location_ == locPlatformBitmap) {
    if (format == pf32f)
      throw EImgError(kPf32fOnPlatformBitmap);
    if (format == pfGray16)
      format = pfGray8;
    if (format == pixelFormat_)
      return;
  }
  auto saved = DetachImage();
  Allocate(saved->width_, saved->height_, format);
  ConvertPixelsFrom(*saved);
  alpha_ = std::move(saved->alpha_);
}

void TImgBitmap::ConvertPixelsFrom(TImgBitmap& source) {
  const TImgBitmapFormat from = source.PixelFormat();
  TPixelRowConverter converter(from, source.Palette(), pixelFormat_, width_);
  std::unique_ptr<TColorQuantizer> quantizer;
  if (pixelFormat_ == pfPalette8 && !palette_.empty()) {
    if (from == pfBGR24) {
      quantizer = std::make_unique<TColorQuantizer>(paletteColors_);
      for (int y = 0; y < height_; ++y) {
        const std::uint8_t* row = source.RowPtr(y);
        if (row != nullptr)
          quantizer->AddRow(row, width_);
      }
      quantizer->Build(palette_.data());
      converter.SetQuantizer(quantizer.get());
    } else if (from == pfPalette8) {
      CopyPaletteFrom(source);
    } else {
      TPixelRowConverter::WriteFixedPalette(from, palette_.data());
    }
    WritePlatformColorTable();
  }
  if (pixelFormat_ == pfBit1) {
    converter.SetBlackWhite(bwConversion_,
                            bwConversion_ == bwThreshold ? MeanColourGray(source) : 0);
  }
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* from_row = source.RowPtr(y);
    std::uint8_t* to_row = RowPtr(y);
    if (from_row != nullptr && to_row != nullptr)
      converter.Convert(from_row, to_row, y);
  }
}

void TImgBitmap::CopyToTBitmap(TPlatformBitmap* bitmap) {
  if (bitmap == nullptr || bitmap == platformBitmap_)
    return;
  if (IsEmpty()) {
    bitmap->SetSize(0, 0);
    return;
  }
  const TImgBitmapFormat format = pixelFormat_;
  try {
    bitmap->SetSize(1, 1);
    bitmap->SetBitsPerPixel(PlatformDepth(format));
    bitmap->SetSize(width_, height_);
  } catch (const std::bad_alloc&) {
    throw EImgOutOfMemory(kOutOfMemory);
  }
  auto& table = bitmap->ColorTable();
  for (std::size_t i = 0; i < table.size(); ++i) {
    std::uint8_t bgr[3];
    if (format == pfPalette8 && !palette_.empty()) {
      std::memcpy(bgr, &palette_[i * 3], 3);
    } else {
      const auto level = static_cast<std::uint8_t>(format == pfBit1 ? (i == 1 ? 255 : 0) : i);
      bgr[0] = bgr[1] = bgr[2] = level;
    }
    table[i] = {bgr[0], bgr[1], bgr[2], 0};
  }
  const bool toGray8 = format == pfGray16 || format == pf32f;
  const auto bytes =
      static_cast<std::size_t>((static_cast<std::int64_t>(width_) * PlatformDepth(format) + 7) / 8);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* from = RowPtr(y);
    std::uint8_t* to = bitmap->ScanLine(y);
    if (from == nullptr || to == nullptr)
      continue;
    if (toGray8) {
      TPixelRowConverter::GrayRow(format, nullptr, from, to, width_);
    } else {
      std::memcpy(to, from, bytes);
    }
  }
  bitmap->SetModified(true);
}

void TImgBitmap::CopyFromTBitmap(TPlatformBitmap* bitmap) {
  if (bitmap == nullptr || bitmap == platformBitmap_)
    return;
  const int depth = bitmap->BitsPerPixel();
  TImgBitmapFormat format = pfBGR24;
  if (depth == 1)
    format = pfBit1;
  if (depth == 8)
    format = isAlphaChannel_ ? pfGray8 : pfPalette8;
  Allocate(bitmap->Width(), bitmap->Height(), format);
  if (IsEmpty())
    return;
  const auto& table = bitmap->ColorTable();
  if (pixelFormat_ == pfPalette8) {
    for (std::size_t i = 0; i < table.size(); ++i) {
      palette_[i * 3] = table[i].blue;
      palette_[i * 3 + 1] = table[i].green;
      palette_[i * 3 + 2] = table[i].red;
    }
    WritePlatformColorTable();
  }
  // A 1-bit bitmap whose table puts white at index 0 is stored inverted here (1 = white).
  const bool invert = depth == 1 && GrayLevel(table[0].red, table[0].green, table[0].blue) >
                                        GrayLevel(table[1].red, table[1].green, table[1].blue);
  const auto bytes = static_cast<std::size_t>((static_cast<std::int64_t>(width_) * depth + 7) / 8);
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* from = bitmap->ScanLine(y);
    std::uint8_t* to = RowPtr(y);
    if (from == nullptr || to == nullptr)
      continue;
    std::memcpy(to, from, bytes);
    if (invert) {
      for (std::size_t i = 0; i < bytes; ++i)
        to[i] = static_cast<std::uint8_t>(~to[i]);
    }
  }
}
