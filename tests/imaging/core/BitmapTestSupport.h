#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>

#include "imaging/core/TImgBitmap.h"
#include "tests/support/TestPaths.h"

/// Keeps the process-wide container settings of one test and gives it its own temp folder.
class BitmapSettingsGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    savedThreshold_ = TImgBitmap::DefaultMemoryThreshold();
    savedFolder_ = TImgBitmap::TempFolder();
    tempDir_ = MakeTempDir("qmcore");
    TImgBitmap::SetTempFolder(tempDir_.string());
  }
  void TearDown() override {
    TImgBitmap::SetDefaultMemoryThreshold(savedThreshold_);
    TImgBitmap::SetTempFolder(savedFolder_);
    std::filesystem::remove_all(tempDir_);
  }
  int TempFileCount() const {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(tempDir_)) {
      count += entry.path().filename().string().rfind("qmimg", 0) == 0 ? 1 : 0;
    }
    return count;
  }

  std::filesystem::path tempDir_;

 private:
  std::int64_t savedThreshold_ = -1;
  std::string savedFolder_;
};

inline void SetBGR(TImgBitmap& image, int x, int y, int blue, int green, int red) {
  std::uint8_t* p = image.RowPtr(y) + 3 * x;
  p[0] = static_cast<std::uint8_t>(blue);
  p[1] = static_cast<std::uint8_t>(green);
  p[2] = static_cast<std::uint8_t>(red);
}

inline int WordAt(TImgBitmap& image, int x, int y) {
  const std::uint8_t* p = image.RowPtr(y) + 2 * x;
  return p[0] | (p[1] << 8);
}

inline void SetWord(TImgBitmap& image, int x, int y, int value) {
  std::uint8_t* p = image.RowPtr(y) + 2 * x;
  p[0] = static_cast<std::uint8_t>(value & 0xFF);
  p[1] = static_cast<std::uint8_t>(value >> 8);
}

inline float FloatAt(TImgBitmap& image, int x, int y) {
  float value = 0;
  std::memcpy(&value, image.RowPtr(y) + 4 * x, 4);
  return value;
}

inline void SetFloat(TImgBitmap& image, int x, int y, float value) {
  std::memcpy(image.RowPtr(y) + 4 * x, &value, 4);
}

inline bool BitAt(TImgBitmap& image, int x, int y) {
  return (image.RowPtr(y)[x / 8] >> (7 - x % 8)) & 1;
}

inline void SetBit(TImgBitmap& image, int x, int y, bool white) {
  std::uint8_t& byte = image.RowPtr(y)[x / 8];
  const auto mask = static_cast<std::uint8_t>(0x80 >> (x % 8));
  byte = white ? static_cast<std::uint8_t>(byte | mask) : static_cast<std::uint8_t>(byte & ~mask);
}
