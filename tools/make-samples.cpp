// Writes a folder of photo-like sample files for trying the batch conversion: JPEGs of several
// sizes and orientations carrying EXIF fields and IPTC records, BMP scans (24-bit and run-length
// 8-bit), TIFF scans (LZW, PackBits, Deflate, tiled, a Group 4 fax page), one photo each as PNG
// (with transparent corners), WebP, HEIF and AVIF (converted with --formats all), a nested
// subfolder, an upper-case extension, a text file and a file without a dot.
//   make-samples FOLDER
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/TIOParamsVals.h"
#include "imaging/io/TImagerIO.h"
#include "imaging/io/exif/ExifBlock.h"
#include "tools/BmpWriter.h"
#include "tools/LibraryWriters.h"
#include "tools/TiffWriter.h"

namespace fs = std::filesystem;

// The HEVC encoder behind libheif keeps one block for the life of the process; under the
// leak checker of the sanitizer builds that is not ours to report.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libx265\n";
}

namespace {

struct Sample {
  const char* path;
  int width;
  int height;
  int orientation;  // EXIF orientation: 1 upright, 6 turned a quarter clockwise
  const char* caption;
};

constexpr Sample kSamples[] = {
    {"harbour.jpg", 1600, 1200, 1, "Boats in the harbour at dawn"},
    {"tower.jpg", 1200, 1600, 1, "The old tower, seen from the square"},
    {"IMG_0042.JPG", 1024, 768, 1, "Market stalls"},
    {"panorama.jpg", 2400, 800, 1, "Ridge line at noon"},
    {"sideways.jpg", 1280, 960, 6, "Held sideways"},
    {"trip/day1/beach.jpg", 800, 600, 1, "Beach, day one"},
    {"trip/day1/small.jpg", 320, 240, 1, "A thumbnail-sized shot"},
    {"trip/day2/forest.jpg", 1000, 1500, 1, "Forest path, day two"},
};

// A smooth pseudo-random field: hashed lattice values blended with a smooth step.
class TValueNoise {
 public:
  explicit TValueNoise(std::uint32_t seed) : seed_(seed) {}
  double At(double x, double y) const {
    const int x0 = static_cast<int>(std::floor(x));
    const int y0 = static_cast<int>(std::floor(y));
    const double fx = Smooth(x - x0);
    const double fy = Smooth(y - y0);
    const double top = Mix(Lattice(x0, y0), Lattice(x0 + 1, y0), fx);
    const double bottom = Mix(Lattice(x0, y0 + 1), Lattice(x0 + 1, y0 + 1), fx);
    return Mix(top, bottom, fy);
  }

