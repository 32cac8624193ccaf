#include "platform/SystemInfo.h"

#include <unistd.h>

std::int64_t AvailablePhysicalMemory() {
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0)
    return 0;
  return static_cast<std::int64_t>(pages) * pageSize;
}
