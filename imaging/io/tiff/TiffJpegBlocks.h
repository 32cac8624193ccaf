#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

class TImgBitmap;
struct TProgressRecord;
struct TTIFFVars;

/// Decodes JPEG-compressed strips or tiles (compression 7) through the JPEG codec, with the
/// page's JPEG tables as the tables stream. The TIFF parameters keep the directory's
/// description: the codec fills a scratch record of its own.
class TTiffJpegBlocks {
 public:
  TTiffJpegBlocks(const TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress,
                  std::size_t blockCount);
  /// Decodes one block and copies it into the image at row firstRow, pixel column x, cut to
  /// blockWidth and to the image.
  void Decode(std::span<const std::uint8_t> data, int firstRow, int x, int blockWidth);

 private:
  const TTIFFVars& vars_;
  TImgBitmap& bitmap_;
  TProgressRecord& progress_;
  bool singleBlock_;
};

/// Decodes an old-style JPEG page (compression 6 with a JPEG process below 2): one JPEG stream
/// at the interchange format offset, decoded straight into the container.
void ReadTiffOldJpeg(const TTIFFVars& vars, TImgBitmap& bitmap, TProgressRecord& progress);
