#include "imaging/proc/TImagerProc.h"

#include <algorithm>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgView.h"
#include "platform/MemoryStream.h"
#include "platform/PlatformBitmap.h"

TImagerProc::TImagerProc() {
  SetOwnedImage();
}

TImagerProc::~TImagerProc() {
  DetachFromView();
}

void TImagerProc::SetOwnedImage() {
  ownedImage_ = std::make_unique<TImgBitmap>();
  currentImage_ = ownedImage_.get();
  wrappedBitmap_ = nullptr;
}

void TImagerProc::DetachFromView() {
  if (attachedImager_ == nullptr)
    return;
  if (changeRegistration_ >= 0)
    attachedImager_->UnregisterImageChangeCallback(changeRegistration_);
  if (freeRegistration_ >= 0)
    attachedImager_->UnregisterFreeNotification(freeRegistration_);
  changeRegistration_ = -1;
  freeRegistration_ = -1;
  attachedImager_ = nullptr;
}

void TImagerProc::AdoptViewImage() {
  if (TImgBitmap* viewImage = attachedImager_->GetImgBitmap()) {
    ownedImage_.reset();
    currentImage_ = viewImage;
    wrappedBitmap_ = nullptr;
    return;
  }
  SetOwnedImage();
  if (TPlatformBitmap* viewBitmap = attachedImager_->GetTBitmap()) {
    currentImage_->AttachTBitmap(viewBitmap);
    wrappedBitmap_ = viewBitmap;
  }
}

void TImagerProc::SetAttachedImager(TImgView* view) {
  DetachFromView();
  if (view == nullptr) {
    SetOwnedImage();
    return;
  }
  attachedImager_ = view;
  AdoptViewImage();
  freeRegistration_ = view->RegisterFreeNotification([this](TImgView*) { OnViewFreed(); });
  attachedTImage_ = nullptr;
  changeRegistration_ = view->RegisterImageChangeCallback([this](TImgView*) { AdoptViewImage(); });
}

// The view is being destroyed (only its base part is left), so nothing of it may be asked.
// Its image object dies with it: switch to an image of our own rather than keep a dangling one.
void TImagerProc::OnViewFreed() {
  DetachFromView();
  SetOwnedImage();
}

void TImagerProc::SetAttachedTImage(TPlatformBitmap* bitmap) {
  if (bitmap == nullptr) {
    if (attachedTImage_ != nullptr) {
      currentImage_->FreeImage();
      wrappedBitmap_ = nullptr;
    }
    attachedTImage_ = nullptr;
    return;
  }
  // The view's image must not be redirected to the picture: take an image of our own.
  if (attachedImager_ != nullptr) {
    DetachFromView();
    SetOwnedImage();
  }
  currentImage_->AttachTBitmap(bitmap);
  wrappedBitmap_ = bitmap;
  attachedTImage_ = bitmap;
}

TColor TImagerProc::Background() const {
  return attachedImager_ != nullptr ? attachedImager_->Background() : background_;
}

void TImagerProc::SetBackground(TColor color) {
  if (attachedImager_ != nullptr) {
    attachedImager_->SetBackground(color);
  } else {
    background_ = color;
  }
}

void TImagerProc::SetUndoLimit(int value) {
  undoLimit_ = std::max(1, value);
}

bool TImagerProc::BeginOperation(TImgFormatSet allowedFormats) {
  if (currentImage_ == nullptr)
    return false;
  // Someone may have resized or re-formatted the wrapped bitmap since we last looked.
  if (wrappedBitmap_ != nullptr)
    currentImage_->AttachTBitmap(wrappedBitmap_, false);
  if (allowedFormats.Empty())
    return true;
  return allowedFormats.Contains(currentImage_->PixelFormat());
}

void TImagerProc::UpdateView() {
  if (wrappedBitmap_ != nullptr)
    currentImage_->RemoveAlphaChannel();
  if (attachedImager_ != nullptr) {
    attachedImager_->Update();
    attachedImager_->ImageChange();
  } else if (wrappedBitmap_ != nullptr) {
    wrappedBitmap_->SetModified(true);
  }
}
