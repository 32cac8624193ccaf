#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

class TByteStream;

/// The library's destination manager over a byte stream, written through a 65536-byte buffer.
/// A short write sets the abort flag; the stream is neither flushed nor closed here.
struct TJpegStreamDestination {
  jpeg_destination_mgr pub;  // first member: the library sees only this part
  TByteStream* stream = nullptr;
  bool* aborting = nullptr;
  std::vector<std::uint8_t> buffer;

  static constexpr std::size_t kBufferSize = 65536;
};

void InstallJpegStreamDestination(j_compress_ptr cinfo, TJpegStreamDestination& destination,
                                  TByteStream& stream, bool* aborting);
