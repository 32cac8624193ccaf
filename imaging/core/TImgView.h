#pragma once

#include <functional>
#include <map>

#include "imaging/core/ImgTypes.h"

class TImgBitmap;
class TImgMask;
class TPlatformBitmap;
class TByteStream;

/// What every view offers to the I/O and processing objects attached to it: its image objects,
/// resolution, selection, background, refresh, and the image-change callbacks.
class TImgView {
 public:
  using ImageChangeCallback = std::function<void(TImgView* view)>;
  using FreeCallback = std::function<void(TImgView* view)>;

  TImgView() = default;
  virtual ~TImgView() {
    // Copy first: a callback may unregister itself while we walk the list.
    auto callbacks = freeCallbacks_;
    for (auto& [id, callback] : callbacks)
      callback(this);
  }
  TImgView(const TImgView&) = delete;
  TImgView& operator=(const TImgView&) = delete;

  virtual TImgBitmap* GetImgBitmap() { return nullptr; }
  virtual TPlatformBitmap* GetTBitmap() { return nullptr; }
  /// The selection mask, or null when the view has none.
  virtual TImgMask* SelectionMask() { return nullptr; }
  virtual TColor Background() const { return background_; }
  virtual void SetBackground(TColor color) { background_ = color; }
  /// Recomputes the view's bookkeeping and repaints.
  virtual void Update() {}
  /// Asks the view's own thread to repaint (the request message 8024); what a worker thread
  /// calls instead of Update.
  virtual void PostRepaintRequest() {}
  /// Fires OnImageChange.
  virtual void ImageChange() {}
  virtual void SaveState(TByteStream& /*stream*/) {}
  virtual void LoadState(TByteStream& /*stream*/) {}

  int DpiX() const { return dpiX_; }
  int DpiY() const { return dpiY_; }
  /// Sets the resolution in dots per inch; 0 leaves that axis unchanged.
  void SetResolution(int dpiX, int dpiY) {
    if (dpiX != 0)
      dpiX_ = dpiX;
    if (dpiY != 0)
      dpiY_ = dpiY;
  }

  int RegisterImageChangeCallback(ImageChangeCallback callback) {
    changeCallbacks_[nextId_] = std::move(callback);
    return nextId_++;
  }
  void UnregisterImageChangeCallback(int id) { changeCallbacks_.erase(id); }
  /// Tells every attached object that the view's image object was replaced.
  void NotifyImageReplaced() {
    auto callbacks = changeCallbacks_;
    for (auto& [id, callback] : callbacks)
      callback(this);
  }

  /// Free notification: the callback runs when the view is destroyed.
  int RegisterFreeNotification(FreeCallback callback) {
    freeCallbacks_[nextId_] = std::move(callback);
    return nextId_++;
  }
  void UnregisterFreeNotification(int id) { freeCallbacks_.erase(id); }

 private:
  std::map<int, ImageChangeCallback> changeCallbacks_;
  std::map<int, FreeCallback> freeCallbacks_;
  int nextId_ = 0;
  TColor background_ = 0;
  int dpiX_ = 0;
  int dpiY_ = 0;
};
