#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "imaging/core/ImgTypes.h"
#include "imaging/io/TParamsOwnerInfo.h"

class TByteStream;
class TIOParamsVals;
class TImgBitmap;
class TImgIOWorkers;
class TImgView;
class TPlatformBitmap;
class TRowSource;
struct FileFormatEntry;
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

  /// Proxy for web loads ("host:port"); empty means a direct connection. User and password
  /// are given to the proxy when set.
  const std::string& ProxyAddress() const { return proxyAddress_; }
  void SetProxyAddress(const std::string& value) { proxyAddress_ = value; }
  const std::string& ProxyUser() const { return proxyUser_; }
  void SetProxyUser(const std::string& value) { proxyUser_ = value; }
  const std::string& ProxyPassword() const { return proxyPassword_; }
  void SetProxyPassword(const std::string& value) { proxyPassword_ = value; }
  /// The largest answer a web load reads; a longer one ends the load with Aborting.
  std::int64_t WebBodyLimit() const { return webBodyLimit_; }
  void SetWebBodyLimit(std::int64_t bytes) { webBodyLimit_ = bytes; }

  /// While on, a load or save called for a view's container from a thread that is not one of
  /// this object's workers runs on a new worker and returns at once. The workers run one at a
  /// time in the order the calls came. A stream handed to such a call must outlive it.
  bool Asynchronous() const { return asynchronous_; }
  void SetAsynchronous(bool value) { asynchronous_ = value; }
  /// Returns once every load and save started on a worker has ended.
  void WaitForWorkers();

  /// Loads by the lower-cased extension of the path; a path beginning "http://" is fetched.
  virtual void LoadFromFile(const std::string& path);
  /// Saves by the lower-cased extension of the path; an empty path does nothing.
  virtual void SaveToFile(const std::string& path);
  /// Loads the image at the stream's position, its format found by content.
  virtual void LoadFromStream(TByteStream& stream);

  void LoadJpegFile(const std::string& path);
  void LoadJpegStream(TByteStream& stream);
  void LoadBmpFile(const std::string& path);
  void LoadBmpStream(TByteStream& stream);
  void LoadTiffFile(const std::string& path);
  /// Loads page Params().ImageIndex of a TIFF stream; withHeader expects the library's 12-byte
  /// block header first. Answers the number of pages in the file.
  int LoadTiffStream(TByteStream& stream, bool withHeader = false);
  /// Writes the image as JPEG whatever the extension, with the options in Params.
  void SaveJpegFile(const std::string& path);
  void SaveJpegStream(TByteStream& stream);

  /// Shapes the decoded rows of a streamed conversion into the rows to write, with the source's
  /// parameters read and the save options to be set in Params; null declines the photo.
  using TRowShaper = std::function<std::unique_ptr<TRowSource>(TRowSource& decoded)>;
  /// True for a path that LoadFromFile reads with the JPEG reader.
  static bool LoadsAsJpeg(const std::string& path);
  /// Converts a JPEG file into a JPEG file a few rows at a time, neither picture ever whole and
  /// the image left alone: Params are read as LoadJpegFile reads them, shape gives the rows,
  /// and they are written as SaveJpegFile writes the image. False, with nothing written, when
  /// the photo must be loaded whole instead: shape declined, or the source is no JPEG that
  /// reads cleanly (a failed read or a damaged stream), or the
  /// object mirrors a picture control, adjusts resolutions or works asynchronously. Errors of the
  /// save propagate.
  bool ConvertJpegRows(const std::string& source, const std::string& target,
                       const TRowShaper& shape);

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
  /// True when the call was handed to a worker; otherwise the caller goes on with it.
  bool HandedToWorker(std::function<void()> call);
  void LoadFileFrame(const std::string& path, int formatId, const TCodecCall& codec);
  void LoadStreamFrame(TByteStream& stream, int formatId, const TCodecCall& codec);
  void LoadFromUrl(const std::string& url);
  void RegistryLoad(const std::string& path, const std::string& extension);
  void RegistryStreamLoad(TByteStream& stream, const FileFormatEntry& format);
  void RegistryReadSteps(TByteStream& stream, const FileFormatEntry& format);
  void RegistrySave(const std::string& path, const std::string& extension);
  void LoadStreamSteps(TByteStream& stream, int formatId, const TCodecCall& codec);
  void SaveJpegSteps(TByteStream& stream);
  bool StreamedSteps(const std::string& source, const std::string& target, const TRowShaper& shape);
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
  bool asynchronous_ = false;
  std::string proxyAddress_;
  std::string proxyUser_;
  std::string proxyPassword_;
  std::int64_t webBodyLimit_ = std::int64_t{512} << 20;
  std::unique_ptr<TImgIOWorkers> workers_;
};
