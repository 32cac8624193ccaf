#include "imaging/proc/effects/wallis/WallisRaster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/proc/effects/wallis/WallisBatch.h"
#include "imaging/proc/effects/wallis/WallisColumnSums.h"
#include "imaging/proc/effects/wallis/WallisLightnessRows.h"
#include "imaging/proc/effects/wallis/WallisWorkerPool.h"
#include "platform/WorkerPool.h"

namespace {

constexpr int kPad = kWallisPad;

// Images smaller than this are filtered on the calling thread: starting threads would cost more
// than they save.
constexpr std::int64_t kSmallestShared = 256 * 1024;

// The filter over the padded view, row by row. Only the last padded row that maps onto an image
// row is filtered (later writes replace earlier ones); the others only move the column sums on.
// The calling thread moves the column sums on, in order, and keeps those of the rows still to be
// filtered; the rows are filtered in batches, on worker threads when there are any. Each row's
// result depends only on its column sums and its own pixels, so the bytes do not depend on the
// workers. Only the calling thread touches the image: it hands out copies of the rows and writes
// them back when filtered.
class WallisPass {
 public:
  WallisPass(TImgBaseBitmap& image, const WallisArguments& arguments, int width, int height)
      : image_(image),
        arguments_(arguments),
        height_(height),
        ww_(WallisWindowSize(arguments.WindowWidthPercent, std::min(width, height))),
        wh_(WallisWindowSize(arguments.WindowHeightPercent, std::min(width, height))),
        hh_((wh_ + 1) / 2),
        lastPaddedRow_(height + 2 * kPad - 1),
        paddedWidth_(static_cast<std::size_t>(width) + 2 * kPad),
        rowBytes_(3 * static_cast<std::size_t>(width)) {
    const int hw = (ww_ + 1) / 2;
    const int lastPaddedColumn = width + 2 * kPad - 1;
    layout_ = {width, ww_, hw, lastPaddedColumn, lastPaddedColumn - hw, arguments.Threshold};
  }

  void Run(const EffectProgress& progress, std::size_t workers) {
    const int firstRow = hh_;
    const int lastRow = lastPaddedRow_ - hh_;
    auto report = [&](int y) {
      if (progress)
        progress(static_cast<int>(static_cast<double>(y) / (height_ + 2 * kPad) * 100) + 1);
    };
    if (firstRow > lastRow) {
      // The window never fits: nothing is written.
      for (int y = 0; y <= lastPaddedRow_; ++y)
        report(y);
      return;
    }
    Prepare(workers);
    const WorkerPool::Busy busy(WorkerPool::Shared());
    if (workers > 0) {
      pool_.emplace(workers, [this](std::size_t worker, int batch) {
        filters_[worker].Filter(batches_[static_cast<std::size_t>(batch)], slots_);
      });
    }
    // Rows leave the window 2 hh rows after they enter.
    WallisLightnessRows rows(image_, layout_.ImageWidth, std::min(2 * hh_ + 1, height_));
    int current = TakeSlot();
    Fill(rows, slots_[static_cast<std::size_t>(current)]);
    for (int y = 0; y <= lastPaddedRow_; ++y) {
      report(y);
      if (y < firstRow || y > lastRow)
        continue;
      rows.LoadThrough(ImageRowOf(y + hh_));
      const int next = y < lastRow ? TakeSlot() : -1;
      if (next >= 0) {
        slots_[static_cast<std::size_t>(next)].MoveFrom(slots_[static_cast<std::size_t>(current)],
                                                        rows.Row(ImageRowOf(y - hh_)),
                                                        rows.Row(ImageRowOf(y + hh_)));
      }
      if (IsLastWriter(y, lastRow))
        AddToBatch(y, current);
      else
        freeSlots_.push_back(current);
      current = next;
    }
    Dispatch();
    for (; inFlight_ > 0; --inFlight_)
      Reclaim(pool_->TakeFinished(helper_));
    pool_.reset();
  }

 private:
  int ImageRowOf(int paddedRow) const { return std::clamp(paddedRow - kPad, 0, height_ - 1); }

  bool IsLastWriter(int y, int lastRow) const {
    const int imageRow = ImageRowOf(y);
    const int lastMapped = imageRow == height_ - 1 ? lastPaddedRow_ : imageRow + kPad;
    return y == std::min(lastMapped, lastRow);
  }

