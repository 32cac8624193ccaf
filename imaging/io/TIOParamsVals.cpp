#include "imaging/io/TIOParamsVals.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "imaging/core/TImgBitmap.h"

namespace {

template <typename T, std::size_t N>
T ElementAt(const std::array<T, N>& values, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= N)
    return T{};
  return values[static_cast<std::size_t>(index)];
}

template <typename T, std::size_t N>
void SetElement(std::array<T, N>& values, int index, T value) {
  if (index < 0 || static_cast<std::size_t>(index) >= N)
    return;
  values[static_cast<std::size_t>(index)] = value;
}

// std::nearbyint rounds halves to even in the default rounding mode; values beyond the int
// range saturate instead of overflowing.
int RoundHalfEven(double value) {
  if (std::isnan(value))
    return 0;
  const double rounded = std::nearbyint(value);
  if (rounded >= static_cast<double>(INT32_MAX))
    return INT32_MAX;
  if (rounded <= static_cast<double>(INT32_MIN))
    return INT32_MIN;
  return static_cast<int>(rounded);
}

std::chrono::sys_days Today() {
  return std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
}

}  // namespace

TIOParamsVals::TIOParamsVals(TImagerIO* owner, TParamsOwnerInfo* ownerInfo)
    : Owner(owner), OwnerInfo(ownerInfo) {
  ResetParams();
}

TIOParamsVals::~TIOParamsVals() = default;

void TIOParamsVals::ResetParams() {
  ColorMap.clear();
  ColorMap.shrink_to_fit();
  ColorMapCount = 0;
  SourcePath.clear();
  FormatId = 0;
  BitsPerSample = 8;
  SamplesPerPixel = 3;
  NativePixelFormat = false;

  Width = 0;
  Height = 0;
  ResolutionX = 0;
  ResolutionY = 0;
  if (OwnerInfo != nullptr) {
    int width = 0;
    int height = 0;
    if (OwnerInfo->CurrentPictureSize(width, height)) {
      Width = width;
      Height = height;
    }
    int dpiX = 0;
    int dpiY = 0;
    if (OwnerInfo->ViewResolution(dpiX, dpiY)) {
      SetResolutionX(dpiX);
      SetResolutionY(dpiY);
    }
  }

  TiffCompression = 0;
  ImageIndex = 0;
  TiffPhotometric = 2;
  TiffPlanarConfig = 1;
  TiffPositionX = 0;
  TiffPositionY = 0;
  TiffDocumentName.clear();
  TiffImageDescription.clear();
  TiffPageName.clear();
  TiffPageNumber = 0;
  TiffPageTotal = 0;
  Orientation = 1;
  TIFFLZWDecoder = DefaultTIFFLZWDecoder();
  TIFFLZWEncoder = DefaultTIFFLZWEncoder();
  TiffApplyOrientation = false;
  TiffJpegQuality = 80;
  TiffJpegColorSpace = 2;

  GifVersion = "GIF89a";
  Gif = TGifOptions{};

  JpegColorSpace = 2;
  JpegQuality = 80;
  JpegDctMethod = 0;
  JpegOptimize = false;
  JpegSmoothing = 0;
  JpegProgressive = false;
  JpegScale = 1;
  JpegMarkers.Clear();
  JpegScaleUsed = 1;
  JpegWarningCount = 0;
  JpegLastWarning = 0;
  JpegFullWidth = 0;
  JpegFullHeight = 0;

  WriterOptionsHead = TWriterOptionsHead{};
  BmpVersion = 1;
  BmpCompression = 0;
  WriterOptionsTail = TWriterOptionsTail{};
  WriterOptionsTail.TgaDate = Today();

  IptcRecords.ClearRecords();
  IptcRecords.SetUserChanged(false);  // a reset list holds nothing the user changed
  TextList.clear();
  IccProfile.clear();
  TiffXmpPacket.clear();
  ExifWriteGps = false;
  UserTag = 0;
  ImageCount = 0;
  Damage = {};
  Jpeg2000 = TJpeg2000Options{};

  ClearExif();
  PsPdf = TPsPdfOptions{};
  Annotations.Clear();
}

void TIOParamsVals::ClearForLoad() {
  Damage = {};
  IptcRecords.ClearRecords();
  Annotations.Clear();
  JpegMarkers.Clear();
  ClearExif();
  Gif.Comments.clear();
  TiffDocumentName.clear();
  TiffImageDescription.clear();
  TiffPageName.clear();
  WriterOptionsTail.TgaAuthor.clear();
  WriterOptionsTail.TgaImageName.clear();
  WriterOptionsTail.TgaDescription.clear();
  TextList.clear();
  IccProfile.clear();
  TiffXmpPacket.clear();
}