 private:
  static double Smooth(double t) { return t * t * (3 - 2 * t); }
  static double Mix(double a, double b, double t) { return a + (b - a) * t; }
  double Lattice(int x, int y) const {
    std::uint32_t h = seed_ ^ (static_cast<std::uint32_t>(x) * 374761393u) ^
                      (static_cast<std::uint32_t>(y) * 668265263u);
    h = (h ^ (h >> 13)) * 1274126177u;
    return static_cast<double>((h ^ (h >> 16)) & 0xFFFF) / 65535.0;
  }
  std::uint32_t seed_;
};

std::uint8_t Clamp(double value) {
  return static_cast<std::uint8_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

// Sky over land with a sun, hills and texture: gradients, edges and grain like a real photo.
void PaintLandscape(TImgBitmap& bitmap, std::uint32_t seed) {
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  const TValueNoise coarse(seed);
  const TValueNoise fine(seed * 7 + 1);
  const double sunX = 0.25 + 0.5 * coarse.At(0.5, 0.5);
  std::uint32_t grain = seed | 1u;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.RowPtr(y);
    const double v = static_cast<double>(y) / height;
    for (int x = 0; x < width; ++x) {
      const double u = static_cast<double>(x) / width;
      const double horizon = 0.55 + 0.08 * std::sin(u * 9.0 + seed) + 0.06 * coarse.At(u * 6, 0);
      double r;
      double g;
      double b;
      if (v < horizon) {
        const double t = v / horizon;
        r = 90 + 120 * t;
        g = 140 + 80 * t;
        b = 230 - 30 * t;
        const double cloud = coarse.At(u * 8, v * 16);
        const double white = cloud > 0.6 ? (cloud - 0.6) * 2.5 : 0;
        r += (250 - r) * white;
        g += (250 - g) * white;
        b += (250 - b) * white;
        const double d = std::hypot(u - sunX, (v - 0.18) * height / width);
        if (d < 0.04)
          r = g = b = 255;
      } else {
        const double t = (v - horizon) / (1 - horizon);
        const double texture = fine.At(u * 80, v * 60) * 0.6 + coarse.At(u * 12, v * 9) * 0.4;
        r = 60 + 80 * texture + 40 * t;
        g = 90 + 90 * texture - 20 * t;
        b = 40 + 40 * texture;
      }
      grain = grain * 1664525u + 1013904223u;
      const double noise = static_cast<double>(grain >> 24) / 32.0 - 4.0;
      row[3 * x] = Clamp(b + noise);
      row[3 * x + 1] = Clamp(g + noise);
      row[3 * x + 2] = Clamp(r + noise);
    }
  }
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

void SetMetadata(TIOParamsVals& params, const Sample& sample, int index) {
  params.ExifPresent = true;
  params.ExifMake = "Quillmere Samples";
  params.ExifModel = "Synthetic Camera " + std::to_string(index % 3 + 1);
  params.ExifSoftware = "make-samples";
  params.ExifDateTime =
      "2024:06:0" + std::to_string(index % 9 + 1) + " 10:1" + std::to_string(index % 10) + ":00";
  params.ExifDateTimeOriginal = params.ExifDateTime;
  params.ExifImageDescription = sample.caption;
  params.ExifCopyright = "Free to use";
  params.ExifExposureTime = 1.0 / (60 << (index % 4));
  params.ExifFNumber = 2.8 + index;
  params.ExifISOSpeedRatings = {100 * (index % 4 + 1), 0};
  params.ExifFocalLength = 24.0 + 10 * index;
  params.ExifVersion = "0230";
  params.ExifResolutionX = 300;
  params.ExifResolutionY = 300;
  params.ExifResolutionUnit = 2;
  params.SetOrientation(sample.orientation);

  params.IptcRecords.ClearRecords();
  params.IptcRecords.AddRecord(2, 120, Bytes(sample.caption));   // caption
  params.IptcRecords.AddRecord(2, 25, Bytes("sample"));          // keyword
  params.IptcRecords.AddRecord(2, 80, Bytes("Quillmere team"));  // by-line

  params.JpegQuality = 92;
  params.JpegProgressive = index % 2 == 1;
  params.JpegColorSpace = 2;
}

// The painted picture as blue, green, red bytes, top row first.
std::vector<std::uint8_t> BgrPixels(TImgBitmap& bitmap) {
  const auto rowBytes = static_cast<std::size_t>(bitmap.Width()) * 3;
  std::vector<std::uint8_t> bgr(rowBytes * static_cast<std::size_t>(bitmap.Height()));
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    std::copy(row, row + rowBytes, bgr.begin() + static_cast<std::ptrdiff_t>(rowBytes * y));
  }
  return bgr;
}

// Scans as old scanner software wrote them: 24-bit, 8-bit gray with run-length rows, an 8-bit
// colour palette and 1-bit.
void WriteBmpSamples(TImgBitmap& bitmap, const fs::path& folder) {
  fs::create_directories(folder);
  bitmap.Allocate(800, 533, pfBGR24);
  PaintLandscape(bitmap, 4242);
  const std::vector<std::uint8_t> bgr = BgrPixels(bitmap);
  if (!bmpwriter::WriteFile((folder / "postcard.bmp").string(), bmpwriter::Bmp24(800, 533, bgr))) {
    throw std::runtime_error("could not write postcard.bmp");
  }
  // Coarse gray levels give the runs that run-length coding is made for.
  std::vector<std::uint8_t> indices(bgr.size() / 3);
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const int gray = (21 * bgr[3 * i + 2] + 71 * bgr[3 * i + 1] + 8 * bgr[3 * i]) / 100;
    indices[i] = static_cast<std::uint8_t>(gray / 16 * 16);
  }
  std::vector<std::uint8_t> palette;
  for (int level = 0; level < 256; ++level) {
    palette.insert(palette.end(), 3, static_cast<std::uint8_t>(level));
  }
  if (!bmpwriter::WriteFile((folder / "Map Scan.BMP").string(),
                            bmpwriter::Bmp8(800, 533, indices, palette, true))) {
    throw std::runtime_error("could not write Map Scan.BMP");
  }
  // A colour-palette drawing (a 6 x 6 x 6 cube) and a 1-bit fax-like page.
  std::vector<std::uint8_t> cube;
  for (int level = 0; level < 216; ++level) {
    cube.push_back(static_cast<std::uint8_t>(level % 6 * 51));
    cube.push_back(static_cast<std::uint8_t>(level / 6 % 6 * 51));
    cube.push_back(static_cast<std::uint8_t>(level / 36 * 51));
  }
  std::vector<std::uint8_t> cubeIndices(indices.size());
  std::vector<std::uint8_t> bits(indices.size());
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const auto sixth = [&](std::size_t channel) { return (bgr[3 * i + channel] + 25) / 51; };
    cubeIndices[i] = static_cast<std::uint8_t>(sixth(0) + 6 * sixth(1) + 36 * sixth(2));
    bits[i] = indices[i] >= 128 ? 1 : 0;
  }
  if (!bmpwriter::WriteFile((folder / "sketch.bmp").string(),
                            bmpwriter::Bmp8(800, 533, cubeIndices, cube, false))) {
    throw std::runtime_error("could not write sketch.bmp");
  }
  const std::vector<std::uint8_t> blackWhite = {0, 0, 0, 255, 255, 255};
  if (!bmpwriter::WriteFile((folder / "fax.bmp").string(),
                            bmpwriter::Bmp1(800, 533, bits, blackWhite))) {
    throw std::runtime_error("could not write fax.bmp");
  }
}

