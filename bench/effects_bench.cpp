// Each effect on a 12-megapixel pfBGR24 photo, beside a libjpeg decode of a photo of the same
// size: the goal is an effect cheaper than the decode (the Wallis filter under three decodes).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "bench/LibjpegReference.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/effects/blur/BlurKernel.h"
#include "imaging/proc/effects/blur/BlurRaster.h"
#include "imaging/proc/effects/bw/OrderedDither.h"
#include "imaging/proc/effects/equalize/HistEqualizer.h"
#include "imaging/proc/effects/wallis/WallisRaster.h"

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
  return EncodeWithLibjpeg(kWidth, kHeight, JCS_EXT_BGR, [&](int y, std::uint8_t* row) {
    std::copy_n(scene.RowPtr(y), kWidth * 3, row);
  });
}

void ReportRate(benchmark::State& state) {
  state.counters["MP/s"] = benchmark::Counter(kMegapixels * static_cast<double>(state.iterations()),
                                              benchmark::Counter::kIsRate);
}

void BM_JpegDecode12MP(benchmark::State& state) {
  const std::vector<unsigned char> file = EncodeScene();
  std::vector<std::uint8_t> row;
  for (auto _ : state)
    benchmark::DoNotOptimize(DecodeWithLibjpeg(file, row));
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

// As in the window's serial run, the filter spreads its rows over every core: wall-clock time is
// what counts, and the CPU time of all threads shows what the spreading costs.
void BM_WallisFilter12MP(benchmark::State& state) {
  TImgBitmap image;
  CopyScene(image);
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  for (auto _ : state)
    WallisFilterRaster(image, WallisArguments{}, {},
                       WallisWorkers(image.Width(), image.Height(), cores));
  ReportRate(state);
}
BENCHMARK(BM_WallisFilter12MP)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_WallisFilterOneThread12MP(benchmark::State& state) {
  TImgBitmap image;
  CopyScene(image);
  for (auto _ : state)
    WallisFilterRaster(image, WallisArguments{}, {}, 0);
  ReportRate(state);
}
BENCHMARK(BM_WallisFilterOneThread12MP)->Unit(benchmark::kMillisecond);

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
