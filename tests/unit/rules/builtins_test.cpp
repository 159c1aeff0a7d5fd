#include "rules/builtins.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>

#include "../harness.h"
#include "driver/options.h"
#include "frontend/line.h"
#include "rules/arith.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "support/mverror.h"

namespace mv {
namespace {

using mvtest::RunExpectingExit;
using mvtest::StderrCapture;

// Sends stdout to a temporary file until Text().
class StdoutCapture {
 public:
  StdoutCapture() {
    fflush(stdout);
    saved_ = dup(1);
    file_ = tmpfile();
    dup2(fileno(file_), 1);
  }
  ~StdoutCapture() { Restore(); }
  std::string Text() {
    Restore();
    return text_;
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
    saved_ = -1;
    rewind(file_);
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, file_)) > 0) text_.append(buf, n);
    fclose(file_);
  }
  int saved_ = -1;
  FILE* file_ = nullptr;
  std::string text_;
};

struct Arg {
  MVWord value;
  int tag;
};
Arg I(int32_t v) { return {v, kTypeInt}; }
Arg F(float f) { return {FloatWord(f), kTypeFloat}; }
Arg P(const void* p) { return {reinterpret_cast<MVWord>(p), kTypePointer}; }

class BuiltinState : public mvtest::CleanState {
 protected:
  void SetUp() override {
    CleanState::SetUp();
    InitVars();
    InitRegions();
    InitArith();
    InitBuiltins();
    initDone = 1;
  }
  void TearDown() override {
    InitBuiltins();
    CleanState::TearDown();
  }

  // A string literal of a rule: readable, never writable.
  static const char* Lit(const char* s) {
    RegisterRegion(s, strlen(s) + 1, kRegionCode);
    return s;
  }
  // A rule's character array of `size` bytes at `buffer`.
  static char* Buf(char* buffer, size_t size, const char* content = "") {
    snprintf(buffer, size, "%s", content);
    RegisterRegion(buffer, size, kRegionBuffer);
    return buffer;
  }

  // A call f(args...): the arguments pushed in order, then the built-in.
  static void Call(int function, std::initializer_list<Arg> args, int position = 1) {
    for (const Arg& a : args) PushValue(a.value, a.tag);
    CallBuiltin(function, static_cast<int>(args.size()), position);
  }
  static std::string Printf(std::initializer_list<Arg> args, int32_t* count = nullptr) {
    StdoutCapture capture;
    Call(kFnPrintf, args);
    const int32_t n = PopLong();
    if (count != nullptr) *count = n;
    return capture.Text();
  }
  static int Fails(const std::function<void()>& fn, std::string* text) {
    return mvtest::RunExpectingExitWithStderr(fn, text);
  }
};

using PrintfFormats = BuiltinState;
using FormatChecks = BuiltinState;
using Sprintf = BuiltinState;
using Sscanf = BuiltinState;
using WarnAndFatal = BuiltinState;
using Streams = BuiltinState;
using RuleOptions = BuiltinState;
using Dispatch = BuiltinState;

// ---- printf ---------------------------------------------------------------------------------

TEST_F(PrintfFormats, IntegersAndFloatsMeetTheirConversions) {
  int32_t count = 0;
  EXPECT_EQ(Printf({P(Lit("%d items")), I(12)}, &count), "12 items");
  EXPECT_EQ(count, 8);
  EXPECT_EQ(Printf({P(Lit("%d")), F(3.75f)}), "3");
  EXPECT_EQ(Printf({P(Lit("%d")), F(-3.75f)}), "-3");
  EXPECT_EQ(Printf({P(Lit("%f")), I(2)}), "2.000000");
  EXPECT_EQ(Printf({P(Lit("[%5.2f]")), F(3.14159f)}), "[ 3.14]");
  EXPECT_EQ(Printf({P(Lit("%c%s")), I(65), P(Lit("bc"))}), "Abc");
  EXPECT_EQ(Printf({P(Lit("%-5s|")), P(Lit("ab"))}), "ab   |");
}

TEST_F(PrintfFormats, LargeFloatTruncatesOnlyForIntegerConversions) {
  EXPECT_EQ(Printf({P(Lit("%.0f")), F(1e10f)}), "10000000000");
  EXPECT_EQ(errorCount, 0);
  EXPECT_EQ(Printf({P(Lit("%d")), F(1e10f)}), "2147483647");
  EXPECT_EQ(errorCount, 1);  // the truncation advisory
}

