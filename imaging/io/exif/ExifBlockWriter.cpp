#include "imaging/io/exif/ExifBlockWriter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::size_t kHeaderSize = 8;
constexpr std::uint16_t kAscii = 2;
constexpr std::uint16_t kShort = 3;
constexpr std::uint16_t kLong = 4;
constexpr std::uint16_t kRational = 5;
constexpr std::uint16_t kUndefined = 7;
constexpr std::uint16_t kSignedRational = 10;
constexpr double kLargestNumerator = 2147483640.0;
constexpr std::uint32_t kFirstDenominator = 1000000;

void PutLittleEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, int count) {
  for (int i = 0; i < count; ++i)
    bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::vector<std::uint8_t> RationalBytes(std::span<const TExifRational> values) {
  std::vector<std::uint8_t> bytes;
  for (const TExifRational& value : values) {
    PutLittleEndian(bytes, static_cast<std::uint64_t>(value.numerator), 4);
    PutLittleEndian(bytes, value.denominator, 4);
  }
  return bytes;
}

}  // namespace

TExifRational RealToRational(double value, bool isSigned) {
  if (std::isnan(value))
    return {0, kFirstDenominator};
  std::uint32_t denominator = kFirstDenominator;
  while (denominator > 1 && std::fabs(value) * denominator > kLargestNumerator)
    denominator /= 10;
  const double numerator = std::nearbyint(value * denominator);
  const double lowest = isSigned ? std::numeric_limits<std::int32_t>::min() : 0.0;
  const double highest = isSigned ? std::numeric_limits<std::int32_t>::max()
                                  : std::numeric_limits<std::uint32_t>::max();
  return {static_cast<std::int64_t>(std::clamp(numerator, lowest, highest)), denominator};
}

TExifBlockWriter::TExifBlockWriter() : bytes_(kHeaderSize, 0) {}

void TExifBlockWriter::Add(Directory& directory, std::uint16_t tag, std::uint16_t type,
                           std::uint32_t count, std::span<const std::uint8_t> bytes) {
  Entry entry{tag, type, count, {}};
  if (bytes.size() <= entry.value.size()) {
    std::copy(bytes.begin(), bytes.end(), entry.value.begin());
  } else {
    const std::uint32_t offset = Offset();
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    for (std::size_t i = 0; i < entry.value.size(); ++i)
      entry.value[i] = static_cast<std::uint8_t>(offset >> (8 * i));
  }
  directory.push_back(entry);
}

void TExifBlockWriter::Ascii(Directory& directory, std::uint16_t tag, std::string_view text) {
  if (text.empty())
    return;
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  Add(directory, tag, kAscii, static_cast<std::uint32_t>(bytes.size()), bytes);
}

void TExifBlockWriter::Undefined(Directory& directory, std::uint16_t tag, std::string_view bytes) {
  const std::vector<std::uint8_t> value(bytes.begin(), bytes.end());
  Add(directory, tag, kUndefined, static_cast<std::uint32_t>(value.size()), value);
}

void TExifBlockWriter::Shorts(Directory& directory, std::uint16_t tag,
                              std::span<const int> values) {
  std::vector<std::uint8_t> bytes;
  for (int value : values)
    PutLittleEndian(bytes, static_cast<std::uint16_t>(value), 2);
  Add(directory, tag, kShort, static_cast<std::uint32_t>(values.size()), bytes);
}

void TExifBlockWriter::Long(Directory& directory, std::uint16_t tag, std::uint32_t value) {
  std::vector<std::uint8_t> bytes;
  PutLittleEndian(bytes, value, 4);
  Add(directory, tag, kLong, 1, bytes);
}

void TExifBlockWriter::PutRationals(Directory& directory, std::uint16_t tag, std::uint16_t type,
                                    std::span<const TExifRational> values) {
  Add(directory, tag, type, static_cast<std::uint32_t>(values.size()), RationalBytes(values));
}

void TExifBlockWriter::Rationals(Directory& directory, std::uint16_t tag,
                                 std::span<const double> values) {
  std::vector<TExifRational> rationals;
  for (double value : values)
    rationals.push_back(RealToRational(value, false));
  PutRationals(directory, tag, kRational, rationals);
}

void TExifBlockWriter::SignedRationals(Directory& directory, std::uint16_t tag,
                                       std::span<const double> values) {
  std::vector<TExifRational> rationals;
  for (double value : values)
    rationals.push_back(RealToRational(value, true));
  PutRationals(directory, tag, kSignedRational, rationals);
}

void TExifBlockWriter::WholeRational(Directory& directory, std::uint16_t tag, double value) {
  constexpr double kMax = std::numeric_limits<std::uint32_t>::max();
  const double whole = std::isnan(value) ? 0.0 : std::clamp(std::trunc(value), 0.0, kMax);
  const TExifRational rational{static_cast<std::int64_t>(whole), 1};
  PutRationals(directory, tag, kRational, std::span(&rational, 1));
}

std::uint32_t TExifBlockWriter::WriteDirectory(Directory directory) {
  if (bytes_.size() % 2 != 0)
    bytes_.push_back(0);
  std::stable_sort(directory.begin(), directory.end(),
                   [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
  const std::uint32_t offset = Offset();
  PutLittleEndian(bytes_, directory.size(), 2);
  for (const Entry& entry : directory) {
    PutLittleEndian(bytes_, entry.tag, 2);
    PutLittleEndian(bytes_, entry.type, 2);
    PutLittleEndian(bytes_, entry.count, 4);
    bytes_.insert(bytes_.end(), entry.value.begin(), entry.value.end());
  }
  PutLittleEndian(bytes_, 0, 4);
  return offset;
}

void TExifBlockWriter::PutLong(std::uint32_t value) {
  PutLittleEndian(bytes_, value, 4);
}

std::vector<std::uint8_t> TExifBlockWriter::Finish(std::uint32_t firstDirectory) {
  std::vector<std::uint8_t> block = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I'};
  PutLittleEndian(block, 42, 2);
  PutLittleEndian(block, firstDirectory, 4);
  block.insert(block.end(), bytes_.begin() + kHeaderSize, bytes_.end());
  return block;
}
