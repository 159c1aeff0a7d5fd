#include "support/utility.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "driver/options.h"
#include "driver/paths.h"
#include "driver/run.h"
#include "frontend/files.h"
#include "support/mverror.h"
#include "support/public.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define MV_POISON(p, n) ASAN_POISON_MEMORY_REGION((p), (n))
#define MV_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION((p), (n))
#else
#define MV_POISON(p, n) ((void)(p), (void)(n))
#define MV_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace mv {

// ---- Pooled allocation ---------------------------------------------------------

long netXMem;
long memUsed[kPoolClasses];
long memTotal[kPoolClasses];
long mStrCount, mCellCount, mLexBufCount, mLine1Count, mLine2Count, mPPTCount, mTokCount,
    mFileCount, mDeclCount, mTypeCount, mTagCount, mTListCount, mNSpaceCount;

namespace {

struct FreeBlock {
  FreeBlock* next;
};

FreeBlock* freeList[kPoolClasses];
// Everything obtained from the system for pooled use, released by InitMem so
// that a new run in the same process starts from nothing.
std::vector<void*>* chunks;
std::unordered_set<void*>* directBlocks;
int seqNumber;

size_t BlockSize(int k) { return static_cast<size_t>(k + 1) * 8; }

void Refill(int k) {
  const int n = k <= 5 ? 100 : 5;
  const size_t bs = BlockSize(k);
  char* chunk = static_cast<char*>(calloc(n, bs));
  if (chunk == nullptr) NoMoreMem();
  chunks->push_back(chunk);
  memTotal[k] += n;
  for (int i = n - 1; i >= 0; --i) {
    auto* b = reinterpret_cast<FreeBlock*>(chunk + i * bs);
    b->next = freeList[k];
    freeList[k] = b;
    MV_POISON(b, bs);
  }
}

}  // namespace

void InitMem() {
  if (chunks == nullptr) chunks = new std::vector<void*>;
  for (void* c : *chunks) free(c);
  chunks->clear();
  if (directBlocks == nullptr) directBlocks = new std::unordered_set<void*>;
  for (void* b : *directBlocks) free(b);
  directBlocks->clear();
  for (int k = 0; k < kPoolClasses; ++k) {
    freeList[k] = nullptr;
    memUsed[k] = memTotal[k] = 0;
  }
  netXMem = 0;
  mStrCount = mCellCount = mLexBufCount = mLine1Count = mLine2Count = mPPTCount = mTokCount =
      mFileCount = mDeclCount = mTypeCount = mTagCount = mTListCount = mNSpaceCount = 0;
  valList = nullptr;
  nConst = 0;
  seqNumber = 1;
  workPath = nullptr;
}

void* GetMem(size_t count, size_t size) {
  void* p = calloc(count == 0 ? 1 : count, size == 0 ? 1 : size);
  if (p == nullptr) NoMoreMem();
  return p;
}

void FreeMem(void* block) { free(block); }

void* GetXMem(size_t size) {
  if (size == 0) LowLevelError(1006);
  netXMem += static_cast<long>(size);
  if (size >= static_cast<size_t>(kPooledLimit)) {
    void* b = GetMem(1, size);
    directBlocks->insert(b);
    return b;
  }
  const int k = static_cast<int>(size / 8);
  if (freeList[k] == nullptr) Refill(k);
  FreeBlock* b = freeList[k];
  MV_UNPOISON(b, BlockSize(k));
  freeList[k] = b->next;
  memset(b, 0, BlockSize(k));
  ++memUsed[k];
  return b;
}

void FreeXMem(void* block, size_t size) {
  if (block == nullptr) LowLevelError(1003);
  netXMem -= static_cast<long>(size);
  if (netXMem < 0) LowLevelError(1005);
  if (size >= static_cast<size_t>(kPooledLimit)) {
    directBlocks->erase(block);
    free(block);
    return;
  }
  const int k = static_cast<int>(size / 8);
  auto* b = static_cast<FreeBlock*>(block);
  b->next = freeList[k];
  freeList[k] = b;
  --memUsed[k];
  MV_POISON(b, BlockSize(k));
}

void NoMoreMem() {
  fflush(stdout);
  fprintf(out != nullptr ? out : stderr, "Morvane is out of dynamic memory in module %s\n", modName);
  CleanExit(1);
}

// ---- Pooled strings --------------------------------------------------------------

namespace {
char nullStringStore[1] = {0};
}
char* const NullXString = nullStringStore;

char* MakeXString(const char* text) {
  if (text == nullptr || *text == 0) return NullXString;
  const size_t n = strlen(text) + 1;
  char* s = static_cast<char*>(GetXMem(n));
  memcpy(s, text, n);
  ++mStrCount;
  return s;
}

