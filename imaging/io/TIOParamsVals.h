#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/TImgIPTCInfoList.h"
#include "imaging/io/TImgMarkerList.h"

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

/// The per-image parameter record of an I/O object: loads fill it, saves read their options.
class TIOParamsVals {
 public:
  explicit TIOParamsVals(TImagerIO* owner = nullptr);
  ~TIOParamsVals();
  TIOParamsVals(const TIOParamsVals&) = delete;
  TIOParamsVals& operator=(const TIOParamsVals&) = delete;

  void ResetParams();
  void ClearForLoad();
  void ClearExif();
  void AssignParams(const TIOParamsVals& source);

  void SetResolutionX(int value);
  void SetResolutionY(int value);
  /// Real-valued variants: rounded to the nearest integer, ties to even.
  void SetResolutionX(double value);
  void SetResolutionY(double value);
  void SetOrientation(int value);
  void SetExifOrientation(int value);

  // Common fields.
  TImagerIO* Owner = nullptr;
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
  bool TiffApplyOrientation = false;
  int TiffJpegQuality = 80;
  std::uint8_t TiffJpegColorSpace = 2;

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

  // BMP family.
  std::uint8_t BmpVersion = 1;
  std::uint8_t BmpCompression = 0;

  // Metadata group.
  TImgIPTCInfoList IptcRecords;
  TImgAnnotations Annotations;
  std::vector<std::string> TextList;
  bool ExifPresent = false;
  std::unique_ptr<TImgBitmap> ExifThumbnail;
  int ExifOrientation = 0;
  double ExifResolutionX = 0.0;
  double ExifResolutionY = 0.0;
  int ExifResolutionUnit = 0;

  // Tail fields.
  bool NativePixelFormat = false;
  std::string SourcePath;
  std::vector<std::uint8_t> ColorMap;  ///< ColorMapCount entries of blue, green, red
  int ColorMapCount = 0;
  int ImageCount = 0;
};
