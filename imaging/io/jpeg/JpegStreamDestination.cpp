#include "imaging/io/jpeg/JpegStreamDestination.h"

#include <exception>

#include <jerror.h>

#include "platform/ByteStream.h"

namespace {

TJpegStreamDestination& Destination(j_compress_ptr cinfo) {
  return *reinterpret_cast<TJpegStreamDestination*>(cinfo->dest);
}

// Writes count bytes of the buffer; a short write sets the abort flag.
void WriteBuffer(j_compress_ptr cinfo, std::size_t count) {
  TJpegStreamDestination& destination = Destination(cinfo);
  std::int64_t written = 0;
  bool failed = false;
  try {
    written =
        destination.stream->Write(destination.buffer.data(), static_cast<std::int64_t>(count));
  } catch (const std::exception&) {
    failed = true;
  }
  // Nothing may be thrown through the library's frames: report it as the library would,
  // outside the handler so that the jump leaves no exception object behind.
  if (failed)
    ERREXIT(cinfo, JERR_FILE_WRITE);
  if (written != static_cast<std::int64_t>(count) && destination.aborting != nullptr) {
    *destination.aborting = true;
  }
}

void ResetBuffer(TJpegStreamDestination& destination) {
  destination.pub.next_output_byte = destination.buffer.data();
  destination.pub.free_in_buffer = TJpegStreamDestination::kBufferSize;
}

void InitDestination(j_compress_ptr cinfo) {
  TJpegStreamDestination& destination = Destination(cinfo);
  if (destination.buffer.empty())
    destination.buffer.resize(TJpegStreamDestination::kBufferSize);
  ResetBuffer(destination);
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  WriteBuffer(cinfo, TJpegStreamDestination::kBufferSize);
  ResetBuffer(Destination(cinfo));
  return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
  const std::size_t filled =
      TJpegStreamDestination::kBufferSize - Destination(cinfo).pub.free_in_buffer;
  if (filled > 0)
    WriteBuffer(cinfo, filled);
}

}  // namespace

void InstallJpegStreamDestination(j_compress_ptr cinfo, TJpegStreamDestination& destination,
                                  TByteStream& stream, bool* aborting) {
  destination.stream = &stream;
  destination.aborting = aborting;
  destination.pub.init_destination = InitDestination;
  destination.pub.empty_output_buffer = EmptyOutputBuffer;
  destination.pub.term_destination = TermDestination;
  destination.pub.next_output_byte = nullptr;
  destination.pub.free_in_buffer = 0;
  cinfo->dest = &destination.pub;
}
