// C++ look-ahead over the token chain for the re-classification of tokens
// (see lookahead.h).
#include "analysis/lookahead.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "analysis/classify.h"
#include "analysis/declare.h"
#include "analysis/symbols.h"
#include "analysis/templates.h"
#include "driver/options.h"
#include "analysis/actions.h"
#include "analysis/classes.h"
#include "frontend/lex2.h"

namespace mv {

namespace {

enum : int {
  kScope = 281, kParenProto = 295, kParenCtor = 297, kIdent = 310, kTemplParm = 311, kFcnCast = 312,
  kTypedefName = 313, kHotTag = 314, kTagName = 315, kNamespaceName = 320, kConst = 363, kVolatile = 364,
  kNew = 379, kOperator = 380, kTemplate = 381, kTemplateClose = 284, kTemplateName = 317,
  kTemplateKnown = 318, kAggrName = 319, kScopeName = 316, kTemplateScope = 321, kArrow = 268, kDropped = 550, kFriend = 392, kStruct = 350, kUnion = 351, kEnum = 353, kClass = 390, kTypename = 397,
};

bool IsTypeKeyword(int c) { return (c >= 344 && c <= 349) || (c >= 354 && c <= 362) || (c >= 407 && c <= 414); }
bool IsNameCode(int c) { return c >= kIdent && c <= 322 && c != kFcnCast; }

// The '<' tokens that open template argument lists (the latest ones), and
// the last '<' handed to the parser.
std::vector<LexToken*> templateOpens;
LexToken* lastLess;

void NoteTemplateOpen(LexToken* lt) {
  if (templateOpens.size() >= 64) templateOpens.erase(templateOpens.begin(), templateOpens.begin() + 32);
  templateOpens.push_back(lt);
}

// After this token an operand begins: a name or type keyword followed by
// '(' is a cast or a call there even inside a declaration (the value of an
// enumerator or a member's initializer).
bool AfterOperator(int prev) {
  switch (prev) {
    case '=': case '!': case '~': case '+': case '-': case '/': case '%': case '^': case '|': case '?': case '>':
    case 333:  // return
      return true;
    case '(':
    case ',':
    case 294:
    case 295:
    case kParenCtor:
      return InCtorInitializer();
    case '<':  // a comparison's, not an argument list's
      return lastLess != nullptr &&
             std::find(templateOpens.begin(), templateOpens.end(), lastLess) == templateOpens.end();
    default:
      return (prev >= 257 && prev <= 266) || (prev >= 270 && prev <= 279);
  }
}

// The tokens that name the type of the new expression being read: they are
// neither casts nor constructor calls.
std::vector<LexToken*> newTypeTokens;
// The keyword template after '.', '->' or '::': the name after it is a template.
bool forceTemplate;
// The keyword typename was dropped before the name being read.
bool typenameSeen;

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

// A parenthesised declarator after a type, T (*p)(...) or T (&r)[n], or an
// abstract one, T (*)(...): not the operand of a cast, bool(*this) or
// I(&x), which stands where an expression goes on.
bool DeclaratorGroup(LexToken* paren) {
  if (!LxAbsFcnPtr(paren)) return false;
  const int prev = yaccTokenType;
  if (prev == ';' || prev == '{' || prev == '}' || prev == ')') return true;
  LexToken* first = LxNext(paren);
  if (first->type != '*' && first->type != '&') return true;
  LexToken* second = LxNext(first);
  if (second == nullptr || second->type == ')') return true;
  LexToken* after = AfterGroup(paren);
  return after == nullptr || after->type == '(' || after->type == '[';
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

// A name followed by '<': a template argument list when the name is a known
// template or the list begins with a type. Its '>' becomes 284; the name 321
// before '::', 317 when it is called (a function template, or a class
// template's constructor, in an expression: the '(' becomes 297), else 318.
int TemplateName(LexToken* t, int code, LexToken* next, bool newType = false) {
  const int prev = yaccTokenType;
  const bool member = prev == '.' || prev == kArrow;
  const bool forced = forceTemplate;
  forceTemplate = false;
  const Template* known = FindTemplate(t->text, -1);
  // After '.' or '->' only a member template's name (known, or after the
  // keyword template) opens an argument list.
  if (member && !forced && known == nullptr) return code;
  LexToken* close = LxTempArgs(next, known != nullptr || forced);
  if (close == nullptr) return code;
  close->type = kTemplateClose;
  NoteTemplateOpen(next);
  LexToken* after = LxNext(close);
  if (after != nullptr && after->type == kScope) {
    NoteQualifier(t->text, close);
    return kTemplateScope;
  }
  // A partial specialisation's head: its base list follows.
  if (code == kAggrName && after != nullptr && after->type == ':') after->type = 293;
  // C<T>(...) among the members of C: a constructor (after operator, the
  // type a conversion function converts to).
  if (after != nullptr && after->type == '(' && prev != kOperator && prev != kFriend && InClassBody() && BlockLevel() == ClassBodyLevel() &&
      DeclState() == kDStateMember && strcmp(ClassBodyName(), t->text) == 0) {
    after->type = kParenProto;
    return kHotTag;
  }
  // A member template called: its parenthesis is a call's.
  if (member) return kTemplateName;
  // After operator: the type a conversion function converts to, even where
  // the function is called (x.operator A<long>()).
  if (prev == kOperator) return kTemplateKnown;
  // The type of a new expression is followed by its initializer.
  // After an operator or return only an operand can follow: (*p) is no declarator there.
  const bool operand = AfterOperator(prev);
  const bool expression = (!InDeclaration() || InInitializer() || member || operand) && !newType;
  if (after != nullptr && after->type == '(' && expression && (operand || !LxAbsFcnPtr(after))) {
    after->type = kParenCtor;
    t->declaration = FindOrdinary(t->text);
    return kTemplateName;
  }
  if (known != nullptr && known->kind == kTemplateFunction) return kTemplateName;
  return kTemplateKnown;
}

}  // namespace

void InitLookahead() {
  newTypeTokens.clear();
  forceTemplate = typenameSeen = false;
  templateOpens.clear();
  lastLess = nullptr;
  InitTemplates();
}

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
  // (Class::*, (Template<T>::*
  while (t != nullptr && IsNameCode(t->type)) {
    LexToken* s = LxNext(t);
    if (s != nullptr && s->type == '<' && t->text != nullptr) {
      s = LxTempArgs(s, FindTemplate(t->text, -1) != nullptr);
      if (s != nullptr) s = LxNext(s);
    }
    if (s == nullptr || s->type != kScope) return false;
    t = LxNext(s);
    if (t != nullptr && t->type == '*') return true;
  }
  return false;
}

int CppQualified(LexToken* t) {
  const bool typeWanted = typenameSeen;
  typenameSeen = false;
  LexToken* n = LxNext(t);
  if (n == nullptr || (n->type != kScope && n->type != '<')) return 0;
  const int prev = yaccTokenType;
  if (prev == '.' || prev == kArrow || prev == kScope) return 0;
  // Walk the chain of names, argument lists and '::' (a `template` after a
  // '::' only says that a template's name follows).
  // Dependent: a type parameter or an argument list stands before a '::'.
  bool dependent = false;
  const bool parameter = IsTemplateParameter(t->text);
  LexToken* last = t;
  LexToken* lastClose = nullptr;  // the '>' of the last name's own argument list
  for (int parts = 0; parts < 64; ++parts) {
    n = LxNext(last);
    LexToken* close = nullptr;
    if (n != nullptr && n->type == '<') {
      if (parts == 0 && !parameter && FindTemplate(last->text, -1) == nullptr) return 0;
      close = LxTempArgs(n, true);
      if (close == nullptr) return 0;
      n = LxNext(close);
    }
    if (n == nullptr || n->type != kScope) {
      if (close != nullptr && parts == 0) return 0;
      lastClose = close;
      break;
    }
    if (close != nullptr || (parts == 0 && parameter)) dependent = true;
    LexToken* name = LxNext(n);
    if (name != nullptr && name->type == kTemplate) name = LxNext(name);
    if (name == nullptr || name->type != kIdent) return 0;
    last = name;
  }
  if (last == t || (!dependent && !typeWanted)) return 0;
  LexToken* after = LxNext(lastClose != nullptr ? lastClose : last);
  const int a = after != nullptr ? after->type : 0;
  // A name whose member is selected names an object (A<T>::id._M_id()).
  if (a == '.' || a == kArrow) return 0;
  // A member of a type parameter is no type for sharing a type's name (T::id).
  const bool typeName = !(parameter && last == LxNext(LxNext(t))) && (IsTypeName(last->text) || FindTag(last->text) != nullptr);
  // A type named in an expression and called: a function-like cast.
  const bool expression = BlockLevel() > 0 && (!InDeclaration() || InInitializer() || AfterOperator(prev));
  bool typeLike = a == kIdent || a == '&' || typeWanted || (typeName && (a != '(' || expression));
  // A member template's class with its arguments: B<U> in A<T>::B<U>.
  if (lastClose != nullptr) typeLike = a == kIdent || a == '&' || a == '*' || a == kOperator || typeWanted;
  if (!typeLike) return 0;
  // A type named through a template: its qualifiers and argument lists are
  // dropped (each '::' sets op_scope) and its last name stands for it.
  for (LexToken* q = t; q != nullptr && q != last;) {
    LexToken* following = NextToken(q);
    if (q->type == kScope && q != t) SetOp(op_scope, q, 0);
    q->type = kDropped;
    q = following;
  }
  if (lastClose != nullptr) {
    lastClose->type = kTemplateClose;
    NoteTemplateOpen(LxNext(last));
    // A temporary of that class made in a function: typename A<T>::template B<U>().
    const bool made = a == '(' && BlockLevel() > 0 && (expression || (LxNext(after) != nullptr && LxNext(after)->type == ')')) && !LxAbsFcnPtr(after);
    if (made) after->type = kParenCtor;
    last->type = made ? kTemplateName : kTemplateKnown;
    NoteQualifiedTemplate(last);
    return kDropped;
  }
  // typename A<T>::type(x) in an expression is a function-like cast.
  last->type = a == '(' && (typeWanted || typeName) && !(InDeclaration() && !InInitializer()) ? kFcnCast : kTemplParm;
  return kDropped;
}

LexToken* LxTemplateType(LexToken* t) {
  LexToken* last = nullptr;
  const int c = t->type;
  if (c == kTemplParm || (c == kIdent && IsTemplateParameter(t->text))) {
    last = t;
  } else if (IsNameCode(c) && t->text != nullptr) {
    LexToken* lt = LxNext(t);
    if (lt == nullptr || lt->type != '<') return nullptr;
    last = LxTempArgs(lt, FindTemplate(t->text, -1) != nullptr);
  }
  // Qualified further: T::type, A<T>::B<U>::type.
  while (last != nullptr) {
    LexToken* s = LxNext(last);
    if (s == nullptr || s->type != kScope) break;
    LexToken* n = LxNext(s);
    if (n == nullptr || !IsNameCode(n->type)) break;
    last = n;
    LexToken* lt = LxNext(n);
    if (lt != nullptr && lt->type == '<') {
      LexToken* close = LxTempArgs(lt, true);
      if (close == nullptr) break;
      last = close;
    }
  }
  return last;
}

int CppReclassify(LexToken* t, int code) {
  TemplateToken(t);
  // operator<< <>(...) and operator<< <T>(...): the template arguments of
  // an operator function's specialisation (in friend declarations).
  if (yaccTokenType == kOperator && code < 300) {
    LexToken* n = LxNext(t);
    if (n != nullptr && n->type == '<')
      if (LexToken* close = LxTempArgs(n, true); close != nullptr) {
        close->type = kTemplateClose;
        NoteTemplateOpen(n);
      }
  }
  if (code == '<') lastLess = t;
  if (code == kTemplate) {
    const int prev = yaccTokenType;
    if (prev == '.' || prev == kArrow || prev == kScope) {
      forceTemplate = true;
      return kDropped;
    }
    TemplateKeyword(t, LxNext(t));
    return code;
  }
  if (code == kTypename || code == kClass) {
    const int prev = yaccTokenType;
    bool key = prev == '<' || prev == ',' || prev == kTemplateClose;
    // typename A<T>::F f, class A* p: a value parameter of a type named
    // through a template or by its class.
    if (key) {
      LexToken* n = LxNext(t);
      LexToken* after = n != nullptr && n->type == kIdent ? LxNext(n) : nullptr;
      const int a = after != nullptr ? after->type : 0;
      if (after != nullptr && a != ',' && a != '>' && a != kTemplateClose && a != '=') key = false;
    }
    if (!key || !InHeaderParameters(t)) {
      if (code != kTypename) return 0;
      typenameSeen = true;
      return kDropped;
    }
    // A type parameter: its name is a type inside the template.
    LexToken* n = LxNext(t);
    if (n != nullptr && n->type == kIdent) {
      n->type = kTemplParm;
      TemplateParameterName(n);
    }
    return code;
  }
  if (code == kTemplParm) {
    // typename T::X and T::template X<U> name types through the parameter
    // (without either, T::x names a member).
    LexToken* n = LxNext(t);
    LexToken* keyword = n != nullptr && n->type == kScope ? LxNext(n) : nullptr;
    if ((typenameSeen || (keyword != nullptr && keyword->type == kTemplate)) && CppQualified(t) != 0) return kDropped;
    typenameSeen = false;
    return CppIdentifier(t, code, n);
  }
  if (code == kAggrName) {
    LexToken* n = LxNext(t);
    return n != nullptr && n->type == '<' ? TemplateName(t, code, n) : 0;
  }
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
    // int(x) in an expression or an initializer; a declarator otherwise (as
    // everywhere outside functions but in initializers: void (f)(int);).
    if ((InDeclaration() || BlockLevel() == 0) && !InInitializer() && !AfterOperator(yaccTokenType)) return 0;
    if (DeclaratorGroup(n)) return 0;
    LexToken* after = LxNext(n);
    // int(int), int((int)): a function type, no cast; the type alone ends
    // the list (a cast takes an operand: int(size_t(n)), int((int)x)).
    LexToken* list = n;
    int groups = 1;
    for (; after != nullptr && after->type == '(' && groups < 8; ++groups) {
      list = after;
      after = LxNext(after);
    }
    if (LxTypedParam(list)) {
      LexToken* end = LxNext(after);
      while (groups > 0 && end != nullptr && end->type == ')') {
        --groups;
        end = LxNext(end);
      }
      if (groups == 0) return 0;
    }
    after = LxNext(n);
    if (after != nullptr && after->type == ')' && InDeclaration() && !AfterOperator(yaccTokenType)) return 0;
    return kFcnCast;
  }
  return 0;
}