  // Every batch holds at most kWallisSlideRows column sums; with two more for the window being
  // moved on, a free one is always there. With workers, the calling thread moves the sums on
  // as long as batches are free, then filters batches the workers have not taken yet.
  void Prepare(std::size_t workers) {
    const std::size_t batchCount = workers == 0 ? 1 : 2 * workers + 3;
    helper_ = workers;
    batches_.resize(batchCount);
    for (std::size_t b = 0; b < batchCount; ++b) {
      batches_[b].Pixels.resize(kWallisSlideRows * rowBytes_);
      freeBatches_.push_back(static_cast<int>(b));
    }
    slots_.resize(batchCount * kWallisSlideRows + 2);
    for (std::size_t s = 0; s < slots_.size(); ++s)
      freeSlots_.push_back(static_cast<int>(s));
    for (std::size_t w = 0; w <= workers; ++w)
      filters_.emplace_back(arguments_, layout_, wh_);
  }

  int TakeSlot() {
    const int slot = freeSlots_.back();
    freeSlots_.pop_back();
    return slot;
  }

  // The window's first rows, padded rows 0..wh - 1.
  void Fill(WallisLightnessRows& rows, WallisColumnSums& sums) {
    sums.Reset(paddedWidth_);
    for (int p = 0; p < wh_; ++p) {
      rows.LoadThrough(ImageRowOf(p));
      sums.AddRow(rows.Row(ImageRowOf(p)));
    }
  }

  // Row y joins the open batch with its column sums and a copy of its still unfiltered pixels.
  void AddToBatch(int y, int slot) {
    if (open_ < 0) {
      if (freeBatches_.empty()) {
        Reclaim(pool_->TakeFinished(helper_));
        --inFlight_;
      }
      open_ = freeBatches_.back();
      freeBatches_.pop_back();
    }
    WallisBatch& batch = batches_[static_cast<std::size_t>(open_)];
    batch.PaddedRow[batch.Rows] = y;
    batch.Slot[batch.Rows] = slot;
    std::memcpy(batch.Pixels.data() + batch.Rows * rowBytes_, image_.RowPtr(ImageRowOf(y)),
                rowBytes_);
    if (++batch.Rows == kWallisSlideRows)
      Dispatch();
  }

  void Dispatch() {
    if (open_ < 0)
      return;
    const int batch = open_;
    open_ = -1;
    if (pool_) {
      pool_->Submit(batch);
      ++inFlight_;
      return;
    }
    filters_[helper_].Filter(batches_[static_cast<std::size_t>(batch)], slots_);
    Reclaim(batch);
  }

  // A filtered batch: its rows go back into the image, its column sums and itself are free.
  void Reclaim(int index) {
    WallisBatch& batch = batches_[static_cast<std::size_t>(index)];
    for (std::size_t r = 0; r < batch.Rows; ++r) {
      std::memcpy(image_.RowPtr(ImageRowOf(batch.PaddedRow[r])),
                  batch.Pixels.data() + r * rowBytes_, rowBytes_);
      freeSlots_.push_back(batch.Slot[r]);
    }
    batch.Rows = 0;
    freeBatches_.push_back(index);
  }

  TImgBaseBitmap& image_;
  WallisArguments arguments_;
  int height_;
  int ww_;
  int wh_;
  int hh_;
  int lastPaddedRow_;
  std::size_t paddedWidth_;
  std::size_t rowBytes_;
  WallisRowLayout layout_{};
  std::vector<WallisColumnSums> slots_;
  std::vector<int> freeSlots_;
  std::vector<WallisBatch> batches_;
  std::vector<int> freeBatches_;
  std::vector<WallisBatchFilter> filters_;
  std::size_t helper_ = 0;  // the calling thread's filter
  int open_ = -1;
  int inFlight_ = 0;
  // Last member: its threads are joined before anything they use goes away.
  std::optional<WallisWorkerPool> pool_;
};

}  // namespace

int WallisWindowSize(int percent, int shorterSide) {
  const double side = std::trunc(percent / 100.0 * (shorterSide + 29.0));
  // Far beyond any image; keeps absurd percentages from overflowing the integer.
  constexpr double kLargest = 1 << 30;
  return std::max(static_cast<int>(std::clamp(side, -kLargest, kLargest)), 21);
}

std::size_t WallisWorkers(int width, int height, int threadBudget) {
  if (static_cast<std::int64_t>(width) * height < kSmallestShared || threadBudget <= 1)
    return 0;
  return static_cast<std::size_t>(threadBudget - 1);
}

void WallisFilterRaster(TImgBaseBitmap& image, const WallisArguments& arguments,
                        const EffectProgress& progress, std::size_t workers) {
  if (image.PixelFormat() != pfBGR24)
    return;
  const int width = image.Width();
  const int height = image.Height();
  if (width <= 0 || height <= 0)
    return;
  WallisPass(image, arguments, width, height).Run(progress, workers);
}
