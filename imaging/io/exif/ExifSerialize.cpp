#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <string_view>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImgMarkerList.h"
#include "imaging/io/exif/ExifBlock.h"
#include "imaging/io/exif/ExifBlockWriter.h"

namespace {

constexpr std::size_t kNoTextLimit = std::numeric_limits<std::size_t>::max();
constexpr std::size_t kVersionLength = 4;
constexpr std::size_t kCharacterCodeLength = 8;
constexpr int kInch = 2;

// At most limit bytes of text, never ending inside a UTF-8 sequence.
std::string_view Shortened(std::string_view text, std::size_t limit) {
  if (text.size() <= limit)
    return text;
  std::size_t cut = limit;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
    --cut;
  return text.substr(0, cut);
}

// The comment follows its 8-byte character code, which is padded with zeros when shorter.
std::string UserComment(const TIOParamsVals& params, std::size_t limit) {
  if (params.ExifUserCommentCode.empty() && params.ExifUserComment.empty())
    return {};
  std::string comment = params.ExifUserCommentCode.substr(0, kCharacterCodeLength);
  comment.resize(kCharacterCodeLength, '\0');
  comment += Shortened(params.ExifUserComment, limit);
  return comment;
}

void WriteFirstDirectoryValues(TExifBlockWriter& writer, TExifBlockWriter::Directory& first,
                               const TIOParamsVals& p, std::size_t limit) {
  writer.Ascii(first, 270, Shortened(p.ExifImageDescription, limit));
  writer.WholeRational(first, 282, p.ExifResolutionX);
  writer.WholeRational(first, 283, p.ExifResolutionY);
  writer.Shorts(first, 274, std::array{p.Orientation});
  writer.Shorts(first, 296, std::array{kInch});
  writer.Ascii(first, 305, Shortened(p.ExifSoftware, limit));
  writer.Ascii(first, 271, Shortened(p.ExifMake, limit));
  writer.Ascii(first, 272, Shortened(p.ExifModel, limit));
  writer.Ascii(first, 306, Shortened(p.ExifDateTime, limit));
  writer.Rationals(first, 318, p.ExifWhitePoint);
  writer.Shorts(first, 531, std::array{p.ExifYCbCrPositioning});
  writer.Rationals(first, 319, p.ExifPrimaryChromaticities);
  writer.Rationals(first, 529, p.ExifYCbCrCoefficients);
  writer.Rationals(first, 532, p.ExifReferenceBlackWhite);
  writer.Ascii(first, 33432, Shortened(p.ExifCopyright, limit));
}

void WriteExifDirectoryValues(TExifBlockWriter& writer, TExifBlockWriter::Directory& exif,
                              const TIOParamsVals& p, int savedWidth, int savedHeight,
                              std::size_t limit) {
  const auto rational = [&](std::uint16_t tag, double value) {
    writer.Rationals(exif, tag, std::array{value});
  };
  // These three are signed in EXIF: a negative value must not read back as a huge one.
  const auto signedRational = [&](std::uint16_t tag, double value) {
    writer.SignedRationals(exif, tag, std::array{value});
  };
  const auto integer = [&](std::uint16_t tag, int value) {
    writer.Shorts(exif, tag, std::array{value});
  };
  const auto text = [&](std::uint16_t tag, const std::string& value) {
    writer.Ascii(exif, tag, Shortened(value, limit));
  };
  rational(33434, p.ExifExposureTime);
  rational(33437, p.ExifFNumber);
  integer(34850, p.ExifExposureProgram);
  // A second ISO value of 0 is one the source never had; two values would read as "100 0".
  if (p.ExifISOSpeedRatings[1] != 0)
    writer.Shorts(exif, 34855, p.ExifISOSpeedRatings);
  else
    integer(34855, p.ExifISOSpeedRatings[0]);
  writer.Undefined(exif, 36864, std::string_view(p.ExifVersion).substr(0, kVersionLength));
  text(36867, p.ExifDateTimeOriginal);
  text(36868, p.ExifDateTimeDigitized);
  rational(37122, p.ExifCompressedBitsPerPixel);
  signedRational(37377, p.ExifShutterSpeedValue);
  rational(37378, p.ExifApertureValue);
  signedRational(37379, p.ExifBrightnessValue);
  signedRational(37380, p.ExifExposureBiasValue);
  rational(37381, p.ExifMaxApertureValue);
  rational(37382, p.ExifSubjectDistance);
  integer(37383, p.ExifMeteringMode);
  integer(37384, p.ExifLightSource);
  integer(37385, p.ExifFlash);
  rational(37386, p.ExifFocalLength);
  text(37520, p.ExifSubsecTime);
  text(37521, p.ExifSubsecTimeOriginal);
  text(37522, p.ExifSubsecTimeDigitized);
  writer.Undefined(exif, 40960, std::string_view(p.ExifFlashpixVersion).substr(0, kVersionLength));
  integer(40961, p.ExifColorSpace);
  // The saved picture's size: the source's would describe a picture that is not in the file.
  integer(40962, savedWidth);
  integer(40963, savedHeight);
  text(40964, p.ExifRelatedSoundFile);
  rational(41486, p.ExifFocalPlaneXResolution);
  rational(41487, p.ExifFocalPlaneYResolution);
  integer(41488, p.ExifFocalPlaneResolutionUnit);
  rational(41493, p.ExifExposureIndex);
  integer(41495, p.ExifSensingMethod);
  integer(41728, p.ExifFileSource);
  integer(41729, p.ExifSceneType);
  // Of type UNDEFINED without a terminator, as EXIF has it: an ASCII terminator would be read
  // back as part of the comment and grow it by one zero byte in every conversion.
  const std::string comment = UserComment(p, limit);
  if (!comment.empty())
    writer.Undefined(exif, 37510, comment);
}

std::vector<std::uint8_t> BuildBlock(const TIOParamsVals& params, int savedWidth, int savedHeight,
                                     std::size_t textLimit) {
  TExifBlockWriter writer;
  TExifBlockWriter::Directory first;
  TExifBlockWriter::Directory exif;
  WriteFirstDirectoryValues(writer, first, params, textLimit);
  WriteExifDirectoryValues(writer, exif, params, savedWidth, savedHeight, textLimit);
  const std::uint32_t exifOffset = writer.WriteDirectory(std::move(exif));
  writer.Long(first, 34665, exifOffset);
  writer.PutLong(exifOffset);
  if (params.ExifWriteGps && !params.ExifGps.empty()) {
    TExifBlockWriter::Directory gps;
    for (const TExifEntryCopy& entry : params.ExifGps)
      writer.Add(gps, entry.tag, entry.type, entry.count, entry.value);
    writer.Long(first, 34853, writer.WriteDirectory(std::move(gps)));
  }
  return writer.Finish(writer.WriteDirectory(std::move(first)));
}

std::size_t LongestText(const TIOParamsVals& p) {
  std::size_t longest = 0;
  for (const std::string* text :
       {&p.ExifImageDescription, &p.ExifSoftware, &p.ExifMake, &p.ExifModel, &p.ExifDateTime,
        &p.ExifCopyright, &p.ExifDateTimeOriginal, &p.ExifDateTimeDigitized, &p.ExifSubsecTime,
        &p.ExifSubsecTimeOriginal, &p.ExifSubsecTimeDigitized, &p.ExifRelatedSoundFile,
        &p.ExifUserComment}) {
    longest = std::max(longest, text->size());
  }
  return longest;
}

}  // namespace

std::vector<std::uint8_t> SerializeExif(const TIOParamsVals& params, int savedWidth,
                                        int savedHeight) {
  std::vector<std::uint8_t> block = BuildBlock(params, savedWidth, savedHeight, kNoTextLimit);
  if (block.size() <= kMaxMarkerPayload)
    return block;
  // The longest limit on every text's length that lets the block fit; with no texts at all the
  // block is a fixed few hundred bytes, so a limit of 0 always fits.
  std::size_t fits = 0;
  std::size_t tooLong = LongestText(params);
  while (tooLong - fits > 1) {
    const std::size_t middle = fits + (tooLong - fits) / 2;
    if (BuildBlock(params, savedWidth, savedHeight, middle).size() <= kMaxMarkerPayload)
      fits = middle;
    else
      tooLong = middle;
  }
  return BuildBlock(params, savedWidth, savedHeight, fits);
}
