#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include <jerror.h>

#include "imaging/core/ImgErrors.h"
#include "imaging/io/jpeg/JpegMessages.h"
#include "imaging/io/jpeg/JpegRowReader.h"
#include "imaging/io/jpeg/JpegStart.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"
#include "tests/imaging/io/jpeg/JpegTestSupport.h"
#include "tests/support/TestPaths.h"

namespace {

// Compares the container with the library's decode: RGB reversed into blue, green, red, or
// CMYK through the codec's formula.
::testing::AssertionResult SameAsLibrary(TImgBitmap& bitmap, const oracle::Image& expected) {
  if (bitmap.Width() != expected.width || bitmap.Height() != expected.height) {
    return ::testing::AssertionFailure() << "size " << bitmap.Width() << "x" << bitmap.Height();
  }
  for (int y = 0; y < expected.height; ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    const std::uint8_t* source =
        expected.pixels.data() + static_cast<std::size_t>(y) * expected.width * expected.components;
    for (int x = 0; x < expected.width; ++x) {
      const std::uint8_t* s = source + x * expected.components;
      int red = s[0], green = s[1], blue = s[2];
      if (expected.components == 4) {
        red = s[0] * s[3] / 255;
        green = s[1] * s[3] / 255;
        blue = s[2] * s[3] / 255;
      }
      if (row[x * 3] != blue || row[x * 3 + 1] != green || row[x * 3 + 2] != red) {
        return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
      }
    }
  }
  return ::testing::AssertionSuccess();
}

// Reads bytes a row at a time, asking for the first rowsAsked rows and each once more after the
// next, as a resampler may. The rows asked for, the markers and the damage found must be the
// whole decode's; rows nobody asked for are decoded by Finish all the same.
::testing::AssertionResult SameRowByRow(const std::vector<std::uint8_t>& bytes, TImgBitmap& whole,
                                        const TIOParamsVals& wholeParams, int rowsAsked = INT_MAX) {
  TMemoryStream stream(bytes);
  bool aborting = false;
  TProgressRecord progress;
  progress.aborting = &aborting;
  TIOParamsVals params;
  TJpegRowReader reader(stream, nullptr, false, progress, params);
  if (!reader.Start(false))
    return ::testing::AssertionFailure() << "did not start";
  const auto rowBytes = static_cast<std::size_t>(whole.Width()) * 3;
  for (int y = 0; y < std::min(rowsAsked, reader.Height()); ++y) {
    for (int asked : {y, std::max(y - 1, 0)}) {
      if (std::memcmp(reader.Row(asked), whole.RowPtr(asked), rowBytes) != 0)
        return ::testing::AssertionFailure() << "row " << asked << " differs";
    }
  }
  reader.Finish();
  if (aborting)
    return ::testing::AssertionFailure() << "aborted";
  if (params.Damage.Reason != wholeParams.Damage.Reason)
    return ::testing::AssertionFailure() << "damage " << params.Damage.Reason;
  if (params.JpegMarkers.Count() != wholeParams.JpegMarkers.Count())
    return ::testing::AssertionFailure() << params.JpegMarkers.Count() << " markers";
  return ::testing::AssertionSuccess();
}

std::vector<std::uint8_t> SmallJpeg(int width = 40, int height = 30) {
  return oracle::Encode(width, height, oracle::Pattern(width, height), {});
}

}  // namespace

