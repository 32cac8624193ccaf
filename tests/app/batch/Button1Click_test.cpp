#include "app/batch/Button1Click.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "tests/app/batch/FakeWindow.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& path) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << "x";
}

class Button1ClickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeTempDir("qm_run_");
    ASSERT_FALSE(root.empty());
    source = root / "photos";
    fs::create_directories(source);
    window.settings.SourceFolder = source.string();
    window.settings.TargetFolder = (root / "out").string();
  }
  void TearDown() override { fs::remove_all(root); }

  bool Logged(const std::string& line) const {
    return std::find(window.log.begin(), window.log.end(), line) != window.log.end();
  }

  fs::path root;
  fs::path source;
  FakeWindow window;
  FakeConverter converter;
};

TEST_F(Button1ClickTest, MissingFoldersAreReportedWithFocusAndNothingElse) {
  window.settings.SourceFolder = (root / "absent").string();
  EXPECT_EQ(Button1Click(window, converter).Outcome, boSourceMissing);
  EXPECT_EQ(window.log,
            (std::vector<std::string>{"message 2 Source folder not found", "focus source"}));

  window.log.clear();
  window.settings.SourceFolder = "";
  EXPECT_EQ(Button1Click(window, converter).Outcome, boSourceMissing);

  window.log.clear();
  window.settings.SourceFolder = source.string();
  window.settings.TargetFolder = "";
  EXPECT_EQ(Button1Click(window, converter).Outcome, boTargetMissing);
  EXPECT_EQ(window.log,
            (std::vector<std::string>{"message 2 Please specify target folder", "focus target"}));
  EXPECT_TRUE(window.statusTexts.empty());
  EXPECT_FALSE(window.RunActive());
}

TEST_F(Button1ClickTest, EmptySourceFinishesSuccessfully) {
  Touch(source / "readme");
  const TBatchResult result = Button1Click(window, converter);
  EXPECT_EQ(result.Outcome, boFinished);
  EXPECT_EQ(window.progressMaximum, 0);
  EXPECT_EQ(window.statusTexts,
            (std::vector<std::string>{"Process is started. Please wait ...", ""}));
  EXPECT_TRUE(Logged("message 0 OK! Process successfully finished."));
  EXPECT_TRUE(Logged("remember"));
}

TEST_F(Button1ClickTest, OnlyDottedNamesAreCollectedAndOnlyPhotosConverted) {
  Touch(source / "readme");
  Touch(source / "notes.txt");
  Touch(source / "p.JPG");
  const TBatchResult result = Button1Click(window, converter);
  EXPECT_EQ(result.Collected, 2);
  EXPECT_EQ(result.Skipped, 1);
  EXPECT_EQ(window.progressMaximum, 2);
  ASSERT_EQ(converter.jobs.size(), 1u);
  EXPECT_EQ(converter.jobs[0].Source, source.string() + "/p.JPG");
  EXPECT_EQ(converter.jobs[0].Target, (root / "out").string() + "/p.jpg");
  // One progress step and one pass of pending events: the text file makes none.
  EXPECT_EQ(std::count(window.log.begin(), window.log.end(), "events"), 1);
  EXPECT_EQ(window.progressPosition, 0);
  EXPECT_EQ(window.statusText, "");
}

TEST_F(Button1ClickTest, PercentsRoundHalfToEvenOverAllCollectedFiles) {
  for (int i = 0; i < 8; ++i)
    Touch(source / ("f" + std::to_string(i) + ".bmp"));
  Button1Click(window, converter);
  ASSERT_EQ(window.statusTexts.size(), 10u);
  EXPECT_EQ(window.statusTexts[1], "Conversion: 12%.");
  EXPECT_EQ(window.statusTexts[3], "Conversion: 38%.");
  EXPECT_EQ(window.statusTexts[4], "Conversion: 50%.");
  EXPECT_EQ(window.statusTexts[8], "Conversion: 100%.");
}

TEST_F(Button1ClickTest, StepsRunInOrderAroundEachFile) {
  Touch(source / "a.tif");
  Touch(source / "b.txt");
  Button1Click(window, converter);
  const std::vector<std::string> expected = {
      "max 2",    "pos 0",
      "remember", "pos " + std::to_string(converter.jobs[0].ListIndex + 1),
      "events",   "message 0 OK! Process successfully finished.",
      "pos 0"};
  EXPECT_EQ(window.log, expected);
}

