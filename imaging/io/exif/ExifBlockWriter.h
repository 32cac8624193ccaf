#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

/// A real number as an EXIF rational: numerator over denominator.
struct TExifRational {
  std::int64_t numerator = 0;
  std::uint32_t denominator = 1;
  bool operator==(const TExifRational&) const = default;
};

/// The denominator starts at 1,000,000 and loses a decimal digit while the numerator would not
/// fit in 2,147,483,640 (by magnitude; never below 1); the numerator is value x denominator
/// rounded to the nearest integer, ties to even, saturated to what the signed or unsigned type
/// holds (an unsigned one holds no negative value: its bit pattern would read as a huge one).
/// NaN gives 0.
TExifRational RealToRational(double value, bool isSigned);

/// Builds the little-endian TIFF structure of an EXIF block: values that do not fit in their
/// entry go to a data area at the moment the entry is made; directories are written after it,
/// each at an even offset with its entries sorted by tag.
class TExifBlockWriter {
 public:
  struct Entry {
    std::uint16_t tag = 0;
    std::uint16_t type = 0;
    std::uint32_t count = 0;
    std::array<std::uint8_t, 4> value{};
  };
  using Directory = std::vector<Entry>;

  TExifBlockWriter();

  /// A zero-terminated text; no entry for an empty one.
  void Ascii(Directory& directory, std::uint16_t tag, std::string_view text);
  /// Bytes of type UNDEFINED; an empty value still gets its entry, with count 0.
  void Undefined(Directory& directory, std::uint16_t tag, std::string_view bytes);
  /// The low 16 bits of each value.
  void Shorts(Directory& directory, std::uint16_t tag, std::span<const int> values);
  void Long(Directory& directory, std::uint16_t tag, std::uint32_t value);
  /// RATIONAL values by RealToRational.
  void Rationals(Directory& directory, std::uint16_t tag, std::span<const double> values);
  /// SRATIONAL values by RealToRational.
  void SignedRationals(Directory& directory, std::uint16_t tag, std::span<const double> values);
  /// A RATIONAL of the value truncated toward zero, over 1.
  void WholeRational(Directory& directory, std::uint16_t tag, double value);
  /// Values of any type, already in little-endian order.
  void Add(Directory& directory, std::uint16_t tag, std::uint16_t type, std::uint32_t count,
           std::span<const std::uint8_t> bytes);

  /// Writes the directory (count, entries, next offset 0) and answers its offset.
  std::uint32_t WriteDirectory(Directory directory);
  void PutLong(std::uint32_t value);
  /// "Exif", two zero bytes and the structure, whose header points at firstDirectory.
  std::vector<std::uint8_t> Finish(std::uint32_t firstDirectory);

 private:
  void PutRationals(Directory& directory, std::uint16_t tag, std::uint16_t type,
                    std::span<const TExifRational> values);
  std::uint32_t Offset() const { return static_cast<std::uint32_t>(bytes_.size()); }

  std::vector<std::uint8_t> bytes_;
};
