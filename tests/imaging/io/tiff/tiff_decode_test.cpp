// Every decompressor against the same picture written uncompressed: libtiff writes the
// files, the reader must give back the very pixels it was handed.
#include <gtest/gtest.h>

#include "tests/imaging/io/tiff/TiffTestSupport.h"
#include "tests/support/TestPaths.h"

namespace {

namespace fs = std::filesystem;

class TiffDecodeTest : public ::testing::Test {
 protected:
  void SetUp() override { dir = MakeTempDir("tiff_decode"); }
  void TearDown() override { fs::remove_all(dir); }
  std::vector<std::uint8_t> Write(const TLibtiffWrite& how, const std::vector<std::uint8_t>& rows) {
    return WriteWithLibtiff(how, rows, dir / "t.tif");
  }
  fs::path dir;
};

struct TRgbCase {
  const char* name;
  int compression;
  int predictor;
  bool bigEndian;
  int rowsPerStrip;
  int tileSize;
};

TEST_F(TiffDecodeTest, RgbDecompressorsGiveBackTheUncompressedPicture) {
  constexpr int kWidth = 37;
  constexpr int kHeight = 23;
  const std::vector<std::uint8_t> rgb = TestPicture(kWidth, kHeight, 3);
  const TRgbCase cases[] = {
      {"none little-endian", COMPRESSION_NONE, 1, false, 5, 0},
      {"none big-endian", COMPRESSION_NONE, 1, true, 5, 0},
      {"LZW", COMPRESSION_LZW, 1, false, 4, 0},
      {"LZW predictor big-endian", COMPRESSION_LZW, 2, true, 7, 0},
      {"PackBits", COMPRESSION_PACKBITS, 1, false, 3, 0},
      {"Deflate", COMPRESSION_ADOBE_DEFLATE, 1, false, 6, 0},
      {"Deflate predictor", COMPRESSION_ADOBE_DEFLATE, 2, true, 0, 0},
      {"tiles 16x16 LZW predictor", COMPRESSION_LZW, 2, false, 0, 16},
      {"tiles 16x16 none", COMPRESSION_NONE, 1, true, 0, 16},
  };
  std::unique_ptr<TTiffLoad> first;
  for (const TRgbCase& c : cases) {
    SCOPED_TRACE(c.name);
    TLibtiffWrite how;
    how.width = kWidth;
    how.height = kHeight;
    how.samples = 3;
    how.photometric = PHOTOMETRIC_RGB;
    how.compression = c.compression;
    how.predictor = c.predictor;
    how.bigEndian = c.bigEndian;
    how.rowsPerStrip = c.rowsPerStrip;
    how.tileWidth = how.tileLength = c.tileSize;
    std::unique_ptr<TTiffLoad> load = LoadTiffBytes(Write(how, rgb));
    ASSERT_FALSE(load->aborted);
    ASSERT_EQ(load->bitmap.PixelFormat(), pfBGR24);
    ASSERT_EQ(load->bitmap.Width(), kWidth);
    ASSERT_EQ(load->bitmap.Height(), kHeight);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const std::uint8_t* p = &rgb[(std::size_t(y) * kWidth + x) * 3];
        ASSERT_EQ(PixelAt(load->bitmap, x, y), (TRgb{p[0], p[1], p[2]})) << x << "," << y;
      }
    EXPECT_EQ(load->params.BitsPerSample, 8);
    EXPECT_EQ(load->params.SamplesPerPixel, 3);
    EXPECT_EQ(load->params.ImageCount, 1);
    EXPECT_EQ(load->params.ResolutionX, 300);
  }
}

