// The macro table and macro expansion: #define and #undef, the command-line
// definitions, the predefined macros of the dialects, and the expander the
// lexer asks about every identifier. Expansion works on a stream of pending
// tokens in front of the source: a macro's replacement goes back to the
// front of the stream and is rescanned with what follows it; every token
// carries the set of names whose expansion produced it, and a name in its own
// set is never expanded again.
#include "frontend/macros.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_map>

#include "analysis/module.h"
#include "driver/options.h"
#include "driver/run.h"
#include "frontend/files.h"
#include "frontend/lex.h"
#include "frontend/lex2.h"
#include "frontend/line.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "support/mverror.h"
#include "support/public.h"

namespace mv {

// ---- Token texts -----------------------------------------------------------------

namespace {

// The interned texts: an open-addressing table of the texts, whose
// characters live in large blocks that are never freed.
struct TextEntry {
  const char* text;
  uint32_t length;
  uint32_t hash;
};
std::vector<TextEntry> textSlots(1u << 12);
size_t textsUsed;
char* blockAt;
size_t blockRoom;

// Eight bytes at a time: token texts are mostly short.
uint32_t TextHash(const char* text, size_t length) {
  uint64_t h = length * 0x9E3779B97F4A7C15ull;
  size_t i = 0;
  for (; i + 8 <= length; i += 8) {
    uint64_t w;
    memcpy(&w, text + i, 8);
    h = (h ^ w) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
  }
  if (i < length) {
    uint64_t w = 0;
    for (size_t k = 0; i + k < length; ++k) w |= static_cast<uint64_t>(static_cast<unsigned char>(text[i + k])) << (8 * k);
    h = (h ^ w) * 0xC2B2AE3D27D4EB4Full;
    h ^= h >> 29;
  }
  return static_cast<uint32_t>(h ^ (h >> 32));
}

const char* StoreText(const char* text, size_t length) {
  constexpr size_t kBlock = 1u << 16;
  char* at;
  if (length + 1 > kBlock / 4) {
    at = new char[length + 1];
  } else {
    if (length + 1 > blockRoom) {
      blockAt = new char[kBlock];
      blockRoom = kBlock;
    }
    at = blockAt;
    blockAt += length + 1;
    blockRoom -= length + 1;
  }
  memcpy(at, text, length);
  at[length] = 0;
  return at;
}

void GrowTexts() {
  std::vector<TextEntry> old(textSlots.size() * 2);
  old.swap(textSlots);
  const size_t mask = textSlots.size() - 1;
  for (const TextEntry& e : old) {
    if (e.text == nullptr) continue;
    size_t at = e.hash & mask;
    while (textSlots[at].text != nullptr) at = (at + 1) & mask;
    textSlots[at] = e;
  }
}

}  // namespace

// Texts of one character (most punctuators) are kept in a table of their own.
struct SingleTexts {
  char text[256][2];
  constexpr SingleTexts() : text{} {
    for (int c = 0; c < 256; ++c) text[c][0] = static_cast<char>(c);
  }
};
constexpr SingleTexts kSingleTexts;

const char* InternText(const char* text, size_t length) {
  if (length == 0) return kEmptyText;
  if (length == 1) return kSingleTexts.text[static_cast<unsigned char>(text[0])];
  const uint32_t h = TextHash(text, length);
  const size_t mask = textSlots.size() - 1;
  size_t at = h & mask;
  for (; textSlots[at].text != nullptr; at = (at + 1) & mask) {
    const TextEntry& e = textSlots[at];
    if (e.hash == h && e.length == length && memcmp(e.text, text, length) == 0) return e.text;
  }
  const char* stored = StoreText(text, length);
  textSlots[at] = TextEntry{stored, static_cast<uint32_t>(length), h};
  if (++textsUsed * 2 > textSlots.size()) GrowTexts();
  return stored;
}

PPText saveMacro;
PPText macName;
std::string pragName;
int conflictFile;
int skipMacroOps;
bool exitOnError, allowPPSearch;
bool (*ppEnumHook)(const char* name, int32_t* value);
int32_t (*ppFirstDimensionHook)(const char* name);

// The pending tokens, kept in reverse order in a vector: the front is the
// last element, so that putting a replacement in front of the stream and
// taking tokens from it move no other token and, once the vector has grown,
// allocate nothing.
struct PPQueue {
  std::vector<PPTok> v;
  bool empty() const { return v.empty(); }
  PPTok& front() { return v.back(); }
  void pop_front() { v.pop_back(); }
  void push_front(PPTok&& t) { v.push_back(std::move(t)); }
  void clear() { v.clear(); }
};

struct PPStream {
  PPQueue q;
  bool source;  // the line reader follows the pending tokens
};

namespace {

constexpr int kEol = 13;

// evt_, lex2_, op_ and mod_ indexes.
enum : int { kEvtBadCall = 3, kEvtConflictLine = 8, kEvtNullArg = 17, kEvtPasteFailed = 19 };
enum : int { kLexMacro = 8 };
enum : int { kOpMacroArg = 10, kOpMacroBegin = 11, kOpMacroCall = 12 };
enum : int { kPrjConflicts = 4, kPrjMacros = 15 };

Macro* modMacros[kHashChains];
// The macros of each table once more, on the slots of a second, finer hash
// (chained through slotNext, the newest first as in the buckets): lookups
// walk these short chains, and most identifiers meet an empty slot.
constexpr size_t kSlots = 1u << 14;
Macro* modSlots[kSlots];
// A directive or a rule met while a call's arguments are read may undefine
// the macro being expanded: its record stays until no expansion is running.
int runningExpansions;
std::vector<Macro*> retiredMacros;
// In cross-module project checking, the first definition of each name made
// by the project's earlier modules; it lives until the project ends.
Macro* prjMacros[kHashChains];
Macro* prjSlots[kSlots];
std::set<std::string, std::less<>> undefList;
PPStream top{{}, true};
bool readingSource;  // the expander reads raw tokens through the lexer
bool clPending;      // the -D and -U options are still to be applied to this module
char dateText[16] = "Jan  1 1970";
char timeText[16] = "00:00:00";

// Names are interned, so that the text's address stands for the name.
std::unordered_map<const char*, int> nameIds;
int NameId(const PPText& name) {
  const auto [at, isNew] = nameIds.try_emplace(name.c_str(), static_cast<int>(nameIds.size()) + 1);
  return at->second;
}

// Hide sets are interned: a token holds the index of its sorted set of name
// ids, so that tokens copy and compare them as one number; index 0 is the
// empty set. Few distinct sets occur, and the operations on them repeat, so
// their results are kept.
std::vector<std::vector<int>> hideSets{{}};
std::map<std::vector<int>, int> hideIndex{{{}, 0}};
std::unordered_map<uint64_t, int> hideUnions, hideMeets, hideWiths;

int InternHide(std::vector<int>&& set) {
  auto [at, isNew] = hideIndex.emplace(set, static_cast<int>(hideSets.size()));
  if (isNew) hideSets.push_back(std::move(set));
  return at->second;
}

uint64_t HidePair(int a, int b) { return (static_cast<uint64_t>(static_cast<uint32_t>(a)) << 32) | static_cast<uint32_t>(b); }

int HideUnion(int a, int b) {
  if (a == b || b == 0) return a;
  if (a == 0) return b;
  auto [at, isNew] = hideUnions.try_emplace(HidePair(a, b), 0);
  if (isNew) {
    std::vector<int> u;
    std::set_union(hideSets[a].begin(), hideSets[a].end(), hideSets[b].begin(), hideSets[b].end(),
                   std::back_inserter(u));
    at->second = InternHide(std::move(u));
  }
  return at->second;
}

int HideIntersection(int a, int b) {
  if (a == b) return a;
  if (a == 0 || b == 0) return 0;
  auto [at, isNew] = hideMeets.try_emplace(HidePair(a, b), 0);
  if (isNew) {
    std::vector<int> both;
    std::set_intersection(hideSets[a].begin(), hideSets[a].end(), hideSets[b].begin(), hideSets[b].end(),
                          std::back_inserter(both));
    at->second = InternHide(std::move(both));
  }
  return at->second;
}

int HideWith(int a, int id) {
  auto [known, isNew] = hideWiths.try_emplace(HidePair(a, id), a);
  if (!isNew) return known->second;
  std::vector<int> set = hideSets[a];
  auto at = std::lower_bound(set.begin(), set.end(), id);
  if (at != set.end() && *at == id) return a;
  set.insert(at, id);
  const int with = InternHide(std::move(set));
  known->second = with;
  return with;
}

bool Hidden(const PPTok& t, int id) {
  const std::vector<int>& set = hideSets[t.hide];
  return std::binary_search(set.begin(), set.end(), id);
}

bool RulesOnLexLine() { return lexLine != nullptr && (lexLine->flags & kLineRulesApply) != 0; }
bool HasRules(int cls, int index) { return mvRule[cls] != nullptr && mvRule[cls][index] != nullptr; }

// Fires a lexical event at the lexer's line.
// Nothing happens when the class has no rules at all.
void FireAtLexer(int cls, int index, int32_t value) {
  if (mvRule[cls] == nullptr) return;
  FireLexEvent(cls, index, value);
}

bool IsBlank(int ch) { return ch == ' ' || ch == '\t' || ch == 11 || ch == 12 || ch == 10; }

// ---- Raw tokens from the source ------------------------------------------------------

// Inside a directive: skips blanks and comments; false at the line end.
bool DirectiveBlanks() {
  for (;;) {
    int ch = lexChar;
    if (ch == kEol || ch < 0) return false;
    if (IsBlank(ch)) {
      lexChar = NextChar();
    } else if (ch == '/' && CommentAhead()) {
      SkipComment(&ch);
      lexChar = ch;
    } else {
      return true;
    }
  }
}

// Few distinct number suffixes occur; each is kept once.
const char* InternSuffix(std::string_view text) {
  if (text.empty()) return "";
  static std::set<std::string, std::less<>> suffixes;
  auto at = suffixes.find(text);
  if (at == suffixes.end()) at = suffixes.emplace(text).first;
  return at->c_str();
}

void FromLexer(int code, PPTok* t) {
  t->code = code;
  t->text = lexTokenValue;
  t->white = lex1WhiteAfter;
  t->wide = (code == kTokString || code == kTokChar) && isWide;
  t->floatSuffix = code == kTokFloat && floatBySuffix ? 'f' : 0;
  t->suffix = code == kTokInt || code == kTokFloat ? InternSuffix(lexNumberSuffix) : "";
  t->noExpand = false;
  t->param = -1;
  t->hide = 0;
}

// The next source token without expansion; inside a directive it stops at
// the end of the line.
bool RawSourceToken(PPTok* t) {
  if (inDirective && !inMacroDef && !DirectiveBlanks()) return false;
  const bool savedExpand = expandAllowed, savedReading = readingSource;
  expandAllowed = false;
  readingSource = true;
  const int code = Lex1();
  expandAllowed = savedExpand;
  readingSource = savedReading;
  if (code == 0) return false;
  FromLexer(code, t);
  return true;
}

bool StreamNext(PPStream& s, PPTok* t) {
  while (!s.q.empty()) {
    *t = std::move(s.q.front());
    s.q.pop_front();
    if (t->code != kTokEmpty) return true;
  }
  return s.source && RawSourceToken(t);
}

// True when the next token of the stream is '('; a source '(' is consumed.
// Outside directives line ends may come between; a comment prevents it.
bool TakeParen(PPStream& s) {
  while (!s.q.empty() && s.q.front().code == kTokEmpty) s.q.pop_front();
  if (!s.q.empty()) {
    if (s.q.front().code != '(') return false;
    s.q.pop_front();
    return true;
  }
  if (!s.source) return false;
  int ch = lexChar;
  while (ch >= 0 && (IsBlank(ch) || (ch == kEol && !inDirective))) ch = lexChar = NextChar();
  if (ch != '(') return false;
  // A '(' that begins a line is no directive line; the line end after it
  // arms the check for the next line again.
  checkForPPD = false;
  lexChar = NextChar();
  return true;
}

// ---- Text of tokens ------------------------------------------------------------------

std::string TokText(const PPTok& t) {
  const std::string text(t.text);
  switch (t.code) {
    case kTokString: return (t.wide ? "L\"" : "\"") + text + "\"";
    case kTokChar: return (t.wide ? "L'" : "'") + text + "'";
    case kTokInt: return text + t.suffix;
    case kTokFloat:
      if (*t.suffix != 0) return text + t.suffix;
      return t.floatSuffix != 0 ? text + t.floatSuffix : text;
    case kTokEmpty: return "";
    default: return text;
  }
}

// A string or character constant inside a stringized argument: every '"'
// and '\\' of it, the quotes included, gets a backslash, so that the new
// string holds the constant as it was written.
std::string QuotedText(const PPTok& t) {
  const std::string written = TokText(t);
  std::string out;
  for (char c : written) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out;
}

PPTok Stringize(const PPList& arg) {
  PPTok s;
  s.code = kTokString;
  size_t last = arg.size();
  while (last > 0 && arg[last - 1].code == kTokEmpty) --last;
  std::string text;
  for (size_t i = 0; i < last; ++i) {
    const PPTok& t = arg[i];
    if (t.code == kTokEmpty) continue;
    if (t.code == kTokString || t.code == kTokChar) text += QuotedText(t);
    else text += TokText(t);
    if (t.white && i + 1 < last) text += ' ';
  }
  s.text = text;
  return s;
}

// ---- Tokenizing text -----------------------------------------------------------------

struct OpText {
  const char* text;
  int code;
};
constexpr OpText kOps[] = {
    {"<<=", kTokShlAsg}, {">>=", kTokShrAsg}, {"->*", kTokArrowStar}, {"...", kTokEllipsis},
    {"||", kTokOrOr}, {"&&", kTokAndAnd}, {"==", kTokEq}, {"!=", kTokNe}, {"<=", kTokLe},
    {">=", kTokGe}, {"<<", kTokShl}, {">>", kTokShr}, {"++", kTokInc}, {"--", kTokDec},
    {"->", kTokArrow}, {"+=", kTokAddAsg}, {"-=", kTokSubAsg}, {"*=", kTokMulAsg},
    {"/=", kTokDivAsg}, {"%=", kTokModAsg}, {"&=", kTokAndAsg}, {"^=", kTokXorAsg},
    {"|=", kTokOrAsg}, {"::", kTokScope}, {".*", kTokDotStar}, {"##", kTokPaste},
};

bool IdentChar(int ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == '_' ||
         ch == '$';
}
bool IsDigitChar(int ch) { return ch >= '0' && ch <= '9'; }

}  // namespace

PPList TokenizeText(const char* text) {
  PPList out;
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  while (*p != 0) {
    if (*p <= ' ') {
      if (!out.empty()) out.back().white = true;
      ++p;
      continue;
    }
    PPTok t;
    const unsigned char* start = p;
    if ((*p == 'L' && (p[1] == '"' || p[1] == '\'')) || *p == '"' || *p == '\'') {
      if (*p == 'L') t.wide = true, ++p;
      const unsigned char quote = *p++;
      const unsigned char* body = p;
      while (*p != 0 && *p != quote) p += (*p == '\\' && p[1] != 0) ? 2 : 1;
      t.code = quote == '"' ? kTokString : kTokChar;
      t.text = std::string_view(reinterpret_cast<const char*>(body), static_cast<size_t>(p - body));
      if (*p != 0) ++p;
    } else if (IsDigitChar(*p) || (*p == '.' && IsDigitChar(p[1]))) {
      bool hex = p[0] == '0' && (p[1] == 'x' || p[1] == 'X');
      bool isFloatNum = false;
      while (IdentChar(*p) || *p == '.' ||
             ((*p == '+' || *p == '-') && !hex && (p[-1] == 'e' || p[-1] == 'E'))) {
        if (*p == '.' || (!hex && (*p == 'e' || *p == 'E'))) isFloatNum = true;
        ++p;
      }
      std::string s(reinterpret_cast<const char*>(start), static_cast<size_t>(p - start));
      const size_t written = s.size();
      if (isFloatNum) {
        t.code = kTokFloat;
        if (!s.empty() && (s.back() == 'l' || s.back() == 'L')) s.pop_back();
        if (!s.empty() && (s.back() == 'f' || s.back() == 'F')) t.floatSuffix = 'f', s.pop_back();
      } else {
        t.code = kTokInt;
        while (s.size() > 1 && strchr("uUlL", s.back()) != nullptr) s.pop_back();
      }
      t.suffix = InternSuffix(std::string_view(reinterpret_cast<const char*>(start) + s.size(), written - s.size()));
      t.text = s;
    } else if (IdentChar(*p) || *p == '@') {
      while (IdentChar(*p) || *p == '@') ++p;
      t.code = kTokIdent;
      t.text = std::string_view(reinterpret_cast<const char*>(start), static_cast<size_t>(p - start));
    } else {
      t.code = *p;
      t.text = std::string_view(reinterpret_cast<const char*>(p), 1);
      for (const OpText& op : kOps) {
        const size_t n = strlen(op.text);
        if (strncmp(reinterpret_cast<const char*>(p), op.text, n) == 0) {
          t.code = op.code;
          t.text = op.text;
          break;
        }
      }
      p += t.text.size();
    }
    out.push_back(std::move(t));
  }
  return out;
}

std::string ListText(const PPList& list) {
  std::string s;
  for (size_t i = 0; i < list.size(); ++i) {
    s += TokText(list[i]);
    if (list[i].white && i + 1 < list.size()) s += ' ';
  }
  return s;
}

// ---- The table -----------------------------------------------------------------------


namespace {

// The name's slot in modSlots, from its length and its first and last
// eight bytes: a lookup that most names fail costs no walk over the name.
size_t NameSlot(std::string_view name) {
  const size_t n = name.size();
  uint64_t head = 0, tail = 0;
  if (n >= 8) {
    memcpy(&head, name.data(), 8);
    memcpy(&tail, name.data() + n - 8, 8);
  } else {
    for (size_t i = 0; i < n; ++i) head |= static_cast<uint64_t>(static_cast<unsigned char>(name[i])) << (8 * i);
  }
  const uint64_t h = (head * 0x9E3779B97F4A7C15ull) ^ (tail * 0xC2B2AE3D27D4EB4Full) ^ (n * 0x165667B19E3779F9ull);
  return static_cast<size_t>(h >> 50);  // 14 bits
}

Macro** SlotsOf(Macro* const* table) { return table == modMacros ? modSlots : prjSlots; }

Macro* FindIn(Macro* const* table, std::string_view name) {
  for (Macro* m = SlotsOf(table)[NameSlot(name)]; m != nullptr; m = m->slotNext)
    if (std::string_view(m->name) == name) return m;
  return nullptr;
}

// Forgotten macro records, kept with the room of their lists: a module
// defines hundreds of macros, and the next module's definitions then reuse
// the records of the last one's.
struct SpareMacros {
  std::vector<Macro*> records;
  ~SpareMacros() {
    for (Macro* m : records) delete m;
  }
};
SpareMacros spareMacros;

Macro* NewMacro(const PPText& name) {
  Macro* m;
  if (spareMacros.records.empty()) {
    m = new Macro{};
  } else {
    m = spareMacros.records.back();
    spareMacros.records.pop_back();
    m->next = m->slotNext = nullptr;
    m->fileIndex = 0;
    m->line = 0;
    m->flags = 0;
    m->special = 0;
    m->params.clear();
    m->body.clear();
    m->nameId = 0;
  }
  m->name = name;
  if (fileStack != nullptr) m->fileIndex = fileStack->fileIndex;
  if (lexLine != nullptr) m->line = lexLine->number;
  return m;
}

void FreeMacro(Macro* m) { spareMacros.records.push_back(m); }

void Insert(Macro* m) {
  m->slot = static_cast<uint32_t>(NameSlot(m->name));
  Macro*& first = modSlots[m->slot];
  m->slotNext = first;
  first = m;
  Macro*& head = modMacros[Hashit(m->name.c_str())];
  m->next = head;
  head = m;
}

bool SameList(const PPList& a, const PPList& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].code != b[i].code || a[i].text != b[i].text || strcmp(a[i].suffix, b[i].suffix) != 0 ||
        a[i].param != b[i].param)
      return false;
  return true;
}

