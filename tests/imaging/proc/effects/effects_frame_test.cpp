#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"
#include "imaging/core/TImgView.h"
#include "imaging/proc/TImagerProc.h"
#include "imaging/proc/effects/blur/BlurKernel.h"
#include "imaging/proc/effects/blur/BlurRaster.h"
#include "imaging/proc/effects/equalize/HistEqualizer.h"
#include "imaging/proc/effects/wallis/WallisRaster.h"
#include "platform/VectorPath.h"

namespace {

class SelectionView : public TImgView {
 public:
  TImgBitmap image;
  std::unique_ptr<TImgMask> selection;
  TImgBitmap* GetImgBitmap() override { return &image; }
  TImgMask* SelectionMask() override { return selection.get(); }
};

void FillRandom(TImgBitmap& bitmap, int width, int height, TImgBitmapFormat format, unsigned seed) {
  bitmap.Allocate(width, height, format);
  std::mt19937 generator(seed);
  const int used = (width * FormatBitsPerPixel(format) + 7) / 8;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.RowPtr(y);
    for (int i = 0; i < used; ++i)
      row[i] = static_cast<std::uint8_t>(generator());
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

const std::vector<std::pair<std::string, std::function<void(TImagerProc&)>>>& Effects() {
  static const std::vector<std::pair<std::string, std::function<void(TImagerProc&)>>> effects = {
      {"HistAutoEqualize", [](TImagerProc& p) { p.HistAutoEqualize(); }},
      {"Blur 2", [](TImagerProc& p) { p.Blur(2.0); }},
      {"MedianFilter", [](TImagerProc& p) { p.WallisFilter(2, 2, 50, 50, 50, 10, 50, false); }},
      {"ConvertToBWOrdered", [](TImagerProc& p) { p.ConvertToBWOrdered(); }},
  };
  return effects;
}

TEST(EffectsThroughTheFrame, EachTakesOneUndoCopyUnderItsCaptionAndChangesTheImage) {
  for (const auto& [caption, apply] : Effects()) {
    TImagerProc proc;
    FillRandom(*proc.CurrentImage(), 31, 27, pfBGR24, 5);
    const auto original = PixelBytes(*proc.CurrentImage());
    std::vector<int> percents;
    proc.OnProgress = [&](void* sender, int per) {
      EXPECT_EQ(sender, &proc);
      percents.push_back(per);
    };
    apply(proc);
    ASSERT_EQ(proc.UndoCount(), 1) << caption;
    EXPECT_EQ(proc.UndoCaption(0), caption);
    EXPECT_EQ(PixelBytes(*proc.UndoImage(0)), original) << caption;
    EXPECT_NE(PixelBytes(*proc.CurrentImage()), original) << caption;
    ASSERT_FALSE(percents.empty()) << caption;
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << caption;
    EXPECT_LE(percents.back(), 100) << caption;
  }
  TImagerProc proc;
  FillRandom(*proc.CurrentImage(), 4, 4, pfGray8, 1);
  proc.Blur(1.5);
  EXPECT_EQ(proc.UndoCaption(0), "Blur 1.5");
}

TEST(EffectsThroughTheFrame, RefusedFormatsGetNoUndoCopyAndNoChange) {
  struct Case {
    TImgBitmapFormat format;
    std::function<void(TImagerProc&)> apply;
  };
  for (const Case& c : {Case{pfBit1, [](TImagerProc& p) { p.HistAutoEqualize(); }},
                        Case{pfGray8, [](TImagerProc& p) { p.HistAutoEqualize(); }},
                        Case{pfBit1, [](TImagerProc& p) { p.Blur(2.0); }},
                        Case{pfPalette8, [](TImagerProc& p) { p.Blur(2.0); }},
                        Case{pfGray16, [](TImagerProc& p) { p.Blur(2.0); }},
                        Case{pfGray8, [](TImagerProc& p) { p.ConvertToBWOrdered(); }},
                        Case{pfBit1, [](TImagerProc& p) { p.ConvertToBWOrdered(); }}}) {
    TImagerProc proc;
    FillRandom(*proc.CurrentImage(), 17, 9, c.format, 2);
    const auto original = PixelBytes(*proc.CurrentImage());
    int progressCalls = 0;
    proc.OnProgress = [&](void*, int) { ++progressCalls; };
    c.apply(proc);
    EXPECT_EQ(proc.UndoCount(), 0) << int{c.format};
    EXPECT_EQ(proc.CurrentImage()->PixelFormat(), c.format);
    EXPECT_EQ(PixelBytes(*proc.CurrentImage()), original) << int{c.format};
    EXPECT_EQ(progressCalls, 0);
  }
}

TEST(EffectsThroughTheFrame, BlurWithoutRadiusOnlyTakesItsUndoCopy) {
  for (double radius : {0.0, -1.0}) {
    TImagerProc proc;
    FillRandom(*proc.CurrentImage(), 12, 8, pfBGR24, 3);
    const auto original = PixelBytes(*proc.CurrentImage());
    proc.Blur(radius);
    EXPECT_EQ(proc.UndoCount(), 1);
    EXPECT_EQ(PixelBytes(*proc.CurrentImage()), original);
  }
}

TEST(EffectsThroughTheFrame, WallisFilterTurnsOtherFormatsIntoColour) {
  TImagerProc proc;
  TImgBitmap& image = *proc.CurrentImage();
  image.Allocate(40, 30, pfGray8);
  image.FillAll(153);
  proc.WallisFilter(2, 2, 50, 50, 50, 10, 50, false);
  ASSERT_EQ(image.PixelFormat(), pfBGR24);
  ASSERT_EQ(proc.UndoCount(), 1);
  EXPECT_EQ(proc.UndoImage(0)->PixelFormat(), pfGray8);
  const std::uint8_t* row = image.RowPtr(12);
  EXPECT_EQ(row[0], 150);
  EXPECT_EQ(row[3 * 20 + 2], 150);
  EXPECT_EQ(row[3 * 39], 153);  // the last column keeps its value
}

TEST(EffectsThroughTheFrame, BlackAndWhiteReplacesTheImageWithBits) {
  TImagerProc proc;
  TImgBitmap& image = *proc.CurrentImage();
  image.Allocate(19, 6, pfBGR24);
  image.FillAll(RgbColor(128, 128, 128));
  proc.ConvertToBWOrdered();
  ASSERT_EQ(image.PixelFormat(), pfBit1);
  EXPECT_EQ(image.Width(), 19);
  EXPECT_EQ(image.Height(), 6);
  // Gray 128 is level 32: in row 0 the entries of matrix column 0 are 0, 48, 12, 60, 3, 51, 15,
  // 63 for x mod 8 = 0..7, so x = 0, 2, 4, 6 are white: 1010 1010.
  EXPECT_EQ(image.RowPtr(0)[0], 0xAA);
}

// Runs an effect on a view whose selection is an ellipse, and checks that exactly the selected
// pixels took the values the effect gives on the selection's bounding box alone.
void ExpectSelectionResult(TImgBitmapFormat format, const std::function<void(TImagerProc&)>& apply,
                           const std::function<void(TImgBitmap&)>& onBoundingBox) {
  SelectionView view;
  FillRandom(view.image, 40, 32, format, 9);
  view.selection = std::make_unique<TImgMask>(40, 32, 8);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 40; ++x) {
      const double dx = (x - 20) / 12.0;
      const double dy = (y - 15) / 9.0;
      if (dx * dx + dy * dy <= 1.0)
        view.selection->SetPixel(x, y, 255);
    }
  }
  int left, top, right, bottom;
  ASSERT_TRUE(view.selection->BoundingBox(left, top, right, bottom));
  TImgBitmap box;
  box.Allocate(right - left + 1, bottom - top + 1, format);
  view.image.CopyRect(&box, left, top, 0, 0, box.Width(), box.Height());
  onBoundingBox(box);
  TImgBitmap original;
  original.Assign(&view.image);
  if (original.PixelFormat() != box.PixelFormat())
    original.SetPixelFormat(box.PixelFormat());