TEST_F(PrintfFormats, IntegerConversionsSeeThe32BitValue) {
  EXPECT_EQ(Printf({P(Lit("%x")), I(255)}), "ff");
  EXPECT_EQ(Printf({P(Lit("%x %u")), I(-1), I(-1)}), "ffffffff 4294967295");
  EXPECT_EQ(Printf({P(Lit("%ld|%hd")), I(-7), I(70000)}), "-7|4464");
  EXPECT_EQ(Printf({P(Lit("%08.3d")), I(5)}), "     005");
}

TEST_F(PrintfFormats, PercentSigns) {
  int32_t count = 0;
  EXPECT_EQ(Printf({P(Lit("100%% %d")), I(5)}), "100% 5");
  EXPECT_EQ(Printf({P(Lit("%d%%")), I(7)}, &count), "7%");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(Printf({P(Lit("%d and %d%%")), I(1), I(2)}), "1 and 2%");
  EXPECT_EQ(Printf({P(Lit("a%%b"))}, &count), "a%b");
  EXPECT_EQ(count, 3);
}

TEST_F(PrintfFormats, TrailingLonePercentStopsWithAMessage) {
  StderrCapture err;
  EXPECT_EQ(Printf({P(Lit("%d %")), I(1)}), "1 ");
  EXPECT_EQ(Printf({P(Lit("x%y")), I(1)}), "");
  const std::string text = err.Text();
  EXPECT_NE(text.find("Error in Morvane stdio format (%)\n"), std::string::npos);
  EXPECT_NE(text.find("Error in Morvane stdio format (x%y)\n"), std::string::npos);
}

TEST_F(PrintfFormats, UnknownValueTypeIsReportedAndSkipped) {
  StderrCapture err;
  StdoutCapture capture;
  PushValue(reinterpret_cast<MVWord>(Lit("<%d>")), kTypePointer);
  PushValue(1, 999);
  CallBuiltin(kFnPrintf, 2, 1);
  EXPECT_EQ(PopLong(), 0);
  EXPECT_EQ(capture.Text(), "");
  EXPECT_NE(err.Text().find("*** Unknown type (999) in PrintOne ***\n"), std::string::npos);
}

// ---- Argument checks --------------------------------------------------------------------------

TEST_F(FormatChecks, FifteenValuesAreAcceptedSixteenAreNot) {
  EXPECT_EQ(Printf({P(Lit("%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d")), I(1), I(2), I(3), I(4), I(5), I(6), I(7), I(8),
                    I(9), I(10), I(11), I(12), I(13), I(14), I(15)}),
            "123456789101112131415");
  std::string text;
  EXPECT_EQ(Fails([] {
              Call(kFnPrintf, {P(Lit("%d")), I(1), I(2), I(3), I(4), I(5), I(6), I(7), I(8), I(9), I(10), I(11),
                               I(12), I(13), I(14), I(15), I(16)});
            },
            &text),
            1);
  EXPECT_NE(text.find("Bad argument count (17) in Morvane function printf"), std::string::npos);
}

TEST_F(FormatChecks, FprintfTakesAStreamAFormatAndFifteenValues) {
  mvtest::ScratchDir dir;
  Call(kFnFopen, {P(Lit("many.txt")), P(Lit("w"))});
  char* stream = PopPointer();
  ASSERT_NE(stream, nullptr);
  Call(kFnFprintf, {P(stream), P(Lit("%d%d%d%d%d%d%d%d%d%d%d%d%d%d%d")), I(1), I(2), I(3), I(4), I(5), I(6),
                    I(7), I(8), I(9), I(10), I(11), I(12), I(13), I(14), I(15)});
  EXPECT_EQ(PopLong(), 21);
  Call(kFnFclose, {P(stream)});
  EXPECT_EQ(PopLong(), 0);
  EXPECT_EQ(mvtest::ReadFile("many.txt"), "123456789101112131415");
}

