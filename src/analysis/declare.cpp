// The declaration state of checked source: specifiers, modifier levels,
// declarators, parameter lists, tags and enumerators; the class 4 (dcl_)
// trigger variables they set and the firing at each completed declarator.
#include "analysis/declare.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "analysis/actions.h"
#include "analysis/classes.h"
#include "analysis/classify.h"
#include "analysis/functions.h"
#include "analysis/module.h"
#include "analysis/symbols.h"
#include "driver/options.h"
#include "frontend/lex.h"
#include "frontend/lex2.h"
#include "frontend/line.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/strlib.h"
#include "support/mverror.h"

namespace mv {

Type* currType;
Declarator* currDecl;
Declarator* ruleDecl;
Declarator* currFcnDef;
std::string dclName;

namespace {

constexpr int kDepths = 12;
constexpr int kLinDclCount = 2;
constexpr int kEvtAssembler = 1;
constexpr int kEvtEnumComma = 10;

// One declaration context.
struct DState {
  Type* type = nullptr;          // the specifiers (no levels)
  Declarator* decl = nullptr;    // the declarator being read
  Modifier* head[kDepths] = {};  // levels per parenthesis depth, from the name outwards
  Modifier* runLast[kDepths] = {};
  int depth = 0, maxDepth = 0;
  uint16_t pending = 0;          // modifier flags waiting for the next level
  int hasSpecifier = kSpecNone;
  bool needNewType = true, allowTypes = true, inDeclaration = false;
  int fcnFlags = 0;
  int kind = kDStateOrdinary;
  int listIndex = 0;
  int specLine = 0;
  Proto* proto = nullptr;        // a parameter list being read
  Tag* owner = nullptr;          // the tag whose members are read
  int32_t nextEnum = 0;          // an enumeration's next value
};

DState cur;
std::vector<DState> stack;
std::vector<DState> blockStates;
bool startFunc;

// The function being defined when the last definition's declarator began
// (a local class's member function is defined inside another function).
Declarator* enclosingFcnDef;

// A function declared at file scope, whose recording and firing wait for
// the end of its declarator (DelayedFcn).
Declarator* recentFcnDecl;

LexToken* lastIdent;       // the identifier handed to the parser last
LexToken* openBracket;     // the '[' of the array suffix being read
LexToken* closedBracket;   // the '[' of the last complete array suffix
std::vector<LexToken*> brackets;
LexToken* enumName;
// The type that the last type name read stands for.
Type* lastTypeName;
// The words of the typeofs whose operands are being read.
std::vector<std::string> typeofWords;

bool Source() { return checkRules == 0; }

bool RulesOnLine() { return yaccLine != nullptr && (yaccLine->flags & kLineRulesApply) != 0; }

void Set(int index, int32_t value) { SetMVInteger(dcl_, index, value); }

// A rule names the variable (or no rule file says which are named).
bool Needed(int index) { return mvNeed[dcl_] == nullptr || mvNeed[dcl_][index] != 0; }

// The dcl_ class fires where the line's rules apply and is cleared elsewhere.
void FireClass(const Declarator* named) {
  if (!Source()) return;
  if (RulesOnLine()) {
    if (named != nullptr && !named->name.empty()) {
      BeginNameAffixes(named->name.c_str());
      const int position = CurrentPosition();
      DoFcnRule(kFnSuffix, position);
      DoFcnRule(kFnPrefix, position);
      BeginNameAffixes(named->name.c_str());
    }
    DoRules(dcl_);
  }
  ZeroVars(dcl_);
}

void ResetLevels(DState& s) {
  for (int i = 0; i < kDepths; ++i) s.head[i] = s.runLast[i] = nullptr;
  s.depth = s.maxDepth = 0;
  s.pending = 0;
}

// A fresh declaration: the next specifier starts a new type.
void ResetDeclaration(DState& s) {
  s.type = nullptr;
  s.decl = nullptr;
  ResetLevels(s);
  s.hasSpecifier = kSpecNone;
  s.needNewType = true;
  s.allowTypes = true;
  s.inDeclaration = false;
  s.fcnFlags = 0;
  s.listIndex = 0;
}

void StartType() {
  cur.type = NewType();
  cur.needNewType = false;
  cur.specLine = yaccLine != nullptr ? static_cast<int>(yaccLine->number) : 0;
}

void PushState(int kind) {
  stack.push_back(cur);
  cur = DState{};
  cur.kind = kind;
  if (kind == kDStateInit) ++initLevel;
  if (Source()) PushMVValues(dcl_);
}

void PopState() {
  if (stack.empty()) return;
  if (cur.kind == kDStateInit && initLevel > 0) --initLevel;
  cur = stack.back();
  stack.pop_back();
  // A parse given up inside a nested declaration leaves levels behind that
  // a later start of the rule engine has already dropped.
  if (Source() && valStackIndex[dcl_] > 0) PopMVValues(dcl_);
}

// Places a level in the current depth's list: arrays and functions form a
// run at the head in source order; pointers and references go before the
// run's end... at the head while the run is empty, else right after it.
void Place(Modifier* m) {
  const int d = cur.depth;
  Modifier*& head = cur.head[d];
  Modifier*& last = cur.runLast[d];
  if (m->kind == kModArray || m->kind == kModFunction) {
    if (last == nullptr) {
      m->next = head;
      head = m;
    } else {
      m->next = last->next;
      last->next = m;
    }
    last = m;
  } else if (last == nullptr) {
    m->next = head;
    head = m;
  } else {
    m->next = last->next;
    last->next = m;
  }
}

// Joins the depths, innermost first.
Modifier* JoinLevels() {
  Modifier* first = nullptr;
  Modifier** tail = &first;
  for (int d = cur.maxDepth; d >= 0; --d) {
    for (Modifier* m = cur.head[d]; m != nullptr;) {
      Modifier* next = m->next;
      m->next = nullptr;
      *tail = m;
      tail = &m->next;
      m = next;
    }
  }
  ResetLevels(cur);
  return first;
}

void FixBase(Type* t) {
  int base = t->Base();
  const uint16_t q = t->qualifiers;
  const bool isUnsigned = (q & 64) != 0, isShort = (q & 8) != 0, isLong = (q & 16) != 0;
  if (base == kBaseNone && (isUnsigned || isShort || isLong || (q & 32) != 0)) base = kBaseInt;
  if (base == kBaseChar && isUnsigned) base = kBaseUChar;
  else if (base == kBaseShort && isUnsigned) base = kBaseUShort;
  else if (base == kBaseInt) {
    if (isUnsigned && isShort) base = kBaseUShort;
    else if (isUnsigned && isLong) base = kBaseULong;
    else if (isUnsigned) base = kBaseUInt;
    else if (isShort) base = kBaseShort;
    else if (isLong) base = kBaseLong;
  } else if (base == kBaseLong && isUnsigned) {
    base = kBaseULong;
  } else if (base == kBaseFloat && isLong) {
    base = kBaseDouble;
    Set(dv::kLongFloat, 1);
  } else if (base == kBaseDouble && isLong) {
    base = kBaseLongDouble;
  } else if (base == kBaseDouble && isShort) {
    base = kBaseShortDouble;
  }
  t->SetBase(base);
}

// The declarator's own type: the specifiers with its levels.
Type* DeclaredType() {
  Type* t = NewType();
  if (cur.type != nullptr) *t = *cur.type;
  t->next = nullptr;
  t->levels = JoinLevels();
  FixBase(t);
  if (t->levels != nullptr && t->levels->kind == kModFunction && t->levels->prototype != nullptr) {
    t->levels->prototype->fcnFlags = cur.fcnFlags;
    if (cur.fcnFlags != 0) Set(dv::kFunctionFlags, cur.fcnFlags);
  }
  if (Source()) {
    Set(dv::kBase, GetBase(t));
    Set(dv::kBaseRoot, GetRootBase(t));
    if ((t->qualifiers & 64) != 0 || (t->Base() >= kBaseUChar && t->Base() <= kBaseULong)) Set(dv::kUnsigned, 1);
    if ((t->qualifiers & 32) != 0) Set(dv::kSigned, 1);
  }
  return t;
}

int StorageFlags(int storage) {
  static const int flags[] = {0, 1, 2, 8, 16, 4, 32, 64, 0};
  return storage >= 0 && storage <= 8 ? flags[storage] : 0;
}

void SpellingTriggers(const std::string& name) {
  if (name.empty()) return;
  Set(dv::kIdentLength, static_cast<int32_t>(name.size()));
  bool upper = false, lower = false, hungarian = false;
  int firstUpper = 0, underscores = 0;
  bool seenLower = false;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (isupper(c)) {
      upper = true;
      if (!seenLower) ++firstUpper;
      if (i > 0 && islower(static_cast<unsigned char>(name[i - 1]))) hungarian = true;
    } else if (islower(c)) {
      lower = true;
      seenLower = true;
    }
  }
  for (char c : name) {
    if (c != '_') break;
    ++underscores;
  }
  if (upper) Set(dv::kAnyUpper, 1);
  if (firstUpper > 0 && seenLower) Set(dv::kFirstUpper, firstUpper);
  if (upper && !lower) Set(dv::kAllUpper, 1);
  if (underscores > 0) Set(dv::kUnderscore, underscores);
  if (hungarian) Set(dv::kHungarian, 1);
}

// The classification of an object: aggregate, array elements, simple.
void ObjectTriggers(const Type* t, bool* aggregate) {
  *aggregate = false;
  const Modifier* m = t->levels;
  if (m != nullptr && m->kind == kModArray) {
    Set(dv::kArraySize, m->dimension);
    if (m->dimension == 0) Set(dv::kZeroArray, 1);
    *aggregate = true;
  } else if (m == nullptr) {
    const int base = t->Base();
    if (base >= kBaseUnion && base <= kBaseClass)
      *aggregate = true;
    else if (base != kBaseTypedef && !(base >= kBaseConstructor && base <= kBaseEllipsis))
      Set(dv::kSimple, 1);
  } else {
    Set(dv::kSimple, 1);
  }
  if (*aggregate) Set(dv::kAggr, 1);
}

bool IsPlainVoid(const Type* t) {
  return t != nullptr && t->Base() == kBaseVoid && t->levels == nullptr && t->qualifiers == 0;
}

// The value of the tokens of an array dimension or an enumerator: an
// integer constant expression of integer, character and enumeration
// constants (C's operators, parentheses, the conditional operator). False
// when anything else stands there or a division by zero is met.
class ConstantReader {
 public:
  ConstantReader(LexToken* from, LexToken* to) : t_(from), end_(to) {}
  bool Read(int32_t* value) {
    int64_t v = 0;
    if (!Conditional(&v) || t_ != end_ || !ok_) return false;
    *value = static_cast<int32_t>(v);
    return true;
  }

