#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

/// Decodes one PackBits row from input, starting at inputPosition (advanced past the codes
/// used), into output. A run that crosses the end of the row is consumed whole and its excess
/// dropped; the control byte -128 is skipped. Returns the number of bytes produced: less than
/// output.size() when the input ran out.
std::size_t DecodePackBitsRow(std::span<const std::uint8_t> input, std::size_t& inputPosition,
                              std::span<std::uint8_t> output);
