#pragma once

#include <cstdint>
#include <span>

#include "imaging/io/tiff/TiffDirectory.h"

/// The 8-byte TIFF header.
struct TTiffHeader {
  TByteReader::Endian endian = TByteReader::Endian::Little;
  std::uint16_t version = 0;
  std::uint32_t firstOffset = 0;
};

/// Reads the header at the start of data; false when the byte order is neither "II" nor "MM".
bool ReadTiffHeader(std::span<const std::uint8_t> data, TTiffHeader& header);

/// Result of a directory walk: the number of directories in the chain and the one requested.
struct TTiffChain {
  int pageCount = 0;
  bool found = false;
  TTiffDirectory page;
};

/// Walks the chain of directories from firstOffset, counting every directory and loading the
/// one of page index target (none when target is negative). The walk ends at a next offset of
/// 0, one outside the data, or one that leads back to a directory already visited.
TTiffChain WalkTiffDirectories(std::span<const std::uint8_t> data, TByteReader::Endian endian,
                               std::uint32_t firstOffset, int target);
