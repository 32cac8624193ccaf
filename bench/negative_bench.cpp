#include <benchmark/benchmark.h>

#include <cstring>

#include "imaging/core/TImgBitmap.h"
#include "imaging/proc/TImagerProc.h"

namespace {

// Negative of a photo-sized image through the whole frame, with and without the undo copy, so
// that the cost of the copy (on disk by default) can be told apart from the inversion.
void BM_NegativeFrame(benchmark::State& state) {
  TImagerProc proc;
  proc.SetAutoUndo(state.range(0) != 0);
  TImgBitmap& image = *proc.CurrentImage();
  image.Allocate(2000, 1500, pfBGR24);
  for (int y = 0; y < image.Height(); ++y)
    std::memset(image.RowPtr(y), y & 0xFF, 6000);
  for (auto _ : state) {
    proc.Negative();
    benchmark::DoNotOptimize(image.RowPtr(0)[0]);
  }
  state.SetBytesProcessed(state.iterations() * 2000 * 1500 * 3);
}
BENCHMARK(BM_NegativeFrame)->Arg(0)->Arg(1)->ArgName("undo")->Unit(benchmark::kMillisecond);

}  // namespace
