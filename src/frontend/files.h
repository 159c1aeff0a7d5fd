// The file stack from which the line reader reads, the run-wide tables of
// file and directory names that lines and messages refer to by index, and the
// include files: reading an include's name, searching for the header,
// deciding whether rules apply to it, entering it and leaving it.
#pragma once

#include <cstdint>
#include <cstdio>

namespace mv {

struct HeaderFile;  // a header read for the run

// Flag bits of a file frame.
inline constexpr uint32_t kFrameInherit = 1u << 25;
inline constexpr int kFrameLevelShift = 26;      // bits 26-27: check level
inline constexpr int kFrameKindShift = 28;       // bits 28-29: 0 module, 1 "..", 2 <..>
inline constexpr uint32_t kFrameRulesApply = 1u << 30;
inline constexpr uint32_t kFrameExcluded = 1u << 31;

// Files open at once: the module and at most 199 nested headers. A header
// that would be the 201st open file is fatal error 8 "Too many files.", so a
// file that includes itself without a guard ends the run at include depth
// 200 (the module being depth 0) instead of exhausting the process.
inline constexpr int kMaxOpenFiles = 200;

// Include kinds (bits 28-29 of a frame, bits 17-18 of a line).
enum : int { kIncModule = 0, kIncQuoted = 1, kIncAngle = 2 };

// Directive codes that lead to PrepInclude.
enum : int {
  kDirInclude = 508, kDirCInclude = 513, kDirRInclude = 514, kDirRCInclude = 515, kDirIncludeNext = 516,
  kDirImport = 568,
};

struct FileFrame {
  FileFrame* next;  // the including file's frame
  FILE* stream;
  uint16_t pathIndex;
  uint16_t fileIndex;
  uint32_t lineCount;
  uint32_t flags;
  uint16_t depth;
  // The file's bytes, read whole at its first line by the line reader
  // (malloc'd; freed by PopFile), and the read position in them.
  char* text;
  uint32_t textLength;
  uint32_t textAt;
  bool loaded;
  bool plainEnds;  // the text holds neither CR nor Ctrl-Z: lines end at LF alone
  // A header's text is the run's copy (text points into it), not the frame's own.
  HeaderFile* header;
  // What reading the header shows of its include guard (files.cpp): the
  // state at its entry, and how far the #ifndef-#endif pattern has been seen.
  long warningsAtEntry;
  unsigned long tokensAtEntry;
  int conditionsAtEntry;
  int guardState;  // 0 nothing yet, 1 in the guarded group, 2 after it, -1 no guard
  char guardName[64];
};

extern FileFrame* fileStack;
extern int nFiles, nPaths;  // slots in use, slot 0 being the empty name

// The include machinery's state.
extern bool startInclude;         // the prepared header is entered before the next character
extern FileFrame* nextHeader;     // the frame prepared by the last successful search
extern const char* headerName;    // the current header's file name ("" in the module)
extern const char* headerPath;    // and its directory
extern int startList;             // search-list entry of the last find, -1 for none (include_next)

void InitFiles();
// Before each module's first line: forgets the previous module's headers and
// enters the first forced header, if any.
void StartForcedIncludes();
int AddFileName(const char* name, bool* isNew);  // index 1..3999
int AddPathName(const char* name);               // index 1..127, 0 for none
const char* FileName(int index);
const char* PathName(int index);
FileFrame* NewFile(const char* name, const char* path, FILE* stream);  // pushed on top
void PopFile();
int FileStackDepth();

// ---- Include files ------------------------------------------------------------

// Called by the directive processor for #include, its variants (c_include,
// r_include, rc_include, include_next) and #import, with the directive code.
// On entry lexChar is the character after the directive word; the name is
// read from the line, and lexChar is left on the character after it (the
// rest of the line is the caller's). Returns 1 when a header was found and
// prepared: it is entered before the next character is read. Returns 0 when
// it was not found (warning 23, already reported) or is not read again (-G).
int PrepInclude(int directiveCode);
// #import (Microsoft dialect): PrepInclude without the pp_include triggers.
int ImportFile();
// EXEC SQL INCLUDE name; the name is searched like one in angle brackets
// and entered before the next character, as for #include.
int SqlInclude(const char* name);
// A forced header: the same search for a name and kind; 1 when prepared.
int ForcedInclude(const char* name, int kind);
// Enters the prepared header: its frame goes on top of the file stack.
void DoInclude();
// At the end of a file: when it is a header, leaves it (the module's header
// list, the pop, the progress line, the next forced header, pp_include_depth)
// and returns true so that reading goes on in the including file.
bool LeaveHeader();

// Seam for include names that come from a macro expansion. When the name
// starts with an identifier (and no dialect form applies), PrepInclude asks
// this hook for the expanded tokens of the rest of the line, one per call:
// it returns the token's code (302 for a string, the character for a
// punctuator, 0 at the end of the line), puts its text into text, and sets
// *whiteBefore when white space preceded it. The text of a string token may
// keep its quotes. Null: macro names are not expanded here, and such a line
// is fatal error 2.
extern int (*includeTokenHook)(char* text, size_t size, bool* whiteBefore);

// True when lines of the text can only end at LF.
bool PlainLineEnds(const char* text, size_t length);

// Headers are looked for and read once a run; a rule that may change files
// (exec, a file opened for writing) makes the search and the reading start
// afresh.
void ForgetHeaderFiles();

// result = directory (if any), then the relative directory part when useRelative.
void MakeTotalPath(const char* directory, const char* relative, char* result, size_t size, bool useRelative);

// After each directive line of a header: whether it began while lines were
// read (not skipped), and for an #ifndef the name it tested.
void NoteDirective(bool startedActive, const char* ifndefName);

// The module's list of headers read to their end.
void AddHeader(const char* name);
int TestHeader(const char* name);        // 1 when read in this module (the rule function included)
int ReadHeadersOnce(int fileIndex);      // -G: 1 when this file is not to be read again
void ClearModuleHeaders();

// Header settings made by rules.
void SetHeaderOptS(const char* name, int kind, int value, int flag);
void AddForcedHeader(const char* name, int kind);
void DelForcedHeader(const char* name, int kind);
void Remove1HeaderPath();

}  // namespace mv
