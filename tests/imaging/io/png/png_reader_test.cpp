#include <gtest/gtest.h>
#include <png.h>

#include <csetjmp>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/png/PngReader.h"
#include "imaging/io/registry/FindStreamFormat.h"
#include "imaging/io/registry/FormatIds.h"
#include "platform/MemoryStream.h"
#include "tests/imaging/io/LibraryTestSupport.h"
#include "tests/support/TestPaths.h"

namespace fs = std::filesystem;
using namespace librarytest;

namespace {

constexpr int kWidth = 23;  // odd, so that packed rows end inside a byte
constexpr int kHeight = 17;

// One file layout: libpng's colour type and bit depth, interlacing, and a tRNS chunk.
struct PngCase {
  const char* name;
  int colorType;
  int bitDepth;
  bool interlaced;
  bool transparentEntry;
};

// A PNG file's samples as its header describes them, and what they mean as 8-bit samples
// (gray or RGB, with alpha when the file has transparency), worked out from the definitions:
// a sample of depth d scales by 255 / (2^d - 1), a palette index names its entry, and a tRNS
// entry makes its colour fully transparent.
struct PngFile {
  std::vector<std::vector<std::uint8_t>> rows;
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;
  png_color_16 transparent{};
  TPicture meaning;
};

int Value(int x, int y, int channel, int depth) {
  const int levels = 1 << depth;
  return (x * (5 + 2 * channel) + y * (3 + channel) + channel * 11) % levels;
}

int To8Bits(int value, int depth) {
  return static_cast<int>(std::lround(value * 255.0 / ((1 << depth) - 1)));
}

void PutSample(std::vector<std::uint8_t>& row, int index, int value, int depth) {
  if (depth == 16) {
    row.push_back(static_cast<std::uint8_t>(value >> 8));
    row.push_back(static_cast<std::uint8_t>(value & 0xFF));
  } else if (depth == 8) {
    row.push_back(static_cast<std::uint8_t>(value));
  } else {
    const int perByte = 8 / depth;
    if (index % perByte == 0)
      row.push_back(0);
    row.back() |= static_cast<std::uint8_t>(value << (8 - depth * (index % perByte + 1)));
  }
}

PngFile MakeFile(const PngCase& c) {
  PngFile file;
  const bool palette = c.colorType == PNG_COLOR_TYPE_PALETTE;
  const int colours = (c.colorType & PNG_COLOR_MASK_COLOR) != 0 ? 3 : 1;
  const bool alphaChannel = (c.colorType & PNG_COLOR_MASK_ALPHA) != 0;
  const bool alpha = alphaChannel || c.transparentEntry;
  file.meaning = {kWidth, kHeight, colours + (alpha ? 1 : 0), {}};
  if (palette) {
    for (int i = 0; i < (1 << c.bitDepth); ++i) {
      file.palette.push_back({static_cast<png_byte>(i * 37 % 256),
                              static_cast<png_byte>(255 - i * 11 % 256),
                              static_cast<png_byte>(i * 91 % 256)});
      file.paletteAlpha.push_back(static_cast<png_byte>(i == 1 ? 0 : 255 - i * 3 % 256));
    }
  }
  // The colour whose pixels a tRNS chunk makes transparent: the one of the pixel at (1, 0).
  const int samples = palette ? 1 : colours + (alphaChannel ? 1 : 0);
  const int depthValue = palette ? 0 : Value(1, 0, 0, c.bitDepth);
  file.transparent.gray = static_cast<png_uint_16>(depthValue);
  file.transparent.red = static_cast<png_uint_16>(Value(1, 0, 0, c.bitDepth));
  file.transparent.green = static_cast<png_uint_16>(Value(1, 0, 1, c.bitDepth));
  file.transparent.blue = static_cast<png_uint_16>(Value(1, 0, 2, c.bitDepth));
  for (int y = 0; y < kHeight; ++y) {
    std::vector<std::uint8_t> row;
    for (int x = 0; x < kWidth; ++x) {
      std::vector<int> values;
      for (int s = 0; s < samples; ++s) {
        values.push_back(palette
                             ? Value(x, y, 0, c.bitDepth) % static_cast<int>(file.palette.size())
                             : Value(x, y, s, c.bitDepth));
        PutSample(row, x * samples + s, values.back(), c.bitDepth);
      }
      std::vector<std::uint8_t>& out = file.meaning.samples;
      if (palette) {
        const png_color& entry = file.palette[static_cast<std::size_t>(values[0])];
        out.insert(out.end(), {entry.red, entry.green, entry.blue});
        if (alpha)
          out.push_back(file.paletteAlpha[static_cast<std::size_t>(values[0])]);
        continue;
      }
      for (int s = 0; s < colours; ++s)
        out.push_back(
            static_cast<std::uint8_t>(To8Bits(values[static_cast<std::size_t>(s)], c.bitDepth)));
      if (alphaChannel) {
        out.push_back(static_cast<std::uint8_t>(To8Bits(values.back(), c.bitDepth)));
      } else if (c.transparentEntry) {
        bool same = true;
        for (int s = 0; s < colours; ++s)
          same = same && values[static_cast<std::size_t>(s)] == Value(1, 0, s, c.bitDepth);
        out.push_back(same ? 0 : 255);
      }
    }
    file.rows.push_back(std::move(row));
  }
  return file;
}

bool WriteRawPng(const fs::path& path, const PngCase& c, PngFile& file) {
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr)
    return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  for (auto& row : file.rows)
    rows.push_back(row.data());
  // Kept in memory across a jump out of libpng.
  volatile bool written = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, out);
    png_set_IHDR(png, info, kWidth, kHeight, c.bitDepth, c.colorType,
                 c.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!file.palette.empty())
      png_set_PLTE(png, info, file.palette.data(), static_cast<int>(file.palette.size()));
    if (c.transparentEntry) {
      if (!file.palette.empty())
        png_set_tRNS(png, info, file.paletteAlpha.data(),
                     static_cast<int>(file.paletteAlpha.size()), nullptr);
      else
        png_set_tRNS(png, info, nullptr, 0, &file.transparent);
    }
    png_set_pHYs(png, info, 3937, 3937, PNG_RESOLUTION_METER);
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    written = true;
  }
  png_destroy_write_struct(&png, &info);
  return std::fclose(out) == 0 && written;
}

