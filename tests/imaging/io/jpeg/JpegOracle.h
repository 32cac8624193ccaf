#pragma once

// libjpeg called directly, as the reference the codec's results are compared with.

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace oracle {

struct Image {
  bool ok = false;
  int width = 0;
  int height = 0;
  int components = 0;
  J_COLOR_SPACE fileSpace = JCS_UNKNOWN;
  std::vector<std::uint8_t> pixels;  ///< rows of width x components bytes, no padding
};

struct ErrorJump {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

inline void JumpOnError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<ErrorJump*>(cinfo->err)->jump, 1);
}
inline void Quiet(j_common_ptr, int) {}

/// Runs library calls; false when one of them raised a fatal error.
template <class Call>
bool Guarded(ErrorJump& errors, Call&& call) {
  if (setjmp(errors.jump) != 0)
    return false;
  call();
  return true;
}

inline std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// Decodes with the library's defaults into out (JCS_RGB for 1- and 3-component files, JCS_CMYK
/// for 4-component ones, or as given).
inline Image Decode(const std::vector<std::uint8_t>& bytes, J_COLOR_SPACE out = JCS_UNKNOWN,
                    unsigned scaleDenominator = 1) {
  Image image;
  jpeg_decompress_struct cinfo{};
  ErrorJump errors{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JumpOnError;
  errors.pub.emit_message = Quiet;
  image.ok = Guarded(errors, [&] {
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    image.fileSpace = cinfo.jpeg_color_space;
    cinfo.out_color_space = out != JCS_UNKNOWN          ? out
                            : cinfo.num_components == 4 ? JCS_CMYK
                                                        : JCS_RGB;
    cinfo.scale_num = 1;
    cinfo.scale_denom = scaleDenominator;
    jpeg_start_decompress(&cinfo);
    image.width = static_cast<int>(cinfo.output_width);
    image.height = static_cast<int>(cinfo.output_height);
    image.components = cinfo.output_components;
    const std::size_t stride = static_cast<std::size_t>(image.width) * image.components;
    image.pixels.resize(stride * image.height);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = image.pixels.data() + stride * cinfo.output_scanline;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
  });
  jpeg_destroy_decompress(&cinfo);
  return image;
}

/// Encodes rows (width x components bytes each) with the library's defaults, a quality, a file
/// colour space and optional extra setup before jpeg_start_compress and markers after it.
struct EncodeOptions {
  int quality = 90;
  J_COLOR_SPACE inSpace = JCS_RGB;
  int components = 3;
  J_COLOR_SPACE fileSpace = JCS_YCbCr;
  bool progressive = false;
  std::function<void(j_compress_ptr)> setup;
  std::function<void(j_compress_ptr)> markers;
};

/// Options changed from the defaults by edit.
inline EncodeOptions Options(const std::function<void(EncodeOptions&)>& edit) {
  EncodeOptions options;
  edit(options);
  return options;
}

/// The defaults with a JFIF density.
inline EncodeOptions WithDensity(int unit, int x, int y) {
  return Options([=](EncodeOptions& options) {
    options.setup = [=](j_compress_ptr cinfo) {
      cinfo->density_unit = static_cast<UINT8>(unit);
      cinfo->X_density = static_cast<UINT16>(x);
      cinfo->Y_density = static_cast<UINT16>(y);
    };
  });
}

inline std::vector<std::uint8_t> Encode(int width, int height,
                                        const std::vector<std::uint8_t>& pixels,
                                        const EncodeOptions& options) {
  jpeg_compress_struct cinfo{};
  ErrorJump errors{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JumpOnError;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool ok = Guarded(errors, [&] {
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = options.components;
    cinfo.in_color_space = options.inSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, options.fileSpace);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.progressive)
      jpeg_simple_progression(&cinfo);
    if (options.setup)
      options.setup(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    if (options.markers)
      options.markers(&cinfo);
    const std::size_t stride = static_cast<std::size_t>(width) * options.components;
    while (cinfo.next_scanline < cinfo.image_height) {
      JSAMPROW row = const_cast<std::uint8_t*>(pixels.data()) + stride * cinfo.next_scanline;
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
  });
  jpeg_destroy_compress(&cinfo);
  std::vector<std::uint8_t> result;
  if (ok)
    result.assign(buffer, buffer + size);
  std::free(buffer);
  return result;
}

/// An abbreviated datastream holding only the tables, as JPEG-in-TIFF stores them, and the
/// matching abbreviated image stream without tables.
inline std::pair<std::vector<std::uint8_t>, std::vector<std::uint8_t>> EncodeAbbreviated(
    int width, int height, const std::vector<std::uint8_t>& rgb) {
  jpeg_compress_struct cinfo{};
  ErrorJump errors{};
  cinfo.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = JumpOnError;
  unsigned char* tables = nullptr;
  unsigned long tablesSize = 0;
  unsigned char* image = nullptr;
  unsigned long imageSize = 0;
  const bool ok = Guarded(errors, [&] {
    jpeg_create_compress(&cinfo);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 80, TRUE);
    jpeg_mem_dest(&cinfo, &tables, &tablesSize);
    jpeg_write_tables(&cinfo);
    jpeg_mem_dest(&cinfo, &image, &imageSize);
    jpeg_start_compress(&cinfo, FALSE);
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    while (cinfo.next_scanline < cinfo.image_height) {
      JSAMPROW row = const_cast<std::uint8_t*>(rgb.data()) + stride * cinfo.next_scanline;
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
  });
  jpeg_destroy_compress(&cinfo);
  std::pair<std::vector<std::uint8_t>, std::vector<std::uint8_t>> result;
  if (ok) {
    result.first.assign(tables, tables + tablesSize);
    result.second.assign(image, image + imageSize);
  }
  std::free(tables);
  std::free(image);
  return result;
}

/// A smooth colour test pattern, red, green, blue per pixel.
inline std::vector<std::uint8_t> Pattern(int width, int height) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      p[0] = static_cast<std::uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
      p[1] = static_cast<std::uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
      p[2] = static_cast<std::uint8_t>((x + y) * 255 / (width + height));
    }
  }
  return rgb;
}

/// The segments of a datastream up to its first SOS: marker code and payload.
struct Segment {
  int code = 0;
  std::vector<std::uint8_t> data;
};
inline std::vector<Segment> SegmentsBeforeScan(const std::vector<std::uint8_t>& bytes) {
  std::vector<Segment> segments;
  std::size_t i = 2;
  while (i + 4 <= bytes.size() && bytes[i] == 0xFF) {
    const int code = bytes[i + 1];
    const std::size_t length = (static_cast<std::size_t>(bytes[i + 2]) << 8) | bytes[i + 3];
    if (length < 2 || i + 2 + length > bytes.size())
      break;
    segments.push_back(
        {code, std::vector<std::uint8_t>(bytes.begin() + static_cast<long>(i) + 4,
                                         bytes.begin() + static_cast<long>(i + 2 + length))});
    if (code == 0xDA)
      break;
    i += 2 + length;
  }
  return segments;
}

}  // namespace oracle
