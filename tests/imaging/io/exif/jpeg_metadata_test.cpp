#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/JpegMetadata.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/TImgMarkerList.h"
#include "platform/MemoryStream.h"
#include "tests/imaging/io/exif/ExifTestBlock.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp13 = 0xED;

Bytes Text(const std::string& text) {
  return {text.begin(), text.end()};
}

bool StartsWith(const Bytes& data, const std::string& prefix) {
  return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

const std::string kXmpTag = std::string("http://ns.adobe.com/xap/1.0/") + '\0';

// Saves io's image and loads the result into a fresh I/O object, whose Params hold the
// output's markers and metadata.
class SaveAndReload {
 public:
  explicit SaveAndReload(TImagerIO& io) {
    TMemoryStream output;
    io.SaveJpegStream(output);
    saveAborted = io.Aborting();
    bytes = output.Bytes();
    TMemoryStream input(bytes);
    reloaded.LoadJpegStream(input);
  }
  const TImgMarkerList& Markers() const { return reloaded.Params().JpegMarkers; }
  std::vector<std::uint8_t> Codes() const {
    std::vector<std::uint8_t> codes;
    for (int i = 0; i < Markers().Count(); ++i)
      codes.push_back(Markers()[i].code);
    return codes;
  }
  bool saveAborted = false;
  Bytes bytes;
  TImagerIO reloaded;
};

class JpegMetadataTest : public ::testing::Test {
 protected:
  JpegMetadataTest() { io.Bitmap()->Allocate(16, 12, pfBGR24); }
  TImagerIO io;
};

TEST_F(JpegMetadataTest, ExifBlockGoesBeforeXmpWhichIsKeptAsItCame) {
  const Bytes xmp = Text(kXmpTag + "<x:xmpmeta/>");
  io.Params().JpegMarkers.AddMarker(kApp1, xmp.data(), xmp.size());
  io.Params().ExifPresent = true;
  io.Params().ExifMake = "Maker";
  const SaveAndReload first(io);
  ASSERT_FALSE(first.saveAborted);
  ASSERT_EQ(first.Codes(), (std::vector<std::uint8_t>{kApp1, kApp1}));
  EXPECT_EQ(ExifTestBlock::Text(ExifTestBlock(first.Markers()[0].data).first.at(271)), "Maker");
  EXPECT_EQ(first.Markers()[1].data, xmp);

  // With an EXIF block already in place, that one is replaced and XMP is left where it was.
  io.Params().JpegMarkers.Clear();
  io.Params().JpegMarkers.InsertMarker(0, kApp1, Text(std::string("Exif\0\0old", 9)));
  io.Params().JpegMarkers.AddMarker(kApp1, xmp.data(), xmp.size());
  io.Params().ExifMake = "Other";
  const SaveAndReload second(io);
  ASSERT_EQ(second.Codes(), (std::vector<std::uint8_t>{kApp1, kApp1}));
  EXPECT_EQ(ExifTestBlock::Text(ExifTestBlock(second.Markers()[0].data).first.at(271)), "Other");
  EXPECT_EQ(second.Markers()[1].data, xmp);
}

TEST_F(JpegMetadataTest, LongUserCommentStillSavesWithinOneMarker) {
  io.Params().ExifPresent = true;
  io.Params().ExifUserCommentCode = "ASCII";
  io.Params().ExifUserComment = std::string(100000, 'c');
  const SaveAndReload saved(io);
  ASSERT_FALSE(saved.saveAborted);
  ASSERT_EQ(saved.Codes(), std::vector<std::uint8_t>{kApp1});
  EXPECT_LE(saved.Markers()[0].data.size(), kMaxMarkerPayload);
  EXPECT_TRUE(oracle::Decode(saved.bytes).ok);
}

TEST_F(JpegMetadataTest, ChangedIptcListReplacesOrRemovesTheApp13Marker) {
  const Bytes other =
      Text(std::string("Photoshop 3.0\0"
                       "8BIM stale",
                       24));
  io.Params().JpegMarkers.AddMarker(kApp13, other.data(), other.size());
  io.Params().IptcRecords.AddRecord(2, 5, Text("Title"));
  const SaveAndReload added(io);
  ASSERT_EQ(added.Codes(), std::vector<std::uint8_t>{kApp13});
  const Bytes& block = added.Markers()[0].data;
  EXPECT_TRUE(StartsWith(block, std::string("Photoshop 3.0\0008BIM\004\004", 20)));
  const TImgIPTCInfoList& records = added.reloaded.Params().IptcRecords;
  ASSERT_EQ(records.Count(), 1);
  EXPECT_EQ(records[0].data, Text("Title"));
  EXPECT_FALSE(records.UserChanged());

  io.Params().IptcRecords.ClearRecords();
  const SaveAndReload cleared(io);
  EXPECT_TRUE(cleared.Codes().empty());
}

TEST(TiffMetadata, IptcRecordsAndIccProfileBecomeMarkers) {
  TIOParamsVals params;
  params.IptcRecords.AddRecord(2, 120, Text("A caption"));
  params.IptcRecords.SetUserChanged(false);
  Bytes profile(150000);
  for (std::size_t i = 0; i < profile.size(); ++i)
    profile[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  params.IccProfile = profile;
  ImportTiffMetadata(params);

  const TImgMarkerList& markers = params.JpegMarkers;
  ASSERT_EQ(markers.Count(), 4);
  ASSERT_EQ(markers[0].code, kApp13);
  TImgIPTCInfoList parsed;
  parsed.ParseIptc(markers[0].data);
  ASSERT_EQ(parsed.Count(), 1);
  EXPECT_EQ(parsed[0].data, Text("A caption"));
  Bytes joined;
  for (int i = 1; i < markers.Count(); ++i) {
    const Bytes& chunk = markers[i].data;
    EXPECT_EQ(markers[i].code, 0xE2);
    ASSERT_LE(chunk.size(), kMaxMarkerPayload);
    ASSERT_TRUE(StartsWith(chunk, std::string("ICC_PROFILE\0", 12)));
    EXPECT_EQ(chunk[12], i) << "chunks are numbered from 1";
    EXPECT_EQ(chunk[13], 3);
    joined.insert(joined.end(), chunk.begin() + 14, chunk.end());
  }
  EXPECT_EQ(joined, profile);
}

}  // namespace
