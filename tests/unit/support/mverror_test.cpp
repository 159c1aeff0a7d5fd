// The system's own diagnostics: warnings and advisories, fatal errors,
// internal assertions, and the exit path they end through.
#include <regex>

#include "../harness.h"

namespace mv {
namespace {

using mvtest::Count;
using mvtest::RunExpectingExit;
using mvtest::ScratchDir;
using mvtest::StderrCapture;

std::vector<int> hookValues;
void RecordHook(int value) { hookValues.push_back(value); }

class Messages : public mvtest::CleanState {
 protected:
  void SetUp() override {
    CleanState::SetUp();
    hookValues.clear();
    errSyntaxHook = RecordHook;
  }
};

class Warnings : public Messages {};

TEST_F(Warnings, TableWarningIsCountedAndWritten) {
  StderrCapture err;
  Warning(7);
  OtherMessages();
  EXPECT_EQ(err.Text(), "\n\nWarning C0007: Missing right parenthesis.\n");
  EXPECT_EQ(errorCount, 1);
  EXPECT_EQ(globalMsg, "Missing right parenthesis.");
  EXPECT_EQ(hookValues, std::vector<int>{8});
}

TEST_F(Warnings, AdviseCarriesItsOwnText) {
  StderrCapture err;
  Advise(123, "Something odd.");
  Advise(38, "Second.");
  OtherMessages();
  EXPECT_EQ(err.Text(), "\n\nWarning C0123: Something odd.\nWarning C0038: Second.\n");
  EXPECT_EQ(errorCount, 2);
  EXPECT_EQ(globalMsg, "Second.");
}

TEST_F(Warnings, RulesSeeTheNumberPlusOne) {
  Advise(0, "zero");
  Warning(2);
  EXPECT_EQ(hookValues, (std::vector<int>{1, 3}));
}

TEST_F(Warnings, SuppressedWarningsAreCountedAndStillFireRules) {
  showErrors = false;
  StderrCapture err;
  Warning(13);
  Warning(14);
  OtherMessages();
  EXPECT_EQ(err.Text(), "");
  EXPECT_EQ(errorCount, 2);
  EXPECT_EQ(hookValues, (std::vector<int>{14, 15}));
  EXPECT_EQ(globalMsg, "Error in member declaration.");
  EXPECT_EQ(firstMsg, nullptr);
}

TEST_F(Warnings, DisabledAdviseOnlyCounts) {
  DisableAdvise = 1;
  StderrCapture err;
  Warning(13);
  OtherMessages();
  EXPECT_EQ(err.Text(), "");
  EXPECT_EQ(errorCount, 1);
  EXPECT_TRUE(hookValues.empty());
  EXPECT_EQ(globalMsg, "");
}

TEST_F(Warnings, TextOf2048CharactersOverflows) {
  const std::string longText(2048, 'x');
  StderrCapture err;
  Advise(10, longText.c_str());
  OtherMessages();
  EXPECT_EQ(err.Text(), "[Message buffer overflow] " + longText);
  EXPECT_EQ(errorCount, 1);
  EXPECT_TRUE(hookValues.empty());
  EXPECT_EQ(globalMsg, "");
}

TEST_F(Warnings, TextOf2047CharactersIsWritten) {
  const std::string text(2047, 'y');
  StderrCapture err;
  Advise(10, text.c_str());
  OtherMessages();
  EXPECT_EQ(err.Text(), "\n\nWarning C0010: " + text + "\n");
  EXPECT_EQ(globalMsg, text);
}

TEST_F(Warnings, MissingTextEndsTheRunWithStatusOne) {
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { Advise(5, nullptr); }), 1);
  EXPECT_EQ(RunExpectingExit([] { Warning(4); }), 1);  // no table text
  const std::string text = err.Text();
  EXPECT_NE(text.find("\nNIL message in Advise(5)\n"), std::string::npos);
  EXPECT_NE(text.find("\nNIL message in Advise(4)\n"), std::string::npos);
  EXPECT_EQ(errorCount, 0);
  EXPECT_TRUE(hookValues.empty());
}

class FatalErrors : public Messages {};

