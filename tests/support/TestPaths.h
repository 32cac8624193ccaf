#pragma once

#include <filesystem>
#include <string>

/// Folder of the shared corpus of real image files, or an empty path when it is absent.
inline std::filesystem::path CorpusDir() {
  std::filesystem::path dir = std::filesystem::path(QM_SHARED_DIR) / "corpus";
  return std::filesystem::is_directory(dir) ? dir : std::filesystem::path();
}

/// A fresh empty temporary folder for one test, removed by the caller or left for inspection.
std::filesystem::path MakeTempDir(const std::string& prefix);
