// Scopes and name lookup for C: the blocks, the module tables (typedefs,
// static identifiers, enumeration constants), the project tables (external
// identifiers, typedefs, tags), entering declarators with their duplicate,
// conflict and prototype checks, and the lookup that classifies identifiers.
#include "analysis/symbols.h"

#include <cctype>
#include <cstring>
#include <deque>

#include "analysis/classes.h"
#include "analysis/classify.h"
#include "analysis/module.h"
#include "driver/options.h"
#include "frontend/files.h"
#include "frontend/lex.h"
#include "frontend/lex2.h"
#include "frontend/line.h"
#include "frontend/macros.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "support/mverror.h"

namespace mv {

Declarator* foundDec;
Tag* foundTag;
EnumConst* foundEnum;
bool idFound;
int32_t thisEnumValue;
Block* topBlock;

namespace {

constexpr int kChains = 127;
constexpr int kEvtConflictLine = 8;

// Records live until the project ends: a project table may point at them.
struct Pools {
  std::deque<Declarator> declarators;
  std::deque<Type> types;
  std::deque<Modifier> modifiers;
  std::deque<Proto> protos;
  std::deque<Tag> tags;
  std::deque<EnumConst> enums;
  std::deque<Block> blocks;
};
Pools* pools;

Pools& P() {
  if (pools == nullptr) pools = new Pools;
  return *pools;
}

// A hash table of declarators; chains of the sorted tables are kept in
// ascending name order.
struct DeclTable {
  Declarator* chain[kChains] = {};
  void Clear() {
    for (Declarator*& c : chain) c = nullptr;
  }
};
struct EnumTable {
  EnumConst* chain[kChains] = {};
  void Clear() {
    for (EnumConst*& c : chain) c = nullptr;
  }
};

DeclTable modTypeDef, statIdent, extIdent, prjTypeDef;
EnumTable modEnums;
Tag* prjTags;
Block* freeBlocks;

unsigned Hash(const char* name) {
  uint32_t h = 0;
  for (const char* p = name; *p != 0; ++p) h = (h << 1) ^ static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*p)));
  return h % kChains;
}

Declarator* FindIn(Declarator* list, const char* name) {
  for (Declarator* d = list; d != nullptr; d = d->next)
    if (d->name == name) return d;
  return nullptr;
}

EnumConst* FindEnumIn(EnumConst* list, const char* name) {
  for (EnumConst* e = list; e != nullptr; e = e->next)
    if (e->name == name) return e;
  return nullptr;
}

// A sorted chain: stops at the first greater name. The chain index is the
// name's Hash, which a caller looking in several tables computes once.
Declarator* FindSorted(const DeclTable& table, const char* name, unsigned chain) {
  for (Declarator* d = table.chain[chain]; d != nullptr; d = d->next) {
    const int c = strcmp(d->name.c_str(), name);
    if (c == 0) return d;
    if (c > 0) break;
  }
  return nullptr;
}

Declarator* FindSorted(const DeclTable& table, const char* name) { return FindSorted(table, name, Hash(name)); }

void InsertSorted(DeclTable& table, Declarator* decl) {
  Declarator** at = &table.chain[Hash(decl->name.c_str())];
  while (*at != nullptr && strcmp((*at)->name.c_str(), decl->name.c_str()) < 0) at = &(*at)->next;
  decl->next = *at;
  *at = decl;
}

bool SameModifiers(const Modifier* a, const Modifier* b) {
  for (; a != nullptr && b != nullptr; a = a->next, b = b->next) {
    if (a->kind != b->kind || a->flags != b->flags) return false;
    if (a->kind == kModArray && a->dimension != b->dimension) return false;
    if (a->kind == kModFunction) {
      const Proto* p = a->prototype;
      const Proto* q = b->prototype;
      const int pk = p != nullptr ? p->kind : 0;
      const int qk = q != nullptr ? q->kind : 0;
      // An empty list says nothing about the parameters.
      if (pk != 0 && qk != 0) {
        if (p->count != q->count && !(pk == 1 && qk == 1)) return false;
        const Declarator* x = p->parms;
        const Declarator* y = q->parms;
        for (; x != nullptr && y != nullptr; x = x->next, y = y->next)
          if (!SameType(x->type, y->type)) return false;
        if ((x == nullptr) != (y == nullptr)) return false;
      }
    }
  }
  return a == nullptr && b == nullptr;
}

