#include "app/batch/ConvertFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/batch/Button1Click.h"
#include "app/batch/SerialConverter.h"
#include "imaging/component/TImager.h"
#include "imaging/core/ImgErrors.h"
#include "imaging/core/TImgBitmap.h"
#include "tests/app/batch/FakeWindow.h"
#include "tests/app/batch/SampleImages.h"
#include "tests/support/SmallDisk.h"
#include "tests/support/TestPaths.h"
#include "tools/BmpWriter.h"

namespace fs = std::filesystem;
using sample_images::ReadJpegFrame;
using sample_images::WriteBmp;
using sample_images::WriteJpeg;

namespace {

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A header alone, claiming a picture of that size.
void WriteBmpClaim(const fs::path& path, int width, int height) {
  bmpwriter::TBmpFileSpec spec;
  spec.width = width;
  spec.height = height;
  const std::vector<std::uint8_t> bytes = bmpwriter::BuildBmp(spec);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

class ConvertFileTest : public ::testing::Test {
 protected:
  void SetUp() override { root = MakeTempDir("qm_convert_"); }
  void TearDown() override { fs::remove_all(root); }

  sample_images::JpegFrame Convert(int width, int height, int sizeIndex) {
    const fs::path source = root / ("in" + std::to_string(width) + ".jpg");
    const fs::path target = root / "out.jpg";
    EXPECT_TRUE(WriteJpeg(source, width, height));
    settings.SizeIndex = sizeIndex;
    EXPECT_TRUE(ConvertFile(imager, settings, source.string(), target.string()).Converted);
    return ReadJpegFrame(target);
  }

  fs::path root;
  TImager imager;
  ConversionSettings settings;
};

TEST_F(ConvertFileTest, SizeRulesReachTheSavedFile) {
  sample_images::JpegFrame frame = Convert(1001, 600, 1);
  EXPECT_EQ(frame.width, 500);
  EXPECT_NEAR(frame.height, 300, 1);
  EXPECT_TRUE(frame.progressive);
  EXPECT_EQ(frame.components, 3);

  frame = Convert(1600, 1200, 8);
  EXPECT_EQ(frame.width, 800);
  EXPECT_EQ(frame.height, 600);
  frame = Convert(1200, 600, 8);
  EXPECT_EQ(frame.width, 800);
  EXPECT_EQ(frame.height, 400);
  frame = Convert(64, 48, 0);
  EXPECT_EQ(frame.width, 64);
  EXPECT_EQ(frame.height, 48);
  // The box enlarges a smaller photo as well.
  frame = Convert(100, 100, 9);
  EXPECT_EQ(frame.height, 480);
}

TEST_F(ConvertFileTest, GrayScaleAndBlackAndWhiteSaveOneComponent) {
  settings.SaveGrayScale = true;
  EXPECT_EQ(Convert(64, 48, 0).components, 1);
  settings.SaveGrayScale = false;
  settings.ApplyBlackWhite = true;
  EXPECT_EQ(Convert(64, 48, 0).components, 1);
  settings.ApplyBlackWhite = false;
  EXPECT_EQ(Convert(64, 48, 0).components, 3);
}

TEST_F(ConvertFileTest, AFailedLoadIsNotSavedUnderTheNewName) {
  ASSERT_TRUE(WriteJpeg(root / "good.jpg", 40, 30));
  std::ofstream(root / "broken.jpg") << "this is no JPEG at all, only text";
  EXPECT_TRUE(
      ConvertFile(imager, settings, (root / "good.jpg").string(), (root / "good-out.jpg").string())
          .Converted);
  EXPECT_FALSE(ConvertFile(imager, settings, (root / "broken.jpg").string(),
                           (root / "broken-out.jpg").string())
                   .Converted);
  EXPECT_FALSE(fs::exists(root / "broken-out.jpg"));
}

TEST_F(ConvertFileTest, UnreadableSourceAndUncreatableTargetRaiseTheirMessages) {
  const std::string missing = (root / "gone.jpg").string();
  try {
    ConvertFile(imager, settings, missing, (root / "x.jpg").string());
    ADD_FAILURE() << "no error for a missing source";
  } catch (const EImgError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot open file " + missing);
  }
  ASSERT_TRUE(WriteJpeg(root / "in.jpg", 40, 30));
  std::ofstream(root / "file") << "x";
  const std::string blocked = (root / "file" / "x.jpg").string();
  try {
    ConvertFile(imager, settings, (root / "in.jpg").string(), blocked);
    ADD_FAILURE() << "no error for a target below a file";
  } catch (const EImgError& error) {
    EXPECT_EQ(std::string(error.what()), "Cannot create file " + blocked);
  }
}

TEST_F(ConvertFileTest, ASaveOntoAFullDiskLeavesThePreviousTargetAndNoTemporaryFile) {
  ASSERT_TRUE(WriteJpeg(root / "big.jpg", 1600, 1200));
  settings.SizeIndex = 0;
  settings.QualityIndex = 0;
  const fs::path disk = root / "disk";
  fs::create_directories(disk);
  const std::uint64_t diskBytes = 64 * 1024;
  const auto outcome = RunOnSmallDisk(disk, diskBytes, [&] {
    std::ofstream(disk / "photo.jpg") << "previous";
    bool converted = true;
    try {
      converted =
          ConvertFile(imager, settings, (root / "big.jpg").string(), (disk / "photo.jpg").string())
              .Converted;
    } catch (const EImgError&) {
      converted = false;
    }
    if (converted)
      return 1;
    if (Contents(disk / "photo.jpg") != "previous")
      return 2;
    return std::distance(fs::directory_iterator(disk), fs::directory_iterator()) == 1 ? 0 : 3;
  });
  if (!outcome)
    GTEST_SKIP() << "no mount namespace for a small tmpfs";
  EXPECT_EQ(*outcome, 0);
  // The same save elsewhere needs more than the small disk holds.
  ASSERT_TRUE(
      ConvertFile(imager, settings, (root / "big.jpg").string(), (root / "out.jpg").string())
          .Converted);
  EXPECT_GT(fs::file_size(root / "out.jpg"), diskBytes);
}

class SerialRunTest : public ConvertFileTest {
 protected:
  TBatchResult Run() {
    TSerialConverter converter(imager, 1);
    return Button1Click(window, converter);
  }
  FakeWindow window;
};

TEST_F(SerialRunTest, ConvertsIntoCreatedFoldersAndReadsSettingsForEveryFile) {
  ASSERT_TRUE(WriteJpeg(root / "in" / "sub" / "deep" / "a.jpg", 200, 100));
  ASSERT_TRUE(WriteJpeg(root / "in" / "b.jpg", 200, 100));
  window.settings.SourceFolder = (root / "in").string();
  window.settings.TargetFolder = (root / "out").string();
  window.settings.IncludeSubfolders = true;
  window.settings.SizeIndex = 4;
  window.settings.CustomWidthText = "50";
  window.settings.CustomHeightText = "50";
  // A change made while the run processes events applies from the next file on.
  window.onPendingEvents = [&] { window.settings.CustomWidthText = "20"; };
  const TBatchResult result = Run();
  EXPECT_EQ(result.Outcome, boFinished);
  EXPECT_EQ(result.Converted, 2);
  std::vector<int> widths = {ReadJpegFrame(root / "out" / "sub" / "deep" / "a.jpg").width,
                             ReadJpegFrame(root / "out" / "b.jpg").width};
  std::sort(widths.begin(), widths.end());
  EXPECT_EQ(widths, (std::vector<int>{20, 50}));
}

TEST_F(SerialRunTest, AnUnopenableSourceEndsTheRunWithItsMessage) {
  fs::create_directories(root / "in");
  fs::create_symlink(root / "nowhere.jpg", root / "in" / "dangling.jpg");
  window.settings.SourceFolder = (root / "in").string();
  window.settings.TargetFolder = (root / "out").string();
  const TBatchResult result = Run();
  EXPECT_EQ(result.Outcome, boFailed);
  EXPECT_EQ(result.ErrorMessage, "Cannot open file " + (root / "in").string() + "/dangling.jpg");
  EXPECT_EQ(window.statusText, "Process is started. Please wait ...");
}

TEST_F(SerialRunTest, ATargetThatCannotBeCreatedEndsTheRun) {
  ASSERT_TRUE(WriteJpeg(root / "in" / "a.jpg", 40, 30));
  std::ofstream(root / "file") << "x";
  window.settings.SourceFolder = (root / "in").string();
  window.settings.TargetFolder = (root / "file" / "out").string();
  const TBatchResult result = Run();
  EXPECT_EQ(result.Outcome, boFailed);
  EXPECT_EQ(result.ErrorMessage, "Cannot create file " + (root / "file").string() + "/out/a.jpg");
}

TEST_F(SerialRunTest, SizeClaimsNoDataCanFillAreNamedAmongConvertedPhotos) {
  ASSERT_TRUE(WriteJpeg(root / "in" / "a.jpg", 120, 80));
  WriteBmp(root / "in" / "b.bmp", 64, 48);
  WriteBmpClaim(root / "in" / "claims-20000.bmp", 20000, 20000);
  WriteBmpClaim(root / "in" / "claims-60000.bmp", 60000, 60000);
  window.settings.SourceFolder = (root / "in").string();
  window.settings.TargetFolder = (root / "out").string();
  // The window's choice and the command line's give the same result: no error is raised.
  for (const bool endRun : {true, false}) {
    window.endRunOnPhotoError = endRun;
    const TBatchResult result = Run();
    EXPECT_EQ(result.Outcome, boFinished);
    EXPECT_EQ(result.Converted, 2);
    std::vector<std::string> named;
    for (const TPhotoNote& note : result.NotConverted)
      named.push_back(fs::path(note.Path).filename().string());
    std::sort(named.begin(), named.end());
    EXPECT_EQ(named, (std::vector<std::string>{"claims-20000.bmp", "claims-60000.bmp"}));
    EXPECT_FALSE(fs::exists(root / "out" / "claims-20000.jpg"));
    EXPECT_EQ(ReadJpegFrame(root / "out" / "b.jpg").width, 32);
  }
}

TEST_F(SerialRunTest, ATemporaryStoreOnAFullDiskEndsOnlyItsPhoto) {
  ASSERT_TRUE(WriteJpeg(root / "in" / "big.jpg", 1000, 800));
  ASSERT_TRUE(WriteJpeg(root / "in" / "small.jpg", 60, 40));
  window.settings.SourceFolder = (root / "in").string();
  window.settings.TargetFolder = (root / "out").string();
  window.endRunOnPhotoError = false;
  // An effect needs the whole photo in a container; the size rule alone would stream it.
  window.settings.ApplyNegative = true;
  const fs::path disk = root / "temp";
  fs::create_directories(disk);
  const auto outcome = RunOnSmallDisk(disk, 256 * 1024, [&] {
    // Containers of more than 1 MB go to the small disk; the small photo stays in memory.
    TImgBitmap::SetDefaultMemoryThreshold(1 << 20);
    TImgBitmap::SetTempFolder(disk.string());
    TImager onDisk;
    onDisk.SetLegacyBitmap(false);  // storage by size instead of the platform bitmap
    TSerialConverter converter(onDisk, 1);
    const TBatchResult result = Button1Click(window, converter);
    if (result.Outcome != boFinished || result.Converted != 1 || result.NotConverted.size() != 1)
      return 1;
    const TPhotoNote& note = result.NotConverted[0];
    if (!note.Path.ends_with("big.jpg") || !note.Reason.starts_with("Cannot write temporary file "))
      return 2;
    if (!note.Reason.ends_with(": No space left on device"))
      return 3;
    return fs::exists(root / "out" / "small.jpg") && !fs::exists(root / "out" / "big.jpg") ? 0 : 4;
  });
  if (!outcome)
    GTEST_SKIP() << "no mount namespace for a small tmpfs";
  EXPECT_EQ(*outcome, 0);
}

}  // namespace
