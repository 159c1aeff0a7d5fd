// The lexer: characters from the line reader become tokens in two stages.
// Lex1 recognises the form of a token and leaves its text in lexTokenValue;
// Lex2 gives it its meaning (keyword codes, constant values, escapes).
// The keyword tables of the twelve dialects live in keywords.cpp.
#pragma once

#include <cstdint>

namespace mv {

// Token codes shared by the lexer, the token stream and the parser.
enum : int {
  kTokEnd = 0,
  kTokOrOr = 257, kTokAndAnd = 258, kTokEq = 259, kTokNe = 260, kTokLe = 261, kTokGe = 262,
  kTokShl = 263, kTokShr = 264, kTokInc = 265, kTokDec = 266, kTokArrow = 268,
  kTokAddAsg = 270, kTokSubAsg = 271, kTokMulAsg = 272, kTokDivAsg = 273, kTokModAsg = 274,
  kTokShlAsg = 275, kTokShrAsg = 276, kTokAndAsg = 277, kTokXorAsg = 278, kTokOrAsg = 279,
  kTokScope = 281, kTokDotStar = 282, kTokArrowStar = 283, kTokEllipsis = 285, kTokDotDot = 286,
  kTokLeftArrow = 287, kTokFatArrow = 289, kTokColonGt = 291,
  kTokParenInit = 294, kTokNewParams = 295, kTokOldParams = 296, kTokCtorCall = 297,
  kTokIntrinsic = 299,
  kTokEndModule = 301,
  kTokString = 302, kTokInt = 303, kTokNan = 304, kTokChar = 305, kTokFloat = 306,
  kTokTrue = 307, kTokFalse = 308,
  kTokIdent = 310,
  kTokKwInt = 355,
  kTokAsmBlock = 369,
  kTokStatistic = 376, kTokFILE = 410,
  kTokPPOther = 512,
  kTokExec = 517,
  kTokPaste = 520,
  kTokEndLine = 525,
};

inline constexpr int kMaxNewKeywords = 64;  // words added by new_type

// ---- Lexer state ------------------------------------------------------------

extern char* lexTokenValue;  // text of the current token (kLexBuffer bytes)
extern char* lexPreValue;    // text of the previous token; the token stream swaps the two
extern int lexChar;          // the current character: 0..255, 13 at a line end, -1 at the end
extern int radix;            // of the last number: 2, 8, 10 or 16
extern bool isFloat, isUnsigned, floatBySuffix;
// The suffix letters of the last number as written (the token text has none):
// the preprocessor needs them to stringize and paste numbers.
extern char lexNumberSuffix[8];
extern bool isWide;          // the last string or character constant had the L prefix
extern bool isKeyword;       // Lex2 found the last identifier in a keyword table
extern bool tokenFromMacro;  // the current token came from a macro expansion
extern bool leadComment;     // a comment preceded the token
extern bool noWhite;         // no white space preceded the token
extern bool lex1WhiteAfter;  // white space follows the token
extern int lexTokenCount;    // tokens of the macro definition being read
extern unsigned long sourceTokens;  // tokens begun in the source outside directives
extern int preamble;         // rule files: tokens of the preamble still to give
extern int postamble;        // rule files: 2 once the closing brace after the end was given

// State that the preprocessor and the macro expander set while they drive the
// lexer; the lexer only reads it.
extern bool inMacroDef;      // a #define body is being read: the line end ends it
extern bool inMacroParams;   // macro arguments are being collected
extern bool expandAllowed;   // identifiers are offered to the macro expander
extern bool fromPaste;       // the characters come from a paste buffer
extern bool sqlTypes;        // an embedded SQL statement is being read: all SQL words are keywords

// ---- Hooks of the layers above --------------------------------------------

// Handles a whole directive line; called with lexChar == '#' at the start of
// a line, and leaves in lexChar the character that ends the line (13 or -1).
// The default marks the line as a directive and skips it.
extern void (*directiveHook)();
// While the preprocessor skips a group: true when the line just begun is to
// be skipped; then skipLineHook skips it. Null: never skipping.
extern bool (*skippingHook)();
extern void (*skipLineHook)();
// Pending macro tokens: puts the next one into lexTokenValue and returns its
// code, or returns 0 when none is pending. Null: none ever pending.
extern int (*macroTokenHook)();
// The code of the next pending macro token, 0 when none. Null: none.
extern int (*peekMacroHook)();
// The text of the next pending macro token, "" when none. Null: none.
extern const char* (*peekMacroTextHook)();
// Offers an identifier (text in lexTokenValue) to the macro expander. Returns
// 0 when it expanded into pending tokens, 1 when into nothing, 2 or more when
// the identifier stays. Null: no expansion.
extern int (*expandHook)();
// True when a word is a defined macro (lex_str_macro). Null: none is.
extern bool (*isMacroHook)(const char* name);
// Resets the layers above at each LexInit (token stream, preprocessor,
// declarations). Null: nothing more to reset.
extern void (*lexResetHook)();

// ---- Interfaces -------------------------------------------------------------

// Per module and per rule file: resets the lexer and the line reader.
void LexInit();
int Lex1();
struct LexValue {
  int32_t i;  // integer and character constants, true and false
  double f;   // floating constants
};
int Lex2(int code, LexValue* value);

int LexNum();
int LexString();
int LexChar();
int LexMasm();
// Decodes the escape at text (a backslash); fires the escape triggers.
// Returns the number of characters consumed, the backslash included.
int LexEscape(const char* text, int* value, int inString);
// Checks the escapes of the string in lexTokenValue; in rule files it also
// replaces the text by the decoded characters.
void CleanString();

// The value conversions of Lex2 on a token text. CharValue fires the
// triggers of empty and multi-character constants and of escapes.
int32_t IntegerValue(const char* text);
double FloatValue(const char* text);
int32_t CharValue(const char* text);

// Sets a lex1_ variable when lexical variables are needed, with the
// lexer's position.
void SetLexVar(int index, int32_t value);

// Default directive handling: marks the line and skips it with its
// continuations.
void SkipDirectiveLine();

// ---- Keyword tables (keywords.cpp) ------------------------------------------

int FindCKeyword(const char* word);
// A keyword of Standard C++ (-K4) whatever the dialect, or 310.
int FindStdCppKeyword(const char* word);
int FindPPKeyword(const char* word);
const char* FindString(int code);
// Keywords added by the rule function new_type.
bool AddNewKeyword(const char* word, int code);
int FindNewKeyword(const char* word);  // its code, or 0
int NewKeywordCount();
const char* FirstNewKeyword(int code);  // the first word added with the code, or null
void ClearNewKeywords();

}  // namespace mv
