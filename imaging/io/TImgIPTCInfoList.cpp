#include "imaging/io/TImgIPTCInfoList.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "imaging/io/ByteReader.h"
#include "imaging/io/PhotoshopResources.h"

namespace {

constexpr std::uint8_t kTagMarker = 0x1C;
constexpr std::size_t kShortHeader = 5;  // marker, record, dataset, 2 length bytes
constexpr std::size_t kLongHeader = 9;   // ... 0x80 0x04 and 4 length bytes
constexpr std::uint16_t kExtendedLengthFlag = 0x8000;
constexpr std::size_t kFirstExtendedLength = 0x8000;
// The extended length is read back as a signed 4-byte number.
constexpr std::size_t kLongestRecord = 0x7FFFFFFF;

// "Photoshop 3.0\0", "8BIM", resource 0x0404, an empty name, the 4-byte resource size.
constexpr std::array<std::uint8_t, 26> kPhotoshopHeader = {
    'P', 'h', 'o', 't', 'o', 's',  'h',  'o', 'p', ' ', '3', '.', '0',
    0,   '8', 'B', 'I', 'M', 0x04, 0x04, 0,   0,   0,   0,   0,   0};
constexpr std::size_t kResourceSizeOffset = 22;
// Record 2, dataset 0 (the record version), length 2, version 2.
constexpr std::array<std::uint8_t, 7> kTiffPrefix = {kTagMarker, 2, 0, 0, 2, 0, 2};

void PutBigEndian(std::vector<std::uint8_t>& block, std::uint64_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
    block.push_back(static_cast<std::uint8_t>(value >> shift));
}

}  // namespace

void TImgIPTCInfoList::ParseIptc(std::span<const std::uint8_t> block) {
  ClearRecords();
  // Scanning a Photoshop block for the first marker byte would also find one in a resource
  // size (28) or in another resource's data, and take what follows for records.
  const std::span<const std::uint8_t> bytes =
      FindPhotoshopResource(block, kIptcResourceId).value_or(block);
  TByteReader reader(bytes, TByteReader::Endian::Big);
  reader.Seek(static_cast<std::uint64_t>(std::find(bytes.begin(), bytes.end(), kTagMarker) -
                                         bytes.begin()));
  while (reader.Remaining() > kShortHeader && bytes[reader.Offset()] == kTagMarker) {
    reader.Skip(1);
    const std::uint8_t recordNumber = reader.U8();
    const std::uint8_t dataSet = reader.U8();
    std::uint64_t length = reader.U16();
    if ((length & kExtendedLengthFlag) != 0)
      length = static_cast<std::uint64_t>(std::llabs(static_cast<long long>(reader.I32())));
    if (reader.Overran() || !reader.Contains(reader.Offset(), length))
      break;
    const std::span<const std::uint8_t> data = reader.View(static_cast<std::size_t>(length));
    AddRecord(recordNumber, dataSet, std::vector<std::uint8_t>(data.begin(), data.end()));
  }
  userChanged_ = false;
}

std::vector<std::uint8_t> TImgIPTCInfoList::SerializeIptc(bool photoshopForm,
                                                          std::size_t maxBytes) const {
  if (records_.empty())
    return {};
  std::vector<std::uint8_t> block;
  if (photoshopForm)
    block.assign(kPhotoshopHeader.begin(), kPhotoshopHeader.end());
  else
    block.assign(kTiffPrefix.begin(), kTiffPrefix.end());
  const std::size_t headerBytes = block.size();
  for (const Record& record : records_) {
    const bool recordVersion = record.recordNumber == 2 && record.dataSet == 0;
    const std::size_t length = record.data.size();
    if (recordVersion || length == 0 || length > kLongestRecord)
      continue;
    const bool extended = length >= kFirstExtendedLength;
    const std::size_t grown = block.size() + (extended ? kLongHeader : kShortHeader) + length;
    if (grown + grown % 2 > maxBytes)  // with the pad byte an odd length needs
      continue;
    block.push_back(kTagMarker);
    block.push_back(record.recordNumber);
    block.push_back(record.dataSet);
    if (extended) {
      PutBigEndian(block, 0x8004, 2);
      PutBigEndian(block, length, 4);
    } else {
      PutBigEndian(block, length, 2);
    }
    block.insert(block.end(), record.data.begin(), record.data.end());
  }
  const std::size_t resourceSize = block.size() - headerBytes;
  if (block.size() % 2 != 0)
    block.push_back(0);
  if (photoshopForm) {
    for (int i = 0; i < 4; ++i) {
      block[kResourceSizeOffset + static_cast<std::size_t>(i)] =
          static_cast<std::uint8_t>(resourceSize >> (8 * (3 - i)));
    }
  }
  return block;
}
