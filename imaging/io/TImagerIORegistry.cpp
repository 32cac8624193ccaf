#include "imaging/core/ImgErrors.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/ReadableFile.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/registry/FileFormatRegistry.h"
#include "imaging/io/registry/FindStreamFormat.h"
#include "imaging/io/registry/FormatIds.h"
#include "platform/ReplacingFile.h"

void TImagerIO::LoadFromStream(TByteStream& stream) {
  if (HandedToWorker([this, &stream] { LoadFromStream(stream); }))
    return;
  const int formatId = FindStreamFormat(stream);
  switch (formatId) {
    case kFormatJpeg:
      return LoadJpegStream(stream);
    case kFormatBmp:
      return LoadBmpStream(stream);
    case kFormatTiff:
      LoadTiffStream(stream, streamHeaders_);
      return;
    case kFormatUnknown:
      return EndWithoutCodec();
    default:
      break;
  }
  if (const auto format = FindReadableFileFormat(formatId))
    return RegistryStreamLoad(stream, *format);
  EndWithoutCodec();
}

void TImagerIO::RegistryLoad(const std::string& path, const std::string& extension) {
  const auto format = FindFileFormatByExtension(extension);
  if (!format || !format->Read)
    return EndWithoutCodec();
  aborting_ = true;
  if (!PrepareImage())
    return;
  FinishingWork([&] {
    TReadableFile stream(path);
    params_->SourcePath = path;
    RegistryReadSteps(stream, *format);
  });
}

void TImagerIO::RegistryStreamLoad(TByteStream& stream, const FileFormatEntry& format) {
  aborting_ = true;
  if (!PrepareImage())
    return FinishWork();
  FinishingWork([&] {
    params_->ClearForLoad();
    params_->SourcePath.clear();
    RegistryReadSteps(stream, format);
  });
}

void TImagerIO::RegistryReadSteps(TByteStream& stream, const FileFormatEntry& format) {
  aborting_ = false;
  TProgressRecord progress = MakeProgressRecord();
  params_->FormatId = format.FormatId;
  try {
    format.Read(stream, *bitmap_, *params_, false, progress);
  } catch (...) {
    // A plugged-in reader's failure is reported like a built-in codec's, through Aborting.
    aborting_ = true;
  }
  if (!aborting_) {
    if (autoAdjustDPI_)
      AdjustDPI();
    TellViewResolution();
  }
  UpdateAttached();
}

void TImagerIO::RegistrySave(const std::string& path, const std::string& extension) {
  const auto format = FindFileFormatByExtension(extension);
  aborting_ = true;
  if (!format || !format->Write)
    return;
  if (!PrepareImage())
    return FinishWork();
  FinishingWork([&] {
    ConvertForJpegSave();
    TReplacingFile file(path);
    if (!file.IsOpen())
      throw EImgFileError("Cannot create file " + path);
    aborting_ = false;
    params_->SourcePath = path;
    params_->FormatId = format->FormatId;
    TProgressRecord progress = MakeProgressRecord();
    try {
      format->Write(file.Stream(), *bitmap_, *params_, progress);
    } catch (...) {
      aborting_ = true;
    }
    // A failed write leaves no file: the temporary one goes unless committed.
    if (!aborting_ && !file.Commit())
      aborting_ = true;
  });
}
