// The parser's driver side: where its tokens come from, the stack limit and
// the syntax error report with its expectation list.
#include "analysis/parser.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "driver/options.h"
#include "driver/run.h"
#include "frontend/lex.h"
#include "frontend/lex2.h"
#include "support/mverror.h"
#include "support/public.h"

namespace mv {

bool zapError;
int syntaxErrors;
int (*parserTokenSource)();

namespace {

// The report being built. The buffer exists from the first report on.
char syntaxText[kMessageBuffer];
bool syntaxBufferMade;
int syntaxLength;
int expectCount;   // words already in the expectation list
int expectColumn;  // output column of the expectation list
int errorToken;    // the token the report is about
// Words that appear at most once per report.
bool idUsed, specUsed, modUsed, numUsed, tdnUsed;

constexpr int kWrapColumn = 76;

// Appends the piece when the whole still fits the buffer with its terminator.
bool Append(const char* piece) {
  const size_t n = strlen(piece);
  if (static_cast<size_t>(syntaxLength) + n >= static_cast<size_t>(kMessageBuffer)) return false;
  memcpy(syntaxText + syntaxLength, piece, n + 1);
  syntaxLength += static_cast<int>(n);
  return true;
}

const char* Once(bool* used, const char* word) {
  if (*used) return nullptr;
  *used = true;
  return word;
}

// The tokens that a rule file can hold; other named tokens are never listed
// while a rule file is compiled.
bool IsRuleToken(int t) {
  return (t >= 257 && t <= 267) || (t >= 269 && t <= 274) || (t >= 277 && t <= 279) ||
         (t >= 302 && t <= 306) || t == 310 || (t >= 324 && t <= 327) || t == 329 || t == 332 ||
         t == 336 || t == 338 || t == 344 || t == 348 || t == 355 || t == 376;
}

}  // namespace

void InitParser() {
  syntaxBufferMade = false;
  syntaxLength = 0;
  syntaxText[0] = 0;
  expectCount = 0;
  zapError = false;
}

[[noreturn]] void ParserStackOverflow() { Panic(31); }

int ParserNextToken() { return parserTokenSource != nullptr ? parserTokenSource() : yylex(); }

int yyparse() { return ParseInput(); }

const char* yydisplay(int t) {
  static char text[16];
  if (checkRules && t >= 257 && !IsRuleToken(t)) return nullptr;
  if (t == 0) return "end-of-line";
  if (t >= 7 && t <= 13) {
    static const char* const escapes[] = {"\\a", "\\b", "\\t", "\\n", "\\v", "\\f", "\\r"};
    return escapes[t - 7];
  }
  switch (t) {
    case 44: return "comma";
    case 46: return "period";
    case 58: return "colon";
    case 59: return "semicolon";
    case 256: case 299: return nullptr;
    case 301: return "EOF";
    case 525: return "end-of-line";
    default: break;
  }
  if (t > 0 && t < 128 && (isalnum(t) || ispunct(t) || t == ' ')) {
    text[0] = static_cast<char>(t);
    text[1] = 0;
    return text;
  }
  if (t < 256) {
    snprintf(text, sizeof text, "CHAR_%d", t);
    return text;
  }
  if (t >= 303 && t <= 306) return Once(&numUsed, "numeric constant");
  if ((t >= 339 && t <= 351) || (t >= 355 && t <= 362) || (t >= 407 && t <= 410))
    return Once(&specUsed, "type specifier");
  if ((t == 353 || t == 354) && ansiKeys) return Once(&specUsed, "type specifier");
  if (t == 390 && CPPKeys) return Once(&specUsed, "type specifier");
  if (t == 518 || (t >= 551 && t <= 553) || (t >= 555 && t <= 562)) return Once(&modUsed, "type modifier");
  if (t == 368) return nullptr;
  if (CPPKeys) {
    switch (t) {
      case 292: if (keyValue == 6) return "="; break;
      case 293: return "colon";
      case 294: return "(C++ initializer)";
      case 295: return "(prototyped fcn param list)";
      case 296: return "(oldstyle fcn param list)";
      case 297: return "(C++ cast or constructor call)";
      case 312: return "cast";
      case 394: return "inline";
      case 405: if (keyValue == 7) return "except"; break;
      case 406: if (keyValue == 7) return "finally"; break;
      default: break;
    }
  } else if ((t >= 280 && t <= 284) || t == 292 || t == 293 || t == 312 || t == 386 || t == 314 ||
             t == 320 || t == 322 || t == 380 || t == 383 || t == 391 || t == 396 || t == 399) {
    // Tokens that only the C++ productions take and that the C dialects
    // never produce: a C report does not offer them.
    return nullptr;
  }
  if (!ansiKeys && (t == 285 || t == 353 || t == 363 || t == 364 || t == 375)) return nullptr;
  if (!extendedKeys && t == 291) return nullptr;
  if (!highKeys && t >= 286 && t <= 290) return nullptr;
  switch (t) {
    case 302: return "string";
    case 309: case 310: return Once(&idUsed, "identifier");
    case 311: if (CPPKeys) return "template parameter"; break;
    case 313: return Once(&tdnUsed, "typedef name");
    case 315: if (CPPKeys) return "current class name"; break;
    case 316: if (CPPKeys) return "scope name"; break;
    case 317: case 318: if (CPPKeys) return "template name"; break;
    case 319: return "tag name";
    default: break;
  }
  const char* spelling = FindString(t);
  while (*spelling == '_') ++spelling;
  if (*spelling != 0) return spelling;
  snprintf(text, sizeof text, "T%d", t);
  return text;
}

void yyerror(int step, int token) {
  if (step != 0 && !syntaxBufferMade) CleanExit(39);
  switch (step) {
    case 0: {
      syntaxBufferMade = true;
      // Words listed by the previous report must not be withheld from this one.
      idUsed = specUsed = modUsed = numUsed = tdnUsed = false;
      syntaxLength = 0;
      syntaxText[0] = 0;
      errorToken = token;
      Append("Syntax error");
      if (yaccTokenValue != nullptr && yaccTokenValue[0] != 0) {
        if (syntaxLength + 4 + strlen(yaccTokenValue) < static_cast<size_t>(kMessageBuffer)) {
          Append(" at ");
          Append(yaccTokenValue);
        }
      }
      // Tokens whose text alone does not say what they were.
      if ((token >= 309 && token <= 311) || token == 313 || (token >= 315 && token <= 319)) {
        const char* word = yydisplay(token);
        if (word != nullptr && word[0] != 'T' &&
            syntaxLength + 3 + strlen(word) < static_cast<size_t>(kMessageBuffer)) {
          Append(" (");
          Append(word);
          Append(")");
        }
      } else if (token >= 294 && token <= 297) {
        static const char* const kinds[] = {"C++ parenthesized initializer)", "function parameter type list)",
                                            "old-style function parameter list)", "C++ constructor call)"};
        Append(kinds[token - 294]);
      }
      expectCount = 0;
      idUsed = specUsed = modUsed = numUsed = tdnUsed = false;
      break;
    }
    case 1: {
      const char* word = yydisplay(token);
      if (word == nullptr || word[0] == 'T') return;
      const int n = static_cast<int>(strlen(word));
      if (expectCount == 0) {
        Append(".\n  Expected ");
        expectColumn = 13;
      } else {
        if (syntaxLength + 3 < kMessageBuffer) Append(", ");
        expectColumn += 2;
      }
      if (expectColumn + n >= kWrapColumn) {
        Append("\n    ");
        expectColumn = n + 4;
      } else {
        expectColumn += n;
      }
      Append(word);
      ++expectCount;
      break;
    }
    default: {
      Append(".");
      if (zapError) {
        zapError = false;
      } else if (yaccPrevType != 368 && yaccPrevType != 371) {
        ++syntaxErrors;
        Advise(0, syntaxText);
        if ((yaccPrevType >= 353 && yaccPrevType <= 414) || (errorToken >= 353 && errorToken <= 414))
          Warning(35);
      }
      syntaxLength = 0;
      syntaxText[0] = 0;
      expectCount = 0;
      break;
    }
  }
}

void SyntaxErrorReport(int token, const int* expected, int count) {
  yyerror(0, token);
  for (int i = 0; i < count; ++i) yyerror(1, expected[i]);
  yyerror(2, 0);
}

}  // namespace mv
