#include "rules/stats.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frontend/lex.h"
#include "frontend/lex2.h"
#include "frontend/line.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/regions.h"
#include "support/mverror.h"

namespace mv {

int testNeeded;

namespace {

std::vector<std::string> needTests;  // newest first
bool checkingTest;                   // the rules of a tested call are running

enum : int { kModBeginSlot = 2 };

const char* FnName(int function) { return VarName(mv_, function); }

// ---- Taking the statistic -------------------------------------------------------------------

struct TakenStat {
  int cls, index, type;
  StatRecord* record;
};

// The variable a reference names; a code outside the table is no statistic.
TakenStat TakeVariable() {
  const int32_t code = PopLValue();
  TakenStat t{0, 0, 0, nullptr};
  if (code < 0 || code / 256 >= kClasses) return t;
  t.cls = code / 256;
  t.index = code % 256;
  if (t.index >= mvLast[t.cls]) return t;
  t.type = mvType[t.cls][t.index];
  if (mvStat[t.cls] != nullptr) t.record = mvStat[t.cls][t.index];
  return t;
}

StatRecord* TakeStat(const char* notStatistic) {
  const TakenStat t = TakeVariable();
  if (t.type != kTypeIStat && t.type != kTypeFStat) FatalError(33, notStatistic);
  if (t.record == nullptr) FatalError(51, "Internal Morvane errror: unallocated statistic.");
  return t.record;
}

// ---- Cases ----------------------------------------------------------------------------------

template <class T>
T* Buffer(const StatRecord* stat, int32_t i) {
  return static_cast<T*>(stat->buffs[i / kStatBuffer]);
}

// Cases gathered from the buffers into one array while they are sorted.
std::vector<int32_t> intCases, intMerged;
std::vector<float> floatCases, floatMerged;

template <class T>
void Gather(const StatRecord* stat, std::vector<T>& to) {
  to.resize(static_cast<size_t>(stat->count));
  for (int32_t at = 0; at < stat->count; at += kStatBuffer) {
    const int32_t n = std::min(kStatBuffer, stat->count - at);
    memcpy(to.data() + at, stat->buffs[at / kStatBuffer], sizeof(T) * static_cast<size_t>(n));
  }
}

template <class T>
void Scatter(const std::vector<T>& from, StatRecord* stat) {
  for (int32_t at = 0; at < stat->count; at += kStatBuffer) {
    const int32_t n = std::min(kStatBuffer, stat->count - at);
    memcpy(stat->buffs[at / kStatBuffer], from.data() + at, sizeof(T) * static_cast<size_t>(n));
  }
}

// Largest first. Floats: +0.0 before -0.0, NaN last, so that the order is
// total and the sorted cases do not depend on the order they came in.
struct FloatAbove {
  bool operator()(float a, float b) const {
    if (std::isnan(b)) return !std::isnan(a);
    if (std::isnan(a)) return false;
    if (a != b) return a > b;
    return !std::signbit(a) && std::signbit(b);
  }
};

// Cases are appended to cases sorted earlier: only the unsorted tail is
// sorted, then merged with the sorted head. A fresh statistic is sorted whole.
template <class T, class Above>
void SortDescending(std::vector<T>& a, std::vector<T>& merged, Above above) {
  size_t head = a.empty() ? 0 : 1;
  while (head < a.size() && !above(a[head], a[head - 1])) ++head;
  if (head == a.size()) return;
  std::sort(a.begin() + static_cast<long>(head), a.end(), above);
  if (head == 0) return;
  merged.resize(a.size());
  std::merge(a.begin(), a.begin() + static_cast<long>(head), a.begin() + static_cast<long>(head), a.end(),
             merged.begin(), above);
  a.swap(merged);
}

// Running totals over the cases, as doubles.
double Mean(const StatRecord* s) { return s->count > 0 ? s->sum / s->count : 0.0; }
double Variance(const StatRecord* s) {
  if (s->count <= 0) return 0.0;
  const double m = Mean(s);
  return s->sumSq / s->count - m * m;
}

void NoCases(int function) {
  char text[128];
  snprintf(text, sizeof text, "No cases for Morvane function %s.", FnName(function));
  Advise(25, text);
}

double Correlation(StatRecord* s, StatRecord* t) {
  const int32_t n = s->count;
  double sxy = 0.0;
  for (int32_t i = 0; i < n; ++i) sxy += StatCase(s, i) * StatCase(t, i);
  const double spread = Variance(s) * Variance(t);
  // A statistic whose cases are all equal has no correlation with anything.
  if (n <= 0 || !(spread > 0.0)) return 0.0;
  return (sxy / n - Mean(s) * Mean(t)) / sqrt(spread);
}

// ---- Histogram --------------------------------------------------------------------------------

// A bin number from a real quotient: truncated toward zero, saturated far
// outside any bin; NaN (a case on a zero-width scale) falls in bin 0.
int64_t RealBin(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 1e15) return INT64_C(1000000000000000);
  if (x <= -1e15) return -INT64_C(1000000000000000);
  return static_cast<int64_t>(x);
}

int64_t Truncated(double x) { return RealBin(x); }

double NumberOf(MVWord value, int tag) {
  return tag == kTypeFloat ? static_cast<double>(WordFloat(value)) : static_cast<double>(WordInt(value));
}
int32_t IntegerOf(MVWord value, int tag) { return tag == kTypeFloat ? FloatToLong(WordFloat(value)) : WordInt(value); }

void PrintBars(const std::vector<int64_t>& counts, const std::vector<std::string>& labels) {
  int64_t most = 0;
  for (int64_t c : counts) most = std::max(most, c);
  const int64_t per = most / 40 + 1;
  for (size_t b = 0; b < counts.size(); ++b) {
    fputs(labels[b].c_str(), stdout);
    const int64_t marks = counts[b] == 0 ? 0 : (per / 2 + counts[b]) / per;
    for (int64_t m = 0; m < marks; ++m) putchar('x');
    putchar('\n');
  }
  if (per > 1) printf("[each x = %d cases]\n", static_cast<int>(per));
}

void PrintOutside(int64_t n, const char* one, const char* many, const std::string& bound) {
  if (n <= 0) return;
  if (n == 1)
    printf("[1 case %s", one);
  else
    printf("[%ld cases %s", static_cast<long>(n), many);
  printf(" %s]\n", bound.c_str());
}

bool TooManyBins(int64_t bins) {
  if (bins <= kMaxHistogramBins) return false;
  char text[128];
  snprintf(text, sizeof text, "Invalid argument (%ld) for Morvane function histogram.", static_cast<long>(bins));
  Advise(25, text);
  return true;
}

void IntegerHistogram(const StatRecord* s, int32_t lowIn, int32_t highIn, int32_t binsIn) {
  int64_t low = lowIn, high = highIn, bins = binsIn, range;
  if (low < high) {
    range = high - low + 1;
    if (bins < 2) {
      bins = range;
      while (bins > 41) bins /= 2;
    } else if (bins > range) {
      bins = range;
    }
  } else {
    low = s->imin;
    high = s->imax;
    range = high - low + 1;
    bins = range;
    while (bins > 41) bins /= 2;
  }
  if (TooManyBins(bins)) return;
  const int64_t nBins = std::max<int64_t>(bins, 0);
  std::vector<int64_t> counts(static_cast<size_t>(nBins), 0);
  int64_t below = 0, above = 0;
  const auto* cases = s->buffs;
  for (int32_t i = 0; i < s->count; ++i) {
    const int64_t v = static_cast<const int32_t*>(cases[i / kStatBuffer])[i % kStatBuffer];
    const int64_t b = (bins * (v - low)) / range;
    if (b < 0)
      ++below;
    else if (b >= bins)
      ++above;
    else
      ++counts[static_cast<size_t>(b)];
  }
  std::vector<std::string> labels;
  char text[64];
  for (int64_t b = 0; b < nBins; ++b) {
    snprintf(text, sizeof text, "%5ld + ", static_cast<long>(low + (b * range) / bins));
    labels.emplace_back(text);
  }
  PrintBars(counts, labels);
  snprintf(text, sizeof text, "%ld", static_cast<long>(low));
  PrintOutside(below, "fell below", "fell below", text);
  snprintf(text, sizeof text, "%ld", static_cast<long>(high));
  PrintOutside(above, "was above", "were above", text);
}

void FloatHistogram(const StatRecord* s, double lo, double hi, int32_t binsIn) {
  int64_t bins = binsIn;
  if (hi > lo) {
    const int64_t d = Truncated(hi - lo);
    if (bins < 2)
      bins = (21 < d && d < 41) ? d + 1 : 21;
    else
      bins = bins + 1;
  } else {
    lo = s->fmin;
    hi = s->fmax;
    bins = Truncated(hi - lo);
    if (bins < 21)
      bins = 21;
    else if (bins <= 40)
      bins = bins + 1;
    else
      while (bins > 41) bins /= 2;
  }
  if (TooManyBins(bins)) return;
  const double w = (hi - lo) / static_cast<double>(bins - 1);
  std::vector<int64_t> counts(static_cast<size_t>(bins), 0);
  int64_t below = 0, above = 0;
  for (int32_t i = 0; i < s->count; ++i) {
    const double v = static_cast<const float*>(s->buffs[i / kStatBuffer])[i % kStatBuffer];
    const int64_t b = RealBin((v - lo) / w);
    if (b < 0)
      ++below;
    else if (b >= bins)
      ++above;
    else
      ++counts[static_cast<size_t>(b)];
  }
  std::vector<std::string> labels;
  char text[64];
  for (int64_t b = 0; b < bins; ++b) {
    snprintf(text, sizeof text, "%9.3g + ", lo + static_cast<double>(b) * w);
    labels.emplace_back(text);
  }
  PrintBars(counts, labels);
  snprintf(text, sizeof text, "%g", lo);
  PrintOutside(below, "fell below", "fell below", text);
  snprintf(text, sizeof text, "%g", hi);
  PrintOutside(above, "was above", "were above", text);
}

// ---- The built-ins ----------------------------------------------------------------------------

void StatsFn(int function, int, int) {
  const StatValue v = DoStats(function);
  PushValue(v.value, v.type);
}

void SortFn(int, int, int) { DoSort(TakeStat("Cannot sort this variable!")); }

void HistogramFn(int, int, int) {
  const int32_t bins = PopLong();
  const MVWord high = PopValue();
  const int highTag = resultType;
  const MVWord low = PopValue();
  const int lowTag = resultType;
  StatRecord* stat = TakeStat("Cannot do statistics on this variable!");
  PrintHistogram(stat, low, lowTag, high, highTag, bins);
}

void ResetFn(int, int, int) {
  const TakenStat t = TakeVariable();
  if (t.type != kTypeIStat && t.type != kTypeFStat) {
    const std::string text = std::string("Attempt to reset a non-statistical variable: ") + VarName(t.cls, t.index);
    FatalError(39, text.c_str());
  }
  if (t.record == nullptr) FatalError(39, "Attempt to reset an unallocated statistic.");
  ResetStat(t.record);
}

void BadArgument(const char* function, double x) {
  char text[128];
  snprintf(text, sizeof text, "Invalid argument (%g) for Morvane function %s.", x, function);
  Advise(25, text);
}

void Log2Fn(int, int, int) {
  const double x = PopFloat();
  double r = 0.0;
  if (x > 0)
    r = log(x) * 1.442695041;
  else
    BadArgument("log2", x);
  PushFloat(static_cast<float>(r));
}

void SqrtFn(int, int, int) {
  const double x = PopFloat();
  double r = 0.0;
  if (x > 0)
    r = sqrt(x);
  else if (x != 0)
    BadArgument("sqrt", x);  // negative, or not a number
  PushFloat(static_cast<float>(r));
}

void PowFn(int, int, int) {
  const double y = PopFloat();
  const double x = PopFloat();
  errno = 0;
  const double r = pow(x, y);
  if (errno != 0) {
    char text[128];
    snprintf(text, sizeof text, "Invalid arguments (%g,%g) for Morvane function pow.", x, y);
    Advise(25, text);
  }
  PushFloat(static_cast<float>(r));
}

void TestNeededFn(int, int argc, int) {
  int32_t result = 0;
  for (int i = 0; i < argc; ++i) {
    const char* name = PopPointer();
    if (name == nullptr) continue;
    const int r = DoNeedTest(CheckedText(name, "test_needed"));
    if (result == 0) result = r;
  }
  PushLong(result);
}

}  // namespace

