#include "imaging/io/jpeg/JpegMemoryLimit.h"

#include <algorithm>
#include <limits>

#include "platform/SystemInfo.h"

std::int64_t JpegMemoryBudget() {
  constexpr std::int64_t kFloor = std::int64_t{1} << 30;
  return std::max(AvailablePhysicalMemory(), kFloor);
}

void LimitJpegMemory(jpeg_common_struct* cinfo) {
  if (cinfo->mem == nullptr)
    return;
  const std::int64_t limit =
      std::min<std::int64_t>(JpegMemoryBudget(), std::numeric_limits<long>::max());
  if (cinfo->mem->max_memory_to_use == 0 || cinfo->mem->max_memory_to_use > limit) {
    cinfo->mem->max_memory_to_use = static_cast<long>(limit);
  }
}
