// Statement actions: control statements, jumps, labels, blocks and function bodies.
#include "analysis/actions.h"

#include <cstdio>
#include <string>

#include "analysis/actions_trace.h"
#include "analysis/expressions.h"
#include "analysis/functions.h"
#include "analysis/statements.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "frontend/line.h"
#include "rules/compile.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "support/public.h"
#include "support/mverror.h"

namespace mv {

namespace {

bool Checking() { return notRules && !checkRules; }

constexpr int kExpNotAnsi = 3;  // exp_not_ansi in class 10

// The first token of the case or default label being read.
LexToken* labelToken;

}  // namespace

void BeginIf() {
  Record("BeginIf");
  if (RuleCompiling()) CompileBeginIf();
  if (!Checking()) return;
  BeginStatement(kKindIf);
  CountDecision();
}
void DoIf() {
  Record("DoIf");
  if (RuleCompiling()) CompileDoIf();
  if (Checking()) BeginBody();
}
void DoThen() {
  Record("DoThen");
  if (RuleCompiling()) CompileDoThen();
  if (Checking()) EndBody(false);
}
void NoElse() { Record("NoElse"); }
void DoElse() {
  Record("DoElse");
  if (RuleCompiling()) CompileDoElse();
  if (!Checking()) return;
  SetStatementKind(kKindElse);
  BeginBody();
}
void EndElse() {
  Record("EndElse");
  if (RuleCompiling()) CompileEndElse();
  if (!Checking()) return;
  EndBody(false);
  SetMVBoolean(stm_, kStmIfElse);
}
void EndIf() {
  Record("EndIf");
  if (RuleCompiling()) CompileEndIf();
}
void BeginSwitch() {
  Record("BeginSwitch");
  if (RuleCompiling()) CompileBeginSwitch();
  if (Checking()) BeginStatement(kKindSwitch);
}
void DoSwitch() {
  Record("DoSwitch");
  if (RuleCompiling()) CompileDoSwitch();
  if (!Checking()) return;
  SwitchBodyStarts();
  BeginBody();
}
void EndSwitch() {
  Record("EndSwitch");
  if (RuleCompiling()) CompileEndSwitch();
  if (!Checking()) return;
  EndBody(false);
  SwitchEnds();
}
void BeginCase() {
  Record("BeginCase");
  if (RuleCompiling()) CompileBeginCase();
  labelToken = yaccToken;
}
void DoCase() {
  Record("DoCase");
  if (RuleCompiling()) CompileDoCase();
  if (!Checking()) return;
  CountDecision();
  SwitchLabel(false);
}
void DoDefault() {
  Record("DoDefault");
  if (RuleCompiling()) CompileDoDefault();
  labelToken = yaccPrevToken;
  if (Checking()) SwitchLabel(true);
}
void DoBreak() {
  Record("DoBreak");
  if (RuleCompiling()) CompileBreak();
}
void BeginWhile() {
  Record("BeginWhile");
  if (RuleCompiling()) CompileBeginWhile();
  if (Checking()) BeginStatement(kKindWhile);
}
void DoWhile() {
  Record("DoWhile");
  if (RuleCompiling()) CompileDoWhile();
  if (Checking()) BeginBody();
}
void EndWhile() {
  Record("EndWhile");
  if (RuleCompiling()) CompileEndWhile();
  if (!Checking()) return;
  EndBody(false);
  CountDecision();
}
void BeginDo() {
  Record("BeginDo");
  if (RuleCompiling()) CompileNotAllowed();
  if (!Checking()) return;
  BeginStatement(kKindDo);
  BeginBody();
}
void MidDo() {
  Record("MidDo");
  if (Checking()) EndBody(true);
}
void BeginFor() {
  Record("BeginFor");
  if (RuleCompiling()) CompileNotAllowed();
  if (Checking()) BeginStatement(kKindFor);
}
void DoFor() { Record("DoFor"); }
void DoTest() {
  Record("DoTest");
  // The test of a do statement ends it; that of a for statement comes before its body.
  if (Checking() && StatementKind() == kKindDo) CountDecision();
}
void DoBlock1() {
  Record("DoBlock1");
  if (Checking()) BeginBody();
}
void DoBlock2() {
  Record("DoBlock2");
  if (!Checking()) return;
  EndBody(false);
  CountDecision();
}
void BeginJump(int kind) {
  Record("BeginJump", static_cast<long>(kind));
  if (Checking()) {
    BeginStatement(kind);
    JumpInSwitch();
  }
  if (!RuleCompiling()) return;
  if (kind == kStmGoto) CompileNotAllowed();
  if (kind == kStmContinue) CompileContinue();
}
void EndExpress() {
  Record("EndExpress");
  if (Checking()) SetMVBoolean(stm_, kStmIsExpr);
}
void EmptyStatement() {
  Record("EmptyStatement");
  if (Checking()) EmptyStatementSeen();
}
void EndStmt(int kind) {
  Record("EndStmt", static_cast<long>(kind));
  if (RuleCompiling()) CompileEndStmt(kind);
  if (Checking()) EndStatement(kind);
}
void StartGnuBlock() {
  Record("StartGnuBlock");
  // A block inside an expression has no pseudocode: its statements would
  // empty the value stack under the expression around it.
  if (RuleCompiling() || RuleFolding()) CompileNotAllowed();
  if (!Checking()) return;
  OpenExpressionLevel();
  StatementExpressionOpened();
}
void EndGnuBlock() {
  Record("EndGnuBlock");
  if (!Checking()) return;
  CloseExpressionLevel();
  StatementExpressionClosed();
  SetMVBoolean(exp_, kExpNotAnsi);
}
void DoLabel(int named) {
  Record("DoLabel", static_cast<long>(named));
  if (!Checking()) return;
  // A named label is the identifier before the current ':'.
  LabelOnLine(named != 0, named != 0 ? yaccPrevToken : labelToken);
  if (named != 0) LabelDefined(yaccPreValue);
  // The token after the label's ':' (the parser may have read it already).
  const int next = yaccTokenType == ':' ? PeekYaccType("label", nullptr) : yaccTokenType;
  if (next == '}') BadLabel();
}
void BadLabel() {
  Record("BadLabel");
  if (!Checking()) return;
  SetMVBoolean(stm_, kStmBadLabel);
  EndStatement(kEndSimple);
}
void PushBlock() {
  Record("PushBlock");
  if (!Checking()) return;
  BlockOpened();
}
void PopBlock() {
  Record("PopBlock");
  if (!Checking()) return;
  BlockClosed();
}
void BeginReturn(int x) {
  Record("BeginReturn", static_cast<long>(x));
  if (RuleCompiling()) CompileNotAllowed();
  if (Checking()) ReturnBegins();
}
void DoReturn(int op, int hasValue) {
  Record("DoReturn", static_cast<long>(op), static_cast<long>(hasValue));
  if (Checking()) ReturnEnds(hasValue != 0);
}
void CheckGoto() {
  Record("CheckGoto");
  // The target is the identifier before the current ';'.
  if (Checking()) GotoTarget(yaccPreValue);
}

}  // namespace mv
