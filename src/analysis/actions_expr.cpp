// Expression actions: operands, operators and their events, calls, constants.
#include "analysis/actions.h"

#include <cstdio>
#include <string>

#include "analysis/actions_trace.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "rules/compile.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/stats.h"
#include "support/public.h"
#include "support/mverror.h"

namespace mv {

namespace {

std::string stringText;  // adjacent string literals, joined

// Operators are named as the rule language names them, when the trigger
// table is there to say so.
const char* OpName(int op) {
  if (op >= 0 && op <= op_while_2 && mvName[op_] != nullptr && mvName[op_][op] != nullptr)
    return mvName[op_][op];
  return nullptr;
}

}  // namespace

void SetOp(int op, LexToken*, int operands) {
  // Try is refused at its keyword; the grammar has no action of its own for it.
  if (RuleCompiling()) {
    if (op == op_try) CompileNotAllowed();
    CompileSetOp(op);
  }
  if (actionTrace == nullptr) return;
  const char* name = OpName(op);
  char text[80];
  if (name != nullptr)
    snprintf(text, sizeof text, "SetOp(%s,%d)", name, operands);
  else
    snprintf(text, sizeof text, "SetOp(%d,%d)", op, operands);
  actionTrace->push_back(text);
}

void Compile(int op) {
  Record("Compile", static_cast<long>(op));
  if (Emitting()) Compile1(op);
}
void DeclName(LexToken* token) {
  if (RuleCompiling()) CompileDeclName(token != nullptr ? token->text : nullptr);
}

void DoIdent(int kind, LexToken* token) {
  Record("DoIdent", static_cast<long>(kind));
  if (kind == 1 && notRules && !checkRules && NeedTestsWanted()) CheckForTest(token);
  if (calculate && tCode != nullptr) {
    // A name folds as 1.
    CompileInteger(1);
  } else if (RuleCompiling() && !notRules && token != nullptr) {
    CompileIdent(kind, token->text);
  }
}
void DoIntConst(int64_t value) {
  Record("DoIntConst", static_cast<long>(value));
  if (Emitting()) CompileInteger(static_cast<int32_t>(value));
}
void DoEnumConst(LexToken* token) {
  Record("DoEnumConst");
  if (Emitting()) CompileInteger(token != nullptr ? static_cast<int32_t>(token->value.i) : 0);
}
void DoCharConst(int64_t value) {
  Record("DoCharConst", static_cast<long>(value));
  if (Emitting()) Compile2(305, static_cast<int32_t>(value));
}
void DoFloatConst(double value) {
  if (actionTrace != nullptr) {
    char text[64];
    snprintf(text, sizeof text, "DoFloatConst(%g)", value);
    actionTrace->push_back(text);
  }
  if (Emitting()) CompileFloat(value);
}
void StringPiece(LexToken* token, int more) {
  if (!Emitting()) return;
  if (!more) stringText.clear();
  if (token != nullptr && token->text != nullptr) stringText += token->text;
}
void DoString(LexToken* token) {
  Record("DoString");
  if (!Emitting()) return;
  if (token != nullptr && token->text != nullptr) stringText = token->text;
  if (stringText.size() > static_cast<size_t>(kMaxTokenLength)) {
    Warning(10);
    stringText.resize(kMaxTokenLength);
  }
  CompileString(stringText.c_str());
}
void DoBooleanConst(int64_t value) {
  Record("DoBooleanConst", static_cast<long>(value));
  if (Emitting()) CompileInteger(static_cast<int32_t>(value));
}
void DoNegate(LexToken* token) {
  Record("DoNegate");
  (void)token;
  if (RuleCompiling()) CompileSetOp(op_negate);
  if (Emitting()) Compile1(267);
}
void CompileCast(LexToken* token) {
  Record("CompileCast");
  (void)token;
  if (RuleCompiling()) CompileSetOp(op_cast);
}
void DoFunc(int kind) {
  Record("DoFunc", static_cast<long>(kind));
  if (Emitting()) CompileFunc(kind);
}
void DoFunArg() {
  Record("DoFunArg");
  if (Emitting()) CompileFunArg();
}
void DoCall() {
  Record("DoCall");
  if (Emitting()) CompileCall();
}
void BeginSizeof() { Record("BeginSizeof"); }
void DoSizeof(int ofType) { Record("DoSizeof", static_cast<long>(ofType)); }
void EndCondExp() { Record("EndCondExp"); }
void CPPMember(int op) { Record("CPPMember", static_cast<long>(op)); }
void BeginConstant() {
  Record("BeginConstant");
  if (RuleCompiling()) CompileBeginConstant();
}
void EndConstant() {
  Record("EndConstant");
  if (calculate && tCode != nullptr && checkRules) CompileEndConstant();
}

}  // namespace mv
