#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/tiff/TiffTags.h"

namespace {

namespace exiftag {
constexpr std::uint16_t kExposureTime = 33434;
constexpr std::uint16_t kFNumber = 33437;
constexpr std::uint16_t kExposureProgram = 34850;
constexpr std::uint16_t kISOSpeedRatings = 34855;
constexpr std::uint16_t kExifVersion = 0x9000;
constexpr std::uint16_t kDateTimeOriginal = 36867;
constexpr std::uint16_t kDateTimeDigitized = 36868;
constexpr std::uint16_t kCompressedBitsPerPixel = 37122;
constexpr std::uint16_t kShutterSpeedValue = 37377;
constexpr std::uint16_t kApertureValue = 37378;
constexpr std::uint16_t kBrightnessValue = 37379;
constexpr std::uint16_t kExposureBiasValue = 37380;
constexpr std::uint16_t kMaxApertureValue = 37381;
constexpr std::uint16_t kSubjectDistance = 37382;
constexpr std::uint16_t kMeteringMode = 37383;
constexpr std::uint16_t kLightSource = 37384;
constexpr std::uint16_t kFlash = 37385;
constexpr std::uint16_t kFocalLength = 37386;
constexpr std::uint16_t kUserComment = 37510;
constexpr std::uint16_t kSubsecTime = 37520;
constexpr std::uint16_t kSubsecTimeOriginal = 37521;
constexpr std::uint16_t kSubsecTimeDigitized = 37522;
constexpr std::uint16_t kFlashpixVersion = 40960;
constexpr std::uint16_t kColorSpace = 40961;
constexpr std::uint16_t kPixelXDimension = 40962;
constexpr std::uint16_t kPixelYDimension = 40963;
constexpr std::uint16_t kRelatedSoundFile = 40964;
constexpr std::uint16_t kFocalPlaneXResolution = 41486;
constexpr std::uint16_t kFocalPlaneYResolution = 41487;
constexpr std::uint16_t kFocalPlaneResolutionUnit = 41488;
constexpr std::uint16_t kExposureIndex = 41493;
constexpr std::uint16_t kSensingMethod = 41495;
constexpr std::uint16_t kFileSource = 41728;
constexpr std::uint16_t kSceneType = 41729;
}  // namespace exiftag

constexpr std::size_t kCharacterCodeLength = 8;

int IntegerOf(const TTiffDirectory& exif, std::uint16_t tag) {
  return static_cast<int>(exif.Integer(tag, 0));
}

}  // namespace

void ReadTiffExifValues(const TTiffDirectory& exif, TIOParamsVals& params) {
  using namespace exiftag;
  params.ExifExposureTime = exif.Rational(kExposureTime);
  params.ExifFNumber = exif.Rational(kFNumber);
  params.ExifExposureProgram = IntegerOf(exif, kExposureProgram);
  params.ExifISOSpeedRatings[0] = static_cast<int>(exif.Element(kISOSpeedRatings, 0));
  params.ExifISOSpeedRatings[1] = static_cast<int>(exif.Element(kISOSpeedRatings, 1));
  params.ExifVersion = exif.VersionText(kExifVersion);
  params.ExifDateTimeOriginal = exif.Text(kDateTimeOriginal);
  params.ExifDateTimeDigitized = exif.Text(kDateTimeDigitized);
  params.ExifCompressedBitsPerPixel = exif.Rational(kCompressedBitsPerPixel);
  params.ExifShutterSpeedValue = exif.Rational(kShutterSpeedValue);
  params.ExifApertureValue = exif.Rational(kApertureValue);
  params.ExifBrightnessValue = exif.Rational(kBrightnessValue);
  params.ExifExposureBiasValue = exif.Rational(kExposureBiasValue);
  params.ExifMaxApertureValue = exif.Rational(kMaxApertureValue);
  params.ExifSubjectDistance = exif.Rational(kSubjectDistance);
  params.ExifMeteringMode = IntegerOf(exif, kMeteringMode);
  params.ExifLightSource = IntegerOf(exif, kLightSource);
  params.ExifFlash = IntegerOf(exif, kFlash);
  params.ExifFocalLength = exif.Rational(kFocalLength);
  params.ExifSubsecTime = exif.Text(kSubsecTime);
  params.ExifSubsecTimeOriginal = exif.Text(kSubsecTimeOriginal);
  params.ExifSubsecTimeDigitized = exif.Text(kSubsecTimeDigitized);
  params.ExifFlashpixVersion = exif.VersionText(kFlashpixVersion);
  params.ExifColorSpace = IntegerOf(exif, kColorSpace);
  params.ExifPixelXDimension = IntegerOf(exif, kPixelXDimension);
  params.ExifPixelYDimension = IntegerOf(exif, kPixelYDimension);
  params.ExifRelatedSoundFile = exif.Text(kRelatedSoundFile);
  params.ExifFocalPlaneXResolution = exif.Rational(kFocalPlaneXResolution);
  params.ExifFocalPlaneYResolution = exif.Rational(kFocalPlaneYResolution);
  params.ExifFocalPlaneResolutionUnit = IntegerOf(exif, kFocalPlaneResolutionUnit);
  params.ExifExposureIndex = exif.Rational(kExposureIndex);
  params.ExifSensingMethod = IntegerOf(exif, kSensingMethod);
  params.ExifFileSource = IntegerOf(exif, kFileSource);
  params.ExifSceneType = IntegerOf(exif, kSceneType);

  const std::span<const std::uint8_t> comment = exif.Raw(kUserComment);
  if (comment.empty()) {
    params.ExifUserCommentCode.clear();
    params.ExifUserComment.clear();
    return;
  }
  const std::size_t codeLength = std::min(comment.size(), kCharacterCodeLength);
  params.ExifUserCommentCode.assign(comment.begin(), comment.begin() + codeLength);
  params.ExifUserComment.assign(comment.begin() + codeLength, comment.end());
}
