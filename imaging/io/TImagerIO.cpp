#include "imaging/io/TImagerIO.h"

#include <array>
#include <string_view>

#include "imaging/core/TImgBitmap.h"
#include "imaging/core/TImgMask.h"
#include "imaging/core/TImgView.h"
#include "imaging/io/DefaultResolution.h"
#include "imaging/io/FileExtension.h"
#include "imaging/io/JpegMetadata.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/ReadableFile.h"
#include "imaging/io/StreamBlockHeader.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/async/TImgIOWorkers.h"
#include "imaging/io/bmp/BmpReader.h"
#include "imaging/io/jpeg/JpegReader.h"
#include "imaging/io/registry/FormatIds.h"
#include "imaging/io/registry/LibraryFormats.h"
#include "imaging/io/tiff/TiffReader.h"
#include "platform/PlatformBitmap.h"

namespace {

enum class LoadKind { Jpeg, Tiff, Bmp, Registry, Video, WithoutCodec, Unknown };

struct ExtensionRow {
  std::string_view extension;
  LoadKind kind;
};

// In the order the loaders are tried; formats whose codec this library does not build still
// have their rows, so their files end with Aborting instead of going to the registry. PNG is
// read by its built-in registry row.
constexpr std::array<ExtensionRow, 34> kLoadTable = {{
    {".jpg", LoadKind::Jpeg},          {".jpeg", LoadKind::Jpeg},
    {".jpe", LoadKind::Jpeg},          {".jp2", LoadKind::WithoutCodec},
    {".j2k", LoadKind::WithoutCodec},  {".jpc", LoadKind::WithoutCodec},
    {".j2c", LoadKind::WithoutCodec},  {".png", LoadKind::Registry},
    {".tif", LoadKind::Tiff},          {".tiff", LoadKind::Tiff},
    {".fax", LoadKind::Tiff},          {".g3n", LoadKind::Tiff},
    {".g3f", LoadKind::Tiff},          {".pcx", LoadKind::WithoutCodec},
    {".gif", LoadKind::WithoutCodec},  {".wmf", LoadKind::WithoutCodec},
    {".emf", LoadKind::WithoutCodec},  {".bmp", LoadKind::Bmp},
    {".dib", LoadKind::Bmp},           {".rle", LoadKind::Bmp},
    {".cur", LoadKind::WithoutCodec},  {".ico", LoadKind::WithoutCodec},
    {".tga", LoadKind::WithoutCodec},  {".targa", LoadKind::WithoutCodec},
    {".vda", LoadKind::WithoutCodec},  {".icb", LoadKind::WithoutCodec},
    {".vst", LoadKind::WithoutCodec},  {".win", LoadKind::WithoutCodec},
    {".pxm", LoadKind::WithoutCodec},  {".ppm", LoadKind::WithoutCodec},
    {".pgm", LoadKind::WithoutCodec},  {".pbm", LoadKind::WithoutCodec},
    {".wbmp", LoadKind::WithoutCodec}, {".avi", LoadKind::Video},
}};

LoadKind LoadKindOf(const std::string& extension) {
  for (const ExtensionRow& row : kLoadTable) {
    if (row.extension == extension)
      return row.kind;
  }
  return LoadKind::Unknown;
}

}  // namespace

TImagerIO::TImagerIO() : workers_(std::make_unique<TImgIOWorkers>()) {
  AddLibraryFormats();
  UseOwnBitmap();
  params_ = std::make_unique<TIOParamsVals>(this, this);
}

TImagerIO::~TImagerIO() {
  WaitForWorkers();
  DetachFromView();
}

void TImagerIO::AssignParams(const TImagerIO& source) {
  params_->AssignParams(*source.params_);
}

bool TImagerIO::CurrentPictureSize(int& width, int& height) {
  if (bitmap_ == nullptr)
    return false;
  width = bitmap_->Width();
  height = bitmap_->Height();
  return true;
}

bool TImagerIO::ViewResolution(int& dpiX, int& dpiY) {
  if (attachedImager_ == nullptr)
    return false;
  dpiX = attachedImager_->DpiX();
  dpiY = attachedImager_->DpiY();
  return true;
}

void TImagerIO::SetNativePixelFormat(bool value) {
  nativePixelFormat_ = value;
  params_->NativePixelFormat = value;
}

void TImagerIO::UseOwnBitmap() {
  ownBitmap_ = std::make_unique<TImgBitmap>();
  bitmap_ = ownBitmap_.get();
  mirroredBitmap_ = nullptr;
}

void TImagerIO::DetachFromView() {
  if (attachedImager_ == nullptr)
    return;
  attachedImager_->UnregisterImageChangeCallback(changeRegistration_);
  attachedImager_->UnregisterFreeNotification(freeRegistration_);
  attachedImager_ = nullptr;
  changeRegistration_ = -1;
  freeRegistration_ = -1;
}

