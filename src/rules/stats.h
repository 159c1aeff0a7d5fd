// Statistics of the rule language: the summary values of a statistic's
// cases, sorting, quantiles, the mode, the text histogram and reset; the
// mathematical built-ins log2, sqrt and pow; and the list of functions whose
// returned value must be tested (test_needed).
#pragma once

#include <cstdint>

#include "rules/mvvars.h"

namespace mv {

struct LexToken;

// Function numbers of the statistics and mathematical built-ins.
enum : int {
  kFnCorr = 8, kFnGetCase = 33, kFnHistogram = 36, kFnLog2 = 56, kFnMaximum = 59, kFnMean = 60,
  kFnMedian = 61, kFnMinimum = 62, kFnMode = 63, kFnNcases = 68, kFnPow = 84, kFnQuantile = 92,
  kFnReset = 93, kFnSort = 101, kFnSqrt = 103, kFnStdev = 105, kFnVariance = 135,
};

// A histogram never has more bins than a statistic can have cases.
inline constexpr int kMaxHistogramBins = 100000;

// Forgets the test_needed list. Part of the rule engine's start-up.
void InitStats();
// Puts the statistics, mathematical and test_needed built-ins in the
// dispatch table.
void RegisterStatBuiltins();

// Case i (from 0) of a statistic, in recorded order or, once sorted, in
// sorted order.
double StatCase(const StatRecord* stat, int32_t i);

// Sorts the cases in place, largest first, unless they are sorted already.
// Floats are ordered totally: equal values keep +0.0 before -0.0, and NaN
// cases come last.
void DoSort(StatRecord* stat);

// The value of a summary function for the statistic whose reference is on
// the operand stack (with the function's further arguments above it): the
// value and its type (306, or 303 for ncases).
struct StatValue {
  MVWord value;
  int type;
};
StatValue DoStats(int function);

// Case number trunc((q - k) / q * (n - 1)) of the sorted cases: median is
// DoQuantile(stat, 1, 2). Advisory 0 for illegal k and q, advisory 25 for a
// statistic without cases; both give 0.0.
float DoQuantile(StatRecord* stat, int32_t k, int32_t q, int function);
// The most frequent case; the largest of equally frequent ones.
float DoMode(StatRecord* stat);

// Writes the histogram of the cases between low and high in `bins` bins to
// standard output.
void PrintHistogram(StatRecord* stat, MVWord low, int lowTag, MVWord high, int highTag, int32_t bins);

// ---- test_needed ----------------------------------------------------------------------------

// 1-based position in the test list of the function whose call is being
// examined; 0 when none. Set by the analysis of calls.
extern int testNeeded;
// The 1-based position of a function name in the test list, 0 if absent.
int FindNeedTest(const char* name);
// Whether any name is in the test list.
bool NeedTestsWanted();
// One argument of test_needed: while mod_begin is set the name joins the
// list (result 0); otherwise 1 when it is the function being examined.
int DoNeedTest(const char* name);
// At a call of a function in the test list: reads ahead to the `;` that ends
// the statement and, unless the next statement is an `if` or a `switch` that
// can test the result, fires the test_needed rules at the call's column
// (only on lines that rules apply to). Sets testNeeded for those rules.
void CheckForTest(LexToken* call);

}  // namespace mv