void TIOParamsVals::ClearExif() {
  ExifPresent = false;
  ExifGps.clear();
  ExifThumbnail.reset();
  ExifImageDescription.clear();
  ExifMake.clear();
  ExifModel.clear();
  ExifSoftware.clear();
  ExifDateTime.clear();
  ExifCopyright.clear();
  ExifOrientation = 0;
  ExifResolutionX = 0.0;
  ExifResolutionY = 0.0;
  ExifResolutionUnit = 0;
  ExifWhitePoint.fill(0.0);
  ExifPrimaryChromaticities.fill(0.0);
  ExifYCbCrCoefficients.fill(0.0);
  ExifReferenceBlackWhite.fill(0.0);
  ExifYCbCrPositioning = 0;
  ExifExposureTime = 0.0;
  ExifFNumber = 0.0;
  ExifExposureProgram = 0;
  ExifISOSpeedRatings.fill(0);
  ExifVersion.clear();
  ExifDateTimeOriginal.clear();
  ExifDateTimeDigitized.clear();
  ExifCompressedBitsPerPixel = 0.0;
  ExifShutterSpeedValue = 0.0;
  ExifApertureValue = 0.0;
  ExifBrightnessValue = 0.0;
  ExifExposureBiasValue = 0.0;
  ExifMaxApertureValue = 0.0;
  ExifSubjectDistance = 0.0;
  ExifMeteringMode = 0;
  ExifLightSource = 0;
  ExifFlash = 0;
  ExifFocalLength = 0.0;
  ExifSubsecTime.clear();
  ExifSubsecTimeOriginal.clear();
  ExifSubsecTimeDigitized.clear();
  ExifFlashpixVersion.clear();
  ExifColorSpace = 0;
  ExifPixelXDimension = 0;
  ExifPixelYDimension = 0;
  ExifRelatedSoundFile.clear();
  ExifFocalPlaneXResolution = 0.0;
  ExifFocalPlaneYResolution = 0.0;
  ExifFocalPlaneResolutionUnit = 0;
  ExifExposureIndex = 0.0;
  ExifSensingMethod = 0;
  ExifFileSource = 0;
  ExifSceneType = 0;
  ExifUserCommentCode.clear();
  ExifUserComment.clear();
}

void TIOParamsVals::AssignParams(const TIOParamsVals& source) {
  if (&source == this)
    return;
  static_cast<TIOParamsFields&>(*this) = source;
  // The palette block holds exactly ColorMapCount entries, whatever the source kept beyond.
  const std::size_t paletteBytes =
      source.ColorMapCount > 0 ? static_cast<std::size_t>(source.ColorMapCount) * 3 : 0;
  ColorMap.assign(source.ColorMap.begin(),
                  source.ColorMap.begin() +
                      static_cast<std::ptrdiff_t>(std::min(paletteBytes, source.ColorMap.size())));
  if (source.ExifThumbnail) {
    if (!ExifThumbnail)
      ExifThumbnail = std::make_unique<TImgBitmap>();
    ExifThumbnail->Assign(source.ExifThumbnail.get());
  } else {
    ExifThumbnail.reset();
  }
}

void TIOParamsVals::SetResolutionX(int value) {
  ResolutionX = value;
  ExifResolutionX = value;
}

void TIOParamsVals::SetResolutionY(int value) {
  ResolutionY = value;
  ExifResolutionY = value;
}

void TIOParamsVals::SetResolutionX(double value) {
  SetResolutionX(RoundHalfEven(value));
}

void TIOParamsVals::SetResolutionY(double value) {
  SetResolutionY(RoundHalfEven(value));
}

void TIOParamsVals::SetOrientation(int value) {
  Orientation = value;
  ExifOrientation = value;
}

void TIOParamsVals::SetExifOrientation(int value) {
  SetOrientation(value);
}

double TIOParamsVals::GetExifWhitePoint(int index) const {
  return ElementAt(ExifWhitePoint, index);
}
void TIOParamsVals::SetExifWhitePoint(int index, double value) {
  SetElement(ExifWhitePoint, index, value);
}
double TIOParamsVals::GetExifPrimaryChromaticities(int index) const {
  return ElementAt(ExifPrimaryChromaticities, index);
}
void TIOParamsVals::SetExifPrimaryChromaticities(int index, double value) {
  SetElement(ExifPrimaryChromaticities, index, value);
}
double TIOParamsVals::GetExifYCbCrCoefficients(int index) const {
  return ElementAt(ExifYCbCrCoefficients, index);
}
void TIOParamsVals::SetExifYCbCrCoefficients(int index, double value) {
  SetElement(ExifYCbCrCoefficients, index, value);
}
double TIOParamsVals::GetExifReferenceBlackWhite(int index) const {
  return ElementAt(ExifReferenceBlackWhite, index);
}
void TIOParamsVals::SetExifReferenceBlackWhite(int index, double value) {
  SetElement(ExifReferenceBlackWhite, index, value);
}
int TIOParamsVals::GetExifISOSpeedRatings(int index) const {
  return ElementAt(ExifISOSpeedRatings, index);
}
void TIOParamsVals::SetExifISOSpeedRatings(int index, int value) {
  SetElement(ExifISOSpeedRatings, index, value);
}
