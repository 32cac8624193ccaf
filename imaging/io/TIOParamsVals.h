#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/LZWProcs.h"
#include "imaging/io/SourceDamage.h"
#include "imaging/io/TIOOptionGroups.h"
#include "imaging/io/TImgIPTCInfoList.h"
#include "imaging/io/TImgMarkerList.h"
#include "imaging/io/TParamsOwnerInfo.h"
#include "imaging/io/exif/ExifDirectoryCopy.h"

class TImagerIO;
class TImgBitmap;

/// Opaque holder of imaging annotations: cleared by every load, copied with the record.
class TImgAnnotations {
 public:
  void Clear() { data_.clear(); }
  bool Empty() const { return data_.empty(); }
  const std::vector<std::uint8_t>& Data() const { return data_; }
  void SetData(std::vector<std::uint8_t> data) { data_ = std::move(data); }

 private:
  std::vector<std::uint8_t> data_;
};

/// Every value field of the parameter record; kept apart so that a record copy cannot
/// forget one. The owner references and the owned thumbnail live in TIOParamsVals itself.
struct TIOParamsFields {
  // Common fields.
  int BitsPerSample = 8;
  int SamplesPerPixel = 3;
  int Width = 0;
  int Height = 0;
  int ResolutionX = 0;
  int ResolutionY = 0;
  int FormatId = 0;

  // TIFF family.
  std::uint8_t TiffCompression = 0;
  int ImageIndex = 0;
  std::uint8_t TiffPhotometric = 2;
  int TiffPlanarConfig = 1;
  int TiffPositionX = 0;
  int TiffPositionY = 0;
  std::string TiffDocumentName;
  std::string TiffImageDescription;
  std::string TiffPageName;
  int TiffPageNumber = 0;
  int TiffPageTotal = 0;
  int Orientation = 1;
  TTIFFLZWDecoder TIFFLZWDecoder;
  TTIFFLZWEncoder TIFFLZWEncoder;
  bool TiffApplyOrientation = false;
  int TiffJpegQuality = 80;
  std::uint8_t TiffJpegColorSpace = 2;

  // GIF family.
  std::string GifVersion = "GIF89a";
  TGifOptions Gif;

  // JPEG family.
  std::uint8_t JpegColorSpace = 2;  ///< 0 RGB, 1 gray, 2 YCbCr, 3 CMYK, 4 YCCK
  int JpegQuality = 80;
  std::uint8_t JpegDctMethod = 0;  ///< 0 integer, 1 fast integer, 2 floating point
  bool JpegOptimize = false;
  int JpegSmoothing = 0;
  bool JpegProgressive = false;
  std::uint8_t JpegScale = 1;  ///< 0 automatic, 1 full, 2 half, 3 quarter, 4 eighth
  TImgMarkerList JpegMarkers;
  int JpegScaleUsed = 1;
  int JpegWarningCount = 0;
  int JpegLastWarning = 0;
  int JpegFullWidth = 0;
  int JpegFullHeight = 0;

  TWriterOptionsHead WriterOptionsHead;

  // BMP family.
  std::uint8_t BmpVersion = 1;
  std::uint8_t BmpCompression = 0;

  TWriterOptionsTail WriterOptionsTail;

