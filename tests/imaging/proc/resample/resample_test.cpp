#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/TImagerProc.h"
#include "imaging/proc/resample/ResampleSize.h"
#include "tests/imaging/proc/resample/ResampleTestImages.h"

namespace {

TEST(ResampleSizeRule, FollowsTheTable) {
  struct Case {
    int w, h, newWidth, newHeight, width, height;
  };
  const Case cases[] = {
      {3000, 2000, 800, -1, 800, 533}, {2000, 3000, -1, 600, 400, 600},
      {5, 1000, 1, -1, 1, 200},        {1000, 5, 100, -1, 100, 1},
      {640, 480, 0, 300, 640, 300},    {640, 480, -640, 480, 640, 480},
      {640, 480, 200, 0, 200, 480},    {640, 480, -1, 0, 1, 480},
      {640, 480, 0, -7, 640, 7},       {640, 480, -1, -1, 0, 0},
      {640, 480, -5, -300, 0, 0},      {60000, 3, -1, 2000000000, 2147483647, 2000000000},
  };
  for (const Case& c : cases) {
    const auto size = ComputeResampleSize(c.w, c.h, c.newWidth, c.newHeight);
    if (c.width == 0) {
      EXPECT_FALSE(size.has_value()) << c.newWidth << "," << c.newHeight;
      continue;
    }
    ASSERT_TRUE(size.has_value());
    EXPECT_EQ(size->width, c.width) << c.w << "x" << c.h << " " << c.newWidth << "," << c.newHeight;
    EXPECT_EQ(size->height, c.height)
        << c.w << "x" << c.h << " " << c.newWidth << "," << c.newHeight;
  }
}

TEST(ResampleFrame, SavesUndoWithCaptionAndReplacesImage) {
  TImagerProc proc;
  FillRandomBgr(*proc.CurrentImage(), 30, 20, 2);
  std::vector<int> progress;
  proc.OnProgress = [&](void* sender, int per) {
    EXPECT_EQ(sender, &proc);
    progress.push_back(per);
  };
  proc.Resample(8, -1, rfBicubic);
  EXPECT_EQ(proc.CurrentImage()->Width(), 8);
  EXPECT_EQ(proc.CurrentImage()->Height(), 5);
  ASSERT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(proc.UndoCaption(0), "Resample 8,-1");
  EXPECT_EQ(proc.UndoImage(0)->Width(), 30);
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back(), 100);
}

TEST(ResampleFrame, TwoNegativeSizesLeaveTheImageAfterTheUndoCopy) {
  TImagerProc proc;
  FillRandomBgr(*proc.CurrentImage(), 12, 9, 4);
  TImgBitmap before;
  before.Assign(proc.CurrentImage());
  proc.Resample(-1, -1, rfBicubic);
  ASSERT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(proc.UndoCaption(0), "Resample -1,-1");
  ASSERT_EQ(proc.CurrentImage()->Width(), 12);
  ASSERT_EQ(proc.CurrentImage()->Height(), 9);
  EXPECT_EQ(MaxDifference(before, *proc.CurrentImage()), 0);
}

TEST(ResampleFrame, EmptyImageIsLeftAloneWithoutUndo) {
  TImagerProc proc;
  proc.Resample(100, 100, rfBicubic);
  EXPECT_EQ(proc.UndoCount(), 0);
  EXPECT_EQ(proc.CurrentImage()->Width(), 0);
}

TEST(ResampleBit1, BecomesGrayExceptWithNoneOrAtOwnSize) {
  TImagerProc proc;
  proc.SetAutoUndo(false);
  auto checker = [](int x, int y) { return ((x / 2) + (y / 2)) % 2 == 0; };
  FillBits(*proc.CurrentImage(), 16, 12, checker);
  proc.Resample(16, 12, rfBicubic);
  ASSERT_EQ(proc.CurrentImage()->PixelFormat(), pfBit1);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(BitAt(*proc.CurrentImage(), x, y), checker(x, y));

  proc.Resample(32, 24, rfNone);
  ASSERT_EQ(proc.CurrentImage()->PixelFormat(), pfBit1);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 32; ++x)
      ASSERT_EQ(BitAt(*proc.CurrentImage(), x, y), checker(x / 2, y / 2));

  // Both sides halve: each target pixel is the mean of its clamped source block.
  proc.Resample(16, 12, rfBicubic);
  ASSERT_EQ(proc.CurrentImage()->PixelFormat(), pfBGR24);
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 16; ++x) {
      int sum = 0, count = 0;
      for (int sy = std::max(0, 2 * y - 1); sy <= std::min(23, 2 * y + 1); ++sy)
        for (int sx = std::max(0, 2 * x - 1); sx <= std::min(31, 2 * x + 1); ++sx) {
          sum += checker(sx / 2, sy / 2) ? 255 : 0;
          ++count;
        }
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(BgrAt(*proc.CurrentImage(), x, y, c), sum / count);
    }
}