void InitStats() {
  needTests.clear();
  testNeeded = 0;
}

void RegisterStatBuiltins() {
  for (int f : {kFnCorr, kFnGetCase, kFnMaximum, kFnMean, kFnMedian, kFnMinimum, kFnMode, kFnNcases,
                kFnQuantile, kFnStdev, kFnVariance}) {
    const int arity = f == kFnCorr || f == kFnGetCase ? 2 : f == kFnQuantile ? 3 : 1;
    RegisterBuiltin(f, StatsFn, arity);
  }
  RegisterBuiltin(kFnSort, SortFn, 1);
  RegisterBuiltin(kFnHistogram, HistogramFn, 4);
  RegisterBuiltin(kFnReset, ResetFn, 1);
  RegisterBuiltin(kFnLog2, Log2Fn, 1);
  RegisterBuiltin(kFnSqrt, SqrtFn, 1);
  RegisterBuiltin(kFnPow, PowFn, 2);
  RegisterBuiltin(kFnTestNeeded, TestNeededFn, -1);
}

double StatCase(const StatRecord* stat, int32_t i) {
  if (stat->isFloat) return Buffer<float>(stat, i)[i % kStatBuffer];
  return Buffer<int32_t>(stat, i)[i % kStatBuffer];
}

void DoSort(StatRecord* stat) {
  if (stat->sorted) return;
  if (stat->isFloat) {
    Gather(stat, floatCases);
    SortDescending(floatCases, floatMerged, FloatAbove());
    Scatter(floatCases, stat);
  } else {
    Gather(stat, intCases);
    SortDescending(intCases, intMerged, std::greater<int32_t>());
    Scatter(intCases, stat);
  }
  stat->sorted = 1;
}

