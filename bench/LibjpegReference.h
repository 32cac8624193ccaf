#pragma once

// libjpeg called directly, as the yardstick the kernel benchmarks measure themselves against.

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

/// A quality-90 JPEG (2x2 chroma subsampling) of width x height pixels; fillRow writes row y
/// as three bytes per pixel in the colour space given.
inline std::vector<unsigned char> EncodeWithLibjpeg(
    int width, int height, J_COLOR_SPACE colorSpace,
    const std::function<void(int y, std::uint8_t* row)>& fillRow) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = colorSpace;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    fillRow(static_cast<int>(cinfo.next_scanline), row.data());
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<unsigned char> bytes(buffer, buffer + size);
  std::free(buffer);
  return bytes;
}

/// Decodes to blue-green-red rows, as the image loader does; returns the decoded megapixels.
inline double DecodeWithLibjpeg(const std::vector<unsigned char>& bytes,
                                std::vector<std::uint8_t>& row) {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  row.resize(static_cast<std::size_t>(cinfo.output_width) * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&cinfo, rows, 1);
  }
  const double megapixels = cinfo.output_width * static_cast<double>(cinfo.output_height) / 1e6;
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return megapixels;
}
