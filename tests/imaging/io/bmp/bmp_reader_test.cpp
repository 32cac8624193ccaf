#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <vector>

#include "tests/imaging/io/bmp/BmpTestLoad.h"
#include "tools/BmpWriter.h"

using bmpwriter::BuildBmp;
using bmpwriter::TBmpFileSpec;
using Bgr = std::array<std::uint8_t, 3>;

namespace {

Bgr Gray(std::uint8_t level) {
  return {level, level, level};
}

// A 5 x 3 picture whose every pixel differs, so any row or column mix-up shows.
std::vector<std::uint8_t> Picture(int width, int height) {
  std::vector<std::uint8_t> bgr;
  for (int i = 0; i < width * height; ++i) {
    bgr.insert(bgr.end(), {static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(100 + i),
                           static_cast<std::uint8_t>(250 - i * 3)});
  }
  return bgr;
}

TBmpFileSpec Spec(int width, int height, int bitCount, std::vector<std::uint8_t> pixelData) {
  TBmpFileSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bitCount = bitCount;
  spec.pixelData = std::move(pixelData);
  return spec;
}

// One 16-bit pixel per row of a 1 x n image, bottom row first in the file.
std::vector<std::uint8_t> Words16(const std::vector<std::uint16_t>& topDownWords) {
  std::vector<std::uint8_t> data;
  for (auto it = topDownWords.rbegin(); it != topDownWords.rend(); ++it) {
    data.insert(data.end(),
                {static_cast<std::uint8_t>(*it), static_cast<std::uint8_t>(*it >> 8), 0, 0});
  }
  return data;
}

const std::vector<std::uint8_t> kGrayRamp8 = [] {
  std::vector<std::uint8_t> palette;
  for (int i = 0; i < 256; ++i)
    palette.insert(palette.end(), 3, static_cast<std::uint8_t>(i));
  return palette;
}();

}  // namespace

TEST(BmpReader, TopDownAndBottomUpFilesLoadAlike) {
  const auto bgr = Picture(5, 3);
  auto spec = Spec(5, 3, 24, bmpwriter::PackBgrRows(5, 3, 3, bgr));
  TBmpLoad bottomUp;
  bottomUp.Read(BuildBmp(spec));
  spec.topDown = true;
  spec.pixelData = bmpwriter::PackBgrRows(5, 3, 3, bgr, true);
  TBmpLoad topDown;
  topDown.Read(BuildBmp(spec));

  ASSERT_FALSE(bottomUp.aborting);
  ASSERT_FALSE(topDown.aborting);
  EXPECT_EQ(topDown.params.Height, 3);
  ASSERT_EQ(bottomUp.bitmap.PixelFormat(), pfBGR24);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * 5 + x) * 3;
      EXPECT_EQ(bottomUp.Bgr(x, y), (Bgr{bgr[i], bgr[i + 1], bgr[i + 2]})) << x << "," << y;
      EXPECT_EQ(topDown.Bgr(x, y), bottomUp.Bgr(x, y));
    }
  }
}

TEST(BmpReader, OneBitInvertsOnlyAWhiteThenBlackPalette) {
  const std::vector<std::uint8_t> bits = {1, 0, 0, 1, 1, 1, 0, 0, 1, 0, 1};
  auto load = [&](std::vector<std::uint8_t> palette) {
    auto load1 = std::make_unique<TBmpLoad>();
    load1->Read(bmpwriter::Bmp1(11, 1, bits, palette));
    return load1;
  };
  const auto blackWhite = load({0, 0, 0, 255, 255, 255});
  const auto whiteBlack = load({255, 255, 255, 0, 0, 0});
  const auto redBlue = load({0, 0, 255, 255, 0, 0});
  ASSERT_EQ(blackWhite->bitmap.PixelFormat(), pfBit1);
  for (int x = 0; x < 11; ++x) {
    EXPECT_EQ(blackWhite->Bit(x, 0), bits[x] == 1);
    EXPECT_EQ(whiteBlack->Bit(x, 0), bits[x] == 0);
    EXPECT_EQ(redBlue->Bit(x, 0), bits[x] == 1) << "a coloured pair is not applied";
  }
  EXPECT_EQ(whiteBlack->params.BitsPerSample, 1);
  EXPECT_EQ(whiteBlack->params.SamplesPerPixel, 1);
  EXPECT_EQ(whiteBlack->params.ColorMapCount, 2);
}

