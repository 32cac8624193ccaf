#pragma once

#include <functional>
#include <memory>
#include <string>

#include "imaging/core/ImgTypes.h"
#include "imaging/io/TParamsOwnerInfo.h"

class TByteStream;
class TIOParamsVals;
class TImgBitmap;
class TImgView;
class TPlatformBitmap;
struct TProgressRecord;

/// The image input/output object: loads files into an image container and saves it, choosing
/// the codec by extension, and keeps the per-image parameters. Every load and save runs in one
/// frame: the Aborting flag, progress and finish notifications, and the attached view's refresh.
class TImagerIO : public TParamsOwnerInfo {
 public:
  using TNotifyEvent = std::function<void(void* sender)>;

  TImagerIO();
  ~TImagerIO() override;
  TImagerIO(const TImagerIO&) = delete;
  TImagerIO& operator=(const TImagerIO&) = delete;

  /// The container that loads fill and saves read.
  TImgBitmap* Bitmap() const { return bitmap_; }
  TIOParamsVals& Params() { return *params_; }
  const TIOParamsVals& Params() const { return *params_; }
  /// Copies the parameters of another I/O object.
  void AssignParams(const TImagerIO& source);
  /// What a parameter reset takes over: the current picture's size (false without a container)
  /// and the attached view's resolution (false without a view).
  bool CurrentPictureSize(int& width, int& height) override;
  bool ViewResolution(int& dpiX, int& dpiY) override;

  /// Uses the view's container (not owned) and follows it when the view replaces it; null
  /// gives the object a new container of its own.
  TImgView* AttachedImager() const { return attachedImager_; }
  void SetAttachedImager(TImgView* view);
  /// Mirrors a picture control's platform bitmap in an own container.
  TPlatformBitmap* AttachedTImage() const { return attachedTImage_; }
  void SetAttachedTImage(TPlatformBitmap* bitmap);
  /// Uses a bare container without owning it; detaches view and picture control.
  void AttachBitmap(TImgBitmap* bitmap);

  bool Aborting() const { return aborting_; }
  TImgProgressEvent OnProgress;
  TNotifyEvent OnFinishWork;
  bool AutoAdjustDPI() const { return autoAdjustDPI_; }
  void SetAutoAdjustDPI(bool value) { autoAdjustDPI_ = value; }
  bool FilteredAdjustDPI() const { return filteredAdjustDPI_; }
  void SetFilteredAdjustDPI(bool value) { filteredAdjustDPI_ = value; }
  bool NativePixelFormat() const { return nativePixelFormat_; }
  void SetNativePixelFormat(bool value);
  bool StreamHeaders() const { return streamHeaders_; }
  void SetStreamHeaders(bool value) { streamHeaders_ = value; }

  /// Loads by the lower-cased extension of the path.
  virtual void LoadFromFile(const std::string& path);
  /// Saves by the lower-cased extension of the path; an empty path does nothing.
  virtual void SaveToFile(const std::string& path);

  void LoadJpegFile(const std::string& path);
  void LoadJpegStream(TByteStream& stream);
  void LoadBmpFile(const std::string& path);
  void LoadTiffFile(const std::string& path);
  /// Loads page Params().ImageIndex of a TIFF stream; withHeader expects the library's 12-byte
  /// block header first. Answers the number of pages in the file.
  int LoadTiffStream(TByteStream& stream, bool withHeader = false);
  /// Writes the image as JPEG whatever the extension, with the options in Params.
  void SaveJpegFile(const std::string& path);
  void SaveJpegStream(TByteStream& stream);

  /// Fill Params from a file or stream without decoding pixels.
  void ParamsFromFile(const std::string& path);
  void ParamsFromStream(TByteStream& stream);

  /// Runs at the end of every load and save: progress 100, then OnFinishWork.
  virtual void FinishWork();

 private:
  using TCodecCall = std::function<void(TByteStream& stream, TProgressRecord& progress)>;

  bool PrepareImage();
  /// Runs the steps of a load or save and then FinishWork, also when a step raises.
  template <typename Steps>
  void FinishingWork(Steps&& steps) {
    try {
      steps();
    } catch (...) {
      FinishWork();
      throw;
    }
    FinishWork();
  }
  TCodecCall JpegCodec();
  void ConvertForJpegSave();
  TProgressRecord MakeProgressRecord();
  void LoadFileFrame(const std::string& path, int formatId, const TCodecCall& codec);
  void LoadStreamSteps(TByteStream& stream, int formatId, const TCodecCall& codec);
  void SaveJpegSteps(TByteStream& stream);
  void ParamsOnlySteps(TByteStream& stream);
  void EndWithoutCodec();
  int LoadTiffSteps(TByteStream& stream, bool withHeader);
  void ApplyDefaultResolution();
  void ImportMetadataMarkers();
  void ExportMetadataMarkers();
  void AdjustDPI();
  void TellViewResolution();
  void UpdateAttached();
  void DetachFromView();
  void UseOwnBitmap();
  void FollowViewImage();

  std::unique_ptr<TImgBitmap> ownBitmap_;
  TImgBitmap* bitmap_ = nullptr;
  std::unique_ptr<TIOParamsVals> params_;
  TImgView* attachedImager_ = nullptr;
  int changeRegistration_ = -1;
  int freeRegistration_ = -1;
  TPlatformBitmap* attachedTImage_ = nullptr;
  TPlatformBitmap* mirroredBitmap_ = nullptr;
  bool aborting_ = false;
  bool autoAdjustDPI_ = false;
  bool filteredAdjustDPI_ = false;
  bool nativePixelFormat_ = false;
  bool streamHeaders_ = false;
};
