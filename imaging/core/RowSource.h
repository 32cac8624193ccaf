#pragma once

#include <cstdint>

#include "imaging/core/TImgBitmap.h"

/// Rows of a pfBGR24 picture, asked for from the top down: a row may be asked again, and so may
/// the three above the lowest one asked so far. A pointer is valid until the next call. Lets a
/// decoder, a resampler and an encoder pass a photo along a few rows at a time.
class TRowSource {
 public:
  virtual ~TRowSource() = default;
  virtual int Width() = 0;
  virtual int Height() = 0;
  virtual const std::uint8_t* Row(int y) = 0;
};

/// The rows of a whole container, any row at any time.
class TBitmapRows final : public TRowSource {
 public:
  explicit TBitmapRows(TImgBitmap& bitmap) : bitmap_(bitmap) {}
  int Width() override { return bitmap_.Width(); }
  int Height() override { return bitmap_.Height(); }
  const std::uint8_t* Row(int y) override { return bitmap_.RowPtr(y); }

 private:
  TImgBitmap& bitmap_;
};

/// Another source's rows, passed on unchanged.
class TPassedRows final : public TRowSource {
 public:
  explicit TPassedRows(TRowSource& rows) : rows_(rows) {}
  int Width() override { return rows_.Width(); }
  int Height() override { return rows_.Height(); }
  const std::uint8_t* Row(int y) override { return rows_.Row(y); }

 private:
  TRowSource& rows_;
};
