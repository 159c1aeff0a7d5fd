// Include files: reading the name, the search along the directory lists,
// include_next, the check levels and header options, -G, exclusion, forced
// headers, the depth limit and the reports of a header not found.
#include <unistd.h>

#include <string>
#include <vector>

#include "../harness.h"
#include "frontend/lex.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"

namespace mvtest {
namespace {

enum : int { kPPInclude = 21, kPPIncludeWhite = 22, kPPNotAnsi = 29, kPPNotFound = 31, kPPRelative = 36 };

// The pp_ variables as the directive left them (leaving a header clears them):
// include, include_white, not_ansi, not_found and relative, for each directive.
struct PPSeen {
  int include, white, notAnsi, notFound, relative;
};
std::vector<PPSeen> ppSeen;

// Stands in for the directive processor: reads the directive word and hands
// include directives to PrepInclude, then skips the rest of the line.
void IncludeOnlyDirective() {
  if (mv::lexLine != nullptr) mv::lexLine->flags |= mv::kLineDirective;
  mv::inDirective = true;
  mv::endPPLine = false;
  mv::checkForPPD = false;
  int c = mv::lexChar = mv::NextChar();
  while (c == ' ' || c == '\t') c = mv::lexChar = mv::NextChar();
  std::string word;
  while (c >= 0 && (isalnum(c) || c == '_')) {
    word += static_cast<char>(c);
    c = mv::lexChar = mv::NextChar();
  }
  const int code = mv::FindPPKeyword(word.c_str());
  if (code == mv::kDirInclude || (code >= mv::kDirCInclude && code <= mv::kDirIncludeNext) || code == mv::kDirImport)
    mv::PrepInclude(code);
  const mv::MVWord* pp = mv::mvValue[mv::pp_];
  ppSeen.push_back({static_cast<int>(pp[kPPInclude]), static_cast<int>(pp[kPPIncludeWhite]),
                    static_cast<int>(pp[kPPNotAnsi]), static_cast<int>(pp[kPPNotFound]),
                    static_cast<int>(pp[kPPRelative])});
  mv::ZeroVars(mv::pp_);
  for (c = mv::lexChar; c != 13 && c >= 0;) c = mv::lexChar = mv::NextChar();
  mv::inDirective = false;
}

class Includes : public SourceState {
 protected:
  void SetUp() override {
    SourceState::SetUp();
    mv::notRules = 1;
    mv::directiveHook = IncludeOnlyDirective;
  }
  void TearDown() override {
    EndInput();
    mv::directiveHook = mv::SkipDirectiveLine;
    SourceState::TearDown();
  }

  void Dir(const std::string& d) { mv::AppendPath(&mv::headerList, (dir_.Path() + "/" + d).c_str()); }

  // Opens the module dir/name (dir "" for the working directory) and starts the lexer.
  void Begin(const std::string& dir, const std::string& name, const std::string& text) {
    EndInput();
    ppSeen.clear();
    mv::errorFlag = false;
    PushModule(text, true, dir, name);
    mv::LexInit();
    mv::StartForcedIncludes();
  }

