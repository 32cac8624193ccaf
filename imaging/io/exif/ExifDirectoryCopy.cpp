#include "imaging/io/exif/ExifDirectoryCopy.h"

#include <algorithm>

#include "imaging/io/tiff/TiffDirectory.h"

namespace {

constexpr std::uint16_t kRational = 5;
constexpr std::uint16_t kSignedRational = 10;

// The width of the numbers a value of the type is made of: a rational is two 4-byte numbers.
std::size_t NumberSize(std::uint16_t type) {
  if (type == kRational || type == kSignedRational)
    return 4;
  return TTiffDirectory::TypeSize(type);
}

std::vector<std::uint8_t> LittleEndian(std::span<const std::uint8_t> bytes, std::size_t width,
                                       TTiffDirectory::Endian order) {
  std::vector<std::uint8_t> value(bytes.begin(), bytes.end());
  if (order == TTiffDirectory::Endian::Big && width > 1) {
    for (std::size_t at = 0; at + width <= value.size(); at += width)
      std::reverse(value.begin() + static_cast<std::ptrdiff_t>(at),
                   value.begin() + static_cast<std::ptrdiff_t>(at + width));
  }
  return value;
}

}  // namespace

TExifDirectoryCopy CopyExifDirectory(const TTiffDirectory& directory, std::size_t byteLimit) {
  TExifDirectoryCopy copy;
  std::size_t total = 0;
  for (const TTiffEntry& entry : directory.Entries()) {
    const std::size_t width = NumberSize(entry.type);
    const std::span<const std::uint8_t> bytes = directory.Raw(entry);
    if (width == 0 || entry.count == 0 || bytes.empty())
      continue;
    if (bytes.size() > byteLimit - total)
      break;
    total += bytes.size();
    copy.push_back(
        {entry.tag, entry.type, entry.count, LittleEndian(bytes, width, directory.ByteOrder())});
  }
  return copy;
}
