#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

#include "imaging/core/ImgErrors.h"
#include "platform/PlatformBitmap.h"
#include "tests/imaging/core/BitmapTestSupport.h"

namespace {

class BitmapConvert : public BitmapSettingsGuard {
 protected:
  // One row of colour pixels: red, white, blue, black, (R=10, G=200, B=30).
  static void FillColourRow(TImgBitmap& image) {
    image.Allocate(5, 1, pfBGR24);
    SetBGR(image, 0, 0, 0, 0, 255);
    SetBGR(image, 1, 0, 255, 255, 255);
    SetBGR(image, 2, 0, 255, 0, 0);
    SetBGR(image, 3, 0, 0, 0, 0);
    SetBGR(image, 4, 0, 30, 200, 10);
  }
};

TEST_F(BitmapConvert, ColourToGrayUsesTheWeightsOfEachTarget) {
  TImgBitmap image;
  FillColourRow(image);
  TImgBitmap gray8;
  gray8.Assign(&image);
  gray8.SetPixelFormat(pfGray8);
  ASSERT_EQ(gray8.PixelFormat(), pfGray8);
  const std::uint8_t* row = gray8.RowPtr(0);
  EXPECT_EQ(row[0], 53);   // red
  EXPECT_EQ(row[1], 255);  // white
  EXPECT_EQ(row[2], 20);   // blue
  EXPECT_EQ(row[3], 0);
  EXPECT_EQ(row[4], (21 * 10 + 71 * 200 + 8 * 30) / 100);

  TImgBitmap gray16;
  gray16.Assign(&image);
  gray16.SetPixelFormat(pfGray16);
  EXPECT_EQ(WordAt(gray16, 0, 0), 212 * 255 * 256 / 1000);
  EXPECT_EQ(WordAt(gray16, 1, 0), 255 * 256);  // the weights sum to 1000: white is 65280
  EXPECT_EQ(WordAt(gray16, 2, 0), 75 * 255 * 256 / 1000);

  TImgBitmap gray32;
  gray32.Assign(&image);
  gray32.SetPixelFormat(pf32f);
  EXPECT_NEAR(FloatAt(gray32, 0, 0), 0.2126f, 1e-6);
  EXPECT_NEAR(FloatAt(gray32, 1, 0), 1.0f, 1e-6);
  EXPECT_NEAR(FloatAt(gray32, 2, 0), 0.0722f, 1e-6);
  EXPECT_NEAR(FloatAt(gray32, 4, 0), (0.2126 * 10 + 0.7152 * 200 + 0.0722 * 30) / 255, 1e-6);
}

TEST_F(BitmapConvert, GrayFormatsConvertAmongThemselves) {
  TImgBitmap image;
  image.Allocate(3, 1, pfGray16);
  SetWord(image, 0, 0, 0x1234);
  SetWord(image, 1, 0, 65535);
  SetWord(image, 2, 0, 32768);
  image.SetPixelFormat(pf32f);
  EXPECT_NEAR(FloatAt(image, 0, 0), 0x1234 / 65535.0, 1e-6);
  EXPECT_FLOAT_EQ(FloatAt(image, 1, 0), 1.0f);
  image.SetPixelFormat(pfGray16);
  EXPECT_EQ(WordAt(image, 1, 0), 65535);
  EXPECT_NEAR(WordAt(image, 2, 0), 32768, 1);  // trunc of a float that may fall just below
  image.SetPixelFormat(pfGray8);
  EXPECT_EQ(image.RowPtr(0)[0], 0x12);
  EXPECT_EQ(image.RowPtr(0)[1], 255);
  image.SetPixelFormat(pfGray16);
  EXPECT_EQ(WordAt(image, 0, 0), 0x1200);

  TImgBitmap floats;
  floats.Allocate(4, 1, pf32f);
  SetFloat(floats, 0, 0, 0.5f);
  SetFloat(floats, 1, 0, 1.5f);  // out of range values are held at the ends
  SetFloat(floats, 2, 0, -0.5f);
  SetFloat(floats, 3, 0, NAN);
  TImgBitmap words;
  words.Assign(&floats);
  words.SetPixelFormat(pfGray16);
  EXPECT_EQ(WordAt(words, 0, 0), 32767);
  EXPECT_EQ(WordAt(words, 1, 0), 65535);
  EXPECT_EQ(WordAt(words, 2, 0), 0);
  EXPECT_EQ(WordAt(words, 3, 0), 0);
  floats.SetPixelFormat(pfGray8);
  EXPECT_EQ(floats.RowPtr(0)[0], 127);
  EXPECT_EQ(floats.RowPtr(0)[1], 255);
}

TEST_F(BitmapConvert, BlackAndWhiteSurviveEveryPairOfFormats) {
  const TImgBitmapFormat formats[] = {pfBit1, pfPalette8, pfGray8, pfGray16, pfBGR24, pf32f};
  for (TImgBitmapFormat from : formats) {
    for (TImgBitmapFormat to : formats) {
      TImgBitmap image;
      image.Allocate(9, 2, pfGray8);
      std::memset(image.RowPtr(0), 0, 9);
      std::memset(image.RowPtr(1), 255, 9);
      image.SetPixelFormat(from);
      image.SetPixelFormat(to);
      ASSERT_EQ(image.PixelFormat(), to);
      image.SetPixelFormat(pfGray8);
      for (int x = 0; x < 9; ++x) {
        EXPECT_EQ(image.RowPtr(0)[x], 0) << int(from) << " -> " << int(to) << " x " << x;
        // 8-bit white widens to 65280 (shl 8), which a float then holds as 0.996: 254 at worst.
        EXPECT_GE(image.RowPtr(1)[x], 254) << int(from) << " -> " << int(to) << " x " << x;
      }
    }
  }
}

TEST_F(BitmapConvert, BitsAndPalettesExpandToColour) {
  TImgBitmap bits;
  bits.Allocate(10, 1, pfBit1);
  bits.FillAll(0);
  SetBit(bits, 0, 0, true);
  SetBit(bits, 9, 0, true);
  TImgBitmap colour;
  colour.Assign(&bits);
  colour.SetPixelFormat(pfBGR24);
  EXPECT_EQ(colour.RowPtr(0)[0], 255);
  EXPECT_EQ(colour.RowPtr(0)[3], 0);
  EXPECT_EQ(colour.RowPtr(0)[27 + 2], 255);

  bits.SetPixelFormat(pfPalette8);
  EXPECT_EQ(bits.RowPtr(0)[0], 1);
  EXPECT_EQ(bits.RowPtr(0)[1], 0);
  EXPECT_EQ(bits.Palette()[3], 255);  // entry 1 is white
  EXPECT_EQ(bits.Palette()[0], 0);

  TImgBitmap palette;
  palette.Allocate(2, 1, pfPalette8);
  palette.Palette()[3 * 7] = 1;
  palette.Palette()[3 * 7 + 1] = 2;
  palette.Palette()[3 * 7 + 2] = 3;
  palette.RowPtr(0)[0] = 7;
  palette.RowPtr(0)[1] = 0;
  palette.SetPixelFormat(pfBGR24);
  EXPECT_EQ(palette.RowPtr(0)[0], 1);
  EXPECT_EQ(palette.RowPtr(0)[1], 2);
  EXPECT_EQ(palette.RowPtr(0)[2], 3);

  TImgBitmap gray;
  gray.Allocate(1, 1, pfGray8);
  gray.RowPtr(0)[0] = 77;
  gray.SetPixelFormat(pfPalette8);
  EXPECT_EQ(gray.RowPtr(0)[0], 77);
  EXPECT_EQ(gray.Palette()[3 * 77 + 1], 77);  // a gray ramp
}

TEST_F(BitmapConvert, OrderedDitherFollowsTheMatrix) {
  // Mid gray is level 32 on the 0..63 scale: the 32 matrix positions below 32 turn white.
  for (TImgBitmapFormat from : {pfGray8, pfGray16, pfBGR24}) {
    TImgBitmap image;
    image.Allocate(16, 16, pfGray8);
    image.FillAll(128);
    image.SetPixelFormat(from);
    image.SetBWConversion(bwOrdered);
    image.SetPixelFormat(pfBit1);
    int white = 0;
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x)
        white += BitAt(image, x, y);
    }
    EXPECT_EQ(white, 32) << int(from);
    EXPECT_TRUE(BitAt(image, 0, 0));   // M[0][0] = 0
    EXPECT_FALSE(BitAt(image, 1, 0));  // M[1][0] = 48
    EXPECT_FALSE(BitAt(image, 0, 1));  // M[0][1] = 32 is not below 32
    EXPECT_TRUE(BitAt(image, 4, 0));   // M[4][0] = 3
    EXPECT_TRUE(BitAt(image, 12, 8));  // the pattern repeats every 8 pixels
  }
}

