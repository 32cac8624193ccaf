#include "app/batch/StripMetadata.h"

#include <algorithm>
#include <cstring>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImgMarkerList.h"

namespace {

constexpr std::uint8_t kApp2 = 0xE2;
constexpr char kIccTag[] = "ICC_PROFILE";  // with its terminating zero

bool IsIccChunk(const TImgMarkerList::Marker& marker) {
  return marker.code == kApp2 && marker.data.size() >= sizeof kIccTag &&
         std::memcmp(marker.data.data(), kIccTag, sizeof kIccTag) == 0;
}

}  // namespace

void StripMetadataKeepingIcc(TIOParamsVals& params) {
  params.ExifPresent = false;
  TImgMarkerList& markers = params.JpegMarkers;
  for (int index = markers.Count() - 1; index >= 0; --index) {
    if (!IsIccChunk(markers[index]))
      markers.DeleteMarker(index);
  }
}
