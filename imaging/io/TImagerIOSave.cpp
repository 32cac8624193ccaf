#include <array>
#include <string_view>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/io/FileExtension.h"
#include "imaging/io/JpegMetadata.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/ReadableFile.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/jpeg/JpegReader.h"
#include "imaging/io/jpeg/JpegStart.h"
#include "imaging/io/jpeg/JpegWriter.h"
#include "imaging/io/registry/FormatIds.h"
#include "platform/ReplacingFile.h"

namespace {

constexpr std::array<std::string_view, 3> kJpegSaveExtensions = {".jpg", ".jpeg", ".jpe"};
// Formats that can be saved but whose writers this library does not build.
constexpr std::array<std::string_view, 29> kSaveWithoutCodec = {
    ".jp2", ".j2k", ".jpc", ".j2c", ".pcx", ".gif", ".tif",   ".tiff", ".fax", ".g3f",
    ".g3n", ".png", ".bmp", ".dib", ".rle", ".tga", ".targa", ".vda",  ".icb", ".vst",
    ".win", ".pxm", ".pbm", ".pgm", ".ppm", ".ico", ".wbmp",  ".ps",   ".eps"};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& table, const std::string& extension) {
  for (std::string_view entry : table) {
    if (entry == extension)
      return true;
  }
  return false;
}

}  // namespace

void TImagerIO::SaveToFile(const std::string& path) {
  if (path.empty())
    return;
  if (HandedToWorker([this, path] { SaveToFile(path); }))
    return;
  const std::string extension = LowerCaseExtension(path);
  if (Contains(kJpegSaveExtensions, extension))
    return SaveJpegFile(path);
  if (Contains(kSaveWithoutCodec, extension) || extension == ".pdf")
    return EndWithoutCodec();
  RegistrySave(path, extension);
}

void TImagerIO::SaveJpegFile(const std::string& path) {
  if (HandedToWorker([this, path] { SaveJpegFile(path); }))
    return;
  aborting_ = true;
  if (!PrepareImage())
    return FinishWork();
  FinishingWork([&] {
    ConvertForJpegSave();
    // Written beside the target and renamed over it only when complete: a failed save leaves no
    // partial file and never harms an existing one.
    TReplacingFile file(path);
    if (!file.IsOpen())
      throw EImgFileError("Cannot create file " + path);
    SaveJpegSteps(file.Stream());
    if (!aborting_ && !file.Commit())
      aborting_ = true;
  });
}

void TImagerIO::SaveJpegStream(TByteStream& stream) {
  if (HandedToWorker([this, &stream] { SaveJpegStream(stream); }))
    return;
  aborting_ = true;
  if (!PrepareImage())
    return FinishWork();
  FinishingWork([&] {
    ConvertForJpegSave();
    SaveJpegSteps(stream);
  });
}

void TImagerIO::ConvertForJpegSave() {
  // The writer takes 24-bit colour or 1-bit; every other format is widened first.
  if (bitmap_->PixelFormat() != pfBGR24 && bitmap_->PixelFormat() != pfBit1)
    bitmap_->SetPixelFormat(pfBGR24);
}

void TImagerIO::SaveJpegSteps(TByteStream& stream) {
  aborting_ = false;
  TProgressRecord progress = MakeProgressRecord();
  ExportMetadataMarkers();
  WriteJpegImage(stream, *bitmap_, *params_, progress);
}

void TImagerIO::ExportMetadataMarkers() {
  ExportJpegMetadata(*params_, bitmap_->Width(), bitmap_->Height());
}

void TImagerIO::ParamsFromFile(const std::string& path) {
  aborting_ = true;
  if (LowerCaseAscii(path.substr(0, 7)) == "http://" ||
      !Contains(kJpegSaveExtensions, LowerCaseExtension(path))) {
    return FinishWork();
  }
  FinishingWork([&] {
    TReadableFile stream(path);
    ParamsOnlySteps(stream);
    params_->SourcePath = path;
  });
}

void TImagerIO::ParamsFromStream(TByteStream& stream) {
  aborting_ = true;
  if (FindJpegStart(stream) < 0)
    return FinishWork();
  FinishingWork([&] {
    ParamsOnlySteps(stream);
    params_->SourcePath.clear();
  });
}

void TImagerIO::ParamsOnlySteps(TByteStream& stream) {
  params_->ClearForLoad();
  aborting_ = false;
  TProgressRecord progress = MakeProgressRecord();
  ReadJpegImage(stream, nullptr, *bitmap_, false, true, progress, *params_);
  ApplyDefaultResolution();
  params_->FormatId = kFormatJpeg;
}
