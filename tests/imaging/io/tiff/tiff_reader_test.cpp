// The reader's own rules on small files built byte by byte.
#include <gtest/gtest.h>

#include "imaging/core/TImgBitmap.h"
#include "tests/imaging/io/tiff/TiffBuilder.h"
#include "tests/imaging/io/tiff/TiffTestSupport.h"

namespace {

// A 2x2 8-bit gray page; tweak adds tags to it.
std::vector<std::uint8_t> GrayPage(bool big = false, int pages = 1) {
  TTiffBuilder builder(big);
  for (int i = 0; i < pages; ++i)
    builder.Page().Image(2, 2, 1, 8, 1).Strip({10, 20, 30, static_cast<std::uint8_t>(40 + i)});
  return builder.Build();
}

TEST(TiffReader, PagesAreCountedWhicheverIsRead) {
  const std::vector<std::uint8_t> file = GrayPage(false, 3);
  for (int index = 0; index < 3; ++index) {
    TTiffLoadOptions options;
    options.imageIndex = index;
    std::unique_ptr<TTiffLoad> load = LoadTiffBytes(file, options);
    EXPECT_FALSE(load->aborted);
    EXPECT_EQ(load->imageCount, 3);
    EXPECT_EQ(load->params.ImageCount, 3);
    EXPECT_EQ(PixelAt(load->bitmap, 1, 1).red, 40 + index);
  }
  TTiffLoadOptions beyond;
  beyond.imageIndex = 3;
  std::unique_ptr<TTiffLoad> load = LoadTiffBytes(file, beyond);
  EXPECT_TRUE(load->aborted);
  EXPECT_EQ(load->imageCount, 3);
}

TEST(TiffReader, DirectoryLoopsEndTheWalk) {
  for (int loopTo : {0, 1}) {
    SCOPED_TRACE(loopTo);
    TTiffBuilder builder;
    builder.Page().Image(2, 2, 1, 8, 1).Strip({1, 2, 3, 4});
    builder.Page().Image(2, 2, 1, 8, 1).Strip({5, 6, 7, 8});
    builder.LastPointsTo(loopTo);
    std::unique_ptr<TTiffLoad> load = LoadTiffBytes(builder.Build());
    EXPECT_FALSE(load->aborted);
    EXPECT_EQ(load->imageCount, 2);
  }
}

TEST(TiffReader, FirstOffsetZeroLoadsNothingWithoutFailure) {
  TTiffBuilder builder;
  builder.Page().Image(2, 2, 1, 8, 1).Strip({1, 2, 3, 4});
  std::unique_ptr<TTiffLoad> load = LoadTiffBytes(builder.FirstOffsetZero().Build());
  EXPECT_FALSE(load->aborted);
  EXPECT_EQ(load->imageCount, 0);
  EXPECT_TRUE(load->bitmap.IsEmpty());
}

TEST(TiffReader, ByteOrdersGiveTheSameImageAndParameters) {
  std::unique_ptr<TTiffLoad> little = LoadTiffBytes(GrayPage(false));
  std::unique_ptr<TTiffLoad> big = LoadTiffBytes(GrayPage(true));
  ASSERT_FALSE(little->aborted);
  ASSERT_FALSE(big->aborted);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(PixelAt(little->bitmap, x, y), PixelAt(big->bitmap, x, y));
  EXPECT_EQ(little->params.Width, big->params.Width);
  EXPECT_EQ(little->params.TiffPhotometric, big->params.TiffPhotometric);
  EXPECT_EQ(little->params.BitsPerSample, big->params.BitsPerSample);
  EXPECT_EQ(PixelAt(big->bitmap, 1, 0).red, 20);
}

TEST(TiffReader, BitsPerSampleMustAgree) {
  for (bool agree : {true, false}) {
    TTiffBuilder builder;
    builder.Page().Image(1, 1, 3, 8, 2).Strip({1, 2, 3});
    if (!agree)
      builder.Shorts(258, {8, 8, 16});
    std::unique_ptr<TTiffLoad> load = LoadTiffBytes(builder.Build());
    EXPECT_EQ(load->aborted, !agree);
    if (agree) {
      EXPECT_EQ(load->params.BitsPerSample, 8);
    }
  }
}

struct TResolutionCase {
  std::uint32_t numerator;
  std::uint32_t unit;  // 0: no unit tag
  bool present;
  int dpi;
};

TEST(TiffReader, ResolutionsInInchesOrCentimetres) {
  const TResolutionCase cases[] = {
      {72, 2, true, 72}, {118, 3, true, 299}, {0, 0, false, 300}, {96, 0, true, 96}};
  for (const TResolutionCase& c : cases) {
    SCOPED_TRACE(c.numerator);
    TTiffBuilder builder;
    builder.Page().Image(2, 2, 1, 8, 1).Strip({1, 2, 3, 4});
    if (c.present) {
      builder.Rational(282, c.numerator, 1).Rational(283, c.numerator, 1);
      builder.Rational(286, c.numerator, 1);
    }
    if (c.unit != 0)
      builder.Shorts(296, {c.unit});
    std::unique_ptr<TTiffLoad> load = LoadTiffBytes(builder.Build());
    EXPECT_EQ(load->params.ResolutionX, c.dpi);
    EXPECT_EQ(load->params.ResolutionY, c.dpi);
    if (c.present) {
      EXPECT_EQ(load->params.TiffPositionX, c.unit == 3 ? 299 : int(c.numerator));
    }
  }
}

TEST(TiffReader, BilevelPageWithoutPhotometricIsWhiteIsZero) {
  TTiffBuilder builder;
  builder.Page().Longs(256, {8}).Longs(257, {1}).Strip({0x0F});
  std::unique_ptr<TTiffLoad> load = LoadTiffBytes(builder.Build());
  ASSERT_FALSE(load->aborted);
  EXPECT_EQ(load->params.TiffPhotometric, 0);
  EXPECT_EQ(load->bitmap.RowPtr(0)[0], 0xF0);
}

TEST(TiffReader, AlphaSamplesGoToTheMaskUnlessIgnored) {
  // RGB with a fourth sample and no extra-samples tag, and palette with alpha.
  TTiffBuilder rgba;
  rgba.Page().Image(2, 1, 4, 8, 2).Strip({1, 2, 3, 200, 4, 5, 6, 0});
  TTiffBuilder palette;
  std::vector<std::uint32_t> map(3 * 256, 0);
  map[7] = 0x1100;        // red of entry 7
  map[256 + 7] = 0x2200;  // green
  map[512 + 7] = 0x3300;  // blue
  map[9] = 0xFF00;
  palette.Page().Image(2, 1, 2, 8, 3).Shorts(320, map).Strip({7, 255, 9, 100});
  struct TCase {
    std::vector<std::uint8_t> file;
    TRgb first;
    std::uint8_t alpha[2];
  } cases[] = {{rgba.Build(), {1, 2, 3}, {200, 0}},
               {palette.Build(), {0x11, 0x22, 0x33}, {255, 100}}};
  for (const TCase& c : cases) {
    std::unique_ptr<TTiffLoad> load = LoadTiffBytes(c.file);
    ASSERT_FALSE(load->aborted);
    EXPECT_EQ(PixelAt(load->bitmap, 0, 0), c.first);
    ASSERT_NE(load->mask, nullptr);
    EXPECT_EQ(load->mask->GetPixel(0, 0), c.alpha[0]);
    EXPECT_EQ(load->mask->GetPixel(1, 0), c.alpha[1]);
    TTiffLoadOptions ignore;
    ignore.ignoreAlpha = true;
    std::unique_ptr<TTiffLoad> ignored = LoadTiffBytes(c.file, ignore);
    EXPECT_EQ(ignored->mask, nullptr);
    EXPECT_EQ(PixelAt(ignored->bitmap, 0, 0), c.first);
  }
}

TEST(TiffReader, OneBitPaletteIsUnpackedBitByBit) {
  TTiffBuilder builder;
  std::vector<std::uint32_t> map = {0x0000, 0xFF00, 0x0000, 0x8000, 0x0000, 0x4000};
  builder.Page().Image(10, 1, 1, 1, 3).Shorts(320, map).Strip({0xA0, 0x40});
  std::unique_ptr<TTiffLoad> load = LoadTiffBytes(builder.Build());
  ASSERT_FALSE(load->aborted);
  const TRgb zero{0, 0, 0};
  const TRgb one{255, 128, 64};
  const TRgb expected[10] = {one, zero, one, zero, zero, zero, zero, zero, zero, one};
  for (int x = 0; x < 10; ++x)
    EXPECT_EQ(PixelAt(load->bitmap, x, 0), expected[x]) << x;
}

TEST(TiffReader, GraySampleRules) {
  // 4-bit gray keeps the sample in the high nibble; 16-bit gray keeps its high byte, or the
  // bits 4 to 11 for the software that writes 12-bit values.
  TTiffBuilder fourBit;
  fourBit.Page().Image(2, 1, 1, 4, 1).Strip({0x3F});
  TTiffBuilder sixteen;
  sixteen.Page().Image(1, 1, 1, 16, 1).Strip({0x34, 0x0A});
  TTiffBuilder twelve;
  twelve.Page().Image(1, 1, 1, 16, 1).Ascii(305, "Look@Molli v1.1 beta").Strip({0x34, 0x0A});
  EXPECT_EQ(PixelAt(LoadTiffBytes(fourBit.Build())->bitmap, 0, 0).red, 0x30);
  EXPECT_EQ(PixelAt(LoadTiffBytes(fourBit.Build())->bitmap, 1, 0).red, 0xF0);
  EXPECT_EQ(PixelAt(LoadTiffBytes(sixteen.Build())->bitmap, 0, 0).red, 0x0A);
  EXPECT_EQ(PixelAt(LoadTiffBytes(twelve.Build())->bitmap, 0, 0).red, 0xA3);
}

TEST(TiffReader, LayoutsNotDecodedAreRefused) {
  struct TCase {
    const char* name;
    int samples, bits, photometric, compression;
  } cases[] = {{"YCbCr without JPEG", 3, 8, 6, 1}, {"2-bit gray", 1, 2, 1, 1},
               {"12-bit gray", 1, 12, 1, 1},       {"SGILog", 3, 16, 32844, 34676},
               {"ThunderScan", 1, 4, 1, 32809},    {"gray with alpha", 2, 8, 1, 1}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTiffBuilder builder;
    builder.Page().Image(4, 4, c.samples, c.bits, c.photometric);
    builder.Shorts(259, {std::uint32_t(c.compression)}).Strip(std::vector<std::uint8_t>(128, 7));
    EXPECT_TRUE(LoadTiffBytes(builder.Build())->aborted);
  }
}

TEST(TiffReader, ClaimedSizeBeyondTheDataIsRefusedBeforeAllocation) {
  TTiffBuilder builder;
  builder.Page().Image(20000, 20000, 3, 8, 2).Strip({1, 2, 3});
  std::unique_ptr<TTiffLoad> load = LoadTiffBytes(builder.Build());
  EXPECT_TRUE(load->aborted);
  EXPECT_TRUE(load->bitmap.IsEmpty());
}

TEST(TiffReader, RowsTheDataNeverReachesReadAsZero) {
  TTiffBuilder builder;
  // Two strips of one row each; the second lies outside the file.
  builder.Page().Image(4, 3, 1, 8, 1).Shorts(278, {1}).Strip({9, 9, 9, 9});
  std::vector<std::uint8_t> file = builder.Build();
  std::unique_ptr<TTiffLoad> loaded = LoadTiffBytes(file);
  ASSERT_FALSE(loaded->aborted);
  for (int y = 1; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(PixelAt(loaded->bitmap, x, y).red, 0);
  EXPECT_EQ(PixelAt(loaded->bitmap, 3, 0).red, 9);
  // Read as far as it goes, and said to be damaged; a whole page is not.
  EXPECT_TRUE(loaded->params.Damage.Damaged);
  EXPECT_EQ(loaded->params.Damage.Reason, "Pixel data ends before the last row");
  EXPECT_FALSE(LoadTiffBytes(GrayPage())->params.Damage.Damaged);
}

TEST(TiffReader, ExifDirectoryValues) {
  // The page points at an EXIF directory appended after it: exposure time, version, comment.
  auto page = [](std::uint32_t exifAt) {
    TTiffBuilder builder(true);
    builder.Page().Image(1, 1, 1, 8, 1).Strip({5}).Longs(34665, {exifAt});
    return builder.Build();
  };
  const auto exifAt = static_cast<std::uint32_t>(page(0).size());
  std::vector<std::uint8_t> file = page(exifAt);
  auto put = [&file](std::uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
      file.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  const std::uint32_t valuesAt = exifAt + 2 + 3 * 12 + 4;
  put(3, 2);
  put(33434, 2), put(5, 2), put(1, 4), put(valuesAt, 4);
  put(0x9000, 2), put(7, 2), put(4, 4), file.insert(file.end(), {'0', '2', '3', '0'});
  put(37510, 2), put(7, 2), put(11, 4), put(valuesAt + 8, 4);
  put(0, 4);
  put(1, 4), put(250, 4);
  file.insert(file.end(), {'A', 'S', 'C', 'I', 'I', 0, 0, 0, 'h', 'i', '!'});
  std::unique_ptr<TTiffLoad> load = LoadTiffBytes(file);
  ASSERT_FALSE(load->aborted);
  EXPECT_TRUE(load->params.ExifPresent);
  EXPECT_DOUBLE_EQ(load->params.ExifExposureTime, 1.0 / 250);
  EXPECT_EQ(load->params.ExifVersion, "0230");
  EXPECT_EQ(load->params.ExifUserCommentCode, std::string("ASCII\0\0\0", 8));
  EXPECT_EQ(load->params.ExifUserComment, "hi!");
}

}  // namespace