  TImagerProc proc;
  proc.SetAttachedImager(&view);
  apply(proc);
  ASSERT_EQ(view.image.PixelFormat(), box.PixelFormat());
  int selected = 0;
  for (int y = 0; y < 32; ++y) {
    const std::uint8_t* row = view.image.RowPtr(y);
    for (int x = 0; x < 40; ++x) {
      const bool inside = view.selection->GetPixel(x, y) != 0;
      const std::uint8_t* expected =
          inside ? box.RowPtr(y - top) + 3 * (x - left) : original.RowPtr(y) + 3 * x;
      selected += inside;
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(row[3 * x + c], expected[c]) << x << "," << y;
    }
  }
  EXPECT_GT(selected, 200);
}

TEST(EffectsThroughTheFrame, SelectionLimitsTheEffectToTheMaskedPixels) {
  ExpectSelectionResult(
      pfBGR24, [](TImagerProc& p) { p.HistAutoEqualize(); },
      [](TImgBitmap& box) { EqualizeHistogram(box, 0, 0, box.Width(), box.Height(), {}); });
  ExpectSelectionResult(
      pfBGR24, [](TImagerProc& p) { p.Blur(2.0); },
      [](TImgBitmap& box) { BlurRaster(box, BlurKernel(2.0), {}); });
  ExpectSelectionResult(
      pfBGR24, [](TImagerProc& p) { p.WallisFilter(2, 2, 50, 50, 50, 10, 50, false); },
      [](TImgBitmap& box) { WallisFilterRaster(box, WallisArguments{}, {}); });
  // A gray image under a selection: the whole image becomes colour so the copy can merge back.
  ExpectSelectionResult(
      pfGray8, [](TImagerProc& p) { p.WallisFilter(2, 2, 50, 50, 50, 10, 50, false); },
      [](TImgBitmap& box) {
        box.SetPixelFormat(pfBGR24);
        WallisFilterRaster(box, WallisArguments{}, {});
      });
}

