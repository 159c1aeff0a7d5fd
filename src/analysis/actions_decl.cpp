// Declaration actions: specifiers, declarators, initializers, parameter lists,
// function declarators and tags.
#include "analysis/actions.h"

#include <cstdio>
#include <string>

#include "analysis/actions_trace.h"
#include "analysis/declare.h"
#include "analysis/expressions.h"
#include "analysis/symbols.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "rules/compile.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "support/public.h"
#include "support/mverror.h"

namespace mv {

namespace {

// Checked source (not a rule file): the declarations are recorded.
bool Checking() { return checkRules == 0 && mvValue[dcl_] != nullptr; }

}  // namespace

void Specifier(int code) {
  Record("Specifier", static_cast<long>(code));
  if (RuleCompiling()) CompileSpecifier(code);
  if (Checking()) DeclSpecifier(code);
}
void GetNewType() {
  Record("GetNewType");
  if (checkRules && pCode != nullptr) CompileNewDeclarator();
  if (Checking()) DeclGetNewType();
}
void ExtModifier(int code) {
  Record("ExtModifier", static_cast<long>(code));
  if (Checking()) DeclModifier(code);
}
void PtrQualifier(int flag) {
  Record("PtrQualifier", static_cast<long>(flag));
  if (Checking()) DeclPtrQualifier(flag);
}
void DirectDecl(int kind) {
  Record("DirectDecl", static_cast<long>(kind));
  if (Checking()) DeclDirectDecl(kind);
}
void PushDeclarator() {
  Record("PushDeclarator");
  if (Checking()) DeclPushDeclarator();
}
void PopDeclarator() {
  Record("PopDeclarator");
  if (Checking()) DeclPopDeclarator();
}
void AttachMod(int kind) {
  Record("AttachMod", static_cast<long>(kind));
  if (RuleCompiling()) CompileAttachMod(kind);
  if (Checking()) DeclAttachMod(kind, nullptr);
}
void CheckDeclarator(int hasInit) {
  Record("CheckDeclarator", static_cast<long>(hasInit));
  if (RuleCompiling()) CompileCheckDeclarator(hasInit);
  if (Checking()) DeclCheckDeclarator(hasInit);
}
void BeginInit(int kind) {
  Record("BeginInit", static_cast<long>(kind));
  if (Checking()) DeclBeginInit();
}
void InitExpr() { Record("InitExpr"); }
void CheckInit(int isExpr) {
  Record("CheckInit", static_cast<long>(isExpr));
  if (!Checking()) return;
  DeclCheckInit();
  // An initializer that is one expression is a full expression.
  if (isExpr != 0) EndExpression();
}
void EmptyDeclaration() {
  Record("EmptyDeclaration");
  if (Checking()) DeclEmptyDeclaration();
}
void EndDclList() {
  Record("EndDclList");
  if (checkRules && pCode != nullptr) CompileEndDclList();
  if (Checking()) DeclEndDclList();
}
void ResetDeclarations() {
  Record("ResetDeclarations");
  if (Checking()) DeclRecover();
}
void PushDState(int kind) {
  Record("PushDState", static_cast<long>(kind));
  if (Checking()) DeclPushDState(kind);
}
void PopDState() {
  Record("PopDState");
  if (Checking()) DeclPopDState();
}
void DoTypeName() {
  Record("DoTypeName");
  if (Checking()) DeclTypeName();
}
void BeginTypeof(LexToken* word) {
  Record("BeginTypeof");
  if (Checking()) DeclBeginTypeof(word);
}
void EndTypeof(int ofType) {
  Record("EndTypeof", static_cast<long>(ofType));
  if (Checking()) DeclEndTypeof(ofType);
}
void FunParmStart(int kind) {
  Record("FunParmStart", static_cast<long>(kind));
  if (!Checking()) return;
  SetOp(op_open_funargs, nullptr, 0);
  DeclFunParmStart(kind);
}
void EndParm(int kind) {
  Record("EndParm", static_cast<long>(kind));
  if (Checking()) DeclEndParm(kind);
}
void MoreParms() { Record("MoreParms"); }
void Need3Dots() {
  Record("Need3Dots");
  if (Checking()) DeclNeed3Dots();
}
void Do3Dots(int kind) {
  Record("Do3Dots", static_cast<long>(kind));
  if (Checking()) DeclDo3Dots(kind);
}
void FunParmEnd(int kind) {
  Record("FunParmEnd", static_cast<long>(kind));
  if (!Checking()) return;
  DeclFunParmEnd(kind);
  SetOp(op_close_funargs, nullptr, 0);
}
void OldstyleFcn() {
  Record("OldstyleFcn");
  if (Checking()) DeclOldstyleFcn();
}
void FcnDeclarator() {
  Record("FcnDeclarator");
  if (Checking()) DeclFcnDeclarator();
}
void DeclareTag(const char* name, int kind) {
  if (Checking()) DeclDeclareTag(name, kind);
  if (actionTrace == nullptr) return;
  actionTrace->push_back("DeclareTag(" + std::string(name != nullptr ? name : "") + "," +
                         std::to_string(kind) + ")");
}

void StartMembers(int kind) {
  Record("StartMembers", static_cast<long>(kind));
  if (RuleCompiling() && kind == 353) CompileStartEnum();
  if (Checking()) DeclStartMembers(kind);
}
void CheckMember() {
  Record("CheckMember");
  if (Checking()) DeclCheckMember();
}
void DoBitField() {
  Record("DoBitField");
  if (Checking()) DeclBitField();
}
void AddEnum() {
  Record("AddEnum");
  if (RuleCompiling()) CompileAddEnum();
  if (Checking()) DeclAddEnum();
}
void EndMembers() {
  Record("EndMembers");
  if (Checking()) DeclEndMembers();
}
void EnumComma() {
  Record("EnumComma");
  if (Checking()) DeclEnumComma();
}

}  // namespace mv
