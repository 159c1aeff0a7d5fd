// Statement actions: control statements, jumps, labels, blocks and function bodies.
#include "analysis/actions.h"

#include <cstdio>
#include <string>

#include "analysis/actions_trace.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "rules/compile.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "support/public.h"
#include "support/mverror.h"

namespace mv {

void BeginIf() {
  Record("BeginIf");
  if (RuleCompiling()) CompileBeginIf();
}
void DoIf() {
  Record("DoIf");
  if (RuleCompiling()) CompileDoIf();
}
void DoThen() {
  Record("DoThen");
  if (RuleCompiling()) CompileDoThen();
}
void NoElse() { Record("NoElse"); }
void DoElse() {
  Record("DoElse");
  if (RuleCompiling()) CompileDoElse();
}
void EndElse() {
  Record("EndElse");
  if (RuleCompiling()) CompileEndElse();
}
void EndIf() {
  Record("EndIf");
  if (RuleCompiling()) CompileEndIf();
}
void BeginSwitch() {
  Record("BeginSwitch");
  if (RuleCompiling()) CompileBeginSwitch();
}
void DoSwitch() {
  Record("DoSwitch");
  if (RuleCompiling()) CompileDoSwitch();
}
void EndSwitch() {
  Record("EndSwitch");
  if (RuleCompiling()) CompileEndSwitch();
}
void BeginCase() {
  Record("BeginCase");
  if (RuleCompiling()) CompileBeginCase();
}
void DoCase() {
  Record("DoCase");
  if (RuleCompiling()) CompileDoCase();
}
void DoDefault() {
  Record("DoDefault");
  if (RuleCompiling()) CompileDoDefault();
}
void DoBreak() {
  Record("DoBreak");
  if (RuleCompiling()) CompileBreak();
}
void BeginWhile() {
  Record("BeginWhile");
  if (RuleCompiling()) CompileBeginWhile();
}
void DoWhile() {
  Record("DoWhile");
  if (RuleCompiling()) CompileDoWhile();
}
void EndWhile() {
  Record("EndWhile");
  if (RuleCompiling()) CompileEndWhile();
}
void BeginDo() {
  Record("BeginDo");
  if (RuleCompiling()) CompileNotAllowed();
}
void MidDo() { Record("MidDo"); }
void BeginFor() {
  Record("BeginFor");
  if (RuleCompiling()) CompileNotAllowed();
}
void DoFor() { Record("DoFor"); }
void DoTest() { Record("DoTest"); }
void DoBlock1() { Record("DoBlock1"); }
void DoBlock2() { Record("DoBlock2"); }
void BeginJump(int kind) {
  Record("BeginJump", static_cast<long>(kind));
  if (!RuleCompiling()) return;
  if (kind == kStmGoto) CompileNotAllowed();
  if (kind == kStmContinue) CompileContinue();
}
void EndExpress() { Record("EndExpress"); }
void EmptyStatement() { Record("EmptyStatement"); }
void EndStmt(int kind) {
  Record("EndStmt", static_cast<long>(kind));
  if (RuleCompiling()) CompileEndStmt(kind);
}
void StartGnuBlock() { Record("StartGnuBlock"); }
void EndGnuBlock() { Record("EndGnuBlock"); }
void DoLabel(int named) { Record("DoLabel", static_cast<long>(named)); }
void PushBlock() { Record("PushBlock"); }
void PopBlock() { Record("PopBlock"); }
void BeginReturn(int x) {
  Record("BeginReturn", static_cast<long>(x));
  if (RuleCompiling()) CompileNotAllowed();
}
void DoReturn(int op, int hasValue) { Record("DoReturn", static_cast<long>(op), static_cast<long>(hasValue)); }
void CheckGoto() { Record("CheckGoto"); }

}  // namespace mv