bool IsFunction(const Declarator* d) {
  return d->type != nullptr && d->type->levels != nullptr && d->type->levels->kind == kModFunction;
}

// A function level declared with an empty () list in C.
bool WithoutPrototype(const Declarator* d) {
  if (!IsFunction(d)) return false;
  const Proto* p = d->type->levels->prototype;
  return p == nullptr || p->kind == 0 || p->kind == 2;
}

bool RulesOnLine() { return yaccLine != nullptr && (yaccLine->flags & kLineRulesApply) != 0; }

void FireNow(int index, int32_t value) {
  if (checkRules) return;
  if (RulesOnLine()) Do1Rule(dcl_, index, value, true);
}

void SetConflict(const Declarator* earlier) {
  SetMVInteger(dcl_, dv::kConflict, 1);
  SetMVInteger(evt_, kEvtConflictLine, earlier->line);
  conflictFile = earlier->file;
}

// Gives an entry the declaration's type and position.
void Update(Declarator* entry, const Declarator* decl, bool predeclared) {
  entry->type = decl->type;
  if (decl->Is(kDclDefined)) entry->flags |= kDclDefined;
  if (decl->Is(kDclFunction)) entry->flags |= kDclFunction;
  if (!predeclared) {
    entry->line = decl->line;
    entry->file = decl->file;
  }
}

Block* MakeBlock() {
  Block* b = freeBlocks;
  if (b != nullptr) {
    freeBlocks = b->parent;
    *b = Block{};
  } else {
    b = &P().blocks.emplace_back();
  }
  return b;
}

void Counts(const Declarator* decl, bool* aggregate, long* elements) {
  *aggregate = false;
  *elements = 0;
  const Type* t = decl->type;
  if (t == nullptr) return;
  const Modifier* m = t->levels;
  if (m != nullptr && m->kind == kModArray) {
    *aggregate = true;
    long product = 1;
    for (; m != nullptr && m->kind == kModArray && m->dimension > 0; m = m->next) product *= m->dimension;
    if (product > 1) *elements = product;
    return;
  }
  if (m == nullptr) {
    const int base = t->Base();
    *aggregate = base >= kBaseUnion && base <= kBaseClass;
  }
}

// A file-scope object in the module's counts: its kind of object, and
// whether it is static, extern or a global definition.
void CountGlobal(const Declarator* decl) {
  bool aggregate;
  long elements;
  Counts(decl, &aggregate, &elements);
  const Type* t = decl->type;
  const int base = t != nullptr ? t->Base() : kBaseNone;
  if (aggregate)
    ++modData.aggregates;
  else if (base != kBaseTypedef && base != kBaseTemplateParm && base != kBaseEllipsis)
    ++modData.simpleObjects;
  modData.arrayElements += elements;
  const int storage = t != nullptr ? t->Storage() : kStorNone;
  if (storage == kStorStatic)
    ++modData.statics;
  else if (storage == kStorExtern)
    ++modData.externs;
  else
    ++modData.globals;
}

}  // namespace

bool SameType(const Type* a, const Type* b) {
  if (a == b) return true;
  if (a == nullptr || b == nullptr) return false;
  if (a->Base() != b->Base() || a->qualifiers != b->qualifiers || a->name != b->name) return false;
  return SameModifiers(a->levels, b->levels);
}

