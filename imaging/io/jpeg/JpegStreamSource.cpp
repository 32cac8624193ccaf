#include "imaging/io/jpeg/JpegStreamSource.h"

#include <exception>

#include <jerror.h>

#include "platform/ByteStream.h"

namespace {

TJpegStreamSource& Source(j_decompress_ptr cinfo) {
  return *reinterpret_cast<TJpegStreamSource*>(cinfo->src);
}

void InitSource(j_decompress_ptr cinfo) {
  Source(cinfo).startOfFile = true;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
  TJpegStreamSource& source = Source(cinfo);
  std::int64_t count = 0;
  bool failed = false;
  try {
    count = source.stream->Read(source.buffer.data(), TJpegStreamSource::kBufferSize);
  } catch (const std::exception&) {
    failed = true;
  }
  // Nothing may be thrown through the library's frames: report it as the library would,
  // outside the handler so that the jump leaves no exception object behind.
  if (failed)
    ERREXIT(cinfo, JERR_FILE_READ);
  if (count < 1) {
    if (source.startOfFile) {
      source.emptyStream = true;
      if (source.aborting != nullptr)
        *source.aborting = true;
    }
    source.endSupplied = true;
    source.buffer[0] = 0xFF;
    source.buffer[1] = JPEG_EOI;
    count = 2;
  }
  source.pub.next_input_byte = source.buffer.data();
  source.pub.bytes_in_buffer = static_cast<std::size_t>(count);
  source.startOfFile = false;
  return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0)
    return;
  TJpegStreamSource& source = Source(cinfo);
  while (count > static_cast<long>(source.pub.bytes_in_buffer)) {
    count -= static_cast<long>(source.pub.bytes_in_buffer);
    FillInputBuffer(cinfo);
  }
  source.pub.next_input_byte += count;
  source.pub.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void TermSource(j_decompress_ptr) {}

}  // namespace

void InstallJpegStreamSource(j_decompress_ptr cinfo, TJpegStreamSource& source, TByteStream& stream,
                             bool* aborting) {
  if (source.buffer.empty())
    source.buffer.resize(TJpegStreamSource::kBufferSize);
  source.stream = &stream;
  source.aborting = aborting;
  source.startOfFile = true;
  source.emptyStream = false;
  source.endSupplied = false;
  source.pub.init_source = InitSource;
  source.pub.fill_input_buffer = FillInputBuffer;
  source.pub.skip_input_data = SkipInputData;
  source.pub.resync_to_restart = jpeg_resync_to_restart;
  source.pub.term_source = TermSource;
  // Bytes left over from a previous stream must not be read as this one's.
  source.pub.next_input_byte = nullptr;
  source.pub.bytes_in_buffer = 0;
  cinfo->src = &source.pub;
}
