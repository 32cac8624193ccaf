#include "imaging/io/bmp/BmpReader.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/core/SizeMath.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ClaimedImage.h"
#include "imaging/io/DefaultResolution.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/bmp/BmpBitFields.h"
#include "imaging/io/bmp/BmpColorTable.h"
#include "imaging/io/bmp/BmpHeader.h"
#include "imaging/io/bmp/BmpRle.h"
#include "imaging/io/bmp/BmpSource.h"

namespace {

enum class TBmpLayout { Bit1, Indexed, Rle4, Rle8, Rgb24, Rgb32, BitFields, Unsupported };

TBmpLayout LayoutOf(const TBmpHeader& header) {
  const std::uint32_t compression = header.compression;
  switch (header.bitCount) {
    case 1:
      return compression == kBmpRgb ? TBmpLayout::Bit1 : TBmpLayout::Unsupported;
    case 4:
      if (compression == kBmpRgb)
        return TBmpLayout::Indexed;
      return compression == kBmpRle4 ? TBmpLayout::Rle4 : TBmpLayout::Unsupported;
    case 8:
      if (compression == kBmpRgb)
        return TBmpLayout::Indexed;
      return compression == kBmpRle8 ? TBmpLayout::Rle8 : TBmpLayout::Unsupported;
    case 16:
    case 24:
    case 32:
      if (compression == kBmpBitFields && header.hasMasks)
        return TBmpLayout::BitFields;
      if (compression != kBmpRgb)
        return TBmpLayout::Unsupported;
      if (header.bitCount == 16)
        return TBmpLayout::BitFields;
      return header.bitCount == 24 ? TBmpLayout::Rgb24 : TBmpLayout::Rgb32;
    default:
      return TBmpLayout::Unsupported;
  }
}

int DpiFromPixelsPerMeter(std::int32_t pixelsPerMeter, int defaultDpi) {
  const double dpi = std::nearbyint(pixelsPerMeter / 100.0 * 2.54);
  return dpi == 0 ? defaultDpi : static_cast<int>(dpi);
}

void FillParams(const TBmpHeader& header, int height, TIOParamsVals& params) {
  params.Width = header.width;
  params.Height = height;
  if (header.IsCoreHeader()) {
    params.SetResolutionX(DefaultResolution.x);
    params.SetResolutionY(DefaultResolution.y);
  } else {
    params.SetResolutionX(DpiFromPixelsPerMeter(header.pixelsPerMeterX, DefaultResolution.x));
    params.SetResolutionY(DpiFromPixelsPerMeter(header.pixelsPerMeterY, DefaultResolution.y));
  }
  switch (header.infoSize) {
    case 12:
      params.BmpVersion = 2;
      break;
    case 40:
      params.BmpVersion = 1;
      break;
    case 64:
      params.BmpVersion = 3;
      break;
    default:
      params.BmpVersion = 0;
      break;
  }
  if (header.compression == kBmpRgb || header.compression == kBmpBitFields) {
    params.BmpCompression = 0;
  } else if (header.compression == kBmpRle8 || header.compression == kBmpRle4) {
    params.BmpCompression = 1;
  }
  switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
      params.BitsPerSample = header.bitCount;
      params.SamplesPerPixel = 1;
      break;
    case 16:
      params.BitsPerSample = 5;
      params.SamplesPerPixel = 3;
      break;
    case 24:
    case 32:
      params.BitsPerSample = 8;
      params.SamplesPerPixel = 3;
      break;
    default:
      break;
  }
  params.ColorMap = header.palette;
  params.ColorMapCount = header.paletteCount;
}

TImgBitmapFormat FormatOf(const TBmpHeader& header, bool native) {
  if (header.bitCount == 1)
    return pfBit1;
  if (native && (header.bitCount == 4 || header.bitCount == 8))
    return pfPalette8;
  return pfBGR24;
}

TClaimedImage Claim(const TBmpHeader& header, int height, TBmpLayout layout,
                    const TIOParamsVals& params, const TBmpSource& source,
                    std::int64_t compressedSize) {
  TClaimedImage claim;
  claim.width = header.width;
  claim.height = height;
  claim.format = FormatOf(header, params.NativePixelFormat);
  if (layout == TBmpLayout::Rle4 || layout == TBmpLayout::Rle8) {
    claim.leastDataBytes = LeastRunLengthBytes(header.width, height);
    claim.dataBytesLeft = std::clamp<std::int64_t>(compressedSize, 0, source.Remaining());
  } else {
    claim.leastDataBytes = LeastUncompressedBytes(*RowBytes(header.width, header.bitCount), height);
    claim.dataBytesLeft = source.Remaining();
  }
  return claim;
}

// Everything the pixel decoders share for one call.
class TBmpPixelDecoder {
 public:
  TBmpPixelDecoder(TBmpSource& source, TImgBitmap& bitmap, const TBmpHeader& header,
                   TProgressRecord& progress, bool native, TSourceDamage& damage)
      : source_(source),
        bitmap_(bitmap),
        header_(header),
        progress_(progress),
        damage_(damage),
        colors_(header),
        native_(native),
        width_(header.width),
        height_(header.height < 0 ? -header.height : header.height),
        topDown_(header.height < 0) {}

  void Decode(TBmpLayout layout, std::int64_t compressedSize) {
    if (native_ && bitmap_.Palette() != nullptr) {
      std::memcpy(bitmap_.Palette(), colors_.Entries().data(), colors_.Entries().size());
    }
    progress_.perRow = 100.0 / height_;
    switch (layout) {
      case TBmpLayout::Rle4:
      case TBmpLayout::Rle8:
        DecodeRle(layout, compressedSize);
        break;
      default:
        DecodeRows(layout);
        break;
    }
  }

