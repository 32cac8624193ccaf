// TIFF decoding beside libtiff on the same files, in megapixels per second: a large LZW RGB
// photo with horizontal differencing and a Group 4 A4 page at 300 dpi. The files are made
// once per run by the tools' TIFF writer.

#include <benchmark/benchmark.h>
#include <tiffio.h>

#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/tiff/TiffReader.h"
#include "platform/MemoryStream.h"
#include "tools/TiffWriter.h"

namespace {

namespace fs = std::filesystem;

const fs::path kPhoto = fs::path(QM_SHARED_DIR) / "bench/photos/Apple_iPhone_4S.jpg";

struct TBenchFile {
  fs::path path;
  std::vector<std::uint8_t> bytes;
  double megapixels = 0;
};

// The photo's pixels as LZW RGB with differencing, strips of 8 rows.
const TBenchFile& LzwPhoto() {
  static const TBenchFile file = [] {
    TBenchFile made;
    TImagerIO io;
    io.LoadFromFile(kPhoto.string());
    if (io.Aborting())
      return made;
    TImgBitmap& bitmap = *io.Bitmap();
    tiffwriter::Page page;
    page.width = bitmap.Width();
    page.height = bitmap.Height();
    page.compression = tiffwriter::kLzw;
    page.predictor = true;
    page.rowsPerStrip = 8;
    for (int y = 0; y < page.height; ++y) {
      const std::uint8_t* row = bitmap.RowPtr(y);
      for (int x = 0; x < page.width; ++x)
        page.rows.insert(page.rows.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
    }
    made.bytes = tiffwriter::Encode(page);
    made.megapixels = page.width * static_cast<double>(page.height) / 1e6;
    made.path = fs::temp_directory_path() / "quillmere-bench-lzw.tif";
    tiffwriter::WriteFile(made.path.string(), made.bytes);
    return made;
  }();
  return file;
}

// An A4 page at 300 dpi set with lines of words: black blocks of random widths.
const TBenchFile& FaxPage() {
  static const TBenchFile file = [] {
    TBenchFile made;
    tiffwriter::Page page = tiffwriter::BilevelFaxPage(2480, 3508);
    const std::size_t rowBytes = (page.width + 7) / 8;
    std::mt19937 random(7);
    for (int line = 300; line + 40 < page.height - 300; line += 60) {
      for (int x = 250; x < page.width - 250;) {
        const int word = 40 + static_cast<int>(random() % 200);
        for (int y = line; y < line + 36; ++y)
          for (int i = x; i < std::min(x + word, page.width - 250); ++i)
            if ((i + y) % 5 != 0 || (random() & 3) != 0)
              page.rows[y * rowBytes + i / 8] |= static_cast<std::uint8_t>(0x80 >> (i % 8));
        x += word + 30;
      }
    }
    made.bytes = tiffwriter::Encode(page);
    made.megapixels = page.width * static_cast<double>(page.height) / 1e6;
    made.path = fs::temp_directory_path() / "quillmere-bench-g4.tif";
    tiffwriter::WriteFile(made.path.string(), made.bytes);
    return made;
  }();
  return file;
}

void Report(benchmark::State& state, double megapixels) {
  state.counters["MP/s"] =
      benchmark::Counter(megapixels, benchmark::Counter::kIsIterationInvariantRate);
}

void DecodeWithReader(benchmark::State& state, const TBenchFile& file) {
  if (file.bytes.empty())
    return state.SkipWithError("bench photo absent");
  TImgBitmap bitmap;
  for (auto _ : state) {
    TMemoryStream stream(file.bytes);
    TIOParamsVals params;
    bool aborting = false;
    TProgressRecord progress;
    progress.aborting = &aborting;
    int pages = 0;
    std::unique_ptr<TImgMask> mask;
    ReadTiffImage(bitmap, stream, pages, false, false, true, &mask, false, progress, params);
    if (aborting)
      return state.SkipWithError("the reader refused the file");
    benchmark::DoNotOptimize(bitmap.RowPtr(0));
  }
  Report(state, file.megapixels);
}

void DecodeWithLibtiff(benchmark::State& state, const TBenchFile& file) {
  if (file.bytes.empty())
    return state.SkipWithError("bench photo absent");
  TIFFSetWarningHandler(nullptr);
  for (auto _ : state) {
    TIFF* tiff = TIFFOpen(file.path.c_str(), "r");
    if (tiff == nullptr)
      return state.SkipWithError("libtiff cannot open the file");
    std::vector<std::uint8_t> strip(static_cast<std::size_t>(TIFFStripSize(tiff)));
    for (tstrip_t i = 0; i < TIFFNumberOfStrips(tiff); ++i)
      TIFFReadEncodedStrip(tiff, i, strip.data(), -1);
    benchmark::DoNotOptimize(strip.data());
    TIFFClose(tiff);
  }
  Report(state, file.megapixels);
}

void BM_TiffLzwRgbReader(benchmark::State& state) {
  DecodeWithReader(state, LzwPhoto());
}
void BM_TiffLzwRgbLibtiff(benchmark::State& state) {
  DecodeWithLibtiff(state, LzwPhoto());
}
void BM_TiffG4PageReader(benchmark::State& state) {
  DecodeWithReader(state, FaxPage());
}
void BM_TiffG4PageLibtiff(benchmark::State& state) {
  DecodeWithLibtiff(state, FaxPage());
}

BENCHMARK(BM_TiffLzwRgbReader)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TiffLzwRgbLibtiff)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TiffG4PageReader)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TiffG4PageLibtiff)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