void TImagerIO::FollowViewImage() {
  TImgBitmap* viewBitmap = attachedImager_->GetImgBitmap();
  if (viewBitmap != nullptr) {
    ownBitmap_.reset();
    bitmap_ = viewBitmap;
    mirroredBitmap_ = nullptr;
    return;
  }
  UseOwnBitmap();
  mirroredBitmap_ = attachedImager_->GetTBitmap();
  if (mirroredBitmap_ != nullptr)
    bitmap_->AttachTBitmap(mirroredBitmap_);
}

void TImagerIO::SetAttachedImager(TImgView* view) {
  DetachFromView();
  attachedTImage_ = nullptr;
  if (view == nullptr) {
    UseOwnBitmap();
    return;
  }
  attachedImager_ = view;
  FollowViewImage();
  freeRegistration_ = view->RegisterFreeNotification([this](TImgView*) {
    // The view's container goes with it: fall back to a container of our own.
    attachedImager_ = nullptr;
    changeRegistration_ = -1;
    freeRegistration_ = -1;
    UseOwnBitmap();
  });
  changeRegistration_ = view->RegisterImageChangeCallback([this](TImgView*) { FollowViewImage(); });
}

void TImagerIO::SetAttachedTImage(TPlatformBitmap* bitmap) {
  DetachFromView();
  UseOwnBitmap();
  attachedTImage_ = bitmap;
  mirroredBitmap_ = bitmap;
  if (bitmap != nullptr)
    bitmap_->AttachTBitmap(bitmap);
}

void TImagerIO::AttachBitmap(TImgBitmap* bitmap) {
  DetachFromView();
  attachedTImage_ = nullptr;
  if (bitmap == nullptr) {
    UseOwnBitmap();
    return;
  }
  ownBitmap_.reset();
  bitmap_ = bitmap;
  mirroredBitmap_ = nullptr;
}

bool TImagerIO::PrepareImage() {
  if (bitmap_ == nullptr)
    return false;
  // The picture control may have changed its bitmap behind our back.
  if (mirroredBitmap_ != nullptr)
    bitmap_->AttachTBitmap(mirroredBitmap_);
  return true;
}

TProgressRecord TImagerIO::MakeProgressRecord() {
  TProgressRecord progress;
  progress.handler = OnProgress;
  progress.sender = this;
  progress.aborting = &aborting_;
  return progress;
}

void TImagerIO::FinishWork() {
  if (OnProgress)
    OnProgress(this, 100);
  if (OnFinishWork)
    OnFinishWork(this);
}

void TImagerIO::EndWithoutCodec() {
  aborting_ = true;
  FinishWork();
}

void TImagerIO::LoadFromFile(const std::string& path) {
  if (HandedToWorker([this, path] { LoadFromFile(path); }))
    return;
  if (bitmap_ == nullptr)
    return;
  if (path.empty())
    return EndWithoutCodec();
  const std::string extension = LowerCaseExtension(path);
  if (LowerCaseAscii(path.substr(0, 7)) == "http://")
    return LoadFromUrl(path);
  switch (LoadKindOf(extension)) {
    case LoadKind::Jpeg:
      return LoadJpegFile(path);
    case LoadKind::Tiff:
      return LoadTiffFile(path);
    case LoadKind::Bmp:
      return LoadBmpFile(path);
    case LoadKind::Video:
    case LoadKind::WithoutCodec:
      return EndWithoutCodec();
    case LoadKind::Registry:
    case LoadKind::Unknown:
      break;
  }
  params_->SourcePath.clear();
  params_->FormatId = 0;
  params_->ClearForLoad();
  RegistryLoad(path, extension);
}

bool TImagerIO::LoadsAsJpeg(const std::string& path) {
  return LowerCaseAscii(path.substr(0, 7)) != "http://" &&
         LoadKindOf(LowerCaseExtension(path)) == LoadKind::Jpeg;
}

void TImagerIO::LoadFileFrame(const std::string& path, int formatId, const TCodecCall& codec) {
  aborting_ = true;
  if (!PrepareImage())
    return FinishWork();
  FinishingWork([&] {
    params_->ClearForLoad();
    TReadableFile stream(path);
    LoadStreamSteps(stream, formatId, codec);
    params_->SourcePath = path;
    TellViewResolution();
    UpdateAttached();
  });
}

void TImagerIO::LoadStreamSteps(TByteStream& stream, int formatId, const TCodecCall& codec) {
  aborting_ = false;
  TProgressRecord progress = MakeProgressRecord();
  bitmap_->RemoveAlphaChannel();
  codec(stream, progress);
  ApplyDefaultResolution();
  if (formatId == kFormatJpeg)
    ImportMetadataMarkers();
  if (autoAdjustDPI_)
    AdjustDPI();
  params_->FormatId = formatId;
}

TImagerIO::TCodecCall TImagerIO::JpegCodec() {
  return [this](TByteStream& stream, TProgressRecord& progress) {
    ReadJpegImage(stream, nullptr, *bitmap_, false, false, progress, *params_);
  };
}

