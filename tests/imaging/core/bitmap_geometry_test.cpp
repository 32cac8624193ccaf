#include <gtest/gtest.h>

#include <string>

#include "platform/PlatformBitmap.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace {

class BitmapGeometry : public BitmapSettingsGuard {
 protected:
  // A gray image whose pixel (x, y) holds 10 y + x.
  static void MakeNumbered(TImgBitmap& image, int width, int height) {
    image.Allocate(width, height, pfGray8);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x)
        image.RowPtr(y)[x] = static_cast<std::uint8_t>(10 * y + x);
    }
  }
  // The gray image's rows as text, "." for a pixel holding the fill value 0.
  static std::string Picture(TImgBitmap& image) {
    std::string text;
    for (int y = 0; y < image.Height(); ++y) {
      for (int x = 0; x < image.Width(); ++x) {
        const int value = image.RowPtr(y)[x];
        text += value == 0 ? std::string(" .") : " " + std::to_string(value);
      }
      text += "\n";
    }
    return text;
  }
};

TEST_F(BitmapGeometry, FillAllSetsIsFullOnlyForTheMaximum) {
  TImgBitmap image;
  image.Allocate(3, 3, pfGray8);
  image.FillAll(255);
  EXPECT_TRUE(image.IsFull());
  EXPECT_EQ(image.RowPtr(2)[2], 255);
  image.FillAll(254);
  EXPECT_FALSE(image.IsFull());
  EXPECT_EQ(image.RowPtr(0)[0], 254);

  image.Allocate(2, 2, pfGray16);
  image.FillAll(65535);
  EXPECT_TRUE(image.IsFull());
  image.FillAll(1000.9);
  EXPECT_EQ(WordAt(image, 1, 1), 1000);
  EXPECT_FALSE(image.IsFull());

  image.Allocate(2, 2, pfBGR24);
  image.FillAll(RgbColor(255, 255, 255));
  EXPECT_TRUE(image.IsFull());
  image.FillAll(RgbColor(10, 20, 30));  // stored blue, green, red
  EXPECT_EQ(image.RowPtr(1)[3], 30);
  EXPECT_EQ(image.RowPtr(1)[4], 20);
  EXPECT_EQ(image.RowPtr(1)[5], 10);
  EXPECT_FALSE(image.IsFull());

  image.Allocate(2, 2, pf32f);
  image.FillAll(1.0);
  EXPECT_TRUE(image.IsFull());
  image.FillAll(0.25);
  EXPECT_FLOAT_EQ(FloatAt(image, 1, 0), 0.25f);
  EXPECT_FALSE(image.IsFull());

  image.Allocate(11, 1, pfBit1);
  image.FillAll(1);
  EXPECT_TRUE(image.IsFull());
  EXPECT_TRUE(BitAt(image, 10, 0));
  image.FillAll(0.5);  // truncates to 0: black
  EXPECT_FALSE(BitAt(image, 10, 0));
  EXPECT_FALSE(image.IsFull());
}

TEST_F(BitmapGeometry, FillRectClipsAndTruncatesFloats) {
  TImgBitmap image;
  image.Allocate(4, 3, pf32f);
  image.FillAll(0.5);
  image.FillRect(-5, 1, 1, 9, 0.7);
  EXPECT_FLOAT_EQ(FloatAt(image, 0, 1), 0.0f);
  EXPECT_FLOAT_EQ(FloatAt(image, 1, 2), 0.0f);
  EXPECT_FLOAT_EQ(FloatAt(image, 2, 1), 0.5f);
  EXPECT_FLOAT_EQ(FloatAt(image, 0, 0), 0.5f);

  TImgBitmap bits;
  bits.Allocate(20, 2, pfBit1);
  bits.FillAll(0);
  bits.FillRect(3, 0, 17, 0, 1);
  for (int x = 0; x < 20; ++x)
    EXPECT_EQ(BitAt(bits, x, 0), x >= 3 && x <= 17) << x;
  EXPECT_EQ(bits.RowPtr(1)[1], 0);

  TImgBitmap gray;
  gray.Allocate(2, 2, pfGray8);
  gray.FillAll(255);
  gray.FillRect(0, 0, 0, 0, 3);
  EXPECT_FALSE(gray.IsFull());   // part of the image is no longer at the maximum
  gray.FillRect(5, 5, 9, 9, 7);  // entirely outside: nothing to write
  EXPECT_EQ(gray.RowPtr(1)[1], 255);
}

TEST_F(BitmapGeometry, CopyRectClipsBothImages) {
  TImgBitmap source;
  MakeNumbered(source, 4, 3);
  TImgBitmap target;
  target.Allocate(3, 3, pfGray8);

  // A negative destination moves the source start by the same amount.
  target.FillAll(0);
  source.CopyRect(&target, 0, 0, -1, -1, 3, 3);
  EXPECT_EQ(Picture(target), " 11 12 .\n 21 22 .\n . . .\n");

  // Too wide for the destination: clipped at its edge, not written past the row.
  target.FillAll(0);
  source.CopyRect(&target, 0, 1, 1, 1, 4, 9);
  EXPECT_EQ(Picture(target), " . . .\n . 10 11\n . 20 21\n");

  // Beyond either image nothing is copied.
  target.FillAll(0);
  source.CopyRect(&target, 4, 0, 0, 0, 2, 2);
  source.CopyRect(&target, 0, 0, 3, 0, 2, 2);
  EXPECT_EQ(Picture(target), " . . .\n . . .\n . . .\n");

  // Other formats are left alone.
  TImgBitmap colour;
  colour.Allocate(3, 3, pfBGR24);
  colour.FillAll(0);
  source.CopyRect(&colour, 0, 0, 0, 0, 3, 3);
  EXPECT_EQ(colour.RowPtr(1)[3], 0);
}

