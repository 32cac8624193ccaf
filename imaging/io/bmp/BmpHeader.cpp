#include "imaging/io/bmp/BmpHeader.h"

#include <algorithm>

#include "imaging/io/ByteReader.h"
#include "imaging/io/bmp/BmpSource.h"

namespace {

constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoBufferSize = 64;
constexpr int kMaxPaletteEntries = 256;
// Headers from 52 bytes on (other than the OS/2 one) carry the masks at offset 40 themselves.
constexpr std::uint32_t kHeaderWithMasksSize = 52;

void ReadCoreHeader(TBmpSource& source, TBmpHeader& header) {
  std::array<std::uint8_t, kCoreHeaderSize> block{};
  source.Read(block);
  TByteReader reader(block);
  reader.Skip(4);
  header.width = reader.U16();
  header.height = reader.U16();
  reader.Skip(2);  // planes
  header.bitCount = reader.U16();
  header.compression = kBmpRgb;
  if (header.bitCount <= 8) {
    header.paletteCount = 1 << header.bitCount;
    header.palette.resize(static_cast<std::size_t>(header.paletteCount) * 3);
    source.Read(header.palette);
  }
}

void ReadPalette4(TBmpSource& source, TBmpHeader& header, int count) {
  std::vector<std::uint8_t> entries(static_cast<std::size_t>(count) * 4);
  source.Read(entries);
  header.paletteCount = count;
  header.palette.resize(static_cast<std::size_t>(count) * 3);
  for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
    std::copy_n(entries.begin() + static_cast<std::ptrdiff_t>(i * 4), 3,
                header.palette.begin() + static_cast<std::ptrdiff_t>(i * 3));
  }
}

void ReadMasks(TByteReader& reader, TBmpHeader& header) {
  for (std::uint32_t& mask : header.masks)
    mask = reader.U32();
  header.hasMasks = true;
}

void ReadInfoHeader(TBmpSource& source, TBmpHeader& header) {
  std::array<std::uint8_t, kInfoBufferSize> block{};
  const std::uint32_t size = header.infoSize;
  source.Read(std::span(block).first(std::min(size, kInfoBufferSize)));
  if (size > kInfoBufferSize)
    source.Skip(size - kInfoBufferSize);

  TByteReader reader(block);
  reader.Seek(4);
  header.width = reader.I32();
  header.height = reader.I32();
  reader.Seek(14);
  header.bitCount = reader.U16();
  header.compression = reader.U32();
  header.imageSize = reader.U32();
  header.pixelsPerMeterX = reader.I32();
  header.pixelsPerMeterY = reader.I32();
  std::uint32_t colorsUsed = reader.U32();

  if (header.compression == kBmpBitFields && !header.IsOs2V2Header()) {
    if (size >= kHeaderWithMasksSize) {
      reader.Seek(40);
      ReadMasks(reader, header);
    } else {
      // Shorter headers are followed by the masks, and only then by any palette.
      std::array<std::uint8_t, 12> maskBlock{};
      source.Read(maskBlock);
      TByteReader maskReader(maskBlock);
      ReadMasks(maskReader, header);
    }
  }

  if (colorsUsed > kMaxPaletteEntries)
    colorsUsed = 0;
  if (colorsUsed == 0 && header.bitCount <= 8)
    colorsUsed = 1u << header.bitCount;
  if (colorsUsed > 0)
    ReadPalette4(source, header, static_cast<int>(colorsUsed));
}

}  // namespace

void ReadBmpFileHeader(TBmpSource& source, bool noFileHeader, TBmpHeader& header) {
  if (noFileHeader) {
    header.type = kBmpType;
    header.fileSize =
        static_cast<std::uint32_t>(std::min<std::int64_t>(source.StreamSize(), UINT32_MAX));
    header.pixelDataOffset = 0;
    return;
  }
  std::array<std::uint8_t, 14> block{};
  source.Read(block);
  TByteReader reader(block);
  header.type = reader.U16();
  header.fileSize = reader.U32();
  reader.Skip(4);  // two reserved words
  header.pixelDataOffset = reader.U32();
}

void ReadBmpInfoHeader(TBmpSource& source, TBmpHeader& header) {
  header.infoSize = source.PeekU32();
  if (header.IsCoreHeader()) {
    ReadCoreHeader(source, header);
  } else {
    ReadInfoHeader(source, header);
  }
}
