#include "imaging/io/jpeg/JpegWriter.h"

#include <cmath>
#include <vector>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/RowSource.h"
#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ConvertCmyk.h"
#include "imaging/io/DefaultResolution.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/jpeg/JpegErrorManager.h"
#include "imaging/io/jpeg/JpegMarkerFilter.h"
#include "imaging/io/jpeg/JpegMemoryLimit.h"
#include "imaging/io/jpeg/JpegProgress.h"
#include "imaging/io/jpeg/JpegSession.h"
#include "imaging/io/jpeg/JpegStreamDestination.h"

namespace {

struct WriteSession : TJpegSession<jpeg_compress_struct> {
  using TJpegSession::TJpegSession;
  TJpegStreamDestination destination{};
};

enum class RowTransfer { Direct, ToCmyk };

struct ColorChoice {
  J_COLOR_SPACE input;
  int components;
  J_COLOR_SPACE file;
  RowTransfer transfer;
  TJpegWrittenSpace written;
};

ColorChoice ChooseColorSpace(int code) {
  switch (code) {
    case 1:
      return {JCS_EXT_BGR, 3, JCS_GRAYSCALE, RowTransfer::Direct, TJpegWrittenSpace::Gray};
    case 2:
      return {JCS_EXT_BGR, 3, JCS_YCbCr, RowTransfer::Direct, TJpegWrittenSpace::Rgb};
    case 3:
      return {JCS_CMYK, 4, JCS_CMYK, RowTransfer::ToCmyk, TJpegWrittenSpace::Cmyk};
    case 4:
      return {JCS_CMYK, 4, JCS_YCCK, RowTransfer::ToCmyk, TJpegWrittenSpace::Cmyk};
    default:
      // The codec reorders the container's blue-green-red itself while it splits the planes.
      return {JCS_EXT_BGR, 3, JCS_RGB, RowTransfer::Direct, TJpegWrittenSpace::Rgb};
  }
}

void Configure(jpeg_compress_struct& cinfo, TRowSource& source, const TIOParamsVals& params,
               const ColorChoice& color) {
  cinfo.image_width = static_cast<JDIMENSION>(source.Width());
  cinfo.image_height = static_cast<JDIMENSION>(source.Height());
  cinfo.input_components = color.components;
  cinfo.in_color_space = color.input;
  jpeg_set_defaults(&cinfo);
  jpeg_set_colorspace(&cinfo, color.file);
  cinfo.density_unit = 1;
  cinfo.X_density =
      static_cast<UINT16>(params.ResolutionX != 0 ? params.ResolutionX : DefaultResolution.x);
  cinfo.Y_density =
      static_cast<UINT16>(params.ResolutionY != 0 ? params.ResolutionY : DefaultResolution.y);
  ApplyJpegDctMethod(cinfo, params.JpegDctMethod);
  cinfo.optimize_coding = params.JpegOptimize ? TRUE : FALSE;
  cinfo.smoothing_factor = params.JpegSmoothing;
  jpeg_set_quality(&cinfo, params.JpegQuality, TRUE);
  if (params.JpegProgressive)
    jpeg_simple_progression(&cinfo);
}

// False when the library reported a fatal error.
bool WriteRows(WriteSession& s, TRowSource& source, const ColorChoice& color,
               TProgressRecord& progress) {
  jpeg_compress_struct& cinfo = s.cinfo;
  const int width = source.Width();
  if (color.transfer != RowTransfer::Direct) {
    s.work.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(color.components));
  }
  progress.perRow = 100.0 / source.Height();
  progress.rowsDone = 0;
  int row = 0;
  while (cinfo.next_scanline < cinfo.image_height) {
    const std::uint8_t* pixels = source.Row(row);
    if (color.transfer == RowTransfer::ToCmyk)
      ConvertCmyk(pixels, ckBGR24, s.work.data(), width, ckCMYK);
    // The library reads the rows it is given and never writes to them.
    JSAMPROW line =
        color.transfer == RowTransfer::Direct ? const_cast<std::uint8_t*>(pixels) : s.work.data();
    JDIMENSION written = 0;
    if (!JpegGuarded(s.errors, [&] { written = jpeg_write_scanlines(&cinfo, &line, 1); })) {
      return false;
    }
    row += static_cast<int>(written);
    ReportJpegRows(progress, static_cast<int>(written));
    if (*s.aborting)
      break;
  }
  return true;
}

// Steps from the library setup to the finish; false when the library reported a fatal error.
bool Compress(WriteSession& s, TRowSource& source, const TIOParamsVals& params,
              TProgressRecord& progress) {
  jpeg_compress_struct& cinfo = s.cinfo;
  const ColorChoice color = ChooseColorSpace(params.JpegColorSpace);
  const std::vector<int> markers = JpegMarkersToWrite(params.JpegMarkers, color.written);
  const bool started = JpegGuarded(s.errors, [&] {
    Configure(cinfo, source, params, color);
    jpeg_start_compress(&cinfo, TRUE);
    for (int index : markers) {
      const TImgMarkerList::Marker& marker = params.JpegMarkers[index];
      jpeg_write_marker(&cinfo, marker.code, marker.data.data(),
                        static_cast<unsigned int>(marker.data.size()));
    }
  });
  if (!started || !WriteRows(s, source, color, progress))
    return false;
  if (*s.aborting)
    return true;
  return JpegGuarded(s.errors, [&] { jpeg_finish_compress(&cinfo); });
}

}  // namespace

void WriteJpegImage(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals& params,
                    TProgressRecord& progress) {
  if (bitmap.PixelFormat() != pfBit1) {
    TBitmapRows rows(bitmap);
    return WriteJpegRows(stream, rows, params, progress);
  }
  TImgBitmap copy;
  copy.Assign(&bitmap);
  copy.SetPixelFormat(pfBGR24);
  TBitmapRows rows(copy);
  WriteJpegRows(stream, rows, params, progress);
}

void WriteJpegRows(TByteStream& stream, TRowSource& rows, TIOParamsVals& params,
                   TProgressRecord& progress) {
  bool ownFlag = false;
  bool* aborting = progress.aborting != nullptr ? progress.aborting : &ownFlag;
  if (rows.Width() == 0 || rows.Height() == 0) {
    *aborting = true;
    return;
  }

  WriteSession s(aborting);
  if (!s.created)
    throw EImgJpegException(JpegFatalMessage(s.errors));
  InstallJpegStreamDestination(&s.cinfo, s.destination, stream, aborting);
  if (*aborting)
    return;
  if (!Compress(s, rows, params, progress)) {
    const std::string message = JpegFatalMessage(s.errors);
    throw EImgJpegException(message);
  }
}
