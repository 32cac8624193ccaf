#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/io/ByteReader.h"
#include "imaging/io/LZWProcs.h"

class TImgMask;
class TIOParamsVals;

/// TIFF tag numbers the reader interprets.
namespace tifftag {
inline constexpr std::uint16_t kImageWidth = 256;
inline constexpr std::uint16_t kImageLength = 257;
inline constexpr std::uint16_t kBitsPerSample = 258;
inline constexpr std::uint16_t kCompression = 259;
inline constexpr std::uint16_t kPhotometric = 262;
inline constexpr std::uint16_t kFillOrder = 266;
inline constexpr std::uint16_t kDocumentName = 269;
inline constexpr std::uint16_t kImageDescription = 270;
inline constexpr std::uint16_t kMake = 271;
inline constexpr std::uint16_t kModel = 272;
inline constexpr std::uint16_t kStripOffsets = 273;
inline constexpr std::uint16_t kOrientation = 274;
inline constexpr std::uint16_t kSamplesPerPixel = 277;
inline constexpr std::uint16_t kRowsPerStrip = 278;
inline constexpr std::uint16_t kStripByteCounts = 279;
inline constexpr std::uint16_t kXResolution = 282;
inline constexpr std::uint16_t kYResolution = 283;
inline constexpr std::uint16_t kPlanarConfig = 284;
inline constexpr std::uint16_t kPageName = 285;
inline constexpr std::uint16_t kXPosition = 286;
inline constexpr std::uint16_t kYPosition = 287;
inline constexpr std::uint16_t kT4Options = 292;
inline constexpr std::uint16_t kT6Options = 293;
inline constexpr std::uint16_t kResolutionUnit = 296;
inline constexpr std::uint16_t kPageNumber = 297;
inline constexpr std::uint16_t kSoftware = 305;
inline constexpr std::uint16_t kDateTime = 306;
inline constexpr std::uint16_t kPredictor = 317;
inline constexpr std::uint16_t kWhitePoint = 318;
inline constexpr std::uint16_t kPrimaryChromaticities = 319;
inline constexpr std::uint16_t kColorMap = 320;
inline constexpr std::uint16_t kTileWidth = 322;
inline constexpr std::uint16_t kTileLength = 323;
inline constexpr std::uint16_t kTileOffsets = 324;
inline constexpr std::uint16_t kTileByteCounts = 325;
inline constexpr std::uint16_t kExtraSamples = 338;
inline constexpr std::uint16_t kJpegTables = 347;
inline constexpr std::uint16_t kJpegProc = 512;
inline constexpr std::uint16_t kJpegInterchangeFormat = 513;
inline constexpr std::uint16_t kJpegInterchangeFormatLength = 514;
inline constexpr std::uint16_t kYCbCrCoefficients = 529;
inline constexpr std::uint16_t kYCbCrPositioning = 531;
inline constexpr std::uint16_t kReferenceBlackWhite = 532;
inline constexpr std::uint16_t kAnnotations = 32932;
inline constexpr std::uint16_t kCopyright = 33432;
inline constexpr std::uint16_t kIptc = 33723;
inline constexpr std::uint16_t kIccProfile = 34675;
inline constexpr std::uint16_t kExifDirectory = 34665;
inline constexpr std::uint16_t kGpsDirectory = 34853;
inline constexpr std::uint16_t kXmpPacket = 700;
}  // namespace tifftag

/// TIFF compression codes.
namespace tiffcompression {
inline constexpr std::uint32_t kNone = 1;
inline constexpr std::uint32_t kModifiedHuffman = 2;
inline constexpr std::uint32_t kGroup3 = 3;
inline constexpr std::uint32_t kGroup4 = 4;
inline constexpr std::uint32_t kLzw = 5;
inline constexpr std::uint32_t kOldJpeg = 6;
inline constexpr std::uint32_t kJpeg = 7;
inline constexpr std::uint32_t kDeflate = 8;
inline constexpr std::uint32_t kPackBits = 32773;
inline constexpr std::uint32_t kDeflateOld = 32946;
}  // namespace tiffcompression

/// Photometric interpretations.
namespace tiffphotometric {
inline constexpr std::uint32_t kWhiteIsZero = 0;
inline constexpr std::uint32_t kBlackIsZero = 1;
inline constexpr std::uint32_t kRgb = 2;
inline constexpr std::uint32_t kPalette = 3;
inline constexpr std::uint32_t kSeparated = 5;
inline constexpr std::uint32_t kYCbCr = 6;
inline constexpr std::uint32_t kCieLab = 8;
}  // namespace tiffphotometric

/// Everything the reader takes from one directory for decoding its image.
struct TTIFFVars {
  std::span<const std::uint8_t> data;  ///< the TIFF structure; offsets count from its start
  TByteReader::Endian endian = TByteReader::Endian::Little;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t samplesPerPixel = 1;
  std::uint32_t bitsPerSample = 1;
  std::uint32_t rowsPerStrip = 0;
  std::int64_t tileWidth = -1;
  std::int64_t tileLength = -1;
  std::uint32_t photometric = tiffphotometric::kRgb;
  std::uint32_t planarConfig = 1;
  std::uint32_t orientation = 1;
  std::uint32_t compression = tiffcompression::kNone;
  std::vector<std::uint32_t> stripOffsets;
  std::vector<std::uint32_t> stripByteCounts;
  std::vector<std::uint32_t> tileOffsets;
  std::vector<std::uint32_t> tileByteCounts;
  std::vector<std::uint8_t> colorMap;  ///< colorMapCount entries of blue, green, red
  int colorMapCount = 0;
  std::uint32_t resolutionUnit = 2;
  double xResolution = 0.0;
  double yResolution = 0.0;
  std::uint32_t predictor = 1;
  std::span<const std::uint8_t> jpegTables;
  std::uint32_t t4Options = 0;
  std::uint32_t t6Options = 0;
  std::uint32_t fillOrder = 1;
  double xPosition = 0.0;
  double yPosition = 0.0;
  std::string software;
  std::uint32_t jpegProc = 0;
  std::uint32_t jpegInterchangeOffset = 0;
  std::uint32_t jpegInterchangeLength = 0;
  std::uint32_t extraSamples = 0;
  TTIFFLZWDecoder lzwDecoder;
  TImgMask* alphaMask = nullptr;
  bool ignoreAlpha = false;
  bool nativePixelFormat = false;
  TIOParamsVals* params = nullptr;
};