std::vector<std::uint8_t> RgbRows(TImgBitmap& bitmap) {
  std::vector<std::uint8_t> rgb;
  rgb.reserve(static_cast<std::size_t>(bitmap.Width()) * bitmap.Height() * 3);
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    for (int x = 0; x < bitmap.Width(); ++x)
      rgb.insert(rgb.end(), {row[3 * x + 2], row[3 * x + 1], row[3 * x]});
  }
  return rgb;
}

void WriteTiff(const fs::path& path, const tiffwriter::Page& page) {
  if (!tiffwriter::WriteFile(path.string(), tiffwriter::Encode(page)))
    throw std::runtime_error("could not write " + path.string());
}

// TIFF files as scanners and editors write them: LZW with differencing, PackBits, Deflate,
// tiles that do not divide the picture, and a Group 4 fax page. Answers how many it wrote.
int WriteTiffSamples(TImgBitmap& bitmap, const fs::path& folder) {
  fs::create_directories(folder);
  bitmap.Allocate(1024, 683, pfBGR24);
  PaintLandscape(bitmap, 777);
  tiffwriter::Page page;
  page.width = 1024;
  page.height = 683;
  page.rows = RgbRows(bitmap);
  page.compression = tiffwriter::kLzw;
  page.predictor = true;
  WriteTiff(folder / "scan-lzw.tif", page);
  page.compression = tiffwriter::kDeflate;
  WriteTiff(folder / "edited-deflate.TIFF", page);
  page.compression = tiffwriter::kLzw;
  page.tileSize = 256;
  WriteTiff(folder / "tiled.tiff", page);

  // Posterised colours give PackBits the runs it is made for.
  tiffwriter::Page poster = page;
  poster.tileSize = 0;
  poster.predictor = false;
  poster.compression = tiffwriter::kPackBits;
  for (std::uint8_t& sample : poster.rows)
    sample = static_cast<std::uint8_t>(sample / 64 * 85);
  WriteTiff(folder / "poster-packbits.tif", poster);

  // A fax page at 200 dpi: dark parts of the landscape become black (set bits).
  tiffwriter::Page fax = tiffwriter::BilevelFaxPage(1728, 1145);
  fax.dpi = 200;
  bitmap.Allocate(fax.width, fax.height, pfBGR24);
  PaintLandscape(bitmap, 99);
  const std::size_t rowBytes = (static_cast<std::size_t>(fax.width) + 7) / 8;
  for (int y = 0; y < fax.height; ++y) {
    const std::uint8_t* row = bitmap.RowPtr(y);
    for (int x = 0; x < fax.width; ++x) {
      const int gray = (21 * row[3 * x + 2] + 71 * row[3 * x + 1] + 8 * row[3 * x]) / 100;
      if (gray < 110)
        fax.rows[y * rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
    }
  }
  WriteTiff(folder / "fax-g4.tif", fax);
  return 5;
}

// The EXIF block of the sample's metadata as PNG, WebP and HEIF store it: without "Exif\0\0".
std::vector<std::uint8_t> ExifTiff(TIOParamsVals& params, const Sample& sample, int index,
                                   int width, int height) {
  SetMetadata(params, sample, index);
  std::vector<std::uint8_t> block = SerializeExif(params, width, height);
  block.erase(block.begin(), block.begin() + 6);
  return block;
}

void CheckWritten(bool written, const fs::path& path) {
  if (!written)
    throw std::runtime_error("could not write " + path.string());
}

// Photos as phones and web pages store them, made by the formats' own encoders. The PNG is a
// cut-out with transparent corners, which the conversion puts on white.
int WriteLibrarySamples(TImgBitmap& bitmap, TIOParamsVals& params, const fs::path& folder,
                        int index) {
  fs::create_directories(folder);
  constexpr int kWidth = 640;
  constexpr int kHeight = 480;
  bitmap.Allocate(kWidth, kHeight, pfBGR24);
  PaintLandscape(bitmap, 4242);
  librarywriters::TPicture rgb{kWidth, kHeight, 3, RgbRows(bitmap)};
  librarywriters::TPicture rgba{kWidth, kHeight, 4, {}};
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * kWidth + x) * 3;
      const double dx = (x - kWidth / 2.0) / (kWidth / 2.0);
      const double dy = (y - kHeight / 2.0) / (kHeight / 2.0);
      const double edge = 1.0 - (dx * dx + dy * dy);
      rgba.samples.insert(rgba.samples.end(), {rgb.samples[at], rgb.samples[at + 1],
                                               rgb.samples[at + 2], Clamp(edge * 4 * 255)});
    }
  }
  const Sample png{"cut-out.png", kWidth, kHeight, 1, "A cut-out on a transparent ground"};
  CheckWritten(librarywriters::WritePng((folder / png.path).string(), rgba, false,
                                        ExifTiff(params, png, index, kWidth, kHeight)),
               folder / png.path);
  const Sample webp{"shared.webp", kWidth, kHeight, 1, "Saved from a web page"};
  CheckWritten(librarywriters::WriteWebp((folder / webp.path).string(), rgb, 85,
                                         ExifTiff(params, webp, index + 1, kWidth, kHeight)),
               folder / webp.path);
  const Sample heic{"phone.heic", kWidth, kHeight, 6, "Taken with a phone, held sideways"};
  CheckWritten(librarywriters::WriteHeif((folder / heic.path).string(), rgb, false, 80,
                                         ExifTiff(params, heic, index + 2, kWidth, kHeight)),
               folder / heic.path);
  const Sample avif{"web.avif", kWidth, kHeight, 1, "A newer web picture"};
  CheckWritten(librarywriters::WriteHeif((folder / avif.path).string(), rgb, true, 70,
                                         ExifTiff(params, avif, index + 3, kWidth, kHeight)),
               folder / avif.path);
  return 4;
}

