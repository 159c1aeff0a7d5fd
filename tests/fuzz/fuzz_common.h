// Set-up shared by the libFuzzer targets.
#pragma once

#include <cstdio>

namespace mvfuzz {

// The run's own messages go to a discarded stream, so that the fuzzer's
// output stays readable. libFuzzer keeps its own copy of the original
// stderr stream, and sanitizer reports write to file descriptor 2 directly,
// so both still reach the terminal.
inline void SilenceRunOutput() {
  if (FILE* null = fopen("/dev/null", "w")) stderr = null;
}

}  // namespace mvfuzz
