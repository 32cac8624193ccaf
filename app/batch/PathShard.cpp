#include "app/batch/PathShard.h"

std::uint64_t StablePathHash(const std::string& path) {
  constexpr std::uint64_t kOffsetBasis = 14695981039346656037ull;
  constexpr std::uint64_t kPrime = 1099511628211ull;
  std::uint64_t hash = kOffsetBasis;
  for (const char c : path) {
    hash ^= static_cast<unsigned char>(c);
    hash *= kPrime;
  }
  return hash;
}

bool InShard(const std::string& relativePath, int index, int count) {
  if (count <= 1)
    return true;
  return StablePathHash(relativePath) % static_cast<std::uint64_t>(count) ==
         static_cast<std::uint64_t>(index);
}
