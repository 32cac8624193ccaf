#pragma once

#include <tiffio.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/tiff/TiffReader.h"
#include "platform/MemoryStream.h"

/// What the reader made of one TIFF file.
struct TTiffLoad {
  TImgBitmap bitmap;
  TIOParamsVals params;
  std::unique_ptr<TImgMask> mask;
  int imageCount = -1;
  bool aborted = false;
};

struct TTiffLoadOptions {
  int imageIndex = 0;
  bool native = false;
  bool ignoreAlpha = false;
  bool applyOrientation = false;
  bool paramsOnly = false;
};

inline std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::unique_ptr<TTiffLoad> LoadTiffBytes(const std::vector<std::uint8_t>& bytes,
                                                const TTiffLoadOptions& options = {}) {
  auto load = std::make_unique<TTiffLoad>();
  load->params.ImageIndex = options.imageIndex;
  load->params.NativePixelFormat = options.native;
  load->params.TiffApplyOrientation = options.applyOrientation;
  TMemoryStream stream(bytes);
  TProgressRecord progress;
  progress.aborting = &load->aborted;
  ReadTiffImage(load->bitmap, stream, load->imageCount, false, options.ignoreAlpha, true,
                &load->mask, options.paramsOnly, progress, load->params);
  return load;
}

/// One pixel of a loaded container as red, green, blue.
struct TRgb {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const TRgb&) const = default;
};

inline TRgb PixelAt(TImgBitmap& bitmap, int x, int y) {
  const std::uint8_t* row = bitmap.RowPtr(y);
  switch (bitmap.PixelFormat()) {
    case pfBit1: {
      const int v = ((row[x / 8] >> (7 - x % 8)) & 1) != 0 ? 255 : 0;
      return {v, v, v};
    }
    case pfGray8:
      return {row[x], row[x], row[x]};
    case pfPalette8: {
      const std::uint8_t* entry = bitmap.Palette() + row[x] * 3;
      return {entry[2], entry[1], entry[0]};
    }
    case pfBGR24:
      return {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]};
    default:
      return {};
  }
}

/// libtiff's RGBA rendering of one page, top row first; empty when libtiff cannot read it.
struct TLibtiffImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> abgr;
  std::uint16_t orientation = 1;
};

inline TLibtiffImage ReadWithLibtiff(const std::filesystem::path& path, int page = 0) {
  TLibtiffImage image;
  TIFFSetWarningHandler(nullptr);
  TIFFSetErrorHandler(nullptr);
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (tiff == nullptr)
    return image;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  if (TIFFSetDirectory(tiff, static_cast<tdir_t>(page)) &&
      TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) &&
      TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) &&
      std::uint64_t{width} * height < (std::uint64_t{1} << 28)) {
    TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &image.orientation);
    std::vector<std::uint32_t> raster(std::size_t{width} * height);
    if (TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, 0)) {
      image.width = static_cast<int>(width);
      image.height = static_cast<int>(height);
      image.abgr = std::move(raster);
    }
  }
  TIFFClose(tiff);
  return image;
}
