#pragma once

/// Keeps the memory the process frees for its own next allocations instead of handing it back
/// to the system at once. A batch run frees and makes the codec's photo-sized buffers again for
/// every photo, and each page fresh from the system costs a fault and a clearing pass. Blocks
/// up to 32 MB then come from the heap, whose freed top is kept up to 1 GB; larger blocks are
/// still mapped and returned one by one. False when the allocator refused a setting (or is not
/// one that has them).
bool KeepFreedMemoryForReuse();
