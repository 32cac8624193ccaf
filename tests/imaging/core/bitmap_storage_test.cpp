#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <vector>

#include "imaging/core/ImgErrors.h"
#include "platform/PlatformBitmap.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace {

class BitmapStorage : public BitmapSettingsGuard {};

TEST_F(BitmapStorage, RowLengthPadsRowsToTheAlignment) {
  TImgBitmap image;
  image.Allocate(3, 2, pfBGR24);
  EXPECT_EQ(image.RowLength(), 12);
  EXPECT_EQ(image.BitsPerPixel(), 24);
  image.Allocate(1, 1, pfBit1);
  EXPECT_EQ(image.RowLength(), 4);
  image.Allocate(33, 1, pfBit1);
  EXPECT_EQ(image.RowLength(), 8);
  image.SetRowAlignBits(8);
  image.Allocate(3, 2, pfBGR24);
  EXPECT_EQ(image.RowLength(), 9);
  image.Allocate(5, 1, pfGray16);
  EXPECT_EQ(image.RowLength(), 10);
}

TEST_F(BitmapStorage, MemoryBlockIsBottomUp) {
  TImgBitmap::SetDefaultMemoryThreshold(1 << 20);
  TImgBitmap image;
  image.Allocate(5, 10, pfGray8);
  ASSERT_EQ(image.Location(), locInMemory);
  std::uint8_t* blockStart = image.RowPtr(9);
  EXPECT_EQ(image.RowPtr(0), blockStart + 9 * image.RowLength());
  for (int row = 0; row < 10; ++row) {
    EXPECT_EQ(image.RowPtr(row), blockStart + (9 - row) * image.RowLength());
  }
  EXPECT_EQ(image.RowPtr(-1), nullptr);
  EXPECT_EQ(image.RowPtr(10), nullptr);
}

TEST_F(BitmapStorage, ThresholdChoosesStorageAndEqualSizeKeepsTheChoice) {
  TImgBitmap::SetDefaultMemoryThreshold(400);  // 10 x 10 gray16 with 20-byte rows = 200 bytes
  TImgBitmap automatic;
  automatic.Allocate(10, 10, pfGray16);
  EXPECT_EQ(automatic.Location(), locInMemory);
  automatic.Allocate(10, 30, pfGray16);  // 600 bytes
  EXPECT_EQ(automatic.Location(), locOnDisk);

  TImgBitmap askedDisk;
  askedDisk.SetMemoryThreshold(200);
  askedDisk.Allocate(10, 10, pfGray16);
  EXPECT_EQ(askedDisk.Location(), locOnDisk);

  TImgBitmap askedMemory;
  askedMemory.SetLocation(locInMemory);
  askedMemory.SetMemoryThreshold(200);
  askedMemory.Allocate(10, 10, pfGray16);
  EXPECT_EQ(askedMemory.Location(), locInMemory);
}

