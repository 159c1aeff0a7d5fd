// The keyword tables of the dialects, the directive names, the rule-file
// words and the display texts of token codes.
#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/options.h"
#include "frontend/lex.h"
#include "rules/mvvars.h"

namespace mv {

namespace {

struct Keyword {
  const char* word;
  int code;
};

// Each table lists its words in ascending byte order.
// cKeywords: 21
constexpr Keyword cKeywords[] = {
    {"asm", 368}, {"auto", 341}, {"break", 324}, {"case", 325}, {"continue", 326}, {"default", 327},
    {"do", 328}, {"else", 329}, {"extern", 339}, {"for", 330}, {"goto", 331}, {"if", 332},
    {"register", 342}, {"return", 333}, {"sizeof", 334}, {"static", 340}, {"struct", 350},
    {"switch", 336}, {"typedef", 337}, {"union", 351}, {"while", 338},
};
// typeKeywords: 9
constexpr Keyword typeKeywords[] = {
    {"char", 344}, {"double", 349}, {"float", 348}, {"int", 355}, {"long", 360}, {"short", 345},
    {"signed", 346}, {"unsigned", 347}, {"void", 354},
};
// ansiKeywords: 3
constexpr Keyword ansiKeywords[] = {
    {"const", 363}, {"enum", 353}, {"volatile", 364},
};
// cppKeywords: 29
constexpr Keyword cppKeywords[] = {
    {"bool", 361}, {"catch", 377}, {"class", 390}, {"const_cast", 387}, {"delete", 378},
    {"dynamic_cast", 387}, {"explicit", 395}, {"false", 308}, {"friend", 392}, {"inline", 394},
    {"mutable", 343}, {"namespace", 391}, {"new", 379}, {"operator", 380}, {"private", 546},
    {"protected", 545}, {"public", 544}, {"reinterpret_cast", 387}, {"static_cast", 387},
    {"template", 381}, {"this", 382}, {"throw", 383}, {"true", 307}, {"try", 384}, {"typeid", 388},
    {"typename", 397}, {"using", 396}, {"virtual", 393}, {"wchar_t", 362},
};
// exKeywords: 98
constexpr Keyword exKeywords[] = {
    {"ASM", 368}, {"_ASM", 368}, {"_Builtin", 550}, {"_CDecl", 559}, {"_Far16", 552},
    {"_Far32", 552}, {"_Fastcall", 556}, {"_Optlink", 550}, {"_Pascal", 560}, {"_Seg16", 550},
    {"_System", 550}, {"__asm", 368}, {"__asm__", 368}, {"__attribute__", 548}, {"__based", 518},
    {"__cdecl", 559}, {"__const", 363}, {"__cs", 550}, {"__declspec", 539}, {"__ds", 550},
    {"__es", 550}, {"__except", 405}, {"__export", 555}, {"__extension__", 550}, {"__far", 552},
    {"__far16", 552}, {"__fastcall", 556}, {"__finally", 406}, {"__forceinline", 394},
    {"__fortran", 561}, {"__huge", 553}, {"__if_exists", 335}, {"__if_not_exists", 335},
    {"__import", 554}, {"__inline", 394}, {"__int16", 357}, {"__int32", 358}, {"__int64", 359},
    {"__int8", 356}, {"__interface", 350}, {"__interrupt", 562}, {"__loadds", 558}, {"__near", 551},
    {"__pascal", 560}, {"__rtti", 550}, {"__saveregs", 557}, {"__seg", 550}, {"__segment", 365},
    {"__segname", 366}, {"__self", 519}, {"__ss", 550}, {"__stdcall", 559}, {"__syscall", 559},
    {"__thread", 550}, {"__try", 384}, {"__unaligned", 550}, {"__uuidof", 367},
    {"__volatile__", 364}, {"__w64", 359}, {"_asm", 368}, {"_based", 518}, {"_cdecl", 559},
    {"_cs", 550}, {"_declspec", 539}, {"_ds", 550}, {"_es", 550}, {"_export", 555}, {"_far", 552},
    {"_far16", 552}, {"_fastcall", 556}, {"_fortran", 561}, {"_huge", 553}, {"_import", 554},
    {"_inline", 394}, {"_int16", 357}, {"_int32", 358}, {"_int64", 359}, {"_int8", 356},
    {"_interrupt", 562}, {"_intrinsic_", 299}, {"_loadds", 558}, {"_near", 551}, {"_pascal", 560},
    {"_saveregs", 557}, {"_seg", 550}, {"_segment", 365}, {"_segname", 366}, {"_self", 519},
    {"_ss", 550}, {"_stdcall", 559}, {"_syscall", 559}, {"cdecl", 559}, {"far", 552},
    {"fortran", 561}, {"huge", 553}, {"interrupt", 562}, {"near", 551}, {"pascal", 560},
};
// symKeywords: 34
constexpr Keyword symKeywords[] = {
    {"__cdecl", 559}, {"__class", 298}, {"__cs", 550}, {"__export", 555}, {"__far", 552},
    {"__fastcall", 556}, {"__fortran", 561}, {"__handle", 552}, {"__huge", 553}, {"__loadds", 558},
    {"__machdl", 550}, {"__nan", 304}, {"__nans", 550}, {"__near", 551}, {"__pascal", 560},
    {"__pasobj", 550}, {"__ss", 550}, {"__stdcall", 559}, {"__with", 338}, {"_cdecl", 559},
    {"_export", 555}, {"_far", 552}, {"_fastcall", 556}, {"_fortran", 561}, {"_huge", 553},
    {"_loadds", 558}, {"_near", 551}, {"_pascal", 560}, {"_stdcall", 559}, {"cdecl", 559},
    {"far", 552}, {"huge", 553}, {"near", 551}, {"pascal", 560},
};
// vaxKeywords: 13
constexpr Keyword vaxKeywords[] = {
    {"#attribute", 404}, {"#options", 404}, {"__attribute", 404}, {"__options", 404},
    {"_align", 403}, {"globaldef", 400}, {"globalref", 400}, {"globalvalue", 400}, {"noshare", 401},
    {"readonly", 402}, {"std_$call", 550}, {"variant_struct", 350}, {"variant_union", 351},
};
// highKeywords: 32
constexpr Keyword highKeywords[] = {
    {"_CC", 290}, {"_Far", 372}, {"_Huge", 374}, {"_Near", 373}, {"_abs", 299}, {"_far", 372},
    {"_fill_char", 299}, {"_find_char", 299}, {"_huge", 374}, {"_inb", 299}, {"_ind", 299},
    {"_inline", 299}, {"_insb", 299}, {"_insd", 299}, {"_insw", 299}, {"_inw", 299}, {"_max", 299},
    {"_min", 299}, {"_move", 299}, {"_move_right", 299}, {"_near", 373}, {"_outb", 299},
    {"_outd", 299}, {"_outsb", 299}, {"_outsd", 299}, {"_outsw", 299}, {"_outw", 299},
    {"_packed", 550}, {"_skip_char", 299}, {"_unpacked", 550}, {"pragma", 371}, {"yield", 299},
};
// bcbKeywords: 6
constexpr Keyword bcbKeywords[] = {
    {"__automated", 544}, {"__classid", 389}, {"__closure", 550}, {"__dispid", 567},
    {"__property", 566}, {"__published", 544},
};
// SQLkeywords: 10
constexpr Keyword SQLkeywords[] = {
    {"CHAR", 344}, {"DATE", 344}, {"DECIMAL", 348}, {"EXEC", 517}, {"FLOAT", 349}, {"INTEGER", 360},
    {"SMALLINT", 345}, {"TIME", 344}, {"TIMESTAMP", 344}, {"VARCHAR", 344},
};
// ppKeywords: 20
constexpr Keyword ppKeywords[] = {
    {"asm", 564}, {"c_include", 513}, {"define", 500}, {"elif", 501}, {"else", 502},
    {"endasm", 565}, {"endif", 503}, {"error", 504}, {"if", 505}, {"ifdef", 506}, {"ifndef", 507},
    {"import", 568}, {"include", 508}, {"include_next", 516}, {"line", 509}, {"options", 510},
    {"pragma", 510}, {"r_include", 514}, {"rc_include", 515}, {"undef", 511},
};

constexpr int ByteCompare(const char* a, const char* b) {
  while (*a != 0 && *a == *b) ++a, ++b;
  return static_cast<unsigned char>(*a) - static_cast<unsigned char>(*b);
}

template <size_t N>
constexpr bool Sorted(const Keyword (&t)[N]) {
  for (size_t i = 1; i < N; ++i)
    if (ByteCompare(t[i - 1].word, t[i].word) >= 0) return false;
  return true;
}

static_assert(Sorted(cKeywords) && Sorted(typeKeywords) && Sorted(ansiKeywords) && Sorted(cppKeywords) &&
              Sorted(exKeywords) && Sorted(symKeywords) && Sorted(vaxKeywords) && Sorted(highKeywords) &&
              Sorted(bcbKeywords) && Sorted(SQLkeywords) && Sorted(ppKeywords));
static_assert(std::size(exKeywords) == 98);

// Every word of every table in one hash index: a lookup hashes the word once
// and finds its code in each table (0 where a table lacks it), so that the
// dialect's order of tables is followed without searching each of them.
enum TableId : int { kC, kType, kAnsi, kCpp, kEx, kSym, kVax, kHigh, kBcb, kSQL, kPP, kTableCount };

struct WordCodes {
  const char* word;
  size_t length;
  int code[kTableCount];
};

class WordIndex {
 public:
  WordIndex() {
    Add(kC, cKeywords);
    Add(kType, typeKeywords);
    Add(kAnsi, ansiKeywords);
    Add(kCpp, cppKeywords);
    Add(kEx, exKeywords);
    Add(kSym, symKeywords);
    Add(kVax, vaxKeywords);
    Add(kHigh, highKeywords);
    Add(kBcb, bcbKeywords);
    Add(kSQL, SQLkeywords);
    Add(kPP, ppKeywords);
  }
  // The word's entry, or null when no table holds it.
  const WordCodes* Find(const char* word, size_t length) const {
    // Keywords are short: a longer word is turned away before hashing.
    if (length > kLongest || length == 0) return nullptr;
    for (size_t at = Hash(word, length);; at = (at + 1) & kMask) {
      const int i = slots_[at];
      if (i < 0) return nullptr;
      const WordCodes& e = entries_[static_cast<size_t>(i)];
      if (e.length == length && memcmp(e.word, word, length) == 0) return &e;
    }
  }

