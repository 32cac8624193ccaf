#include "app/batch/WindowRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "app/batch/CollectFiles.h"
#include "app/batch/RunWaiter.h"
#include "app/batch/SerialConverter.h"
#include "app/batch/ThreadBudget.h"
#include "imaging/component/TImager.h"
#include "tests/app/batch/FakeWindow.h"
#include "tests/app/batch/SampleImages.h"
#include "tests/support/TestPaths.h"
#include "tools/BmpWriter.h"
#include "tools/TiffWriter.h"

namespace fs = std::filesystem;

namespace {

using TFolderBytes = std::map<std::string, std::string>;

// Every file under the folder by its relative path, with its bytes.
TFolderBytes FolderBytes(const fs::path& folder) {
  TFolderBytes files;
  if (!fs::is_directory(folder))
    return files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file())
      continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[fs::relative(entry.path(), folder).string()] = {std::istreambuf_iterator<char>(in),
                                                          std::istreambuf_iterator<char>()};
  }
  return files;
}

// A waiter that lets the test act each time the run waits, as a user acts on a waiting window.
class TActingWaiter : public TRunWaiter {
 public:
  std::function<void()> onWait;
  void Wait() override {
    if (onWait)
      onWait();
    inner_.Wait();
  }
  void Wake() override { inner_.Wake(); }

 private:
  TBlockingWaiter inner_;
};

class WindowRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeTempDir("qm_window_run_");
    window.settings.SourceFolder = (root / "in").string();
    window.settings.TargetFolder = (root / "out").string();
    window.settings.IncludeSubfolders = true;
  }
  void TearDown() override { fs::remove_all(root); }

  TBatchResult RunSerial(FakeWindow& on) {
    TImager imager;
    TSerialConverter converter(imager, MachineCores());
    return Button1Click(on, converter);
  }

  TBatchResult RunWindow(FakeWindow& on) {
    TActingWaiter waiter;
    return RunOnEveryCore(on, waiter);
  }

  fs::path root;
  FakeWindow window;
};

struct TSettingsCase {
  const char* name;
  std::function<void(ConversionSettings&)> choose;
};

// Serial run and window run over one folder: same window calls, same counts, same files. The
// folder holds a chain of sources with one target, sources that cannot be converted, a damaged
// one, a file that is no photo and a subfolder.
TEST_F(WindowRunTest, GivesTheSerialRunsMessagesCountsAndFiles) {
  const fs::path in = root / "in";
  for (int i = 0; i < 5; ++i)
    ASSERT_TRUE(
        sample_images::WriteJpeg(in / ("p" + std::to_string(i) + ".jpg"), 96 + 8 * i, 64, i));
  ASSERT_TRUE(sample_images::WriteJpeg(in / "a.jpg", 120, 90, 7));
  tiffwriter::Page tiff;
  tiff.width = 100;
  tiff.height = 80;
  tiff.rows = sample_images::Pixels(tiff.width, tiff.height, 8);
  ASSERT_TRUE(tiffwriter::WriteFile((in / "a.tif").string(), tiffwriter::Encode(tiff)));
  sample_images::WriteBmp(in / "sub" / "a.bmp", 70, 50, 9);
  ASSERT_TRUE(sample_images::WriteJpeg(in / "sub" / "a.jpg", 90, 60, 10));
  std::ofstream(in / "broken.jpg") << "this is no JPEG at all, only text";
  bmpwriter::TBmpFileSpec claim;
  claim.width = 20000;
  claim.height = 20000;
  const std::vector<std::uint8_t> header = bmpwriter::BuildBmp(claim);
  std::ofstream(in / "claims.bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(header.data()),
             static_cast<std::streamsize>(header.size()));
  ASSERT_TRUE(sample_images::WriteJpeg(in / "cut.jpg", 160, 120, 11));
  fs::resize_file(in / "cut.jpg", fs::file_size(in / "cut.jpg") / 2);
  std::ofstream(in / "notes.txt") << "not a photo";

  const TSettingsCase cases[] = {
      {"half size", [](ConversionSettings& s) { s.SizeIndex = 1; }},
      {"box with effects, gray",
       [](ConversionSettings& s) {
         s.SizeIndex = 4;
         s.CustomWidthText = "50";
         s.CustomHeightText = "40";
         s.ApplyBlur = true;
         s.ApplyNegative = true;
         s.SaveGrayScale = true;
       }},
      {"full size, best, equalized black and white",
       [](ConversionSettings& s) {
         s.SizeIndex = 0;
         s.QualityIndex = 0;
         s.ApplyEqualize = true;
         s.ApplyBlackWhite = true;
       }},
      {"quarter with Wallis filter, low",
       [](ConversionSettings& s) {
         s.SizeIndex = 2;
         s.QualityIndex = 4;
         s.ApplyWallis = true;
       }},
  };
  for (const TSettingsCase& row : cases) {
    SCOPED_TRACE(row.name);
    FakeWindow serial = window;
    row.choose(serial.settings);
    FakeWindow parallel = serial;
    fs::remove_all(root / "out");
    const TBatchResult expected = RunSerial(serial);
    const TFolderBytes expectedFiles = FolderBytes(root / "out");
    fs::remove_all(root / "out");
    const TBatchResult actual = RunWindow(parallel);

    EXPECT_EQ(actual.Outcome, boFinished);
    EXPECT_EQ(actual.Outcome, expected.Outcome);
    EXPECT_EQ(actual.Collected, expected.Collected);
    EXPECT_EQ(actual.Photos, expected.Photos);
    EXPECT_EQ(actual.Converted, expected.Converted);
    EXPECT_EQ(actual.Skipped, expected.Skipped);
    EXPECT_EQ(actual.Clashes.size(), 2u);
    EXPECT_EQ(actual.Clashes.size(), expected.Clashes.size());
    ASSERT_EQ(actual.NotConverted.size(), 2u);
    ASSERT_EQ(actual.NotConverted.size(), expected.NotConverted.size());
    for (std::size_t i = 0; i < actual.NotConverted.size(); ++i) {
      EXPECT_EQ(actual.NotConverted[i].Path, expected.NotConverted[i].Path);
      EXPECT_EQ(actual.NotConverted[i].Reason, expected.NotConverted[i].Reason);
    }
    ASSERT_EQ(actual.Damaged.size(), 1u);
    EXPECT_EQ(actual.Damaged.size(), expected.Damaged.size());
    EXPECT_EQ(parallel.log, serial.log);
    EXPECT_EQ(parallel.statusTexts, serial.statusTexts);
    EXPECT_EQ(parallel.reportedSources, serial.reportedSources);
    EXPECT_EQ(parallel.outcomes, serial.outcomes);

    const TFolderBytes files = FolderBytes(root / "out");
    EXPECT_EQ(files.size(), 8u);
    ASSERT_EQ(files.size(), expectedFiles.size());
    for (const auto& [path, bytes] : expectedFiles) {
      const auto found = files.find(path);
      ASSERT_NE(found, files.end()) << path;
      EXPECT_TRUE(found->second == bytes) << path << " differs from the serial run's";
    }
  }
}