void TImagerIO::LoadStreamFrame(TByteStream& stream, int formatId, const TCodecCall& codec) {
  aborting_ = true;
  if (!PrepareImage())
    return FinishWork();
  FinishingWork([&] {
    params_->ClearForLoad();
    LoadStreamSteps(stream, formatId, codec);
    params_->SourcePath.clear();
    TellViewResolution();
    UpdateAttached();
  });
}

void TImagerIO::LoadJpegFile(const std::string& path) {
  if (HandedToWorker([this, path] { LoadJpegFile(path); }))
    return;
  LoadFileFrame(path, kFormatJpeg, JpegCodec());
}

void TImagerIO::LoadJpegStream(TByteStream& stream) {
  if (HandedToWorker([this, &stream] { LoadJpegStream(stream); }))
    return;
  LoadStreamFrame(stream, kFormatJpeg, JpegCodec());
}

void TImagerIO::LoadBmpFile(const std::string& path) {
  if (HandedToWorker([this, path] { LoadBmpFile(path); }))
    return;
  LoadFileFrame(path, kFormatBmp, [this](TByteStream& stream, TProgressRecord& progress) {
    ReadBmpImage(stream, *bitmap_, stream.Size(), *params_, progress, false, false);
  });
}

void TImagerIO::LoadBmpStream(TByteStream& stream) {
  if (HandedToWorker([this, &stream] { LoadBmpStream(stream); }))
    return;
  LoadStreamFrame(stream, kFormatBmp, [this](TByteStream& source, TProgressRecord& progress) {
    // The bitmap owns the rest of the stream, as a file load owns the whole file.
    const std::int64_t dataSize = source.Size() - source.Position();
    ReadBmpImage(source, *bitmap_, dataSize, *params_, progress, false, false);
  });
}

void TImagerIO::LoadTiffFile(const std::string& path) {
  if (HandedToWorker([this, path] { LoadTiffFile(path); }))
    return;
  aborting_ = true;
  if (!PrepareImage())
    return FinishWork();
  FinishingWork([&] {
    params_->ClearForLoad();
    TReadableFile stream(path);
    LoadTiffSteps(stream, false);
    params_->SourcePath = path;
  });
}

int TImagerIO::LoadTiffStream(TByteStream& stream, bool withHeader) {
  if (HandedToWorker([this, &stream, withHeader] { LoadTiffStream(stream, withHeader); }))
    return 0;
  aborting_ = true;
  if (!PrepareImage()) {
    FinishWork();
    return 0;
  }
  int pageCount = 0;
  FinishingWork([&] {
    params_->ClearForLoad();
    pageCount = LoadTiffSteps(stream, withHeader);
  });
  return pageCount;
}

int TImagerIO::LoadTiffSteps(TByteStream& stream, bool withHeader) {
  aborting_ = false;
  std::int64_t dataEnd = -1;
  if (withHeader) {
    TStreamBlockHeader header;
    if (!ReadStreamBlockHeader(stream, kTiffBlockTag, header)) {
      aborting_ = true;
      return 0;
    }
    dataEnd = stream.Position() + header.dataLength;
  }
  TProgressRecord progress = MakeProgressRecord();
  bitmap_->RemoveAlphaChannel();
  std::unique_ptr<TImgMask> mask;
  int pageCount = 0;
  ReadTiffImage(*bitmap_, stream, pageCount, false, false, true, &mask, false, progress, *params_);
  ImportTiffMetadata(*params_);
  ApplyDefaultResolution();
  if (mask != nullptr && mask->Width() > 0 && !bitmap_->IsEmpty())
    mask->CopyToAlphaChannel(*bitmap_);
  if (autoAdjustDPI_)
    AdjustDPI();
  if (dataEnd >= 0)
    stream.SetPosition(dataEnd);
  TellViewResolution();
  params_->SourcePath.clear();
  params_->FormatId = kFormatTiff;
  UpdateAttached();
  return pageCount;
}

void TImagerIO::ApplyDefaultResolution() {
  if (params_->ResolutionX < 2)
    params_->SetResolutionX(DefaultResolution.x);
  if (params_->ResolutionY < 2)
    params_->SetResolutionY(DefaultResolution.y);
}

void TImagerIO::ImportMetadataMarkers() {
  ImportJpegMetadata(*params_);
}

void TImagerIO::TellViewResolution() {
  if (attachedImager_ != nullptr) {
    attachedImager_->SetResolution(params_->ResolutionX, params_->ResolutionY);
  }
}

void TImagerIO::UpdateAttached() {
  if (mirroredBitmap_ != nullptr)
    bitmap_->RemoveAlphaChannel();
  if (attachedImager_ != nullptr) {
    // A worker leaves the repaint to the view's own thread.
    if (workers_->IsWorkerThread())
      attachedImager_->PostRepaintRequest();
    else
      attachedImager_->Update();
    attachedImager_->ImageChange();
  } else if (mirroredBitmap_ != nullptr) {
    mirroredBitmap_->SetModified(true);
  }
}
