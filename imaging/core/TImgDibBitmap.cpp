#include "imaging/core/TImgDibBitmap.h"

#include <new>

#include "imaging/core/ImgErrors.h"
#include "imaging/core/SizeMath.h"

std::uint8_t* TImgDibBitmap::RowPtr(int row) {
  return format_ == pfNoFormat ? nullptr : bitmap_.ScanLine(row);
}

void TImgDibBitmap::Allocate(int width, int height, TImgBitmapFormat format) {
  if (format != pfBit1 && format != pfBGR24)
    return;
  const int depth = format == pfBit1 ? 1 : 24;
  if (width > 0 && height > 0 && !ImageSizeAllowed(width, height, depth)) {
    bitmap_.SetSize(0, 0);
    format_ = pfNoFormat;
    throw EImgOutOfMemory("Out of memory");
  }
  try {
    bitmap_.SetSize(0, 0);
    bitmap_.SetBitsPerPixel(depth);
    bitmap_.SetSize(width, height);
  } catch (const std::bad_alloc&) {
    format_ = pfNoFormat;
    throw EImgOutOfMemory("Out of memory");
  }
  format_ = format;
  if (format == pfBit1) {
    bitmap_.ColorTable()[0] = {0, 0, 0, 0};
    bitmap_.ColorTable()[1] = {255, 255, 255, 0};
  }
}

void TImgDibBitmap::Assign(TImgBaseBitmap* source) {
  auto* dib = dynamic_cast<TImgDibBitmap*>(source);
  if (dib == nullptr || dib == this)
    return;
  bitmap_ = dib->bitmap_;
  format_ = dib->format_;
}
