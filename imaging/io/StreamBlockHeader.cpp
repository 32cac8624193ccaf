#include "imaging/io/StreamBlockHeader.h"

#include <array>
#include <cstring>

#include "imaging/io/ByteReader.h"
#include "platform/ByteStream.h"

namespace {

constexpr std::size_t kHeaderSize = 12;
constexpr std::size_t kTagSize = 5;
constexpr std::size_t kLengthOffset = 8;

}  // namespace

bool ReadStreamBlockHeader(TByteStream& stream, std::string_view tag, TStreamBlockHeader& header) {
  std::array<std::uint8_t, kHeaderSize> bytes{};
  if (tag.size() + 1 != kTagSize || !stream.ReadExact(bytes.data(), kHeaderSize))
    return false;
  if (std::memcmp(bytes.data(), tag.data(), tag.size()) != 0 || bytes[tag.size()] != 0)
    return false;
  TByteReader reader(bytes);
  reader.Seek(kLengthOffset);
  header.dataLength = reader.U32();
  return true;
}
