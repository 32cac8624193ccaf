#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "imaging/component/TImager.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;

namespace {

class ImagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = MakeTempDir("qmimager");
    photo = dir / "photo.jpg";
    const auto bytes =
        oracle::Encode(36, 24, oracle::Pattern(36, 24), oracle::WithDensity(1, 240, 240));
    std::ofstream(photo, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path dir;
  fs::path photo;
};

}  // namespace

TEST_F(ImagerTest, CreatesItsObjectsOnceAtConstruction) {
  TImager imager;
  TImagerIO* io = imager.IO();
  TImagerProc* proc = imager.Proc();
  ASSERT_NE(io, nullptr);
  ASSERT_NE(proc, nullptr);
  EXPECT_EQ(imager.IO(), io);
  EXPECT_EQ(imager.Proc(), proc);
  EXPECT_EQ(io->AttachedImager(), &imager);
  EXPECT_EQ(io->Bitmap(), imager.GetImgBitmap());
}

TEST_F(ImagerTest, LoadKeepsTheImageInThePlatformBitmapAndTakesTheResolution) {
  TImager imager;
  imager.LoadFromFile(photo.string());
  EXPECT_FALSE(imager.IO()->Aborting());
  TImgBitmap* image = imager.GetImgBitmap();
  EXPECT_EQ(image->Location(), locPlatformBitmap);
  EXPECT_EQ(image->PixelFormat(), pfBGR24);
  EXPECT_EQ(image->Width(), 36);
  EXPECT_EQ(imager.Params().Width, 36);
  EXPECT_EQ(imager.Params().Height, 24);
  EXPECT_EQ(imager.DpiX(), 240);
  EXPECT_EQ(imager.DpiY(), 240);
}

TEST_F(ImagerTest, SavesThroughItsIOObject) {
  TImager imager;
  imager.LoadFromFile(photo.string());
  imager.Params().JpegQuality = 75;
  imager.Params().JpegProgressive = true;
  const fs::path out = dir / "out.jpg";
  imager.SaveJpegFile(out.string());
  EXPECT_FALSE(imager.IO()->Aborting());
  const oracle::Image decoded = oracle::Decode(oracle::ReadFile(out));
  EXPECT_TRUE(decoded.ok);
  EXPECT_EQ(decoded.width, 36);
}

TEST_F(ImagerTest, ProgressHandlerIsCopiedIntoObjectsItCreates) {
  TImagerView view;
  int calls = 0;
  view.OnProgress = [&](void*, int) { ++calls; };
  view.IO()->LoadFromFile(photo.string());
  EXPECT_GT(calls, 0);
}

TEST_F(ImagerTest, ZoomFilterUpdatesOnlyOnChange) {
  TImager imager;
  const int before = imager.UpdateCount();
  imager.SetZoomFilter(rfNone);
  EXPECT_EQ(imager.UpdateCount(), before);
  imager.SetZoomFilter(rfBicubic);
  EXPECT_EQ(imager.UpdateCount(), before + 1);
  EXPECT_EQ(imager.ZoomFilter(), rfBicubic);
}

TEST_F(ImagerTest, LegacyBitmapMovesThePixelsAndTellsTheAttachedObjects) {
  TImager imager;
  imager.LoadFromFile(photo.string());
  const std::uint8_t corner = imager.GetImgBitmap()->RowPtr(0)[0];
  imager.SetLegacyBitmap(false);
  EXPECT_NE(imager.GetImgBitmap()->Location(), locPlatformBitmap);
  EXPECT_EQ(imager.GetImgBitmap()->RowPtr(0)[0], corner);
  imager.SetLegacyBitmap(true);
  EXPECT_EQ(imager.GetImgBitmap()->Location(), locPlatformBitmap);
  EXPECT_EQ(imager.GetImgBitmap()->Width(), 36);
  EXPECT_EQ(imager.GetImgBitmap()->RowPtr(0)[0], corner);
  EXPECT_EQ(imager.IO()->Bitmap(), imager.GetImgBitmap());
}

TEST_F(ImagerTest, AssignCopiesParametersAndImage) {
  TImager source;
  source.LoadFromFile(photo.string());
  source.Params().JpegQuality = 42;
  TImager copy;
  copy.Assign(source);
  EXPECT_EQ(copy.Params().JpegQuality, 42);
  EXPECT_EQ(copy.GetImgBitmap()->Width(), 36);
  EXPECT_EQ(copy.DpiX(), 240);
}

TEST_F(ImagerTest, UpdateReshapesAnAlphaChannelOfAnotherSize) {
  TImager imager;
  imager.LoadFromFile(photo.string());
  TImgBitmap* image = imager.GetImgBitmap();
  image->AlphaChannel()->Allocate(3, 3, pfGray8);
  image->Allocate(10, 12, pfBGR24);
  imager.Update();
  EXPECT_EQ(image->AlphaChannel()->Width(), 10);
  EXPECT_EQ(image->AlphaChannel()->Height(), 12);
  EXPECT_EQ(image->AlphaChannel()->RowPtr(11)[9], 255);
}

TEST_F(ImagerTest, ResampleForwardsToTheProcessingObject) {
  TImager imager;
  imager.LoadFromFile(photo.string());
  imager.Resample(18, -1, rfBicubic);
  EXPECT_EQ(imager.GetImgBitmap()->Width(), 18);
  EXPECT_EQ(imager.GetImgBitmap()->Height(), 12);
}