 private:
  int Code() const { return t_ != nullptr && t_ != end_ ? t_->type : 0; }
  void Skip() { t_ = NextToken(t_); }
  bool Accept(int code) {
    if (Code() != code) return false;
    Skip();
    return true;
  }

  bool Primary(int64_t* v) {
    switch (Code()) {
      case 303: case 304: case 305: case kLookEnum:
        *v = t_->value.i;
        Skip();
        return true;
      case '(':
        Skip();
        return Conditional(v) && Accept(')');
      case '-': Skip(); if (!Primary(v)) return false; *v = -*v; return true;
      case '+': Skip(); return Primary(v);
      case '~': Skip(); if (!Primary(v)) return false; *v = ~*v; return true;
      case '!': Skip(); if (!Primary(v)) return false; *v = !*v; return true;
      default: return false;
    }
  }

  // Binary operators by precedence level, loosest first.
  static int Level(int code) {
    switch (code) {
      case 257: return 1;                          // ||
      case 258: return 2;                          // &&
      case '|': return 3;
      case '^': return 4;
      case '&': return 5;
      case 259: case 260: return 6;                // == !=
      case '<': case '>': case 261: case 262: return 7;
      case 263: case 264: return 8;                // << >>
      case '+': case '-': return 9;
      case '*': case '/': case '%': return 10;
      default: return 0;
    }
  }

