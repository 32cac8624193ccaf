#include "platform/DebugOutput.h"

#include <cstdio>

void DebugOutput(std::string_view text) {
  std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
}
