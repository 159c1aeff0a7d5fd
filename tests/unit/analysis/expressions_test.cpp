// Operand counting of the checked source: the counters and the lists of
// distinct operands that rules may ask for.
#include "analysis/expressions.h"

#include <string>

#include "analysis/symbols.h"
#include "harness.h"

namespace {

// Slots of the distinct-operand statistics.
constexpr int kFcnUOperands = 21, kModUOperands = 24, kPrjUOperands = 24;

std::string Listed(const mv::OperandList& list) {
  std::string text;
  for (const auto& [name, count] : list) text += name + "=" + std::to_string(count) + " ";
  return text;
}

class OperandCounting : public ::testing::Test {
 protected:
  void SetUp() override {
    mvtest::ResetSubsystems();
    mvtest::ResetRuleEngine();
    mvtest::ResetAnalysis();
    mv::ClearProjectOperands();
    mv::mvNeed[mv::fcn_][kFcnUOperands] = 1;
    mv::mvNeed[mv::mod_][kModUOperands] = 1;
    mv::mvNeed[mv::prj_][kPrjUOperands] = 1;
  }
  void TearDown() override {
    while (mv::BlockLevel() > 0) mv::CloseBlock();
  }
};

TEST_F(OperandCounting, DistinctOperandsAreKeptInByteOrderWithTheirOccurrences) {
  for (const char* text : {"b", "B", "a", "b", "_x", "b"}) mv::AddOpnd(text);
  EXPECT_EQ(Listed(mv::operandLists[mv::kModUOperands]), "B=1 _x=1 a=1 b=3 ");
  EXPECT_EQ(Listed(mv::operandLists[mv::kPrjUOperands]), "B=1 _x=1 a=1 b=3 ");
  EXPECT_EQ(mv::modData.operands, 6);
  // Outside a block nothing belongs to a function, and nothing is a Halstead operand.
  EXPECT_TRUE(mv::operandLists[mv::kFcnUOperands].empty());
  EXPECT_EQ(mv::fcnData.operands, 0);
  EXPECT_EQ(mv::modData.hOperands, 0);
}

TEST_F(OperandCounting, OperandsInsideABlockCountForTheFunctionAndAsHalsteadOperands) {
  mv::OpenBlock();
  mv::AddOpnd("n");
  mv::AddOpnd("1");
  mv::AddOpnd("n");
  EXPECT_EQ(Listed(mv::operandLists[mv::kFcnUOperands]), "1=1 n=2 ");
  EXPECT_EQ(mv::fcnData.operands, 3);
  EXPECT_EQ(mv::fcnData.hOperands, 3);
  EXPECT_EQ(mv::modData.hOperands, 3);
  // Lists no rule asks for stay empty.
  EXPECT_TRUE(mv::operandLists[mv::kModUHOperands].empty());
}

TEST_F(OperandCounting, ANewModuleEmptiesTheModuleListsAndANewProjectTheProjectLists) {
  mv::AddOpnd("k");
  mv::InitExpressions();
  EXPECT_TRUE(mv::operandLists[mv::kModUOperands].empty());
  EXPECT_EQ(Listed(mv::operandLists[mv::kPrjUOperands]), "k=1 ");
  mv::BeginProject();
  EXPECT_TRUE(mv::operandLists[mv::kPrjUOperands].empty());
}

}  // namespace
