#pragma once

#include <cstdint>
#include <span>
#include <vector>

/// The data of a block in the order its decompressor reads: as stored for fill order 1, and
/// for fill order 2 (least significant bit first) a copy in buffer with every byte's bits
/// reversed.
std::span<const std::uint8_t> InReadingOrder(std::span<const std::uint8_t> data,
                                             std::uint32_t fillOrder,
                                             std::vector<std::uint8_t>& buffer);
