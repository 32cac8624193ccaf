// Feeds arbitrary bytes to the JPEG reader. Images are limited to a few megapixels (checked
// with the library's own header parse first) so that the fuzzer's memory limit is about the
// reader, not about legitimately large pictures.

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/jpeg/JpegReader.h"
#include "platform/MemoryStream.h"

namespace {

constexpr unsigned long kMaxPixels = 1u << 20;

struct HeaderErrors {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void JumpBack(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<HeaderErrors*>(cinfo->err)->jump, 1);
}
void Silent(j_common_ptr, int) {}

// True unless the header names an image too large for the fuzzer's budget.
bool SizeWithinBudget(const std::uint8_t* data, std::size_t size) {
  jpeg_decompress_struct cinfo{};
  HeaderErrors errors{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JumpBack;
  errors.pub.emit_message = Silent;
  if (setjmp(errors.jump) != 0) {
    jpeg_destroy_decompress(&cinfo);
    return true;  // the reader must cope with whatever made the library give up
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  const bool small =
      static_cast<unsigned long>(cinfo.image_width) * cinfo.image_height <= kMaxPixels;
  jpeg_destroy_decompress(&cinfo);
  return small;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || !SizeWithinBudget(data, size))
    return 0;
  TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  TImgBitmap bitmap;
  TIOParamsVals params;
  bool aborting = false;
  TProgressRecord progress;
  progress.aborting = &aborting;
  ReadJpegImage(stream, nullptr, bitmap, false, false, progress, params);
  // Touch every decoded byte so that the sanitizer sees any row that was never written.
  unsigned sum = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    for (int x = 0; x < bitmap.Width() * 3; ++x)
      sum += row[x];
  }
  for (int i = 0; i < params.JpegMarkers.Count(); ++i)
    sum += static_cast<unsigned>(params.JpegMarkers[i].data.size());
  return sum == 0xFFFFFFFFu ? 1 : 0;
}
