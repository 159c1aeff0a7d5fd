#include "frontend/line.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis/functions.h"
#include "analysis/module.h"
#include "driver/options.h"
#include "driver/run.h"
#include "frontend/files.h"
#include "frontend/lex.h"
#include "frontend/lex2.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "support/mverror.h"
#include "support/public.h"
#include "support/utility.h"

namespace mv {

SourceLine* lexLine;
SourceLine* yaccLine;
SourceLine* thisLine;
int commentDepth;
bool continuation;
int lineEndIfs;
bool inString, inChar, inComment;
bool checkForPPD;
bool inDirective;
bool endPPLine;
bool suppressLines;
int spaceAfter, whiteAfter;
bool parserAttached;
int lineTokenCount;
LineMessage* firstMsg;
LineMessage* lastMsg;
long srcLines, hdrLines;
const char* messFormat = "%s(%ld): %s\n";
bool closePending;

namespace {

// Slots of the variables this reader sets.
enum : int {
  kLinDepth = 3, kLinEnd = 4, kLinHasCode = 5, kLinHasComment = 6, kLinHeader = 8, kLinIncludeKind = 9,
  kLinIsComment = 12, kLinIsWhite = 15, kLinLength = 16, kLinNumber = 18, kLinPreprocessor = 21, kLinSource = 22,
  kLinSuppressed = 23, kLinWithinClass = 25, kLinWithinFunction = 26, kLinWithinTag = 27,
  kLinContinuation = 0, kLinContinues = 1, kLinDclCount = 2, kLinIndentSpace = 10, kLinIndentTab = 11,
  kLinIsExec = 14, kLinNestLevel = 17,
};
enum : int { kLexBackslash = 2, kLexCComment = 5, kLexCppComment = 9, kLexNlEof = 13, kLexNestedComment = 14 };
enum : int { kStmLinesSlot = 21 };
enum : int { kPrjComLines = 3, kPrjExecLines = 7, kPrjTotalLines = 23, kPrjWarnings = 29, kPrjWhiteLines = 30 };

SourceLine* oldestLine;  // the oldest line still held
// lin_continues of the line closed last, which becomes lin_continuation of the next.
bool yaccContinues;

bool CheckingSource() { return notRules && !checkRules; }

bool RulesApply(const SourceLine* line) { return line != nullptr && (line->flags & kLineRulesApply) != 0; }

void FireEvent(int index, int value) {
  if (CheckingSource()) Do1Rule(evt_, index, value, true);
}

void SetLin(int index, int32_t value) {
  mvValue[lin_][index] = value;
  mvPosn[lin_][index] = 0;
}

bool IsAlnum(int c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Counters of a closed line that counts for the statistics.
bool CountedLine(const SourceLine* line) { return line->depth == 0 || countHeaders; }

LineMessage* MakeMessage(const char* text, int column) {
  auto* m = static_cast<LineMessage*>(GetXMem(sizeof(LineMessage)));
  m->text = MakeXString(text);
  if (column > kMaxMessageColumn) column = kMaxMessageColumn;
  m->column = column > 0 ? column - 1 : column;
  return m;
}

std::string MessageFile(const LineMessage* m) {
  std::string s = PathName(m->pathIndex);
  s += FileName(m->fileIndex);
  return s;
}

void WriteMessage(FILE* stream, const std::string& file, long lineNumber, const char* text) {
  if (file.empty())
    fprintf(stream, "%s\n", text);
  else
    fprintf(stream, messFormat, file.c_str(), lineNumber, text);
}

// The marker line under a listed line: tabs kept, other characters blank,
// one letter per message at the first free place at or after its column.
std::string MarkerLine(const SourceLine* line) {
  std::string marker(line->length, ' ');
  for (int i = 0; i < line->length; ++i)
    if (line->text[i] == '\t') marker[i] = '\t';
  int most = 0;
  for (const LineMessage* m = line->messages; m != nullptr; m = m->next)
    if (m->column > most) most = m->column;
  if (most > kMaxLineLength) most = kMaxLineLength;
  if (static_cast<int>(marker.size()) < most) marker.append(most - marker.size(), ' ');
  int i = 0;
  for (const LineMessage* m = line->messages; m != nullptr; m = m->next, ++i) {
    size_t at = m->column > 0 ? static_cast<size_t>(m->column) : 0;
    while (at < marker.size() && marker[at] != ' ') ++at;
    if (at >= marker.size()) marker.append(at + 1 - marker.size(), ' ');
    marker[at] = static_cast<char>('A' + i % 26);
  }
  return marker;
}

// The tokens of a line as they reached the parser, under "  MACRO:" lines of
// at most kMacroListWidth columns. A message made while the parser (or the
// lexer) stood at one of these tokens gets its letter in a marker line under
// that token.
constexpr int kMacroListWidth = 70;

void PutMacroLetter(std::string* marker, size_t at, char letter) {
  while (at < marker->size() && (*marker)[at] != ' ') ++at;
  if (at >= static_cast<size_t>(kMacroListWidth)) return;
  if (at >= marker->size()) marker->resize(at + 1, ' ');
  (*marker)[at] = letter;
}

void ListMacroLine(const SourceLine* line) {
  // Dropped tokens never reach the parser, the end of the module has no text,
  // and the end-of-line token shows only the comment a paste formed.
  auto shown = [line](const LexToken* t) {
    if (t->type == kTokDropped || t->type == kTokEndModule) return false;
    return t->type != kTokEndLine || (line->flags & kLinePasteComment) != 0;
  };
  bool any = false;
  for (const LexToken* t = line->start; t != nullptr && t->line == line && !any; t = t->next) any = shown(t);
  if (!any) return;
  fputs("  MACRO:\t", listFile);
  std::string marker;
  size_t column = 0;
  for (const LexToken* t = line->start; t != nullptr && t->line == line; t = t->next) {
    if (!shown(t)) continue;
    std::string piece;
    if (t->type == kTokEndLine) {
      piece = line->macroText != nullptr ? line->macroText : "";
      // The comment runs on over the source text not yet read when the paste was made.
      if (line->macroTextOffset < line->length) piece += line->text + line->macroTextOffset;
    } else {
      if ((t->type == kTokString || t->type == kTokChar) && t->wide) piece += 'L';
      const char* quote = t->type == kTokString ? "\"" : t->type == kTokChar ? "'" : "";
      piece += quote;
      piece += t->text;
      piece += quote;
      piece += ' ';
    }
    if (column > 0 && column + piece.size() > static_cast<size_t>(kMacroListWidth)) {
      fputs("\n", listFile);
      if (!marker.empty()) fprintf(listFile, "------->\t%s\n", marker.c_str());
      fputs("  MACRO:\t", listFile);
      marker.clear();
      column = 0;
    }
    int i = 0;
    for (const LineMessage* m = line->messages; m != nullptr; m = m->next, ++i)
      if (m->tokenNumber == t->seq) PutMacroLetter(&marker, column, static_cast<char>('A' + i % 26));
    fputs(piece.c_str(), listFile);
    column += piece.size();
  }
  fputs("\n", listFile);
  if (!marker.empty()) fprintf(listFile, "------->\t%s\n", marker.c_str());
}

void ListLine(const SourceLine* line) {
  const bool header = line->depth > 0;
  const bool rulesApply = (line->flags & kLineRulesApply) != 0;
  if ((header && line->number == 1) || (line->flags & kLineResume) != 0) {
    const bool resume = !(header && line->number == 1);
    const char* word = checkRules ? (resume ? "Resume compiling" : "Compiling")
                                  : rulesApply ? (resume ? "Resume checking" : "Checking")
                                               : (resume ? "Resume reading" : "Reading");
    fprintf(listFile, "\n%s\n%s %s%s\n\n", std::string(64, '=').c_str(), word, PathName(line->pathIndex),
            FileName(line->fileIndex));
  }
  const bool suppressed = (line->flags & kLineSuppressed) != 0;
  if (!header) {
    if (suppressed)
      fputs("      - \t", listFile);
    else
      fprintf(listFile, "%7u \t", line->number);
  } else if (suppressed) {
    fprintf(listFile, "%2u    - \t", line->depth);
  } else {
    fprintf(listFile, "%2u%5u \t", line->depth, line->number);
  }
  fprintf(listFile, "%s\n", line->text);
  if (line->messages != nullptr) fprintf(listFile, "------->\t%s\n", MarkerLine(line).c_str());
  if (showMacros && (line->flags & kLineMacro) != 0) ListMacroLine(line);
}

// Freed line records, with their text buffers, are kept for the next lines:
// a line then costs no allocation once the buffers have grown.
struct SpareLines {
  SourceLine* first = nullptr;
  ~SpareLines() {
    while (first != nullptr) {
      SourceLine* next = first->next;
      free(first->text);
      free(first);
      first = next;
    }
  }
};
SpareLines spareLines;

SourceLine* NewLineRecord(size_t n) {
  SourceLine* line = spareLines.first;
  if (line != nullptr) {
    spareLines.first = line->next;
  } else {
    line = static_cast<SourceLine*>(malloc(sizeof(SourceLine)));
    if (line == nullptr) NoMoreMem();
    line->text = nullptr;
    line->textRoom = 0;
  }
  if (line->textRoom < n + 1) {
    // Room for lines up to the longest, in steps that few lines pass.
    const size_t room = n + 1 < 128 ? 128 : (n + 1 + 127) & ~static_cast<size_t>(127);
    char* grown = static_cast<char*>(realloc(line->text, room));
    if (grown == nullptr) NoMoreMem();
    line->text = grown;
    line->textRoom = static_cast<uint16_t>(room);
  }
  char* const text = line->text;
  const uint16_t room = line->textRoom;
  memset(line, 0, sizeof *line);
  line->text = text;
  line->textRoom = room;
  ++mLine1Count;
  ++mLine2Count;
  return line;
}

void FreeLineRecord(SourceLine* line) {
  FreeMessList(line->messages);
  --mLine2Count;
  if (line->macroText != nullptr) FreeXString(line->macroText);
  --mLine1Count;
  line->next = spareLines.first;
  spareLines.first = line;
}

// Closing a line: the line variables and the statistics that both ways of
// closing share.
void CloseCommon(SourceLine* line, bool executableCase) {
  const uint32_t f = line->flags;
  const bool counted = CountedLine(line);
  if ((f & kLineSuppressed) != 0) {
    if (lin_needed) SetLin(kLinSuppressed, 1);
  } else if ((f & kLineDirective) != 0) {
    if (lin_needed) {
      const int kind = GetPPLineKind(line->text);
      SetLin(kLinPreprocessor, kind);
      if (kind == 3 || kind == 16 || kind == 17 || kind == 18) {
        char name[8];
        int includeKind = 0;
        GetIncludeInfo(line->text, name, sizeof name, &includeKind);
        SetLin(kLinIncludeKind, includeKind);
      }
    }
  } else if (executableCase && (f & kLineExecutable) != 0) {
    if (lin_needed) SetLin(kLinIsExec, 1);
    if (counted) {
      ++modData.execLines;
      mvValue[prj_][kPrjExecLines] += 1;
    }
  } else if ((f & kLineWhite) != 0) {
    if (lin_needed) SetLin(kLinIsWhite, 1);
    if (counted) {
      ++modData.whiteLines;
      mvValue[prj_][kPrjWhiteLines] += 1;
    }
  } else if ((f & kLineHasComment) != 0 && (executableCase ? (f & kLineHasCode) == 0 : true)) {
    if (lin_needed) SetLin(kLinIsComment, 1);
    HeaderCommentLine();
    if (counted) {
      ++modData.commentLines;
      mvValue[prj_][kPrjComLines] += 1;
    }
  }
}

void FireLineRules(SourceLine* line) {
  if (lin_needed) {
    SetLin(kLinLength, line->length);
    SetLin(kLinEnd, 1);
  }
  if (RulesApply(line) && CheckingSource()) {
    if ((line->flags & kLineAtEof) != 0) Do1Rule(evt_, kLexNlEof, 1, false);
    if ((line->flags & kLineHasComment) == 0 && mvValue[lin_][kLinHasComment] != 0) {
      mvValue[lin_][kLinHasComment] = 0;
      mvValue[lin_][kLinIsComment] = 0;
    }
    const bool saved = lexRule;
    lexRule = false;
    SourceLine* savedThis = thisLine;
    thisLine = line;
    DoRules(lin_);
    thisLine = savedThis;
    lexRule = saved;
    mvValue[evt_][kLexNlEof] = 0;
  }
  line->flags |= kLineClosed;
}

}  // namespace

// ---- Start-up ------------------------------------------------------------------------------

void InitLines() {
  // Positions of events and the rules-apply test of the dispatcher come from here.
  lexColumnHook = [] { return lexLine != nullptr ? static_cast<int>(lexLine->column) : 0; };
  yaccColumnHook = [] { return 0; };
  lineRulesOffHook = [] { return thisLine != nullptr && (thisLine->flags & kLineRulesApply) == 0; };
  lexLine = yaccLine = thisLine = oldestLine = nullptr;
  firstMsg = lastMsg = nullptr;
  srcLines = hdrLines = 0;
  messFormat = "%s(%ld): %s\n";
  parserAttached = false;
  LineInit();
}

void LineInit() {
  lexLine = yaccLine = thisLine = nullptr;
  oldestLine = nullptr;
  commentDepth = 0;
  continuation = false;
  lineEndIfs = 0;
  inString = inChar = inComment = false;
  checkForPPD = true;
  inDirective = endPPLine = false;
  spaceAfter = whiteAfter = 2;
  lineTokenCount = 0;
  closePending = false;
  yaccContinues = false;
}

// ---- Reading lines --------------------------------------------------------------------------

namespace {

// Reads the rest of the frame's file into memory at its first line: lines are
// then cut out of the buffer instead of being read byte by byte.
void LoadFrameText(FileFrame* frame) {
  frame->loaded = true;
  frame->textLength = frame->textAt = 0;
  FILE* f = frame->stream;
  if (f == nullptr) return;
  // Room for the size the file has now and a little more, so that the read
  // that finds its end is usually the first.
  size_t size = 0, room = 4096;
  struct stat st;
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) room += static_cast<size_t>(st.st_size);
  for (;;) {
    if (size == room) room *= 2;
    char* grown = static_cast<char*>(realloc(frame->text, room + 1));
    if (grown == nullptr) NoMoreMem();
    frame->text = grown;
    const size_t want = room - size;
    const size_t got = fread(frame->text + size, 1, want, f);
    size += got;
    if (got < want) break;
  }
  // A file of 4 GB or more is read up to that bound.
  if (size > UINT32_MAX) size = UINT32_MAX;
  frame->textLength = static_cast<uint32_t>(size);
  frame->plainEnds = PlainLineEnds(frame->text, size);
}

}  // namespace

int GetNewLine() {
  FileFrame* frame = fileStack;
  if (frame == nullptr) LowLevelError(1002);
  if (lexLine != nullptr && (lexLine->flags & kLineComplete) == 0) {
    if (parserAttached) MakeEndLineToken(lexLine);
    lexLine->flags |= kLineComplete;
  }
  if (!frame->loaded) LoadFrameText(frame);
  const char* const begin = frame->text + frame->textAt;
  const char* const end = frame->text + frame->textLength;
  // The line ends at LF or CR (with the other one of a pair after it), at
  // Ctrl-Z (nothing after it is read) or at the end of the file.
  const char* stop = frame->textAt < frame->textLength
                         ? static_cast<const char*>(memchr(begin, '\n', static_cast<size_t>(end - begin)))
                         : nullptr;
  if (stop == nullptr) stop = end;
  if (!frame->plainEnds) {
    if (const void* cr = memchr(begin, '\r', static_cast<size_t>(stop - begin))) stop = static_cast<const char*>(cr);
    if (const void* z = memchr(begin, 26, static_cast<size_t>(stop - begin))) stop = static_cast<const char*>(z);
  }
  const size_t n = static_cast<size_t>(stop - begin);
  if (n > static_cast<size_t>(kMaxLineLength)) Panic(47);
  bool atEnd = false;
  if (stop == end || *stop == 26) {
    atEnd = true;
    frame->textAt = frame->textLength;
  } else {
    const char* after = stop + 1;
    if (after < end && ((*stop == '\n' && *after == '\r') || (*stop == '\r' && *after == '\n'))) ++after;
    frame->textAt = static_cast<uint32_t>(after - frame->text);
  }
  if (atEnd && n == 0 && lexLine != nullptr) return -1;

  SourceLine* line = NewLineRecord(n);
  if (n > 0) memcpy(line->text, begin, n);
  line->text[n] = 0;
  line->length = static_cast<uint16_t>(n);
  line->number = ++frame->lineCount;
  line->fileIndex = frame->fileIndex;
  line->pathIndex = frame->pathIndex;
  line->depth = frame->depth;
  line->flags = kLineWhite | (((frame->flags >> kFrameKindShift) & 3u) << kLineHeaderKindShift);
  if ((frame->flags & kFrameRulesApply) != 0) line->flags |= kLineRulesApply;
  if (suppressLines) line->flags |= kLineSuppressed;
  if (atEnd) line->flags |= kLineAtEof;
  line->prev = lexLine;
  if (lexLine != nullptr) lexLine->next = line;
  if (oldestLine == nullptr) oldestLine = line;
  if (lexLine == nullptr && parserAttached) yaccLine = line;
  lexLine = thisLine = line;
  lineTokenCount = 0;
  mvValue[lin_][kLinNumber] += 1;
  if (!parserAttached) FreeLines(line);
  return n == 0 ? 13 : static_cast<unsigned char>(line->text[0]);
}

namespace {

const char kTrigraphFrom[] = "=(/)'<!>-";
const char kTrigraphTo[] = "#[\\]^{|}~";

}  // namespace

int AdvanceChar() {
  int c;
  if (lexLine == nullptr || lexLine->column >= lexLine->length) {
    c = GetNewLine();
    if (c < 0) return c;
  } else {
    ++lexLine->column;
    c = static_cast<unsigned char>(lexLine->text[lexLine->column]);
    if (c == 0) c = 13;
  }
  if (c == '?' && keyValue != 0 && keyValue != 2 && Peek(1) == '?') {
    const int third = Peek(2);
    const char* at = third > 0 ? strchr(kTrigraphFrom, third) : nullptr;
    if (at != nullptr && *at != 0) {
      if (third == '\'' && inChar) {
        Warning(43);
        return c;
      }
      lexLine->column = static_cast<uint16_t>(lexLine->column + 2);
      c = static_cast<unsigned char>(kTrigraphTo[at - kTrigraphFrom]);
      if (lex1_needed && CheckingSource()) {
        SetMVBoolean(lex1_, 13);                // lex_trigraph
        if (inString) SetMVBoolean(lex1_, 11);  // lex_str_trigraph
      }
    }
  }
  return c;
}

int Peek(int n) {
  if (lexLine == nullptr) return 0;
  const int at = lexLine->column + n;
  if (at < 0 || at > lexLine->length) return 0;
  const int c = static_cast<unsigned char>(lexLine->text[at]);
  return (c == 0 || c == 10 || c == 13) ? 13 : c;
}

int NextCharSlow() {
  if (closePending) {
    closePending = false;
    AdvanceLexLine();
  }
  if (startInclude) {
    startInclude = false;
    DoInclude();
  }
  int c = AdvanceChar();
  for (;;) {
    if (c < 0) {
      if (inString || inChar || inComment) {
        Advise(29, inString ? "String literal terminated by end of file."
                            : inChar ? "Character constant terminated by end of file."
                                     : "Comment terminated by end of file.");
        inString = inChar = inComment = false;
        commentDepth = 0;
      }
      // The end of a header: reading goes on in the including file, whose
      // next line carries the resume banner when headers are listed.
      if (LeaveHeader()) {
        c = AdvanceChar();
        if (c >= 0 && showIncludes && lexLine != nullptr) lexLine->flags |= kLineResume;
        continue;
      }
      return -1;
    }
    continuation = false;
    if (c == 13) {
      checkForPPD = true;
      if (inDirective) endPPLine = true;
      if (lexLine != nullptr && !parserAttached) closePending = true;
      return c;
    }
    if (c != '\\') return c;
    // A backslash with only blanks (not tabs) after it joins the next line.
    int k = 1;
    while (Peek(k) == ' ') ++k;
    if (Peek(k) != 13) return c;
    lexLine->column = static_cast<uint16_t>(lexLine->column + k - 1);
    if (inDirective)
      endPPLine = false;
    else
      FireEvent(kLexBackslash, 1);
    // The continued line ends here.
    lexLine->column = lexLine->length;
    if (!parserAttached) AdvanceLexLine();
    c = AdvanceChar();
    continuation = true;
    // The end of input, a line end or another backslash is looked at again.
    if (c >= 0 && c != 13 && c != '\\') return c;
  }
}

const char* PlainAhead() {
  if (closePending || startInclude || lexLine == nullptr || lexLine->column >= lexLine->length) return nullptr;
  return lexLine->text + lexLine->column + 1;
}

void PlainSkip(int k) {
  lexLine->column = static_cast<uint16_t>(lexLine->column + k);
  continuation = false;
}

namespace {

// Bits of the skippers' character table: where each skipper stops, and
// what it notes about the characters it passes.
enum : uint8_t { kStopLine = 1, kStopBlock = 2, kStopRest = 4, kAlnum = 8, kNotBlank = 16 };

struct SkipChars {
  uint8_t bits[256];
  constexpr SkipChars() : bits{} {
    for (int ch = 0; ch < 256; ++ch) bits[ch] = kNotBlank;
    for (int ch : {32, 9, 10, 11, 12}) bits[ch] = 0;  // blank, tab, LF, VT, FF
    for (int ch = '0'; ch <= '9'; ++ch) bits[ch] |= kAlnum;
    for (int ch = 'a'; ch <= 'z'; ++ch) bits[ch] = bits[ch - 32] = kNotBlank | kAlnum;
    // NextChar's own cases: NUL (a line end), the backslash (92), trigraphs (63 '?').
    for (int ch : {0, 92, 63}) bits[ch] |= kStopLine | kStopBlock | kStopRest;
    bits[static_cast<int>('*')] |= kStopBlock;
    bits[static_cast<int>('/')] |= kStopBlock | kStopRest;
  }
};
constexpr SkipChars kSkipChars;

// Moves over the characters of the lexer line up to the first with a bit of
// stop; returns the other bits of the characters passed.
uint8_t SkipText(uint8_t stop) {
  const char* p = PlainAhead();
  if (p == nullptr) return 0;
  int k = 0;
  uint8_t seen = 0;
  for (uint8_t b; ((b = kSkipChars.bits[static_cast<unsigned char>(p[k])]) & stop) == 0; ++k) seen |= b;
  if (k > 0) PlainSkip(k);
  return seen;
}

// The characters a comment skipper would take one by one without acting on
// them; a letter or digit among them clears the line's white flag. Once the
// flag is clear the characters are only searched for the stop.
void SkipCommentText(uint8_t stop) {
  if ((lexLine->flags & kLineWhite) != 0) {
    SkipText(stop | kAlnum);
    const char* p = PlainAhead();
    if (p == nullptr || (kSkipChars.bits[static_cast<unsigned char>(*p)] & kAlnum) == 0) return;
    lexLine->flags &= ~kLineWhite;
  }
  const char* p = PlainAhead();
  if (p == nullptr) return;
  // The stops other than NUL: '\\' and '?' for NextChar, and for a block
  // comment '*' and '/'.
  const size_t k = strcspn(p, (stop & kStopBlock) != 0 ? "\\?*/" : "\\?");
  if (k > 0) PlainSkip(static_cast<int>(k));
}

void MarkComment(SourceLine* line) {
  if (line == nullptr) return;
  line->flags |= kLineHasComment;
  if (CheckingSource() && RulesApply(line) && lin_needed) SetLin(kLinHasComment, 1);
}

}  // namespace

bool SkipLineText() { return (SkipText(kStopRest) & kNotBlank) != 0; }

int PeekSpliced() {
  const int c = Peek(1);
  if (c != '\\' || lexLine == nullptr || startInclude) return c;
  // The same test as NextChar's: only blanks between the backslash and the line end.
  int k = 2;
  while (Peek(k) == ' ') ++k;
  if (Peek(k) != 13) return c;
  const FileFrame* frame = fileStack;
  if (frame == nullptr || !frame->loaded || frame->textAt >= frame->textLength) return 0;
  const int first = static_cast<unsigned char>(frame->text[frame->textAt]);
  return (first == '\n' || first == '\r' || first == 26 || first == 0) ? 13 : first;
}

bool CommentAhead() {
  const int next = PeekSpliced();
  return next == '*' || next == '/';
}

int SkipPastedComment(int c) {
  MarkComment(lexLine);
  if (CheckingSource() && RulesApply(lexLine)) FireEvent(kLexCppComment, 1);
  for (; c != 13 && c >= 0; c = NextChar())
    if (IsAlnum(c)) lexLine->flags &= ~kLineWhite;
  return c;
}

int SkipComment(int* c) {
  const int next = PeekSpliced();
  if (next != '*' && next != '/') return 0;
  MarkComment(lexLine);
  if (CheckingSource() && RulesApply(lexLine)) FireEvent(next == '/' ? kLexCppComment : kLexCComment, 1);
  // The second character of the opener, which may stand after a line splice.
  if (Peek(1) == next)
    AdvanceChar();
  else
    NextChar();
  if (next == '/') {
    int ch;
    for (;;) {
      SkipCommentText(kStopLine);
      ch = NextChar();
      if (ch == 13 || ch < 0) break;
      if (IsAlnum(ch)) lexLine->flags &= ~kLineWhite;
    }
    *c = ch;
    return 1;
  }
  int span = 1;  // the lines the comment stands on
  commentDepth = 1;
  inComment = true;
  bool newLine = false;
  int ch = NextChar();
  for (;;) {
    if (ch < 0) break;
    if (ch == 13) {
      ++span;
      newLine = true;
      ch = NextChar();
      continue;
    }
    if (newLine) {
      MarkComment(lexLine);
      if (lin_needed && CheckingSource()) SetLineVariables();
      newLine = false;
    }
    if (IsAlnum(ch)) lexLine->flags &= ~kLineWhite;
    if (ch == '*' && PeekSpliced() == '/') {
      NextChar();
      ch = NextChar();
      break;
    }
    if (ch == '/' && PeekSpliced() == '*') {
      NextChar();
      ++commentDepth;
      if (CheckingSource())
        FireEvent(kLexNestedComment, 1);
      else if (checkRules)
        Warning(32);
      ch = NextChar();
      continue;
    }
    SkipCommentText(kStopBlock);
    ch = NextChar();
  }
  inComment = false;
  commentDepth = 0;
  *c = ch;
  return span;
}

// ---- Closing lines ---------------------------------------------------------------------------

void SetLineVariables() {
  const SourceLine* line = thisLine;
  if (line == nullptr) return;
  SetLin(kLinNumber, static_cast<int32_t>(line->number));
  SetLin(kLinHeader, static_cast<int32_t>((line->flags >> kLineHeaderKindShift) & 3u));
  SetLin(kLinSource, line->depth == 0);
  SetLin(kLinDepth, line->depth);
  // Nothing of tags and classes is tracked yet.
  SetLin(kLinWithinFunction, !lexRule && LineWithinFunction(line) ? 1 : 0);
  SetLin(kLinWithinTag, 0);
  SetLin(kLinWithinClass, 0);
}

void CountSkippedLines(uint32_t n) {
  hdrLines += n;
  mvValue[lin_][kLinNumber] += n;
}

void AdvanceLexLine() {
  SourceLine* line = lexLine;
  if (line == nullptr || (line->flags & kLineClosed) != 0) return;
  if (!CheckingSource()) {
    line->flags |= kLineClosed | kLineFlushable;
    return;
  }
  SourceLine* savedThis = thisLine;
  thisLine = line;
  if (lin_needed) SetLineVariables();
  if (CountedLine(line)) {
    ++modData.totalLines;
    mvValue[prj_][kPrjTotalLines] += 1;
  }
  if (lin_needed) {
    if ((line->flags & kLineHasComment) != 0) SetLin(kLinHasComment, 1);
    if ((line->flags & kLineHasCode) != 0) SetLin(kLinHasCode, 1);
  }
  CloseCommon(line, false);
  FireLineRules(line);
  line->flags |= kLineFlushable;
  thisLine = savedThis;
  if (lin_needed) SetLineVariables();
}

void AdvanceYaccLine(bool close) {
  if (close) CloseYaccLine(yaccLine);
  lineEndIfs = 0;
  SourceLine* const passed = yaccLine;
  if (yaccToken != nullptr) yaccToken = yaccToken->next;
  if (yaccToken == nullptr) {
    thisLine = yaccLine = nullptr;
    yaccContinues = lineContinues = false;
  } else {
    if (passed != nullptr && passed != yaccToken->line) PassLinesWithoutTokens(passed->next, yaccToken);
    thisLine = yaccLine = yaccToken->line;
    if (lin_needed) {
      yaccContinues = ExpressionContinues();
      SetLineVariables();
    }
  }
}

bool StatementLinesCounted() { return mvNeed[stm_] != nullptr && mvNeed[stm_][kStmLinesSlot] != 0; }

void CloseYaccLine(SourceLine* line) {
  if (line != nullptr && (line->flags & kLineClosed) == 0 && CheckingSource()) {
    SourceLine* savedThis = thisLine;
    thisLine = line;
    if (lin_needed) SetLineVariables();
    const bool counted = CountedLine(line);
    if (line->depth > 0)
      ++hdrLines;
    else
      ++srcLines;
    if (counted) {
      ++modData.totalLines;
      mvValue[prj_][kPrjTotalLines] += 1;
    }
    const uint32_t f = line->flags;
    if (lin_needed && (f & kLineSuppressed) == 0 && line->start != nullptr && line->start->type != kTokEndLine) {
      LexToken* savedToken = yaccToken;
      yaccToken = line->start;
      int spaces = 0, tabs = 0;
      for (const char* p = line->text; *p == ' ' || *p == '\t'; ++p) (*p == ' ' ? spaces : tabs) += 1;
      if (spaces != 0) SetLin(kLinIndentSpace, spaces);
      if (tabs != 0) SetLin(kLinIndentTab, tabs);
      SetLin(kLinNestLevel, static_cast<int32_t>(line->nestLevel));
      if (yaccContinues) SetLin(kLinContinuation, 1);
      if (ExpressionContinues()) SetLin(kLinContinues, 1);
      if ((f & kLineHasCode) != 0) SetLin(kLinHasCode, 1);
      yaccToken = savedToken;
    }
    if (lin_needed && (f & kLineHasComment) != 0) SetLin(kLinHasComment, 1);
    CloseCommon(line, true);
    if (StatementLinesCounted()) DoStmLines();
    if (lin_needed) SetLin(kLinDclCount, line->dclCount);
    if (RulesApply(line)) {
      FireLineRules(line);
    } else {
      if (lin_needed) {
        SetLin(kLinLength, line->length);
        SetLin(kLinEnd, 1);
      }
      // Only rules read the line variables.
      if (rulesLoaded) ZeroVars(lin_);
      line->flags |= kLineClosed;
    }
    thisLine = savedThis;
  }
}

// ---- Messages -------------------------------------------------------------------------------------

namespace {

// The sequence number the token the lexer is making will get on the line: the
// macro listing marks messages by the tokens the parser gets, which an
// expansion makes more or fewer than the line's source tokens. A message made
// inside a macro call goes to the first token of its expansion.
uint16_t LexerTokenNumber(const SourceLine* line) {
  if (!parserAttached) return static_cast<uint16_t>(lineTokenCount);
  return static_cast<uint16_t>(lexicalToken != nullptr && lexicalToken->line == line ? lexicalToken->seq + 1 : 1);
}

}  // namespace

void NewMess(const char* text, SourceLine* line, int column) {
  if (text == nullptr) LowLevelError(1000);
  LineMessage* m = MakeMessage(text, column);
  if (line != nullptr) {
    m->lineNumber = line->number;
    m->fileIndex = line->fileIndex;
    m->pathIndex = line->pathIndex;
    m->tokenNumber = static_cast<uint16_t>(lexRule || yaccToken == nullptr ? LexerTokenNumber(line) : yaccToken->seq);
    LineMessage** tail = &line->messages;
    while (*tail != nullptr) tail = &(*tail)->next;
    *tail = m;
  } else {
    if (lastMsg == nullptr) {
      if (firstMsg != nullptr) LowLevelError(1001);
      firstMsg = m;
    } else {
      lastMsg->next = m;
    }
    lastMsg = m;
  }
  if (modData.warnings == 0) fputs("\n", out);
  ++modData.warnings;
  ++prjWarnings;
  if (mvValue[prj_] != nullptr) mvValue[prj_][kPrjWarnings] += 1;
}

void OtherMessages() {
  if (firstMsg == nullptr) return;
  fputs("\n", out);
  const std::string file = MessageFile(firstMsg);
  for (LineMessage* m = firstMsg; m != nullptr; m = m->next) {
    MV_LOOP_CHECK(m->next, firstMsg);
    if (listFile != nullptr) fprintf(listFile, "   %s\n", m->text);
    WriteMessage(out, file, static_cast<long>(m->lineNumber), m->text);
  }
  FreeMessList(firstMsg);
  firstMsg = lastMsg = nullptr;
  fflush(out);
}

void FreeMessList(LineMessage* list) {
  LineMessage* head = list;
  while (list != nullptr) {
    LineMessage* next = list->next;
    MV_LOOP_CHECK(next, head);
    FreeXString(list->text);
    FreeXMem(list, sizeof(LineMessage));
    list = next;
  }
}

// ---- Writing and freeing lines ----------------------------------------------------------------------

void Free1Line(SourceLine* line) {
  const bool listed = listFile != nullptr && (line->depth == 0 || showIncludes);
  if (listed) ListLine(line);
  int i = 0;
  for (LineMessage* m = line->messages; m != nullptr; m = m->next, ++i) {
    if (listed) fprintf(listFile, "%c: %s\n", 'A' + i % 26, m->text);
    WriteMessage(out, MessageFile(m), static_cast<long>(m->lineNumber), m->text);
  }
  if (listed && line->messages != nullptr) fputs("\n", listFile);
  if (line->messages != nullptr) fflush(out);
  if (parserAttached) FreeLineTokens(line);
  if (thisLine == line) thisLine = nullptr;
  if (yaccLine == line) yaccLine = nullptr;
  if (lexLine == line) lexLine = nullptr;
  FreeLineRecord(line);
}

void FreeLines(SourceLine* line) {
  SourceLine* keep = nullptr;
  for (SourceLine* p = line; p != nullptr; p = p->prev) {
    if ((p->flags & kLineFlushable) != 0 && (p->flags & kLineComplete) != 0) {
      keep = p;
      break;
    }
  }
  if (keep == nullptr || oldestLine == nullptr || keep == oldestLine) return;
  SourceLine* p = oldestLine;
  while (p != keep) {
    SourceLine* next = p->next;
    Free1Line(p);
    p = next;
  }
  keep->prev = nullptr;
  oldestLine = keep;
}

void FlushToHere(SourceLine* line) {
  if (line == nullptr) return;
  line->flags |= kLineFlushable;
  FreeLines(line);
}

void FlushAllLines() {
  SourceLine* p = oldestLine;
  while (p != nullptr) {
    SourceLine* next = p->next;
    Free1Line(p);
    p = next;
  }
  oldestLine = lexLine = yaccLine = thisLine = nullptr;
}

// ---- Directive lines -----------------------------------------------------------------------------------

int GetPPLineKind(const char* text) {
  static const char* const kinds[] = {"define", "undef",  "include",   "if",         "ifdef",
                                      "ifndef", "else",   "elif",      "endif",      "pragma",
                                      "line",   "error",  "asm",       "endasm",     "import",
                                      "c_include", "r_include", "rc_include", "include_next", "option"};
  if (text == nullptr) return 0;
  // The directive sign may be written as the trigraph ??= where trigraphs apply.
  const char* p = strchr(text, '#');
  const char* tri = keyValue != 0 && keyValue != 2 ? strstr(text, "?\?=") : nullptr;
  if (tri != nullptr && (p == nullptr || tri < p)) p = tri + 2;
  if (p == nullptr) return 0;
  ++p;
  while (*p == ' ' || *p == '\t') ++p;
  size_t n = 0;
  while (p[n] == '_' || IsAlnum(static_cast<unsigned char>(p[n]))) ++n;
  for (size_t i = 0; i < sizeof kinds / sizeof kinds[0]; ++i)
    if (strlen(kinds[i]) == n && strncmp(p, kinds[i], n) == 0) return static_cast<int>(i) + 1;
  return 0;
}

int GetIncludeInfo(const char* text, char* name, size_t nameSize, int* kind) {
  *kind = 0;
  if (nameSize > 0) name[0] = 0;
  const char* p = text != nullptr ? strstr(text, "include") : nullptr;
  if (p == nullptr) return 0;
  p += 7;
  while (*p == ' ' || *p == '\t') ++p;
  *kind = *p == '"' ? 1 : 2;
  if (*p == '"' || *p == '<') ++p;
  size_t n = 0;
  while (p[n] != 0 && p[n] != '"' && p[n] != '>') ++n;
  if (nameSize > 0) {
    const size_t k = n < nameSize - 1 ? n : nameSize - 1;
    memcpy(name, p, k);
    name[k] = 0;
  }
  return *kind;
}

const char* LineFileName(const SourceLine* line) { return line != nullptr ? FileName(line->fileIndex) : ""; }

}  // namespace mv
