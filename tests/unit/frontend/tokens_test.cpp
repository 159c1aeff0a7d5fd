// The token stream: what the parser is handed after the look-ahead chain has
// dropped vendor groups and taken out embedded SQL, the end-of-line tokens
// that close lines, the lex2_ variables and the token counts.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "frontend/lex.h"
#include "frontend/lex2.h"
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

class Tokens : public SourceState {
 protected:
  void SetUp() override {
    SourceState::SetUp();
    mv::InitTokens();
    // The stream as the front end gives it, without the parser's re-classification
    // that a test of the analysis may have installed.
    mv::reclassifyHook = nullptr;
    mv::ClearNewKeywords();
    mv::sqlTypes = false;
    mv::directiveHook = mv::SkipDirectiveLine;
  }
  void TearDown() override {
    EndInput();
    mv::ClearNewKeywords();
    mv::parserAttached = false;
    SourceState::TearDown();
  }

  static void Dialect(int k) { SetDialect(k); }

  void Begin(const std::string& text) {
    PushModule(text);
    mv::LexInit();
    mv::TokenInit();
  }

  // "code text" of every token the parser is handed, up to the end of module.
  std::string Parse(const std::string& text, int dialect = 3) {
    Dialect(dialect);
    Begin(text);
    std::string s;
    for (int n = 0; n < 10000; ++n) {
      const int code = mv::yylex();
      if (code == 0) break;
      if (!s.empty()) s += '|';
      s += std::to_string(code);
      if (code != mv::kTokEndModule) s += std::string(" ") + mv::yaccTokenValue;
      if (code == ';' && mv::yaccLine != nullptr) mv::FlushToHere(mv::yaccLine->prev);
    }
    return s;
  }
};

// ---- What the parser sees ------------------------------------------------------------------------

TEST_F(Tokens, PlainStatementsEndWithOneEndOfModule) {
  EXPECT_EQ(Parse("int x;\n\n  x = 2;\n"), "355 int|310 x|59 ;|310 x|61 =|303 2|59 ;|301");
  EXPECT_EQ(mv::yylex(), 0);
  EXPECT_EQ(Parse(""), "301");
  EXPECT_EQ(Parse("a b"), "310 a|310 b|301");
}

TEST_F(Tokens, VendorGroupsNeverReachTheParser) {
  // __declspec and __attribute__ with their (nested) groups, __based with its group.
  EXPECT_EQ(Parse("__declspec(dllexport) int f(void);"), "355 int|310 f|40 (|354 void|41 )|59 ;|301");
  EXPECT_EQ(Parse("int x __attribute__((aligned(8), packed)) = 1;"), "355 int|310 x|61 =|303 1|59 ;|301");
  EXPECT_EQ(Parse("char __based(s) *p;"), "344 char|42 *|310 p|59 ;|301");
  // Modifier keywords of the extended dialects.
  EXPECT_EQ(Parse("int far * __cdecl __export g(int __near *q);"),
            "355 int|42 *|310 g|40 (|355 int|42 *|310 q|41 )|59 ;|301");
  // In K&R C the same words are identifiers.
  EXPECT_EQ(Parse("int far x;", 0), "355 int|310 far|310 x|59 ;|301");
}

TEST_F(Tokens, AccessSpecifiersBecomeOneCode) {
  EXPECT_EQ(Parse("class A { public: int x; private: };", 7),
            "390 class|310 A|123 {|399 public|58 :|355 int|310 x|59 ;|399 private|58 :|125 }|59 ;|301");
}

TEST_F(Tokens, PropertyKeepsAPlainDeclaration) {
  EXPECT_EQ(Parse("__property int Width = {read=FWidth, write=SetWidth};\nint y;", 6),
            "355 int|310 Width|59 ;|355 int|310 y|59 ;|301");
  EXPECT_EQ(Parse("__property int Items[int i] = {read=Get};", 6), "355 int|310 Items|59 ;|301");
}

