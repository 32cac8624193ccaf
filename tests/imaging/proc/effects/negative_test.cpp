#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/TImagerProc.h"

namespace {

std::vector<std::uint8_t> RowBytesOf(TImgBitmap& bitmap) {
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    bytes.insert(bytes.end(), row, row + bitmap.RowLength());
  }
  return bytes;
}

TEST(Negative, InvertsBgr24) {
  TImagerProc proc;
  TImgBitmap& image = *proc.CurrentImage();
  image.Allocate(3, 2, pfBGR24);
  const std::uint8_t top[9] = {0, 1, 2, 100, 127, 128, 253, 254, 255};
  std::memcpy(image.RowPtr(0), top, 9);
  std::memset(image.RowPtr(1), 40, 9);
  proc.Negative();
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(image.RowPtr(0)[i], 255 - top[i]);
  for (int i = 0; i < 9; ++i)
    EXPECT_EQ(image.RowPtr(1)[i], 215);
}

TEST(Negative, FlipsOneBitPixelsButNotThePadding) {
  TImagerProc proc;
  TImgBitmap& image = *proc.CurrentImage();
  image.Allocate(13, 2, pfBit1);
  for (int y = 0; y < 2; ++y) {
    image.RowPtr(y)[0] = 0xF0;
    image.RowPtr(y)[1] = 0x0F;  // the low three bits are padding
  }
  proc.Negative();
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(image.RowPtr(y)[0], 0x0F);
    EXPECT_EQ(image.RowPtr(y)[1], 0xF7) << "pixels 8..12 flip, padding bits keep their values";
  }
}

TEST(Negative, OtherFormatsOnlyTakeTheUndoCopy) {
  for (TImgBitmapFormat format : {pfPalette8, pfGray8, pfGray16, pf32f}) {
    TImagerProc proc;
    TImgBitmap& image = *proc.CurrentImage();
    image.Allocate(5, 3, format);
    for (int y = 0; y < 3; ++y)
      std::memset(image.RowPtr(y), 0x21, image.RowLength());
    const auto before = RowBytesOf(image);
    proc.Negative();
    EXPECT_EQ(RowBytesOf(image), before) << "format " << int(format);
    EXPECT_EQ(proc.UndoCount(), 1) << "format " << int(format);
  }
}

TEST(Negative, EmptyDetachedImageMakesNoUndoEntry) {
  TImagerProc proc;
  int calls = 0;
  proc.OnProgress = [&](void*, int) { ++calls; };
  proc.Negative();
  EXPECT_EQ(proc.UndoCount(), 0);
  EXPECT_EQ(calls, 0);
}

TEST(Negative, ReportsProgressPerRowWithinRange) {
  TImagerProc proc;
  proc.CurrentImage()->Allocate(2, 4, pfBGR24);
  std::vector<int> reported;
  void* sender = nullptr;
  proc.OnProgress = [&](void* from, int per) {
    sender = from;
    reported.push_back(per);
  };
  proc.Negative();
  // trunc(100 / (3 + 0.5) * rows done), the last one held at 100.
  EXPECT_EQ(reported, (std::vector<int>{28, 57, 85, 100}));
  EXPECT_EQ(sender, &proc);

  reported.clear();
  proc.CurrentImage()->Allocate(2, 1, pfBit1);
  proc.Negative();
  EXPECT_EQ(reported, (std::vector<int>{100})) << "a single row does not report 200 percent";
}

}  // namespace