// conflict_line and conflict_file name an earlier definition.
void SetConflict(const Macro* old) {
  conflictFile = old->fileIndex;
  if (!checkRules && mvValue[evt_] != nullptr) mvValue[evt_][kEvtConflictLine] = static_cast<MVWord>(old->line);
}

bool IsBenign(const Macro* n, const Macro* o) {
  return (n->flags & kMacroFunction) == (o->flags & kMacroFunction) && n->params.size() == o->params.size() &&
         SameList(n->body, o->body);
}

void Manifest(const char* name, int code, const char* text, int special = 0) {
  Macro* m = NewMacro(PPText(name));
  m->flags = kMacroPredefined;
  m->special = special;
  m->fileIndex = 0;
  m->line = 0;
  PPTok t;
  t.code = code;
  t.text = text;
  m->body.push_back(t);
  Insert(m);
}

void FreeTable(Macro** table) {
  Macro** slots = SlotsOf(table);
  for (int i = 0; i < kHashChains; ++i) {
    for (Macro* m = table[i]; m != nullptr;) {
      Macro* next = m->next;
      slots[m->slot] = nullptr;
      FreeMacro(m);
      m = next;
    }
    table[i] = nullptr;
  }
}

}  // namespace

Macro* FindMacro(const char* name) {
  Macro* m = FindIn(modMacros, name);
  if (m == nullptr || m->special == 0) return m;
  PPTok& t = m->body[0];
  switch (m->special) {
    case 1: t.text = fileStack != nullptr ? FileName(fileStack->fileIndex) : ""; break;
    case 2: t.text = std::to_string(lexLine != nullptr ? lexLine->number : 0); break;
    case 3: t.text = dateText; break;
    default: t.text = timeText; break;
  }
  return m;
}

