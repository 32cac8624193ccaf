#include "imaging/io/heif/HeifReader.h"

#include <libheif/heif.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ByteReader.h"
#include "imaging/io/ClaimedImage.h"
#include "imaging/io/DecodedRows.h"
#include "imaging/io/DefaultResolution.h"
#include "imaging/io/JpegMetadata.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/heif/HeifTransformBoxes.h"
#include "platform/ByteStream.h"

namespace {

constexpr std::uint32_t kFtypHeader = 16;  // size, "ftyp", major brand, minor version
constexpr std::uint32_t kLargestFtyp = 4096;
std::atomic<int> largestSide{1 << 14};

constexpr std::array<std::string_view, 10> kHeifBrands = {"heic", "heix", "heim", "heis", "hevc",
                                                          "hevx", "hevm", "hevs", "mif1", "msf1"};
constexpr std::array<std::string_view, 2> kAvifBrands = {"avif", "avis"};

template <std::size_t N>
bool Lists(const std::array<std::string_view, N>& brands, std::string_view brand) {
  return std::find(brands.begin(), brands.end(), brand) != brands.end();
}

struct TContextFree {
  void operator()(heif_context* context) const { heif_context_free(context); }
};
struct THandleFree {
  void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct TImageFree {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
using TContext = std::unique_ptr<heif_context, TContextFree>;
using THandle = std::unique_ptr<heif_image_handle, THandleFree>;
using TImage = std::unique_ptr<heif_image, TImageFree>;

void StartLibrary() {
  // Loads the library's decoder plug-ins once; they stay for the life of the process.
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); });
}

// The block is preceded by the offset of its TIFF header from the end of that field.
std::vector<std::uint8_t> ExifOf(const heif_image_handle* handle) {
  heif_item_id id = 0;
  if (heif_image_handle_get_list_of_metadata_block_IDs(handle, "Exif", &id, 1) != 1)
    return {};
  std::vector<std::uint8_t> block(heif_image_handle_get_metadata_size(handle, id));
  if (block.empty() ||
      heif_image_handle_get_metadata(handle, id, block.data()).code != heif_error_Ok)
    return {};
  TByteReader reader(block, TByteReader::Endian::Big);
  const std::uint32_t offset = reader.U32();
  if (reader.Overran() || !reader.Skip(offset))
    return {};
  return ExifMarkerPayload(std::span<const std::uint8_t>(block).subspan(reader.Offset()));
}

std::vector<std::uint8_t> IccOf(const heif_image_handle* handle) {
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC)
    return {};
  std::vector<std::uint8_t> profile(heif_image_handle_get_raw_color_profile_size(handle));
  if (profile.empty() ||
      heif_image_handle_get_raw_color_profile(handle, profile.data()).code != heif_error_Ok)
    return {};
  return profile;
}

void FillParams(const heif_image_handle* handle, TIOParamsVals& params) {
  params.Width = heif_image_handle_get_width(handle);
  params.Height = heif_image_handle_get_height(handle);
  params.BitsPerSample = std::max(heif_image_handle_get_luma_bits_per_pixel(handle), 0);
  params.SamplesPerPixel = heif_image_handle_has_alpha_channel(handle) != 0 ? 4 : 3;
  ImportEmbeddedMetadata(params, ExifOf(handle), IccOf(handle));
  // HEIF states no resolution outside its EXIF block.
  if (params.ResolutionX < 2 || params.ResolutionY < 2) {
    params.SetResolutionX(DefaultResolution.x);
    params.SetResolutionY(DefaultResolution.y);
  }
}

void StoreImage(const heif_image* image, TDecodedLayout layout, TImgBitmap& bitmap,
                TProgressRecord& progress) {
  int stride = 0;
  const std::uint8_t* plane =
      heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const std::size_t rowBytes = static_cast<std::size_t>(width) * layout.PixelBytes();
  progress.perRow = 100.0 / height;
  for (int y = 0; y < height && !progress.Aborted(); ++y) {
    const std::uint8_t* row = plane + static_cast<std::ptrdiff_t>(y) * stride;
    StoreDecodedRow({row, rowBytes}, layout, width, bitmap.RowPtr(y));
    progress.RowDone();
  }
}

}  // namespace

