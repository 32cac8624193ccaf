#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/FileExtension.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "platform/MemoryStream.h"
#include "tests/imaging/io/registry/RegistryTestSupport.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;
using namespace registrytest;

namespace {

std::size_t UsedRowBytes(TImgBitmap& bitmap) {
  const std::size_t width = static_cast<std::size_t>(bitmap.Width());
  switch (bitmap.PixelFormat()) {
    case pfBit1:
      return (width + 7) / 8;
    case pfGray16:
      return 2 * width;
    case pfBGR24:
      return 3 * width;
    case pf32f:
      return 4 * width;
    default:
      return width;
  }
}

void ExpectSamePixels(TImgBitmap& expected, TImgBitmap& actual) {
  ASSERT_EQ(expected.Width(), actual.Width());
  ASSERT_EQ(expected.Height(), actual.Height());
  ASSERT_EQ(expected.PixelFormat(), actual.PixelFormat());
  const std::size_t bytes = UsedRowBytes(expected);
  for (int y = 0; y < expected.Height(); ++y) {
    ASSERT_TRUE(std::equal(expected.RowPtr(y), expected.RowPtr(y) + bytes, actual.RowPtr(y)))
        << "row " << y;
  }
  ASSERT_EQ(expected.HasAlphaChannel(), actual.HasAlphaChannel());
  if (expected.HasAlphaChannel())
    ExpectSamePixels(*expected.AlphaChannel(), *actual.AlphaChannel());
}

void ExpectSameParams(const TIOParamsVals& expected, const TIOParamsVals& actual) {
  EXPECT_EQ(expected.FormatId, actual.FormatId);
  EXPECT_EQ(expected.Width, actual.Width);
  EXPECT_EQ(expected.Height, actual.Height);
  EXPECT_EQ(expected.BitsPerSample, actual.BitsPerSample);
  EXPECT_EQ(expected.SamplesPerPixel, actual.SamplesPerPixel);
  EXPECT_EQ(expected.ResolutionX, actual.ResolutionX);
  EXPECT_EQ(expected.ResolutionY, actual.ResolutionY);
  EXPECT_EQ(expected.JpegColorSpace, actual.JpegColorSpace);
  EXPECT_EQ(expected.JpegMarkers.Count(), actual.JpegMarkers.Count());
  EXPECT_EQ(expected.BmpCompression, actual.BmpCompression);
  EXPECT_EQ(expected.ColorMap, actual.ColorMap);
  EXPECT_EQ(expected.TiffCompression, actual.TiffCompression);
  EXPECT_EQ(expected.ImageCount, actual.ImageCount);
  EXPECT_EQ(expected.ExifPresent, actual.ExifPresent);
}

// Loads through the file dispatch; an error the reader raises counts as a failed load.
bool LoadFile(TImagerIO& io, const fs::path& path) {
  try {
    io.LoadFromFile(path.string());
  } catch (const std::exception&) {
    return false;
  }
  return !io.Aborting();
}

bool LoadStream(TImagerIO& io, const fs::path& path) {
  TMemoryStream stream(ReadFile(path));
  try {
    io.LoadFromStream(stream);
  } catch (const std::exception&) {
    return false;
  }
  return !io.Aborting();
}

}  // namespace

TEST(StreamCorpusTest, StreamLoadEqualsFileLoadForEveryCorpusPhoto) {
  const fs::path corpus = CorpusDir();
  if (corpus.empty())
    GTEST_SKIP() << "the shared corpus is absent";
  const std::set<std::string> extensions = {".jpg", ".jpeg", ".bmp", ".dib", ".tif", ".tiff"};
  int compared = 0;
  for (const char* folder : {"jpeg", "bmp", "tiff", "exif", "iptc"}) {
    if (!fs::is_directory(corpus / folder))
      continue;
    for (const auto& entry : fs::recursive_directory_iterator(corpus / folder)) {
      if (!entry.is_regular_file() || !extensions.count(LowerCaseExtension(entry.path())))
        continue;
      SCOPED_TRACE(entry.path().string());
      TImagerIO byFile;
      TImagerIO byStream;
      const bool fileLoaded = LoadFile(byFile, entry.path());
      const bool streamLoaded = LoadStream(byStream, entry.path());
      EXPECT_EQ(fileLoaded, streamLoaded);
      if (!fileLoaded || !streamLoaded)
        continue;
      ++compared;
      EXPECT_EQ(byFile.Params().SourcePath, entry.path().string());
      EXPECT_TRUE(byStream.Params().SourcePath.empty());
      ExpectSameParams(byFile.Params(), byStream.Params());
      ExpectSamePixels(*byFile.Bitmap(), *byStream.Bitmap());
    }
  }
  EXPECT_GT(compared, 0);
}
