#include "imaging/io/tiff/TiffReader.h"

#include <cstring>
#include <new>
#include <vector>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/SizeMath.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"
#include "imaging/core/TurnUpright.h"
#include "imaging/io/ClaimedImage.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/exif/ExifDirectoryCopy.h"
#include "imaging/io/tiff/TiffDirectoryChain.h"
#include "imaging/io/tiff/TiffJpegBlocks.h"
#include "imaging/io/tiff/TiffRowConverter.h"
#include "imaging/io/tiff/TiffRowDecompressor.h"
#include "imaging/io/tiff/TiffStrips.h"
#include "imaging/io/tiff/TiffTags.h"
#include "platform/ByteStream.h"

namespace {

// The 64-bit variant of the format shares the byte-order marks but not the directory layout.
constexpr std::uint16_t kBigTiffVersion = 43;
// A GPS directory holds a few dozen short values; the bound keeps a rebuilt EXIF block that
// carries it well inside one JPEG marker.
constexpr std::size_t kMostGpsBytes = 16384;
constexpr std::uint8_t kWriteOnly = 2;

std::vector<std::uint8_t> ReadRestOfStream(TByteStream& stream, bool relative) {
  const std::int64_t base = relative ? stream.Position() : 0;
  const std::int64_t size = stream.Size();
  std::vector<std::uint8_t> bytes;
  if (base < 0 || size <= base)
    return bytes;
  stream.SetPosition(base);
  bytes.resize(static_cast<std::size_t>(size - base));
  const std::int64_t read = stream.Read(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(read, 0)));
  return bytes;
}

bool IsJpeg(const TTIFFVars& vars) {
  return vars.compression == tiffcompression::kJpeg ||
         vars.compression == tiffcompression::kOldJpeg;
}

TImgBitmapFormat PixelFormatOf(const TTIFFVars& vars) {
  const std::uint32_t bits = vars.bitsPerSample;
  const std::uint32_t spp = vars.samplesPerPixel;
  if (bits == 1 && spp == 1 && vars.photometric != tiffphotometric::kPalette)
    return pfBit1;
  // The JPEG codec delivers 24-bit rows whatever the page's own layout.
  if (!vars.nativePixelFormat || spp != 1 || IsJpeg(vars))
    return pfBGR24;
  if (bits == 8 && vars.photometric == tiffphotometric::kPalette)
    return pfPalette8;
  if (bits == 8 && vars.photometric == tiffphotometric::kBlackIsZero)
    return pfGray8;
  if (bits == 16 && vars.photometric == tiffphotometric::kBlackIsZero)
    return pfGray16;
  return pfBGR24;
}

bool HasAlphaSamples(const TTIFFVars& vars) {
  return (vars.samplesPerPixel == 4 && vars.extraSamples == 2) ||
         (vars.samplesPerPixel == 2 && vars.bitsPerSample == 8) ||
         (vars.samplesPerPixel == 4 && vars.photometric == tiffphotometric::kRgb);
}

/// False for a page this reader cannot turn into pixels: such a page must not pass for a
/// decoded photo.
bool Decodable(const TTIFFVars& vars, TImgBitmapFormat format) {
  // The JPEG codec reads four components as inverted CMYK, which JPEG-in-TIFF pages are not.
  if (vars.compression == tiffcompression::kJpeg)
    return vars.photometric != tiffphotometric::kSeparated;
  return TiffRowCompressionSupported(vars.compression) &&
         TTiffRowConverter(vars, format).Supported();
}

/// The page as the file claims it: an uncompressed page needs nearly all of its bytes in the
/// file, so a larger claim is refused before anything is allocated for it.
TClaimedImage ClaimOf(const TTIFFVars& vars, TImgBitmapFormat format) {
  TClaimedImage claim{vars.width, vars.height, format, 0,
                      static_cast<std::int64_t>(vars.data.size())};
  if (vars.compression == tiffcompression::kNone) {
    const auto rowBits =
        CheckedMul(vars.width, std::int64_t{vars.samplesPerPixel} * vars.bitsPerSample);
    claim.leastDataBytes =
        rowBits ? LeastUncompressedBytes((*rowBits + 7) / 8, vars.height) : INT64_MAX;
  }
  return claim;
}

void ClearRows(TImgBitmap& bitmap) {
  const auto rowBytes = static_cast<std::size_t>(bitmap.RowLength());
  for (int y = 0; y < bitmap.Height(); ++y)
    std::memset(bitmap.RowPtr(y), 0, rowBytes);
}

void PrepareMask(TTIFFVars& vars, std::unique_ptr<TImgMask>* alphaMask) {
  if (vars.ignoreAlpha || alphaMask == nullptr || !HasAlphaSamples(vars))
    return;
  if (*alphaMask == nullptr)
    *alphaMask = std::make_unique<TImgMask>();
  (*alphaMask)->Allocate(static_cast<int>(vars.width), static_cast<int>(vars.height), 8);
  (*alphaMask)->Fill(255);
  vars.alphaMask = alphaMask->get();
}

