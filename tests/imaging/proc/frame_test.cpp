#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"
#include "imaging/core/TImgView.h"
#include "imaging/proc/TImagerProc.h"
#include "platform/ByteStream.h"
#include "platform/PlatformBitmap.h"

namespace {

class TestView : public TImgView {
 public:
  TImgBitmap* image = &ownImage;
  TImgBitmap ownImage;
  std::unique_ptr<TImgMask> selection;
  int updates = 0;
  int imageChanges = 0;
  std::string state = "view-state";
  std::string loadedState;

  TPlatformBitmap* platformBitmap = nullptr;

  TImgBitmap* GetImgBitmap() override { return image; }
  TPlatformBitmap* GetTBitmap() override { return platformBitmap; }
  TImgMask* SelectionMask() override { return selection.get(); }
  void Update() override { ++updates; }
  void ImageChange() override { ++imageChanges; }
  void SaveState(TByteStream& stream) override {
    stream.Write(state.data(), static_cast<std::int64_t>(state.size()));
  }
  void LoadState(TByteStream& stream) override {
    loadedState.assign(static_cast<std::size_t>(stream.Size()), '\0');
    stream.Read(loadedState.data(), stream.Size());
  }
};

// A BGR24 image whose every byte differs from its neighbours'.
void FillPattern(TImgBitmap& bitmap, int width, int height, int seed = 0) {
  bitmap.Allocate(width, height, pfBGR24);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.RowPtr(y);
    for (int i = 0; i < width * 3; ++i)
      row[i] = static_cast<std::uint8_t>(seed + y * 37 + i * 5);
  }
}

std::vector<std::uint8_t> PixelBytes(TImgBitmap& bitmap) {
  std::vector<std::uint8_t> bytes;
  const int used = (bitmap.Width() * bitmap.BitsPerPixel() + 7) / 8;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    bytes.insert(bytes.end(), row, row + used);
  }
  return bytes;
}

std::vector<std::uint8_t> Inverted(std::vector<std::uint8_t> bytes) {
  for (auto& b : bytes)
    b = static_cast<std::uint8_t>(255 - b);
  return bytes;
}

TEST(TImagerProcUndo, LimitOneKeepsTheImageBeforeTheLastOperation) {
  TImagerProc proc;
  FillPattern(*proc.CurrentImage(), 5, 4);
  const auto original = PixelBytes(*proc.CurrentImage());
  proc.Negative();
  proc.Negative();
  ASSERT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(proc.UndoCaption(0), "Negative");
  TImgBitmap* saved = proc.UndoImage(0);
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(PixelBytes(*saved), Inverted(original));
  EXPECT_EQ(saved->MemoryThreshold(), 0);
  EXPECT_EQ(saved->Location(), locOnDisk);
  EXPECT_EQ(PixelBytes(*proc.CurrentImage()), original) << "Negative twice restores the image";
}

TEST(TImagerProcUndo, DiskStoredImageIsCopiedWithItsLastRow) {
  TImagerProc proc;
  TImgBitmap& image = *proc.CurrentImage();
  image.SetMemoryThreshold(0);
  FillPattern(image, 6, 5);
  ASSERT_EQ(image.Location(), locOnDisk);
  const auto original = PixelBytes(image);
  proc.Negative();  // leaves the bottom row as the one fetched last
  proc.Negative();
  ASSERT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(PixelBytes(*proc.UndoImage(0)), Inverted(original));
  EXPECT_EQ(PixelBytes(image), original);
  proc.RestoreUndo();
  EXPECT_EQ(PixelBytes(image), Inverted(original));
}

TEST(TImagerProcUndo, LimitIsNeverBelowOne) {
  TImagerProc proc;
  proc.SetUndoLimit(0);
  EXPECT_EQ(proc.UndoLimit(), 1);
  proc.SetUndoLimit(-7);
  EXPECT_EQ(proc.UndoLimit(), 1);
  proc.SetUndoLimit(3);
  EXPECT_EQ(proc.UndoLimit(), 3);
}

TEST(TImagerProcUndo, LongerListDropsTheOldestAndRestoresByAge) {
  TImagerProc proc;
  proc.SetUndoLimit(3);
  std::vector<std::vector<std::uint8_t>> before;
  for (int step = 0; step < 4; ++step) {
    FillPattern(*proc.CurrentImage(), 4, 3, step * 11);
    before.push_back(PixelBytes(*proc.CurrentImage()));
    proc.SaveUndoCaption("step " + std::to_string(step), 1);
  }
  ASSERT_EQ(proc.UndoCount(), 3);
  EXPECT_EQ(proc.UndoCaption(0), "step 1");
  EXPECT_EQ(proc.UndoCaption(2), "step 3");

  FillPattern(*proc.CurrentImage(), 2, 2, 99);
  proc.RestoreUndo(2);
  EXPECT_EQ(PixelBytes(*proc.CurrentImage()), before[1]);
  proc.RestoreUndo();
  EXPECT_EQ(PixelBytes(*proc.CurrentImage()), before[3]);
  EXPECT_EQ(proc.UndoCount(), 3) << "restoring keeps the entry";
  proc.RestoreUndo(3);  // beyond the list: nothing
  EXPECT_EQ(PixelBytes(*proc.CurrentImage()), before[3]);
}

