// The Deflate row decoder over arbitrary data, row by row.
#include "imaging/io/tiff/TiffDeflateDecoder.h"
#include "tests/fuzz/FuzzRowLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzRows layout;
  if (size < 4 || !SplitFuzzInput(data, size, 8 * (1 + data[3] % 4), layout))
    return 0;
  TTiffDeflateDecoder decoder(layout.data);
  std::vector<std::uint8_t> row(layout.rowBytes);
  for (int y = 0; y < layout.rows; ++y) {
    if (!decoder.NextRow(row))
      break;
    TouchRow(row);
  }
  return 0;
}
