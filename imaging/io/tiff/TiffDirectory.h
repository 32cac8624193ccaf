#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/io/ByteReader.h"

/// One entry of an image file directory, with the place of its 4-byte value field in the data.
struct TTiffEntry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::uint32_t valueField = 0;  ///< the value field read as one number in the file's order
  std::size_t valueFieldOffset = 0;
};

/// One image file directory over the bytes of a TIFF structure (offsets count from the first
/// byte of data). Values are read by the TIFF value rules; a value whose bytes do not lie
/// wholly inside the data reads as missing, so a damaged entry can never reach past the file.
/// The TIFF reader and the EXIF block both read their directories through this class.
class TTiffDirectory {
 public:
  using Endian = TByteReader::Endian;

  TTiffDirectory() = default;
  TTiffDirectory(std::span<const std::uint8_t> data, Endian endian,
                 std::vector<TTiffEntry> entries);

  /// Reads the directory at offset: the entry count and as many entries as the data holds.
  static TTiffDirectory Load(std::span<const std::uint8_t> data, Endian endian,
                             std::uint32_t offset);
  /// Bytes of one value of a field type (0 for unknown types).
  static std::uint32_t TypeSize(std::uint16_t type);

  bool Empty() const { return entries_.empty(); }
  Endian ByteOrder() const { return endian_; }
  std::span<const std::uint8_t> Data() const { return data_; }
  const std::vector<TTiffEntry>& Entries() const { return entries_; }
  const TTiffEntry* Find(std::uint16_t tag) const;
  bool Has(std::uint16_t tag) const { return Find(tag) != nullptr; }
  std::uint32_t Count(std::uint16_t tag) const;

  /// A single integer: BYTE, SHORT or LONG by its type, the raw value field for other types.
  std::uint32_t Integer(std::uint16_t tag, std::uint32_t missing) const;
  /// Element index of a BYTE, SHORT or LONG array; 0 for other types, a missing tag or index.
  std::uint32_t Element(std::uint16_t tag, std::uint32_t index) const;
  /// Every element of an integer array; empty when the tag is missing or its data is not there.
  std::vector<std::uint32_t> Integers(std::uint16_t tag) const;
  /// Element index of a RATIONAL or SRATIONAL array as numerator / denominator (a denominator
  /// of 0 counts as 1); 0 when missing.
  double Rational(std::uint16_t tag, std::uint32_t index = 0) const;
  /// The value bytes as text up to the first NUL; empty when missing or above 0xFFFFF bytes.
  std::string Text(std::uint16_t tag) const;
  /// A version field of up to 4 characters held in the value field; empty otherwise.
  std::string VersionText(std::uint16_t tag) const;
  /// The value bytes (count x type size); empty when missing or not wholly inside the data.
  std::span<const std::uint8_t> Raw(std::uint16_t tag) const;
  std::span<const std::uint8_t> Raw(const TTiffEntry& entry) const;

 private:
  /// Offset and length of an entry's value bytes, or false when they do not lie in the data.
  bool ValueBytes(const TTiffEntry& entry, std::size_t& offset, std::size_t& length) const;
  std::uint32_t ReadElement(const TTiffEntry& entry, std::size_t offset, std::uint32_t index) const;

  std::span<const std::uint8_t> data_;
  Endian endian_ = Endian::Little;
  std::vector<TTiffEntry> entries_;
};
