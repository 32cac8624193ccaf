#include <array>
#include <cstdio>
#include <cstdlib>

#include "tests/app/batch/SampleImages.h"
#include "tests/cli/CliFixture.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"

namespace fs = std::filesystem;

namespace {

bool Shell(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

bool HaveTools() {
  return Shell("exiftool -ver >/dev/null 2>&1 && command -v ppm2tiff >/dev/null");
}

void WritePpm(const fs::path& path, int width, int height, int seed) {
  std::ofstream file(path, std::ios::binary);
  file << "P6\n" << width << ' ' << height << "\n255\n";
  const std::vector<std::uint8_t> rgb = sample_images::Pixels(width, height, seed);
  file.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
}

// The picture a viewer shows for pixels stored with an EXIF orientation: where each shown pixel
// is stored, read off the orientation's description (which stored row and column are shown at
// the top and the left).
oracle::Image AsShown(const oracle::Image& stored, int orientation) {
  const int w = stored.width;
  const int h = stored.height;
  oracle::Image shown = stored;
  const bool sideways = orientation >= 5;
  shown.width = sideways ? h : w;
  shown.height = sideways ? w : h;
  for (int y = 0; y < shown.height; ++y) {
    for (int x = 0; x < shown.width; ++x) {
      const std::array<std::array<int, 2>, 9> from = {{{0, 0},
                                                       {x, y},
                                                       {w - 1 - x, y},
                                                       {w - 1 - x, h - 1 - y},
                                                       {x, h - 1 - y},
                                                       {y, x},
                                                       {y, h - 1 - x},
                                                       {w - 1 - y, h - 1 - x},
                                                       {w - 1 - y, x}}};
      const auto [sx, sy] = from[static_cast<std::size_t>(orientation)];
      std::copy_n(&stored.pixels[(static_cast<std::size_t>(sy) * w + sx) * 3], 3,
                  &shown.pixels[(static_cast<std::size_t>(y) * shown.width + x) * 3]);
    }
  }
  return shown;
}

std::string Tag(const fs::path& file, const std::string& tags) {
  char buffer[4096] = {};
  const std::string command = "exiftool -n -s3 -f " + tags + " '" + file.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  const std::size_t read = pipe != nullptr ? std::fread(buffer, 1, sizeof buffer - 1, pipe) : 0;
  if (pipe != nullptr)
    pclose(pipe);
  return std::string(buffer, read);
}

using CliMetadataChoiceTest = CliTest;

TEST_F(CliMetadataChoiceTest, AllCarriesTheGpsPositionAndXmpThatKeepLeavesOut) {
  if (!HaveTools())
    GTEST_SKIP() << "needs exiftool and ppm2tiff";
  // A JPEG whose new EXIF block exiftool writes big-endian, and a little-endian TIFF scan whose
  // location sits in its first directory with no EXIF directory beside it.
  ASSERT_TRUE(sample_images::WriteJpeg(source / "camera.jpg", 80, 60, 1));
  WritePpm(root / "scan.ppm", 64, 48, 2);
  ASSERT_TRUE(Shell("ppm2tiff '" + (root / "scan.ppm").string() + "' '" +
                    (source / "scan.tif").string() + "'"));
  const std::string location =
      " -GPSLatitude=48.8583701 -GPSLatitudeRef=N -GPSLongitude=2.2944813 -GPSLongitudeRef=E"
      " -GPSAltitude=35.5 -GPSAltitudeRef=0 -XMP-dc:Title=Tower";
  for (const char* name : {"camera.jpg", "scan.tif"})
    ASSERT_TRUE(Shell("exiftool -q -overwrite_original" + location + " '" +
                      (source / name).string() + "'"));
  const fs::path corpusGps = CorpusDir() / "exif/exif-samples/gps/DSCN0010.jpg";
  if (fs::exists(corpusGps))
    fs::copy_file(corpusGps, source / "nikon.jpg");

  for (const char* choice : {"keep", "all"}) {
    const fs::path out = root / choice;
    ASSERT_EQ(Run({"--metadata", choice, source.string(), out.string()}).status, 0) << choice;
    for (const auto& entry : fs::directory_iterator(source)) {
      const fs::path target = out / entry.path().stem().concat(".jpg");
      const std::string position = "-GPSLatitude -GPSLongitude -GPSLatitudeRef -GPSDateStamp";
      const std::string want = Tag(entry.path(), position);
      SCOPED_TRACE(std::string(choice) + " " + target.string());
      ASSERT_FALSE(want.starts_with("-")) << "the source has a position: " << want;
      if (std::string(choice) == "all")
        EXPECT_EQ(Tag(target, position), want);
      else
        EXPECT_EQ(Tag(target, position), "-\n-\n-\n-\n");
    }
    // A JPEG's XMP marker travels in either case; a TIFF page's packet only with "all".
    EXPECT_EQ(Tag(out / "camera.jpg", "-XMP-dc:Title"), "Tower\n");
    EXPECT_EQ(Tag(out / "scan.jpg", "-XMP-dc:Title"),
              std::string(choice) == "all" ? "Tower\n" : "-\n");
  }
}

TEST_F(CliMetadataChoiceTest, AutoRotateGivesTheNonRotatedOutputAsAViewerShowsIt) {
  if (!HaveTools())
    GTEST_SKIP() << "needs exiftool and ppm2tiff";
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const std::string name = "o" + std::to_string(orientation) + ".jpg";
    ASSERT_TRUE(sample_images::WriteJpeg(source / name, 96, 64, orientation));
    ASSERT_TRUE(Shell("exiftool -q -overwrite_original -n -Orientation=" +
                      std::to_string(orientation) + " '" + (source / name).string() + "'"));
  }
  ASSERT_EQ(Run({"--quality", "best", source.string(), (root / "plain").string()}).status, 0);
  ASSERT_EQ(
      Run({"--quality", "best", "--auto-rotate", source.string(), (root / "upright").string()})
          .status,
      0);
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const std::string name = "o" + std::to_string(orientation) + ".jpg";
    SCOPED_TRACE(name);
    EXPECT_EQ(Tag(root / "plain" / name, "-Orientation"), std::to_string(orientation) + "\n");
    EXPECT_EQ(Tag(root / "upright" / name, "-Orientation"), "1\n");
    const oracle::Image expected =
        AsShown(oracle::Decode(oracle::ReadFile(root / "plain" / name)), orientation);
    const oracle::Image upright = oracle::Decode(oracle::ReadFile(root / "upright" / name));
    ASSERT_EQ(upright.width, expected.width);
    ASSERT_EQ(upright.height, expected.height);
    // Both went through the same resampling and one JPEG encoding each, of pictures that differ
    // only in their turn: they match but for the coding noise.
    long total = 0;
    int largest = 0;
    for (std::size_t i = 0; i < upright.pixels.size(); ++i) {
      const int difference = std::abs(upright.pixels[i] - expected.pixels[i]);
      total += difference;
      largest = std::max(largest, difference);
    }
    EXPECT_LT(static_cast<double>(total) / static_cast<double>(upright.pixels.size()), 2.0);
    EXPECT_LE(largest, 32);
  }
  // The size rule sees the photo upright: a tall frame is filled by a photo stored wide but
  // shown tall.
  const CliRun plan =
      Run({"--dry-run", "--auto-rotate", "--size", "40x60", source.string(), "out"});
  EXPECT_NE(plan.out.find("o1.jpg: 96x64 -> 40x2"), std::string::npos) << plan.out;
  EXPECT_NE(plan.out.find("o6.jpg: 96x64 -> 40x60,"), std::string::npos) << plan.out;
}

}  // namespace
