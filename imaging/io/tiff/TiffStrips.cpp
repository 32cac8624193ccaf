#include "imaging/io/tiff/TiffStrips.h"

#include <algorithm>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/tiff/TiffBlockDecoder.h"
#include "imaging/io/tiff/TiffJpegBlocks.h"
#include "imaging/io/tiff/TiffRowDecompressor.h"
#include "imaging/io/tiff/TiffVars.h"

namespace {

// A tile may reach past the image, but not so far that its row buffers dwarf the image's.
constexpr std::int64_t kMaxTileOverhang = 65536;

/// The data of block i: from its offset, of its byte count, or up to the end of the data when
/// the count is 0 or missing; empty when the offset lies outside the data.
std::span<const std::uint8_t> BlockData(const TTIFFVars& vars,
                                        const std::vector<std::uint32_t>& offsets,
                                        const std::vector<std::uint32_t>& counts, std::size_t i) {
  const std::size_t offset = offsets[i];
  if (offset >= vars.data.size())
    return {};
  const std::size_t rest = vars.data.size() - offset;
  const std::size_t count = i < counts.size() ? counts[i] : 0;
  return vars.data.subspan(offset, count == 0 ? rest : std::min<std::size_t>(count, rest));
}

void ReadPlanarStrips(const TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress) {
  if (vars.photometric != tiffphotometric::kRgb || vars.samplesPerPixel != 3 ||
      vars.bitsPerSample != 8 || !TiffRowCompressionSupported(vars.compression)) {
    progress.Abort();
    return;
  }
  TTiffBlockDecoder decoder(vars, bitmap, progress, bitmap.Width());
  const std::size_t planeStrips = vars.stripOffsets.size() / 3;
  const std::int64_t rowsPerStrip = vars.rowsPerStrip == 0 ? vars.height : vars.rowsPerStrip;
  for (std::size_t i = 0; i < planeStrips && !progress.Aborted(); ++i) {
    const std::int64_t firstRow = static_cast<std::int64_t>(i) * rowsPerStrip;
    if (firstRow >= bitmap.Height())
      break;
    const std::array<std::span<const std::uint8_t>, 3> planes = {
        BlockData(vars, vars.stripOffsets, vars.stripByteCounts, i),
        BlockData(vars, vars.stripOffsets, vars.stripByteCounts, planeStrips + i),
        BlockData(vars, vars.stripOffsets, vars.stripByteCounts, 2 * planeStrips + i)};
    decoder.DecodePlanes(planes, static_cast<int>(firstRow),
                         static_cast<int>(std::min<std::int64_t>(rowsPerStrip, bitmap.Height())));
  }
}

}  // namespace

bool TiffBlocksInFile(const TTIFFVars& vars) {
  const bool tiled = !vars.tileOffsets.empty();
  const std::vector<std::uint32_t>& offsets = tiled ? vars.tileOffsets : vars.stripOffsets;
  const std::vector<std::uint32_t>& counts = tiled ? vars.tileByteCounts : vars.stripByteCounts;
  const std::uint64_t size = vars.data.size();
  for (std::size_t i = 0; i < offsets.size(); ++i) {
    const std::uint64_t count = i < counts.size() ? counts[i] : 0;
    if (offsets[i] >= size || offsets[i] + count > size)
      return false;
  }
  if (tiled || vars.tileWidth > 0 || vars.tileLength > 0 || vars.planarConfig != 1)
    return true;
  const std::uint64_t rowsPerStrip = vars.rowsPerStrip == 0 ? vars.height : vars.rowsPerStrip;
  return offsets.size() * rowsPerStrip >= vars.height;
}