TEST(EffectsThroughTheFrame, BlackAndWhiteIgnoresTheSelection) {
  SelectionView view;
  view.image.Allocate(16, 8, pfBGR24);
  view.image.FillAll(RgbColor(255, 255, 255));
  view.selection = std::make_unique<TImgMask>(16, 8, 8);
  view.selection->SetPixel(3, 3, 255);
  TImagerProc proc;
  proc.SetAttachedImager(&view);
  proc.ConvertToBWOrdered();
  ASSERT_EQ(view.image.PixelFormat(), pfBit1);
  for (int y = 0; y < 8; ++y) {
    EXPECT_EQ(view.image.RowPtr(y)[0], 0xFF);
    EXPECT_EQ(view.image.RowPtr(y)[1], 0xFF);
  }
}

TEST(EffectsThroughTheFrame, DiskStoredImagesGiveTheSameResults) {
  for (const auto& [caption, apply] : Effects()) {
    TImagerProc inMemory;
    inMemory.CurrentImage()->SetLocation(locInMemory);
    FillRandom(*inMemory.CurrentImage(), 29, 23, pfBGR24, 4);
    TImagerProc onDisk;
    TImgBitmap& diskImage = *onDisk.CurrentImage();
    diskImage.SetMemoryThreshold(0);
    diskImage.SetLocation(locOnDisk);
    diskImage.Assign(inMemory.CurrentImage());
    ASSERT_EQ(diskImage.Location(), locOnDisk);
    apply(inMemory);
    apply(onDisk);
    EXPECT_EQ(PixelBytes(diskImage), PixelBytes(*inMemory.CurrentImage())) << caption;
  }
}

}  // namespace

// The effects' tests run under each QM_VECTOR_PATH; a path that the variable failed to select
// would leave the narrower code untested while the runs still pass.
TEST(VectorPathTest, EffectsRunOnThePathTheEnvironmentAsks) {
  const char* requested = std::getenv("QM_VECTOR_PATH");
  if (requested == nullptr)
    GTEST_SKIP() << "no path requested: the widest the processor has";
  const std::string name(requested);
  const VectorPath expected = name == "scalar" ? VectorPath::Scalar
                              : name == "sse2" ? VectorPath::Sse2
                                               : VectorPath::Avx2;
  EXPECT_EQ(ActiveVectorPath(), std::min(expected, SupportedVectorPath()));
}
