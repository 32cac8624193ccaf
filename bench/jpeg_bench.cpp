// Load + save of a real photo at quality 75, progressive, through the imaging component, beside
// the same decode + encode made by calling the JPEG library directly: the difference is what the
// binding (streams, row transfer, container, dispatch frame) adds to the library's own work.

#include <benchmark/benchmark.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <jpeglib.h>

#include "imaging/component/TImager.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "platform/MemoryStream.h"

namespace {

const std::filesystem::path kPhoto =
    std::filesystem::path(QM_SHARED_DIR) / "bench/photos/Apple_iPhone_4S.jpg";

std::vector<unsigned char> ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void BM_ComponentLoadSaveQ75Progressive(benchmark::State& state) {
  if (!std::filesystem::exists(kPhoto))
    return state.SkipWithError("bench photo absent");
  TImager imager;
  std::int64_t written = 0;
  for (auto _ : state) {
    imager.LoadFromFile(kPhoto.string());
    imager.Params().JpegQuality = 75;
    imager.Params().JpegProgressive = true;
    TMemoryStream output;
    imager.IO()->SaveJpegStream(output);
    written = output.Size();
    if (imager.IO()->Aborting())
      return state.SkipWithError("load or save failed");
  }
  state.counters["output_bytes"] = static_cast<double>(written);
}
BENCHMARK(BM_ComponentLoadSaveQ75Progressive)->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_LibraryDecodeEncodeQ75Progressive(benchmark::State& state) {
  if (!std::filesystem::exists(kPhoto))
    return state.SkipWithError("bench photo absent");
  std::int64_t written = 0;
  for (auto _ : state) {
    const std::vector<unsigned char> input = ReadWholeFile(kPhoto);
    jpeg_decompress_struct decompress{};
    jpeg_error_mgr decompressErrors{};
    decompress.err = jpeg_std_error(&decompressErrors);
    jpeg_create_decompress(&decompress);
    jpeg_mem_src(&decompress, input.data(), static_cast<unsigned long>(input.size()));
    jpeg_read_header(&decompress, TRUE);
    decompress.out_color_space = JCS_RGB;
    jpeg_start_decompress(&decompress);
    const std::size_t stride = static_cast<std::size_t>(decompress.output_width) * 3;
    std::vector<unsigned char> pixels(stride * decompress.output_height);
    while (decompress.output_scanline < decompress.output_height) {
      JSAMPROW row = pixels.data() + stride * decompress.output_scanline;
      jpeg_read_scanlines(&decompress, &row, 1);
    }
    jpeg_finish_decompress(&decompress);

    jpeg_compress_struct compress{};
    jpeg_error_mgr compressErrors{};
    compress.err = jpeg_std_error(&compressErrors);
    jpeg_create_compress(&compress);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compress, &buffer, &size);
    compress.image_width = decompress.output_width;
    compress.image_height = decompress.output_height;
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_destroy_decompress(&decompress);
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 75, TRUE);
    jpeg_simple_progression(&compress);
    jpeg_start_compress(&compress, TRUE);
    while (compress.next_scanline < compress.image_height) {
      JSAMPROW row = pixels.data() + stride * compress.next_scanline;
      jpeg_write_scanlines(&compress, &row, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    written = static_cast<std::int64_t>(size);
    std::free(buffer);
  }
  state.counters["output_bytes"] = static_cast<double>(written);
}
BENCHMARK(BM_LibraryDecodeEncodeQ75Progressive)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace
