#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgView.h"
#include "imaging/io/FileExtension.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "platform/MemoryStream.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"
#include "tests/support/TestPaths.h"
#include "tools/BmpWriter.h"

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> PhotoBytes(int width = 40, int height = 30) {
  return oracle::Encode(width, height, oracle::Pattern(width, height), {});
}

// Records what the I/O object reports: percentages, then finish notifications.
struct Recorder {
  std::vector<int> percents;
  int finished = 0;
  int percentsAtFinish = -1;
  void Attach(TImagerIO& io) {
    io.OnProgress = [this](void*, int per) { percents.push_back(per); };
    io.OnFinishWork = [this](void*) {
      ++finished;
      percentsAtFinish = static_cast<int>(percents.size());
    };
  }
};

class DispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeTempDir("qmdispatch");
    recorder.Attach(io);
  }
  void TearDown() override { fs::remove_all(dir); }
  std::vector<std::string> FolderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir;
  TImagerIO io;
  Recorder recorder;
};

class CountingView : public TImgView {
 public:
  TImgBitmap* GetImgBitmap() override { return &bitmap; }
  void Update() override { ++updates; }
  void ImageChange() override { ++changes; }
  TImgBitmap bitmap;
  int updates = 0;
  int changes = 0;
};

}  // namespace

TEST_F(DispatchTest, LoadsJpegByLowerCasedExtensionInTheCommonFrame) {
  const fs::path path = dir / "IMG_1.JPG";
  WriteFile(path, PhotoBytes());
  io.LoadFromFile(path.string());
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(io.Bitmap()->Width(), 40);
  EXPECT_EQ(io.Params().FormatId, 3);
  EXPECT_EQ(io.Params().SourcePath, path.string());
  // The library's JFIF header says unit 0, density 1:1: no resolution, so the default applies.
  EXPECT_EQ(io.Params().ResolutionX, 300);
  EXPECT_EQ(io.Params().ResolutionY, 300);
  EXPECT_EQ(recorder.finished, 1);
  ASSERT_FALSE(recorder.percents.empty());
  EXPECT_TRUE(std::is_sorted(recorder.percents.begin(), recorder.percents.end()));
  EXPECT_EQ(recorder.percents.back(), 100);
  EXPECT_EQ(std::count(recorder.percents.begin(), recorder.percents.end() - 1, 100), 1)
      << "the codec reaches 100 once, FinishWork adds the last";
  EXPECT_EQ(recorder.percentsAtFinish, static_cast<int>(recorder.percents.size()));
}

TEST_F(DispatchTest, FormatsWithoutAReaderEndWithAbortAndOneFinish) {
  const auto photo = PhotoBytes();
  for (const char* name :
       {"picture.xyz", "photo.jpg.bak", "scan.TIF", "scan.tiff", "a.png", "clip.avi", "a.dib"}) {
    SCOPED_TRACE(name);
    WriteFile(dir / "IMG.jpg", photo);
    io.LoadFromFile((dir / "IMG.jpg").string());
    ASSERT_FALSE(io.Aborting());
    const int finishedBefore = recorder.finished;
    WriteFile(dir / name, photo);
    io.LoadFromFile((dir / name).string());
    EXPECT_TRUE(io.Aborting());
    EXPECT_EQ(recorder.finished, finishedBefore + 1);
    EXPECT_EQ(io.Bitmap()->Width(), 40) << "the container keeps its image";
  }
  const int finishedBefore = recorder.finished;
  io.LoadFromFile("");
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(recorder.finished, finishedBefore + 1);
}

TEST_F(DispatchTest, LoadsBmpThroughItsReader) {
  const auto corpus = CorpusDir();
  if (corpus.empty())
    GTEST_SKIP() << "shared corpus absent";
  const fs::path path = dir / "A.DIB";
  fs::copy_file(corpus / "bmp/bmpsuite/g/rgb24.bmp", path);
  io.LoadFromFile(path.string());
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(io.Params().FormatId, 5);
  EXPECT_EQ(io.Params().SourcePath, path.string());
  EXPECT_GT(io.Bitmap()->Width(), 0);
  EXPECT_GE(io.Params().ResolutionX, 2);
  EXPECT_EQ(recorder.finished, 1);
}

TEST_F(DispatchTest, MissingFileRaisesAfterFinishWork) {
  const std::string path = (dir / "missing.jpg").string();
  try {
    io.LoadFromFile(path);
    ADD_FAILURE() << "expected EImgFileError";
  } catch (const EImgFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + path);
  }
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(recorder.finished, 1);
  // The BMP loader runs the same frame.
  EXPECT_THROW(io.LoadFromFile((dir / "missing.rle").string()), EImgFileError);
  EXPECT_EQ(recorder.finished, 2);
}

