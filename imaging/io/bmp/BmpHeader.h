#pragma once

#include <array>
#include <cstdint>
#include <vector>

class TBmpSource;

/// What the file header, the info header, the palette and the bit-field masks of a BMP say.
struct TBmpHeader {
  std::uint16_t type = 0;
  std::uint32_t fileSize = 0;
  std::uint32_t pixelDataOffset = 0;  ///< from the start of the file header; 0: after the palette
  std::uint32_t infoSize = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;  ///< as stored: negative for top-down rows
  int bitCount = 0;
  std::uint32_t compression = 0;
  std::uint32_t imageSize = 0;
  std::int32_t pixelsPerMeterX = 0;
  std::int32_t pixelsPerMeterY = 0;
  std::vector<std::uint8_t> palette;  ///< paletteCount entries of blue, green, red
  int paletteCount = 0;
  std::array<std::uint32_t, 3> masks{};  ///< red, green, blue; read for bit-field compression
  bool hasMasks = false;

  bool IsCoreHeader() const { return infoSize == 12; }
  bool IsOs2V2Header() const { return infoSize == 64; }
};

inline constexpr std::uint16_t kBmpType = 0x4D42;  // "BM"
inline constexpr std::uint32_t kBmpRgb = 0;
inline constexpr std::uint32_t kBmpRle8 = 1;
inline constexpr std::uint32_t kBmpRle4 = 2;
inline constexpr std::uint32_t kBmpBitFields = 3;

/// Reads the 14-byte file header, or stands in for it when the stream has none.
void ReadBmpFileHeader(TBmpSource& source, bool noFileHeader, TBmpHeader& header);

/// Reads the info header (12 bytes, or up to 64 of any larger one), the palette and the masks.
void ReadBmpInfoHeader(TBmpSource& source, TBmpHeader& header);
