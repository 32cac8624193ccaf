#pragma once

#include <cstdint>
#include <optional>
#include <span>

/// The IPTC records' resource in a Photoshop image-resource block.
constexpr std::uint16_t kIptcResourceId = 0x0404;

/// For APP13 data that begins "Photoshop 3.0", the data of the first "8BIM" resource with the
/// id (cut at the end of the block when its size runs past it), or an empty span when the
/// block has none; nothing for data of another kind.
std::optional<std::span<const std::uint8_t>> FindPhotoshopResource(
    std::span<const std::uint8_t> block, std::uint16_t id);
