#pragma once

#include <functional>
#include <memory>

#include "imaging/core/ImgTypes.h"
#include "imaging/core/TImgView.h"

class TImagerIO;
class TImagerProc;
class TImgBitmap;
class TPlatformBitmap;

/// A view holding the current image and, on demand, the I/O and processing objects attached to
/// it. The interactive display (zoom, scrolling, selections, painting) is not built; Update keeps
/// only the bookkeeping that the attached objects rely on.
class TImagerView : public TImgView {
 public:
  using TNotifyEvent = std::function<void(void* sender)>;

  TImagerView();
  ~TImagerView() override;

  TImgBitmap* GetImgBitmap() override { return image_.get(); }
  TPlatformBitmap* GetTBitmap() override { return platformBitmap_.get(); }
  void Update() override;
  void ImageChange() override;

  /// The attached I/O object, created (and attached to this view) on first use.
  TImagerIO* IO();
  /// The attached processing object, created (and attached to this view) on first use.
  TImagerProc* Proc();

  /// Copied into the I/O and processing objects when they are created.
  TImgProgressEvent OnProgress;
  TNotifyEvent OnImageChange;

  TResampleFilter ZoomFilter() const { return zoomFilter_; }
  void SetZoomFilter(TResampleFilter filter);
  /// While true the image's pixels live in the view's 24-bit platform bitmap.
  bool LegacyBitmap() const { return legacyBitmap_; }
  void SetLegacyBitmap(bool value);
  bool AutoFit() const { return autoFit_; }
  void SetAutoFit(bool value) { autoFit_ = value; }
  bool AutoStretch() const { return autoStretch_; }
  void SetAutoStretch(bool value) { autoStretch_ = value; }
  bool AutoShrink() const { return autoShrink_; }
  void SetAutoShrink(bool value) { autoShrink_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value) { visible_ = value; }

  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientSize(int width, int height);
  /// Display scale in percent, as the last Update computed it.
  double Zoom() const { return zoom_; }
  /// How often Update did its work (rather than returning under the update lock).
  int UpdateCount() const { return updateCount_; }

 private:
  void FitZoom();

  std::unique_ptr<TPlatformBitmap> platformBitmap_;
  std::unique_ptr<TImgBitmap> image_;
  std::unique_ptr<TImagerIO> io_;
  std::unique_ptr<TImagerProc> proc_;
  TResampleFilter zoomFilter_ = rfNone;
  bool legacyBitmap_ = true;
  bool autoFit_ = false;
  bool autoStretch_ = false;
  bool autoShrink_ = false;
  bool visible_ = true;
  bool updateLock_ = true;
  bool destroying_ = false;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  int lastWidth_ = -1;
  int lastHeight_ = -1;
  double zoom_ = 100.0;
  int updateCount_ = 0;
};
