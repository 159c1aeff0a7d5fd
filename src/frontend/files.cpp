#include "frontend/files.h"

#include <pwd.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/module.h"
#include "driver/options.h"
#include "driver/paths.h"
#include "driver/run.h"
#include "frontend/lex.h"
#include "frontend/line.h"
#include "frontend/macros.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "support/mverror.h"
#include "support/public.h"
#include "support/utility.h"

namespace mv {

FileFrame* fileStack;
int nFiles, nPaths;
bool startInclude;
FileFrame* nextHeader;
const char* headerName = "";
const char* headerPath = "";
int startList;
int (*includeTokenHook)(char* text, size_t size, bool* whiteBefore);

namespace {

char* files[kMaxFiles];
char* paths[kMaxPaths];

// Slots of the variables set here.
enum : int { kPPAnsi = 0, kPPInclude = 21, kPPIncludeWhite = 22, kPPNotAnsi = 29, kPPNotFound = 31, kPPRelative = 36 };
enum : int { kLexMetaware = 5 };
enum : int { kEvtIncludeDepth = 12 };
enum : int { kPrjHeaders = 12 };
enum : int {
  kFnRemovePath = 15, kFnFileName = 24, kFnFilePath = 25, kFnForceInclude = 29, kFnIncluded = 46,
  kFnLinIncludeName = 55, kFnSetHeaderOptS = 96,
};

struct HeaderOption {
  std::string name;
  int kind, level, flag;
};
std::vector<HeaderOption> optsHdrList;  // newest first

struct ForcedHeader {
  std::string name;
  int kind;
};
std::vector<ForcedHeader> forceHdrList;
size_t nextForced;  // the next forced header of the current module

std::vector<std::string> modIncludes;  // headers read to their end in this module
int movedHeaders;  // directories added by rules that now head the header list

char incName[kPathLength + 1];  // the rule function lin_include_name
int incKind;

bool CheckingSource() { return notRules && !checkRules; }

void SetPP(int index, int32_t value) {
  if (!pp_needed || !CheckingSource()) return;
  const bool saved = lexRule;
  lexRule = true;
  SetMVInteger(pp_, index, value);
  lexRule = saved;
}

bool IsBlank(int c) { return c == ' ' || c == '\t'; }
bool IsWordStart(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool IsWordChar(int c) { return IsWordStart(c) || (c >= '0' && c <= '9'); }

int Advance() { return lexChar = NextChar(); }

// ---- Reading the name ---------------------------------------------------------------------

struct IncludeName {
  std::string text;
  int kind = 0;
};

[[noreturn]] void NameExpected(int directiveCode, const std::string& found) {
  char text[kPathLength + 96];
  snprintf(text, sizeof text, "#%s \"filename\" or <filename> expected, but %s was found.",
           directiveCode == kDirImport ? "import" : "include", found.c_str());
  FatalError(2, text);
}

void TrimTrailing(std::string* s) {
  while (!s->empty() && IsBlank(static_cast<unsigned char>(s->back()))) s->pop_back();
}

// Characters up to the closing delimiter (or the line end), at most a path's length.
std::string ReadUpTo(int close) {
  std::string s;
  int c = Advance();
  while (c != close && c != 13 && c >= 0) {
    if (s.size() < static_cast<size_t>(kPathLength)) s += static_cast<char>(c);
    c = Advance();
  }
  if (c == close) Advance();
  return s;
}

// Leading white space of a name is dropped and noted.
std::string DropLeadingWhite(const std::string& s, bool* white) {
  size_t i = 0;
  while (i < s.size() && IsBlank(static_cast<unsigned char>(s[i]))) ++i;
  *white = i > 0;
  return s.substr(i);
}

// The name from a macro expansion (the seam for the directive processor).
IncludeName NameFromMacro(int directiveCode, const std::string& word, bool triggers) {
  if (includeTokenHook == nullptr) NameExpected(directiveCode, word);
  char text[kLexBuffer];
  bool white = false;
  IncludeName n;
  const int code = includeTokenHook(text, sizeof text, &white);
  if (code == kTokString) {
    std::string s = text;
    if (s.size() >= 2 && s.front() == '"' && s.back() == '"') s = s.substr(1, s.size() - 2);
    bool lead = false;
    n.text = DropLeadingWhite(s, &lead);
    n.kind = kIncQuoted;
    if (triggers) {
      if (lead) SetPP(kPPIncludeWhite, 1);
      SetPP(kPPInclude, 1);
      SetPP(kPPAnsi, 1);
    }
    return n;
  }
  if (code == '<') {
    bool first = true;
    for (int c = includeTokenHook(text, sizeof text, &white); c != 0 && c != '>';
         c = includeTokenHook(text, sizeof text, &white)) {
      if (first && white && triggers) SetPP(kPPIncludeWhite, 1);
      first = false;
      if (n.text.size() + strlen(text) <= static_cast<size_t>(kPathLength)) n.text += text;
    }
    n.kind = kIncAngle;
    if (triggers) {
      SetPP(kPPInclude, 3);
      SetPP(kPPAnsi, 1);
    }
    return n;
  }
  NameExpected(directiveCode, code == 0 ? std::string("end of line") : std::string(text));
}

IncludeName ReadIncludeName(int directiveCode) {
  const bool triggers = directiveCode != kDirImport;
  // The directive word came from a macro whose expansion goes on: the name is in it.
  if (peekMacroHook != nullptr && peekMacroHook() != 0) return NameFromMacro(directiveCode, "", triggers);
  int c = lexChar;
  while (IsBlank(c)) c = Advance();
  IncludeName n;
  bool white = false;
  if (c == '"') {
    n.text = DropLeadingWhite(ReadUpTo('"'), &white);
    n.kind = kIncQuoted;
    if (triggers) {
      if (white) SetPP(kPPIncludeWhite, 1);
      SetPP(kPPInclude, 2);
    }
    return n;
  }
  if (c == '<') {
    n.text = DropLeadingWhite(ReadUpTo('>'), &white);
    TrimTrailing(&n.text);
    n.kind = kIncAngle;
    if (triggers) {
      if (white) SetPP(kPPIncludeWhite, 1);
      SetPP(kPPInclude, 4);
    }
    return n;
  }
  if (c >= 0 && IsWordStart(c)) {
    std::string word;
    if (highKeys) {
      // Metaware: the name runs to the next white space.
      while (c >= 0 && c != 13 && !IsBlank(c)) {
        if (word.size() < static_cast<size_t>(kPathLength)) word += static_cast<char>(c);
        c = Advance();
      }
      SetLexVar(kLexMetaware, 1);
      n.text = word;
      n.kind = kIncAngle;
      if (triggers) {
        SetPP(kPPInclude, 5);
        SetPP(kPPNotAnsi, 1);
      }
      return n;
    }
    if (vaxKeys) {
      while (c >= 0 && IsWordChar(c)) {
        if (word.size() < static_cast<size_t>(kPathLength) - 2) word += static_cast<char>(c);
        c = Advance();
      }
      n.text = word + ".h";
      n.kind = kIncAngle;
      if (triggers) {
        SetPP(kPPInclude, 6);
        SetPP(kPPNotAnsi, 1);
      }
      return n;
    }
    // A macro name: the expansion gives the name. The line's text tells what
    // was found should nothing expand it.
    if (lexLine != nullptr) {
      for (int i = lexLine->column; i < lexLine->length && IsWordChar(static_cast<unsigned char>(lexLine->text[i]));
           ++i)
        word += lexLine->text[i];
    }
    return NameFromMacro(directiveCode, word, triggers);
  }
  std::string found;
  if (c == 13 || c < 0) {
    found = "end of line";
  } else if (lexLine != nullptr) {
    for (int i = lexLine->column; i < lexLine->length && !IsBlank(static_cast<unsigned char>(lexLine->text[i])); ++i)
      found += lexLine->text[i];
  }
  if (found.empty()) found = std::string(1, static_cast<char>(c));
  NameExpected(directiveCode, found);
}

// ---- Searching ----------------------------------------------------------------------------------

// The directory lists changed in front of their end: what the search found
// before may no longer be the first match.
uint32_t listVersion;

// Directories added by rules go to the front of the header list.
void MoveNewHeaders() {
  if (newHeaderList == nullptr) return;
  ++listVersion;
  StrCell* tail = newHeaderList;
  ++movedHeaders;
  while (tail->next != nullptr) {
    tail = tail->next;
    ++movedHeaders;
  }
  tail->next = headerList;
  headerList = newHeaderList;
  newHeaderList = nullptr;
}

// What the search learnt of a path: the run's modules include the same
// headers over and over, so each path is tried and each header read once a
// run (until a rule may have changed the files: ForgetHeaderFiles).
}  // namespace

struct HeaderFile {
  bool found = false;
  int error = 0;      // the system's error when the path could not be opened
  std::string text;   // the file's bytes
  int readers = 0;    // frames reading the text
  bool forgotten = false;  // no longer in the table: freed when the last reader is done
  // An include guard: while this macro is defined, reading the header again
  // would only skip its lines (see SkipGuardedHeader).
  std::string guard;
  uint32_t lines = 0;
  bool plainEnds = false;
};

namespace {

// Lives as long as the process and is never destroyed: the headers it holds
// stay reachable to the end (a destroyed table would leave them unreachable
// behind a run that ends with exit, which the leak checker reports).
std::unordered_map<std::string, HeaderFile*>& headerFiles = *new std::unordered_map<std::string, HeaderFile*>;

// Where each search found its header: the run's modules include the same
// names from the same directories over and over, and a search from the same
// directory, along the same list from the same entry, finds what it found
// before as long as the headers read are kept (ForgetHeaderFiles forgets
// both) and no directory is put in front or taken away (listVersion). A name
// not found is searched again, so that it is reported again.
struct FoundHeader {
  HeaderFile* header;
  std::string directory;
  int listIndex;  // the list entry it was found in; -1 for the including file's directory
};
std::unordered_map<std::string, FoundHeader> foundHeaders;

std::string SearchKey(const std::string& thereDir, const std::string& name, int kind, int from, const StrCell* list) {
  std::string key;
  key.reserve(thereDir.size() + name.size() + 2 + 4 * sizeof(uintptr_t));
  key.append(thereDir).push_back('\0');
  key.append(name).push_back('\0');
  const uintptr_t parts[4] = {static_cast<uintptr_t>(kind), static_cast<uintptr_t>(from),
                              reinterpret_cast<uintptr_t>(list), listVersion};
  key.append(reinterpret_cast<const char*>(parts), sizeof parts);
  return key;
}

void ReleaseHeader(FileFrame* f) {
  HeaderFile* h = f->header;
  if (h == nullptr) return;
  f->header = nullptr;
  f->text = nullptr;
  if (--h->readers == 0 && h->forgotten) delete h;
}

// Reads a whole file; a file of 4 GB or more is read up to that bound.
void ReadWhole(FILE* f, std::string* text) {
  size_t room = 4096;
  struct stat st;
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) room += static_cast<size_t>(st.st_size);
  text->resize(room);
  size_t size = 0;
  for (;;) {
    if (size == text->size()) text->resize(text->size() * 2);
    const size_t want = text->size() - size;
    const size_t got = fread(text->data() + size, 1, want, f);
    size += got;
    if (got < want) break;
  }
  if (size > UINT32_MAX) size = UINT32_MAX;
  text->resize(size);
  text->shrink_to_fit();
}

// The file at a path, opened for binary reading; directories are never
// opened. Null when there is none; *sysError then gets the system's error
// unless the path simply does not exist.
HeaderFile* OpenHeader(const std::string& full, int* sysError) {
  if (full.size() > static_cast<size_t>(kPathLength)) return nullptr;
  auto [at, isNew] = headerFiles.try_emplace(full, nullptr);
  if (isNew) at->second = new HeaderFile;
  HeaderFile& h = *at->second;
  if (isNew) {
    errno = 0;
    FILE* f = fopen(full.c_str(), "rb");
    if (f == nullptr) {
      if (errno != ENOENT && errno != ENOTDIR && errno != 0) h.error = errno;
    } else {
      struct stat st;
      h.found = !(fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode));
      if (h.found) {
        ReadWhole(f, &h.text);
        h.plainEnds = PlainLineEnds(h.text.data(), h.text.size());
      }
      fclose(f);
    }
  }
  if (!h.found) {
    if (h.error != 0) *sysError = h.error;
    return nullptr;
  }
  return &h;
}

// "~/x" and "~user/x" name a home directory; false when it is unknown.
bool ExpandHome(std::string* dir) {
  const size_t slash = dir->find('/');
  const std::string user = dir->substr(1, slash - 1);
  const char* home = nullptr;
  if (user.empty()) {
    home = getenv("HOME");
  } else {
    const passwd* pw = getpwnam(user.c_str());
    if (pw != nullptr) home = pw->pw_dir;
  }
  if (home == nullptr) return false;
  *dir = std::string(home) + dir->substr(slash);
  return true;
}

struct SearchResult {
  HeaderFile* header = nullptr;
  std::string directory;  // where the file was found, with the relative part
  std::string file;       // the name without directory
};

void ReportNotFound(const std::string& name, const std::string& file, bool thereFirst, bool absolute,
                    const std::vector<std::string>& tried, int sysError, bool isForced) {
  fflush(stdout);
  char text[kPathLength + 128];
  if (sysError != 0) {
    if (thereFirst)
      snprintf(text, sizeof text, "Error opening file \"%s\"", name.c_str());
    else
      snprintf(text, sizeof text, "Error opening file <%s>", name.c_str());
    fprintf(stderr, "# %s: %s\n", text, strerror(sysError));
  } else {
    snprintf(text, sizeof text, "Could not open header file %s", name.c_str());
    fprintf(stderr, "# %s\n", text);
  }
  if (!isForced) SetPP(kPPNotFound, 1);
  Advise(23, text);
  if (absolute) {
    fprintf(out, "  Directory searched for header file %s:\n", file.c_str());
    fprintf(out, "  (1)   %s\n", tried.empty() ? "" : tried[0].c_str());
  } else {
    fprintf(out, "  Directories searched for header file %s:\n", name.c_str());
    int i = 0;
    for (const std::string& d : tried) {
      if (d.empty())
        fprintf(out, "  (%d)   The current working directory\n", ++i);
      else
        fprintf(out, "  (%d)   %s\n", ++i, d.c_str());
    }
  }
  fputs("\n", out);
  fflush(out);
}

bool Search(const std::string& name, int kind, bool isNext, bool isForced, SearchResult* r) {
  MoveNewHeaders();
  if (!isNext) startList = -1;
  StrCell* list = checkRules ? mvRulesList : headerList;
  std::string relative, file = name;
  const size_t slash = name.rfind('/');
  if (slash != std::string::npos) {
    relative = name.substr(0, slash + 1);
    file = name.substr(slash + 1);
  }
  r->file = file;
  const bool absolute = !relative.empty() && (name[0] == '/' || name[0] == '~');
  int sysError = 0;
  std::vector<std::string> tried;
  if (absolute) {
    std::string dir = relative;
    if (dir[0] == '~' && !ExpandHome(&dir)) dir = relative;
    tried.push_back(dir);
    r->header = OpenHeader(dir + file, &sysError);
    if (r->header != nullptr) {
      r->directory = dir;
      return true;
    }
    ReportNotFound(name, file, false, true, tried, sysError, isForced);
    return false;
  }
  if (!relative.empty() && fileStack != nullptr && fileStack->depth > 0) SetPP(kPPRelative, 1);
  const std::string thereDir = fileStack != nullptr ? PathName(fileStack->pathIndex) : (there != nullptr ? there : "");
  const int from = isNext ? startList + 1 : 0;
  std::string key = SearchKey(thereDir, name, kind, from, list);
  if (auto at = foundHeaders.find(key); at != foundHeaders.end()) {
    const FoundHeader& known = at->second;
    r->header = known.header;
    r->directory = known.directory;
    if (known.listIndex >= 0) startList = known.listIndex;
    return true;
  }
  auto tryDir = [&](const std::string& dir, int listIndex) {
    tried.push_back(dir);
    r->header = OpenHeader(dir + relative + file, &sysError);
    if (r->header == nullptr) return false;
    r->directory = dir + relative;
    if (listIndex >= 0) startList = listIndex;
    foundHeaders.emplace(std::move(key), FoundHeader{r->header, r->directory, listIndex});
    return true;
  };
  const bool thereFirst = kind == kIncQuoted || list == nullptr;
  if (thereFirst && tryDir(thereDir, -1)) return true;
  int i = 0;
  for (StrCell* p = list; p != nullptr; p = p->next, ++i) {
    if (i < from) continue;
    if (tryDir(p->name, i)) return true;
  }
  if (!thereFirst && tryDir(thereDir, -1)) return true;
  ReportNotFound(name, file, thereFirst, false, tried, sysError, isForced);
  return false;
}

const HeaderOption* FindOption(const std::string& name, const std::string& file, int kind) {
  for (const HeaderOption& o : optsHdrList)
    if (o.kind == kind && o.name == name) return &o;
  for (const HeaderOption& o : optsHdrList)
    if (o.kind == kind && o.name == file) return &o;
  return nullptr;
}

bool Excluded(const std::string& directory) {
  for (const StrCell* p = excludeList; p != nullptr; p = p->next)
    if (strequiv(p->name, directory.c_str())) return true;
  return false;
}

// Fires the rules that call header_name or header_path, each rule once.
void FireHeaderFunctions() {
  if (mvRule[mv_] == nullptr) return;
  const int position = CurrentPosition();
  DoFcnRule(kFnHeaderName, position);
  GenCell* byName = mvRule[mv_][kFnHeaderName];
  const int saved = calculate;
  calculate = 0;
  for (GenCell* c = mvRule[mv_][kFnHeaderPath]; c != nullptr && !errorFlag; c = c->next) {
    bool fired = false;
    for (GenCell* d = byName; d != nullptr && !fired; d = d->next) fired = d->word == c->word;
    if (!fired) Interpret(reinterpret_cast<const RuleCode*>(c->word), position & 0xFFFF);
  }
  calculate = saved;
}

// The shared search and preparation of a header. 1 when nextHeader is ready.
int FindHeader(const std::string& name, int kind, bool isNext, bool isForced) {
  if (name.empty()) {
    char text[64];
    snprintf(text, sizeof text, "Could not open header file %s", "");
    Advise(23, text);
    return 0;
  }
  SearchResult r;
  if (!Search(name, kind, isNext, isForced, &r)) return 0;
  const bool excluded = Excluded(r.directory);
  bool isNew = false;
  const int fileIndex = AddFileName(r.file.c_str(), &isNew);
  if (isNew && CheckingSource() && mvValue[prj_] != nullptr) mvValue[prj_][kPrjHeaders] += 1;
  if (ReadHeadersOnce(fileIndex)) return 0;
  const int pathIndex = AddPathName(r.directory.c_str());
  FileFrame* parent = fileStack;
  const int depth = parent != nullptr ? parent->depth + 1 : 0;
  if (depth >= kMaxOpenFiles) Panic(8);
  if (!isForced && CheckingSource() && parent != nullptr && (parent->flags & kFrameRulesApply) != 0) {
    headerName = FileName(fileIndex);
    headerPath = PathName(pathIndex);
    FireHeaderFunctions();
  }
  uint32_t flags = static_cast<uint32_t>(kind) << kFrameKindShift;
  if (excluded) {
    flags |= kFrameExcluded;
  } else {
    const bool parentIsHeader = parent != nullptr && parent->depth > 0;
    const bool inherit = parentIsHeader ? (parent->flags & kFrameInherit) != 0 : true;
    int level = (parentIsHeader && (parent->flags & kFrameInherit) != 0)
                    ? static_cast<int>((parent->flags >> kFrameLevelShift) & 3u)
                    : checkHeaders;
    bool apply = (kind & level) != 0;
    bool inheritFlag = inherit;
    if (const HeaderOption* o = FindOption(name, r.file, kind)) {
      level = o->level & 3;
      apply = (o->level & kind) != 0;
      inheritFlag = o->flag != 0;
    }
    flags |= static_cast<uint32_t>(level & 3) << kFrameLevelShift;
    if (inheritFlag) flags |= kFrameInherit;
    if (apply) flags |= kFrameRulesApply;
  }
  if (nextHeader != nullptr) {
    // A header prepared and never entered: its file is given up.
    if (nextHeader->stream != nullptr) fclose(nextHeader->stream);
    ReleaseHeader(nextHeader);
    FreeXMem(nextHeader, sizeof(FileFrame));
    --mFileCount;
  }
  auto* f = static_cast<FileFrame*>(GetXMem(sizeof(FileFrame)));
  ++mFileCount;
  // The frame reads the text kept for the run.
  f->header = r.header;
  ++r.header->readers;
  f->text = r.header->text.data();
  f->textLength = static_cast<uint32_t>(r.header->text.size());
  f->loaded = true;
  f->plainEnds = r.header->plainEnds;
  f->fileIndex = static_cast<uint16_t>(fileIndex);
  f->pathIndex = static_cast<uint16_t>(pathIndex);
  f->depth = static_cast<uint16_t>(depth);
  f->flags = flags;
  nextHeader = f;
  return 1;
}

// pp_include_depth holds the depth of the file being read even where its
// rules are not fired (lines of a header that rules do not apply to), so
// that leaving nested headers brings it back to 0.
void SetIncludeDepth(int depth, bool fire) {
  if (mvValue[evt_] == nullptr) return;
  mvValue[evt_][kEvtIncludeDepth] = depth;
  if (fire) Do1Rule(evt_, kEvtIncludeDepth, depth, false);
}

// ---- Include guards ------------------------------------------------------------------------------
//
// Most headers are one group, #ifndef NAME ... #endif, with only blank and
// comment lines around it, and are included many times. Once NAME is
// defined, a read of such a header does nothing but skip its lines, and when
// nothing can see those lines (rules do not apply to the header, or none
// watches lines, lexical tokens or the preprocessor; header lines are
// neither listed nor counted in the statistics) the header need not be read
// at all.
// A read qualifies when it is seen to do exactly that: the first directive,
// begun while lines were read, is an #ifndef that opens a skipped group; no
// directive makes a line read again inside it; the group closes and then
// neither a directive nor a token follows; and no message was given. Such a
// read is the same every time the name is defined, since skipping depends on
// the text alone. The header's later includes with the name defined add its
// line count to the header lines and skip the rest.

// Rules that could see a skipped line: line rules, lexical rules of either
// kind and preprocessor rules. Rules of the other classes fire on tokens the
// parser is given, and a skipped group gives it none. No rule fires on the
// lines of a header that rules do not apply to.
bool RulesSeeLines() {
  if (rulesLoaded == 0) return false;
  for (int c : {lex1_, lex2_, pp_, lin_, evt_})
    if (ClassHasRules(c)) return true;
  return false;
}

bool NothingSeesHeaderLines(const FileFrame* f) {
  return CheckingSource() && ((f->flags & kFrameRulesApply) == 0 || !RulesSeeLines()) && parserAttached &&
         countHeaders == 0 && !(listFile != nullptr && showIncludes != 0);
}

void StartGuardWatch(FileFrame* f) {
  f->guardState = f->depth > 0 && f->header != nullptr && NothingSeesHeaderLines(f) ? 0 : -1;
  f->warningsAtEntry = prjWarnings;
  f->tokensAtEntry = sourceTokens;
  f->conditionsAtEntry = ConditionDepth();
}

// At the end of a header: a read that qualifies records the guard.
void EndGuardWatch(const FileFrame* f) {
  if (f->guardState != 2 || f->header == nullptr || errorFlag || prjWarnings != f->warningsAtEntry ||
      sourceTokens != f->tokensAtEntry || ConditionDepth() != f->conditionsAtEntry || !NothingSeesHeaderLines(f))
    return;
  f->header->guard = f->guardName;
  f->header->lines = f->lineCount;
}

// The prepared header is guarded by a defined name: it is entered and left
// at once, its lines counted as read.
bool SkipGuardedHeader() {
  const FileFrame* f = nextHeader;
  if (f == nullptr || f->header == nullptr || f->header->guard.empty() || !NothingSeesHeaderLines(f) ||
      !IsModuleMacro(f->header->guard.c_str()))
    return false;
  const uint32_t lines = f->header->lines;
  DoInclude();
  fileStack->guardState = -1;
  fileStack->lineCount = lines;
  CountSkippedLines(lines);
  LeaveHeader();
  return true;
}

// Enters the next forced header that can be found; false when none remains.
bool OpenNextForced() {
  while (nextForced < forceHdrList.size()) {
    const ForcedHeader h = forceHdrList[nextForced++];
    if (ForcedInclude(h.name.c_str(), h.kind)) {
      DoInclude();
      return true;
    }
  }
  return false;
}

// ---- Built-ins -----------------------------------------------------------------------------------

const char* TextArgument(const char* function) {
  const char* p = PopPointer();
  return p == nullptr ? nullptr : CheckedText(p, function);
}

void HeaderNameFn(int, int, int) { PushPointer(HandOut(headerName)); }
void HeaderPathFn(int, int, int) { PushPointer(HandOut(headerPath)); }

void IncludedFn(int, int, int) {
  const char* name = TextArgument("included");
  PushLong(name != nullptr && *name != 0 ? TestHeader(name) : 0);
}

void LinIncludeNameFn(int, int, int) {
  const SourceLine* line = yaccLine != nullptr ? yaccLine : thisLine;
  incName[0] = 0;
  incKind = 0;
  if (line != nullptr) GetIncludeInfo(line->text, incName, sizeof incName, &incKind);
  PushPointer(HandOut(incName));
}

void ForceIncludeFn(int, int, int) {
  const int32_t flag = PopLong();
  const int32_t kind = PopLong();
  const char* name = TextArgument("force_include");
  if (name == nullptr) return;
  if (flag == 0)
    DelForcedHeader(name, kind);
  else
    AddForcedHeader(name, kind);
}

void SetHeaderOptSFn(int, int, int) {
  const int32_t flag = PopLong();
  const int32_t value = PopLong();
  const int32_t kind = PopLong();
  const char* name = TextArgument("set_header_optS");
  if (name != nullptr) SetHeaderOptS(name, kind, value, flag);
}

void RemovePathFn(int, int, int) { Remove1HeaderPath(); }

void FileNameFn(int, int, int) {
  PushPointer(HandOut(thisLine != nullptr ? FileName(thisLine->fileIndex) : modName));
}

void FilePathFn(int, int, int) {
  const char* p;
  if (thisLine != nullptr) {
    p = PathName(thisLine->pathIndex);
    if (*p == 0) p = ".";
  } else {
    p = there != nullptr ? there : "";
  }
  PushPointer(HandOut(p));
}

void RegisterFileBuiltins() {
  RegisterBuiltin(kFnHeaderName, HeaderNameFn, 0);
  RegisterBuiltin(kFnHeaderPath, HeaderPathFn, 0);
  RegisterBuiltin(kFnIncluded, IncludedFn, 1);
  RegisterBuiltin(kFnLinIncludeName, LinIncludeNameFn, 0);
  RegisterBuiltin(kFnForceInclude, ForceIncludeFn, 3);
  RegisterBuiltin(kFnSetHeaderOptS, SetHeaderOptSFn, 4);
  RegisterBuiltin(kFnRemovePath, RemovePathFn, 0);
  RegisterBuiltin(kFnFileName, FileNameFn, 0);
  RegisterBuiltin(kFnFilePath, FilePathFn, 0);
}

}  // namespace