 private:
  static constexpr size_t kSlots = 1024;  // a power of two, well above the number of words
  static constexpr size_t kMask = kSlots - 1;
  static constexpr size_t kLongest = 32;
  static size_t Hash(const char* word, size_t length) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < length; ++i) h = (h ^ static_cast<unsigned char>(word[i])) * 16777619u;
    return (h ^ (h >> 15)) & kMask;
  }
  template <size_t N>
  void Add(TableId table, const Keyword (&words)[N]) {
    for (const Keyword& k : words) {
      const size_t n = strlen(k.word);
      if (n > kLongest) std::abort();  // a table word the index cannot hold
      size_t at = Hash(k.word, n);
      for (; slots_[at] >= 0; at = (at + 1) & kMask) {
        WordCodes& e = entries_[static_cast<size_t>(slots_[at])];
        if (e.length == n && memcmp(e.word, k.word, n) == 0) break;
      }
      if (slots_[at] < 0) {
        slots_[at] = static_cast<int>(entries_.size());
        entries_.push_back(WordCodes{k.word, n, {}});
      }
      entries_[static_cast<size_t>(slots_[at])].code[table] = k.code;
    }
  }
  std::vector<WordCodes> entries_;
  std::array<int, kSlots> slots_ = Empty();
  static std::array<int, kSlots> Empty() {
    std::array<int, kSlots> a;
    a.fill(-1);
    return a;
  }
};

