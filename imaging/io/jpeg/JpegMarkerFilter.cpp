#include "imaging/io/jpeg/JpegMarkerFilter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

namespace {

constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::uint8_t kApp2 = 0xE2;
constexpr std::uint8_t kApp14 = 0xEE;

// An ICC segment: "ICC_PROFILE\0", sequence number, chunk count, then the profile's bytes.
constexpr char kIccTag[] = "ICC_PROFILE";
constexpr std::size_t kIccTagLength = sizeof(kIccTag);  // the terminating zero belongs to it
constexpr std::size_t kIccChunkHeader = kIccTagLength + 2;
constexpr std::size_t kProfileColorSpaceOffset = 16;

bool StartsWith(const std::vector<std::uint8_t>& data, const char* prefix, std::size_t length) {
  return data.size() >= length && std::memcmp(data.data(), prefix, length) == 0;
}

bool IsIccSegment(const TImgMarkerList::Marker& marker) {
  return marker.code == kApp2 && StartsWith(marker.data, kIccTag, kIccTagLength) &&
         marker.data.size() >= kIccChunkHeader;
}

bool IsKnownIccSpace(std::span<const std::uint8_t, 4> space) {
  static constexpr std::array<const char*, 25> kKnown = {
      "XYZ ", "Lab ", "Luv ", "YCbr", "Yxy ", "RGB ", "GRAY", "HSV ", "HLS ",
      "CMYK", "CMY ", "2CLR", "3CLR", "4CLR", "5CLR", "6CLR", "7CLR", "8CLR",
      "9CLR", "ACLR", "BCLR", "CCLR", "DCLR", "ECLR", "FCLR"};
  return std::any_of(kKnown.begin(), kKnown.end(),
                     [&](const char* name) { return std::memcmp(space.data(), name, 4) == 0; });
}

// True when the profile (whose header sits in its first chunk) names a known colour space other
// than the one written; a profile without a readable header is kept.
bool IccProfileConflicts(const TImgMarkerList& markers, TJpegWrittenSpace written) {
  for (int i = 0; i < markers.Count(); ++i) {
    const TImgMarkerList::Marker& marker = markers[i];
    if (!IsIccSegment(marker) || marker.data[kIccTagLength] != 1)
      continue;
    const std::size_t offset = kIccChunkHeader + kProfileColorSpaceOffset;
    if (marker.data.size() < offset + 4)
      return false;
    const std::span<const std::uint8_t, 4> space(marker.data.data() + offset, 4);
    if (!IsKnownIccSpace(space))
      return false;
    const char* expected = written == TJpegWrittenSpace::Rgb    ? "RGB "
                           : written == TJpegWrittenSpace::Gray ? "GRAY"
                                                                : "CMYK";
    return std::memcmp(space.data(), expected, 4) != 0;
  }
  return false;
}

}  // namespace

std::vector<int> JpegMarkersToWrite(const TImgMarkerList& markers, TJpegWrittenSpace space) {
  const bool dropIcc = IccProfileConflicts(markers, space);
  std::vector<int> indices;
  for (int i = 0; i < markers.Count(); ++i) {
    const TImgMarkerList::Marker& marker = markers[i];
    if (marker.code == kApp14)
      continue;
    if (marker.code == kApp0 &&
        (StartsWith(marker.data, "JFIF", 4) || StartsWith(marker.data, "JFXX", 4))) {
      continue;
    }
    if (marker.code == kApp2 && StartsWith(marker.data, "MPF", 4))
      continue;
    if (dropIcc && IsIccSegment(marker))
      continue;
    indices.push_back(i);
  }
  return indices;
}