void InitFiles() {
  fileStack = nullptr;
  files[0] = NullXString;
  paths[0] = NullXString;
  nFiles = nPaths = 1;
  startInclude = false;
  nextHeader = nullptr;
  headerName = headerPath = "";
  startList = -1;
  includeTokenHook = nullptr;
  optsHdrList.clear();
  forceHdrList.clear();
  nextForced = 0;
  modIncludes.clear();
  movedHeaders = 0;
  // A run reads the files as they are now, not as an earlier run in the same
  // process found them under the same names.
  ForgetHeaderFiles();
  RegisterFileBuiltins();
}

void StartForcedIncludes() {
  ClearModuleHeaders();
  headerName = headerPath = "";
  startList = -1;
  nextForced = 0;
  OpenNextForced();
}

int AddFileName(const char* name, bool* isNew) {
  if (isNew != nullptr) *isNew = false;
  if (name == nullptr || *name == 0) return 0;
  for (int i = 1; i < nFiles; ++i)
    if (strcmp(files[i], name) == 0) return i;
  if (nFiles >= kMaxFiles) Panic(8);
  files[nFiles] = MakeXString(name);
  if (isNew != nullptr) *isNew = true;
  return nFiles++;
}

int AddPathName(const char* name) {
  if (name == nullptr || *name == 0) return 0;
  for (int i = 1; i < nPaths; ++i)
    if (strcmp(paths[i], name) == 0) return i;
  if (nPaths >= kMaxPaths) Panic(54);
  paths[nPaths] = MakeXString(name);
  return nPaths++;
}