  bool Binary(int level, int64_t* v) {
    if (level > 10) return Primary(v);
    if (!Binary(level + 1, v)) return false;
    while (Level(Code()) == level) {
      const int op = Code();
      Skip();
      int64_t r = 0;
      if (!Binary(level + 1, &r)) return false;
      switch (op) {
        case 257: *v = *v || r; break;
        case 258: *v = *v && r; break;
        case '|': *v |= r; break;
        case '^': *v ^= r; break;
        case '&': *v &= r; break;
        case 259: *v = *v == r; break;
        case 260: *v = *v != r; break;
        case '<': *v = *v < r; break;
        case '>': *v = *v > r; break;
        case 261: *v = *v <= r; break;
        case 262: *v = *v >= r; break;
        case 263: *v = r >= 0 && r < 63 ? static_cast<int64_t>(static_cast<uint64_t>(*v) << r) : 0; break;
        case 264: *v = r >= 0 && r < 63 ? *v >> r : 0; break;
        case '+': *v += r; break;
        case '-': *v -= r; break;
        case '*': *v *= r; break;
        case '/': case '%':
          if (r == 0) {
            ok_ = false;
            return false;
          }
          *v = op == '/' ? *v / r : *v % r;
          break;
        default: break;
      }
      *v = static_cast<int32_t>(*v);
    }
    return true;
  }

  bool Conditional(int64_t* v) {
    if (!Binary(1, v)) return false;
    if (!Accept('?')) return true;
    int64_t a = 0, b = 0;
    if (!Conditional(&a) || !Accept(':') || !Conditional(&b)) return false;
    *v = *v != 0 ? a : b;
    return true;
  }

  LexToken* t_;
  LexToken* end_;
  bool ok_ = true;
};

bool ConstantTokens(LexToken* from, LexToken* to, int32_t* value) {
  if (from == nullptr || from == to) return false;
  return ConstantReader(from, to).Read(value);
}

Declarator* MakeNamed(LexToken* token) {
  Declarator* d = NewDeclarator();
  if (token != nullptr) {
    d->name = token->text;
    if (token->line != nullptr) {
      d->line = static_cast<int32_t>(token->line->number);
      d->file = token->line->fileIndex;
    }
  } else if (yaccLine != nullptr) {
    d->line = static_cast<int32_t>(yaccLine->number);
    d->file = yaccLine->fileIndex;
  }
  return d;
}

void SetSpecifierState(Declarator* d) {
  d->flags = (d->flags & ~(3u << 28)) | (static_cast<uint32_t>(cur.hasSpecifier & 3) << 28);
}

// Old-style parameter declarations: the declarator takes the place of the
// identifier of the same name in the function's list.
void OldStyleParm(Declarator* d) {
  if (currFcnDef == nullptr || currFcnDef->type == nullptr || currFcnDef->type->levels == nullptr) return;
  Proto* p = currFcnDef->type->levels->prototype;
  if (p == nullptr) return;
  int position = 1;
  for (Declarator** at = &p->parms; *at != nullptr; at = &(*at)->next, ++position) {
    if ((*at)->name != d->name) continue;
    d->next = (*at)->next;
    d->flags |= kDclParameter;
    *at = d;
    Set(dv::kParameterPos, position);
    return;
  }
  char text[200];
  snprintf(text, sizeof text, "Identifier %s is not in the function parameter list.", d->name.c_str());
  Advise(0, text);
}

// The deferred part of a function declaration at file scope: the function
// is recorded and its values fire. An identifier list belongs to a
// definition only.
void DelayedFcn() {
  Declarator* d = recentFcnDecl;
  if (d == nullptr) return;
  recentFcnDecl = nullptr;
  const Proto* p = d->type != nullptr && d->type->levels != nullptr ? d->type->levels->prototype : nullptr;
  if (p != nullptr && p->kind == 2) Warning(36);
  AddGlobal(d, false);
  ruleDecl = d;
  FireClass(d);
}

// Completes the current declarator (source mode).
Declarator* DoDeclarator(int hasInit) {
  Declarator* d = cur.decl;
  const bool named = d != nullptr && !d->name.empty();
  if (d == nullptr) d = MakeNamed(nullptr);
  Type* t = DeclaredType();
  d->type = t;
  SetSpecifierState(d);
  if (hasInit != 0) d->flags |= kDclHasInit;
  const int storage = t->Storage();
  const bool isTypedef = storage == kStorTypedef;
  const bool isFunction = t->levels != nullptr && t->levels->kind == kModFunction;
  if (!named) {
    Set(dv::kAbstract, 1);
  }
  if (Needed(dv::kStorageFlags)) Set(dv::kStorageFlags, StorageFlags(storage));
  if (cur.hasSpecifier != kSpecType) Set(dv::kNoSpecifier, 1);
  const bool inBlock = topBlock != nullptr;
  const bool oldStyle = !inBlock && startFunc && cur.kind == kDStateOrdinary;
  if (named) {
    if (oldStyle) {
      OldStyleParm(d);
    } else if (cur.kind == kDStateMember && cur.owner != nullptr) {
      d->owner = cur.owner;
      // A C++ member typedef names its type outside the class as well.
      if (isTypedef && CPPKeys) AddNestedTypedef(d);
    } else if (isTypedef) {
      d->flags |= kDclUsed;
      if (inBlock) AddLocal(d);
      else AddGlobal(d, false);
    } else {
      if (isFunction) d->flags |= kDclFunction | kDclUsed;
      if (Needed(dv::kAmbig)) {
        const int similar = FindSimilar(d->name.c_str());
        if (similar >= 6) Set(dv::kAmbig, similar);
      }
      if (!inBlock && Needed(dv::kExternAmbig)) {
        const int similar = FindExSimilar(d->name.c_str());
        if (similar >= 6) Set(dv::kExternAmbig, similar);
      }
      if (inBlock) {
        if (checkHidden) {
          const int hides = FindHidden(d->name.c_str());
          if (hides != kHidesNothing) Set(hides == kHidesLabel ? dv::kLabelOverload : dv::kHidden, 1);
        }
        AddLocal(d);
      } else if (isFunction && cur.kind == kDStateOrdinary) {
        // Recorded, and its values fired, once the declarator is over.
        recentFcnDecl = d;
      } else {
        if (!isFunction && storage != kStorExtern) d->flags |= kDclDefined;
        AddGlobal(d, false);
      }
    }
    Set(dv::kCount, ++cur.listIndex);
    Set(isTypedef ? dv::kTypedef : isFunction ? dv::kFunction : dv::kVariable, 1);
    if (inBlock) Set(dv::kLocalVar, 1);
    else if (oldStyle) {
    } else if (storage == kStorStatic) Set(dv::kStatic, 1);
    else if (d->owner != nullptr) Set(dv::kMember, d->owner->kind == kBaseUnion ? 1 : d->owner->kind == kBaseStruct ? 2 : d->owner->kind == kBaseClass ? 3 : 0);
    else Set(dv::kGlobalVar, 1);
  }
  const int levels = LevelCount(t);
  Set(dv::kLevels, levels);
  if (t->levels != nullptr && t->levels->kind == kModPointer && t->levels->next != nullptr &&
      t->levels->next->kind == kModFunction)
    Set(dv::kFunctionPtr, 1);
  if (named) {
    if (isTypedef) {
      d->flags |= kDclDefined;
      if (t->levels != nullptr && t->levels->kind == kModArray) {
        Set(dv::kArraySize, t->levels->dimension);
        if (t->levels->dimension == 0) Set(dv::kZeroArray, 1);
      }
    } else {
      if (isFunction && hasInit != 0 && RulesOnLine()) Do1Rule(evt_, kEvtAssembler, 1, true);
      bool aggregate = false;
      if (!isFunction) ObjectTriggers(t, &aggregate);
      if (hasInit != 0) {
        if (inBlock && aggregate && storage != kStorStatic) Set(dv::kAutoInit, 1);
        if (t->Base() == kBaseUnion && t->levels == nullptr) Set(dv::kUnionInit, 1);
      }
      if (!isFunction && storage != kStorExtern) {
        d->flags |= kDclDefined;
        Set(dv::kDefinition, 1);
      }
    }
  }
  ruleDecl = d;
  return d;
}

// A parameter or old-style identifier is complete: into the list.
void AppendParm(Declarator* d) {
  Proto* p = cur.proto;
  if (p == nullptr) return;
  Declarator** at = &p->parms;
  while (*at != nullptr) at = &(*at)->next;
  d->next = nullptr;
  *at = d;
  ++p->count;
}

void NextParameter() {
  cur.type = nullptr;
  cur.decl = nullptr;
  ResetLevels(cur);
  cur.hasSpecifier = kSpecNone;
  cur.needNewType = true;
  cur.allowTypes = true;
  cur.fcnFlags = 0;
}

}  // namespace