TEST(TImagerProcUndo, RedoListWorksLikeTheUndoList) {
  TImagerProc proc;
  FillPattern(*proc.CurrentImage(), 3, 3);
  const auto original = PixelBytes(*proc.CurrentImage());
  proc.PushRedo(1);
  ASSERT_EQ(proc.RedoCount(), 1);
  proc.SetAutoUndo(false);
  proc.Negative();
  EXPECT_EQ(proc.UndoCount(), 0) << "AutoUndo off takes no copy";
  proc.RestoreRedo();
  EXPECT_EQ(PixelBytes(*proc.CurrentImage()), original);
  proc.DropLastRedo();
  EXPECT_EQ(proc.RedoCount(), 0);
  proc.DropLastRedo();
  EXPECT_EQ(proc.RedoCount(), 0);
}

TEST(TImagerProcUndo, ViewStateEntriesNeedAView) {
  TImagerProc proc;
  FillPattern(*proc.CurrentImage(), 2, 2);
  proc.SaveUndoCaption("first", 1);
  proc.SaveUndoCaption("state", 2);  // no view: no entry, and the older caption stays
  ASSERT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(proc.UndoCaption(0), "first");

  TestView view;
  FillPattern(view.ownImage, 2, 2);
  TImagerProc attached;
  attached.SetAttachedImager(&view);
  attached.SaveUndoCaption("state", 2);
  ASSERT_EQ(attached.UndoCount(), 1);
  EXPECT_EQ(attached.UndoImage(0), nullptr);
  EXPECT_EQ(attached.UndoCaption(0), "state");
  attached.RestoreUndo();
  EXPECT_EQ(view.loadedState, "view-state");
}

TEST(TImagerProcFrame, BeginOperationChecksTheFormat) {
  TImagerProc proc;
  EXPECT_TRUE(proc.BeginOperation({})) << "an empty image is still an image";
  FillPattern(*proc.CurrentImage(), 2, 2);
  EXPECT_TRUE(proc.BeginOperation({}));
  EXPECT_TRUE(proc.BeginOperation({pfBGR24}));
  EXPECT_TRUE(proc.BeginOperation({pfGray8, pfBGR24}));
  EXPECT_FALSE(proc.BeginOperation({pfGray8}));
  proc.CurrentImage()->Allocate(9, 2, pfBit1);
  EXPECT_TRUE(proc.BeginOperation({pfBit1}));
  EXPECT_FALSE(proc.BeginOperation({pfBGR24}));
}

TEST(TImagerProcFrame, GetRegionFollowsTheSelection) {
  TestView view;
  FillPattern(view.ownImage, 8, 6);
  TImagerProc proc;
  int x1 = -1, y1 = -1, x2 = -1, y2 = -1;
  TImgMask* mask = reinterpret_cast<TImgMask*>(1);
  FillPattern(*proc.CurrentImage(), 3, 2);
  EXPECT_FALSE(proc.GetRegion(x1, y1, x2, y2, mask));
  EXPECT_EQ(x2, 3);
  EXPECT_EQ(y2, 2);
  EXPECT_EQ(mask, nullptr);

  proc.SetAttachedImager(&view);
  EXPECT_FALSE(proc.GetRegion(x1, y1, x2, y2, mask)) << "no selection";
  EXPECT_EQ(x2, 8);

  view.selection = std::make_unique<TImgMask>(8, 6, 8);
  EXPECT_TRUE(proc.GetRegion(x1, y1, x2, y2, mask));
  EXPECT_EQ(mask, view.selection.get());
  EXPECT_EQ(x1, 0);
  EXPECT_EQ(x2, 8) << "an empty selection means the whole image";
  EXPECT_EQ(y2, 6);

  view.selection->SetPixel(2, 1, 255);
  view.selection->SetPixel(5, 3, 255);
  EXPECT_TRUE(proc.GetRegion(x1, y1, x2, y2, mask));
  EXPECT_EQ(x1, 2);
  EXPECT_EQ(y1, 1);
  EXPECT_EQ(x2, 6);
  EXPECT_EQ(y2, 4);
}