Declarator* NewDeclarator() { return &P().declarators.emplace_back(); }
Type* NewType() { return &P().types.emplace_back(); }
Modifier* NewModifier() { return &P().modifiers.emplace_back(); }
Proto* NewProto() { return &P().protos.emplace_back(); }
Tag* NewTag() { return &P().tags.emplace_back(); }
EnumConst* NewEnumConst() { return &P().enums.emplace_back(); }

int LevelCount(const Type* type) {
  int n = 0;
  if (type != nullptr)
    for (const Modifier* m = type->levels; m != nullptr; m = m->next) ++n;
  return n;
}

// ---- Lookup --------------------------------------------------------------------------------------

int FindTypeDef(const char* name, LexToken*, int scopeClass, int, int wantTypes) {
  foundDec = nullptr;
  foundTag = nullptr;
  foundEnum = nullptr;
  idFound = false;
  if (name == nullptr || *name == 0) return kLookIdent;
  if (scopeClass == 0) {
    for (Block* b = topBlock; b != nullptr; b = b->parent) {
      if (wantTypes != 0) {
        if (Declarator* d = FindIn(b->typedefs, name)) {
          foundDec = d;
          idFound = true;
          return kLookTypedef;
        }
      }
      if (Declarator* d = FindIn(b->declarators, name)) {
        foundDec = d;
        idFound = true;
        return kLookIdent;
      }
      if (EnumConst* e = FindEnumIn(b->enums, name)) {
        foundEnum = e;
        thisEnumValue = e->value;
        idFound = true;
        return kLookEnum;
      }
    }
    // Between a definition's declarator and its body its parameters are known.
    if (topBlock == nullptr && InFunctionHeader() && currFcnDef != nullptr && IsFunction(currFcnDef)) {
      const Proto* p = currFcnDef->type->levels->prototype;
      if (p != nullptr)
        if (Declarator* d = FindIn(p->parms, name)) {
          foundDec = d;
          idFound = true;
          return kLookIdent;
        }
    }
    // C++: the members of the classes whose scope is open (not after a
    // qualifier: ::X names no member).
    if (CPPKeys && ClassScopeOpen() && yaccTokenType != kTokScope)
      if (Declarator* d = FindClassMember(name)) {
        const bool isType = d->type != nullptr && d->type->Storage() == kStorTypedef;
        if (!isType || wantTypes != 0) {
          foundDec = d;
          idFound = true;
          return isType ? kLookTypedef : kLookIdent;
        }
      }
  }
  const unsigned chain = Hash(name);
  if (wantTypes != 0) {
    if (Declarator* d = FindIn(modTypeDef.chain[chain], name)) {
      foundDec = d;
      idFound = true;
      return kLookTypedef;
    }
  }
  Declarator* d = FindSorted(statIdent, name, chain);
  if (d == nullptr) d = FindSorted(extIdent, name, chain);
  if (d != nullptr) {
    foundDec = d;
    idFound = true;
    return kLookIdent;
  }
  if (EnumConst* e = FindEnumIn(modEnums.chain[chain], name)) {
    foundEnum = e;
    thisEnumValue = e->value;
    idFound = true;
    return kLookEnum;
  }
  return kLookIdent;
}

bool IsTypeName(const char* name) {
  Declarator* d = foundDec;
  Tag* t = foundTag;
  EnumConst* e = foundEnum;
  const bool f = idFound;
  const int32_t v = thisEnumValue;
  const bool is = FindTypeDef(name, nullptr, 0, 0, 1) == kLookTypedef;
  foundDec = d;
  foundTag = t;
  foundEnum = e;
  idFound = f;
  thisEnumValue = v;
  return is;
}

bool FindEnumConst(const char* name, int32_t* value) {
  for (Block* b = topBlock; b != nullptr; b = b->parent)
    if (EnumConst* e = FindEnumIn(b->enums, name)) {
      *value = e->value;
      return true;
    }
  if (EnumConst* e = FindEnumIn(modEnums.chain[Hash(name)], name)) {
    *value = e->value;
    return true;
  }
  return false;
}

