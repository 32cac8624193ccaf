#include "app/batch/ConversionSettings.h"

#include <gtest/gtest.h>

#include "app/batch/SizeRule.h"

namespace {

int Parsed(const std::string& text) {
  int value = 12345;
  EXPECT_TRUE(TryParseSizeText(text, value)) << text;
  return value;
}

bool Rejected(const std::string& text) {
  int value = 12345;
  return !TryParseSizeText(text, value) && value == 12345;
}

TEST(TryParseSizeTextTest, AcceptsBlanksSignsAndHexadecimalForms) {
  EXPECT_EQ(Parsed("450"), 450);
  EXPECT_EQ(Parsed("   37"), 37);
  EXPECT_EQ(Parsed("+8"), 8);
  EXPECT_EQ(Parsed("-12"), -12);
  EXPECT_EQ(Parsed("$1F"), 31);
  EXPECT_EQ(Parsed("x10"), 16);
  EXPECT_EQ(Parsed("0x1a"), 26);
  EXPECT_EQ(Parsed("0X1A"), 26);
  EXPECT_EQ(Parsed(" -$10"), -16);
  EXPECT_EQ(Parsed("2147483647"), 2147483647);
  EXPECT_EQ(Parsed("-2147483648"), -2147483647 - 1);
}

TEST(TryParseSizeTextTest, RejectsEmptyTrailingAndForeignCharacters) {
  for (const char* text : {"", " ", "12 ", "abc", "1.5", "12px", "$", "0x", "-", "$G", "0x1g",
                           "2147483648", "99999999999", "\t12"}) {
    EXPECT_TRUE(Rejected(text)) << '"' << text << '"';
  }
}

TEST(JpegQualityForTest, MapsTheListAndNoSelection) {
  EXPECT_EQ(JpegQualityFor(0), 100);
  EXPECT_EQ(JpegQualityFor(1), 90);
  EXPECT_EQ(JpegQualityFor(2), 75);
  EXPECT_EQ(JpegQualityFor(3), 50);
  EXPECT_EQ(JpegQualityFor(4), 30);
  EXPECT_EQ(JpegQualityFor(-1), -1);
}

ConversionSettings WithSize(int index) {
  ConversionSettings settings;
  settings.SizeIndex = index;
  return settings;
}

void ExpectRequest(const ResampleRequest& request, int width, int height) {
  EXPECT_TRUE(request.Resize);
  EXPECT_EQ(request.Width, width);
  EXPECT_EQ(request.Height, height);
}

TEST(ComputeResampleTest, PercentagesDivideTheWidthAndLetTheHeightFollow) {
  ExpectRequest(ComputeResample(WithSize(1), 1001, 600), 500, -1);
  ExpectRequest(ComputeResample(WithSize(2), 1001, 600), 250, -1);
  ExpectRequest(ComputeResample(WithSize(3), 1001, 600), 100, -1);
  ExpectRequest(ComputeResample(WithSize(3), 7, 600), 1, -1);
  EXPECT_FALSE(ComputeResample(WithSize(0), 1001, 600).Resize);
  EXPECT_FALSE(ComputeResample(WithSize(-1), 1001, 600).Resize);
}

TEST(ComputeResampleTest, BoxesFitTheHeightOnEqualAspectsAndTheWidthOnWiderPhotos) {
  ExpectRequest(ComputeResample(WithSize(8), 1600, 1200), -1, 600);
  ExpectRequest(ComputeResample(WithSize(8), 1200, 600), 800, -1);
  ExpectRequest(ComputeResample(WithSize(8), 600, 1200), -1, 600);
  ExpectRequest(ComputeResample(WithSize(5), 100, 50), 1600, -1);
  ExpectRequest(ComputeResample(WithSize(6), 1280, 1024), -1, 1024);
  ExpectRequest(ComputeResample(WithSize(7), 4000, 3000), -1, 768);
  ExpectRequest(ComputeResample(WithSize(6), 1281, 1024), 1280, -1);
  ExpectRequest(ComputeResample(WithSize(9), 3000, 1000), 640, -1);
}

TEST(ComputeResampleTest, CustomBoxFallsBackTo320By240ForBadTexts) {
  ConversionSettings settings = WithSize(4);
  ExpectRequest(ComputeResample(settings, 4500, 3000), 450, -1);
  for (auto [width, height] : std::vector<std::pair<std::string, std::string>>{
           {"abc", ""}, {"0", "0"}, {"-20", "-1"}, {"32 ", " 24 "}}) {
    settings.CustomWidthText = width;
    settings.CustomHeightText = height;
    int boxWidth = 0;
    int boxHeight = 0;
    SizeBox(settings, boxWidth, boxHeight);
    EXPECT_EQ(boxWidth, 320) << width;
    EXPECT_EQ(boxHeight, 240) << height;
  }
  settings.CustomWidthText = "$100";
  settings.CustomHeightText = "abc";
  ExpectRequest(ComputeResample(settings, 256, 100), 256, -1);
  ExpectRequest(ComputeResample(settings, 100, 256), -1, 240);
}

}  // namespace
