#pragma once

#include <cstdint>
#include <string_view>

class TByteStream;

/// The 12-byte header that stream loads and saves of the library's own block format put
/// before an image: a 4-character tag with its terminating NUL, three reserved bytes, and the
/// length of the image data that follows (32 bits, little-endian).
struct TStreamBlockHeader {
  std::int64_t dataLength = 0;
};

inline constexpr std::string_view kTiffBlockTag = "TIFF";

/// Reads the header at the stream's position; false (position unspecified) when the stream
/// is too short or the tag is another.
bool ReadStreamBlockHeader(TByteStream& stream, std::string_view tag, TStreamBlockHeader& header);
