// The directive processor: every line whose first non-blank character is
// '#', the stack of conditional groups that decides which lines are
// suppressed, and the evaluator of #if and #elif expressions.
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/options.h"
#include "frontend/files.h"
#include "frontend/lex.h"
#include "frontend/line.h"
#include "frontend/macros.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "support/mverror.h"
#include "support/public.h"

namespace mv {

int PrepInclude(int directiveCode);

bool suppress;
int ifDepth;

namespace {

constexpr int kEol = 13;
enum : int { kEvtAssembler = 1 };
enum : int {
  kPPDirDefine = 500, kPPDirElif = 501, kPPDirElse = 502, kPPDirEndif = 503, kPPDirError = 504, kPPDirIf = 505,
  kPPDirIfdef = 506, kPPDirIfndef = 507, kPPDirInclude = 508, kPPDirLine = 509, kPPDirPragma = 510,
  kPPDirUndef = 511, kPPDirOther = 512, kPPDirCInclude = 513, kPPDirRInclude = 514, kPPDirRCInclude = 515,
  kPPDirIncludeNext = 516, kPPDirAsm = 564, kPPDirEndasm = 565, kPPDirImport = 568,
};

struct Condition {
  int value;
  bool inElse;
  bool done;
  bool uncounted;
  bool outerSuppressed;  // a group around this one skips its lines
};
std::vector<Condition> conditions;

bool IsBlank(int ch) { return ch == ' ' || ch == '\t' || ch == 11 || ch == 12 || ch == 10; }
bool IsWordStart(int ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || ch == '_'; }
bool IsWordChar(int ch) { return IsWordStart(ch) || (ch >= '0' && ch <= '9') || ch == '$'; }

int Next() { return lexChar = NextChar(); }

// Fires the preprocessor rules gathered while the directive was read.
void FirePPRules() {
  if (!pp_needed || checkRules) return;
  if (lexLine != nullptr && (lexLine->flags & kLineRulesApply) != 0) {
    const bool savedRule = lexRule;
    SourceLine* const savedLine = thisLine;
    lexRule = true;
    thisLine = lexLine;
    if (lin_needed) SetLineVariables();
    DoRules(pp_);
    lexRule = savedRule;
    thisLine = savedLine;
  } else {
    ZeroVars(pp_);
  }
}

// sizeof in #if with pp_if_search on: the size of a type keyword, or 4
// bytes times the first array dimension of a declared name.
int32_t SearchedSize(const std::string& name, bool keyword) {
  if (keyword) {
    if (name == "short") return 2;
    if (name == "int" || name == "long") return 4;
    if (name == "double") return 8;
    return 1;
  }
  const int32_t dimension = ppFirstDimensionHook != nullptr ? ppFirstDimensionHook(name.c_str()) : 0;
  return 4 * (dimension > 0 ? dimension : 1);
}

// Skips to the line end: comments are skipped, other characters are not
// read as tokens. Returns true when something other than white space and
// comments was there.
bool SkipRest() {
  bool trailer = false;
  for (int ch = lexChar; ch != kEol && ch >= 0;) {
    if (ch == '/' && CommentAhead()) {
      SkipComment(&ch);
      lexChar = ch;
      continue;
    }
    if (!IsBlank(ch)) trailer = true;
    if (SkipLineText()) trailer = true;
    ch = Next();
  }
  return trailer;
}

// Reads a name without expansion; empty when the line has none.
std::string RawName() {
  PPTok t;
  if (!DirectiveToken(&t, false)) return "";
  return t.code == kTokIdent ? std::string(t.text) : std::string();
}

// ---- The expression evaluator ------------------------------------------------------------

struct Expr {
  PPTok la;
  bool has = false, end = false, valid = true, raw = false;

  int Code() {
    if (!has && !end) {
      if (DirectiveToken(&la, !raw)) has = true;
      else end = true;
    }
    return has ? la.code : 0;
  }
  void Consume() { has = false; }
  bool Match(int code) {
    if (Code() != code) return false;
    Consume();
    return true;
  }
  void Invalid() { valid = false; }