TEST_F(FormatChecks, FormatMustBeAPointer) {
  std::string text;
  EXPECT_EQ(Fails([] { Call(kFnPrintf, {I(5)}); }, &text), 1);
  EXPECT_NE(text.find("\nArgument not a pointer (type 303) in Morvane function printf\n"), std::string::npos);
  EXPECT_EQ(Fails([] { Call(kFnSprintf, {P(nullptr), P(nullptr)}); }, &text), 22);
  EXPECT_NE(text.find("NULL format string in Morvane sprintf function call."), std::string::npos);
}

TEST_F(FormatChecks, ValueOfTheWrongKindIsRefused) {
  std::string text;
  EXPECT_EQ(Fails([] { Call(kFnPrintf, {P(Lit("%s")), I(3)}); }, &text), 1);
  EXPECT_NE(text.find("The value for %s in Morvane function printf is not a pointer."), std::string::npos);
  EXPECT_EQ(Fails([] { Call(kFnPrintf, {P(Lit("%d")), P(Lit("x"))}); }, &text), 1);
  EXPECT_NE(text.find("is a pointer, not a number."), std::string::npos);
  static int notText = 1;
  EXPECT_EQ(Fails([] { Call(kFnPrintf, {P(Lit("%s")), P(&notText)}); }, &text), 1);
  EXPECT_NE(text.find("Morvane cannot read the text given to printf."), std::string::npos);
}

TEST_F(FormatChecks, ConversionsThatCouldMisreadArgumentsAreRefused) {
  std::string text;
  EXPECT_EQ(Fails([] { Call(kFnPrintf, {P(Lit("%n")), I(3)}); }, &text), 1);
  EXPECT_NE(text.find("%n is not allowed in the format of Morvane function printf."), std::string::npos);
  EXPECT_EQ(Fails([] { Call(kFnPrintf, {P(Lit("%*d")), I(3), I(4)}); }, &text), 1);
  EXPECT_NE(text.find("A '*' is not allowed"), std::string::npos);
  EXPECT_EQ(Fails([] { Call(kFnPrintf, {P(Lit("%d %d")), I(3)}); }, &text), 1);
  EXPECT_NE(text.find("Too few values for the format in Morvane function printf."), std::string::npos);
}

// ---- sprintf ----------------------------------------------------------------------------------

TEST_F(Sprintf, ReplacesTheDestination) {
  char buffer[32];
  Buf(buffer, sizeof buffer, "an old and longer text");
  Call(kFnSprintf, {P(buffer), P(Lit("%d-%s")), I(12), P(Lit("ab"))});
  EXPECT_EQ(PopLong(), 5);
  EXPECT_STREQ(buffer, "12-ab");
  Call(kFnSprintf, {P(buffer), P(Lit("%d%%")), I(7)});
  EXPECT_EQ(PopLong(), 2);
  EXPECT_STREQ(buffer, "7%");
  Call(kFnSprintf, {P(buffer), P(Lit(""))});
  EXPECT_EQ(PopLong(), 0);
  EXPECT_STREQ(buffer, "");
}

TEST_F(Sprintf, MayReadItsOwnDestination) {
  char buffer[32];
  Buf(buffer, sizeof buffer, "old");
  Call(kFnSprintf, {P(buffer), P(Lit("%s!")), P(buffer)});
  EXPECT_EQ(PopLong(), 4);
  EXPECT_STREQ(buffer, "old!");
}

TEST_F(Sprintf, NeverWritesPastItsRegion) {
  char area[16];
  memset(area, 'Z', sizeof area);
  RegisterRegion(area, 4, kRegionBuffer);
  std::string text;
  EXPECT_EQ(Fails([&] { Call(kFnSprintf, {P(area), P(Lit("%s")), P(Lit("abcdef"))}); }, &text), 1);
  EXPECT_NE(text.find("The text made by sprintf does not fit in its destination."), std::string::npos);
  for (size_t i = 4; i < sizeof area; ++i) EXPECT_EQ(area[i], 'Z');
  // Three characters and the end fit; four do not.
  EXPECT_EQ(Fails([&] { Call(kFnSprintf, {P(area), P(Lit("%d")), I(1234)}); }, &text), 1);
  EXPECT_EQ(area[4], 'Z');
  Call(kFnSprintf, {P(area), P(Lit("%d")), I(123)});
  EXPECT_EQ(PopLong(), 3);
  EXPECT_STREQ(area, "123");
}