bool IsMacroDefined(const char* name) {
  return FindIn(modMacros, name) != nullptr || FindIn(prjMacros, name) != nullptr;
}

bool IsModuleMacro(const char* name) { return FindIn(modMacros, name) != nullptr; }

void ScanDefine(const char* name, const char* text) {
  if (name == nullptr || *name == 0) return;
  if (strcmp(name, "NO_EXT_KEYS") == 0) extendedKeys = 0;
  Macro* m = NewMacro(PPText(name));
  if (text != nullptr) m->body = TokenizeText(text);
  Insert(m);
}

void UndefMacro(const char* name, bool fromSource) {
  if (!checkRules && needUndefs) undefList.insert(name);
  Macro** link = &modMacros[Hashit(name)];
  while (*link != nullptr && (*link)->name != name) link = &(*link)->next;
  if (*link == nullptr) return;
  Macro* gone = *link;
  *link = gone->next;
  Macro** slot = &modSlots[gone->slot];
  while (*slot != gone) slot = &(*slot)->slotNext;
  *slot = gone->slotNext;
  if (runningExpansions > 0)
    retiredMacros.push_back(gone);
  else
    FreeMacro(gone);
  // What follows only sets pp_ variables; the walk over every body is
  // skipped when no rule reads them.
  if (!fromSource || !pp_needed || checkRules) return;
  SetPPVar(kPPUndef);
  if (FindIn(modMacros, name) != nullptr) SetPPVar(kPPUnstack);
  for (Macro* chain : modMacros)
    for (Macro* m = chain; m != nullptr; m = m->next)
      for (const PPTok& t : m->body)
        if (t.text == name) {
          SetPPVar(kPPDepend);
          goto done;
        }
done:;
}