TEST(BmpReader, SixteenBitsExpandWithDefaultOrFileMasks) {
  // 5-5-5 without masks: full channels, then 10000 in every channel.
  TBmpLoad rgb555;
  rgb555.Read(BuildBmp(Spec(1, 4, 16, Words16({0x7C00, 0x03E0, 0x001F, 0x4210}))));
  EXPECT_EQ(rgb555.Bgr(0, 0), (Bgr{0, 0, 248}));
  EXPECT_EQ(rgb555.Bgr(0, 1), (Bgr{0, 248, 0}));
  EXPECT_EQ(rgb555.Bgr(0, 2), (Bgr{248, 0, 0}));
  EXPECT_EQ(rgb555.Bgr(0, 3), (Bgr{128, 128, 128}));
  EXPECT_EQ(rgb555.params.BitsPerSample, 5);
  EXPECT_EQ(rgb555.params.SamplesPerPixel, 3);

  auto spec565 = Spec(1, 4, 16, Words16({0xF800, 0x07E0, 0x001F, 0x8410}));
  spec565.compression = 3;
  spec565.masks = {0xF800, 0x07E0, 0x001F};
  TBmpLoad rgb565;
  rgb565.Read(BuildBmp(spec565));
  EXPECT_EQ(rgb565.Bgr(0, 0), (Bgr{0, 0, 248}));
  EXPECT_EQ(rgb565.Bgr(0, 1), (Bgr{0, 252, 0}));
  EXPECT_EQ(rgb565.Bgr(0, 2), (Bgr{248, 0, 0}));
  EXPECT_EQ(rgb565.Bgr(0, 3), (Bgr{128, 128, 128}));

  // The masks come before a palette that a 16-bit file may carry as well.
  spec565.palette = {1, 2, 3, 4, 5, 6};
  TBmpLoad withPalette;
  withPalette.Read(BuildBmp(spec565));
  EXPECT_EQ(withPalette.Bgr(0, 1), (Bgr{0, 252, 0}));
  EXPECT_EQ(withPalette.params.ColorMapCount, 2);
  spec565.palette.clear();

  // A 124-byte header carries its masks itself; what follows it is already pixel data.
  spec565.headerSize = 124;
  TBmpLoad v5;
  v5.Read(BuildBmp(spec565));
  EXPECT_EQ(v5.Bgr(0, 1), (Bgr{0, 252, 0}));

  // Two red, three green, one blue bit: every channel is narrower than its distance from bit 7.
  auto spec231 = Spec(1, 1, 16, Words16({0x003F}));
  spec231.compression = 3;
  spec231.masks = {0x30, 0x0E, 0x01};
  TBmpLoad rgb231;
  rgb231.Read(BuildBmp(spec231));
  EXPECT_EQ(rgb231.Bgr(0, 0), (Bgr{0x80, 0xE0, 0xC0}));
}

TEST(BmpReader, ResolutionFromPixelsPerMeter) {
  auto spec = Spec(1, 1, 24, std::vector<std::uint8_t>(4, 0));
  spec.pixelsPerMeterX = 3780;
  spec.pixelsPerMeterY = 0;
  TBmpLoad load;
  load.Read(BuildBmp(spec));
  EXPECT_EQ(load.params.ResolutionX, 96);
  EXPECT_EQ(load.params.ResolutionY, 300);

  spec.headerSize = 12;
  TBmpLoad core;
  core.Read(BuildBmp(spec));
  EXPECT_EQ(core.params.ResolutionX, 300);
  EXPECT_EQ(core.params.ResolutionY, 300);
  EXPECT_EQ(core.params.BmpVersion, 2);
}

TEST(BmpReader, ColorsUsedAbove256ReadsAFullPalette) {
  const std::vector<std::uint8_t> indices = {0, 17, 200, 255};
  auto spec = Spec(4, 1, 8, bmpwriter::PackIndexRows(4, 1, 8, indices));
  spec.palette = kGrayRamp8;
  spec.colorsUsed = 300;
  TBmpLoad load;
  load.Read(BuildBmp(spec));
  ASSERT_FALSE(load.aborting);
  EXPECT_EQ(load.params.ColorMapCount, 256);
  for (int x = 0; x < 4; ++x)
    EXPECT_EQ(load.Bgr(x, 0), Gray(indices[x]));
}