void WriteText(const fs::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "Usage: make-samples FOLDER\n";
    return 2;
  }
  const fs::path folder = argv[1];
  try {
    fs::create_directories(folder);
    TImagerIO io;
    int index = 0;
    for (const Sample& sample : kSamples) {
      const fs::path path = folder / sample.path;
      fs::create_directories(path.parent_path());
      io.Bitmap()->Allocate(sample.width, sample.height, pfBGR24);
      PaintLandscape(*io.Bitmap(), static_cast<std::uint32_t>(index * 2654435761u + 17));
      SetMetadata(io.Params(), sample, index);
      io.SaveJpegFile(path.string());
      if (io.Aborting())
        throw std::runtime_error("could not write " + path.string());
      ++index;
    }
    WriteBmpSamples(*io.Bitmap(), folder / "scans");
    index += 4;
    index += WriteTiffSamples(*io.Bitmap(), folder / "scans" / "tiff");
    index += WriteLibrarySamples(*io.Bitmap(), io.Params(), folder / "more formats", index);
    WriteText(folder / "notes.txt", "These photos were made by make-samples.\n");
    WriteText(folder / "README", "A file without a dot is not collected.\n");
    std::cout << "Wrote " << index << " sample photos and 2 other files to " << folder.string()
              << '\n';
  } catch (const std::exception& error) {
    std::cerr << "make-samples: " << error.what() << '\n';
    return 1;
  }
  return 0;
}