TEST_F(FatalErrors, TableErrorEndsWithItsNumber) {
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { Panic(8); }), 8);
  EXPECT_EQ(Count(err.Text(), "Fatal error E0008: Too many files.\n"), 1);
  EXPECT_TRUE(errorFlag);
  EXPECT_EQ(errorCount, 0);
}

TEST_F(FatalErrors, ReportFormats) {
  struct Case {
    std::function<void()> raise;
    int status;
    std::string report;
  };
  const Case cases[] = {
      {[] { FatalError(12, nullptr); }, 12, "unknown fatal error E0012\n"},
      {[] { Panic(13); }, 13, "unknown fatal error E0013\n"},
      {[] { FatalError(56, "stop here"); }, 56, "Error:  stop here\n"},
      {[] { FatalError(47, "Input line exceeds buffer length."); }, 47,
       "Fatal error E0047: Input line exceeds buffer length.\n"},
      {[] { UserFatal(3, "rule says no"); }, 3, "Fatal error F0003: rule says no\n"},
      {[] { UserFatal(4, nullptr); }, 4, "Fatal error F0004\n"},
      {[] { UserFatal(12345, "wide"); }, 12345 & 0xFF, "Fatal error F12345: wide\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.report);
    StderrCapture err;
    EXPECT_EQ(RunExpectingExit(c.raise), c.status);
    EXPECT_EQ(Count(err.Text(), c.report), 1);
  }
}

TEST_F(FatalErrors, NumberZeroNeverEndsAsSuccess) {
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { FatalError(0, "boom"); }), 1);
  EXPECT_EQ(RunExpectingExit([] { Panic(0); }), 1);
  const std::string text = err.Text();
  EXPECT_EQ(Count(text, "Fatal error E0000: boom\n"), 1);
  EXPECT_EQ(Count(text, "unknown fatal error E0000\n"), 1);
}

TEST_F(FatalErrors, RuleWritersNumberIsKept) {
  EXPECT_EQ(RunExpectingExit([] { UserFatal(0, "fine"); }), 0);
  EXPECT_EQ(RunExpectingExit([] { UserFatal(200, "two hundred"); }), 200);
}

TEST_F(FatalErrors, RedirectedMessagesAlsoReachStandardError) {
  ScratchDir dir;
  int isFile = 0;
  ProcessArg("-Omsgs.out", &isFile);
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { Panic(9); }), 9);
  EXPECT_EQ(Count(err.Text(), "Fatal error E0009: Multiple #else directives.\n"), 1);
  if (out != stderr) fflush(out);
  EXPECT_EQ(Count(mvtest::ReadFile("msgs.out"), "Fatal error E0009: Multiple #else directives.\n"), 1);
}

TEST_F(FatalErrors, PendingWarningsAreWrittenBeforeTheReport) {
  StderrCapture err;
  Warning(6);
  EXPECT_EQ(RunExpectingExit([] { Panic(53); }), 53);
  const std::string text = err.Text();
  const size_t warning = text.find("Warning C0006: Previous semicolon missing?\n");
  const size_t fatal = text.find("Fatal error E0053: Missing right curly brace?\n");
  ASSERT_NE(warning, std::string::npos);
  ASSERT_NE(fatal, std::string::npos);
  EXPECT_LT(warning, fatal);
}

class InternalAssertions : public Messages {};

TEST_F(InternalAssertions, ReportNamesPhaseSourceFileAndLine) {
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { AssertError("x > 0", "line.c", 42, 2); }), 1);
  EXPECT_EQ(Count(err.Text(),
                  "Fatal error E0000: Error during lexical analysis.\n"
                  " Velmora data (10.04B5):  File line.c; Line 42 # x > 0\n"),
            1);
}

TEST_F(InternalAssertions, EveryPhaseHasItsPhrase) {
  struct Case {
    int phase;
    int level;
    const char* phrase;
  };
  const Case cases[] = {
      {1, 0, " during option processing."},
      {2, 0, " during lexical analysis."},
      {3, 0, " during rule evaluation."},
      {4, 0, " in preprocessor."},
      {6, 0, " in declaration."},
      {6, 1, " in initializer."},
      {7, 0, " in type name."},
      {8, 0, " in C++ scope specification."},
      {9, 0, " in expression or statement."},
      {9, 2, " in initializer."},
      {10, 0, " during Morvane initialization."},
      {11, 0, " during syntactic analysis."},
      {0, 0, "."},
      {-1, 0, "."},
      {5, 0, "."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phase);
    initializerLevel = c.level;
    StderrCapture err;
    EXPECT_EQ(RunExpectingExit([&] { AssertError("cond", "main.c", 7, c.phase); }), 1);
    const std::string expected =
        std::string("Fatal error E0000: Error") + c.phrase + "\n Velmora data (10.04B5):  File main.c; Line 7 # cond\n";
    EXPECT_EQ(Count(err.Text(), expected), 1) << expected;
  }
}

