// Fuzzes the line reader and the lexer: the input is a module to check.
#include <cstddef>
#include <cstdint>

#include "fuzz_common.h"
#include "fuzz_entry.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mvfuzz::SilenceRunOutput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (mvfuzz::RunSourceInput(data, size) == mvfuzz::kReturned) __builtin_trap();
  return 0;
}