  // Metadata group.
  TImgIPTCInfoList IptcRecords;
  TImgAnnotations Annotations;
  std::vector<std::string> TextList;
  bool ExifPresent = false;
  std::string ExifImageDescription;
  std::string ExifMake;
  std::string ExifModel;
  std::string ExifSoftware;
  std::string ExifDateTime;
  std::string ExifCopyright;  ///< the rights notice
  int ExifOrientation = 0;
  double ExifResolutionX = 0.0;
  double ExifResolutionY = 0.0;
  int ExifResolutionUnit = 0;  ///< 2 inch, 3 centimetre
  std::array<double, 2> ExifWhitePoint{};
  std::array<double, 6> ExifPrimaryChromaticities{};
  std::array<double, 3> ExifYCbCrCoefficients{};
  std::array<double, 6> ExifReferenceBlackWhite{};
  int ExifYCbCrPositioning = 0;
  // The EXIF directory.
  double ExifExposureTime = 0.0;
  double ExifFNumber = 0.0;
  int ExifExposureProgram = 0;
  std::array<int, 2> ExifISOSpeedRatings{};
  std::string ExifVersion;  ///< at most 4 characters
  std::string ExifDateTimeOriginal;
  std::string ExifDateTimeDigitized;
  double ExifCompressedBitsPerPixel = 0.0;
  double ExifShutterSpeedValue = 0.0;
  double ExifApertureValue = 0.0;
  double ExifBrightnessValue = 0.0;
  double ExifExposureBiasValue = 0.0;
  double ExifMaxApertureValue = 0.0;
  double ExifSubjectDistance = 0.0;
  int ExifMeteringMode = 0;
  int ExifLightSource = 0;
  int ExifFlash = 0;
  double ExifFocalLength = 0.0;
  std::string ExifSubsecTime;
  std::string ExifSubsecTimeOriginal;
  std::string ExifSubsecTimeDigitized;
  std::string ExifFlashpixVersion;  ///< at most 4 characters
  int ExifColorSpace = 0;
  int ExifPixelXDimension = 0;
  int ExifPixelYDimension = 0;
  std::string ExifRelatedSoundFile;
  double ExifFocalPlaneXResolution = 0.0;
  double ExifFocalPlaneYResolution = 0.0;
  int ExifFocalPlaneResolutionUnit = 0;
  double ExifExposureIndex = 0.0;
  int ExifSensingMethod = 0;
  int ExifFileSource = 0;
  int ExifSceneType = 0;
  std::string ExifUserCommentCode;  ///< the 8-byte character-code prefix of the user comment
  std::string ExifUserComment;
  std::vector<std::uint8_t> IccProfile;  ///< a TIFF page's colour profile (tag 34675)
  /// The GPS directory of the source's EXIF data or TIFF page. Readers fill it; the rebuilt EXIF
  /// block carries it only with ExifWriteGps, since a location is not for every copy of a photo.
  TExifDirectoryCopy ExifGps;
  bool ExifWriteGps = false;
  std::vector<std::uint8_t> TiffXmpPacket;  ///< a TIFF page's XMP packet (tag 700)

  TPsPdfOptions PsPdf;

  // Tail fields.
  bool NativePixelFormat = false;
  std::string SourcePath;
  std::vector<std::uint8_t> ColorMap;  ///< ColorMapCount entries of blue, green, red
  int ColorMapCount = 0;
  int UserTag = 0;  ///< free for the application; copied with the record
  int ImageCount = 0;
  TSourceDamage Damage;  ///< filled by every reader

  TJpeg2000Options Jpeg2000;
};

/// The per-image parameter record of an I/O object: loads fill it, saves read their options.
class TIOParamsVals : public TIOParamsFields {
 public:
  /// ownerInfo answers the owner's picture size and view resolution at reset; the I/O object
  /// passes itself for both.
  explicit TIOParamsVals(TImagerIO* owner = nullptr, TParamsOwnerInfo* ownerInfo = nullptr);
  ~TIOParamsVals();
  TIOParamsVals(const TIOParamsVals&) = delete;
  TIOParamsVals& operator=(const TIOParamsVals&) = delete;

  void ResetParams();
  void ClearForLoad();
  void ClearExif();
  /// Copies every field but the owner: texts and lists by value, ColorMap and ExifThumbnail
  /// into blocks of this record's own.
  void AssignParams(const TIOParamsVals& source);

  void SetResolutionX(int value);
  void SetResolutionY(int value);
  /// Real-valued variants: rounded to the nearest integer, ties to even.
  void SetResolutionX(double value);
  void SetResolutionY(double value);
  void SetOrientation(int value);
  void SetExifOrientation(int value);

  // Indexed EXIF arrays; an index outside the array reads 0 and writes nothing.
  double GetExifWhitePoint(int index) const;
  void SetExifWhitePoint(int index, double value);
  double GetExifPrimaryChromaticities(int index) const;
  void SetExifPrimaryChromaticities(int index, double value);
  double GetExifYCbCrCoefficients(int index) const;
  void SetExifYCbCrCoefficients(int index, double value);
  double GetExifReferenceBlackWhite(int index) const;
  void SetExifReferenceBlackWhite(int index, double value);
  int GetExifISOSpeedRatings(int index) const;
  void SetExifISOSpeedRatings(int index, int value);

  TImagerIO* Owner = nullptr;
  TParamsOwnerInfo* OwnerInfo = nullptr;
  std::unique_ptr<TImgBitmap> ExifThumbnail;  ///< owned; none when the file had no thumbnail
};
