#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

class TByteStream;

/// The library's source manager over a byte stream, read through a 65536-byte buffer. At the end
/// of the stream it supplies end-of-image markers, so truncated data decodes with warnings;
/// a stream that is empty from the start sets the abort flag.
struct TJpegStreamSource {
  jpeg_source_mgr pub;  // first member: the library sees only this part
  TByteStream* stream = nullptr;
  bool* aborting = nullptr;
  bool startOfFile = true;
  bool emptyStream = false;  ///< the stream gave no byte at all
  bool endSupplied = false;  ///< the stream ended before the data did
  std::vector<std::uint8_t> buffer;

  static constexpr std::size_t kBufferSize = 65536;
};

/// Points the decompression object at stream through source; the same source object serves
/// a tables stream and then the image stream.
void InstallJpegStreamSource(j_decompress_ptr cinfo, TJpegStreamSource& source, TByteStream& stream,
                             bool* aborting);