const char* FileName(int index) { return (index > 0 && index < nFiles) ? files[index] : ""; }
const char* PathName(int index) { return (index > 0 && index < nPaths) ? paths[index] : ""; }

FileFrame* NewFile(const char* name, const char* path, FILE* stream) {
  auto* f = static_cast<FileFrame*>(GetXMem(sizeof(FileFrame)));
  f->stream = stream;
  f->fileIndex = static_cast<uint16_t>(AddFileName(name, nullptr));
  f->pathIndex = static_cast<uint16_t>(AddPathName(path));
  f->depth = fileStack != nullptr ? static_cast<uint16_t>(fileStack->depth + 1) : 0;
  f->next = fileStack;
  fileStack = f;
  ++mFileCount;
  return f;
}

void PopFile() {
  FileFrame* f = fileStack;
  MV_ASSERT(f != nullptr, kPhaseNone);
  fileStack = f->next;
  if (f->stream != nullptr) fclose(f->stream);
  if (f->header != nullptr)
    ReleaseHeader(f);
  else
    free(f->text);
  FreeXMem(f, sizeof(FileFrame));
  --mFileCount;
  if (fileStack == nullptr && nextHeader != nullptr) {
    // The run or the module ends with a header prepared but not entered.
    if (nextHeader->stream != nullptr) fclose(nextHeader->stream);
    ReleaseHeader(nextHeader);
    FreeXMem(nextHeader, sizeof(FileFrame));
    --mFileCount;
    nextHeader = nullptr;
    startInclude = false;
  }
}

