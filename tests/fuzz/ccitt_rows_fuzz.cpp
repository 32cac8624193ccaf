// The CCITT row decoder over arbitrary data, in each of its four schemes.
#include "imaging/io/tiff/CcittDecoder.h"
#include "tests/fuzz/FuzzRowLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzRows layout;
  if (!SplitFuzzInput(data, size, 1, layout))
    return 0;
  const auto scheme = static_cast<TCcittScheme>(layout.option % 4);
  TCcittDecoder decoder(layout.data, layout.width, scheme, (layout.option & 4) != 0);
  std::vector<std::uint8_t> row(layout.rowBytes);
  for (int y = 0; y < layout.rows; ++y) {
    decoder.NextRow(row);
    TouchRow(row);
  }
  return 0;
}
