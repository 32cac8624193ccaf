#include "imaging/io/jpeg/JpegFrameSize.h"

#include <cstdio>

#include <jpeglib.h>

#include "imaging/io/jpeg/JpegSession.h"
#include "imaging/io/jpeg/JpegStart.h"
#include "imaging/io/jpeg/JpegStreamSource.h"
#include "platform/ByteStream.h"

std::optional<TJpegFrameSize> ReadJpegFrameSize(TByteStream& stream) {
  const std::int64_t start = FindJpegStart(stream);
  if (start < 0)
    return std::nullopt;
  stream.SetPosition(start);
  bool aborting = false;
  TJpegSession<jpeg_decompress_struct> s(&aborting);
  if (!s.created)
    return std::nullopt;
  TJpegStreamSource source{};
  InstallJpegStreamSource(&s.cinfo, source, stream, &aborting);
  if (aborting || !JpegGuarded(s.errors, [&] { jpeg_read_header(&s.cinfo, TRUE); }) || aborting)
    return std::nullopt;
  return TJpegFrameSize{static_cast<int>(s.cinfo.image_width),
                        static_cast<int>(s.cinfo.image_height)};
}
