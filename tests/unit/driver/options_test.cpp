// Option letters: how an argument is classified and what each letter does
// to the run switches, before and after the rule file has been chosen.
#include <cstring>

#include "../harness.h"

namespace mv {
namespace {

using mvtest::Names;
using mvtest::RunExpectingExit;
using mvtest::ScratchDir;
using mvtest::StderrCapture;
using Strings = std::vector<std::string>;

class Options : public mvtest::CleanState {
 protected:
  static void Arg(const char* arg) {
    int isFile = -1;
    ProcessArg(arg, &isFile);
    EXPECT_EQ(isFile, 0) << arg;
  }
};

class ArgumentWalk : public Options {};

TEST_F(ArgumentWalk, FileNamesAreThoseNotStartingWithADash) {
  int isFile = -1;
  ProcessArg("module.c", &isFile);
  EXPECT_EQ(isFile, 1);
  ProcessArg("-Lx", &isFile);
  EXPECT_EQ(isFile, 0);
  ProcessArg("x-y", &isFile);
  EXPECT_EQ(isFile, 1);
  ProcessArg(nullptr, &isFile);
  EXPECT_EQ(isFile, 0);
}

TEST_F(ArgumentWalk, DashAloneDoesNothing) {
  int32_t before[256];
  memcpy(before, option, sizeof before);
  Arg("-");
  EXPECT_EQ(memcmp(before, option, sizeof before), 0);
  EXPECT_EQ(errorCount, 0);
}

TEST_F(ArgumentWalk, TextOf512CharactersIsTheLimit) {
  const std::string fits = "-V" + std::string(512, 'v');
  Arg(fits.c_str());
  ASSERT_NE(str_option[0], nullptr);
  EXPECT_EQ(strlen(str_option[0]), 512u);

  const std::string tooLong = "-W" + std::string(513, 'w');
  StderrCapture err;
  Arg(tooLong.c_str());
  EXPECT_EQ(err.Text(), "\n\nWARNING: option -W is too long.\n\n\n");
  EXPECT_EQ(option['W'], 0);
  EXPECT_EQ(str_option[1], nullptr);
}

class DialectOption : public Options {};

TEST_F(DialectOption, KAloneOrZeroSelectsStrictKAndR) {
  for (const char* arg : {"-k", "-K", "-K0"}) {
    SCOPED_TRACE(arg);
    SetOption('K', 3);
    Arg(arg);
    EXPECT_EQ(keyValue, 0);
    EXPECT_EQ(option['K'], 0);
    EXPECT_EQ(ansiKeys, 0);
    EXPECT_EQ(extendedKeys, 0);
  }
  Arg("-k4");
  EXPECT_EQ(keyValue, 4);
  EXPECT_EQ(CPPKeys, 1);
}

TEST_F(DialectOption, EachDialectSetsItsKeywordSwitches) {
  struct Row {
    int ansi, extended, cpp, symantec, bcb, vax, high;
  };
  const Row rows[12] = {
      {0, 0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0, 0}, {1, 1, 0, 0, 0, 0, 0},
      {1, 0, 1, 0, 0, 0, 0}, {1, 0, 1, 1, 0, 0, 0}, {1, 1, 1, 0, 1, 0, 0}, {1, 1, 1, 0, 0, 0, 0},
      {1, 1, 1, 0, 0, 0, 0}, {1, 1, 1, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 1, 0}, {1, 0, 0, 0, 0, 0, 1},
  };
  // Each dialect is selected after every other one, so nothing may linger.
  for (int from = 0; from < 12; ++from) {
    for (int to = 0; to < 12; ++to) {
      SCOPED_TRACE(testing::Message() << "-K" << from << " then -K" << to);
      SetOption('K', from);
      const std::string arg = "-K" + std::to_string(to);
      Arg(arg.c_str());
      const Row& r = rows[to];
      EXPECT_EQ(keyValue, to);
      EXPECT_EQ(ansiKeys, r.ansi);
      EXPECT_EQ(extendedKeys, r.extended);
      EXPECT_EQ(CPPKeys, r.cpp);
      EXPECT_EQ(symantecKeys, r.symantec);
      EXPECT_EQ(bcbKeys, r.bcb);
      EXPECT_EQ(vaxKeys, r.vax);
      EXPECT_EQ(highKeys, r.high);
    }
  }
  EXPECT_EQ(errorCount, 0);
}

TEST_F(DialectOption, ValuesOutsideZeroToElevenEndTheRun) {
  for (const char* arg : {"-K12", "-K-1", "-K99999999999"}) {
    SCOPED_TRACE(arg);
    StderrCapture err;
    EXPECT_EQ(RunExpectingExit([arg] { Arg(arg); }), 1);
    EXPECT_NE(err.Text().find("\nValid values for the -K option are between 0 and 11.\n\n"), std::string::npos);
  }
}

TEST_F(DialectOption, NonNumericTextIsAnInvalidTextOption) {
  Arg("-Kx");
  EXPECT_EQ(keyValue, 3);
  EXPECT_EQ(option['K'], 1);
  EXPECT_EQ(errorCount, 1);
  EXPECT_EQ(globalMsg, "Invalid call to set_str_option.");
}

TEST_F(DialectOption, RefusedOnceTheRulesAreChosen) {
  initDone = 1;
  SetOption('K', 4);
  EXPECT_EQ(keyValue, 3);
  EXPECT_EQ(CPPKeys, 0);
  EXPECT_EQ(errorCount, 1);
  EXPECT_EQ(globalMsg, "The -K option cannot be set within a rule.");
}

class HeaderOption : public Options {};

TEST_F(HeaderOption, NumbersSelectTheHeaderLevel) {
  Arg("-S");
  EXPECT_EQ(checkHeaders, 1);
  Arg("-s2");
  EXPECT_EQ(checkHeaders, 2);
  EXPECT_EQ(option['S'], 2);
  Arg("-S0");
  EXPECT_EQ(checkHeaders, 0);
  EXPECT_EQ(errorCount, 0);
}

TEST_F(HeaderOption, OutOfRangeIsAdvisedAndMasked) {
  struct Case {
    const char* arg;
    int level;
    const char* message;
  };
  const Case cases[] = {
      {"-S7", 3, "-S option value must be 0, 1, 2, or 3 (found 7)"},
      {"-S-1", 3, "-S option value must be 0, 1, 2, or 3 (found -1)"},
      {"-S5", 1, "-S option value must be 0, 1, 2, or 3 (found 5)"},
  };
  int expectedCount = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg);
    Arg(c.arg);
    EXPECT_EQ(checkHeaders, c.level);
    EXPECT_EQ(errorCount, ++expectedCount);
    EXPECT_EQ(globalMsg, c.message);
  }
}

