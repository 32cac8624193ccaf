#include "app/batch/BatchPaths.h"

#include <algorithm>
#include <cmath>

#include "imaging/io/FileExtension.h"

std::string WithTrailingSeparator(const std::string& folder) {
  if (!folder.empty() && folder.back() == '/')
    return folder;
  return folder + '/';
}

const std::vector<std::string>& SpecifiedPhotoExtensions() {
  static const std::vector<std::string> extensions = {".jpg", ".tif", ".tiff", ".bmp"};
  return extensions;
}

const std::vector<std::string>& LibraryPhotoExtensions() {
  static const std::vector<std::string> extensions = {".png", ".webp", ".heic", ".heif", ".avif"};
  return extensions;
}

bool IsPhotoPath(const std::string& path, const std::vector<std::string>& extensions) {
  const std::vector<std::string>& wanted =
      extensions.empty() ? SpecifiedPhotoExtensions() : extensions;
  return std::find(wanted.begin(), wanted.end(), LowerCaseExtension(path)) != wanted.end();
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