float DoQuantile(StatRecord* stat, int32_t k, int32_t q, int function) {
  DoSort(stat);
  if (k < 0 || q <= 0 || k > q) {
    Advise(0, "Illegal arguments in quantile function.");
    return 0.0f;
  }
  if (stat->count <= 0) {
    NoCases(function);
    return 0.0f;
  }
  const float f = static_cast<float>(q - k) / static_cast<float>(q);
  const auto i = static_cast<int32_t>(f * static_cast<float>(stat->count - 1));
  return static_cast<float>(StatCase(stat, i));
}

float DoMode(StatRecord* stat) {
  DoSort(stat);
  if (stat->count <= 0) {
    NoCases(kFnMode);
    return 0.0f;
  }
  double best = StatCase(stat, 0), current = best;
  int32_t bestRun = 0, run = 0;
  for (int32_t i = 0; i < stat->count; ++i) {
    const double v = StatCase(stat, i);
    if (v != current) {
      if (run > bestRun) {
        bestRun = run;
        best = current;
      }
      current = v;
      run = 0;
    }
    ++run;
  }
  if (run > bestRun) best = current;
  return static_cast<float>(best);
}

StatValue DoStats(int function) {
  int32_t k = 0, q = 0, index = 0;
  StatRecord* other = nullptr;
  switch (function) {
    case kFnQuantile:
      q = PopLong();
      k = PopLong();
      break;
    case kFnGetCase: index = PopLong(); break;
    case kFnCorr: other = TakeStat("Cannot do statistics this variable!"); break;
    default: break;
  }
  StatRecord* s = TakeStat("Cannot do statistics this variable!");
  const int32_t n = s->count;
  double r = 0.0;
  switch (function) {
    case kFnMean: r = Mean(s); break;
    case kFnVariance: r = Variance(s); break;
    case kFnStdev: {
      const double v = Variance(s);
      r = v > 0 ? sqrt(v) : 0.0;
      break;
    }
    case kFnMaximum: r = s->isFloat ? s->fmax : s->imax; break;
    case kFnMinimum: r = s->isFloat ? s->fmin : s->imin; break;
    case kFnNcases: return StatValue{static_cast<MVWord>(n), kTypeInt};
    case kFnMedian: r = DoQuantile(s, 1, 2, function); break;
    case kFnQuantile: r = DoQuantile(s, k, q, function); break;
    case kFnMode: r = DoMode(s); break;
    case kFnGetCase:
      if (index >= 0 && index < n) {
        r = StatCase(s, index);
      } else {
        char text[128];
        snprintf(text, sizeof text, "Invalid argument (%ld) for Morvane function get_case.", static_cast<long>(index));
        Advise(25, text);
      }
      break;
    case kFnCorr:
      if (other->count != n) FatalError(42, "Correlation requires equal numbers of cases!");
      r = Correlation(s, other);
      break;
    default: FatalError(48, "Unimplemented statistical function.");
  }
  return StatValue{FloatWord(static_cast<float>(r)), kTypeFloat};
}