void SetLargestHeifSide(int side) {
  largestSide.store(side);
}

THeifBrand HeifBrandOf(std::span<const std::uint8_t> head) {
  TByteReader reader(head, TByteReader::Endian::Big);
  const std::uint32_t boxSize = reader.U32();
  std::array<char, 4> type{};
  reader.Bytes(type.data(), type.size());
  if (reader.Overran() || std::string_view(type.data(), type.size()) != "ftyp" ||
      boxSize < kFtypHeader || boxSize > kLargestFtyp)
    return THeifBrand::None;
  bool heif = false;
  bool avif = false;
  // The major brand, the minor version (no brand, matches nothing), the compatible brands.
  const std::size_t end = std::min<std::size_t>(boxSize, head.size());
  for (std::size_t at = 8; at + 4 <= end; at += 4) {
    const std::string_view brand(reinterpret_cast<const char*>(head.data() + at), 4);
    heif = heif || (at != 12 && Lists(kHeifBrands, brand));
    avif = avif || (at != 12 && Lists(kAvifBrands, brand));
  }
  if (avif)
    return THeifBrand::Avif;
  return heif ? THeifBrand::Heif : THeifBrand::None;
}

void ReadHeifImage(TByteStream& stream, TImgBitmap& bitmap, TIOParamsVals& params, bool paramsOnly,
                   TProgressRecord& progress) {
  const auto file = ReadRestOfStream(stream);
  if (!file || HeifBrandOf(*file) == THeifBrand::None)
    return progress.Abort();
  StartLibrary();
  const TContext context(heif_context_alloc());
  if (context == nullptr)
    return progress.Abort();
  heif_context_set_maximum_image_size_limit(context.get(), largestSide.load());
  // Tiles are decoded on the calling thread: threads come from the library's shared pool only.
  // The AV1 decoder behind this libheif version takes no thread count and starts its own.
  heif_context_set_max_decoding_threads(context.get(), 0);
  if (heif_context_read_from_memory_without_copy(context.get(), file->data(), file->size(), nullptr)
          .code != heif_error_Ok)
    return progress.Abort();
  heif_image_handle* primary = nullptr;
  if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok)
    return progress.Abort();
  const THandle handle(primary);
  FillParams(handle.get(), params);
  // A phone stores the picture as the sensor saw it, with rotation boxes that the decode applies
  // and the same turn in its EXIF block: kept, that orientation would turn the picture twice.
  if (HeifPrimaryIsTransformed(*file))
    params.SetOrientation(1);
  if (paramsOnly)
    return;
  const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
  // Compressed data gives no useful least size; the side limit above bounds the claim.
  TClaimedImage claim;
  claim.width = params.Width;
  claim.height = params.Height;
  claim.format = pfBGR24;
  if (!ClaimedImageFits(claim))
    return progress.Abort();
  heif_image* decoded = nullptr;
  const heif_error error = heif_decode_image(
      handle.get(), &decoded, heif_colorspace_RGB,
      alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr);
  const TImage image(decoded);
  if (error.code != heif_error_Ok || image == nullptr)
    return progress.Abort();
  // The decoded picture, not the header, decides the size: cropping may have changed it.
  claim.width = heif_image_get_width(image.get(), heif_channel_interleaved);
  claim.height = heif_image_get_height(image.get(), heif_channel_interleaved);
  int stride = 0;
  if (heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8 ||
      heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride) == nullptr ||
      stride < claim.width * (alpha ? 4 : 3) || !AllocateClaimedImage(bitmap, claim, progress))
    return progress.Abort();
  params.Width = bitmap.Width();
  params.Height = bitmap.Height();
  StoreImage(image.get(), {3, alpha}, bitmap, progress);
}
