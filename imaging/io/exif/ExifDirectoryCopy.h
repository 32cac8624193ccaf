#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TTiffDirectory;

/// A directory entry carried as the source wrote it, its values turned little-endian as the
/// rebuilt EXIF block is written.
struct TExifEntryCopy {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::vector<std::uint8_t> value;
  bool operator==(const TExifEntryCopy&) const = default;
};

using TExifDirectoryCopy = std::vector<TExifEntryCopy>;

/// Copies of the entries of a directory that holds plain values (such as the GPS directory),
/// in order, until their values would pass byteLimit bytes. Entries of unknown types and entries
/// whose values do not lie wholly in the data are left out.
TExifDirectoryCopy CopyExifDirectory(const TTiffDirectory& directory, std::size_t byteLimit);
