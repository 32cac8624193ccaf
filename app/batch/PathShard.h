#pragma once

#include <cstdint>
#include <string>

/// A 64-bit FNV-1a hash of the path's bytes: the same on every machine and in every release,
/// so that machines sharing out one archive agree on who converts what.
std::uint64_t StablePathHash(const std::string& path);

/// True when the relative path belongs to shard index (0-based) of count.
bool InShard(const std::string& relativePath, int index, int count);
