#include "app/batch/BatchPaths.h"

#include <algorithm>
#include <cmath>

namespace {

// The position of the file name's last '.', or npos when the name has none.
std::size_t ExtensionStart(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  const std::size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    return std::string::npos;
  }
  return dot;
}

}  // namespace

std::string WithTrailingSeparator(const std::string& folder) {
  if (!folder.empty() && folder.back() == '/')
    return folder;
  return folder + '/';
}

std::string LowerExtension(const std::string& path) {
  const std::size_t dot = ExtensionStart(path);
  if (dot == std::string::npos)
    return {};
  std::string extension = path.substr(dot);
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

bool IsPhotoPath(const std::string& path) {
  const std::string extension = LowerExtension(path);
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
