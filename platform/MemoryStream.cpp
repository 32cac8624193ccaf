#include "platform/MemoryStream.h"

#include <algorithm>
#include <cstring>

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  const std::int64_t available = std::max<std::int64_t>(0, Size() - position_);
  const std::int64_t n = std::clamp<std::int64_t>(count, 0, available);
  if (n > 0)
    std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0)
    return 0;
  const std::int64_t end = position_ + count;
  if (end > Size())
    bytes_.resize(static_cast<std::size_t>(end));
  std::memcpy(bytes_.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, Origin origin) {
  const std::int64_t base = origin == Origin::Begin     ? 0
                            : origin == Origin::Current ? position_
                                                        : Size();
  const std::int64_t target = base + offset;
  if (target < 0)
    return -1;
  position_ = target;
  return position_;
}