TEST(JpegRead, DecodesEveryCorpusFileExactlyAsTheLibrary) {
  const auto corpus = CorpusDir();
  if (corpus.empty())
    GTEST_SKIP() << "shared corpus absent";
  int compared = 0;
  std::vector<std::string> damaged;
  for (const char* folder : {"jpeg", "exif"}) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus / folder)) {
      if (entry.path().extension() != ".jpg")
        continue;
      SCOPED_TRACE(entry.path().string());
      const auto bytes = oracle::ReadFile(entry.path());
      const oracle::Image expected = oracle::Decode(bytes);
      TImgBitmap bitmap;
      TIOParamsVals params;
      const ReadResult result = ReadJpegBytes(bytes, bitmap, params);
      TMemoryStream stream(bytes);
      if (FindJpegStart(stream) < 0) {
        EXPECT_TRUE(result.aborting) << "no start marker where the codec looks for it";
        continue;
      }
      if (!expected.ok) {
        EXPECT_TRUE(result.aborting) << "the library refuses this file";
        continue;
      }
      ASSERT_FALSE(result.aborting);
      EXPECT_TRUE(SameAsLibrary(bitmap, expected));
      EXPECT_TRUE(SameRowByRow(bytes, bitmap, params));
      EXPECT_EQ(params.Width, expected.width);
      EXPECT_EQ(params.Height, expected.height);
      if (params.Damage.Damaged)
        damaged.push_back(entry.path().filename().string());
      ++compared;
    }
  }
  EXPECT_GT(compared, 90);
  // The two files that really are cut short; junk between header segments is no damage.
  std::sort(damaged.begin(), damaged.end());
  EXPECT_EQ(damaged, (std::vector<std::string>{"truncated.jpg", "truncated_jpeg.jpg"}));
}

TEST(JpegRead, CameraPhotosAreNeverFlaggedAsDamaged) {
  const auto photos = std::filesystem::path(QM_SHARED_DIR) / "bench" / "photos";
  if (!std::filesystem::is_directory(photos))
    GTEST_SKIP() << "benchmark photos absent";
  int read = 0;
  for (const auto& entry : std::filesystem::directory_iterator(photos)) {
    if (entry.path().extension() != ".jpg")
      continue;
    TImgBitmap bitmap;
    TIOParamsVals params;
    params.JpegScale = 4;  // an eighth is enough to read every coded block
    EXPECT_FALSE(ReadJpegBytes(oracle::ReadFile(entry.path()), bitmap, params).aborting);
    EXPECT_FALSE(params.Damage.Damaged) << entry.path() << ": " << params.Damage.Reason;
    ++read;
  }
  EXPECT_GT(read, 0);
}

TEST(JpegRead, DamagedButReadableDataIsConvertedAndNamed) {
  const auto pattern = oracle::Pattern(96, 64);
  const auto baseline = oracle::Encode(96, 64, pattern, {});
  const auto progressive = oracle::Encode(
      96, 64, pattern, oracle::Options([](oracle::EncodeOptions& o) { o.progressive = true; }));
  // The entropy-coded data of the first scan starts after its SOS header.
  auto firstScanData = [](const std::vector<std::uint8_t>& jpeg) {
    for (std::size_t i = 2; i + 3 < jpeg.size(); ++i) {
      if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
        return i + 2 + (std::size_t{jpeg[i + 2]} << 8 | jpeg[i + 3]);
    }
    return jpeg.size();
  };
  auto cut = [](std::vector<std::uint8_t> jpeg, std::size_t length) {
    jpeg.resize(length);
    return jpeg;
  };
  auto scribbled = baseline;
  const std::size_t scan = firstScanData(baseline);
  // Stuffed 0xFF bytes read as a run of one bits, which no Huffman table holds as a code:
  // scribbled-over data that merely decodes to other pixels cannot be told from a photo.
  for (std::size_t i = scan + 40; i < scan + 80; i += 2) {
    scribbled[i] = 0xFF;
    scribbled[i + 1] = 0x00;
  }
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    const char* reason;
  } cases[] = {
      {"inside the first scan", cut(baseline, scan + (baseline.size() - scan) / 3),
       "Premature end of JPEG file"},
      {"inside a later progressive scan", cut(progressive, progressive.size() * 4 / 5),
       "Premature end of JPEG file"},
      {"just before the end marker", cut(baseline, baseline.size() - 2),
       "Premature end of JPEG file"},
      {"corrupt entropy-coded data", scribbled, "Corrupt JPEG data: "},
  };
  for (const auto& c : cases) {
    TImgBitmap bitmap;
    TIOParamsVals params;
    EXPECT_FALSE(ReadJpegBytes(c.bytes, bitmap, params).aborting) << c.name;
    EXPECT_EQ(bitmap.Height(), 64) << c.name;
    EXPECT_TRUE(params.Damage.Damaged) << c.name;
    EXPECT_TRUE(params.Damage.Reason.starts_with(c.reason))
        << c.name << ": " << params.Damage.Reason;
    // Read a row at a time, the damage shows also when only the first row was asked for.
    EXPECT_TRUE(SameRowByRow(c.bytes, bitmap, params, 1)) << c.name;
  }
  for (const auto& whole : {baseline, progressive}) {
    TImgBitmap bitmap;
    TIOParamsVals params;
    params.Damage.Note("left over from an earlier load");
    ReadJpegBytes(whole, bitmap, params);
    EXPECT_FALSE(params.Damage.Damaged);
    EXPECT_EQ(params.Damage.Reason, "");
  }
}