TEST_F(Tokens, SymantecTryAndCatchAreIdentifiers) {
  EXPECT_EQ(Parse("try { } catch (x) { }", 5), "310 try|123 {|125 }|310 catch|40 (|310 x|41 )|123 {|125 }|301");
  EXPECT_EQ(Parse("try { }", 7), "384 try|123 {|125 }|301");
}

TEST_F(Tokens, AsmStatementsAndBlocks) {
  // K&R: asm is a plain keyword; a braced block becomes one token.
  EXPECT_EQ(Parse("asm { mov ax, 1; { nested } } x;", 0), "370 }|310 x|59 ;|301");
  EXPECT_EQ(Parse("asm (\"nop\");", 0), "368 asm|40 (|302 nop|41 )|59 ;|301");
  EXPECT_EQ(Parse("asm volatile (\"nop\");", 1), "368 asm|40 (|302 nop|41 )|59 ;|301");
  // Anything else after asm: the asm is dropped.
  EXPECT_EQ(Parse("asm x;", 0), "310 x|59 ;|301");
  // Symantec makes the asm keyword an intrinsic.
  EXPECT_EQ(Parse("asm (\"nop\");", 5), "299 asm|40 (|302 nop|41 )|59 ;|301");
}

TEST_F(Tokens, IgnoredWordsAndNonAnsiIdentifiers) {
  mv::DoIgnore("FAR");
  mv::DoIgnore("register");
  EXPECT_EQ(Parse("register int FAR x;"), "355 int|310 x|59 ;|301");
  EXPECT_EQ(Parse("$a @b c$ d;"), "310 $a|310 @b|310 c$|310 d|59 ;|301");
  mv::skipIdentDollar = true;
  EXPECT_EQ(Parse("$a @b c$ d;"), "310 @b|310 c$|310 d|59 ;|301");
  mv::skipIdentAt = true;
  EXPECT_EQ(Parse("$a @b c$ d;"), "310 c$|310 d|59 ;|301");
}

TEST_F(Tokens, EmbeddedSqlIsTakenOut) {
  mv::embedSQL = 1;
  EXPECT_EQ(Parse("EXEC SQL SELECT a INTO :b FROM t;\nint x;"), "355 int|310 x|59 ;|301");
  EXPECT_EQ(Parse("EXEC SQL BEGIN DECLARE SECTION;\nVARCHAR x;\nEXEC SQL END DECLARE SECTION;\n"), "310 VARCHAR|310 x|59 ;|301");
  mv::embedSQL = 0;
  EXPECT_EQ(Parse("EXEC SQL x;"), "310 EXEC|310 SQL|310 x|59 ;|301");
}

// ---- The chain -----------------------------------------------------------------------------------