// Built before main from the constant tables above, so that a lookup costs
// no check of whether the index exists yet.
const WordIndex wordIndex;
const WordIndex& Words() { return wordIndex; }

// The code's first word in one table, or null.
template <size_t N>
const char* WordOf(const Keyword (&t)[N], int code) {
  for (const Keyword& k : t)
    if (k.code == code) return k.word;
  return nullptr;
}

// Words added by the rule function new_type, in the order they came.
struct NewKeyword {
  std::string word;
  int code;
};
NewKeyword newKeywords[kMaxNewKeywords];
int nNewKeywords;

// Display texts of the operators and of the parser-level codes.
struct CodeText {
  int code;
  const char* text;
};
constexpr CodeText kOperatorTexts[] = {
    {257, "||"},  {258, "&&"},  {259, "=="},  {260, "!="}, {261, "<="}, {262, ">="}, {263, "<<"},
    {264, ">>"},  {265, "++"},  {266, "--"},  {268, "->"}, {270, "+="}, {271, "-="}, {272, "*="},
    {273, "/="},  {274, "%="},  {275, "<<="}, {276, ">>="}, {277, "&="}, {278, "^="}, {279, "|="},
    {281, "::"},  {282, ".*"},  {283, "->*"}, {285, "..."}, {286, ".."}, {287, "<-"}, {289, "=>"},
    {291, ":>"},
};
constexpr CodeText cSymbols[] = {
    {267, "-"}, {269, "[]"}, {280, "~"}, {284, ">"}, {288, "->"}, {292, "="}, {293, ":"},
    {294, "("}, {295, "("}, {296, "("}, {297, "("}, {535, "++"}, {536, "++"}, {537, "--"},
    {538, "--"}, {540, "&"}, {541, "*"}, {542, "? :"}, {543, "(cast)"}, {547, "+"},
};

template <size_t N>
const char* TextOf(const CodeText (&t)[N], int code) {
  for (const CodeText& e : t)
    if (e.code == code) return e.text;
  return nullptr;
}

// One-character strings for the character codes.
struct CharTexts {
  char text[256][2];
  constexpr CharTexts() : text{} {
    for (int i = 0; i < 256; ++i) text[i][0] = static_cast<char>(i);
  }
};
constexpr CharTexts kCharTexts;