TEST(JpegRead, RecordsColourSpaceAndSamplesOfEachKind) {
  const auto corpus = CorpusDir();
  if (corpus.empty())
    GTEST_SKIP() << "shared corpus absent";
  struct Case {
    const char* file;
    int colorSpace;
    int samples;
  };
  for (const Case& c :
       {Case{"jpeg/pillow/hopper_gray.jpg", 1, 1}, Case{"jpeg/jpeg-decoder/rgb.jpg", 0, 3},
        Case{"jpeg/pillow/hopper.jpg", 2, 3}, Case{"jpeg/twelvemonkeys/cmyk-sample.jpg", 3, 4},
        Case{"jpeg/jpeg-decoder/ycck.jpg", 4, 4}}) {
    SCOPED_TRACE(c.file);
    TImgBitmap bitmap;
    TIOParamsVals params;
    ASSERT_FALSE(ReadJpegBytes(oracle::ReadFile(corpus / c.file), bitmap, params).aborting);
    EXPECT_EQ(params.JpegColorSpace, c.colorSpace);
    EXPECT_EQ(params.SamplesPerPixel, c.samples);
    EXPECT_EQ(params.BitsPerSample, 8);
    EXPECT_EQ(bitmap.PixelFormat(), pfBGR24);
    if (c.colorSpace == 1) {
      const std::uint8_t* row = bitmap.RowPtr(bitmap.Height() / 2);
      for (int x = 0; x < bitmap.Width(); ++x) {
        ASSERT_EQ(row[x * 3], row[x * 3 + 1]);
        ASSERT_EQ(row[x * 3], row[x * 3 + 2]);
      }
    }
  }
}

TEST(JpegRead, DensityBecomesDotsPerInch) {
  struct Case {
    int unit, x, y, expectedX, expectedY;
  };
  // 118 dpcm x 2.54 = 299.72; 1 dpcm = 2.54; unit 0 keeps the aspect numbers as they are.
  for (const Case& c : {Case{2, 118, 1, 300, 3}, Case{1, 72, 96, 72, 96}, Case{0, 1, 1, 1, 1}}) {
    const auto bytes =
        oracle::Encode(16, 16, oracle::Pattern(16, 16), oracle::WithDensity(c.unit, c.x, c.y));
    TImgBitmap bitmap;
    TIOParamsVals params;
    ASSERT_FALSE(ReadJpegBytes(bytes, bitmap, params).aborting);
    EXPECT_EQ(params.ResolutionX, c.expectedX);
    EXPECT_EQ(params.ResolutionY, c.expectedY);
  }
}

TEST(JpegRead, FindsTheStartWithinNinetyNineBytesOnly) {
  const auto jpeg = SmallJpeg();
  for (int junk : {0, 1, 99, 100, 150}) {
    SCOPED_TRACE(junk);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(junk), 0x20);
    bytes.insert(bytes.end(), jpeg.begin(), jpeg.end());
    TMemoryStream stream(bytes);
    stream.SetPosition(0);
    EXPECT_EQ(FindJpegStart(stream), junk < 100 ? junk : -1);
    EXPECT_EQ(stream.Position(), 0);

    TImgBitmap bitmap;
    TIOParamsVals params;
    params.Width = 7;
    const ReadResult result = ReadJpegBytes(bytes, bitmap, params);
    EXPECT_EQ(result.aborting, junk >= 100);
    EXPECT_EQ(params.Width, junk < 100 ? 40 : 7) << "a failed search leaves the parameters";
  }
}

TEST(JpegRead, RowByRowKeepsOnlyTheNewestFourRows) {
  TMemoryStream stream(SmallJpeg(40, 30));
  TProgressRecord progress;
  TIOParamsVals params;
  TJpegRowReader reader(stream, nullptr, false, progress, params);
  ASSERT_TRUE(reader.Start(false));
  reader.Row(9);
  EXPECT_NO_THROW(reader.Row(6));
  EXPECT_THROW(reader.Row(5), std::out_of_range);
  EXPECT_THROW(reader.Row(30), std::out_of_range);
}