using PngReaderTest = ReaderTest;

TEST_F(PngReaderTest, EveryColourTypeAndDepthReadsAsItsSamplesMean) {
  const PngCase cases[] = {
      {"gray 1", PNG_COLOR_TYPE_GRAY, 1, false, false},
      {"gray 2", PNG_COLOR_TYPE_GRAY, 2, false, false},
      {"gray 4 interlaced", PNG_COLOR_TYPE_GRAY, 4, true, false},
      {"gray 8", PNG_COLOR_TYPE_GRAY, 8, false, false},
      {"gray 16", PNG_COLOR_TYPE_GRAY, 16, false, false},
      {"gray 8 tRNS", PNG_COLOR_TYPE_GRAY, 8, false, true},
      {"gray 2 tRNS interlaced", PNG_COLOR_TYPE_GRAY, 2, true, true},
      {"gray+alpha 8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
      {"gray+alpha 16 interlaced", PNG_COLOR_TYPE_GRAY_ALPHA, 16, true, false},
      {"rgb 8", PNG_COLOR_TYPE_RGB, 8, false, false},
      {"rgb 8 interlaced", PNG_COLOR_TYPE_RGB, 8, true, false},
      {"rgb 16", PNG_COLOR_TYPE_RGB, 16, false, false},
      {"rgb 16 tRNS", PNG_COLOR_TYPE_RGB, 16, false, true},
      {"rgb 8 tRNS", PNG_COLOR_TYPE_RGB, 8, false, true},
      {"rgba 8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false},
      {"rgba 16 interlaced", PNG_COLOR_TYPE_RGB_ALPHA, 16, true, false},
      {"palette 1", PNG_COLOR_TYPE_PALETTE, 1, false, false},
      {"palette 2", PNG_COLOR_TYPE_PALETTE, 2, false, false},
      {"palette 4 interlaced", PNG_COLOR_TYPE_PALETTE, 4, true, false},
      {"palette 8", PNG_COLOR_TYPE_PALETTE, 8, false, false},
      {"palette 4 tRNS", PNG_COLOR_TYPE_PALETTE, 4, false, true},
  };
  for (const PngCase& c : cases) {
    SCOPED_TRACE(c.name);
    PngFile file = MakeFile(c);
    const fs::path path = dir / "case.PNG";
    ASSERT_TRUE(WriteRawPng(path, c, file));
    io.LoadFromFile(path.string());
    ASSERT_FALSE(io.Aborting());
    const bool gray = (c.colorType & PNG_COLOR_MASK_COLOR) == 0;
    EXPECT_EQ(io.Bitmap()->PixelFormat(), gray ? pfGray8 : pfBGR24);
    EXPECT_EQ(LargestDifference(*io.Bitmap(), file.meaning), 0);
    const TIOParamsVals& params = io.Params();
    EXPECT_EQ(params.FormatId, kFormatPng);
    EXPECT_EQ(params.Width, kWidth);
    EXPECT_EQ(params.Height, kHeight);
    EXPECT_EQ(params.BitsPerSample, c.bitDepth);
    EXPECT_EQ(params.ResolutionX, 100) << "3937 pixels a metre";
  }
}

TEST_F(PngReaderTest, HalfTransparentPixelsShowOnWhite) {
  // Black, red and white at alpha 128, and a fully transparent pixel whose colour is black:
  // on white, black at half cover is 255 x 127 / 255 = 127 and transparent black is white.
  TPicture picture{4, 1, 4, {0, 0, 0, 128, 255, 0, 0, 128, 255, 255, 255, 128, 0, 0, 0, 0}};
  const fs::path path = dir / "half.png";
  ASSERT_TRUE(librarywriters::WritePng(path.string(), picture));
  io.LoadFromFile(path.string());
  ASSERT_FALSE(io.Aborting());
  const std::uint8_t* row = io.Bitmap()->RowPtr(0);
  const std::vector<std::uint8_t> bgr(row, row + 12);
  EXPECT_EQ(
      bgr, (std::vector<std::uint8_t>{127, 127, 127, 127, 127, 255, 255, 255, 255, 255, 255, 255}));
}

// A small RGB display profile: the 128-byte header, an empty tag table and private data (libpng
// refuses a profile that compresses to almost nothing, as no real one does).
std::vector<std::uint8_t> SmallRgbProfile() {
  constexpr std::size_t kSize = 1024;
  std::vector<std::uint8_t> profile(kSize, 0);
  std::uint32_t noise = 12345;
  for (std::size_t i = 132; i < kSize; ++i) {
    noise = noise * 1664525u + 1013904223u;
    profile[i] = static_cast<std::uint8_t>(noise >> 24);
  }
  const auto put = [&](std::size_t at, const char* text) {
    std::copy(text, text + 4, profile.begin() + static_cast<std::ptrdiff_t>(at));
  };
  profile[2] = kSize >> 8;
  profile[8] = 2;
  profile[9] = 0x10;
  put(12, "mntr");
  put(16, "RGB ");
  put(20, "XYZ ");
  put(36, "acsp");
  // The D50 white point libpng expects in the header.
  const std::uint8_t d50[] = {0, 0, 0xF6, 0xD6, 0, 1, 0, 0, 0, 0, 0xD3, 0x2D};
  std::copy(std::begin(d50), std::end(d50), profile.begin() + 68);
  return profile;
}

TEST_F(PngReaderTest, ExifAndIccChunksReachTheSavedJpeg) {
  if (!ToolAvailable("exiftool"))
    GTEST_SKIP() << "exiftool absent";
  const fs::path path = dir / "tagged.png";
  ASSERT_TRUE(librarywriters::WritePng(path.string(), Pattern(40, 30, 3)));
  const std::vector<std::uint8_t> profile = SmallRgbProfile();
  WriteFile(dir / "in.icc", profile);
  ASSERT_TRUE(
      RunTool("exiftool -q -overwrite_original -Make=PngMaker -Model='Png Model 2' "
              "-Orientation#=8 '-ICC_Profile<=" +
              (dir / "in.icc").string() + "' '" + path.string() + "'"));
  const fs::path out = SavedAsJpeg(path);
  EXPECT_EQ(io.Params().ExifMake, "PngMaker");
  EXPECT_EQ(io.Params().Orientation, 8);
  const std::string saved = ToolOutput("exiftool -b -ICC_Profile '" + out.string() + "'");
  EXPECT_EQ(std::vector<std::uint8_t>(saved.begin(), saved.end()), profile);
  EXPECT_EQ(MakeModelOrientation(out), "PngMaker\nPng Model 2\n8\n");
}

TEST_F(PngReaderTest, CutOffFilesAreRefusedAndTheContainerKept) {
  const fs::path whole = dir / "whole.png";
  const TPicture picture = Pattern(64, 48, 3);
  ASSERT_TRUE(librarywriters::WritePng(whole.string(), picture));
  io.LoadFromFile(whole.string());
  ASSERT_FALSE(io.Aborting());
  ExpectCutCopiesRefused(whole, {0.02, 0.5, 0.9});
  // Without its closing chunk (12 bytes) every row is still there: read, and noted as damaged.
  CutFile(whole, dir / "cut.png", 1.0, 12);
  io.LoadFromFile((dir / "cut.png").string());
  ASSERT_FALSE(io.Aborting());
  EXPECT_TRUE(io.Params().Damage.Damaged);
  EXPECT_EQ(LargestDifference(*io.Bitmap(), picture), 0);
}

TEST_F(PngReaderTest, StreamsAreRecognisedAndParamsOnlyLeavesTheContainer) {
  const TPicture picture = Pattern(31, 9, 4);
  const fs::path path = dir / "s.png";
  ASSERT_TRUE(librarywriters::WritePng(path.string(), picture, true));
  TMemoryStream stream;
  const std::vector<std::uint8_t> bytes = ReadFile(path);
  stream.Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.SetPosition(0);
  EXPECT_EQ(FindStreamFormat(stream), kFormatPng);
  io.LoadFromStream(stream);
  ASSERT_FALSE(io.Aborting());
  EXPECT_EQ(io.Params().FormatId, kFormatPng);
  EXPECT_EQ(LargestDifference(*io.Bitmap(), picture), 0);

  TImgBitmap untouched;
  untouched.Allocate(2, 2, pfGray8);
  TIOParamsVals params(nullptr, nullptr);
  bool aborting = false;
  TProgressRecord progress;
  progress.aborting = &aborting;
  stream.SetPosition(0);
  ReadPngImage(stream, untouched, params, true, progress);
  EXPECT_FALSE(aborting);
  EXPECT_EQ(params.Width, 31);
  EXPECT_EQ(params.Height, 9);
  EXPECT_EQ(params.SamplesPerPixel, 4);
  EXPECT_EQ(untouched.Width(), 2);
}

}  // namespace
