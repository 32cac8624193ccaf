#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

int RunQuietly(const std::string& command) {
  const int raw = std::system((command + " >/dev/null").c_str());
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string RecordText(const TIOParamsVals& params, int dataSet) {
  for (int i = 0; i < params.IptcRecords.Count(); ++i) {
    const TImgIPTCInfoList::Record& record = params.IptcRecords[i];
    if (record.recordNumber == 2 && record.dataSet == dataSet)
      return std::string(record.data.begin(), record.data.end());
  }
  return {};
}

// The sample photos of ./run.sh carry EXIF fields and IPTC records; converted, they keep them,
// with the converted size as the pixel dimensions.
TEST(SampleMetadata, ConvertedSamplePhotosKeepTheirExifAndIptcFields) {
#if !defined(QM_CLI_PATH) || !defined(QM_MAKE_SAMPLES_PATH)
  GTEST_SKIP() << "quillmere-cli or make-samples is not built";
#else
  const fs::path root = MakeTempDir("qm_samples_");
  ASSERT_EQ(RunQuietly(std::string(QM_MAKE_SAMPLES_PATH) + " '" + (root / "photos").string() + "'"),
            0);
  ASSERT_EQ(RunQuietly(std::string(QM_CLI_PATH) + " --subfolders '" + (root / "photos").string() +
                       "' '" + (root / "converted").string() + "'"),
            0);
  int photos = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root / "photos")) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() != ".jpg" && entry.path().extension() != ".JPG")
      continue;
    SCOPED_TRACE(name);
    TImagerIO source;
    source.LoadJpegFile(entry.path().string());
    fs::path converted = root / "converted" / fs::relative(entry.path(), root / "photos");
    converted.replace_extension(".jpg");
    TImagerIO output;
    output.LoadJpegFile(converted.string());
    ASSERT_FALSE(output.Aborting());
    const TIOParamsVals& in = source.Params();
    const TIOParamsVals& out = output.Params();
    EXPECT_TRUE(out.ExifPresent);
    EXPECT_EQ(out.ExifMake, "Quillmere Samples");
    EXPECT_EQ(out.ExifModel, in.ExifModel);
    EXPECT_EQ(out.ExifDateTimeOriginal, in.ExifDateTimeOriginal);
    EXPECT_EQ(out.ExifImageDescription, in.ExifImageDescription);
    EXPECT_EQ(out.Orientation, in.Orientation);
    EXPECT_DOUBLE_EQ(out.ExifFNumber, in.ExifFNumber);
    EXPECT_EQ(out.ExifPixelXDimension, output.Bitmap()->Width());
    EXPECT_EQ(out.ExifPixelYDimension, output.Bitmap()->Height());
    EXPECT_LT(out.ExifPixelXDimension, in.ExifPixelXDimension);
    EXPECT_FALSE(RecordText(out, 120).empty());
    EXPECT_EQ(RecordText(out, 120), RecordText(in, 120));
    EXPECT_EQ(RecordText(out, 80), "Quillmere team");
    ++photos;
  }
  EXPECT_EQ(photos, 8);
  fs::remove_all(root);
#endif
}

}  // namespace
