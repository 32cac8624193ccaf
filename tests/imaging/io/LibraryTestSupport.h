#pragma once

// Shared by the tests of the readers over libpng, libwebp and libheif: inputs are made at test
// time (a pattern written by libpng, or the formats' Debian tools), and what the reader put in
// the container is compared with the tools' own decoding.

#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TImagerIO.h"
#include "tests/support/TestPaths.h"
#include "tools/LibraryWriters.h"

namespace librarytest {

using librarywriters::TPicture;

/// True when the command ran and exited with 0; its output is thrown away.
inline bool RunTool(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

/// What the command printed on its standard output.
inline std::string ToolOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
      output.append(buffer, count);
    pclose(pipe);
  }
  return output;
}

inline bool ToolAvailable(const std::string& tool) {
  return RunTool("command -v " + tool);
}

inline std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

/// The first share `keep` of a file, as an interrupted copy leaves it, less `dropped` bytes.
inline void CutFile(const std::filesystem::path& from, const std::filesystem::path& to, double keep,
                    std::size_t dropped = 0) {
  std::vector<std::uint8_t> bytes = ReadFile(from);
  const auto kept = static_cast<std::size_t>(static_cast<double>(bytes.size()) * keep);
  bytes.resize(kept > dropped ? kept - dropped : 0);
  WriteFile(to, bytes);
}

/// exiftool's make, model and orientation number of a file, one a line.
inline std::string MakeModelOrientation(const std::filesystem::path& path) {
  return ToolOutput("exiftool -s3 -Make -Model -Orientation# '" + path.string() + "'");
}

/// A photo-like RGB or RGBA test picture: gradients, a sharp edge and a checker of fine detail.
/// With alpha, the alpha runs from transparent at the left to opaque at the right.
inline TPicture Pattern(int width, int height, int channels) {
  TPicture picture{width, height, channels, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto at = [&](int value) { return static_cast<std::uint8_t>(value & 0xFF); };
      const bool edge = x > width / 2;
      const bool checker = ((x / 2) + (y / 2)) % 2 == 0;
      const std::uint8_t r = at(x * 255 / std::max(width - 1, 1));
      const std::uint8_t g = at(y * 255 / std::max(height - 1, 1));
      const std::uint8_t b = edge ? (checker ? 200 : 40) : 120;
      if (channels == 1 || channels == 2)
        picture.samples.push_back(at((r + g + b) / 3));
      else
        picture.samples.insert(picture.samples.end(), {r, g, b});
      if (channels == 2 || channels == 4)
        picture.samples.push_back(at(x * 255 / std::max(width - 1, 1)));
    }
  }
  return picture;
}

/// The picture as a binary PPM (RGB, alpha left out), as cwebp and heif-enc read it.
inline void WritePpm(const std::filesystem::path& path, const TPicture& picture) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << picture.width << ' ' << picture.height << "\n255\n";
  for (std::size_t i = 0; i < picture.samples.size(); i += picture.channels) {
    for (int c = 0; c < 3; ++c)
      out.put(static_cast<char>(picture.samples[i + static_cast<std::size_t>(c)]));
  }
}

/// A small JPEG made by cjpeg whose EXIF block exiftool wrote with the make, the model and
/// orientation 6; an empty path when a tool failed.
inline std::filesystem::path TaggedCameraJpeg(const std::filesystem::path& dir,
                                              const std::string& make, const std::string& model) {
  WritePpm(dir / "in.ppm", Pattern(48, 32, 3));
  const std::filesystem::path jpeg = dir / "camera.jpg";
  const bool made =
      RunTool("cjpeg -outfile '" + jpeg.string() + "' '" + (dir / "in.ppm").string() + "'") &&
      RunTool("exiftool -q -overwrite_original -Make='" + make + "' -Model='" + model +
              "' -Orientation#=6 '" + jpeg.string() + "'");
  return made ? jpeg : std::filesystem::path();
}

