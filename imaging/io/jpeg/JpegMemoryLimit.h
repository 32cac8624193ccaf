#pragma once

#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

/// Bytes a JPEG read or write may use for image-sized buffers: the memory the system has free,
/// but never less than 1 GiB, so that memory held by the file cache does not refuse ordinary
/// photos.
std::int64_t JpegMemoryBudget();

/// Caps what the library may allocate for whole-image buffers (progressive data) at the
/// budget, so that a header claiming a huge image ends in a library error rather than in an
/// allocation the process cannot survive.
void LimitJpegMemory(jpeg_common_struct* cinfo);
