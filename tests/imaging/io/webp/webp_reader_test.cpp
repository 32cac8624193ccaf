#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/registry/FindStreamFormat.h"
#include "imaging/io/registry/FormatIds.h"
#include "imaging/io/webp/WebpReader.h"
#include "platform/MemoryStream.h"
#include "tests/imaging/io/LibraryTestSupport.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;
using namespace librarytest;

namespace {

class WebpReaderTest : public ReaderTest {
 protected:
  WebpReaderTest() : ReaderTest({"cwebp", "dwebp"}) {}
};

// How cwebp is asked to encode, and how far our decode may stray from dwebp's.
struct WebpCase {
  const char* name;
  int channels;
  const char* options;
  int tolerance;
};

TEST_F(WebpReaderTest, DecodesAsTheReferenceDecoderDoes) {
  const WebpCase cases[] = {
      {"lossless", 3, "-lossless", 0},
      {"lossless with alpha", 4, "-lossless -exact", 0},
      {"lossy", 3, "-q 80", 1},
      {"lossy with alpha", 4, "-q 75 -alpha_q 100", 1},
      {"lossy, odd size", 3, "-q 50 -m 6", 1},
  };
  for (const WebpCase& c : cases) {
    SCOPED_TRACE(c.name);
    const TPicture picture =
        Pattern(std::string(c.name).find("odd") != std::string::npos ? 57 : 64, 43, c.channels);
    const fs::path input = dir / "in.png";
    ASSERT_TRUE(librarywriters::WritePng(input.string(), picture));
    const fs::path file = dir / "photo.webp";
    ASSERT_TRUE(RunTool(std::string("cwebp -quiet ") + c.options + " '" + input.string() +
                        "' -o '" + file.string() + "'"));
    ASSERT_TRUE(RunTool("dwebp -quiet '" + file.string() + "' -pam -o '" +
                        (dir / "ref.pam").string() + "'"));
    const auto reference = ReadPnm(dir / "ref.pam");
    ASSERT_TRUE(reference.has_value());
    io.LoadFromFile(file.string());
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.Params().FormatId, kFormatWebp);
    EXPECT_EQ(io.Bitmap()->PixelFormat(), pfBGR24);
    const int difference = LargestDifference(*io.Bitmap(), *reference);
    EXPECT_GE(difference, 0);
    EXPECT_LE(difference, c.tolerance);
  }
}

TEST_F(WebpReaderTest, AnAnimationGivesItsFirstFrame) {
  if (!ToolAvailable("img2webp"))
    GTEST_SKIP() << "img2webp absent";
  const TPicture first = Pattern(40, 30, 3);
  TPicture second = first;
  for (std::uint8_t& sample : second.samples)
    sample = static_cast<std::uint8_t>(255 - sample);
  ASSERT_TRUE(librarywriters::WritePng((dir / "1.png").string(), first));
  ASSERT_TRUE(librarywriters::WritePng((dir / "2.png").string(), second));
  const fs::path file = dir / "moving.webp";
  ASSERT_TRUE(RunTool("img2webp -lossless '" + (dir / "1.png").string() + "' '" +
                      (dir / "2.png").string() + "' -o '" + file.string() + "'"));
  io.LoadFromFile(file.string());
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(LargestDifference(*io.Bitmap(), first), 0);
}

TEST_F(WebpReaderTest, ExifMakeModelAndOrientationReachTheSavedJpeg) {
  if (!ToolAvailable("exiftool") || !ToolAvailable("cjpeg"))
    GTEST_SKIP() << "exiftool or cjpeg absent";
  const fs::path jpeg = TaggedCameraJpeg(dir, "WebMaker", "Web Model");
  ASSERT_FALSE(jpeg.empty());
  const fs::path file = dir / "tagged.webp";
  ASSERT_TRUE(
      RunTool("cwebp -quiet -metadata exif '" + jpeg.string() + "' -o '" + file.string() + "'"));
  EXPECT_EQ(MakeModelOrientation(file), "WebMaker\nWeb Model\n6\n");
  EXPECT_EQ(MakeModelOrientation(SavedAsJpeg(file)), MakeModelOrientation(file));
}

TEST_F(WebpReaderTest, CutOffFilesAreRefusedAndStreamsRecognised) {
  WritePpm(dir / "in.ppm", Pattern(64, 48, 3));
  const fs::path whole = dir / "whole.webp";
  ASSERT_TRUE(RunTool("cwebp -quiet -q 90 '" + (dir / "in.ppm").string() + "' -o '" +
                      whole.string() + "'"));
  ExpectCutCopiesRefused(whole, {0.1, 0.6, 0.97});
  TMemoryStream stream(ReadFile(whole));
  EXPECT_EQ(FindStreamFormat(stream), kFormatWebp);
  io.LoadFromStream(stream);
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(io.Bitmap()->Width(), 64);
}

TEST(WebpSignatureTest, NeedsBothRiffAndWebp) {
  const auto bytes = [](const char* text) {
    return std::vector<std::uint8_t>(text, text + std::char_traits<char>::length(text));
  };
  EXPECT_TRUE(HasWebpSignature(bytes("RIFF\x10\x20\x30\x40WEBPVP8 ")));
  EXPECT_FALSE(
      HasWebpSignature(bytes("RIFF\x10\x20\x30\x40"
                             "AVI LIST")));
  EXPECT_FALSE(HasWebpSignature(bytes("RIFX\x10\x20\x30\x40WEBPVP8 ")));
  EXPECT_FALSE(HasWebpSignature(bytes("RIFF\x10\x20")));
}

}  // namespace
