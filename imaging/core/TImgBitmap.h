#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "imaging/core/ImgTypes.h"
#include "imaging/core/TImgBaseBitmap.h"
#include "imaging/core/TImgFileBuffer.h"

class TPlatformBitmap;

/// The raster image every part of the imaging library reads and writes. Pixels live in one
/// bottom-up memory block, in a top-down temporary file, or in a platform bitmap; code reaches
/// them a row at a time through RowPtr whatever the storage.
class TImgBitmap : public TImgBaseBitmap {
 public:
  /// What() of the error raised when pf32f is asked for in platform-bitmap storage.
  static constexpr const char* kPf32fOnPlatformBitmap =
      "pf32f pixel format not allowed when Location=locPlatformBitmap";

  /// An empty container: pfNoFormat, 0 x 0, Location locOnDisk.
  TImgBitmap();
  /// An alpha channel: pfGray8 of the given size, filled with 255 (opaque).
  TImgBitmap(int width, int height, TImgBitmapLocation location);
  ~TImgBitmap() override;
  TImgBitmap(const TImgBitmap&) = delete;
  TImgBitmap& operator=(const TImgBitmap&) = delete;

  // The eight base operations.
  std::uint8_t* RowPtr(int row) override;
  int BitsPerPixel() override;
  int Height() override;
  int Width() override;
  TImgBitmapFormat PixelFormat() override;
  int RowLength() override;
  /// Frees the current image and creates a new one with undefined pixel contents.
  /// Throws EImgOutOfMemory when the pixels cannot be had (the container is then empty).
  void Allocate(int width, int height, TImgBitmapFormat format) override;
  /// Makes this container an exact copy of a TImgBitmap (other sources are ignored).
  void Assign(TImgBaseBitmap* source) override;
  /// Copies a platform bitmap, as CopyFromTBitmap.
  void Assign(TPlatformBitmap* source);

  /// The row length in bytes as a 64-bit value (for byte counts).
  std::int64_t RowLength64();
  /// True when no pixels are held (size 0 or no format).
  bool IsEmpty();

  /// Frees what the container owns and empties it; an outside platform bitmap or memory block is
  /// let go untouched.
  void FreeImage();
  void ChangeWidth(int width);
  void ChangeHeight(int height);
  /// Horizontal alignment 0 left, 1 centre, 2 right; vertical 0 top, 1 centre, 2 bottom.
  void ResizeCanvas(int width, int height, double fill, double alphaFill, int horizontalAlign,
                    int verticalAlign);
  /// Values outside a format's range are held at its ends.
  void FillAll(double value);
  /// Inclusive rectangle, clipped to the image; clears IsFull when the value is not the maximum.
  void FillRect(int x1, int y1, int x2, int y2, double value);
  /// Copies into a container of the same format; the rectangle is clipped to both images.
  void CopyRect(TImgBitmap* destination, int sourceX, int sourceY, int destX, int destY, int width,
                int height);
  void SetPixelFormat(TImgBitmapFormat format);
  /// Hands pixels, palette, alpha channel, stores and settings to destination; this becomes empty.
  void MoveTo(TImgBitmap* destination);

  /// Uses an outside platform bitmap (1 or 24 bits) as the pixel store without owning it.
  void AttachTBitmap(TPlatformBitmap* bitmap, bool freeFirst = true);
  /// Uses an outside bottom-up memory block as the pixel store without owning it.
  void AttachMemory(std::uint8_t* block, int width, int height, TImgBitmapFormat format,
                    bool freeFirst = true);
  TImgBitmapLocation Location() const { return location_; }
  void SetLocation(TImgBitmapLocation location);
  /// Switches to locPlatformBitmap and returns the platform bitmap.
  TPlatformBitmap* GetTBitmap();

  /// The alpha channel, created on demand (pfGray8, opaque); null on an alpha channel itself.
  TImgBitmap* AlphaChannel();
  bool HasAlphaChannel() const { return alpha_ != nullptr; }
  void RemoveAlphaChannel();
  bool IsAlphaChannel() const { return isAlphaChannel_; }