TEST_F(Sprintf, RefusesLiteralsAndNull) {
  std::string text;
  EXPECT_EQ(Fails([] { Call(kFnSprintf, {P(Lit("const")), P(Lit("x"))}); }, &text), 1);
  EXPECT_NE(text.find("Morvane cannot write to this address"), std::string::npos);
  EXPECT_EQ(Fails([] { Call(kFnSprintf, {P(nullptr), P(Lit("x"))}); }, &text), 22);
  EXPECT_NE(text.find("NULL string in Morvane sprintf call."), std::string::npos);
}

// ---- sscanf -----------------------------------------------------------------------------------

TEST_F(Sscanf, EachConversionScansFromTheStart) {
  char a[8];
  char b[8];
  Buf(a, sizeof a, "xxxx");
  Buf(b, sizeof b, "yyyy");
  Call(kFnSscanf, {P(Lit("12 34")), P(Lit("%s %s")), P(a), P(b)});
  EXPECT_EQ(PopLong(), 2);
  EXPECT_STREQ(a, "12");
  EXPECT_STREQ(b, "12");
}

TEST_F(Sscanf, TextIsBoundedByTheRoomOfItsBuffer) {
  char area[16];
  memset(area, 'Z', sizeof area);
  RegisterRegion(area, 4, kRegionBuffer);
  Call(kFnSscanf, {P(Lit("abcdefgh")), P(Lit("%s")), P(area)});
  EXPECT_EQ(PopLong(), 1);
  EXPECT_STREQ(area, "abc");
  Call(kFnSscanf, {P(Lit("abcdefgh")), P(Lit("%2c")), P(area + 2)});
  EXPECT_EQ(PopLong(), 1);
  EXPECT_EQ(std::string(area, 4), "abab");
  for (size_t i = 4; i < sizeof area; ++i) EXPECT_EQ(area[i], 'Z');
}

TEST_F(Sscanf, NumbersAreStoredAs32BitValues) {
  int32_t n = 0;
  float f = 0.0f;
  RegisterRegion(&n, sizeof n, kRegionBuffer);
  RegisterRegion(&f, sizeof f, kRegionBuffer);
  Call(kFnSscanf, {P(Lit("-12 34")), P(Lit("%d")), P(&n)});
  EXPECT_EQ(PopLong(), 1);
  EXPECT_EQ(n, -12);
  Call(kFnSscanf, {P(Lit("ff")), P(Lit("%x")), P(&n)});
  EXPECT_EQ(PopLong(), 1);
  EXPECT_EQ(n, 255);
  Call(kFnSscanf, {P(Lit("2.5")), P(Lit("%f")), P(&f)});
  EXPECT_EQ(PopLong(), 1);
  EXPECT_EQ(f, 2.5f);
  Call(kFnSscanf, {P(Lit("")), P(Lit("%d")), P(&n)});
  EXPECT_EQ(PopLong(), -1);
  EXPECT_EQ(n, 255);
}

TEST_F(Sscanf, WritesOnlyIntoRuleBuffers) {
  std::string text;
  EXPECT_EQ(Fails([] { Call(kFnSscanf, {P(Lit("12")), P(Lit("%s")), P(Lit("literal"))}); }, &text), 1);
  EXPECT_NE(text.find("Morvane cannot write to this address"), std::string::npos);
  EXPECT_EQ(Fails([] { Call(kFnSscanf, {P(nullptr), P(Lit("%s")), P(nullptr)}); }, &text), 22);
  EXPECT_NE(text.find("NULL string in Morvane sscanf call."), std::string::npos);
}

// ---- warn and fatal ---------------------------------------------------------------------------

TEST_F(WarnAndFatal, WarnGoesToTheMessageListUncounted) {
  DisableAdvise = 1;  // warn does not pass through Advise
  Call(kFnWarn, {I(12), P(Lit("%s")), P(Lit("abc"))}, 7);
  EXPECT_EQ(opStackLevel, 0);  // warn pushes nothing
  ASSERT_NE(firstMsg, nullptr);
  EXPECT_STREQ(firstMsg->text, "Warning W0012: abc");
  EXPECT_EQ(firstMsg->column, 6);
  EXPECT_EQ(errorCount, 0);
}