TEST_F(DispatchTest, BadJpegEndsWithAbortAndNoException) {
  WriteFile(dir / "bad.jpg", std::vector<std::uint8_t>(300, 0x42));
  io.LoadFromFile((dir / "bad.jpg").string());
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(recorder.finished, 1);
}

TEST_F(DispatchTest, SaveJpegFileWritesJpegWhateverTheExtensionAndReplaces) {
  WriteFile(dir / "in.jpg", PhotoBytes());
  io.LoadFromFile((dir / "in.jpg").string());
  const fs::path target = dir / "out.bmp";
  WriteFile(target, std::vector<std::uint8_t>(10, 0));
  io.Params().JpegProgressive = true;
  io.SaveJpegFile(target.string());
  EXPECT_FALSE(io.Aborting());
  const auto written = oracle::ReadFile(target);
  ASSERT_GT(written.size(), 100u);
  EXPECT_EQ(written[0], 0xFF);
  EXPECT_EQ(written[1], 0xD8);
  EXPECT_EQ(oracle::Decode(written).width, 40);
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"in.jpg", "out.bmp"}))
      << "no temporary file left";
}

TEST_F(DispatchTest, FailedSaveLeavesTheExistingFileAlone) {
  const fs::path target = dir / "keep.jpg";
  const std::vector<std::uint8_t> original = {1, 2, 3, 4};
  WriteFile(target, original);

  // An empty image is not written.
  io.SaveJpegFile(target.string());
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(oracle::ReadFile(target), original);

  // A fatal library error reaches the caller, after FinishWork.
  WriteFile(dir / "in.jpg", PhotoBytes());
  io.LoadFromFile((dir / "in.jpg").string());
  const std::vector<std::uint8_t> tooLong(70000, 'x');
  io.Params().JpegMarkers.AddMarker(0xE4, tooLong.data(), tooLong.size());
  const int finishedBefore = recorder.finished;
  EXPECT_THROW(io.SaveJpegFile(target.string()), EImgJpegException);
  EXPECT_TRUE(io.Aborting());
  EXPECT_EQ(recorder.finished, finishedBefore + 1);
  EXPECT_EQ(oracle::ReadFile(target), original);
  EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"in.jpg", "keep.jpg"}));

  const std::string unreachable = (dir / "no-such-folder" / "x.jpg").string();
  try {
    io.SaveJpegFile(unreachable);
    ADD_FAILURE() << "expected EImgFileError";
  } catch (const EImgFileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + unreachable);
  }
}

TEST_F(DispatchTest, SaveConvertsToColourExceptOneBit) {
  TImgBitmap* bitmap = io.Bitmap();
  bitmap->Allocate(8, 8, pfGray8);
  bitmap->FillAll(128);
  io.SaveJpegFile((dir / "gray.jpg").string());
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(bitmap->PixelFormat(), pfBGR24);

  bitmap->Allocate(8, 8, pfBit1);
  bitmap->FillAll(1);
  io.SaveJpegFile((dir / "bw.jpg").string());
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(bitmap->PixelFormat(), pfBit1);
}

TEST_F(DispatchTest, SaveToFileDispatchesByExtension) {
  WriteFile(dir / "in.jpg", PhotoBytes());
  io.LoadFromFile((dir / "in.jpg").string());
  io.SaveToFile((dir / "copy.JPEG").string());
  EXPECT_FALSE(io.Aborting());
  EXPECT_TRUE(fs::exists(dir / "copy.JPEG"));
  io.SaveToFile((dir / "copy.png").string());
  EXPECT_TRUE(io.Aborting());
  EXPECT_FALSE(fs::exists(dir / "copy.png"));
  io.SaveToFile((dir / "copy.unknown").string());
  EXPECT_TRUE(io.Aborting());
  const int finishedBefore = recorder.finished;
  io.SaveToFile("");
  EXPECT_EQ(recorder.finished, finishedBefore) << "an empty path does nothing";
}

TEST_F(DispatchTest, ParamsOnlyReadsLeaveTheImage) {
  WriteFile(dir / "big.jpg", PhotoBytes(120, 90));
  io.ParamsFromFile((dir / "big.jpg").string());
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(io.Params().Width, 120);
  EXPECT_EQ(io.Params().Height, 90);
  EXPECT_TRUE(io.Bitmap()->IsEmpty());
  EXPECT_EQ(recorder.finished, 1);
}

