#pragma once

#include <cstddef>
#include <cstdint>

/// Row loops of the histogram equalizer, each over contiguous bytes so that it runs as vector
/// code (with an AVX2 copy picked at run time where the processor has it).

/// (21 R + 71 G + 8 B) div 100 of each of `count` pfBGR24 pixels; the same value as GrayLevel.
void LuminanceRow(const std::uint8_t* bgr, std::uint8_t* luminance, std::size_t count);

/// Vertical three-row sums of `count` byte columns: sums = pairs + below; then pairs becomes
/// centre + below, the pair the next row down starts from, and belowCopy receives below.
void ThreeRowSums(std::uint16_t* pairs, const std::uint8_t* centre, const std::uint8_t* below,
                  std::uint16_t* sums, std::uint8_t* belowCopy, std::size_t count);

/// From three-row sums of byte columns (starting one pixel, three bytes, left of the first
/// mean's column), the means of `count` bytes' 3 x 3 neighbourhoods: nine values div 9.
void NeighbourhoodMeans(const std::uint16_t* sums, std::uint8_t* means, std::size_t count);

/// The rule of each of `count` pixels from its luminance's output range (Low..High of
/// `levelTables`, Low and High laid out as for MapPixels) and the luminance of its neighbourhood
/// mean: 0 maps the channels through Low (also whenever Low = High), 1 through High (mean above the
/// range), 2 takes the mean (mean within the range).
void PixelRules(const std::uint8_t* luminance, const std::uint8_t* meanLuminance,
                const std::uint8_t* levelTables, std::uint8_t* rules, std::size_t count);

/// The result bytes of `count` pixels: rule 2 takes the mean's bytes, rule 0 maps the pixel's
/// through Low, rule 1 through High. `levelTables` holds Low, High and the identity, 256
/// entries each; the vector path reads High[v] as Low[v + 1] below 255, as the level
/// construction gives. `target` may not overlap the sources.
void MapPixels(const std::uint8_t* rules, const std::uint8_t* pixels, const std::uint8_t* means,
               const std::uint8_t* levelTables, std::uint8_t* target, std::size_t count);
