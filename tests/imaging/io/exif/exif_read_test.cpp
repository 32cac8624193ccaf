#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/exif/ExifBlock.h"
#include "platform/MemoryStream.h"
#include "tests/imaging/io/exif/ExifTestBuilder.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes CameraBlock(bool bigEndian, const Bytes& thumbnailJpeg = {}) {
  const ExifTestBuilder b(bigEndian);
  ExifTestBuilder::Directory thumbnail;
  if (!thumbnailJpeg.empty()) {
    thumbnail = {b.Short(259, {6}), b.OffsetOf(513, thumbnailJpeg),
                 b.Long(514, static_cast<std::uint32_t>(thumbnailJpeg.size()))};
  }
  return b.Build({b.Ascii(270, "A description"), b.Ascii(271, "Abc"), b.Ascii(272, "Abcd"),
                  b.Short(274, {6}), b.Rational(282, 72, 1), b.Rational(283, 72, 1),
                  b.Short(296, {3}), b.Ascii(306, "2024:01:02 03:04:05"), b.Ascii(33432, "(c) us")},
                 {b.Rational(33434, 1, 250), b.Rational(33437, 28, 10), b.Short(34855, {400}),
                  b.Undefined(36864, "0230"), b.Ascii(36867, "2024:01:02 03:04:05"),
                  b.Rational(37380, static_cast<std::uint32_t>(-7), 10, 10), b.Short(37383, {5}),
                  b.Short(37385, {16}), b.Rational(37386, 50, 1), b.Short(40962, {4000}),
                  b.Undefined(37510, std::string("ASCII\0\0\0hello", 13))},
                 thumbnail);
}

void ExpectCameraFields(const TIOParamsVals& params) {
  EXPECT_TRUE(params.ExifPresent);
  EXPECT_EQ(params.ExifImageDescription, "A description");
  EXPECT_EQ(params.ExifMake, "Abc");
  EXPECT_EQ(params.ExifModel, "Abcd");
  EXPECT_EQ(params.Orientation, 6);
  EXPECT_EQ(params.ExifOrientation, 6);
  EXPECT_EQ(params.ExifDateTime, "2024:01:02 03:04:05");
  EXPECT_EQ(params.ExifCopyright, "(c) us");
  EXPECT_DOUBLE_EQ(params.ExifExposureTime, 0.004);
  EXPECT_DOUBLE_EQ(params.ExifFNumber, 2.8);
  EXPECT_EQ(params.ExifISOSpeedRatings[0], 400);
  EXPECT_EQ(params.ExifVersion, "0230");
  EXPECT_EQ(params.ExifDateTimeOriginal, "2024:01:02 03:04:05");
  EXPECT_DOUBLE_EQ(params.ExifExposureBiasValue, -0.7);
  EXPECT_EQ(params.ExifMeteringMode, 5);
  EXPECT_EQ(params.ExifFlash, 16);
  EXPECT_DOUBLE_EQ(params.ExifFocalLength, 50.0);
  EXPECT_EQ(params.ExifUserCommentCode, std::string("ASCII\0\0\0", 8));
  EXPECT_EQ(params.ExifUserComment, "hello");
}

// Both byte orders read alike, and the little-endian block rebuilt from them reads the same.
TEST(ParseExif, BothByteOrdersReadAlikeAndSurviveTheRebuild) {
  for (bool bigEndian : {false, true}) {
    SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
    TIOParamsVals params;
    ASSERT_TRUE(ParseExif(CameraBlock(bigEndian), params));
    ExpectCameraFields(params);
    // 72 per centimetre is 182.88 dots per inch, truncated.
    EXPECT_EQ(params.ResolutionX, 182);
    EXPECT_EQ(params.ResolutionY, 182);
    EXPECT_EQ(params.ExifResolutionUnit, 3);
    EXPECT_EQ(params.ExifPixelXDimension, 4000);
    EXPECT_FALSE(params.ExifThumbnail) << "a block without a thumbnail directory has none";

    TIOParamsVals rebuilt;
    ASSERT_TRUE(ParseExif(SerializeExif(params, 640, 480), rebuilt));
    ExpectCameraFields(rebuilt);
    EXPECT_EQ(rebuilt.ResolutionX, 182);
    EXPECT_EQ(rebuilt.ExifPixelXDimension, 640);
  }
}