int TestUndef(const char* name) {
  if (checkRules || name == nullptr || *name == 0) return 0;
  return undefList.count(name) == 0 ? 1 : 0;
}

// ---- #define --------------------------------------------------------------------------

void ScanMacro() {
  expandAllowed = false;
  inMacroDef = true;
  struct Restore {
    ~Restore() {
      inMacroDef = false;
      expandAllowed = true;
    }
  } restore;
  PPTok name;
  if (!RawSourceToken(&name) || name.code != kTokIdent) FatalError(3, FatalText(3));
  if (std::any_of(name.text.begin(), name.text.end(), [](char c) { return c >= 'a' && c <= 'z'; }))
    SetPPVar(kPPLowercase);
  SetPPInt(kPPMacro, static_cast<int32_t>(name.text.size()));
  if (name.text == "NO_EXT_KEYS") extendedKeys = 0;
  macName = name.text;
  Macro* m = NewMacro(name.text);
  // A fatal error while the definition is read gives the record back.
  struct Owner {
    Macro* m;
    ~Owner() {
      if (m != nullptr) FreeMacro(m);
    }
  } owner{m};
  if (lexChar == '(') {
    m->flags |= kMacroFunction;
    lexChar = NextChar();
    PPTok p;
    bool first = true;
    for (;;) {
      if (!RawSourceToken(&p)) FatalError(4, FatalText(4));
      if (first && p.code == ')') break;
      first = false;
      if (p.code == kTokEllipsis) {
        m->params.emplace_back("__VA_ARGS__");
        m->flags |= kMacroVariadic;
      } else if (p.code == kTokIdent) {
        m->params.emplace_back(p.text);
      } else {
        FatalError(5, FatalText(5));
      }
      if (!RawSourceToken(&p)) FatalError(4, FatalText(4));
      if (p.code == kTokEllipsis && (m->flags & kMacroVariadic) == 0) {
        m->flags |= kMacroVariadic;
        SetPPVar(kPPNotAnsi);
        if (!RawSourceToken(&p)) FatalError(4, FatalText(4));
      }
      if (p.code == ')') break;
      if (p.code != ',') FatalError(6, FatalText(6));
    }
    const int count = static_cast<int>(std::min<size_t>(m->params.size(), kMaxMacroParams));
    m->flags |= static_cast<uint32_t>(count) << 23;
    if (count > 0) SetPPInt(kPPArgCount, count);
    else SetPPVar(kPPEmptyArglist);
  } else if (pp_needed && FindStdCppKeyword(name.text.c_str()) != kTokIdent) {
    SetPPVar(kPPKeyword);
  }
  const bool function = (m->flags & kMacroFunction) != 0;
  int length = 0;
  // Uses of each parameter in the body; kept from one definition to the next.
  static std::vector<int> refs;
  refs.assign(m->params.size(), 0);
  // The body grows in the record's own list, whose room a reused record keeps.
  PPList& body = m->body;
  for (int code; (code = Lex1()) != 0;) {
    PPTok t;
    FromLexer(code, &t);
    if (leadComment && noWhite) {
      SetPPVar(kPPComment);
      if (!ansiKeys && !body.empty()) {
        PPTok paste;
        paste.code = kTokPaste;
        paste.text = "##";
        paste.param = -2;
        body.push_back(paste);
      }
    }
    length += static_cast<int>(t.text.size()) + (t.white ? 1 : 0);
    if (code == kTokPaste) t.param = -2;
    if (function && code == kTokString) {
      for (const PPText& p : m->params)
        if (t.text.find(p) != std::string::npos) SetPPVar(kPPArgString);
    }
    if (code == kTokIdent) {
      for (size_t i = 0; i < m->params.size(); ++i)
        if (m->params[i] == t.text) {
          t.param = static_cast<int>(i);
          ++refs[i];
        }
      if (t.text == m->name) SetPPVar(kPPRecursive);
    }
    body.push_back(std::move(t));
    if (lexChar == kEol || lexChar < 0) break;
  }
  PPList& b = m->body;
  for (size_t i = 0; i < b.size(); ++i) {
    if (b[i].param < 0) continue;
    const bool parened = i > 0 && b[i - 1].code == '(' && i + 1 < b.size() && b[i + 1].code == ')';
    if (!parened) SetPPVar(kPPArgParen);
  }
  if (!function && b.size() == 1) {
    const int c = b[0].code;
    if (c == kTokString || c == kTokInt || c == kTokChar || c == kTokFloat) SetPPVar(kPPConst);
  }
  if (Macro* old = FindIn(modMacros, m->name); old != nullptr) {
    if (IsBenign(m, old)) {
      SetPPVar(kPPBenign);
    } else {
      SetPPVar(kPPStack);
      SetPPVar(kPPMacroConflict);
      SetConflict(old);
    }
  } else if (!checkRules) {
    ++modData.macros;
  }
  // The project table holds the macros of the project's earlier modules.
  if (Macro* old = FindIn(prjMacros, m->name); old != nullptr && old->fileIndex != m->fileIndex) {
    SetPPVar(kPPMacroDup);
    SetConflict(old);
    if (!IsBenign(m, old)) {
      SetPPVar(kPPMacroConflict);
      if (!checkRules && mvValue[prj_] != nullptr) mvValue[prj_][kPrjConflicts] += 1;
    }
  }
  if (b.empty()) SetPPVar(kPPEmptyBody);
  else if (b.back().code == ';') SetPPVar(kPPSemicolon);
  SetPPInt(kPPLength, length - 1);
  if (b.size() >= 2 && !function && b[0].code == '=') SetPPVar(kPPAssign);
  for (int n : refs)
    if (n > 1) SetPPVar(kPPArgMultiple);
  if (fileStack != nullptr && ((fileStack->flags >> kFrameKindShift) & 3u) == 2) {
    if (auto at = undefList.find(std::string_view(m->name)); at != undefList.end()) undefList.erase(at);
  }
  Insert(m);
  owner.m = nullptr;
}

