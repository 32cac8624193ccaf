#include "imaging/io/jpeg/JpegRowReader.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include <jpeglib.h>
// jpeglib.h must come first: jerror.h relies on its types.
#include <jerror.h>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/SizeMath.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ClaimedImage.h"
#include "imaging/io/ConvertCmyk.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/jpeg/JpegErrorManager.h"
#include "imaging/io/jpeg/JpegMemoryLimit.h"
#include "imaging/io/jpeg/JpegMessages.h"
#include "imaging/io/jpeg/JpegProgress.h"
#include "imaging/io/jpeg/JpegReadChoices.h"
#include "imaging/io/jpeg/JpegSession.h"
#include "imaging/io/jpeg/JpegStart.h"
#include "imaging/io/jpeg/JpegStreamSource.h"
#include "platform/ByteStream.h"

enum class JpegRowTransfer { Direct, ReverseRgb, FromCmyk };

struct TJpegReadSession : TJpegSession<jpeg_decompress_struct> {
  using TJpegSession::TJpegSession;
  TJpegStreamSource source{};
  bool tablesFailed = false;
  std::int64_t dataBytes = 0;  ///< from the start of the image to the end of the stream
  JpegRowTransfer transfer = JpegRowTransfer::Direct;
};

namespace {

// True when a 24-bit container of the output size can be had without exhausting memory.
bool OutputFitsMemory(const jpeg_decompress_struct& cinfo) {
  const auto width = static_cast<std::int64_t>(cinfo.output_width);
  const auto height = static_cast<std::int64_t>(cinfo.output_height);
  if (!ImageSizeAllowed(width, height, 24))
    return false;
  return *RowBytes(width, 24) * height <= JpegMemoryBudget();
}

// Every block takes at least two bits in a sequential scan (its DC code and end of block) and
// one in a progressive file's first DC scan. Arithmetic coding adapts to runs of empty blocks
// and is held to a quarter of a bit, which no photo comes near.
std::int64_t LeastScanBytes(const jpeg_decompress_struct& cinfo) {
  std::int64_t blocks = 0;
  for (int i = 0; i < cinfo.num_components; ++i) {
    const jpeg_component_info& component = cinfo.comp_info[i];
    blocks += std::int64_t{component.width_in_blocks} * component.height_in_blocks;
  }
  if (cinfo.arith_code)
    return blocks / 32;
  return cinfo.progressive_mode ? blocks / 8 : blocks / 4;
}

TClaimedImage Claim(const TJpegReadSession& s) {
  TClaimedImage claim;
  claim.width = s.cinfo.output_width;
  claim.height = s.cinfo.output_height;
  claim.format = pfBGR24;
  claim.leastDataBytes = LeastScanBytes(s.cinfo);
  claim.dataBytesLeft = s.dataBytes;
  return claim;
}

// Steps up to the first row; every early return leaves the clean-up to Finish.
void StartDecode(TJpegReadSession& s, TByteStream& stream, TByteStream* tables, bool rawYCbCr,
                 bool paramsOnly, TIOParamsVals& params) {
  jpeg_decompress_struct& cinfo = s.cinfo;
  if (tables != nullptr && tables != &stream) {
    InstallJpegStreamSource(&cinfo, s.source, *tables, s.aborting);
    if (!JpegGuarded(s.errors, [&] { jpeg_read_header(&cinfo, FALSE); })) {
      // An empty tables stream only sets the abort flag; the library's complaint about the
      // end-of-image marker supplied for it is no error of its own.
      s.tablesFailed = !s.source.emptyStream;
      return;
    }
  }
  InstallJpegStreamSource(&cinfo, s.source, stream, s.aborting);
  if (s.Aborted())
    return;
  const bool headerRead = JpegGuarded(s.errors, [&] {
    jpeg_save_markers(&cinfo, JPEG_COM, 0xFFFF);
    for (int code = JPEG_APP0; code <= JPEG_APP0 + 15; ++code)
      jpeg_save_markers(&cinfo, code, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
  });
  if (!headerRead || s.Aborted())
    return s.Abort();
  // Junk between the header's segments leaves the pixels as the file meant them.
  s.errors.damageWarning = 0;

  if (!ApplyColorSpace(cinfo, rawYCbCr, params))
    return s.Abort();
  ApplyJpegDctMethod(cinfo, params.JpegDctMethod);
  ApplyDensity(cinfo, params);
  params.ColorMap.clear();
  params.ColorMapCount = 0;
  params.JpegProgressive = cinfo.progressive_mode != 0;
  params.JpegFullWidth = static_cast<int>(cinfo.image_width);
  params.JpegFullHeight = static_cast<int>(cinfo.image_height);
  cinfo.scale_num = 1;
  cinfo.scale_denom = static_cast<unsigned int>(ScaleDenominator(cinfo, params));
  params.JpegScaleUsed = static_cast<int>(cinfo.scale_denom);

  // The output size is checked before the library allocates for it: a progressive file's
  // coefficients take more memory than its pixels.
  if (!paramsOnly) {
    if (!JpegGuarded(s.errors, [&] { jpeg_calc_output_dimensions(&cinfo); }))
      return s.Abort();
    if (!OutputFitsMemory(cinfo) || !ClaimedImageFits(Claim(s)))
      return s.Abort();
  }
  if (!JpegGuarded(s.errors, [&] { jpeg_start_decompress(&cinfo); }) || s.Aborted()) {
    return s.Abort();
  }
  params.Width = static_cast<int>(cinfo.output_width);
  params.Height = static_cast<int>(cinfo.output_height);
  s.transfer = cinfo.out_color_space == JCS_CMYK  ? JpegRowTransfer::FromCmyk
               : cinfo.out_color_space == JCS_RGB ? JpegRowTransfer::ReverseRgb
                                                  : JpegRowTransfer::Direct;
  const auto width = static_cast<std::size_t>(cinfo.output_width);
  if (s.transfer == JpegRowTransfer::FromCmyk)
    s.work.resize(width * 4);
  if (s.transfer == JpegRowTransfer::ReverseRgb)
    s.work.resize(width * 3);
}

void ReverseRgbRow(const std::uint8_t* source, int width, std::uint8_t* target) {
  for (int x = 0; x < width; ++x, source += 3, target += 3) {
    target[0] = source[2];
    target[1] = source[1];
    target[2] = source[0];
  }
}

void CollectMarkers(const jpeg_decompress_struct& cinfo, TIOParamsVals& params) {
  params.JpegMarkers.Clear();
  for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker != nullptr; marker = marker->next) {
    if (marker == cinfo.marker_list && marker->marker == JPEG_APP0)
      continue;
    params.JpegMarkers.AddMarker(marker->marker, marker->data, marker->data_length);
  }
}

// A stream that ends before its end-of-image marker is named as such even when the data that
// is there decoded cleanly: the rest of the photo, or of its last scan, is missing.
void NoteDamage(const TJpegReadSession& s, TIOParamsVals& params) {
  if (s.source.endSupplied) {
    params.Damage.Note(JpegMessageText(JWRN_JPEG_EOF));
  } else if (s.errors.damageWarning != 0) {
    params.Damage.Note(JpegMessageText(s.errors.damageWarning));
  }
}

}  // namespace

