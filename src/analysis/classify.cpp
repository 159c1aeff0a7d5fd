// The token stream's re-classification hook: identifiers are looked up in
// the scopes (typedef names 313, enumeration constants 309 with their
// value), tag names after struct, union, class and enum become 319, and the
// parenthesis after a name is classified by looking ahead. C++ adds class
// names (315), qualifiers (316, 320), constructors (314), destructors (280),
// namespace names, the colons of base lists and constructor initializers
// (293) and the qualifiers after a member function's parameter list.
#include "analysis/classify.h"

#include <cstdio>
#include <cstring>

#include "analysis/actions.h"
#include "analysis/classes.h"
#include "analysis/lookahead.h"
#include "analysis/parser.h"
#include "analysis/symbols.h"
#include "analysis/templates.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "frontend/macros.h"
#include "rules/compile.h"
#include "rules/mvvars.h"
#include "support/mverror.h"

namespace mv {

namespace {

enum : int {
  kString = 302, kFloatConst = 306, kIdent = 310, kEnumConst = 309, kTypedefName = 313, kTagName = 315, kAggrName = 319,
  kParenProto = 295, kParenOld = 296, kParenInit = 294, kEllipsis = 285, kArrow = 268,
  kDotStar = 282, kArrowStar = 283, kStruct = 350, kUnion = 351, kEnum = 353, kThrow = 383,
  kDeclspec = 539, kAttribute = 548, kEndModule = 301, kTypedef = 337,
  kDestroy = 280, kScope = 281, kCtorColon = 293, kHotTag = 314, kScopeName = 316,
  kNamespaceName = 320, kNamespaceAlias = 322, kConst = 363, kVolatile = 364,
  kOperator = 380, kTemplate = 381, kClass = 390, kNamespace = 391, kReference = 386, kTemplateClose = 284,
  kTemplateParm = 311, kNew = 379, kDelete = 378, kDropped = 550, kTypeof = 323, kLocalLabel = 415, kTry = 384, kGoto = 331,
};

bool inOldList;          // between a 296 parenthesis and its ')'
const Declarator* lastTypedef;
Tag* lastTag;             // the tag of the last class name (315)
const char* lastScope;    // the last qualifier handed over (316, 320)
bool inOperatorName;      // from `operator` to the '(' of its parameters
LexToken* templateScope;  // the '::' after a class template's argument list (compared, never read)
int ctorInitDepth;        // parentheses open in constructor initializers (0: outside)
bool inCtorInit;          // from a constructor initializer's ':' to the body
const LexToken* globalName;  // the name of the last ::C folded to C
int syntaxErrorsBefore;      // the syntax errors reported before this module

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

// The ')' that closes the '(' at open; null when the chain ends first.
LexToken* GroupClose(LexToken* open) {
  int depth = 0;
  for (LexToken* t = open; t != nullptr; t = Ahead(t)) {
    if (t->type == '(' || (t->type >= kParenInit && t->type <= 297)) ++depth;
    else if (t->type == ')' && --depth == 0) return t;
  }
  return nullptr;
}

// Past a keyword's parenthesised group (__attribute__((...)), __declspec(...)).
LexToken* SkipGroup(LexToken* keyword) {
  LexToken* t = Ahead(keyword);
  if (t == nullptr || t->type != '(') return t;
  LexToken* close = GroupClose(t);
  return close != nullptr ? Ahead(close) : nullptr;
}

// The word of a GNU typeof before its '(': `__typeof__`, `__typeof` and
// g++'s `__decltype` in the dialects with extension keywords, `typeof` too
// in the GNU dialect.
bool TypeofWord(const LexToken* t) {
  const char* s = t->text;
  if (s[0] == '_')
    return extendedKeys && s[1] == '_' &&
           (strcmp(s, "__typeof__") == 0 || strcmp(s, "__typeof") == 0 || strcmp(s, "__decltype") == 0);
  return s[0] == 't' && keyValue == 8 && strcmp(s, "typeof") == 0;
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

// ---- C++ qualified names --------------------------------------------------------

bool NextIs(LexToken* t, int code) {
  LexToken* n = Ahead(t);
  return n != nullptr && n->type == code;
}

bool IsName(const LexToken* t) {
  return t != nullptr && (t->type == kIdent || t->type == kScopeName || t->type == kNamespaceName);
}

// The last part of the qualified name that starts at first (a name followed
// by '::', or a leading '::'); *qualifier is the name before it, null when
// there is none.
LexToken* QualifiedEnd(LexToken* first, LexToken** qualifier) {
  *qualifier = nullptr;
  LexToken* t = first->type == kScope ? Ahead(first) : first;
  for (int parts = 0; IsName(t) && parts < 64; ++parts) {
    LexToken* colons = Ahead(t);
    if (colons == nullptr || colons->type != kScope) break;
    *qualifier = t;
    t = Ahead(colons);
  }
  return t;
}

// The last name of a class head's qualified name (A::B, A<T>::B,
// A<T>::template B); first itself when it is not qualified.
LexToken* QualifiedTagEnd(LexToken* first) {
  LexToken* last = first;
  for (int parts = 0; parts < 64; ++parts) {
    LexToken* t = Ahead(last);
    if (t != nullptr && t->type == '<') {
      LexToken* close = LxTempArgs(t, true);
      t = close != nullptr ? Ahead(close) : nullptr;
    }
    if (t == nullptr || t->type != kScope) break;
    t = Ahead(t);
    if (t != nullptr && t->type == kTemplate) t = Ahead(t);
    if (t == nullptr || t->type != kIdent) break;
    last = t;
  }
  return last;
}

// A qualified name that ends in a type name reaches the parser as that type
// name alone: its qualifiers are dropped (each '::' still sets op_scope).
// A constructor's name (C::C) is no type here.
bool FoldQualifiedType(LexToken* first) {
  LexToken* qualifier;
  LexToken* last = QualifiedEnd(first, &qualifier);
  if (last == nullptr || last->type != kIdent || last == first) return false;
  if (LexToken* after = Ahead(last); after != nullptr && (after->type == '.' || after->type == kArrow)) return false;
  // A class template's name with its arguments stands for the type: the
  // qualifiers are dropped and the name is classified as a template's.
  LexToken* lt = Ahead(last);
  if (lt != nullptr && lt->type == '<') {
    const Template* known = FindTemplate(last->text, kTemplateClass);
    LexToken* close = known != nullptr ? LxTempArgs(lt, true) : nullptr;
    LexToken* after = close != nullptr ? Ahead(close) : nullptr;
    if (after == nullptr || after->type == kScope) return false;
  } else if (!IsTypeName(last->text) && FindTag(last->text) == nullptr) {
    return false;
  }
  if (qualifier != nullptr && strcmp(qualifier->text, last->text) == 0) return false;
  // T::x names a member of whatever T stands for.
  if (qualifier != nullptr && IsTemplateParameter(qualifier->text)) return false;
  for (LexToken* t = first; t != nullptr && t != last;) {
    LexToken* n = NextToken(t);
    if (t->type == kScope) SetOp(op_scope, t, 0);
    t->type = kDropped;
    t = n;
  }
  // ::C names no member of the class being read.
  if (first->type == kDropped && qualifier == nullptr) globalName = last;
  return true;
}

// A name that the class being read or the qualifier before it makes a
// constructor's: the class's own name at the level of its members, or
// C::C.
bool IsConstructorName(const LexToken* t, int prev) {
  if (prev == kScope) return lastScope != nullptr && strcmp(lastScope, t->text) == 0;
  return InClassBody() && BlockLevel() == ClassBodyLevel() && DeclState() == kDStateMember &&
         strcmp(ClassBodyName(), t->text) == 0;
}

// The code of a token that ends a type (before a declarator's '&').
bool EndsType(int c) {
  return IsTypeKeyword(c) || c == kTypedefName || c == kTagName || c == kAggrName || c == kTemplateParm ||
         c == kTemplateClose || c == kConst || c == kVolatile;
}

// Inside a function body (a class body in a function is no body).
bool InFunctionBody() { return BlockLevel() > 0 && !(InClassBody() && BlockLevel() == ClassBodyLevel()); }

// The code of a C++ token that the rules below decide before any lookup;
// 0 when they leave it to the lookup.
int CppToken(LexToken* t, int prev) {
  LexToken* n = Ahead(t);
  const int next = n != nullptr ? n->type : 0;
  switch (t->type) {
    case kConst:
    case kVolatile:
      // A member function's qualifier after its parameter list.
      return prev == ')' ? kDropped : 0;
    case ':':
      // A constructor's initializers after its parameter list, or after the
      // try of a function try block.
      if (prev == kTry && next == kIdent) return kCtorColon;
      if (prev == ')' && next == kIdent && !InInitializer() && DeclState() != kDStateParams && !InFunctionBody()) {
        inCtorInit = true;
        ctorInitDepth = 0;
        return kCtorColon;
      }
      return 0;
    case '&':
      // After a type, or in a parenthesised declarator after a type: a
      // reference declarator's.
      return EndsType(prev) || prev == kReference || (prev == '*' && InDeclaration()) ||
                     (prev == '(' && EndsType(yaccPrevType) && InDeclaration() && !InInitializer())
                 ? kReference
                 : 0;
    case '~':
      if (prev != kOperator && next == kIdent &&
          (!(InFunctionBody() || InInitializer()) || prev == '.' || prev == kArrow || prev == kScope))
        return kDestroy;
      return 0;
    case kScope:
      {
        // After C<T> the '::' goes on with the class template's scope.
        const bool afterTemplate = prev == kTemplateClose && t == templateScope;
        templateScope = nullptr;
        if (prev != kScopeName && prev != kNamespaceName && !afterTemplate) lastScope = nullptr;
        if (prev != kScopeName && prev != kNamespaceName && !afterTemplate && FoldQualifiedType(t)) return kDropped;
      }
      return 0;
    case kIdent:
      break;
    default:
      return 0;
  }
  if (prev == kDestroy) {
    // ~C<T>(): the argument list repeats the class template's.
    if (next == '<') {
      LexToken* close = LxTempArgs(n, true);
      if (close != nullptr) {
        close->type = kTemplateClose;
        n = Ahead(close);
      }
    }
    // A destructor's parameter list, unless it is called: p->~C().
    if (n != nullptr && n->type == '(' && !InFunctionBody() && yaccPrevType != '.' && yaccPrevType != kArrow) n->type = kParenProto;
    return kIdent;
  }
  if (next == kScope) {
    if (FoldQualifiedType(t)) return kDropped;
    lastScope = t->text;
    return IsNamespaceName(t->text) ? kNamespaceName : kScopeName;
  }
  if (prev == kNamespace) {
    AddNamespaceName(t->text);
    return next == '=' ? kNamespaceAlias : kNamespaceName;
  }
  if ((prev == kScope || prev == '=') && IsNamespaceName(t->text)) return kNamespaceName;
  if (next == '(' && IsConstructorName(t, prev)) {
    n->type = kParenProto;
    return kHotTag;
  }
  return 0;
}

}  // namespace

LexToken* LxNext(LexToken* t) { return Ahead(t); }

bool IsTypeof(LexToken* t) {
  if (t->type == kTypeof) return true;
  if (t->type != kIdent || !TypeofWord(t)) return false;
  LexToken* n = Ahead(t);
  return n != nullptr && n->type == '(';
}

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
  lastTag = nullptr;
  lastScope = nullptr;
  inOperatorName = false;
  templateScope = nullptr;
  ctorInitDepth = 0;
  inCtorInit = false;
  globalName = nullptr;
  syntaxErrorsBefore = syntaxErrors;
  InitClasses();
}

const Declarator* TypedefOfLastName() { return lastTypedef; }
void NoteQualifier(const char* name, LexToken* close) {
  lastScope = name;
  templateScope = close != nullptr ? Ahead(close) : nullptr;
}
bool InCtorInitializer() { return ctorInitDepth > 0; }
Tag* TagOfLastName() { return lastTag; }

LexToken* LxSpecList(LexToken* t) {
  LexToken* last = nullptr;
  bool typeGiven = false;
  while (t != nullptr) {
    const int c = t->type;
    if (IsSpecifierKeyword(c)) {
      if (IsTypeKeyword(c)) typeGiven = true;
      last = t;
    } else if (CPPKeys && !typeGiven && (c == kScope || (c == kIdent && NextIs(t, kScope)))) {
      // A qualified type name.
      LexToken* qualifier;
      LexToken* end = QualifiedEnd(t, &qualifier);
      if (end == nullptr || end->type != kIdent || (!IsTypeName(end->text) && FindTag(end->text) == nullptr)) break;
      last = t = end;
      typeGiven = true;
    } else if (LexToken* end = CPPKeys && !typeGiven ? LxTemplateType(t) : nullptr; end != nullptr) {
      last = t = end;
      typeGiven = true;
    } else if (CPPKeys && c == kIdent && !typeGiven && FindTag(t->text) != nullptr) {
      last = t;
      typeGiven = true;
    } else if (c == kStruct || c == kUnion || c == kEnum || c == kClass) {
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
    } else if (!typeGiven && IsTypeof(t)) {
      // __typeof__(...): its ')' ends the type.
      LexToken* close = GroupClose(Ahead(t));
      if (close == nullptr) return last;
      last = t = close;
      typeGiven = true;
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
    // Bit d set: the group at depth d+1 is a bracket. A constant that
    // begins an item straight inside a parenthesis of the declarator (no
    // default argument begun) is an argument: the group is the values an
    // object is constructed from, cc sc(ca(1), ca(1)).
    uint64_t brackets = 0;
    bool defaulted = false;
    int before = 0;
    for (t = Ahead(end); t != nullptr; before = t->type, t = Ahead(t)) {
      const int c = t->type;
      if (c == '(' || c == '[' || c == kParenProto || c == kParenOld) {
        if (depth < 64) brackets = c == '[' ? brackets | (uint64_t{1} << depth) : brackets & ~(uint64_t{1} << depth);
        ++depth;
      } else if (c == ')' || c == ']') {
        if (depth == 0) break;
        --depth;
      } else if (depth == 0 && (c == ',' || c == kEllipsis || c == ';' || c == '{')) {
        break;
      } else if (c == '=' && depth == 0) {
        defaulted = true;
      } else if (CPPKeys && !defaulted && depth > 0 && c >= kString && c <= kFloatConst && depth <= 64 &&
                 (before == '(' || before == ',') && (brackets & (uint64_t{1} << (depth - 1))) == 0) {
        return false;
      }
    }
    if (t == nullptr || t->type == ';' || t->type == '{' || t->type == ']') return false;
    if (t->type == ')') return true;
    if (t->type == ',') t = Ahead(t);
  }
}

// The token before a '(' that opens a declarator group: the type's last
// word, a '*' or another such '('.
bool DeclaratorStart(int c) {
  return (c >= 344 && c <= 349) || (c >= 354 && c <= 362) || (c >= 407 && c <= 414) || c == kTypedefName ||
         c == kTagName || c == '*' || c == '(';
}

int LxFcnParams(LexToken* paren) {
  if (InInitializer() || InCtorInitializer() || (CPPKeys && InBrackets())) return '(';
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
  if ((InDeclaration() || (CPPKeys && yaccTokenType == ',' && InDeclaratorList())) && keyValue != 0) {
    if (empty) return kParenProto;
    if (LxParmTypeList(paren)) return kParenProto;
    // C++: the values a declared object is constructed from.
    if (CPPKeys && DeclState() == kDStateOrdinary) return kParenInit;
  }
  return '(';
}

// In a rule file the only names the token stream tells apart are the
// enumeration constants the file declared.
int RuleIdentifier(LexToken* t) {
  int32_t value = 0;
  if (!FindRuleEnum(t->text, &value)) return kIdent;
  t->value.i = value;
  return kEnumConst;
}

int ReclassifyToken(LexToken* t) {
  const int code = t->type;
  if (checkRules) return code == kIdent ? RuleIdentifier(t) : code;
  if (code == kCtorColon) inCtorInit = true;
  if (inCtorInit) {
    if (code == '(' || (code >= kParenInit && code <= 297)) {
      ++ctorInitDepth;
    } else if (code == ')') {
      if (ctorInitDepth > 0) --ctorInitDepth;
    } else if (code == '{' || code == ';') {
      inCtorInit = false;
      ctorInitDepth = 0;
    }
  }
  // After `operator` new and delete name the operator function.
  if (CPPKeys && code != kIdent && !(yaccTokenType == kOperator && (code == kNew || code == kDelete)))
    if (const int cpp = CppReclassify(t, code); cpp != 0) return cpp;
  if (code == '(' || (code >= kParenInit && code <= 297) || code == ';') inOperatorName = false;
  switch (code) {
    case '[':
    case ']':
      NoteBracket(t);
      return code;
    case kOperator:
      inOperatorName = CPPKeys != 0;
      return code;
    case kParenOld:
      inOldList = true;
      return code;
    case ')':
      inOldList = false;
      return code;
    case kEnum:
    case kStruct:
    case kUnion:
    case kClass: {
      LexToken* n = Ahead(t);
      while (n != nullptr && (n->type == kAttribute || n->type == kDeclspec)) n = SkipGroup(n);
      // class ::A: the global scope's A.
      if (CPPKeys && n != nullptr && n->type == kScope) {
        LexToken* after = Ahead(n);
        if (after != nullptr && after->type == kIdent) {
          SetOp(op_scope, n, 0);
          n->type = kDropped;
          n = after;
        }
      }
      // struct A::B, struct A<T>::B: the qualifiers are dropped, the last
      // name is the tag.
      if (CPPKeys && n != nullptr && n->type == kIdent) {
        LexToken* last = QualifiedTagEnd(n);
        if (last != n) {
          for (LexToken* q = n; q != last;) {
            LexToken* after = NextToken(q);
            if (q->type == kScope) SetOp(op_scope, q, 0);
            q->type = kDropped;
            q = after;
          }
          n = last;
        }
      }
      if (n != nullptr && n->type == kIdent) {
        n->type = kAggrName;
        // A C++ class head's base list.
        LexToken* colon = Ahead(n);
        if (CPPKeys && code != kEnum && colon != nullptr && colon->type == ':') colon->type = kCtorColon;
      }
      return code;
    }
    case kIdent:
      break;
    case kConst:
    case kVolatile:
    case ':':
    case '~':
    case '&':
    case kScope:
      if (!CPPKeys) return code;
      {
        const int cpp = CppToken(t, yaccTokenType);
        return cpp != 0 ? cpp : code;
      }
    default:
      return code;
  }
  if (IsTypeof(t)) return kTypeof;
  const int prev = yaccTokenType;
  if (InFunctionBody()) {
    if (extendedKeys && strcmp(t->text, "__label__") == 0) return kLocalLabel;
    // A label, whatever else the name names.
    if (prev == kGoto || ((prev == ';' || prev == '{' || prev == '}') && NextIs(t, ':'))) {
      NoteIdentifier(t);
      return kIdent;
    }
  }
  if (CPPKeys) {
    if (CppQualified(t) != 0) return kDropped;
    const int cpp = CppToken(t, prev);
    if (cpp != 0) {
      if (cpp == kIdent) NoteIdentifier(t);
      return cpp;
    }
  }
  bool want = prev != '.' && prev != kArrow && prev != kDotStar && prev != kArrowStar && !inOldList;
  // A member of a template type parameter (T::x) is no name of this scope.
  if (CPPKeys && prev == kScope && lastScope != nullptr && IsTemplateParameter(lastScope)) want = false;
  if (prev == kTypedefName || prev == kTagName) {
    want = false;
    SetInDeclaration();
  }
  // A type name declared again in a parenthesised declarator after the
  // declaration's type: typedef int ((foo)); typedef void (X)();
  if (CPPKeys && want && prev == '(' && !TypesAllowed() && InDeclaration() && !InInitializer() &&
      DeclaratorStart(yaccPrevType))
    want = false;
  LexToken* n = Ahead(t);
  const int next = n != nullptr ? n->type : 0;
  if (next == kArrow || next == '.' || next == kDotStar || next == kArrowStar) {
  } else if (next == '(') {
    bool protoType = false;
    int kind = LxFcnParams(n);
    // A type name before '(' starts a parenthesised declarator: T (*p)().
    if (kind == kParenInit && (IsTypeName(t->text) || FindTag(t->text) != nullptr)) kind = '(';
    // A type first in a parameter is the parameter's type, its list a
    // function type's: D d(C()) declares a function.
    if (kind == kParenProto && CPPKeys && (prev == kParenProto || prev == '(' || prev == ',') && DeclState() == kDStateParams &&
        TypesAllowed() && (IsTypeName(t->text) || FindTag(t->text) != nullptr))
      protoType = true;
    n->type = kind;
    // A call's '(' keeps the expression going, even onto the next line.
    if (kind == '(') lineContinues = true;
    if ((kind == kParenProto && !inOperatorName && !protoType) || kind == kParenOld || kind == kParenInit) want = false;
  }
  int result = kIdent;
  if (want) {
    const bool types = TypesAllowed() || prev == '(' || inOperatorName;
    result = FindTypeDef(t->text, t, t == globalName ? 1 : 0, 0, types ? 1 : 0);
    // C++: a class name is a type name unless an object or function hides
    // it (its constructors do not; an object named like the class does).
    const bool object = foundDec != nullptr && foundDec->type != nullptr &&
                        (foundDec->type->levels == nullptr || foundDec->type->levels->kind != kModFunction);
    if (CPPKeys && result == kIdent && types &&
        (!idFound || (IsConstructor(t->text) && !object) || (object && BlockLevel() > 0))) {
      // A class declared in a block inside the object's hides the object.
      lastTag = !idFound || !object ? FindTag(t->text) : FindTagBefore(t->text, foundDec);
      if (lastTag != nullptr) {
        result = kTagName;
        foundDec = nullptr;
      }
    }
    // A name whose member is selected names an object, whatever type
    // shares its name (numpunct<C>::id._M_id()).
    if (CPPKeys && (result == kTypedefName || result == kTagName) &&
        (next == '.' || next == kArrow || next == kDotStar || next == kArrowStar))
      result = kIdent;
    // An enumeration constant declared again as an object.
    if (result == kEnumConst && !TypesAllowed() && InDeclaration() &&
        (next == ';' || next == ',' || next == '=' || next == '[' || next == ')' || next == '(') &&
        (prev == '*' || prev == ',' || prev == '}' || prev >= 256))
      result = kIdent;
  } else {
    foundDec = nullptr;
    foundEnum = nullptr;
    idFound = false;
  }
  // C::m: a member of the class the qualifier names.
  if (CPPKeys && result == kIdent && !idFound && prev == kScope &&
      (yaccPrevType == kScopeName || yaccPrevType == kTemplateClose || yaccPrevType == '>'))
    if (Declarator* m = FindScopedMember(t->text); m != nullptr && !(m->type != nullptr && m->type->Storage() == kStorTypedef)) {
      foundDec = m;
      idFound = true;
    }
  if (result == kTypedefName) lastTypedef = foundDec;
  if (result == kEnumConst) t->value.i = thisEnumValue;
  if (CPPKeys) result = CppIdentifier(t, result, n);
  // The word after typedef must name a type: the declaration cannot be read.
  // (A typedef name taken as an object by a declaration state that a syntax
  // error left behind is no reason to stop; nor is a name after a syntax
  // error in the module, whose recovery may have passed over the name's
  // declaration or a word of another dialect that declared nothing: the
  // typedef is then one more syntax error.)
  if (result == kIdent && prev == kTypedef && checkRules == 0 && !IsTypeName(t->text) &&
      syntaxErrors == syntaxErrorsBefore) {
    char text[200];
    snprintf(text, sizeof text, "Typedef name %.150s has not been defined.", t->text);
    FatalError(49, text);
  }
  if (result == kIdent || result == kEnumConst) NoteIdentifier(t);
  return result;
}

}  // namespace mv
