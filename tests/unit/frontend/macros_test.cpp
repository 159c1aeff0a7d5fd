// The preprocessor: macro definition and expansion (the C standard's
// examples of #, ## and rescanning among them), conditional groups, the #if
// arithmetic, and the fatal errors of badly nested groups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/options.h"
#include "driver/run.h"
#include "frontend/files.h"
#include "frontend/lex.h"
#include "frontend/line.h"
#include "frontend/macros.h"
#include "harness.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"

namespace mvtest {
namespace {

class Preprocess : public SourceState {
 protected:
  void SetUp() override {
    SourceState::SetUp();
    mv::InitMacros();
  }
  void TearDown() override {
    EndInput();
    mv::ResetMacros();
    ResetLexerHooks();
    SourceState::TearDown();
  }

  void Begin(const std::string& text) {
    PushModule(text, false);
    mv::SetLocalMacros();
    mv::LexInit();
  }
  // The tokens up to the end of input, one blank between two.
  std::string Run(const std::string& text) {
    Begin(text);
    std::string s;
    for (int n = 0; n < 100000; ++n) {
      const int code = mv::Lex1();
      if (code == 0) break;
      if (!s.empty()) s += ' ';
      if (code == mv::kTokString) s += std::string("\"") + mv::lexTokenValue + "\"";
      else if (code == mv::kTokChar) s += std::string("'") + mv::lexTokenValue + "'";
      else s += mv::lexTokenValue;
    }
    return s;
  }
  // Runs text that must end the run; returns the exit status.
  int Fatal(const std::string& text) {
    mv::errorFlag = false;
    const int status = RunExpectingExit([&] { Run(text); });
    mv::errorFlag = false;
    return status;
  }
  // The messages, once the lines still held have been written out.
  std::string Out() {
    EndInput();
    return SourceState::Out();
  }
  // "yes" when the #if expression holds, "no" otherwise.
  std::string If(const std::string& expr) { return Run("#if " + expr + "\nyes\n#else\nno\n#endif\n"); }
};

// ---- Expansion --------------------------------------------------------------------------

TEST_F(Preprocess, ObjectAndFunctionLikeMacros) {
  EXPECT_EQ(Run("#define A 1\n#define F(x, y) ((x) + (y))\nint v = F(A, 2);\n"),
            "int v = ( ( 1 ) + ( 2 ) ) ;");
  // A blank before the parenthesis makes the macro object-like.
  EXPECT_EQ(Run("#define F (x)\nF(1)\n"), "( x ) ( 1 )");
  // Without a parenthesis the name stays; a parenthesis on the next line still calls.
  EXPECT_EQ(Run("#define F(x) [x]\nF + F\n(2)\n"), "F + [ 2 ]");
  // A comment between the name and the parenthesis prevents the call.
  EXPECT_EQ(Run("#define F(x) [x]\nF /* c */ (2)\n"), "F ( 2 )");
  EXPECT_EQ(Run("#define E\na E b\n#define G() g\nG()\n"), "a b g");
  // Nested parentheses and commas inside them belong to one argument.
  EXPECT_EQ(Run("#define F(x) <x>\nF((a, b))\n"), "< ( a , b ) >");
}

TEST_F(Preprocess, RedefinitionHidesAndUndefUncovers) {
  EXPECT_EQ(Run("#define X 1\n#define X 2\nX\n#undef X\nX\n#undef X\nX\n"), "2 1 X");
}

// In cross-module project checking a module's macros outlive it in the
// project table: macro_defined sees them, #ifdef and expansion do not.
// Thousands of names, so that several share a slot of the table's finer
// index: an #undef takes out its own name only, and the older definition
// of a name defined twice comes back.
TEST_F(Preprocess, UndefAmongThousandsOfMacros) {
  std::string text, use, want;
  for (int i = 0; i < 3000; ++i) text += "#define M" + std::to_string(i) + " " + std::to_string(i) + "\n";
  text += "#define M7 seven\n";
  for (int i = 1; i < 3000; i += 2) text += "#undef M" + std::to_string(i) + "\n";
  text += "#undef M6\n#undef M6\n";
  for (int i = 0; i < 3000; ++i) {
    use += " M" + std::to_string(i) + (i % 16 == 15 ? "\n" : "");
    want += std::string(want.empty() ? "" : " ") +
            (i == 7 ? "7" : i == 6 || i % 2 == 1 ? "M" + std::to_string(i) : std::to_string(i));
  }
  EXPECT_EQ(Run(text + use + "\n"), want);
}

TEST_F(Preprocess, ProjectTableKeepsTheMacrosOfEarlierModules) {
  mv::checkProject = 1;
  mv::crossModule = 1;
  Run("#define A 1\n#define A 2\n");
  mv::ResetMacros();
  EXPECT_TRUE(mv::IsMacroDefined("A"));
  EXPECT_FALSE(mv::IsModuleMacro("A"));
  EXPECT_EQ(Run("#ifdef A\nyes\n#endif\nA\n"), "A");
  mv::ResetMacros();
  mv::ResetProjectMacros();
  EXPECT_FALSE(mv::IsMacroDefined("A"));
  // Without the comparison across modules nothing is kept.
  mv::crossModule = 0;
  Run("#define B 1\n");
  mv::ResetMacros();
  EXPECT_FALSE(mv::IsMacroDefined("B"));
  mv::checkProject = 0;
  mv::crossModule = 1;
}

// The records of a module's macros serve the next module's definitions: a
// record keeps nothing of the macro it held before. Names of seven, eight and
// nine characters sharing their first eight are told apart.
TEST_F(Preprocess, ReusedMacroRecordsKeepNothingOfTheirLastMacro) {
  EXPECT_EQ(Run("#define V(a, ...) a __VA_ARGS__\n#define F(x, y) x y\n#define LONGNAM 7\n"
                "#define LONGNAME 8\n#define LONGNAMES 9\nV(1, 2, 3) F(4, 5) LONGNAM LONGNAME LONGNAMES\n"),
            "1 2 , 3 4 5 7 8 9");
  mv::ResetMacros();
  EXPECT_EQ(Run("#define LONGNAME V\n#define V\n#define F [f]\nV(1) F(2) LONGNAM LONGNAME LONGNAMES\n"),
            "( 1 ) [ f ] ( 2 ) LONGNAM LONGNAMES");
}

TEST_F(Preprocess, NoRecursiveExpansion) {
  EXPECT_EQ(Run("#define foo foo a\nfoo\n"), "foo a");
  EXPECT_EQ(Run("#define a b\n#define b a\na b\n"), "a b");
  // A name painted while its own expansion ran stays unexpanded when it is
  // later handed to another macro.
  EXPECT_EQ(Run("#define f(x) x f\n#define g(x) x\ng(f(1))(2)\n"), "1 f ( 2 )");
}

// The C standard's example of rescanning and of the placement of # and ##.
TEST_F(Preprocess, StandardRescanExample) {
  const std::string defs =
      "#define x 3\n#define f(a) f(x * (a))\n#undef x\n#define x 2\n#define g f\n#define z z[0]\n"
      "#define h g(~\n#define m(a) a(w)\n#define w 0,1\n#define t(a) a\n#define p() int\n"
      "#define q(x) x\n#define r(x,y) x ## y\n#define str(x) # x\n";
  EXPECT_EQ(Run(defs + "f(y+1) + f(f(z)) % t(t(g)(0) + t)(1);\n"),
            "f ( 2 * ( y + 1 ) ) + f ( 2 * ( f ( 2 * ( z [ 0 ] ) ) ) ) % f ( 2 * ( 0 ) ) + t ( 1 ) ;");
  EXPECT_EQ(Run(defs + "g(x+(3,4)-w) | h 5) & m\n(f)^m(m);\n"),
            "f ( 2 * ( 2 + ( 3 , 4 ) - 0 , 1 ) ) | f ( 2 * ( ~ 5 ) ) & f ( 2 * ( 0 , 1 ) ) ^ m ( 0 , 1 ) ;");
  EXPECT_EQ(Run(defs + "p() i[q()] = { q(1), r(2,3), r(4,), r(,5), r(,) };\n"),
            "int i [ ] = { 1 , 23 , 4 , 5 , } ;");
  EXPECT_EQ(Run(defs + "char c[2][6] = { str(hello), str() };\n"), "char c [ 2 ] [ 6 ] = { \"hello\" , \"\" } ;");
}

TEST_F(Preprocess, StandardStringizeAndPasteExample) {
  const std::string defs =
      "#define str(s) # s\n#define xstr(s) str(s)\n"
      "#define debug(s, t) printf(\"x\" # s \"= %d, x\" # t \"= %s\", \\\n x ## s, x ## t)\n"
      "#define INCFILE(n) vers ## n\n#define glue(a, b) a ## b\n#define xglue(a, b) glue(a, b)\n"
      "#define HIGHLOW \"hello\"\n#define LOW LOW \", world\"\n";
  EXPECT_EQ(Run(defs + "debug(1, 2);\n"),
            "printf ( \"x\" \"1\" \"= %d, x\" \"2\" \"= %s\" , x1 , x2 ) ;");
  // A string or character constant inside the argument keeps its quotes and
  // backslashes, each behind a backslash.
  EXPECT_EQ(Run(defs + "fputs(str(strncmp(\"abc\\0d\", \"abc\", '\\4') // this goes away\n == 0) str(: @\\n), s);\n"),
            "fputs ( \"strncmp(\\\"abc\\\\0d\\\", \\\"abc\\\", '\\\\4') == 0\" \": @\\n\" , s ) ;");
  EXPECT_EQ(Run(defs + "xstr(INCFILE(2).h)\n"), "\"vers2.h\"");
  EXPECT_EQ(Run(defs + "glue(HIGH, LOW);\nxglue(HIGH, LOW)\n"), "\"hello\" ; \"hello\" \", world\"");
}

TEST_F(Preprocess, PlacemarkersOfEmptyArguments) {
  EXPECT_EQ(Run("#define t(x,y,z) x ## y ## z\nint j[] = { t(1,2,3), t(,4,5), t(6,,7), t(8,9,),\n"
                " t(10,,), t(,11,), t(,,12), t(,,) };\n"),
            "int j [ ] = { 123 , 45 , 67 , 89 , 10 , 11 , 12 , } ;");
}

TEST_F(Preprocess, VariadicMacros) {
  const std::string defs =
      "#define debug(...) fprintf(stderr, __VA_ARGS__)\n#define showlist(...) puts(#__VA_ARGS__)\n"
      "#define report(test, ...) ((test)?puts(#test): printf(__VA_ARGS__))\n";
  EXPECT_EQ(Run(defs + "debug(\"Flag\");\ndebug(\"X = %d\\n\", x);\n"),
            "fprintf ( stderr , \"Flag\" ) ; fprintf ( stderr , \"X = %d\\n\" , x ) ;");
  EXPECT_EQ(Run(defs + "showlist(The first, second, and third items.);\n"),
            "puts ( \"The first, second, and third items.\" ) ;");
  EXPECT_EQ(Run(defs + "report(x>y, \"x is %d but y is %d\", x, y);\n"),
            "( ( x > y ) ? puts ( \"x>y\" ) : printf ( \"x is %d but y is %d\" , x , y ) ) ;");
  // A named variadic parameter, and a comma before ## that an empty argument removes.
  EXPECT_EQ(Run("#define e(fmt, args...) p(fmt , ## args)\ne(1)\ne(1, 2, 3)\n"), "p ( 1 ) p ( 1 , 2 , 3 )");
}

TEST_F(Preprocess, PastingThatFailsLeavesTwoTokens) {
  EXPECT_EQ(Run("#define c(a, b) a ## b\nc(+, -) c(-, >) c(x, 1.5) c(<<, =)\n"), "+ - -> x1 .5 <<=");
}

TEST_F(Preprocess, ArgumentCountWarnings) {
  EXPECT_EQ(Run("#define F(a, b) [a|b]\nF(1)\nF(1, 2, 3)\n"), "[ 1 | ] [ 1 | 2 ]");
  const std::string out = Out();
  EXPECT_NE(out.find("Too few arguments for macro F (2 required)"), std::string::npos) << out;
  EXPECT_NE(out.find("Too many arguments for macro F (2 required)"), std::string::npos) << out;
  EXPECT_EQ(Run("#define G() g\nG(1)\n"), "g");
  EXPECT_NE(Out().find("Too many macro arguments."), std::string::npos);
}

TEST_F(Preprocess, PredefinedAndSpecialMacros) {
  EXPECT_EQ(Run("MORVANE BETA lint unix __LINE__\n__LINE__ __FILE__\n"), "1004 5 2 1 1 2 \"m.c\"");
  EXPECT_EQ(Run("__STDC__ __cplusplus\n"), "__STDC__ __cplusplus");
  mv::initDone = 0;
  mv::SetOption('K', 4);
  EXPECT_EQ(Run("__cplusplus c_plusplus\n"), "1 1");
}

TEST_F(Preprocess, CommandLineDefinitions) {
  int isFile = 0;
  for (const char* arg : {"-DX=1", "-DX=2", "-DY", "-DZ=a b", "-Ulint"}) mv::ProcessArg(arg, &isFile);
  EXPECT_EQ(Run("X Y Z lint\n"), "1 1 a b lint");
}

TEST_F(Preprocess, DefinitionErrorsAreFatal) {
  EXPECT_EQ(Fatal("#define 3 x\n"), 3);
  EXPECT_EQ(Fatal("#define F(a\n"), 4);
  EXPECT_EQ(Fatal("#define F(3) x\n"), 5);
  EXPECT_EQ(Fatal("#define F(a b) x\n"), 6);
  EXPECT_EQ(Fatal("#define F(a) ## a\nF(1)\n"), 59);
}

// ---- Conditional groups -------------------------------------------------------------------

TEST_F(Preprocess, GroupsChooseOneBranch) {
  EXPECT_EQ(Run("#if 0\na\n#elif 1\nb\n#else\nc\n#endif\n"), "b");
  EXPECT_EQ(Run("#if 1\na\n#elif 1\nb\n#endif\n"), "a");
  EXPECT_EQ(Run("#ifdef lint\na\n#endif\n#ifndef lint\nb\n#else\nc\n#endif\n"), "a c");
  EXPECT_EQ(Run("#if 0\n#if 1\na\n#else\nb\n#endif\n#define X 1\n#else\nX\n#endif\n"), "X");
  // An active group inside active ones reads its lines; inside a skipped
  // one no branch does, and the outer group's own branches decide again.
  EXPECT_EQ(Run("#if 1\n#if 0\na\n#elif 1\n#if 0\nb\n#else\nc\n#endif\n#endif\nd\n#endif\ne\n"), "c d e");
  EXPECT_EQ(Run("#if 0\n#if 1\nx\n#elif 1\ny\n#else\nz\n#endif\nw\n#else\n#ifndef lint\nu\n#else\nv\n#endif\n#endif\n"),
            "v");
  // Lines of a skipped group are not read as tokens, whatever they hold.
  EXPECT_EQ(Run("#if 0\ndon't \"\n#error no\n#endif\nok\n"), "ok");
  EXPECT_EQ(Run("# 12 \"file.c\"\nok\n"), "ok");
}

TEST_F(Preprocess, EmptyNamesGiveWarningFive) {
  EXPECT_EQ(Run("#ifdef\na\n#endif\n#ifndef\nb\n#endif\n#undef\n"), "b");
  const std::string out = Out();
  EXPECT_NE(out.find("Empty #ifdef"), std::string::npos);
  EXPECT_NE(out.find("Empty #ifndef"), std::string::npos);
  EXPECT_NE(out.find("Empty #undef"), std::string::npos);
}

TEST_F(Preprocess, IfArithmetic) {
  EXPECT_EQ(If("8 - 4 - 4"), "no");
  EXPECT_EQ(If("2 - 3 < 0"), "yes");
  EXPECT_EQ(If("(-1 >> 28) == 15"), "yes");
  EXPECT_EQ(If("1 << 33 == 2"), "yes");
  EXPECT_EQ(If("-7 / 2 == -3 && -7 % 2 == -1"), "yes");
  EXPECT_EQ(If("0x10 + 010 + 'A' == 89"), "yes");
  EXPECT_EQ(If("(2 || 0) + (2 && 3) + !5 + ~0 == 1"), "yes");
  EXPECT_EQ(If("1 ? 2 : 0"), "yes");
  EXPECT_EQ(If("0 ? 1 : 0"), "no");
  EXPECT_EQ(If("(1 | 6) == 7 && (5 & 6) == 4 && (5 ^ 1) == 4"), "yes");
  EXPECT_EQ(If("-2147483647 - 1 < 0"), "yes");
  EXPECT_EQ(If("defined lint && defined(MORVANE) && !defined nothing"), "yes");
  EXPECT_EQ(If("undefined_name"), "no");
  EXPECT_EQ(If("#lint(off)"), "yes");
  // Expansion happens, except of the name after defined.
  EXPECT_EQ(Run("#define TWO 1+1\n#define D defined\n#if TWO * 2 == 3 && defined TWO\nyes\n#endif\n"), "yes");
}

TEST_F(Preprocess, IfWarnings) {
  EXPECT_EQ(If("1 / 0 + 1"), "yes");
  EXPECT_EQ(If("1 % 0"), "no");
  EXPECT_EQ(If(""), "no");
  EXPECT_EQ(If("1 +"), "no");
  EXPECT_EQ(If("1.9 == 1"), "yes");
  EXPECT_EQ(If("defined(1)"), "no");
  const std::string out = Out();
  EXPECT_EQ(Count(out, "Divide by zero in #if expression."), 2) << out;
  EXPECT_NE(out.find("Missing preprocessor expression."), std::string::npos) << out;
  EXPECT_NE(out.find("Invalid expression in #if directive."), std::string::npos) << out;
  EXPECT_NE(out.find("Preprocessor float truncated to long integer."), std::string::npos) << out;
  EXPECT_NE(out.find("Invalid argument for defined() function."), std::string::npos) << out;
}

TEST_F(Preprocess, BadNestingIsFatal) {
  EXPECT_EQ(Fatal("#else\n"), 10);
  EXPECT_EQ(Fatal("#if 1\n#else\n#else\n#endif\n"), 9);
  EXPECT_EQ(Fatal("#endif\n"), 11);
  EXPECT_EQ(Fatal("#elif 1\n"), 30);
  EXPECT_EQ(Fatal("#if 1\n#else\n#elif 1\n#endif\n"), 29);
}

TEST_F(Preprocess, ErrorDirectiveSeverity) {
  EXPECT_EQ(Run("#error stop here\nok\n"), "ok");
  EXPECT_NE(Out().find("stop here"), std::string::npos);
  mv::exitOnError = true;
  EXPECT_EQ(Fatal("#error stop here\n"), 56);
  mv::exitOnError = false;
}

TEST_F(Preprocess, AssemblerPragmasSuppressWithoutCounting) {
  EXPECT_EQ(Run("a\n#pragma asm\nmov ax, 1\n#pragma endasm\nb\n"), "a b");
  EXPECT_EQ(mv::ifDepth, 0);
}

// ---- Token texts ------------------------------------------------------------------------

TEST(InternedTexts, EqualTextsShareOneCopy) {
  const mv::PPText a(std::string_view("abc")), b(std::string("abc"));
  EXPECT_EQ(a.c_str(), b.c_str());
  EXPECT_STREQ(a.c_str(), "abc");
  EXPECT_EQ(a.size(), 3u);
  const mv::PPText prefix(std::string_view("ab")), other(std::string_view("abd"));
  EXPECT_FALSE(prefix == a);
  EXPECT_FALSE(other == a);
  EXPECT_TRUE(a == std::string_view("abc"));
  // The empty text is one, whichever way it is made.
  const mv::PPText none, empty(std::string_view(""));
  EXPECT_TRUE(none == empty);
  EXPECT_TRUE(empty.empty());
  EXPECT_STREQ(empty.c_str(), "");
}

// One-character texts are kept apart from the others, and still once each.
TEST(InternedTexts, OneCharacterTextsShareOneCopy) {
  const mv::PPText paren(std::string_view("(")), again(std::string("x(").substr(1));
  EXPECT_EQ(paren.c_str(), again.c_str());
  EXPECT_STREQ(paren.c_str(), "(");
  EXPECT_FALSE(paren == mv::PPText(std::string_view(")")));
  // A NUL character is a text of length one, not the empty text.
  const mv::PPText nul(std::string_view("\0", 1));
  EXPECT_EQ(nul.size(), 1u);
  EXPECT_FALSE(nul == mv::PPText());
  const mv::PPText high(std::string_view("\xE9"));
  EXPECT_EQ(static_cast<unsigned char>(high[0]), 0xE9);
  EXPECT_EQ(high.c_str()[1], 0);
}

TEST(InternedTexts, LongTextsAndManyTextsKeepTheirCopies) {
  const std::string big(100000, 'x');
  const mv::PPText long1(big), long2(big);
  EXPECT_EQ(long1.c_str(), long2.c_str());
  EXPECT_EQ(std::string(long1), big);
  // Enough texts for the table to grow several times: each is found again.
  std::vector<const char*> first;
  for (int i = 0; i < 20000; ++i) first.push_back(mv::PPText(std::to_string(i) + "_t").c_str());
  for (int i = 0; i < 20000; ++i) {
    const mv::PPText again(std::to_string(i) + "_t");
    ASSERT_EQ(again.c_str(), first[static_cast<size_t>(i)]) << i;
    ASSERT_EQ(std::string(again), std::to_string(i) + "_t");
  }
}

}  // namespace
}  // namespace mvtest
