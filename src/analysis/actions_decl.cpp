// Declaration actions: specifiers, declarators, initializers, parameter lists,
// function declarators and tags.
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
void FunParmStart(int kind) { Record("FunParmStart", static_cast<long>(kind)); }
void EndParm(int kind) { Record("EndParm", static_cast<long>(kind)); }
void MoreParms() { Record("MoreParms"); }
void Need3Dots() { Record("Need3Dots"); }
void Do3Dots(int kind) { Record("Do3Dots", static_cast<long>(kind)); }
void FunParmEnd(int kind) { Record("FunParmEnd", static_cast<long>(kind)); }
void OldstyleFcn() { Record("OldstyleFcn"); }
void FcnDeclarator() { Record("FcnDeclarator"); }
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
