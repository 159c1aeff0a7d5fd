// Pooled memory with exact accounting, the shared cell lists, pooled strings,
// the string functions many subsystems share, and file opening.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace mv {

// ---- Plain and pooled allocation -------------------------------------------

inline constexpr int kPoolClasses = 15;   // size classes 0..14 are pooled
inline constexpr int kPooledLimit = 120;  // sizes from here on are direct

void InitMem();
void* GetMem(size_t count, size_t size);  // zero-filled; ends the run when exhausted
void FreeMem(void* block);
void* GetXMem(size_t size);               // zero-filled pooled block
void FreeXMem(void* block, size_t size);  // size must be the one given to GetXMem
[[noreturn]] void NoMoreMem();

extern long netXMem;                   // bytes requested minus bytes released
extern long memUsed[kPoolClasses];     // blocks in use per class
extern long memTotal[kPoolClasses];    // blocks obtained from the system per class

// Counters of live records, one per kind.
extern long mStrCount, mCellCount, mLexBufCount, mLine1Count, mLine2Count, mPPTCount,
    mTokCount, mFileCount, mDeclCount, mTypeCount, mTagCount, mTListCount, mNSpaceCount;

// ---- Pooled strings ----------------------------------------------------------

// The one shared empty string; it stands for both "" and an absent string.
extern char* const NullXString;
char* MakeXString(const char* text);
void FreeXString(char* text);
char* AppendXString(char* s, const char* t);  // new pooled s + t; frees s

// ---- Cell lists (next pointer first) ------------------------------------------

struct StrCell {
  StrCell* next;
  char* name;  // pooled
  intptr_t value;
};
StrCell* NewStrCell(const char* name);
void FreeStrCells(StrCell* list);
StrCell* CopyStrList(const StrCell* list);
StrCell* AppendCell(StrCell** list, const char* name);   // at the tail
StrCell* PrependCell(StrCell** list, const char* name);  // at the head
int CountCells(const StrCell* list);

struct GenCell {
  GenCell* next;
  intptr_t word;
};
GenCell* NewGenCell(intptr_t word);
void PushGenCell(GenCell** stack, intptr_t word);  // save a value on a stack
intptr_t PopGenCell(GenCell** stack);              // restore it (0 when empty)
GenCell* AppendGenCell(GenCell** list);            // new zeroed cell at the tail
void FreeGenList(GenCell* list);

struct TagCell {
  TagCell* next;
  void* tag;
  intptr_t word;
};
TagCell* NewTagCell(void* tag, intptr_t word);
void FreeBaseList(TagCell* list);

struct PPToken {
  PPToken* next;
  char* text;  // pooled
  unsigned kind : 12;
  unsigned flag1 : 1;
  unsigned flag2 : 1;
  unsigned flag3 : 1;
};
PPToken* NewToken(int kind, const char* text);
void FreeToken(PPToken* token);
void FreeTokenList(PPToken* list);
PPToken* CopyTokenList(const PPToken* list, PPToken** tail);

// The rule compiler's constant pool: integers (type 303) and float bits (306).
struct ValCell {
  ValCell* next;
  int32_t value;
  int type;
};
extern ValCell* valList;
extern int nConst;
int NewValCell(const int32_t* value, int type);  // 0-based index, shared when equal
void FreeValList();

void SeqName(char* buffer);  // "@_%03d" with a run-wide sequence number

// ---- String functions ----------------------------------------------------------

bool strequiv(const char* a, const char* b);        // equal ignoring case
int Compare(const char* a, const char* b);          // 0, -1 identical, or prefix length
long strtonum(const char* text);                    // 0x, 0b, 0 octal or decimal
const char* strinstr(const char* text, const char* pattern);
int Hashit(const char* text);                       // 0..126
bool EndsWithIgnoreCase(const char* text, const char* tail);

// ---- Files -----------------------------------------------------------------------

FILE* OpenShared(const char* name, const char* mode);
// Opens dir + name; dir, when present, already ends in "/". Directories are
// never opened as files. With mustOpen a failure ends the run with status 1.
FILE* OpenFile(const char* dir, const char* name, const char* mode, bool mustOpen);
// Opens a rule source (isSource) or a compiled rule file along the rule
// directories; see the driver for the search order.
FILE* OpenRules(const char* name, const char* mode, bool isSource, bool mustOpen);
// The directory in which the last rule file was found for reading, or null.
extern char* workPath;
// The directory along the rule search in which name (with the extension
// rules for isSource) exists, "" for the current directory, or null.
const char* FindRuleFile(const char* name, bool isSource, char* fullName, size_t fullSize);

void fputn(int32_t word, FILE* stream);
bool fgetn(int32_t* word, FILE* stream);  // false at end of file

}  // namespace mv