  int32_t Cond() {
    int32_t v = LogOr();
    if (Match('?')) {
      const int32_t a = Cond();
      if (!Match(':')) Invalid();
      const int32_t b = Cond();
      v = v != 0 ? a : b;
    }
    return v;
  }
  int32_t LogOr() {
    int32_t v = LogAnd();
    while (Match(kTokOrOr)) {
      const int32_t r = LogAnd();
      v = (v != 0 || r != 0) ? 1 : 0;
    }
    return v;
  }
  int32_t LogAnd() {
    int32_t v = BitOr();
    while (Match(kTokAndAnd)) {
      const int32_t r = BitOr();
      v = (v != 0 && r != 0) ? 1 : 0;
    }
    return v;
  }
  int32_t BitOr() {
    int32_t v = BitXor();
    while (Match('|')) v |= BitXor(), Arith();
    return v;
  }
  int32_t BitXor() {
    int32_t v = BitAnd();
    while (Match('^')) v ^= BitAnd(), Arith();
    return v;
  }
  int32_t BitAnd() {
    int32_t v = Equality();
    while (Match('&')) v &= Equality(), Arith();
    return v;
  }
  int32_t Equality() {
    int32_t v = Relation();
    for (;;) {
      if (Match(kTokEq)) v = v == Relation() ? 1 : 0;
      else if (Match(kTokNe)) v = v != Relation() ? 1 : 0;
      else return v;
    }
  }
  int32_t Relation() {
    int32_t v = Shift();
    for (;;) {
      if (Match('<')) v = v < Shift() ? 1 : 0;
      else if (Match('>')) v = v > Shift() ? 1 : 0;
      else if (Match(kTokLe)) v = v <= Shift() ? 1 : 0;
      else if (Match(kTokGe)) v = v >= Shift() ? 1 : 0;
      else return v;
    }
  }
  int32_t Shift() {
    int32_t v = Additive();
    for (;;) {
      if (Match(kTokShl)) {
        const uint32_t r = static_cast<uint32_t>(Additive()) & 31u;
        v = static_cast<int32_t>(static_cast<uint32_t>(v) << r);
      } else if (Match(kTokShr)) {
        const uint32_t r = static_cast<uint32_t>(Additive()) & 31u;
        v = static_cast<int32_t>(static_cast<uint32_t>(v) >> r);
      } else {
        return v;
      }
      Arith();
    }
  }
  int32_t Additive() {
    int32_t v = Multiplicative();
    for (;;) {
      if (Match('+')) v = static_cast<int32_t>(static_cast<uint32_t>(v) + static_cast<uint32_t>(Multiplicative()));
      else if (Match('-')) v = static_cast<int32_t>(static_cast<uint32_t>(v) - static_cast<uint32_t>(Multiplicative()));
      else return v;
      Arith();
    }
  }
  int32_t Multiplicative() {
    int32_t v = Unary();
    for (;;) {
      int op = 0;
      if (Match('*')) op = '*';
      else if (Match('/')) op = '/';
      else if (Match('%')) op = '%';
      else return v;
      const int32_t r = Unary();
      Arith();
      if (op == '*') {
        v = static_cast<int32_t>(static_cast<uint32_t>(v) * static_cast<uint32_t>(r));
      } else if (r == 0) {
        Advise(30, "Divide by zero in #if expression.");
        v = 0;
      } else if (r == -1) {
        v = op == '/' ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : 0;
      } else {
        v = op == '/' ? v / r : v % r;
      }
    }
  }
  int32_t Unary() {
    if (Match('+')) return Arith(), Primary();
    if (Match('-')) return Arith(), static_cast<int32_t>(0u - static_cast<uint32_t>(Primary()));
    if (Match('~')) return Arith(), ~Unary();
    if (Match('!')) return Unary() == 0 ? 1 : 0;
    return Primary();
  }
  int32_t Primary() {
    const int code = Code();
    if (code == 0) {
      Invalid();
      return 0;
    }
    // The lookahead is filled anew before it is read again.
    PPTok t = std::move(la);
    Consume();
    switch (code) {
      case kTokInt: return IntegerValue(t.text.c_str());
      case kTokChar: {
        if (t.text.empty()) return 0;
        if (t.text[0] == '\\') {
          int v;
          LexEscape(t.text.c_str(), &v, 0);
          return v;
        }
        return static_cast<signed char>(t.text[0]);
      }
      case kTokFloat: {
        Warning(21);
        const double f = FloatValue(t.text.c_str());
        if (std::isnan(f)) return std::signbit(f) ? INT32_MIN : INT32_MAX;
        if (f >= 2147483647.0) return INT32_MAX;
        if (f <= -2147483648.0) return INT32_MIN;
        return static_cast<int32_t>(f);
      }
      case '(': {
        const int32_t v = Cond();
        if (!Match(')')) Invalid();
        return v;
      }
      case '#': return Assertion();
      case kTokIdent: break;
      default:
        Invalid();
        return 0;
    }
    if (t.text == "defined") {
      SetPPVar(kPPDefined);
      SetPPVar(kPPAnsi);
      raw = true;
      bool paren = Match('(');
      const int c = Code();
      raw = false;
      if (c != kTokIdent) {
        Advise(28, "Invalid argument for defined() function.");
        Invalid();
        return 0;
      }
      const bool is = IsModuleMacro(la.text.c_str());
      Consume();
      if (paren && !Match(')')) {
        Advise(28, "Invalid argument for defined() function.");
        Invalid();
      }
      return is ? 1 : 0;
    }
    if (t.text == "sizeof") {
      SetPPVar(kPPSizeof);
      SetPPVar(kPPNotAnsi);
      int32_t size = 1;
      if (Match('(')) {
        std::string last;
        for (int depth = 0;;) {
          const int c = Code();
          if (c == 0) break;
          if (c == kTokIdent) last = la.text;
          Consume();
          if (c == '(') ++depth;
          else if (c == ')' && depth-- == 0) break;
        }
        if (allowPPSearch && !last.empty()) size = SearchedSize(last, FindCKeyword(last.c_str()) != kTokIdent);
      } else if (Code() != 0) {
        Consume();
      }
      return size;
    }
    int32_t value;
    if (allowPPSearch && ppEnumHook != nullptr && ppEnumHook(t.text.c_str(), &value)) return value;
    SetPPVar(kPPNotDefined);
    return 0;
  }
  // # name ( operand ): an assertion.
  int32_t Assertion() {
    raw = true;
    const int c = Code();
    int32_t v = 0;
    bool ok = false;
    if (c == kTokIdent) {
      const std::string name(la.text);
      Consume();
      if (Match('(')) {
        const int o = Code();
        if (name == "lint") {
          if (o == kTokIdent && (la.text == "on" || la.text == "off")) {
            v = la.text == "on" ? 0 : 1;
            Consume();
            ok = Match(')');
          }
        } else if (o == ')') {
          Consume();
          ok = true;
        } else if (o == kTokInt || o == kTokIdent) {
          v = o == kTokInt ? IntegerValue(la.text.c_str()) : (IsModuleMacro(la.text.c_str()) ? 1 : 0);
          Consume();
          ok = Match(')');
        }
      }
    }
    raw = false;
    if (!ok) {
      Advise(28, "Invalid expression at # symbol.");
      Invalid();
    }
    return v;
  }
  void Arith() { arith = true; }
  bool arith = false;
};

// An #if or #elif expression: its value, 0 when invalid. *valid tells the
// caller how to end the line (the rest of an invalid one is ignored).
int32_t Evaluate(const char* invalidText, bool* valid) {
  int32_t v = 0;
  *valid = ConstExpr(&v);
  if (!*valid) {
    Advise(28, invalidText);
    v = 0;
  }
  DropPending();
  return v;
}

void EndExpression(bool valid) {
  if (valid) SkipTrailer();
  else IgnoreTrailer();
}

bool Active(const Condition& c) { return !c.done && ((c.value != 0) != c.inElse); }

// The name the last #ifndef tested, for the include guards of headers.
std::string ifndefName;
bool wasIfndef;

void Ifdef(bool wantDefined, const char* emptyText) {
  SetPPVar(kPPIfdef);
  const std::string name = RawName();
  if (!wantDefined) {
    ifndefName = name;
    wasIfndef = !name.empty();
  }
  if (name.empty()) {
    Advise(5, emptyText);
    PushCondition(wantDefined ? 0 : 1, false);
  } else {
    PushCondition(IsModuleMacro(name.c_str()) == wantDefined ? 1 : 0, false);
  }
  SkipTrailer();
}

void ErrorDirective() {
  if (suppress) {
    IgnoreTrailer();
    return;
  }
  if (!checkRules) {
    SetPPVar(kPPError);
    SetPPVar(kPPAnsi);
  }
  while (IsBlank(lexChar)) Next();
  std::string text;
  for (int ch = lexChar; ch != kEol && ch >= 0; ch = Next())
    if (text.size() < static_cast<size_t>(kMaxErrorText)) text += static_cast<char>(ch);
  while (!text.empty() && IsBlank(static_cast<unsigned char>(text.back()))) text.pop_back();
  FirePPRules();
  if (exitOnError) FatalError(56, text.c_str());
  Advise(52, text.c_str());
}

bool SameWord(const std::string& a, const char* b) { return strcasecmp(a.c_str(), b) == 0; }

void PragmaDirective() {
  SetPPVar(kPPPragma);
  SetPPVar(kPPAnsi);
  pragName = RawName();
  if (pragName == "mv_debug") {
    if (!suppress) {
      PPTok t;
      int32_t flags = 0;
      if (DirectiveToken(&t, false) && t.code == kTokInt) flags = IntegerValue(t.text.c_str());
      debugFlags = static_cast<uint16_t>(flags);
      fprintf(stderr, "\n****** debugFlags = %#x ******\n\n", static_cast<unsigned>(debugFlags));
    }
  } else if (SameWord(pragName, "asm")) {
    FireLexEvent(evt_, kEvtAssembler, 1);
    PushCondition(0, true);
  } else if (SameWord(pragName, "endasm") || SameWord(pragName, "end_asm")) {
    PopCondition(true);
  }
  IgnoreTrailer();
}

void IncludeDirective(int code) {
  if (code != kPPDirInclude) SetPPVar(kPPNotAnsi);
  if (suppress || (code == kPPDirImport && keyValue != 7)) {
    IgnoreTrailer();
    return;
  }
  PrepInclude(code);
  if (lexChar != kEol && lexChar >= 0) SkipTrailer();
  else FirePPRules();
}

// The directive word's code. A word that is no directive but a macro of the
// module is expanded, and the expansion's first token names the directive.
int DirectiveCode(const std::string& name) {
  const int code = FindPPKeyword(name.c_str());
  if (code != kPPDirOther || suppress || !IsModuleMacro(name.c_str())) return code;
  PPTok t;
  if (!DirectiveNameToken(name.c_str(), &t)) return kPPDirOther;
  if (t.hide != 0) {
    SetPPVar(kPPSubKeyword);
    SetPPVar(kPPNotAnsi);
  }
  return t.code == kTokIdent ? FindPPKeyword(t.text.c_str()) : kPPDirOther;
}

void RunDirective(int code) {
  switch (code) {
    case kPPDirDefine:
      if (suppress) break;
      ScanMacro();
      break;
    case kPPDirUndef: {
      if (suppress) break;
      const std::string name = RawName();
      if (name.empty()) Advise(5, "Empty #undef");
      else UndefMacro(name.c_str(), true);
      break;
    }
    case kPPDirInclude:
    case kPPDirCInclude:
    case kPPDirRInclude:
    case kPPDirRCInclude:
    case kPPDirIncludeNext:
    case kPPDirImport:
      IncludeDirective(code);
      return;
    case kPPDirIf:
      SetPPVar(kPPIf);
      if (suppress) {
        PushCondition(1, false);
        IgnoreTrailer();
        return;
      }
      {
        bool valid;
        const int32_t v = Evaluate("Invalid expression in #if directive.", &valid);
        PushCondition(v != 0 ? 1 : 0, false);
        EndExpression(valid);
      }
      return;
    case kPPDirIfdef:
      Ifdef(true, "Empty #ifdef");
      return;
    case kPPDirIfndef:
      Ifdef(false, "Empty #ifndef");
      return;
    case kPPDirElif: {
      SetPPVar(kPPElif);
      SetPPVar(kPPAnsi);
      if (conditions.empty()) FatalError(30, FatalText(30));
      Condition& c = conditions.back();
      if (c.inElse) FatalError(29, FatalText(29));
      if (c.done) {
        FixSuppress();
      } else if (c.value != 0) {
        c.done = true;
        c.value = 0;
        FixSuppress();
      } else {
        bool valid;
        const int32_t v = Evaluate("Invalid expression in #elif directive.", &valid);
        Condition& again = conditions.back();
        again.value = v != 0 ? 1 : 0;
        again.inElse = false;
        FixSuppress();
        EndExpression(valid);
        return;
      }
      break;
    }
    case kPPDirElse: {
      if (conditions.empty()) FatalError(10, FatalText(10));
      Condition& c = conditions.back();
      if (c.inElse) FatalError(9, FatalText(9));
      c.inElse = true;
      FixSuppress();
      break;
    }
    case kPPDirEndif:
      SetPPVar(kPPEndif);
      if (conditions.empty()) FatalError(11, FatalText(11));
      PopCondition(conditions.back().uncounted);
      break;
    case kPPDirError:
      ErrorDirective();
      return;
    case kPPDirLine:
      IgnoreTrailer();
      return;
    case kPPDirPragma:
      PragmaDirective();
      return;
    case kPPDirAsm:
      PushCondition(0, true);
      IgnoreTrailer();
      return;
    case kPPDirEndasm:
      if (!conditions.empty() && conditions.back().uncounted) PopCondition(true);
      IgnoreTrailer();
      return;
    default:
      if (suppress) {
        IgnoreTrailer();
        return;
      }
      SetPPVar(kPPUnknown);
      SetPPVar(kPPNotAnsi);
      if (checkRules) FatalError(52, FatalText(52));
      IgnoreTrailer();
      return;
  }
  SkipTrailer();
}

}  // namespace

void SetPPVar(int index) {
  if (!pp_needed || checkRules) return;
  SetMVBoolean(pp_, index);
}

void SetPPInt(int index, int32_t value) {
  if (!pp_needed || checkRules) return;
  SetMVInteger(pp_, index, value);
}

void FireLexEvent(int cls, int index, int32_t value) {
  if (checkRules) return;
  const bool savedRule = lexRule;
  SourceLine* const savedLine = thisLine;
  lexRule = true;
  thisLine = lexLine;
  Do1Rule(cls, index, value, true);
  lexRule = savedRule;
  thisLine = savedLine;
}

namespace {

// Lines are skipped when the innermost group or one around it is inactive.
bool StackSuppressed() {
  if (conditions.empty()) return false;
  const Condition& c = conditions.back();
  return c.outerSuppressed || !Active(c);
}

}  // namespace

void FixSuppress() {
  suppress = StackSuppressed();
  suppressLines = suppress;
  if (lexLine != nullptr) {
    if (suppress) lexLine->flags |= kLineSuppressed;
    else lexLine->flags &= ~kLineSuppressed;
  }
}

void PushCondition(int value, bool uncounted) {
  if (conditions.size() >= static_cast<size_t>(kMaxIfDepth)) FatalError(11, "Too many nested #if directives.");
  conditions.push_back(Condition{value, false, false, uncounted, StackSuppressed()});
  FixSuppress();
  if (!uncounted) SetPPInt(kPPIfDepth, ++ifDepth);
}

void PopCondition(bool uncounted) {
  if (conditions.empty()) return;
  conditions.pop_back();
  FixSuppress();
  if (!uncounted) SetPPInt(kPPIfDepth, --ifDepth);
}

int ConditionDepth() { return static_cast<int>(conditions.size()); }

void ResetConditions() {
  conditions.clear();
  ifDepth = 0;
  suppress = false;
  suppressLines = false;
}

bool ConstExpr(int32_t* value) {
  *value = 0;
  bool atEnd = true;
  {
    // Nothing but blanks and comments up to the line end?
    for (int ch = lexChar; ch != kEol && ch >= 0;) {
      if (IsBlank(ch)) {
        ch = Next();
      } else if (ch == '/' && CommentAhead()) {
        SkipComment(&ch);
        lexChar = ch;
      } else {
        atEnd = false;
        break;
      }
    }
  }
  if (atEnd) {
    Advise(28, "Missing preprocessor expression.");
    return true;
  }
  Expr e;
  if (e.Code() == 0) {
    Advise(28, "Empty preprocessor expression.");
    return true;
  }
  const int32_t v = e.Cond();
  if (e.arith) SetPPVar(kPPArith);
  if (!e.valid) return false;
  *value = v;
  return true;
}

void SkipTrailer() {
  FirePPRules();
  if (SkipRest() && pp_needed && !suppress && !checkRules) FireLexEvent(pp_, kPPTrailer, 1);
}

void IgnoreTrailer() {
  FirePPRules();
  SkipRest();
}

void Preprocessor() {
  inDirective = true;
  const bool startedActive = !suppress;
  wasIfndef = false;
  checkForPPD = false;
  endPPLine = false;
  if (lexLine != nullptr && lexLine->column > 0) SetPPInt(kPPWhiteBefore, lexLine->column);
  int white = 0;
  for (Next(); IsBlank(lexChar); Next()) {
    if (lexChar != ' ' && lexChar != '\t') SetPPVar(kPPBadWhite);
    ++white;
  }
  if (lexChar == kEol || lexChar < 0 || !IsWordStart(lexChar)) {
    SkipTrailer();
  } else {
    if (white > 0) SetPPInt(kPPWhiteAfter, white);
    std::string name(1, static_cast<char>(lexChar));
    // The rest of the word as it stands on the line, then past any splice.
    if (const char* p = PlainAhead()) {
      int k = 0;
      while (IsWordChar(static_cast<unsigned char>(p[k]))) ++k;
      name.append(p, static_cast<size_t>(k));
      if (k > 0) PlainSkip(k);
    }
    for (Next(); IsWordChar(lexChar); Next()) name += static_cast<char>(lexChar);
    RunDirective(DirectiveCode(name));
  }
  NoteDirective(startedActive, wasIfndef ? ifndefName.c_str() : nullptr);
  DropPending();
  inDirective = false;
}

}  // namespace mv
