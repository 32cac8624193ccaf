#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/batch/ConvertFile.h"
#include "imaging/component/TImager.h"
#include "imaging/io/TIOParamsVals.h"
#include "tests/app/batch/SampleImages.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

double Psnr(const oracle::Image& a, const oracle::Image& b) {
  double squares = 0.0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    const double d = static_cast<double>(a.pixels[i]) - b.pixels[i];
    squares += d * d;
  }
  if (squares == 0.0)
    return INFINITY;
  return 10.0 * std::log10(255.0 * 255.0 * static_cast<double>(a.pixels.size()) / squares);
}

struct FastCase {
  const char* what;
  int width, height;
  int sizeIndex;
  const char* customWidth;
  const char* customHeight;
  int denominator;                // worked out by hand from the size rule's target
  int outputWidth, outputHeight;  // the size rule on the photo as shown
  int orientation;                // an EXIF orientation to turn upright by; 0 for none
};

// Index 1 is 50 %, 2 is 25 %, 3 is 10 %, 4 the custom frame, 7 is 1024 x 768, 9 is 640 x 480.
constexpr FastCase kCases[] = {
    {"half: 800 x 600 exactly", 1600, 1200, 1, "", "", 2, 800, 600, 0},
    {"a quarter: 400 x 300", 1600, 1200, 2, "", "", 4, 400, 300, 0},
    {"a tenth: 160 x 120 from an eighth's 200 x 150", 1600, 1200, 3, "", "", 8, 160, 120, 0},
    {"odd sides at half: 501 x 301 decoded for 500 x 300", 1001, 601, 1, "", "", 2, 500, 300, 0},
    {"wider than tall into 1024 x 768: 1024 x 256 needs a half", 2400, 600, 7, "", "", 2, 1024, 256,
     0},
    {"taller than wide into 640 x 480: 120 x 480 from a quarter", 600, 2400, 9, "", "", 4, 120, 480,
     0},
    {"a custom frame of 300 x 300 takes 300 x 225 from a quarter", 1600, 1200, 4, "300", "300", 4,
     300, 225, 0},
    {"a frame more than half the photo: no shrink", 1000, 750, 9, "", "", 1, 640, 480, 0},
    {"the full size: no shrink", 640, 480, 0, "", "", 1, 640, 480, 0},
    {"stored tall, shown wide: 640 x 160 wants a half, though tall would take a quarter", 600, 2400,
     9, "", "", 2, 640, 160, 6},
    {"stored wide, shown tall: 120 x 480 would take a quarter, wide wants a half", 2400, 600, 9, "",
     "", 2, 120, 480, 6},
    {"either way up a tenth takes an eighth", 1600, 1200, 3, "", "", 8, 120, 160, 8},
};

// The file with an EXIF block right after its start marker that holds only an orientation.
std::vector<std::uint8_t> WithOrientation(std::vector<std::uint8_t> jpeg, int orientation) {
  // APP1 of length 34 with its identifier; a little-endian TIFF header with its directory at 8;
  // one entry, orientation (SHORT, count 1) with its value at byte 28; no next directory.
  std::vector<std::uint8_t> app1 = {
      0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0,
      1,    0,    0x12, 0x01, 3,   0,   1,   0,   0, 0, 0,   0,   0,  0, 0, 0, 0, 0};
  app1[28] = static_cast<std::uint8_t>(orientation);
  jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
  return jpeg;
}

class ConvertFileFastTest : public ::testing::Test {
 protected:
  void SetUp() override { root = MakeTempDir("qm_fast_"); }
  void TearDown() override { fs::remove_all(root); }

  oracle::Image ConvertTo(const fs::path& source, const std::string& name, bool fast) {
    settings.ShrinkOnLoad = fast;
    const fs::path target = root / name;
    last = ConvertFile(imager, settings, source.string(), target.string());
    EXPECT_TRUE(last.Converted);
    return oracle::Decode(oracle::ReadFile(target), JCS_RGB);
  }

  fs::path root;
  TPhotoResult last;
  TImager imager;
  ConversionSettings settings;
};

TEST_F(ConvertFileFastTest, ShrinksTheDecodeWithinTheTargetAndWritesTheExactSize) {
  for (const FastCase& c : kCases) {
    SCOPED_TRACE(c.what);
    const fs::path source = root / "in.jpg";
    ASSERT_TRUE(sample_images::WriteJpegOf(source, c.width, c.height,
                                           sample_images::SmoothPixels(c.width, c.height)));
    if (c.orientation != 0) {
      const auto bytes = WithOrientation(oracle::ReadFile(source), c.orientation);
      std::ofstream(source, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
    settings.AutoRotate = c.orientation != 0;
    settings.SizeIndex = c.sizeIndex;
    settings.CustomWidthText = c.customWidth;
    settings.CustomHeightText = c.customHeight;
    const oracle::Image exact = ConvertTo(source, "exact.jpg", false);
    const oracle::Image fast = ConvertTo(source, "fast.jpg", true);
    EXPECT_EQ(imager.Params().JpegScaleUsed, c.denominator);
    // The report names the photo's own sides, not the shrunk decode's.
    EXPECT_EQ(last.SourceWidth, c.width);
    EXPECT_EQ(last.SourceHeight, c.height);
    ASSERT_TRUE(exact.ok && fast.ok);
    EXPECT_EQ(exact.width, c.outputWidth);
    EXPECT_EQ(exact.height, c.outputHeight);
    EXPECT_EQ(fast.width, exact.width);
    EXPECT_EQ(fast.height, exact.height);
    ASSERT_EQ(fast.pixels.size(), exact.pixels.size());
    if (c.denominator == 1) {
      EXPECT_EQ(oracle::ReadFile(root / "fast.jpg"), oracle::ReadFile(root / "exact.jpg"));
    } else {
      // A misplaced or wrongly scaled decode lands far below this on a gradient.
      EXPECT_GT(Psnr(fast, exact), 38.0);
    }
  }
}

TEST_F(ConvertFileFastTest, SourcesOtherThanJpegTakeTheExactRoad) {
  const fs::path source = root / "in.bmp";
  sample_images::WriteBmp(source, 400, 300);
  settings.SizeIndex = 2;
  ConvertTo(source, "exact.jpg", false);
  ConvertTo(source, "fast.jpg", true);
  EXPECT_EQ(oracle::ReadFile(root / "fast.jpg"), oracle::ReadFile(root / "exact.jpg"));
}

TEST_F(ConvertFileFastTest, ADryRunReportsTheFullSourceSides) {
  const fs::path source = root / "in.jpg";
  ASSERT_TRUE(sample_images::WriteJpeg(source, 1600, 1200));
  settings.ShrinkOnLoad = true;
  settings.PlanOnly = true;
  settings.SizeIndex = 3;
  const TPhotoResult result = ConvertFile(imager, settings, source.string(), "");
  EXPECT_EQ(result.SourceWidth, 1600);
  EXPECT_EQ(result.SourceHeight, 1200);
  EXPECT_EQ(result.OutputWidth, 160);
  EXPECT_EQ(result.OutputHeight, 120);
}

}  // namespace