// ---- Expansion ------------------------------------------------------------------------

namespace {

// Token lists emptied by finished expansions, kept with their capacity for
// the next ones: a call's arguments and replacement then allocate nothing
// once the buffers have grown. Expansions nest, so there is a stack of them.
std::vector<PPList> spareLists;

PPList TakeList() {
  if (spareLists.empty()) return {};
  PPList l = std::move(spareLists.back());
  spareLists.pop_back();
  return l;
}

void GiveList(PPList& l) {
  l.clear();
  if (l.capacity() != 0 && l.capacity() <= 4096 && spareLists.size() < 256) spareLists.push_back(std::move(l));
}

// The same for the groups of lists that hold a call's arguments.
std::vector<std::vector<PPList>> spareGroups;

std::vector<PPList> TakeGroup(size_t n) {
  std::vector<PPList> g;
  if (!spareGroups.empty()) {
    g = std::move(spareGroups.back());
    spareGroups.pop_back();
  }
  g.resize(n);
  return g;
}

void GiveGroup(std::vector<PPList>& g) {
  for (PPList& l : g) GiveList(l);
  g.clear();
  if (g.capacity() != 0 && spareGroups.size() < 64) spareGroups.push_back(std::move(g));
}

// White space followed the last macro call expanded (its name, or the ')'
// that closed its arguments).
bool lastCallWhite;

// A paste formed "//": the rest of the replacement, and where the source is
// being read the rest of its line, is a comment.
bool pastedComment;

// Joins two tokens; false when they do not form one token (then both stay).
bool Paste(const PPTok& left, const PPTok& right, PPList* out) {
  std::string text = TokText(left);
  std::string r = TokText(right);
  if (r.size() > 511) r.resize(511);
  text += r;
  if (text.size() >= kPasteBuffer) FatalError(12, FatalText(12));
  if (text.compare(0, 2, "//") == 0) {
    if (lexLine != nullptr) {
      lexLine->flags |= kLinePasteComment;
      if (lexLine->macroText != nullptr) FreeXString(lexLine->macroText);
      lexLine->macroText = MakeXString(text.c_str());
      lexLine->macroTextOffset = lexLine->column;
    }
    pastedComment = true;
    return true;  // a comment: both tokens are gone, and what follows them
  }
  PPList toks = TokenizeText(text.c_str());
  if (toks.empty()) return true;
  if (TokText(toks[0]) == TokText(left) && !toks[0].wide && toks.size() > 1) {
    FireAtLexer(evt_, kEvtPasteFailed, 1);
    return false;
  }
  toks.back().white = right.white;
  for (PPTok& t : toks) out->push_back(std::move(t));
  return true;
}

// Collects the arguments after the '('; the closing ')' is left in *rparen.
// False when the input ends first.
bool CollectArgs(PPStream& s, const Macro* m, std::vector<PPList>* args, PPTok* rparen) {
  const size_t nParams = m->params.size();
  const bool variadic = (m->flags & kMacroVariadic) != 0;
  const bool fire = !checkRules && HasRules(op_, kOpMacroArg);
  const bool savedParams = inMacroParams;
  inMacroParams = true;
  PPList current = TakeList();
  int depth = 0;
  bool closed = false;
  PPTok t;
  while (StreamNext(s, &t)) {
    if (fire) FireAtLexer(op_, kOpMacroArg, t.code);
    if (t.code == '(') {
      ++depth;
    } else if (t.code == ')') {
      if (depth == 0) {
        *rparen = std::move(t);
        closed = true;
        break;
      }
      --depth;
    } else if (t.code == ',' && depth == 0 && !(variadic && args->size() + 1 >= nParams)) {
      args->push_back(std::move(current));
      current = TakeList();
      continue;
    }
    current.push_back(std::move(t));
  }
  inMacroParams = savedParams;
  args->push_back(std::move(current));
  return closed;
}

void Substitute(const Macro* m, std::vector<PPList>& args, PPList* out) {
  const PPList& body = m->body;
  // An object-like macro has no arguments to expand.
  std::vector<PPList> expanded = args.empty() ? std::vector<PPList>() : TakeGroup(args.size());
  // Which arguments are expanded already (an expansion may be empty).
  std::vector<bool> doneMany(args.size() > 64 ? args.size() : 0, false);
  uint64_t doneFew = 0;
  struct GiveBack {
    std::vector<PPList>& lists;
    ~GiveBack() { GiveGroup(lists); }
  } giveBack{expanded};
  for (size_t i = 0; i < body.size(); ++i) {
    const PPTok& tok = body[i];
    const bool function = (m->flags & kMacroFunction) != 0;
    if (function && tok.code == '#' && tok.param == -1 && i + 1 < body.size() && body[i + 1].param >= 0) {
      PPTok s = Stringize(args[static_cast<size_t>(body[i + 1].param)]);
      s.white = body[i + 1].white;
      out->push_back(std::move(s));
      ++i;
      continue;
    }
    if (function && tok.code == '#' && tok.param == -1) FatalError(44, FatalText(44));
    if (tok.param < 0) {
      out->push_back(tok);
      continue;
    }
    const size_t p = static_cast<size_t>(tok.param);
    const bool pasteNext = (i > 0 && body[i - 1].code == kTokPaste && body[i - 1].param == -2) ||
                           (i + 1 < body.size() && body[i + 1].code == kTokPaste && body[i + 1].param == -2);
    const PPList* rep;
    if (pasteNext) {
      rep = &args[p];
    } else {
      const bool many = !doneMany.empty();
      if (!(many ? doneMany[p] : ((doneFew >> p) & 1u) != 0)) {
        expanded[p] = ExpandList(args[p]);
        if (many) doneMany[p] = true;
        else doneFew |= uint64_t{1} << p;
      }
      rep = &expanded[p];
    }
    if (rep->empty()) {
      if (pasteNext) {
        PPTok empty;
        empty.code = kTokEmpty;
        out->push_back(empty);
      }
      continue;
    }
    out->insert(out->end(), rep->begin(), rep->end());
    out->back().white = tok.white;
  }
}

// Does the pastes of a replacement; true when one of them formed a comment,
// which ends the replacement there.
bool PasteAll(const Macro* m, PPList* list) {
  PPList& l = *list;
  // Most replacements hold neither a ## nor an empty argument: nothing to do.
  if (std::none_of(l.begin(), l.end(), [](const PPTok& t) {
        return t.code == kTokEmpty || (t.code == kTokPaste && t.param == -2);
      }))
    return false;
  pastedComment = false;
  const bool variadic = (m->flags & kMacroVariadic) != 0;
  PPList out = TakeList();
  for (size_t i = 0; i < l.size(); ++i) {
    if (!(l[i].code == kTokPaste && l[i].param == -2)) {
      out.push_back(std::move(l[i]));
      continue;
    }
    if (out.empty()) FatalError(59, FatalText(59));
    // A run of ## operators joins its neighbours once.
    while (i + 1 < l.size() && l[i + 1].code == kTokPaste && l[i + 1].param == -2) ++i;
    if (i + 1 >= l.size()) continue;  // a ## at the end joins nothing
    PPTok right = std::move(l[++i]);
    PPTok left = std::move(out.back());
    out.pop_back();
    if (variadic && left.code == ',') {
      // GNU comma: an empty variadic argument removes the comma.
      if (right.code != kTokEmpty) out.push_back(std::move(left)), out.push_back(std::move(right));
      continue;
    }
    if (left.code == kTokEmpty) {
      out.push_back(std::move(right));
    } else if (right.code == kTokEmpty) {
      out.push_back(std::move(left));
    } else if (!Paste(left, right, &out)) {
      out.push_back(std::move(left));
      out.push_back(std::move(right));
    } else if (pastedComment) {
      break;
    }
  }
  out.erase(std::remove_if(out.begin(), out.end(), [](const PPTok& t) { return t.code == kTokEmpty; }),
            out.end());
  std::swap(l, out);
  GiveList(out);
  const bool comment = pastedComment;
  pastedComment = false;
  return comment;
}

// Expands the macro named by the token at the front of the stream. Returns
// 0 when the replacement was put in front of the stream, 1 when it was
// empty, 2 not a macro, 3 the name is being expanded already, 4 a
// function-like macro without '('.
int ExpandAt(PPStream& s, const PPTok& nameTok, bool inArg, Macro* found = nullptr) {
  Macro* m = found != nullptr ? found : FindMacro(nameTok.text.c_str());
  if (m == nullptr) return 2;
  struct Running {
    Running() { ++runningExpansions; }
    ~Running() {
      if (--runningExpansions > 0) return;
      for (Macro* gone : retiredMacros) FreeMacro(gone);
      retiredMacros.clear();
    }
  } running;
  // Most macros are never expanded: their names get an id at the first expansion.
  if (m->nameId == 0) m->nameId = NameId(m->name);
  if (Hidden(nameTok, m->nameId)) return 3;
  const bool function = (m->flags & kMacroFunction) != 0;
  std::vector<PPList> args = function ? TakeGroup(0) : std::vector<PPList>();
  PPList out = TakeList();
  struct GiveBack {
    std::vector<PPList>& args;
    PPList& out;
    ~GiveBack() {
      GiveGroup(args);
      GiveList(out);
    }
  } giveBack{args, out};
  bool lastWhite = nameTok.white;
  // The names the replacement must not expand again: the macro's own, and
  // those that hid both the name and the ')' of its call. A name whose call
  // ends beyond the expansion that produced the name is free again there.
  int hide = nameTok.hide;
  if (function) {
    if (!TakeParen(s)) {
      if (!inArg) SetPPVar(kPPOverload);
      return 4;
    }
    if (!checkRules && HasRules(op_, kOpMacroBegin))
      FireAtLexer(op_, kOpMacroBegin, static_cast<int32_t>(m->params.size()));
    PPTok rparen;
    const bool closed = CollectArgs(s, m, &args, &rparen);
    lastWhite = closed && rparen.white;
    hide = HideIntersection(hide, rparen.hide);
    const size_t nParams = m->params.size();
    if (closed) {
      if (nParams == 0) {
        if (args.size() > 1 || !args[0].empty()) Advise(3, WarningText(3));
        args.clear();
      } else {
        for (const PPList& a : args)
          if (a.empty()) FireAtLexer(evt_, kEvtNullArg, 1);
        const bool variadic = (m->flags & kMacroVariadic) != 0;
        if (args.size() != nParams && !(variadic && args.size() + 1 >= nParams)) {
          char text[kMessageBuffer];
          snprintf(text, sizeof text,
                   args.size() < nParams ? "Too few arguments for macro %s (%u required)"
                                         : "Too many arguments for macro %s (%u required)",
                   m->name.c_str(), static_cast<unsigned>(nParams));
          Advise(args.size() < nParams ? 1 : 3, text);
          FireAtLexer(evt_, kEvtBadCall, static_cast<int32_t>(args.size()) - static_cast<int32_t>(nParams));
        }
      }
    }
    args.resize(nParams);
  }
  lastCallWhite = lastWhite;
  if (lexLine != nullptr) lexLine->flags |= kLineMacro;
  if (!checkRules) {
    saveMacro = m->name;
    if (RulesOnLexLine()) {
      const bool savedRule = lexRule;
      SourceLine* const savedLine = thisLine;
      lexRule = true;
      thisLine = lexLine;
      DoFcnRule(kFnMacro, lexLine != nullptr ? lexLine->column : 0);
      if (function && HasRules(op_, kOpMacroCall)) {
        mvValue[lex2_][kLexMacro] = 1;
        Do1Rule(op_, kOpMacroCall, 1, true);
        mvValue[lex2_][kLexMacro] = 0;
      } else if (!function && HasRules(lex2_, kLexMacro)) {
        Do1Rule(lex2_, kLexMacro, 1, true);
      }
      lexRule = savedRule;
      thisLine = savedLine;
    }
  }
  if (m->body.empty()) return 1;
  if (m->body[0].code == kTokPaste && m->body[0].param == -2) FatalError(59, FatalText(59));
  out.reserve(m->body.size());
  Substitute(m, args, &out);
  if (PasteAll(m, &out) && s.source) {
    // The comment runs to the end of the line: over the rest of the
    // expansions pending on it and over the source text after the call.
    s.q.clear();
    lexChar = SkipPastedComment(lexChar);
  }
  if (out.empty()) return 1;
  hide = HideWith(hide, m->nameId);
  for (PPTok& t : out) {
    t.hide = HideUnion(t.hide, hide);
    t.param = -1;
  }
  out.back().white = lastWhite;
  for (auto it = out.rbegin(); it != out.rend(); ++it) s.q.push_front(std::move(*it));
  return 0;
}

// The next token of the stream with macros expanded. With queueOnly the
// token itself comes from the pending tokens only, though a macro call among
// them may take its arguments from the source. *whiteGap is set when a
// macro that expanded to nothing stood before white space: the token before
// it is then followed by white space (a stringized argument shows it).
bool ExpandNext(PPStream& s, PPTok* t, bool inArg, bool queueOnly = false, bool* whiteGap = nullptr) {
  for (;;) {
    if (queueOnly) {
      while (!s.q.empty() && s.q.front().code == kTokEmpty) s.q.pop_front();
      if (s.q.empty()) return false;
    }
    if (!StreamNext(s, t)) return false;
    if (t->code != kTokIdent || t->noExpand) return true;
    const int r = ExpandAt(s, *t, inArg);
    if (r == 1 && whiteGap != nullptr && lastCallWhite) *whiteGap = true;
    if (r == 0 || r == 1) continue;
    if (r == 3) t->noExpand = true;
    return true;
  }
}

// ---- The lexer's hooks ------------------------------------------------------------------

void Deliver(const PPTok& t) {
  const size_t n = std::min<size_t>(t.text.size(), kLexBuffer - 1);
  memcpy(lexTokenValue, t.text.data(), n);
  lexTokenValue[n] = 0;
  lex1WhiteAfter = t.white;
  isWide = t.wide;
  isFloat = t.code == kTokFloat;
  floatBySuffix = t.floatSuffix != 0;
  // Once per delivered token: a plain bounded copy rather than a formatted one.
  const size_t k = std::min(strlen(t.suffix), sizeof lexNumberSuffix - 1);
  memcpy(lexNumberSuffix, t.suffix, k);
  lexNumberSuffix[k] = 0;
}

int MacroToken() {
  if (readingSource || top.q.empty()) return 0;
  top.source = true;
  PPTok t;
  if (!ExpandNext(top, &t, false, true)) return 0;
  Deliver(t);
  return t.code;
}

int PeekMacro() {
  for (auto it = top.q.v.rbegin(); it != top.q.v.rend(); ++it)
    if (it->code != kTokEmpty) return it->code;
  return 0;
}

// Expands the macro names at the front of the pending tokens, so that the
// code of the next token of the expansion shows; 0 when none is pending.
int PeekExpanded() {
  if (readingSource) return PeekMacro();
  top.source = true;
  for (;;) {
    while (!top.q.empty() && top.q.front().code == kTokEmpty) top.q.pop_front();
    if (top.q.empty()) return 0;
    if (top.q.front().code != kTokIdent || top.q.front().noExpand) return top.q.front().code;
    PPTok name = std::move(top.q.front());
    top.q.pop_front();
    const int r = ExpandAt(top, name, false);
    if (r == 0 || r == 1) continue;
    if (r == 3 || r == 4) name.noExpand = true;
    top.q.push_front(std::move(name));
    return kTokIdent;
  }
}

int ExpandIdent() {
  // Most identifiers name no macro: they are turned away before a token is made.
  top.source = true;
  Macro* const m = FindMacro(lexTokenValue);
  if (m == nullptr) return 2;
  PPTok t;
  t.code = kTokIdent;
  t.text = lexTokenValue;
  t.white = lex1WhiteAfter;
  top.source = true;
  const int r = ExpandAt(top, t, false, m);
  return r <= 1 ? r : 2;
}

void ResetLexerState() {
  top.q.clear();
  readingSource = false;
  ResetConditions();
  if (clPending) {
    DoCLDefines();
    if (showPredefs) DisplayPredefs();
  }
}

// ---- Built-ins ---------------------------------------------------------------------------

const char* TextArg() { return PopPointer(); }

void MacroFn(int, int, int) {
  const char* t = TextArg();
  PushLong(t != nullptr && saveMacro == t ? 1 : 0);
}
void OpMacroFn(int, int, int) { PushPointer(HandOut(saveMacro.c_str())); }
void PPNameFn(int, int, int) { PushPointer(HandOut(macName.c_str())); }
void MacroDefinedFn(int, int, int) {
  const char* t = TextArg();
  PushLong(t != nullptr && IsMacroDefined(t) ? 1 : 0);
}
void NoUndefFn(int, int, int) { PushLong(TestUndef(TextArg())); }
void DefineFn(int, int, int) {
  const char* value = TextArg();
  const char* name = TextArg();
  if (name == nullptr) return;
  const std::string n = name, v = value != nullptr ? value : "";
  ScanDefine(n.c_str(), value != nullptr ? v.c_str() : nullptr);
}
void UndefineFn(int, int, int) {
  const char* t = TextArg();
  if (t != nullptr) {
    const std::string n = t;
    UndefMacro(n.c_str(), false);
  }
}
void PragmaFn(int, int, int) {
  const char* t = TextArg();
  PushLong(t != nullptr && pragName == t ? 1 : 0);
}
void ErrorSeverityFn(int, int, int) { exitOnError = PopLong() == 1; }
void IfSearchFn(int, int, int) { allowPPSearch = PopLong() != 0; }
void SkipMacroOpsFn(int, int, int) { skipMacroOps = PopLong(); }
void ConflictFileFn(int, int, int) { PushPointer(HandOut(FileName(conflictFile))); }

void RegisterMacroBuiltins() {
  RegisterBuiltin(kFnMacro, MacroFn, 1);
  RegisterBuiltin(81, OpMacroFn, 0);
  RegisterBuiltin(86, PPNameFn, 0);
  RegisterBuiltin(58, MacroDefinedFn, 1);
  RegisterBuiltin(72, NoUndefFn, 1);
  RegisterBuiltin(14, DefineFn, 2);
  RegisterBuiltin(133, UndefineFn, 1);
  RegisterBuiltin(87, PragmaFn, 1);
  RegisterBuiltin(85, ErrorSeverityFn, 1);
  RegisterBuiltin(44, IfSearchFn, 1);
  RegisterBuiltin(99, SkipMacroOpsFn, 1);
  RegisterBuiltin(7, ConflictFileFn, 0);
}

}  // namespace

