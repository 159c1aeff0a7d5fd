// C++ declaration actions: class heads and bodies, base lists, access,
// the names of constructors, destructors and operator functions, linkage
// blocks, namespaces and using.
#include <cstring>
#include <string>
#include <vector>

#include "analysis/actions.h"
#include "analysis/actions_cpp.h"
#include "analysis/actions_trace.h"
#include "analysis/classes.h"
#include "analysis/declare.h"
#include "analysis/symbols.h"
#include "analysis/templates.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "support/public.h"

namespace mv {

namespace {

// The records are kept while C++ source is checked.
bool Cpp() { return checkRules == 0 && CPPKeys != 0; }

const char* pendingClass;  // the name of the class head just read

// The function being defined when each body read at its class's end began
// (a local class's in a function body), innermost last.
std::vector<Declarator*> enclosingFunctions;

// The declarator that a qualified name made, and its class.
const Declarator* qualifiedDecl;
Tag* qualifiedTag;

// A function's name made of the tokens after `operator` up to its
// parameter list: "operator" and the operator's text ("operator_new[]",
// "operator(" for the call operator, "operator[" for the subscript), or
// for a conversion function "operator_" and the type, blanks as '_'.
std::string OperatorFunctionName(LexToken* keyword) {
  LexToken* first = NextToken(keyword);
  if (first == nullptr) return "operator";
  const int c = first->type;
  if (c == 378 || c == 379) {
    LexToken* n = NextToken(first);
    const bool array = n != nullptr && (n->type == '[' || n->type == 269);
    return std::string(c == 379 ? "operator_new" : "operator_delete") + (array ? "[]" : "");
  }
  if (c == '(' || (c >= 294 && c <= 297)) return "operator(";
  if (c == '[' || c == 269) return "operator[";
  if (c < 300 && c != 281) return std::string("operator") + first->text;
  std::string type;
  int count = 0;
  for (LexToken* t = first; t != nullptr && count < 32; t = NextToken(t), ++count) {
    if (t->type == '(' || (t->type >= 294 && t->type <= 297) || t->type == ';' || t->type == '{') break;
    if (!type.empty()) type += '_';
    if (t->type == 315 || t->type == 319) {
      const Tag* tag = FindTag(t->text);
      if (tag != nullptr && tag->kind == kBaseClass) type += "class_";
      else if (tag != nullptr && tag->kind == kBaseStruct) type += "struct_";
      else if (tag != nullptr && tag->kind == kBaseUnion) type += "union_";
    }
    type += t->text;
  }
  std::string name = "operator_" + type;
  if (name.size() > 126) name.resize(126);
  return name;
}

// public (and the dialects' __published, __automated) 0, protected 1, private 2.
int AccessOf(const LexToken* keyword) {
  if (keyword == nullptr || keyword->text == nullptr) return 3;
  if (strcmp(keyword->text, "protected") == 0) return 1;
  if (strcmp(keyword->text, "private") == 0) return 2;
  return 0;
}

}  // namespace

void ClassHead(LexToken* name) {
  Record("ClassHead");
  pendingClass = name != nullptr ? name->text : nullptr;
}

void StartClassBody() {
  Record("StartClassBody");
  if (Cpp()) {
    // Outside every body being read, no enclosing function is left over (a
    // syntax error may leave one).
    if (!InClassBody() && !ReplayingBodies()) enclosingFunctions.clear();
    PushClassBody(pendingClass, MemberTag());
    OpenClassBody();
  }
  pendingClass = nullptr;
}

void EndClassBody() {
  Record("EndClassBody");
  if (Cpp()) {
    PopClassBody();
    CloseClassBody();
  }
}

bool DeferredFcn() {
  if (!Cpp() || !InClassBody()) return false;
  Declarator* d = DeclDeferredFcn();
  const bool brace = yaccTokenType == '{';
  if (SkipDeferredBody(d) == nullptr) return false;
  TemplateBodySkipped(d, brace);
  return true;
}

void StartDeferred() {
  Record("StartDeferred");
  if (!Cpp()) return;
  enclosingFunctions.push_back(currFcnDef);
  Declarator* d = DeferredBodyFunction();
  TemplateBodyReplayed(d);
  DeclStartDeferred(d);
}

void NextDeferred() {
  Record("NextDeferred");
  if (!Cpp()) return;
  TemplateBodyRead();
  if (enclosingFunctions.empty()) return;
  // A local class's member function was read inside a function body.
  currFcnDef = enclosingFunctions.back();
  enclosingFunctions.pop_back();
}

void DropDeferred() {
  if (!Cpp()) return;
  DropDeferredBodies();
  DropSkippedTemplateBodies();
  enclosingFunctions.clear();
}

void ScopeName(LexToken* name) { SetScopeName(name != nullptr ? name->text : nullptr); }

void QualifiedName() {
  if (!Cpp()) return;
  qualifiedDecl = currDecl;
  qualifiedTag = ScopeNameRead() != nullptr ? FindTag(ScopeNameRead()) : nullptr;
}

void FunctionScope() {
  if (!Cpp()) return;
  Declarator* d = currFcnDef;
  Tag* tag = d != nullptr && d == qualifiedDecl ? qualifiedTag : nullptr;
  if (tag != nullptr && d->owner == nullptr) d->owner = tag;
  if (!InClassBody()) SetFunctionClass(tag);
  qualifiedDecl = nullptr;
}

void StartBase() { Record("StartBase"); }

void BaseName(LexToken* name) {
  Record("BaseName");
  if (Cpp() && name != nullptr) NoteBaseClass(pendingClass, name->text);
}

void SetAccess(LexToken* keyword) {
  const int access = AccessOf(keyword);
  Record("SetAccess", static_cast<long>(access));
  if (Cpp()) SetMemberAccess(access);
}

void DeclaratorName(LexToken* name, int kind) {
  if (Cpp() && name != nullptr && name->type == 380) name->text = KeepName("", OperatorFunctionName(name).c_str());
  DeclName(name);
  if (!checkRules) NoteIdentifier(name);
  if (Cpp() && name != nullptr && name->type == 314) AddConstructor(name->text);
  DirectDecl(kind);
}

void DestructorName(LexToken* tilde, LexToken* name) {
  if (!checkRules && tilde != nullptr && name != nullptr) {
    tilde->text = KeepName("~", name->text);
    NoteIdentifier(tilde);
  }
  DirectDecl(1);
}

void OperatorReference(LexToken* keyword, int qualified) {
  if (!Cpp() || keyword == nullptr) return;
  keyword->text = KeepName("", OperatorFunctionName(keyword).c_str());
  Declarator* d = qualified != 0 ? FindScopedMember(keyword->text) : FindClassMember(keyword->text);
  keyword->declaration = d != nullptr ? d : FindOrdinary(keyword->text);
  foundDec = keyword->declaration;
}

void LinkageStart(LexToken*) { Record("LinkageStart"); }
void LinkageEnd() { Record("LinkageEnd"); }

void NamespaceStart(LexToken* name) {
  Record("NamespaceStart");
  if (Cpp() && name != nullptr) AddNamespaceName(name->text);
}

void NamespaceEnd() { Record("NamespaceEnd"); }

void NamespaceAlias(LexToken* name) {
  Record("NamespaceAlias");
  if (Cpp() && name != nullptr) AddNamespaceName(name->text);
}

void UsingDirective() { Record("UsingDirective"); }
void UsingDeclaration() { Record("UsingDeclaration"); }

}  // namespace mv