void FreeXString(char* text) {
  if (text == nullptr || text == NullXString || *text == 0) return;
  FreeXMem(text, strlen(text) + 1);
  --mStrCount;
}

char* AppendXString(char* s, const char* t) {
  if (s == nullptr) return nullptr;
  if (t == nullptr || *t == 0) return s;
  const size_t ls = strlen(s), lt = strlen(t);
  char* r = static_cast<char*>(GetXMem(ls + lt + 1));
  memcpy(r, s, ls);
  memcpy(r + ls, t, lt + 1);
  ++mStrCount;
  FreeXString(s);
  return r;
}

// ---- String cells -------------------------------------------------------------------

StrCell* NewStrCell(const char* name) {
  auto* c = static_cast<StrCell*>(GetXMem(sizeof(StrCell)));
  c->name = MakeXString(name);
  ++mCellCount;
  return c;
}

void FreeStrCells(StrCell* list) {
  StrCell* head = list;
  while (list != nullptr) {
    StrCell* next = list->next;
    MV_LOOP_CHECK(next, head);
    FreeXString(list->name);
    FreeXMem(list, sizeof(StrCell));
    --mCellCount;
    list = next;
  }
}

StrCell* CopyStrList(const StrCell* list) {
  StrCell* copy = nullptr;
  StrCell** tail = &copy;
  for (const StrCell* p = list; p != nullptr; p = p->next) {
    MV_LOOP_CHECK(p->next, list);
    StrCell* c = NewStrCell(p->name);
    c->value = p->value;
    *tail = c;
    tail = &c->next;
  }
  return copy;
}

StrCell* AppendCell(StrCell** list, const char* name) {
  MV_ASSERT(list != nullptr, kPhaseNone);
  MV_ASSERT(name != nullptr, kPhaseNone);
  StrCell* c = NewStrCell(name);
  StrCell** tail = list;
  const StrCell* head = *list;
  while (*tail != nullptr) {
    MV_LOOP_CHECK((*tail)->next, head);
    tail = &(*tail)->next;
  }
  *tail = c;
  return c;
}

StrCell* PrependCell(StrCell** list, const char* name) {
  MV_ASSERT(list != nullptr, kPhaseNone);
  MV_ASSERT(name != nullptr, kPhaseNone);
  StrCell* c = NewStrCell(name);
  c->next = *list;
  *list = c;
  return c;
}

int CountCells(const StrCell* list) {
  int n = 0;
  for (const StrCell* p = list; p != nullptr; p = p->next) {
    MV_LOOP_CHECK(p->next, list);
    ++n;
  }
  return n;
}

// ---- General and tag cells -------------------------------------------------------------

GenCell* NewGenCell(intptr_t word) {
  auto* c = static_cast<GenCell*>(GetXMem(sizeof(GenCell)));
  c->word = word;
  return c;
}

void PushGenCell(GenCell** stack, intptr_t word) {
  GenCell* c = NewGenCell(word);
  c->next = *stack;
  *stack = c;
}

intptr_t PopGenCell(GenCell** stack) {
  GenCell* c = *stack;
  if (c == nullptr) return 0;
  *stack = c->next;
  const intptr_t w = c->word;
  FreeXMem(c, sizeof(GenCell));
  return w;
}

GenCell* AppendGenCell(GenCell** list) {
  GenCell* c = NewGenCell(0);
  GenCell** tail = list;
  const GenCell* head = *list;
  while (*tail != nullptr) {
    MV_LOOP_CHECK((*tail)->next, head);
    tail = &(*tail)->next;
  }
  *tail = c;
  return c;
}

void FreeGenList(GenCell* list) {
  GenCell* head = list;
  while (list != nullptr) {
    GenCell* next = list->next;
    MV_LOOP_CHECK(next, head);
    FreeXMem(list, sizeof(GenCell));
    list = next;
  }
}

TagCell* NewTagCell(void* tag, intptr_t word) {
  auto* c = static_cast<TagCell*>(GetXMem(sizeof(TagCell)));
  c->tag = tag;
  c->word = word;
  ++mTListCount;
  return c;
}

void FreeBaseList(TagCell* list) {
  TagCell* head = list;
  while (list != nullptr) {
    TagCell* next = list->next;
    MV_LOOP_CHECK(next, head);
    FreeXMem(list, sizeof(TagCell));
    --mTListCount;
    MV_ASSERT(mTListCount >= 0, kPhaseNone);
    list = next;
  }
}

// ---- Preprocessor tokens -------------------------------------------------------------

PPToken* NewToken(int kind, const char* text) {
  auto* t = static_cast<PPToken*>(GetXMem(sizeof(PPToken)));
  t->kind = static_cast<unsigned>(kind) & 0xFFFu;
  t->text = MakeXString(text);
  ++mPPTCount;
  return t;
}

