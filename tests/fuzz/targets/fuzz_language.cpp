#include "tests/fuzz/fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zandrel::fuzz::FuzzLanguageFile(data, size);
  return 0;
}
