#include <memory>
#include <string>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/RowSource.h"
#include "imaging/io/JpegMetadata.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/jpeg/JpegRowReader.h"
#include "imaging/io/jpeg/JpegWriter.h"
#include "imaging/io/registry/FormatIds.h"
#include "platform/FileStream.h"
#include "platform/ReplacingFile.h"

bool TImagerIO::ConvertJpegRows(const std::string& source, const std::string& target,
                                const TRowShaper& shape) {
  // A picture control mirrors the image itself, and asynchronous work needs its own frame. A
  // view keeps showing its image, which this leaves alone.
  if (mirroredBitmap_ != nullptr || asynchronous_ || autoAdjustDPI_ || !LoadsAsJpeg(source)) {
    return false;
  }
  aborting_ = true;
  bool streamed = false;
  FinishingWork([&] { streamed = StreamedSteps(source, target, shape); });
  return streamed;
}

bool TImagerIO::StreamedSteps(const std::string& source, const std::string& target,
                              const TRowShaper& shape) {
  params_->ClearForLoad();
  TFileStream stream(source, TFileStream::Mode::OpenRead);
  if (!stream.IsOpen())
    return false;
  aborting_ = false;
  TProgressRecord progress = MakeProgressRecord();
  // The rows are read as they are written: progress counts the written ones alone.
  TProgressRecord readProgress = MakeProgressRecord();
  readProgress.handler = nullptr;
  TJpegRowReader reader(stream, nullptr, false, readProgress, *params_);
  if (!reader.Start(false))
    return false;
  // As a load leaves them, but for what only the whole decode tells: a photo whose decode
  // turns out damaged or failed is sent to the whole road after the write.
  ApplyDefaultResolution();
  ImportMetadataMarkers();
  params_->FormatId = kFormatJpeg;
  params_->SourcePath = source;
  const std::unique_ptr<TRowSource> rows = shape(reader);
  if (rows == nullptr)
    return false;

  ExportJpegMetadata(*params_, rows->Width(), rows->Height());
  // Written beside the target and renamed over it only when complete, as every save is; here
  // also only once the source has turned out clean.
  TReplacingFile file(target);
  if (!file.IsOpen())
    throw EImgFileError("Cannot create file " + target);
  WriteJpegRows(file.Stream(), *rows, *params_, progress);
  // A failed write leaves the abort flag up through the finish, as a failed read does.
  reader.Finish();
  if (aborting_ || params_->Damage.Damaged)
    return false;
  if (!file.Commit())
    aborting_ = true;
  return true;
}