PPList ExpandList(const PPList& list) {
  PPStream s{PPQueue{TakeList()}, false};
  s.q.v.assign(list.rbegin(), list.rend());
  PPList out = TakeList();
  PPTok t;
  bool gap = false;
  while (ExpandNext(s, &t, true, false, &gap)) {
    if (gap && !out.empty()) out.back().white = true;
    gap = false;
    out.push_back(std::move(t));
  }
  if (gap && !out.empty()) out.back().white = true;
  GiveList(s.q.v);
  return out;
}

bool DirectiveToken(PPTok* tok, bool expand) {
  top.source = true;
  return expand ? ExpandNext(top, tok, false) : StreamNext(top, tok);
}

void DropPending() { top.q.clear(); }

bool DirectiveNameToken(const char* name, PPTok* tok) {
  PPTok t;
  t.code = kTokIdent;
  t.text = name;
  t.white = IsBlank(lexChar);
  top.q.push_front(std::move(t));
  top.source = true;
  return ExpandNext(top, tok, false);
}

namespace {

bool includeWhite;  // white space follows the include token handed out last

// The include files' reader asks for the expanded tokens of an include
// line whose name is spelled by a macro.
int IncludeToken(char* text, size_t size, bool* whiteBefore) {
  *whiteBefore = includeWhite;
  PPTok t;
  if (!DirectiveToken(&t, true)) {
    includeWhite = false;
    if (size > 0) text[0] = 0;
    return 0;
  }
  includeWhite = t.white;
  snprintf(text, size, "%s", t.text.c_str());
  return t.code;
}

}  // namespace

