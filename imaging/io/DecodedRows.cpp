#include "imaging/io/DecodedRows.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "imaging/io/registry/StreamSignatures.h"
#include "platform/ByteStream.h"

namespace {

constexpr int kOpaque = 255;
constexpr char kExifPrefix[] = {'E', 'x', 'i', 'f', 0, 0};

// round((sample * alpha + 255 * (255 - alpha)) / 255) without a division per sample.
std::uint8_t OnWhite(int sample, int alpha) {
  const int blended = sample * alpha + kOpaque * (kOpaque - alpha) + 128;
  return static_cast<std::uint8_t>((blended + (blended >> 8)) >> 8);
}

bool HasTiffHeader(std::span<const std::uint8_t> data) {
  return StartsWithText(data, std::string_view("II*\0", 4)) ||
         StartsWithText(data, std::string_view("MM\0*", 4));
}

}  // namespace

void StoreDecodedRow(std::span<const std::uint8_t> row, TDecodedLayout layout, int width,
                     std::uint8_t* out) {
  const std::size_t pixelBytes = static_cast<std::size_t>(layout.PixelBytes());
  const std::size_t pixels =
      std::min(static_cast<std::size_t>(std::max(width, 0)), row.size() / pixelBytes);
  for (std::size_t x = 0; x < pixels; ++x) {
    const std::uint8_t* pixel = row.data() + x * pixelBytes;
    const int alpha = layout.alpha ? pixel[layout.colorChannels] : kOpaque;
    if (layout.colorChannels == 1) {
      out[x] = OnWhite(pixel[0], alpha);
      continue;
    }
    std::uint8_t* bgr = out + 3 * x;
    bgr[0] = OnWhite(pixel[2], alpha);
    bgr[1] = OnWhite(pixel[1], alpha);
    bgr[2] = OnWhite(pixel[0], alpha);
  }
}

std::optional<std::vector<std::uint8_t>> ReadRestOfStream(TByteStream& stream) {
  const std::int64_t start = stream.Position();
  const std::int64_t size = stream.Size();
  if (start < 0 || size < start)
    return std::nullopt;
  try {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size - start));
    if (!stream.ReadExact(bytes.data(), static_cast<std::int64_t>(bytes.size())))
      return std::nullopt;
    return bytes;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
}

std::vector<std::uint8_t> ExifMarkerPayload(std::span<const std::uint8_t> tiff) {
  if (tiff.size() >= sizeof kExifPrefix &&
      std::equal(std::begin(kExifPrefix), std::end(kExifPrefix), tiff.begin()))
    tiff = tiff.subspan(sizeof kExifPrefix);
  if (!HasTiffHeader(tiff))
    return {};
  std::vector<std::uint8_t> payload(std::begin(kExifPrefix), std::end(kExifPrefix));
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  return payload;
}
