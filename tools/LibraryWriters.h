#pragma once

// Writes PNG, WebP, HEIF and AVIF files through Debian's libraries, for the sample folder and
// for tests: the files the readers meet are then made by the formats' own encoders.

#include <libheif/heif.h>
#include <png.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace librarywriters {

/// A picture as 8-bit samples, top row first: gray, gray+alpha, RGB or RGBA.
struct TPicture {
  int width = 0;
  int height = 0;
  int channels = 3;
  std::vector<std::uint8_t> samples;
};

/// Writes a non-interlaced (or Adam7) 8-bit PNG; exifTiff, when given, goes into an eXIf chunk.
inline bool WritePng(const std::string& path, const TPicture& picture, bool interlaced = false,
                     const std::vector<std::uint8_t>& exifTiff = {}) {
  static constexpr int kColorTypes[] = {PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA,
                                        PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA};
  if (picture.channels < 1 || picture.channels > 4)
    return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr)
    return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  std::vector<png_bytep> rows(static_cast<std::size_t>(picture.height));
  for (int y = 0; y < picture.height; ++y) {
    rows[static_cast<std::size_t>(y)] = const_cast<png_bytep>(
        picture.samples.data() + static_cast<std::size_t>(y) * picture.width * picture.channels);
  }
  // Kept in memory across a jump out of libpng.
  volatile bool written = false;
  if (info != nullptr && setjmp(png_jmpbuf(png)) == 0) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, kColorTypes[picture.channels - 1],
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!exifTiff.empty()) {
      png_set_eXIf_1(png, info, static_cast<png_uint_32>(exifTiff.size()),
                     const_cast<png_bytep>(exifTiff.data()));
    }
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    written = true;
  }
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0 && written;
}

inline bool WriteBytes(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return static_cast<bool>(file);
}

/// Writes an RGB picture as lossy WebP; exifTiff, when given, goes into an EXIF chunk.
inline bool WriteWebp(const std::string& path, const TPicture& picture, float quality,
                      const std::vector<std::uint8_t>& exifTiff = {}) {
  if (picture.channels != 3)
    return false;
  std::uint8_t* encoded = nullptr;
  const std::size_t size = WebPEncodeRGB(picture.samples.data(), picture.width, picture.height,
                                         picture.width * 3, quality, &encoded);
  if (size == 0)
    return false;
  WebPMux* mux = WebPMuxNew();
  const WebPData image{encoded, size};
  const WebPData exif{exifTiff.data(), exifTiff.size()};
  WebPData assembled{nullptr, 0};
  bool written = mux != nullptr && WebPMuxSetImage(mux, &image, 1) == WEBP_MUX_OK &&
                 (exifTiff.empty() || WebPMuxSetChunk(mux, "EXIF", &exif, 1) == WEBP_MUX_OK) &&
                 WebPMuxAssemble(mux, &assembled) == WEBP_MUX_OK &&
                 WriteBytes(path, assembled.bytes, assembled.size);
  WebPDataClear(&assembled);
  WebPMuxDelete(mux);
  WebPFree(encoded);
  return written;
}

/// Writes an RGB picture as HEIF (HEVC) or AVIF (AV1); exifTiff, when given, as its EXIF block.
/// An orientation other than 1 goes into the file's own rotation and mirror boxes.
inline bool WriteHeif(const std::string& path, const TPicture& picture, bool avif, int quality,
                      const std::vector<std::uint8_t>& exifTiff = {}, int orientation = 1) {
  if (picture.channels != 3)
    return false;
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* image = nullptr;
  heif_image_handle* handle = nullptr;
  bool written =
      heif_context_get_encoder_for_format(
          context, avif ? heif_compression_AV1 : heif_compression_HEVC, &encoder)
              .code == heif_error_Ok &&
      heif_image_create(picture.width, picture.height, heif_colorspace_RGB,
                        heif_chroma_interleaved_RGB, &image)
              .code == heif_error_Ok &&
      heif_image_add_plane(image, heif_channel_interleaved, picture.width, picture.height, 8)
              .code == heif_error_Ok;
  if (written) {
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < picture.height; ++y) {
      const std::uint8_t* from =
          picture.samples.data() + static_cast<std::size_t>(y) * picture.width * 3;
      std::copy(from, from + picture.width * 3, plane + static_cast<std::ptrdiff_t>(y) * stride);
    }
    heif_encoder_set_lossy_quality(encoder, quality);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = static_cast<heif_orientation>(orientation);
    written = heif_context_encode_image(context, image, encoder, options, &handle).code ==
                  heif_error_Ok &&
              (exifTiff.empty() || heif_context_add_exif_metadata(context, handle, exifTiff.data(),
                                                                  static_cast<int>(exifTiff.size()))
                                           .code == heif_error_Ok) &&
              heif_context_write_to_file(context, path.c_str()).code == heif_error_Ok;
    heif_encoding_options_free(options);
  }
  heif_image_handle_release(handle);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return written;
}

}  // namespace librarywriters
