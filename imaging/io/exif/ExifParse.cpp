#include <cstring>

#include "imaging/io/exif/ExifBlock.h"

bool IsExifData(std::span<const std::uint8_t> data) {
  static constexpr char kTag[] = "Exif";  // with its terminating zero
  return data.size() >= sizeof kTag && std::memcmp(data.data(), kTag, sizeof kTag) == 0;
}