TEST_F(TiffDecodeTest, SixteenBitSamplesKeepTheirHighByteWithAndWithoutPredictor) {
  constexpr int kWidth = 19;
  constexpr int kHeight = 7;
  const std::vector<std::uint8_t> picture = TestPicture(kWidth, kHeight, 6);
  for (int compression : {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE}) {
    for (bool big : {false, true}) {
      SCOPED_TRACE(testing::Message() << compression << (big ? " big" : " little"));
      // libtiff takes 16-bit samples in the machine's order and writes them in the file's.
      std::vector<std::uint8_t> rows(picture.size());
      for (std::size_t i = 0; i + 1 < picture.size(); i += 2) {
        const std::uint16_t value = static_cast<std::uint16_t>(picture[i] << 8 | picture[i + 1]);
        std::memcpy(&rows[i], &value, 2);
      }
      TLibtiffWrite how{kWidth, kHeight, 3, 16, PHOTOMETRIC_RGB, compression};
      how.predictor = compression == COMPRESSION_NONE ? 1 : 2;
      how.bigEndian = big;
      std::unique_ptr<TTiffLoad> load = LoadTiffBytes(Write(how, rows));
      ASSERT_FALSE(load->aborted);
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const std::uint8_t* p = &picture[(std::size_t(y) * kWidth + x) * 6];
          ASSERT_EQ(PixelAt(load->bitmap, x, y), (TRgb{p[0], p[2], p[4]})) << x << "," << y;
        }
    }
  }
}

struct TBilevelCase {
  const char* name;
  int compression;
  int group3Options;
  int fillOrder;
  int photometric;
};

