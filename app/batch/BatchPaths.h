#pragma once

#include <cstddef>
#include <string>

/// The text with a '/' appended unless it already ends in one.
std::string WithTrailingSeparator(const std::string& folder);

/// True for the extensions a run converts: ".jpg", ".tif", ".tiff" and ".bmp" in any case.
bool IsPhotoPath(const std::string& path);

/// The target of a collected file: the target folder followed by the path less its first
/// sourceLength characters, with the file name's extension replaced by ".jpg".
std::string TargetPathFor(const std::string& path, std::size_t sourceLength,
                          const std::string& targetFolder);

/// done x 100 / total, rounded to the nearest integer with ties to the even neighbour.
int ConversionPercent(std::size_t done, std::size_t total);