void FreeToken(PPToken* token) {
  if (token == nullptr) return;
  FreeXString(token->text);
  FreeXMem(token, sizeof(PPToken));
  --mPPTCount;
}

void FreeTokenList(PPToken* list) {
  PPToken* head = list;
  while (list != nullptr) {
    PPToken* next = list->next;
    MV_LOOP_CHECK(next, head);
    FreeToken(list);
    list = next;
  }
}

PPToken* CopyTokenList(const PPToken* list, PPToken** tail) {
  PPToken* copy = nullptr;
  PPToken* last = nullptr;
  for (const PPToken* p = list; p != nullptr; p = p->next) {
    MV_LOOP_CHECK(p->next, list);
    PPToken* t = NewToken(p->kind, p->text);
    t->flag1 = p->flag1;
    t->flag2 = p->flag2;
    t->flag3 = p->flag3;
    if (last == nullptr)
      copy = t;
    else
      last->next = t;
    last = t;
  }
  if (tail != nullptr) *tail = last;
  return copy;
}

// ---- Constant pool -----------------------------------------------------------------------

ValCell* valList;
int nConst;

int NewValCell(const int32_t* value, int type) {
  int index = 0;
  ValCell* last = nullptr;
  for (ValCell* p = valList; p != nullptr; p = p->next, ++index) {
    MV_LOOP_CHECK(p->next, valList);
    if (p->type == type) {
      bool equal;
      if (type == 306) {
        float a, b;
        memcpy(&a, &p->value, sizeof a);
        memcpy(&b, value, sizeof b);
        equal = a == b;
      } else {
        equal = p->value == *value;
      }
      if (equal) return index;
    }
    last = p;
  }
  auto* c = static_cast<ValCell*>(GetXMem(sizeof(ValCell)));
  c->value = *value;
  c->type = type;
  if (last == nullptr)
    valList = c;
  else
    last->next = c;
  ++nConst;
  return index;
}

void FreeValList() {
  ValCell* p = valList;
  while (p != nullptr) {
    ValCell* next = p->next;
    MV_LOOP_CHECK(next, valList);
    FreeXMem(p, sizeof(ValCell));
    p = next;
  }
  valList = nullptr;
  nConst = 0;
}

void SeqName(char* buffer) { snprintf(buffer, 16, "@_%03d", seqNumber++ % 1000000); }

// ---- String functions ----------------------------------------------------------------------

namespace {
inline unsigned char Lower(unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; }
}  // namespace

bool strequiv(const char* a, const char* b) {
  if (a == b) return true;
  if (a == nullptr || b == nullptr) return false;
  const auto* p = reinterpret_cast<const unsigned char*>(a);
  const auto* q = reinterpret_cast<const unsigned char*>(b);
  for (; Lower(*p) == Lower(*q); ++p, ++q)
    if (*p == 0) return true;
  return false;
}

int Compare(const char* a, const char* b) {
  if (a == nullptr || b == nullptr || *a != *b) return 0;
  int n = 0;
  while (a[n] != 0 && a[n] == b[n]) ++n;
  return a[n] == b[n] ? -1 : n;
}

long strtonum(const char* text) {
  if (text == nullptr) return 0;
  int base = 10;
  const char* p = text;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  } else if (p[0] == '0' && (p[1] == 'b' || p[1] == 'B')) {
    base = 2;
    p += 2;
  } else if (p[0] == '0') {
    base = 8;
  }
  unsigned long v = 0;
  for (;; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      break;
    if (d >= base) break;
    v = v * static_cast<unsigned long>(base) + static_cast<unsigned long>(d);  // wraps, never traps
  }
  return static_cast<long>(v);
}

const char* strinstr(const char* text, const char* pattern) {
  if (text == nullptr || pattern == nullptr) return nullptr;
  return strstr(text, pattern);
}

int Hashit(const char* text) {
  if (text == nullptr) return 0;
  uint32_t h = 0;
  for (const auto* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) h = (h * 2) ^ *p;
  return static_cast<int>(h % 127);
}

bool EndsWithIgnoreCase(const char* text, const char* tail) {
  if (text == nullptr || tail == nullptr) return false;
  const size_t n = strlen(text), m = strlen(tail);
  return n >= m && strequiv(text + n - m, tail);
}

// ---- Files --------------------------------------------------------------------------------------

FILE* OpenShared(const char* name, const char* mode) {
  errno = 0;
  return fopen(name, mode);
}

namespace {

// Opens a file, refusing directories so that a read never fails later on.
FILE* OpenPlain(const std::string& full, const char* mode) {
  FILE* f = OpenShared(full.c_str(), mode);
  if (f == nullptr) return nullptr;
  struct stat st;
  if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
    fclose(f);
    errno = EISDIR;
    return nullptr;
  }
  return f;
}

std::string Join(const char* dir, const char* name) {
  std::string s;
  if (dir != nullptr) s = dir;
  if (name != nullptr) s += name;
  return s;
}

}  // namespace

