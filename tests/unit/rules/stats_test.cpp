#include "rules/stats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "../harness.h"
#include "frontend/lex.h"
#include "frontend/lex2.h"
#include "frontend/macros.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "rules/strlib.h"
#include "support/mverror.h"

namespace mv {
namespace {

using mvtest::RunExpectingExit;
using mvtest::StderrCapture;

class StatsState : public mvtest::CleanState {
 protected:
  void SetUp() override {
    CleanState::SetUp();
    InitVars();
    InitRegions();
    InitArith();
    InitBuiltins();
    initDone = 1;
  }
  void TearDown() override {
    InitBuiltins();
    CleanState::TearDown();
  }

  // A rule-file statistic in class 17 slot `index`, as the loader makes it.
  static StatRecord* UsrStat(int index, bool isFloat) {
    MakeUsrStats();
    if (mvLast[usr_] <= index) mvLast[usr_] = static_cast<uint16_t>(index + 1);
    nVars = mvLast[usr_];
    mvType[usr_][index] = isFloat ? kTypeFStat : kTypeIStat;
    mvStat[usr_][index] = NewStat(isFloat);
    return mvStat[usr_][index];
  }
  static int32_t Code(int index) { return usr_ * 256 + index; }

  static std::vector<double> Cases(const StatRecord* s) {
    std::vector<double> v;
    for (int32_t i = 0; i < s->count; ++i) v.push_back(StatCase(s, i));
    return v;
  }

  // f(statistic, extra integer arguments...) through the dispatcher.
  static float Ask(int function, int index, std::initializer_list<int32_t> extra = {}) {
    PushIdent(Code(index));
    for (int32_t v : extra) PushLong(v);
    CallBuiltin(function, 1 + static_cast<int>(extra.size()), 1);
    return PopFloat();
  }

