#pragma once

#include <cstdint>
#include <cstring>
#include <span>

/// Reads little- or big-endian fields from a block of bytes. Every read is bounds-checked:
/// reading past the end yields zeros and sets Overran(), so a parser can read a whole header
/// and check once. BMP, TIFF, EXIF and IPTC all read through this one class.
class TByteReader {
 public:
  enum class Endian { Little, Big };

  TByteReader(std::span<const std::uint8_t> bytes, Endian endian = Endian::Little)
      : bytes_(bytes), endian_(endian) {}

  void SetEndian(Endian endian) { endian_ = endian; }
  Endian GetEndian() const { return endian_; }

  std::size_t Size() const { return bytes_.size(); }
  std::size_t Offset() const { return offset_; }
  std::size_t Remaining() const { return offset_ < bytes_.size() ? bytes_.size() - offset_ : 0; }
  bool Overran() const { return overran_; }

  /// Moves to an absolute offset; an offset beyond the end sets Overran().
  bool Seek(std::uint64_t offset) {
    if (offset > bytes_.size()) {
      overran_ = true;
      offset_ = bytes_.size();
      return false;
    }
    offset_ = static_cast<std::size_t>(offset);
    return true;
  }
  bool Skip(std::uint64_t count) { return Seek(static_cast<std::uint64_t>(offset_) + count); }

  /// True when count bytes from offset lie inside the block (no wrap-around possible).
  bool Contains(std::uint64_t offset, std::uint64_t count) const {
    return offset <= bytes_.size() && count <= bytes_.size() - offset;
  }

  std::uint8_t U8() { return static_cast<std::uint8_t>(ReadUnsigned(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(ReadUnsigned(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(ReadUnsigned(4)); }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::int32_t I32() { return static_cast<std::int32_t>(U32()); }

  /// Copies count bytes into out; a short block copies what there is, zero-fills the rest.
  bool Bytes(void* out, std::size_t count) {
    const std::size_t n = count < Remaining() ? count : Remaining();
    if (n > 0)
      std::memcpy(out, bytes_.data() + offset_, n);
    if (n < count) {
      std::memset(static_cast<std::uint8_t*>(out) + n, 0, count - n);
      overran_ = true;
    }
    offset_ += n;
    return n == count;
  }

  /// A view of count bytes at the current offset, or an empty span when they are not all there.
  std::span<const std::uint8_t> View(std::size_t count) {
    if (count > Remaining()) {
      overran_ = true;
      offset_ = bytes_.size();
      return {};
    }
    auto view = bytes_.subspan(offset_, count);
    offset_ += count;
    return view;
  }

 private:
  std::uint64_t ReadUnsigned(int count) {
    if (static_cast<std::size_t>(count) > Remaining()) {
      overran_ = true;
      offset_ = bytes_.size();
      return 0;
    }
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i) {
      const std::uint64_t byte = bytes_[offset_ + static_cast<std::size_t>(i)];
      value |= endian_ == Endian::Little ? byte << (8 * i) : byte << (8 * (count - 1 - i));
    }
    offset_ += static_cast<std::size_t>(count);
    return value;
  }

  std::span<const std::uint8_t> bytes_;
  Endian endian_;
  std::size_t offset_ = 0;
  bool overran_ = false;
};