TEST_F(WarnAndFatal, MessageStopsAtTheFirstSegmentThatDoesNotFit) {
  static char big[kWarnBuffer];
  Buf(big, sizeof big);
  memset(big, 'x', 4950);
  big[4950] = 0;
  Call(kFnWarn, {I(3), P(Lit("%s|%s|%s")), P(big), P(Lit("a tail that is too long to fit in the rest")),
                 P(Lit("ab"))});
  ASSERT_NE(firstMsg, nullptr);
  const std::string text = firstMsg->text;
  EXPECT_EQ(text, "Warning W0003: " + std::string(4950, 'x') + "|");
}

TEST_F(WarnAndFatal, FatalEndsTheRunWithItsNumber) {
  std::string text;
  EXPECT_EQ(Fails([] { Call(kFnFatal, {I(7), P(Lit("bad %d of %s")), I(3), P(Lit("four"))}); }, &text), 7);
  EXPECT_NE(text.find("Fatal error F0007: bad 3 of four"), std::string::npos);
}

// ---- Streams --------------------------------------------------------------------------------

TEST_F(Streams, SourceFilesAreNeverWritten) {
  mvtest::ScratchDir dir;
  std::string text;
  EXPECT_EQ(Fails([] { Call(kFnFopen, {P(Lit("x.h")), P(Lit("w"))}); }, &text), 60);
  EXPECT_NE(text.find("Morvane will not write to any file with extension .h"), std::string::npos);
  EXPECT_FALSE(mvtest::FileExists("x.h"));
  EXPECT_EQ(Fails([] { Call(kFnFopen, {P(Lit("m.CPP")), P(Lit("r+"))}); }, &text), 60);
  EXPECT_NE(text.find("extension .CPP"), std::string::npos);

  dir.Write("X.H", "int x;\n");
  Call(kFnFopen, {P(Lit("X.H")), P(Lit("r"))});
  char* stream = PopPointer();
  EXPECT_NE(stream, nullptr);
  Call(kFnFclose, {P(stream)});
  EXPECT_EQ(PopLong(), 0);
}

TEST_F(Streams, NullNameOrModeGivesNull) {
  Call(kFnFopen, {P(nullptr), P(Lit("r"))});
  EXPECT_EQ(PopPointer(), nullptr);
  Call(kFnFopen, {P(Lit("a.txt")), P(nullptr)});
  EXPECT_EQ(PopPointer(), nullptr);
  Call(kFnFclose, {P(nullptr)});
  EXPECT_EQ(PopLong(), 0);
}

TEST_F(Streams, ClosedStreamIsRefused) {
  mvtest::ScratchDir dir;
  Call(kFnFopen, {P(Lit("out.txt")), P(Lit("w"))});
  char* stream = PopPointer();
  ASSERT_NE(stream, nullptr);
  Call(kFnFprintf, {P(stream), P(Lit("%d\n")), I(5)});
  EXPECT_EQ(PopLong(), 2);
  Call(kFnFclose, {P(stream)});
  EXPECT_EQ(PopLong(), 0);
  EXPECT_EQ(mvtest::ReadFile("out.txt"), "5\n");

  std::string text;
  EXPECT_EQ(Fails([&] { Call(kFnFprintf, {P(stream), P(Lit("x"))}); }, &text), 1);
  EXPECT_NE(text.find("The stream given to fprintf is not open."), std::string::npos);
  EXPECT_EQ(Fails([&] { Call(kFnFclose, {P(stream)}); }, &text), 1);
  EXPECT_NE(text.find("The stream given to fclose is not open."), std::string::npos);
}

TEST_F(Streams, FscanfReadsOnFromTheStream) {
  mvtest::ScratchDir dir;
  dir.Write("in.txt", "alpha beta");
  char a[8];
  char b[8];
  Buf(a, sizeof a);
  Buf(b, sizeof b);
  Call(kFnFopen, {P(Lit("in.txt")), P(Lit("r"))});
  char* stream = PopPointer();
  Call(kFnFscanf, {P(stream), P(Lit("%s %s")), P(a), P(b)});
  EXPECT_EQ(PopLong(), 2);
  EXPECT_STREQ(a, "alpha");
  EXPECT_STREQ(b, "beta");
  Call(kFnFscanf, {P(stream), P(Lit("%s")), P(a)});
  EXPECT_EQ(PopLong(), -1);
  std::string text;
  EXPECT_EQ(Fails([&] { Call(kFnFscanf, {P(a), P(Lit("%s")), P(b)}); }, &text), 1);
  EXPECT_NE(text.find("The stream given to fscanf is not open."), std::string::npos);
}

