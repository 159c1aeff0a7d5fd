#include "rules/codefile.h"

#include <cstring>

#include "support/mverror.h"
#include "support/public.h"
#include "support/utility.h"

namespace mv {

namespace {

// Offset of the four counts: version, format, five sizes, name length, name.
long CountsOffset(const char* ruleName) { return static_cast<long>(4 * 8 + strlen(ruleName) + 1); }

void WriteHeader(CodeWriter* w, const char* ruleName) {
  const int32_t head[] = {kCodeVersion, kCodeFormat, 1, 4, 4, 4, 4};
  for (int32_t v : head) fputn(v, w->file);
  const size_t n = strlen(ruleName) + 1;
  MV_ASSERT(n >= 1 && n <= static_cast<size_t>(kNameBuffer), kPhaseRules);
  fputn(static_cast<int32_t>(n), w->file);
  fwrite(ruleName, 1, n, w->file);
}

void WriteCounts(CodeWriter* w) {
  fputn(static_cast<int32_t>(w->varTypes.size() / 2), w->file);
  fputn(static_cast<int32_t>(w->stats.size()), w->file);
  fputn(static_cast<int32_t>(w->used.size()), w->file);
  fputn(static_cast<int32_t>(w->constants.size()), w->file);
}

void WriteWords(FILE* f, const std::vector<int32_t>& words) {
  if (!words.empty()) fwrite(words.data(), sizeof(int32_t), words.size(), f);
}

}  // namespace

void BeginCode(CodeWriter* w, FILE* file, const char* ruleName) {
  w->file = file;
  w->varTypes.clear();
  w->stats.clear();
  w->used.clear();
  w->constants.clear();
  WriteHeader(w, ruleName);
  WriteCounts(w);  // rewritten by EndCode once the counts are known
}

void WriteRule(CodeWriter* w, const int32_t* units, int32_t length, const int32_t* triggers, int nTriggers) {
  MV_ASSERT(length >= 1 && length < kMaxCodeUnits, kPhaseRules);
  MV_ASSERT(nTriggers >= 0 && nTriggers <= kMaxTriggers, kPhaseRules);
  fputn(length, w->file);
  fwrite(units, sizeof(int32_t), static_cast<size_t>(length), w->file);
  fputn(nTriggers, w->file);
  if (nTriggers > 0) fwrite(triggers, sizeof(int32_t), static_cast<size_t>(nTriggers), w->file);
  fputn(kEndOfRule, w->file);
}

void EndCode(CodeWriter* w, const char* ruleName) {
  fputn(kEndOfRules, w->file);
  WriteWords(w->file, w->varTypes);
  WriteWords(w->file, w->stats);
  WriteWords(w->file, w->used);
  WriteWords(w->file, w->constants);
  fflush(w->file);
  fseek(w->file, CountsOffset(ruleName), SEEK_SET);
  WriteCounts(w);
  fseek(w->file, 0, SEEK_END);
  fflush(w->file);
}

}  // namespace mv
