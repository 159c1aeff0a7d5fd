// The C++ records that the token stream's classification and the class
// actions share: tags found by name (a class name is a type name in C++),
// namespace names, the class bodies being read, and the storage of the
// names the grammar makes up (destructors).
#pragma once

namespace mv {

struct Tag;
struct Declarator;

// Start of a module: no tag, namespace or class body is known.
void InitClasses();

// A tag was declared (C++): it is found by name from now on, in its block
// or, at file scope, for the rest of the module.
void NoteTag(Tag* tag);
// The tag of that name visible here (innermost block first); null when none.
Tag* FindTag(const char* name);
// The class of that name defined in a block nested in the one that declares
// the object, or in any block when the object is no local; null when none.
Tag* FindTagBefore(const char* name, const Declarator* object);

// Constructors are declared under their class's name; that name still
// names the class.
void AddConstructor(const char* name);
bool IsConstructor(const char* name);

// Namespace names (and aliases) of the module.
void AddNamespaceName(const char* name);
bool IsNamespaceName(const char* name);

// The class bodies being read, innermost last. A body records its class's
// name (empty when anonymous) and the block level it was opened at, so that
// the class's own name followed by '(' at that level is a constructor.
void PushClassBody(const char* name, Tag* tag);
void PopClassBody();
bool InClassBody();
const char* ClassBodyName();
int ClassBodyLevel();
// The member access of the innermost body: 0 public, 1 protected, 2 private,
// 3 not given yet.
void SetMemberAccess(int access);
int MemberAccess();

// The class of a member function defined outside it (R C::f() { ... }),
// while its body is read; null otherwise.
void SetFunctionClass(Tag* tag);
Tag* FunctionClass();
// A member of the classes whose scope is open (the class bodies being read,
// innermost first, then the class of the function being defined), each
// searched with its base classes; null when none has one of that name.
Declarator* FindClassMember(const char* name);
bool ClassScopeOpen();
// The class or namespace name of the last qualifier read (null for `::`
// alone or a namespace), and a member of that class (or its bases).
void SetScopeName(const char* name);
const char* ScopeNameRead();
Declarator* FindScopedMember(const char* name);

// A name made up for the module's lifetime ("~C" for C's destructor).
char* KeepName(const char* prefix, const char* name);

}  // namespace mv
