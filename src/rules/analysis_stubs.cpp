#include "rules/analysis_stubs.h"

#include <string>

#include "analysis/declare.h"
#include "analysis/symbols.h"
#include "frontend/files.h"
#include "frontend/line.h"
#include "frontend/macros.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/regions.h"

namespace mv {

namespace {

enum Answer { kZero, kNull, kEmpty, kAnonymous };

struct Stub {
  int function;
  int arity;
  Answer answer;
};

// The built-ins of the analysis, with the answer each gives when there is no
// current declarator, identifier, tag, operand, class or function.
constexpr Stub kStubs[] = {
    {6, 0, kNull},     // class_name
    {13, 0, kNull},    // dcl_scope_name
    {18, 0, kNull},    // idn_exception_name
    {21, 0, kEmpty},   // exp_base_name
    {26, 1, kZero},    // find_root
    {27, 2, kZero},    // find_scoped_root
    {32, 0, kNull},    // fcn_name
    {64, 1, kNull},    // mod_class_name
    {65, 1, kZero},    // mod_class_tokens
    {66, 1, kZero},    // mod_class_lines
    {73, 2, kZero},    // op_array_dim
    {74, 1, kZero},    // op_base
    {75, 1, kNull},    // op_base_name
    {76, 1, kZero},    // op_bitfield
    {78, 2, kZero},    // op_level
    {79, 2, kZero},    // op_level_flags
    {80, 1, kZero},    // op_levels
    {82, 1, kZero},    // op_parened_operand
    {122, 1, kZero},   // tag_baseclass_access
    {123, 1, kZero},   // tag_baseclass_kind
    {124, 1, kNull},   // tag_baseclass_name
    {125, 2, kZero},   // tag_components
    {126, 0, kAnonymous},  // tag_name
};

const char kEmptyText[1] = "";
const char kAnonymousText[] = "<anonymous>";

void Answer(int function, int argc, int) {
  for (int i = 0; i < argc; ++i) {
    MVWord value;
    int tag;
    PopGeneral(&value, &tag);
  }
  for (const Stub& s : kStubs) {
    if (s.function != function) continue;
    switch (s.answer) {
      case kZero: PushLong(0); break;
      case kNull: PushPointer(nullptr); break;
      case kEmpty: PushPointer(HandOut(kEmptyText)); break;
      case kAnonymous: PushPointer(HandOut(kAnonymousText)); break;
    }
    return;
  }
}

// Inside a directive the name is that of the macro being defined; else the
// name of the current declarator (null for none or an abstract one).
void DclNameFn(int, int, int) {
  if (inDirective) {
    PushPointer(HandOut(macName.c_str()));
    return;
  }
  const Declarator* d = ruleDecl;
  PushPointer(d != nullptr && !d->name.empty() ? HandOut(d->name.c_str()) : nullptr);
}

const char* Text(const char* p) { return p != nullptr ? HandOut(p) : nullptr; }

// The declarator a built-in asks about: the current declarator (dcl_) or
// the declaration of the identifier just used (idn_).
const Declarator* Subject(int function) {
  switch (function) {
    case 38: case 39: case 40: case 41: case 42: case 43: return foundDec;
    default: return ruleDecl;
  }
}

const Type* SubjectType(int function) {
  const Declarator* d = Subject(function);
  return d != nullptr ? d->type : nullptr;
}

// dcl_array_dim(n), idn_array_dim(n): the dimension of level n when it is an array.
void ArrayDimFn(int function, int, int) {
  const int n = static_cast<int>(PopLong());
  const Modifier* m = GetLevel(SubjectType(function), n);
  PushLong(m != nullptr && m->kind == kModArray ? m->dimension : 0);
}

// dcl_level(n), idn_level(n): the kind of level n.
void LevelFn(int function, int, int) {
  const int n = static_cast<int>(PopLong());
  const Modifier* m = GetLevel(SubjectType(function), n);
  PushLong(m != nullptr ? m->kind : 0);
}

// dcl_level_flags(n), idn_level_flags(n).
void LevelFlagsFn(int function, int, int) {
  const int n = static_cast<int>(PopLong());
  PushLong(GetLevelFlags(SubjectType(function), n));
}

// dcl_base_name, idn_base_name.
void BaseNameFn(int function, int, int) { PushPointer(Text(GetBaseName(SubjectType(function)))); }

// dcl_base_name_root: the base after following typedef names.
void RootBaseNameFn(int function, int, int) { PushPointer(Text(GetRootBaseName(SubjectType(function)))); }

// idn_filename: where the identifier's declaration is.
void IdnFilenameFn(int, int, int) {
  const Declarator* d = foundDec;
  PushPointer(d != nullptr ? Text(FileName(d->file)) : nullptr);
}

// idn_name: the declaration's name, else the enumeration constant's, else
// the declarator being read.
void IdnNameFn(int, int, int) {
  if (foundDec != nullptr) {
    PushPointer(HandOut(foundDec->name.c_str()));
  } else if (foundEnum != nullptr) {
    PushPointer(HandOut(foundEnum->name.c_str()));
  } else if (!dclName.empty()) {
    PushPointer(HandOut(dclName.c_str()));
  } else {
    PushPointer(nullptr);
  }
}

// dcl_typedef_name(s): the current declarator's base is the typedef or tag s.
void TypedefNameFn(int, int, int) {
  const char* s = PopPointer();
  const Type* t = ruleDecl != nullptr ? ruleDecl->type : nullptr;
  if (s != nullptr) s = CheckedText(s, "dcl_typedef_name");
  PushLong(t != nullptr && s != nullptr && *s != 0 && t->name == s ? 1 : 0);
}

// The name of the i-th object of the current block that was never used.
void UnusedNameFn(int, int, int) {
  const int32_t i = PopLong();
  PushPointer(Text(UnusedName(i)));
}

}  // namespace

void RegisterAnalysisStubs() {
  for (const Stub& s : kStubs)
    if (!BuiltinRegistered(s.function)) RegisterBuiltin(s.function, Answer, s.arity);
  if (!BuiltinRegistered(12)) RegisterBuiltin(12, DclNameFn, 0);
  const struct {
    int function;
    BuiltinHandler run;
    int arity;
  } real[] = {
      {9, ArrayDimFn, 1},    {10, BaseNameFn, 0},   {11, RootBaseNameFn, 0}, {38, ArrayDimFn, 1},
      {39, BaseNameFn, 0},   {40, IdnFilenameFn, 0}, {41, LevelFn, 1},       {42, LevelFlagsFn, 1},
      {43, IdnNameFn, 0},    {52, LevelFn, 1},      {53, LevelFlagsFn, 1},   {132, TypedefNameFn, 1},
      {134, UnusedNameFn, 1},
  };
  for (const auto& r : real)
    if (!BuiltinRegistered(r.function)) RegisterBuiltin(r.function, r.run, r.arity);
}

}  // namespace mv
