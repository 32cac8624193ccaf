#include "imaging/io/tiff/TiffDirectoryChain.h"

#include <unordered_set>

namespace {

constexpr std::uint16_t kLittleEndianMark = 0x4949;  // "II"
constexpr std::uint16_t kBigEndianMark = 0x4D4D;     // "MM"
constexpr std::uint64_t kEntrySize = 12;

}  // namespace

bool ReadTiffHeader(std::span<const std::uint8_t> data, TTiffHeader& header) {
  TByteReader reader(data);
  const std::uint16_t mark = reader.U16();
  if (mark == kLittleEndianMark) {
    header.endian = TByteReader::Endian::Little;
  } else if (mark == kBigEndianMark) {
    header.endian = TByteReader::Endian::Big;
  } else {
    return false;
  }
  reader.SetEndian(header.endian);
  header.version = reader.U16();
  header.firstOffset = reader.U32();
  return !reader.Overran();
}

TTiffChain WalkTiffDirectories(std::span<const std::uint8_t> data, TByteReader::Endian endian,
                               std::uint32_t firstOffset, int target) {
  TTiffChain chain;
  std::unordered_set<std::uint32_t> visited;
  TByteReader reader(data, endian);
  std::uint32_t offset = firstOffset;
  while (offset != 0 && visited.insert(offset).second) {
    reader.Seek(offset);
    const std::uint16_t entryCount = reader.U16();
    if (reader.Overran())
      break;
    if (chain.pageCount == target) {
      chain.page = TTiffDirectory::Load(data, endian, offset);
      chain.found = true;
    }
    reader.Skip(entryCount * kEntrySize);
    std::uint32_t next = reader.U32();
    ++chain.pageCount;
    if (reader.Overran())
      break;
    if (next == offset || next >= data.size())
      next = 0;
    offset = next;
  }
  return chain;
}