TEST_F(Tokens, EveryLineEndsInTheChainWithItsEndOfLineToken) {
  Dialect(3);
  Begin("a b;\n\nc\n");
  ASSERT_EQ(mv::yylex(), mv::kTokIdent);
  mv::LexToken* a = mv::yaccToken;
  EXPECT_EQ(a->seq, 1);
  EXPECT_EQ(a->line->start, a);
  // PeekYaccType and NextToken skip the end-of-line tokens.
  mv::LexToken* n = nullptr;
  EXPECT_EQ(mv::PeekYaccType("test", &n), mv::kTokIdent);
  EXPECT_STREQ(n->text, "b");
  EXPECT_EQ(n->seq, 2);
  EXPECT_EQ(mv::NextToken(n)->type, ';');
  ASSERT_EQ(mv::yylex(), mv::kTokIdent);
  ASSERT_EQ(mv::yylex(), ';');
  // The next statement is read ahead: the end tokens of its lines come first.
  EXPECT_EQ(mv::PeekYaccType("test", &n), mv::kTokIdent);
  EXPECT_STREQ(n->text, "c");
  mv::LexToken* eol = mv::yaccToken->next;
  ASSERT_NE(eol, nullptr);
  EXPECT_EQ(eol->type, mv::kTokEndLine);
  EXPECT_EQ(eol->seq, 4);
  EXPECT_EQ(eol->line, a->line);
  // The empty line made no token: with nothing watching lines it ends without one.
  EXPECT_EQ(eol->next, n);
  ASSERT_EQ(mv::yylex(), mv::kTokIdent);
  EXPECT_EQ(mv::yaccLine->number, 3u);
  EXPECT_EQ(mv::yaccPrevType, ';');
  EXPECT_STREQ(mv::yaccPreValue, ";");
  EXPECT_EQ(mv::yylex(), mv::kTokEndModule);
  EXPECT_EQ(mv::yylex(), 0);
  // A rule that reads line variables sees every line end in the chain.
  mv::lin_needed = true;
  Begin("a b;\n\nc\n");
  ASSERT_EQ(mv::yylex(), mv::kTokIdent);
  ASSERT_EQ(mv::yylex(), mv::kTokIdent);
  ASSERT_EQ(mv::yylex(), ';');
  EXPECT_EQ(mv::PeekYaccType("test", &n), mv::kTokIdent);
  eol = mv::yaccToken->next->next;
  ASSERT_NE(eol, nullptr);
  EXPECT_EQ(eol->type, mv::kTokEndLine);
  EXPECT_EQ(eol->line->number, 2u);
  EXPECT_EQ(eol->seq, 1);  // the empty line has nothing else
  EXPECT_EQ(eol->next, n);
  mv::lin_needed = false;
}

TEST_F(Tokens, LinesWithoutTokensAreClosedAsTheParserPassesThem) {
  // Lines with no token, before the first, between tokens and at the end:
  // closed and counted the same whether or not they have end tokens.
  const std::string text = "\n/* x */\na;\n\n#define Z\n/* y */\n\nb;\n\n";
  for (const bool watched : {false, true}) {
    SCOPED_TRACE(watched);
    mv::lin_needed = watched;
    mv::srcLines = 0;
    const mv::ModData before = mv::modData;
    EXPECT_EQ(Parse(text), "310 a|59 ;|310 b|59 ;|301");
    EXPECT_EQ(mv::srcLines, 9);
    EXPECT_EQ(mv::modData.totalLines - before.totalLines, 9);
    EXPECT_EQ(mv::modData.whiteLines - before.whiteLines, 4);
    EXPECT_EQ(mv::modData.commentLines - before.commentLines, 2);
    // A module with no token at all: the end of the module closes its last line.
    mv::srcLines = 0;
    EXPECT_EQ(Parse("/* only */\n\n"), "301");
    EXPECT_EQ(mv::srcLines, 2);
  }
  mv::lin_needed = false;
}

TEST_F(Tokens, FreedLinesGiveTheirRecordsBack) {
  Dialect(3);
  std::string text;
  for (int i = 0; i < 200; ++i) text += "int a" + std::to_string(i) + " = " + std::to_string(i) + ";\n";
  Begin(text);
  long most = 0;
  int n = 0;
  for (int code; (code = mv::yylex()) != 0; ++n) {
    if (code == ';') mv::FlushToHere(mv::yaccLine->prev);
    most = std::max(most, mv::mTokCount);
  }
  EXPECT_EQ(n, 200 * 5 + 1);
  EXPECT_LT(most, 20);  // a few lines' worth at any time
  EndInput();
  EXPECT_EQ(mv::mTokCount, 0);
}

// ---- Token variables and counts ------------------------------------------------------------------

