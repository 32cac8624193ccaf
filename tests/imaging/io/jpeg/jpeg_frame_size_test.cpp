#include "imaging/io/jpeg/JpegFrameSize.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/MemoryStream.h"
#include "tests/imaging/io/jpeg/JpegOracle.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Encode(int width, int height, bool progressive) {
  return oracle::Encode(
      width, height, oracle::Pattern(width, height),
      oracle::Options([=](oracle::EncodeOptions& o) { o.progressive = progressive; }));
}

// The datastream up to and including its first scan header, without any scan data.
Bytes HeaderOnly(const Bytes& bytes) {
  std::size_t end = 2;
  for (const oracle::Segment& segment : oracle::SegmentsBeforeScan(bytes))
    end += 4 + segment.data.size();
  return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(end));
}

Bytes WithJunk(std::size_t junk, const Bytes& bytes) {
  Bytes result(junk, 0x20);
  result.insert(result.end(), bytes.begin(), bytes.end());
  return result;
}

struct FrameCase {
  const char* what;
  Bytes bytes;
  std::optional<std::pair<int, int>> size;
};

TEST(JpegFrameSize, ReadsTheFullSizeFromTheHeaderAlone) {
  const Bytes baseline = Encode(227, 149, false);
  const Bytes progressive = Encode(33, 210, true);
  const FrameCase cases[] = {
      {"baseline", baseline, std::pair{227, 149}},
      {"progressive", progressive, std::pair{33, 210}},
      {"no scan data at all", HeaderOnly(progressive), std::pair{33, 210}},
      {"junk within the searched start", WithJunk(99, baseline), std::pair{227, 149}},
      {"junk beyond the searched start", WithJunk(100, baseline), std::nullopt},
      {"cut inside the frame header", Bytes(baseline.begin(), baseline.begin() + 30), std::nullopt},
      {"only the start marker", Bytes{0xFF, 0xD8, 0xFF}, std::nullopt},
      {"not a JPEG", Bytes{'B', 'M', 0, 0, 0, 0}, std::nullopt},
      {"empty", Bytes{}, std::nullopt},
  };
  for (const FrameCase& c : cases) {
    SCOPED_TRACE(c.what);
    TMemoryStream stream(c.bytes);
    stream.SetPosition(0);
    const std::optional<TJpegFrameSize> frame = ReadJpegFrameSize(stream);
    ASSERT_EQ(frame.has_value(), c.size.has_value());
    if (frame) {
      EXPECT_EQ(frame->width, c.size->first);
      EXPECT_EQ(frame->height, c.size->second);
    }
  }
}

}  // namespace