TEST(BmpReader, LargerHeadersReadLikeTheFortyByteOne) {
  const std::vector<std::uint8_t> indices = {3, 1, 4, 1, 5, 9, 2, 6};
  auto spec = Spec(4, 2, 8, bmpwriter::PackIndexRows(4, 2, 8, indices));
  spec.palette = kGrayRamp8;
  for (std::uint32_t size : {40u, 64u, 108u, 124u}) {
    spec.headerSize = size;
    TBmpLoad load;
    load.Read(BuildBmp(spec));
    ASSERT_FALSE(load.aborting) << size;
    EXPECT_EQ(load.params.BmpVersion, size == 40 ? 1 : size == 64 ? 3 : 0) << size;
    for (int i = 0; i < 8; ++i)
      EXPECT_EQ(load.Bgr(i % 4, i / 4), Gray(indices[i])) << size;
  }
}

TEST(BmpReader, RunsPastTheRightEdgeAreDropped) {
  struct Case {
    const char* what;
    int width, height, bits;
    std::vector<std::uint8_t> data;
    std::vector<std::array<int, 3>> expected;  // x, y, gray level
  };
  const Case cases[] = {
      // At both depths the last pixel keeps the first colour it got.
      {"rle8 overrun", 4, 1, 8, {3, 1, 2, 2, 2, 3, 0, 1}, {{2, 0, 1}, {3, 0, 2}}},
      {"rle4 overrun", 4, 1, 4, {3, 0x11, 2, 0x22, 2, 0x33, 0, 1}, {{2, 0, 1}, {3, 0, 2}}},
      // Writers pad every row of an odd width with one pixel of colour 0, as a run or inside an
      // absolute run; the right column keeps the photo's colour.
      {"odd width padded",
       3,
       2,
       8,
       {3, 9, 1, 0, 0, 0, 0, 4, 5, 6, 7, 0, 0, 1},
       {{2, 1, 9}, {2, 0, 7}}},
      // An absolute run longer than the row behaves like a repeated one.
      {"long absolute run", 2, 1, 8, {0, 4, 7, 8, 9, 10, 0, 1}, {{0, 0, 7}, {1, 0, 8}}},
  };
  for (const Case& c : cases) {
    auto spec = Spec(c.width, c.height, c.bits, c.data);
    spec.compression = c.bits == 8 ? 1 : 2;
    spec.palette.assign(kGrayRamp8.begin(), kGrayRamp8.begin() + (c.bits == 8 ? 256 : 16) * 3);
    TBmpLoad load;
    load.Read(BuildBmp(spec));
    if (c.bits == 8) {
      EXPECT_EQ(load.params.BmpCompression, 1) << c.what;
    }
    for (const auto& [x, y, level] : c.expected)
      EXPECT_EQ(load.Bgr(x, y), Gray(level)) << c.what << " at " << x << "," << y;
  }
}

