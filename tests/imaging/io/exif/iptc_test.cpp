#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/io/TImgIPTCInfoList.h"
#include "imaging/io/TImgMarkerList.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text) {
  return {text.begin(), text.end()};
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes Record(std::uint8_t record, std::uint8_t dataSet, const Bytes& data) {
  return Bytes{0x1C, record, dataSet, static_cast<std::uint8_t>(data.size() >> 8),
               static_cast<std::uint8_t>(data.size())} +
         data;
}

std::uint32_t BigEndian32(const Bytes& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 |
         bytes[at + 3];
}

struct ParseCase {
  const char* name;
  Bytes data;
  std::vector<std::pair<int, Bytes>> expected;  // dataset number (record 2), data
};

TEST(ParseIptc, FindsRecordsAndStopsWhereTheyRunOut) {
  const Bytes photoshopHeader =
      Text("Photoshop 3.0") + Bytes{0} + Text("8BIM") + Bytes{0x04, 0x04, 0, 0, 0, 0, 0, 20};
  // A resource that is not the IPTC one, holding a marker byte in its data.
  const Bytes otherResource = Text("8BIM") + Bytes{0x04, 0x25, 0, 0, 0, 0, 0, 3, 0x1C, 2, 5, 0};
  const Bytes records28 = Record(2, 5, Text("Title")) + Record(2, 25, Text("Keywords here"));
  const std::vector<ParseCase> cases = {
      {"photoshop headers are skipped",
       photoshopHeader + Record(2, 5, Text("Title")) + Record(2, 25, Text("kw")),
       {{5, Text("Title")}, {25, Text("kw")}}},
      {"a resource size of 28 is no marker",
       Text("Photoshop 3.0") + Bytes{0} + Text("8BIM") + Bytes{0x04, 0x04, 0, 0, 0, 0, 0, 28} +
           records28,
       {{5, Text("Title")}, {25, Text("Keywords here")}}},
      {"other resources come first",
       Text("Photoshop 3.0") + Bytes{0} + otherResource + Text("8BIM") +
           Bytes{0x04, 0x04, 1, 'n', 0, 0, 0, 9} + Record(2, 25, Text("kw")) + Bytes{0},
       {{25, Text("kw")}}},
      {"a photoshop block without records", Text("Photoshop 3.0") + Bytes{0} + otherResource, {}},
      {"a record overrunning the data ends the parse",
       Record(2, 5, Text("kept")) + Bytes{0x1C, 2, 120, 0, 50} + Text("short"),
       {{5, Text("kept")}}},
      {"a header cut short ends the parse",
       Record(2, 5, Text("a")) + Bytes{0x1C, 2, 25, 0},
       {{5, Text("a")}}},
      {"an extended length cut short ends the parse",
       Record(2, 5, Text("a")) + Bytes{0x1C, 2, 25, 0x80, 0x04, 0, 0},
       {{5, Text("a")}}},
      {"a negative extended length counts by its magnitude",
       Bytes{0x1C, 2, 25, 0x80, 0x04, 0xFF, 0xFF, 0xFF, 0xFE} + Text("ab"),
       {{25, Text("ab")}}},
      {"the largest negative length overruns",
       Record(2, 5, Text("a")) + Bytes{0x1C, 2, 25, 0x80, 0x04, 0x80, 0, 0, 0} + Text("xyz"),
       {{5, Text("a")}}},
      {"a byte other than the marker ends the list",
       Record(2, 5, Text("a")) + Bytes{0x00} + Record(2, 25, Text("b")),
       {{5, Text("a")}}},
      {"no marker at all", Text("nothing here"), {}},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.name);
    TImgIPTCInfoList list;
    list.AddRecord(2, 90, Text("replaced"));
    list.ParseIptc(c.data);
    EXPECT_FALSE(list.UserChanged());
    ASSERT_EQ(list.Count(), static_cast<int>(c.expected.size()));
    for (int i = 0; i < list.Count(); ++i) {
      EXPECT_EQ(list[i].recordNumber, 2);
      EXPECT_EQ(list[i].dataSet, c.expected[static_cast<std::size_t>(i)].first);
      EXPECT_EQ(list[i].data, c.expected[static_cast<std::size_t>(i)].second);
    }
  }
}

TEST(SerializeIptc, PhotoshopFormCountsRecordsAndPadsToEvenLength) {
  TImgIPTCInfoList list;
  list.AddRecord(2, 0, Bytes{0, 4});  // a record version: the reader supplies its own
  list.AddRecord(2, 5, Text("Title"));
  list.AddRecord(2, 10, Bytes{});  // empty records are left out
  list.AddRecord(2, 25, Text("kw"));
  const Bytes block = list.SerializeIptc(true);
  const Bytes records = Record(2, 5, Text("Title")) + Record(2, 25, Text("kw"));
  const Bytes header =
      Text("Photoshop 3.0") + Bytes{0} + Text("8BIM") + Bytes{0x04, 0x04, 0, 0, 0, 0, 0, 17};
  EXPECT_EQ(block, header + records + Bytes{0});

  const Bytes tiffForm = list.SerializeIptc(false);
  EXPECT_EQ(tiffForm, (Bytes{0x1C, 2, 0, 0, 2, 0, 2} + records));
  EXPECT_TRUE(TImgIPTCInfoList().SerializeIptc(true).empty());
}

TEST(SerializeIptc, LongRecordUsesTheExtendedLengthAndParsesBack) {
  TImgIPTCInfoList list;
  Bytes caption(40000);
  for (std::size_t i = 0; i < caption.size(); ++i)
    caption[i] = static_cast<std::uint8_t>('a' + i % 26);
  list.AddRecord(2, 120, caption);
  const Bytes block = list.SerializeIptc(true);
  const Bytes recordHeader(block.begin() + 26, block.begin() + 35);
  EXPECT_EQ(recordHeader, (Bytes{0x1C, 2, 120, 0x80, 0x04, 0, 0, 0x9C, 0x40}));
  EXPECT_EQ(BigEndian32(block, 22), 9u + 40000u);

  TImgIPTCInfoList parsed;
  parsed.ParseIptc(block);
  ASSERT_EQ(parsed.Count(), 1);
  EXPECT_EQ(parsed[0].dataSet, 120);
  EXPECT_EQ(parsed[0].data, caption);
}

TEST(SerializeIptc, RecordsThatWouldOverflowOneMarkerAreLeftOut) {
  TImgIPTCInfoList list;
  list.AddRecord(2, 120, Bytes(40000, 'a'));
  list.AddRecord(2, 116, Bytes(40000, 'b'));
  list.AddRecord(2, 25, Text("kw"));
  const Bytes block = list.SerializeIptc(true, kMaxMarkerPayload);
  ASSERT_LE(block.size(), kMaxMarkerPayload);
  TImgIPTCInfoList parsed;
  parsed.ParseIptc(block);
  ASSERT_EQ(parsed.Count(), 2);
  EXPECT_EQ(parsed[0].dataSet, 120);
  EXPECT_EQ(parsed[1].dataSet, 25);
}

}  // namespace
