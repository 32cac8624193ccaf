#include "app/batch/BatchPaths.h"

#include <algorithm>
#include <cmath>

#include "imaging/io/FileExtension.h"

std::string WithTrailingSeparator(const std::string& folder) {
  if (!folder.empty() && folder.back() == '/')
    return folder;
  return folder + '/';
}

bool IsPhotoPath(const std::string& path) {
  const std::string extension = LowerCaseExtension(path);
  return extension == ".jpg" || extension == ".tif" || extension == ".tiff" || extension == ".bmp";
}

std::string TargetPathFor(const std::string& path, std::size_t sourceLength,
                          const std::string& targetFolder) {
  std::string target = targetFolder + path.substr(std::min(sourceLength, path.size()));
  const std::size_t dot = ExtensionStart(target);
  if (dot != std::string::npos)
    target.erase(dot);
  return target + ".jpg";
}

int ConversionPercent(std::size_t done, std::size_t total) {
  // nearbyint rounds in the default mode, to nearest with ties to even.
  return static_cast<int>(
      std::nearbyint(static_cast<double>(done) * 100.0 / static_cast<double>(total)));
}
