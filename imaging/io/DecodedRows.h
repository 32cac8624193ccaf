#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

class TByteStream;

/// How a library hands over its decoded rows: 8-bit samples, gray or RGB, each pixel
/// optionally followed by its alpha (not premultiplied).
struct TDecodedLayout {
  int colorChannels = 3;
  bool alpha = false;

  int PixelBytes() const { return colorChannels + (alpha ? 1 : 0); }
};

/// Stores one decoded row of `width` pixels in a container row: gray rows as pfGray8, RGB rows
/// as pfBGR24. Alpha is composited on white here, at load: a JPEG has no transparency, every
/// later step (resize, effects) works on the colour channels alone, and the colour a fully
/// transparent pixel happens to hold would otherwise show. The container then holds what the
/// saved photo shows, as for every other source.
void StoreDecodedRow(std::span<const std::uint8_t> row, TDecodedLayout layout, int width,
                     std::uint8_t* out);

/// Everything from the stream's position to its end, for libraries that decode from memory;
/// nothing when the stream cannot give it (or it does not fit in memory).
std::optional<std::vector<std::uint8_t>> ReadRestOfStream(TByteStream& stream);

/// An EXIF block as the JPEG APP1 marker holds it ("Exif\0\0" and the TIFF structure) from the
/// bare TIFF structure that PNG, WebP and HEIF files store (some writers keep the APP1 prefix
/// there too). Empty when the data does not begin with a TIFF header.
std::vector<std::uint8_t> ExifMarkerPayload(std::span<const std::uint8_t> tiff);