TEST(JpegRead, BadInputEndsWithAbortWithoutCrashing) {
  TIOParamsVals params;
  TImgBitmap bitmap;
  EXPECT_TRUE(ReadJpegBytes({}, bitmap, params).aborting) << "empty";
  EXPECT_TRUE(ReadJpegBytes(std::vector<std::uint8_t>(5000, 0xA5), bitmap, params).aborting)
      << "garbage";
  // Start marker followed by garbage: the library refuses it.
  std::vector<std::uint8_t> noise = {0xFF, 0xD8, 0xFF};
  noise.resize(3000, 0x5A);
  EXPECT_TRUE(ReadJpegBytes(noise, bitmap, params).aborting) << "garbage after start";

  // Frame headers of a small file claiming sizes its data cannot fill are refused before
  // anything is allocated.
  for (const std::uint8_t side : {0xFF, 0x4E}) {
    auto huge = SmallJpeg();
    for (std::size_t i = 2; i + 9 < huge.size(); ++i) {
      if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
        for (const std::size_t at : {i + 5, i + 7}) {
          huge[at] = side;
          huge[at + 1] = side == 0xFF ? 0xFF : 0x20;  // 65535 or 20000
        }
        break;
      }
    }
    TImgBitmap hugeBitmap;
    EXPECT_TRUE(ReadJpegBytes(huge, hugeBitmap, params).aborting) << int{side};
    EXPECT_TRUE(hugeBitmap.IsEmpty()) << int{side};
  }

  // Every prefix: the header parts abort, the rest decode what they can.
  const auto jpeg = SmallJpeg(24, 16);
  int aborted = 0;
  for (std::size_t length = 0; length <= jpeg.size(); ++length) {
    TImgBitmap prefixBitmap;
    TIOParamsVals prefixParams;
    const std::vector<std::uint8_t> prefix(jpeg.begin(), jpeg.begin() + static_cast<long>(length));
    const ReadResult result = ReadJpegBytes(prefix, prefixBitmap, prefixParams);
    if (result.aborting)
      ++aborted;
    if (!result.aborting) {
      EXPECT_EQ(prefixBitmap.Width(), 24);
      EXPECT_EQ(prefixBitmap.Height(), 16);
    }
  }
  EXPECT_GT(aborted, 0);
  EXPECT_LT(aborted, static_cast<int>(jpeg.size()));
}

TEST(JpegRead, RefusesComponentLayoutsItCannotHold) {
  std::vector<std::uint8_t> twoComponents(16 * 16 * 2, 0x80);
  const auto bytes =
      oracle::Encode(16, 16, twoComponents, oracle::Options([](oracle::EncodeOptions& o) {
                       o.inSpace = JCS_UNKNOWN;
                       o.components = 2;
                       o.fileSpace = JCS_UNKNOWN;
                     }));
  ASSERT_FALSE(bytes.empty());
  TImgBitmap bitmap;
  TIOParamsVals params;
  params.JpegColorSpace = 2;
  EXPECT_TRUE(ReadJpegBytes(bytes, bitmap, params).aborting);
  EXPECT_EQ(params.JpegColorSpace, 2) << "left untouched";
}

TEST(JpegRead, TruncatedDataCountsWarningsWithClassicCodes) {
  auto jpeg = SmallJpeg(64, 64);
  jpeg.resize(jpeg.size() * 2 / 3);
  TImgBitmap bitmap;
  TIOParamsVals params;
  const ReadResult result = ReadJpegBytes(jpeg, bitmap, params);
  EXPECT_FALSE(result.aborting) << "the library pads what is missing";
  EXPECT_GT(params.JpegWarningCount, 0);
  EXPECT_EQ(params.JpegLastWarning, JpegClassicMessageCode(JWRN_HIT_MARKER));
  EXPECT_EQ(JpegMessageText(JWRN_HIT_MARKER), "Corrupt JPEG data: premature end of data segment");
}

