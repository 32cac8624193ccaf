#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "imaging/io/TImagerIO.h"

namespace registrytest {

inline void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

/// Counts the finish notifications of an I/O object.
struct FinishCounter {
  int finished = 0;
  void Attach(TImagerIO& io) {
    io.OnFinishWork = [this](void*) { ++finished; };
  }
};

}  // namespace registrytest
