#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/imaging/io/tiff/TiffTestSupport.h"
#include "tests/support/TestPaths.h"

namespace {

namespace fs = std::filesystem;

bool IsTiffName(const fs::path& path) {
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".tif" || extension == ".tiff";
}

// What a libtiff channel value becomes under the reader's documented rules.
struct TExpectation {
  int tolerance = 0;
  bool fourBitGray = false;
  bool whiteIsZero = false;
};

TExpectation ExpectationFor(const TIOParamsVals& params) {
  TExpectation expectation;
  const bool gray = params.TiffPhotometric <= 1;
  expectation.whiteIsZero = params.TiffPhotometric == 0;
  expectation.fourBitGray = gray && params.BitsPerSample == 4;
  if (params.BitsPerSample > 8)
    expectation.tolerance = 1;
  // The JPEG codec and libtiff both decode through libjpeg, but may upsample chroma apart.
  if (params.TiffCompression == 6 || params.TiffCompression == 7)
    expectation.tolerance = 3;
  return expectation;
}

int Expected(int libtiffValue, const TExpectation& expectation) {
  if (!expectation.fourBitGray)
    return libtiffValue;
  // Four-bit gray keeps the sample in the high nibble where libtiff scales it by 17.
  if (expectation.whiteIsZero)
    return 255 - ((15 - libtiffValue / 17) << 4);
  return (libtiffValue / 17) << 4;
}

int MaxDifference(TTiffLoad& load, const TLibtiffImage& reference, const TExpectation& expectation,
                  int& comparedPixels) {
  int worst = 0;
  comparedPixels = 0;
  for (int y = 0; y < reference.height; ++y) {
    for (int x = 0; x < reference.width; ++x) {
      const std::uint32_t abgr = reference.abgr[std::size_t(y) * reference.width + x];
      if (TIFFGetA(abgr) != 255)
        continue;
      ++comparedPixels;
      const TRgb ours = PixelAt(load.bitmap, x, y);
      worst = std::max({worst, std::abs(ours.red - Expected(TIFFGetR(abgr), expectation)),
                        std::abs(ours.green - Expected(TIFFGetG(abgr), expectation)),
                        std::abs(ours.blue - Expected(TIFFGetB(abgr), expectation))});
    }
  }
  return worst;
}

TEST(TiffCorpus, DecodesLikeLibtiffOrRefuses) {
  const fs::path corpus = CorpusDir();
  if (corpus.empty() || !fs::is_directory(corpus / "tiff"))
    GTEST_SKIP() << "no shared corpus of TIFF files";
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(corpus / "tiff")) {
    if (entry.is_regular_file() && IsTiffName(entry.path()))
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  int decoded = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    const std::string name = fs::relative(file, corpus / "tiff").string();
    std::unique_ptr<TTiffLoad> load = LoadTiffBytes(ReadFileBytes(file));
    if (load->aborted) {
      std::printf("%-60s refused (abort flag)\n", name.c_str());
      continue;
    }
    const TLibtiffImage reference = ReadWithLibtiff(file);
    if (reference.abgr.empty()) {
      std::printf("%-60s decoded %dx%d; libtiff cannot read it\n", name.c_str(),
                  load->bitmap.Width(), load->bitmap.Height());
      continue;
    }
    ASSERT_EQ(load->bitmap.Width(), reference.width);
    ASSERT_EQ(load->bitmap.Height(), reference.height);
    const TExpectation expectation = ExpectationFor(load->params);
    int compared = 0;
    const int difference = MaxDifference(*load, reference, expectation, compared);
    std::printf("%-60s decoded %dx%d, %d opaque pixels, largest difference %d\n", name.c_str(),
                reference.width, reference.height, compared, difference);
    // L*a*b* has its own conversion formula, unlike libtiff's display model.
    if (load->params.TiffPhotometric != 7) {
      EXPECT_LE(difference, expectation.tolerance);
    }
    ++decoded;
  }
  EXPECT_GT(decoded, 0);
}

}  // namespace
