#include "imaging/io/tiff/CcittDecoder.h"

#include <algorithm>
#include <cstring>

#include "imaging/io/tiff/CcittCodes.h"

namespace {

constexpr int kEndOfLineZeros = 11;
// Long runs of zero fill bits are bounded only by the data; counting stops here.
constexpr int kMaxZeroCount = 1 << 20;

// Clears bits [from, to) of a row, leftmost pixel in the most significant bit.
void ClearBits(std::uint8_t* row, int from, int to) {
  if (from >= to)
    return;
  const int firstByte = from / 8;
  const int lastByte = (to - 1) / 8;
  const auto headMask = static_cast<std::uint8_t>(0xFF >> (from % 8));
  const auto tailMask = static_cast<std::uint8_t>(0xFF << (7 - (to - 1) % 8));
  if (firstByte == lastByte) {
    row[firstByte] &= static_cast<std::uint8_t>(~(headMask & tailMask));
    return;
  }
  row[firstByte] &= static_cast<std::uint8_t>(~headMask);
  for (int i = firstByte + 1; i < lastByte; ++i)
    row[i] = 0;
  row[lastByte] &= static_cast<std::uint8_t>(~tailMask);
}

}  // namespace

TCcittDecoder::TCcittDecoder(std::span<const std::uint8_t> data, int width, TCcittScheme scheme,
                             bool fillBits)
    : reader_(data), width_(std::max(width, 0)), scheme_(scheme), fillBits_(fillBits) {
  reference_.assign(3, width_);
}

bool TCcittDecoder::AtEndOfLine() const {
  if (reader_.Peek(8) != 0)
    return false;
  TCcittBitReader probe = reader_;
  const int zeros = probe.LeadingZeros(kMaxZeroCount);
  probe.Skip(zeros);
  return zeros >= kEndOfLineZeros && !probe.AtEnd();
}

bool TCcittDecoder::SkipEndOfLine() {
  if (!AtEndOfLine())
    return false;
  reader_.Skip(reader_.LeadingZeros(kMaxZeroCount) + 1);
  return true;
}

void TCcittDecoder::AddChange(int position) {
  const int floor = coding_.empty() ? 0 : coding_.back();
  // Empty runs stay in the list: encoders count them when they code the next row against it.
  coding_.push_back(std::clamp(position, floor, width_));
}

int TCcittDecoder::ReadRun(bool black) {
  int run = 0;
  while (!reader_.AtEnd()) {
    const TCcittRunCode code = PeekCcittRunCode(reader_, black);
    if (code.length == 0)
      return -1;
    reader_.Skip(code.length);
    run = std::min(run + code.run, 2 * width_ + 2560);
    if (!code.makeup)
      return run;
  }
  return -1;
}

int TCcittDecoder::ReadUncompressed(int position, bool& black) {
  while (!reader_.AtEnd() && position < width_) {
    const int zeros = reader_.LeadingZeros(12);
    if (zeros <= 5) {
      // Up to four whites and a black, or five whites.
      reader_.Skip(zeros + 1);
      if (black && zeros > 0) {
        AddChange(position);
        black = false;
      }
      position = std::min(position + zeros, width_);
      if (zeros < 5) {
        if (!black) {
          AddChange(position);
          black = true;
        }
        position = std::min(position + 1, width_);
      }
      continue;
    }
    if (zeros > 10)
      break;
    // An exit code: zeros - 6 whites, then the colour of the next run.
    reader_.Skip(zeros + 1);
    if (black && zeros > 6) {
      AddChange(position);
      black = false;
    }
    position = std::min(position + zeros - 6, width_);
    const bool next = reader_.Read(1) != 0;
    if (next != black) {
      AddChange(position);
      black = next;
    }
    return position;
  }
  return position;
}

void TCcittDecoder::DecodeOneDimensional() {
  int a0 = 0;
  bool black = false;
  bool anyCode = false;
  while (!reader_.AtEnd()) {
    if (a0 >= width_ && anyCode)
      break;
    if (reader_.Peek(8) == 0) {
      if (AtEndOfLine()) {
        if (anyCode)
          break;  // the next row's end-of-line: the rest of this row keeps its colour
        SkipEndOfLine();
        continue;
      }
      if (reader_.Peek(12) == 0x00F) {
        reader_.Skip(12);
        a0 = ReadUncompressed(a0, black);
        anyCode = true;
        continue;
      }
      const int zeros = reader_.LeadingZeros(12);
      if (zeros >= 8 && zeros <= 10) {
        reader_.Skip(zeros + 1);
        continue;
      }
    }
    const TCcittRunCode code = PeekCcittRunCode(reader_, black);
    if (code.length == 0) {
      reader_.Skip(1);
      continue;
    }
    const int run = ReadRun(black);
    if (run < 0)
      continue;
    anyCode = true;
    a0 = std::min(a0 + run, width_);
    AddChange(a0);
    black = !black;
  }
}

