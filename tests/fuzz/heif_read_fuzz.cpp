// Feeds arbitrary bytes to the HEIF or AVIF reader; see LibraryReadFuzz.h.
#include "imaging/io/heif/HeifReader.h"
#include "tests/fuzz/LibraryReadFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzread::ReadOnce(ReadHeifImage, data, size);
}