FILE* OpenFile(const char* dir, const char* name, const char* mode, bool mustOpen) {
  const std::string full = Join(dir, name);
  FILE* f = OpenPlain(full, mode);
  if (f != nullptr || !mustOpen) return f;
  const int err = errno;
  if (err != 0) {
    fprintf(stderr, "OpenFile: Error opening file \"%s\": %s\n", full.c_str(), strerror(err));
  } else {
    fprintf(out, "OpenFile: Error opening file \"%s\"\n", full.c_str());
  }
  CleanExit(1);
}

char* workPath;

namespace {

// The name with its rule extension, when that still fits.
std::string RuleName(const char* name, bool isSource) {
  const char* ext = isSource ? ".mv" : ".mvo";
  std::string n = name;
  if (!EndsWithIgnoreCase(name, ext) && n.size() + strlen(ext) <= static_cast<size_t>(kPathLength)) n += ext;
  return n;
}

void SetWorkPath(const char* dir) {
  FreeXString(workPath);
  workPath = (dir != nullptr && *dir != 0) ? MakeXString(dir) : nullptr;
}

}  // namespace

const char* FindRuleFile(const char* name, bool isSource, char* fullName, size_t fullSize) {
  if (name == nullptr || strlen(name) >= static_cast<size_t>(kPathLength) + 1) return nullptr;
  const std::string n = RuleName(name, isSource);
  struct stat st;
  auto exists = [&](const char* dir) {
    const std::string full = Join(dir, n.c_str());
    return stat(full.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  };
  const char* found = nullptr;
  for (StrCell* p = mvRulesList; p != nullptr && found == nullptr; p = p->next)
    if (exists(p->name)) found = p->name;
  if (found == nullptr && exists(nullptr)) found = "";
  if (found == nullptr && destPN != nullptr && exists(destPN)) found = destPN;
  if (found != nullptr && fullName != nullptr && fullSize > 0) snprintf(fullName, fullSize, "%s", n.c_str());
  return found;
}

FILE* OpenRules(const char* name, const char* mode, bool isSource, bool mustOpen) {
  if (mode == nullptr || (mode[0] != 'r' && mode[0] != 'w')) {
    fprintf(stderr, "Strange mode in OpenRules: %s\n", mode != nullptr ? mode : "");
    CleanExit(1);
  }
  if (name == nullptr || strlen(name) >= static_cast<size_t>(kPathLength) + 1) {
    if (!mustOpen) return nullptr;
    FatalError(0, "Rule file name is too long.");
  }
  const std::string n = RuleName(name, isSource);
  FILE* f = nullptr;
  int err = 0;
  if (mode[0] == 'r') {
    auto attempt = [&](const char* dir) {
      f = OpenPlain(Join(dir, n.c_str()), mode);
      if (f == nullptr && errno != ENOENT) err = errno;
      if (f != nullptr) SetWorkPath(dir);
      return f != nullptr;
    };
    bool ok = false;
    for (StrCell* p = mvRulesList; p != nullptr && !ok; p = p->next) ok = attempt(p->name);
    if (!ok) ok = attempt(nullptr);
    if (!ok && destPN != nullptr) ok = attempt(destPN);
    if (ok && showProgress) {
      if (workPath != nullptr)
        fprintf(stderr, "# Reading from file \"%s\" in %s\n", n.c_str(), workPath);
      else
        fprintf(stderr, "# Reading from file \"%s\"\n", n.c_str());
    }
    if (ok && isSource) {
      MV_ASSERT(fileStack == nullptr, kPhaseInit);
      NewFile(n.c_str(), workPath, f);
    }
  } else {
    // The output directory first; failing that, where the rules were found
    // (one rule file) or the current directory (several).
    if (destPN != nullptr) f = OpenPlain(Join(destPN, n.c_str()), mode);
    if (f == nullptr) f = OpenPlain(Join(nRuleFiles < 2 ? workPath : nullptr, n.c_str()), mode);
    if (f == nullptr) err = errno;
    if (f != nullptr && showProgress) fprintf(stderr, "# Writing to file \"%s\"\n", n.c_str());
  }
  if (f != nullptr || !mustOpen) return f;
  if (err != 0) fprintf(stderr, "OpenRules: Error opening file \"%s\": %s\n", n.c_str(), strerror(err));
  const std::string report = "Could not open file \"" + n + "\"";
  FatalError(0, report.c_str());
}

void fputn(int32_t word, FILE* stream) { fwrite(&word, sizeof word, 1, stream); }

bool fgetn(int32_t* word, FILE* stream) {
  int32_t w = 0;
  if (fread(&w, sizeof w, 1, stream) != 1) {
    *word = 0;
    return false;
  }
  *word = w;
  return true;
}

}  // namespace mv
