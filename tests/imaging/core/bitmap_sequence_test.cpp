#include <gtest/gtest.h>

#include <random>

#include "imaging/core/ImgErrors.h"
#include "platform/PlatformBitmap.h"
#include "platform/SystemInfo.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace {

class BitmapSequence : public BitmapSettingsGuard {};

// Every row of a non-empty image is reachable and as long as its pixels need; touching each byte
// lets the address sanitizer catch a row that is shorter than claimed.
void CheckRows(TImgBitmap& image) {
  if (image.IsEmpty())
    return;
  const std::int64_t pixelBytes =
      (static_cast<std::int64_t>(image.Width()) * image.BitsPerPixel() + 7) / 8;
  ASSERT_GE(image.RowLength(), pixelBytes);
  for (int row = 0; row < image.Height(); ++row) {
    std::uint8_t* line = image.RowPtr(row);
    ASSERT_NE(line, nullptr) << row;
    for (std::int64_t i = 0; i < image.RowLength(); ++i)
      line[i] = static_cast<std::uint8_t>(line[i] + 1);
  }
  if (image.HasAlphaChannel()) {
    EXPECT_EQ(image.AlphaChannel()->Width(), image.Width());
    EXPECT_EQ(image.AlphaChannel()->Height(), image.Height());
    CheckRows(*image.AlphaChannel());
  }
}

TEST_F(BitmapSequence, RandomOperationsKeepEveryStorageConsistent) {
  std::mt19937 random(20261208);
  auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  const TImgBitmapFormat formats[] = {pfBit1, pfPalette8, pfGray8, pfGray16, pfBGR24, pf32f};
  TImgBitmap images[3];
  TPlatformBitmap outside;
  images[2].AttachTBitmap(&outside);
  for (TImgBitmap& image : images)
    image.SetMemoryThreshold(600);  // larger images go to disk

  for (int step = 0; step < 1500; ++step) {
    TImgBitmap& image = images[pick(0, 2)];
    TImgBitmap& other = images[pick(0, 2)];
    const TImgBitmapFormat format = formats[pick(0, 5)];
    const int operation = pick(0, 12);
    try {
      switch (operation) {
        case 0:
          image.Allocate(pick(-1, 40), pick(-1, 30), format);
          break;
        case 1:
          image.SetPixelFormat(format);
          break;
        case 2:
          image.ChangeWidth(pick(0, 45));
          break;
        case 3:
          image.ChangeHeight(pick(0, 35));
          break;
        case 4:
          image.ResizeCanvas(pick(1, 45), pick(1, 35), pick(0, 255), pick(0, 255), pick(0, 2),
                             pick(0, 2));
          break;
        case 5:
          other.SetPixelFormat(image.PixelFormat());
          image.CopyRect(&other, pick(-10, 40), pick(-10, 30), pick(-10, 40), pick(-10, 30),
                         pick(-5, 50), pick(-5, 40));
          break;
        case 6:
          image.FillRect(pick(-5, 45), pick(-5, 35), pick(-5, 45), pick(-5, 35), pick(0, 300));
          break;
        case 7:
          image.SetLocation(static_cast<TImgBitmapLocation>(pick(0, 2)));
          break;
        case 8:
          image.Assign(&other);
          break;
        case 9:
          if (&image != &images[2])
            image.MoveTo(&other);
          break;
        case 10:
          image.AlphaChannel();
          break;
        case 11:
          image.RemoveAlphaChannel();
          break;
        default:
          image.SetRowAlignBits(pick(0, 1) == 0 ? 8 : 32);
          break;
      }
    } catch (const EImgError& error) {
      // Only pf32f in platform-bitmap storage is refused.
      EXPECT_STREQ(error.what(), TImgBitmap::kPf32fOnPlatformBitmap) << "step " << step;
    }
    for (TImgBitmap& each : images)
      CheckRows(each);
    if (HasFatalFailure())
      FAIL() << "step " << step << " operation " << operation;
  }
}

TEST_F(BitmapSequence, MemoryThresholdDefaultsToHalfTheAvailableMemory) {
  TImgBitmap::SetDefaultMemoryThreshold(12345);
  EXPECT_EQ(TImgBitmap().MemoryThreshold(), 12345);
  TImgBitmap::SetDefaultMemoryThreshold(-1);
  const std::int64_t threshold = TImgBitmap().MemoryThreshold();
  const std::int64_t available = AvailablePhysicalMemory();
  if (available == 0) {
    EXPECT_EQ(threshold, 33554432);
  } else {
    // The free memory moves between the two readings; half of it within a tenth is enough.
    EXPECT_NEAR(static_cast<double>(threshold), available / 2.0, available / 10.0);
  }
}

}  // namespace
