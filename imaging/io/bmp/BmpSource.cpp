#include "imaging/io/bmp/BmpSource.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "imaging/io/ByteReader.h"

TBmpSource::TBmpSource(TByteStream& stream) : stream_(stream) {
  start_ = std::max<std::int64_t>(stream_.Position(), 0);
  size_ = std::max<std::int64_t>(stream_.Size(), 0);
  position_ = start_;
}

std::int64_t TBmpSource::Remaining() const {
  return position_ < size_ ? size_ - position_ : 0;
}

std::int64_t TBmpSource::Read(std::span<std::uint8_t> buffer) {
  const auto wanted = static_cast<std::int64_t>(buffer.size());
  std::int64_t got = 0;
  if (position_ < size_ && wanted > 0 && stream_.Seek(position_, TByteStream::Origin::Begin) >= 0) {
    got = std::clamp<std::int64_t>(stream_.Read(buffer.data(), std::min(wanted, Remaining())), 0,
                                   wanted);
  }
  if (got < wanted)
    std::memset(buffer.data() + got, 0, static_cast<std::size_t>(wanted - got));
  // The position moves by the full request, as if the missing bytes had been there.
  position_ += wanted;
  return got;
}

std::uint32_t TBmpSource::PeekU32() {
  std::array<std::uint8_t, 4> bytes{};
  const std::int64_t saved = position_;
  Read(bytes);
  position_ = saved;
  return TByteReader(bytes).U32();
}

void TBmpSource::Skip(std::int64_t count) {
  if (count > 0)
    position_ += std::min(count, INT64_MAX / 2 - position_);
}

void TBmpSource::SeekTo(std::int64_t offset) {
  position_ = start_ + std::clamp<std::int64_t>(offset, 0, INT64_MAX / 2 - start_);
}
