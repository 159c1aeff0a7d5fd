// C++ declaration actions: class heads and bodies, base lists, access,
// the names of constructors, destructors and operator functions, linkage
// blocks, namespaces and using.
#include <cstring>

#include "analysis/actions.h"
#include "analysis/actions_cpp.h"
#include "analysis/actions_trace.h"
#include "analysis/classes.h"
#include "analysis/declare.h"
#include "analysis/symbols.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "support/public.h"

namespace mv {

namespace {

// The records are kept while C++ source is checked.
bool Cpp() { return checkRules == 0 && CPPKeys != 0; }

const char* pendingClass;  // the name of the class head just read

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
  if (Cpp()) PushClassBody(pendingClass);
  pendingClass = nullptr;
}

void EndClassBody() {
  Record("EndClassBody");
  if (Cpp()) PopClassBody();
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

void OperatorReference(LexToken* keyword) {
  if (Cpp() && keyword != nullptr) keyword->declaration = FindOrdinary(keyword->text);
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
