// Until the analysis behind each action exists, the actions only record
// their calls, so that the order in which the grammar reduces can be checked.
#include "analysis/actions.h"

#include <cstdio>

#include "rules/mvvars.h"

namespace mv {

std::vector<std::string>* actionTrace;

namespace {

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
  if (actionTrace == nullptr) return;
  const char* name = OpName(op);
  char text[80];
  if (name != nullptr)
    snprintf(text, sizeof text, "SetOp(%s,%d)", name, operands);
  else
    snprintf(text, sizeof text, "SetOp(%d,%d)", op, operands);
  actionTrace->push_back(text);
}

void Compile(int op) { Record("Compile", static_cast<long>(op)); }
void DoIdent(int kind, LexToken*) { Record("DoIdent", static_cast<long>(kind)); }
void DoIntConst(int64_t value) { Record("DoIntConst", static_cast<long>(value)); }
void DoEnumConst(LexToken*) { Record("DoEnumConst"); }
void DoCharConst(int64_t value) { Record("DoCharConst", static_cast<long>(value)); }
void DoFloatConst(double value) {
  if (actionTrace == nullptr) return;
  char text[64];
  snprintf(text, sizeof text, "DoFloatConst(%g)", value);
  actionTrace->push_back(text);
}
void DoString(LexToken*) { Record("DoString"); }
void DoBooleanConst(int64_t value) { Record("DoBooleanConst", static_cast<long>(value)); }
void DoNegate(LexToken*) { Record("DoNegate"); }
void CompileCast(LexToken*) { Record("CompileCast"); }
void DoFunc(int kind) { Record("DoFunc", static_cast<long>(kind)); }
void DoFunArg() { Record("DoFunArg"); }
void DoCall() { Record("DoCall"); }
void BeginSizeof() { Record("BeginSizeof"); }
void DoSizeof(int ofType) { Record("DoSizeof", static_cast<long>(ofType)); }
void EndCondExp() { Record("EndCondExp"); }
void CPPMember(int op) { Record("CPPMember", static_cast<long>(op)); }
void BeginConstant() { Record("BeginConstant"); }
void EndConstant() { Record("EndConstant"); }
void BeginIf() { Record("BeginIf"); }
void DoIf() { Record("DoIf"); }
void DoThen() { Record("DoThen"); }
void NoElse() { Record("NoElse"); }
void DoElse() { Record("DoElse"); }
void EndElse() { Record("EndElse"); }
void EndIf() { Record("EndIf"); }
void BeginSwitch() { Record("BeginSwitch"); }
void DoSwitch() { Record("DoSwitch"); }
void EndSwitch() { Record("EndSwitch"); }
void BeginCase() { Record("BeginCase"); }
void DoCase() { Record("DoCase"); }
void DoDefault() { Record("DoDefault"); }
void DoBreak() { Record("DoBreak"); }
void BeginWhile() { Record("BeginWhile"); }
void DoWhile() { Record("DoWhile"); }
void EndWhile() { Record("EndWhile"); }
void BeginDo() { Record("BeginDo"); }
void MidDo() { Record("MidDo"); }
void BeginFor() { Record("BeginFor"); }
void DoFor() { Record("DoFor"); }
void DoTest() { Record("DoTest"); }
void DoBlock1() { Record("DoBlock1"); }
void DoBlock2() { Record("DoBlock2"); }
void BeginJump(int kind) { Record("BeginJump", static_cast<long>(kind)); }
void EndExpress() { Record("EndExpress"); }
void EmptyStatement() { Record("EmptyStatement"); }
void EndStmt(int kind) { Record("EndStmt", static_cast<long>(kind)); }
void StartGnuBlock() { Record("StartGnuBlock"); }
void EndGnuBlock() { Record("EndGnuBlock"); }
void Specifier(int code) { Record("Specifier", static_cast<long>(code)); }
void GetNewType() { Record("GetNewType"); }
void ExtModifier(int code) { Record("ExtModifier", static_cast<long>(code)); }
void PtrQualifier(int flag) { Record("PtrQualifier", static_cast<long>(flag)); }
void DirectDecl(int kind) { Record("DirectDecl", static_cast<long>(kind)); }
void PushDeclarator() { Record("PushDeclarator"); }
void PopDeclarator() { Record("PopDeclarator"); }
void AttachMod(int kind) { Record("AttachMod", static_cast<long>(kind)); }
void CheckDeclarator(int hasInit) { Record("CheckDeclarator", static_cast<long>(hasInit)); }
void BeginInit(int kind) { Record("BeginInit", static_cast<long>(kind)); }
void InitExpr() { Record("InitExpr"); }
void CheckInit(int isExpr) { Record("CheckInit", static_cast<long>(isExpr)); }
void EmptyDeclaration() { Record("EmptyDeclaration"); }
void EndDclList() { Record("EndDclList"); }
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
void BeginReturn(int x) { Record("BeginReturn", static_cast<long>(x)); }
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
