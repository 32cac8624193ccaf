#include "imaging/component/TImagerView.h"

#include <algorithm>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/proc/TImagerProc.h"
#include "platform/PlatformBitmap.h"

namespace {
constexpr int kDefaultControlSize = 105;
}

TImagerView::TImagerView()
    : platformBitmap_(std::make_unique<TPlatformBitmap>()), image_(std::make_unique<TImgBitmap>()) {
  platformBitmap_->SetBitsPerPixel(24);
  image_->AttachTBitmap(platformBitmap_.get());
  SetClientSize(kDefaultControlSize, kDefaultControlSize);
  updateLock_ = false;
}

TImagerView::~TImagerView() {
  destroying_ = true;
  // The attached objects hold pointers into this view; they go first.
  io_.reset();
  proc_.reset();
  image_.reset();
  platformBitmap_.reset();
}

TImagerIO* TImagerView::IO() {
  if (!io_) {
    io_ = std::make_unique<TImagerIO>();
    io_->SetAttachedImager(this);
    io_->OnProgress = OnProgress;
  }
  return io_.get();
}

TImagerProc* TImagerView::Proc() {
  if (!proc_) {
    proc_ = std::make_unique<TImagerProc>();
    proc_->SetAttachedImager(this);
    proc_->OnProgress = OnProgress;
  }
  return proc_.get();
}

void TImagerView::SetClientSize(int width, int height) {
  clientWidth_ = std::max(width, 0);
  clientHeight_ = std::max(height, 0);
  Update();
}

void TImagerView::SetZoomFilter(TResampleFilter filter) {
  if (filter == zoomFilter_)
    return;
  zoomFilter_ = filter;
  Update();
}

void TImagerView::SetLegacyBitmap(bool value) {
  if (value == legacyBitmap_)
    return;
  legacyBitmap_ = value;
  if (value) {
    auto bitmap = std::make_unique<TPlatformBitmap>();
    image_->CopyToTBitmap(bitmap.get());
    image_->AttachTBitmap(bitmap.get());
    platformBitmap_ = std::move(bitmap);
  } else {
    // Automatic storage: memory or a temporary file, by size.
    image_->SetLocation(locOnDisk);
    platformBitmap_.reset();
  }
  NotifyImageReplaced();
  Update();
}

void TImagerView::FitZoom() {
  const int width = image_->Width();
  const int height = image_->Height();
  if (width <= 0 || height <= 0 || clientWidth_ <= 0 || clientHeight_ <= 0)
    return;
  const double fit = std::min(100.0 * clientWidth_ / width, 100.0 * clientHeight_ / height);
  if (autoFit_ || (autoShrink_ && fit < 100.0) || (autoStretch_ && fit > 100.0))
    zoom_ = fit;
}

void TImagerView::Update() {
  if (updateLock_ || destroying_)
    return;
  ++updateCount_;
  if (autoFit_ || autoStretch_ || autoShrink_)
    FitZoom();
  const int width = image_->Width();
  const int height = image_->Height();
  if (width != lastWidth_ || height != lastHeight_) {
    lastWidth_ = width;
    lastHeight_ = height;
    if (image_->HasAlphaChannel()) {
      TImgBitmap* alpha = image_->AlphaChannel();
      if (alpha->Width() != width || alpha->Height() != height) {
        alpha->Allocate(width, height, pfGray8);
        alpha->FillAll(255);
      }
    }
  }
  // Layout and painting would follow here; the hidden component is never painted.
}

void TImagerView::ImageChange() {
  if (OnImageChange)
    OnImageChange(this);
}
