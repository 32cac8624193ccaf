// Bicubic resampling of a 24-megapixel photo beside libjpeg's decode of a photo of that size:
// shrinking a photo should cost well under half of decoding it.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "bench/LibjpegReference.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/TImagerProc.h"

namespace {

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;

// Smooth gradients with fine noise: content that neither compresses to nothing nor is pure noise.
void PaintPhoto(std::uint8_t* row, int y, int width, std::mt19937& random) {
  std::uniform_int_distribution<int> noise(-12, 12);
  for (int x = 0; x < width; ++x) {
    const int base[3] = {(x * 255) / width, (y * 255) / kPhotoHeight, ((x + y) * 127) / width};
    for (int c = 0; c < 3; ++c)
      row[3 * x + c] = static_cast<std::uint8_t>(std::clamp(base[c] + noise(random), 0, 255));
  }
}

TImagerProc& PhotoProcessor() {
  static TImagerProc* proc = [] {
    auto* p = new TImagerProc();
    p->SetAutoUndo(false);
    TImgBitmap* image = p->CurrentImage();
    image->Allocate(kPhotoWidth, kPhotoHeight, pfBGR24);
    std::mt19937 random(1);
    for (int y = 0; y < kPhotoHeight; ++y)
      PaintPhoto(image->RowPtr(y), y, kPhotoWidth, random);
    return p;
  }();
  return *proc;
}

void ResampleBicubic(benchmark::State& state, int width, int height) {
  TImagerProc& proc = PhotoProcessor();
  TImgBitmap target;
  for (auto _ : state) {
    proc.ResampleTo(&target, width, height, rfBicubic);
    benchmark::DoNotOptimize(target.RowPtr(0));
  }
  state.counters["source_MP/s"] =
      benchmark::Counter(static_cast<double>(kPhotoWidth) * kPhotoHeight / 1e6 *
                             static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void BM_ResampleBicubicHalf(benchmark::State& state) {
  ResampleBicubic(state, kPhotoWidth / 2, kPhotoHeight / 2);
}
void BM_ResampleBicubicTo1024x768(benchmark::State& state) {
  ResampleBicubic(state, 1024, 768);
}
void BM_ResampleBicubicDouble(benchmark::State& state) {
  ResampleBicubic(state, kPhotoWidth * 2, kPhotoHeight * 2);
}

// A JPEG of the benchmark photo made with libjpeg.
std::vector<unsigned char> EncodePhoto() {
  std::mt19937 random(1);
  return EncodeWithLibjpeg(kPhotoWidth, kPhotoHeight, JCS_RGB, [&](int y, std::uint8_t* row) {
    PaintPhoto(row, y, kPhotoWidth, random);
  });
}

void DecodeBenchmark(benchmark::State& state, const std::vector<unsigned char>& bytes) {
  if (bytes.empty()) {
    state.SkipWithError("no photo");
    return;
  }
  std::vector<std::uint8_t> row;
  double megapixels = 0;
  for (auto _ : state)
    megapixels += DecodeWithLibjpeg(bytes, row);
  state.counters["MP/s"] = benchmark::Counter(megapixels, benchmark::Counter::kIsRate);
}

void BM_DecodeGeneratedPhoto(benchmark::State& state) {
  static const std::vector<unsigned char> bytes = EncodePhoto();
  DecodeBenchmark(state, bytes);
}

// The largest camera photo of the shared benchmark set, when it is there.
void BM_DecodeCameraPhoto(benchmark::State& state) {
  static const std::vector<unsigned char> bytes = [] {
    const std::filesystem::path path =
        std::filesystem::path(QM_SHARED_DIR) / "bench/photos/Canon_EOS_5D_Mark_III.jpg";
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
  }();
  DecodeBenchmark(state, bytes);
}

}  // namespace

BENCHMARK(BM_DecodeGeneratedPhoto)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeCameraPhoto)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResampleBicubicHalf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResampleBicubicTo1024x768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ResampleBicubicDouble)->Unit(benchmark::kMillisecond);
