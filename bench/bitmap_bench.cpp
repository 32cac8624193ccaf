#include <benchmark/benchmark.h>

#include <cstring>

#include "imaging/core/TImgBitmap.h"

namespace {

// A photo-sized colour image with some variety, in memory or (range 1) on disk.
void MakePhoto(TImgBitmap& image, bool onDisk) {
  image.SetMemoryThreshold(onDisk ? 0 : INT64_MAX);
  image.Allocate(2000, 1500, pfBGR24);
  for (int y = 0; y < 1500; ++y) {
    std::uint8_t* row = image.RowPtr(y);
    for (int i = 0; i < 6000; ++i)
      row[i] = static_cast<std::uint8_t>(i * 7 + y * 3);
  }
}

void BM_ConvertToGray8(benchmark::State& state) {
  TImgBitmap photo;
  MakePhoto(photo, state.range(0) != 0);
  TImgBitmap image;
  image.SetMemoryThreshold(photo.MemoryThreshold());
  for (auto _ : state) {
    state.PauseTiming();
    image.Assign(&photo);
    state.ResumeTiming();
    image.SetPixelFormat(pfGray8);
    benchmark::DoNotOptimize(image.RowPtr(0)[0]);
  }
  state.SetItemsProcessed(state.iterations() * 2000 * 1500);
}
BENCHMARK(BM_ConvertToGray8)->Arg(0)->Arg(1)->ArgName("disk")->Unit(benchmark::kMillisecond);

void BM_QuantizeToPalette8(benchmark::State& state) {
  TImgBitmap photo;
  MakePhoto(photo, false);
  TImgBitmap image;
  for (auto _ : state) {
    state.PauseTiming();
    image.Assign(&photo);
    state.ResumeTiming();
    image.SetPixelFormat(pfPalette8);
    benchmark::DoNotOptimize(image.RowPtr(0)[0]);
  }
  state.SetItemsProcessed(state.iterations() * 2000 * 1500);
}
BENCHMARK(BM_QuantizeToPalette8)->Unit(benchmark::kMillisecond);

void BM_AssignDiskToDisk(benchmark::State& state) {
  TImgBitmap photo;
  MakePhoto(photo, true);
  TImgBitmap copy;
  copy.SetMemoryThreshold(0);
  for (auto _ : state) {
    copy.Assign(&photo);
    benchmark::DoNotOptimize(copy.RowPtr(0)[0]);
  }
  state.SetBytesProcessed(state.iterations() * 6000 * 1500);
}
BENCHMARK(BM_AssignDiskToDisk)->Unit(benchmark::kMillisecond);

}  // namespace
