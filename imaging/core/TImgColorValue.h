#pragma once

#include <cstdint>

#include "imaging/core/ImgTypes.h"

/// A fill value read as a colour. Values whose top byte is 0xFF name a system colour by the
/// index in their low byte; the desktop has no such palette here, so a fixed light scheme stands
/// in. Other values keep their low three bytes (red, green, blue).
inline TColor ResolveColorValue(std::int64_t value) {
  const auto bits = static_cast<std::uint32_t>(static_cast<std::uint64_t>(value));
  if ((bits & 0xFF000000u) != 0xFF000000u)
    return bits & 0xFFFFFFu;
  switch (bits & 0xFFu) {
    case 5:   // window background
    case 14:  // highlighted text
    case 20:  // button highlight
      return RgbColor(255, 255, 255);
    case 13:  // highlight
      return RgbColor(0, 120, 215);
    case 15:  // button face
      return RgbColor(240, 240, 240);
    case 16:  // button shadow
      return RgbColor(160, 160, 160);
    default:  // texts, frames and the rest are black
      return RgbColor(0, 0, 0);
  }
}