// ---- Options ----------------------------------------------------------------------------------

TEST_F(RuleOptions, OptionFoldsAndChecksItsLetter) {
  option['Z'] = 5;
  Call(kFnOption, {I('z')});
  EXPECT_EQ(PopLong(), 5);
  Call(kFnOption, {I(300)});
  EXPECT_EQ(PopLong(), 0);
  EXPECT_EQ(errorCount, 1);
  ASSERT_NE(firstMsg, nullptr);
  EXPECT_STREQ(firstMsg->text, "Warning C0002: Argument to option() is out-of-range.");
}

TEST_F(RuleOptions, SetOptionAndSetStrOptionReachTheOptionTable) {
  Call(kFnSetOption, {I('b'), I(1)});
  EXPECT_EQ(indentBraces, 1);
  EXPECT_EQ(option['B'], 1);
  Call(kFnSetStrOption, {I('v'), P(Lit("hello"))});
  Call(kFnStrOption, {I('V')});
  const char* v = PopPointer();
  EXPECT_STREQ(CheckedText(v, "test"), "hello");
  Call(kFnAdvise, {I(1)});
  EXPECT_EQ(DisableAdvise, 1);
}

TEST_F(RuleOptions, StrOptionLetters) {
  initDone = 0;
  SetStrOption('I', "/usr/a");
  SetStrOption('T', "protos.txt");
  initDone = 1;
  SetStrOption('I', "rules");
  EXPECT_STREQ(StrOption('i'), "rules/ /usr/a/");
  EXPECT_STREQ(StrOption('T'), "protos.txt");
  EXPECT_STREQ(StrOption('K'), "");
  EXPECT_STREQ(StrOption('W'), "");
  EXPECT_EQ(errorCount, 0);
  EXPECT_STREQ(StrOption(300), "");
  EXPECT_EQ(errorCount, 1);
  ASSERT_NE(firstMsg, nullptr);
  EXPECT_STREQ(firstMsg->text, "Warning C0002: Argument to str_option() is out-of-range.");
}

TEST_F(RuleOptions, ChangedStrOptionRetiresTheOldText) {
  // The second text fits where the first was kept: it must not take its place.
  SetStrOption('X', "a first text, kept on the heap");
  const char* old = StrOption('X');
  SetStrOption('X', "a second, shorter text");
  EXPECT_STREQ(StrOption('X'), "a second, shorter text");
  std::string text;
  EXPECT_EQ(Fails([&] { CheckedText(old, "printf"); }, &text), 1);
}

// ---- Dispatch ---------------------------------------------------------------------------------

TEST_F(Dispatch, FunctionsWithoutAHandlerEndTheRun) {
  std::string text;
  RegisterBuiltin(1, nullptr, -1);  // TearDown's InitBuiltins puts all_digit back
  EXPECT_EQ(Fails([] { Call(1, {P(Lit("12"))}); }, &text), 48);
  EXPECT_NE(text.find("This Morvane function has not yet been implemented."), std::string::npos);
  EXPECT_EQ(Fails([] { CallBuiltin(200, 0, 1); }, &text), 1);
  EXPECT_NE(text.find("\nUnimplemented Morvane function: 200\n"), std::string::npos);
}

TEST_F(Dispatch, FixedArgumentCountsAreChecked) {
  std::string text;
  EXPECT_EQ(Fails([] { Call(kFnOption, {I('A'), I('B')}); }, &text), 1);
  EXPECT_NE(text.find("Bad argument count (2) in Morvane function option"), std::string::npos);
  EXPECT_EQ(Fails([] { DoFormat(9, 1, 1); }, &text), 1);
  EXPECT_NE(text.find("\nInternal Morvane error: target is 9 in DoFormat.\n"), std::string::npos);
}

TEST_F(Dispatch, ExitEndsWithItsStatus) {
  std::string text;
  EXPECT_EQ(Fails([] { Call(kFnExit, {I(3)}); }, &text), 3);
}

}  // namespace
}  // namespace mv
