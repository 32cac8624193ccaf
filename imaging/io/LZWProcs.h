#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class TByteStream;

/// Per-strip working state of a replaceable LZW procedure; each procedure derives its own.
class TLZWCodecState {
 public:
  virtual ~TLZWCodecState() = default;
};

/// TIFF LZW decompressor. With no state yet it creates one over the strip data; it then returns
/// the address of the next rowBytes decoded bytes, or null on failure. Called with null data and
/// length 0 it releases the state.
using TTIFFLZWDecoder =
    std::function<const std::uint8_t*(const std::uint8_t* data, std::int64_t dataLength,
                                      int rowBytes, std::unique_ptr<TLZWCodecState>& state)>;

/// TIFF LZW compressor: encodes one row into the stream; null row data flushes and releases the
/// state. Answers false when the stream refused the bytes.
using TTIFFLZWEncoder =
    std::function<bool(const std::uint8_t* row, int rowBytes, TByteStream& output,
                       std::unique_ptr<TLZWCodecState>& state)>;

/// GIF LZW procedures: decode the image data of one frame into indices, encode indices back.
using TGifLZWDecoder = std::function<bool(TByteStream& input, std::uint8_t* indices,
                                          std::int64_t count, int initialCodeBits)>;
using TGifLZWEncoder = std::function<bool(TByteStream& output, const std::uint8_t* indices,
                                          std::int64_t count, int initialCodeBits)>;

/// Library-wide defaults, installed once at start-up and copied into every parameter record.
TTIFFLZWDecoder& DefaultTIFFLZWDecoder();
TTIFFLZWEncoder& DefaultTIFFLZWEncoder();
TGifLZWDecoder& DefaultGifLZWDecoder();
TGifLZWEncoder& DefaultGifLZWEncoder();