TEST_F(BitmapConvert, ThresholdConversionUsesTheMeanGray) {
  TImgBitmap image;
  image.Allocate(4, 1, pfGray8);
  const std::uint8_t levels[] = {10, 60, 100, 150};  // mean 80
  std::memcpy(image.RowPtr(0), levels, 4);
  EXPECT_EQ(image.BWConversion(), bwThreshold);
  image.SetPixelFormat(pfBit1);
  EXPECT_FALSE(BitAt(image, 0, 0));
  EXPECT_FALSE(BitAt(image, 1, 0));
  EXPECT_TRUE(BitAt(image, 2, 0));
  EXPECT_TRUE(BitAt(image, 3, 0));

  // The threshold is the gray of the mean colour, not the mean of the grays.
  TImgBitmap colour;
  colour.Allocate(2, 1, pfBGR24);
  SetBGR(colour, 0, 0, 0, 0, 255);  // gray 53
  SetBGR(colour, 1, 0, 0, 255, 0);  // gray 181; mean colour (127, 127, 0) has gray 116
  colour.SetPixelFormat(pfBit1);
  EXPECT_FALSE(BitAt(colour, 0, 0));
  EXPECT_TRUE(BitAt(colour, 1, 0));

  for (int level : {0, 255}) {
    TImgBitmap flat;
    flat.Allocate(3, 3, pfGray8);
    flat.FillAll(level);
    flat.SetPixelFormat(pfBit1);
    EXPECT_EQ(BitAt(flat, 1, 1), level == 255);
  }
}

