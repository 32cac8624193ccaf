#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgView.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/registry/FileFormatRegistry.h"
#include "platform/ByteStream.h"
#include "tests/imaging/io/registry/RegistryTestSupport.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;
using namespace registrytest;

namespace {

// What the operations of the test format saw, in the order they ran.
struct Journal {
  std::mutex lock;
  std::vector<std::string> events;
  std::atomic<int> inside{0};
  std::atomic<bool> overlapped{false};
  std::atomic<bool> gateOpen{true};

  void Enter(const std::string& event) {
    if (inside.fetch_add(1) != 0)
      overlapped = true;
    std::lock_guard guard(lock);
    events.push_back(event);
  }
  void Leave() { inside.fetch_sub(1); }
};

Journal journal;

// A one-pixel format: the file holds one byte, the pixel's blue value. Loads wait at the gate
// and take a little while, so that overlapping workers would be seen.
void ReadPixel(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals&, bool,
               TProgressRecord& progress) {
  while (!journal.gateOpen)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::uint8_t value = 0;
  if (!stream.ReadExact(&value, 1))
    return progress.Abort();
  journal.Enter("load " + std::to_string(value));
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  bitmap.Allocate(1, 1, pfBGR24);
  bitmap.RowPtr(0)[0] = value;
  journal.Leave();
}

void WritePixel(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals&, TProgressRecord&) {
  const std::uint8_t value = bitmap.RowPtr(0)[0];
  journal.Enter("save " + std::to_string(value));
  stream.WriteExact(&value, 1);
  journal.Leave();
}

void RegisterPixelFormat() {
  static std::once_flag once;
  std::call_once(once, [] {
    FileFormatEntry pixel;
    pixel.FormatId = 110;
    pixel.Extensions = "PIXEL";
    pixel.Read = ReadPixel;
    pixel.Write = WritePixel;
    AddFileFormat(pixel);
  });
}

class CountingView : public TImgView {
 public:
  TImgBitmap* GetImgBitmap() override { return &bitmap; }
  void Update() override { ++updates; }
  void PostRepaintRequest() override { ++repaintRequests; }
  void ImageChange() override { ++changes; }
  TImgBitmap bitmap;
  std::atomic<int> updates{0};
  std::atomic<int> repaintRequests{0};
  std::atomic<int> changes{0};
};

class AsyncIoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterPixelFormat();
    {
      std::lock_guard guard(journal.lock);
      journal.events.clear();
    }
    journal.overlapped = false;
    journal.gateOpen = true;
    dir = MakeTempDir("qmasync");
    for (int value = 1; value <= 8; ++value)
      WriteFile(Pixel(value), {static_cast<std::uint8_t>(value)});
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Pixel(int value, const char* prefix = "in") const {
    return (dir / (prefix + std::to_string(value) + ".pixel")).string();
  }

  fs::path dir;
  CountingView view;
};

}  // namespace

TEST_F(AsyncIoTest, CallsFromTwoThreadsRunOneAtATimeInTheirOrder) {
  TImagerIO io;
  io.SetAttachedImager(&view);
  io.SetAsynchronous(true);
  std::atomic<int> finished{0};
  // Waiting from inside a worker must not wait for that worker itself.
  io.OnFinishWork = [&](void*) {
    ++finished;
    io.WaitForWorkers();
  };

  const auto callInOrder = [&](int first) {
    for (int value = first; value < first + 4; ++value) {
      io.LoadFromFile(Pixel(value));
      io.SaveToFile(Pixel(value, "out"));
    }
  };
  std::thread one(callInOrder, 1);
  std::thread two(callInOrder, 5);
  one.join();
  two.join();
  io.WaitForWorkers();

  EXPECT_FALSE(journal.overlapped);
  EXPECT_EQ(finished, 16);
  std::vector<std::string> events;
  {
    std::lock_guard guard(journal.lock);
    events = journal.events;
  }
  ASSERT_EQ(events.size(), 16u);
  // Each save writes what the load before it read, and every thread's calls keep their order.
  std::string lastLoad;
  int expectedFromOne = 1;
  int expectedFromTwo = 5;
  for (const std::string& event : events) {
    const int value = std::stoi(event.substr(5));
    if (event.starts_with("load ")) {
      lastLoad = event.substr(5);
      int& expected = value < 5 ? expectedFromOne : expectedFromTwo;
      EXPECT_EQ(value, expected);
      ++expected;
    } else {
      EXPECT_EQ(event.substr(5), lastLoad);
    }
  }
  for (int value = 1; value <= 8; ++value)
    EXPECT_EQ(ReadFile(Pixel(value, "out")).size(), 1u) << value;
  EXPECT_EQ(view.updates, 0) << "workers only post repaint requests";
  EXPECT_EQ(view.repaintRequests, 8);
  EXPECT_EQ(view.changes, 8);
}

TEST_F(AsyncIoTest, CallsReturnAtOnceAndDestructionWaitsForTheWorkers) {
  journal.gateOpen = false;
  std::atomic<bool> loaded{false};
  std::thread opener;
  {
    TImagerIO io;
    io.SetAttachedImager(&view);
    io.SetAsynchronous(true);
    io.OnFinishWork = [&](void*) { loaded = true; };
    io.LoadFromFile(Pixel(3));
    EXPECT_FALSE(loaded) << "the load waits at the gate on its worker";
    opener = std::thread([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      journal.gateOpen = true;
    });
  }
  EXPECT_TRUE(loaded);
  opener.join();
  EXPECT_EQ(view.bitmap.RowPtr(0)[0], 3);
}

TEST_F(AsyncIoTest, WorkerErrorsGoToTheDebugOutput) {
  TImagerIO io;
  io.SetAttachedImager(&view);
  io.SetAsynchronous(true);
  testing::internal::CaptureStderr();
  io.LoadFromFile((dir / "missing.jpg").string());
  io.WaitForWorkers();
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Exception in TImgIOThread.Execute\n");
  EXPECT_TRUE(io.Aborting());
}

TEST_F(AsyncIoTest, OwnContainerOrModeOffRunsOnTheCallingThread) {
  TImagerIO own;
  own.SetAsynchronous(true);
  own.LoadFromFile(Pixel(2));
  EXPECT_EQ(own.Bitmap()->RowPtr(0)[0], 2) << "an object with its own container never defers";

  TImagerIO io;
  io.SetAttachedImager(&view);
  io.LoadFromFile(Pixel(4));
  EXPECT_EQ(view.bitmap.RowPtr(0)[0], 4);
  EXPECT_EQ(view.updates, 1);
  EXPECT_EQ(view.repaintRequests, 0);
}
