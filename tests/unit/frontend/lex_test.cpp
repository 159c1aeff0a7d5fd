// The lexer: keyword tables per dialect, value conversions, escapes, and
// both stages driven over real text through the line reader.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "frontend/lex.h"
#include "harness.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "support/assembler.h"
#include "support/public.h"

namespace mvtest {
namespace {

struct Tok {
  int raw;   // Lex1
  int code;  // Lex2
  std::string text;
  mv::LexValue value;
  bool wide, leadComment, fromMacro;
};

// "code text" of each token, joined by '|'.
std::string Render(const std::vector<Tok>& toks) {
  std::string s;
  for (const Tok& t : toks) {
    if (!s.empty()) s += '|';
    s += std::to_string(t.code) + " " + t.text;
  }
  return s;
}

class Lexer : public SourceState {
 protected:
  void SetUp() override {
    SourceState::SetUp();
    mv::ClearNewKeywords();
    mv::sqlTypes = false;
    ResetLexerHooks();
  }
  void TearDown() override {
    EndInput();
    ResetLexerHooks();
    mv::ClearNewKeywords();
    SourceState::TearDown();
  }

  static void Dialect(int k) { SetDialect(k); }

  // Puts the text on the file stack as a module and starts the lexer on it.
  void Begin(const std::string& text, bool rulesApply = true) {
    PushModule(text, rulesApply);
    mv::LexInit();
  }

