#include "imaging/io/tiff/TiffDirectory.h"

#include <algorithm>

namespace {

constexpr std::uint16_t kTypeByte = 1;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeRational = 5;
constexpr std::uint16_t kTypeSByte = 6;
constexpr std::uint16_t kTypeUndefined = 7;
constexpr std::uint16_t kTypeSShort = 8;
constexpr std::uint16_t kTypeSLong = 9;
constexpr std::uint16_t kTypeSRational = 10;
constexpr std::uint32_t kMaxTextLength = 0xFFFFF;
constexpr std::size_t kEntrySize = 12;

}  // namespace

TTiffDirectory::TTiffDirectory(std::span<const std::uint8_t> data, Endian endian,
                               std::vector<TTiffEntry> entries)
    : data_(data), endian_(endian), entries_(std::move(entries)) {}

TTiffDirectory TTiffDirectory::Load(std::span<const std::uint8_t> data, Endian endian,
                                    std::uint32_t offset) {
  TByteReader reader(data, endian);
  reader.Seek(offset);
  const std::uint16_t count = reader.U16();
  std::vector<TTiffEntry> entries;
  if (reader.Overran())
    return TTiffDirectory(data, endian, std::move(entries));
  entries.reserve(std::min<std::size_t>(count, reader.Remaining() / kEntrySize));
  for (std::uint16_t i = 0; i < count && reader.Remaining() >= kEntrySize; ++i) {
    TTiffEntry entry;
    entry.tag = reader.U16();
    entry.type = reader.U16();
    entry.count = reader.U32();
    entry.valueFieldOffset = reader.Offset();
    entry.valueField = reader.U32();
    entries.push_back(entry);
  }
  return TTiffDirectory(data, endian, std::move(entries));
}

std::uint32_t TTiffDirectory::TypeSize(std::uint16_t type) {
  switch (type) {
    case kTypeByte:
    case 2:  // ASCII
    case kTypeSByte:
    case kTypeUndefined:
      return 1;
    case kTypeShort:
    case kTypeSShort:
      return 2;
    case kTypeLong:
    case kTypeSLong:
    case 11:  // FLOAT
    case 13:  // IFD
      return 4;
    case kTypeRational:
    case kTypeSRational:
    case 12:  // DOUBLE
      return 8;
    default:
      return 0;
  }
}

const TTiffEntry* TTiffDirectory::Find(std::uint16_t tag) const {
  for (const TTiffEntry& entry : entries_) {
    if (entry.tag == tag)
      return &entry;
  }
  return nullptr;
}

std::uint32_t TTiffDirectory::Count(std::uint16_t tag) const {
  const TTiffEntry* entry = Find(tag);
  return entry != nullptr ? entry->count : 0;
}

bool TTiffDirectory::ValueBytes(const TTiffEntry& entry, std::size_t& offset,
                                std::size_t& length) const {
  // A type of unknown size has no value bytes; its count must not size an array of zeros (four
  // billion of them from one damaged entry).
  if (TypeSize(entry.type) == 0)
    return false;
  const std::uint64_t bytes = std::uint64_t{entry.count} * TypeSize(entry.type);
  offset = bytes <= 4 ? entry.valueFieldOffset : entry.valueField;
  if (bytes > data_.size() || offset > data_.size() - bytes)
    return false;
  length = static_cast<std::size_t>(bytes);
  return true;
}

std::uint32_t TTiffDirectory::ReadElement(const TTiffEntry& entry, std::size_t offset,
                                          std::uint32_t index) const {
  TByteReader reader(data_, endian_);
  switch (entry.type) {
    case kTypeByte:
    case kTypeSByte:
    case kTypeUndefined:
      reader.Seek(offset + index);
      return reader.U8();
    case kTypeShort:
    case kTypeSShort:
      reader.Seek(offset + std::size_t{index} * 2);
      return reader.U16();
    case kTypeLong:
    case kTypeSLong:
      reader.Seek(offset + std::size_t{index} * 4);
      return reader.U32();
    default:
      return 0;
  }
}

std::uint32_t TTiffDirectory::Integer(std::uint16_t tag, std::uint32_t missing) const {
  const TTiffEntry* entry = Find(tag);
  if (entry == nullptr)
    return missing;
  switch (entry->type) {
    case kTypeByte:
    case kTypeSByte:
    case kTypeUndefined:
    case kTypeShort:
    case kTypeSShort:
      return ReadElement(*entry, entry->valueFieldOffset, 0);
    default:
      return entry->valueField;
  }
}

std::uint32_t TTiffDirectory::Element(std::uint16_t tag, std::uint32_t index) const {
  const TTiffEntry* entry = Find(tag);
  std::size_t offset = 0;
  std::size_t length = 0;
  if (entry == nullptr || index >= entry->count || !ValueBytes(*entry, offset, length))
    return 0;
  return ReadElement(*entry, offset, index);
}

std::vector<std::uint32_t> TTiffDirectory::Integers(std::uint16_t tag) const {
  const TTiffEntry* entry = Find(tag);
  std::size_t offset = 0;
  std::size_t length = 0;
  std::vector<std::uint32_t> values;
  if (entry == nullptr || !ValueBytes(*entry, offset, length))
    return values;
  values.resize(entry->count);
  for (std::uint32_t i = 0; i < entry->count; ++i)
    values[i] = ReadElement(*entry, offset, i);
  return values;
}

double TTiffDirectory::Rational(std::uint16_t tag, std::uint32_t index) const {
  const TTiffEntry* entry = Find(tag);
  std::size_t offset = 0;
  std::size_t length = 0;
  if (entry == nullptr || index >= entry->count || !ValueBytes(*entry, offset, length))
    return 0.0;
  TByteReader reader(data_, endian_);
  reader.Seek(offset + std::size_t{index} * 8);
  if (entry->type == kTypeRational) {
    const double numerator = reader.U32();
    const std::uint32_t denominator = reader.U32();
    return numerator / (denominator == 0 ? 1.0 : static_cast<double>(denominator));
  }
  if (entry->type == kTypeSRational) {
    const double numerator = reader.I32();
    const std::int32_t denominator = reader.I32();
    return numerator / (denominator == 0 ? 1.0 : static_cast<double>(denominator));
  }
  return 0.0;
}

std::string TTiffDirectory::Text(std::uint16_t tag) const {
  const TTiffEntry* entry = Find(tag);
  if (entry == nullptr || entry->count > kMaxTextLength)
    return {};
  const std::span<const std::uint8_t> bytes = Raw(tag);
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return std::string(bytes.begin(), end);
}

std::string TTiffDirectory::VersionText(std::uint16_t tag) const {
  const TTiffEntry* entry = Find(tag);
  if (entry == nullptr || entry->count > 4)
    return {};
  return std::string(reinterpret_cast<const char*>(&data_[entry->valueFieldOffset]), entry->count);
}

std::span<const std::uint8_t> TTiffDirectory::Raw(std::uint16_t tag) const {
  const TTiffEntry* entry = Find(tag);
  return entry != nullptr ? Raw(*entry) : std::span<const std::uint8_t>{};
}

std::span<const std::uint8_t> TTiffDirectory::Raw(const TTiffEntry& entry) const {
  std::size_t offset = 0;
  std::size_t length = 0;
  if (!ValueBytes(entry, offset, length))
    return {};
  return data_.subspan(offset, length);
}
