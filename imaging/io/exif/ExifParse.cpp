#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/exif/ExifBlock.h"
#include "imaging/io/tiff/TiffReader.h"
#include "platform/MemoryStream.h"

namespace {

constexpr std::size_t kExifHeaderLength = 6;  // "Exif" and two zero bytes
constexpr int kThumbnailDirectory = 1;

// Reads one directory of the block into record, decoding its image, if any, into thumbnail.
void ReadBlockDirectory(TMemoryStream& stream, TImgBitmap& thumbnail, bool allowEmpty,
                        TIOParamsVals& record) {
  bool aborting = false;
  TProgressRecord progress;
  progress.aborting = &aborting;
  int pageCount = 0;
  stream.SetPosition(0);
  ReadTiffImage(thumbnail, stream, pageCount, allowEmpty, true, true, nullptr, false, progress,
                record);
}

void CopyFirstDirectoryFields(const TIOParamsVals& block, TIOParamsVals& params) {
  params.ExifImageDescription = block.TiffImageDescription;
  params.ExifMake = block.ExifMake;
  params.ExifModel = block.ExifModel;
  params.SetOrientation(block.Orientation);
  params.SetResolutionX(block.ExifResolutionX);
  params.SetResolutionY(block.ExifResolutionY);
  params.ExifResolutionUnit = block.ExifResolutionUnit;
  params.ExifSoftware = block.ExifSoftware;
  params.ExifDateTime = block.ExifDateTime;
  params.ExifWhitePoint = block.ExifWhitePoint;
  params.ExifPrimaryChromaticities = block.ExifPrimaryChromaticities;
  params.ExifYCbCrCoefficients = block.ExifYCbCrCoefficients;
  params.ExifYCbCrPositioning = block.ExifYCbCrPositioning;
  params.ExifReferenceBlackWhite = block.ExifReferenceBlackWhite;
  params.ExifCopyright = block.ExifCopyright;
}

void CopyExifDirectoryFields(const TIOParamsVals& block, TIOParamsVals& params) {
  params.ExifExposureTime = block.ExifExposureTime;
  params.ExifFNumber = block.ExifFNumber;
  params.ExifExposureProgram = block.ExifExposureProgram;
  params.ExifISOSpeedRatings = block.ExifISOSpeedRatings;
  params.ExifVersion = block.ExifVersion;
  params.ExifDateTimeOriginal = block.ExifDateTimeOriginal;
  params.ExifDateTimeDigitized = block.ExifDateTimeDigitized;
  params.ExifCompressedBitsPerPixel = block.ExifCompressedBitsPerPixel;
  params.ExifShutterSpeedValue = block.ExifShutterSpeedValue;
  params.ExifApertureValue = block.ExifApertureValue;
  params.ExifBrightnessValue = block.ExifBrightnessValue;
  params.ExifExposureBiasValue = block.ExifExposureBiasValue;
  params.ExifMaxApertureValue = block.ExifMaxApertureValue;
  params.ExifSubjectDistance = block.ExifSubjectDistance;
  params.ExifMeteringMode = block.ExifMeteringMode;
  params.ExifLightSource = block.ExifLightSource;
  params.ExifFlash = block.ExifFlash;
  params.ExifFocalLength = block.ExifFocalLength;
  params.ExifSubsecTime = block.ExifSubsecTime;
  params.ExifSubsecTimeOriginal = block.ExifSubsecTimeOriginal;
  params.ExifSubsecTimeDigitized = block.ExifSubsecTimeDigitized;
  params.ExifFlashpixVersion = block.ExifFlashpixVersion;
  params.ExifColorSpace = block.ExifColorSpace;
  params.ExifPixelXDimension = block.ExifPixelXDimension;
  params.ExifPixelYDimension = block.ExifPixelYDimension;
  params.ExifRelatedSoundFile = block.ExifRelatedSoundFile;
  params.ExifFocalPlaneXResolution = block.ExifFocalPlaneXResolution;
  params.ExifFocalPlaneYResolution = block.ExifFocalPlaneYResolution;
  params.ExifFocalPlaneResolutionUnit = block.ExifFocalPlaneResolutionUnit;
  params.ExifExposureIndex = block.ExifExposureIndex;
  params.ExifSensingMethod = block.ExifSensingMethod;
  params.ExifFileSource = block.ExifFileSource;
  params.ExifSceneType = block.ExifSceneType;
  params.ExifUserCommentCode = block.ExifUserCommentCode;
  params.ExifUserComment = block.ExifUserComment;
}

}  // namespace

bool IsExifData(std::span<const std::uint8_t> data) {
  static constexpr char kTag[] = "Exif";  // with its terminating zero
  return data.size() >= sizeof kTag && std::memcmp(data.data(), kTag, sizeof kTag) == 0;
}

bool ParseExif(std::span<const std::uint8_t> data, TIOParamsVals& params) {
  if (!IsExifData(data))
    return false;
  TIOParamsVals block(params.Owner, params.OwnerInfo);
  // A block whose first directory cannot be read then leaves the resolutions as they were,
  // instead of setting them to 0.
  block.SetResolutionX(params.ResolutionX);
  block.SetResolutionY(params.ResolutionY);
  TMemoryStream stream(std::vector<std::uint8_t>(
      data.begin() + static_cast<std::ptrdiff_t>(std::min(kExifHeaderLength, data.size())),
      data.end()));
  if (!params.ExifThumbnail)
    params.ExifThumbnail = std::make_unique<TImgBitmap>();
  ReadBlockDirectory(stream, *params.ExifThumbnail, false, block);
  CopyFirstDirectoryFields(block, params);
  CopyExifDirectoryFields(block, params);
  params.ExifGps = std::move(block.ExifGps);
  params.ExifPresent = true;

  block.ImageIndex = kThumbnailDirectory;
  ReadBlockDirectory(stream, *params.ExifThumbnail, true, block);
  if (params.ExifThumbnail->IsEmpty())
    params.ExifThumbnail.reset();
  return true;
}
