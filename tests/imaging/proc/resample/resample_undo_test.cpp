#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/TImagerProc.h"
#include "platform/PlatformBitmap.h"
#include "tests/imaging/proc/resample/ResampleTestImages.h"

namespace {

// The visible bytes of every row (row padding left out).
std::vector<std::uint8_t> Pixels(TImgBitmap& image) {
  std::vector<std::uint8_t> bytes;
  const int rowBytes = image.Width() * 3;
  for (int y = 0; y < image.Height(); ++y) {
    const std::uint8_t* row = image.RowPtr(y);
    bytes.insert(bytes.end(), row, row + rowBytes);
  }
  return bytes;
}

// The undo entry of a resampled picture keeps the old pixels: it must hold exactly what the
// copying frame of an unattached image holds, and give the picture back on restore.
TEST(ResampleUndo, AttachedPictureKeepsTheOldImageForRestore) {
  struct Case {
    int width, height, newWidth, newHeight;
  };
  for (const Case& c : {Case{31, 20, 13, -1}, Case{30, 21, 61, 40}, Case{7, 5, 1, 1}}) {
    TPlatformBitmap picture;
    TImagerProc attached;
    attached.SetAttachedTImage(&picture);
    FillRandomBgr(*attached.CurrentImage(), c.width, c.height, 11);
    const std::vector<std::uint8_t> original = Pixels(*attached.CurrentImage());

    TImagerProc plain;
    plain.CurrentImage()->Assign(attached.CurrentImage());
    plain.Resample(c.newWidth, c.newHeight, rfBicubic);
    attached.Resample(c.newWidth, c.newHeight, rfBicubic);

    ASSERT_EQ(picture.Width(), plain.CurrentImage()->Width()) << c.width;
    ASSERT_EQ(picture.Height(), plain.CurrentImage()->Height()) << c.width;
    EXPECT_EQ(Pixels(*attached.CurrentImage()), Pixels(*plain.CurrentImage())) << c.width;
    ASSERT_EQ(attached.UndoCount(), 1);
    EXPECT_EQ(attached.UndoCaption(0), plain.UndoCaption(0));
    TImgBitmap* saved = attached.UndoImage(0);
    EXPECT_EQ(saved->PixelFormat(), pfBGR24);
    EXPECT_EQ(saved->Width(), c.width);
    EXPECT_EQ(saved->Height(), c.height);
    EXPECT_EQ(Pixels(*saved), original) << c.width;

    attached.RestoreUndo();
    ASSERT_EQ(picture.Width(), c.width);
    ASSERT_EQ(picture.Height(), c.height);
    EXPECT_EQ(Pixels(*attached.CurrentImage()), original) << c.width;
    EXPECT_EQ(std::vector<std::uint8_t>(picture.ScanLine(0), picture.ScanLine(0) + c.width * 3),
              std::vector<std::uint8_t>(original.begin(), original.begin() + c.width * 3));
  }
}

// Each entry owns the pixels it took over: later resamples and trimming leave the kept ones
// intact, and an operation that replaces nothing still saves a copy.
TEST(ResampleUndo, EntriesKeepTheirOwnPixelsAcrossResamples) {
  TPlatformBitmap picture;
  TImagerProc proc;
  proc.SetUndoLimit(2);
  proc.SetAttachedTImage(&picture);
  FillRandomBgr(*proc.CurrentImage(), 40, 30, 5);
  const std::vector<std::uint8_t> first = Pixels(*proc.CurrentImage());
  proc.Resample(20, -1, rfBicubic);
  const std::vector<std::uint8_t> second = Pixels(*proc.CurrentImage());
  proc.Resample(10, -1, rfBicubic);
  proc.Resample(-1, -1, rfBicubic);

  ASSERT_EQ(proc.UndoCount(), 2);
  EXPECT_EQ(proc.UndoCaption(0), "Resample 10,-1");
  EXPECT_EQ(proc.UndoCaption(1), "Resample -1,-1");
  EXPECT_EQ(proc.UndoImage(0)->Width(), 20);
  EXPECT_EQ(Pixels(*proc.UndoImage(0)), second);
  EXPECT_EQ(proc.UndoImage(1)->Width(), 10);
  EXPECT_EQ(Pixels(*proc.UndoImage(1)), Pixels(*proc.CurrentImage()));
  EXPECT_EQ(picture.Width(), 10);

  proc.RestoreUndo(1);
  EXPECT_EQ(Pixels(*proc.CurrentImage()), second);
  proc.SetUndoLimit(1);
  proc.Resample(40, 30, rfBicubic);
  ASSERT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(Pixels(*proc.UndoImage(0)), second);
  EXPECT_NE(first, second);
}

}  // namespace