TEST_F(HeaderOption, SqlSwitchesOnEmbeddedSqlAndClearsTheLetter) {
  for (const char* arg : {"-SQL", "-sql", "-SqL"}) {
    SCOPED_TRACE(arg);
    mvtest::ResetSubsystems();
    Arg(arg);
    EXPECT_EQ(embedSQL, 1);
    EXPECT_EQ(option['S'], 0);
    EXPECT_EQ(checkHeaders, 0);
    EXPECT_EQ(errorCount, 0);
  }
}

TEST_F(HeaderOption, OtherTextIsNotUnderstood) {
  Arg("-Sx");
  EXPECT_EQ(option['S'], 0);
  EXPECT_EQ(embedSQL, 0);
  EXPECT_EQ(errorCount, 1);
  EXPECT_EQ(globalMsg, "Option -S not understood.");
}

class UserTextOptions : public Options {};

TEST_F(UserTextOptions, LetterAloneRecordsOneButNoText) {
  Arg("-V");
  EXPECT_EQ(option['V'], 1);
  EXPECT_EQ(str_option[0], nullptr);
}

TEST_F(UserTextOptions, TextGoesToTheLettersSlot) {
  Arg("-Vabc");
  Arg("-wdef");
  Arg("-Xghi");
  Arg("-Yjkl");
  EXPECT_EQ(option['V'], 1);
  EXPECT_EQ(option['W'], 1);
  EXPECT_STREQ(str_option[0], "abc");
  EXPECT_STREQ(str_option[1], "def");
  EXPECT_STREQ(str_option[2], "ghi");
  EXPECT_STREQ(str_option[3], "jkl");
}