TEST(ResampleBit1, EnlargedWhiteStaysWhiteGray) {
  for (TResampleFilter filter : {rfBicubic, rfFastLinear, rfTriangle, rfLanczos3}) {
    TImagerProc proc;
    proc.SetAutoUndo(false);
    FillBits(*proc.CurrentImage(), 5, 4, [](int, int) { return true; });
    proc.Resample(13, 9, filter);
    ASSERT_EQ(proc.CurrentImage()->PixelFormat(), pfBGR24);
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 13; ++x)
        for (int c = 0; c < 3; ++c)
          ASSERT_EQ(BgrAt(*proc.CurrentImage(), x, y, c), 255) << filter;
  }
}

// Writes a distinct pattern of whole pixels into any format, byte by byte.
void FillPattern(TImgBitmap& image, int width, int height, TImgBitmapFormat format) {
  image.Allocate(width, height, format);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = image.RowPtr(y);
    for (int i = 0; i < image.RowLength(); ++i)
      row[i] = static_cast<std::uint8_t>(y * 37 + i * 11);
  }
  if (format == pfPalette8)
    for (int i = 0; i < 1024; ++i)
      image.Palette()[i] = static_cast<std::uint8_t>(i * 7);
}

TEST(ResampleNone, StretchesWholePixelsInEveryFormat) {
  for (TImgBitmapFormat format : {pfBit1, pfPalette8, pfGray8, pfGray16, pfBGR24, pf32f}) {
    TImagerProc proc;
    proc.SetAutoUndo(false);
    TImgBitmap source;
    FillPattern(source, 5, 3, format);
    proc.CurrentImage()->Assign(&source);
    proc.Resample(9, 7, rfNone);
    TImgBitmap& target = *proc.CurrentImage();
    ASSERT_EQ(target.PixelFormat(), format);
    ASSERT_EQ(target.Width(), 9);
    ASSERT_EQ(target.Height(), 7);
    const int bits = FormatBitsPerPixel(format);
    for (int r = 0; r < 7; ++r)
      for (int i = 0; i < 9; ++i) {
        const int sx = static_cast<int>(5.0 / 9 * i), sy = static_cast<int>(3.0 / 7 * r);
        if (bits == 1) {
          ASSERT_EQ(BitAt(target, i, r), BitAt(source, sx, sy));
        } else {
          ASSERT_EQ(std::memcmp(target.RowPtr(r) + i * bits / 8, source.RowPtr(sy) + sx * bits / 8,
                                static_cast<std::size_t>(bits / 8)),
                    0)
              << "format " << static_cast<int>(format);
        }
      }
    if (format == pfPalette8) {
      EXPECT_EQ(std::memcmp(target.Palette(), source.Palette(), 1024), 0);
    }
  }
}

TEST(ResampleDispatch, FormatsAFilterCannotReadComeOutBlack) {
  for (TImgBitmapFormat format : {pfGray8, pfGray16, pfPalette8, pf32f}) {
    TImagerProc proc;
    proc.SetAutoUndo(false);
    FillPattern(*proc.CurrentImage(), 6, 4, format);
    proc.Resample(3, 2, rfBicubic);
    TImgBitmap& target = *proc.CurrentImage();
    ASSERT_EQ(target.PixelFormat(), format);
    ASSERT_EQ(target.Width(), 3);
    for (int y = 0; y < 2; ++y)
      for (int i = 0; i < 3 * FormatBitsPerPixel(format) / 8; ++i)
        ASSERT_EQ(target.RowPtr(y)[i], 0);
  }
}

