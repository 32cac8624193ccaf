#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "tests/imaging/io/exif/ExifToolOracle.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

constexpr std::uint8_t kApp13 = 0xED;

std::vector<fs::path> CorpusJpegs(const char* folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(CorpusDir() / folder)) {
    if (entry.path().extension() == ".jpg")
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

int MarkerCount(const TIOParamsVals& params, std::uint8_t code) {
  int count = 0;
  for (int i = 0; i < params.JpegMarkers.Count(); ++i)
    count += params.JpegMarkers[i].code == code ? 1 : 0;
  return count;
}

class MetadataCorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (CorpusDir().empty())
      GTEST_SKIP() << "shared corpus absent";
    if (!exiftool::Available())
      GTEST_SKIP() << "exiftool (libimage-exiftool-perl) is not installed";
    dir = MakeTempDir("qmmetadata");
  }
  void TearDown() override {
    if (!dir.empty())
      fs::remove_all(dir);
  }
  fs::path OutputFor(std::size_t index) const {
    return dir / ("out" + std::to_string(index) + ".jpg");
  }
  // Loads the source, stands in a picture of half the size for the resize, and saves it.
  void Convert(const fs::path& source, const fs::path& output) {
    TImagerIO io;
    io.LoadJpegFile(source.string());
    EXPECT_FALSE(io.Aborting());
    const int width = std::max(1, io.Bitmap()->Width() / 2);
    const int height = std::max(1, io.Bitmap()->Height() / 2);
    io.Bitmap()->Allocate(width, height, pfBGR24);
    io.SaveJpegFile(output.string());
    EXPECT_FALSE(io.Aborting());
  }
  fs::path dir;
};

TEST_F(MetadataCorpusTest, IptcRecordsReadTheSameAfterConversion) {
  const std::vector<fs::path> sources = CorpusJpegs("iptc");
  std::vector<fs::path> outputs;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    Convert(sources[i], OutputFor(i));
    outputs.push_back(OutputFor(i));
  }
  const auto expected = exiftool::Lines("-IPTC:all", sources);
  const auto actual = exiftool::Lines("-IPTC:all", outputs);
  for (std::size_t i = 0; i < sources.size(); ++i)
    EXPECT_EQ(actual[i], expected[i]) << sources[i];
  EXPECT_GT(std::count_if(expected.begin(), expected.end(),
                          [](const std::string& lines) { return !lines.empty(); }),
            15);
}

// The list parsed from an APP13 marker and written again in the Photoshop form reads the same
// as the source's, but for the record version, which that form leaves to readers, and empty
// records, which it leaves out. (A Photoshop block continued in a second marker is parsed
// from its first only.)
TEST_F(MetadataCorpusTest, IptcRecordsSurviveBeingWrittenAgain) {
  std::vector<fs::path> sources;
  std::vector<fs::path> outputs;
  for (const fs::path& source : CorpusJpegs("iptc")) {
    TImagerIO io;
    io.LoadJpegFile(source.string());
    if (io.Params().IptcRecords.Count() == 0 || MarkerCount(io.Params(), kApp13) > 1)
      continue;
    io.Params().IptcRecords.AssignRecords(io.Params().IptcRecords);
    outputs.push_back(OutputFor(sources.size()));
    sources.push_back(source);
    io.SaveJpegFile(outputs.back().string());
  }
  EXPECT_GT(sources.size(), 10u);
  const std::vector<std::string> version = {"ApplicationRecordVersion"};
  const auto expected = exiftool::Lines("-IPTC:all", sources, version);
  const auto actual = exiftool::Lines("-IPTC:all", outputs, version);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    EXPECT_FALSE(expected[i].empty()) << sources[i];
    EXPECT_EQ(actual[i], expected[i]) << sources[i];
  }
}

}  // namespace
