// Each effect on a 12-megapixel pfBGR24 photo, beside a libjpeg decode of a photo of the same
// size: the goal is an effect cheaper than the decode (the Wallis filter under three decodes).

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/BlurKernel.h"
#include "imaging/proc/BlurRaster.h"
#include "imaging/proc/HistEqualizer.h"
#include "imaging/proc/OrderedDither.h"
#include "imaging/proc/WallisRaster.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr double kMegapixels = kWidth * kHeight / 1e6;

// A photo-like scene: smooth colour gradients, a soft highlight and fine texture, so that
// neither the codec nor the effects meet an unrealistically flat image. The smooth parts are
// separable, so they come from per-column and per-row tables.
void FillScene(TImgBitmap& image) {
  image.SetLocation(locInMemory);
  image.SetMemoryThreshold(INT64_MAX);
  image.Allocate(kWidth, kHeight, pfBGR24);
  std::vector<double> across(static_cast<std::size_t>(kWidth) * 3);
  std::vector<double> glowAcross(kWidth);
  for (int x = 0; x < kWidth; ++x) {
    const double u = static_cast<double>(x) / kWidth;
    for (int c = 0; c < 3; ++c)
      across[3 * x + c] = std::sin(6.0 * u + 2.0 * c);
    glowAcross[x] = std::exp(-(u - 0.4) * (u - 0.4) * 30);
  }
  for (int y = 0; y < kHeight; ++y) {
    const double v = static_cast<double>(y) / kHeight;
    double down[3];
    for (int c = 0; c < 3; ++c)
      down[c] = 70 * std::cos(4.0 * v - c);
    const double glowDown = 40 * std::exp(-(v - 0.5) * (v - 0.5) * 30);
    std::uint8_t* row = image.RowPtr(y);
    for (int x = 0; x < kWidth; ++x) {
      for (int c = 0; c < 3; ++c) {
        double value = 90 + across[3 * x + c] * down[c] + glowAcross[x] * glowDown;
        value += static_cast<double>(((x * 7919 + y * 104729 + c * 31) >> 3) % 23) - 11;
        row[3 * x + c] = static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
      }
    }
  }
}

TImgBitmap& Scene() {
  static TImgBitmap scene;
  if (scene.IsEmpty())
    FillScene(scene);
  return scene;
}

// A fresh copy per benchmark, so that every effect starts from the same photo.
void CopyScene(TImgBitmap& target) {
  target.SetLocation(locInMemory);
  target.SetMemoryThreshold(INT64_MAX);
  target.Assign(&Scene());
}

std::vector<unsigned char> EncodeScene() {
  TImgBitmap& scene = Scene();
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = kWidth;
  cinfo.image_height = kHeight;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = scene.RowPtr(static_cast<int>(cinfo.next_scanline));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<unsigned char> file(buffer, buffer + size);
  std::free(buffer);
  return file;
}

void ReportRate(benchmark::State& state) {
  state.counters["MP/s"] = benchmark::Counter(kMegapixels * static_cast<double>(state.iterations()),
                                              benchmark::Counter::kIsRate);
}

void BM_JpegDecode12MP(benchmark::State& state) {
  const std::vector<unsigned char> file = EncodeScene();
  std::vector<unsigned char> pixels(static_cast<std::size_t>(kWidth) * kHeight * 3);
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = pixels.data() + static_cast<std::size_t>(cinfo.output_scanline) * kWidth * 3;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels.data());
  }
  ReportRate(state);
}
BENCHMARK(BM_JpegDecode12MP)->Unit(benchmark::kMillisecond);

void BM_HistAutoEqualize12MP(benchmark::State& state) {
  TImgBitmap image;
  CopyScene(image);
  for (auto _ : state)
    EqualizeHistogram(image, 0, 0, kWidth, kHeight, {});
  ReportRate(state);
}
BENCHMARK(BM_HistAutoEqualize12MP)->Unit(benchmark::kMillisecond);

void BM_Blur2_12MP(benchmark::State& state) {
  TImgBitmap image;
  CopyScene(image);
  for (auto _ : state)
    BlurRaster(image, BlurKernel(2.0), {});
  ReportRate(state);
}
BENCHMARK(BM_Blur2_12MP)->Unit(benchmark::kMillisecond);

void BM_WallisFilter12MP(benchmark::State& state) {
  TImgBitmap image;
  CopyScene(image);
  for (auto _ : state)
    WallisFilterRaster(image, WallisArguments{}, {});
  ReportRate(state);
}
BENCHMARK(BM_WallisFilter12MP)->Unit(benchmark::kMillisecond);

void BM_ConvertToBWOrdered12MP(benchmark::State& state) {
  TImgBitmap image;
  CopyScene(image);
  TImgBitmap bits;
  bits.SetLocation(locInMemory);
  bits.SetMemoryThreshold(INT64_MAX);
  for (auto _ : state)
    DitherToBlackAndWhite(image, bits, {});
  ReportRate(state);
}
BENCHMARK(BM_ConvertToBWOrdered12MP)->Unit(benchmark::kMillisecond);

}  // namespace