TEST_F(Tokens, ConstantsKeywordsAndMagicNumbers) {
  Watch({"lex_constant", "lex_not_manifest", "lex_keyword", "lex_identifier", "lex_key_no_space", "lex_token"});
  Parse("x = 42; y = 1; z = 2.5; s = \"t\"; c = 'c'; w = 0.0;");
  EXPECT_EQ(Fired("lex_constant"), 6);
  EXPECT_EQ(Sum("lex_constant"), 4 + 4 + 5 + 6 + 3 + 5);
  EXPECT_EQ(Fired("lex_not_manifest"), 2);  // 42 and 2.5
  EXPECT_EQ(Fired("lex_identifier"), 6);
  EXPECT_EQ(Fired("lex_keyword"), 0);
  EXPECT_EQ(Last("lex_token"), 24);  // the last ";" is the 24th token
  EXPECT_EQ(Fired("lex_token"), 24);
}

TEST_F(Tokens, KeywordWithoutSpace) {
  Watch({"lex_key_no_space", "lex_keyword"});
  Parse("void f(){ if(a) return; if (b) return;\nwhile(c) return(1); }");
  EXPECT_EQ(Fired("lex_keyword"), 7);
  // if(, while( and return(; not "if (" nor "return;".
  EXPECT_EQ(Fired("lex_key_no_space"), 3);
}

TEST_F(Tokens, CountsTokensOfTheModuleAndLines) {
  Watch({"lin_tokens", "lin_is_white", "lin_indent_space", "lin_indent_tab", "lin_is_comment", "lin_has_code"});
  const long before = mv::modData.tokens;
  Parse("int x;\n\n  x = 1;\n\t/* note */\n\tx++; /* more */\n");
  EXPECT_EQ(mv::modData.tokens - before, 3 + 4 + 3);
  EXPECT_EQ(Sum("lin_tokens"), 10);
  EXPECT_EQ(Fired("lin_tokens"), 3);
  EXPECT_EQ(Fired("lin_is_white"), 1);
  EXPECT_EQ(Sum("lin_indent_space"), 2);
  EXPECT_EQ(Fired("lin_indent_tab"), 1);  // the comment-only line has no first token of its own
  EXPECT_EQ(Fired("lin_is_comment"), 1);
  EXPECT_EQ(Fired("lin_has_code"), 3);
  EXPECT_EQ(mv::srcLines, 5);
}

// Macro tokens as the expander would hand them over: each is pending until
// taken; the lexer marks them as coming from a macro.
struct FakeExpansion {
  static std::vector<std::pair<int, std::string>>& Pending() {
    static std::vector<std::pair<int, std::string>> p;
    return p;
  }
  static int Take() {
    auto& p = Pending();
    if (p.empty()) return 0;
    const auto [code, text] = p.front();
    p.erase(p.begin());
    snprintf(mv::lexTokenValue, mv::kLexBuffer, "%s", text.c_str());
    return code;
  }
  static std::vector<std::pair<int, std::string>>& Staged() {
    static std::vector<std::pair<int, std::string>> s;
    return s;
  }
  static int Peek() { return Pending().empty() ? 0 : Pending().front().first; }
  // The word M expands to the staged tokens.
  static int Expand() {
    if (strcmp(mv::lexTokenValue, "M") != 0) return 2;
    Pending() = Staged();
    return Pending().empty() ? 1 : 0;
  }
  static void Install(std::vector<std::pair<int, std::string>> tokens) {
    Pending().clear();
    Staged() = std::move(tokens);
    mv::macroTokenHook = Take;
    mv::peekMacroHook = Peek;
    mv::peekExpandedHook = nullptr;  // the pending tokens are these
    mv::expandHook = Expand;
  }
  static void Remove() {
    Pending().clear();
    Staged().clear();
    mv::macroTokenHook = nullptr;
    mv::peekMacroHook = nullptr;
    mv::expandHook = nullptr;
  }
};