int FileStackDepth() {
  int n = 0;
  for (FileFrame* f = fileStack; f != nullptr; f = f->next) {
    MV_LOOP_CHECK(f->next, fileStack);
    ++n;
  }
  return n;
}

// ---- Include files ---------------------------------------------------------------------------------

int PrepInclude(int directiveCode) {
  const IncludeName n = ReadIncludeName(directiveCode);
  if (!FindHeader(n.text, n.kind, directiveCode == kDirIncludeNext, false)) return 0;
  if (!SkipGuardedHeader()) startInclude = true;
  return 1;
}

void NoteDirective(bool startedActive, const char* ifndefName) {
  FileFrame* f = fileStack;
  if (f == nullptr || f->guardState < 0) return;
  const int depth = ConditionDepth();
  switch (f->guardState) {
    case 0:
      if (startedActive && ifndefName != nullptr && suppress && depth == f->conditionsAtEntry + 1 &&
          strlen(ifndefName) < sizeof f->guardName) {
        snprintf(f->guardName, sizeof f->guardName, "%s", ifndefName);
        f->guardState = 1;
      } else {
        f->guardState = -1;
      }
      break;
    case 1:
      if (startedActive || depth < f->conditionsAtEntry || (depth > f->conditionsAtEntry && !suppress))
        f->guardState = -1;
      else if (depth == f->conditionsAtEntry)
        f->guardState = suppress ? -1 : 2;
      break;
    default:
      f->guardState = -1;
      break;
  }
}