// ---- State queries ------------------------------------------------------------------------------

void InitDeclare() {
  cur = DState{};
  stack.clear();
  blockStates.clear();
  initLevel = 0;
  startFunc = false;
  currType = nullptr;
  currDecl = nullptr;
  ruleDecl = nullptr;
  currFcnDef = nullptr;
  enclosingFcnDef = nullptr;
  recentFcnDecl = nullptr;
  dclName.clear();
  lastIdent = openBracket = closedBracket = enumName = nullptr;
  brackets.clear();
  lastTypeName = nullptr;
  typeofWords.clear();
  lineTokensFreedHook = ForgetLineTokens;
}

bool TypesAllowed() { return cur.allowTypes; }
bool InDeclaration() { return cur.inDeclaration || cur.kind == kDStateParams || cur.kind == kDStateMember; }
void SetInDeclaration() { cur.inDeclaration = true; }
void ClearInDeclaration() { cur.inDeclaration = false; }
bool InDeclaratorList() { return cur.kind == kDStateOrdinary && cur.type != nullptr && cur.decl == nullptr; }
int DeclState() { return cur.kind; }
bool InInitializer() { return initLevel > 0; }
bool InFunctionHeader() { return startFunc; }

void DeclareBlockOpened() {
  blockStates.push_back(cur);
  DState fresh;
  cur = fresh;
  startFunc = false;
}

void DeclareBlockClosed(bool functionBody) {
  if (!blockStates.empty()) {
    cur = blockStates.back();
    blockStates.pop_back();
  }
  if (functionBody && cur.kind == kDStateMember) {
    // A member function defined in its class: the class's members go on.
    ResetDeclaration(cur);
    initLevel = 0;
    startFunc = false;
  } else if (functionBody) {
    ResetDeclaration(cur);
    cur.kind = kDStateOrdinary;
    stack.clear();
    initLevel = 0;
    startFunc = false;
  }
}

void NoteIdentifier(LexToken* token) { lastIdent = token; }

// The tokens of a line go back to the token pool when the line is flushed:
// a declarator still being read must not name a recycled record.
void ForgetLineTokens(const SourceLine* line) {
  auto onLine = [line](LexToken*& t) {
    if (t != nullptr && t->line == line) t = nullptr;
  };
  onLine(lastIdent);
  onLine(openBracket);
  onLine(closedBracket);
  onLine(enumName);
  std::erase_if(brackets, [line](const LexToken* t) { return t->line == line; });
}

bool InBrackets() { return !brackets.empty(); }

void NoteBracket(LexToken* token) {
  if (token->type == '[') {
    brackets.push_back(token);
  } else if (!brackets.empty()) {
    closedBracket = brackets.back();
    brackets.pop_back();
  }
  (void)openBracket;
}

// ---- Base names ----------------------------------------------------------------------------------

