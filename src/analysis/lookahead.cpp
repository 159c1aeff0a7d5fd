// C++ look-ahead over the token chain for the re-classification of tokens
// (see lookahead.h).
#include "analysis/lookahead.h"

#include <algorithm>
#include <vector>

#include "analysis/classify.h"
#include "analysis/declare.h"
#include "analysis/symbols.h"
#include "driver/options.h"
#include "frontend/lex2.h"

namespace mv {

namespace {

enum : int {
  kScope = 281, kTemplateClose = 284, kParenCtor = 297, kIdent = 310, kTemplParm = 311, kFcnCast = 312,
  kTypedefName = 313, kHotTag = 314, kTagName = 315, kNamespaceName = 320, kConst = 363, kVolatile = 364,
  kNew = 379, kOperator = 380, kStruct = 350, kUnion = 351, kEnum = 353, kClass = 390, kTypename = 397,
};

bool IsTypeKeyword(int c) { return (c >= 344 && c <= 349) || (c >= 354 && c <= 362) || (c >= 407 && c <= 414); }
bool IsNameCode(int c) { return c >= kIdent && c <= 322 && c != kFcnCast; }

// The tokens that name the type of the new expression being read: they are
// neither casts nor constructor calls.
std::vector<LexToken*> newTypeTokens;

bool InNewType(LexToken* t) {
  auto it = std::find(newTypeTokens.begin(), newTypeTokens.end(), t);
  if (it == newTypeTokens.end()) return false;
  newTypeTokens.erase(newTypeTokens.begin(), it + 1);
  return true;
}

// The token after the ')' matching the '(' at open.
LexToken* AfterGroup(LexToken* open) {
  int depth = 0;
  for (LexToken* t = open; t != nullptr; t = LxNext(t)) {
    if (t->type == '(' || (t->type >= 294 && t->type <= 297)) ++depth;
    else if (t->type == ')' && --depth == 0) return LxNext(t);
    else if (t->type == ';') return nullptr;
  }
  return nullptr;
}

// Records the type of a new expression that starts at t: specifiers,
// qualified names and template argument lists.
void MarkNewType(LexToken* t) {
  newTypeTokens.clear();
  bool named = false;
  while (t != nullptr) {
    const int c = t->type;
    if (IsTypeKeyword(c) || c == kConst || c == kVolatile || c == kTypename || c == kStruct || c == kUnion ||
        c == kEnum || c == kClass) {
      newTypeTokens.push_back(t);
    } else if (IsNameCode(c)) {
      if (named) break;
      named = true;
      newTypeTokens.push_back(t);
    } else if (c == kScope) {
      named = false;
      newTypeTokens.push_back(t);
    } else if (c == '<' && named) {
      int depth = 0;
      for (; t != nullptr; t = LxNext(t)) {
        if (t->type == '<') ++depth;
        else if ((t->type == '>' || t->type == kTemplateClose) && --depth == 0) break;
        else if (t->type == ';') return;
      }
      if (t == nullptr) return;
    } else {
      break;
    }
    t = LxNext(t);
  }
}

}  // namespace

void InitLookahead() { newTypeTokens.clear(); }

bool LxTypedParam(LexToken* paren) {
  LexToken* t = LxNext(paren);
  if (t == nullptr) return false;
  const int c = t->type;
  if (IsTypeKeyword(c) || c == kConst || c == kVolatile || c == kTypename || c == kStruct || c == kUnion ||
      c == kEnum || c == kClass || c == kTypedefName || c == kTagName || c == kTemplParm)
    return true;
  return c == kIdent && IsTypeName(t->text);
}

bool LxAbsFcnPtr(LexToken* paren) {
  LexToken* t = LxNext(paren);
  if (t == nullptr) return false;
  if (t->type == '*' || t->type == '&' || t->type == '^') return true;
  // (Class::*
  while (t != nullptr && IsNameCode(t->type)) {
    LexToken* s = LxNext(t);
    if (s == nullptr || s->type != kScope) return false;
    t = LxNext(s);
    if (t != nullptr && t->type == '*') return true;
  }
  return false;
}

int CppReclassify(LexToken* t, int code) {
  if (code == kNew) {
    LexToken* n = LxNext(t);
    if (n == nullptr) return code;
    if (n->type == '(') {
      if (LxTypedParam(n)) return code;
      // A placement: its arguments, then the type.
      n->type = kParenCtor;
      n = AfterGroup(n);
      if (n == nullptr || n->type == '(') return code;
    }
    MarkNewType(n);
    return code;
  }
  if (IsTypeKeyword(code)) {
    if (InNewType(t)) return code;
    LexToken* n = LxNext(t);
    if (n == nullptr || n->type != '(') return 0;
    if (yaccTokenType == kOperator) return 0;
    // int(x) in an expression or an initializer; a declarator otherwise.
    if (InDeclaration() && !InInitializer()) return 0;
    if (LxAbsFcnPtr(n)) return 0;
    LexToken* after = LxNext(n);
    if (after != nullptr && after->type == ')' && InDeclaration()) return 0;
    return kFcnCast;
  }
  return 0;
}

int CppIdentifier(LexToken* t, int code, LexToken* next) {
  if (InNewType(t)) return code;
  if (code != kTypedefName && code != kTagName) return code;
  if (next == nullptr || next->type != '(') return code;
  if (yaccTokenType == kOperator || yaccTokenType == kScope) return code;
  if (InDeclaration() && !InInitializer()) return code;
  if (LxAbsFcnPtr(next)) return code;
  if (code == kTagName) {
    next->type = kParenCtor;
    return kHotTag;
  }
  return kFcnCast;
}

}  // namespace mv
