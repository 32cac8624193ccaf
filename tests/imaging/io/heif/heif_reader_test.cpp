#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/heif/HeifReader.h"
#include "imaging/io/registry/FindStreamFormat.h"
#include "imaging/io/registry/FormatIds.h"
#include "platform/MemoryStream.h"
#include "tests/imaging/io/LibraryTestSupport.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;
using namespace librarytest;

// The HEVC encoder that writes the files with rotation boxes keeps one block for the life of
// the process; under the leak checker of the sanitizer builds that is not ours to report.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libx265\n";
}

namespace {

class HeifReaderTest : public ReaderTest {
 protected:
  HeifReaderTest() : ReaderTest({"heif-enc", "heif-convert"}) {}

  // Encodes the picture with heif-enc (an AVIF file for a name ending in .avif).
  fs::path Encode(const TPicture& picture, const std::string& name, const std::string& options) {
    const fs::path input = dir / "in.png";
    EXPECT_TRUE(librarywriters::WritePng(input.string(), picture));
    const fs::path file = dir / name;
    EXPECT_TRUE(
        RunTool("heif-enc " + options + " '" + input.string() + "' -o '" + file.string() + "'"));
    return file;
  }
};

struct HeifCase {
  const char* name;
  const char* file;
  int width;
  int channels;
  const char* options;
  int formatId;
};

TEST_F(HeifReaderTest, DecodesWithinOneLevelOfTheReferenceDecoder) {
  const HeifCase cases[] = {
      {"HEIC", "photo.heic", 64, 3, "-q 80", kFormatHeif},
      {"HEIC, odd width", "photo.HEIF", 45, 3, "-q 60", kFormatHeif},
      {"HEIC with alpha", "cut-out.heic", 48, 4, "-q 90", kFormatHeif},
      {"AVIF", "photo.avif", 64, 3, "-q 70", kFormatAvif},
      {"AVIF with alpha", "cut-out.avif", 40, 4, "-q 80", kFormatAvif},
  };
  for (const HeifCase& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path file = Encode(Pattern(c.width, 36, c.channels), c.file, c.options);
    const fs::path reference = dir / "ref.png";
    ASSERT_TRUE(
        RunTool("heif-convert --quiet '" + file.string() + "' '" + reference.string() + "'"));
    const auto expected = ReadPngRgba(reference);
    ASSERT_TRUE(expected.has_value());
    io.LoadFromFile(file.string());
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.Params().FormatId, c.formatId);
    EXPECT_EQ(io.Params().Width, c.width);
    const int difference = LargestDifference(*io.Bitmap(), *expected);
    EXPECT_GE(difference, 0);
    EXPECT_LE(difference, 1);

    TMemoryStream stream(ReadFile(file));
    EXPECT_EQ(FindStreamFormat(stream), c.formatId);
  }
}

TEST_F(HeifReaderTest, ExifMakeModelAndOrientationReachTheSavedJpeg) {
  if (!ToolAvailable("exiftool") || !ToolAvailable("cjpeg"))
    GTEST_SKIP() << "exiftool or cjpeg absent";
  const fs::path jpeg = TaggedCameraJpeg(dir, "PhoneMaker", "Phone 12");
  ASSERT_FALSE(jpeg.empty());
  const fs::path file = dir / "tagged.heic";
  ASSERT_TRUE(RunTool("heif-enc -q 80 '" + jpeg.string() + "' -o '" + file.string() + "'"));
  EXPECT_EQ(MakeModelOrientation(file), "PhoneMaker\nPhone 12\n6\n");
  EXPECT_EQ(MakeModelOrientation(SavedAsJpeg(file)), MakeModelOrientation(file));
}

TEST_F(HeifReaderTest, ATurnStoredInBoxesIsNotTurnedAgainByTheExifOrientation) {
  // The EXIF block of a camera that says "turned a quarter clockwise" (orientation 6).
  const std::vector<std::uint8_t> exif = {'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0, 0x12, 0x01, 3,
                                          0,   1,   0,  0, 0, 6, 0, 0, 0, 0, 0,    0,    0};
  struct {
    int boxes;  ///< the orientation the file's own boxes carry
    int width, height, orientation;
  } const cases[] = {{6, 36, 64, 1}, {3, 64, 36, 1}, {2, 64, 36, 1}, {1, 64, 36, 6}};
  for (const auto& c : cases) {
    const fs::path file = dir / ("boxes" + std::to_string(c.boxes) + ".heic");
    ASSERT_TRUE(
        librarywriters::WriteHeif(file.string(), Pattern(64, 36, 3), false, 80, exif, c.boxes));
    io.LoadFromFile(file.string());
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.Bitmap()->Width(), c.width) << file;
    EXPECT_EQ(io.Bitmap()->Height(), c.height) << file;
    EXPECT_EQ(io.Params().Orientation, c.orientation) << file;
  }
}

TEST_F(HeifReaderTest, CutOffFilesAreRefused) {
  for (const char* name : {"whole.heic", "whole.avif"})
    ExpectCutCopiesRefused(Encode(Pattern(64, 48, 3), name, "-q 80"), {0.05, 0.5, 0.97});
}

// An `ftyp` box: size, type, major brand, minor version, compatible brands.
std::vector<std::uint8_t> Ftyp(const std::string& major, const std::vector<std::string>& brands,
                               int declaredSize = -1) {
  const std::size_t size = 16 + 4 * brands.size();
  const std::uint32_t stated = declaredSize >= 0 ? static_cast<std::uint32_t>(declaredSize)
                                                 : static_cast<std::uint32_t>(size);
  std::vector<std::uint8_t> box = {static_cast<std::uint8_t>(stated >> 24),
                                   static_cast<std::uint8_t>(stated >> 16),
                                   static_cast<std::uint8_t>(stated >> 8),
                                   static_cast<std::uint8_t>(stated),
                                   'f',
                                   't',
                                   'y',
                                   'p'};
  box.insert(box.end(), major.begin(), major.end());
  box.insert(box.end(), {'a', 'v', 'i', 'f'});  // the minor version field is not a brand
  for (const std::string& brand : brands)
    box.insert(box.end(), brand.begin(), brand.end());
  return box;
}

TEST(HeifBrandTest, BrandsNameTheFamily) {
  struct BrandCase {
    const char* name;
    std::vector<std::uint8_t> head;
    THeifBrand expected;
  };
  const BrandCase cases[] = {
      {"phone HEIC", Ftyp("heic", {"mif1", "heic"}), THeifBrand::Heif},
      {"generic image brand only", Ftyp("mif1", {"mif1"}), THeifBrand::Heif},
      {"10-bit HEIC", Ftyp("heix", {}), THeifBrand::Heif},
      {"AVIF", Ftyp("avif", {"mif1", "miaf"}), THeifBrand::Avif},
      {"AVIF named among compatible brands", Ftyp("mif1", {"miaf", "avif"}), THeifBrand::Avif},
      {"video file", Ftyp("isom", {"iso2", "mp41"}), THeifBrand::None},
      {"minor version is no brand", Ftyp("qt  ", {}), THeifBrand::None},
      {"box too small", Ftyp("heic", {}, 12), THeifBrand::None},
      {"not an ftyp box",
       {0, 0, 0, 16, 'm', 'o', 'o', 'v', 'h', 'e', 'i', 'c', 0, 0, 0, 0},
       THeifBrand::None},
      {"cut short", {0, 0, 0, 24, 'f', 't'}, THeifBrand::None},
  };
  for (const BrandCase& c : cases)
    EXPECT_EQ(HeifBrandOf(c.head), c.expected) << c.name;
}

}  // namespace