int ImportFile() { return PrepInclude(kDirImport); }

int SqlInclude(const char* name) {
  if (!FindHeader(name != nullptr ? name : "", kIncAngle, false, false)) return 0;
  startInclude = true;
  return 1;
}

int ForcedInclude(const char* name, int kind) {
  return FindHeader(name != nullptr ? name : "", kind, false, true);
}

void DoInclude() {
  FileFrame* f = nextHeader;
  if (f == nullptr) return;
  nextHeader = nullptr;
  f->next = fileStack;
  fileStack = f;
  headerName = FileName(f->fileIndex);
  headerPath = PathName(f->pathIndex);
  StartGuardWatch(f);
  if (showProgress) {
    fflush(stdout);
    const int kind = static_cast<int>((f->flags >> kFrameKindShift) & 3u);
    fputs((f->flags & kFrameRulesApply) != 0 ? "# Checking " : "#  Reading ", stderr);
    fprintf(stderr, kind == kIncAngle ? "header file <%s>" : "header file \"%s\"", headerName);
    if (*headerPath != 0) fprintf(stderr, "  in  %s", headerPath);
    fputs("\n", stderr);
  }
  if (CheckingSource()) SetIncludeDepth(f->depth, true);
}

bool LeaveHeader() {
  FileFrame* f = fileStack;
  // Several rule sources are compiled as one text: the end of one goes on
  // with the next.
  if (checkRules && compiling && f != nullptr && f->next == nullptr && thisRuleFile != nullptr &&
      thisRuleFile->next != nullptr) {
    thisRuleFile = thisRuleFile->next;
    PopFile();
    OpenRules(thisRuleFile->name, "r", true, true);
    return true;
  }
  // A file with nothing below it has no includer to return to.
  if (f == nullptr || f->depth == 0 || f->next == nullptr) return false;
  AddHeader(FileName(f->fileIndex));
  EndGuardWatch(f);
  const int v = f->depth;
  PopFile();
  FileFrame* back = fileStack;
  if (showProgress) {
    fflush(stdout);
    const int kind = static_cast<int>((back->flags >> kFrameKindShift) & 3u);
    fprintf(stderr, kind == kIncAngle ? "#    Returning to file <%s>\n" : "#    Returning to file \"%s\"\n",
            FileName(back->fileIndex));
  }
  if (back->depth > 0) {
    headerName = FileName(back->fileIndex);
    headerPath = PathName(back->pathIndex);
  } else {
    headerName = headerPath = "";
  }
  // The depth rules see the header left before a next forced header begins,
  // so that the value stays the depth of the file being read.
  if (CheckingSource()) {
    SetIncludeDepth(v, true);
    ZeroMostVars();
    SetIncludeDepth(v - 1, false);
  }
  if (back->depth == 0) OpenNextForced();
  return true;
}

