// The rule compiler's machinery: folding, buffers and their limits, the
// trigger list, the nesting limit and the statistics list.
#include <gtest/gtest.h>

#include <vector>

#include "driver/options.h"
#include "harness.h"
#include "rules/compile.h"
#include "rules/interp.h"
#include "rules/mvvars.h"

namespace mvtest {
namespace {

class Compiler : public RuleEngineState {
 protected:
  void SetUp() override {
    RuleEngineState::SetUp();
    mv::checkRules = 1;
    mv::notRules = 0;
    mv::InitComp();
  }
  void TearDown() override {
    mv::ResetComp();
    mv::calculate = 0;
    mv::tCodeDepth = 0;
    mv::checkRules = 0;
    mv::notRules = 1;
    RuleEngineState::TearDown();
  }
};

TEST_F(Compiler, EmptyFoldGivesNoConstant) {
  mv::CompileBeginConstant();
  mv::CompileEndConstant();
  EXPECT_EQ(mv::goodConst, 0);
  EXPECT_EQ(mv::constResult, 0);
  EXPECT_EQ(mv::calculate, 0);
  EXPECT_EQ(mv::tCodeDepth, 0);
}

TEST_F(Compiler, FoldsThroughTheInterpreterWithoutTouchingTheRule) {
  mv::CompileBeginConstant();
  mv::CompileInteger(2);
  mv::CompileInteger(3);
  mv::CompileInteger(4);
  mv::Compile1(mv::OP_MUL);
  mv::Compile1(mv::OP_ADD);
  mv::CompileEndConstant();
  EXPECT_EQ(mv::goodConst, 1);
  EXPECT_EQ(mv::constResult, 14);
  EXPECT_EQ(mv::pcIndex, 0);
  EXPECT_EQ(mv::nConst, 0);  // folded literals stay out of the pool
}

TEST_F(Compiler, NestedFoldKeepsTheOuterExpression) {
  mv::CompileBeginConstant();
  mv::CompileInteger(10);
  mv::CompileBeginConstant();
  mv::CompileInteger(5);
  mv::CompileInteger(2);
  mv::Compile1(mv::OP_SUB);
  mv::CompileEndConstant();
  EXPECT_EQ(mv::constResult, 3);
  EXPECT_EQ(mv::calculate, 1);
  mv::CompileInteger(mv::constResult);
  mv::Compile1(mv::OP_ADD);
  mv::CompileEndConstant();
  EXPECT_EQ(mv::constResult, 13);
  EXPECT_EQ(mv::calculate, 0);
  EXPECT_EQ(mv::tCodeDepth, 0);
}

TEST_F(Compiler, TemporaryBufferHolds1024Units) {
  mv::CompileBeginConstant();
  for (int i = 0; i < mv::kTempCodeUnits; ++i) mv::Compile1(mv::OP_ENDSTMT);
  EXPECT_EQ(RunExpectingExit([] { mv::Compile1(mv::OP_ENDSTMT); }), 16);
  EXPECT_NE(Out().find("Temporary pseudocode buffer overflow."), std::string::npos) << Out();
}

TEST_F(Compiler, FoldHolds256Literals) {
  mv::CompileBeginConstant();
  for (int i = 0; i < mv::kTempConstants; ++i) mv::CompileInteger(i);
  EXPECT_EQ(RunExpectingExit([] { mv::CompileInteger(1); }), 46);
}

TEST_F(Compiler, MainBufferHolds65535Units) {
  mv::pcIndex = 65534;
  mv::Compile1(mv::OP_ENDSTMT);
  EXPECT_EQ(RunExpectingExit([] { mv::Compile1(mv::OP_ENDSTMT); }), 16);
  EXPECT_NE(Out().find("Main pseudocode buffer overflow."), std::string::npos) << Out();
  // The run ended; a new compile starts afresh.
  mv::checkRules = 1;
  mv::InitComp();
  mv::pcIndex = 65534;
  EXPECT_EQ(RunExpectingExit([] { mv::Compile2(mv::OP_VARREF, 1); }), 16);
}

TEST_F(Compiler, RepeatedTriggersCountOnce) {
  for (int i = 1; i <= 32; ++i) {
    mv::AddTrigger(256 + i);
    mv::AddTrigger(256 + i);
  }
  EXPECT_EQ(mv::nTriggers, 32);
  EXPECT_EQ(RunExpectingExit([] { mv::AddTrigger(300); }), 18);
}

TEST_F(Compiler, The100thNestedStatementIsFatal) {
  mv::CompileBeginIf();
  for (int i = 1; i < 100; ++i) mv::CompileDoIf();
  EXPECT_EQ(mv::ifLevel, 99);
  EXPECT_EQ(RunExpectingExit([] { mv::CompileDoIf(); }), 19);
}

TEST_F(Compiler, WrittenRuleLeavesNoEndOfStatement) {
  mv::CompileBeginIf();
  mv::CompileIdent(0, "lin_end");
  mv::CompileDoIf();
  mv::CompileDoThen();
  mv::CompileEndIf();
  EXPECT_EQ(mv::pcIndex, 0);
  mv::CompileEndStmt(2);
  EXPECT_EQ(mv::pcIndex, 0);
  // A statement outside every rule keeps its end for the next rule.
  mv::CompileEndStmt(1);
  EXPECT_EQ(mv::pcIndex, 1);
  EXPECT_EQ(mv::pCode[0], mv::OP_ENDSTMT);
}

TEST_F(Compiler, NamesInTheConditionAreTriggersFunctionsAreNot) {
  mv::CompileBeginIf();
  mv::CompileIdent(1, "strlen");
  mv::CompileIdent(0, "lin_end");
  mv::CompileIdent(0, "lin_end");
  mv::CompileDoIf();
  mv::CompileIdent(0, "lin_length");
  ASSERT_EQ(mv::nTriggers, 1);
  EXPECT_EQ(mv::trigger[0], 12 * 256 + 4);
}

// The table has fewer than 50 predefined statistics, so the limit can only be
// met by a list already full.
TEST_F(Compiler, PredefinedStatisticsListedOnceInOrderOfUse) {
  std::vector<const char*> names;
  for (int cls = 0; cls < mv::usr_; ++cls)
    for (int i = 0; i < mv::mvLast[cls]; ++i)
      if (mv::mvType[cls][i] == mv::kTypeIStat) names.push_back(mv::mvName[cls][i]);
  ASSERT_GT(names.size(), 2u);
  for (size_t i = names.size(); i-- > 0;) {
    mv::CompileIdent(0, names[i]);
    mv::CompileIdent(0, names[i]);
  }
  ASSERT_EQ(mv::nStats, static_cast<int>(names.size()));
  int cls = 0, index = 0;
  ASSERT_TRUE(mv::FindMVVar(names.back(), &cls, &index));
  EXPECT_EQ(mv::statVars[0], cls * 256 + index);
  mv::nStats = mv::kMaxStatVars;
  for (int i = 0; i < mv::kMaxStatVars; ++i) mv::statVars[i] = 0;
  const char* first = names[0];
  EXPECT_EQ(RunExpectingExit([first] { mv::CompileIdent(0, first); }), 36);
}

}  // namespace
}  // namespace mvtest