TEST_F(BitmapConvert, ColourToPaletteKeepsFewColoursExactly) {
  TImgBitmap image;
  FillColourRow(image);
  TImgBitmap original;
  original.Assign(&image);
  image.SetPixelFormat(pfPalette8);
  ASSERT_EQ(image.PixelFormat(), pfPalette8);
  image.SetPixelFormat(pfBGR24);
  for (int i = 0; i < 15; ++i)
    EXPECT_EQ(image.RowPtr(0)[i], original.RowPtr(0)[i]) << i;
}

TEST_F(BitmapConvert, ColourToPaletteHonoursPaletteColors) {
  TImgBitmap image;
  image.Allocate(64, 64, pfBGR24);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x)
      SetBGR(image, x, y, (x * y) & 0xFF, y * 4, x * 4);
  }
  TImgBitmap original;
  original.Assign(&image);
  image.SetPaletteColors(16);
  image.SetPixelFormat(pfPalette8);
  std::set<int> used;
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x)
      used.insert(image.RowPtr(y)[x]);
  }
  EXPECT_LE(used.size(), 16u);
  EXPECT_GE(used.size(), 8u);
  image.SetPixelFormat(pfBGR24);
  double error = 0;
  for (int y = 0; y < 64; ++y) {
    for (int i = 0; i < 64 * 3; ++i)
      error += std::abs(image.RowPtr(y)[i] - original.RowPtr(y)[i]);
  }
  EXPECT_LT(error / (64 * 64 * 3), 40.0);  // a random 16-colour palette is far worse
}