TEST(TImagerProcFrame, SelectionLimitsTheChangeToSelectedPixels) {
  TestView view;
  FillPattern(view.ownImage, 8, 6);
  const auto original = PixelBytes(view.ownImage);
  view.selection = std::make_unique<TImgMask>(8, 6, 8);
  const int selected[][2] = {{2, 1}, {4, 3}, {3, 2}, {6, 4}};
  for (const auto& p : selected)
    view.selection->SetPixel(p[0], p[1], 200);
  TImagerProc proc;
  proc.SetAttachedImager(&view);
  EXPECT_EQ(proc.CurrentImage(), &view.ownImage);
  proc.Negative();

  const auto after = PixelBytes(view.ownImage);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool isSelected = view.selection->GetPixel(x, y) != 0;
      for (int c = 0; c < 3; ++c) {
        const std::size_t i = static_cast<std::size_t>(y * 24 + x * 3 + c);
        EXPECT_EQ(after[i], isSelected ? 255 - original[i] : original[i])
            << "pixel " << x << "," << y;
      }
    }
  }
  EXPECT_EQ(view.updates, 1);
  EXPECT_EQ(view.imageChanges, 1);
  ASSERT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(PixelBytes(*proc.UndoImage(0)), original) << "the undo copy is the whole image";
}

TEST(TImagerProcFrame, OneBitSelectionOnOneBitImage) {
  TestView view;
  view.ownImage.Allocate(11, 3, pfBit1);
  for (int y = 0; y < 3; ++y)
    std::memset(view.ownImage.RowPtr(y), 0x5A, 4);
  view.selection = std::make_unique<TImgMask>(11, 3, 1);
  view.selection->SetPixel(9, 1, 1);
  view.selection->SetPixel(10, 2, 1);
  TImagerProc proc;
  proc.SetAttachedImager(&view);
  proc.Negative();
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 11; ++x) {
      const bool was = (0x5A & (0x80 >> (x % 8))) != 0;
      const bool now = (view.ownImage.RowPtr(y)[x / 8] & (0x80 >> (x % 8))) != 0;
      EXPECT_EQ(now, view.selection->GetPixel(x, y) != 0 ? !was : was) << x << "," << y;
    }
  }
}

TEST(TImagerProcFrame, ViewReplacementAndRemovalAreFollowed) {
  TImagerProc proc;
  {
    TestView view;
    view.SetBackground(RgbColor(1, 2, 3));
    proc.SetAttachedImager(&view);
    EXPECT_EQ(proc.Background(), RgbColor(1, 2, 3));
    proc.SetBackground(RgbColor(9, 9, 9));
    EXPECT_EQ(view.Background(), RgbColor(9, 9, 9));

    TImgBitmap replacement;
    view.image = &replacement;
    view.NotifyImageReplaced();
    EXPECT_EQ(proc.CurrentImage(), &replacement);
    view.image = &view.ownImage;
    view.NotifyImageReplaced();
  }
  EXPECT_EQ(proc.AttachedImager(), nullptr);
  ASSERT_NE(proc.CurrentImage(), nullptr);
  EXPECT_TRUE(proc.CurrentImage()->IsEmpty());
  proc.Negative();  // works on an image of its own again
  EXPECT_EQ(proc.Background(), 0u);
}

TEST(TImagerProcFrame, PictureBitmapIsWrappedAndMarkedModified) {
  TPlatformBitmap picture;
  picture.SetBitsPerPixel(24);
  picture.SetSize(4, 2);
  picture.ScanLine(1)[0] = 10;
  TImagerProc proc;
  proc.SetAttachedTImage(&picture);
  EXPECT_EQ(proc.AttachedTImage(), &picture);
  EXPECT_EQ(proc.CurrentImage()->Width(), 4);
  EXPECT_EQ(proc.CurrentImage()->PixelFormat(), pfBGR24);
  proc.Negative();
  EXPECT_EQ(picture.ScanLine(1)[0], 245);
  EXPECT_EQ(picture.ScanLine(0)[11], 255);
  EXPECT_TRUE(picture.Modified());
  proc.SetAttachedTImage(nullptr);
  EXPECT_EQ(proc.AttachedTImage(), nullptr);
}

TEST(TImagerProcFrame, ViewWithOnlyAPlatformBitmapIsWrapped) {
  TPlatformBitmap picture;
  picture.SetBitsPerPixel(24);
  picture.SetSize(3, 2);
  TestView view;
  view.image = nullptr;
  view.platformBitmap = &picture;
  TImagerProc proc;
  proc.SetAttachedImager(&view);
  ASSERT_NE(proc.CurrentImage(), nullptr);
  EXPECT_EQ(proc.CurrentImage()->Width(), 3);
  picture.SetSize(5, 4);  // changed behind the processor's back
  ASSERT_TRUE(proc.BeginOperation({pfBGR24}));
  EXPECT_EQ(proc.CurrentImage()->Width(), 5);
  EXPECT_EQ(proc.CurrentImage()->Height(), 4);
  proc.Negative();
  EXPECT_EQ(picture.ScanLine(3)[14], 255);
  EXPECT_EQ(view.updates, 1);
  EXPECT_EQ(view.imageChanges, 1);
}

}  // namespace
