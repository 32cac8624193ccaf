#pragma once

// Writes small BMP files for the sample folder and for tests. The product never writes BMP;
// this lives with the developer tools so that samples and tests are made by our own code.

#include <array>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace bmpwriter {

/// Everything that goes into one file. pixelData is written as given: padded rows in file
/// order (see PackIndexRows, PackBgrRows) or run-length codes (EncodeRle8).
struct TBmpFileSpec {
  int width = 0;
  int height = 0;
  bool topDown = false;
  int bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t headerSize = 40;            ///< 12, 40, 64, 108 or 124
  std::vector<std::uint8_t> palette;        ///< blue, green, red triples
  std::optional<std::uint32_t> colorsUsed;  ///< written as is; default: the palette's entries
  std::optional<std::array<std::uint32_t, 3>> masks;  ///< red, green, blue
  std::int32_t pixelsPerMeterX = 2835;
  std::int32_t pixelsPerMeterY = 2835;
  std::vector<std::uint8_t> pixelData;
};

namespace detail {
inline void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}
inline std::size_t RowLength(int width, int bitCount) {
  return (static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount) + 31) / 32 * 4;
}
inline std::size_t FileRowOf(int row, int height, bool topDown) {
  return static_cast<std::size_t>(topDown ? row : height - 1 - row);
}
}  // namespace detail

/// The bytes of a whole file, file header included.
inline std::vector<std::uint8_t> BuildBmp(const TBmpFileSpec& spec) {
  using detail::Put16;
  using detail::Put32;
  const bool core = spec.headerSize == 12;
  const std::size_t entries = spec.palette.size() / 3;
  const std::size_t paletteBytes = entries * (core ? 3 : 4);
  const bool masksInHeader = spec.headerSize >= 52 && spec.headerSize != 64;
  const std::size_t maskBytes = spec.masks && !masksInHeader ? 12 : 0;
  const std::size_t pixelOffset = 14 + spec.headerSize + paletteBytes + maskBytes;

  std::vector<std::uint8_t> out;
  out.reserve(pixelOffset + spec.pixelData.size());
  Put16(out, 0x4D42);
  Put32(out, static_cast<std::uint32_t>(pixelOffset + spec.pixelData.size()));
  Put32(out, 0);
  Put32(out, static_cast<std::uint32_t>(pixelOffset));

  const std::size_t headerStart = out.size();
  Put32(out, spec.headerSize);
  if (core) {
    Put16(out, static_cast<std::uint32_t>(spec.width));
    Put16(out, static_cast<std::uint32_t>(spec.height));
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(spec.bitCount));
  } else {
    Put32(out, static_cast<std::uint32_t>(spec.width));
    Put32(out, static_cast<std::uint32_t>(spec.topDown ? -spec.height : spec.height));
    Put16(out, 1);
    Put16(out, static_cast<std::uint32_t>(spec.bitCount));
    Put32(out, spec.compression);
    Put32(out, static_cast<std::uint32_t>(spec.pixelData.size()));
    Put32(out, static_cast<std::uint32_t>(spec.pixelsPerMeterX));
    Put32(out, static_cast<std::uint32_t>(spec.pixelsPerMeterY));
    Put32(out, spec.colorsUsed.value_or(static_cast<std::uint32_t>(entries)));
    Put32(out, 0);  // important colours
    if (masksInHeader && spec.masks) {
      for (std::uint32_t mask : *spec.masks)
        Put32(out, mask);
    }
    out.resize(headerStart + spec.headerSize, 0);
  }
  if (maskBytes != 0) {
    for (std::uint32_t mask : *spec.masks)
      Put32(out, mask);
  }
  for (std::size_t i = 0; i < entries; ++i) {
    out.insert(out.end(), spec.palette.begin() + static_cast<std::ptrdiff_t>(i * 3),
               spec.palette.begin() + static_cast<std::ptrdiff_t>(i * 3 + 3));
    if (!core)
      out.push_back(0);
  }
  out.insert(out.end(), spec.pixelData.begin(), spec.pixelData.end());
  return out;
}

