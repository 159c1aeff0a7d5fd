// Template records for lookup and the token stream's template look-ahead
// (see templates.h).
#include "analysis/templates.h"

#include <deque>
#include <unordered_map>

#include <cstdio>

#include "analysis/actions_trace.h"
#include "analysis/classify.h"
#include "analysis/declare.h"
#include "analysis/symbols.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "frontend/line.h"
#include "analysis/parser.h"
#include "support/mverror.h"

namespace mv {

namespace {

enum : int {
  kShr = 264, kScope = 281, kTemplateClose = 284, kIdent = 310, kTemplParm = 311, kTypedefName = 313,
  kTagName = 315, kTemplateKnown = 318, kAggrName = 319, kNamespaceName = 320, kStruct = 350, kUnion = 351,
  kEnum = 353, kConst = 363, kVolatile = 364, kOperator = 380, kTemplate = 381, kClass = 390, kTypename = 397,
  kDeclspec = 539, kAttribute = 548,
};

std::deque<Template> templates;
std::unordered_multimap<std::string, Template*> byName;

// A template declaration being read: from its header to the end of the
// declaration that follows it.
struct Open {
  LexToken* opening;                // the '<' of the header
  LexToken* close;                  // the '>' of the header
  bool inHeader;
  bool parameterOfTemplate;         // a template template parameter's header
  bool chained;                     // follows the header of an enclosing template directly
  bool isClass;                     // declares a class template
  bool replayed;                    // a member template whose skipped body is read again
  int braces;                       // depth of braces since the header
  std::vector<std::string> parameters;
  std::vector<Declarator*> values;  // the value parameters
};
std::vector<Open> open;
// The member templates whose bodies were skipped in their class, by their
// function: open again while the body is read at the class's end.
std::vector<std::pair<const void*, std::vector<Open>>> skippedBodies;
// The token after a class template's body that lacks its ';': the syntax
// error it causes is not reported (compared, never read).
const LexToken* zapAt;
// The last member template named through a qualifier (compared, never read).
const LexToken* qualifiedTemplate;

bool IsTypeKeyword(int c) { return (c >= 344 && c <= 349) || (c >= 354 && c <= 362) || (c >= 407 && c <= 414); }

Template* Register(const std::string& name, int kind) {
  auto range = byName.equal_range(name);
  for (auto it = range.first; it != range.second; ++it)
    if (it->second->kind == kind) return it->second;
  Template& t = templates.emplace_back();
  t.name = name;
  t.kind = kind;
  t.line = yaccLine != nullptr ? static_cast<int>(yaccLine->number) : 0;
  byName.emplace(name, &t);
  return &t;
}

// The token after a '<' ... '>' group starting at lt; null when it does not close.
LexToken* AfterAngles(LexToken* lt) {
  LexToken* close = LxTempArgs(lt, true);
  return close != nullptr ? LxNext(close) : nullptr;
}

// Registers the template declared after a header closed at close: a class
// template when a class key follows (the result is then true), else the
// function named before the first parenthesis.
bool RegisterDeclared(LexToken* close) {
  LexToken* t = LxNext(close);
  while (t != nullptr && t->type == kTemplate) {
    LexToken* lt = LxNext(t);
    if (lt == nullptr || lt->type != '<') return false;
    t = AfterAngles(lt);
  }
  if (t == nullptr) return false;
  if (t->type == kClass || t->type == kStruct || t->type == kUnion) {
    LexToken* n = LxNext(t);
    while (n != nullptr && (n->type == kAttribute || n->type == kDeclspec)) {
      n = LxNext(n);
      if (n != nullptr && n->type == '(') {
        int depth = 0;
        for (; n != nullptr; n = LxNext(n)) {
          if (n->type == '(') ++depth;
          else if (n->type == ')' && --depth == 0) break;
        }
        if (n != nullptr) n = LxNext(n);
      }
    }
    if (n != nullptr && n->type >= kIdent && n->type <= 322 && n->text != nullptr) Register(n->text, kTemplateClass);
    return true;
  }
  LexToken* prev = nullptr;
  for (int guard = 0; t != nullptr && guard < 256; ++guard) {
    const int c = t->type;
    if (c == ';' || c == '{' || c == '=') return false;
    if (c == '<' && prev != nullptr && prev->type >= kIdent && prev->type <= 322) {
      t = AfterAngles(t);
      continue;
    }
    if (c == '(' || (c >= 294 && c <= 297)) {
      if (prev != nullptr && prev->type >= kIdent && prev->type <= 322 && prev->text != nullptr)
        Register(prev->text, kTemplateFunction);
      return false;
    }
    if (c == kOperator) return false;
    prev = t;
    t = LxNext(t);
  }
  return false;
}

// The first token of a template argument begins a type.
bool BeginsType(LexToken* t) {
  const int c = t->type;
  if (IsTypeKeyword(c) || c == kConst || c == kVolatile || c == kStruct || c == kUnion || c == kEnum ||
      c == kClass || c == kTypename || c == kScope)
    return true;
  if (c == kTypedefName || c == kTagName || c == kTemplParm || c == kTemplateKnown || c == kAggrName ||
      c == kNamespaceName || c == 317 || c == 316 || c == 321)
    return true;
  if (c != kIdent || t->text == nullptr) return false;
  return IsTypeName(t->text) || IsTemplateParameter(t->text) || FindTemplate(t->text, -1) != nullptr;
}

void EndDeclaration() {
  while (!open.empty()) {
    const bool chained = open.back().chained;
    open.pop_back();
    if (!chained) break;
  }
}

}  // namespace

const Template* FindTemplate(const char* name, int kind) {
  if (name == nullptr) return nullptr;
  auto range = byName.equal_range(name);
  const Template* other = nullptr;
  for (auto it = range.first; it != range.second; ++it) {
    if (it->second->kind == kind || (kind < 0 && it->second->kind == kTemplateClass)) return it->second;
    if (kind < 0) other = it->second;
  }
  // Either kind: a class template before a function template of the name
  // (a class template's constructor template has the class's name).
  return other;
}

bool IsTemplateParameter(const char* name) {
  if (name == nullptr) return false;
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    for (const std::string& p : it->parameters)
      if (p == name) return true;
  return false;
}

Declarator* FindTemplateValue(const char* name) {
  if (name == nullptr) return nullptr;
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    for (Declarator* d : it->values)
      if (d->name == name) return d;
  return nullptr;
}

bool InTemplateHeader() { return !open.empty() && open.back().inHeader; }

bool InHeaderParameters(const LexToken* t) {
  if (!InTemplateHeader()) return false;
  // The angles and parentheses of argument lists and default values
  // between the header's '<' and t.
  int angles = 0;
  int parens = 0;
  for (LexToken* u = LxNext(open.back().opening); u != nullptr && u != t; u = LxNext(u)) {
    const int c = u->type;
    if (c == '(' || c == '[' || (c >= 294 && c <= 297)) ++parens;
    else if (c == ')' || c == ']') --parens;
    else if (parens == 0 && c == '<') ++angles;
    else if (parens == 0 && (c == '>' || c == kTemplateClose)) --angles;
    else if (parens == 0 && c == kShr) angles -= 2;
  }
  return angles == 0 && parens == 0;
}

LexToken* LxTempArgs(LexToken* lt, bool known) {
  LexToken* t = LxNext(lt);
  if (t == nullptr) return nullptr;
  if (t->type == '>' || t->type == kTemplateClose) return t;
  if (!known && !BeginsType(t)) return nullptr;
  int depth = 1;
  int parens = 0;
  for (int guard = 0; t != nullptr && guard < 4096; t = LxNext(t), ++guard) {
    const int c = t->type;
    if (c == ';' || c == '{' || c == '}') return nullptr;
    if (c == '(' || c == '[' || (c >= 294 && c <= 297)) {
      ++parens;
    } else if (c == ')' || c == ']') {
      if (--parens < 0) return nullptr;
    } else if (parens == 0 && c == '<') {
      ++depth;
    } else if (parens == 0 && (c == '>' || c == kTemplateClose)) {
      if (--depth == 0) return t;
    } else if (parens == 0 && c == kShr) {
      // Two lists close at once: the outer one cannot be told apart.
      depth -= 2;
      if (depth <= 0) return nullptr;
    }
  }
  return nullptr;
}

void TemplateKeyword(LexToken* keyword, LexToken* next) {
  if (next == nullptr || next->type != '<') return;
  LexToken* close = LxTempArgs(next, true);
  if (close == nullptr) return;
  close->type = kTemplateClose;
  Open o{next, close, true, false, false, false, false, 0, {}, {}};
  if (!open.empty()) {
    const Open& outer = open.back();
    o.parameterOfTemplate = outer.inHeader;
    o.chained = !outer.inHeader && outer.braces == 0 && yaccPrevType == kTemplateClose;
  }
  (void)keyword;
  if (!o.parameterOfTemplate) o.isClass = RegisterDeclared(close);
  open.push_back(std::move(o));
}

void TemplateToken(LexToken* token) {
  // The parser has gone past the token where the error was due.
  if (zapAt != nullptr && token != zapAt) {
    zapError = false;
    zapAt = nullptr;
  }
  if (open.empty()) return;
  Open& o = open.back();
  const int c = token->type;
  if (o.inHeader) {
    if (token == o.close) {
      o.inHeader = false;
      if (o.parameterOfTemplate) open.pop_back();
    }
    return;
  }
  if (c == '{') {
    ++o.braces;
  } else if (c == '}') {
    // A member template's body read again ends with the body (TemplateBodyRead).
    if (--o.braces <= 0 && !o.replayed) {
      LexToken* n = LxNext(token);
      // The borland dialect wants a class template's body closed by ';':
      // the coming syntax error is reported as this advisory instead.
      const bool declarator = n != nullptr && (n->type == kIdent || n->type == '*' || n->type == '&');
      if (keyValue == 6 && o.isClass && open.size() == 1 && !checkRules && !declarator && (n == nullptr || n->type != ';')) {
        Advise(6, "Template class MUST end with a semicolon.");
        zapError = true;
        zapAt = n;
      }
      if (n == nullptr || n->type != ';') EndDeclaration();
      else o.braces = 0;
    }
  } else if (c == ';' && o.braces == 0 && !o.replayed) {
    EndDeclaration();
  }
}

void TemplateBodySkipped(const void* function, bool braceSeen) {
  if (open.empty()) return;
  Open& o = open.back();
  // The body's '{' was counted as the parser's look-ahead; its '}' was not.
  if (braceSeen) --o.braces;
  if (o.inHeader || o.braces > 0) return;
  // The body ended a member template's declaration: its templates close
  // until the body is read.
  std::vector<Open> saved;
  while (!open.empty()) {
    const bool chained = open.back().chained;
    saved.push_back(std::move(open.back()));
    open.pop_back();
    if (!chained) break;
  }
  skippedBodies.emplace_back(function, std::move(saved));
}

void TemplateBodyReplayed(const void* function) {
  for (auto it = skippedBodies.rbegin(); it != skippedBodies.rend(); ++it) {
    if (it->first != function) continue;
    for (auto o = it->second.rbegin(); o != it->second.rend(); ++o) {
      o->replayed = true;
      o->braces = 0;
      open.push_back(std::move(*o));
    }
    skippedBodies.erase(std::next(it).base());
    return;
  }
}

void TemplateBodyRead() {
  while (!open.empty() && open.back().replayed) open.pop_back();
}

void DropSkippedTemplateBodies() { skippedBodies.clear(); }

void TemplateParameterName(LexToken* name) {
  if (open.empty() || name == nullptr || name->text == nullptr) return;
  // A template template parameter's own parameters are not names of the template.
  for (auto it = open.rbegin(); it != open.rend(); ++it)
    if (!it->parameterOfTemplate) {
      it->parameters.emplace_back(name->text);
      return;
    }
}

void NoteQualifiedTemplate(const LexToken* name) { qualifiedTemplate = name; }

void InitTemplates() {
  open.clear();
  skippedBodies.clear();
  zapAt = nullptr;
  qualifiedTemplate = nullptr;
}

// ---- Grammar actions ---------------------------------------------------------------------
// The parameters of a header are read as a parameter list, so that a value
// parameter's declarator is not an object of the scope around it.

void TempStart() {
  Record("TempStart");
  if (!checkRules) DeclFunParmStart(3);
}
void TempParm(int isValue) {
  Record("TempParm", static_cast<long>(isValue));
  if (checkRules || !isValue) return;
  // 1 named, 2 a type alone.
  DeclEndParm(isValue == 1 ? 2 : 5);
  if (ruleDecl != nullptr && !ruleDecl->name.empty() && !open.empty()) open.back().values.push_back(ruleDecl);
}
void TempHeader() {
  Record("TempHeader");
  if (!checkRules && DeclState() == kDStateParams) DeclPopDState();
}
void TempRecord() { Record("TempRecord"); }
namespace {

// A use of a template that no declaration has named.
void UndeclaredTemplate(const LexToken* name) {
  if (checkRules || name == nullptr || name->text == nullptr || FindTemplate(name->text, -1) != nullptr) return;
  // A template template parameter, or a member template named through a
  // type parameter (T::template X<U>), is declared where it is used.
  if (name == qualifiedTemplate || IsTemplateParameter(name->text)) return;
  char text[200];
  snprintf(text, sizeof text, "Template %.150s has not yet been declared.", name->text);
  Advise(51, text);
  Register(name->text, kTemplateClass);
}

}  // namespace

void TempSpecStart(LexToken* name) {
  Record("TempSpecStart");
  UndeclaredTemplate(name);
}
void TempSpecArg() { Record("TempSpecArg"); }
void TempSpecExp() { Record("TempSpecExp"); }
void TempSpecEnd() { Record("TempSpecEnd"); }
void TemplateSpecifier(int code, LexToken* name) {
  Record("TemplateSpecifier", static_cast<long>(code));
  if (checkRules) return;
  if (code == kTemplateKnown) UndeclaredTemplate(name);
  DeclNamedSpecifier(code == kTemplParm ? kBaseTemplateParm : kBaseClass, name != nullptr ? name->text : nullptr);
}

}  // namespace mv