int GetBase(const Type* type) {
  if (type == nullptr) return 0;
  const int b = type->Base();
  return b == kBaseNone ? kBaseInt : b;
}

int GetRootBase(const Type* type) {
  const Type* t = type;
  for (int guard = 0; t != nullptr && !t->TargetIsTag() && t->target != nullptr && guard < 64; ++guard)
    t = static_cast<const Type*>(t->target);
  return GetBase(t);
}

const char* GetBaseName(const Type* type) {
  if (type == nullptr) return nullptr;
  static const char* const names[] = {
      "int", "void", "bool", "char", "short", "wchar_t", "int", "long", "long long", nullptr,
      "unsigned char", "unsigned short", "unsigned int", "unsigned long", nullptr, "float",
      "short double", "double", "long double", "__int8", "__int16", "__int32", "__int64", nullptr,
  };
  const int b = type->Base();
  // Bases of the type words added by new_type: named by the first such word.
  switch (b) {
    case 9: return FirstNewKeyword(407);
    case 14: return FirstNewKeyword(408);
    case 23: return FirstNewKeyword(409);
    case 29: return FirstNewKeyword(410);
    default: break;
  }
  if (b < 24) return names[b];
  switch (b) {
    case kBaseEnum: case kBaseUnion: case kBaseStruct: case kBaseClass: case kBaseTypedef: case kBaseTemplateParm:
      return type->name.c_str();
    case kBaseConstructor: return "constructor";
    case kBaseDestructor: return "destructor";
    default: return nullptr;
  }
}

const char* GetRootBaseName(const Type* type) {
  const Type* t = type;
  for (int guard = 0; t != nullptr && !t->TargetIsTag() && t->target != nullptr && guard < 64; ++guard)
    t = static_cast<const Type*>(t->target);
  return GetBaseName(t);
}

const Modifier* GetLevel(const Type* type, int n) {
  if (type == nullptr || n < 0) return nullptr;
  const Modifier* m = type->levels;
  for (; m != nullptr && n > 0; --n) m = m->next;
  return m;
}

int GetLevelFlags(const Type* type, int n) {
  if (type == nullptr || n < 0) return 0;
  const int count = LevelCount(type);
  auto convert = [](int f) {
    int r = f & 3;
    if ((f & 16) != 0) r |= 4;
    if ((f & 32) != 0) r |= 8;
    if ((f & 64) != 0) r |= 16;
    if ((f & 256) != 0) r |= 32;
    if ((f & 2048) != 0) r |= 64;
    return r;
  };
  if (n < count) return convert(GetLevel(type, n)->flags);
  if (n == count) {
    int f = (type->qualifiers & 3) | type->pendingFlags;
    if ((type->qualifiers & 256) != 0) f |= 32;
    if ((type->qualifiers & 128) != 0) f |= 16;
    if ((type->qualifiers & 512) != 0) f |= 64;
    return convert(f);
  }
  return 0;
}

// ---- Actions (source side) ------------------------------------------------------------------------

void DeclSpecifier(int code) {
  if (cur.needNewType || cur.type == nullptr) StartType();
  Type* t = cur.type;
  auto typeKeyword = [&](int base) {
    t->SetBase(base);
    cur.allowTypes = false;
    cur.hasSpecifier = kSpecType;
  };
  auto storage = [&](int s, int trigger) {
    t->SetStorage(s);
    if (trigger >= 0) Set(trigger, 1);
    if (cur.hasSpecifier == kSpecType) Set(dv::kStorageFirst, 1);
    if (cur.hasSpecifier == kSpecNone) cur.hasSpecifier = kSpecStorageOnly;
  };
  auto fcnSpec = [&](int flag, int trigger) {
    cur.fcnFlags |= flag;
    Set(trigger, 1);
    if (cur.hasSpecifier == kSpecType) Set(dv::kStorageFirst, 1);
    if (cur.hasSpecifier == kSpecNone) cur.hasSpecifier = kSpecStorageOnly;
  };
  // short, long, signed, unsigned: type specifiers kept as qualifier bits.
  auto sizeWord = [&](uint16_t bit) {
    t->qualifiers |= bit;
    cur.allowTypes = false;
    cur.hasSpecifier = kSpecType;
  };
  auto qualifier = [&](uint16_t bit) {
    t->qualifiers |= bit;
    if (cur.hasSpecifier == kSpecNone) cur.hasSpecifier = kSpecStorageOnly;
  };
  switch (code) {
    case 344: typeKeyword(kBaseChar); break;
    case 349: typeKeyword(kBaseDouble); break;
    case 348: typeKeyword(kBaseFloat); break;
    case 354: typeKeyword(kBaseVoid); break;
    case 355: typeKeyword(kBaseInt); break;
    case 361: typeKeyword(kBaseBool); break;
    case 362: typeKeyword(kBaseWchar); break;
    case 356: case 357: case 358: case 359: typeKeyword(19 + code - 356); break;
    case 365: typeKeyword(29); break;
    case 350: typeKeyword(kBaseStruct); break;
    case 351: typeKeyword(kBaseUnion); break;
    case 353: typeKeyword(kBaseEnum); break;
    case 390: typeKeyword(kBaseClass); break;
    case 407: case 408: case 409: case 410: case 411: case 412: case 413: case 414: {
      static const int bases[] = {9, 14, 23, 29, 13, 8, 16, 18};
      typeKeyword(bases[code - 407]);
      break;
    }
    case 345: sizeWord(8); break;  // short
    case 360:                      // long; a second one makes long long
      if ((t->qualifiers & 16) != 0) {
        t->qualifiers &= static_cast<uint16_t>(~16u);
        t->SetBase(kBaseLongLong);
        sizeWord(0);
      } else if (t->Base() != kBaseLongLong) {
        sizeWord(16);
      }
      break;
    case 346:
      sizeWord(32);
      Set(dv::kSigned, 1);
      break;
    case 347:
      sizeWord(64);
      Set(dv::kUnsigned, 1);
      break;
    case 363: qualifier(1); break;
    case 364: qualifier(2); break;
    case 372: qualifier(256); break;
    case 373: qualifier(128); break;
    case 374: qualifier(512); break;
    case 339: storage(kStorExtern, dv::kExtern); break;
    case 340: storage(kStorStatic, dv::kStatic); break;
    case 341: storage(kStorAuto, -1); break;
    case 342: storage(kStorRegister, -1); break;
    case 343: storage(kStorMutable, dv::kMutable); break;
    case 337: storage(kStorTypedef, dv::kTypedef); break;
    case 400: storage(kStorGlobaldef, -1); break;
    case 376: storage(kStorStatistic, -1); break;
    case 392:
      Set(dv::kFriend, 1);
      if (cur.hasSpecifier == kSpecNone) cur.hasSpecifier = kSpecStorageOnly;
      break;
    case 393: fcnSpec(2, dv::kVirtual); break;
    case 394: fcnSpec(1, dv::kInline); break;
    case 395: fcnSpec(1024, dv::kExplicit); break;
    case kLookTypedef: {
      if (!CPPKeys && (t->qualifiers & (8 | 16 | 32 | 64)) != 0) Warning(17);
      t->SetBase(kBaseTypedef);
      const Declarator* found = TypedefOfLastName();
      t->name = found != nullptr ? found->name : (lastIdent != nullptr ? lastIdent->text : "");
      t->target = found != nullptr ? found->type : nullptr;
      cur.allowTypes = false;
      cur.hasSpecifier = kSpecType;
      break;
    }
    case kLookTag: {  // a C++ class name used as a type
      Tag* tag = TagOfLastName();
      if (tag != nullptr) {
        typeKeyword(tag->kind);
        t->name = tag->name;
        t->target = tag;
        t->kindWord |= 0x80000000u;
      } else {
        typeKeyword(kBaseClass);
      }
      break;
    }
    default: {
      char text[64];
      snprintf(text, sizeof text, "Bad call to Specifier(%d).", code);
      FatalError(0, text);
    }
  }
  cur.inDeclaration = true;
}