void PrintHistogram(StatRecord* stat, MVWord low, int lowTag, MVWord high, int highTag, int32_t bins) {
  if (stat->isFloat)
    FloatHistogram(stat, NumberOf(low, lowTag), NumberOf(high, highTag), bins);
  else
    IntegerHistogram(stat, IntegerOf(low, lowTag), IntegerOf(high, highTag), bins);
  fflush(stdout);
}

int FindNeedTest(const char* name) {
  if (name == nullptr) return 0;
  for (size_t i = 0; i < needTests.size(); ++i)
    if (needTests[i] == name) return static_cast<int>(i) + 1;
  return 0;
}

bool NeedTestsWanted() { return !needTests.empty(); }

int DoNeedTest(const char* name) {
  if (mvValue[mod_][kModBeginSlot] != 0) {
    if (*name != 0 && FindNeedTest(name) == 0) needTests.insert(needTests.begin(), name);
    return 0;
  }
  if (testNeeded <= 0 || testNeeded > static_cast<int>(needTests.size())) return 0;
  return needTests[static_cast<size_t>(testNeeded) - 1] == name ? 1 : 0;
}

namespace {

enum : int { kKwIf = 332, kKwSwitch = 336 };

// The token after t in the chain, end-of-line and dropped tokens skipped,
// reading the next statement ahead when the chain ends; null at the end of
// the module.
LexToken* Following(LexToken* t) {
  for (;;) {
    if (t->next == nullptr) {
      if (t->type == kTokEndModule) return nullptr;
      LexAhead();
      if (t->next == nullptr) return nullptr;
    }
    t = t->next;
    if (t->type != kTokEndLine && t->type != kTokDropped) return t;
  }
}

}  // namespace

void CheckForTest(LexToken* call) {
  if (checkingTest || call == nullptr || call->text == nullptr) return;
  testNeeded = FindNeedTest(call->text);
  if (testNeeded == 0) return;
  LexToken* t = call;
  while (t != nullptr && t->type != ';') t = Following(t);
  if (t == nullptr) return;
  t = Following(t);
  if (t != nullptr && (t->type == kKwIf || t->type == kKwSwitch)) return;
  if (call->line == nullptr || (call->line->flags & kLineRulesApply) == 0) return;
  checkingTest = true;
  DoFcnRule(kFnTestNeeded, call->column);
  checkingTest = false;
}

}  // namespace mv