TEST_F(BitmapStorage, DiskRowsAreTopDownInTheTemporaryFile) {
  TImgBitmap::SetDefaultMemoryThreshold(0);
  TImgBitmap image;
  image.Allocate(3, 4, pfBGR24);
  ASSERT_EQ(image.Location(), locOnDisk);
  EXPECT_EQ(TempFileCount(), 1);
  for (int row = 0; row < 4; ++row)
    std::memset(image.RowPtr(row), 'a' + row, 12);
  image.ReleaseRows();

  std::filesystem::path file;
  for (const auto& entry : std::filesystem::directory_iterator(tempDir_))
    file = entry.path();
  std::ifstream in(file, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  ASSERT_EQ(bytes.size(), 48u);
  for (int row = 0; row < 4; ++row)
    EXPECT_EQ(bytes[static_cast<std::size_t>(row * 12)], 'a' + row);

  for (int row = 0; row < 4; ++row)
    EXPECT_EQ(image.RowPtr(row)[11], 'a' + row);
  image.FreeImage();
  EXPECT_EQ(TempFileCount(), 0);
}

TEST_F(BitmapStorage, HeldDiskRowsSurviveLaterRowPtrCalls) {
  TImgBitmap::SetDefaultMemoryThreshold(0);
  TImgBitmap image;
  image.Allocate(8, 3, pfGray8);
  ASSERT_EQ(image.Location(), locOnDisk);
  std::uint8_t* held = image.RowPtrHeld(0);
  held[0] = 7;
  std::uint8_t* second = image.RowPtr(1);
  second[0] = 8;
  image.RowPtr(2)[0] = 9;  // releases row 1, not the held row 0
  EXPECT_EQ(held[0], 7);
  held[1] = 70;
  // Asking RowPtr for the held row hands out the same buffer.
  EXPECT_EQ(image.RowPtr(0), held);
  image.ReleaseRow(0);
  image.ReleaseRows();
  EXPECT_EQ(image.RowPtr(0)[0], 7);
  EXPECT_EQ(image.RowPtr(0)[1], 70);
  EXPECT_EQ(image.RowPtr(1)[0], 8);
  EXPECT_EQ(image.RowPtr(2)[0], 9);
}

TEST_F(BitmapStorage, UncreatableTemporaryFileFallsBackToMemory) {
  TImgBitmap::SetDefaultMemoryThreshold(0);
  TImgBitmap::SetTempFolder("/proc/no-such-folder/qm");
  TImgBitmap image;
  image.Allocate(4, 4, pfGray8);
  EXPECT_EQ(image.Location(), locInMemory);
  ASSERT_NE(image.RowPtr(3), nullptr);
  EXPECT_EQ(image.RowPtr(0), image.RowPtr(3) + 3 * image.RowLength());
}

TEST_F(BitmapStorage, PlatformBitmapRowsAreTheBitmapsOwn) {
  TImgBitmap image;
  image.SetLocation(locPlatformBitmap);
  image.Allocate(5, 3, pfBGR24);
  TPlatformBitmap* bitmap = image.GetTBitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->BitsPerPixel(), 24);
  EXPECT_EQ(image.RowLength(), 16);
  for (int row = 0; row < 3; ++row)
    EXPECT_EQ(image.RowPtr(row), bitmap->ScanLine(row));
  EXPECT_EQ(image.RowPtr(0), image.RowPtr(2) + 2 * 16);  // bottom-up

  image.Allocate(4, 4, pfGray16);
  EXPECT_EQ(image.PixelFormat(), pfGray8);
  EXPECT_EQ(image.BitsPerPixel(), 8);
  EXPECT_EQ(image.GetTBitmap()->BitsPerPixel(), 8);

  // A change made to the bitmap directly is seen by the next query.
  bitmap = image.GetTBitmap();
  bitmap->SetBitsPerPixel(1);
  bitmap->SetSize(9, 2);
  EXPECT_EQ(image.PixelFormat(), pfBit1);
  EXPECT_EQ(image.Width(), 9);
  EXPECT_EQ(image.RowPtr(1), bitmap->ScanLine(1));
}

TEST_F(BitmapStorage, Pf32fIsRefusedInPlatformBitmapStorage) {
  TImgBitmap image;
  image.SetLocation(locPlatformBitmap);
  try {
    image.Allocate(4, 4, pf32f);
    FAIL() << "no error raised";
  } catch (const EImgError& error) {
    EXPECT_STREQ(error.what(), "pf32f pixel format not allowed when Location=locPlatformBitmap");
  }
  EXPECT_EQ(image.Width(), 1);
  EXPECT_EQ(image.Height(), 1);
  EXPECT_NE(image.PixelFormat(), pf32f);

  // Moving a float image into a platform bitmap is refused before anything is lost.
  TImgBitmap floats;
  floats.Allocate(3, 1, pf32f);
  floats.FillAll(0.25);
  EXPECT_THROW(floats.SetLocation(locPlatformBitmap), EImgError);
  EXPECT_NE(floats.Location(), locPlatformBitmap);
  EXPECT_FLOAT_EQ(FloatAt(floats, 2, 0), 0.25f);

  image.Allocate(2, 2, pfGray8);
  EXPECT_THROW(image.SetPixelFormat(pf32f), EImgError);
  EXPECT_EQ(image.PixelFormat(), pfGray8);
  EXPECT_EQ(image.Width(), 2);
}

TEST_F(BitmapStorage, OversizedImagesFailCleanly) {
  struct Case {
    int width, height;
    TImgBitmapFormat format;
    std::int64_t threshold;
  };
  const Case cases[] = {
      {INT_MAX, INT_MAX, pf32f, INT64_MAX},  // bytes overflow 64 bits
      {INT_MAX, INT_MAX, pfGray8, 0},        // no file system takes 4.6e18 bytes
      {INT_MAX, 1, pf32f, INT64_MAX},        // one row longer than a row length can say
      {200000, 200000, pfBGR24, INT64_MAX},  // 120 GB in memory
  };
  for (const Case& c : cases) {
    for (TImgBitmapLocation location : {locOnDisk, locPlatformBitmap}) {
      if (location == locPlatformBitmap && c.format == pf32f)
        continue;
      TImgBitmap image;
      image.SetLocation(location);
      image.SetMemoryThreshold(c.threshold);
      image.Allocate(2, 2, pfGray8);
      EXPECT_THROW(image.Allocate(c.width, c.height, c.format), EImgOutOfMemory)
          << c.width << " x " << c.height;
      EXPECT_TRUE(image.IsEmpty());
      EXPECT_EQ(image.Width(), 0);
      EXPECT_EQ(image.RowPtr(0), nullptr);
      image.Allocate(3, 3, pfGray8);  // still usable
      ASSERT_NE(image.RowPtr(2), nullptr);
      image.RowPtr(2)[2] = 1;
    }
  }
}