void DeclModifier(int code) {
  switch (code) {
    case 363: Set(dv::kCvModifier, 1); cur.pending |= 1; break;
    case 364: Set(dv::kCvModifier, 2); cur.pending |= 2; break;
    case 551: cur.pending |= 16; break;
    case 552: cur.pending |= 32; break;
    case 553: cur.pending |= 64; break;
    case 555: cur.pending |= 256; break;
    case 556: cur.pending |= 4096; cur.fcnFlags |= 256; break;
    case 557: cur.pending |= 1024; cur.fcnFlags |= 128; break;
    case 558: cur.pending |= 512; cur.fcnFlags |= 64; break;
    case 559: cur.pending |= 8; cur.fcnFlags |= 16; break;
    case 560: case 561: cur.pending |= 4; cur.fcnFlags |= 8; break;
    case 562: cur.pending |= 128; cur.fcnFlags |= 32; break;
    case 518: cur.pending |= 2048; break;
    default: break;
  }
}

void DeclPtrQualifier(int flag) {
  Modifier* m = cur.head[cur.depth];
  if (m != nullptr) m->flags |= static_cast<uint16_t>(flag);
}

void DeclAttachMod(int kind, Proto* proto) {
  Modifier* m = NewModifier();
  m->kind = kind;
  m->flags = cur.pending;
  cur.pending = 0;
  m->prototype = proto;
  if (kind == kModArray) {
    int32_t value = -1;
    LexToken* open = closedBracket;
    if (open != nullptr) {
      LexToken* first = NextToken(open);
      if (first != nullptr && first->type == ']')
        value = 0;
      else {
        LexToken* close = first;
        int depth = 0;
        for (; close != nullptr; close = NextToken(close)) {
          if (close->type == '[') ++depth;
          else if (close->type == ']' && depth-- == 0) break;
        }
        if (!ConstantTokens(first, close, &value)) value = -1;
      }
    }
    m->dimension = value;
  }
  Place(m);
}

void DeclPushDeclarator() {
  if (cur.depth + 1 >= kDepths) FatalError(26, "Too many parentheses in declaration.");
  ++cur.depth;
  if (cur.depth > cur.maxDepth) cur.maxDepth = cur.depth;
}

void DeclPopDeclarator() {
  if (cur.depth <= 0) FatalError(0, "Declarator stack underflow!");
  --cur.depth;
}

void DeclDirectDecl(int kind) {
  if (cur.type == nullptr && kind != 0) StartType();
  LexToken* token = kind == 3 ? nullptr : lastIdent;
  Declarator* d = MakeNamed(token);
  cur.decl = d;
  dclName = d->name;
  currDecl = d;
  if (kind == 0 || kind == 3) return;
  if (kind == 2) enumName = token;
  if (token != nullptr && token->line != nullptr) {
    SourceLine* line = token->line;
    const bool fromMacro = (token->flags & kTokFromMacro) != 0;
    if (!fromMacro || countMacroTokens) {
      ++line->dclCount;
      SetMVInteger(lin_, kLinDclCount, line->dclCount);
    }
    if (fromMacro) Set(dv::kFromMacro, 1);
    if (kind == 2 && token->type == kLookEnum) Set(dv::kEnumHidden, 1);
  }
  SpellingTriggers(d->name);
  if (topBlock == nullptr && token != nullptr) {
    LexToken* n = NextToken(token);
    if (n != nullptr && (n->type == '(' || n->type == 295 || n->type == 296) && token->line != nullptr &&
        static_cast<int>(token->line->number) != cur.specLine && cur.specLine != 0)
      Set(dv::kTypeBefore, 1);
  }
}

void DeclCheckDeclarator(int hasInit) {
  if (hasInit != 0) Set(dv::kInitializer, 1);
  Declarator* d = DoDeclarator(hasInit);
  if (d != recentFcnDecl) FireClass(d);
}