 private:
  // Rows in file order: the first one is the bottom row unless the file is top-down.
  void DecodeRows(TBmpLayout layout) {
    const std::optional<std::int64_t> fileRowLength = RowBytes(width_, header_.bitCount);
    if (!fileRowLength)
      return;
    std::vector<std::uint8_t> fileRow(static_cast<std::size_t>(*fileRowLength));
    const TBmpBitFields bitFields = header_.compression == kBmpBitFields
                                        ? TBmpBitFields(header_.masks)
                                        : TBmpBitFields::Default16();
    const auto pixels = static_cast<std::size_t>(width_);
    for (int fileRowIndex = height_ - 1, done = 0; fileRowIndex >= 0; --fileRowIndex, ++done) {
      progress_.rowsDone = done;
      if (progress_.handler)
        progress_.handler(progress_.sender, static_cast<int>(done * progress_.perRow));
      if (progress_.Aborted())
        return;
      if (source_.Read(fileRow) < *fileRowLength)
        damage_.Note("Pixel data ends before the last row");
      std::uint8_t* row = bitmap_.RowPtr(DestinationRow(fileRowIndex));
      switch (layout) {
        case TBmpLayout::Bit1:
          CopyBitRow(fileRow, row);
          break;
        case TBmpLayout::Indexed:
          colors_.UnpackRow(fileRow, header_.bitCount, width_, native_, row);
          break;
        case TBmpLayout::Rgb24:
          std::memcpy(row, fileRow.data(), std::min(fileRow.size(), pixels * 3));
          break;
        case TBmpLayout::Rgb32:  // fileRow holds 4 x width bytes
          for (std::size_t x = 0; x < pixels; ++x)
            std::memcpy(row + x * 3, &fileRow[x * 4], 3);
          break;
        case TBmpLayout::BitFields:
          bitFields.ExpandRow(fileRow, header_.bitCount / 8, width_, row);
          break;
        default:
          break;
      }
    }
    progress_.rowsDone = height_;
  }

  void CopyBitRow(std::span<const std::uint8_t> fileRow, std::uint8_t* row) {
    const std::size_t bytes =
        std::min(fileRow.size(), static_cast<std::size_t>(bitmap_.RowLength()));
    std::memcpy(row, fileRow.data(), bytes);
    // Only a white-then-black palette is honoured; any other pair keeps 1 as white.
    if (colors_.IsWhiteThenBlack()) {
      for (std::size_t i = 0; i < bytes; ++i)
        row[i] = static_cast<std::uint8_t>(~row[i]);
    }
  }

  void DecodeRle(TBmpLayout layout, std::int64_t compressedSize) {
    const std::int64_t available = std::clamp<std::int64_t>(compressedSize, 0, source_.Remaining());
    std::vector<std::uint8_t> data(static_cast<std::size_t>(available));
    source_.Read(data);
    // Pixels no code reaches (delta skips, an early end of bitmap) read as index 0 or black.
    const auto rowBytes = static_cast<std::size_t>(bitmap_.RowLength());
    for (int y = 0; y < height_; ++y)
      std::memset(bitmap_.RowPtr(y), 0, rowBytes);
    const TBmpRleTarget target{bitmap_, width_, height_, topDown_, native_, colors_, progress_};
    const bool complete =
        layout == TBmpLayout::Rle8 ? DecodeBMPRLE8(data, target) : DecodeBMPRLE4(data, target);
    if (!complete)
      damage_.Note("Run-length data ends before the last row");
  }

  int DestinationRow(int fileRowIndex) const {
    return topDown_ ? height_ - 1 - fileRowIndex : fileRowIndex;
  }

  TBmpSource& source_;
  TImgBitmap& bitmap_;
  const TBmpHeader& header_;
  TProgressRecord& progress_;
  TSourceDamage& damage_;
  const TBmpColorTable colors_;
  const bool native_;
  const int width_;
  const int height_;
  const bool topDown_;
};

}  // namespace

void ReadBmpImage(TByteStream& stream, TImgBitmap& bitmap, std::int64_t dataSize,
                  TIOParamsVals& params, TProgressRecord& progress, bool paramsOnly,
                  bool noFileHeader) {
  params.Damage = {};
  TBmpSource source(stream);
  TBmpHeader header;
  ReadBmpFileHeader(source, noFileHeader, header);
  if (header.fileSize != 0 && dataSize < 1)
    dataSize = header.fileSize;
  if (header.type != kBmpType) {
    progress.Abort();
    return;
  }

  ReadBmpInfoHeader(source, header);
  // A height of -2^31 has no positive counterpart, so the file cannot say which rows it means.
  if (header.height == INT_MIN) {
    progress.Abort();
    return;
  }
  const int height = header.height < 0 ? -header.height : header.height;
  FillParams(header, height, params);

  if (header.pixelDataOffset != 0)
    source.SeekTo(header.pixelDataOffset);
  const std::int64_t compressedSize =
      dataSize > 0 ? dataSize - source.Offset() : static_cast<std::int64_t>(header.imageSize);

  // An empty or undecodable image must not pass for a photo: the caller would save a blank one.
  if (header.width == 0 || height == 0) {
    progress.Abort();
    return;
  }
  if (paramsOnly)
    return;
  const TBmpLayout layout = LayoutOf(header);
  if (layout == TBmpLayout::Unsupported || !ImageSizeAllowed(header.width, 1, header.bitCount)) {
    progress.Abort();
    return;
  }
  if (!AllocateClaimedImage(bitmap, Claim(header, height, layout, params, source, compressedSize),
                            progress)) {
    return;
  }
  TBmpPixelDecoder(source, bitmap, header, progress, params.NativePixelFormat, params.Damage)
      .Decode(layout, compressedSize);
}
