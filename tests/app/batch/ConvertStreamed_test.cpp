#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/batch/ConvertFile.h"
#include "app/batch/SizeRule.h"
#include "imaging/component/TImager.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "tests/app/batch/SampleImages.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"
#include "tests/support/TestPaths.h"

// A JPEG photo that needs nothing but the size rule is converted a few rows at a time. These
// tests hold that road to the component's whole-photo operations: load, resample, save.

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> FileBytes(const fs::path& path) {
  return oracle::ReadFile(path);
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Encoded(int width, int height,
                                  const std::function<void(oracle::EncodeOptions&)>& edit) {
  oracle::EncodeOptions options = oracle::Options(edit);
  std::vector<std::uint8_t> pixels = sample_images::Pixels(width, height, 3);
  if (options.components == 1) {
    for (std::size_t i = 0; i < pixels.size() / 3; ++i)
      pixels[i] = pixels[3 * i + 1];
  } else if (options.components == 4) {
    pixels.resize(static_cast<std::size_t>(width) * height * 4, 200);
  }
  return oracle::Encode(width, height, pixels, options);
}

struct SourceCase {
  const char* what;
  std::vector<std::uint8_t> bytes;
  bool damaged;
};

std::vector<SourceCase> Sources() {
  const int w = 333, h = 251;
  const auto baseline = Encoded(w, h, [](oracle::EncodeOptions&) {});
  std::vector<std::uint8_t> cut(baseline.begin(), baseline.begin() + baseline.size() * 2 / 3);
  return {
      {"baseline, chroma halved", baseline, false},
      {"progressive", Encoded(w, h, [](oracle::EncodeOptions& o) { o.progressive = true; }), false},
      {"gray",
       Encoded(w, h,
               [](oracle::EncodeOptions& o) {
                 o.components = 1;
                 o.inSpace = JCS_GRAYSCALE;
                 o.fileSpace = JCS_GRAYSCALE;
               }),
       false},
      {"RGB planes with restart markers",
       Encoded(w, h,
               [](oracle::EncodeOptions& o) {
                 o.fileSpace = JCS_RGB;
                 o.setup = [](j_compress_ptr cinfo) { cinfo->restart_interval = 3; };
               }),
       false},
      {"CMYK",
       Encoded(w, h,
               [](oracle::EncodeOptions& o) {
                 o.components = 4;
                 o.inSpace = JCS_CMYK;
                 o.fileSpace = JCS_CMYK;
               }),
       false},
      {"cut short: found only at the end of the rows", cut, true},
  };
}

struct SizeCase {
  const char* what;
  int sizeIndex;
  const char* customWidth;
  const char* customHeight;
};

// Index 0 is 100 %, 1 is 50 %, 3 is 10 %, 4 the custom frame, 5 is 1600 x 1200.
constexpr SizeCase kSizes[] = {
    {"the full size", 0, "", ""},
    {"half", 1, "", ""},
    {"a tenth", 3, "", ""},
    {"narrower but taller", 4, "90", "700"},
    {"enlarged both ways", 5, "", ""},
};

class ConvertStreamedTest : public ::testing::Test {
 protected:
  void SetUp() override { root = MakeTempDir("qm_streamed_"); }
  void TearDown() override { fs::remove_all(root); }

  // The whole-photo operations as the component offers them.
  std::vector<std::uint8_t> WholePhoto(const fs::path& source) {
    TImager whole;
    whole.LoadFromFile(source.string());
    TImgBitmap& image = *whole.GetImgBitmap();
    const ResampleRequest request = ComputeResample(settings, image.Width(), image.Height());
    if (request.Resize)
      whole.Resample(request.Width, request.Height, rfBicubic);
    TIOParamsVals& params = whole.Params();
    params.JpegProgressive = true;
    params.JpegQuality = JpegQualityFor(settings.QualityIndex);
    params.JpegColorSpace = settings.WriteYCbCr ? 2 : 0;
    const fs::path target = root / "whole.jpg";
    whole.SaveJpegFile(target.string());
    return FileBytes(target);
  }

  fs::path root;
  ConversionSettings settings;
};

TEST_F(ConvertStreamedTest, WritesTheBytesOfTheWholePhotoRoad) {
  const std::vector<SourceCase> sources = Sources();
  for (bool ycbcr : {false, true}) {
    settings.WriteYCbCr = ycbcr;
    for (const SizeCase& size : kSizes) {
      settings.SizeIndex = size.sizeIndex;
      settings.CustomWidthText = size.customWidth;
      settings.CustomHeightText = size.customHeight;
      for (const SourceCase& source : sources) {
        SCOPED_TRACE(std::string(source.what) + ", " + size.what + (ycbcr ? ", YCbCr" : ""));
        const fs::path path = root / "in.jpg";
        WriteBytes(path, source.bytes);
        TImager imager;
        const TPhotoResult result =
            ConvertFile(imager, settings, path.string(), (root / "out.jpg").string());
        ASSERT_TRUE(result.Converted);
        EXPECT_EQ(FileBytes(root / "out.jpg"), WholePhoto(path));
        EXPECT_EQ(result.Damage.empty(), !source.damaged);
        // Only the cut photo, found damaged at its end, was loaded whole after all.
        EXPECT_EQ(imager.GetImgBitmap()->IsEmpty(), !source.damaged);
      }
    }
  }
}

TEST_F(ConvertStreamedTest, ProgressCountsTheWrittenRowsUpToAHundred) {
  WriteBytes(root / "in.jpg", Sources().front().bytes);
  TImager imager;
  std::vector<int> percents;
  imager.IO()->OnProgress = [&](void*, int percent) { percents.push_back(percent); };
  ASSERT_TRUE(ConvertFile(imager, settings, (root / "in.jpg").string(), (root / "out.jpg").string())
                  .Converted);
  ASSERT_FALSE(percents.empty());
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(percents.back(), 100);
  EXPECT_LE(*std::max_element(percents.begin(), percents.end()), 100);
}

TEST_F(ConvertStreamedTest, ADamagedSourceRefusedLeavesNoFile) {
  const SourceCase cut = Sources().back();
  ASSERT_TRUE(cut.damaged);
  WriteBytes(root / "cut.jpg", cut.bytes);
  settings.RefuseDamagedSources = true;
  TImager imager;
  const TPhotoResult result =
      ConvertFile(imager, settings, (root / "cut.jpg").string(), (root / "out.jpg").string());
  EXPECT_FALSE(result.Converted);
  EXPECT_FALSE(result.Damage.empty());
  EXPECT_FALSE(fs::exists(root / "out.jpg"));
  EXPECT_EQ(std::distance(fs::directory_iterator(root), fs::directory_iterator()), 1);
}

}  // namespace