TEST_F(UserTextOptions, NewTextReplacesAndReleasesTheOld) {
  Arg("-Vfirst");
  const long strings = mStrCount;
  Arg("-Vsecond");
  EXPECT_STREQ(str_option[0], "second");
  EXPECT_EQ(mStrCount, strings);
}

class SwitchOptions : public Options {};

TEST_F(SwitchOptions, SimpleLettersSetTheirSwitches) {
  EXPECT_EQ(crossModule, 1);
  EXPECT_EQ(indentBraces, 0);
  Arg("-Z");
  Arg("-B");
  Arg("-E");
  Arg("-F");
  Arg("-G");
  Arg("-P");
  Arg("-J");
  EXPECT_EQ(crossModule, 0);
  EXPECT_EQ(option['Z'], 1);
  EXPECT_EQ(indentBraces, 1);
  EXPECT_EQ(option['B'], 1);
  EXPECT_EQ(countMacroTokens, 1);
  EXPECT_EQ(countHeaders, 1);
  EXPECT_EQ(readAllHeadersOnce, 1);
  EXPECT_EQ(showProgress, 1);
  EXPECT_FALSE(showErrors);
  for (const int letter : {'Z', 'B', 'E', 'F', 'G', 'P', 'J'}) SetOption(letter, 0);
  EXPECT_EQ(crossModule, 1);
  EXPECT_EQ(indentBraces, 0);
  EXPECT_EQ(countMacroTokens, 0);
  EXPECT_EQ(countHeaders, 0);
  EXPECT_EQ(readAllHeadersOnce, 0);
  EXPECT_EQ(showProgress, 0);
  EXPECT_TRUE(showErrors);
}

TEST_F(SwitchOptions, LettersWithoutEffectOnlyRecordTheirValue) {
  Arg("-N");
  Arg("-A");
  EXPECT_EQ(option['N'], 1);
  EXPECT_EQ(option['A'], 1);
  SetOption('a', -5);
  EXPECT_EQ(option['A'], -5);
  EXPECT_EQ(errorCount, 0);
}

TEST_F(SwitchOptions, DebugFlagsKeepSixteenBits) {
  Arg("-&70000");
  EXPECT_EQ(option['&'], 70000);
  EXPECT_EQ(debugFlags, 70000 & 0xFFFF);
}

TEST_F(SwitchOptions, AdvisoriesOfObsoleteAndUnknownTexts) {
  struct Case {
    const char* arg;
    int letter;
    int value;
    const char* message;
  };
  const Case cases[] = {
      {"-NEST", 'N', 0, "Command-line option -NEST is no longer needed."},
      {"-nest", 'N', 0, "Command-line option -NEST is no longer needed."},
      {"-Nfoo", 'N', 0, "Option -N not understood."},
      {"-Cold.mv", 'C', 1, "Option -Cfile is obsolete: use -Rfile."},
      {"-Afoo", 'A', 1, "Invalid call to set_str_option."},
  };
  int expectedCount = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arg);
    Arg(c.arg);
    EXPECT_EQ(option[c.letter], c.value);
    EXPECT_EQ(errorCount, ++expectedCount);
    EXPECT_EQ(globalMsg, c.message);
  }
}

TEST_F(SwitchOptions, LetterOutsideTheTableIsAdvised) {
  SetOption(300, 1);
  EXPECT_EQ(errorCount, 1);
  EXPECT_EQ(globalMsg, "Invalid first argument in call to set_option( 300, 1 )");
  SetOption(-2, 7);
  EXPECT_EQ(errorCount, 2);
  EXPECT_EQ(globalMsg, "Invalid first argument in call to set_option( -2, 7 )");
}

TEST_F(SwitchOptions, AbsentTextIsAnInvalidCall) {
  SetStrOption('V', nullptr);
  EXPECT_EQ(errorCount, 1);
  EXPECT_EQ(globalMsg, "Invalid call to set_str_option.");
  EXPECT_EQ(option['V'], 0);
}

TEST_F(SwitchOptions, TextLetterOutsideTheTableIsAnInternalError) {
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { SetStrOption(300, "x"); }), 1);
  EXPECT_NE(err.Text().find("Fatal error E0000: Error during option processing.\n Velmora data (10.04B5):  File "
                            "options.cpp; Line "),
            std::string::npos);
}

class ListingOptions : public Options {};

