// The row decoders and pixel rules on their own, at their edges.
#include <gtest/gtest.h>

#include <array>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TurnUpright.h"
#include "imaging/io/LabToBgr.h"
#include "imaging/io/tiff/CcittCodes.h"
#include "imaging/io/tiff/PackBitsDecoder.h"
#include "imaging/io/tiff/TiffLzwDecoder.h"
#include "tests/imaging/io/tiff/TiffBuilder.h"
#include "tests/imaging/io/tiff/TiffTestSupport.h"

namespace {

struct TPackBitsCase {
  const char* name;
  std::vector<std::uint8_t> input;
  std::size_t rowBytes;
  std::vector<std::uint8_t> row;  // what the row holds
  std::size_t used;               // input bytes consumed
};

TEST(PackBits, EdgeCodes) {
  const TPackBitsCase cases[] = {
      {"literal and repeat", {2, 1, 2, 3, 0xFE, 9}, 6, {1, 2, 3, 9, 9, 9}, 6},
      {"-128 is skipped", {0x80, 0, 7, 0xFF, 4}, 3, {7, 4, 4}, 5},
      {"repeat across the row end is consumed whole", {0xFB, 5, 0, 6}, 3, {5, 5, 5}, 2},
      {"literal across the row end is consumed whole", {3, 1, 2, 3, 4, 0, 8}, 2, {1, 2}, 5},
      {"literal cut by the data end", {5, 1, 2}, 4, {1, 2}, 3},
      {"repeat without its byte", {0xFE}, 2, {}, 1},
  };
  for (const TPackBitsCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> row(c.rowBytes, 0xEE);
    std::size_t position = 0;
    const std::size_t produced = DecodePackBitsRow(c.input, position, row);
    ASSERT_EQ(produced, c.row.size());
    EXPECT_TRUE(std::equal(c.row.begin(), c.row.end(), row.begin()));
    EXPECT_EQ(position, c.used);
  }
}

// Packs 9-bit codes most significant bit first.
std::vector<std::uint8_t> NineBitCodes(std::initializer_list<int> codes) {
  std::vector<std::uint8_t> bytes;
  std::uint32_t bits = 0;
  int count = 0;
  for (int code : codes) {
    bits = (bits << 9) | static_cast<std::uint32_t>(code);
    count += 9;
    while (count >= 8) {
      bytes.push_back(static_cast<std::uint8_t>(bits >> (count - 8)));
      count -= 8;
    }
  }
  if (count > 0)
    bytes.push_back(static_cast<std::uint8_t>(bits << (8 - count)));
  return bytes;
}

TEST(TiffLzw, EndOfInformationLeavesZerosAndBadCodesFail) {
  // Clear, 'A', 'B', code 258 ("AB"), End of Information.
  const std::vector<std::uint8_t> data = NineBitCodes({256, 65, 66, 258, 257});
  std::unique_ptr<TLZWCodecState> state;
  const std::uint8_t* row = TiffLzwDecode(data.data(), std::int64_t(data.size()), 3, state);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(std::vector<std::uint8_t>(row, row + 3), (std::vector<std::uint8_t>{65, 66, 65}));
  row = TiffLzwDecode(data.data(), std::int64_t(data.size()), 3, state);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(std::vector<std::uint8_t>(row, row + 3), (std::vector<std::uint8_t>{66, 0, 0}));
  TiffLzwDecode(nullptr, 0, 0, state);
  EXPECT_EQ(state, nullptr);

  // A code beyond the next free one names no string.
  const std::vector<std::uint8_t> bad = NineBitCodes({256, 65, 300, 257});
  std::unique_ptr<TLZWCodecState> badState;
  EXPECT_EQ(TiffLzwDecode(bad.data(), std::int64_t(bad.size()), 4, badState), nullptr);
}

TEST(TiffLzw, StripEndingEarlyLeavesTheRestZeroWithoutFailure) {
  TTiffBuilder builder;
  builder.Page().Image(2, 3, 1, 8, 1).Shorts(259, {5}).Strip(NineBitCodes({256, 7, 8, 257}));
  std::unique_ptr<TTiffLoad> load = LoadTiffBytes(builder.Build());
  ASSERT_FALSE(load->aborted);
  EXPECT_EQ(PixelAt(load->bitmap, 1, 0).red, 8);
  for (int y = 1; y < 3; ++y)
    EXPECT_EQ(PixelAt(load->bitmap, 0, y).red, 0);
}

TEST(LabToBgr, WorkedValues) {
  struct TCase {
    std::array<std::uint8_t, 3> lab;
    TRgb rgb;
  } cases[] = {{{255, 0, 0}, {254, 255, 255}}, {{0, 0, 0}, {0, 2, 4}}};
  for (const TCase& c : cases) {
    std::array<std::uint8_t, 3> bgr{};
    LabToBgr(c.lab.data(), bgr.data(), 1);
    EXPECT_EQ((TRgb{bgr[2], bgr[1], bgr[0]}), c.rgb);
  }
}

TEST(TiffOrientation, EightOrientationsStandTheImageUpright) {
  // A 3x2 picture of six gray levels a..f, and how each orientation shows it upright.
  //   a b c
  //   d e f
  struct TCase {
    int orientation;
    int width;
    const char* rows;  // upright picture, row by row
  } cases[] = {{1, 3, "abcdef"}, {2, 3, "cbafed"}, {3, 3, "fedcba"}, {4, 3, "defabc"},
               {5, 2, "adbecf"}, {6, 2, "daebfc"}, {7, 2, "fcebda"}, {8, 2, "cfbead"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.orientation);
    for (TImgBitmapFormat format : {pfBGR24, pfGray8}) {
      TImgBitmap bitmap;
      bitmap.Allocate(3, 2, format);
      TImgMask mask(3, 2, 8);
      for (int i = 0; i < 6; ++i) {
        const auto level = static_cast<std::uint8_t>('a' + i);
        std::uint8_t* row = bitmap.RowPtr(i / 3);
        if (format == pfBGR24)
          row[(i % 3) * 3] = row[(i % 3) * 3 + 1] = row[(i % 3) * 3 + 2] = level;
        else
          row[i % 3] = level;
        mask.SetPixel(i % 3, i / 3, level);
      }
      TurnUpright(bitmap, c.orientation, &mask);
      ASSERT_EQ(bitmap.Width(), c.width);
      ASSERT_EQ(bitmap.Height(), 6 / c.width);
      for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(PixelAt(bitmap, i % c.width, i / c.width).red, c.rows[i]) << i;
        EXPECT_EQ(mask.GetPixel(i % c.width, i / c.width), c.rows[i]) << i;
      }
    }
  }
}

TEST(Ccitt, CodeTablesArePrefixFree) {
  EXPECT_TRUE(CcittCodeTablesConsistent());
}

}  // namespace