Declarator* FindOrdinary(const char* name) {
  for (Block* b = topBlock; b != nullptr; b = b->parent)
    if (Declarator* d = FindIn(b->declarators, name)) return d;
  if (Declarator* d = FindSorted(statIdent, name)) return d;
  return FindSorted(extIdent, name);
}

// ---- Use of names --------------------------------------------------------------------------------

namespace {

// The token before t on its line; null when t begins the line.
const LexToken* TokenBefore(const LexToken* t) {
  if (t == nullptr || t->line == nullptr) return nullptr;
  const LexToken* before = nullptr;
  int steps = 0;
  for (const LexToken* p = t->line->start; p != nullptr && p != t; p = p->next) {
    if (++steps > 4096) return nullptr;  // a line that long comes from macros
    if (p->type != kTokEndLine && p->type != kTokDropped) before = p;
  }
  return before;
}

bool AddressTaken(const LexToken* t) {
  const LexToken* before = TokenBefore(t);
  return before != nullptr && before->type == '&';
}

// An assignment follows the name within its expression: up to the ';', a
// ',' or the ')' or ']' that closes a bracket opened before the name.
bool AssignedAfter(LexToken* t) {
  int depth = 0;
  int steps = 0;
  for (LexToken* n = NextToken(t); n != nullptr && ++steps < 512; n = NextToken(n)) {
    const int c = n->type;
    if (c == ';' || c == '{' || c == '}' || (c == ',' && depth == 0)) return false;
    if (c == '(' || c == '[' || (c >= 294 && c <= 297)) ++depth;
    else if ((c == ')' || c == ']') && --depth < 0) return false;
    else if (depth == 0 && (c == '=' || c == kTokBorlandEq || (c >= 270 && c <= 279))) return true;
  }
  return false;
}

// An object that counts as unused: not used, not a function nor a typedef.
bool Unused(const Declarator* d) {
  return !d->Is(kDclUsed) && !d->Is(kDclFunction) &&
         (d->type == nullptr || d->type->Storage() != kStorTypedef);
}

}  // namespace

bool CheckSet(Declarator* decl, LexToken* token, bool inArgList) {
  if (decl == nullptr || decl->Is(kDclFunction)) return false;
  decl->flags |= kDclUsed;
  if (decl->Is(kDclSet)) return false;
  // Objects of static storage start out set.
  const int storage = decl->type != nullptr ? decl->type->Storage() : kStorNone;
  if (!decl->Is(kDclLocal) || storage == kStorStatic || storage == kStorExtern) {
    decl->flags |= kDclSet;
    return false;
  }
  if (inArgList || AddressTaken(token) || AssignedAfter(token)) {
    decl->flags |= kDclSet;
    return false;
  }
  return true;
}

int UnusedInBlock() {
  int n = 0;
  if (topBlock != nullptr)
    for (const Declarator* d = topBlock->declarators; d != nullptr; d = d->next) n += Unused(d) ? 1 : 0;
  return n;
}

const char* UnusedName(int i) {
  if (topBlock == nullptr || i < 0) return nullptr;
  // The block's list holds the newest declaration first; names go in
  // declaration order.
  std::vector<const Declarator*> unused;
  for (const Declarator* d = topBlock->declarators; d != nullptr; d = d->next)
    if (Unused(d)) unused.push_back(d);
  if (i >= static_cast<int>(unused.size())) return nullptr;
  return unused[unused.size() - 1 - static_cast<size_t>(i)]->name.c_str();
}

int UnusedStatics() {
  int n = 0;
  for (const Declarator* chain : statIdent.chain)
    for (const Declarator* d = chain; d != nullptr; d = d->next) n += Unused(d) ? 1 : 0;
  return n;
}

// ---- Similar names -----------------------------------------------------------------------------

