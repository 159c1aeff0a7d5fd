#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "harness.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "support/assembler.h"

namespace mvtest {
namespace {

// Loads assembled rules through the real writer and loader, then fires them.
class Rules : public RuleEngineState {
 protected:
  void Load(const std::string& text) {
    LoadAssembledRules(text, dir_.Path());
  }

  void Fire(const char* name, mv::MVWord value = 1) {
    int cls, index;
    ASSERT_TRUE(mv::FindMVVar(name, &cls, &index)) << name;
    mv::Do1Rule(cls, index, value, true);
  }

  int32_t Int(int index) const { return mv::WordInt(mv::mvValue[mv::usr_][index]); }
  float Float(int index) const { return mv::WordFloat(mv::mvValue[mv::usr_][index]); }

 private:
  ScratchDir dir_;
};

TEST_F(Rules, ArithmeticFollowsOperandTypes) {
  Load(R"(var int
var float
var float
rule mod_begin
  VARREF usr_0
  INTIMM 3
  INTIMM 4
  ADD
  INTIMM 2
  MUL
  ASSIGN
  ENDSTMT
  VARREF usr_1
  FLTCONST =7.0
  INTIMM 2
  DIV
  ASSIGN
  ENDSTMT
  VARREF usr_2
  INTIMM 1
  FLTCONST =0.5
  SUB
  ASSIGN
  ENDSTMT
  STOP
end
)");
  Fire("mod_begin");
  EXPECT_EQ(Int(0), 14);
  EXPECT_FLOAT_EQ(Float(1), 3.5f);
  EXPECT_FLOAT_EQ(Float(2), 0.5f);
}

TEST_F(Rules, ShiftRightFillsWithZeros) {
  Load(R"(var int
var int
rule mod_begin
  VARREF usr_0
  INTIMM -2
  INTIMM 1
  SHR
  ASSIGN
  ENDSTMT
  VARREF usr_1
  INTIMM 1
  INTIMM 33
  SHL
  ASSIGN
  ENDSTMT
  STOP
end
)");
  Fire("mod_begin");
  EXPECT_EQ(Int(0), 2147483647);
  EXPECT_EQ(Int(1), 2);  // the shift count is taken modulo 32
}

TEST_F(Rules, DivisionByZeroGivesZeroAndOneAdvisoryEach) {
  Load(R"(var int
var int
var float
rule mod_begin
  VARREF usr_0
  INTIMM 7
  INTIMM 0
  DIV
  ASSIGN
  ENDSTMT
  VARREF usr_1
  INTIMM 7
  INTIMM 0
  MOD
  ASSIGN
  ENDSTMT
  VARREF usr_2
  FLTCONST =7.0
  FLTCONST =0.0
  DIV
  ASSIGN
  ENDSTMT
  STOP
end
)");
  mv::mvValue[mv::usr_][0] = 99;
  const int before = mv::errorCount;
  Fire("mod_begin");
  EXPECT_EQ(Int(0), 0);
  EXPECT_EQ(Int(1), 0);
  EXPECT_EQ(Float(2), 0.0f);
  EXPECT_EQ(mv::errorCount - before, 3);
  EXPECT_EQ(mv::globalMsg, "Divide by float zero in Morvane rule.");
}

TEST_F(Rules, WhileWithBreakAndContinue) {
  // usr_0 counts to 10; usr_1 sums the odd numbers below 7, then the loop breaks.
  Load(R"(var int
var int
rule mod_begin
top:
  VARREF usr_0
  INTIMM 10
  LESS
  WORD 338
whileOperand:
  WORD @out
  VARREF usr_0
  PREINC
  ENDSTMT
  VARREF usr_0
  INTIMM 7
  GREATEQ
  IF @noBreak
  BREAK @whileOperand
noBreak:
  VARREF usr_0
  INTIMM 2
  MOD
  INTIMM 0
  EQUAL
  IF @odd
  CONTINUE @top
odd:
  VARREF usr_1
  VARREF usr_0
  ADDASG
  ENDSTMT
  JUMP @top
out:
  STOP
end
)");
  // BREAK's operand names the WHILE operand unit, whose content is the exit.
  Fire("mod_begin");
  EXPECT_EQ(Int(0), 7);
  EXPECT_EQ(Int(1), 1 + 3 + 5);
}

TEST_F(Rules, SwitchTakesFirstMatchDefaultOrExit) {
  // switch (usr_0) { case 1: usr_1 = 10; break; case 1: usr_1 = 20; default: usr_1 = 30; }
  const char* text = R"(var int
var int
rule mod_begin
  VARREF usr_0
  SWITCH @table
one:
  VARREF usr_1
  INTIMM 10
  ASSIGN
  ENDSTMT
  JUMP @exit
again:
  VARREF usr_1
  INTIMM 20
  ASSIGN
  ENDSTMT
dflt:
  VARREF usr_1
  INTIMM 30
  ASSIGN
  ENDSTMT
  JUMP @exit
table:
  TABLE @exit @dflt 1:@one 1:@again
exit:
  STOP
end
)";
  Load(text);
  mv::mvValue[mv::usr_][0] = 1;
  Fire("mod_begin");
  EXPECT_EQ(Int(1), 10);
  mv::mvValue[mv::usr_][0] = 5;
  Fire("mod_begin");
  EXPECT_EQ(Int(1), 30);
}

TEST_F(Rules, SwitchWithoutDefaultContinuesAfterIt) {
  Load(R"(var int
var int
rule mod_begin
  VARREF usr_0
  SWITCH @table
one:
  VARREF usr_1
  INTIMM 10
  ASSIGN
  ENDSTMT
  JUMP @exit
table:
  TABLE @exit 0 1:@one
exit:
  VARREF usr_1
  POSTINC
  ENDSTMT
  STOP
end
)");
  mv::mvValue[mv::usr_][0] = 4;
  Fire("mod_begin");
  EXPECT_EQ(Int(1), 1);
}

TEST_F(Rules, AssignmentInsideAnExpressionFiresNestedRulesAndKeepsOperands) {
  // usr_0 = 1 + (usr_1 = 5); the rule on usr_1 adds 10 to usr_2 and works
  // with operands of its own on the same stack.
  Load(R"(var int
var int
var int
rule mod_begin
  VARREF usr_0
  INTIMM 1
  VARREF usr_1
  INTIMM 5
  ASSIGN
  ADD
  ASSIGN
  ENDSTMT
  STOP
end
rule usr_1
  VARREF usr_2
  VARREF usr_2
  INTIMM 4
  INTIMM 6
  ADD
  ADD
  ASSIGN
  ENDSTMT
  STOP
end
)");
  Fire("mod_begin");
  EXPECT_EQ(Int(0), 6);
  EXPECT_EQ(Int(1), 5);
  EXPECT_EQ(Int(2), 10);
}

TEST_F(Rules, LogicalOrEvaluatesBothOperands) {
  Load(R"(var int
var int
rule mod_begin
  INTIMM 1
  VARREF usr_1
  INTIMM 3
  ASSIGN
  LOGOR
  IF @out
  VARREF usr_0
  INTIMM 1
  ASSIGN
  ENDSTMT
out:
  STOP
end
)");
  Fire("mod_begin");
  EXPECT_EQ(Int(0), 1);
  EXPECT_EQ(Int(1), 3);
}

TEST_F(Rules, ComparisonsOfMixedOperands) {
  Load(R"(var int
var int
var int
rule mod_begin
  VARREF usr_0
  INTIMM 3
  FLTCONST =3.0
  EQUAL
  ASSIGN
  ENDSTMT
  VARREF usr_1
  STRING "ab"
  STRING "ab"
  EQUAL
  ASSIGN
  ENDSTMT
  VARREF usr_2
  STRING "abc"
  SIZEOF
  INTIMM 5
  SIZEOF
  ADD
  ASSIGN
  ENDSTMT
  STOP
end
)");
  Fire("mod_begin");
  EXPECT_EQ(Int(0), 1);
  EXPECT_EQ(Int(1), 0);  // strings compare as addresses
  EXPECT_EQ(Int(2), 4);
}

TEST_F(Rules, IncrementsAndConversionsOnAssignment) {
  Load(R"(var int
var int
var int
rule mod_begin
  VARREF usr_0
  INTIMM 5
  ASSIGN
  ENDSTMT
  VARREF usr_1
  VARREF usr_0
  POSTINC
  ASSIGN
  ENDSTMT
  VARREF usr_2
  FLTCONST =2.7
  ASSIGN
  ENDSTMT
  STOP
end
)");
  Fire("mod_begin");
  EXPECT_EQ(Int(0), 6);
  EXPECT_EQ(Int(1), 5);
  EXPECT_EQ(Int(2), 2);
}

TEST_F(Rules, LargeFloatIsTruncatedWithAdvice) {
  Load(R"(var int
rule mod_begin
  VARREF usr_0
  FLTCONST =1e10
  ASSIGN
  ENDSTMT
  STOP
end
)");
  Fire("mod_begin");
  EXPECT_EQ(Int(0), 2147483647);
  EXPECT_EQ(mv::globalMsg, "A large float has been truncated to integer 2147483647");
}

TEST_F(Rules, AssigningAPredefinedVariableIsFatal) {
  Load(R"(rule mod_begin
  VARREF op_plus
  INTIMM 1
  ASSIGN
  STOP
end
)");
  EXPECT_EQ(RunExpectingExit([&] { Fire("mod_begin"); }), 38);
  EXPECT_NE(Out().find(">>> kind = 7, offset = 71, name = op_plus <<<\n"), std::string::npos);
}

TEST_F(Rules, UnexpectedOpcodeEndsOnlyThatRule) {
  Load(R"(var int
rule mod_begin
  WORD 265
  VARREF usr_0
  INTIMM 1
  ASSIGN
  STOP
end
rule mod_begin
  VARREF usr_0
  INTIMM 2
  ADDASG
  STOP
end
)");
  Fire("mod_begin");
  EXPECT_EQ(Out(), "*** UNEXPECTED OPCODE 265 ***\n");
  EXPECT_EQ(Int(0), 2);
}

TEST_F(Rules, DamagedBlocksEndTheRuleWithAMessage) {
  Load(R"(var int
rule mod_begin
  JUMP 5000
end
rule mod_begin
  INTCONST 7
end
rule mod_begin
  WORD 310
  WORD 99999
end
rule mod_begin
  WORD 302
  WORD 50
end
rule mod_begin
  VARREF usr_0
  INTIMM 1
  ASSIGN
  STOP
end
)");
  Fire("mod_begin");
  EXPECT_EQ(Out(),
            "*** Damaged rule code: jump target outside the rule (5000) ***\n"
            "*** Damaged rule code: constant index outside the constant pool (7) ***\n"
            "*** Damaged rule code: variable code out of range (99999) ***\n"
            "*** Damaged rule code: bad string length (50) ***\n");
  EXPECT_EQ(Int(0), 1);
}

TEST_F(Rules, ZeroValuesFireOnlyRuleFileVariables) {
  Load(R"(var int
var int
rule dcl_static
  VARREF usr_0
  PREINC
  STOP
end
rule usr_1
  VARREF usr_0
  INTIMM 100
  ADDASG
  STOP
end
)");
  mv::Do1Rule(mv::dcl_, 59, 0, false);
  EXPECT_EQ(Int(0), 0);
  mv::Do1Rule(mv::usr_, 1, 0, false);
  EXPECT_EQ(Int(0), 100);
}

TEST_F(Rules, DoRulesRunsInSlotOrderAndClearsTheClass) {
  // op_plus (71) and op_add (37): op_add's rule runs first whatever the order set.
  Load(R"(var int
rule op_plus
  VARREF usr_0
  VARREF usr_0
  INTIMM 10
  MUL
  INTIMM 2
  ADD
  ASSIGN
  STOP
end
rule op_add
  VARREF usr_0
  VARREF usr_0
  INTIMM 10
  MUL
  INTIMM 1
  ADD
  ASSIGN
  STOP
end
rule op_add
  VARREF op_plus
  IF @out
  VARREF usr_0
  INTIMM 100
  ADDASG
out:
  STOP
end
)");
  mv::mvValue[mv::op_][71] = 1;
  mv::mvValue[mv::op_][37] = 1;
  mv::DoRules(mv::op_);
  // op_add's two rules first (the second sees op_plus still set), then op_plus's.
  EXPECT_EQ(Int(0), (1 + 100) * 10 + 2);
  EXPECT_EQ(mv::mvValue[mv::op_][71], 0);
  EXPECT_EQ(mv::mvValue[mv::op_][37], 0);
}

TEST_F(Rules, RuleOnThreeTriggersRunsFromEach) {
  Load(R"(var int
rule mod_begin prj_begin op_plus
  VARREF usr_0
  PREINC
  STOP
end
)");
  Fire("mod_begin");
  Fire("prj_begin");
  Fire("op_plus");
  EXPECT_EQ(Int(0), 3);
  EXPECT_EQ(mv::mvValue[mv::op_][71], 0);  // cleared after firing
}

}  // namespace
}  // namespace mvtest
