#pragma once

#include <cstdint>

/// Pixel layouts that ConvertCmyk converts between.
enum TCmykPixelKind : int {
  ckBGR24 = 0,  ///< 3 bytes: blue, green, red
  ckCMYK = 1,   ///< 4 bytes, CMYK as the JPEG codec delivers it (Adobe-inverted)
  ckLab = 2,    ///< 3 bytes: CIE L*a*b*
};

/// Converts count pixels from source (of sourceKind) to destination (of destinationKind).
using TConvertCmykProc = void (*)(const std::uint8_t* source, int sourceKind,
                                  std::uint8_t* destination, int count, int destinationKind);

/// The library's default conversion: CMYK to and from 24-bit colour.
void DefaultConvertCmyk(const std::uint8_t* source, int sourceKind, std::uint8_t* destination,
                        int count, int destinationKind);

/// Library-wide replaceable conversion, set once at start-up and only read afterwards.
extern TConvertCmykProc ConvertCmyk;