TEST_F(Button1ClickTest, RelativePathsFollowTheTypedSourceText) {
  Touch(source / "sub" / "x.tiff");
  Touch(source / "y.Tif");
  window.settings.IncludeSubfolders = true;
  window.settings.SourceFolder = source.string() + "/";
  window.settings.TargetFolder = root.string() + "//out";
  Button1Click(window, converter);
  ASSERT_EQ(converter.jobs.size(), 2u);
  for (const TPhotoJob& job : converter.jobs) {
    if (job.Source.ends_with("x.tiff")) {
      EXPECT_EQ(job.Source, source.string() + "/sub/x.tiff");
      EXPECT_EQ(job.Target, root.string() + "//out/sub/x.jpg");
    } else {
      EXPECT_EQ(job.Target, root.string() + "//out/y.jpg");
    }
  }
}

TEST_F(Button1ClickTest, CollidingTargetsAreBothConvertedInListOrder) {
  Touch(source / "a.jpg");
  Touch(source / "a.bmp");
  Button1Click(window, converter);
  ASSERT_EQ(converter.jobs.size(), 2u);
  EXPECT_EQ(converter.jobs[0].Target, converter.jobs[1].Target);
  EXPECT_LT(converter.jobs[0].ListIndex, converter.jobs[1].ListIndex);
}

TEST_F(Button1ClickTest, ListIsCompleteBeforeTheFirstWriteWithTargetInsideSource) {
  Touch(source / "a.jpg");
  Touch(source / "b.jpg");
  window.settings.TargetFolder = (source / "small").string();
  window.settings.IncludeSubfolders = true;
  converter.convert = [](const TPhotoJob& job) {
    Touch(job.Target);
    return true;
  };
  EXPECT_EQ(Button1Click(window, converter).Converted, 2);
  EXPECT_EQ(converter.jobs.size(), 2u);
  EXPECT_TRUE(fs::exists(source / "small" / "a.jpg"));
}

TEST_F(Button1ClickTest, FailedLoadsAreNamedInTheClosingMessage) {
  for (int i = 0; i < 13; ++i)
    Touch(source / ("p" + std::to_string(i) + ".jpg"));
  Touch(source / "good.bmp");
  converter.convert = [](const TPhotoJob& job) { return job.Source.ends_with("good.bmp"); };
  const TBatchResult result = Button1Click(window, converter);
  EXPECT_EQ(result.Outcome, boFinished);
  EXPECT_EQ(result.Converted, 1);
  ASSERT_EQ(result.NotConverted.size(), 13u);
  std::string expected = "message 1 Process finished. 13 of 14 photos could not be converted:";
  for (int i = 0; i < 10; ++i)
    expected += "\n" + result.NotConverted[static_cast<std::size_t>(i)].Path;
  expected += "\n\u2026 and 3 more";
  EXPECT_TRUE(Logged(expected));
  EXPECT_EQ(window.statusText, "");
}

TEST(ClosingMessageTest, ListsEveryPathUpToTenWithAnyKnownReason) {
  const std::vector<TPhotoNote> two = {{"/a/x.jpg", ""}, {"/a/y.bmp", "Out of memory"}};
  EXPECT_EQ(ClosingMessage(two, 5),
            "Process finished. 2 of 5 photos could not be converted:\n/a/x.jpg\n/a/y.bmp: Out of "
            "memory");
  const std::vector<TPhotoNote> ten(10, {"/p.jpg", ""});
  EXPECT_EQ(ClosingMessage(ten, 10).find("more"), std::string::npos);
  EXPECT_EQ(ClosingMessage({}, 3), "OK! Process successfully finished.");
}

