#include "imaging/io/jpeg/JpegStart.h"

#include "platform/ByteStream.h"

namespace {

constexpr int kStartSearchPositions = 100;

}  // namespace

std::int64_t FindJpegStart(TByteStream& stream) {
  const std::int64_t start = stream.Position();
  std::uint8_t bytes[kStartSearchPositions + 2] = {};
  const std::int64_t count = stream.Read(bytes, sizeof(bytes));
  stream.SetPosition(start);
  for (std::int64_t i = 0; i + 2 < count; ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xD8 && bytes[i + 2] == 0xFF)
      return start + i;
  }
  return -1;
}
