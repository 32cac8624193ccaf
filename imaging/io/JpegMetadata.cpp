#include "imaging/io/JpegMetadata.h"

#include <algorithm>
#include <iterator>
#include <utility>
#include <vector>

#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImgMarkerList.h"
#include "imaging/io/exif/ExifBlock.h"

namespace {

constexpr std::uint8_t kApp1 = 0xE1;
constexpr std::uint8_t kApp2 = 0xE2;
constexpr std::uint8_t kApp13 = 0xED;
constexpr int kCentimetre = 3;
constexpr double kCentimetresPerInch = 2.54;

// "ICC_PROFILE", its terminating zero, the chunk's number from 1 and the number of chunks.
constexpr char kIccTag[] = "ICC_PROFILE";
constexpr std::size_t kIccChunkHeader = sizeof kIccTag + 2;
constexpr std::size_t kIccChunkData = kMaxMarkerPayload - kIccChunkHeader;
constexpr std::size_t kMaxIccChunks = 255;

void AddIccChunks(TImgMarkerList& markers, const std::vector<std::uint8_t>& profile) {
  const std::size_t chunks = (profile.size() + kIccChunkData - 1) / kIccChunkData;
  if (chunks == 0 || chunks > kMaxIccChunks)
    return;
  for (std::size_t index = 0; index < chunks; ++index) {
    std::vector<std::uint8_t> chunk(std::begin(kIccTag), std::end(kIccTag));
    chunk.push_back(static_cast<std::uint8_t>(index + 1));
    chunk.push_back(static_cast<std::uint8_t>(chunks));
    const auto from = profile.begin() + static_cast<std::ptrdiff_t>(index * kIccChunkData);
    const std::size_t length = std::min(kIccChunkData, profile.size() - index * kIccChunkData);
    chunk.insert(chunk.end(), from, from + static_cast<std::ptrdiff_t>(length));
    markers.InsertMarker(markers.Count(), kApp2, std::move(chunk));
  }
}

int FirstExifMarker(const TImgMarkerList& markers) {
  for (int i = 0; i < markers.Count(); ++i) {
    if (markers[i].code == kApp1 && IsExifData(markers[i].data))
      return i;
  }
  return -1;
}

void ReplaceOrAppend(TImgMarkerList& markers, int index, std::uint8_t code,
                     std::vector<std::uint8_t> data) {
  if (index >= 0)
    markers[index].data = std::move(data);
  else
    markers.InsertMarker(markers.Count(), code, std::move(data));
}

void ExportIptc(TIOParamsVals& params) {
  if (!params.IptcRecords.UserChanged())
    return;
  TImgMarkerList& markers = params.JpegMarkers;
  const int index = markers.IndexOf(kApp13);
  std::vector<std::uint8_t> block = params.IptcRecords.SerializeIptc(true, kMaxMarkerPayload);
  if (!block.empty())
    ReplaceOrAppend(markers, index, kApp13, std::move(block));
  else if (index >= 0)
    markers.DeleteMarker(index);
}

void ExportExif(TIOParamsVals& params, int savedWidth, int savedHeight) {
  if (!params.ExifPresent)
    return;
  TImgMarkerList& markers = params.JpegMarkers;
  std::vector<std::uint8_t> block = SerializeExif(params, savedWidth, savedHeight);
  const int exifIndex = FirstExifMarker(markers);
  if (exifIndex >= 0) {
    markers[exifIndex].data = std::move(block);
    return;
  }
  // Readers look for EXIF in the first APP1 marker: the new block goes before any XMP one.
  const int otherApp1 = markers.IndexOf(kApp1);
  markers.InsertMarker(otherApp1 >= 0 ? otherApp1 : markers.Count(), kApp1, std::move(block));
}

void TakeExifResolution(TIOParamsVals& params) {
  const double factor = params.ExifResolutionUnit == kCentimetre ? kCentimetresPerInch : 1.0;
  params.SetResolutionX(params.ExifResolutionX * factor);
  params.SetResolutionY(params.ExifResolutionY * factor);
}

}  // namespace

void ImportJpegMetadata(TIOParamsVals& params) {
  const TImgMarkerList& markers = params.JpegMarkers;
  const int iptcIndex = markers.IndexOf(kApp13);
  if (iptcIndex >= 0)
    params.IptcRecords.ParseIptc(markers[iptcIndex].data);
  const int exifIndex = FirstExifMarker(markers);
  if (exifIndex < 0 || !ParseExif(markers[exifIndex].data, params))
    return;
  if (params.ResolutionX == 1 && params.ResolutionY == 1)
    TakeExifResolution(params);
}

void ImportEmbeddedMetadata(TIOParamsVals& params, std::vector<std::uint8_t> exifPayload,
                            const std::vector<std::uint8_t>& iccProfile) {
  if (!exifPayload.empty() && ParseExif(exifPayload, params)) {
    if (params.ResolutionX < 2 && params.ResolutionY < 2 && params.ExifResolutionX >= 2 &&
        params.ExifResolutionY >= 2)
      TakeExifResolution(params);
    // A block too long for one marker is still written, rebuilt from the parsed fields.
    if (exifPayload.size() <= kMaxMarkerPayload)
      params.JpegMarkers.InsertMarker(0, kApp1, std::move(exifPayload));
  }
  AddIccChunks(params.JpegMarkers, iccProfile);
}

void ImportTiffMetadata(TIOParamsVals& params) {
  std::vector<std::uint8_t> iptc = params.IptcRecords.SerializeIptc(true, kMaxMarkerPayload);
  if (!iptc.empty())
    params.JpegMarkers.InsertMarker(params.JpegMarkers.Count(), kApp13, std::move(iptc));
  AddIccChunks(params.JpegMarkers, params.IccProfile);
}

void ExportJpegMetadata(TIOParamsVals& params, int savedWidth, int savedHeight) {
  ExportIptc(params);
  ExportExif(params, savedWidth, savedHeight);
}
