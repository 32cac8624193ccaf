#include <gtest/gtest.h>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"

namespace {

struct Box {
  int left = -1, top = -1, right = -1, bottom = -1;
  bool found = false;
};

Box BoxOf(const TImgMask& mask) {
  Box box;
  box.found = mask.BoundingBox(box.left, box.top, box.right, box.bottom);
  return box;
}

TEST(TImgMask, EightBitValuesAndBoundingBox) {
  TImgMask mask(10, 5, 8);
  EXPECT_EQ(mask.Width(), 10);
  EXPECT_EQ(mask.Height(), 5);
  EXPECT_EQ(mask.BitsPerPixel(), 8);
  EXPECT_TRUE(mask.IsEmpty());
  EXPECT_FALSE(BoxOf(mask).found);

  mask.SetPixel(3, 2, 128);
  mask.SetPixel(7, 4, 1);
  mask.SetPixel(10, 0, 255);  // outside: ignored
  mask.SetPixel(-1, 1, 255);
  EXPECT_FALSE(mask.IsEmpty());
  EXPECT_EQ(mask.GetPixel(3, 2), 128);
  EXPECT_EQ(mask.GetPixel(7, 4), 1);
  EXPECT_EQ(mask.GetPixel(10, 0), 0);
  const Box box = BoxOf(mask);
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.left, 3);
  EXPECT_EQ(box.top, 2);
  EXPECT_EQ(box.right, 7);
  EXPECT_EQ(box.bottom, 4);

  // A value written through the row pointer counts as well.
  mask.RowPtr(0)[9] = 5;
  const Box wider = BoxOf(mask);
  EXPECT_EQ(wider.top, 0);
  EXPECT_EQ(wider.right, 9);

  mask.Fill(0);
  EXPECT_TRUE(mask.IsEmpty());
}

TEST(TImgMask, OneBitIgnoresRowPadding) {
  TImgMask mask(13, 4, 1);
  EXPECT_EQ(mask.BitsPerPixel(), 1);
  EXPECT_EQ(mask.RowLength(), 2);
  // Bits 13..15 of a row are padding and never selected.
  mask.RowPtr(1)[1] = 0x07;
  EXPECT_TRUE(mask.IsEmpty());

  mask.SetPixel(12, 0, 1);
  mask.SetPixel(0, 3, 200);
  EXPECT_EQ(mask.GetPixel(12, 0), 255);
  EXPECT_EQ(mask.GetPixel(0, 3), 255);
  EXPECT_EQ(mask.GetPixel(11, 0), 0);
  Box box = BoxOf(mask);
  ASSERT_TRUE(box.found);
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.top, 0);
  EXPECT_EQ(box.right, 12);
  EXPECT_EQ(box.bottom, 3);

  mask.SetPixel(12, 0, 0);
  mask.SetPixel(0, 3, 0);
  EXPECT_TRUE(mask.IsEmpty());

  mask.SetPixel(9, 2, 1);
  box = BoxOf(mask);
  EXPECT_EQ(box.left, 9);
  EXPECT_EQ(box.right, 9);
  EXPECT_EQ(box.top, 2);
  EXPECT_EQ(box.bottom, 2);

  mask.Fill(1);
  box = BoxOf(mask);
  EXPECT_EQ(box.right, 12);
  EXPECT_EQ(box.bottom, 3);
  EXPECT_EQ(mask.RowPtr(0)[1] & 0x07, 0) << "Fill must leave the padding bits clear";
}

TEST(TImgMask, SizesAndDepths) {
  TImgMask mask;
  EXPECT_TRUE(mask.IsEmpty());
  mask.Allocate(4, 4, 4);
  EXPECT_EQ(mask.BitsPerPixel(), 8) << "depths other than 1 are taken as 8";
  mask.Allocate(0, 7, 8);
  EXPECT_EQ(mask.Width(), 0);
  EXPECT_TRUE(mask.IsEmpty());
  EXPECT_THROW(mask.Allocate(1 << 30, 1 << 30, 8), EImgOutOfMemory);
  EXPECT_EQ(mask.Width(), 0);
}

TEST(TImgMask, CopiesIntoAlphaChannel) {
  TImgBitmap bitmap;
  bitmap.Allocate(4, 3, pfBGR24);
  TImgMask mask(4, 3, 8);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x)
      mask.SetPixel(x, y, static_cast<std::uint8_t>(x * 60 + y));
  }
  mask.CopyToAlphaChannel(bitmap);
  ASSERT_TRUE(bitmap.HasAlphaChannel());
  TImgBitmap* alpha = bitmap.AlphaChannel();
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(alpha->RowPtr(y)[x], x * 60 + y);
  }

  // A smaller 1-bit mask: 0 and 255 where it lies, the rest of the channel untouched.
  TImgBitmap other;
  other.Allocate(4, 3, pfBGR24);
  TImgMask bits(2, 2, 1);
  bits.SetPixel(1, 0, 1);
  bits.CopyToAlphaChannel(other);
  TImgBitmap* otherAlpha = other.AlphaChannel();
  EXPECT_EQ(otherAlpha->RowPtr(0)[0], 0);
  EXPECT_EQ(otherAlpha->RowPtr(0)[1], 255);
  EXPECT_EQ(otherAlpha->RowPtr(1)[0], 0);
  EXPECT_EQ(otherAlpha->RowPtr(0)[2], 255);
  EXPECT_EQ(otherAlpha->RowPtr(2)[0], 255);
}

}  // namespace
