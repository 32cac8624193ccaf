#pragma once

#include <cstdint>

/// Bytes of physical memory the system currently reports as available (0 when unknown).
std::int64_t AvailablePhysicalMemory();
