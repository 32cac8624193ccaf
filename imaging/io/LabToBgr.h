#pragma once

#include <cstdint>

/// Converts count CIE L*a*b* pixels (L unsigned, a and b signed bytes) to blue, green, red.
void LabToBgr(const std::uint8_t* source, std::uint8_t* destination, int count);
