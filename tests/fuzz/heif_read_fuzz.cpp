// Feeds arbitrary bytes to the HEIF or AVIF reader; see LibraryReadFuzz.h.
#include "imaging/io/heif/HeifReader.h"
#include "tests/fuzz/LibraryReadFuzz.h"

// The AV1 decoder keeps a small block when this libheif version hands it a broken frame; the
// leak is the library's, not the adapter's (which releases context, handle and image).
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libdav1d\n";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Small enough that tiles and overlay layers stay within the fuzzer's memory limit.
  SetLargestHeifSide(2048);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return fuzzread::ReadOnce(ReadHeifImage, data, size);
}
