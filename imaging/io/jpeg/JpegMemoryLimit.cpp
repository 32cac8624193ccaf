#include "imaging/io/jpeg/JpegMemoryLimit.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "platform/SystemInfo.h"

void LimitJpegMemory(jpeg_common_struct* cinfo) {
  if (cinfo->mem == nullptr)
    return;
  const std::int64_t available = AvailablePhysicalMemory();
  if (available <= 0)
    return;
  const std::int64_t limit = std::min<std::int64_t>(available, std::numeric_limits<long>::max());
  if (cinfo->mem->max_memory_to_use == 0 || cinfo->mem->max_memory_to_use > limit) {
    cinfo->mem->max_memory_to_use = static_cast<long>(limit);
  }
}