TEST_F(Tokens, StringsOfOneExpansionAreJoined) {
  Watch({"lex_str_concat", "lex_macro_token"});
  FakeExpansion::Install({{mv::kTokString, "ab"}, {mv::kTokString, "cde"}, {';', ";"}});
  EXPECT_EQ(Parse("x = M"), "310 x|61 =|302 abcde|59 ;|301");
  EXPECT_EQ(Fired("lex_str_concat"), 1);
  EXPECT_EQ(Last("lex_str_concat"), 5);
  EXPECT_EQ(Fired("lex_macro_token"), 2);  // the joined string and the ';'
  // The joined text stays within 5000 characters: the part that would pass it is left out.
  FakeExpansion::Install({{mv::kTokString, std::string(4000, 'a')}, {mv::kTokString, std::string(1001, 'b')},
                          {mv::kTokString, "c"}});
  mv::globalMsg.clear();
  EXPECT_EQ(Parse("M"), "302 " + std::string(4000, 'a') + "c|301");
  EXPECT_NE(mv::globalMsg.find("String buffer overflow."), std::string::npos);
  FakeExpansion::Remove();
}

TEST_F(Tokens, MacroTokensAreNeitherMagicNorCountedWithoutE) {
  Watch({"lex_not_manifest", "lex_macro_token", "lex_constant"});
  const long before = mv::modData.tokens;
  FakeExpansion::Install({{mv::kTokInt, "42"}});
  Parse("x = M; y = 42;");
  EXPECT_EQ(Fired("lex_constant"), 2);
  EXPECT_EQ(Fired("lex_not_manifest"), 1);  // only the 42 written in the source
  EXPECT_EQ(Fired("lex_macro_token"), 1);
  EXPECT_EQ(mv::modData.tokens - before, 3 + 4);
  mv::countMacroTokens = 1;
  FakeExpansion::Install({{mv::kTokInt, "42"}});
  Parse("x = M;");
  EXPECT_EQ(mv::modData.tokens - before, 3 + 4 + 4);
  mv::countMacroTokens = 0;
  FakeExpansion::Remove();
}

TEST_F(Tokens, HeaderTokensCountOnlyWithF) {
  auto headerRun = [&] {
    Dialect(3);
    EndInput();
    PushModule("int h;\n", false, "", "h.h");
    mv::fileStack->depth = 1;
    mv::LexInit();
    mv::TokenInit();
    const long before = mv::modData.tokens;
    const long lines = mv::hdrLines;
    while (mv::yylex() != 0) {
    }
    EXPECT_EQ(mv::hdrLines - lines, 1);
    return mv::modData.tokens - before;
  };
  EXPECT_EQ(headerRun(), 0);
  mv::countHeaders = 1;
  EXPECT_EQ(headerRun(), 3);
  mv::countHeaders = 0;
}

// ---- new_type -------------------------------------------------------------------------------------

TEST_F(Tokens, NewTypeAddsKeywordsAndRefusesChanges) {
  mv::NewCType("REAL", 17);
  EXPECT_EQ(mv::FindCKeyword("REAL"), 349);
  mv::globalMsg.clear();
  mv::NewCType("REAL", 17);  // the same code again is accepted silently
  EXPECT_EQ(mv::globalMsg, "");
  mv::NewCType("REAL", 15);
  EXPECT_NE(mv::globalMsg.find("Don't redefine \"REAL\" with new_type()"), std::string::npos);
  mv::NewCType("X", 10);
  EXPECT_NE(mv::globalMsg.find("Improper type (10) in call to new_type."), std::string::npos);
  mv::NewCType("", 3);
  EXPECT_NE(mv::globalMsg.find("Null name in call to new_type."), std::string::npos);
  for (int i = 1; i < 64; ++i) mv::NewCType(("T" + std::to_string(i)).c_str(), 6);
  EXPECT_EQ(mv::NewKeywordCount(), 64);
  EXPECT_EQ(mv::globalMsg.find("Can't add"), std::string::npos);
  mv::NewCType("T64", 6);
  EXPECT_NE(mv::globalMsg.find("Can't add any more new type specifiers."), std::string::npos);
  EXPECT_EQ(mv::FindCKeyword("T64"), mv::kTokIdent);
  EXPECT_EQ(Parse("T1 a;"), "355 T1|310 a|59 ;|301");
}

}  // namespace
}  // namespace mvtest
