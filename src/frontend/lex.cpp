// The lexer's two stages and its scanners. Lex1 reads characters through the
// line reader (NextChar, Peek, SkipComment) and leaves the token's text in
// lexTokenValue; Lex2 looks words up and converts constants.
#include "frontend/lex.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "driver/options.h"
#include "frontend/files.h"
#include "frontend/line.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "support/mverror.h"
#include "support/public.h"

namespace mv {

namespace {
char lexBuffer1[kLexBuffer];
char lexBuffer2[kLexBuffer];
}  // namespace

char* lexTokenValue = lexBuffer1;
char* lexPreValue = lexBuffer2;
int lexChar;
int radix;
bool isFloat, isUnsigned, floatBySuffix;
char lexNumberSuffix[8];
bool isWide;
bool isKeyword;
bool tokenFromMacro;
bool leadComment;
bool noWhite;
bool lex1WhiteAfter;
int lexTokenCount;
unsigned long sourceTokens;
int preamble;
int postamble;

bool inMacroDef;
bool inMacroParams;
bool expandAllowed = true;
bool fromPaste;
bool sqlTypes;

void (*directiveHook)() = SkipDirectiveLine;
bool (*skippingHook)();
void (*skipLineHook)();
int (*macroTokenHook)();
int (*peekMacroHook)();
const char* (*peekMacroTextHook)();
int (*expandHook)();
bool (*isMacroHook)(const char* name);
void (*lexResetHook)();

namespace {

constexpr int kEof = -1;
constexpr int kEol = 13;

// lex1_ variables.
enum : int {
  kLexFloat = 0, kLcLong = 1, kLongFloat = 2, kLongLong = 3, kMacroBody = 4, kMetaware = 5,
  kPunctAfter = 6, kPunctBefore = 7, kRadix = 8, kStrLength = 9, kStrMacro = 10, kSuffix = 12,
  kUcLong = 14, kUnsigned = 15, kWide = 16,
};
// evt_ variables.
enum : int {
  kAnsiEscape = 0, kAssembler = 1, kBigOctal = 4, kCharEmpty = 6, kCharLong = 7, kHexEscape = 11,
  kNonstandard = 15, kNotKREscape = 16, kNumEscape = 18, kZeroEscape = 22,
};
// pp_ variables set inside macro definitions.
enum : int { kPPAnsi = 0, kPPBadWhite = 7, kPPNotAnsi = 29, kPPPaste = 33, kPPStringize = 40 };
constexpr int kLexMacroToken = 9;  // lex_macro_token in class 2

// ---- Character classes -------------------------------------------------------

// What a token starting with the character is.
enum Start : uint8_t {
  kStartOther,   // a token of its own, nonstandard
  kStartPunct,   // a token of its own: ( ) [ ] { } ; , ? ~
  kStartWhite,
  kStartIdent,   // letters, _, $, @
  kStartDigit,
  kStartOper,    // the first character of an operator
  kStartString,
  kStartChar,
  kStartHash,
};

// Bits of the character table.
enum : uint8_t { kIdent = 1, kDigit = 2, kHex = 4, kOctal = 8, kLetter = 16, kWord = 32 };

struct CharTables {
  uint8_t start[256];
  uint8_t bits[256];
  constexpr CharTables() : start{}, bits{} {
    for (int ch = 0; ch < 256; ++ch) start[ch] = kStartOther;
    for (int ch : {9, 10, 11, 12, 13, 32}) start[ch] = kStartWhite;
    for (int ch : {'(', ')', '[', ']', '{', '}', ';', ',', '?', '~'}) start[ch] = kStartPunct;
    for (int ch : {'%', '&', '*', '+', '!', '/', '^', '|', '<', '=', '>', '-', '.', ':'})
      start[ch] = kStartOper;
    start[static_cast<int>('"')] = kStartString;
    start[static_cast<int>('\'')] = kStartChar;
    start[static_cast<int>('#')] = kStartHash;
    for (int ch = '0'; ch <= '9'; ++ch) {
      start[ch] = kStartDigit;
      bits[ch] = kIdent | kDigit | kHex | kWord | (ch < '8' ? kOctal : 0);
    }
    for (int ch = 'a'; ch <= 'z'; ++ch) {
      start[ch] = start[ch - 32] = kStartIdent;
      bits[ch] = bits[ch - 32] = kIdent | kLetter | kWord;
    }
    for (int ch = 'a'; ch <= 'f'; ++ch) bits[ch] |= kHex, bits[ch - 32] |= kHex;
    for (int ch : {'_', '$', '@'}) start[ch] = kStartIdent, bits[ch] = kIdent;
    bits[static_cast<int>('_')] |= kWord;
    bits[static_cast<int>('`')] = kIdent;
  }
};
constexpr CharTables kChars;

// The table index of a character; -1 (the end) maps to 255, which every
// caller tests for the end first.
inline uint8_t Bits(int ch) { return kChars.bits[static_cast<unsigned char>(ch)]; }
inline bool IsDigit(int ch) { return ch >= 0 && (Bits(ch) & kDigit) != 0; }
inline bool IsHex(int ch) { return ch >= 0 && (Bits(ch) & kHex) != 0; }
inline bool IsIdent(int ch) { return ch >= 0 && (Bits(ch) & kIdent) != 0; }
inline bool IsWhite(int ch) { return ch == kEof || kChars.start[static_cast<unsigned char>(ch)] == kStartWhite; }
inline int HexDigit(int ch) { return ch <= '9' ? ch - '0' : (ch | 0x20) - 'a' + 10; }

// ---- The token text -----------------------------------------------------------

int textLength;       // characters stored in lexTokenValue
bool textOverflow;    // characters were dropped at the 5000 bound

inline void StartText() {
  textLength = 0;
  textOverflow = false;
}
inline void Put(int ch) {
  if (textLength < kMaxTokenLength)
    lexTokenValue[textLength++] = static_cast<char>(ch);
  else
    textOverflow = true;
}
// Ends the text; an overlong token gives warning 10 once.
inline void EndText() {
  lexTokenValue[textLength] = 0;
  if (textOverflow) Warning(10);
}
inline void SetText(const char* text) {
  size_t n = strlen(text);
  memcpy(lexTokenValue, text, n + 1);
}

inline int Next() { return lexChar = NextChar(); }

// ---- Triggers -------------------------------------------------------------------

// Fires an event variable at once, with the lexer's line and position.
void FireEvent(int index, int32_t value) {
  const bool savedRule = lexRule;
  SourceLine* const savedLine = thisLine;
  lexRule = true;
  thisLine = lexLine;
  Do1Rule(evt_, index, value, true);
  lexRule = savedRule;
  thisLine = savedLine;
}

void SetPPVar(int index) {
  if (!pp_needed || checkRules) return;
  const bool savedRule = lexRule;
  lexRule = true;
  SetMVBoolean(pp_, index);
  lexRule = savedRule;
}

// A byte that stands in code as a token of its own, or $, @ and the grave
// accent inside identifiers.
inline void Nonstandard(int ch) {
  if (lex1_needed) FireEvent(kNonstandard, static_cast<unsigned char>(ch));
}

// Fires (or clears) the lex1_ class after a token.
void FireLex1() {
  if (lexLine != nullptr && (lexLine->flags & kLineRulesApply) != 0 && !checkRules) {
    const bool savedRule = lexRule;
    SourceLine* const savedLine = thisLine;
    lexRule = true;
    thisLine = lexLine;
    if (lin_needed) SetLineVariables();
    DoRules(lex1_);
    lexRule = savedRule;
    thisLine = savedLine;
  } else {
    ZeroVars(lex1_);
  }
}

// ---- White space and comments ------------------------------------------------------

// Skips a comment that starts at the '/' in lexChar and leaves the character
// after it; false when no comment starts here. (A comment on one line spans
// no line, so the skipper's count cannot tell.)
bool Comment() {
  if (!CommentAhead()) return false;
  int ch = lexChar;
  SkipComment(&ch);
  lexChar = ch;
  return true;
}

// Skips white space and comments before a token (step 4 of Lex1). Returns
// false when a macro definition ends at the line end.
bool SkipWhite() {
  noWhite = true;
  leadComment = false;
  bool afterComment = false;
  int ch = lexChar;
  for (;;) {
    if (ch < 0) return true;
    const uint8_t kind = kChars.start[ch];
    if (kind == kStartWhite) {
      if (ch == kEol && inMacroDef) return false;
      if (inMacroDef && ch != ' ' && ch != '\t') {
        SetPPVar(kPPBadWhite);
        if (afterComment) SetPPVar(kPPNotAnsi);
      }
      noWhite = false;
      // A run of blanks and tabs further on the line is passed at once.
      if (const char* p = PlainAhead()) {
        int k = 0;
        while (p[k] == ' ' || p[k] == '\t') ++k;
        if (k > 0) PlainSkip(k);
      }
      ch = Next();
      continue;
    }
    if (ch == '/' && Comment()) {
      // A line comment leaves the line end as the next character.
      ch = lexChar;
      leadComment = true;
      afterComment = true;
      continue;
    }
    return true;
  }
}

// ---- Operators ------------------------------------------------------------------------

// Scans an operator starting at lexChar; leaves the next character.
int LexOperator() {
  const int first = lexChar;
  int ch = Next();
  int code = first;
  switch (first) {
    case '%':
      if (ch == '=') code = kTokModAsg;
      break;
    case '*':
      if (ch == '=') code = kTokMulAsg;
      break;
    case '!':
      if (ch == '=') code = kTokNe;
      break;
    case '/':
      if (ch == '=') code = kTokDivAsg;
      break;
    case '^':
      if (ch == '=') code = kTokXorAsg;
      break;
    case '&':
      if (ch == '&') code = kTokAndAnd;
      else if (ch == '=') code = kTokAndAsg;
      break;
    case '|':
      if (ch == '|') code = kTokOrOr;
      else if (ch == '=') code = kTokOrAsg;
      break;
    case '+':
      if (ch == '+') code = kTokInc;
      else if (ch == '=') code = kTokAddAsg;
      break;
    case '=':
      if (ch == '=') {
        code = kTokEq;
      } else if (ch == '>' && highKeys) {
        code = kTokFatArrow;
        SetLexVar(kMetaware, 1);
      }
      break;
    case '<':
      if (ch == '<') {
        code = kTokShl;
        if (Next() == '=') code = kTokShlAsg;
        else return SetText("<<"), code;
      } else if (ch == '=') {
        code = kTokLe;
      } else if (ch == '-' && highKeys) {
        code = kTokLeftArrow;
      }
      break;
    case '>':
      if (ch == '>') {
        code = kTokShr;
        if (Next() == '=') code = kTokShrAsg;
        else return SetText(">>"), code;
      } else if (ch == '=') {
        code = kTokGe;
      }
      break;
    case '-':
      if (ch == '-') {
        code = kTokDec;
      } else if (ch == '=') {
        code = kTokSubAsg;
      } else if (ch == '>') {
        code = kTokArrow;
        if (Next() == '*' && CPPKeys) code = kTokArrowStar;
        else return SetText("->"), code;
      }
      break;
    case '.':
      if (ch == '*' && CPPKeys) {
        code = kTokDotStar;
      } else if (ch == '.') {
        if (Peek(1) == '.') {
          Next();
          code = kTokEllipsis;
        } else if (highKeys) {
          code = kTokDotDot;
          SetLexVar(kMetaware, 1);
        } else {
          lexTokenValue[0] = '.', lexTokenValue[1] = 0;
          return '.';  // the second dot is the next token
        }
      }
      break;
    case ':':
      if (ch == ':' && CPPKeys) code = kTokScope;
      else if (ch == '>' && extendedKeys) code = kTokColonGt;
      break;
    default:
      break;
  }
  if (code == first) {
    lexTokenValue[0] = static_cast<char>(first);
    lexTokenValue[1] = 0;
    return code;
  }
  Next();
  SetText(FindString(code));
  return code;
}

// ---- Identifiers ------------------------------------------------------------------------

// Scans identifier characters onto the text begun by the caller.
int LexIdent() {
  int ch = lexChar;
  do {
    if (ch == '$' || ch == '@' || ch == '`') Nonstandard(ch);
    Put(ch);
    // Letters, digits and _ further on the line are taken straight from it.
    if (const char* p = PlainAhead()) {
      int k = 0;
      while ((Bits(p[k]) & kWord) != 0) ++k;
      if (k > 0) {
        const int take = std::min(k, kMaxTokenLength - textLength);
        memcpy(lexTokenValue + textLength, p, static_cast<size_t>(take));
        textLength += take;
        if (take < k) textOverflow = true;
        PlainSkip(k);
      }
    }
    ch = Next();
  } while (IsIdent(ch));
  EndText();
  return kTokIdent;
}

// An identifier that is "asm" after at most two underscores.
bool IsAsmWord(const char* text) {
  int n = 0;
  while (n < 2 && text[n] == '_') ++n;
  return text[n] == 'a' && strcmp(text + n, "asm") == 0;
}

// ---- Numbers ------------------------------------------------------------------------------

// Metaware digit separator: an _ between two digits.
inline bool Separator(int ch, int radixHere) {
  if (!highKeys || ch != '_') return false;
  const int after = Peek(1);
  return radixHere == 16 ? IsHex(after) : IsDigit(after);
}

// Keeps a suffix letter of the number being read and reads on.
int SuffixNext() {
  const size_t n = strlen(lexNumberSuffix);
  if (n + 1 < sizeof lexNumberSuffix) {
    lexNumberSuffix[n] = static_cast<char>(lexChar);
    lexNumberSuffix[n + 1] = 0;
  }
  return Next();
}

// GNU's imaginary constants (2i, 1.5fj): an i or j ends the number.
void ImaginarySuffix() {
  const int ch = lexChar;
  if (keyValue == 8 && (ch == 'i' || ch == 'I' || ch == 'j' || ch == 'J') && !IsIdent(Peek(1))) {
    SetLexVar(kSuffix, 1);
    SuffixNext();
  }
}

void NumberSuffixes() {
  int ch = lexChar;
  auto longSuffix = [&](int l) { SetLexVar(l == 'l' ? kLcLong : kUcLong, 1); };
  if (isFloat) {
    if (ch == 'l' || ch == 'L') {
      SetLexVar(kLongFloat, 1);
      longSuffix(ch);
      SetLexVar(kSuffix, 1);
      SuffixNext();
    }
    ImaginarySuffix();
    return;
  }
  if (ch == 'l' || ch == 'L') {
    longSuffix(ch);
    SetLexVar(kSuffix, 1);
    ch = SuffixNext();
    if (ch == 'l' || ch == 'L') {
      SetLexVar(kLongLong, 1);
      ch = SuffixNext();
    }
  }
  if (ch == 'u' || ch == 'U') {
    isUnsigned = true;
    SetLexVar(kUnsigned, 1);
    SetLexVar(kSuffix, 1);
    ch = SuffixNext();
    if (ch == 'l' || ch == 'L') {
      longSuffix(ch);
      ch = SuffixNext();
      if (ch == 'l' || ch == 'L') {
        SetLexVar(kLongLong, 1);
        ch = SuffixNext();
      }
    }
  }
  if ((ch == 'i' || ch == 'I') && Peek(1) == '6' && Peek(2) == '4') {
    SetLexVar(kSuffix, 1);
    SuffixNext();
    SuffixNext();
    SuffixNext();
  }
  ImaginarySuffix();
  SetLexVar(kRadix, radix);
}

}  // namespace

void SetLexVar(int index, int32_t value) {
  if (!lex1_needed || checkRules) return;
  const bool savedRule = lexRule;
  lexRule = true;
  SetMVInteger(lex1_, index, value);
  lexRule = savedRule;
}

int LexNum() {
  StartText();
  lexNumberSuffix[0] = 0;
  radix = 10;
  isFloat = isUnsigned = floatBySuffix = false;
  int ch = lexChar;
  if (ch == '0') {
    Put(ch);
    ch = Next();
    if (ch == 'x' || ch == 'X') {
      radix = 16;
      Put(ch);
      ch = Next();
    } else if ((ch == 'b' || ch == 'B') && symantecKeys) {
      radix = 2;
      Put(ch);
      ch = Next();
    } else if (IsDigit(ch)) {
      radix = 8;
    }
  }
  if (radix == 16) {
    for (;;) {
      if (IsHex(ch)) {
        Put(ch);
        ch = Next();
      } else if ((Separator(ch, 16) || ((ch == 'x' || ch == 'X') && highKeys && textLength > 2 &&
                                        IsHex(Peek(1)))) ) {
        SetLexVar(kMetaware, 1);
        ch = Next();
      } else {
        break;
      }
    }
  } else {
    for (;;) {
      if (IsDigit(ch)) {
        if (radix == 8 && ch >= '8') FireEvent(kBigOctal, ch - '0');
        Put(ch);
        ch = Next();
      } else if (Separator(ch, 10)) {
        SetLexVar(kMetaware, 1);
        ch = Next();
      } else {
        break;
      }
    }
  }
  if (radix == 10 || radix == 8) {
    if (ch == '.' && !(highKeys && Peek(1) == '.')) {
      isFloat = true;
      Put(ch);
      ch = Next();
      for (;;) {
        if (IsDigit(ch)) {
          Put(ch);
        } else if (ch == '_' && highKeys) {
          SetLexVar(kMetaware, 1);
        } else {
          break;
        }
        ch = Next();
      }
    }
    if (ch == 'e' || ch == 'E') {
      const int after = Peek(1);
      if (IsDigit(after) || ((after == '+' || after == '-') && IsDigit(Peek(2)))) {
        isFloat = true;
        Put(ch);
        ch = Next();
        if (ch == '+' || ch == '-') {
          Put(ch);
          ch = Next();
        }
        while (IsDigit(ch)) {
          Put(ch);
          ch = Next();
        }
      } else if (!inDirective && !inMacroParams) {
        EndText();
        FatalError(14, "Exponent expected but not found.");
      }
    }
    if (ch == 'f' || ch == 'F') {
      isFloat = floatBySuffix = true;
      SetLexVar(kLexFloat, 1);
      SetLexVar(kSuffix, 1);
      SuffixNext();
    }
  }
  EndText();
  NumberSuffixes();
  return isFloat ? kTokFloat : kTokInt;
}

namespace {

// Fires the escape triggers of a string or character constant read inside a
// macro definition (elsewhere CleanString and Lex2 decode the escapes).
void MacroDefEscapes(const char* text, bool inStr) {
  for (const char* p = text; *p != 0; ++p) {
    if (*p != '\\') continue;
    const int e = static_cast<unsigned char>(p[1]);
    if (e == 0) break;
    p += 1;
    switch (e) {
      case 'a':
      case 'v':
        FireEvent(kAnsiEscape, e);
        FireEvent(kNotKREscape, e);
        continue;
      case 'b': case 'f': case 'n': case 'r': case 't':
      case '\'': case '"': case '\\':
        continue;
      case 'x': {
        int digits = 0;
        int8_t v = 0;
        while (IsHex(static_cast<unsigned char>(p[1]))) {
          v = static_cast<int8_t>(v * 16 + HexDigit(static_cast<unsigned char>(*++p)));
          ++digits;
        }
        FireEvent(kHexEscape, digits);
        if (v != 0) FireEvent(kNumEscape, v);
        else FireEvent(kZeroEscape, inStr ? 2 : 1);
        continue;
      }
      default:
        break;
    }
    if ((e >= '0' && e <= '7') || (!inStr && (e == '8' || e == '9'))) {
      int8_t v = 0;
      int n = 0;
      --p;
      while (n < 3 && (((Bits(static_cast<unsigned char>(p[1])) & kOctal) != 0) ||
                       (!inStr && (p[1] == '8' || p[1] == '9')))) {
        const int d = *++p - '0';
        if (d > 7) FireEvent(kBigOctal, d);
        v = static_cast<int8_t>(v * 8 + d);
        ++n;
      }
      if (v != 0) FireEvent(kNumEscape, v);
      else FireEvent(kZeroEscape, inStr ? 2 : 1);
      continue;
    }
    FireEvent(kNotKREscape, e);
    if (e == '?') FireEvent(kAnsiEscape, e);
  }
}

// Collects the words of a string for lex_str_macro.
struct StrWords {
  bool active;
  char word[128];
  int n;  // -1 in a run that cannot be a name (a leading digit, too long)
  void Add(int ch) {
    const uint8_t b = ch >= 0 ? Bits(ch) : 0;
    if ((b & kWord) == 0) {
      End();
    } else if (n == 0 && (b & kDigit) != 0) {
      n = -1;
    } else if (n >= 0) {
      if (n < static_cast<int>(sizeof word) - 1)
        word[n++] = static_cast<char>(ch);
      else
        n = -1;
    }
  }
  void End() {
    if (n > 0) {
      word[n] = 0;
      if (isMacroHook(word)) SetLexVar(kStrMacro, 1);
    }
    n = 0;
  }
};

// Reads a quoted literal after its opening quote up to the closing one.
// Returns the number of characters as written.
long LexQuoted(int quote, bool* open) {
  StartText();
  long written = 0;
  StrWords words{quote == '"' && isMacroHook != nullptr && lex1_needed && mvNeed[lex1_][kStrMacro] != 0, {}, 0};
  *open = true;
  int ch = Next();
  for (;;) {
    if (ch == quote) {
      *open = false;  // the literal is closed before the next character is read
      Next();
      break;
    }
    if (ch == kEol) {
      Warning(18);
      break;
    }
    if (ch == kEof) {
      if (quote == '\'') Warning(18);
      break;
    }
    if (words.active) words.Add(ch);
    Put(ch);
    ++written;
    if (ch == '\\') {
      ch = Next();
      if (ch == kEol || ch == kEof) continue;
      if (words.active) words.Add(ch);
      Put(ch);
      ++written;
    }
    ch = Next();
  }
  if (words.active) words.End();
  *open = false;
  EndText();
  return written;
}

}  // namespace

int LexString() {
  const long written = LexQuoted('"', &inString);
  if (inMacroDef) MacroDefEscapes(lexTokenValue, true);
  SetLexVar(kStrLength, static_cast<int32_t>(written));
  return kTokString;
}

int LexChar() {
  LexQuoted('\'', &inChar);
  if (inMacroDef) MacroDefEscapes(lexTokenValue, false);
  return kTokChar;
}

namespace {

// Skips blanks and tabs, and comments when lines may end; leaves the next
// character.
int SkipBlanks(bool lineEnds) {
  int ch = lexChar;
  for (;;) {
    if (ch == ' ' || ch == '\t' || (lineEnds && ch >= 0 && kChars.start[ch] == kStartWhite)) {
      ch = Next();
    } else if (ch == '/' && Comment()) {
      ch = lexChar;
    } else {
      return ch;
    }
  }
}

bool inMasm;  // an assembler block is being read: no nested blocks

// The token of a character that stands alone.
int Single(int ch) {
  lexTokenValue[0] = static_cast<char>(ch);
  lexTokenValue[1] = 0;
  return ch;
}

// Steps 4 to 7 of Lex1: skip to the token, hand directive lines over, scan.
// Returns -1 to start again after a directive or a skipped line.
int ScanToken() {
  if (!SkipWhite()) {
    lexTokenValue[0] = 0;
    return 0;
  }
  int ch = lexChar;
  if (ch == kEof) {
    if (checkRules && postamble != 2) {
      postamble = 2;
      return Single('}');
    }
    lexTokenValue[0] = 0;
    return 0;
  }
  if (lexLine != nullptr) lexLine->flags &= ~kLineWhite;
  if (checkForPPD) {
    checkForPPD = false;
    if (ch == '#') {
      if (lexLine != nullptr) lexLine->flags |= kLineDirective;
      lineTokenCount = 1;
      directiveHook();
      return -1;
    }
    if (skippingHook != nullptr && skippingHook()) {
      if (lexLine != nullptr) lexLine->flags |= kLineSuppressed;
      if (skipLineHook != nullptr) skipLineHook();
      return -1;
    }
  }
  if (!inDirective) ++sourceTokens;
  switch (kChars.start[ch]) {
    case kStartIdent:
      if (ch == 'L') {
        const int after = Peek(1);
        if (after == '"' || after == '\'') {
          Next();
          const int code = after == '"' ? LexString() : LexChar();
          isWide = true;
          SetLexVar(kWide, 1);
          return code;
        }
      }
      StartText();
      return LexIdent();
    case kStartDigit:
      return LexNum();
    case kStartOper:
      if (ch == '.' && IsDigit(Peek(1))) return LexNum();
      return LexOperator();
    case kStartString:
      isWide = false;
      return LexString();
    case kStartChar:
      isWide = false;
      return LexChar();
    case kStartHash:
      Next();
      if (inMacroDef) {
        SetPPVar(kPPAnsi);
        if (lexChar == '#') {
          Next();
          SetPPVar(kPPPaste);
          SetText("##");
          return kTokPaste;
        }
        SetPPVar(kPPStringize);
        return Single('#');
      }
      if (vaxKeys && lexChar >= 0 && (Bits(lexChar) & kLetter) != 0) {
        StartText();
        Put('#');
        return LexIdent();
      }
      return Single('#');
    case kStartPunct: {
      Next();
      if (ch == ';' || ch == ',') {
        if (!noWhite) SetLexVar(kPunctBefore, 1);
        if (!IsWhite(lexChar) && lexChar != ch) SetLexVar(kPunctAfter, 1);
      }
      return Single(ch);
    }
    default:
      Next();
      Nonstandard(ch);
      return Single(ch);
  }
}

}  // namespace

int LexMasm() {
  int ch = lexChar;
  // asm followed by a parenthesis is an ordinary asm statement.
  if (tokenFromMacro) {
    if (peekMacroHook != nullptr && peekMacroHook() == '(') return kTokIdent;
    // asm volatile (...): the word is dropped before the parenthesis.
    if (peekMacroTextHook != nullptr) {
      const char* next = peekMacroTextHook();
      while (*next == '_') ++next;
      if (strncmp(next, "volatile", 8) == 0 && (next[8] == 0 || next[8] == '_')) return kTokIdent;
    }
  } else {
    for (int n = 1; ch == ' ' || ch == '\t'; ++n) ch = Peek(n);
    if (ch == '(') return kTokIdent;
  }
  FireEvent(kAssembler, 1);
  char word[8];
  snprintf(word, sizeof word, "%s", lexTokenValue);
  if (inMacroDef) {
    ch = SkipBlanks(false);
    if (ch == '{') {
      int depth = 0;
      for (; ch != kEof && !(inDirective && endPPLine); ch = Next()) {
        if (ch == '{') ++depth;
        else if (ch == '}' && --depth == 0) {
          Next();
          break;
        }
      }
    } else {
      while (ch != kEof && ch != kEol) ch = Next();
    }
  } else {
    const bool saved = inMasm;
    inMasm = true;
    ch = SkipBlanks(true);
    if (ch == '{') {
      for (int code = Lex1(); code != 0 && code != '}'; code = Lex1()) {
      }
    } else {
      while (ch != kEof && ch != kEol && ch != ';' && ch != '}') {
        if (Lex1() == 0) break;
        ch = SkipBlanks(false);
      }
    }
    inMasm = saved;
  }
  SetText(word);
  return kTokAsmBlock;
}

void SkipDirectiveLine() {
  if (lexLine != nullptr) lexLine->flags |= kLineDirective;
  inDirective = true;
  endPPLine = false;
  checkForPPD = false;
  int ch = Next();
  while (ch != kEof && ch != kEol) {
    if (ch == '/' && Comment()) {
      ch = lexChar;
      continue;
    }
    ch = Next();
  }
  inDirective = false;
}

int Lex1() {
  if (errorFlag) return 0;
  if (preamble > 0) {
    static const int codes[5] = {kTokKwInt, kTokIdent, kTokNewParams, ')', '{'};
    static const char* const texts[5] = {"int", "main", "(", ")", "{"};
    const int i = 5 - preamble--;
    SetText(texts[i]);
    return codes[i];
  }
  if (lexLine == nullptr) {
    // The first line of the file is read at the first token.
    if (lexChar != 0 || fileStack == nullptr) return 0;
    Next();
    if (lexLine == nullptr) return 0;
  }
  int code;
  for (;;) {
    if (macroTokenHook != nullptr && (code = macroTokenHook()) != 0) {
      tokenFromMacro = true;
      if (lex2_needed) mvValue[lex2_][kLexMacroToken] = 1;
      break;
    }
    tokenFromMacro = false;
    code = ScanToken();
    if (code < 0) continue;
    if (code == 0) return 0;
    if (!inDirective && lexLine != nullptr) lexLine->flags |= kLineHasCode;
    ++lineTokenCount;
    if (code == kTokIdent && expandAllowed && !fromPaste && expandHook != nullptr) {
      const int result = expandHook();
      if (result == 1) {
        if (inDirective && endPPLine) return 0;
        continue;
      }
      if (result == 0) continue;
    }
    break;
  }
  if (!tokenFromMacro) {
    lex1WhiteAfter = IsWhite(lexChar);
    if (inMacroDef) SetLexVar(kMacroBody, 1);
  }
  if (code == kTokIdent && !inDirective && extendedKeys && !inMasm && IsAsmWord(lexTokenValue))
    code = LexMasm();
  if (lex1_needed) FireLex1();
  if (inMacroDef && code != kTokAsmBlock) ++lexTokenCount;
  return code;
}

// ---- Stage 2 ------------------------------------------------------------------------------

int32_t IntegerValue(const char* text) {
  int base = 10;
  const char* p = text;
  if (p[0] == '0') {
    if (p[1] == 'x' || p[1] == 'X') {
      base = 16;
      p += 2;
    } else if (p[1] == 'b' || p[1] == 'B') {
      base = 2;
      p += 2;
    } else {
      base = 8;
    }
  }
  uint64_t v = 0;
  for (; *p != 0; ++p) {
    const int ch = static_cast<unsigned char>(*p);
    if (!IsHex(ch)) break;
    const int d = HexDigit(ch);
    if (d >= base) break;
    v = v * base + d;
    if (v > 0x7FFFFFFF) return 0x7FFFFFFF;
  }
  return static_cast<int32_t>(v);
}

double FloatValue(const char* text) {
  constexpr double kLimit = 1e37;
  if (text[0] == '_') return kLimit;
  const double v = strtod(text, nullptr);
  if (v > kLimit) return kLimit;
  if (v < -kLimit) return -kLimit;
  return v;
}

int LexEscape(const char* text, int* value, int inStr) {
  const bool macroMark = tokenFromMacro && lex2_needed;
  if (macroMark) mvValue[lex2_][kLexMacroToken] = 1;
  const int e = static_cast<unsigned char>(text[1]);
  int used = 2;
  int v;
  switch (e) {
    case 0: v = '\\'; used = 1; break;
    case 'a': v = 7; break;
    case 'b': v = 8; break;
    case 'f': v = 12; break;
    case 'n': v = 10; break;
    case 'r': v = 13; break;
    case 't': v = 9; break;
    case 'v': v = 11; break;
    case '?': v = '?'; break;
    case 'x': {
      int8_t acc = 0;
      int digits = 0;
      while (IsHex(static_cast<unsigned char>(text[used]))) {
        acc = static_cast<int8_t>(acc * 16 + HexDigit(static_cast<unsigned char>(text[used++])));
        ++digits;
      }
      v = acc;
      if (v != 0) FireEvent(kNumEscape, v);
      else FireEvent(kZeroEscape, inStr ? 2 : 1);
      FireEvent(kHexEscape, digits);
      break;
    }
    default:
      if (e >= '0' && e <= '9') {
        int8_t acc = 0;
        used = 1;
        for (int n = 0; n < 3 && IsDigit(static_cast<unsigned char>(text[used])); ++n) {
          int d = text[used++] - '0';
          if (d > 7) {
            if (inStr) d = 8;
            else FireEvent(kBigOctal, d);
          }
          acc = static_cast<int8_t>(acc * 8 + d);
        }
        v = acc;
        if (v != 0) FireEvent(kNumEscape, v);
        else FireEvent(kZeroEscape, inStr ? 2 : 1);
      } else {
        v = static_cast<signed char>(e);
      }
      break;
  }
  if (e == 'a' || e == 'v' || e == '?') {
    FireEvent(kNotKREscape, e);
    FireEvent(kAnsiEscape, e);
  }
  if (macroMark) mvValue[lex2_][kLexMacroToken] = 0;
  *value = v;
  return used;
}

void CleanString() {
  // The decoded text (rule files) is never longer than the text as written,
  // so it is built in place.
  char* out = lexTokenValue;
  const char* p = lexTokenValue;
  while (*p != 0) {
    const char* at = strchr(p, '\\');
    if (at == nullptr) {
      if (!checkRules) return;
      memmove(out, p, strlen(p) + 1);
      return;
    }
    if (checkRules) {
      memmove(out, p, static_cast<size_t>(at - p));
      out += at - p;
    }
    int v;
    p = at + LexEscape(at, &v, 1);
    if (checkRules) *out++ = static_cast<char>(v);
  }
  if (checkRules) *out = 0;
}

int32_t CharValue(const char* text) {
  if (text[0] == 0) {
    FireEvent(kCharEmpty, 1);
    return 0;
  }
  if (text[0] == '\\') {
    int v;
    LexEscape(text, &v, 0);
    if (checkRules && text == lexTokenValue) {
      lexTokenValue[0] = static_cast<char>(v);
      lexTokenValue[1] = 0;
    }
    return v;
  }
  if (text[1] == 0) return static_cast<signed char>(text[0]);
  uint32_t v = 0;
  for (const char* p = text; *p != 0; ++p) v = (v << 8) | static_cast<unsigned char>(*p);
  FireEvent(kCharLong, 1);
  return static_cast<int32_t>(v);
}

int Lex2(int code, LexValue* value) {
  value->i = 0;
  value->f = 0;
  if (errorFlag) return 0;
  isKeyword = false;
  switch (code) {
    case kTokIdent:
      code = FindCKeyword(lexTokenValue);
      isKeyword = code != kTokIdent;
      if (code == kTokTrue) value->i = 1;
      break;
    case kTokInt:
      value->i = IntegerValue(lexTokenValue);
      break;
    case kTokFloat:
      value->f = FloatValue(lexTokenValue);
      break;
    case kTokChar:
      value->i = CharValue(lexTokenValue);
      break;
    case kTokString:
      CleanString();
      break;
    default:
      break;
  }
  return code;
}

void LexInit() {
  lexChar = 0;
  lexTokenValue[0] = lexPreValue[0] = 0;
  radix = 10;
  isFloat = isUnsigned = floatBySuffix = isWide = isKeyword = false;
  tokenFromMacro = leadComment = noWhite = lex1WhiteAfter = false;
  lexTokenCount = 0;
  inMacroDef = inMacroParams = fromPaste = sqlTypes = inMasm = false;
  expandAllowed = true;
  inString = inChar = inComment = false;
  inDirective = endPPLine = false;
  checkForPPD = true;
  spaceAfter = whiteAfter = 2;
  preamble = checkRules ? 5 : 0;
  postamble = 0;
  LineInit();
  if (lexResetHook != nullptr) lexResetHook();
}

}  // namespace mv
