#include "imaging/io/ConvertCmyk.h"

#include <algorithm>

#include "imaging/io/LabToBgr.h"

TConvertCmykProc ConvertCmyk = DefaultConvertCmyk;

namespace {

void CmykToBgr(const std::uint8_t* source, std::uint8_t* destination, int count) {
  for (int i = 0; i < count; ++i, source += 4, destination += 3) {
    const int k = source[3];
    destination[0] = static_cast<std::uint8_t>(source[2] * k / 255);
    destination[1] = static_cast<std::uint8_t>(source[1] * k / 255);
    destination[2] = static_cast<std::uint8_t>(source[0] * k / 255);
  }
}

void BgrToCmyk(const std::uint8_t* source, std::uint8_t* destination, int count) {
  for (int i = 0; i < count; ++i, source += 3, destination += 4) {
    const int blue = source[0];
    const int green = source[1];
    const int red = source[2];
    int k = std::max({red, green, blue});
    if (k == 0)
      k = 1;
    destination[0] = static_cast<std::uint8_t>(red * 255 / k);
    destination[1] = static_cast<std::uint8_t>(green * 255 / k);
    destination[2] = static_cast<std::uint8_t>(blue * 255 / k);
    destination[3] = static_cast<std::uint8_t>(k);
  }
}

}  // namespace

void DefaultConvertCmyk(const std::uint8_t* source, int sourceKind, std::uint8_t* destination,
                        int count, int destinationKind) {
  if (sourceKind == ckCMYK && destinationKind == ckBGR24) {
    CmykToBgr(source, destination, count);
  } else if (sourceKind == ckBGR24 && destinationKind == ckCMYK) {
    BgrToCmyk(source, destination, count);
  } else if (sourceKind == ckLab && destinationKind == ckBGR24) {
    LabToBgr(source, destination, count);
  }
}
