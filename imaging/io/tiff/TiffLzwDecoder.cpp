#include "imaging/io/tiff/TiffLzwDecoder.h"

#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr int kClearCode = 256;
constexpr int kEndCode = 257;
constexpr int kFirstFreeCode = 258;
constexpr int kTableSize = 4096;
constexpr int kMinCodeWidth = 9;
constexpr int kMaxCodeWidth = 12;

class TTiffLzwState : public TLZWCodecState {
 public:
  TTiffLzwState(const std::uint8_t* data, std::int64_t length)
      : data_(data), length_(length < 0 ? 0 : length) {
    for (int code = 0; code < kFirstFreeCode; ++code) {
      prefix_[code] = 0;
      suffix_[code] = static_cast<std::uint8_t>(code);
      first_[code] = static_cast<std::uint8_t>(code);
      stringLength_[code] = 1;
    }
  }

  const std::uint8_t* NextRow(int rowBytes) {
    const auto wanted = static_cast<std::size_t>(rowBytes < 0 ? 0 : rowBytes);
    KeepRest(wanted);
    while (fill_ < wanted && !ended_ && !failed_)
      DecodeCode();
    if (failed_)
      return nullptr;
    if (fill_ < wanted) {
      std::memset(buffer_.data() + fill_, 0, wanted - fill_);
      fill_ = wanted;
    }
    taken_ = wanted;
    return buffer_.data();
  }

 private:
  // Bytes decoded beyond the previous row move to the front; the buffer always has room for a
  // row plus the longest string.
  void KeepRest(std::size_t wanted) {
    const std::size_t rest = fill_ - taken_;
    if (rest > 0 && taken_ > 0)
      std::memmove(buffer_.data(), buffer_.data() + taken_, rest);
    fill_ = rest;
    taken_ = 0;
    if (buffer_.size() < wanted + kTableSize)
      buffer_.resize(wanted + kTableSize);
  }

  int ReadCode() {
    while (bitCount_ < codeWidth_) {
      if (position_ >= length_)
        return -1;
      bits_ = (bits_ << 8) | data_[position_++];
      bitCount_ += 8;
    }
    bitCount_ -= codeWidth_;
    return static_cast<int>((bits_ >> bitCount_) & ((1u << codeWidth_) - 1));
  }

  void DecodeCode() {
    int code = ReadCode();
    if (code < 0 || code == kEndCode) {
      ended_ = true;
      return;
    }
    if (code == kClearCode) {
      nextFree_ = kFirstFreeCode;
      codeWidth_ = kMinCodeWidth;
      do {
        code = ReadCode();
      } while (code == kClearCode);
      if (code < 0 || code == kEndCode) {
        ended_ = true;
        return;
      }
      previous_ = -1;
    }
    if (previous_ < 0) {
      // The first code of a table names a single byte.
      if (code >= kClearCode) {
        failed_ = true;
        return;
      }
      Output(code);
      previous_ = code;
      return;
    }
    if (code < nextFree_) {
      Output(code);
      Add(previous_, first_[code]);
    } else if (code == nextFree_) {
      Add(previous_, first_[previous_]);
      Output(code);
    } else {
      failed_ = true;
      return;
    }
    previous_ = code;
  }

  void Add(int prefix, std::uint8_t byte) {
    // A full table takes no more strings; the codes that follow still refer to it.
    if (nextFree_ >= kTableSize)
      return;
    prefix_[nextFree_] = static_cast<std::uint16_t>(prefix);
    suffix_[nextFree_] = byte;
    first_[nextFree_] = first_[prefix];
    stringLength_[nextFree_] = static_cast<std::uint16_t>(stringLength_[prefix] + 1);
    ++nextFree_;
    if (nextFree_ + 1 >= (1 << codeWidth_) && codeWidth_ < kMaxCodeWidth)
      ++codeWidth_;
  }

  void Output(int code) {
    if (code >= nextFree_ && code >= kFirstFreeCode) {
      failed_ = true;
      return;
    }
    const std::size_t length = stringLength_[code];
    std::uint8_t* out = buffer_.data() + fill_ + length - 1;
    while (code >= kFirstFreeCode) {
      *out-- = suffix_[code];
      code = prefix_[code];
    }
    *out = static_cast<std::uint8_t>(code);
    fill_ += length;
  }

  const std::uint8_t* data_;
  std::int64_t length_;
  std::int64_t position_ = 0;
  std::uint64_t bits_ = 0;
  int bitCount_ = 0;
  int codeWidth_ = kMinCodeWidth;
  int nextFree_ = kFirstFreeCode;
  int previous_ = -1;
  bool ended_ = false;
  bool failed_ = false;
  std::vector<std::uint8_t> buffer_;
  std::size_t fill_ = 0;
  std::size_t taken_ = 0;
  std::array<std::uint16_t, kTableSize> prefix_{};
  std::array<std::uint8_t, kTableSize> suffix_{};
  std::array<std::uint8_t, kTableSize> first_{};
  std::array<std::uint16_t, kTableSize> stringLength_{};
};

}  // namespace

const std::uint8_t* TiffLzwDecode(const std::uint8_t* data, std::int64_t dataLength, int rowBytes,
                                  std::unique_ptr<TLZWCodecState>& state) {
  if (data == nullptr) {
    state.reset();
    return nullptr;
  }
  if (state == nullptr)
    state = std::make_unique<TTiffLzwState>(data, dataLength);
  auto* lzw = dynamic_cast<TTiffLzwState*>(state.get());
  return lzw != nullptr ? lzw->NextRow(rowBytes) : nullptr;
}