TEST_F(BitmapStorage, ZeroSizeAllocatesNothing) {
  TImgBitmap image;
  image.Allocate(0, 5, pfGray8);
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_EQ(image.RowPtr(0), nullptr);
  image.Allocate(5, 5, pfNoFormat);
  EXPECT_TRUE(image.IsEmpty());
}

TEST_F(BitmapStorage, AssignCopiesEverythingBetweenStorages) {
  TImgBitmap::SetDefaultMemoryThreshold(1 << 20);
  TImgBitmap source;
  source.Allocate(4, 3, pfPalette8);
  for (int row = 0; row < 3; ++row)
    std::memset(source.RowPtr(row), 10 + row, 4);
  source.Palette()[3 * 12 + 2] = 200;
  source.AlphaChannel()->RowPtr(1)[2] = 9;
  source.SetBWConversion(bwOrdered);
  source.SetIsFull(true);

  for (std::int64_t threshold : {std::int64_t{1} << 20, std::int64_t{0}}) {
    TImgBitmap copy;
    copy.SetMemoryThreshold(threshold);
    copy.Assign(&source);
    EXPECT_EQ(copy.Location(), threshold == 0 ? locOnDisk : locInMemory);
    EXPECT_EQ(copy.PixelFormat(), pfPalette8);
    EXPECT_EQ(copy.Width(), 4);
    EXPECT_EQ(copy.Height(), 3);
    for (int row = 0; row < 3; ++row)
      EXPECT_EQ(copy.RowPtr(row)[3], 10 + row);
    EXPECT_EQ(copy.Palette()[3 * 12 + 2], 200);
    ASSERT_TRUE(copy.HasAlphaChannel());
    EXPECT_EQ(copy.AlphaChannel()->RowPtr(1)[2], 9);
    EXPECT_EQ(copy.BWConversion(), bwOrdered);
    EXPECT_TRUE(copy.IsFull());
    EXPECT_EQ(copy.AccessMode(), 3);
  }
  EXPECT_EQ(source.AccessMode(), 3);

  // Copying a container's own alpha channel into it leaves a valid gray image.
  TImgBitmap withAlpha;
  withAlpha.Assign(&source);
  withAlpha.Assign(withAlpha.AlphaChannel());
  EXPECT_EQ(withAlpha.PixelFormat(), pfGray8);
  EXPECT_EQ(withAlpha.RowPtr(1)[2], 9);
  EXPECT_FALSE(withAlpha.HasAlphaChannel());

  // An alpha channel never takes an alpha channel of its own.
  TImgBitmap alpha(1, 1, locInMemory);
  alpha.Assign(&source);
  EXPECT_FALSE(alpha.HasAlphaChannel());
  EXPECT_EQ(alpha.Width(), 4);
}

TEST_F(BitmapStorage, AssignBetweenDiskImagesCopiesTheFile) {
  TImgBitmap::SetDefaultMemoryThreshold(0);
  TImgBitmap source;
  source.Allocate(1000, 700, pfBGR24);  // 2.1 MB: more than one copy buffer
  ASSERT_EQ(source.Location(), locOnDisk);
  for (int row = 0; row < 700; ++row)
    std::memset(source.RowPtr(row), row & 0xFF, 3000);
  // The last row written is still fetched; Assign must see it too.
  source.RowPtr(699)[5] = 77;

  TImgBitmap copy;
  copy.Assign(&source);
  ASSERT_EQ(copy.Location(), locOnDisk);
  for (int row = 0; row < 700; row += 37)
    EXPECT_EQ(copy.RowPtr(row)[2999], row & 0xFF);
  EXPECT_EQ(copy.RowPtr(699)[5], 77);
  EXPECT_EQ(source.RowPtr(699)[5], 77);
  EXPECT_EQ(source.AccessMode(), 3);
  EXPECT_EQ(copy.AccessMode(), 3);
}