int CppIdentifier(LexToken* t, int code, LexToken* next) {
  const int prev = yaccTokenType;
  // After an operator a name's parenthesis is a call's, never a parameter list.
  if (next != nullptr && next->type == 295 && AfterOperator(prev)) next->type = '(';
  if ((code == kIdent || code == kTypedefName) && prev != '.' && prev != kArrow && IsTemplateParameter(t->text))
    code = kTemplParm;
  if (InNewType(t)) {
    if (next != nullptr && next->type == '<') return TemplateName(t, code, next, true);
    return code;
  }
  if (next != nullptr && next->type == '<' && code != kTemplParm) return TemplateName(t, code, next);
  // A template template parameter with its arguments.
  if (code == kTemplParm && next != nullptr && next->type == '<') {
    forceTemplate = true;
    return TemplateName(t, code, next);
  }
  // A type parameter as a qualifier: T::member.
  if (code == kTemplParm && next != nullptr && next->type == kScope) return kScopeName;
  // A value parameter of an open template.
  if (code == kIdent && !idFound && prev != '.' && prev != kArrow) {
    if (Declarator* d = FindTemplateValue(t->text); d != nullptr) {
      foundDec = d;
      idFound = true;
    }
  }
  if (code != kTypedefName && code != kTagName && code != kTemplParm) return code;
  if (next == nullptr || next->type != '(') return code;
  if (yaccTokenType == kOperator || yaccTokenType == kScope) return code;
  if (InDeclaration() && !InInitializer() && !AfterOperator(prev)) return code;
  if (DeclaratorGroup(next)) return code;
  if (code == kTagName) {
    next->type = kParenCtor;
    return kHotTag;
  }
  return kFcnCast;
}

}  // namespace mv