TEST_F(BitmapConvert, ConversionKeepsAlphaAndWorksOnDisk) {
  TImgBitmap::SetDefaultMemoryThreshold(0);
  TImgBitmap image;
  FillColourRow(image);
  ASSERT_EQ(image.Location(), locOnDisk);
  image.AlphaChannel()->RowPtr(0)[3] = 17;
  image.SetPixelFormat(pfGray8);
  EXPECT_EQ(image.Location(), locOnDisk);
  EXPECT_EQ(image.RowPtr(0)[0], 53);
  EXPECT_EQ(image.RowPtr(0)[2], 20);
  ASSERT_TRUE(image.HasAlphaChannel());
  EXPECT_EQ(image.AlphaChannel()->RowPtr(0)[3], 17);
}

TEST_F(BitmapConvert, PlatformStorageConvertsBitsAndColour) {
  TPlatformBitmap bitmap;
  TImgBitmap image;
  image.AttachTBitmap(&bitmap);
  image.Allocate(10, 2, pfBGR24);
  SetBGR(image, 3, 1, 255, 255, 255);
  image.SetPixelFormat(pfBit1);
  EXPECT_EQ(image.GetTBitmap(), &bitmap);  // still the view's bitmap
  EXPECT_EQ(bitmap.BitsPerPixel(), 1);
  EXPECT_TRUE(BitAt(image, 3, 1));
  EXPECT_FALSE(BitAt(image, 4, 1));
  image.SetPixelFormat(pfBGR24);
  EXPECT_EQ(bitmap.BitsPerPixel(), 24);
  EXPECT_EQ(image.RowPtr(1)[9], 255);
  image.SetPixelFormat(pfGray16);
  EXPECT_EQ(image.PixelFormat(), pfGray8);
}

TEST_F(BitmapConvert, PlatformBitmapCopiesBuildAndReadTheColourTable) {
  TImgBitmap image;
  image.Allocate(3, 2, pfPalette8);
  image.Palette()[3 * 2 + 2] = 250;
  image.RowPtr(1)[1] = 2;
  TPlatformBitmap bitmap;
  image.CopyToTBitmap(&bitmap);
  EXPECT_EQ(bitmap.BitsPerPixel(), 8);
  EXPECT_EQ(bitmap.ColorTable()[2].red, 250);
  EXPECT_EQ(bitmap.ScanLine(1)[1], 2);

  TImgBitmap back;
  back.CopyFromTBitmap(&bitmap);
  EXPECT_EQ(back.PixelFormat(), pfPalette8);
  EXPECT_EQ(back.Palette()[3 * 2 + 2], 250);
  EXPECT_EQ(back.RowPtr(1)[1], 2);

  TImgBitmap words;
  words.Allocate(2, 1, pfGray16);
  SetWord(words, 1, 0, 0xAB00);
  words.CopyToTBitmap(&bitmap);
  EXPECT_EQ(bitmap.BitsPerPixel(), 8);
  EXPECT_EQ(bitmap.ScanLine(0)[1], 0xAB);

  // A 1-bit bitmap with white at index 0 reads as 1 = white.
  TPlatformBitmap inverted;
  inverted.SetBitsPerPixel(1);
  inverted.SetSize(8, 1);
  inverted.ColorTable()[0] = {255, 255, 255, 0};
  inverted.ColorTable()[1] = {0, 0, 0, 0};
  inverted.ScanLine(0)[0] = 0x0F;
  back.Assign(&inverted);
  EXPECT_EQ(back.PixelFormat(), pfBit1);
  EXPECT_EQ(back.RowPtr(0)[0], 0xF0);
}

}  // namespace