TEST_F(ListingOptions, LAloneAsksForCheckLst) {
  Arg("-L");
  EXPECT_EQ(makeList, 1);
  ASSERT_NE(listFN, nullptr);
  EXPECT_STREQ(listFN, "check.lst");
}

TEST_F(ListingOptions, NamedListingIsKept) {
  Arg("-Lmine.lst");
  Arg("-L");
  Arg("-H");
  EXPECT_STREQ(listFN, "mine.lst");
  SetOption('L', 0);
  EXPECT_EQ(makeList, 0);
}

TEST_F(ListingOptions, HeadersAndMacrosAskForAListing) {
  Arg("-H");
  EXPECT_EQ(showIncludes, 1);
  EXPECT_EQ(makeList, 1);
  EXPECT_STREQ(listFN, "check.lst");
  mvtest::ResetSubsystems();
  Arg("-M");
  EXPECT_EQ(showMacros, 1);
  EXPECT_EQ(makeList, 1);
  EXPECT_STREQ(listFN, "check.lst");
  SetOption('M', 0);
  EXPECT_EQ(showMacros, 0);
  EXPECT_EQ(makeList, 1);
}

TEST_F(ListingOptions, WithinARuleOnlyAnOpenListingCanBeShown) {
  initDone = 1;
  SetOption('H', 1);
  SetOption('M', 1);
  SetOption('L', 1);
  EXPECT_EQ(showIncludes, 0);
  EXPECT_EQ(showMacros, 0);
  EXPECT_EQ(makeList, 0);
  EXPECT_EQ(listFN, nullptr);
  SetStrOption('L', "late.lst");
  EXPECT_EQ(listFN, nullptr);
  EXPECT_EQ(makeList, 1);
}

class MacroOptions : public Options {};

TEST_F(MacroOptions, DefinitionsAndRemovalsArePushedInFront) {
  Arg("-DA=1");
  Arg("-DB");
  Arg("-UX");
  Arg("-uY");
  EXPECT_EQ(Names(clDefList), (Strings{"B", "A=1"}));
  EXPECT_EQ(Names(clUndefList), (Strings{"Y", "X"}));
  EXPECT_EQ(showPredefs, 0);
}

TEST_F(MacroOptions, QuestionMarkShowsThePredefinedMacros) {
  Arg("-D?");
  EXPECT_EQ(showPredefs, 1);
  EXPECT_EQ(clDefList, nullptr);
  EXPECT_EQ(option['D'], 1);
}

TEST_F(MacroOptions, DAloneDefinesNothing) {
  Arg("-D");
  EXPECT_EQ(clDefList, nullptr);
  EXPECT_EQ(showPredefs, 0);
  EXPECT_EQ(option['D'], 1);
}

class IncludeOption : public Options {};

TEST_F(IncludeOption, DirectoriesAreAppendedNormalised) {
  Arg("-Iinc");
  Arg("-I/opt/h/");
  Arg("-isys");
  EXPECT_EQ(Names(headerList), (Strings{"inc/", "/opt/h/", "sys/"}));
  EXPECT_EQ(newHeaderList, nullptr);
}

TEST_F(IncludeOption, WithinARuleTheyGoToTheNewList) {
  Arg("-Iearly");
  initDone = 1;
  SetStrOption('I', "late");
  EXPECT_EQ(Names(headerList), (Strings{"early/"}));
  EXPECT_EQ(Names(newHeaderList), (Strings{"late/"}));
}

class OutputOptions : public Options {};

TEST_F(OutputOptions, OTwiceOpensStderrOutOnce) {
  ScratchDir dir;
  Arg("-O");
  FILE* first = out;
  EXPECT_NE(first, stderr);
  EXPECT_TRUE(mvtest::FileExists("stderr.out"));
  Arg("-O");
  EXPECT_EQ(out, first);
  SetOption('O', 0);
  EXPECT_EQ(out, stderr);
}

TEST_F(OutputOptions, NamedOutputIsKeptByALaterBareO) {
  ScratchDir dir;
  Arg("-Omine.out");
  FILE* named = out;
  EXPECT_NE(named, stderr);
  Arg("-O");
  EXPECT_EQ(out, named);
  EXPECT_FALSE(mvtest::FileExists("stderr.out"));
  EXPECT_TRUE(mvtest::FileExists("mine.out"));
}