TJpegRowReader::TJpegRowReader(TByteStream& stream, TByteStream* tables, bool rawYCbCr,
                               TProgressRecord& progress, TIOParamsVals& params)
    : stream_(stream),
      tables_(tables),
      rawYCbCr_(rawYCbCr),
      progress_(progress),
      params_(params),
      aborting_(progress.aborting != nullptr ? progress.aborting : &ownFlag_) {
  params.JpegWarningCount = 0;
  params.JpegLastWarning = 0;
  params.Damage = {};
  const std::int64_t start = FindJpegStart(stream);
  if (start < 0) {
    *aborting_ = true;
    return;
  }
  stream.SetPosition(start);
  s_ = std::make_unique<TJpegReadSession>(aborting_);
  s_->dataBytes = stream.Size() - start;
  if (!s_->created)
    s_.reset();
}

TJpegRowReader::~TJpegRowReader() = default;

bool TJpegRowReader::Start(bool paramsOnly) {
  paramsOnly_ = paramsOnly;
  if (s_ == nullptr)
    return false;
  if (!*aborting_)
    StartDecode(*s_, stream_, tables_, rawYCbCr_, paramsOnly, params_);
  CollectMarkers(s_->cinfo, params_);
  started_ = !*aborting_ && !paramsOnly;
  if (started_) {
    progress_.perRow = 100.0 / Height();
    progress_.rowsDone = 0;
  }
  return !*aborting_;
}

