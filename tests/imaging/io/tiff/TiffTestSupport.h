#pragma once

#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
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

/// How libtiff is to write a test file.
struct TLibtiffWrite {
  int width = 0;
  int height = 0;
  int samples = 1;
  int bits = 8;
  int photometric = PHOTOMETRIC_MINISBLACK;
  int compression = COMPRESSION_NONE;
  int predictor = 1;
  int group3Options = 0;
  int fillOrder = FILLORDER_MSB2LSB;
  int rowsPerStrip = 0;  ///< 0: the whole image in one strip
  int tileWidth = 0;     ///< 0: strips
  int tileLength = 0;
  bool bigEndian = false;
  int extraSamples = -1;     ///< an EXTRASAMPLE_ value for the last sample, -1 for none
  bool jpegFromRgb = false;  ///< JPEG YCbCr pages: hand libtiff RGB rows to convert
};

/// Writes rows (each TIFFScanlineSize bytes, or RGB rows for jpegFromRgb) with libtiff into a
/// file and returns the file's bytes.
inline std::vector<std::uint8_t> WriteWithLibtiff(const TLibtiffWrite& how,
                                                  const std::vector<std::uint8_t>& rows,
                                                  const std::filesystem::path& path) {
  TIFF* tiff = TIFFOpen(path.c_str(), how.bigEndian ? "wb" : "wl");
  if (tiff == nullptr)
    return {};
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, how.width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, how.height);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, how.samples);
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, how.bits);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, how.photometric);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, how.compression);
  TIFFSetField(tiff, TIFFTAG_FILLORDER, how.fillOrder);
  if (how.predictor != 1)
    TIFFSetField(tiff, TIFFTAG_PREDICTOR, how.predictor);
  if (how.compression == COMPRESSION_CCITTFAX3)
    TIFFSetField(tiff, TIFFTAG_GROUP3OPTIONS, how.group3Options);
  if (how.extraSamples >= 0) {
    const std::uint16_t extra = static_cast<std::uint16_t>(how.extraSamples);
    TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  if (how.jpegFromRgb) {
    TIFFSetField(tiff, TIFFTAG_YCBCRSUBSAMPLING, 1, 1);
    TIFFSetField(tiff, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
  }
  const std::size_t rowBytes =
      how.jpegFromRgb ? std::size_t(how.width) * 3 : std::size_t(TIFFScanlineSize(tiff));
  if (how.tileWidth > 0) {
    TIFFSetField(tiff, TIFFTAG_TILEWIDTH, how.tileWidth);
    TIFFSetField(tiff, TIFFTAG_TILELENGTH, how.tileLength);
    const std::size_t pixelBytes = rowBytes / std::size_t(how.width);
    std::vector<std::uint8_t> tile(std::size_t(TIFFTileSize(tiff)));
    for (int y0 = 0; y0 < how.height; y0 += how.tileLength) {
      for (int x0 = 0; x0 < how.width; x0 += how.tileWidth) {
        std::fill(tile.begin(), tile.end(), 0);
        for (int y = 0; y < how.tileLength && y0 + y < how.height; ++y) {
          const int columns = std::min(how.tileWidth, how.width - x0);
          std::memcpy(&tile[std::size_t(y) * how.tileWidth * pixelBytes],
                      &rows[std::size_t(y0 + y) * rowBytes + std::size_t(x0) * pixelBytes],
                      std::size_t(columns) * pixelBytes);
        }
        TIFFWriteTile(tiff, tile.data(), std::uint32_t(x0), std::uint32_t(y0), 0, 0);
      }
    }
  } else {
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, how.rowsPerStrip > 0 ? how.rowsPerStrip : how.height);
    // libtiff applies the predictor to the row it is handed, so it gets a copy.
    std::vector<std::uint8_t> row(rowBytes);
    for (int y = 0; y < how.height; ++y) {
      std::memcpy(row.data(), &rows[std::size_t(y) * rowBytes], rowBytes);
      TIFFWriteScanline(tiff, row.data(), std::uint32_t(y), 0);
    }
  }
  TIFFClose(tiff);
  return ReadFileBytes(path);
}

/// A smooth, varied test picture: width x height pixels of samples bytes each.
inline std::vector<std::uint8_t> TestPicture(int width, int height, int samples) {
  std::vector<std::uint8_t> pixels(std::size_t(width) * height * samples);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int s = 0; s < samples; ++s)
        pixels[(std::size_t(y) * width + x) * samples + s] =
            static_cast<std::uint8_t>((x * (3 + s) + y * (5 - s) + (x * y) % 7 + s * 60) & 0xFF);
  return pixels;
}

/// A bilevel test page (set bit = 1 sample), rows padded to whole bytes: shapes of
/// varied run lengths, including runs longer than 64 pixels.
inline std::vector<std::uint8_t> TestPage(int width, int height) {
  const std::size_t rowBytes = (std::size_t(width) + 7) / 8;
  std::vector<std::uint8_t> rows(rowBytes * height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool ink = ((x / 9 + y / 5) % 3 == 0) || (x > 20 && x < 120 && y % 11 == 3) ||
                       ((x - 2 * y) % 31 == 0);
      if (ink)
        rows[std::size_t(y) * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  return rows;
}