namespace {

// Searches one list: -1 when the name is there, else the first common prefix
// of 6 or more characters, else 0.
template <typename Same>
int SimilarIn(const Declarator* list, const char* name, Same same) {
  for (const Declarator* d = list; d != nullptr; d = d->next) {
    const char* other = d->name.c_str();
    if (strcmp(other, name) == 0) return -1;
    int n = 0;
    while (name[n] != 0 && same(name[n], other[n])) ++n;
    if (n >= 6) return n;
  }
  return 0;
}

bool Exact(char a, char b) { return a == b; }
bool Folded(char a, char b) {
  return tolower(static_cast<unsigned char>(a)) == tolower(static_cast<unsigned char>(b));
}

}  // namespace

int FindSimilar(const char* name) {
  for (const Block* b = topBlock; b != nullptr; b = b->parent) {
    const int r = SimilarIn(b->declarators, name, Exact);
    if (r != 0) return r < 0 ? 0 : r;
  }
  for (const DeclTable* table : {&statIdent, &extIdent})
    for (const Declarator* chain : table->chain) {
      const int r = SimilarIn(chain, name, Exact);
      if (r != 0) return r < 0 ? 0 : r;
    }
  return 0;
}

int FindExSimilar(const char* name) {
  for (const Declarator* chain : extIdent.chain) {
    const int r = SimilarIn(chain, name, Folded);
    if (r != 0) return r < 0 ? 0 : r;
  }
  return 0;
}

int FindHidden(const char* name) {
  const Block* start = topBlock != nullptr ? topBlock->parent : nullptr;
  for (const Block* b = start; b != nullptr; b = b->parent) {
    if (FindIn(b->declarators, name) != nullptr || FindIn(b->typedefs, name) != nullptr ||
        FindEnumIn(b->enums, name) != nullptr)
      return kHidesName;
    if (b->level == 1)
      for (const std::string& label : b->labels)
        if (label == name) return kHidesLabel;
  }
  const bool fileScope = FindSorted(statIdent, name) != nullptr ||
                         FindIn(modTypeDef.chain[Hash(name)], name) != nullptr ||
                         FindSorted(extIdent, name) != nullptr ||
                         FindEnumIn(modEnums.chain[Hash(name)], name) != nullptr;
  return fileScope ? kHidesName : kHidesNothing;
}

// ---- Blocks -------------------------------------------------------------------------------------

int BlockLevel() { return topBlock != nullptr ? topBlock->level : 0; }

void OpenBlock() {
  Block* b = MakeBlock();
  b->parent = topBlock;
  b->level = BlockLevel() + 1;
  topBlock = b;
  const bool body = b->level == 1 && InFunctionHeader();
  DeclareBlockOpened();
  // The body of a definition: the function is recorded and its parameters
  // are entered.
  if (body) EnterParameters();
}

void CloseBlock() {
  Block* b = topBlock;
  if (b == nullptr) return;
  topBlock = b->parent;
  b->parent = freeBlocks;
  freeBlocks = b;
  DeclareBlockClosed(topBlock == nullptr);
}

void EnterParameters() {
  Declarator* f = currFcnDef;
  if (f == nullptr || !IsFunction(f)) return;
  if (topBlock != nullptr && topBlock->level == 1) topBlock->returnType = f->type;
  // A member function of a class being defined is one of its members.
  if (!checkRules && !(f->owner != nullptr && InClassBody())) AddGlobal(f, false);
  const Proto* p = f->type->levels->prototype;
  if (p == nullptr || p->kind == 1 || topBlock == nullptr) return;
  for (Declarator* parm = p->parms; parm != nullptr; parm = parm->next) {
    if (parm->type != nullptr && parm->type->Base() == kBaseEllipsis) break;
    if (parm->name.empty()) continue;
    Declarator* local = NewDeclarator();
    *local = *parm;
    local->next = topBlock->declarators;
    local->flags |= kDclParameter | kDclLocal | kDclSet | kDclLogged;
    topBlock->declarators = local;
    if (checkRules) continue;
    const int specifiers = SpecifierState(parm);
    if (specifiers != kSpecType || checkHidden) {
      // The rules see the parameter as the current declarator.
      Declarator* outer = ruleDecl;
      ruleDecl = local;
      PushMVValues(dcl_);
      if (specifiers != kSpecType) FireNow(dv::kNoSpecifier, 1);
      if (specifiers == kSpecNone) FireNow(dv::kNotDeclared, 1);
      if (checkHidden && FindHidden(local->name.c_str()) != kHidesNothing) FireNow(dv::kHidden, 1);
      PopMVValues(dcl_);
      ruleDecl = outer;
    }
  }
}

