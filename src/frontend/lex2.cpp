// The token stream: reads one statement ahead into a chain of token records,
// hands the parser one token at a time, drops vendor modifiers the parser
// never sees, fires the lex2_ rules and counts tokens.
#include "frontend/lex2.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/declare.h"
#include "analysis/expressions.h"
#include "analysis/module.h"
#include "analysis/symbols.h"
#include "driver/options.h"
#include "driver/run.h"
#include "frontend/files.h"
#include "frontend/lex.h"
#include "frontend/line.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "support/mverror.h"
#include "support/public.h"

// A released token record stays poisoned until it is handed out again, so
// that the sanitizer build reports a token used after its line was freed.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define MV_TOKEN_POISON(t) ASAN_POISON_MEMORY_REGION((t), sizeof(LexToken))
#define MV_TOKEN_UNPOISON(t) ASAN_UNPOISON_MEMORY_REGION((t), sizeof(LexToken))
#else
#define MV_TOKEN_POISON(t) ((void)(t))
#define MV_TOKEN_UNPOISON(t) ((void)(t))
#endif
#include "support/utility.h"

namespace mv {

LexToken* lexicalToken;
LexToken* yaccToken;
LexToken* yaccPrevToken;
int yaccTokenType, yaccPrevType;
const char* yaccTokenValue = "";
const char* yaccPreValue = "";
int lexPrevType, lexSaveType;
int spaceBefore = 2, whiteBefore = 2;
char saveKeyword[128];
uint32_t yaccNestLevel;
bool lineContinues;
// The parentheses open at the parser's token, innermost last: 1 for those of
// an expression (plain, initializer, constructor call), 0 for parameter lists.
static std::vector<uint8_t> openParens;
static size_t exprParens;
int initLevel;
int gnuBlockDepth;
bool skipIdentAt, skipIdentDollar, skipIdentAccentGrave;
int64_t yylvalInt;
double yylvalFloat;
LexToken* yylvalToken;
int (*reclassifyHook)(LexToken* token);
void (*lineTokensFreedHook)(const SourceLine* line);
const char* (*expandingMacroHook)();
int (*peekExpandedHook)();
const char* (*declaratorNameHook)();

namespace {

// lex2_ slots.
enum : int {
  kLexConstant = 0, kLexIdentifier = 2, kLexInitializer = 3, kLexIntrinsic = 4, kLexKeyNoSpace = 6,
  kLexKeyword = 7, kLexMacroToken = 9, kLexNotManifest = 10, kLexToken = 11,
};
enum : int { kEvtAssembler = 1, kEvtStrConcat = 20 };
enum : int { kLinNestLevel = 17, kLinTokens = 24 };
enum : int { kExpTokens = 6 };
enum : int { kModTokens = 22 };
enum : int { kPrjTokens = 22 };
enum : int { kStmTokens = 38 };

// Built-in numbers.
enum : int {
  kFnIdentifier = 37, kFnIgnore = 45, kFnKeyword = 51, kFnLine = 54, kFnModName = 67, kFnNewType = 69,
  kFnNextChar = 70, kFnNextToken = 71, kFnOpFunction = 77, kFnPrevToken = 89, kFnPrjName = 91,
  kFnSkipNonansiIdent = 100, kFnToken = 129,
};

// Keyword codes the stream edits.
enum : int {
  kKwIf = 332, kKwReturn = 333, kKwSwitch = 336, kKwWhile = 338, kKwDo = 328, kKwElse = 329, kKwFor = 330,
  kKwAsm = 368, kKwVolatile = 364, kKwCatch = 377, kKwThrow = 383, kKwTry = 384,
  kKwBased = 518, kKwDeclspec = 539, kKwAttribute = 548, kKwPublic = 544, kKwPrivate = 546,
  kKwNear = 551, kKwExport = 555, kKwFastcall = 556, kKwFortran = 561, kKwInterrupt = 562,
  kKwProperty = 566, kKwDispid = 567,
};

LexToken* firstToken;    // oldest token of the chain
LexToken* freeTokens;    // released records, reused first
bool yaccDelivered;      // the parser has been given yaccToken
bool endDelivered;       // 301 has been made for this module
int tokenNumber;         // tokens made by Lex3 in this module (lex_token)
bool lastWasString;      // the previous token handed over was a string
bool flushPending;       // the token handed over last is a ';'
LexToken* lastGiven;     // the last token handed to the parser (not a dropped one)
int propertyState;       // 1 after __property, 2 after its [ or =
std::vector<std::string> ignoreList;
// The texts of the parser's tokens when their records are freed first.
char prevTextKeep[kLexBuffer];
char currTextKeep[kLexBuffer];

bool CheckingSource() { return notRules && !checkRules; }

// Bodies skipped and not read yet: their lines stay.
int pendingBodies;
// A body has just been skipped: the parser is told so next.
bool skipPending;
// A member function body skipped in its class.
struct Body {
  Declarator* function;
  LexToken* start;  // its '{', or the ':' of a constructor's initializers
  LexToken* end;    // its '}'
};
// The class bodies being read, innermost last: the brace depth inside each
// and the bodies skipped in it.
struct ClassFrame {
  int depth;
  std::vector<Body> bodies;
};
std::vector<ClassFrame> classFrames;
int braceDepth;  // of the braces handed to the parser
// The bodies being read again, one frame per class's '}', innermost last.
struct Replay {
  std::vector<Body> bodies;  // in reading order
  size_t index = 0;
  int phase = 0;  // 0 its marker is next, 1 in the body, 2 the body has ended
  LexToken* resume = nullptr;  // the class's '}', handed over after the bodies
};
std::vector<Replay> replays;
// The lines of the '}' of skipped bodies: they are closed when their body
// has been read.
std::vector<SourceLine*> heldLines;

bool Held(const SourceLine* line) {
  return !heldLines.empty() && std::find(heldLines.begin(), heldLines.end(), line) != heldLines.end();
}

void Release(SourceLine* line) {
  auto it = std::find(heldLines.begin(), heldLines.end(), line);
  if (it == heldLines.end()) return;
  heldLines.erase(it);
  CloseYaccLine(line);
}

// Tokens that count as operands: intrinsics, literals, enumeration
// constants, identifiers and the names of types, tags, scopes, templates and
// namespaces.
bool IsOperandCode(int code) {
  return code == 299 || (code >= 302 && code <= 306) || (code >= 309 && code <= 317) || (code >= 319 && code <= 321);
}

LexToken* NewToken() {
  LexToken* t = freeTokens;
  if (t != nullptr) {
    MV_TOKEN_UNPOISON(t);
    freeTokens = t->next;
    memset(t, 0, sizeof *t);
  } else {
    t = static_cast<LexToken*>(GetXMem(sizeof(LexToken)));
  }
  ++mTokCount;
  return t;
}

void SetText(LexToken* t, const char* text) {
  const size_t n = strlen(text);
  if (n < sizeof t->inline_) {
    t->text = t->inline_;
  } else {
    t->text = static_cast<char*>(GetXMem(n + 1));
  }
  memcpy(t->text, text, n + 1);
  t->length = static_cast<uint16_t>(n);
}

void ReleaseToken(LexToken* t) {
  if (t->text != t->inline_ && t->text != nullptr) FreeXMem(t->text, static_cast<size_t>(t->length) + 1);
  t->next = freeTokens;
  freeTokens = t;
  MV_TOKEN_POISON(t);
  --mTokCount;
}

void Append(LexToken* t) {
  if (lexicalToken != nullptr)
    lexicalToken->next = t;
  else
    firstToken = t;
  lexicalToken = t;
  if (yaccToken == nullptr) {
    yaccToken = t;
    yaccDelivered = false;
  }
  SourceLine* line = t->line;
  if (line != nullptr) {
    if (line->start == nullptr) {
      line->start = t;
      line->tokenCount = 0;
    }
    t->seq = ++line->tokenCount;
  }
}

// The ignore list is short; most runs have none.
bool Ignored(const char* text) {
  for (const std::string& w : ignoreList)
    if (w == text) return true;
  return false;
}

// Concatenates the strings that follow from the same macro expansion.
void Concatenate() {
  int (*peek)() = peekExpandedHook != nullptr ? peekExpandedHook : peekMacroHook;
  if (peek == nullptr) return;
  std::string joined = lexTokenValue;
  while (peek() == kTokString) {
    const int code = Lex1();
    if (code != kTokString) break;
    CleanString();
    const size_t n = strlen(lexTokenValue);
    if (joined.size() + n > static_cast<size_t>(kMaxTokenLength)) {
      Warning(10);
      continue;
    }
    joined += lexTokenValue;
    if (CheckingSource()) Do1Rule(evt_, kEvtStrConcat, static_cast<int32_t>(joined.size()), true);
  }
  memcpy(lexTokenValue, joined.c_str(), joined.size() + 1);
}

// Raw tokens of an embedded SQL statement, read with the SQL words on.
int SqlToken() {
  LexValue v;
  const int code = Lex1();
  return code == 0 ? 0 : Lex2(code, &v);
}

// EXEC SQL INCLUDE name; reads the file like an #include of <name>. The
// name is the next word and the characters after it up to the ';', which
// is passed before the file is entered. Returns ';' when the statement is done.
int SqlIncludeFile() {
  const bool savedExpand = expandAllowed;
  expandAllowed = false;
  const int code = Lex1();
  expandAllowed = savedExpand;
  if (code == 0 || code == ';') return code;
  std::string name = lexTokenValue;
  for (int c = lexChar; c != ';' && c != 13 && c >= 0; c = lexChar = NextChar())
    if (name.size() < static_cast<size_t>(kPathLength)) name += static_cast<char>(c);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
  SqlInclude(name.c_str());
  if (lexChar == ';') lexChar = NextChar();
  return ';';
}

// EXEC SQL <word> ... ;  is taken out of the stream. BEGIN and END move the
// nesting of the following lines; INCLUDE reads a file.
void ProcessSQL() {
  const bool saved = sqlTypes;
  sqlTypes = true;
  int code = SqlToken();
  if (code != 0 && code != ';') code = SqlToken();
  if (code != 0) {
    if (strcmp(lexTokenValue, "BEGIN") == 0) {
      ++yaccNestLevel;
    } else if (strcmp(lexTokenValue, "END") == 0) {
      if (yaccNestLevel > 0) --yaccNestLevel;
      if (lin_needed) mvValue[lin_][kLinNestLevel] = yaccNestLevel;
    } else if (strcmp(lexTokenValue, "INCLUDE") == 0) {
      code = SqlIncludeFile();
    }
  }
  while (code != 0 && code != ';') code = SqlToken();
  sqlTypes = saved;
}

void FireLex2(LexToken* t, bool magic) {
  auto set = [&] {
    if ((t->flags & kTokFromMacro) != 0)
      mvValue[lex2_][kLexMacroToken] = 1;
    else if (magic)
      mvValue[lex2_][kLexNotManifest] = 1;
    mvValue[lex2_][kLexToken] = t->position;
  };
  set();
  if (t->line != nullptr && (t->line->flags & kLineRulesApply) != 0)
    DoRules(lex2_);
  else
    ZeroVars(lex2_);
  set();
}

bool IsKeyNoSpace(int code) {
  return code == kKwIf || code == kKwSwitch || code == kKwWhile || code == kKwDo || code == kKwElse ||
         code == kKwFor || code == kKwReturn;
}

// Drops a parenthesised group that starts at t (its '('); returns the token
// after the group's ')'.
LexToken* DropGroup(LexToken* t) {
  int depth = 0;
  for (; t != nullptr; t = t->next) {
    if (t->type == kTokEndLine) continue;
    if (t->type == '(') ++depth;
    else if (t->type == ')') --depth;
    const bool closing = t->type == ')' && depth == 0;
    t->type = kTokDropped;
    if (closing || depth == 0) return t->next;
  }
  return nullptr;
}

}  // namespace

// ---- The chain -------------------------------------------------------------------------------

namespace {

// An asm keyword is being read with what follows it: its token is made
// after lines may have ended, and those lines keep their end-of-line tokens.
bool readingAsm;

// Line rules of the rules loaded, looked for once a module.
bool lineRules;

bool PassedWithoutToken(const SourceLine* line) {
  return line->start == nullptr && (line->flags & kLinePasteComment) == 0 && !readingAsm && !lineRules &&
         !lin_needed && CheckingSource() && !StatementLinesCounted();
}

}  // namespace

void PassLinesWithoutTokens(SourceLine* from, const LexToken* to) {
  if (from == nullptr || to == nullptr || to->line == nullptr) return;
  // The lines passed lie between: nothing is closed when the token's line
  // is not ahead (the parser goes back to read skipped bodies).
  SourceLine* p = from;
  while (p != nullptr && p != to->line && (p->flags & kLineComplete) != 0) p = p->next;
  if (p != to->line) return;
  for (p = from; p != to->line; p = p->next)
    if (p->start == nullptr) CloseYaccLine(p);
  // The end of the module closes its line when no other token was made there.
  if (to->type == kTokEndModule && to->line->start == to) CloseYaccLine(to->line);
}

void MakeEndLineToken(SourceLine* line) {
  if (PassedWithoutToken(line)) return;
  LexToken* t = NewToken();
  t->type = kTokEndLine;
  t->text = t->inline_;
  t->line = line;
  t->column = line->column;
  t->position = static_cast<uint16_t>(tokenNumber);
  if (lexicalToken != nullptr) {
    lexicalToken->next = t;
  } else {
    firstToken = t;
  }
  if (lexicalToken != nullptr && lexicalToken->line == line)
    t->seq = static_cast<uint16_t>(lexicalToken->seq + 1);
  else
    t->seq = 1;
  lexicalToken = t;
  if (line->start == nullptr) line->start = t;
  if (yaccToken == nullptr) {
    yaccToken = t;
    yaccDelivered = false;
  }
}

void FreeLineTokens(SourceLine* line) {
  if (line->start == nullptr) return;
  if (lineTokensFreedHook != nullptr) lineTokensFreedHook(line);
  if (!heldLines.empty()) std::erase(heldLines, line);
  for (LexToken* t = firstToken; t != nullptr && t->line == line;) {
    LexToken* next = t->next;
    if (t->text == yaccPreValue) {
      snprintf(prevTextKeep, sizeof prevTextKeep, "%s", t->text);
      yaccPreValue = prevTextKeep;
    }
    if (t->text == yaccTokenValue) {
      snprintf(currTextKeep, sizeof currTextKeep, "%s", t->text);
      yaccTokenValue = currTextKeep;
    }
    if (t == yaccPrevToken) yaccPrevToken = nullptr;
    if (t == lastGiven) lastGiven = nullptr;
    if (t == yaccToken) yaccToken = nullptr;
    if (t == lexicalToken) lexicalToken = nullptr;
    if (t == yylvalToken) yylvalToken = nullptr;
    ReleaseToken(t);
    t = next;
    firstToken = t;
  }
  if (firstToken == nullptr) lexicalToken = nullptr;
  line->start = nullptr;
}

void TokenInit() {
  // Whatever a stopped module left behind goes back to the free list.
  for (LexToken* t = firstToken; t != nullptr;) {
    LexToken* next = t->next;
    ReleaseToken(t);
    t = next;
  }
  firstToken = lexicalToken = yaccToken = yaccPrevToken = yylvalToken = lastGiven = nullptr;
  yaccTokenType = yaccPrevType = lexPrevType = lexSaveType = 0;
  yaccTokenValue = yaccPreValue = "";
  spaceBefore = whiteBefore = 2;
  saveKeyword[0] = 0;
  yaccNestLevel = 0;
  lineContinues = false;
  openParens.clear();
  exprParens = 0;
  initLevel = 0;
  gnuBlockDepth = 0;
  flushPending = false;
  yaccDelivered = endDelivered = lastWasString = false;
  tokenNumber = 0;
  lineRules = ClassHasRules(lin_);
  readingAsm = false;
  propertyState = 0;
  pendingBodies = 0;
  skipPending = false;
  replays.clear();
  classFrames.clear();
  heldLines.clear();
  braceDepth = 0;
}

int Lex3(int64_t* value, double* fvalue) {
  *value = 0;
  *fvalue = 0;
  if (errorFlag) return 0;
  for (;;) {
    char* swap = lexPreValue;
    lexPreValue = lexTokenValue;
    lexTokenValue = swap;
    spaceBefore = spaceAfter;
    whiteBefore = whiteAfter;
    int code = Lex1();
    if (code == 0) {
      lexTokenValue[0] = 0;
      if (endDelivered) return 0;
      endDelivered = true;
      return kTokEndModule;
    }
    if (code == kTokString && tokenFromMacro) Concatenate();
    LexValue v;
    code = Lex2(code, &v);
    if (code == 0) return 0;
    if (code == kTokExec && embedSQL) {
      ProcessSQL();
      continue;
    }
    if (tokenFromMacro && peekMacroHook != nullptr && peekMacroHook() != 0) {
      spaceAfter = whiteAfter = 2;
    } else {
      spaceAfter = (lexChar == ' ' || lexChar == '\t') ? 1 : 0;
      whiteAfter = (lexChar < 0 || lexChar == ' ' || lexChar == '\t' || lexChar == 13 || lexChar == 10 ||
                    lexChar == 11 || lexChar == 12) ? 1 : 0;
    }
    ++tokenNumber;
    lexSaveType = lexPrevType;
    lexPrevType = code;
    if (code == kTokFloat)
      *fvalue = v.f;
    else
      *value = v.i;
    return code;
  }
}

void LexAhead() {
  const bool savedRule = lexRule;
  lexRule = true;
  for (;;) {
    thisLine = lexLine;
    int64_t iv;
    double fv;
    int code = Lex3(&iv, &fv);
    if (code == 0) break;
    const bool keyword = isKeyword;
    if (code == kTokIdent || keyword) {
      const char first = lexTokenValue[0];
      if ((first == '@' && skipIdentAt) || (first == '$' && skipIdentDollar) ||
          (first == '`' && skipIdentAccentGrave))
        continue;
      if (!ignoreList.empty() && Ignored(lexTokenValue)) continue;
    }
    if (code == kKwAsm) {
      readingAsm = true;
      const bool asmIgnored = !ignoreList.empty() && Ignored(lexTokenValue);
      char asmText[16];
      snprintf(asmText, sizeof asmText, "%s", lexTokenValue);
      SourceLine* asmLine = lexLine;
      code = Lex3(&iv, &fv);
      if (code == kKwVolatile) code = Lex3(&iv, &fv);
      if (code == '(') {
        if (!asmIgnored) {
          LexToken* a = NewToken();
          a->type = kKwAsm;
          a->line = asmLine;
          a->flags = kTokIsKeyword;
          a->position = static_cast<uint16_t>(tokenNumber - 1);
          SetText(a, asmText);
          Append(a);
        }
      } else if (code == '{') {
        int depth = 1;
        while (depth > 0 && (code = Lex3(&iv, &fv)) != 0 && code != kTokEndModule) {
          if (code == '{') ++depth;
          else if (code == '}') --depth;
        }
        if (code == 0 || code == kTokEndModule) {
          if (code == 0) break;
        } else {
          code = kTokAsmSkipped;
        }
      }
      if (code == 0) break;
      readingAsm = false;
    }
    LexToken* t = NewToken();
    t->type = code;
    t->line = lexLine;
    t->column = lexLine != nullptr ? lexLine->column : 0;
    t->position = static_cast<uint16_t>(tokenNumber);
    uint8_t f = 0;
    if (whiteBefore == 1) f |= kTokWhiteBefore;
    if (whiteAfter == 1) f |= kTokWhiteAfter;
    if (spaceBefore == 1) f |= kTokBlankBefore;
    if (spaceAfter == 1) f |= kTokBlankAfter;
    if (tokenFromMacro) f |= kTokFromMacro;
    if (isKeyword && code != kTokAsmSkipped) f |= kTokIsKeyword;
    const bool counted = code != kTokEndModule && (t->line == nullptr || t->line->depth == 0 || countHeaders) &&
                         (!tokenFromMacro || countMacroTokens);
    if (counted) f |= kTokCounted;
    t->flags = f;
    t->nextChar = static_cast<uint8_t>(lexChar < 0 ? 0 : lexChar);
    if (code == kTokFloat)
      t->value.f = fv;
    else
      t->value.i = iv;
    t->wide = isWide && (code == kTokString || code == kTokChar) ? 1 : 0;
    SetText(t, lexTokenValue);
    Append(t);
    if (lex2_needed) mvValue[lex2_][kLexToken] = tokenNumber;
    if (code == ';' || code == kTokEndModule) break;
  }
  readingAsm = false;
  lexRule = savedRule;
  thisLine = yaccLine;
  // Reading ahead moved the line variables to the lexer's line; the parser's
  // events that follow belong to the parser's line.
  if (!savedRule && lin_needed && thisLine != nullptr && CheckingSource()) SetLineVariables();
}

bool ExpressionContinues() { return lineContinues || exprParens > 0; }

LexToken* NextToken(LexToken* t) {
  if (t == nullptr) return nullptr;
  for (t = t->next; t != nullptr && (t->type == kTokEndLine || t->type == kTokDropped); t = t->next) {
  }
  return t;
}

int PeekYaccType(const char*, LexToken** token) {
  if (token != nullptr) *token = nullptr;
  if (yaccToken == nullptr) return 0;
  LexToken* t = yaccToken;
  for (;;) {
    if (t->next == nullptr) {
      if (t->type == kTokEndModule) return 0;
      LexAhead();
      if (t->next == nullptr) return 0;
    }
    t = t->next;
    if (t->type != kTokEndLine) break;
  }
  if (token != nullptr) *token = t;
  return t->type;
}

// ---- Re-classification without parser state ---------------------------------------------------

void EditYaccToken() {
  LexToken* t = yaccToken;
  const int code = t->type;
  if (propertyState == 2) {
    if (code == ';')
      propertyState = 0;
    else
      t->type = kTokDropped;
    return;
  }
  if (propertyState == 1 && (code == '[' || code == '=')) {
    propertyState = 2;
    t->type = kTokDropped;
    return;
  }
  if (propertyState == 1 && code == ';') propertyState = 0;
  switch (code) {
    case kKwDeclspec:
    case kKwAttribute: {
      t->type = kTokDropped;
      LexToken* n = NextToken(t);
      if (n != nullptr && n->type == '(') DropGroup(n);
      return;
    }
    case kKwBased: {
      LexToken* n = NextToken(t);
      if (n != nullptr && n->type == '(') {
        t->type = kTokDropped;
        DropGroup(n);
      }
      return;
    }
    case '(': {
      if (!extendedKeys) break;
      LexToken* b = NextToken(t);
      LexToken* c = b != nullptr ? NextToken(b) : nullptr;
      if (b != nullptr && b->type == kKwBased && c != nullptr && c->type == ')') {
        LexToken* d = NextToken(c);
        t->type = b->type = c->type = kTokDropped;
        if (d != nullptr) d->type = kTokDropped;
        return;
      }
      break;
    }
    case kKwInterrupt: {
      t->type = kTokDropped;
      LexToken* n = NextToken(t);
      if (keyValue == 8 && n != nullptr && n->type == '[') {
        for (; n != nullptr; n = NextToken(n)) {
          const bool last = n->type == ']';
          n->type = kTokDropped;
          if (last) break;
        }
      }
      return;
    }
    case kKwProperty:
      t->type = kTokDropped;
      propertyState = 1;
      return;
    case kKwDispid:
      t->type = kTokDropped;
      return;
    case kKwAsm:
      if (CheckingSource()) Do1Rule(evt_, kEvtAssembler, 1, true);
      if (keyValue == 5) t->type = kTokIntrinsic;
      return;
    case kKwCatch:
    case kKwTry:
      if (symantecKeys) {
        t->type = kTokIdent;
        t->flags &= static_cast<uint8_t>(~kTokIsKeyword);
      }
      return;
    case kKwThrow:
      if (symantecKeys) {
        t->type = kTokIdent;
        t->flags &= static_cast<uint8_t>(~kTokIsKeyword);
      }
      return;
    case kTokIntrinsic:
      if (lex2_needed) SetMVBoolean(lex2_, kLexIntrinsic);
      return;
    default:
      break;
  }
  if (code >= kKwNear && code <= kKwFortran) {
    t->type = kTokDropped;
    return;
  }
  if (code >= kKwPublic && code <= kKwPrivate) {
    t->type = kTokAccess;
    return;
  }
  if (reclassifyHook != nullptr) t->type = reclassifyHook(t);
}

// ---- The parser's tokens ---------------------------------------------------------------------

int Lex4() {
  if (errorFlag) return 0;
  if (skipPending) {
    skipPending = false;
    return kTokSkippedBody;
  }
  bool counted = true;
  if (!replays.empty()) {
    Replay& r = replays.back();
    if (r.phase == 2) Release(r.bodies[r.index].end->line);
    if (r.phase == 2 && ++r.index < r.bodies.size()) r.phase = 0;
    if (r.phase == 2) {
      // The last body is read: the class's '}' is next.
      yaccToken = r.resume;
      yaccDelivered = false;
      replays.pop_back();
      thisLine = yaccLine = yaccToken->line;
      if (lin_needed) SetLineVariables();
    } else if (r.phase == 0) {
      r.phase = 1;
      yaccToken = r.bodies[r.index].start;
      yaccDelivered = false;
      thisLine = yaccLine = yaccToken->line;
      if (lin_needed) SetLineVariables();
      return kTokDeferredBody;
    } else if (yaccToken == r.bodies[r.index].start && !yaccDelivered) {
      // The body's first token was counted when it was read as the look-ahead.
      counted = false;
    }
  }
  if (yaccToken != nullptr && yaccDelivered) {
    if (yaccToken->next == nullptr) {
      if (yaccToken->type == kTokEndModule) return 0;
      LexAhead();
      if (yaccToken == nullptr || yaccToken->next == nullptr) return 0;
    }
    yaccToken = yaccToken->next;
  } else if (yaccToken == nullptr) {
    LexAhead();
    if (yaccToken == nullptr) return 0;
    // The module's first lines may have made no token.
    PassLinesWithoutTokens(yaccLine, yaccToken);
  }
  yaccDelivered = true;
  if (lex2_needed) mvValue[lex2_][kLexMacroToken] = mvValue[lex2_][kLexNotManifest] = 0;
  thisLine = yaccLine = yaccToken->line;
  if (yaccLine != nullptr && yaccLine->number == 1 && lin_needed) SetLineVariables();
  while (yaccToken->type == kTokEndLine) {
    if (yaccToken->next == nullptr) LexAhead();
    AdvanceYaccLine(!Held(yaccLine));
    if (lin_needed) mvValue[lin_][kLinTokens] = 0;
    if (yaccToken == nullptr) {
      LexAhead();
      if (yaccToken == nullptr) return 0;
    }
    yaccDelivered = true;
    thisLine = yaccLine = yaccToken->line;
  }
  LexToken* t = yaccToken;
  if (t->type == '{') {
    ++braceDepth;
  } else if (t->type == '}') {
    // The '}' of a class whose member function bodies were skipped: the
    // bodies are read first, the last one first.
    if (!classFrames.empty() && braceDepth == classFrames.back().depth && !classFrames.back().bodies.empty()) {
      Replay r;
      r.bodies.assign(classFrames.back().bodies.rbegin(), classFrames.back().bodies.rend());
      classFrames.back().bodies.clear();
      r.resume = t;
      replays.push_back(std::move(r));
      return Lex4();
    }
    --braceDepth;
  }
  if (t->line != nullptr && t->line->start == t) t->line->nestLevel = yaccNestLevel;
  if (!replays.empty() && replays.back().phase == 1 && t == replays.back().bodies[replays.back().index].end) {
    replays.back().phase = 2;
    if (pendingBodies > 0) --pendingBodies;
  }
  EditYaccToken();
  const int code = t->type;
  // What the lookup of an identifier found; a declaration left by the
  // lookup of another name is not this one's.
  if (code == kTokIdent)
    t->declaration = idFound && foundDec != nullptr && foundDec->name == t->text ? foundDec : nullptr;
  if (code == kTokDropped) return code;
  if (code == '(' || (code >= kTokParenInit && code <= kTokCtorCall)) {
    const uint8_t inExpression = code != kTokNewParams && code != kTokOldParams;
    openParens.push_back(inExpression);
    exprParens += inExpression;
  } else if (code == ')' && !openParens.empty()) {
    exprParens -= openParens.back();
    openParens.pop_back();
  }
  yaccPrevToken = lastGiven;
  yaccPrevType = yaccTokenType;
  yaccPreValue = yaccTokenValue;
  lastGiven = t;
  yaccTokenType = code;
  yaccTokenValue = t->text;
  yylvalToken = t;
  // The end of the module is no source token: no token rules, no count.
  if (code == kTokEndModule) return code;

  const bool fromMacro = (t->flags & kTokFromMacro) != 0;
  if ((t->flags & kTokIsKeyword) != 0) {
    const size_t k = t->length < sizeof saveKeyword - 1 ? t->length : sizeof saveKeyword - 1;
    memcpy(saveKeyword, t->text, k);
    saveKeyword[k] = 0;
    if (lex2_needed) {
      SetMVBoolean(lex2_, kLexKeyword);
      const int after = t->nextChar;
      if (!fromMacro && IsKeyNoSpace(code) && after != ' ' && after != '\t' && after != 13 && after != 10 &&
          after != 0 && !(code == kKwReturn && after == ';'))
        SetMVBoolean(lex2_, kLexKeyNoSpace);
    }
  } else if (code == kTokIdent && lex2_needed) {
    SetMVBoolean(lex2_, kLexIdentifier);
  }
  bool magic = false;
  int constant = 0, initial = 0;
  switch (code) {
    case kTokString:
      constant = 6;
      initial = lastWasString ? 0 : 6;
      break;
    case kTokInt:
      yylvalInt = t->value.i;
      constant = 4;
      initial = t->value.i != 0 ? 2 : 1;
      magic = t->value.i != 0 && t->value.i != 1;
      break;
    case kTokChar:
      yylvalInt = t->value.i;
      constant = 3;
      initial = 4;
      break;
    case kTokFloat:
      yylvalFloat = t->value.f;
      constant = 5;
      initial = 5;
      magic = t->value.f != 0.0 && t->value.f != 1.0;
      break;
    case kTokTrue:
    case kTokFalse:
      yylvalInt = code == kTokTrue ? 1 : 0;
      constant = 1;
      initial = 3;
      break;
    default:
      break;
  }
  lastWasString = code == kTokString;
  if (!counted) return code;
  if (fromMacro) magic = false;
  if (lex2_needed && CheckingSource()) {
    if (constant != 0) {
      SetMVInteger(lex2_, kLexConstant, constant);
      if (initial != 0 && initLevel > 0) SetMVInteger(lex2_, kLexInitializer, initial);
    }
    FireLex2(t, magic);
  }
  if ((t->flags & kTokCounted) != 0 && CheckingSource()) {
    if (lin_needed) mvValue[lin_][kLinTokens] += 1;
    if (mvNeed[stm_] != nullptr && mvNeed[stm_][kStmTokens] != 0) DoStmTokens();
    if (BlockLevel() > 0) mvValue[exp_][kExpTokens] += 1;
    ++modData.tokens;
    mvValue[prj_][kPrjTokens] += 1;
    if (needOps && IsOperandCode(code)) AddOpnd(t->text);
  }
  return code;
}

void OpenClassBody() { classFrames.push_back({braceDepth, {}}); }

void CloseClassBody() {
  if (!classFrames.empty()) classFrames.pop_back();
}

LexToken* SkipDeferredBody(Declarator* function) {
  LexToken* start = yaccToken;
  if (start == nullptr || classFrames.empty()) return nullptr;
  int depth = 0;
  for (LexToken* t = start;;) {
    if (t->type == '{') {
      ++depth;
    } else if (t->type == '}' && --depth <= 0) {
      if (depth < 0) return nullptr;
      yaccToken = lastGiven = yylvalToken = t;
      yaccDelivered = true;
      yaccPrevType = yaccTokenType;
      yaccPreValue = yaccTokenValue;
      yaccTokenType = '}';
      yaccTokenValue = t->text;
      flushPending = false;
      skipPending = true;
      ++pendingBodies;
      // The body's '{' was counted as the look-ahead; its '}' is passed over.
      if (start->type == '{') --braceDepth;
      classFrames.back().bodies.push_back({function, start, t});
      if (!Held(t->line)) heldLines.push_back(t->line);
      return t;
    } else if (t->type == kTokEndModule) {
      return nullptr;
    }
    if (t->next == nullptr) {
      LexAhead();
      if (t->next == nullptr) return nullptr;
    }
    t = t->next;
  }
}

Declarator* DeferredBodyFunction() {
  if (replays.empty()) return nullptr;
  const Replay& r = replays.back();
  return r.index < r.bodies.size() ? r.bodies[r.index].function : nullptr;
}

bool ReplayingBodies() { return !replays.empty(); }

void DropDeferredBodies() {
  pendingBodies = 0;
  skipPending = false;
  classFrames.clear();
  heldLines.clear();
  // Bodies being read are left: the stream goes on at the class's '}'.
  if (!replays.empty()) {
    yaccToken = replays.front().resume;
    yaccDelivered = false;
    replays.clear();
  }
}

int yylex() {
  if (errorFlag) return 0;
  // A ';' ends a statement or a declaration list. Once the parser asks for
  // the token after it (the ';' is still its current token), it has reduced
  // what the ';' ended and holds no token of the lines before the ';' line's
  // own: they are written out and freed. Inside a statement expression the
  // statement around it still holds them.
  if (flushPending) {
    flushPending = false;
    if (gnuBlockDepth == 0 && pendingBodies == 0 && yaccLine != nullptr) FlushToHere(yaccLine->prev);
  }
  int code;
  do code = Lex4();
  while (code == kTokDropped);
  flushPending = code == ';' && yaccLine != nullptr && CheckingSource();
  return code;
}

// ---- Rule functions -------------------------------------------------------------------------

void NewCType(const char* name, int kind) {
  static const int codes[30] = {0,   354, 361, 344, 345, 362, 355, 360, 412, 407, 0,   0,   347, 411, 408,
                                348, 413, 349, 414, 356, 357, 358, 359, 409, 0,   0,   0,   0,   0,   410};
  const int code = kind >= 0 && kind < 30 ? codes[kind] : 0;
  char why[160];
  if (code == 0) {
    snprintf(why, sizeof why, "Improper type (%d) in call to new_type.", kind);
    Advise(40, why);
    return;
  }
  if (name == nullptr || name[0] == 0) {
    Advise(40, "Null name in call to new_type.");
    return;
  }
  const int old = FindNewKeyword(name);
  if (old == code) return;
  if (old != 0) {
    snprintf(why, sizeof why, "Don't redefine \"%.100s\" with new_type()", name);
    Advise(40, why);
    return;
  }
  if (NewKeywordCount() >= kMaxNewKeywords) {
    Advise(40, "Can't add any more new type specifiers.");
    return;
  }
  AddNewKeyword(name, code);
}

void DoIgnore(const char* word) {
  if (word == nullptr || word[0] == 0 || Ignored(word)) return;
  ignoreList.emplace_back(word);
}

bool IsIgnored(const char* word) { return Ignored(word); }

namespace {

void PushText(const char* text) { PushPointer(text != nullptr ? HandOut(text) : nullptr); }

void TokenFn(int, int, int) {
  if (lexRule)
    PushText(lexTokenValue);
  else
    PushText(yaccToken != nullptr && yaccDelivered ? yaccToken->text : nullptr);
}

void PrevTokenFn(int, int, int) {
  if (lexRule)
    PushText(lexPreValue);
  else
    PushText(yaccPreValue[0] != 0 ? yaccPreValue : nullptr);
}

void NextTokenFn(int, int, int) {
  LexToken* n = NextToken(yaccToken);
  PushText(n != nullptr ? n->text : nullptr);
}

void NextCharFn(int, int, int) {
  if (lexRule)
    PushLong(lexChar);
  else
    PushLong(yaccToken != nullptr ? yaccToken->nextChar : 0);
}

void KeywordFn(int, int, int) {
  const char* p = PopPointer();
  if (p == nullptr) {
    PushLong(0);
    return;
  }
  PushLong(strcmp(CheckedText(p, "keyword"), saveKeyword) == 0 ? 1 : 0);
}

void IdentifierFn(int, int, int) {
  const char* p = PopPointer();
  if (p == nullptr || yaccTokenValue == nullptr || yaccTokenValue[0] == 0) {
    PushLong(0);
    return;
  }
  PushLong(strcmp(CheckedText(p, "identifier"), yaccTokenValue) == 0 ? 1 : 0);
}

char lineCopy[kMaxLineLength + 1];

void LineFn(int, int, int) {
  if (thisLine == nullptr) {
    PushPointer(nullptr);
    return;
  }
  RegionKind kind;
  size_t room;
  // Copied once per rule execution: the scratch region lives until the rule ends.
  if (!RegionRoom(lineCopy, &kind, &room)) {
    memcpy(lineCopy, thisLine->text, static_cast<size_t>(thisLine->length) + 1);
    RegisterRegion(lineCopy, static_cast<size_t>(thisLine->length) + 1, kRegionScratch);
  }
  PushPointer(lineCopy);
}

void ModNameFn(int, int, int) { PushText(modName); }
void PrjNameFn(int, int, int) { PushText(prjFN); }

void NewTypeFn(int, int, int) {
  const int32_t kind = PopLong();
  const char* p = PopPointer();
  NewCType(p != nullptr ? CheckedText(p, "new_type") : nullptr, kind);
}

void IgnoreFn(int, int argc, int) {
  std::vector<const char*> words;
  for (int i = 0; i < argc; ++i) {
    const char* p = PopPointer();
    words.push_back(p != nullptr ? CheckedText(p, "ignore") : nullptr);
  }
  for (auto it = words.rbegin(); it != words.rend(); ++it) DoIgnore(*it);
}

void SkipNonansiFn(int, int, int) {
  const int32_t c = PopLong();
  if (c == '$') skipIdentDollar = true;
  else if (c == '@') skipIdentAt = true;
  else if (c == '`') skipIdentAccentGrave = true;
}

void OpFunctionFn(int, int, int) {
  const char* name = nullptr;
  if (lexRule) {
    if (expandingMacroHook != nullptr) name = expandingMacroHook();
  } else if (declaratorNameHook != nullptr) {
    name = declaratorNameHook();
  }
  PushText(name);
}

int YaccColumn() { return yaccToken != nullptr ? yaccToken->column : 0; }

}  // namespace

void InitTokens() {
  parserAttached = true;
  yaccColumnHook = YaccColumn;
  ignoreList.clear();
  skipIdentAt = skipIdentDollar = skipIdentAccentGrave = false;
  // The pools are fresh: nothing held before is valid any more.
  firstToken = freeTokens = nullptr;
  TokenInit();
  RegisterBuiltin(kFnToken, TokenFn, 0);
  RegisterBuiltin(kFnPrevToken, PrevTokenFn, 0);
  RegisterBuiltin(kFnNextToken, NextTokenFn, 0);
  RegisterBuiltin(kFnNextChar, NextCharFn, 0);
  RegisterBuiltin(kFnKeyword, KeywordFn, 1);
  RegisterBuiltin(kFnIdentifier, IdentifierFn, 1);
  RegisterBuiltin(kFnLine, LineFn, 0);
  RegisterBuiltin(kFnModName, ModNameFn, 0);
  RegisterBuiltin(kFnPrjName, PrjNameFn, 0);
  RegisterBuiltin(kFnNewType, NewTypeFn, 2);
  RegisterBuiltin(kFnIgnore, IgnoreFn, -1);
  RegisterBuiltin(kFnSkipNonansiIdent, SkipNonansiFn, 1);
  RegisterBuiltin(kFnOpFunction, OpFunctionFn, 0);
}

}  // namespace mv
