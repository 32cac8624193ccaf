#pragma once

#include <cstddef>
#include <string>
#include <vector>

/// The text with a '/' appended unless it already ends in one.
std::string WithTrailingSeparator(const std::string& folder);

/// The extensions a run collects unless told otherwise (the window's run always):
/// ".jpg", ".tif", ".tiff" and ".bmp".
const std::vector<std::string>& SpecifiedPhotoExtensions();

/// The further extensions a run can be told to collect, read through the format registry:
/// ".png", ".webp", ".heic", ".heif" and ".avif".
const std::vector<std::string>& LibraryPhotoExtensions();

/// True when the path's extension, in any case, is one of the lower-case extensions given
/// (with their dots); an empty list stands for the specified ones.
bool IsPhotoPath(const std::string& path, const std::vector<std::string>& extensions = {});

/// The target of a collected file: the target folder followed by the path less its first
/// sourceLength characters, with the file name's extension replaced by ".jpg".
std::string TargetPathFor(const std::string& path, std::size_t sourceLength,
                          const std::string& targetFolder);

/// done x 100 / total, rounded to the nearest integer with ties to the even neighbour.
int ConversionPercent(std::size_t done, std::size_t total);
