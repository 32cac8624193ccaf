#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/PlatformBitmap.h"

namespace {

bool AllZero(const TPlatformBitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.ScanLine(y);
    for (std::int64_t i = 0; i < bitmap.RowLength(); ++i)
      if (row[i] != 0)
        return false;
  }
  return true;
}

void Scribble(TPlatformBitmap& bitmap) {
  for (int y = 0; y < bitmap.Height(); ++y)
    std::memset(bitmap.ScanLine(y), 0xA5, static_cast<std::size_t>(bitmap.RowLength()));
}

// A reused block must still give zero pixels, whatever the sizes and depths in between.
TEST(PlatformBitmap, NewPixelsAreZeroWhenTheBlockIsReused) {
  TPlatformBitmap bitmap;
  const int sizes[][2] = {{40, 30}, {7, 3}, {1, 1}, {40, 30}, {41, 29}, {100, 2}};
  for (const auto& size : sizes) {
    bitmap.SetSize(size[0], size[1]);
    ASSERT_EQ(bitmap.Width(), size[0]);
    ASSERT_EQ(bitmap.Height(), size[1]);
    EXPECT_TRUE(AllZero(bitmap)) << size[0] << "x" << size[1];
    Scribble(bitmap);
  }
  bitmap.SetBitsPerPixel(8);
  EXPECT_TRUE(AllZero(bitmap));
  Scribble(bitmap);
  bitmap.SetBitsPerPixel(24);
  EXPECT_TRUE(AllZero(bitmap));
  bitmap.SetSize(0, 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.ScanLine(0), nullptr);
}

TEST(PlatformBitmap, TakenPixelsLeaveAnEmptyBitmapAndKeepTheRows) {
  TPlatformBitmap bitmap;
  bitmap.SetSize(5, 3);
  bitmap.ScanLine(0)[0] = 7;   // top row: last in the block
  bitmap.ScanLine(2)[14] = 9;  // bottom row: first in the block
  const TPixelBlock pixels = bitmap.TakePixels();
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.BitsPerPixel(), 24);
  ASSERT_EQ(pixels.size(), 3u * 16u);
  EXPECT_EQ(pixels[32], 7);
  EXPECT_EQ(pixels[14], 9);
}

TEST(PlatformBitmap, SpareBlockServesTheNextSizeWithZeroPixels) {
  TPlatformBitmap bitmap;
  TPixelBlock spare(4000, 0xEE);
  bitmap.SetSize(2, 2);
  bitmap.GiveSpareBlock(spare);  // not empty: refused, pixels untouched
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_TRUE(AllZero(bitmap));

  bitmap.SetSize(0, 0);
  bitmap.GiveSpareBlock(std::move(spare));
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.ScanLine(0), nullptr);
  bitmap.SetSize(1, 1);
  bitmap.SetSize(30, 20);
  EXPECT_TRUE(AllZero(bitmap));
}

}  // namespace
