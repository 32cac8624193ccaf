#pragma once

// A plain little-endian reader of the EXIF blocks the serialiser writes, independent of the
// library's own TIFF reader, for checking their layout entry by entry.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "imaging/io/ByteReader.h"

struct ExifTestEntry {
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint32_t field = 0;          ///< the value field as a little-endian number
  std::vector<std::uint8_t> value;  ///< the value's bytes, from the field or the data area
};

class ExifTestBlock {
 public:
  using Directory = std::map<std::uint16_t, ExifTestEntry>;

  explicit ExifTestBlock(const std::vector<std::uint8_t>& app1)
      : tiff_(app1.size() >= 6 ? app1.begin() + 6 : app1.end(), app1.end()) {
    TByteReader reader(tiff_);
    littleEndian = reader.U16() == 0x4949;
    magic = reader.U16();
    firstOffset = reader.U32();
    first = ReadDirectory(firstOffset, &firstNext, &firstTags);
    if (first.count(34665) != 0) {
      exifOffset = first[34665].field;
      exif = ReadDirectory(exifOffset, &exifNext, &exifTags);
    }
  }

  static std::uint32_t TypeSize(std::uint16_t type) {
    switch (type) {
      case 3:
        return 2;
      case 4:
        return 4;
      case 5:
      case 10:
        return 8;
      default:
        return 1;
    }
  }

  static std::string Text(const ExifTestEntry& entry) {
    std::string text(entry.value.begin(), entry.value.end());
    if (!text.empty() && text.back() == '\0')
      text.pop_back();
    return text;
  }

  /// Numerator and denominator of rational element i, signed.
  static std::pair<std::int64_t, std::int64_t> Rational(const ExifTestEntry& entry,
                                                        std::size_t i = 0) {
    TByteReader reader(entry.value);
    reader.Seek(i * 8);
    const std::uint32_t numerator = reader.U32();
    const std::uint32_t denominator = reader.U32();
    if (entry.type == 10)
      return {static_cast<std::int32_t>(numerator), static_cast<std::int32_t>(denominator)};
    return {numerator, denominator};
  }

  bool littleEndian = false;
  std::uint16_t magic = 0;
  std::uint32_t firstOffset = 0;
  std::uint32_t firstNext = 0xFFFFFFFF;
  std::uint32_t exifOffset = 0;
  std::uint32_t exifNext = 0xFFFFFFFF;
  std::vector<std::uint16_t> firstTags;  ///< in file order
  std::vector<std::uint16_t> exifTags;
  Directory first;
  Directory exif;

 private:
  Directory ReadDirectory(std::uint32_t offset, std::uint32_t* next,
                          std::vector<std::uint16_t>* order) {
    Directory directory;
    TByteReader reader(tiff_);
    reader.Seek(offset);
    const std::uint16_t count = reader.U16();
    for (int i = 0; i < count && !reader.Overran(); ++i) {
      const std::uint16_t tag = reader.U16();
      ExifTestEntry entry;
      entry.type = reader.U16();
      entry.count = reader.U32();
      const std::size_t fieldAt = reader.Offset();
      entry.field = reader.U32();
      const std::uint64_t size = std::uint64_t{entry.count} * TypeSize(entry.type);
      const std::size_t at = size <= 4 ? fieldAt : entry.field;
      if (at + size <= tiff_.size())
        entry.value.assign(tiff_.begin() + at, tiff_.begin() + at + size);
      directory[tag] = entry;
      order->push_back(tag);
    }
    *next = reader.U32();
    return directory;
  }

  std::vector<std::uint8_t> tiff_;
};
