#pragma once

#include "imaging/core/ImgTypes.h"

/// Support radius in source pixels of a contribution filter (rfTriangle .. rfLinear); 0 else.
double KernelSupport(TResampleFilter filter);

/// The filter's kernel at signed distance x in source pixels; 0 outside its support.
double KernelValue(TResampleFilter filter, double x);