TEST_F(BitmapStorage, MoveToHandsOverPixelsAndEmptiesTheSource) {
  TImgBitmap::SetDefaultMemoryThreshold(1 << 20);
  TImgBitmap source;
  source.Allocate(6, 2, pfGray8);
  source.AlphaChannel();
  source.SetPaletteColors(16);
  std::uint8_t* row0 = source.RowPtr(0);
  row0[0] = 42;
  TImgBitmap destination;
  destination.Allocate(3, 3, pfBGR24);
  source.MoveTo(&destination);
  EXPECT_EQ(destination.RowPtr(0), row0);
  EXPECT_EQ(destination.RowPtr(0)[0], 42);
  EXPECT_EQ(destination.Width(), 6);
  EXPECT_EQ(destination.PixelFormat(), pfGray8);
  EXPECT_TRUE(destination.HasAlphaChannel());
  EXPECT_EQ(destination.PaletteColors(), 16);
  EXPECT_TRUE(source.IsEmpty());
  EXPECT_FALSE(source.HasAlphaChannel());
  EXPECT_EQ(source.RowPtr(0), nullptr);

  TImgBitmap::SetDefaultMemoryThreshold(0);
  TImgBitmap onDisk;
  onDisk.Allocate(4, 4, pfGray8);
  onDisk.RowPtr(3)[1] = 5;
  onDisk.MoveTo(&destination);
  EXPECT_EQ(destination.Location(), locOnDisk);
  EXPECT_EQ(destination.RowPtr(3)[1], 5);
  onDisk.Allocate(2, 2, pfGray8);  // a fresh file store
  EXPECT_EQ(TempFileCount(), 2);
}

TEST_F(BitmapStorage, OutsideStoresAreUsedButNotOwned) {
  std::vector<std::uint8_t> block(8 * 3, 0);
  TImgBitmap image;
  image.AttachMemory(block.data(), 7, 3, pfGray8);
  EXPECT_TRUE(image.ExternalMemory());
  EXPECT_EQ(image.Location(), locInMemory);
  EXPECT_EQ(image.RowPtr(0), block.data() + 2 * 8);
  image.FreeImage();
  EXPECT_FALSE(image.ExternalMemory());

  TPlatformBitmap bitmap;
  bitmap.SetSize(4, 2);
  bitmap.ScanLine(1)[0] = 99;
  image.AttachTBitmap(&bitmap);
  EXPECT_TRUE(image.ExternalTBitmap());
  EXPECT_EQ(image.PixelFormat(), pfBGR24);
  EXPECT_EQ(image.RowPtr(1)[0], 99);
  image.Allocate(10, 10, pfBit1);  // keeps the outside bitmap and reshapes it
  EXPECT_EQ(image.GetTBitmap(), &bitmap);
  EXPECT_EQ(bitmap.Width(), 10);
  EXPECT_EQ(bitmap.BitsPerPixel(), 1);
  image.FreeImage();
  EXPECT_EQ(bitmap.Width(), 10);  // untouched and still alive
}

TEST_F(BitmapStorage, SetLocationMovesPixelsPaletteAndAlpha) {
  TImgBitmap::SetDefaultMemoryThreshold(1 << 20);
  TImgBitmap image;
  image.Allocate(5, 4, pfPalette8);
  for (int row = 0; row < 4; ++row)
    std::memset(image.RowPtr(row), row + 1, 5);
  image.Palette()[3 * 4] = 33;
  image.AlphaChannel()->RowPtr(0)[0] = 1;
  for (TImgBitmapLocation location : {locOnDisk, locPlatformBitmap, locInMemory}) {
    // The size rule still applies: only a threshold below the size keeps pixels on disk.
    image.SetMemoryThreshold(location == locOnDisk ? 0 : 1 << 20);
    image.SetLocation(location);
    EXPECT_EQ(image.Location(), location);
    EXPECT_EQ(image.PixelFormat(), pfPalette8);
    for (int row = 0; row < 4; ++row)
      EXPECT_EQ(image.RowPtr(row)[4], row + 1);
    EXPECT_EQ(image.Palette()[3 * 4], 33);
    EXPECT_EQ(image.AlphaChannel()->RowPtr(0)[0], 1);
  }
  EXPECT_EQ(image.GetTBitmap()->ColorTable()[4].blue, 33);
}

TEST_F(BitmapStorage, AlphaChannelIsOpaqueGrayOfTheSameSize) {
  TImgBitmap image;
  image.Allocate(3, 2, pfBGR24);
  EXPECT_FALSE(image.HasAlphaChannel());
  TImgBitmap* alpha = image.AlphaChannel();
  ASSERT_NE(alpha, nullptr);
  EXPECT_TRUE(alpha->IsAlphaChannel());
  EXPECT_EQ(alpha->PixelFormat(), pfGray8);
  EXPECT_EQ(alpha->Width(), 3);
  EXPECT_EQ(alpha->Height(), 2);
  EXPECT_TRUE(alpha->IsFull());
  EXPECT_EQ(alpha->RowPtr(1)[2], 255);
  EXPECT_EQ(alpha->AlphaChannel(), nullptr);
  alpha->RemoveAlphaChannel();
  EXPECT_TRUE(image.HasAlphaChannel());
  image.RemoveAlphaChannel();
  EXPECT_FALSE(image.HasAlphaChannel());

  TImgBitmap platformAlpha(2, 2, locPlatformBitmap);
  EXPECT_EQ(platformAlpha.Location(), locInMemory);
}

}  // namespace