  // The identifiers read to the end, each with '+' when rules apply to its
  // line and '-' when not, and the include depth of its line.
  std::string Words() {
    std::string s;
    for (int n = 0; n < 100000; ++n) {
      const int code = mv::Lex1();
      if (code == 0) break;
      if (code != mv::kTokIdent) continue;
      if (!s.empty()) s += ' ';
      s += mv::lexTokenValue;
      s += (mv::lexLine->flags & mv::kLineRulesApply) != 0 ? '+' : '-';
      s += std::to_string(mv::lexLine->depth);
    }
    return s;
  }
  std::string Run(const std::string& dir, const std::string& name, const std::string& text) {
    Begin(dir, name, text);
    return Words();
  }
};

// ---- The search ---------------------------------------------------------------------------

TEST_F(Includes, QuotedNamesTryTheIncludingDirectoryFirstAngleNamesLast) {
  dir_.Write("inc/h.h", "in_inc\n");
  dir_.Write("src/h.h", "in_src\n");
  dir_.Write("src/q.h", "#include \"h.h\"\n#include <h.h>\n");
  Dir("inc");
  mv::checkHeaders = 3;
  EXPECT_EQ(Run("src", "m.c", "#include \"h.h\"\n#include <h.h>\nmodule\n"), "in_src+1 in_inc+1 module+0");
  // Inside a header the header's own directory is the including one.
  EXPECT_EQ(Run("", "n.c", "#include \"src/q.h\"\n"), "in_src+2 in_inc+2");
  // A name only in the including directory is still found in angle brackets, last.
  dir_.Write("src/only.h", "only\n");
  EXPECT_EQ(Run("src", "m.c", "#include <only.h>\n"), "only+1");
}

TEST_F(Includes, RelativeDirectoryPartFollowsEachDirectory) {
  dir_.Write("inc/sys/t.h", "sys_t\n#include \"u.h\"\n");
  dir_.Write("inc/sys/u.h", "sys_u\n");
  Dir("inc");
  mv::checkHeaders = 3;
  mv::pp_needed = true;
  EXPECT_EQ(Run("", "m.c", "#include <sys/t.h>\n"), "sys_t+1 sys_u+2");
  // Only a relative directory part inside a header sets pp_relative.
  ASSERT_EQ(ppSeen.size(), 2u);
  EXPECT_EQ(ppSeen[0].relative, 0);
  dir_.Write("inc/w.h", "#include <sys/u.h>\n");
  EXPECT_EQ(Run("", "m.c", "#include <w.h>\n"), "sys_u+2");
  ASSERT_EQ(ppSeen.size(), 2u);
  EXPECT_EQ(ppSeen[1].relative, 1);
}

TEST_F(Includes, IncludeNextStartsAfterTheListEntryOfTheLastFind) {
  dir_.Write("a/other.h", "a_other\n");
  dir_.Write("b/x.h", "b_x\n#include_next <x.h>\n");
  dir_.Write("c/x.h", "c_x\n");
  dir_.Write("d/x.h", "d_x\n");
  Dir("a");
  Dir("b");
  Dir("c");
  Dir("d");
  mv::checkHeaders = 3;
  // Found in the second directory: include_next searches from the third on.
  EXPECT_EQ(Run("", "m.c", "#include <x.h>\n"), "b_x+1 c_x+2");
  EXPECT_EQ(mv::startList, 2);
  // With nothing recorded yet the search starts at the head of the list.
  EXPECT_EQ(Run("", "m.c", "#include_next <x.h>\n"), "b_x+1 c_x+2");
  // An ordinary include resets the position: found in the including directory
  // it leaves nothing recorded.
  dir_.Write("x.h", "here_x\n");
  EXPECT_EQ(Run("", "m.c", "#include \"x.h\"\n#include_next <other.h>\n"), "here_x+1 a_other+1");
}

TEST_F(Includes, AbsoluteAndTildeNames) {
  dir_.Write("abs/h.h", "abs_h\n");
  mv::checkHeaders = 3;
  EXPECT_EQ(Run("", "m.c", "#include <" + dir_.Path() + "/abs/h.h>\n"), "abs_h+1");
  // A ~ name without a slash is an ordinary relative name.
  dir_.Write("~h.h", "tilde\n");
  EXPECT_EQ(Run("", "m.c", "#include \"~h.h\"\n"), "tilde+1");
  // ~/ is the home directory.
  ScopedEnv home("HOME", (dir_.Path() + "/abs").c_str());
  EXPECT_EQ(Run("", "m.c", "#include <~/h.h>\n"), "abs_h+1");
}

TEST_F(Includes, NewHeaderDirectoriesGoFirstAndRemovePathTakesThemBack) {
  dir_.Write("inc/h.h", "old\n");
  dir_.Write("new/h.h", "new\n");
  Dir("inc");
  mv::headerListBoundary = mv::headerList;
  mv::AppendPath(&mv::newHeaderList, (dir_.Path() + "/new").c_str());
  mv::checkHeaders = 3;
  EXPECT_EQ(Run("", "m.c", "#include <h.h>\n"), "new+1");
  EXPECT_EQ(mv::newHeaderList, nullptr);
  ASSERT_EQ(Names(mv::headerList).size(), 2u);
  mv::Remove1HeaderPath();
  EXPECT_EQ(Names(mv::headerList), std::vector<std::string>{dir_.Path() + "/inc/"});
  // The directories given before the run are never removed.
  mv::Remove1HeaderPath();
  EXPECT_EQ(Names(mv::headerList).size(), 1u);
  EXPECT_EQ(Run("", "m.c", "#include <h.h>\n"), "old+1");
}

TEST_F(Includes, SearchesRepeatedInARunFindTheSameAndARunStartsAfresh) {
  dir_.Write("a/g.h", "g\n");
  dir_.Write("b/h.h", "in_b\n#include_next <h.h>\n");
  dir_.Write("c/h.h", "in_c\n");
  Dir("a");
  Dir("b");
  Dir("c");
  mv::checkHeaders = 3;
  // The second search is answered by the first, and include_next still goes
  // on after the directory the header was found in.
  EXPECT_EQ(Run("", "m.c", "#include <g.h>\n#include <h.h>\n#include <h.h>\n"), "g+1 in_b+1 in_c+2 in_b+1 in_c+2");
  EXPECT_EQ(mv::startList, 2);
  // A new run searches again: a header now in an earlier directory is found
  // there, and those that are gone are not found.
  dir_.Write("a/h.h", "in_a\n");
  ASSERT_EQ(unlink((dir_.Path() + "/a/g.h").c_str()), 0);
  ASSERT_EQ(unlink((dir_.Path() + "/b/h.h").c_str()), 0);
  mv::InitFiles();
  StderrCapture capture;
  EXPECT_EQ(Run("", "m.c", "#include <g.h>\n#include <h.h>\n#include_next <h.h>\n"), "in_a+1 in_c+1");
  EndInput();
  EXPECT_EQ(capture.Text(), "# Could not open header file g.h\n");
}

// ---- Reading the name ----------------------------------------------------------------------------

TEST_F(Includes, NameFormsAndTheirTriggers) {
  dir_.Write("h.h", "hh\n");
  dir_.Write("vx.h", "vax\n");
  mv::checkHeaders = 3;
  mv::pp_needed = true;
  auto seen = [] { return ppSeen.empty() ? PPSeen{-1, -1, -1, -1, -1} : ppSeen[0]; };
  EXPECT_EQ(Run("", "m.c", "#include \"  h.h\"\n"), "hh+1");
  EXPECT_EQ(seen().include, 2);
  EXPECT_EQ(seen().white, 1);
  EXPECT_EQ(seen().notAnsi, 0);
  EXPECT_EQ(Run("", "m.c", "#include \"h.h\"\n"), "hh+1");
  EXPECT_EQ(seen().white, 0);
  EXPECT_EQ(Run("", "m.c", "#include < h.h  > trailing words\n"), "hh+1");
  EXPECT_EQ(seen().include, 4);
  EXPECT_EQ(seen().white, 1);
  // #import reads the name the same way, without the include triggers.
  EXPECT_EQ(Run("", "m.c", "#import \" h.h\"\n"), "hh+1");
  EXPECT_EQ(seen().include, 0);
  EXPECT_EQ(seen().white, 0);
  // VAX: an identifier gets .h appended.
  mv::SetOption('K', 10);
  EXPECT_EQ(Run("", "m.c", "#include vx\n"), "vax+1");
  EXPECT_EQ(seen().include, 6);
  EXPECT_EQ(seen().notAnsi, 1);
  // Metaware: the name runs to the next white space.
  mv::SetOption('K', 11);
  EXPECT_EQ(Run("", "m.c", "#include vx.h more\n"), "vax+1");
  EXPECT_EQ(seen().include, 5);
  EXPECT_EQ(seen().notAnsi, 1);
}

TEST_F(Includes, AnythingElseIsFatalErrorTwo) {
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([&] { Run("", "m.c", "#include 42\n"); }), 2);
  EXPECT_EQ(RunExpectingExit([&] { Run("", "m.c", "#include\n"); }), 2);
  // A macro name with no expansion to ask.
  EXPECT_EQ(RunExpectingExit([&] { Run("", "m.c", "#include HEADER\n"); }), 2);
  EXPECT_EQ(RunExpectingExit([&] { Run("", "m.c", "#import HEADER\n"); }), 2);
  const std::string text = err.Text();
  EXPECT_NE(text.find("Fatal error E0002: #include \"filename\" or <filename> expected, but 42 was found."),
            std::string::npos);
  EXPECT_NE(text.find("but end of line was found."), std::string::npos);
  EXPECT_NE(text.find("#include \"filename\" or <filename> expected, but HEADER was found."), std::string::npos);
  EXPECT_NE(text.find("#import \"filename\" or <filename> expected, but HEADER was found."), std::string::npos);
}

std::vector<std::pair<int, std::string>> hookTokens;
int FakeExpansion(char* text, size_t size, bool* white) {
  if (hookTokens.empty()) return 0;
  const auto t = hookTokens.front();
  hookTokens.erase(hookTokens.begin());
  snprintf(text, size, "%s", t.second.c_str());
  *white = t.second == "h";
  return t.first;
}

TEST_F(Includes, NamesFromMacroTokens) {
  dir_.Write("inc/h.h", "angle\n");
  dir_.Write("h.h", "quoted\n");
  Dir("inc");
  mv::checkHeaders = 3;
  mv::pp_needed = true;
  mv::includeTokenHook = FakeExpansion;
  hookTokens = {{'<', "<"}, {mv::kTokIdent, "h"}, {'.', "."}, {mv::kTokIdent, "h"}, {'>', ">"}};
  EXPECT_EQ(Run("", "m.c", "#include HDR\n"), "angle+1");
  ASSERT_EQ(ppSeen.size(), 1u);
  EXPECT_EQ(ppSeen[0].include, 3);
  EXPECT_EQ(ppSeen[0].white, 1);
  hookTokens = {{mv::kTokString, "\"h.h\""}};
  EXPECT_EQ(Run("", "m.c", "#include HDR\n"), "quoted+1");
  ASSERT_EQ(ppSeen.size(), 1u);
  EXPECT_EQ(ppSeen[0].include, 1);
  mv::includeTokenHook = nullptr;
}

// ---- Not found -------------------------------------------------------------------------------------

TEST_F(Includes, MissingHeaderListsEveryDirectoryTriedInOrder) {
  Dir("one");
  Dir("two");
  mv::pp_needed = true;
  std::string err;
  {
    StderrCapture capture;
    EXPECT_EQ(Run("", "m.c", "#include \"sub/no.h\"\nafter\n"), "after+0");
    EndInput();
    err = capture.Text();
  }
  EXPECT_EQ(err, "# Could not open header file sub/no.h\n");
  const std::string one = dir_.Path() + "/one/", two = dir_.Path() + "/two/";
  // The module's first message starts with an empty line, when it is given.
  EXPECT_EQ(Out(), "\n  Directories searched for header file sub/no.h:\n"
                   "  (1)   The current working directory\n"
                   "  (2)   " + one + "\n"
                   "  (3)   " + two + "\n\n"
                   "m.c(1): Warning C0023: Could not open header file sub/no.h\n");
  ASSERT_EQ(ppSeen.size(), 1u);
  EXPECT_EQ(ppSeen[0].notFound, 1);
}

TEST_F(Includes, MissingAbsoluteHeaderNamesItsOneDirectory) {
  Dir("one");
  const std::string name = dir_.Path() + "/no/x.h";
  StderrCapture capture;
  Run("src", "m.c", "#include <" + name + ">\n");
  EndInput();
  EXPECT_EQ(capture.Text(), "# Could not open header file " + name + "\n");
  EXPECT_EQ(Out(), "\n  Directory searched for header file x.h:\n  (1)   " + dir_.Path() +
                       "/no/\n\nsrc/m.c(1): Warning C0023: Could not open header file " + name + "\n");
}

// ---- Rules on headers --------------------------------------------------------------------------------

TEST_F(Includes, CheckLevelsPickTheKindsWhoseRulesApply) {
  dir_.Write("q.h", "q\n#include <a2.h>\n");
  dir_.Write("a.h", "a\n#include \"q2.h\"\n");
  dir_.Write("q2.h", "q2\n");
  dir_.Write("a2.h", "a2\n");
  const char* text = "#include \"q.h\"\n#include <a.h>\nm\n";
  mv::checkHeaders = 0;
  EXPECT_EQ(Run("", "m.c", text), "q-1 a2-2 a-1 q2-2 m+0");
  mv::checkHeaders = 1;
  EXPECT_EQ(Run("", "m.c", text), "q+1 a2-2 a-1 q2+2 m+0");
  mv::checkHeaders = 2;
  EXPECT_EQ(Run("", "m.c", text), "q-1 a2+2 a+1 q2-2 m+0");
  mv::checkHeaders = 3;
  EXPECT_EQ(Run("", "m.c", text), "q+1 a2+2 a+1 q2+2 m+0");
}

TEST_F(Includes, HeaderOptionsOverrideTheLevelAndPassItOnWhenInherited) {
  dir_.Write("q.h", "q\n#include \"n.h\"\n");
  dir_.Write("n.h", "n\n");
  const char* text = "#include \"q.h\"\n";
  mv::checkHeaders = 3;
  // Level 2 does not check a quoted header; with the flag, what it includes
  // takes level 2 too.
  mv::SetHeaderOptS("q.h", 1, 2, 1);
  EXPECT_EQ(Run("", "m.c", text), "q-1 n-2");
  // Without the flag, the nested header goes back to -S.
  mv::SetHeaderOptS("q.h", 1, 2, 0);
  EXPECT_EQ(Run("", "m.c", text), "q-1 n+2");
  // Another kind is another entry.
  mv::SetHeaderOptS("q.h", 1, 3, 1);
  mv::SetHeaderOptS("q.h", 2, 0, 1);
  EXPECT_EQ(Run("", "m.c", text), "q+1 n+2");
}

TEST_F(Includes, ExcludedDirectoriesReadWithRulesOff) {
  dir_.Write("ext/h.h", "ext\n#include \"own.h\"\n");
  dir_.Write("ext/own.h", "own\n");
  Dir("EXT");  // the case of the list entry does not matter
  Dir("ext");
  mv::AppendPath(&mv::excludeList, (dir_.Path() + "/Ext").c_str());
  mv::checkHeaders = 3;
  EXPECT_EQ(Run("", "m.c", "#include <h.h>\nm\n"), "ext-1 own-2 m+0");
}

// ---- Once, twice, forever ------------------------------------------------------------------------------

TEST_F(Includes, DashGReadsAHeaderOncePerModule) {
  dir_.Write("h.h", "h\n");
  const char* text = "#include \"h.h\"\n#include \"h.h\"\n";
  mv::checkHeaders = 3;
  EXPECT_EQ(Run("", "m.c", text), "h+1 h+1");
  EXPECT_EQ(mv::TestHeader("h.h"), 1);
  EXPECT_EQ(mv::TestHeader("m.c"), 0);
  EXPECT_EQ(mv::TestHeader(""), 0);
  mv::readAllHeadersOnce = 1;
  EXPECT_EQ(Run("", "m.c", text), "h+1");
  // The next module starts with an empty list.
  EXPECT_EQ(Run("", "n.c", text), "h+1");
}

TEST_F(Includes, SelfInclusionEndsWithTooManyFiles) {
  dir_.Write("self.h", "s\n#include \"self.h\"\n");
  StderrCapture err;
  std::string words;
  EXPECT_EQ(RunExpectingExit([&] {
              Begin("", "m.c", "#include \"self.h\"\n");
              words = Words();
            }),
            8);
  EXPECT_NE(err.Text().find("Fatal error E0008: Too many files."), std::string::npos);
  EXPECT_EQ(mv::FileStackDepth(), 0);  // the exit path closes every file
}

TEST_F(Includes, DepthTwoHundredIsTheLimit) {
  // A chain of 199 headers below the module is read to its end.
  for (int i = 1; i < mv::kMaxOpenFiles; ++i) {
    std::string name = "c", text = "#include \"c";
    name += std::to_string(i);
    name += ".h";
    text += std::to_string(i + 1);
    text += ".h\"\n";
    dir_.Write(name, i + 1 < mv::kMaxOpenFiles ? text : std::string("deepest\n"));
  }
  EXPECT_EQ(Run("", "m.c", "#include \"c1.h\"\nback\n"), "deepest-199 back+0");
}

// ---- Forced headers and progress ------------------------------------------------------------------------

TEST_F(Includes, ForcedHeadersComeBeforeTheModuleInListOrder) {
  dir_.Write("f1.h", "f1\n");
  dir_.Write("inc/f2.h", "f2\n");
  Dir("inc");
  mv::checkHeaders = 3;
  mv::AddForcedHeader("f1.h", 1);
  mv::AddForcedHeader("missing.h", 2);
  mv::AddForcedHeader("f2.h", 2);
  mv::AddForcedHeader("f1.h", 1);  // already there
  mv::pp_needed = true;
  StderrCapture err;
  EXPECT_EQ(Run("", "m.c", "m\n"), "f1+1 f2+1 m+0");
  // A missing forced header gives the warning, never pp_not_found.
  EXPECT_EQ(mv::mvValue[mv::pp_][kPPNotFound], 0);
  EXPECT_EQ(err.Text(), "# Could not open header file missing.h\n");
  mv::DelForcedHeader("f1.h", 1);
  mv::DelForcedHeader("f1.h", 2);  // not in the list: nothing
  EXPECT_EQ(Run("", "m.c", "m\n"), "f2+1 m+0");
}

TEST_F(Includes, ProgressLinesOnEnteringAndLeaving) {
  dir_.Write("inc/a.h", "#include \"b.h\"\n");
  dir_.Write("inc/b.h", "b\n");
  Dir("inc");
  mv::checkHeaders = 1;
  mv::showProgress = 1;
  StderrCapture err;
  Run("", "m.c", "#include <a.h>\n");
  const std::string inc = dir_.Path() + "/inc/";
  EXPECT_EQ(err.Text(), "#  Reading header file <a.h>  in  " + inc + "\n" +
                            "# Checking header file \"b.h\"  in  " + inc + "\n" +
                            "#    Returning to file <a.h>\n" +
                            "#    Returning to file \"m.c\"\n");
}

}  // namespace
}  // namespace mvtest
