// The TIFF LZW decompressor over arbitrary data, row by row, then released.
#include <algorithm>
#include <memory>

#include "imaging/io/tiff/TiffLzwDecoder.h"
#include "tests/fuzz/FuzzRowLayout.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzRows layout;
  if (size < 4 || !SplitFuzzInput(data, size, 8 * (1 + data[3] % 4), layout))
    return 0;
  std::unique_ptr<TLZWCodecState> state;
  std::vector<std::uint8_t> row(layout.rowBytes);
  for (int y = 0; y < layout.rows; ++y) {
    const std::uint8_t* decoded =
        TiffLzwDecode(layout.data.data(), static_cast<std::int64_t>(layout.data.size()),
                      static_cast<int>(layout.rowBytes), state);
    if (decoded == nullptr)
      break;
    std::copy(decoded, decoded + layout.rowBytes, row.begin());
    TouchRow(row);
  }
  TiffLzwDecode(nullptr, 0, 0, state);
  return 0;
}
