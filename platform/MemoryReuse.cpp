#include "platform/MemoryReuse.h"

// Any C library header tells whether the allocator is the GNU one.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

bool KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
  // The allocator accepts no mapping threshold above 32 MB on 64-bit systems. Both settings go
  // together: setting either one alone stops the allocator's own threshold from adapting and
  // maps more blocks fresh than before.
  constexpr int kLargestHeapBlock = 32 << 20;
  constexpr int kKeptTop = 1 << 30;
  return mallopt(M_MMAP_THRESHOLD, kLargestHeapBlock) == 1 &&
         mallopt(M_TRIM_THRESHOLD, kKeptTop) == 1;
#else
  return false;
#endif
}
