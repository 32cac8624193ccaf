#pragma once

#include <optional>

/// The instruction sets the pixel loops can use, narrowest first.
enum class VectorPath { Scalar = 0, Sse2 = 1, Avx2 = 2 };

/// The widest path this processor runs.
VectorPath SupportedVectorPath();

/// The path the pixel loops take: the supported one, narrowed by the environment variable
/// QM_VECTOR_PATH (scalar, sse2 or avx2) or by ForceVectorPath. Every path gives the same bytes;
/// the narrower ones exist for processors without the wide instructions and are tested one by one.
VectorPath ActiveVectorPath();

/// Narrows the path for the whole process (tests); nullopt returns to the default.
void ForceVectorPath(std::optional<VectorPath> path);

inline bool UsesVectorPath(VectorPath path) {
  return ActiveVectorPath() >= path;
}
