#include <gtest/gtest.h>

#include <climits>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/TImgDibBitmap.h"
#include "imaging/core/TImgWorkBitmap.h"

namespace {

TEST(TImgWorkBitmap, RowsAreBottomUpAndTheBlockIsKeptForTheSameShape) {
  TImgWorkBitmap work(3, 24, 4);
  EXPECT_EQ(work.RowLength(), 12);
  EXPECT_EQ(work.RowPtr(3), work.Bits());
  EXPECT_EQ(work.RowPtr(0), work.Bits() + 3 * 12);
  EXPECT_EQ(work.RowPtr(4), nullptr);
  std::uint8_t* block = work.Bits();
  work.Allocate(3, 24, 4);
  EXPECT_EQ(work.Bits(), block);
  work.Allocate(3, 8, 4);
  EXPECT_EQ(work.RowLength(), 4);

  work.Allocate(0, 8, 4);
  EXPECT_EQ(work.Bits(), nullptr);
  EXPECT_EQ(work.Width(), 0);
  EXPECT_EQ(work.RowPtr(0), nullptr);

  EXPECT_THROW(work.Allocate(INT_MAX, 32, INT_MAX), EImgOutOfMemory);
  EXPECT_EQ(work.Bits(), nullptr);
  EXPECT_EQ(work.Height(), 0);
}

TEST(TImgDibBitmap, HoldsOnlyBitsAndColourAndCopiesOnlyItsKind) {
  TImgDibBitmap dib;
  dib.Allocate(5, 2, pfGray8);
  EXPECT_EQ(dib.PixelFormat(), pfNoFormat);
  EXPECT_EQ(dib.RowPtr(0), nullptr);

  dib.Allocate(5, 2, pfBGR24);
  EXPECT_EQ(dib.PixelFormat(), pfBGR24);
  EXPECT_EQ(dib.BitsPerPixel(), 24);
  EXPECT_EQ(dib.RowLength(), 16);
  EXPECT_EQ(dib.RowPtr(0), dib.RowPtr(1) + 16);
  dib.RowPtr(1)[14] = 3;

  TImgDibBitmap copy;
  copy.Assign(&dib);
  EXPECT_EQ(copy.Width(), 5);
  EXPECT_EQ(copy.RowPtr(1)[14], 3);

  dib.Allocate(9, 1, pfBit1);
  EXPECT_EQ(dib.RowLength(), 4);
  EXPECT_THROW(dib.Allocate(INT_MAX, INT_MAX, pfBGR24), EImgOutOfMemory);
  EXPECT_EQ(dib.PixelFormat(), pfNoFormat);
  EXPECT_EQ(dib.Width(), 0);
}

}  // namespace
