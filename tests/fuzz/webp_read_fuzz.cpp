// Feeds arbitrary bytes to the WebP reader; see LibraryReadFuzz.h.
#include "imaging/io/webp/WebpReader.h"
#include "tests/fuzz/LibraryReadFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzread::ReadOnce(ReadWebpImage, data, size);
}