void DecodePixels(TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress,
                  std::unique_ptr<TImgMask>* alphaMask) {
  // An old-style JPEG page takes its size from its JPEG stream: EXIF thumbnails state none.
  if (vars.compression == tiffcompression::kOldJpeg && vars.jpegProc < 2) {
    PrepareMask(vars, alphaMask);
    ReadTiffOldJpeg(vars, bitmap, progress);
    return;
  }
  if (vars.width == 0 || vars.height == 0 ||
      !ImageSizeAllowed(vars.width, vars.height, FormatBitsPerPixel(pfBGR24))) {
    progress.Abort();
    return;
  }
  const TImgBitmapFormat format = PixelFormatOf(vars);
  const TClaimedImage claim = ClaimOf(vars, format);
  if (!Decodable(vars, format) || !ClaimedImageFits(claim)) {
    progress.Abort();
    return;
  }
  PrepareMask(vars, alphaMask);
  if (!AllocateClaimedImage(bitmap, claim, progress))
    return;
  ClearRows(bitmap);
  if (format == pfPalette8 && bitmap.Palette() != nullptr)
    std::memcpy(bitmap.Palette(), vars.colorMap.data(),
                std::min<std::size_t>(vars.colorMap.size(), 256 * 3));
  const bool tiled = vars.tileWidth > 0 || vars.tileLength > 0;
  const std::uint8_t previousMode = bitmap.AccessMode();
  // Strips write whole rows, so rows need not be read back; tiles fill rows piece by piece.
  if (!tiled)
    bitmap.SetAccessMode(kWriteOnly);
  if (tiled)
    TIFFReadTiles(vars, bitmap, progress);
  else if (!vars.stripOffsets.empty())
    TIFFReadStrips(vars, bitmap, progress);
  bitmap.SetAccessMode(previousMode);
  if (!progress.Aborted() && !TiffBlocksInFile(vars))
    vars.params->Damage.Note("Pixel data ends before the last row");
}

void ReadPage(TImgBitmap& bitmap, std::span<const std::uint8_t> data, int& imageCount,
              bool allowEmpty, bool ignoreAlpha, std::unique_ptr<TImgMask>* alphaMask,
              bool paramsOnly, TProgressRecord& progress, TIOParamsVals& params) {
  TTiffHeader header;
  if (!ReadTiffHeader(data, header) || header.version == kBigTiffVersion) {
    progress.Abort();
    return;
  }
  if (header.firstOffset == 0)
    return;
  const TTiffChain chain =
      WalkTiffDirectories(data, header.endian, header.firstOffset, params.ImageIndex);
  imageCount = chain.pageCount;
  if (!chain.found) {
    progress.Abort();
    return;
  }
  const TTiffDirectory& page = chain.page;
  const std::uint32_t exifOffset = page.Integer(tifftag::kExifDirectory, 0);
  if (exifOffset > 0) {
    const TTiffDirectory exif = TTiffDirectory::Load(data, header.endian, exifOffset);
    params.ExifPresent = true;
    ReadTiffExifValues(exif, params);
  }
  const std::uint32_t gpsOffset = page.Integer(tifftag::kGpsDirectory, 0);
  if (gpsOffset > 0)
    params.ExifGps =
        CopyExifDirectory(TTiffDirectory::Load(data, header.endian, gpsOffset), kMostGpsBytes);

  TTIFFVars vars;
  vars.data = data;
  vars.endian = header.endian;
  if (!ReadTiffVars(page, vars)) {
    progress.Abort();
    return;
  }
  vars.ignoreAlpha = ignoreAlpha;
  vars.nativePixelFormat = params.NativePixelFormat;
  vars.params = &params;
  FillTiffParams(page, vars, imageCount, params);

  if ((vars.width == 0 || vars.height == 0) && !allowEmpty) {
    progress.Abort();
    return;
  }
  if (vars.compression == tiffcompression::kLzw) {
    vars.lzwDecoder = params.TIFFLZWDecoder ? params.TIFFLZWDecoder : DefaultTIFFLZWDecoder();
    if (!vars.lzwDecoder) {
      progress.Abort();
      return;
    }
  }
  if (paramsOnly)
    return;
  DecodePixels(vars, bitmap, progress, alphaMask);
  if (params.TiffApplyOrientation && vars.orientation != 1 && !bitmap.IsEmpty())
    TurnUpright(bitmap, static_cast<int>(vars.orientation), vars.alphaMask);
}

}  // namespace

void ReadTiffImage(TImgBitmap& bitmap, TByteStream& stream, int& imageCount, bool allowEmpty,
                   bool ignoreAlpha, bool relative, std::unique_ptr<TImgMask>* alphaMask,
                   bool paramsOnly, TProgressRecord& progress, TIOParamsVals& params) {
  imageCount = 0;
  params.Damage = {};
  try {
    const std::vector<std::uint8_t> data = ReadRestOfStream(stream, relative);
    ReadPage(bitmap, data, imageCount, allowEmpty, ignoreAlpha, alphaMask, paramsOnly, progress,
             params);
  } catch (const EImgOutOfMemory&) {
    progress.Abort();
  } catch (const EImgJpegException&) {
    // Damaged JPEG tables of one page: the page is not decoded, like any other bad data.
    progress.Abort();
  } catch (const std::bad_alloc&) {
    progress.Abort();
  }
}