void DeclGetNewType() {
  DelayedFcn();
  // The next declarator of the list shares the storage class of the first.
  if (Source() && cur.type != nullptr && cur.type->Storage() == kStorExtern) Set(dv::kExtern, 1);
  cur.decl = nullptr;
  ResetLevels(cur);
}

void DeclEmptyDeclaration() {
  if (cur.type == nullptr) {
    Warning(20);
    StartType();
  }
  cur.decl = nullptr;
  Set(dv::kEmpty, 1);
  Declarator* d = DoDeclarator(0);
  FireClass(d);
}

void DeclEndDclList() {
  // A declaration given up inside an initializer leaves its state open.
  while (cur.kind == kDStateInit && !stack.empty()) PopState();
  DelayedFcn();
  // A declaration stands between a header comment and the next function
  // (not the old-style parameter declarations of that function).
  if (cur.listIndex > 0 && !startFunc) ForgetHeaderComment();
  ResetDeclaration(cur);
  // The declaration is over: no declarator is current.
  ruleDecl = nullptr;
  currDecl = nullptr;
  dclName.clear();
  if (Source()) ZeroVars(exp_);
}

void DeclRecover() {
  recentFcnDecl = nullptr;
  while (topBlock != nullptr) CloseBlock();
  while (!stack.empty()) PopState();
  blockStates.clear();
  ResetDeclaration(cur);
  cur.kind = kDStateOrdinary;
  initLevel = 0;
  startFunc = false;
  ruleDecl = currDecl = nullptr;
  dclName.clear();
  brackets.clear();
  typeofWords.clear();
  if (Source()) ZeroVars(dcl_);
}

void DeclPushDState(int kind) { PushState(kind); }
void DeclPopDState() { PopState(); }

Type* DeclTypeName() {
  lastTypeName = DeclaredType();
  return lastTypeName;
}

// The operand of a typeof is read in a state of its own, as an initializer's
// expression is (a name before '(' is called or cast there).
void DeclBeginTypeof(LexToken* word) {
  typeofWords.emplace_back(word != nullptr ? word->text : "__typeof__");
  PushState(kDStateInit);
}

// The declaration's type is named by the typeof's word, as a typedef's is by
// its name; a type name operand is its target.
void DeclEndTypeof(int ofType) {
  if (cur.kind == kDStateInit) PopState();
  if (cur.needNewType || cur.type == nullptr) StartType();
  Type* t = cur.type;
  t->SetBase(kBaseTypedef);
  t->name = typeofWords.empty() ? "__typeof__" : typeofWords.back();
  t->target = ofType != 0 ? lastTypeName : nullptr;
  if (!typeofWords.empty()) typeofWords.pop_back();
  cur.allowTypes = false;
  cur.hasSpecifier = kSpecType;
  cur.inDeclaration = true;
}

void DeclBeginInit() { PushState(kDStateInit); }
void DeclCheckInit() {
  if (cur.kind == kDStateInit) PopState();
}

void DeclFunParmStart(int kind) {
  PushState(kDStateParams);
  cur.proto = NewProto();
  cur.proto->kind = kind;
}

void DeclEndParm(int kind) {
  Declarator* d = cur.decl;
  if (kind == 2 && cur.type == nullptr && d != nullptr) {
    // An identifier of an old-style list: no type yet.
    SetSpecifierState(d);
    d->flags |= kDclParameter;
    AppendParm(d);
    NextParameter();
    return;
  }
  if (d == nullptr) d = MakeNamed(nullptr);
  Type* t = DeclaredType();
  d->type = t;
  SetSpecifierState(d);
  d->flags |= kDclParameter;
  const bool isVoid = d->name.empty() && IsPlainVoid(t);
  if (d->name.empty() && !isVoid) Set(dv::kAbstract, 1);
  // A typedef name after the parameter's type is read as its name; a
  // typedef name standing alone is the type of an abstract parameter.
  if (Source() && kind == 2 && cur.hasSpecifier == kSpecType && !d->name.empty() && IsTypeName(d->name.c_str())) {
    char text[200];
    snprintf(text, sizeof text, "Parameter name \"%.150s\" is a typedef name.", d->name.c_str());
    Advise(34, text);
    Set(dv::kHidden, 1);
  }
  AppendParm(d);
  if (Source() && cur.hasSpecifier != kSpecNone && !isVoid && cur.proto != nullptr) {
    Set(dv::kParameterPos, cur.proto->count);
    Set(dv::kVariable, 1);
    Set(dv::kLocalVar, 1);
    bool aggregate;
    ObjectTriggers(t, &aggregate);
    if (t->levels != nullptr && t->levels->kind == kModPointer && t->levels->next != nullptr &&
        t->levels->next->kind == kModFunction)
      Set(dv::kFunctionPtr, 1);
    Set(dv::kLevels, LevelCount(t));
    Set(dv::kStorageFlags, StorageFlags(t->Storage()));
    ruleDecl = d;
    FireClass(nullptr);
  } else if (Source()) {
    ZeroVars(dcl_);
  }
  NextParameter();
}

void DeclDo3Dots(int kind) {
  Set(dv::k3dots, 1);
  if (kind != 3 || cur.proto == nullptr) return;
  Declarator* d = MakeNamed(nullptr);
  d->type = NewType();
  d->type->SetBase(kBaseEllipsis);
  d->flags |= kDclParameter;
  AppendParm(d);
}

void DeclNeed3Dots() {
  if (Source() && RulesOnLine()) Do1Rule(dcl_, dv::kNeed3dots, 1, true);
}

void DeclFunParmEnd(int kind) {
  Proto* p = cur.proto;
  if (cur.kind == kDStateParams) PopState();
  if (p == nullptr) p = NewProto();
  if (kind == 3 && p->count == 1 && p->parms != nullptr && p->parms->name.empty() && IsPlainVoid(p->parms->type))
    kind = 1;
  if (kind == 0 && CPPKeys) kind = 1;
  if (kind == 0 || kind == 2) Set(dv::kOldstyle, 1);
  p->kind = kind;
  DeclAttachMod(kModFunction, p);
}