constexpr int kMetawareVar = 5;  // lex_metaware in class 1

}  // namespace

int FindCKeyword(const char* word) {
  const WordCodes* e = Words().Find(word, strlen(word));
  auto find = [e](TableId t) { return e != nullptr ? e->code[t] : 0; };
  int code;
  if ((code = find(kC)) != 0) return code;
  if ((code = find(kType)) != 0) {
    // Without the ansi flag void is an ordinary word.
    if (code != 354 || ansiKeys) return code;
  }
  if (ansiKeys && (code = find(kAnsi)) != 0) return code;
  if (CPPKeys && (code = find(kCpp)) != 0) return code;
  if (extendedKeys) {
    if ((code = find(kEx)) != 0) return code;
  } else if (symantecKeys) {
    if ((code = find(kSym)) != 0) return code;
  } else if (vaxKeys) {
    if ((code = find(kVax)) != 0) return code;
  } else if (highKeys) {
    if ((code = find(kHigh)) != 0) {
      SetLexVar(kMetawareVar, 1);
      return code;
    }
  }
  if (bcbKeys && (code = find(kBcb)) != 0) return code;
  if (nNewKeywords > 0 && (code = FindNewKeyword(word)) != 0) return code;
  if (embedSQL && (code = find(kSQL)) != 0) {
    if (sqlTypes || code == kTokExec) return code;
  }
  if (checkRules) {
    if (strcmp(word, "statistic") == 0) return kTokStatistic;
    if (strcmp(word, "FILE") == 0) return kTokFILE;
  }
  return kTokIdent;
}

int FindStdCppKeyword(const char* word) {
  const WordCodes* e = Words().Find(word, strlen(word));
  if (e == nullptr) return kTokIdent;
  for (TableId t : {kC, kType, kAnsi, kCpp})
    if (e->code[t] != 0) return e->code[t];
  return kTokIdent;
}

int FindPPKeyword(const char* word) {
  const WordCodes* e = Words().Find(word, strlen(word));
  return e != nullptr && e->code[kPP] != 0 ? e->code[kPP] : kTokPPOther;
}

const char* FindString(int code) {
  if (code > 0 && code < 256) return kCharTexts.text[code];
  const char* text;
  if ((text = TextOf(kOperatorTexts, code)) != nullptr) return text;
  if ((text = TextOf(cSymbols, code)) != nullptr) return text;
  if (code == kTokAsmBlock) return "<assembler>";
  if ((text = WordOf(cKeywords, code)) != nullptr) return text;
  if ((text = WordOf(typeKeywords, code)) != nullptr) return text;
  if (ansiKeys && (text = WordOf(ansiKeywords, code)) != nullptr) return text;
  if (CPPKeys && (text = WordOf(cppKeywords, code)) != nullptr) return text;
  if (extendedKeys) {
    if ((text = WordOf(exKeywords, code)) != nullptr) return text;
  } else if (symantecKeys) {
    if ((text = WordOf(symKeywords, code)) != nullptr) return text;
  } else if (vaxKeys) {
    if ((text = WordOf(vaxKeywords, code)) != nullptr) return text;
  } else if (highKeys) {
    if ((text = WordOf(highKeywords, code)) != nullptr) return text;
  }
  if (bcbKeys && (text = WordOf(bcbKeywords, code)) != nullptr) return text;
  if (embedSQL && (text = WordOf(SQLkeywords, code)) != nullptr) return text;
  if ((text = WordOf(ppKeywords, code)) != nullptr) return text;
  for (int i = 0; i < nNewKeywords; ++i)
    if (newKeywords[i].code == code) return newKeywords[i].word.c_str();
  if (checkRules && code == kTokStatistic) return "statistic";
  if (checkRules && code == kTokFILE) return "FILE";
  return "";
}

bool AddNewKeyword(const char* word, int code) {
  if (nNewKeywords >= kMaxNewKeywords) return false;
  newKeywords[nNewKeywords].word = word;
  newKeywords[nNewKeywords].code = code;
  ++nNewKeywords;
  return true;
}

int FindNewKeyword(const char* word) {
  for (int i = 0; i < nNewKeywords; ++i)
    if (newKeywords[i].word == word) return newKeywords[i].code;
  return 0;
}

int NewKeywordCount() { return nNewKeywords; }

const char* FirstNewKeyword(int code) {
  for (int i = 0; i < nNewKeywords; ++i)
    if (newKeywords[i].code == code) return newKeywords[i].word.c_str();
  return nullptr;
}

void ClearNewKeywords() {
  for (int i = 0; i < nNewKeywords; ++i) newKeywords[i].word.clear();
  nNewKeywords = 0;
}

}  // namespace mv