TEST_F(InternalAssertions, MacroNamesOurOwnFile) {
  StderrCapture err;
  const int line = __LINE__ + 1;
  EXPECT_EQ(RunExpectingExit([] { MV_ASSERT(1 + 1 == 3, kPhaseRules); }), 1);
  const std::string expected = "Fatal error E0000: Error during rule evaluation.\n Velmora data (10.04B5):  File "
                               "mverror_test.cpp; Line " + std::to_string(line) + " # 1 + 1 == 3\n";
  EXPECT_EQ(Count(err.Text(), expected), 1);
}

// A harness takes control back through the exit hook and may end many runs in
// one process; every one of them is announced as the first was.
class ExitPath : public Messages {};

TEST_F(ExitPath, NonZeroCodesAreAnnouncedEveryTime) {
  for (const int code : {3, 5}) {
    StderrCapture err;
    EXPECT_EQ(RunExpectingExit([code] { CleanExit(code); }), code);
    EXPECT_EQ(err.Text(), "(Morvane return code = " + std::to_string(code) + ")\n");
  }
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { CleanExit(0); }), 0);
  EXPECT_EQ(err.Text(), "");
}

TEST_F(ExitPath, MessagesNotTiedToALineAreWrittenAtTheEnd) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    StderrCapture err;
    Advise(38, "Left over.");
    EXPECT_EQ(RunExpectingExit([] { CleanExit(0); }), 0);
    EXPECT_EQ(Count(err.Text(), "Warning C0038: Left over.\n"), 1);
  }
}

TEST_F(ExitPath, RedirectedMessageStreamIsClosedAndReset) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ScratchDir dir;
    int isFile = 0;
    ProcessArg("-O", &isFile);
    ASSERT_NE(out, stderr);
    EXPECT_EQ(RunExpectingExit([] { CleanExit(2); }), 2);
    EXPECT_EQ(out, stderr);
  }
}

TEST_F(ExitPath, ReleasesTheListsAndFilesOfTheRun) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    int isFile = 0;
    ProcessArg("-Ra", &isFile);
    ProcessArg("-Rb", &isFile);
    NewFile("m.c", nullptr, tmpfile());
    NewFile("h.h", nullptr, tmpfile());
    initDone = 1;
    EXPECT_EQ(RunExpectingExit([] { CleanExit(0); }), 0);
    EXPECT_EQ(ruleList, nullptr);
    EXPECT_EQ(nRuleFiles, 0);
    EXPECT_EQ(checkRules, 0);
    EXPECT_EQ(initDone, 0);
    EXPECT_EQ(fileStack, nullptr);
    EXPECT_EQ(mFileCount, 0);
    EXPECT_EQ(mCellCount, 0);
  }
}

void ReturningHook(int) {}

TEST(ExitStatus, WithoutAHookTheProcessEndsWithTheStatus) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        mvtest::ResetSubsystems();
        SetExitHook(nullptr);
        CleanExit(7);
      },
      testing::ExitedWithCode(7), "");
  EXPECT_EXIT(
      {
        mvtest::ResetSubsystems();
        SetExitHook(nullptr);
        FatalError(0, "system failure");
      },
      testing::ExitedWithCode(1), "Fatal error E0000: system failure");
  EXPECT_EXIT(
      {
        mvtest::ResetSubsystems();
        SetExitHook(nullptr);
        CleanExit(0);
      },
      testing::ExitedWithCode(0), "");
}

TEST(ExitStatus, AHookThatReturnsStillEndsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        mvtest::ResetSubsystems();
        SetExitHook(ReturningHook);
        CleanExit(9);
      },
      testing::ExitedWithCode(9), "");
}

}  // namespace
}  // namespace mv