  static int Fails(const std::function<void()>& fn, std::string* text) {
    return mvtest::RunExpectingExitWithStderr(fn, text);
  }
};

using StatSorting = StatsState;
using StatValues = StatsState;
using StatHistogram = StatsState;
using TestNeeded = StatsState;
using RuleStringFunctions = StatsState;
using BuiltinTable = StatsState;

// ---- Sorting ------------------------------------------------------------------------------------

TEST_F(StatSorting, IntegerCasesAcrossBuffersEndLargestFirst) {
  StatRecord* s = UsrStat(0, false);
  std::mt19937 random(7);
  std::vector<int32_t> expected;
  for (int i = 0; i < 1234; ++i) {
    const auto v = static_cast<int32_t>(random() % 50) - 25;  // many equal cases
    RecordIntCase(s, v, "s");
    expected.push_back(v);
  }
  DoSort(s);
  std::sort(expected.begin(), expected.end(), std::greater<int32_t>());
  EXPECT_EQ(Cases(s), std::vector<double>(expected.begin(), expected.end()));
  EXPECT_EQ(s->sorted, 1);
}

TEST_F(StatSorting, CasesAddedAfterASortAreMergedIn) {
  StatRecord* s = UsrStat(0, false);
  std::vector<int32_t> all;
  std::mt19937 random(3);
  for (int round = 0; round < 5; ++round) {
    for (int i = 0; i < 450; ++i) {
      const auto v = static_cast<int32_t>(random() % 100000) - 50000;
      RecordIntCase(s, v, "s");
      all.push_back(v);
    }
    EXPECT_EQ(s->sorted, 0);
    DoSort(s);
    std::vector<int32_t> expected = all;
    std::sort(expected.begin(), expected.end(), std::greater<int32_t>());
    ASSERT_EQ(Cases(s), std::vector<double>(expected.begin(), expected.end())) << "round " << round;
  }
}

TEST_F(StatSorting, SortedCasesAreLeftAlone) {
  StatRecord* s = UsrStat(0, false);
  for (int32_t v : {1, 3, 2}) RecordIntCase(s, v, "s");
  DoSort(s);
  // A sorted statistic is not sorted again: scramble the buffer behind its back.
  static_cast<int32_t*>(s->buffs[0])[0] = -9;
  DoSort(s);
  EXPECT_EQ(StatCase(s, 0), -9);
}

TEST_F(StatSorting, FloatOrderIsTotal) {
  StatRecord* s = UsrStat(0, true);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  for (float v : {-0.0f, 2.0f, nan, 0.0f, -1.0f, -0.0f, 0.0f}) RecordFloatCase(s, v, "s");
  DoSort(s);
  const std::vector<double> c = Cases(s);
  ASSERT_EQ(c.size(), 7u);
  EXPECT_EQ(c[0], 2.0);
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(c[static_cast<size_t>(i)], 0.0);
  EXPECT_FALSE(std::signbit(c[1]));
  EXPECT_FALSE(std::signbit(c[2]));
  EXPECT_TRUE(std::signbit(c[3]));
  EXPECT_TRUE(std::signbit(c[4]));
  EXPECT_EQ(c[5], -1.0);
  EXPECT_TRUE(std::isnan(c[6]));
}

// ---- Summary values ---------------------------------------------------------------------------

TEST_F(StatValues, QuantileIndexIsTruncatedInSinglePrecision) {
  StatRecord* s = UsrStat(0, false);
  for (int32_t v = 1; v <= 10; ++v) RecordIntCase(s, v, "s");
  // Descending 10..1: median index trunc(0.5 x 9) = 4.
  EXPECT_EQ(DoQuantile(s, 1, 2, kFnMedian), 6.0f);
  EXPECT_EQ(DoQuantile(s, 1, 3, kFnQuantile), 4.0f);  // trunc(0.6666667 x 9) = 6
  EXPECT_EQ(DoQuantile(s, 0, 1, kFnQuantile), 1.0f);
  EXPECT_EQ(DoQuantile(s, 1, 1, kFnQuantile), 10.0f);
}

TEST_F(StatValues, OneCaseIsItsOwnMedianAndMode) {
  StatRecord* s = UsrStat(0, true);
  RecordFloatCase(s, 2.5f, "s");
  EXPECT_EQ(DoQuantile(s, 1, 2, kFnMedian), 2.5f);
  EXPECT_EQ(DoMode(s), 2.5f);
}

TEST_F(StatValues, ModeKeepsTheFirstOfEquallyLongRuns) {
  StatRecord* s = UsrStat(0, false);
  for (int32_t v : {1, 2, 2, 3, 3, 1, 9}) RecordIntCase(s, v, "s");
  EXPECT_EQ(DoMode(s), 3.0f);  // runs 9 | 3 3 | 2 2 | 1 1: the first longest
}

TEST_F(StatValues, StatisticWithoutRecordIsFatal51) {
  std::string text;
  int cls = 0, fcnTokens = 0;  // a predefined statistic the rules did not name
  ASSERT_TRUE(FindMVVar("fcn_tokens", &cls, &fcnTokens));
  ASSERT_EQ(mvType[fcn_][fcnTokens], kTypeIStat);
  EXPECT_EQ(Fails(
                [&] {
                  PushIdent(fcn_ * 256 + fcnTokens);
                  CallBuiltin(kFnMean, 1, 1);
                },
                &text),
            51);
  EXPECT_NE(text.find("Internal Morvane errror: unallocated statistic."), std::string::npos);
}

TEST_F(StatValues, AFunctionIsNoStatistic) {
  std::string text;
  EXPECT_EQ(Fails(
                [] {
                  PushIdent(kFnPrintf);
                  CallBuiltin(kFnNcases, 1, 1);
                },
                &text),
            33);
}

TEST_F(StatValues, CorrelationOfAConstantStatisticIsZero) {
  UsrStat(0, false);
  StatRecord* t = UsrStat(1, false);
  StatRecord* s = mvStat[usr_][0];
  for (int32_t v : {1, 2, 3}) RecordIntCase(s, v, "s");
  for (int32_t v : {4, 4, 4}) RecordIntCase(t, v, "t");
  PushIdent(Code(0));
  PushIdent(Code(1));
  CallBuiltin(kFnCorr, 2, 1);
  EXPECT_EQ(PopFloat(), 0.0f);
}

TEST_F(StatValues, NcasesIsAnInteger) {
  StatRecord* s = UsrStat(0, false);
  RecordIntCase(s, 4, "s");
  PushIdent(Code(0));
  CallBuiltin(kFnNcases, 1, 1);
  EXPECT_EQ(TopTag(), kTypeInt);
  EXPECT_EQ(PopLong(), 1);
  EXPECT_EQ(Ask(kFnMean, 0), 4.0f);
}

// ---- Histogram ----------------------------------------------------------------------------------

std::string HistogramOf(int index, MVWord low, int lowTag, MVWord high, int highTag, int32_t bins) {
  mvtest::ScratchDir dir;
  fflush(stdout);
  const int saved = dup(1);
  FILE* f = fopen("out.txt", "w+");
  dup2(fileno(f), 1);
  PushIdent(usr_ * 256 + index);
  PushValue(low, lowTag);
  PushValue(high, highTag);
  PushLong(bins);
  CallBuiltin(kFnHistogram, 4, 1);
  fflush(stdout);
  dup2(saved, 1);
  close(saved);
  fclose(f);
  return mvtest::ReadFile("out.txt");
}

TEST_F(StatHistogram, FloatCasesOnAZeroWidthScaleFallInTheFirstBin) {
  StatRecord* s = UsrStat(0, true);
  RecordFloatCase(s, 5.0f, "s");
  RecordFloatCase(s, 5.0f, "s");
  const std::string text = HistogramOf(0, 0, kTypeInt, 0, kTypeInt, 0);
  EXPECT_EQ(text.substr(0, 16), "        5 + xx\n ");
  EXPECT_EQ(mvtest::Count(text, "\n"), 21);
}

TEST_F(StatHistogram, EmptyIntegerStatisticWithoutBoundsPrintsNothing) {
  UsrStat(0, false);
  EXPECT_EQ(HistogramOf(0, 0, kTypeInt, 0, kTypeInt, 0), "");
}

TEST_F(StatHistogram, ExtremeIntegerCasesDoNotOverflow) {
  StatRecord* s = UsrStat(0, false);
  RecordIntCase(s, INT32_MIN, "s");
  RecordIntCase(s, INT32_MAX, "s");
  // Range 2^32, 2^32 bins halved to 32: the two cases in the first and last bin.
  const std::string text = HistogramOf(0, 0, kTypeInt, 0, kTypeInt, 0);
  EXPECT_EQ(mvtest::Count(text, "\n"), 32);
  EXPECT_EQ(text.find("-2147483648 + x\n"), 0u);
  EXPECT_NE(text.find("2013265920 + x\n"), std::string::npos);
}

// ---- test_needed --------------------------------------------------------------------------------

TEST_F(TestNeeded, NamesJoinTheListNewestFirstOnlyAtModuleBegin) {
  mvValue[mod_][2] = 1;  // mod_begin
  EXPECT_EQ(DoNeedTest("malloc"), 0);
  EXPECT_EQ(DoNeedTest("fopen"), 0);
  EXPECT_EQ(DoNeedTest("malloc"), 0);
  EXPECT_EQ(DoNeedTest(""), 0);
  mvValue[mod_][2] = 0;
  EXPECT_EQ(DoNeedTest("realloc"), 0);
  EXPECT_EQ(FindNeedTest("fopen"), 1);
  EXPECT_EQ(FindNeedTest("malloc"), 2);
  EXPECT_EQ(FindNeedTest("realloc"), 0);
  EXPECT_TRUE(NeedTestsWanted());

  testNeeded = 2;
  EXPECT_EQ(DoNeedTest("malloc"), 1);
  EXPECT_EQ(DoNeedTest("fopen"), 0);
  testNeeded = 0;
  InitBuiltins();
  EXPECT_FALSE(NeedTestsWanted());
}

// Calls examined on the token stream: source delivered to the call of a
// listed function, then CheckForTest. The test_needed rules count their
// firings in usr_0 and keep what test_needed("malloc") and
// test_needed("fopen") answer in them in usr_1 and usr_2.
class TestedCalls : public mvtest::SourceState {
 protected:
  void SetUp() override {
    SourceState::SetUp();
    InitTokens();
    directiveHook = SkipDirectiveLine;
    mvtest::LoadAssembledRules(R"(var int
var int
var int
rule test_needed
  VARREF usr_0
  PREINC
  ENDSTMT
  VARREF usr_1
  VARREF test_needed
  FCNPUSH
  STRING "malloc"
  FCNCALL 1
  ASSIGN
  ENDSTMT
  VARREF usr_2
  VARREF test_needed
  FCNPUSH
  STRING "fopen"
  FCNCALL 1
  ASSIGN
  ENDSTMT
  STOP
end
)",
                               dir_.Path());
    mvValue[mod_][2] = 1;  // mod_begin
    DoNeedTest("fopen");
    DoNeedTest("malloc");
    mvValue[mod_][2] = 0;
  }