void TIFFReadStrips(const TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress) {
  const std::size_t strips = vars.stripOffsets.size();
  progress.perRow = 100.0 / bitmap.Height();
  progress.perBlock = strips > 0 ? 100.0 / static_cast<double>(strips) : 0.0;
  progress.rowsDone = 0;
  if (vars.planarConfig == 2)
    return ReadPlanarStrips(vars, bitmap, progress);
  if (vars.planarConfig != 1) {
    progress.Abort();
    return;
  }
  const std::int64_t rowsPerStrip = vars.rowsPerStrip == 0 ? vars.height : vars.rowsPerStrip;
  if (vars.compression == tiffcompression::kJpeg) {
    TTiffJpegBlocks jpeg(vars, bitmap, progress, strips);
    for (std::size_t i = 0; i < strips && !progress.Aborted(); ++i) {
      const std::int64_t firstRow = static_cast<std::int64_t>(i) * rowsPerStrip;
      if (firstRow >= bitmap.Height())
        break;
      jpeg.Decode(BlockData(vars, vars.stripOffsets, vars.stripByteCounts, i),
                  static_cast<int>(firstRow), 0, bitmap.Width());
    }
    return;
  }
  TTiffBlockDecoder decoder(vars, bitmap, progress, bitmap.Width());
  if (!decoder.Supported() || !TiffRowCompressionSupported(vars.compression)) {
    progress.Abort();
    return;
  }
  for (std::size_t i = 0; i < strips && !progress.Aborted(); ++i) {
    const std::int64_t firstRow = static_cast<std::int64_t>(i) * rowsPerStrip;
    if (firstRow >= bitmap.Height())
      break;
    const std::span<const std::uint8_t> data =
        BlockData(vars, vars.stripOffsets, vars.stripByteCounts, i);
    if (data.empty())
      continue;
    decoder.Decode(data, static_cast<int>(firstRow),
                   static_cast<int>(std::min<std::int64_t>(rowsPerStrip, bitmap.Height())), 0);
  }
}

void TIFFReadTiles(const TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress) {
  const std::int64_t tileWidth = vars.tileWidth;
  const std::int64_t tileLength = vars.tileLength;
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  if (vars.planarConfig != 1 || tileWidth <= 0 || tileLength <= 0 ||
      tileWidth > width + kMaxTileOverhang || tileLength > height + kMaxTileOverhang ||
      (bitmap.PixelFormat() == pfBit1 && tileWidth % 8 != 0)) {
    progress.Abort();
    return;
  }
  const bool ownOffsets = !vars.tileOffsets.empty();
  const std::vector<std::uint32_t>& offsets = ownOffsets ? vars.tileOffsets : vars.stripOffsets;
  const std::vector<std::uint32_t>& counts =
      ownOffsets ? vars.tileByteCounts : vars.stripByteCounts;
  const std::int64_t across = (width + tileWidth - 1) / tileWidth;
  const std::int64_t down = (height + tileLength - 1) / tileLength;
  const std::size_t tiles = std::min<std::size_t>(offsets.size(), across * down);
  // Edge tiles are cut back, so every image row is reported once per tile column.
  progress.perRow = 100.0 / (static_cast<double>(height) * static_cast<double>(across));
  progress.perBlock = tiles > 0 ? 100.0 / static_cast<double>(tiles) : 0.0;
  progress.rowsDone = 0;

  auto place = [&](std::size_t i, int& x, int& firstRow) {
    x = static_cast<int>(static_cast<std::int64_t>(i % across) * tileWidth);
    firstRow = static_cast<int>(static_cast<std::int64_t>(i / across) * tileLength);
  };
  if (vars.compression == tiffcompression::kJpeg) {
    TTiffJpegBlocks jpeg(vars, bitmap, progress, tiles);
    for (std::size_t i = 0; i < tiles && !progress.Aborted(); ++i) {
      int x = 0;
      int firstRow = 0;
      place(i, x, firstRow);
      const std::span<const std::uint8_t> data = BlockData(vars, offsets, counts, i);
      if (!data.empty())
        jpeg.Decode(data, firstRow, x, static_cast<int>(tileWidth));
    }
    return;
  }
  TTiffBlockDecoder decoder(vars, bitmap, progress, static_cast<int>(tileWidth));
  if (!decoder.Supported() || !TiffRowCompressionSupported(vars.compression)) {
    progress.Abort();
    return;
  }
  for (std::size_t i = 0; i < tiles && !progress.Aborted(); ++i) {
    int x = 0;
    int firstRow = 0;
    place(i, x, firstRow);
    const std::span<const std::uint8_t> data = BlockData(vars, offsets, counts, i);
    if (!data.empty())
      decoder.Decode(data, firstRow, static_cast<int>(tileLength), x);
  }
}
