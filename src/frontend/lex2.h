// The token stream between the lexer and the parser: a look-ahead chain of
// one statement, token records, and the token-level trigger variables.
#pragma once

#include <cstdint>

namespace mv {

struct SourceLine;
struct Declarator;

// Codes the token stream makes, beyond the lexer's.
enum : int {
  kTokDestroy = 280, kTokTemplateClose = 284, kTokBorlandEq = 292,
  kTokAt = 300, kTokAsmSkipped = 370, kTokAccess = 399, kTokDropped = 550,
  // A member function body skipped in its class, and the start of one such
  // body replayed at the class's end.
  kTokSkippedBody = 580, kTokDeferredBody = 581,
};

// Flags of a token record.
enum : uint8_t {
  kTokWhiteBefore = 1, kTokWhiteAfter = 2, kTokBlankBefore = 4, kTokBlankAfter = 8,
  kTokFromMacro = 16, kTokIsKeyword = 32, kTokCounted = 64,
};

struct LexToken {
  LexToken* next;
  char* text;        // `inline_` for short texts, else pooled
  SourceLine* line;  // the line the token was read on
  int32_t type;      // rewritten in place by re-classification
  uint16_t column;   // read position of the line when the token ended
  uint16_t position; // the lexer's token count at creation (lex_token)
  uint16_t seq;      // 1 for the line's first token
  uint8_t flags;
  uint8_t nextChar;  // the source character after the token
  union {
    int64_t i;
    double f;
  } value;
  // An identifier: the declaration its lookup found when the parser was
  // handed it; null when none was found.
  Declarator* declaration;
  int32_t wide;
  uint16_t length;
  char inline_[22];
};

// Cursors of the chain.
extern LexToken* lexicalToken;   // newest token
extern LexToken* yaccToken;      // the parser's current token
extern LexToken* yaccPrevToken;
extern int yaccTokenType, yaccPrevType;
extern const char* yaccTokenValue;  // text of the current token ("" when none)
extern const char* yaccPreValue;
extern int lexPrevType, lexSaveType;
extern int spaceBefore, whiteBefore;
extern char saveKeyword[128];
// The parser's block nesting; a line takes it when its first token is given.
extern uint32_t yaccNestLevel;
// The expression on the parser line goes on to the next line (set by the parser).
extern bool lineContinues;
// The parser line's expression goes on: set by the parser, or the line ends
// inside the parentheses of an expression.
bool ExpressionContinues();
// Initializer nesting, kept by the parser.
extern int initLevel;
// Statement expressions open, kept by the parser: the lines of the statement
// around one stay while its inner statements end.
extern int gnuBlockDepth;
// Options of skip_nonansi_ident.
extern bool skipIdentAt, skipIdentDollar, skipIdentAccentGrave;
// The value of the last constant handed to the parser, and the current token record.
extern int64_t yylvalInt;
extern double yylvalFloat;
extern LexToken* yylvalToken;

// Start-up of the run: installs the built-ins and the stream into the line reader.
void InitTokens();
// Per module: empties the chain and its cursors.
void TokenInit();

int Lex3(int64_t* value, double* fvalue);
void LexAhead();
int Lex4();
int yylex();
// The code of the token after the parser's current one, end-of-line tokens
// skipped, reading ahead when needed; 0 when none. `label` names the caller.
int PeekYaccType(const char* label, LexToken** token);
// The next token after t, end-of-line and dropped tokens skipped; null at the end of the chain.
LexToken* NextToken(LexToken* t);
// Re-classifies the parser's current token in place.
void EditYaccToken();
// The rule function new_type.
void NewCType(const char* name, int kind);
void DoIgnore(const char* word);
bool IsIgnored(const char* word);

// The re-classification that needs the parser's state (identifiers and the
// codes it decides from declarations and scopes). The parser installs it;
// it is called for the tokens EditYaccToken leaves to it, and returns the new
// code. Null: tokens keep the lexer's code.
extern int (*reclassifyHook)(LexToken* token);
// Called before a line's tokens go back to the pool, so that the parser's
// side can drop the token records it still points to. Null: nothing to drop.
extern void (*lineTokensFreedHook)(const SourceLine* line);
// While lexical rules run: the name of the macro being expanded (op_function).
extern const char* (*expandingMacroHook)();
// The code of the next pending token of the expansion being delivered, any
// macro names at its front expanded first; 0 when none is pending. Null:
// the pending token as it is (peekMacroHook).
extern int (*peekExpandedHook)();
// Otherwise: the name of the current declarator (op_function).
extern const char* (*declaratorNameHook)();

// Member function bodies written in their class are read at the class's
// end. OpenClassBody and CloseClassBody mark a C++ class body's start
// (after its '{') and end. SkipDeferredBody passes over the body of the
// function that starts at the parser's current token (its '{', or the ':'
// of a constructor's initializers), makes its closing '}' the current token
// and returns it; null (nothing skipped) when the body does not end before
// the module does. The body's lines are kept, and not closed, until it is
// read. Before the class's '}' the skipped bodies are handed over again,
// the last one first, each after a kTokDeferredBody token, whose function
// DeferredBodyFunction gives.
void OpenClassBody();
void CloseClassBody();
LexToken* SkipDeferredBody(Declarator* function);
Declarator* DeferredBodyFunction();
bool ReplayingBodies();
// A syntax error left skipped bodies unread: lines may go again, and
// bodies being read are left for the class's '}'.
void DropDeferredBodies();

// Line reader side: the end-of-line token of a completed line, and the
// release of a freed line's tokens.
// A line on which no token was made gets no end-of-line token when its
// closing shows only in the counts: no rule reads the line variables or
// watches lines, and no pasted comment is listed at its end. The parser
// passes such lines on its way from one token to the next, and
// PassLinesWithoutTokens closes them then, from the line `from` up to the
// line of the token `to` (that line too when only the end of the module
// stands on it), as their end-of-line tokens would have.
void MakeEndLineToken(SourceLine* line);
void PassLinesWithoutTokens(SourceLine* from, const LexToken* to);
void FreeLineTokens(SourceLine* line);

}  // namespace mv