bool PlainLineEnds(const char* text, size_t length) {
  return memchr(text, '\r', length) == nullptr && memchr(text, 26, length) == nullptr;
}

void ForgetHeaderFiles() {
  foundHeaders.clear();
  for (auto& [path, h] : headerFiles) {
    if (h->readers == 0)
      delete h;
    else
      h->forgotten = true;
  }
  headerFiles.clear();
}

void MakeTotalPath(const char* directory, const char* relative, char* result, size_t size, bool useRelative) {
  std::string s = directory != nullptr ? directory : "";
  if (useRelative && relative != nullptr) s += relative;
  snprintf(result, size, "%s", s.c_str());
}

void AddHeader(const char* name) {
  if (name == nullptr || *name == 0) return;
  for (const std::string& h : modIncludes)
    if (h == name) return;
  modIncludes.emplace_back(name);
}

int TestHeader(const char* name) {
  if (name == nullptr || *name == 0) return 0;
  for (const std::string& h : modIncludes)
    if (h == name) return 1;
  return 0;
}

int ReadHeadersOnce(int fileIndex) { return readAllHeadersOnce && TestHeader(FileName(fileIndex)); }

void ClearModuleHeaders() { modIncludes.clear(); }

void SetHeaderOptS(const char* name, int kind, int value, int flag) {
  for (HeaderOption& o : optsHdrList) {
    if (o.kind == kind && o.name == name) {
      o.level = value;
      o.flag = flag;
      return;
    }
  }
  optsHdrList.insert(optsHdrList.begin(), HeaderOption{name, kind, value, flag});
}

void AddForcedHeader(const char* name, int kind) {
  for (const ForcedHeader& h : forceHdrList)
    if (h.kind == kind && h.name == name) return;
  forceHdrList.push_back(ForcedHeader{name, kind});
}

void DelForcedHeader(const char* name, int kind) {
  for (size_t i = 0; i < forceHdrList.size(); ++i) {
    if (forceHdrList[i].kind == kind && forceHdrList[i].name == name) {
      forceHdrList.erase(forceHdrList.begin() + static_cast<long>(i));
      if (nextForced > i) --nextForced;
      return;
    }
  }
}

void Remove1HeaderPath() {
  StrCell** head = nullptr;
  if (newHeaderList != nullptr)
    head = &newHeaderList;
  else if (headerList != nullptr && headerList != headerListBoundary && movedHeaders > 0)
    head = &headerList;
  if (head == nullptr) return;
  if (head == &headerList) --movedHeaders;
  ++listVersion;
  StrCell* cell = *head;
  *head = cell->next;
  cell->next = nullptr;
  FreeStrCells(cell);
}

}  // namespace mv
