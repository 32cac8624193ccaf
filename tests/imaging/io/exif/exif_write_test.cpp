#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImgMarkerList.h"
#include "imaging/io/exif/ExifBlock.h"
#include "imaging/io/exif/ExifBlockWriter.h"
#include "tests/imaging/io/exif/ExifTestBlock.h"

namespace {

using Ratio = std::pair<std::int64_t, std::int64_t>;

std::vector<std::uint8_t> ToBytes(const std::string& text) {
  return {text.begin(), text.end()};
}

TEST(RealToRational, DenominatorShrinksUntilTheNumeratorFits) {
  struct Case {
    double value;
    bool isSigned;
    TExifRational expected;
  };
  const Case cases[] = {
      {1.0 / 60, false, {16667, 1000000}},
      {2.8, false, {2800000, 1000000}},
      {0.0, false, {0, 1000000}},
      {2147.48364, false, {2147483640, 1000000}},
      {2147.5, false, {214750000, 100000}},
      {5000.0, false, {500000000, 100000}},
      {2500000.25, false, {250000025, 100}},
      {0.0000005, false, {0, 1000000}},  // ties go to the even numerator
      {0.0000015, false, {2, 1000000}},
      {4294967295.0, false, {4294967295, 1}},
      {3e12, false, {4294967295, 1}},
      {-0.7, false, {0, 1000000}},
      {-0.7, true, {-700000, 1000000}},
      {-5000.0, true, {-500000000, 100000}},
      {4294967295.0, true, {2147483647, 1}},
      {std::nan(""), true, {0, 1000000}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(RealToRational(c.value, c.isSigned), c.expected);
  }
}

class ExifWriteTest : public ::testing::Test {
 protected:
  ExifWriteTest() {
    params.ExifPresent = true;
    params.ExifMake = "Abc";
    params.ExifModel = "Abcd";
    params.ExifResolutionX = 299.9;
    params.ExifResolutionY = 72.0;
    params.ExifResolutionUnit = 3;
    params.SetOrientation(6);
    params.ExifExposureTime = 1.0 / 60;
    params.ExifExposureBiasValue = -0.7;
    params.ExifISOSpeedRatings = {200, 0};
    params.ExifPixelXDimension = 4000;
    params.ExifPixelYDimension = 3000;
  }
  TIOParamsVals params;
};

TEST_F(ExifWriteTest, LittleEndianFirstAndExifDirectoryOnly) {
  const std::vector<std::uint8_t> block = SerializeExif(params, 800, 600);
  ASSERT_GE(block.size(), 14u);
  EXPECT_EQ(std::string(block.begin(), block.begin() + 6), std::string("Exif\0\0", 6));
  const ExifTestBlock exif(block);
  EXPECT_TRUE(exif.littleEndian);
  EXPECT_EQ(exif.magic, 42);
  EXPECT_EQ(exif.firstNext, 0u) << "no thumbnail directory";
  EXPECT_EQ(exif.exifNext, 0u);
  EXPECT_EQ(exif.firstOffset % 2, 0u);
  EXPECT_EQ(exif.exifOffset % 2, 0u);
  EXPECT_TRUE(std::is_sorted(exif.firstTags.begin(), exif.firstTags.end()));
  EXPECT_TRUE(std::is_sorted(exif.exifTags.begin(), exif.exifTags.end()));
  EXPECT_EQ(exif.firstTags, (std::vector<std::uint16_t>{271, 272, 274, 282, 283, 296, 318, 319, 529,
                                                        531, 532, 34665}));
  EXPECT_EQ(exif.exifTags.size(), 27u) << "every non-text entry is written, zeros included";
}

TEST_F(ExifWriteTest, EntriesCarryTheFieldsInTheirTypes) {
  const ExifTestBlock exif(SerializeExif(params, 800, 600));
  // A text of at most 4 bytes with its terminator sits in the value field; a longer one in the
  // data area.
  const ExifTestEntry& make = exif.first.at(271);
  EXPECT_EQ(make.count, 4u);
  EXPECT_EQ(make.field, 0x00636241u);
  const ExifTestEntry& model = exif.first.at(272);
  EXPECT_EQ(model.count, 5u);
  EXPECT_EQ(ExifTestBlock::Text(model), "Abcd");
  EXPECT_GT(model.field, 8u);

  EXPECT_EQ(ExifTestBlock::Rational(exif.first.at(282)), Ratio(299, 1));
  EXPECT_EQ(ExifTestBlock::Rational(exif.first.at(283)), Ratio(72, 1));
  EXPECT_EQ(exif.first.at(296).field, 2u) << "inches, whatever the unit read";
  EXPECT_EQ(exif.first.at(274).field, 6u);

  EXPECT_EQ(ExifTestBlock::Rational(exif.exif.at(33434)), Ratio(16667, 1000000));
  const ExifTestEntry& bias = exif.exif.at(37380);
  EXPECT_EQ(bias.type, 10) << "a negative exposure bias needs the signed type";
  EXPECT_EQ(ExifTestBlock::Rational(bias), Ratio(-700000, 1000000));
  EXPECT_EQ(exif.exif.at(34855).count, 1u) << "a missing second ISO value is not invented";
  EXPECT_EQ(exif.exif.at(34855).field, 200u);
  EXPECT_EQ(exif.exif.at(40962).field, 800u) << "the saved width, not the source's";
  EXPECT_EQ(exif.exif.at(40963).field, 600u);
  const ExifTestEntry& version = exif.exif.at(36864);
  EXPECT_EQ(version.type, 7);
  EXPECT_EQ(version.count, 0u) << "an empty version still has its entry";
  EXPECT_EQ(exif.exif.count(36867), 0u) << "empty texts have no entry";
  EXPECT_EQ(exif.exif.count(37510), 0u);
}

TEST_F(ExifWriteTest, VersionTextsAndUserCommentKeepTheirForm) {
  params.ExifVersion = "0230";
  params.ExifFlashpixVersion = "0100";
  params.ExifUserCommentCode = "ASCII";
  params.ExifUserComment = "hello";
  const ExifTestBlock exif(SerializeExif(params, 8, 8));
  EXPECT_EQ(exif.exif.at(36864).count, 4u);
  EXPECT_EQ(exif.exif.at(36864).field, 0x30333230u);  // "0230" in the value field
  EXPECT_EQ(ExifTestBlock::Text(exif.exif.at(40960)), "0100");
  const ExifTestEntry& comment = exif.exif.at(37510);
  EXPECT_EQ(comment.type, 7);
  EXPECT_EQ(comment.value, ToBytes(std::string("ASCII\0\0\0hello", 13)));
}

TEST_F(ExifWriteTest, TextsTooLongForOneMarkerAreShortenedToFit) {
  params.ExifImageDescription = std::string(70000, 'd');
  params.ExifUserCommentCode = "ASCII";
  params.ExifUserComment = std::string(70000, 'c');
  params.ExifCopyright = "(c) us";
  const std::vector<std::uint8_t> block = SerializeExif(params, 8, 8);
  EXPECT_LE(block.size(), kMaxMarkerPayload);
  EXPECT_GT(block.size(), kMaxMarkerPayload - 64) << "shortened no more than needed";
  const ExifTestBlock exif(block);
  const std::string description = ExifTestBlock::Text(exif.first.at(270));
  EXPECT_GT(description.size(), 20000u);
  EXPECT_EQ(description, std::string(description.size(), 'd'));
  EXPECT_EQ(ExifTestBlock::Text(exif.first.at(33432)), "(c) us");
  EXPECT_EQ(ExifTestBlock::Text(exif.first.at(271)), "Abc");
  EXPECT_EQ(ExifTestBlock::Text(exif.exif.at(37510)).substr(0, 8), std::string("ASCII\0\0\0", 8));
}

}  // namespace
