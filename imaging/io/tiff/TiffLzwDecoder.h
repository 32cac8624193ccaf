#pragma once

#include <cstdint>
#include <memory>

#include "imaging/io/LZWProcs.h"

/// The library's own TIFF LZW decompressor (codes most significant bit first, the code width
/// growing one code early). Keeps the TTIFFLZWDecoder contract: the first call creates the
/// state over the strip data, each call returns the next rowBytes bytes (zeros where the data
/// ended early) or null when the data is corrupt, and a call with null data releases the state.
const std::uint8_t* TiffLzwDecode(const std::uint8_t* data, std::int64_t dataLength, int rowBytes,
                                  std::unique_ptr<TLZWCodecState>& state);
