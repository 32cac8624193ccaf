#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/io/registry/FileFormatRegistry.h"
#include "imaging/io/registry/FindStreamFormat.h"
#include "platform/MemoryStream.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text, std::size_t size = 0) {
  Bytes bytes(text.begin(), text.end());
  if (bytes.size() < size)
    bytes.resize(size, 0);
  return bytes;
}

Bytes With(Bytes bytes, std::size_t at, const Bytes& part, std::size_t size = 0) {
  if (bytes.size() < at + part.size())
    bytes.resize(at + part.size(), 0);
  std::copy(part.begin(), part.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  if (bytes.size() < size)
    bytes.resize(size, 0);
  return bytes;
}

Bytes IconDirectory(std::uint8_t type) {
  // Directory of one entry: 16 x 16, 32 bits, 1128 bytes at offset 22.
  return {0, 0, type, 0, 1, 0, 16, 16, 0, 0, 1, 0, 32, 0, 0x68, 0x04, 0, 0, 22, 0, 0, 0, 0, 0};
}

Bytes TgaHeader(std::uint8_t colorMapType, std::uint8_t imageType, std::uint8_t depth) {
  Bytes header(18 + 16, 0);
  header[1] = colorMapType;
  header[2] = imageType;
  if (colorMapType == 1) {
    header[5] = 16;  // colour-map length
    header[7] = 24;  // entry bits
  }
  header[12] = 4;  // width
  header[14] = 4;  // height
  header[16] = depth;
  return header;
}

struct ProbeCase {
  const char* name;
  Bytes bytes;
  int id;
};

}  // namespace

TEST(FindStreamFormatTest, EachProbeAnswersItsIdAndLeavesThePosition) {
  const Bytes jpegStart = {0xFF, 0xD8, 0xFF, 0xE0};
  const std::vector<ProbeCase> cases = {
      {"block header JFIF", Text("JFIF", 13), 3},
      {"block header JFIF too short", Text("JFIF", 12), 0},
      {"JFIF without its terminating zero", Text("JFIFX", 13), 0},
      {"GIF", Text("GIF89a", 14), 2},
      {"GIF of 13 bytes", Text("GIF89a", 13), 0},
      {"block header PCX2", Text("PCX2", 13), 4},
      {"block header PCX", Text("PCX", 5), 4},
      {"BM", Text("BM", 15), 5},
      {"BM of 14 bytes", Text("BM", 14), 0},
      {"10-byte BM goes on to the later probes", With(Text("BM"), 2, jpegStart, 10), 3},
      {"PCX manufacturer byte", With({10, 5}, 2, {}, 129), 4},
      {"PCX version beyond 5", With({10, 6}, 2, {}, 129), 0},
      {"PCX of 128 bytes", With({10, 5}, 2, {}, 128), 0},
      {"block header TIFF", Text("TIFF", 13), 1},
      {"II", Text("II*", 9), 1},
      {"MM", Text("MM", 9), 1},
      {"II of 8 bytes", Text("II", 8), 0},
      {"PNG", With({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, 8, {}, 9), 8},
      {"icon", IconDirectory(1), 6},
      {"cursor", IconDirectory(2), 7},
      {"icon image inside its directory", With(IconDirectory(1), 18, {6}), 0},
      {"TGA true colour", TgaHeader(0, 2, 24), 11},
      {"TGA colour-mapped", TgaHeader(1, 1, 8), 11},
      {"TGA image type 4", TgaHeader(0, 4, 24), 0},
      {"TGA depth 12", TgaHeader(0, 2, 12), 0},
      {"PNM", Text("P6\n4 4\n255\n", 20), 12},
      {"PNM P8", Text("P8\n4 4\n255\n", 20), 0},
      {"JPEG start after a few bytes", With({1, 2, 3, 4, 5}, 5, jpegStart, 40), 3},
      {"JPEG 2000 file",
       With({0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A}, 12, {}, 40), 13},
      {"JPEG 2000 code stream", With({0xFF, 0x4F, 0xFF, 0x51}, 4, {}, 40), 14},
      {"AVI", With(Text("RIFF"), 8, Text("AVI LIST"), 40), 15},
      {"RIFF WAVE", With(Text("RIFF"), 8, Text("WAVEfmt "), 40), 0},
      {"nothing known", Bytes(200, 'x'), 0},
      {"empty", {}, 0},
  };
  const Bytes lead = {'l', 'e', 'a', 'd'};
  for (const ProbeCase& probe : cases) {
    SCOPED_TRACE(probe.name);
    // Behind other bytes: the probes work from the stream's position, not its start.
    Bytes bytes = lead;
    bytes.insert(bytes.end(), probe.bytes.begin(), probe.bytes.end());
    TMemoryStream stream(bytes);
    stream.SetPosition(static_cast<std::int64_t>(lead.size()));
    EXPECT_EQ(FindStreamFormat(stream), probe.id);
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(lead.size()));
  }
}

TEST(FindStreamFormatTest, RegistryTestsComeFirstAndAFailingOneEndsTheSearch) {
  FileFormatEntry claimsBitmaps;
  claimsBitmaps.FormatId = 120;
  claimsBitmaps.Extensions = "CLB";
  claimsBitmaps.Test = [](TByteStream& stream) {
    char magic[7] = {};
    stream.ReadExact(magic, 7);
    if (std::string(magic, 7) == "QMBOOM!")
      throw std::runtime_error("test failed on this stream");
    return std::string(magic, 7) == "BMQUILL";
  };
  AddFileFormat(claimsBitmaps);

  TMemoryStream bitmap(Text("BMQUILL", 20));
  EXPECT_EQ(FindStreamFormat(bitmap), 120) << "before the built-in BM probe";
  EXPECT_EQ(bitmap.Position(), 0);
  TMemoryStream failing(Text("QMBOOM!", 20));
  EXPECT_EQ(FindStreamFormat(failing), 0);
  EXPECT_EQ(failing.Position(), 0);
}