  void CopyToTBitmap(TPlatformBitmap* bitmap);
  void CopyFromTBitmap(TPlatformBitmap* bitmap);

  /// Palette of pfPalette8 images: 256 entries of blue, green, red at index x 3; else null.
  std::uint8_t* Palette() { return palette_.empty() ? nullptr : palette_.data(); }
  int PaletteCount() const { return paletteCount_; }

  // Disk rows.
  std::uint8_t* RowPtrHeld(int row);
  void ReleaseRow(int row);
  void ReleaseRows();
  std::uint8_t AccessMode() const { return accessMode_; }
  void SetAccessMode(std::uint8_t mode) { accessMode_ = mode; }

  bool IsFull() const { return isFull_; }
  void SetIsFull(bool full) { isFull_ = full; }
  bool ExternalTBitmap() const { return externalTBitmap_; }
  bool ExternalMemory() const { return externalMemory_; }
  std::int64_t MemoryThreshold() const { return memoryThreshold_; }
  void SetMemoryThreshold(std::int64_t threshold) { memoryThreshold_ = threshold; }
  TImgBWConversion BWConversion() const { return bwConversion_; }
  void SetBWConversion(TImgBWConversion conversion) { bwConversion_ = conversion; }
  int PaletteColors() const { return paletteColors_; }
  void SetPaletteColors(int colors) { paletteColors_ = colors; }
  int RowAlignBits() const { return rowAlignBits_; }
  void SetRowAlignBits(int bits) { rowAlignBits_ = bits; }

  /// Process-wide settings read when a container is created or goes to disk.
  static void SetDefaultMemoryThreshold(std::int64_t threshold);  ///< -1: half the free memory
  static std::int64_t DefaultMemoryThreshold();
  static void SetTempFolder(const std::string& folder);  ///< empty: the platform's folder
  static const std::string& TempFolder();

 private:
  void SyncWithPlatformBitmap();
  void AllocatePixels();
  void AllocatePlatformPixels();
  /// Frees pixels, palette, alpha channel and rows; an attached outside platform bitmap is kept
  /// (untouched) when keepPlatformBitmap, else dropped (an owned one is freed).
  void ReleaseStorage(bool keepPlatformBitmap);
  void ResetImageFields();
  void RebuildRowTable();
  void WritePlatformColorTable();
  /// Copies the rows of a source of the same size and format into this container.
  void CopyPixelsFrom(TImgBitmap& source);
  /// Hands the current image to a new container so this one can be re-allocated; an outside
  /// platform bitmap stays attached here (its pixels are copied out instead).
  std::unique_ptr<TImgBitmap> DetachImage();
  /// Fills this container's pixels (already allocated in its format) from a source of the same
  /// size in another format.
  void ConvertPixelsFrom(TImgBitmap& source);
  void CopyPaletteFrom(const TImgBitmap& source);

  TImgFileBuffer fileStore_;
  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  std::int64_t rowLength_ = 0;
  TImgBitmapFormat pixelFormat_ = pfNoFormat;
  std::vector<std::uint8_t> palette_;
  int paletteCount_ = 0;
  std::unique_ptr<TImgBitmap> alpha_;
  bool isAlphaChannel_ = false;
  std::uint8_t* memory_ = nullptr;  // owned (through ownedMemory_) unless externalMemory_
  std::unique_ptr<std::uint8_t[]> ownedMemory_;
  TPlatformBitmap* platformBitmap_ = nullptr;  // owned (ownedPlatformBitmap_) unless external
  std::unique_ptr<TPlatformBitmap> ownedPlatformBitmap_;
  std::vector<std::uint8_t*> rowTable_;
  int platformBits_ = 0;  // depth of the platform bitmap when the row table was built
  std::int64_t currentDiskRow_ = -1;
  std::set<int> heldRows_;
  TImgBitmapLocation location_ = locOnDisk;
  bool isFull_ = false;
  bool externalTBitmap_ = false;
  bool externalMemory_ = false;
  std::int64_t memoryThreshold_ = 0;
  TImgBWConversion bwConversion_ = bwThreshold;
  int paletteColors_ = 256;
  std::uint8_t accessMode_ = 3;
  int rowAlignBits_ = 32;
};