TEST(BmpReader, RunLengthDataWithoutEndOfBitmap) {
  // Two rows, the top one cut short: the data simply ends.
  auto cut = Spec(3, 2, 8, {3, 5, 0, 0, 1, 6});
  cut.compression = 1;
  cut.palette = kGrayRamp8;
  TBmpLoad load;
  load.Read(BuildBmp(cut));
  EXPECT_FALSE(load.aborting);
  for (int x = 0; x < 3; ++x)
    EXPECT_EQ(load.Bgr(x, 1), Gray(5));
  EXPECT_EQ(load.Bgr(0, 0), Gray(6));
  EXPECT_EQ(load.Bgr(1, 0), Gray(0)) << "pixels no code reached read black";
  EXPECT_FALSE(load.params.Damage.Damaged) << "the data ends in the top row";

  // Data that ends below the top row leaves rows no code could reach: the file was cut.
  auto early = Spec(3, 3, 8, {3, 5, 0, 0, 1, 6});
  early.compression = 1;
  early.palette = kGrayRamp8;
  TBmpLoad loadEarly;
  loadEarly.Read(BuildBmp(early));
  EXPECT_FALSE(loadEarly.aborting);
  EXPECT_EQ(loadEarly.params.Damage.Reason, "Run-length data ends before the last row");

  // Codes after the top row's end of line, or a delta above it, write nothing.
  for (std::vector<std::uint8_t> codes :
       {std::vector<std::uint8_t>{2, 4, 0, 0, 2, 9}, std::vector<std::uint8_t>{0, 2, 0, 5, 2, 9}}) {
    auto extra = Spec(2, 1, 8, codes);
    extra.compression = 1;
    extra.palette = kGrayRamp8;
    TBmpLoad loadExtra;
    loadExtra.Read(BuildBmp(extra));
    EXPECT_NE(loadExtra.Bgr(1, 0), Gray(9));
  }

  // A delta moves right and up; the rest of the bitmap is never reached.
  auto delta = Spec(3, 2, 8, {0, 2, 1, 1, 1, 8, 0, 1});
  delta.compression = 1;
  delta.palette = kGrayRamp8;
  TBmpLoad loadDelta;
  loadDelta.Read(BuildBmp(delta));
  EXPECT_EQ(loadDelta.Bgr(1, 0), Gray(8));
  EXPECT_EQ(loadDelta.Bgr(0, 1), Gray(0));
}

TEST(BmpReader, ThirtyTwoBitsLoseTheFourthByte) {
  const auto bgr = Picture(3, 2);
  TBmpLoad load;
  load.Read(BuildBmp(Spec(3, 2, 32, bmpwriter::PackBgrRows(3, 2, 4, bgr, false, 0xA5))));
  ASSERT_EQ(load.bitmap.PixelFormat(), pfBGR24);
  EXPECT_EQ(load.params.BitsPerSample, 8);
  EXPECT_EQ(load.params.SamplesPerPixel, 3);
  for (int i = 0; i < 6; ++i) {
    const auto at = static_cast<std::size_t>(i) * 3;
    EXPECT_EQ(load.Bgr(i % 3, i / 3), (Bgr{bgr[at], bgr[at + 1], bgr[at + 2]}));
  }
}

TEST(BmpReader, PaletteIndicesBeyondThePaletteReadBlack) {
  auto spec = Spec(3, 1, 8, bmpwriter::PackIndexRows(3, 1, 8, {0, 1, 200}));
  spec.palette = {10, 20, 30, 40, 50, 60};
  TBmpLoad load;
  load.Read(BuildBmp(spec));
  EXPECT_EQ(load.Bgr(0, 0), (Bgr{10, 20, 30}));
  EXPECT_EQ(load.Bgr(1, 0), (Bgr{40, 50, 60}));
  EXPECT_EQ(load.Bgr(2, 0), (Bgr{0, 0, 0}));
}

TEST(BmpReader, ShortFileReadsMissingPixelsAsZero) {
  auto bytes =
      BuildBmp(Spec(2, 2, 24, bmpwriter::PackBgrRows(2, 2, 3, std::vector<std::uint8_t>(12, 77))));
  bytes.erase(bytes.end() - 8, bytes.end());  // the top row loses its pixels
  TBmpLoad load;
  load.params.Damage.Note("left over from an earlier load");
  load.Read(bytes);
  EXPECT_FALSE(load.aborting);
  EXPECT_EQ(load.Bgr(0, 1), Gray(77));
  EXPECT_EQ(load.Bgr(1, 0), Gray(0));
  EXPECT_EQ(load.params.Damage.Reason, "Pixel data ends before the last row");

  bytes.resize(bytes.size() + 8);
  TBmpLoad whole;
  whole.params.Damage.Note("left over from an earlier load");
  whole.Read(bytes);
  EXPECT_FALSE(whole.params.Damage.Damaged);
}

