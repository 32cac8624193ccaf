#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <sstream>
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

std::vector<fs::path> CorpusFiles(const char* folder, const std::vector<std::string>& extensions) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::recursive_directory_iterator(CorpusDir() / folder)) {
    if (std::find(extensions.begin(), extensions.end(), entry.path().extension()) !=
        extensions.end())
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::vector<fs::path> CorpusJpegs(const char* folder) {
  return CorpusFiles(folder, {".jpg"});
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
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
    io.LoadFromFile(source.string());
    EXPECT_FALSE(io.Aborting());
    const int width = std::max(1, io.Bitmap()->Width() / 2);
    const int height = std::max(1, io.Bitmap()->Height() / 2);
    io.Bitmap()->Allocate(width, height, pfBGR24);
    io.SaveJpegFile(output.string());
    EXPECT_FALSE(io.Aborting());
  }
  fs::path dir;
};

// The camera's values read the same from the output as from the source (tags the source
// lacks are written as zeros); the pixel dimensions are the saved size; the block is
// little-endian and carries no thumbnail directory.
TEST_F(MetadataCorpusTest, CameraValuesReadTheSameAfterConversion) {
  const std::vector<fs::path> sources = CorpusFiles("exif", {".jpg", ".tiff"});
  std::vector<fs::path> outputs;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    Convert(sources[i], OutputFor(i));
    outputs.push_back(OutputFor(i));
  }
  const std::string kept =
      "-IFD0:Make -IFD0:Model -IFD0:ModifyDate -ExifIFD:DateTimeOriginal -ExifIFD:CreateDate "
      "-ExifIFD:ExposureTime -ExifIFD:FNumber -ExifIFD:ISO -ExifIFD:FocalLength -ExifIFD:Flash "
      "-ExifIFD:MeteringMode -IFD0:Orientation";
  const auto expected = exiftool::Lines(kept, sources);
  const auto actual = exiftool::Lines(kept, outputs);
  const auto layout = exiftool::Lines(
      "-ExifByteOrder -IFD1:all -ExifIFD:ExifImageWidth -ExifIFD:ExifImageHeight "
      "-File:ImageWidth -File:ImageHeight",
      outputs);
  int withMake = 0;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    SCOPED_TRACE(sources[i].string());
    for (const std::string& line : SplitLines(expected[i])) {
      // Two ISO values are kept; a test file of another library holds six.
      if (line.find(" ISO ") != std::string::npos && line.find(", ") != line.rfind(", "))
        continue;
      EXPECT_NE(actual[i].find(line + "\n"), std::string::npos) << line << "\n" << actual[i];
    }
    withMake += expected[i].find("Make") != std::string::npos ? 1 : 0;
    const std::vector<std::string> lines = SplitLines(layout[i]);
    ASSERT_EQ(lines.size(), 5u) << layout[i];
    EXPECT_NE(lines[0].find("Little-endian"), std::string::npos) << lines[0];
    const auto value = [&](std::size_t index) {
      return lines[index].substr(lines[index].rfind(' '));
    };
    EXPECT_EQ(value(1), value(3)) << layout[i];
    EXPECT_EQ(value(2), value(4)) << layout[i];
  }
  EXPECT_GT(withMake, 40);
}

TEST_F(MetadataCorpusTest, IptcRecordsReadTheSameAfterConversion) {
  const std::vector<fs::path> sources = CorpusJpegs("iptc");
  std::vector<fs::path> outputs;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    Convert(sources[i], OutputFor(i));
    outputs.push_back(OutputFor(i));
  }
  // IPTC records that a camera put inside its EXIF block ("IPTC2") are not part of the
  // rebuilt block.
  const std::vector<std::string> exifBlock = {"[IPTC2]"};
  const auto expected = exiftool::Lines("-IPTC:all", sources, exifBlock);
  const auto actual = exiftool::Lines("-IPTC:all", outputs, exifBlock);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    EXPECT_EQ(actual[i], expected[i]) << sources[i];
    // An unchanged list leaves the source's APP13 marker as it was, byte for byte.
    TImagerIO source;
    TImagerIO output;
    source.LoadJpegFile(sources[i].string());
    output.LoadJpegFile(outputs[i].string());
    const TImgMarkerList& before = source.Params().JpegMarkers;
    const TImgMarkerList& after = output.Params().JpegMarkers;
    ASSERT_EQ(after.IndexOf(kApp13) >= 0, before.IndexOf(kApp13) >= 0) << sources[i];
    if (before.IndexOf(kApp13) >= 0) {
      EXPECT_EQ(after[after.IndexOf(kApp13)].data, before[before.IndexOf(kApp13)].data);
    }
  }
  EXPECT_GT(std::count_if(expected.begin(), expected.end(),
                          [](const std::string& lines) { return !lines.empty(); }),
            15);
}

// A scan's IPTC records and colour profile reach its JPEG output.
TEST_F(MetadataCorpusTest, TiffIptcAndProfileReachTheJpegOutput) {
  const fs::path source = CorpusDir() / "iptc/exiftool/ExifTool.tif";
  if (!fs::exists(source))
    GTEST_SKIP() << source << " absent";
  Convert(source, OutputFor(0));
  const std::vector<std::string> version = {" ApplicationRecordVersion "};
  const std::string tags = "-IPTC:all -ICC_Profile:ProfileDescription -ICC_Profile:ColorSpaceData";
  const auto expected = exiftool::Lines(tags, {source}, version);
  const auto actual = exiftool::Lines(tags, {OutputFor(0)}, version);
  EXPECT_NE(expected[0].find("ProfileDescription"), std::string::npos) << expected[0];
  EXPECT_NE(expected[0].find("[IPTC]"), std::string::npos) << expected[0];
  EXPECT_EQ(actual[0], expected[0]);
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
  const std::vector<std::string> version = {" ApplicationRecordVersion ", "[IPTC2]"};
  const auto expected = exiftool::Lines("-IPTC:all", sources, version);
  const auto actual = exiftool::Lines("-IPTC:all", outputs, version);
  for (std::size_t i = 0; i < sources.size(); ++i) {
    EXPECT_FALSE(expected[i].empty()) << sources[i];
    EXPECT_EQ(actual[i], expected[i]) << sources[i];
  }
}

}  // namespace