  // Both stages up to the end of input.
  std::vector<Tok> Tokens() {
    std::vector<Tok> toks;
    for (int n = 0; n < 100000; ++n) {
      const int raw = mv::Lex1();
      if (raw == 0) break;
      const bool lead = mv::leadComment, macro = mv::tokenFromMacro;
      Tok t{raw, 0, "", {}, false, lead, macro};
      t.code = mv::Lex2(raw, &t.value);
      t.text = mv::lexTokenValue;
      t.wide = mv::isWide;
      toks.push_back(t);
    }
    return toks;
  }
  std::vector<Tok> Lex(const std::string& text, int dialect = 3) {
    Dialect(dialect);
    Begin(text);
    return Tokens();
  }
  std::string LexText(const std::string& text, int dialect = 3) { return Render(Lex(text, dialect)); }
  // Stage 1 only, as the macro definition reader uses it.
  std::vector<int> Raw() {
    std::vector<int> codes;
    for (int code; codes.size() < 1000 && (code = mv::Lex1()) != 0;) codes.push_back(code);
    return codes;
  }
};

// ---- Keyword tables ------------------------------------------------------------------

class Keywords : public Lexer {};

struct KeywordCase {
  const char* word;
  int code;
  std::set<int> dialects;  // where the word is this keyword; elsewhere an identifier
};

const std::set<int> kAll = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const std::set<int> kAnsi = {1, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const std::set<int> kCpp = {4, 5, 6, 7, 8, 9};
const std::set<int> kExtended = {2, 3, 6, 7, 8, 9};

TEST_F(Keywords, EachTableAnswersInItsDialectsOnly) {
  const KeywordCase cases[] = {
      {"while", 338, kAll},         {"asm", 368, kAll},
      {"unsigned", 347, kAll},      {"char", 344, kAll},
      {"void", 354, kAnsi},         {"volatile", 364, kAnsi},
      {"enum", 353, kAnsi},         {"namespace", 391, kCpp},
      {"true", 307, kCpp},          {"wchar_t", 362, kCpp},
      {"__int64", 359, kExtended},  {"__w64", 359, kExtended},
      {"ASM", 368, kExtended},      {"_Far16", 552, kExtended},
      {"__declspec", 539, kExtended}, {"__if_not_exists", 335, kExtended},
      {"near", 551, {2, 3, 5, 6, 7, 8, 9}},
      {"__cs", 550, {2, 3, 5, 6, 7, 8, 9}},
      {"__handle", 552, {5}},       {"__nan", 304, {5}},
      {"__with", 338, {5}},         {"globaldef", 400, {10}},
      {"#options", 404, {10}},      {"variant_union", 351, {10}},
      {"std_$call", 550, {10}},     {"_move_right", 299, {11}},
      {"pragma", 371, {11}},        {"_CC", 290, {11}},
      {"yield", 299, {11}},         {"__property", 566, {6}},
      {"__published", 544, {6}},    {"__dispid", 567, {6}},
  };
  for (const KeywordCase& c : cases) {
    for (int k = 0; k <= 11; ++k) {
      Dialect(k);
      const int expected = c.dialects.count(k) != 0 ? c.code : mv::kTokIdent;
      EXPECT_EQ(mv::FindCKeyword(c.word), expected) << c.word << " under -K" << k;
    }
  }
}

TEST_F(Keywords, OneWordTakesTheCodeOfTheDialectsTable) {
  // _far: extensions and Symantec 552, Metaware 372; _inline: extensions 394, Metaware 299.
  const std::map<int, int> far = {{2, 552}, {3, 552}, {5, 552}, {6, 552}, {7, 552}, {8, 552}, {9, 552}, {11, 372}};
  const std::map<int, int> inl = {{2, 394}, {3, 394}, {6, 394}, {7, 394}, {8, 394}, {9, 394}, {11, 299}};
  for (int k = 0; k <= 11; ++k) {
    Dialect(k);
    EXPECT_EQ(mv::FindCKeyword("_far"), far.count(k) ? far.at(k) : mv::kTokIdent) << k;
    EXPECT_EQ(mv::FindCKeyword("_inline"), inl.count(k) ? inl.at(k) : mv::kTokIdent) << k;
  }
}

TEST_F(Keywords, NearMissesAreIdentifiers) {
  for (int k : {3, 5, 6, 10, 11}) {
    Dialect(k);
    for (const char* word : {"", "_", "whil", "whilex", "While", "Void", "__int63", "__int640", "zzz", "_a",
                             "__", "#", "near_", "\xE9", "\xFF"})
      EXPECT_EQ(mv::FindCKeyword(word), mv::kTokIdent) << '"' << word << "\" under -K" << k;
  }
}

TEST_F(Keywords, MetawareWordSetsLexMetaware) {
  Dialect(11);
  Watch({"lex_metaware"});
  mv::FindCKeyword("_inb");
  EXPECT_EQ(mv::mvValue[mv::lex1_][5], 1);
  mv::ZeroVars(mv::lex1_);
  mv::FindCKeyword("inb");
  EXPECT_EQ(mv::mvValue[mv::lex1_][5], 0);
}

TEST_F(Keywords, SQLWordsNeedTheOptionAndOnlyEXECOutsideStatements) {
  EXPECT_EQ(mv::FindCKeyword("EXEC"), mv::kTokIdent);
  mv::embedSQL = 1;
  EXPECT_EQ(mv::FindCKeyword("EXEC"), mv::kTokExec);
  EXPECT_EQ(mv::FindCKeyword("VARCHAR"), mv::kTokIdent);
  mv::sqlTypes = true;
  EXPECT_EQ(mv::FindCKeyword("VARCHAR"), 344);
  EXPECT_EQ(mv::FindCKeyword("INTEGER"), 360);
  EXPECT_EQ(mv::FindCKeyword("DECIMAL"), 348);
  EXPECT_EQ(mv::FindCKeyword("exec"), mv::kTokIdent);
}

TEST_F(Keywords, RuleFileWordsOnlyInRuleFiles) {
  EXPECT_EQ(mv::FindCKeyword("statistic"), mv::kTokIdent);
  EXPECT_EQ(mv::FindCKeyword("FILE"), mv::kTokIdent);
  mv::checkRules = 1;
  EXPECT_EQ(mv::FindCKeyword("statistic"), mv::kTokStatistic);
  EXPECT_EQ(mv::FindCKeyword("FILE"), mv::kTokFILE);
  EXPECT_EQ(mv::FindCKeyword("File"), mv::kTokIdent);
}

TEST_F(Keywords, AddedWordsComeAfterTheTablesAndStopAtSixtyFour) {
  EXPECT_TRUE(mv::AddNewKeyword("REAL", 349));
  EXPECT_TRUE(mv::AddNewKeyword("int", 411));
  EXPECT_EQ(mv::FindCKeyword("REAL"), 349);
  EXPECT_EQ(mv::FindCKeyword("int"), 355);  // the table wins
  for (int i = 2; i < mv::kMaxNewKeywords; ++i) {
    char word[16];
    snprintf(word, sizeof word, "T%d", i);
    EXPECT_TRUE(mv::AddNewKeyword(word, 407));
  }
  EXPECT_FALSE(mv::AddNewKeyword("ONE_TOO_MANY", 407));
  EXPECT_EQ(mv::FindCKeyword("ONE_TOO_MANY"), mv::kTokIdent);
  EXPECT_EQ(mv::FindCKeyword("T63"), 407);
  EXPECT_STREQ(mv::FindString(349), "double");
  EXPECT_STREQ(mv::FindString(411), "int");  // an added word's code shows its word
}

TEST_F(Keywords, DisplayTextOfEveryKeywordCodeFindsThatCode) {
  for (int k = 0; k <= 11; ++k) {
    Dialect(k);
    int words = 0;
    for (int code = 290; code < 570; ++code) {
      if ((code >= 500 && code <= 516) || code == 564 || code == 565 || code == 568) continue;  // directives
      const std::string text = mv::FindString(code);
      if (text.empty() || !(isalpha(static_cast<unsigned char>(text[0])) || text[0] == '_' || text[0] == '#'))
        continue;
      ++words;
      if (code == 354 && !mv::ansiKeys) continue;  // void is an identifier in K&R C
      EXPECT_EQ(mv::FindCKeyword(text.c_str()), code) << text << " under -K" << k;
    }
    EXPECT_GT(words, 20) << k;
  }
}

TEST_F(Keywords, DirectiveNames) {
  const std::pair<const char*, int> cases[] = {
      {"define", 500},  {"elif", 501},      {"else", 502},         {"endif", 503},     {"error", 504},
      {"if", 505},      {"ifdef", 506},     {"ifndef", 507},       {"include", 508},   {"line", 509},
      {"pragma", 510},  {"options", 510},   {"undef", 511},        {"c_include", 513}, {"r_include", 514},
      {"rc_include", 515}, {"include_next", 516}, {"asm", 564}, {"endasm", 565},    {"import", 568},
      {"Define", 512},  {"includ", 512},    {"", 512},             {"warning", 512},
  };
  for (const auto& [word, code] : cases) EXPECT_EQ(mv::FindPPKeyword(word), code) << word;
}

TEST_F(Keywords, DisplayTexts) {
  EXPECT_STREQ(mv::FindString(';'), ";");
  EXPECT_STREQ(mv::FindString(255), "\xFF");
  EXPECT_STREQ(mv::FindString(283), "->*");
  EXPECT_STREQ(mv::FindString(275), "<<=");
  EXPECT_STREQ(mv::FindString(291), ":>");
  EXPECT_STREQ(mv::FindString(369), "<assembler>");
  EXPECT_STREQ(mv::FindString(543), "(cast)");
  EXPECT_STREQ(mv::FindString(267), "-");
  EXPECT_STREQ(mv::FindString(324), "break");
  EXPECT_STREQ(mv::FindString(510), "options");  // the first directive word of the code
  EXPECT_STREQ(mv::FindString(552), "_Far16");   // the first word in byte order
  EXPECT_STREQ(mv::FindString(387), "");         // C++ words only in C++
  EXPECT_STREQ(mv::FindString(376), "");
  Dialect(4);
  EXPECT_STREQ(mv::FindString(387), "const_cast");
  EXPECT_STREQ(mv::FindString(552), "");
  Dialect(11);
  EXPECT_STREQ(mv::FindString(372), "_Far");
  mv::checkRules = 1;
  EXPECT_STREQ(mv::FindString(376), "statistic");
}

// ---- Value conversions ------------------------------------------------------------------

TEST(LexValues, IntegersByPrefixSaturating) {
  const std::pair<const char*, int32_t> cases[] = {
      {"0", 0},          {"42", 42},         {"0x1F", 31},         {"0X1f", 31},
      {"017", 15},       {"089", 0},         {"0b101", 5},         {"0B11", 3},
      {"0b102", 2},      {"2147483647", INT_MAX},                  {"2147483648", INT_MAX},
      {"99999999999999999999", INT_MAX},   {"0xFFFFFFFF", INT_MAX}, {"0x7FFFFFFF", INT_MAX},
      {"0x80000000", INT_MAX},             {"037777777777", INT_MAX}, {"0x", 0},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(mv::IntegerValue(text), value) << text;
}

TEST(LexValues, FloatsClampedAtTenToThe37) {
  EXPECT_DOUBLE_EQ(mv::FloatValue("1.5"), 1.5);
  EXPECT_DOUBLE_EQ(mv::FloatValue(".5"), 0.5);
  EXPECT_DOUBLE_EQ(mv::FloatValue("1.5e+3"), 1500.0);
  EXPECT_DOUBLE_EQ(mv::FloatValue("1e37"), 1e37);
  EXPECT_DOUBLE_EQ(mv::FloatValue("2e37"), 1e37);
  EXPECT_DOUBLE_EQ(mv::FloatValue("1e400"), 1e37);
  EXPECT_DOUBLE_EQ(mv::FloatValue("-5e40"), -1e37);
  EXPECT_DOUBLE_EQ(mv::FloatValue("1e-400"), 0.0);
  EXPECT_DOUBLE_EQ(mv::FloatValue("_1"), 1e37);
}

// ---- Escapes on text --------------------------------------------------------------------

class Escapes : public Lexer {
 protected:
  void SetUp() override {
    Lexer::SetUp();
    Watch({"lex_hex_escape", "lex_num_escape", "lex_zero_escape", "lex_ansi_escape", "lex_not_KR_escape",
           "lex_big_octal"});
  }
  // Decodes one escape; returns value and length consumed.
  std::pair<int, int> Decode(const char* text, int inString) {
    ClearWatch();
    int v = -999;
    const int used = mv::LexEscape(text, &v, inString);
    return {v, used};
  }
};

TEST_F(Escapes, SimpleEscapesAndOthersYieldThemselves) {
  const std::tuple<const char*, int, int> cases[] = {
      {"\\a", 7, 2},  {"\\b", 8, 2},  {"\\f", 12, 2}, {"\\n", 10, 2}, {"\\r", 13, 2}, {"\\t", 9, 2},
      {"\\v", 11, 2}, {"\\q", 'q', 2}, {"\\'", '\'', 2}, {"\\\"", '"', 2}, {"\\\\", '\\', 2},
      {"\\?", '?', 2}, {"\\", '\\', 1}, {"\\\xE9", -23, 2},
  };
  for (const auto& [text, value, used] : cases) {
    const auto [v, n] = Decode(text, 1);
    EXPECT_EQ(v, value) << text;
    EXPECT_EQ(n, used) << text;
  }
  Decode("\\q", 1);
  EXPECT_EQ(Fired("lex_not_KR_escape"), 0);
  Decode("\\b", 0);
  EXPECT_EQ(Fired("lex_ansi_escape") + Fired("lex_not_KR_escape"), 0);
}

TEST_F(Escapes, AnsiOnlyEscapesFireWithTheirCharacter) {
  for (const char* text : {"\\a", "\\v", "\\?"}) {
    Decode(text, 1);
    EXPECT_EQ(Fired("lex_ansi_escape"), 1) << text;
    EXPECT_EQ(Last("lex_ansi_escape"), text[1]) << text;
    EXPECT_EQ(Fired("lex_not_KR_escape"), 1) << text;
    EXPECT_EQ(Last("lex_not_KR_escape"), text[1]) << text;
  }
}

TEST_F(Escapes, HexTakesAllDigits) {
  auto [v, n] = Decode("\\x41", 1);
  EXPECT_EQ(v, 65);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(Last("lex_hex_escape"), 2);
  EXPECT_EQ(Last("lex_num_escape"), 65);
  EXPECT_EQ(Fired("lex_zero_escape"), 0);
  EXPECT_EQ(mv::mvValue[mv::evt_][18], 0);  // cleared after firing

  std::tie(v, n) = Decode("\\x0000g", 1);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(n, 6);
  EXPECT_EQ(Last("lex_hex_escape"), 4);
  EXPECT_EQ(Last("lex_zero_escape"), 2);
  Decode("\\x0", 0);
  EXPECT_EQ(Last("lex_zero_escape"), 1);
  std::tie(v, n) = Decode("\\xfF", 0);
  EXPECT_EQ(v, -1);  // a character's value, as a signed byte
}

TEST_F(Escapes, CharacterValuesFromText) {
  Watch({"lex_char_long", "lex_char_empty"});
  EXPECT_EQ(mv::CharValue("a"), 97);
  EXPECT_EQ(mv::CharValue("\xE9"), -23);
  EXPECT_EQ(Fired("lex_char_long") + Fired("lex_char_empty"), 0);
  EXPECT_EQ(mv::CharValue("ab"), 97 * 256 + 98);
  EXPECT_EQ(Fired("lex_char_long"), 1);
  EXPECT_EQ(mv::CharValue("abcd"), 0x61626364);
  EXPECT_EQ(mv::CharValue("\xFF\xFF"), static_cast<int32_t>(0xFFFF));
  EXPECT_EQ(mv::CharValue(""), 0);
  EXPECT_EQ(Fired("lex_char_empty"), 1);
  EXPECT_EQ(mv::CharValue("\\n"), '\n');  // a backslash start is one escape
  EXPECT_EQ(Fired("lex_char_long"), 3);
}

TEST_F(Escapes, DigitsAreOctalIntoASignedByte) {
  auto [v, n] = Decode("\\101x", 1);
  EXPECT_EQ(v, 65);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(Last("lex_num_escape"), 65);
  std::tie(v, n) = Decode("\\1234", 1);  // at most three digits
  EXPECT_EQ(n, 4);
  EXPECT_EQ(v, 83);
  std::tie(v, n) = Decode("\\377", 0);
  EXPECT_EQ(v, -1);
  std::tie(v, n) = Decode("\\0", 1);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(Last("lex_zero_escape"), 2);
  Decode("\\00", 0);
  EXPECT_EQ(Last("lex_zero_escape"), 1);

  // 8 and 9: their own value with lex_big_octal in characters, 8 in strings.
  std::tie(v, n) = Decode("\\9", 0);
  EXPECT_EQ(v, 9);
  EXPECT_EQ(Last("lex_big_octal"), 9);
  std::tie(v, n) = Decode("\\19", 1);
  EXPECT_EQ(v, 16);
  EXPECT_EQ(Fired("lex_big_octal"), 0);
}

// ---- Token forms over real text ---------------------------------------------------------

struct FormCase {
  int dialect;
  const char* text;
  const char* tokens;
};

TEST_F(Lexer, OperatorsWithTheirDialects) {
  const FormCase cases[] = {
      {4, "a+=b->c->*d", "310 a|270 +=|310 b|268 ->|310 c|283 ->*|310 d"},
      {3, "c->*d", "310 c|268 ->|42 *|310 d"},
      {4, "x::y.*z", "310 x|281 ::|310 y|282 .*|310 z"},
      {3, "x::y.*z", "310 x|58 :|58 :|310 y|46 .|42 *|310 z"},
      {3, "a:>b", "310 a|291 :>|310 b"},
      {1, "a:>b", "310 a|58 :|62 >|310 b"},
      {11, "a..b=>c<-d", "310 a|286 ..|310 b|289 =>|310 c|287 <-|310 d"},
      {3, "a..b=>c<-d", "310 a|46 .|46 .|310 b|61 =|62 >|310 c|60 <|45 -|310 d"},
      {3, "f(a,...)", "310 f|40 (|310 a|44 ,|285 ...|41 )"},
      {11, "...", "285 ..."},
      {3, "<<= >>= << >> <= >= == != && || ++ -- %= ^= |= &= *= /= += -=",
       "275 <<=|276 >>=|263 <<|264 >>|261 <=|262 >=|259 ==|260 !=|258 &&|257 |||265 ++|266 --|274 %=|"
       "278 ^=|279 |=|277 &=|272 *=|273 /=|270 +=|271 -="},
      {3, "!~?%^&|*/<>=-+[]{};,", "33 !|126 ~|63 ?|37 %|94 ^|38 &|124 ||42 *|47 /|60 <|262 >=|45 -|43 +|"
                                   "91 [|93 ]|123 {|125 }|59 ;|44 ,"},
      {3, "a/b", "310 a|47 /|310 b"},
      {3, "a # b", "310 a|35 #|310 b"},
  };
  for (const FormCase& c : cases) EXPECT_EQ(LexText(c.text, c.dialect), c.tokens) << c.text << " -K" << c.dialect;
}

TEST_F(Lexer, NumbersKeepTheirTextWithoutSuffixes) {
  const FormCase cases[] = {
      {3, "0x1Fu 017 08 7i64 10UI64 3LLU 4ull", "303 0x1F|303 017|303 08|303 7|303 10|303 3|303 4"},
      {3, "1.5e+3f .5 1. 3E2 1f 2.5L 6e-1", "306 1.5e+3|306 .5|306 1.|306 3E2|306 1|306 2.5|306 6e-1"},
      {5, "0b101", "303 0b101"},
      {3, "0b101", "303 0|310 b101"},
      {11, "1_000 0x1_F 1..5 2.5_0", "303 1000|303 0x1F|303 1|286 ..|303 5|306 2.50"},
      {3, "1_000 1..5", "303 1|310 _000|306 1.|306 .5"},
      {3, "x.5", "310 x|306 .5"},
      {3, "1.e5", "306 1.e5"},
  };
  for (const FormCase& c : cases) EXPECT_EQ(LexText(c.text, c.dialect), c.tokens) << c.text << " -K" << c.dialect;

  const std::vector<Tok> toks = Lex("0x1F 017 08 4294967295UL 1.5e+3f 1e39 .25", 3);
  ASSERT_EQ(toks.size(), 7u);
  EXPECT_EQ(toks[0].value.i, 31);
  EXPECT_EQ(toks[1].value.i, 15);
  EXPECT_EQ(toks[2].value.i, 0);
  EXPECT_EQ(toks[3].value.i, INT_MAX);
  EXPECT_DOUBLE_EQ(toks[4].value.f, 1500.0);
  EXPECT_DOUBLE_EQ(toks[5].value.f, 1e37);
  EXPECT_DOUBLE_EQ(toks[6].value.f, 0.25);
  const std::vector<Tok> k5 = Lex("0b101", 5);
  ASSERT_EQ(k5.size(), 1u);
  EXPECT_EQ(k5[0].value.i, 5);
}

TEST_F(Lexer, NumberTriggers) {
  Watch({"lex_radix", "lex_suffix", "lex_unsigned", "lex_lc_long", "lex_uc_long", "lex_long_long", "lex_float",
         "lex_long_float", "lex_big_octal", "lex_metaware"});
  struct Case {
    int dialect;
    const char* text;
    std::map<std::string, int> values;  // the others do not fire
  };
  const Case cases[] = {
      {3, "12", {{"lex_radix", 10}}},
      {3, "0", {{"lex_radix", 10}}},
      {3, "1UL", {{"lex_radix", 10}, {"lex_suffix", 1}, {"lex_unsigned", 1}, {"lex_uc_long", 1}}},
      {3, "0x1ll", {{"lex_radix", 16}, {"lex_suffix", 1}, {"lex_lc_long", 1}, {"lex_long_long", 1}}},
      {3, "017u", {{"lex_radix", 8}, {"lex_suffix", 1}, {"lex_unsigned", 1}}},
      {3, "09", {{"lex_radix", 8}, {"lex_big_octal", 9}}},
      {5, "0b1", {{"lex_radix", 2}}},
      {3, "5i64", {{"lex_radix", 10}, {"lex_suffix", 1}}},
      {3, "1.0L", {{"lex_suffix", 1}, {"lex_long_float", 1}, {"lex_uc_long", 1}}},
      {3, "2.f", {{"lex_suffix", 1}, {"lex_float", 1}}},
      {3, "2e3", {}},
      {11, "1_0", {{"lex_radix", 10}, {"lex_metaware", 1}}},
  };
  for (const Case& c : cases) {
    ClearWatch();
    Lex(c.text, c.dialect);
    for (const char* name : {"lex_radix", "lex_suffix", "lex_unsigned", "lex_lc_long", "lex_uc_long",
                             "lex_long_long", "lex_float", "lex_long_float", "lex_big_octal", "lex_metaware"}) {
      const auto it = c.values.find(name);
      EXPECT_EQ(Fired(name), it == c.values.end() ? 0 : 1) << c.text << ": " << name;
      if (it != c.values.end()) {
        EXPECT_EQ(Last(name), it->second) << c.text << ": " << name;
      }
    }
  }
}

TEST_F(Lexer, ExponentWithoutDigitsIsFatalFourteenOutsideDirectives) {
  for (const char* text : {"x = 1e;", "1e ", "2.5E+x"}) {
    Dialect(3);
    Begin(text);
    EXPECT_EQ(RunExpectingExit([this] { Tokens(); }), 14) << text;
    EXPECT_NE(Out().find("Fatal error E0014: Exponent expected but not found."), std::string::npos);
    mv::errorFlag = false;
  }
  // While macro arguments are collected the number just ends.
  Begin("1e+");
  mv::inMacroParams = true;
  EXPECT_EQ(Render(Tokens()), "303 1|310 e|43 +");
}

TEST_F(Lexer, StringsAndWideStrings) {
  Watch({"lex_str_length", "lex_wide", "lex_hex_escape", "lex_num_escape"});
  std::vector<Tok> toks = Lex(R"("abc" L"w" "a\"b" "" "\x41")");
  EXPECT_EQ(Render(toks), R"(302 abc|302 w|302 a\"b|302 |302 \x41)");
  ASSERT_EQ(toks.size(), 5u);
  EXPECT_FALSE(toks[0].wide);
  EXPECT_TRUE(toks[1].wide);
  EXPECT_FALSE(toks[2].wide);
  EXPECT_EQ(Fired("lex_wide"), 1);
  EXPECT_EQ(Fired("lex_str_length"), 4);  // the empty string fires nothing
  EXPECT_EQ(Sum("lex_str_length"), 3 + 1 + 4 + 4);
  EXPECT_EQ(Last("lex_hex_escape"), 2);
  EXPECT_EQ(Last("lex_num_escape"), 65);
}

TEST_F(Lexer, MacroNamesInsideStrings) {
  Watch({"lex_str_macro"});
  mv::isMacroHook = [](const char* name) { return strcmp(name, "FOO") == 0 || strcmp(name, "_B2") == 0; };
  const std::pair<const char*, int> cases[] = {
      {"\"a FOO b\"", 1}, {"\"FOO\"", 1},  {"\"FOOD xFOO\"", 0}, {"\"(_B2)\"", 1},
      {"\"2FOO\"", 0},     {"\"\\nFOO\"", 0}, {"'FOO'", 0},           {"FOO", 0},
  };
  for (const auto& [text, fired] : cases) {
    ClearWatch();
    Lex(text);
    EXPECT_EQ(Fired("lex_str_macro"), fired) << text;
  }
}

TEST_F(Lexer, LiteralCutByTheLineEndGivesWarningEighteen) {
  EXPECT_EQ(LexText("\"abc\nx 'q\ny"), "302 abc|310 x|305 q|310 y");
  EXPECT_EQ(mv::errorCount, 2);
  EXPECT_EQ(mv::globalMsg, "End-of-line found in a literal string or char.");
}

TEST_F(Lexer, CharacterConstants) {
  Watch({"lex_char_long", "lex_char_empty", "lex_zero_escape", "lex_big_octal", "lex_wide"});
  const std::vector<Tok> toks = Lex(R"('a' 'ab' '' '\b' '\q' '\0' '\x41' '\377' '\9' L'x' '\'')");
  ASSERT_EQ(toks.size(), 11u);
  const int32_t values[] = {97, 97 * 256 + 98, 0, 8, 'q', 0, 65, -1, 9, 'x', '\''};
  for (size_t i = 0; i < toks.size(); ++i) {
    EXPECT_EQ(toks[i].code, mv::kTokChar) << i;
    EXPECT_EQ(toks[i].value.i, values[i]) << i;
  }
  EXPECT_EQ(toks[1].text, "ab");
  EXPECT_TRUE(toks[9].wide);
  EXPECT_FALSE(toks[10].wide);
  EXPECT_EQ(Fired("lex_char_long"), 1);
  EXPECT_EQ(Fired("lex_char_empty"), 1);
  EXPECT_EQ(Fired("lex_zero_escape"), 1);
  EXPECT_EQ(Last("lex_zero_escape"), 1);
  EXPECT_EQ(Last("lex_big_octal"), 9);
  EXPECT_EQ(Fired("lex_wide"), 1);
}

TEST_F(Lexer, IdentifierCharactersAndNonstandardOnes) {
  Watch({"lex_nonstandard"});
  EXPECT_EQ(LexText("$x a@b`c _9 `"), "310 $x|310 a@b`c|310 _9|96 `");
  EXPECT_EQ(Fired("lex_nonstandard"), 4);
  EXPECT_EQ(Sum("lex_nonstandard"), '$' + '@' + '`' + '`');
  ClearWatch();
  EXPECT_EQ(LexText("$x"), "310 $x");
  EXPECT_EQ(Last("lex_nonstandard"), '$');
}

TEST_F(Lexer, HighBytesAreTokensThatFireOnceWithTheirUnsignedValue) {
  Watch({"lex_nonstandard"});
  const std::vector<Tok> toks = Lex("a\xE9 \x7F\xFF\\ z");
  EXPECT_EQ(Render(toks), "310 a|233 \xE9|127 \x7F|255 \xFF|92 \\|310 z");
  EXPECT_EQ(Fired("lex_nonstandard"), 4);
  EXPECT_EQ(Sum("lex_nonstandard"), 233 + 127 + 255 + 92);
  EXPECT_EQ(Last("lex_nonstandard"), 92);

  // Inside literals and comments they are data.
  ClearWatch();
  const std::vector<Tok> quiet = Lex("\"\xE9\xFF\" '\xE9' /* \xFF */ // \xE9\n;");
  EXPECT_EQ(Render(quiet), "302 \xE9\xFF|305 \xE9|59 ;");
  EXPECT_EQ(quiet[1].value.i, -23);
  EXPECT_EQ(Fired("lex_nonstandard"), 0);
}

TEST_F(Lexer, NonstandardNeedsRulesOnTheLine) {
  Watch({"lex_nonstandard", "lex_unsigned"});
  Dialect(3);
  Begin("$x 1u \xE9", false);
  EXPECT_EQ(Render(Tokens()), "310 $x|303 1|233 \xE9");
  EXPECT_EQ(Fired("lex_nonstandard"), 0);
  EXPECT_EQ(Fired("lex_unsigned"), 0);
  EXPECT_EQ(mv::mvValue[mv::lex1_][15], 0);  // the class is cleared all the same
}

TEST_F(Lexer, PunctuationSpacing) {
  Watch({"lex_punct_before", "lex_punct_after"});
  const std::tuple<const char*, int, int> cases[] = {
      {"x=y;z", 0, 1},   {"x ;", 1, 0},   {"x ;\n", 1, 0}, {"f(a ,b)", 1, 1},
      {"x;;", 0, 0},     {"a, b", 0, 0},  {"a,,b", 0, 1},  {"x ; y", 1, 0},
  };
  for (const auto& [text, before, after] : cases) {
    ClearWatch();
    Lex(text);
    EXPECT_EQ(Fired("lex_punct_before"), before) << text;
    EXPECT_EQ(Fired("lex_punct_after"), after) << text;
  }
}

TEST_F(Lexer, CommentsAreSkippedAndMarkTheNextToken) {
  const std::vector<Tok> toks = Lex("a/**/b /* x\ny */ c // d\ne/f");
  EXPECT_EQ(Render(toks), "310 a|310 b|310 c|310 e|47 /|310 f");
  ASSERT_EQ(toks.size(), 6u);
  EXPECT_FALSE(toks[0].leadComment);
  EXPECT_TRUE(toks[1].leadComment);
  EXPECT_TRUE(toks[2].leadComment);
  EXPECT_TRUE(toks[3].leadComment);
  EXPECT_FALSE(toks[4].leadComment);
}

TEST_F(Lexer, TokensAreBoundedAtFiveThousandCharacters) {
  Watch({"lex_str_length"});
  // Appended piecewise, which GCC 12 does not misread as an overlap.
  std::string text(6000, 'a');
  text += "\n1";
  text.append(5999, '0');
  text += "\n\"";
  text.append(6000, 's');
  text += "\"\n";
  text.append(5000, 'b');
  text += "\nx";
  const std::vector<Tok> toks = Lex(text);
  ASSERT_EQ(toks.size(), 5u);
  EXPECT_EQ(toks[0].text, std::string(5000, 'a'));
  std::string number = "1";
  number.append(4999, '0');
  EXPECT_EQ(toks[1].text, number);
  EXPECT_EQ(toks[1].value.i, INT_MAX);
  EXPECT_EQ(toks[2].text, std::string(5000, 's'));
  EXPECT_EQ(Last("lex_str_length"), 6000);
  EXPECT_EQ(toks[3].text, std::string(5000, 'b'));
  EXPECT_EQ(toks[4].text, "x");
  EXPECT_EQ(mv::errorCount, 3);  // one warning 10 per cut token
  EXPECT_EQ(mv::globalMsg, "String buffer overflow.");
}

TEST_F(Lexer, KeywordsAndConstantsInStageTwo) {
  const std::vector<Tok> toks = Lex("int void true x", 4);
  EXPECT_EQ(Render(toks), "355 int|354 void|307 true|310 x");
  ASSERT_EQ(toks.size(), 4u);
  EXPECT_EQ(toks[0].raw, mv::kTokIdent);
  EXPECT_EQ(toks[2].value.i, 1);
  EXPECT_EQ(LexText("void const", 0), "310 void|310 const");
  EXPECT_EQ(LexText("x #options y", 10), "310 x|404 #options|310 y");
  EXPECT_EQ(LexText("x #options", 3), "310 x|35 #|310 options");
}

TEST_F(Lexer, DirectiveLinesAreHandedOverAtTheLineStart) {
  EXPECT_EQ(LexText("#define X 1 \\\n  2 3\nint y; # z\n  /* c */ # pragma q\nw"), "355 int|310 y|59 ;|35 #|310 z|310 w");

  static int calls;
  static std::vector<int> firstChars;
  calls = 0;
  firstChars.clear();
  mv::directiveHook = [] {
    ++calls;
    firstChars.push_back(mv::lexChar);
    EXPECT_TRUE((mv::lexLine->flags & mv::kLineDirective) != 0);
    mv::SkipDirectiveLine();
  };
  EXPECT_EQ(LexText("a\n#b\n\t#c // x\nd"), "310 a|310 d");
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(firstChars, std::vector<int>({'#', '#'}));
}

TEST_F(Lexer, SkippedGroupsLoseTheirLines) {
  static bool skipping;
  skipping = false;
  mv::skippingHook = [] { return skipping; };
  mv::skipLineHook = [] {
    EXPECT_TRUE((mv::lexLine->flags & mv::kLineSuppressed) != 0);
    while (mv::lexChar != 13 && mv::lexChar != -1) mv::lexChar = mv::NextChar();
  };
  mv::directiveHook = [] {
    mv::SkipDirectiveLine();
    skipping = !skipping;
  };
  EXPECT_EQ(LexText("a\n#if\nb c\nd\n#endif\ne"), "310 a|310 e");
}

TEST_F(Lexer, MacroHooksReplaceIdentifiers) {
  static std::deque<std::pair<int, std::string>> pending;
  pending.clear();
  mv::macroTokenHook = [] {
    if (pending.empty()) return 0;
    const auto [code, text] = pending.front();
    pending.pop_front();
    snprintf(mv::lexTokenValue, mv::kLexBuffer, "%s", text.c_str());
    return code;
  };
  mv::expandHook = [] {
    if (strcmp(mv::lexTokenValue, "EMPTY") == 0) return 1;
    if (strcmp(mv::lexTokenValue, "TWO") == 0) {
      pending.push_back({mv::kTokInt, "1"});
      pending.push_back({'+', "+"});
      return 0;
    }
    return 2;
  };
  const std::vector<Tok> toks = Lex("a EMPTY TWO b");
  EXPECT_EQ(Render(toks), "310 a|303 1|43 +|310 b");
  ASSERT_EQ(toks.size(), 4u);
  EXPECT_FALSE(toks[0].fromMacro);
  EXPECT_TRUE(toks[1].fromMacro);
  EXPECT_TRUE(toks[2].fromMacro);
  EXPECT_FALSE(toks[3].fromMacro);
  EXPECT_EQ(toks[1].value.i, 1);
}

TEST_F(Lexer, MacroDefinitionBodies) {
  Watch({"lex_macro_body", "lex_not_KR_escape", "lex_hex_escape", "lex_num_escape", "lex_zero_escape",
         "lex_big_octal", "pp_paste", "pp_stringize", "pp_bad_white"});
  Dialect(3);
  Begin("# a ## b \"\\q\\x41\\0\" '\\9'\f x\nnext");
  mv::inMacroDef = true;
  mv::inDirective = true;
  mv::checkForPPD = false;
  EXPECT_EQ(Raw(), std::vector<int>({'#', mv::kTokIdent, mv::kTokPaste, mv::kTokIdent, mv::kTokString,
                                     mv::kTokChar, mv::kTokIdent}));
  EXPECT_EQ(mv::lexChar, 13);  // the line end is left for the definition reader
  EXPECT_EQ(mv::lexTokenCount, 7);
  EXPECT_EQ(Fired("lex_macro_body"), 7);
  EXPECT_EQ(mv::mvValue[mv::pp_][33], 1);  // pp_paste
  EXPECT_EQ(mv::mvValue[mv::pp_][40], 1);  // pp_stringize
  EXPECT_EQ(mv::mvValue[mv::pp_][7], 1);   // pp_bad_white, the form feed
  EXPECT_EQ(Last("lex_not_KR_escape"), 'q');
  EXPECT_EQ(Last("lex_hex_escape"), 2);
  EXPECT_EQ(Fired("lex_num_escape"), 2);
  EXPECT_EQ(Sum("lex_num_escape"), 65 + 9);
  EXPECT_EQ(Fired("lex_zero_escape"), 1);
  EXPECT_EQ(Last("lex_zero_escape"), 2);
  EXPECT_EQ(Last("lex_big_octal"), 9);
}

TEST_F(Lexer, AssemblerBlocksInExtendedDialects) {
  Watch({"lex_assembler"});
  const FormCase cases[] = {
      {3, "__asm mov eax, 1\nint x;", "369 __asm|355 int|310 x|59 ;"},
      {3, "_asm { mov eax, 1\n add eax, 2 } y", "369 _asm|310 y"},
      {3, "__asm\n{\n mov eax, 1\n}\ny", "369 __asm|310 y"},
      {3, "__asm int 3; x", "369 __asm|59 ;|310 x"},
      {3, "__asm nop // note\nx", "369 __asm|310 x"},
      {3, "asm (\"nop\");", "368 asm|40 (|302 nop|41 )|59 ;"},
      {4, "__asm mov", "310 __asm|310 mov"},
      {1, "asm mov", "368 asm|310 mov"},
  };
  const int fires[] = {1, 1, 1, 1, 1, 0, 0, 0};
  for (size_t i = 0; i < std::size(cases); ++i) {
    ClearWatch();
    EXPECT_EQ(LexText(cases[i].text, cases[i].dialect), cases[i].tokens) << cases[i].text;
    EXPECT_EQ(Fired("lex_assembler"), fires[i]) << cases[i].text;
  }
}

TEST_F(Lexer, RuleFilesGetThePreambleAndAClosingBrace) {
  mv::checkRules = 1;
  mv::notRules = 0;
  const std::vector<Tok> toks = Lex("statistic x = \"a\\tb\";");
  EXPECT_EQ(Render(toks), "355 int|310 main|295 (|41 )|123 {|376 statistic|310 x|61 =|302 a\tb|59 ;|125 }");
  EXPECT_EQ(mv::Lex1(), 0);
  EXPECT_EQ(mv::Lex1(), 0);
}

TEST_F(Lexer, EndOfInputStaysTheEnd) {
  EXPECT_EQ(LexText(""), "");
  EXPECT_EQ(LexText("x"), "310 x");
  EXPECT_EQ(mv::Lex1(), 0);
  EXPECT_EQ(LexText("\n\n  \t\n"), "");
  EXPECT_EQ(LexText("a /* open"), "310 a");
}

}  // namespace
}  // namespace mvtest