// ---- Entering declarators --------------------------------------------------------------------

void AddLocal(Declarator* decl) {
  Block* b = topBlock;
  if (b == nullptr) return;
  decl->flags |= kDclLocal | kDclLogged;
  const Declarator* previous = FindIn(decl->type != nullptr && decl->type->Storage() == kStorTypedef ? b->typedefs
                                                                                                    : b->declarators,
                                      decl->name.c_str());
  if (previous == nullptr) previous = FindIn(b->declarators, decl->name.c_str());
  if (decl->type != nullptr && decl->type->Storage() == kStorTypedef) {
    decl->next = b->typedefs;
    b->typedefs = decl;
  } else {
    decl->next = b->declarators;
    b->declarators = decl;
    if (!decl->Is(kDclFunction)) {
      bool aggregate;
      long elements;
      Counts(decl, &aggregate, &elements);
      if (aggregate) {
        ++b->aggregates;
      } else if (decl->type == nullptr || decl->type->Base() != kBaseTypedef) {
        ++b->simple;
      }
      b->arrayElements += elements;
      ++b->locals;
      if (!checkRules && decl->type != nullptr) {
        if (decl->type->Storage() == kStorExtern) ++modData.externs;
        if (decl->type->Storage() == kStorRegister) ++fcnData.registers;
      }
      if (decl->Is(kDclHasInit)) {
        decl->flags |= kDclSet;
        b->initialisedLocals = true;
      }
      if (elements > 0) decl->flags |= kDclSet;
    }
  }
  if (previous != nullptr && previous != decl && !checkRules)
    SetMVInteger(dcl_, dv::kLocalDup, previous->line);
  // A name of the function's parameters declared again in an inner block.
  if (b->level > 1 && !checkRules) {
    const Block* body = b;
    while (body->parent != nullptr) body = body->parent;
    const Declarator* parm = FindIn(body->declarators, decl->name.c_str());
    if (parm != nullptr && parm->Is(kDclParameter)) SetMVInteger(dcl_, dv::kParmHidden, 1);
  }
}