TEST_F(OutputOptions, OutputIsAppended) {
  ScratchDir dir;
  dir.Write("stderr.out", "before\n");
  Arg("-O");
  fputs("after\n", out);
  SetOption('O', 0);
  EXPECT_EQ(mvtest::ReadFile("stderr.out"), "before\nafter\n");
}

TEST_F(OutputOptions, S2SwitchesOnExtendedKeywordsOnly) {
  Arg("-K1");
  EXPECT_EQ(extendedKeys, 0);
  Arg("-Os2");
  EXPECT_EQ(extendedKeys, 1);
  EXPECT_EQ(keyValue, 1);
  EXPECT_EQ(option['O'], 0);
  EXPECT_EQ(out, stderr);
}

TEST_F(OutputOptions, OutputDirectoryEndsInASlashAndReceivesTheFiles) {
  ScratchDir dir;
  dir.Write("sub/keep", "");
  Arg("-Qsub");
  ASSERT_NE(destPN, nullptr);
  EXPECT_STREQ(destPN, "sub/");
  Arg("-O");
  EXPECT_TRUE(mvtest::FileExists("sub/stderr.out"));
  Arg("-Qother/");
  EXPECT_STREQ(destPN, "other/");
}

TEST_F(OutputOptions, OutputThatCannotOpenEndsWithStatusOne) {
  ScratchDir dir;
  Arg("-Qmissing");
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { Arg("-O"); }), 1);
  EXPECT_NE(err.Text().find("OpenFile: Error opening file \"missing/stderr.out\""), std::string::npos);
}

TEST_F(OutputOptions, PrototypeFileIsRecorded) {
  Arg("-Tprotos.h");
  EXPECT_EQ(makeProtos, 1);
  ASSERT_NE(protoFN, nullptr);
  EXPECT_STREQ(protoFN, "protos.h");
}

class RuleOption : public Options {};

TEST_F(RuleOption, OneNameIsTakenAsItIs) {
  Arg("-Rstyle");
  EXPECT_EQ(Names(ruleList), (Strings{"style"}));
  EXPECT_EQ(nRuleFiles, 1);
  EXPECT_STREQ(ruleFN, "style");
  EXPECT_EQ(checkRules, 1);
  EXPECT_EQ(notRules, 0);
}

TEST_F(RuleOption, FurtherNamesAreRuleSources) {
  Arg("-Ra");
  Arg("-Rb");
  Arg("-Rc.mv");
  Arg("-rD.MV");
  EXPECT_EQ(Names(ruleList), (Strings{"a", "b.mv", "c.mv", "D.MV"}));
  EXPECT_EQ(nRuleFiles, 4);
}

TEST_F(RuleOption, LeadingBlankOfTheTextIsKept) {
  Arg("-R style");
  EXPECT_EQ(Names(ruleList), (Strings{" style"}));
}

TEST_F(RuleOption, CompiledFileAmongSeveralEndsWithStatusOne) {
  Arg("-Ra");
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { Arg("-Rb.mvo"); }), 1);
  EXPECT_NE(err.Text().find("\nDo not use .mvo file in case multiple rule files chosen.\n"), std::string::npos);
}

TEST_F(RuleOption, NameLengthCountsTheExtensionToCome) {
  Arg(("-R" + std::string(252, 'n')).c_str());  // 253 + 3 < 257
  Arg(("-R" + std::string(252, 'm') + ".mv").c_str());
  EXPECT_EQ(nRuleFiles, 2);
  for (const std::string& text : {std::string(253, 'n'), std::string(253, 'n') + ".mv"}) {
    StderrCapture err;
    EXPECT_EQ(RunExpectingExit([&] { Arg(("-R" + text).c_str()); }), 1);
    EXPECT_NE(err.Text().find("\nFilename in -R option is too long.\n\n"), std::string::npos);
  }
}

TEST_F(RuleOption, RefusedOnceTheRulesAreChosen) {
  initDone = 1;
  SetStrOption('R', "late.mv");
  EXPECT_EQ(nRuleFiles, 0);
  EXPECT_EQ(ruleList, nullptr);
  EXPECT_EQ(errorCount, 1);
  EXPECT_EQ(globalMsg, "Invalid call to set_str_option.");
}

}  // namespace
}  // namespace mv
