// The token stream's re-classification hook for C: identifiers are looked
// up in the scopes (typedef names 313, enumeration constants 309 with their
// value), tag names after struct, union and enum become 319, and the
// parenthesis after a name is classified by looking ahead.
#include "analysis/classify.h"

#include "analysis/lookahead.h"
#include "analysis/symbols.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "frontend/macros.h"

namespace mv {

namespace {

enum : int {
  kIdent = 310, kEnumConst = 309, kTypedefName = 313, kTagName = 315, kAggrName = 319,
  kParenProto = 295, kParenOld = 296, kParenInit = 294, kEllipsis = 285, kArrow = 268,
  kDotStar = 282, kArrowStar = 283, kStruct = 350, kUnion = 351, kEnum = 353, kThrow = 383,
  kDeclspec = 539, kAttribute = 548, kEndModule = 301,
};

bool inOldList;          // between a 296 parenthesis and its ')'
const Declarator* lastTypedef;

// The next token after t, reading the next statement when the chain ends.
LexToken* Ahead(LexToken* t) {
  for (int tries = 0; tries < 64; ++tries) {
    LexToken* n = NextToken(t);
    if (n != nullptr) return n;
    LexToken* last = t;
    while (last->next != nullptr) last = last->next;
    if (last->type == kEndModule) return nullptr;
    LexAhead();
    if (last->next == nullptr) return nullptr;
  }
  return nullptr;
}

// Past a keyword's parenthesised group (__attribute__((...)), __declspec(...)).
LexToken* SkipGroup(LexToken* keyword) {
  LexToken* t = Ahead(keyword);
  if (t == nullptr || t->type != '(') return t;
  int depth = 0;
  for (; t != nullptr; t = Ahead(t)) {
    if (t->type == '(') ++depth;
    else if (t->type == ')' && --depth == 0) return Ahead(t);
  }
  return nullptr;
}

bool IsSpecifierKeyword(int c) {
  return (c >= 339 && c <= 349) || (c >= 354 && c <= 365) || c == 337 || c == 397 ||
         (c >= 407 && c <= 414) || (c >= 372 && c <= 374) || (c >= 551 && c <= 562);
}

bool IsTypeKeyword(int c) { return (c >= 344 && c <= 349) || (c >= 354 && c <= 362) || c == 365 || (c >= 407 && c <= 414); }

// An old-style identifier list: names separated by commas up to ')'; the
// ')' in *close.
bool IdentifierList(LexToken* first, LexToken** close) {
  LexToken* t = first;
  for (;;) {
    if (t == nullptr || t->type != kIdent || IsTypeName(t->text)) return false;
    t = Ahead(t);
    if (t == nullptr) return false;
    if (t->type == ')') break;
    if (t->type != ',') return false;
    t = Ahead(t);
  }
  *close = t;
  return true;
}

}  // namespace

LexToken* LxNext(LexToken* t) { return Ahead(t); }

// sizeof of a declared name in #if: its first array dimension.
int32_t FirstDimension(const char* name) {
  const Declarator* d = FindOrdinary(name);
  if (d == nullptr || d->type == nullptr) return 0;
  const Modifier* m = d->type->levels;
  return m != nullptr && m->kind == kModArray ? m->dimension : 0;
}

void InstallClassifier() {
  reclassifyHook = ReclassifyToken;
  ppEnumHook = FindEnumConst;
  ppFirstDimensionHook = FirstDimension;
  inOldList = false;
  lastTypedef = nullptr;
  InitLookahead();
}

const Declarator* TypedefOfLastName() { return lastTypedef; }

LexToken* LxSpecList(LexToken* t) {
  LexToken* last = nullptr;
  bool typeGiven = false;
  while (t != nullptr) {
    const int c = t->type;
    if (IsSpecifierKeyword(c)) {
      if (IsTypeKeyword(c)) typeGiven = true;
      last = t;
    } else if (c == kStruct || c == kUnion || c == kEnum) {
      last = t;
      typeGiven = true;
      LexToken* n = Ahead(t);
      if (n != nullptr && (n->type == kIdent || n->type == kAggrName || n->type == kTypedefName)) {
        last = t = n;
      }
    } else if ((c == kIdent || c == kTypedefName) && !typeGiven && (c == kTypedefName || IsTypeName(t->text))) {
      last = t;
      typeGiven = true;
    } else if (c == kAttribute || c == kDeclspec) {
      LexToken* n = SkipGroup(t);
      if (n == nullptr) return last;
      t = n;
      continue;
    } else {
      break;
    }
    t = Ahead(t);
  }
  return last;
}

bool LxParmTypeList(LexToken* paren) {
  LexToken* t = Ahead(paren);
  if (t == nullptr) return false;
  if (t->type == ')') return true;
  if (t->type == ',') t = Ahead(t);
  for (;;) {
    if (t == nullptr) return false;
    if (t->type == kEllipsis) {
      t = Ahead(t);
      return t != nullptr && t->type == ')';
    }
    LexToken* end = LxSpecList(t);
    if (end == nullptr) return false;
    int depth = 0;
    for (t = Ahead(end); t != nullptr; t = Ahead(t)) {
      const int c = t->type;
      if (c == '(' || c == '[' || c == kParenProto || c == kParenOld) {
        ++depth;
      } else if (c == ')' || c == ']') {
        if (depth == 0) break;
        --depth;
      } else if (depth == 0 && (c == ',' || c == kEllipsis || c == ';' || c == '{')) {
        break;
      }
    }
    if (t == nullptr || t->type == ';' || t->type == '{' || t->type == ']') return false;
    if (t->type == ')') return true;
    if (t->type == ',') t = Ahead(t);
  }
}

int LxFcnParams(LexToken* paren) {
  if (InInitializer()) return '(';
  LexToken* first = Ahead(paren);
  const bool empty = first != nullptr && first->type == ')';
  if (BlockLevel() == 0 && DeclState() == kDStateOrdinary && !CPPKeys) {
    if (empty) return kParenProto;
    LexToken* close = nullptr;
    if ((keyValue == 0 || keyValue == 2) && IdentifierList(first, &close)) {
      LexToken* after = Ahead(close);
      const int a = after != nullptr ? after->type : 0;
      if (a != '(' && a != ',' && a != ':' && a != ';' && a != '=' && a != '[' && a != kThrow) return kParenOld;
    }
  }
  if (InDeclaration() && keyValue != 0) {
    if (empty) return kParenProto;
    if (LxParmTypeList(paren)) return kParenProto;
  }
  return '(';
}

int ReclassifyToken(LexToken* t) {
  const int code = t->type;
  if (checkRules) return code;
  if (CPPKeys && code != kIdent)
    if (const int cpp = CppReclassify(t, code); cpp != 0) return cpp;
  switch (code) {
    case '[':
    case ']':
      NoteBracket(t);
      return code;
    case kParenOld:
      inOldList = true;
      return code;
    case ')':
      inOldList = false;
      return code;
    case kEnum:
    case kStruct:
    case kUnion: {
      LexToken* n = Ahead(t);
      while (n != nullptr && (n->type == kAttribute || n->type == kDeclspec)) n = SkipGroup(n);
      if (n != nullptr && n->type == kIdent) n->type = kAggrName;
      return code;
    }
    case kIdent:
      break;
    default:
      return code;
  }
  const int prev = yaccTokenType;
  bool want = prev != '.' && prev != kArrow && prev != kDotStar && prev != kArrowStar && !inOldList;
  if (prev == kTypedefName || prev == kTagName) {
    want = false;
    SetInDeclaration();
  }
  LexToken* n = Ahead(t);
  const int next = n != nullptr ? n->type : 0;
  if (next == kArrow || next == '.' || next == kDotStar || next == kArrowStar) {
  } else if (next == '(') {
    const int kind = LxFcnParams(n);
    n->type = kind;
    if (kind == kParenProto || kind == kParenOld || kind == kParenInit) want = false;
  }
  int result = kIdent;
  if (want) {
    const bool types = TypesAllowed() || prev == '(';
    result = FindTypeDef(t->text, t, 0, 0, types ? 1 : 0);
    // An enumeration constant declared again as an object.
    if (result == kEnumConst && !TypesAllowed() && InDeclaration() &&
        (next == ';' || next == ',' || next == '=' || next == '[' || next == ')' || next == '(') &&
        (prev == '*' || prev == ',' || prev >= 256))
      result = kIdent;
  } else {
    foundDec = nullptr;
    foundEnum = nullptr;
    idFound = false;
  }
  if (result == kTypedefName) lastTypedef = foundDec;
  if (result == kEnumConst) t->value.i = thisEnumValue;
  if (CPPKeys) result = CppIdentifier(t, result, n);
  if (result == kIdent || result == kEnumConst) NoteIdentifier(t);
  return result;
}

}  // namespace mv
