#pragma once

#include <array>
#include <cstdint>
#include <span>

struct TBmpHeader;

/// The file's palette as 256 entries of blue, green, red. An index the file's palette does not
/// reach reads black, so no pixel value can select bytes outside the table.
class TBmpColorTable {
 public:
  explicit TBmpColorTable(const TBmpHeader& header);

  const std::uint8_t* Entry(std::uint8_t index) const { return &bgr_[index * 3u]; }
  std::span<const std::uint8_t, 256 * 3> Entries() const { return bgr_; }
  bool IsWhiteThenBlack() const { return whiteThenBlack_; }

  /// Writes width pixels of 4 or 8 bits from a file row: indices in native mode, else the
  /// entries' three bytes. Does nothing when the row is too short for width pixels.
  void UnpackRow(std::span<const std::uint8_t> fileRow, int bitCount, int width, bool native,
                 std::uint8_t* destination) const;

 private:
  std::array<std::uint8_t, 256 * 3> bgr_{};
  bool whiteThenBlack_ = false;
};
