#include "imaging/io/bmp/BmpRle.h"

#include <algorithm>
#include <cstring>

#include "imaging/core/TImgBitmap.h"
#include "imaging/io/ByteReader.h"
#include "imaging/io/ProgressRecord.h"
#include "imaging/io/bmp/BmpColorTable.h"

namespace {

constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfBitmap = 1;
constexpr std::uint8_t kDelta = 2;

// One decoder for both depths: codes, rows and progress are the same; only how a byte holds
// pixels differs.
class TRleDecoder {
 public:
  TRleDecoder(const TBmpRleTarget& target, bool fourBit)
      : target_(target), fourBit_(fourBit), row_(target.height - 1) {}

  // False when the data ran out before the top row was reached; every other end (end of
  // bitmap, rows used up, a delta above the top, an abort) is no shortage of data.
  bool Decode(std::span<const std::uint8_t> data) {
    if (target_.width <= 0 || row_ < 0)
      return true;
    TByteReader reader(data);
    SelectRow();
    while (reader.Remaining() >= 2) {
      const std::uint8_t count = reader.U8();
      const std::uint8_t value = reader.U8();
      if (count > 0) {
        PutRun(count, value);
      } else if (value == kEndOfLine) {
        if (!NextLine())
          return true;
      } else if (value == kEndOfBitmap) {
        return true;
      } else if (value == kDelta) {
        if (reader.Remaining() < 2)
          return row_ == 0;
        if (!Delta(reader))
          return true;
      } else if (!PutAbsolute(reader, value)) {
        return row_ == 0;
      }
    }
    return row_ == 0;
  }

 private:
  void SelectRow() {
    const int destination = target_.topDown ? target_.height - 1 - row_ : row_;
    rowPixels_ = target_.bitmap.RowPtr(destination);
  }

  // Pixels past the right edge are dropped at both depths. Writers that pad odd-width rows with
  // extra pixels would otherwise paint the last column in the padding colour.
  void Put(std::uint8_t index) {
    if (x_ >= target_.width)
      return;
    const auto offset = static_cast<std::size_t>(x_++);
    if (target_.native) {
      rowPixels_[offset] = index;
    } else {
      std::memcpy(rowPixels_ + offset * 3, target_.colors.Entry(index), 3);
    }
  }

  void PutRun(int count, std::uint8_t value) {
    for (int i = 0; i < count; ++i) {
      Put(fourBit_ ? static_cast<std::uint8_t>(i % 2 == 0 ? value >> 4 : value & 0x0F) : value);
    }
  }

  // Answers false when the data ends inside the run.
  bool PutAbsolute(TByteReader& reader, int count) {
    std::size_t bytes =
        fourBit_ ? static_cast<std::size_t>(count + 1) / 2 : static_cast<std::size_t>(count);
    bytes += bytes % 2;  // runs keep the codes on even offsets
    const bool complete = bytes <= reader.Remaining();
    const auto literal = reader.View(std::min(bytes, reader.Remaining()));
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
      const std::size_t at = fourBit_ ? i / 2 : i;
      if (at >= literal.size())
        break;
      const std::uint8_t byte = literal[at];
      Put(fourBit_ ? static_cast<std::uint8_t>(i % 2 == 0 ? byte >> 4 : byte & 0x0F) : byte);
    }
    return complete;
  }

  bool NextLine() {
    if (--row_ < 0)
      return false;
    x_ = 0;
    SelectRow();
    TProgressRecord& progress = target_.progress;
    if (progress.handler) {
      progress.handler(progress.sender,
                       static_cast<int>((target_.height - row_) * progress.perRow));
    }
    return !progress.Aborted();
  }

  bool Delta(TByteReader& reader) {
    const int dx = reader.U8();
    const int dy = reader.U8();
    if (dy > row_)
      return false;
    // Columns past the edge behave alike whatever their distance, so the edge bounds x.
    x_ = dx > target_.width - x_ ? target_.width : x_ + dx;
    if (dy > 0) {
      row_ -= dy;
      SelectRow();
    }
    return true;
  }

  const TBmpRleTarget& target_;
  const bool fourBit_;
  int row_;
  int x_ = 0;
  std::uint8_t* rowPixels_ = nullptr;
};

}  // namespace

bool DecodeBMPRLE8(std::span<const std::uint8_t> data, const TBmpRleTarget& target) {
  return TRleDecoder(target, false).Decode(data);
}

bool DecodeBMPRLE4(std::span<const std::uint8_t> data, const TBmpRleTarget& target) {
  return TRleDecoder(target, true).Decode(data);
}