TEST(BmpReader, RefusesWhatItCannotDecode) {
  auto bad = [](TBmpFileSpec spec) {
    TBmpLoad load;
    load.params.Width = -5;
    load.Read(BuildBmp(spec));
    EXPECT_TRUE(load.aborting);
    EXPECT_TRUE(load.bitmap.IsEmpty()) << "nothing is allocated";
    return load.params.Width;
  };
  EXPECT_EQ(bad(Spec(0, 4, 24, {})), 0) << "zero width: parameters are filled";
  EXPECT_EQ(bad(Spec(4, 0, 24, {})), 4);
  EXPECT_EQ(bad(Spec(4, 4, 2, std::vector<std::uint8_t>(16, 0))), 4) << "two bits per pixel";
  auto jpeg = Spec(4, 4, 24, {0xFF, 0xD8});
  jpeg.compression = 4;
  EXPECT_EQ(bad(jpeg), 4);
  auto rle8On4 = Spec(4, 4, 4, {});
  rle8On4.compression = 1;
  EXPECT_EQ(bad(rle8On4), 4);
  EXPECT_EQ(bad(Spec(3000000, 2000000, 24, {})), 3000000) << "too big to allocate";
  EXPECT_EQ(bad(Spec(-127, 64, 24, {})), -127);
  auto minHeight = Spec(4, INT_MIN, 24, {});
  EXPECT_EQ(bad(minHeight), -5) << "a height of -2^31 leaves the parameters alone";

  auto notBmp = BuildBmp(Spec(1, 1, 24, {0, 0, 0, 0}));
  notBmp[0] = 'X';
  TBmpLoad load;
  load.params.Width = -5;
  load.Read(notBmp);
  EXPECT_TRUE(load.aborting);
  EXPECT_EQ(load.params.Width, -5);
}

TEST(BmpReader, RefusesSizesTheDataCannotFillBeforeAllocating) {
  struct Case {
    const char* name;
    int width;
    int height;
    int bitCount;
    std::uint32_t compression;
    std::size_t dataBytes;
    bool refused;
  };
  const Case cases[] = {
      {"54-byte file claiming 20000 x 20000", 20000, 20000, 24, 0, 0, true},
      {"60000 x 60000", 60000, 60000, 24, 0, 0, true},
      {"rows short by more than an eighth", 1000, 1000, 8, 0, 1000 * 1000 * 7 / 8 - 70000, true},
      {"rows short by an eighth", 1000, 1000, 8, 0, 1000 * 1000 * 7 / 8, false},
      {"run-length codes that cannot paint 20000 x 20000", 20000, 20000, 8, 1, 100, true},
      {"run-length codes for an eighth of the picture", 2550, 800, 8, 1, 2000, false},
  };
  for (const Case& c : cases) {
    // Zero bytes are end-of-line codes in run-length data and black pixels otherwise.
    auto spec = Spec(c.width, c.height, c.bitCount, std::vector<std::uint8_t>(c.dataBytes, 0));
    spec.compression = c.compression;
    spec.palette = kGrayRamp8;
    TBmpLoad load;
    load.Read(BuildBmp(spec));
    EXPECT_EQ(load.aborting, c.refused) << c.name;
    EXPECT_EQ(load.bitmap.IsEmpty(), c.refused) << c.name;
  }

  // A row wider than the container can hold passes the data rule (run-length data is short
  // for any width) but not the allocation: the abort flag says so instead of an exception.
  auto wide = Spec(800000000, 1, 8, std::vector<std::uint8_t>(800000, 0));
  wide.compression = 1;
  wide.palette = kGrayRamp8;
  TBmpLoad load;
  EXPECT_NO_THROW(load.Read(BuildBmp(wide)));
  EXPECT_TRUE(load.aborting);
  EXPECT_TRUE(load.bitmap.IsEmpty());
}

TEST(BmpReader, ParamsOnlyAndStreamsWithoutFileHeader) {
  auto spec = Spec(2, 1, 8, bmpwriter::PackIndexRows(2, 1, 8, {1, 2}));
  spec.palette = kGrayRamp8;
  const auto bytes = BuildBmp(spec);

  TBmpLoad paramsOnly;
  paramsOnly.Read(bytes, true);
  EXPECT_FALSE(paramsOnly.aborting);
  EXPECT_EQ(paramsOnly.params.Width, 2);
  EXPECT_EQ(paramsOnly.params.ColorMapCount, 256);
  EXPECT_TRUE(paramsOnly.bitmap.IsEmpty());

  // The info header at offset 6 of the stream: offsets count from where the reader starts.
  std::vector<std::uint8_t> embedded = {9, 9, 9, 9, 9, 9};
  embedded.insert(embedded.end(), bytes.begin() + 14, bytes.end());
  TBmpLoad noHeader;
  noHeader.Read(embedded, false, true, 6);
  ASSERT_FALSE(noHeader.aborting);
  EXPECT_EQ(noHeader.Bgr(0, 0), Gray(1));
  EXPECT_EQ(noHeader.Bgr(1, 0), Gray(2));
}