// ---- The driver's interfaces ----------------------------------------------------------

void InitMacros() {
  undefList.clear();
  directiveHook = Preprocessor;
  skippingHook = [] { return suppress; };
  skipLineHook = [] {
    const bool saved = suppress;
    suppress = true;
    IgnoreTrailer();
    suppress = saved;
  };
  macroTokenHook = MacroToken;
  peekMacroHook = PeekMacro;
  peekMacroTextHook = [] {
    for (auto it = top.q.v.rbegin(); it != top.q.v.rend(); ++it)
      if (it->code != kTokEmpty) return it->text.c_str();
    return "";
  };
  expandHook = ExpandIdent;
  isMacroHook = [](const char* name) { return FindMacro(name) != nullptr; };
  lexResetHook = ResetLexerState;
  includeTokenHook = IncludeToken;
  peekExpandedHook = PeekExpanded;
  expandingMacroHook = [] { return saveMacro.c_str(); };
  skipMacroOps = 1;
  RegisterMacroBuiltins();
  const time_t now = time(nullptr);
  struct tm tmNow;
  localtime_r(&now, &tmNow);
  strftime(dateText, sizeof dateText, "%b %d %Y", &tmNow);
  if (dateText[4] == '0') dateText[4] = ' ';
  strftime(timeText, sizeof timeText, "%H:%M:%S", &tmNow);
}

