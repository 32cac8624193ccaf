#include "imaging/io/png/PngReader.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ClaimedImage.h"
#include "imaging/io/DecodedRows.h"
#include "imaging/io/DefaultResolution.h"
#include "imaging/io/JpegMetadata.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "platform/ByteStream.h"

namespace {

// Deflate cannot pack more than about 1032 bytes into one, so compressed rows of that many
// bytes need at least this share of them in the file.
constexpr std::int64_t kDeflateMaxRatio = 1032;
constexpr double kInchesPerMetre = 0.0254;

// libpng reads through this; running past the end is a cut-off file and an error.
struct TPngInput {
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  std::size_t offset = 0;
};

// Errors leave libpng by longjmp to the setjmp of the step that called it; the steps below
// hold no objects with destructors, so the jump skips nothing.
struct TPngErrors {
  std::jmp_buf jump;
};

void OnPngError(png_structp png, png_const_charp) {
  auto* errors = static_cast<TPngErrors*>(png_get_error_ptr(png));
  std::longjmp(errors->jump, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromInput(png_structp png, png_bytep out, png_size_t count) {
  auto* input = static_cast<TPngInput*>(png_get_io_ptr(png));
  if (count > input->size - input->offset)
    png_error(png, "file cut short");
  std::memcpy(out, input->data + input->offset, count);
  input->offset += count;
}

// Frees libpng's structures on every path.
struct TPngSession {
  png_structp png = nullptr;
  png_infop info = nullptr;
  TPngErrors errors{};
  TPngInput input;

  TPngSession() = default;
  TPngSession(const TPngSession&) = delete;
  TPngSession& operator=(const TPngSession&) = delete;
  ~TPngSession() {
    if (png != nullptr)
      png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
  }
};

// What the header says, before and after the expanding transformations.
struct TPngHeader {
  png_uint_32 width = 0;
  png_uint_32 height = 0;
  int bitDepth = 0;
  int colorType = 0;
  int fileChannels = 0;
  int channels = 0;
  png_size_t fileRowBytes = 0;
  png_size_t rowBytes = 0;
};

bool ReadHeader(TPngSession& s, TPngHeader& header) {
  if (setjmp(s.errors.jump) != 0)
    return false;
  png_read_info(s.png, s.info);
  header.width = png_get_image_width(s.png, s.info);
  header.height = png_get_image_height(s.png, s.info);
  header.bitDepth = png_get_bit_depth(s.png, s.info);
  header.colorType = png_get_color_type(s.png, s.info);
  header.fileChannels = png_get_channels(s.png, s.info);
  header.fileRowBytes = png_get_rowbytes(s.png, s.info);
  png_set_expand(s.png);
  png_set_scale_16(s.png);
  // Each pass of an interlaced file is merged into the full rows.
  png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);
  header.channels = png_get_channels(s.png, s.info);
  header.rowBytes = png_get_rowbytes(s.png, s.info);
  return true;
}

bool ReadRows(TPngSession& s, png_bytepp rows) {
  if (setjmp(s.errors.jump) != 0)
    return false;
  png_read_image(s.png, rows);
  return true;
}

// The chunks after the image data, where an eXIf chunk may stand.
bool ReadEnd(TPngSession& s) {
  if (setjmp(s.errors.jump) != 0)
    return false;
  png_read_end(s.png, s.info);
  return true;
}

std::vector<std::uint8_t> ExifOf(TPngSession& s) {
  png_uint_32 size = 0;
  png_bytep exif = nullptr;
  if (png_get_eXIf_1(s.png, s.info, &size, &exif) == 0 || exif == nullptr)
    return {};
  return ExifMarkerPayload({exif, size});
}

std::vector<std::uint8_t> IccOf(TPngSession& s) {
  png_charp name = nullptr;
  int compression = 0;
  png_bytep profile = nullptr;
  png_uint_32 size = 0;
  if (png_get_iCCP(s.png, s.info, &name, &compression, &profile, &size) == 0 || profile == nullptr)
    return {};
  return {profile, profile + size};
}

void FillParams(TPngSession& s, const TPngHeader& header, TIOParamsVals& params) {
  params.Width = static_cast<int>(header.width);
  params.Height = static_cast<int>(header.height);
  params.BitsPerSample = header.bitDepth;
  params.SamplesPerPixel = header.fileChannels;
  png_uint_32 perMetreX = 0;
  png_uint_32 perMetreY = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  if (png_get_pHYs(s.png, s.info, &perMetreX, &perMetreY, &unit) != 0 &&
      unit == PNG_RESOLUTION_METER) {
    params.SetResolutionX(static_cast<int>(std::lround(perMetreX * kInchesPerMetre)));
    params.SetResolutionY(static_cast<int>(std::lround(perMetreY * kInchesPerMetre)));
  }
}

void FillMetadata(TPngSession& s, TIOParamsVals& params) {
  ImportEmbeddedMetadata(params, ExifOf(s), IccOf(s));
  if (params.ResolutionX < 2 || params.ResolutionY < 2) {
    params.SetResolutionX(DefaultResolution.x);
    params.SetResolutionY(DefaultResolution.y);
  }
}

// The expanded rows of the whole image, since an interlaced file completes every row only in
// its last pass.
bool DecodePixels(TPngSession& s, const TPngHeader& header, std::vector<std::uint8_t>& pixels) {
  try {
    pixels.resize(header.rowBytes * header.height);
    std::vector<png_bytep> rows(header.height);
    for (png_uint_32 y = 0; y < header.height; ++y)
      rows[y] = pixels.data() + y * header.rowBytes;
    return ReadRows(s, rows.data());
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void StorePixels(const std::vector<std::uint8_t>& pixels, const TPngHeader& header,
                 TImgBitmap& bitmap, TProgressRecord& progress) {
  const bool gray = header.channels <= 2;
  const TDecodedLayout layout{gray ? 1 : 3, header.channels == 2 || header.channels == 4};
  const int width = static_cast<int>(header.width);
  progress.perRow = 100.0 / header.height;
  for (png_uint_32 y = 0; y < header.height && !progress.Aborted(); ++y) {
    const std::span<const std::uint8_t> row(pixels.data() + y * header.rowBytes, header.rowBytes);
    StoreDecodedRow(row, layout, width, bitmap.RowPtr(static_cast<int>(y)));
    progress.RowDone();
  }
}

}  // namespace

void ReadPngImage(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals& params, bool paramsOnly,
                  TProgressRecord& progress) {
  const auto data = ReadRestOfStream(stream);
  if (!data || png_sig_cmp(data->data(), 0, data->size()) != 0)
    return progress.Abort();
  TPngSession s;
  s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s.errors, OnPngError, OnPngWarning);
  if (s.png == nullptr)
    return progress.Abort();
  s.info = png_create_info_struct(s.png);
  if (s.info == nullptr)
    return progress.Abort();
  s.input = {data->data(), data->size(), 0};
  png_set_read_fn(s.png, &s.input, ReadFromInput);
  TPngHeader header;
  if (!ReadHeader(s, header) || header.channels < 1 || header.channels > 4)
    return progress.Abort();
  FillParams(s, header, params);
  if (paramsOnly)
    return FillMetadata(s, params);
  TClaimedImage claim;
  claim.width = header.width;
  claim.height = header.height;
  claim.format = header.channels <= 2 ? pfGray8 : pfBGR24;
  claim.leastDataBytes =
      static_cast<std::int64_t>(header.fileRowBytes + 1) * header.height / kDeflateMaxRatio;
  claim.dataBytesLeft = static_cast<std::int64_t>(data->size() - s.input.offset);
  if (!ClaimedImageFits(claim))
    return progress.Abort();
  std::vector<std::uint8_t> pixels;
  if (!DecodePixels(s, header, pixels))
    return progress.Abort();
  // Every row is there; only the closing chunks are missing or broken.
  if (!ReadEnd(s))
    params.Damage.Note("PNG file ends before its closing chunk");
  FillMetadata(s, params);
  if (!AllocateClaimedImage(bitmap, claim, progress))
    return;
  StorePixels(pixels, header, bitmap, progress);
}