/// A PPM (P6) or PAM (P7, RGB_ALPHA) file as the tools write it.
inline std::optional<TPicture> ReadPnm(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  in >> magic;
  TPicture picture;
  if (magic == "P6") {
    int maxValue = 0;
    in >> picture.width >> picture.height >> maxValue;
    picture.channels = 3;
  } else if (magic == "P7") {
    picture.channels = 4;
    for (std::string key; in >> key && key != "ENDHDR";) {
      if (key == "WIDTH")
        in >> picture.width;
      else if (key == "HEIGHT")
        in >> picture.height;
      else if (key == "DEPTH")
        in >> picture.channels;
      else
        in.ignore(256, '\n');
    }
  } else {
    return std::nullopt;
  }
  in.get();
  picture.samples.resize(static_cast<std::size_t>(picture.width) * picture.height *
                         picture.channels);
  in.read(reinterpret_cast<char*>(picture.samples.data()),
          static_cast<std::streamsize>(picture.samples.size()));
  if (!in)
    return std::nullopt;
  return picture;
}

/// An 8-bit PNG as libpng's simplified reader gives it, RGBA.
inline std::optional<TPicture> ReadPngRgba(const std::filesystem::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str()))
    return std::nullopt;
  image.format = PNG_FORMAT_RGBA;
  TPicture picture{static_cast<int>(image.width), static_cast<int>(image.height), 4, {}};
  picture.samples.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, picture.samples.data(), 0, nullptr))
    return std::nullopt;
  return picture;
}

/// What a pixel shows on white, by the definition of compositing.
inline int OnWhite(int sample, int alpha) {
  return static_cast<int>(std::lround((sample * alpha + 255.0 * (255 - alpha)) / 255.0));
}

/// The largest difference between the container (pfGray8 or pfBGR24) and the expected picture,
/// whose alpha (if any) is composited on white first; -1 when the sizes differ.
inline int LargestDifference(TImgBitmap& bitmap, const TPicture& expected) {
  if (bitmap.Width() != expected.width || bitmap.Height() != expected.height)
    return -1;
  const bool gray = bitmap.PixelFormat() == pfGray8;
  const bool alpha = expected.channels == 2 || expected.channels == 4;
  const int colours = expected.channels - (alpha ? 1 : 0);
  int largest = 0;
  for (int y = 0; y < expected.height; ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    for (int x = 0; x < expected.width; ++x) {
      const std::uint8_t* pixel =
          expected.samples.data() +
          (static_cast<std::size_t>(y) * expected.width + x) * expected.channels;
      const int a = alpha ? pixel[colours] : 255;
      for (int c = 0; c < (gray ? 1 : 3); ++c) {
        const int want = OnWhite(pixel[colours == 1 ? 0 : c], a);
        const int got = gray ? row[x] : row[3 * x + 2 - c];
        largest = std::max(largest, std::abs(want - got));
      }
    }
  }
  return largest;
}

/// A scratch folder and an I/O object for one reader test; skipped unless every tool named is
/// on the path.
class ReaderTest : public ::testing::Test {
 protected:
  explicit ReaderTest(std::vector<std::string> tools = {}) : tools_(std::move(tools)) {}
  void SetUp() override {
    for (const std::string& tool : tools_) {
      if (!ToolAvailable(tool))
        GTEST_SKIP() << tool << " absent";
    }
    dir = MakeTempDir("qm_reader_");
  }
  void TearDown() override {
    if (!dir.empty())
      std::filesystem::remove_all(dir);
  }

  /// Loads file and saves it as a JPEG beside it, answering the saved file's path.
  std::filesystem::path SavedAsJpeg(const std::filesystem::path& file) {
    io.LoadFromFile(file.string());
    EXPECT_FALSE(io.Aborting()) << file;
    const std::filesystem::path out = dir / "out.jpg";
    io.SaveJpegFile(out.string());
    EXPECT_FALSE(io.Aborting()) << out;
    return out;
  }

  /// Each cut copy of whole is refused with the abort flag, and nothing of it reaches the
  /// container, which held a 5 x 5 picture before.
  void ExpectCutCopiesRefused(const std::filesystem::path& whole, std::vector<double> keeps) {
    const std::filesystem::path cut = dir / ("cut" + whole.extension().string());
    for (const double keep : keeps) {
      SCOPED_TRACE(whole.filename().string() + " " + std::to_string(keep));
      io.Bitmap()->Allocate(5, 5, pfBGR24);
      CutFile(whole, cut, keep);
      io.LoadFromFile(cut.string());
      EXPECT_TRUE(io.Aborting());
      EXPECT_EQ(io.Bitmap()->Width(), 5);
    }
  }

  std::filesystem::path dir;
  TImagerIO io;

 private:
  std::vector<std::string> tools_;
};

}  // namespace librarytest
