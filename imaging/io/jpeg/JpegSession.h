#pragma once

#include <cstdint>
#include <type_traits>
#include <vector>

#include <jpeglib.h>

#include "imaging/io/jpeg/JpegErrorManager.h"
#include "imaging/io/jpeg/JpegMemoryLimit.h"

/// Everything one read (jpeg_decompress_struct) or one write (jpeg_compress_struct) creates: the
/// library object with the codec's error manager and memory limit, destroyed on every path.
template <class Codec>
struct TJpegSession {
  Codec cinfo{};
  TJpegErrorManager errors{};
  bool* aborting;
  bool created = false;  ///< false when the library failed to create its object
  std::vector<std::uint8_t> work;

  explicit TJpegSession(bool* abortFlag) : aborting(abortFlag) {
    cinfo.err = InitJpegErrorManager(errors, aborting);
    created = JpegGuarded(errors, [this] {
      if constexpr (std::is_same_v<Codec, jpeg_decompress_struct>)
        jpeg_create_decompress(&cinfo);
      else
        jpeg_create_compress(&cinfo);
    });
    if (created)
      LimitJpegMemory(reinterpret_cast<j_common_ptr>(&cinfo));
  }
  TJpegSession(const TJpegSession&) = delete;
  TJpegSession& operator=(const TJpegSession&) = delete;
  // Destroying a half-built object is safe, so this runs whether creation succeeded or not.
  ~TJpegSession() { jpeg_destroy(reinterpret_cast<j_common_ptr>(&cinfo)); }

  bool Aborted() const { return *aborting; }
  void Abort() { *aborting = true; }
};

/// Sets the library's DCT method from the parameter code: 0 accurate integer, 1 fast integer,
/// 2 floating point; any other code keeps the library's default.
template <class Codec>
void ApplyJpegDctMethod(Codec& cinfo, int code) {
  switch (code) {
    case 0:
      cinfo.dct_method = JDCT_ISLOW;
      break;
    case 1:
      cinfo.dct_method = JDCT_IFAST;
      break;
    case 2:
      cinfo.dct_method = JDCT_FLOAT;
      break;
    default:
      break;
  }
}
