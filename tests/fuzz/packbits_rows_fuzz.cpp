// The PackBits row decoder over arbitrary data: every row within its two budgets.
#include "imaging/io/tiff/PackBitsDecoder.h"
#include "tests/fuzz/FuzzRowLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzRows layout;
  if (!SplitFuzzInput(data, size, 8, layout))
    return 0;
  std::vector<std::uint8_t> row(layout.rowBytes);
  std::size_t position = 0;
  for (int y = 0; y < layout.rows; ++y) {
    const std::size_t produced = DecodePackBitsRow(layout.data, position, row);
    if (produced > row.size() || position > layout.data.size())
      __builtin_trap();
    TouchRow(row);
  }
  return 0;
}
