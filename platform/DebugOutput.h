#pragma once

#include <string_view>

/// Writes one line for a developer watching the program (standard error here), where a
/// failure that cannot be reported to a caller leaves its trace.
void DebugOutput(std::string_view text);