// A target that cannot be created ends the run at its photo with the error's message, as in
// the serial run; photos already in progress then are finished whole and kept.
TEST_F(WindowRunTest, AnUncreatableTargetEndsTheRunWithItsMessage) {
  const int folders = 4 * MachineCores() + 2;
  for (int i = 0; i < folders; ++i) {
    const fs::path folder = root / "in" / ("s" + std::to_string(i));
    ASSERT_TRUE(sample_images::WriteJpeg(folder / "p.jpg", 400, 300, i));
  }
  window.settings.TargetFolder = (root / "reference").string();
  FakeWindow reference = window;
  ASSERT_EQ(RunSerial(reference).Outcome, boFinished);
  const TFolderBytes whole = FolderBytes(root / "reference");
  ASSERT_EQ(whole.size(), static_cast<std::size_t>(folders));

  // The first photo of the list fails, so that others are still to do or in progress.
  std::vector<std::string> files;
  CollectFiles((root / "in").string() + "/", "*.*", true, files);
  const std::string blocked = fs::path(files[0]).parent_path().filename().string();
  fs::create_directories(root / "out");
  std::ofstream(root / "out" / blocked) << "in the way";
  window.settings.TargetFolder = (root / "out").string();
  const std::string message = "Cannot create file " + (root / "out" / blocked).string() + "/p.jpg";

  FakeWindow serial = window;
  const TBatchResult expected = RunSerial(serial);
  EXPECT_EQ(expected.Outcome, boFailed);
  EXPECT_EQ(expected.ErrorMessage, message);
  FakeWindow parallel = window;
  const TBatchResult actual = RunWindow(parallel);
  EXPECT_EQ(actual.Outcome, boFailed);
  EXPECT_EQ(actual.ErrorMessage, message);
  EXPECT_EQ(parallel.log, serial.log);
  EXPECT_EQ(parallel.statusTexts, serial.statusTexts);
  EXPECT_EQ(parallel.statusText, "Process is started. Please wait ...");

  const TFolderBytes kept = FolderBytes(root / "out");
  EXPECT_LT(kept.size(), static_cast<std::size_t>(folders));
  for (const auto& [path, bytes] : kept) {
    if (path == blocked)
      continue;
    const auto found = whole.find(path);
    ASSERT_NE(found, whole.end()) << path;
    EXPECT_TRUE(found->second == bytes) << path << " was not finished whole";
  }
}

// Stop pressed while the window waits: no photo starts after it, the photos in progress are
// finished and reported, and the run ends with its stopped status.
TEST_F(WindowRunTest, StopEndsTheRunAfterThePhotosInProgress) {
  const int workers = MachineCores();
  const int photos = 4 * workers + 2;
  for (int i = 0; i < photos; ++i)
    ASSERT_TRUE(
        sample_images::WriteJpeg(root / "in" / ("p" + std::to_string(i) + ".jpg"), 800, 600, i));
  bool stopPressed = false;
  window.stopRequested = [&] { return stopPressed; };
  TActingWaiter waiter;
  waiter.onWait = [&] { stopPressed = true; };
  const TBatchResult result = RunOnEveryCore(window, waiter);

  EXPECT_EQ(result.Outcome, boStopped);
  EXPECT_EQ(window.statusText, kStoppedText);
  EXPECT_EQ(window.progressPosition, 0);
  EXPECT_EQ(std::count_if(window.log.begin(), window.log.end(),
                          [](const std::string& line) { return line.starts_with("message"); }),
            0);
  const TFolderBytes written = FolderBytes(root / "out");
  EXPECT_EQ(written.size(), window.reportedSources.size());
  EXPECT_LE(written.size(), static_cast<std::size_t>(2 * workers));
  for (const std::string& source : window.reportedSources) {
    const fs::path target = root / "out" / fs::path(source).filename();
    const sample_images::JpegFrame frame = sample_images::ReadJpegFrame(target);
    EXPECT_EQ(frame.width, 400) << target;
    EXPECT_EQ(frame.height, 300) << target;
  }
}

}  // namespace
