// The line reader: lines of the current file, the characters it hands to
// the lexer (comments skipped, continuations joined, trigraphs translated),
// the closing of lines with their trigger variables, the listing, and the
// messages attached to lines.
#pragma once

#include <cstdint>
#include <cstdio>

#include "frontend/files.h"

namespace mv {

struct LexToken;  // a token record of the token stream

// Line kind flags.
inline constexpr uint32_t kLinePasteComment = 1u << 16;
inline constexpr int kLineHeaderKindShift = 17;  // bits 17-18
inline constexpr uint32_t kLineRulesApply = 1u << 19;
inline constexpr uint32_t kLineResume = 1u << 20;
inline constexpr uint32_t kLineClosed = 1u << 21;
inline constexpr uint32_t kLineHasComment = 1u << 22;
inline constexpr uint32_t kLineDirective = 1u << 23;
inline constexpr uint32_t kLineWhite = 1u << 24;
inline constexpr uint32_t kLineExecutable = 1u << 25;
inline constexpr uint32_t kLineHasCode = 1u << 26;
inline constexpr uint32_t kLineSuppressed = 1u << 27;
inline constexpr uint32_t kLineMacro = 1u << 28;
inline constexpr uint32_t kLineFlushable = 1u << 29;
inline constexpr uint32_t kLineComplete = 1u << 30;
inline constexpr uint32_t kLineAtEof = 1u << 31;

struct LineMessage {
  LineMessage* next;
  char* text;  // pooled
  int32_t column;
  uint16_t tokenNumber;
  uint32_t lineNumber;
  uint16_t fileIndex, pathIndex;
};

struct SourceLine {
  SourceLine* next;  // newer
  SourceLine* prev;  // older
  char* text;        // the characters without the terminator
  LexToken* start;   // first token made on this line
  LineMessage* messages;
  uint16_t length;
  uint16_t column;   // index of the character last delivered
  uint32_t number;
  uint16_t fileIndex, pathIndex;
  uint16_t dclCount, tokenCount;
  uint32_t nestLevel;
  uint32_t flags;
  char* macroText;
  uint16_t macroTextOffset;
  uint16_t depth;
  uint16_t textRoom;  // bytes the text buffer holds; records and buffers are reused
};

// Cursors.
extern SourceLine* lexLine;   // the newest line, read by the lexer
extern SourceLine* yaccLine;  // the line of the parser's current token
extern SourceLine* thisLine;  // the line that messages and line variables refer to
extern int commentDepth;
extern bool continuation;     // the current character followed a backslash-newline
extern int lineEndIfs;
extern bool inString, inChar, inComment;  // open literals and comments, for the end of a file
extern bool checkForPPD;      // a directive may start at the next character
extern bool inDirective;      // a directive line is being read
extern bool endPPLine;        // the directive line has ended
extern int spaceAfter, whiteAfter;  // 0, 1, or 2 when the token came from a macro
// A token stream follows the lines and closes them as its cursor passes;
// without one, the reader closes each line as the lexer leaves it.
extern bool parserAttached;
// The preprocessor is skipping a group: new lines are suppressed.
extern bool suppressLines;
// The lexer's per-line token count, reset when a line is read.
extern int lineTokenCount;

extern LineMessage* firstMsg;  // messages not tied to a line
extern LineMessage* lastMsg;
extern long srcLines, hdrLines;
extern const char* messFormat;  // "%s(%ld): %s\n"

void InitLines();
void LineInit();

// The lexer has been handed the end of the current line; the line closes when
// the next character is asked for, once the token that ended there is made.
extern bool closePending;

// Characters are delivered as 0..255 (bytes 128-255 are ordinary data),
// 13 for every end of line, and -1 only at the true end of input.
// NextCharSlow handles everything but the plain next character of the line:
// line ends and splices, trigraphs, closing lines and entering headers.
int NextCharSlow();
inline int NextChar() {
  // Most characters are the next one of the line and need nothing else.
  SourceLine* const line = lexLine;
  if (line != nullptr && line->column < line->length && !closePending && !startInclude) {
    const unsigned char next = static_cast<unsigned char>(line->text[line->column + 1]);
    if (next != 0 && next != '\\' && next != '?') {
      ++line->column;
      continuation = false;
      return next;
    }
  }
  return NextCharSlow();
}
// Fast paths of the scanners. PlainAhead gives the text of the lexer line
// after the read position when characters may be taken straight from it (no
// line to close or header to enter first), else null. The characters there,
// up to the first '\\', '?' or NUL, come out of NextChar unchanged, one a
// call; PlainSkip(k) moves the read position over k of them as k calls would.
const char* PlainAhead();
void PlainSkip(int k);
// Moves over the characters of the lexer line up to the first '/', '\\', '?'
// or NUL (or its end); true when one of them was not white space.
bool SkipLineText();
int AdvanceChar();
int Peek(int n);
// The character after the current one as NextChar would deliver it when a
// line splice (a backslash, blanks, the line end) stands between them: then
// the first character of the next line (13 when it is empty, 0 at the end of
// the file). Otherwise the same as Peek(1).
int PeekSpliced();
// The current character is '/': true when it opens a comment.
bool CommentAhead();
// Called with '/' as the current character *c: 0 when no comment starts
// here; otherwise the comment is skipped, *c becomes the character after it
// (13 after a line comment) and the result is the number of lines it spans.
int SkipComment(int* c);
// A token paste formed "//" with c the current character: the rest of the
// line is a line comment. Returns the character that ends it (13, or -1).
int SkipPastedComment(int c);
int GetNewLine();
// Lines of a header that were not read because nothing could see them
// (an include guard's header read again): they count as read.
void CountSkippedLines(uint32_t n);
void AdvanceLexLine();
// The parser passes the end of its line: the line is closed (its line
// rules fire) unless close is false, and the parser goes on to the next.
void AdvanceYaccLine(bool close = true);
// Closes a line the parser has passed without closing it.
void CloseYaccLine(SourceLine* line);
// Rules count the lines of statements (stm_lines): closing a line adds to them.
bool StatementLinesCounted();
void SetLineVariables();

void NewMess(const char* text, SourceLine* line, int column);
void OtherMessages();
void FlushToHere(SourceLine* line);
void FlushAllLines();
void FreeLines(SourceLine* line);
void Free1Line(SourceLine* line);
void FreeMessList(LineMessage* list);

int GetPPLineKind(const char* text);
int GetIncludeInfo(const char* text, char* name, size_t nameSize, int* kind);

// Position of the current line for messages: its file and number.
const char* LineFileName(const SourceLine* line);

}  // namespace mv
