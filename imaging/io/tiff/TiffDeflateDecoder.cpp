#include "imaging/io/tiff/TiffDeflateDecoder.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstring>

struct TTiffDeflateDecoder::TStream {
  z_stream z{};
  bool open = false;
  bool ended = false;
  bool failed = false;
};

TTiffDeflateDecoder::TTiffDeflateDecoder(std::span<const std::uint8_t> input)
    : stream_(std::make_unique<TStream>()) {
  z_stream& z = stream_->z;
  // zlib never writes through next_in; its interface merely predates const.
  z.next_in = const_cast<Bytef*>(input.data());
  z.avail_in = static_cast<uInt>(std::min<std::size_t>(input.size(), UINT32_MAX));
  stream_->open = inflateInit(&z) == Z_OK;
  stream_->failed = !stream_->open;
}

TTiffDeflateDecoder::~TTiffDeflateDecoder() {
  if (stream_->open)
    inflateEnd(&stream_->z);
}

bool TTiffDeflateDecoder::NextRow(std::span<std::uint8_t> row) {
  TStream& s = *stream_;
  if (s.failed)
    return false;
  std::size_t produced = 0;
  while (!s.ended && produced < row.size()) {
    s.z.next_out = row.data() + produced;
    s.z.avail_out = static_cast<uInt>(std::min<std::size_t>(row.size() - produced, UINT32_MAX));
    const int result = inflate(&s.z, Z_NO_FLUSH);
    produced = row.size() - s.z.avail_out;
    if (result == Z_STREAM_END || result == Z_BUF_ERROR) {
      // The end of the stream, or data that stops short of it: the rest reads as zero.
      s.ended = true;
    } else if (result != Z_OK) {
      s.failed = true;
      return false;
    }
  }
  std::memset(row.data() + produced, 0, row.size() - produced);
  return true;
}