std::size_t TCcittDecoder::FindB1(int a0, bool black, std::size_t hint) const {
  std::size_t i = std::min(hint, reference_.size() - 1);
  while (i > 0 && reference_[i - 1] > a0)
    --i;
  const std::size_t parity = black ? 1 : 0;
  while (i + 1 < reference_.size() && (reference_[i] <= a0 || (i & 1) != parity))
    ++i;
  return i;
}

void TCcittDecoder::DecodeTwoDimensional() {
  int a0 = -1;
  bool black = false;
  std::size_t b1Index = 0;
  while (a0 < width_ && !reader_.AtEnd()) {
    b1Index = FindB1(a0, black, b1Index);
    const int b1 = reference_[b1Index];
    const int b2 = reference_[std::min(b1Index + 1, reference_.size() - 1)];
    const std::uint32_t bits = reader_.Peek(7);
    if (bits >= 0x40) {  // 1: V0
      reader_.Skip(1);
      AddChange(b1);
      a0 = std::min(b1, width_);
      black = !black;
    } else if (bits >= 0x10) {  // 01x: VR1, VL1; 001: horizontal
      const int code = static_cast<int>(bits >> 4);
      if (code == 1) {
        reader_.Skip(3);
        const int start = std::max(a0, 0);
        const int first = ReadRun(black);
        const int second = first < 0 ? -1 : ReadRun(!black);
        if (second < 0)
          break;
        const int a1 = std::min(start + first, width_);
        const int a2 = std::min(a1 + second, width_);
        AddChange(a1);
        AddChange(a2);
        a0 = a2;
      } else {
        reader_.Skip(3);
        const int a1 = std::max(code == 3 ? b1 + 1 : b1 - 1, std::max(a0, 0));
        AddChange(a1);
        a0 = a1;
        black = !black;
      }
    } else if (bits >= 0x08) {  // 0001: pass
      reader_.Skip(4);
      a0 = std::min(b2, width_);
    } else if (bits >= 0x02) {  // 000011, 000010, 0000011, 0000010: VR2, VL2, VR3, VL3
      int shift = 0;
      if (bits >= 0x04) {
        reader_.Skip(6);
        shift = (bits & 0x02) != 0 ? 2 : -2;
      } else {
        reader_.Skip(7);
        shift = (bits & 0x01) != 0 ? 3 : -3;
      }
      const int a1 = std::max(b1 + shift, std::max(a0, 0));
      AddChange(a1);
      a0 = a1;
      black = !black;
    } else if (bits == 0x01 && reader_.Peek(10) == 0x00F) {
      reader_.Skip(10);
      a0 = ReadUncompressed(std::max(a0, 0), black);
    } else if (AtEndOfLine()) {
      break;  // left for the next row
    } else if (fillBits_) {
      reader_.Skip(std::min(reader_.LeadingZeros(kMaxZeroCount) + 1, kMaxZeroCount));
      break;
    } else {
      reader_.Skip(12);
    }
  }
}

void TCcittDecoder::Render(std::span<std::uint8_t> row) const {
  std::memset(row.data(), 0xFF, row.size());
  const int limit = std::min<int>(width_, static_cast<int>(row.size() * 8));
  for (std::size_t i = 0; i < coding_.size(); i += 2) {
    const int from = std::min(coding_[i], limit);
    const int to = i + 1 < coding_.size() ? std::min(coding_[i + 1], limit) : limit;
    ClearBits(row.data(), from, to);
  }
}

void TCcittDecoder::NextRow(std::span<std::uint8_t> row) {
  if (scheme_ == TCcittScheme::ModifiedHuffman)
    reader_.AlignToByte();
  // A page whose data ends early is blank below: fax pages are white paper.
  if (reader_.AtEnd()) {
    std::memset(row.data(), 0xFF, row.size());
    return;
  }
  coding_.clear();
  switch (scheme_) {
    case TCcittScheme::ModifiedHuffman:
    case TCcittScheme::Group3OneD:
      DecodeOneDimensional();
      break;
    case TCcittScheme::Group3TwoD:
      // Every row starts with an end-of-line and a tag bit: 1 one-dimensional, 0 two.
      if (SkipEndOfLine() && reader_.Read(1) != 0)
        DecodeOneDimensional();
      else
        DecodeTwoDimensional();
      break;
    case TCcittScheme::Group4:
      if (AtEndOfLine()) {
        // The end-of-block mark: the data holds no more rows.
        std::memset(row.data(), 0xFF, row.size());
        return;
      }
      DecodeTwoDimensional();
      break;
  }
  Render(row);
  reference_.assign(coding_.begin(), coding_.end());
  while (!reference_.empty() && reference_.back() >= width_)
    reference_.pop_back();
  reference_.insert(reference_.end(), 3, width_);
}
