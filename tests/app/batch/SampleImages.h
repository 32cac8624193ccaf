#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

/// Small test images written with the oracle tools or by hand, never with the project's own code.
namespace sample_images {

/// Red rises to the right, green downwards; blue is blueAt(x, y).
template <class Blue>
std::vector<std::uint8_t> GradientPixels(int width, int height, Blue blueAt) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      p[0] = static_cast<std::uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
      p[1] = static_cast<std::uint8_t>(y * 255 / (height > 1 ? height - 1 : 1));
      p[2] = static_cast<std::uint8_t>(blueAt(x, y));
    }
  }
  return rgb;
}

inline std::vector<std::uint8_t> Pixels(int width, int height, int seed) {
  return GradientPixels(width, height,
                        [=](int x, int y) { return (x * 7 + y * 13 + seed * 31) & 0xFF; });
}

/// A picture without fine detail: blue a gradient as well.
inline std::vector<std::uint8_t> SmoothPixels(int width, int height) {
  const int span = std::max(width + height - 2, 1);
  return GradientPixels(width, height, [=](int x, int y) { return (x + y) * 255 / span; });
}

/// A baseline JPEG made by cjpeg from the given RGB rows; false when cjpeg failed.
inline bool WriteJpegOf(const std::filesystem::path& path, int width, int height,
                        const std::vector<std::uint8_t>& rgb) {
  std::filesystem::create_directories(path.parent_path());
  const std::filesystem::path ppm = path.string() + ".ppm";
  {
    std::ofstream file(ppm, std::ios::binary);
    file << "P6\n" << width << ' ' << height << "\n255\n";
    file.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size()));
  }
  const std::string command =
      "cjpeg -quality 90 -outfile '" + path.string() + "' '" + ppm.string() + "' 2>/dev/null";
  const bool ok = std::system(command.c_str()) == 0;
  std::filesystem::remove(ppm);
  return ok;
}

/// A baseline JPEG made by cjpeg from a generated picture; false when cjpeg failed.
inline bool WriteJpeg(const std::filesystem::path& path, int width, int height, int seed = 0) {
  return WriteJpegOf(path, width, height, Pixels(width, height, seed));
}

/// A bottom-up 24-bit BMP with the same picture.
inline void WriteBmp(const std::filesystem::path& path, int width, int height, int seed = 0) {
  std::filesystem::create_directories(path.parent_path());
  const int stride = (width * 3 + 3) & ~3;
  const std::uint32_t imageSize = static_cast<std::uint32_t>(stride * height);
  std::vector<std::uint8_t> file(54 + imageSize, 0);
  auto put32 = [&](std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
      file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<std::uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<std::uint32_t>(width));
  put32(22, static_cast<std::uint32_t>(height));
  file[26] = 1;
  file[28] = 24;
  put32(34, imageSize);
  const std::vector<std::uint8_t> rgb = Pixels(width, height, seed);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = &file[54 + static_cast<std::size_t>(height - 1 - y) * stride];
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      row[3 * x] = p[2];
      row[3 * x + 1] = p[1];
      row[3 * x + 2] = p[0];
    }
  }
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

/// Width, height, component count and whether the frame is progressive, read from the first
/// start-of-frame marker; components 0 when the file is no JPEG.
struct JpegFrame {
  int width = 0;
  int height = 0;
  int components = 0;
  bool progressive = false;
};

inline JpegFrame ReadJpegFrame(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)),
                                 std::istreambuf_iterator<char>());
  JpegFrame frame;
  std::size_t pos = 2;
  if (data.size() < 4 || data[0] != 0xFF || data[1] != 0xD8)
    return frame;
  while (pos + 4 <= data.size() && data[pos] == 0xFF) {
    const std::uint8_t marker = data[pos + 1];
    const std::size_t length = static_cast<std::size_t>(data[pos + 2] << 8 | data[pos + 3]);
    if ((marker == 0xC0 || marker == 0xC1 || marker == 0xC2) && pos + 10 <= data.size()) {
      frame.height = data[pos + 5] << 8 | data[pos + 6];
      frame.width = data[pos + 7] << 8 | data[pos + 8];
      frame.components = data[pos + 9];
      frame.progressive = marker == 0xC2;
      return frame;
    }
    pos += 2 + length;
  }
  return frame;
}

}  // namespace sample_images