int TJpegRowReader::Width() {
  return s_ == nullptr ? 0 : static_cast<int>(s_->cinfo.output_width);
}

int TJpegRowReader::Height() {
  return s_ == nullptr ? 0 : static_cast<int>(s_->cinfo.output_height);
}

int TJpegRowReader::RowsDecoded() const {
  return s_ == nullptr ? 0 : static_cast<int>(s_->cinfo.output_scanline);
}

bool TJpegRowReader::DecodeRowInto(std::uint8_t* target) {
  const auto rowBytes = static_cast<std::size_t>(Width()) * 3;
  if (!started_ || *aborting_ || RowsDecoded() >= Height()) {
    std::memset(target, 0, rowBytes);
    return false;
  }
  jpeg_decompress_struct& cinfo = s_->cinfo;
  const int width = Width();
  JSAMPROW line = s_->transfer == JpegRowTransfer::Direct ? target : s_->work.data();
  JDIMENSION read = 0;
  while (read == 0) {
    if (!JpegGuarded(s_->errors, [&] { read = jpeg_read_scanlines(&cinfo, &line, 1); }) ||
        *aborting_) {
      std::memset(target, 0, rowBytes);
      return false;
    }
  }
  if (s_->transfer == JpegRowTransfer::FromCmyk)
    ConvertCmyk(s_->work.data(), ckCMYK, target, width, ckBGR24);
  else if (s_->transfer == JpegRowTransfer::ReverseRgb)
    ReverseRgbRow(s_->work.data(), width, target);
  ReportJpegRows(progress_, static_cast<int>(read));
  return !*aborting_;
}

void TJpegRowReader::DecodeInto(TImgBitmap& bitmap) {
  if (!started_ || *aborting_)
    return;
  if (!AllocateClaimedImage(bitmap, Claim(*s_), progress_)) {
    *aborting_ = true;
    return;
  }
  try {
    while (RowsDecoded() < Height() && DecodeRowInto(bitmap.RowPtr(RowsDecoded()))) {
    }
  } catch (const std::bad_alloc&) {
    *aborting_ = true;
  }
  if (RowsDecoded() < Height()) {
    // A fresh container's pixels are whatever its memory held; rows never decoded read black.
    const auto rowBytes = static_cast<std::size_t>(bitmap.RowLength());
    for (int y = RowsDecoded(); y < bitmap.Height(); ++y)
      std::memset(bitmap.RowPtr(y), 0, rowBytes);
    *aborting_ = true;
  }
}

const std::uint8_t* TJpegRowReader::Row(int y) {
  const int kept = static_cast<int>(kept_.size());
  if (y < 0 || y >= Height() || y < RowsDecoded() - kept)
    throw std::out_of_range("Decoded row " + std::to_string(y) + " is no longer kept");
  const auto rowBytes = static_cast<std::size_t>(Width()) * 3;
  if (kept_[0].size() != rowBytes) {
    for (std::vector<std::uint8_t>& row : kept_)
      row.resize(rowBytes);
  }
  std::uint8_t* wanted = kept_[static_cast<std::size_t>(y % kept)].data();
  while (RowsDecoded() <= y) {
    if (!DecodeRowInto(kept_[static_cast<std::size_t>(RowsDecoded() % kept)].data()))
      break;
  }
  if (y >= RowsDecoded())
    std::memset(wanted, 0, rowBytes);
  return wanted;
}

void TJpegRowReader::Finish() {
  if (s_ == nullptr)
    return;
  TJpegReadSession& s = *s_;
  // Rows nobody asked for are decoded all the same: the library finishes only after the last
  // one, and damage further down comes to light only then.
  while (started_ && !*aborting_ && RowsDecoded() < Height())
    Row(RowsDecoded());
  CollectMarkers(s.cinfo, params_);
  if (!*aborting_ && !paramsOnly_) {
    s.errors.aborting = nullptr;
    JpegGuarded(s.errors, [&] { jpeg_finish_decompress(&s.cinfo); });
  }
  const TJpegErrorManager& errors = s.errors;
  if (errors.warningCount != 0) {
    params_.JpegWarningCount = errors.warningCount;
    params_.JpegLastWarning = JpegClassicMessageCode(errors.lastWarning);
  }
  if (!*aborting_)
    NoteDamage(s, params_);
  if (s.tablesFailed)
    throw EImgJpegException(JpegFatalMessage(errors));
}
