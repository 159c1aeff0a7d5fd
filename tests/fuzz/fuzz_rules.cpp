// Fuzzes the rule compiler: the input is a rule source to compile.
#include <cstddef>
#include <cstdint>

#include "fuzz_common.h"
#include "fuzz_entry.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  mvfuzz::SilenceRunOutput();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (mvfuzz::RunRulesInput(data, size) == mvfuzz::kReturned) __builtin_trap();
  return 0;
}