void SetLocalMacros() {
  FreeTable(modMacros);
  Manifest("MORVANE", kTokInt, "1004");
  Manifest("BETA", kTokInt, "5");
  Manifest("lint", kTokInt, "2");
  if (keyValue != 0) {
    Manifest("__DATE__", kTokString, dateText, 3);
    Manifest("__TIME__", kTokString, timeText, 4);
    Manifest("__FILE__", kTokString, "", 1);
    Manifest("__LINE__", kTokInt, "0", 2);
  }
  if (checkRules) {
    Manifest("__UNIX__", kTokInt, "1");
  } else {
    Manifest("unix", kTokInt, "1");
    Manifest("__unix", kTokInt, "1");
    Manifest("__builtin_va_alist", kTokString, "arg0");
    auto ints = [](std::initializer_list<std::pair<const char*, const char*>> list) {
      for (const auto& [name, value] : list) Manifest(name, kTokInt, value);
    };
    switch (keyValue) {
      case 1: ints({{"__STDC__", "1"}}); break;
      case 4: ints({{"__cplusplus", "1"}, {"c_plusplus", "1"}}); break;
      case 5: ints({{"__cplusplus", "1"}, {"__SC__", "0x0700"}, {"__INTSIZE", "4"}, {"__DEFALIGN", "4"}}); break;
      case 6:
        ints({{"__BCPLUSPLUS__", "0x0530"}, {"__TCPLUSPLUS__", "0x0530"}, {"__TEMPLATES__", "1"},
              {"__CDECL__", "1"}, {"_Windows", "1"}, {"_MSC_VER", "800"}, {"_CHAR_UNSIGNED", "1"},
              {"_CPPUNWIND", "1"}, {"__cplusplus", "1"}, {"__FLAT__", "1"}, {"__TLS__", "1"},
              {"_WCHAR_T", "1"}, {"_WCHAR_T_DEFINED", "1"}, {"__WIN32__", "1"},
              {"__BORLANDC__", "0x0530"}, {"__TURBOC__", "0x0530"}});
        break;
      case 7:
        ints({{"_M_I86", "1"}, {"_M_I86LM", "1"}, {"_M_IX86", "500"}, {"_MSDOS", "1"}, {"_X86_", "1"},
              {"i386", "1"}, {"MSDOS", "1"}, {"_MSC_VER", "1200"}, {"_MFC_VER", "0x0421"},
              {"__cplusplus", "1"}, {"WIN32", "1"}, {"_INTEGRAL_MAX_BITS", "64"}});
        for (const char* word : {"__single_inheritance", "__multiple_inheritance", "__virtual_inheritance"})
          DoIgnore(word);
        break;
      case 8: ints({{"__IBMCPP__", "400"}, {"__cplusplus", "1"}, {"_M_I386", "1"}}); break;
      case 9: ints({{"__MWERKS__", "1"}, {"__cplusplus", "1"}}); break;
      case 11: ints({{"__HIGHC__", "1"}}); break;
      default: break;
    }
  }
  clPending = true;
}

void DoCLDefines() {
  clPending = false;
  for (StrCell* c = clUndefList; c != nullptr; c = c->next) UndefMacro(c->name, false);
  for (StrCell* c = clDefList; c != nullptr; c = c->next) {
    if (strlen(c->name) >= static_cast<size_t>(kMaxDefineText)) continue;
    const char* eq = strchr(c->name, '=');
    if (eq == nullptr) {
      ScanDefine(c->name, "1");
    } else {
      const std::string name(c->name, static_cast<size_t>(eq - c->name));
      ScanDefine(name.c_str(), eq + 1);
    }
  }
}

void DisplayPredefs() {
  fprintf(stdout, "\n# Macro constants predefined by Morvane for this module:\n");
  bool any = false;
  for (Macro* chain : modMacros)
    for (Macro* m = chain; m != nullptr; m = m->next) {
      if (m->special != 0) FindMacro(m->name.c_str());
      fprintf(stdout, "     %-16s  =  %s\n", m->name.c_str(), ListText(m->body).c_str());
      any = true;
    }
  if (!any) fprintf(stdout, "     (None)");
  fprintf(stdout, "\n");
}

void ResetMacros() {
  const bool keep = checkProject && crossModule && !checkRules;
  for (int i = 0; i < kHashChains; ++i) {
    for (Macro* m = modMacros[i]; m != nullptr;) {
      Macro* next = m->next;
      modSlots[m->slot] = nullptr;
      if (keep && FindIn(prjMacros, m->name) == nullptr) {
        // The bucket of a name is the same in both tables.
        m->next = prjMacros[i];
        prjMacros[i] = m;
        Macro*& first = prjSlots[m->slot];
        m->slotNext = first;
        first = m;
        if ((m->flags & kMacroPredefined) == 0 && mvValue[prj_] != nullptr) mvValue[prj_][kPrjMacros] += 1;
      } else {
        FreeMacro(m);
      }
      m = next;
    }
    modMacros[i] = nullptr;
  }
  top.q.clear();
}

void ResetProjectMacros() { FreeTable(prjMacros); }

}  // namespace mv