TEST_F(TiffDecodeTest, BilevelCodingsGiveBackThePage) {
  constexpr int kWidth = 203;
  constexpr int kHeight = 41;
  const std::vector<std::uint8_t> page = TestPage(kWidth, kHeight);
  const TBilevelCase cases[] = {
      {"none", COMPRESSION_NONE, 0, FILLORDER_MSB2LSB, PHOTOMETRIC_MINISWHITE},
      {"none black-is-zero", COMPRESSION_NONE, 0, FILLORDER_MSB2LSB, PHOTOMETRIC_MINISBLACK},
      {"PackBits", COMPRESSION_PACKBITS, 0, FILLORDER_MSB2LSB, PHOTOMETRIC_MINISWHITE},
      {"LZW", COMPRESSION_LZW, 0, FILLORDER_MSB2LSB, PHOTOMETRIC_MINISWHITE},
      {"modified Huffman", COMPRESSION_CCITTRLE, 0, FILLORDER_MSB2LSB, PHOTOMETRIC_MINISWHITE},
      {"Group 3 1D", COMPRESSION_CCITTFAX3, 0, FILLORDER_MSB2LSB, PHOTOMETRIC_MINISWHITE},
      {"Group 3 1D fill bits", COMPRESSION_CCITTFAX3, GROUP3OPT_FILLBITS, FILLORDER_MSB2LSB,
       PHOTOMETRIC_MINISWHITE},
      {"Group 3 2D", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, FILLORDER_MSB2LSB,
       PHOTOMETRIC_MINISWHITE},
      {"Group 3 2D fill order 2", COMPRESSION_CCITTFAX3, GROUP3OPT_2DENCODING, FILLORDER_LSB2MSB,
       PHOTOMETRIC_MINISWHITE},
      {"Group 4", COMPRESSION_CCITTFAX4, 0, FILLORDER_MSB2LSB, PHOTOMETRIC_MINISWHITE},
      {"Group 4 black-is-zero", COMPRESSION_CCITTFAX4, 0, FILLORDER_MSB2LSB,
       PHOTOMETRIC_MINISBLACK},
  };
  for (const TBilevelCase& c : cases) {
    SCOPED_TRACE(c.name);
    TLibtiffWrite how{kWidth, kHeight, 1, 1, c.photometric, c.compression};
    how.group3Options = c.group3Options;
    how.fillOrder = c.fillOrder;
    std::unique_ptr<TTiffLoad> load = LoadTiffBytes(Write(how, page));
    ASSERT_FALSE(load->aborted);
    ASSERT_EQ(load->bitmap.PixelFormat(), pfBit1);
    const bool oneIsWhite = c.photometric == PHOTOMETRIC_MINISBLACK;
    const std::size_t rowBytes = (kWidth + 7) / 8;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const bool one = (page[y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
        ASSERT_EQ(PixelAt(load->bitmap, x, y).red, one == oneIsWhite ? 255 : 0) << x << "," << y;
      }
  }
}

TEST_F(TiffDecodeTest, GroupThreeFillOrderTwoReadsLikeReversedBytes) {
  constexpr int kWidth = 64;
  constexpr int kHeight = 9;
  TLibtiffWrite how{kWidth, kHeight, 1, 1, PHOTOMETRIC_MINISWHITE, COMPRESSION_CCITTFAX3};
  how.fillOrder = FILLORDER_LSB2MSB;
  std::vector<std::uint8_t> file = Write(how, TestPage(kWidth, kHeight));
  std::unique_ptr<TTiffLoad> lsbFirst = LoadTiffBytes(file);
  // The same strip with every byte's bits reversed, and the tag set back to 1.
  TIFF* tiff = TIFFOpen((dir / "t.tif").c_str(), "r");
  ASSERT_NE(tiff, nullptr);
  std::uint64_t* offsets = nullptr;
  std::uint64_t* counts = nullptr;
  TIFFGetField(tiff, TIFFTAG_STRIPOFFSETS, &offsets);
  TIFFGetField(tiff, TIFFTAG_STRIPBYTECOUNTS, &counts);
  const std::size_t offset = offsets[0];
  const std::size_t count = counts[0];
  TIFFClose(tiff);
  for (std::size_t i = offset; i < offset + count; ++i) {
    std::uint8_t reversed = 0;
    for (int bit = 0; bit < 8; ++bit)
      if (file[i] & (1 << bit))
        reversed |= static_cast<std::uint8_t>(0x80 >> bit);
    file[i] = reversed;
  }
  const std::vector<std::uint8_t> fillOrderTag = {0x0A, 0x01, 0x03, 0x00};  // 266, SHORT
  auto tag = std::search(file.begin() + 8, file.end(), fillOrderTag.begin(), fillOrderTag.end());
  ASSERT_NE(tag, file.end());
  tag[8] = 1;
  std::unique_ptr<TTiffLoad> msbFirst = LoadTiffBytes(file);
  ASSERT_FALSE(lsbFirst->aborted);
  ASSERT_FALSE(msbFirst->aborted);
  for (int y = 0; y < kHeight; ++y)
    EXPECT_EQ(std::memcmp(lsbFirst->bitmap.RowPtr(y), msbFirst->bitmap.RowPtr(y), kWidth / 8), 0);
}

TEST_F(TiffDecodeTest, JpegPagesDecodeInColour) {
  constexpr int kWidth = 48;
  constexpr int kHeight = 32;
  const std::vector<std::uint8_t> rgb = TestPicture(kWidth, kHeight, 3);
  for (int photometric : {PHOTOMETRIC_YCBCR, PHOTOMETRIC_RGB}) {
    for (int tile : {0, 16}) {
      SCOPED_TRACE(testing::Message() << "photometric " << photometric << " tile " << tile);
      TLibtiffWrite how{kWidth, kHeight, 3, 8, photometric, COMPRESSION_JPEG};
      how.jpegFromRgb = photometric == PHOTOMETRIC_YCBCR;
      how.rowsPerStrip = 16;
      how.tileWidth = how.tileLength = tile;
      std::unique_ptr<TTiffLoad> load = LoadTiffBytes(Write(how, rgb));
      ASSERT_FALSE(load->aborted);
      ASSERT_EQ(load->bitmap.Width(), kWidth);
      const TLibtiffImage reference = ReadWithLibtiff(dir / "t.tif");
      double fromOriginal = 0;
      double fromLibtiff = 0;
      for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
          const std::uint8_t* p = &rgb[(std::size_t(y) * kWidth + x) * 3];
          const std::uint32_t abgr = reference.abgr[std::size_t(y) * kWidth + x];
          const TRgb ours = PixelAt(load->bitmap, x, y);
          fromOriginal +=
              std::abs(ours.red - p[0]) + std::abs(ours.green - p[1]) + std::abs(ours.blue - p[2]);
          fromLibtiff += std::abs(ours.red - int(TIFFGetR(abgr))) +
                         std::abs(ours.green - int(TIFFGetG(abgr))) +
                         std::abs(ours.blue - int(TIFFGetB(abgr)));
        }
      // A lossy round trip: near the picture, where swapped or unconverted channels are far.
      EXPECT_LT(fromOriginal / (kWidth * kHeight * 3), 10.0);
      EXPECT_LT(fromLibtiff / (kWidth * kHeight * 3), 0.5);
    }
  }
}

}  // namespace