int AddGlobal(Declarator* decl, bool predeclared) {
  decl->flags |= kDclGlobal;
  const char* name = decl->name.c_str();
  const bool isTypedef = decl->type != nullptr && decl->type->Storage() == kStorTypedef;
  const bool isFunction = IsFunction(decl);
  if (!isTypedef && !predeclared && !isFunction && !checkRules) CountGlobal(decl);
  if (isTypedef) {
    Declarator* old = FindIn(modTypeDef.chain[Hash(name)], name);
    if (old != nullptr) {
      if (SameType(old->type, decl->type)) {
        SetMVInteger(dcl_, dv::kTypedefDup, 1);
      } else {
        SetConflict(old);
        Update(old, decl, predeclared);
      }
    } else {
      Declarator* copy = NewDeclarator();
      *copy = *decl;
      copy->flags |= kDclLogged | kDclGlobal;
      const unsigned h = Hash(name);
      copy->next = modTypeDef.chain[h];
      modTypeDef.chain[h] = copy;
    }
  }
  DeclTable& table = isTypedef ? prjTypeDef
                     : (decl->type != nullptr && decl->type->Storage() == kStorStatic) ? statIdent
                                                                                        : extIdent;
  Declarator* entry = FindSorted(table, name);
  if (entry != nullptr) {
    if (entry == decl) return 1;
    if (isTypedef) {
      Update(entry, decl, predeclared);
      return 1;
    }
    const bool definition = decl->Is(kDclDefined) && isFunction;
    if (SameType(entry->type, decl->type)) {
      if (WithoutPrototype(entry) && isFunction) {
        Update(entry, decl, predeclared);
        FireNow(dv::kNoPrototype, 1);
      } else if (definition || decl->Is(kDclDefined)) {
        Update(entry, decl, predeclared);
      }
    } else {
      SetConflict(entry);
      Update(entry, decl, predeclared);
      if (isFunction) FireNow(dv::kNoPrototype, 1);
    }
    return 1;
  }
  if (isFunction && decl->Is(kDclDefined)) FireNow(dv::kNoPrototype, 1);
  Declarator* copy = decl;
  if (decl->Is(kDclLogged)) {
    copy = NewDeclarator();
    *copy = *decl;
  }
  if (predeclared) copy->flags |= kDclPredeclared;
  copy->flags |= kDclLogged | kDclGlobal;
  InsertSorted(table, copy);
  return 0;
}

void AddEnumConst(EnumConst* e) {
  if (topBlock != nullptr) {
    e->next = topBlock->enums;
    topBlock->enums = e;
    return;
  }
  const unsigned h = Hash(e->name.c_str());
  e->next = modEnums.chain[h];
  modEnums.chain[h] = e;
}

void AddNestedTypedef(Declarator* decl) {
  Declarator* copy = NewDeclarator();
  *copy = *decl;
  copy->flags |= kDclLogged | kDclGlobal;
  const unsigned h = Hash(copy->name.c_str());
  copy->next = modTypeDef.chain[h];
  modTypeDef.chain[h] = copy;
}

void AddTag(Tag* tag) {
  if (topBlock != nullptr) {
    tag->next = topBlock->tags;
    topBlock->tags = tag;
    return;
  }
  tag->next = prjTags;
  prjTags = tag;
}

// ---- Modules and projects ----------------------------------------------------------------------

namespace {

// The module's tables are emptied and nothing is found any more.
void ForgetModule() {
  modTypeDef.Clear();
  statIdent.Clear();
  modEnums.Clear();
  foundDec = nullptr;
  foundTag = nullptr;
  foundEnum = nullptr;
  idFound = false;
}

}  // namespace

void InitSymbols() {
  topBlock = nullptr;
  freeBlocks = nullptr;
  ForgetModule();
  InitDeclare();
  InstallClassifier();
  // The compiler's own variable-argument type, which its headers name.
  Declarator* vaList = NewDeclarator();
  vaList->name = "__builtin_va_list";
  vaList->type = NewType();
  vaList->type->SetBase(kBaseChar);
  vaList->type->SetStorage(kStorTypedef);
  vaList->type->levels = NewModifier();
  vaList->type->levels->kind = kModPointer;
  vaList->flags |= kDclPredeclared | kDclDefined | kDclUsed | kDclGlobal | kDclLogged;
  const unsigned h = Hash(vaList->name.c_str());
  vaList->next = modTypeDef.chain[h];
  modTypeDef.chain[h] = vaList;
}

void EndModuleSymbols() {
  while (topBlock != nullptr) CloseBlock();
  ForgetModule();
}

void EndProjectSymbols() {
  EndModuleSymbols();
  extIdent.Clear();
  prjTypeDef.Clear();
  prjTags = nullptr;
  topBlock = nullptr;
  freeBlocks = nullptr;
  delete pools;
  pools = nullptr;
  currFcnDef = nullptr;
  InitDeclare();
}

}  // namespace mv
