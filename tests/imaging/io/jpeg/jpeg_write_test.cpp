#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "imaging/core/ImgErrors.h"
#include "imaging/io/jpeg/JpegMarkerFilter.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"
#include "tests/imaging/io/jpeg/JpegTestSupport.h"
#include "tests/support/TestPaths.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

std::vector<oracle::Segment> SegmentsWithCode(const std::vector<std::uint8_t>& bytes, int code) {
  std::vector<oracle::Segment> found;
  for (auto& segment : oracle::SegmentsBeforeScan(bytes)) {
    if (segment.code == code)
      found.push_back(segment);
  }
  return found;
}

struct PatternImage {
  TImgBitmap bitmap;
  std::vector<std::uint8_t> rgb = oracle::Pattern(kWidth, kHeight);
  PatternImage() { FillFromRgb(bitmap, kWidth, kHeight, rgb); }
};

int MaxDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
  int worst = 0;
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    worst = std::max(worst, std::abs(a[i] - b[i]));
  return worst;
}

// Reads back through the codec and returns the pixels as red, green, blue rows.
std::vector<std::uint8_t> ReadBackRgb(const std::vector<std::uint8_t>& bytes,
                                      TIOParamsVals& params) {
  TImgBitmap bitmap;
  EXPECT_FALSE(ReadJpegBytes(bytes, bitmap, params).aborting);
  std::vector<std::uint8_t> rgb;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    for (int x = 0; x < bitmap.Width(); ++x)
      rgb.insert(rgb.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
  }
  return rgb;
}

class ShortWriteStream : public TMemoryStream {
 public:
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    return TMemoryStream::Write(buffer, count / 2);
  }
};

TImgMarkerList::Marker MakeMarker(std::uint8_t code, std::string text) {
  return {code, std::vector<std::uint8_t>(text.begin(), text.end())};
}

TImgMarkerList::Marker IccChunk(int sequence, int count, const char* space) {
  std::vector<std::uint8_t> data = {'I',
                                    'C',
                                    'C',
                                    '_',
                                    'P',
                                    'R',
                                    'O',
                                    'F',
                                    'I',
                                    'L',
                                    'E',
                                    0,
                                    static_cast<std::uint8_t>(sequence),
                                    static_cast<std::uint8_t>(count)};
  std::vector<std::uint8_t> profile(128, 0);
  if (sequence == 1)
    std::copy(space, space + 4, profile.begin() + 16);
  data.insert(data.end(), profile.begin(), profile.end());
  return {0xE2, data};
}

}  // namespace

TEST(JpegWrite, QualityScalesTablesAsTheLibraryTool) {
  if (std::system("command -v cjpeg >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "cjpeg absent";
  const auto dir = MakeTempDir("qmjpegq");
  const auto ppm = dir / "pattern.ppm";
  PatternImage image;
  {
    std::ofstream out(ppm, std::ios::binary);
    out << "P6\n" << kWidth << " " << kHeight << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.rgb.data()),
              static_cast<std::streamsize>(image.rgb.size()));
  }
  for (int quality : {100, 90, 75, 50, 30}) {
    SCOPED_TRACE(quality);
    const auto reference = dir / ("q" + std::to_string(quality) + ".jpg");
    const std::string command = "cjpeg -quality " + std::to_string(quality) + " -baseline " +
                                ppm.string() + " > " + reference.string();
    ASSERT_EQ(std::system(command.c_str()), 0);
    TIOParamsVals params;
    params.JpegQuality = quality;
    const auto ours = WriteJpegBytes(image.bitmap, params);
    const auto theirs = SegmentsWithCode(oracle::ReadFile(reference), 0xDB);
    const auto mine = SegmentsWithCode(ours, 0xDB);
    ASSERT_FALSE(theirs.empty());
    ASSERT_EQ(mine.size(), theirs.size());
    for (std::size_t i = 0; i < mine.size(); ++i)
      EXPECT_EQ(mine[i].data, theirs[i].data);
  }
  std::filesystem::remove_all(dir);
}

TEST(JpegWrite, ProgressiveFlagChoosesTheFrameType) {
  PatternImage image;
  for (bool progressive : {false, true}) {
    TIOParamsVals params;
    params.JpegProgressive = progressive;
    const auto bytes = WriteJpegBytes(image.bitmap, params);
    EXPECT_EQ(SegmentsWithCode(bytes, 0xC2).size(), progressive ? 1u : 0u);
    EXPECT_EQ(SegmentsWithCode(bytes, 0xC0).size(), progressive ? 0u : 1u);
    TIOParamsVals readBack;
    EXPECT_LE(MaxDifference(ReadBackRgb(bytes, readBack), image.rgb), 24);
    EXPECT_EQ(readBack.JpegProgressive, progressive);
  }
}

