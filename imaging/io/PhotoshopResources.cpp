#include "imaging/io/PhotoshopResources.h"

#include <algorithm>
#include <cstring>

#include "imaging/io/ByteReader.h"

namespace {

constexpr char kSignature[] = "Photoshop 3.0";  // with its terminating zero
constexpr char kResourceType[4] = {'8', 'B', 'I', 'M'};

}  // namespace

std::optional<std::span<const std::uint8_t>> FindPhotoshopResource(
    std::span<const std::uint8_t> block, std::uint16_t id) {
  if (block.size() < sizeof kSignature ||
      std::memcmp(block.data(), kSignature, sizeof kSignature) != 0) {
    return std::nullopt;
  }
  TByteReader reader(block, TByteReader::Endian::Big);
  reader.Seek(sizeof kSignature);
  while (reader.Remaining() > 0) {
    char type[4];
    reader.Bytes(type, sizeof type);
    const std::uint16_t resourceId = reader.U16();
    // The name is a counted text padded so that count and text take an even number of bytes.
    const std::uint8_t nameLength = reader.U8();
    reader.Skip(nameLength + (nameLength % 2 == 0 ? 1 : 0));
    const std::uint32_t size = reader.U32();
    if (reader.Overran() || std::memcmp(type, kResourceType, sizeof type) != 0)
      break;
    const std::size_t available = std::min<std::size_t>(size, reader.Remaining());
    if (resourceId == id)
      return block.subspan(reader.Offset(), available);
    reader.Skip(std::uint64_t{size} + size % 2);
  }
  return std::span<const std::uint8_t>();
}
