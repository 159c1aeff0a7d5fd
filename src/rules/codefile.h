// Writing a compiled rule file: the header, one record per rule, the end
// word and the trailer. The header's counts are known only at the end, so
// the writer reserves the header and rewrites it when the file is finished.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

namespace mv {

inline constexpr int32_t kEndOfRule = -1;
inline constexpr int32_t kEndOfRules = -2;
inline constexpr int kMaxTriggers = 32;

struct CodeWriter {
  FILE* file = nullptr;
  std::vector<int32_t> varTypes;  // type and dimension pairs of the rule-file variables
  std::vector<int32_t> stats;     // trigger codes of the predefined statistics named
  std::vector<int32_t> used;      // trigger codes of every variable named
  std::vector<int32_t> constants;
};

// Starts a compiled file: the header with the rule source's name.
void BeginCode(CodeWriter* w, FILE* file, const char* ruleName);
// Appends one rule: its units (ending with STOP) and its trigger codes.
void WriteRule(CodeWriter* w, const int32_t* units, int32_t length, const int32_t* triggers, int nTriggers);
// Writes the end word and the trailer, then the final header.
void EndCode(CodeWriter* w, const char* ruleName);

}  // namespace mv