TEST(JpegWrite, ColourSpacesGiveTheirHeaders) {
  PatternImage image;
  {
    TIOParamsVals params;
    params.JpegColorSpace = 0;
    const auto bytes = WriteJpegBytes(image.bitmap, params);
    EXPECT_TRUE(SegmentsWithCode(bytes, 0xE0).empty()) << "no JFIF header in an RGB file";
    const auto adobe = SegmentsWithCode(bytes, 0xEE);
    ASSERT_EQ(adobe.size(), 1u);
    EXPECT_EQ(adobe[0].data.back(), 0) << "Adobe transform 0";
    EXPECT_EQ(oracle::Decode(bytes).fileSpace, JCS_RGB);
    TIOParamsVals readBack;
    EXPECT_LE(MaxDifference(ReadBackRgb(bytes, readBack), image.rgb), 16);
    EXPECT_EQ(readBack.JpegColorSpace, 0);
  }
  for (auto [resolutionX, resolutionY, expectedX, expectedY] :
       {std::array{200, 150, 200, 150}, std::array{0, 0, 300, 300}}) {
    TIOParamsVals params;
    params.JpegColorSpace = 1;
    params.ResolutionX = resolutionX;
    params.ResolutionY = resolutionY;
    const auto bytes = WriteJpegBytes(image.bitmap, params);
    const auto jfif = SegmentsWithCode(bytes, 0xE0);
    ASSERT_EQ(jfif.size(), 1u);
    ASSERT_GE(jfif[0].data.size(), 12u);
    EXPECT_EQ(jfif[0].data[7], 1) << "dots per inch";
    EXPECT_EQ(jfif[0].data[8] << 8 | jfif[0].data[9], expectedX);
    EXPECT_EQ(jfif[0].data[10] << 8 | jfif[0].data[11], expectedY);
    const oracle::Image decoded = oracle::Decode(bytes);
    EXPECT_EQ(decoded.fileSpace, JCS_GRAYSCALE);
  }
}

TEST(JpegWrite, CmykAndYcckRoundTripThroughTheFormulas) {
  PatternImage image;
  for (int space : {3, 4}) {
    SCOPED_TRACE(space);
    TIOParamsVals params;
    params.JpegColorSpace = static_cast<std::uint8_t>(space);
    params.JpegQuality = 95;
    const auto bytes = WriteJpegBytes(image.bitmap, params);
    EXPECT_EQ(oracle::Decode(bytes).fileSpace, space == 3 ? JCS_CMYK : JCS_YCCK);
    TIOParamsVals readBack;
    EXPECT_LE(MaxDifference(ReadBackRgb(bytes, readBack), image.rgb), 16);
    EXPECT_EQ(readBack.JpegColorSpace, space);
  }
}

TEST(JpegWrite, KeptMarkersComeBackInOrderExceptTheOnesItWritesItself) {
  PatternImage image;
  TIOParamsVals params;
  params.JpegColorSpace = 0;
  auto& markers = params.JpegMarkers;
  const std::vector<TImgMarkerList::Marker> list = {MakeMarker(0xE1, std::string("Exif\0\0MM", 8)),
                                                    MakeMarker(0xE0, "JFIF header copy"),
                                                    MakeMarker(0xE0, "JFXX thumbnail"),
                                                    MakeMarker(0xEE, "Adobe"),
                                                    MakeMarker(0xE2, std::string("MPF\0index", 9)),
                                                    MakeMarker(0xFE, "a comment"),
                                                    MakeMarker(0xED, "Photoshop 3.0"),
                                                    MakeMarker(0xE0, "other APP0")};
  for (const auto& marker : list)
    markers.AddMarker(marker.code, marker.data.data(), marker.data.size());
  const auto bytes = WriteJpegBytes(image.bitmap, params);

  TIOParamsVals readBack;
  ReadBackRgb(bytes, readBack);
  // The library writes its own Adobe marker first; the kept ones follow in their order.
  ASSERT_EQ(readBack.JpegMarkers.Count(), 5);
  EXPECT_EQ(readBack.JpegMarkers[0].code, 0xEE);
  EXPECT_NE(readBack.JpegMarkers[0].data, list[3].data);
  constexpr int kKeptIndices[] = {0, 5, 6, 7};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(readBack.JpegMarkers[i + 1].data, list[kKeptIndices[i]].data);
  }
  EXPECT_EQ(oracle::Decode(bytes).fileSpace, JCS_RGB) << "no copied JFIF turns the file into YCbCr";
}