void DeclFcnDeclarator() {
  Declarator* d = cur.decl;
  if (d == nullptr) d = MakeNamed(nullptr);
  Type* t = DeclaredType();
  d->type = t;
  SetSpecifierState(d);
  d->flags |= kDclFunction | kDclDefined;
  enclosingFcnDef = currFcnDef;
  currFcnDef = d;
  ruleDecl = d;
  startFunc = true;
  if (Source()) {
    Set(dv::kLevels, LevelCount(t));
    const Proto* p = t->levels != nullptr && t->levels->kind == kModFunction ? t->levels->prototype : nullptr;
    Set(dv::kParmCount, p == nullptr || p->kind == 1 ? 0 : p->count);
    Set(dv::kFunction, 1);
    Set(dv::kDefinition, 1);
    if (t->Storage() == kStorStatic) Set(dv::kStatic, 1);
    else Set(dv::kGlobalVar, 1);
    if (cur.hasSpecifier != kSpecType) Set(dv::kNoSpecifier, 1);
    FireClass(nullptr);
  }
  ResetDeclaration(cur);
}

Declarator* DeclDeferredFcn() {
  Declarator* d = currFcnDef;
  if (d != nullptr && cur.kind == kDStateMember && cur.owner != nullptr && !d->name.empty()) {
    d->owner = cur.owner;
    Declarator** at = &cur.owner->members;
    while (*at != nullptr) at = &(*at)->next;
    *at = d;
  }
  // A local class's member: the function around the class goes on.
  currFcnDef = topBlock != nullptr ? enclosingFcnDef : nullptr;
  startFunc = false;
  return d;
}

void DeclStartDeferred(Declarator* d) {
  ResetDeclaration(cur);
  currFcnDef = d;
  ruleDecl = d;
  startFunc = d != nullptr;
}

Tag* MemberTag() { return cur.kind == kDStateMember ? cur.owner : nullptr; }

void DeclOldstyleFcn() {
  if (currFcnDef == nullptr || currFcnDef->type == nullptr || currFcnDef->type->levels == nullptr) return;
  Proto* p = currFcnDef->type->levels->prototype;
  if (p != nullptr && p->kind == 2) p->kind = 3;
}

void DeclDeclareTag(const char* name, int kind) {
  if (cur.type == nullptr) StartType();
  Tag* tag = NewTag();
  tag->name = name != nullptr ? name : "";
  tag->kind = kind == 350 ? kBaseStruct : kind == 351 ? kBaseUnion : kind == 353 ? kBaseEnum : kBaseClass;
  if (yaccLine != nullptr) {
    tag->line = static_cast<int32_t>(yaccLine->number);
    tag->file = yaccLine->fileIndex;
  }
  cur.type->name = tag->name;
  cur.type->target = tag;
  cur.type->kindWord |= 0x80000000u;
  AddTag(tag);
  if (CPPKeys) NoteTag(tag);
}

void DeclStartMembers(int kind) {
  Tag* owner = cur.type != nullptr && cur.type->TargetIsTag() ? static_cast<Tag*>(cur.type->target) : nullptr;
  PushState(kDStateMember);
  cur.owner = owner;
  cur.nextEnum = 0;
  if (kind == 353) cur.kind = kDStateMember;
}

void DeclCheckMember() {
  Declarator* d = DoDeclarator(0);
  // A member of a tag declared in a block is one of the block's members.
  if (Source() && topBlock != nullptr && !d->name.empty() && cur.kind == kDStateMember) ++topBlock->members;
  if (cur.owner != nullptr && !d->name.empty()) {
    d->owner = cur.owner;
    Declarator** at = &cur.owner->members;
    while (*at != nullptr) at = &(*at)->next;
    *at = d;
    ++cur.owner->memberCount;
  }
  FireClass(d);
}

void DeclBitField() { Set(dv::kBitfield, 1); }

void DeclAddEnum() {
  EnumConst* e = NewEnumConst();
  LexToken* name = enumName;
  int32_t value = cur.nextEnum;
  if (name != nullptr) {
    e->name = name->text;
    if (name->line != nullptr) {
      e->line = static_cast<int32_t>(name->line->number);
      e->file = name->line->fileIndex;
    }
    LexToken* eq = NextToken(name);
    if (eq != nullptr && eq->type == '=') {
      LexToken* first = NextToken(eq);
      LexToken* end = first;
      int depth = 0;
      for (; end != nullptr; end = NextToken(end)) {
        if (end->type == '(') ++depth;
        else if (end->type == ')') --depth;
        else if (depth == 0 && (end->type == ',' || end->type == '}')) break;
      }
      int32_t v;
      if (ConstantTokens(first, end, &v)) value = v;
    }
  }
  e->value = value;
  // The next enumerator follows this one; past the largest value it wraps
  // as the 32-bit arithmetic of #if and the rule language does.
  cur.nextEnum = static_cast<int32_t>(static_cast<uint32_t>(value) + 1u);
  AddEnumConst(e);
  if (Source()) ZeroVars(dcl_);
}

void DeclEndMembers() {
  if (cur.owner != nullptr) {
    cur.owner->defined = true;
    // Data members count for the function or, outside functions, the module.
    if (Source() && cur.owner->kind != kBaseEnum) (topBlock != nullptr ? fcnData.members : modData.members) += cur.owner->memberCount;
  }
  if (cur.kind == kDStateMember) PopState();
}

void DeclEnumComma() {
  if (Source() && RulesOnLine()) Do1Rule(evt_, kEvtEnumComma, 1, true);
}

}  // namespace mv

namespace mv {

// A type named by a template parameter (base 32) or by a template with its
// arguments (a class, base 27): the base and the name.
void DeclNamedSpecifier(int base, const char* name) {
  if (cur.needNewType || cur.type == nullptr) StartType();
  cur.type->SetBase(base);
  cur.type->name = name != nullptr ? name : "";
  cur.allowTypes = false;
  cur.hasSpecifier = kSpecType;
  cur.inDeclaration = true;
}

}  // namespace mv