TEST(JpegRead, MessageTableIsKeyedBySymbolicCodes) {
  EXPECT_EQ(JpegClassicMessageCode(JERR_ARITH_NOTIMPL), 1);
  EXPECT_EQ(JpegClassicMessageCode(JWRN_TOO_MUCH_DATA), 123);
  EXPECT_EQ(JpegClassicMessageCode(JWRN_JPEG_EOF), 120);
  EXPECT_EQ(JpegMessageText(JERR_NO_SOI), "Not a JPEG file: starts with ?");
  EXPECT_EQ(JpegMessageText(JMSG_VERSION), "");
  // Codes the classic release does not have, and codes of no release.
  EXPECT_EQ(JpegMessageText(JWRN_BOGUS_ICC), "Corrupted");
  EXPECT_EQ(JpegMessageText(JMSG_LASTMSGCODE + 5), "Corrupted");
  EXPECT_EQ(JpegMessageText(-1), "Corrupted");
}

TEST(JpegRead, KeepsMarkersExceptALeadingApp0) {
  const std::vector<std::uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 1, 2, 3};
  const std::vector<std::uint8_t> comment = {'h', 'i'};
  // The library writes its JFIF header first; APP1 and COM follow.
  const auto jfifFirst = oracle::Encode(16, 16, oracle::Pattern(16, 16),
                                        oracle::Options([&](oracle::EncodeOptions& o) {
                                          o.markers = [&](j_compress_ptr cinfo) {
                                            jpeg_write_marker(cinfo, JPEG_APP0 + 1, exif.data(), 9);
                                            jpeg_write_marker(cinfo, JPEG_COM, comment.data(), 2);
                                          };
                                        }));
  TImgBitmap bitmap;
  TIOParamsVals params;
  ASSERT_FALSE(ReadJpegBytes(jfifFirst, bitmap, params).aborting);
  ASSERT_EQ(params.JpegMarkers.Count(), 2);
  EXPECT_EQ(params.JpegMarkers[0].code, JPEG_APP0 + 1);
  EXPECT_EQ(params.JpegMarkers[0].data, exif);
  EXPECT_EQ(params.JpegMarkers[1].code, JPEG_COM);

  // A camera file: EXIF first, then a JFIF APP0, which is kept because it is not first.
  const std::vector<std::uint8_t> jfif = {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  const auto exifFirst = oracle::Encode(
      16, 16, oracle::Pattern(16, 16), oracle::Options([&](oracle::EncodeOptions& o) {
        o.setup = [](j_compress_ptr cinfo) { cinfo->write_JFIF_header = FALSE; };
        o.markers = [&](j_compress_ptr cinfo) {
          jpeg_write_marker(cinfo, JPEG_APP0 + 1, exif.data(), 9);
          jpeg_write_marker(cinfo, JPEG_APP0, jfif.data(), 14);
        };
      }));
  ASSERT_FALSE(ReadJpegBytes(exifFirst, bitmap, params).aborting);
  ASSERT_EQ(params.JpegMarkers.Count(), 2);
  EXPECT_EQ(params.JpegMarkers[0].code, JPEG_APP0 + 1);
  EXPECT_EQ(params.JpegMarkers[1].code, JPEG_APP0);
}

TEST(JpegRead, ScalesByCodeAndAutomatically) {
  const auto rgb = oracle::Pattern(227, 149);
  const auto bytes = oracle::Encode(227, 149, rgb, {});
  struct Case {
    int scale, requestWidth, requestHeight, denominator;
  };
  // Automatic: 227 >> 2 = 56 >= 50 but 149 >> 2 = 37 < 40, so a half (113 x 74) is the smallest
  // fit.
  for (const Case& c : {Case{2, 0, 0, 2}, Case{4, 0, 0, 8}, Case{0, 50, 40, 2}, Case{0, 0, 40, 1},
                        Case{0, 300, 10, 1}}) {
    SCOPED_TRACE(c.scale * 1000 + c.requestWidth);
    TImgBitmap bitmap;
    TIOParamsVals params;
    params.JpegScale = static_cast<std::uint8_t>(c.scale);
    params.Width = c.requestWidth;
    params.Height = c.requestHeight;
    ASSERT_FALSE(ReadJpegBytes(bytes, bitmap, params).aborting);
    EXPECT_EQ(params.JpegScaleUsed, c.denominator);
    EXPECT_EQ(params.JpegFullWidth, 227);
    EXPECT_EQ(params.JpegFullHeight, 149);
    EXPECT_TRUE(SameAsLibrary(
        bitmap, oracle::Decode(bytes, JCS_RGB, static_cast<unsigned>(c.denominator))));
  }
}

