// Feeds arbitrary bytes to the PNG reader; see LibraryReadFuzz.h.
#include "imaging/io/png/PngReader.h"
#include "tests/fuzz/LibraryReadFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzread::ReadOnce(ReadPngImage, data, size);
}