TEST_F(Button1ClickTest, AWindowThatGoesOnNamesFailedAndDamagedPhotos) {
  for (int i = 0; i < 4; ++i)
    Touch(source / ("p" + std::to_string(i) + ".jpg"));
  window.endRunOnPhotoError = false;
  converter.convert = [&](const TPhotoJob& job) -> bool {
    if (job.Source.ends_with("p1.jpg"))
      throw std::runtime_error("Out of memory");
    return !job.Source.ends_with("p2.jpg");
  };
  converter.damage = [](const TPhotoJob& job) {
    return job.Source.ends_with("p3.jpg") ? "Premature end of JPEG file" : "";
  };
  const TBatchResult result = Button1Click(window, converter);
  EXPECT_EQ(result.Outcome, boFinished);
  EXPECT_EQ(result.Converted, 2);
  const std::string p1 = (source / "p1.jpg").string();
  const std::string p3 = (source / "p3.jpg").string();
  // Collected in folder order: the failed photo's reason goes with its path wherever it stands.
  ASSERT_EQ(result.NotConverted.size(), 2u);
  for (const TPhotoNote& note : result.NotConverted)
    EXPECT_EQ(note.Reason, note.Path == p1 ? "Out of memory" : "") << note.Path;
  ASSERT_EQ(result.Damaged.size(), 1u);
  EXPECT_EQ(result.Damaged[0].Path, p3);
  EXPECT_TRUE(Logged("problem " + p1 + ": not converted: Out of memory"));
  EXPECT_TRUE(
      Logged("problem " + p3 + ": converted from a damaged source: Premature end of JPEG file"));
  EXPECT_TRUE(Logged("message 1 " + ClosingMessage(result.NotConverted, 4)));
  EXPECT_NE(ClosingMessage(result.NotConverted, 4).find(p1 + ": Out of memory"), std::string::npos);
}

TEST_F(Button1ClickTest, AnErrorEndsTheRunWithItsOwnMessage) {
  for (int i = 0; i < 4; ++i)
    Touch(source / ("p" + std::to_string(i) + ".jpg"));
  int calls = 0;
  converter.convert = [&](const TPhotoJob& job) -> bool {
    if (++calls == 2)
      throw std::runtime_error("Cannot open file " + job.Source);
    return true;
  };
  const TBatchResult result = Button1Click(window, converter);
  EXPECT_EQ(result.Outcome, boFailed);
  EXPECT_EQ(result.Converted, 1);
  EXPECT_EQ(result.ErrorMessage, "Cannot open file " + converter.jobs[1].Source);
  EXPECT_TRUE(Logged("message 3 " + result.ErrorMessage));
  // Status and progress keep the values of the last converted file; no finishing message.
  EXPECT_EQ(window.statusText, "Conversion: 25%.");
  EXPECT_NE(window.progressPosition, 0);
  EXPECT_FALSE(Logged("message 0 OK! Process successfully finished."));
  EXPECT_FALSE(window.RunActive());
}

TEST_F(Button1ClickTest, AStopRequestEndsTheRunWithItsStatusAndNoMessage) {
  for (int i = 0; i < 4; ++i)
    Touch(source / ("p" + std::to_string(i) + ".jpg"));
  // The fake converter asks nothing; the run itself looks once the photos are done.
  window.stopRequested = [] { return true; };
  const TBatchResult result = Button1Click(window, converter);
  EXPECT_EQ(result.Outcome, boStopped);
  EXPECT_EQ(window.statusText, kStoppedText);
  EXPECT_EQ(window.progressPosition, 0);
  EXPECT_TRUE(std::none_of(window.log.begin(), window.log.end(),
                           [](const std::string& line) { return line.starts_with("message"); }));
  EXPECT_FALSE(window.RunActive());
}

TEST_F(Button1ClickTest, ASecondStartDuringPendingEventsIsRefused) {
  Touch(source / "a.jpg");
  Touch(source / "b.jpg");
  std::vector<TBatchOutcome> inner;
  window.onPendingEvents = [&] { inner.push_back(Button1Click(window, converter).Outcome); };
  EXPECT_EQ(Button1Click(window, converter).Outcome, boFinished);
  EXPECT_EQ(inner, (std::vector<TBatchOutcome>{boRefused, boRefused}));
  EXPECT_EQ(converter.jobs.size(), 2u);
  window.onPendingEvents = nullptr;
  EXPECT_EQ(Button1Click(window, converter).Outcome, boFinished);
}

}  // namespace
