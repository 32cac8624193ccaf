#pragma once

#include <cstdint>

class TByteStream;

/// Stream position of the first FF D8 FF among the 100 positions from the current one, or -1.
/// The stream position is left where it was.
std::int64_t FindJpegStart(TByteStream& stream);
