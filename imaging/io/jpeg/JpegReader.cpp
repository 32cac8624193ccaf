#include "imaging/io/jpeg/JpegReader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

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
#include "imaging/io/jpeg/JpegSession.h"
#include "imaging/io/jpeg/JpegStreamSource.h"
#include "platform/ByteStream.h"

namespace {

constexpr int kStartSearchPositions = 100;

struct ReadSession : TJpegSession<jpeg_decompress_struct> {
  using TJpegSession::TJpegSession;
  TJpegStreamSource source{};
  bool tablesFailed = false;
  std::int64_t dataBytes = 0;  ///< from the start of the image to the end of the stream
};

enum class RowTransfer { Direct, ReverseRgb, FromCmyk };

// Chooses the library's output colour space; false for a colour space the codec cannot hold.
bool ApplyColorSpace(jpeg_decompress_struct& cinfo, bool rawYCbCr, TIOParamsVals& params) {
  params.BitsPerSample = 8;
  switch (cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      params.JpegColorSpace = 1;
      params.SamplesPerPixel = 1;
      cinfo.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_RGB:
      params.JpegColorSpace = 0;
      params.SamplesPerPixel = 3;
      cinfo.out_color_space = JCS_RGB;
      break;
    case JCS_YCbCr:
      params.JpegColorSpace = 2;
      params.SamplesPerPixel = 3;
      cinfo.out_color_space = JCS_EXT_BGR;
      break;
    case JCS_CMYK:
      params.JpegColorSpace = 3;
      params.SamplesPerPixel = 4;
      cinfo.out_color_space = JCS_CMYK;
      break;
    case JCS_YCCK:
      params.JpegColorSpace = 4;
      params.SamplesPerPixel = 4;
      cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      // Any other component layout would deliver rows the 24-bit container cannot take.
      return false;
  }
  if (rawYCbCr)
    cinfo.out_color_space = JCS_YCbCr;
  return true;
}

void ApplyDensity(const jpeg_decompress_struct& cinfo, TIOParamsVals& params) {
  if (cinfo.density_unit == 0 || cinfo.density_unit == 1) {
    params.SetResolutionX(static_cast<int>(cinfo.X_density));
    params.SetResolutionY(static_cast<int>(cinfo.Y_density));
  } else if (cinfo.density_unit == 2) {
    params.SetResolutionX(static_cast<int>(std::nearbyint(cinfo.X_density * 2.54)));
    params.SetResolutionY(static_cast<int>(std::nearbyint(cinfo.Y_density * 2.54)));
  }
}

int ScaleDenominator(const jpeg_decompress_struct& cinfo, const TIOParamsVals& params) {
  switch (params.JpegScale) {
    case 1:
      return 1;
    case 2:
      return 2;
    case 3:
      return 4;
    case 4:
      return 8;
    case 0:
      break;
    default:
      return static_cast<int>(cinfo.scale_denom);
  }
  if (params.Width <= 0 || params.Height <= 0)
    return 1;
  for (int n = 3; n >= 0; --n) {
    if (static_cast<std::int64_t>(cinfo.image_width >> n) >= params.Width &&
        static_cast<std::int64_t>(cinfo.image_height >> n) >= params.Height) {
      return 1 << n;
    }
  }
  return 1;
}

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

TClaimedImage Claim(const ReadSession& s) {
  TClaimedImage claim;
  claim.width = s.cinfo.output_width;
  claim.height = s.cinfo.output_height;
  claim.format = pfBGR24;
  claim.leastDataBytes = LeastScanBytes(s.cinfo);
  claim.dataBytesLeft = s.dataBytes;
  return claim;
}

void TransferRows(ReadSession& s, TImgBitmap& bitmap, TProgressRecord& progress) {
  jpeg_decompress_struct& cinfo = s.cinfo;
  const RowTransfer transfer = cinfo.out_color_space == JCS_CMYK  ? RowTransfer::FromCmyk
                               : cinfo.out_color_space == JCS_RGB ? RowTransfer::ReverseRgb
                                                                  : RowTransfer::Direct;
  const int width = static_cast<int>(cinfo.output_width);
  if (transfer == RowTransfer::FromCmyk)
    s.work.resize(static_cast<std::size_t>(width) * 4);
  if (transfer == RowTransfer::ReverseRgb)
    s.work.resize(static_cast<std::size_t>(width) * 3);
  int row = 0;
  while (cinfo.output_scanline < cinfo.output_height) {
    std::uint8_t* target = bitmap.RowPtr(row);
    JSAMPROW line = transfer == RowTransfer::Direct ? target : s.work.data();
    JDIMENSION read = 0;
    if (!JpegGuarded(s.errors, [&] { read = jpeg_read_scanlines(&cinfo, &line, 1); }))
      return;
    if (s.Aborted())
      return;
    if (read > 0 && transfer == RowTransfer::FromCmyk) {
      ConvertCmyk(s.work.data(), ckCMYK, target, width, ckBGR24);
    } else if (read > 0 && transfer == RowTransfer::ReverseRgb) {
      const std::uint8_t* source = s.work.data();
      for (int x = 0; x < width; ++x, source += 3, target += 3) {
        target[0] = source[2];
        target[1] = source[1];
        target[2] = source[0];
      }
    }
    row += static_cast<int>(read);
    ReportJpegRows(progress, static_cast<int>(read));
    if (s.Aborted())
      return;
  }
}

void ClearRowsFrom(TImgBitmap& bitmap, int firstRow) {
  const auto rowBytes = static_cast<std::size_t>(bitmap.RowLength());
  for (int y = std::max(firstRow, 0); y < bitmap.Height(); ++y)
    std::memset(bitmap.RowPtr(y), 0, rowBytes);
}

// Steps up to the end of the row loop; every early return leaves the clean-up to the caller.
void Decode(ReadSession& s, TByteStream& stream, TByteStream* tables, TImgBitmap& bitmap,
            bool rawYCbCr, bool paramsOnly, TProgressRecord& progress, TIOParamsVals& params) {
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
  switch (params.JpegDctMethod) {
    case 0:
      cinfo.dct_method = JDCT_ISLOW;
      break;
    case 1:
      cinfo.dct_method = JDCT_IFAST;
      break;
    case 2:
      cinfo.dct_method = JDCT_FLOAT;
      break;
    default:
      break;
  }
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
  if (paramsOnly)
    return;

  if (!AllocateClaimedImage(bitmap, Claim(s), progress))
    return s.Abort();
  progress.perRow = 100.0 / params.Height;
  progress.rowsDone = 0;
  try {
    TransferRows(s, bitmap, progress);
  } catch (const std::bad_alloc&) {
    s.Abort();
  }
  if (cinfo.output_scanline < cinfo.output_height) {
    // A fresh container's pixels are whatever its memory held; rows never decoded read black.
    ClearRowsFrom(bitmap, static_cast<int>(cinfo.output_scanline));
    s.Abort();
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
void NoteDamage(const ReadSession& s, TIOParamsVals& params) {
  if (s.source.endSupplied) {
    params.Damage.Note(JpegMessageText(JWRN_JPEG_EOF));
  } else if (s.errors.damageWarning != 0) {
    params.Damage.Note(JpegMessageText(s.errors.damageWarning));
  }
}

}  // namespace

std::int64_t FindJpegStart(TByteStream& stream) {
  const std::int64_t start = stream.Position();
  std::uint8_t bytes[kStartSearchPositions + 2] = {};
  const std::int64_t count = stream.Read(bytes, sizeof(bytes));
  stream.SetPosition(start);
  for (std::int64_t i = 0; i + 2 < count; ++i) {
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xD8 && bytes[i + 2] == 0xFF)
      return start + i;
  }
  return -1;
}

void ReadJpegImage(TByteStream& stream, TByteStream* tables, TImgBitmap& bitmap, bool rawYCbCr,
                   bool paramsOnly, TProgressRecord& progress, TIOParamsVals& params) {
  bool ownFlag = false;
  bool* aborting = progress.aborting != nullptr ? progress.aborting : &ownFlag;
  params.JpegWarningCount = 0;
  params.JpegLastWarning = 0;
  params.Damage = {};
  const std::int64_t start = FindJpegStart(stream);
  if (start < 0) {
    *aborting = true;
    return;
  }
  stream.SetPosition(start);

  ReadSession s(aborting);
  s.dataBytes = stream.Size() - start;
  if (!s.created)
    return;
  if (!*aborting)
    Decode(s, stream, tables, bitmap, rawYCbCr, paramsOnly, progress, params);

  CollectMarkers(s.cinfo, params);
  if (!*aborting && !paramsOnly) {
    s.errors.aborting = nullptr;
    JpegGuarded(s.errors, [&] { jpeg_finish_decompress(&s.cinfo); });
  }
  const TJpegErrorManager& errors = s.errors;
  if (errors.warningCount != 0) {
    params.JpegWarningCount = errors.warningCount;
    params.JpegLastWarning = JpegClassicMessageCode(errors.lastWarning);
  }
  if (!*aborting)
    NoteDamage(s, params);
  if (s.tablesFailed)
    throw EImgJpegException(JpegFatalMessage(errors));
}