TEST(JpegRead, ParamsOnlyFillsParametersAndDecodesNothing) {
  const auto bytes =
      oracle::Encode(33, 21, oracle::Pattern(33, 21),
                     oracle::Options([](oracle::EncodeOptions& o) { o.progressive = true; }));
  TImgBitmap bitmap;
  TIOParamsVals params;
  const ReadResult result = ReadJpegBytes(bytes, bitmap, params, true);
  EXPECT_FALSE(result.aborting);
  EXPECT_TRUE(result.percents.empty());
  EXPECT_EQ(params.Width, 33);
  EXPECT_EQ(params.Height, 21);
  EXPECT_TRUE(params.JpegProgressive);
  EXPECT_TRUE(bitmap.IsEmpty());
}

TEST(JpegRead, ReadsTablesFromASeparateStream) {
  const auto rgb = oracle::Pattern(48, 32);
  const auto [tables, abbreviated] = oracle::EncodeAbbreviated(48, 32, rgb);
  ASSERT_FALSE(tables.empty());
  // The same image as one interchange stream, for the expected pixels.
  const auto full = oracle::Encode(
      48, 32, rgb, oracle::Options([](oracle::EncodeOptions& o) { o.quality = 80; }));
  TMemoryStream tableStream(tables);
  TImgBitmap bitmap;
  TIOParamsVals params;
  EXPECT_FALSE(ReadJpegBytes(abbreviated, bitmap, params, false, &tableStream).aborting);
  EXPECT_TRUE(SameAsLibrary(bitmap, oracle::Decode(full)));
  // Without its tables the abbreviated stream cannot be decoded.
  TImgBitmap lone;
  EXPECT_TRUE(ReadJpegBytes(abbreviated, lone, params).aborting);

  TMemoryStream empty;
  EXPECT_TRUE(ReadJpegBytes(abbreviated, lone, params, false, &empty).aborting);

  TMemoryStream notJpeg(std::vector<std::uint8_t>(64, 0x11));
  try {
    ReadJpegBytes(abbreviated, lone, params, false, &notJpeg);
    ADD_FAILURE() << "a fatal error in the tables stream reaches the caller";
  } catch (const EImgJpegException& e) {
    EXPECT_STREQ(e.what(), "Not a JPEG file: starts with ?");
  }
}

TEST(JpegRead, ReportsRisingProgress) {
  TImgBitmap bitmap;
  TIOParamsVals params;
  const ReadResult result = ReadJpegBytes(SmallJpeg(20, 50), bitmap, params);
  ASSERT_EQ(result.percents.size(), 50u);
  EXPECT_TRUE(std::is_sorted(result.percents.begin(), result.percents.end()));
  EXPECT_EQ(result.percents.front(), 2);
  EXPECT_EQ(result.percents.back(), 100);
}

// A container that held another photo hands its block to the next load; rows a stopped load
// never decoded must read black rather than show the earlier photo.
TEST(JpegRead, RowsAStoppedLoadNeverReachedReadBlack) {
  TImgBitmap bitmap;
  bitmap.SetLocation(locPlatformBitmap);
  bitmap.Allocate(40, 30, pfBGR24);
  bitmap.FillAll(0xFF);
  TIOParamsVals params;
  TMemoryStream stream(SmallJpeg(40, 30));
  bool aborting = false;
  TProgressRecord progress;
  progress.aborting = &aborting;
  int rowsSeen = 0;
  progress.handler = [&](void*, int) { aborting = ++rowsSeen == 10; };
  ReadJpegImage(stream, nullptr, bitmap, false, false, progress, params);
  ASSERT_TRUE(aborting);
  ASSERT_EQ(bitmap.Height(), 30);
  for (int y = 10; y < 30; ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    ASSERT_TRUE(std::all_of(row, row + 120, [](std::uint8_t b) { return b == 0; })) << y;
  }
}