/// Packs palette indices (top row first, width x height) into padded 1-, 4- or 8-bit rows.
inline std::vector<std::uint8_t> PackIndexRows(int width, int height, int bitCount,
                                               const std::vector<std::uint8_t>& indices,
                                               bool topDown = false) {
  const std::size_t rowLength = detail::RowLength(width, bitCount);
  std::vector<std::uint8_t> out(rowLength * static_cast<std::size_t>(height), 0);
  const int perByte = 8 / bitCount;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + detail::FileRowOf(y, height, topDown) * rowLength;
    for (int x = 0; x < width; ++x) {
      const unsigned value =
          indices[static_cast<std::size_t>(y * width + x)] & ((1u << bitCount) - 1);
      const int shift = 8 - bitCount * (x % perByte + 1);
      row[x / perByte] = static_cast<std::uint8_t>(row[x / perByte] | (value << shift));
    }
  }
  return out;
}

/// Packs blue, green, red pixels (top row first) into padded rows of 3 or 4 bytes per pixel;
/// the fourth byte of a 4-byte pixel is filler.
inline std::vector<std::uint8_t> PackBgrRows(int width, int height, int bytesPerPixel,
                                             const std::vector<std::uint8_t>& bgr,
                                             bool topDown = false, std::uint8_t filler = 0) {
  const std::size_t rowLength = detail::RowLength(width, bytesPerPixel * 8);
  std::vector<std::uint8_t> out(rowLength * static_cast<std::size_t>(height), 0);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = out.data() + detail::FileRowOf(y, height, topDown) * rowLength;
    for (int x = 0; x < width; ++x) {
      const std::size_t from = static_cast<std::size_t>(y * width + x) * 3;
      std::uint8_t* to = row + static_cast<std::size_t>(x * bytesPerPixel);
      to[0] = bgr[from];
      to[1] = bgr[from + 1];
      to[2] = bgr[from + 2];
      if (bytesPerPixel == 4)
        to[3] = filler;
    }
  }
  return out;
}

/// Run-length codes for 8-bit indices (top row first): repeated runs, absolute runs for
/// stretches of differing pixels, an end of line after each row and an end of bitmap.
inline std::vector<std::uint8_t> EncodeRle8(int width, int height,
                                            const std::vector<std::uint8_t>& indices) {
  std::vector<std::uint8_t> out;
  for (int y = height - 1; y >= 0; --y) {
    const std::uint8_t* row = indices.data() + static_cast<std::size_t>(y * width);
    int x = 0;
    while (x < width) {
      int run = 1;
      while (x + run < width && run < 255 && row[x + run] == row[x])
        ++run;
      if (run >= 2) {
        out.push_back(static_cast<std::uint8_t>(run));
        out.push_back(row[x]);
        x += run;
        continue;
      }
      int literal = 1;
      while (x + literal < width && literal < 255 &&
             !(x + literal + 1 < width && row[x + literal] == row[x + literal + 1])) {
        ++literal;
      }
      if (literal < 3) {
        for (int i = 0; i < literal; ++i) {
          out.push_back(1);
          out.push_back(row[x + i]);
        }
      } else {
        out.push_back(0);
        out.push_back(static_cast<std::uint8_t>(literal));
        out.insert(out.end(), row + x, row + x + literal);
        if (literal % 2 != 0)
          out.push_back(0);
      }
      x += literal;
    }
    out.push_back(0);
    out.push_back(y == 0 ? 1 : 0);
  }
  return out;
}

/// A 24-bit file from blue, green, red pixels (top row first).
inline std::vector<std::uint8_t> Bmp24(int width, int height,
                                       const std::vector<std::uint8_t>& bgr) {
  TBmpFileSpec spec;
  spec.width = width;
  spec.height = height;
  spec.pixelData = PackBgrRows(width, height, 3, bgr);
  return BuildBmp(spec);
}

/// An 8-bit palette file, uncompressed or run-length encoded.
inline std::vector<std::uint8_t> Bmp8(int width, int height,
                                      const std::vector<std::uint8_t>& indices,
                                      const std::vector<std::uint8_t>& palette, bool rle) {
  TBmpFileSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bitCount = 8;
  spec.palette = palette;
  spec.compression = rle ? 1 : 0;
  spec.pixelData =
      rle ? EncodeRle8(width, height, indices) : PackIndexRows(width, height, 8, indices);
  return BuildBmp(spec);
}

/// A 1-bit file; palette holds two blue, green, red entries.
inline std::vector<std::uint8_t> Bmp1(int width, int height, const std::vector<std::uint8_t>& bits,
                                      const std::vector<std::uint8_t>& palette) {
  TBmpFileSpec spec;
  spec.width = width;
  spec.height = height;
  spec.bitCount = 1;
  spec.palette = palette;
  spec.pixelData = PackIndexRows(width, height, 1, bits);
  return BuildBmp(spec);
}

inline bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

}  // namespace bmpwriter