TEST(ParseExif, ThumbnailIsDecodedFromTheSecondDirectory) {
  const Bytes jpeg = oracle::Encode(16, 8, oracle::Pattern(16, 8), {});
  TIOParamsVals params;
  ASSERT_TRUE(ParseExif(CameraBlock(true, jpeg), params));
  ExpectCameraFields(params);
  ASSERT_TRUE(params.ExifThumbnail);
  EXPECT_EQ(params.ExifThumbnail->Width(), 16);
  EXPECT_EQ(params.ExifThumbnail->Height(), 8);
}

TEST(ParseExif, DamagedBlocksKeepWhatCouldBeReadAndNeverReadOutside) {
  TIOParamsVals params;
  params.ExifMake = "before";
  EXPECT_FALSE(ParseExif(Bytes{'E', 'x', 'i', 'g', 0, 0, 'I', 'I'}, params));
  EXPECT_FALSE(params.ExifPresent);
  EXPECT_EQ(params.ExifMake, "before");

  params.SetResolutionX(96);
  params.SetResolutionY(96);
  EXPECT_TRUE(ParseExif(Bytes{'E', 'x', 'i', 'f', 0, 0, 'X', 'X', 1, 2}, params));
  EXPECT_TRUE(params.ExifPresent);
  EXPECT_EQ(params.ResolutionX, 96) << "an unreadable block leaves the resolution alone";

  // Every cut of a block: the sanitizers watch the reads, the fields must come from the block.
  const Bytes whole = CameraBlock(true, oracle::Encode(16, 8, oracle::Pattern(16, 8), {}));
  for (std::size_t length = 5; length < whole.size(); ++length) {
    TIOParamsVals cut;
    ASSERT_TRUE(ParseExif(Bytes(whole.begin(), whole.begin() + length), cut)) << length;
    EXPECT_TRUE(cut.ExifMake.empty() || cut.ExifMake == "Abc") << length;
  }
}

// The JPEG load takes the EXIF resolution when JFIF says only 1:1, and a saved gray file (whose
// JFIF header carries a density) then states it.
TEST(ParseExif, JpegLoadTakesTheExifResolutionOverJfifAspectRatio) {
  struct Case {
    std::uint32_t numerator;
    std::uint32_t denominator;
    std::uint16_t unit;
    int dpi;
  };
  const Case cases[] = {{72, 1, 2, 72}, {300, 1, 2, 300}, {1, 2, 3, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.numerator);
    const ExifTestBuilder b(false);
    const Bytes block =
        b.Build({b.Rational(282, c.numerator, c.denominator),
                 b.Rational(283, c.numerator, c.denominator), b.Short(296, {c.unit})});
    oracle::EncodeOptions options = oracle::WithDensity(0, 1, 1);
    options.markers = [&](j_compress_ptr cinfo) {
      jpeg_write_marker(cinfo, JPEG_APP0 + 1, block.data(), static_cast<unsigned>(block.size()));
    };
    TMemoryStream source(oracle::Encode(24, 16, oracle::Pattern(24, 16), options));
    TImagerIO io;
    io.LoadJpegStream(source);
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.Params().ResolutionX, c.dpi);
    EXPECT_EQ(io.Params().ResolutionY, c.dpi);

    io.Params().JpegColorSpace = 1;
    TMemoryStream saved;
    io.SaveJpegStream(saved);
    const Bytes& out = saved.Bytes();
    ASSERT_GT(out.size(), 18u);
    ASSERT_EQ(std::string(out.begin() + 6, out.begin() + 10), "JFIF");
    EXPECT_EQ(out[13], 1) << "dots per inch";
    EXPECT_EQ(out[14] << 8 | out[15], c.dpi);
    EXPECT_EQ(out[16] << 8 | out[17], c.dpi);
  }
}

}  // namespace
