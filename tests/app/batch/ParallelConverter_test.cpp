#include "app/batch/ParallelConverter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "app/batch/Button1Click.h"
#include "app/batch/SerialConverter.h"
#include "imaging/component/TImager.h"
#include "platform/WorkerPool.h"
#include "tests/app/batch/FakeWindow.h"
#include "tests/app/batch/SampleImages.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

class ParallelConverterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = MakeTempDir("qm_parallel_");
    for (int i = 0; i < 6; ++i) {
      const fs::path path = root / "in" / ("p" + std::to_string(i) + ".jpg");
      ASSERT_TRUE(sample_images::WriteJpeg(path, 40, 30, i));
      jobs.push_back({static_cast<std::size_t>(2 * i), path.string(),
                      (root / "out" / ("p" + std::to_string(i) + ".jpg")).string()});
    }
  }
  void TearDown() override { fs::remove_all(root); }

  fs::path root;
  std::vector<TPhotoJob> jobs;
  FakeWindow window;
};

TEST_F(ParallelConverterTest, ReportsEveryJobInOrderOnTheCallingThread) {
  TParallelConverter converter(3, 1);
  std::vector<std::size_t> reported;
  const std::thread::id caller = std::this_thread::get_id();
  converter.ConvertAll(jobs, window, [&](std::size_t job, const TPhotoResult& result) {
    EXPECT_TRUE(result.Converted);
    EXPECT_EQ(std::this_thread::get_id(), caller);
    reported.push_back(job);
  });
  EXPECT_EQ(reported, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5}));
  for (const TPhotoJob& job : jobs) {
    EXPECT_EQ(sample_images::ReadJpegFrame(job.Target).width, 20) << job.Target;
  }
}

TEST_F(ParallelConverterTest, AnErrorIsReportedWithItsJobInOrder) {
  fs::remove(jobs[3].Source);
  for (const bool endRun : {true, false}) {
    window.endRunOnPhotoError = endRun;
    TParallelConverter converter(2, 1);
    std::vector<std::size_t> reported;
    try {
      converter.ConvertAll(jobs, window, [&](std::size_t job, const TPhotoResult& result) {
        EXPECT_EQ(result.Converted, job != 3) << job;
        // The run ends as Button1Click ends it: by raising the error from the report.
        if (result.Error && endRun)
          std::rethrow_exception(result.Error);
        reported.push_back(job);
      });
      EXPECT_FALSE(endRun) << "the missing source raised nothing";
    } catch (const std::exception& error) {
      EXPECT_EQ(std::string(error.what()), "Cannot open file " + jobs[3].Source);
    }
    const std::vector<std::size_t> expected =
        endRun ? std::vector<std::size_t>{0, 1, 2} : std::vector<std::size_t>{0, 1, 2, 3, 4, 5};
    EXPECT_EQ(reported, expected);
  }
}

TEST_F(ParallelConverterTest, AStopFromTheWindowEndsTheWorkCleanly) {
  // The window may end a run by throwing from its event processing.
  struct Stopped {};
  TParallelConverter converter(2, 1);
  int reports = 0;
  EXPECT_THROW(converter.ConvertAll(jobs, window,
                                    [&](std::size_t, const TPhotoResult&) {
                                      if (++reports == 2)
                                        throw Stopped{};
                                    }),
               Stopped);
  EXPECT_EQ(reports, 2);
}

// Serial and parallel alike: after a stop request no photo starts, the photos in progress are
// finished and reported, and every photo written is one reported.
TEST_F(ParallelConverterTest, AStopRequestEndsTheRunAfterThePhotosInProgress) {
  // Photos large enough that two workers cannot finish them all while two are reported.
  for (int i = 6; i < 16; ++i) {
    const fs::path path = root / "in" / ("q" + std::to_string(i) + ".jpg");
    ASSERT_TRUE(sample_images::WriteJpeg(path, 1200, 900, i));
    jobs.push_back(
        {jobs.size(), path.string(), (root / "out" / ("q" + std::to_string(i) + ".jpg")).string()});
  }
  TImager imager;
  TSerialConverter serial(imager, 1);
  TParallelConverter parallel(2, 1);
  for (TPhotoConverter* converter : std::initializer_list<TPhotoConverter*>{&serial, &parallel}) {
    fs::remove_all(root / "out");
    std::vector<std::size_t> reported;
    window.stopRequested = [&] { return reported.size() >= 2; };
    converter->ConvertAll(jobs, window, [&](std::size_t job, const TPhotoResult& result) {
      EXPECT_TRUE(result.Converted);
      reported.push_back(job);
    });
    EXPECT_GE(reported.size(), 2u);
    EXPECT_LT(reported.size(), jobs.size());
    for (std::size_t job = 0; job < jobs.size(); ++job) {
      const bool wasReported = std::find(reported.begin(), reported.end(), job) != reported.end();
      EXPECT_EQ(fs::exists(jobs[job].Target), wasReported) << job;
    }
  }
}

// Each of two jobs on a two-core machine gets one thread: the effects borrow no more from the
// shared pool, so no more than two threads are ever busy in them at once.
TEST_F(ParallelConverterTest, JobsShareTheCoresInTheEffects) {
  for (int i = 0; i < 4; ++i) {
    const fs::path path = root / "in" / ("w" + std::to_string(i) + ".jpg");
    ASSERT_TRUE(sample_images::WriteJpeg(path, 800, 600, i));
    jobs.push_back({jobs.size(), path.string(), (root / "out" / path.filename()).string()});
  }
  window.settings.SizeIndex = 0;
  window.settings.ApplyWallis = true;
  const int cores = 2;
  const int jobCount = 2;
  TParallelConverter converter(jobCount, cores / jobCount);
  WorkerPool::Shared().ResetBusyPeak();
  converter.ConvertAll(
      jobs, window, [](std::size_t, const TPhotoResult& result) { EXPECT_TRUE(result.Converted); });
  EXPECT_GE(WorkerPool::Shared().BusyPeak(), 1);
  EXPECT_LE(WorkerPool::Shared().BusyPeak(), jobCount);
}

}  // namespace
