#include "imaging/io/webp/WebpReader.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <memory>
#include <new>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ClaimedImage.h"
#include "imaging/io/DecodedRows.h"
#include "imaging/io/DefaultResolution.h"
#include "imaging/io/JpegMetadata.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/registry/StreamSignatures.h"
#include "platform/ByteStream.h"

namespace {

constexpr int kRgbaBytes = 4;

struct TDemuxFree {
  void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct TAnimFree {
  void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

std::vector<std::uint8_t> ChunkOf(WebPDemuxer* demux, const char* fourcc) {
  WebPChunkIterator chunk;
  if (demux == nullptr || !WebPDemuxGetChunk(demux, fourcc, 1, &chunk))
    return {};
  std::vector<std::uint8_t> bytes(chunk.chunk.bytes, chunk.chunk.bytes + chunk.chunk.size);
  WebPDemuxReleaseChunkIterator(&chunk);
  return bytes;
}

// The first frame as the animation shows it, on its canvas, as RGBA rows.
bool DecodeFirstFrame(const WebPData& data, std::vector<std::uint8_t>& pixels) {
  WebPAnimDecoderOptions options;
  if (!WebPAnimDecoderOptionsInit(&options))
    return false;
  options.color_mode = MODE_RGBA;
  options.use_threads = 0;
  const std::unique_ptr<WebPAnimDecoder, TAnimFree> decoder(WebPAnimDecoderNew(&data, &options));
  WebPAnimInfo info;
  if (decoder == nullptr || !WebPAnimDecoderGetInfo(decoder.get(), &info))
    return false;
  std::uint8_t* frame = nullptr;
  int timestamp = 0;
  if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp) || frame == nullptr)
    return false;
  const std::size_t size = std::size_t{info.canvas_width} * info.canvas_height * kRgbaBytes;
  if (pixels.size() != size)
    return false;
  pixels.assign(frame, frame + size);
  return true;
}

bool DecodeStill(const WebPData& data, bool alpha, int width, std::vector<std::uint8_t>& pixels) {
  const int stride = width * (alpha ? kRgbaBytes : 3);
  const std::uint8_t* done =
      alpha ? WebPDecodeRGBAInto(data.bytes, data.size, pixels.data(), pixels.size(), stride)
            : WebPDecodeRGBInto(data.bytes, data.size, pixels.data(), pixels.size(), stride);
  return done != nullptr;
}

}  // namespace

bool HasWebpSignature(std::span<const std::uint8_t> head) {
  return StartsWithText(head, "RIFF") && StartsWithText(head, "WEBP", 8);
}

void ReadWebpImage(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals& params, bool paramsOnly,
                   TProgressRecord& progress) {
  const auto file = ReadRestOfStream(stream);
  if (!file || !HasWebpSignature(*file))
    return progress.Abort();
  const WebPData data{file->data(), file->size()};
  WebPBitstreamFeatures features;
  if (WebPGetFeatures(data.bytes, data.size, &features) != VP8_STATUS_OK)
    return progress.Abort();
  // A file cut off inside the image data passes the header checks; only the decode finds it.
  const std::unique_ptr<WebPDemuxer, TDemuxFree> demux(WebPDemux(&data));
  params.Width = features.width;
  params.Height = features.height;
  params.BitsPerSample = 8;
  params.SamplesPerPixel = features.has_alpha ? 4 : 3;
  ImportEmbeddedMetadata(params, ExifMarkerPayload(ChunkOf(demux.get(), "EXIF")),
                         ChunkOf(demux.get(), "ICCP"));
  // WebP states no resolution; the EXIF one, when there is one, was taken above.
  if (params.ResolutionX < 2 || params.ResolutionY < 2) {
    params.SetResolutionX(DefaultResolution.x);
    params.SetResolutionY(DefaultResolution.y);
  }
  if (paramsOnly)
    return;
  const bool animated = features.has_animation != 0;
  const bool alpha = animated || features.has_alpha != 0;
  const TDecodedLayout layout{3, alpha};
  // libwebp keeps both sides below 16384, so the claim is bounded by the format itself; the
  // compressed data gives no useful least size (a flat lossless picture takes a few bytes).
  TClaimedImage claim;
  claim.width = features.width;
  claim.height = features.height;
  claim.format = pfBGR24;
  if (!ClaimedImageFits(claim))
    return progress.Abort();
  std::vector<std::uint8_t> pixels;
  try {
    pixels.resize(static_cast<std::size_t>(features.width) * features.height * layout.PixelBytes());
  } catch (const std::bad_alloc&) {
    return progress.Abort();
  }
  const bool decoded =
      animated ? DecodeFirstFrame(data, pixels) : DecodeStill(data, alpha, features.width, pixels);
  if (!decoded || !AllocateClaimedImage(bitmap, claim, progress))
    return progress.Abort();
  const std::size_t rowBytes = static_cast<std::size_t>(features.width) * layout.PixelBytes();
  progress.perRow = 100.0 / features.height;
  for (int y = 0; y < features.height && !progress.Aborted(); ++y) {
    StoreDecodedRow({pixels.data() + y * rowBytes, rowBytes}, layout, features.width,
                    bitmap.RowPtr(y));
    progress.RowDone();
  }
}
