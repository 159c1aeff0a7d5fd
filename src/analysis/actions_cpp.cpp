// C++ expression and statement actions. While a rule file is compiled none of
// these constructs can occur (the rule language has no C++ keywords), except
// that try is refused by SetOp.
#include "analysis/actions_cpp.h"

#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/actions.h"
#include "analysis/actions_trace.h"
#include "analysis/declare.h"
#include "analysis/statements.h"
#include "analysis/symbols.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "rules/mvvars.h"
#include "support/public.h"

namespace mv {

namespace {

bool Checking() { return notRules && !checkRules && mvValue[stm_] != nullptr; }

// One open try: the types its handlers catch, in order.
struct TryRecord {
  std::vector<const Type*> handlers;
};
std::vector<TryRecord> tries;
// The parameter of the handler being read, until its block enters it.
Declarator* catchParameter;
const Type* catchType;

// The base classes named in each class head, by class name.
std::unordered_multimap<std::string, std::string> baseClasses;

bool DerivedByName(const std::string& derived, const std::string& base, int depth) {
  if (derived == base) return true;
  if (depth > 32) return false;
  auto range = baseClasses.equal_range(derived);
  for (auto it = range.first; it != range.second; ++it)
    if (DerivedByName(it->second, base, depth + 1)) return true;
  return false;
}

// Levels of a type with its typedef names expanded, outermost first, and
// the type that gives its base.
const Type* Expand(const Type* t, std::vector<const Modifier*>* levels) {
  for (int guard = 0; t != nullptr && guard < 64; ++guard) {
    for (const Modifier* m = t->levels; m != nullptr; m = m->next) levels->push_back(m);
    if (t->Base() != kBaseTypedef || t->TargetIsTag() || t->target == nullptr) break;
    t = static_cast<const Type*>(t->target);
  }
  return t;
}

const Tag* TagOf(const Type* t) { return t != nullptr && t->TargetIsTag() ? static_cast<const Tag*>(t->target) : nullptr; }

// Levels match: references are left out; a pointer pairs with an array at
// the first level (not with one of known size), deeper arrays only with
// arrays of the same size (or a pointer with an array of unknown size).
bool CompModList(const std::vector<const Modifier*>& a, const std::vector<const Modifier*>& b) {
  std::vector<const Modifier*> x, y;
  for (const Modifier* m : a)
    if (m->kind != kModReference) x.push_back(m);
  for (const Modifier* m : b)
    if (m->kind != kModReference) y.push_back(m);
  if (x.size() != y.size()) return false;
  for (size_t i = 0; i < x.size(); ++i) {
    const Modifier* p = x[i];
    const Modifier* q = y[i];
    if (p->kind == q->kind) {
      if (p->kind == kModArray && i > 0 && p->dimension != q->dimension) return false;
      continue;
    }
    const bool mixed = (p->kind == kModPointer && q->kind == kModArray) || (p->kind == kModArray && q->kind == kModPointer);
    if (!mixed) return false;
    const Modifier* array = p->kind == kModArray ? p : q;
    if (array->dimension > 0) return false;
    if (i > 0 && array->dimension != 0) return false;
  }
  return true;
}

bool IsAggregate(int base) { return base == kBaseUnion || base == kBaseStruct || base == kBaseClass; }

}  // namespace

bool Derive(const Tag* derived, const Tag* base) {
  if (derived == nullptr || base == nullptr) return false;
  if (derived == base) return true;
  return !derived->name.empty() && !base->name.empty() && DerivedByName(derived->name, base->name, 0);
}

void NoteBaseClass(const char* derived, const char* base) {
  if (derived != nullptr && base != nullptr) baseClasses.emplace(derived, base);
}

std::vector<std::string> BaseClassNames(const std::string& derived) {
  std::vector<std::string> names;
  auto range = baseClasses.equal_range(derived);
  for (auto it = range.first; it != range.second; ++it) names.push_back(it->second);
  return names;
}

bool Hides(const Type* earlier, const Type* later) {
  if (earlier == nullptr || later == nullptr) return false;
  std::vector<const Modifier*> el, ll;
  const Type* e = Expand(earlier, &el);
  const Type* l = Expand(later, &ll);
  const int eb = e->Base();
  const int lb = l->Base();
  if (eb == kBaseEllipsis) return true;
  if (eb >= kBaseConstructor && eb <= kBaseTemplateParm) return false;
  if (lb >= kBaseConstructor && lb <= kBaseTemplateParm) return false;
  if (eb == lb) {
    if (eb == kBaseEnum) return TagOf(e) == TagOf(l) && CompModList(el, ll);
    if (IsAggregate(eb)) return Derive(TagOf(l), TagOf(e)) && CompModList(el, ll);
    if (lb == kBaseEllipsis) return false;
    return e->name == l->name && CompModList(el, ll);
  }
  if (IsAggregate(eb) && IsAggregate(lb)) return Derive(TagOf(l), TagOf(e)) && CompModList(el, ll);
  return false;
}

void InitCppActions() {
  tries.clear();
  baseClasses.clear();
  catchParameter = nullptr;
  catchType = nullptr;
}

// ---- Expressions ---------------------------------------------------------------------

void StartNewCall(LexToken* token) {
  Record("StartNewCall");
  SetOp(op_new, token, 1);
}
void NewPlacement() { Record("NewPlacement"); }
void EndNewCall() { Record("EndNewCall"); }
void FcnCastStart() { Record("FcnCastStart"); }
void FcnCastEnd(LexToken* name) {
  Record("FcnCastEnd");
  SetOp(op_cast, name, 2);
}
void NamedCast(LexToken* keyword) {
  Record("NamedCast");
  SetOp(op_cast, keyword, 2);
}
void TypeId(LexToken*) { Record("TypeId"); }
void DoThis(LexToken*) { Record("DoThis"); }
void ThrowExpr(LexToken* token, int hasOperand) {
  Record("ThrowExpr", static_cast<long>(hasOperand));
  SetOp(op_throw, token, hasOperand);
  // A throw leaves the case it stands in.
  if (Checking()) JumpInSwitch();
}

// ---- try and catch ------------------------------------------------------------------------

void BeginTry() {
  Record("BeginTry");
  if (!Checking()) return;
  tries.emplace_back();
  BeginStatement(kKindTry);
  BeginBody();
}
void DoTry() {
  Record("DoTry");
  if (Checking()) EndBody(false);
}
void BeginCatch() {
  Record("BeginCatch");
  if (!Checking()) return;
  SetStatementKind(kKindCatch);
  catchParameter = nullptr;
  catchType = nullptr;
  DeclFunParmStart(3);
}
void CheckCatchCond() {
  Record("CheckCatchCond");
  if (!Checking()) return;
  catchParameter = ruleDecl != nullptr && (ruleDecl->flags & kDclParameter) != 0 ? ruleDecl : nullptr;
  catchType = catchParameter != nullptr ? catchParameter->type : nullptr;
}
void Do3DotsCatch() {
  Record("Do3DotsCatch");
  if (!Checking()) return;
  Type* t = NewType();
  t->SetBase(kBaseEllipsis);
  catchType = t;
  catchParameter = nullptr;
}
void DoCatch() {
  Record("DoCatch");
  if (!Checking()) return;
  DeclPopDState();
  if (!tries.empty()) {
    TryRecord& r = tries.back();
    if (catchType != nullptr) {
      for (const Type* earlier : r.handlers)
        if (Hides(earlier, catchType)) {
          SetMVBoolean(stm_, kStmNeverCaught);
          break;
        }
    }
    r.handlers.push_back(catchType);
  }
  BeginBody();
}
void EnterCatchParameter() {
  Record("EnterCatchParameter");
  if (!Checking()) return;
  if (catchParameter != nullptr && !catchParameter->name.empty()) {
    catchParameter->flags |= kDclSet | kDclLocal;
    AddLocal(catchParameter);
  }
  catchParameter = nullptr;
}
void EndCatch() {
  Record("EndCatch");
  if (Checking()) EndBody(false);
}
void EndTry() {
  Record("EndTry");
  if (!Checking()) return;
  SetMVBoolean(stm_, kStmEndTryblock);
  if (!tries.empty()) {
    SetMVInteger(stm_, kStmCatchs, static_cast<int32_t>(tries.back().handlers.size()));
    tries.pop_back();
  }
}

}  // namespace mv
