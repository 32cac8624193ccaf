#include "platform/VectorPath.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string_view>

namespace {

constexpr int kNotForced = -1;
std::atomic<int> forced{kNotForced};

VectorPath ProcessorPath() {
#if defined(__x86_64__) || defined(__i386__)
  if (__builtin_cpu_supports("avx2"))
    return VectorPath::Avx2;
  if (__builtin_cpu_supports("sse2"))
    return VectorPath::Sse2;
#endif
  return VectorPath::Scalar;
}

VectorPath EnvironmentPath(VectorPath supported) {
  const char* text = std::getenv("QM_VECTOR_PATH");
  if (text == nullptr)
    return supported;
  const std::string_view name(text);
  if (name == "scalar")
    return VectorPath::Scalar;
  if (name == "sse2")
    return std::min(VectorPath::Sse2, supported);
  return supported;
}

}  // namespace

VectorPath SupportedVectorPath() {
  static const VectorPath supported = ProcessorPath();
  return supported;
}

VectorPath ActiveVectorPath() {
  static const VectorPath chosen = EnvironmentPath(SupportedVectorPath());
  const int path = forced.load(std::memory_order_relaxed);
  if (path == kNotForced)
    return chosen;
  return std::min(static_cast<VectorPath>(path), SupportedVectorPath());
}

void ForceVectorPath(std::optional<VectorPath> path) {
  forced.store(path ? static_cast<int>(*path) : kNotForced, std::memory_order_relaxed);
}