TEST_F(DispatchTest, StreamsLoadAndSaveWithoutAPath) {
  TMemoryStream input(PhotoBytes(50, 20));
  io.ParamsFromStream(input);
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(io.Params().Width, 50);
  EXPECT_TRUE(io.Bitmap()->IsEmpty());
  input.SetPosition(0);
  io.LoadJpegStream(input);
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(io.Bitmap()->Width(), 50);
  EXPECT_TRUE(io.Params().SourcePath.empty());
  TMemoryStream output;
  io.SaveJpegStream(output);
  EXPECT_FALSE(io.Aborting());
  EXPECT_EQ(oracle::Decode(output.Bytes()).width, 50);
  EXPECT_EQ(recorder.finished, 3);

  TMemoryStream notJpeg(std::vector<std::uint8_t>(200, 7));
  io.ParamsFromStream(notJpeg);
  EXPECT_TRUE(io.Aborting());
}

TEST_F(DispatchTest, AutoAdjustDpiMakesPixelsSquare) {
  // 100 x 50 dots per inch: each pixel is twice as tall as wide, so the height doubles.
  WriteFile(dir / "wide.jpg",
            oracle::Encode(40, 20, oracle::Pattern(40, 20), oracle::WithDensity(1, 100, 50)));
  io.SetAutoAdjustDPI(true);
  io.LoadFromFile((dir / "wide.jpg").string());
  EXPECT_EQ(io.Bitmap()->Width(), 40);
  EXPECT_EQ(io.Bitmap()->Height(), 40);
  EXPECT_EQ(io.Params().ResolutionY, 100);

  WriteFile(dir / "tall.jpg",
            oracle::Encode(20, 40, oracle::Pattern(20, 40), oracle::WithDensity(1, 100, 50)));
  io.LoadFromFile((dir / "tall.jpg").string());
  EXPECT_EQ(io.Bitmap()->Width(), 10);
  EXPECT_EQ(io.Bitmap()->Height(), 40);
  EXPECT_EQ(io.Params().ResolutionX, 50);
}

TEST(DispatchView, UsesTheViewsImageAndTellsItAboutLoads) {
  const auto dir = MakeTempDir("qmdispatchview");
  WriteFile(dir / "a.jpg",
            oracle::Encode(20, 10, oracle::Pattern(20, 10), oracle::WithDensity(1, 150, 75)));
  TImagerIO io;
  {
    CountingView view;
    io.SetAttachedImager(&view);
    EXPECT_EQ(io.Bitmap(), &view.bitmap);
    io.LoadFromFile((dir / "a.jpg").string());
    EXPECT_EQ(view.bitmap.Width(), 20);
    EXPECT_EQ(view.DpiX(), 150);
    EXPECT_EQ(view.DpiY(), 75);
    EXPECT_EQ(view.updates, 1);
    EXPECT_EQ(view.changes, 1);
  }
  EXPECT_EQ(io.AttachedImager(), nullptr) << "the view's destruction detaches it";
  ASSERT_NE(io.Bitmap(), nullptr);
  io.LoadFromFile((dir / "a.jpg").string());
  EXPECT_EQ(io.Bitmap()->Width(), 20);
  fs::remove_all(dir);
}

TEST_F(DispatchTest, LoadsBitmapsByTheirThreeExtensions) {
  // Two rows, top row blue then white, bottom row red then black, 2835 pixels per metre.
  const std::vector<std::uint8_t> bgr = {255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 0, 0};
  const auto bytes = bmpwriter::Bmp24(2, 2, bgr);
  for (const char* name : {"a.bmp", "b.DIB", "c.rle"}) {
    SCOPED_TRACE(name);
    WriteFile(dir / name, bytes);
    io.LoadFromFile((dir / name).string());
    ASSERT_FALSE(io.Aborting());
    EXPECT_EQ(io.Params().FormatId, 5);
    TImgBitmap& image = *io.Bitmap();
    ASSERT_EQ(image.PixelFormat(), pfBGR24);
    ASSERT_EQ(image.Width(), 2);
    EXPECT_TRUE(std::equal(bgr.begin(), bgr.begin() + 6, image.RowPtr(0)));
    EXPECT_TRUE(std::equal(bgr.begin() + 6, bgr.end(), image.RowPtr(1)));
  }
  WriteFile(dir / "broken.bmp", {'B', 'M', 1, 2, 3});
  io.LoadFromFile((dir / "broken.bmp").string());
  EXPECT_TRUE(io.Aborting());
}

TEST(FileExtensionTest, LastDotOfTheFileNameLowerCased) {
  EXPECT_EQ(LowerCaseExtension("/Photos/IMG.TiFf"), ".tiff");
  EXPECT_EQ(LowerCaseExtension("/a/x.y.JPG"), ".jpg");
  EXPECT_EQ(LowerCaseExtension("/dot.dir/readme"), "");
  EXPECT_EQ(ExtensionStart("/dot.dir/readme"), std::string::npos);
}
