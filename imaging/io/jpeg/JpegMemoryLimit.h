#pragma once

#include <cstdio>

#include <jpeglib.h>

/// Caps what the library may allocate for whole-image buffers (progressive data) at the memory
/// the system has free, so that a header claiming a huge image ends in a library error rather
/// than in an allocation the process cannot survive.
void LimitJpegMemory(jpeg_common_struct* cinfo);