TEST(JpegWrite, IccProfilesOnlyWhereTheyNameTheWrittenSpace) {
  struct Case {
    const char* profileSpace;
    TJpegWrittenSpace written;
    bool kept;
  };
  for (const Case& c :
       {Case{"RGB ", TJpegWrittenSpace::Rgb, true}, Case{"RGB ", TJpegWrittenSpace::Gray, false},
        Case{"GRAY", TJpegWrittenSpace::Gray, true}, Case{"CMYK", TJpegWrittenSpace::Rgb, false},
        Case{"CMYK", TJpegWrittenSpace::Cmyk, true}, Case{"????", TJpegWrittenSpace::Rgb, true}}) {
    SCOPED_TRACE(c.profileSpace);
    TImgMarkerList markers;
    const auto first = IccChunk(1, 2, c.profileSpace);
    const auto second = IccChunk(2, 2, c.profileSpace);
    const auto comment = MakeMarker(0xFE, "c");
    for (const auto& m : {comment, first, second})
      markers.AddMarker(m.code, m.data.data(), m.data.size());
    const std::vector<int> expected = c.kept ? std::vector<int>{0, 1, 2} : std::vector<int>{0};
    EXPECT_EQ(JpegMarkersToWrite(markers, c.written), expected);
  }
  // A profile chunk too short to hold a header is kept.
  TImgMarkerList shortProfile;
  const auto stub = MakeMarker(0xE2, std::string("ICC_PROFILE\0\1\1abc", 17));
  shortProfile.AddMarker(stub.code, stub.data.data(), stub.data.size());
  EXPECT_EQ(JpegMarkersToWrite(shortProfile, TJpegWrittenSpace::Gray), std::vector<int>{0});
}

TEST(JpegWrite, FailuresSetTheAbortFlag) {
  TIOParamsVals params;
  TImgBitmap empty;
  bool aborting = false;
  EXPECT_TRUE(WriteJpegBytes(empty, params, &aborting).empty());
  EXPECT_TRUE(aborting) << "empty image";

  PatternImage image;
  ShortWriteStream shortStream;
  bool shortAborting = false;
  TProgressRecord progress;
  progress.aborting = &shortAborting;
  WriteJpegImage(shortStream, image.bitmap, params, progress);
  EXPECT_TRUE(shortAborting) << "short write";

  // A marker longer than a segment can hold is a fatal library error.
  std::vector<std::uint8_t> huge(70000, 'x');
  params.JpegMarkers.AddMarker(0xE5, huge.data(), huge.size());
  bool fatalAborting = false;
  try {
    WriteJpegBytes(image.bitmap, params, &fatalAborting);
    ADD_FAILURE() << "expected EImgJpegException";
  } catch (const EImgJpegException& e) {
    EXPECT_STREQ(e.what(), "Bogus marker length");
  }
}

TEST(JpegWrite, OneBitImagesAreWrittenFromAColourCopy) {
  TImgBitmap bitmap;
  bitmap.Allocate(16, 8, pfBit1);
  for (int y = 0; y < 8; ++y) {
    bitmap.RowPtr(y)[0] = 0xFF;  // left half white
    bitmap.RowPtr(y)[1] = 0x00;
  }
  TIOParamsVals params;
  params.JpegQuality = 100;
  bool aborting = false;
  const auto bytes = WriteJpegBytes(bitmap, params, &aborting);
  EXPECT_FALSE(aborting);
  EXPECT_EQ(bitmap.PixelFormat(), pfBit1);
  const oracle::Image decoded = oracle::Decode(bytes);
  ASSERT_TRUE(decoded.ok);
  EXPECT_GT(decoded.pixels[0], 240);
  EXPECT_LT(decoded.pixels[15 * 3], 15);
}

TEST(JpegWrite, CameraFileWithJfifAfterExifWritesBackAsCorrectRgb) {
  const auto rgb = oracle::Pattern(kWidth, kHeight);
  const std::vector<std::uint8_t> exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0};
  const std::vector<std::uint8_t> jfif = {'J', 'F', 'I', 'F', 0, 1, 1, 1, 0, 72, 0, 72, 0, 0};
  const auto camera =
      oracle::Encode(kWidth, kHeight, rgb, oracle::Options([&](oracle::EncodeOptions& o) {
                       o.setup = [](j_compress_ptr cinfo) { cinfo->write_JFIF_header = FALSE; };
                       o.markers = [&](j_compress_ptr cinfo) {
                         jpeg_write_marker(cinfo, JPEG_APP0 + 1, exif.data(), 10);
                         jpeg_write_marker(cinfo, JPEG_APP0, jfif.data(), 14);
                       };
                     }));
  TImgBitmap bitmap;
  TIOParamsVals params;
  ASSERT_FALSE(ReadJpegBytes(camera, bitmap, params).aborting);
  ASSERT_EQ(params.JpegMarkers.Count(), 2) << "the JFIF marker is kept: it is not the first";

  params.JpegColorSpace = 0;
  params.JpegQuality = 95;
  const auto written = WriteJpegBytes(bitmap, params);
  EXPECT_TRUE(SegmentsWithCode(written, 0xE0).empty());
  ASSERT_EQ(SegmentsWithCode(written, 0xE1).size(), 1u);
  const oracle::Image decoded = oracle::Decode(written);
  ASSERT_TRUE(decoded.ok);
  EXPECT_EQ(decoded.fileSpace, JCS_RGB);
  EXPECT_LE(MaxDifference(decoded.pixels, rgb), 24) << "every decoder sees the right colours";
}
