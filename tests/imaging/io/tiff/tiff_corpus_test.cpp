#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

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
  bool lossy = false;
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
  // libtiff upsamples the chroma of old-style JPEG on its own, so single pixels differ.
  expectation.lossy = params.TiffCompression == 6 || params.TiffCompression == 7;
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

struct TDifference {
  int largest = 0;
  double mean = 0.0;
  int pixels = 0;
};

TDifference Compare(TTiffLoad& load, const TLibtiffImage& reference,
                    const TExpectation& expectation) {
  TDifference difference;
  double sum = 0.0;
  for (int y = 0; y < reference.height; ++y) {
    for (int x = 0; x < reference.width; ++x) {
      const std::uint32_t abgr = reference.abgr[std::size_t(y) * reference.width + x];
      if (TIFFGetA(abgr) != 255)
        continue;
      ++difference.pixels;
      const TRgb ours = PixelAt(load.bitmap, x, y);
      const int worst = std::max({std::abs(ours.red - Expected(TIFFGetR(abgr), expectation)),
                                  std::abs(ours.green - Expected(TIFFGetG(abgr), expectation)),
                                  std::abs(ours.blue - Expected(TIFFGetB(abgr), expectation))});
      difference.largest = std::max(difference.largest, worst);
      sum += worst;
    }
  }
  difference.mean = difference.pixels > 0 ? sum / difference.pixels : 0.0;
  return difference;
}

// Files whose libtiff rendering is not the picture, so the reader's cannot be held to it.
constexpr std::string_view kLibtiffDiffers[] = {
    // One-dimensional Group 3 rows without end-of-line codes: libtiff stops at the first row
    // and leaves the page white, the reader decodes the text.
    "libtiff/testfax3_bug54_1dnoEOL.tif",
    // Damaged run codes that libtiff reports as a buffer overflow.
    "libtiff/testfax3_bug_513.tiff",
};

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
    if (reference.orientation != 1) {
      std::printf("%-60s decoded %dx%d; orientation %d, which libtiff renders otherwise\n",
                  name.c_str(), reference.width, reference.height, reference.orientation);
      continue;
    }
    if (std::find(std::begin(kLibtiffDiffers), std::end(kLibtiffDiffers), name) !=
        std::end(kLibtiffDiffers)) {
      std::printf("%-60s decoded %dx%d; libtiff's rendering differs on purpose\n", name.c_str(),
                  reference.width, reference.height);
      continue;
    }
    const TExpectation expectation = ExpectationFor(load->params);
    const TDifference difference = Compare(*load, reference, expectation);
    std::printf("%-60s decoded %dx%d, %d opaque pixels, difference largest %d mean %.3f\n",
                name.c_str(), reference.width, reference.height, difference.pixels,
                difference.largest, difference.mean);
    // L*a*b* has its own conversion formula, unlike libtiff's display model.
    if (load->params.TiffPhotometric == 7)
      continue;
    if (expectation.lossy) {
      EXPECT_LT(difference.mean, 0.5);
    } else {
      EXPECT_LE(difference.largest, expectation.tolerance);
    }
    ++decoded;
  }
  EXPECT_GT(decoded, 0);
}

}  // namespace