TEST(BmpReader, NativePixelFormatKeepsIndicesAndPalette) {
  auto spec = Spec(3, 1, 4, bmpwriter::PackIndexRows(3, 1, 4, {2, 15, 0}));
  spec.palette = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  TBmpLoad load;
  load.params.NativePixelFormat = true;
  load.Read(BuildBmp(spec));
  ASSERT_EQ(load.bitmap.PixelFormat(), pfPalette8);
  EXPECT_EQ(load.bitmap.RowPtr(0)[0], 2);
  EXPECT_EQ(load.bitmap.RowPtr(0)[1], 15);
  ASSERT_NE(load.bitmap.Palette(), nullptr);
  EXPECT_EQ(load.bitmap.Palette()[6], 7);
  EXPECT_EQ(load.bitmap.Palette()[15 * 3], 0) << "entries the file lacks are black";
}

TEST(BmpReader, ProgressPerRowAndAbortFromTheHandler) {
  auto spec = Spec(1, 10, 24, std::vector<std::uint8_t>(40, 0));
  std::vector<int> reported;
  TBmpLoad load;
  load.progress.handler = [&](void*, int per) {
    reported.push_back(per);
    if (per >= 50)
      load.aborting = true;
  };
  load.Read(BuildBmp(spec));
  EXPECT_EQ(reported, (std::vector<int>{0, 10, 20, 30, 40, 50}));
  EXPECT_TRUE(load.aborting);
}

TEST(BmpReader, ContainerOnDiskGetsTheSamePixels) {
  // Rows of a container kept on disk are valid only until the next row is fetched.
  std::vector<std::uint8_t> indices(7 * 5);
  for (std::size_t i = 0; i < indices.size(); ++i)
    indices[i] = static_cast<std::uint8_t>(i / 3);
  for (const bool rle : {false, true}) {
    const auto bytes = bmpwriter::Bmp8(7, 5, indices, kGrayRamp8, rle);
    TBmpLoad inMemory;
    inMemory.Read(bytes);
    TBmpLoad onDisk;
    onDisk.bitmap.SetMemoryThreshold(0);
    onDisk.Read(bytes);
    ASSERT_EQ(onDisk.bitmap.Location(), locOnDisk);
    for (int i = 0; i < 35; ++i) {
      EXPECT_EQ(onDisk.Bgr(i % 7, i / 7), Gray(indices[static_cast<std::size_t>(i)])) << rle;
      EXPECT_EQ(inMemory.Bgr(i % 7, i / 7), onDisk.Bgr(i % 7, i / 7));
    }
  }
}

TEST(BmpReader, RunLengthAndUncompressedFilesOfOnePictureLoadAlike) {
  // Stretches of differing pixels (absolute runs, odd and even) between repeated ones.
  const int width = 13;
  const int height = 4;
  std::vector<std::uint8_t> indices(static_cast<std::size_t>(width * height));
  for (std::size_t i = 0; i < indices.size(); ++i) {
    indices[i] = static_cast<std::uint8_t>(i % 5 == 0 ? 200 : (i * 37) % 256);
  }
  TBmpLoad plain;
  plain.Read(bmpwriter::Bmp8(width, height, indices, kGrayRamp8, false));
  TBmpLoad rle;
  rle.Read(bmpwriter::Bmp8(width, height, indices, kGrayRamp8, true));
  ASSERT_FALSE(rle.aborting);
  for (int i = 0; i < width * height; ++i) {
    EXPECT_EQ(rle.Bgr(i % width, i / width), Gray(indices[static_cast<std::size_t>(i)])) << i;
    EXPECT_EQ(rle.Bgr(i % width, i / width), plain.Bgr(i % width, i / width));
  }
}
