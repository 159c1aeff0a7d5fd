// Until the analysis behind each action exists, the actions only record
// their calls, so that the order in which the grammar reduces can be checked.
#include "analysis/actions.h"

#include <cstdio>

#include "driver/options.h"
#include "frontend/lex2.h"
#include "rules/compile.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "support/public.h"
#include "support/mverror.h"

namespace mv {

std::vector<std::string>* actionTrace;

namespace {

std::string stringText;  // adjacent string literals, joined

void Record(const char* name) {
  if (actionTrace != nullptr) actionTrace->push_back(std::string(name) + "()");
}

void Record(const char* name, long a) {
  if (actionTrace == nullptr) return;
  char text[64];
  snprintf(text, sizeof text, "%s(%ld)", name, a);
  actionTrace->push_back(text);
}

void Record(const char* name, long a, long b) {
  if (actionTrace == nullptr) return;
  char text[64];
  snprintf(text, sizeof text, "%s(%ld,%ld)", name, a, b);
  actionTrace->push_back(text);
}

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
void Specifier(int code) {
  Record("Specifier", static_cast<long>(code));
  if (RuleCompiling()) CompileSpecifier(code);
}
void GetNewType() {
  Record("GetNewType");
  if (checkRules && pCode != nullptr) CompileNewDeclarator();
}
void ExtModifier(int code) { Record("ExtModifier", static_cast<long>(code)); }
void PtrQualifier(int flag) { Record("PtrQualifier", static_cast<long>(flag)); }
void DirectDecl(int kind) { Record("DirectDecl", static_cast<long>(kind)); }
void PushDeclarator() { Record("PushDeclarator"); }
void PopDeclarator() { Record("PopDeclarator"); }
void AttachMod(int kind) {
  Record("AttachMod", static_cast<long>(kind));
  if (RuleCompiling()) CompileAttachMod(kind);
}
void CheckDeclarator(int hasInit) {
  Record("CheckDeclarator", static_cast<long>(hasInit));
  if (RuleCompiling()) CompileCheckDeclarator(hasInit);
}
void BeginInit(int kind) { Record("BeginInit", static_cast<long>(kind)); }
void InitExpr() { Record("InitExpr"); }
void CheckInit(int isExpr) { Record("CheckInit", static_cast<long>(isExpr)); }
void EmptyDeclaration() { Record("EmptyDeclaration"); }
void EndDclList() {
  Record("EndDclList");
  if (checkRules && pCode != nullptr) CompileEndDclList();
}
void PushDState(int kind) { Record("PushDState", static_cast<long>(kind)); }
void PopDState() { Record("PopDState"); }
void DoTypeName() { Record("DoTypeName"); }
void DoLabel(int named) { Record("DoLabel", static_cast<long>(named)); }
void FunParmStart(int kind) { Record("FunParmStart", static_cast<long>(kind)); }
void EndParm(int kind) { Record("EndParm", static_cast<long>(kind)); }
void MoreParms() { Record("MoreParms"); }
void Need3Dots() { Record("Need3Dots"); }
void Do3Dots(int kind) { Record("Do3Dots", static_cast<long>(kind)); }
void FunParmEnd(int kind) { Record("FunParmEnd", static_cast<long>(kind)); }
void OldstyleFcn() { Record("OldstyleFcn"); }
void FcnDeclarator() { Record("FcnDeclarator"); }
void PushBlock() { Record("PushBlock"); }
void PopBlock() { Record("PopBlock"); }
void BeginReturn(int x) {
  Record("BeginReturn", static_cast<long>(x));
  if (RuleCompiling()) CompileNotAllowed();
}
void DoReturn(int op, int hasValue) { Record("DoReturn", static_cast<long>(op), static_cast<long>(hasValue)); }
void CheckGoto() { Record("CheckGoto"); }
void DeclareTag(const char* name, int kind) {
  if (actionTrace == nullptr) return;
  actionTrace->push_back("DeclareTag(" + std::string(name != nullptr ? name : "") + "," +
                         std::to_string(kind) + ")");
}

void StartMembers(int kind) { Record("StartMembers", static_cast<long>(kind)); }
void CheckMember() { Record("CheckMember"); }
void DoBitField() { Record("DoBitField"); }
void AddEnum() { Record("AddEnum"); }
void EndMembers() { Record("EndMembers"); }
void EnumComma() { Record("EnumComma"); }

}  // namespace mv