TEST_F(BitmapGeometry, CopyRectWithinOneImageAndAcrossStorages) {
  TImgBitmap image;
  MakeNumbered(image, 4, 4);
  image.CopyRect(&image, 0, 0, 1, 1, 3, 3);  // overlapping, shifted down-right
  EXPECT_EQ(Picture(image), " . 1 2 3\n 10 . 1 2\n 20 10 11 12\n 30 20 21 22\n");

  TImgBitmap::SetDefaultMemoryThreshold(0);
  TImgBitmap disk;
  MakeNumbered(disk, 4, 4);
  ASSERT_EQ(disk.Location(), locOnDisk);
  disk.CopyRect(&disk, 1, 1, 0, 0, 3, 3);
  EXPECT_EQ(Picture(disk), " 11 12 13 3\n 21 22 23 13\n 31 32 33 23\n 30 31 32 33\n");
}

TEST_F(BitmapGeometry, CopyRectMovesBitsAtAnyOffset) {
  TImgBitmap source;
  source.Allocate(20, 1, pfBit1);
  source.FillAll(0);
  for (int x : {2, 3, 9, 15})
    SetBit(source, x, 0, true);
  TImgBitmap target;
  target.Allocate(20, 1, pfBit1);
  target.FillAll(1);
  source.CopyRect(&target, 2, 0, 5, 0, 14, 1);  // bits 2..15 land at 5..18
  for (int x = 0; x < 20; ++x) {
    const bool expected = x < 5 || x > 18 || x == 5 || x == 6 || x == 12 || x == 18;
    EXPECT_EQ(BitAt(target, x, 0), expected) << x;
  }
}

TEST_F(BitmapGeometry, ChangeWidthAndHeightKeepTheOverlap) {
  TImgBitmap image;
  MakeNumbered(image, 4, 3);
  image.AlphaChannel()->RowPtr(1)[1] = 5;
  image.ChangeHeight(2);
  EXPECT_EQ(image.Height(), 2);
  EXPECT_EQ(image.AlphaChannel()->Height(), 2);
  EXPECT_EQ(Picture(image), " . 1 2 3\n 10 11 12 13\n");
  image.ChangeWidth(2);
  EXPECT_EQ(image.Width(), 2);
  EXPECT_EQ(image.AlphaChannel()->Width(), 2);
  EXPECT_EQ(image.AlphaChannel()->RowPtr(1)[1], 5);
  EXPECT_EQ(Picture(image), " . 1\n 10 11\n");
  image.ChangeHeight(3);
  EXPECT_EQ(image.RowPtr(1)[1], 11);
  ASSERT_NE(image.RowPtr(2), nullptr);
  EXPECT_FALSE(image.IsFull());
}

TEST_F(BitmapGeometry, ResizeCanvasAlignsAndFills) {
  struct Case {
    int horizontal, vertical;
    const char* picture;
  };
  const Case growing[] = {
      {0, 0, " . 1 99 99\n 10 11 99 99\n 99 99 99 99\n"},
      {1, 1, " 99 . 1 99\n 99 10 11 99\n 99 99 99 99\n"},
      {2, 2, " 99 99 99 99\n 99 99 . 1\n 99 99 10 11\n"},
  };
  for (const Case& c : growing) {
    TImgBitmap image;
    MakeNumbered(image, 2, 2);
    image.AlphaChannel();
    image.ResizeCanvas(4, 3, 99, 7, c.horizontal, c.vertical);
    EXPECT_EQ(Picture(image), c.picture) << c.horizontal;
    ASSERT_TRUE(image.HasAlphaChannel());
    TImgBitmap* alpha = image.AlphaChannel();
    EXPECT_EQ(alpha->Width(), 4);
    const int keptX = c.horizontal == 0 ? 0 : c.horizontal == 1 ? 1 : 2;
    const int keptY = c.vertical == 0 ? 0 : c.vertical == 1 ? 0 : 1;
    EXPECT_EQ(alpha->RowPtr(keptY)[keptX], 255);
    EXPECT_EQ(alpha->RowPtr(2 - keptY)[3 - keptX], 7);
  }

  const Case shrinking[] = {
      {0, 0, " . 1\n"},
      {1, 1, " 11 12\n"},
      {2, 2, " 22 23\n"},
  };
  for (const Case& c : shrinking) {
    TImgBitmap image;
    MakeNumbered(image, 4, 3);
    image.ResizeCanvas(2, 1, 99, 0, c.horizontal, c.vertical);
    EXPECT_EQ(Picture(image), c.picture) << c.horizontal;
  }
}

TEST_F(BitmapGeometry, ResizeCanvasKeepsAnOutsidePlatformBitmap) {
  TPlatformBitmap bitmap;
  TImgBitmap image;
  image.AttachTBitmap(&bitmap);
  image.Allocate(2, 2, pfBGR24);
  image.FillAll(RgbColor(1, 2, 3));
  image.ResizeCanvas(3, 2, RgbColor(9, 9, 9), 0, 0, 0);
  EXPECT_EQ(image.GetTBitmap(), &bitmap);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(image.RowPtr(1)[0], 3);
  EXPECT_EQ(image.RowPtr(1)[6], 9);
}

}  // namespace
