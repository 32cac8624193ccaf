#include "app/batch/MetadataChoice.h"

#include <cstring>
#include <iterator>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImgMarkerList.h"

namespace {

constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp2 = 0xE2;
constexpr char kIccTag[] = "ICC_PROFILE";                   // with its terminating zero
constexpr char kXmpTag[] = "http://ns.adobe.com/xap/1.0/";  // with its terminating zero

bool StartsWith(const TImgMarkerList::Marker& marker, std::uint8_t code, const char* tag,
                std::size_t length) {
  return marker.code == code && marker.data.size() >= length &&
         std::memcmp(marker.data.data(), tag, length) == 0;
}

void StripKeepingIcc(TIOParamsVals& params) {
  params.ExifPresent = false;
  TImgMarkerList& markers = params.JpegMarkers;
  for (int index = markers.Count() - 1; index >= 0; --index) {
    if (!StartsWith(markers[index], kApp2, kIccTag, sizeof kIccTag))
      markers.DeleteMarker(index);
  }
}

// A JPEG source brings its XMP packet as a marker already; a TIFF page's packet becomes one when
// it fits in a marker (an extended packet split over several markers is not written).
void AddTiffXmp(TIOParamsVals& params) {
  TImgMarkerList& markers = params.JpegMarkers;
  const std::vector<std::uint8_t>& packet = params.TiffXmpPacket;
  if (packet.empty() || packet.size() > kMaxMarkerPayload - sizeof kXmpTag)
    return;
  for (int index = 0; index < markers.Count(); ++index) {
    if (StartsWith(markers[index], kApp1, kXmpTag, sizeof kXmpTag))
      return;
  }
  std::vector<std::uint8_t> data(std::begin(kXmpTag), std::end(kXmpTag));
  data.insert(data.end(), packet.begin(), packet.end());
  markers.InsertMarker(markers.Count(), kApp1, std::move(data));
}

}  // namespace

void ApplyMetadataChoice(TMetadataChoice choice, TIOParamsVals& params) {
  params.ExifWriteGps = choice == TMetadataChoice::All;
  if (choice == TMetadataChoice::All) {
    // A scan may have a location and no EXIF directory; the location still needs a block.
    if (!params.ExifGps.empty())
      params.ExifPresent = true;
    AddTiffXmp(params);
  } else if (choice == TMetadataChoice::Strip) {
    StripKeepingIcc(params);
  }
}