  // The firings of the test_needed rules at the first call of `callee` in
  // the text.
  int Examine(const std::string& text, const char* callee, bool rulesApply = true) {
    PushModule(text, rulesApply);
    LexInit();
    TokenInit();
    for (int i = 0; i < 1000; ++i) {
      const int code = yylex();
      if (code == 0 || code == kTokEndModule) return -1;
      if (code == kTokIdent && strcmp(yaccTokenValue, callee) == 0) break;
    }
    for (int i = 0; i < 3; ++i) mvValue[usr_][i] = 0;
    CheckForTest(yaccToken);
    EndInput();
    return WordInt(mvValue[usr_][0]);
  }
  static int32_t Answer(int i) { return WordInt(mvValue[usr_][i]); }
};

TEST_F(TestedCalls, RulesFireUnlessAnIfOrSwitchFollowsTheStatement) {
  EXPECT_EQ(Examine("p = malloc(4);\nuse(p);\n", "malloc"), 1);
  EXPECT_EQ(testNeeded, 1);  // malloc joined the list last
  EXPECT_EQ(Answer(1), 1);
  EXPECT_EQ(Answer(2), 0);
  EXPECT_EQ(Examine("f = fopen(\"a\", \"r\"); }", "fopen"), 1);
  EXPECT_EQ(Answer(1), 0);
  EXPECT_EQ(Answer(2), 1);

  EXPECT_EQ(Examine("p = malloc(g(1, 2));\n\n  if (p == 0) return;\n", "malloc"), 0);
  EXPECT_EQ(Examine("f = fopen(n, m); switch (f != 0) { }", "fopen"), 0);
  // The statement runs to its `;`, across lines: the if after it tests.
  EXPECT_EQ(Examine("p = malloc(n *\n  m)\n;\nif (!p) return;", "malloc"), 0);
}

TEST_F(TestedCalls, OtherCallsAndUncheckedLinesFireNothing) {
  EXPECT_EQ(Examine("p = realloc(p, 4); use(p);", "realloc"), 0);
  EXPECT_EQ(testNeeded, 0);
  EXPECT_EQ(Examine("p = malloc(4); use(p);", "malloc", false), 0);
  // A call at the end of the module has no statement after it to test it.
  EXPECT_EQ(Examine("p = malloc(4);", "malloc"), 1);
  EXPECT_EQ(Examine("p = malloc(4)", "malloc"), 0);
}

// ---- Strings ------------------------------------------------------------------------------------

TEST_F(RuleStringFunctions, WritesGoOnlyToRuleBuffersAndScratch) {
  static char scratch[8];
  RegisterRegion(scratch, sizeof scratch, kRegionScratch);
  static const char source[] = "abc";
  RegisterRegion(source, sizeof source, kRegionCode);
  PushPointer(scratch);
  PushPointer(source);
  CallBuiltin(kFnStrcpy, 2, 1);
  EXPECT_EQ(PopPointer(), scratch);
  EXPECT_STREQ(scratch, "abc");

  static char handed[8] = "xyz";
  RegisterRegion(handed, sizeof handed, kRegionText);
  std::string text;
  EXPECT_EQ(Fails(
                [] {
                  PushPointer(handed);
                  PushPointer(source);
                  CallBuiltin(kFnStrcat, 2, 1);
                },
                &text),
            1);
  EXPECT_NE(text.find("Morvane function strcat cannot write to this address."), std::string::npos);
  EXPECT_STREQ(handed, "xyz");
}

TEST_F(RuleStringFunctions, StrcatRefusesADestinationWithoutEnd) {
  static char buffer[4];
  memcpy(buffer, "abcd", 4);
  RegisterRegion(buffer, sizeof buffer, kRegionBuffer);
  static const char source[] = "";
  RegisterRegion(source, sizeof source, kRegionCode);
  std::string text;
  EXPECT_EQ(Fails(
                [] {
                  PushPointer(buffer);
                  PushPointer(source);
                  CallBuiltin(kFnStrcat, 2, 1);
                },
                &text),
            1);
  EXPECT_NE(text.find("Unterminated text given to strcat."), std::string::npos);
}

TEST_F(RuleStringFunctions, ExecLeavesOutATextThatWouldOverflowTheCommand) {
  // The last argument is taken first, so an earlier one is the one left out.
  static const char last[] = "exit 3";
  RegisterRegion(last, sizeof last, kRegionCode);
  static std::string first;
  const auto run = [] {
    RegisterRegion(first.c_str(), first.size() + 1, kRegionCode);
    PushPointer(first.c_str());
    PushPointer(last);
    CallBuiltin(kFnExec, 2, 1);
    return PopLong();
  };
  // "exit 3 " is 7 bytes: 7 + 2040 + 1 reaches 2048, so the first text is left out.
  first = "exit 4;" + std::string(2040 - 7, ' ');
  EXPECT_EQ(run(), 3 << 8);
  first.pop_back();
  EXPECT_EQ(run(), 4 << 8);
}

// prefix(s), suffix(s) and root() through the dispatcher.
int32_t Affix(int function, const char* s) {
  RegisterRegion(s, strlen(s) + 1, kRegionCode);
  PushPointer(s);
  CallBuiltin(function, 1, 1);
  return PopLong();
}
std::string Root() {
  CallBuiltin(kFnRoot, 0, 1);
  return PopPointer();
}

TEST_F(RuleStringFunctions, PrefixesAndSuffixesAreTakenOffTheRoot) {
  EXPECT_EQ(Affix(kFnPrefix, "m_"), 0);  // no declarator yet
  EXPECT_EQ(Root(), "");
  BeginNameAffixes("m_count");
  EXPECT_EQ(Affix(kFnPrefix, "m_"), 1);
  EXPECT_EQ(Root(), "count");
  EXPECT_EQ(Affix(kFnPrefix, "m_"), 0);
  EXPECT_EQ(Affix(kFnSuffix, "nt"), 1);
  EXPECT_EQ(Affix(kFnSuffix, "nt"), 0);
  EXPECT_EQ(Affix(kFnSuffix, "ou"), 1);
  EXPECT_EQ(Root(), "c");
  EXPECT_EQ(Affix(kFnSuffix, ""), 0);
  EXPECT_EQ(Affix(kFnPrefix, ""), 0);

  BeginNameAffixes("ab");  // a prefix and a suffix that overlap leave nothing
  EXPECT_EQ(Affix(kFnPrefix, "a"), 1);
  EXPECT_EQ(Affix(kFnSuffix, "ab"), 1);
  EXPECT_EQ(Root(), "");

  BeginNameAffixes(std::string(kRootBuffer, 'n').c_str());
  EXPECT_EQ(Root(), "");
  BeginNameAffixes(std::string(kRootBuffer - 1, 'n').c_str());
  EXPECT_EQ(Root().size(), static_cast<size_t>(kRootBuffer - 1));
}

TEST_F(RuleStringFunctions, TodayAndRightNowHaveTheirFixedForms) {
  const std::string date = Today();
  const std::string time = RightNow();
  ASSERT_EQ(date.size(), 11u);
  EXPECT_EQ(date[3], ' ');
  EXPECT_EQ(date[6], ' ');
  ASSERT_EQ(time.size(), 8u);
  EXPECT_EQ(time[2], ':');
  EXPECT_EQ(time[5], ':');
}

// ---- The table -----------------------------------------------------------------------------------

TEST_F(BuiltinTable, EveryFunctionNumberHasAHandler) {
  InitMacros();
  InitTokens();
  InitBuiltins();
  for (int f = 0; f < kBuiltinCount; ++f) EXPECT_TRUE(BuiltinRegistered(f)) << VarName(mv_, f);
}

TEST_F(BuiltinTable, AnalysisAnswersNeverReplaceARegisteredHandler) {
  static int called;
  called = 0;
  RegisterBuiltin(126, [](int, int, int) { ++called; }, 0);  // tag_name
  InitBuiltins();
  CallBuiltin(126, 0, 1);
  EXPECT_EQ(called, 1);
  RegisterBuiltin(126, nullptr, -1);
  InitBuiltins();
  CallBuiltin(126, 0, 1);
  EXPECT_STREQ(PopPointer(), "<anonymous>");
}

}  // namespace
}  // namespace mv
