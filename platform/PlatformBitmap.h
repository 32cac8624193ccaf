#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

/// Leaves new bytes as the memory holds them instead of zeroing them, for blocks that are
/// overwritten anyway: zeroing a photo-sized block costs as much as a pass over its pixels.
template <typename T>
struct TUninitializedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = TUninitializedAllocator<U>;
  };
  TUninitializedAllocator() = default;
  template <typename U>
  TUninitializedAllocator(const TUninitializedAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <typename U, typename... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }
};

/// A platform bitmap's pixel block.
using TPixelBlock = std::vector<std::uint8_t, TUninitializedAllocator<std::uint8_t>>;

/// What the pixels of a new size hold.
enum class TNewPixels { Zero, Undefined };

/// The platform bitmap: a device-independent raster of 1, 8 or 24 bits per pixel with rows
/// stored bottom-up and padded to 4 bytes, and a colour table for 1 and 8 bits.
class TPlatformBitmap {
 public:
  struct RgbQuad {
    std::uint8_t blue = 0, green = 0, red = 0, reserved = 0;
  };

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  std::int64_t RowLength() const;

  /// Changes the size, keeping nothing of the old pixels; new pixels are zero unless the caller
  /// overwrites them anyway and asks for them undefined. The memory block is reused when it is
  /// large enough, and let go for an empty size. Throws std::bad_alloc (leaving the bitmap
  /// unchanged) when the pixels cannot be had.
  void SetSize(int width, int height, TNewPixels newPixels = TNewPixels::Zero);
  /// Changes the depth (1, 8 or 24; anything else is taken as 24); pixels become zero.
  void SetBitsPerPixel(int bitsPerPixel);

  /// Hands over the pixel block (rows bottom-up, RowLength() bytes each) and leaves the bitmap
  /// 0 x 0 at its depth, so that a caller can keep the pixels without copying them.
  TPixelBlock TakePixels();
  /// Offers an unused block for the next SetSize to reuse; kept only while the bitmap is 0 x 0
  /// and when it is larger than the block held.
  void GiveSpareBlock(TPixelBlock block);
  /// Address of row 0 (the top row) .. Height()-1; null for a row outside the bitmap.
  std::uint8_t* ScanLine(int row);
  const std::uint8_t* ScanLine(int row) const;

  std::array<RgbQuad, 256>& ColorTable() { return colorTable_; }
  const std::array<RgbQuad, 256>& ColorTable() const { return colorTable_; }

  /// Set when someone changed the pixels behind the bitmap's back and it must be redrawn.
  bool Modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

 private:
  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 24;
  TPixelBlock pixels_;
  std::array<RgbQuad, 256> colorTable_{};
  bool modified_ = false;
};