TEST(ResampleDispatch, KernelFiltersOnASinglePixelGiveBlackNotLeftovers) {
  TImagerProc proc;
  proc.SetAutoUndo(false);
  FillBgr(*proc.CurrentImage(), 1, 1, [](int, int, int) { return 200; });
  proc.Resample(6, 4, rfLanczos3);
  ASSERT_EQ(proc.CurrentImage()->Width(), 6);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x)
      ASSERT_EQ(BgrAt(*proc.CurrentImage(), x, y, 1), 0);
}

TEST(ResampleAlpha, TransparentPixelsTurnGrayAndAlphaFollows) {
  TImagerProc proc;
  proc.SetAutoUndo(false);
  TImgBitmap& image = *proc.CurrentImage();
  FillBgr(image, 4, 4, [](int, int, int c) { return c == 2 ? 255 : 0; });
  TImgBitmap* alpha = image.AlphaChannel();
  alpha->FillAll(255);
  alpha->RowPtr(1)[2] = 0;
  proc.Resample(4, 4, rfBicubic);
  EXPECT_EQ(BgrAt(image, 2, 1, 0), 128);
  EXPECT_EQ(BgrAt(image, 2, 1, 1), 128);
  EXPECT_EQ(BgrAt(image, 2, 1, 2), 128);
  EXPECT_EQ(BgrAt(image, 1, 1, 2), 255);
  ASSERT_TRUE(image.HasAlphaChannel());
  EXPECT_EQ(image.AlphaChannel()->RowPtr(1)[2], 0);
}

TEST(ResampleAlpha, ChannelIsResampledWithTheImage) {
  for (TResampleFilter filter : {rfNone, rfTriangle, rfFastLinear, rfBicubic}) {
    TImagerProc proc;
    proc.SetAutoUndo(false);
    TImgBitmap& image = *proc.CurrentImage();
    FillRandomBgr(image, 20, 10, 9);
    TImgBitmap* alpha = image.AlphaChannel();
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 20; ++x)
        alpha->RowPtr(y)[x] = x < 10 ? 255 : 40;
    proc.Resample(40, 5, filter);
    ASSERT_TRUE(image.HasAlphaChannel());
    TImgBitmap& resampled = *image.AlphaChannel();
    ASSERT_EQ(resampled.Width(), 40);
    ASSERT_EQ(resampled.Height(), 5);
    for (int y = 0; y < 5; ++y) {
      EXPECT_EQ(resampled.RowPtr(y)[2], 255) << filter;
      EXPECT_EQ(resampled.RowPtr(y)[37], 40) << filter;
    }
  }
  TImagerProc proc;
  proc.SetAutoUndo(false);
  FillRandomBgr(*proc.CurrentImage(), 6, 6, 1);
  proc.CurrentImage()->AlphaChannel()->FillAll(255);
  proc.Resample(3, 3, rfBicubic);
  EXPECT_TRUE(proc.CurrentImage()->AlphaChannel()->IsFull());
}

TEST(ResampleExtremes, EveryFilterStaysInBounds) {
  struct Shape {
    int w, h, width, height;
  };
  const Shape shapes[] = {{1, 5000, 5000, 1}, {10000, 1, 1, 1}, {3, 2, 300, 200}, {1, 1, 7, 3}};
  for (TImgBitmapFormat format : {pfBGR24, pfBit1})
    for (const Shape& full : shapes)
      for (int f = rfNone; f <= rfBicubic; ++f) {
        Shape shape = full;
        // The kernel filters' long contributor lists make the full line too slow under the
        // sanitizers; a fifth of it exercises the same edges.
        if (f >= rfTriangle && f <= rfLinear && shape.h == 5000)
          shape = {1, 1000, 1000, 1};
        TImagerProc proc;
        proc.SetAutoUndo(false);
        if (format == pfBGR24) {
          FillRandomBgr(*proc.CurrentImage(), shape.w, shape.h, 3);
        } else {
          FillBits(*proc.CurrentImage(), shape.w, shape.h,
                   [](int x, int y) { return (x + y) % 3; });
        }
        proc.Resample(shape.width, shape.height, static_cast<TResampleFilter>(f));
        EXPECT_EQ(proc.CurrentImage()->Width(), shape.width) << f;
        EXPECT_EQ(proc.CurrentImage()->Height(), shape.height) << f;
      }
}

}  // namespace
