#pragma once

#include <optional>

class TByteStream;

struct TJpegFrameSize {
  int width;
  int height;
};

/// The full size of the JPEG at (or up to 99 bytes after) the stream's position, read from its
/// header alone: no scan is read, so even a progressive file costs only its header. Nothing when
/// there is no JPEG there or its header is unreadable. The stream position is left after the
/// header.
std::optional<TJpegFrameSize> ReadJpegFrameSize(TByteStream& stream);
