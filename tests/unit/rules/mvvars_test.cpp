#include "rules/mvvars.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "driver/options.h"
#include "driver/run.h"
#include "support/mverror.h"

namespace mv {
namespace {

struct RunEnded {
  int status;
};

[[noreturn]] void ThrowOnExit(int status) { throw RunEnded{status}; }

// Status and error-stream text of a call that must end the run; status -1
// when it returned.
struct Ending {
  int status = -1;
  std::string text;
};

Ending RunToEnd(const std::function<void()>& call) {
  Ending e;
  testing::internal::CaptureStderr();
  try {
    call();
  } catch (const RunEnded& r) {
    e.status = r.status;
  }
  e.text = testing::internal::GetCapturedStderr();
  return e;
}

int Code(const char* name) {
  int cls = -1, index = -1;
  if (!FindMVVar(name, &cls, &index)) return -1;
  return cls * 256 + index;
}

VarDescriptor Decl(int base, int nMods = 0, int firstMod = 0, int arraySize = 0, int storage = 0) {
  return VarDescriptor{storage, base, nMods, firstMod, arraySize};
}

class MVVars : public testing::Test {
 protected:
  void SetUp() override {
    previousExit = SetExitHook(ThrowOnExit);
    InitMem();
    InitErrors();
    InitOptions();
    InitVars();
    lexColumnHook = yaccColumnHook = nullptr;
    lineRulesOffHook = nullptr;
  }
  void TearDown() override {
    lexColumnHook = yaccColumnHook = nullptr;
    lineRulesOffHook = nullptr;
    checkRules = 0;
    SetExitHook(previousExit);
  }
  ExitHook previousExit = nullptr;
};

int column = 0;
int ColumnHook() { return column; }
int lexColumn = 0;
int LexColumnHook() { return lexColumn; }
bool rulesOff = false;
bool RulesOffHook() { return rulesOff; }

// ---- The predefined names -------------------------------------------------------------------

TEST_F(MVVars, ClassSizesAreTheDocumentedCounts) {
  const uint16_t expected[kClasses] = {137, 17, 12, 48, 75, 36, 17, 94, 22, 10,
                                       7,   41, 28, 27, 31, 31, 23, 0,  35};
  for (int c = 0; c < kClasses; ++c) EXPECT_EQ(mvLast[c], expected[c]) << "class " << c;
}

TEST_F(MVVars, EveryPredefinedNameIsFoundAtItsOwnSlot) {
  int total = 0;
  for (int c = 0; c < kClasses; ++c) {
    for (int i = 0; i < mvLast[c]; ++i) {
      ASSERT_NE(mvName[c][i], nullptr) << c << "/" << i;
      int cls = -1, index = -1;
      ASSERT_TRUE(FindMVVar(mvName[c][i], &cls, &index)) << mvName[c][i];
      EXPECT_EQ(cls * 256 + index, c * 256 + i) << mvName[c][i];
      ++total;
    }
  }
  EXPECT_EQ(total, 137 + 17 + 12 + 48 + 75 + 36 + 17 + 94 + 22 + 10 + 7 + 41 + 28 + 27 + 31 + 31 + 23 + 35);
}

TEST_F(MVVars, FirstAndLastNameOfEveryClass) {
  struct Ends {
    int cls;
    const char* first;
    const char* last;
  };
  const Ends ends[] = {
      {0, "advise", "warn"},
      {1, "lex_float", "lex_wide"},
      {2, "lex_constant", "lex_token"},
      {3, "pp_ansi", "pp_white_before"},
      {4, "dcl_3dots", "dcl_zero_array"},
      {5, "tag_abstract", "tag_types"},
      {6, "idn_base", "idn_variable"},
      {7, "op_close_angle", "op_while_2"},
      {8, "op_bad_operand", "op_space_before"},
      {9, "cnv_any_to_bitfield", "cnv_truncate"},
      {10, "exp_arg_less", "exp_tokens"},
      {11, "stm_aggr", "stm_unused"},
      {12, "lin_continuation", "lin_within_tag"},
      {13, "fcn_aggr", "fcn_white_lines"},
      {14, "mod_aggr", "mod_white_lines"},
      {15, "prj_aggr", "prj_white_lines"},
      {16, "lex_ansi_escape", "lex_zero_escape"},
      {18, "dcl_array", "lin_nested_comment"},
  };
  for (const Ends& e : ends) {
    EXPECT_EQ(Code(e.first), e.cls * 256) << e.first;
    EXPECT_EQ(Code(e.last), e.cls * 256 + mvLast[e.cls] - 1) << e.last;
  }
}

TEST_F(MVVars, QuotedCodes) {
  EXPECT_EQ(Code("stm_kind"), 2835);
  EXPECT_EQ(Code("mod_begin"), 3586);
  EXPECT_EQ(Code("op_plus"), 1863);
  EXPECT_EQ(Code("printf"), 90);
  EXPECT_EQ(Code("lin_nested_comment"), 18 * 256 + 34);
  EXPECT_EQ(Code("stm_tokens"), 11 * 256 + 38);
  EXPECT_EQ(Code("stm_lines"), 11 * 256 + 21);
  EXPECT_EQ(Code("dcl_hidden"), 4 * 256 + 34);
  EXPECT_EQ(Code("dcl_label_overload"), 4 * 256 + 40);
  EXPECT_EQ(Code("macro"), 57);
  EXPECT_EQ(Code("test_needed"), 127);
}

TEST_F(MVVars, LookupIsExactAndCaseSensitive) {
  EXPECT_EQ(Code("Printf"), -1);
  EXPECT_EQ(Code("OP_PLUS"), -1);
  EXPECT_EQ(Code("dcl_hungarian"), -1);
  EXPECT_EQ(Code("dcl_Hungarian"), 4 * 256 + 35);
  EXPECT_EQ(Code("op_plu"), -1);
  EXPECT_EQ(Code("op_pluss"), -1);
  EXPECT_EQ(Code(""), -1);
}

TEST_F(MVVars, NullNameIsAnInternalError) {
  int cls = 0, index = 0;
  Ending e = RunToEnd([&] { FindMVVar(nullptr, &cls, &index); });
  EXPECT_EQ(e.status, 1);
  EXPECT_NE(e.text.find("name != nullptr"), std::string::npos) << e.text;
}

TEST_F(MVVars, UnnamedRuleVariableBeforeAMatchIsAnInternalError) {
  // As after loading a compiled file: class 17 has slots without names.
  nVars = mvLast[usr_] = 1;
  EXPECT_EQ(Code("printf"), 90);
  Ending e = RunToEnd([] { Code("dcl_array"); });
  EXPECT_EQ(e.status, 1);
  EXPECT_NE(e.text.find("[lex_zero_escape]"), std::string::npos) << e.text;
}

TEST_F(MVVars, StartUpValuesAndTypes) {
  for (int i = 0; i < mvLast[mv_]; ++i) EXPECT_EQ(mvValue[mv_][i], i);
  const char* const fcnStats[] = {"fcn_aggr",         "fcn_array",      "fcn_com_lines",   "fcn_decisions",
                                  "fcn_exec_lines",   "fcn_H_operands", "fcn_H_operators", "fcn_high",
                                  "fcn_locals",       "fcn_low",        "fcn_members",     "fcn_nonexec",
                                  "fcn_operands",     "fcn_operators",  "fcn_simple",      "fcn_tokens",
                                  "fcn_total_lines",  "fcn_u_operands", "fcn_u_operators", "fcn_uH_operands",
                                  "fcn_uH_operators", "fcn_unused",     "fcn_white_lines"};
  for (const char* name : fcnStats) EXPECT_EQ(mvType[fcn_][Code(name) % 256], kTypeIStat) << name;
  for (const char* name : {"fcn_begin", "fcn_end", "fcn_no_header", "fcn_register", "mod_begin",
                           "mod_classes", "mod_end", "mod_macros", "mod_warnings"})
    EXPECT_EQ(mvType[Code(name) / 256][Code(name) % 256], 0) << name;
  int stats[kClasses] = {};
  for (int c = 0; c < kClasses; ++c)
    for (int i = 0; i < mvLast[c]; ++i) stats[c] += mvType[c][i] == kTypeIStat;
  EXPECT_EQ(stats[fcn_], 23);
  EXPECT_EQ(stats[mod_], 26);
  EXPECT_EQ(stats[prj_], 0);
  for (int c = 0; c < kClasses; ++c) EXPECT_EQ(mvStat[c] != nullptr, c == fcn_ || c == mod_) << c;
  EXPECT_EQ(nVars, 0);
  EXPECT_EQ(maxStatCount, 100000);
}

TEST_F(MVVars, ObsoleteReplacementsAreTheTextsAsWritten) {
  EXPECT_STREQ(ObsoleteReplacement(0), "(dcl_level(0) == ARRAY)");
  EXPECT_EQ(ObsoleteReplacement(1), nullptr);
  EXPECT_STREQ(ObsoleteReplacement(12), "(op_open_funargs && op_white_before");
  EXPECT_STREQ(ObsoleteReplacement(15), "expressions like (op_high_postfix && op_white_before)");
  EXPECT_STREQ(ObsoleteReplacement(34), "lex_nested_comment");
  for (int i = 2; i < 35; ++i) EXPECT_NE(ObsoleteReplacement(i), nullptr) << i;
}

TEST_F(MVVars, NamesForMessages) {
  EXPECT_STREQ(CodeName(2835), "stm_kind");
  EXPECT_STREQ(VarName(mv_, 90), "printf");
  AddMVVar("count", Decl(kBaseInt));
  EXPECT_STREQ(VarName(usr_, 0), "count");
  // After loading, class 17 slots have types but no names.
  nVars = mvLast[usr_] = 3;
  EXPECT_STREQ(VarName(usr_, 2), "usr_2");
  EXPECT_STREQ(CodeName(usr_ * 256 + 1), "usr_1");
}

TEST_F(MVVars, FloatWordsKeepTheBitsInTheLow32) {
  EXPECT_EQ(static_cast<uint32_t>(FloatWord(-1.0f)), 0xBF800000u);
  EXPECT_EQ(WordFloat(FloatWord(2.75f)), 2.75f);
  EXPECT_EQ(FloatWord(0.0f), 0);
}

// ---- Rule-file variables --------------------------------------------------------------------

TEST_F(MVVars, DeclarationsGiveTheirTypes) {
  struct Case {
    const char* name;
    VarDescriptor decl;
    int type, dim;
  };
  const Case cases[] = {
      {"buf", Decl(kBaseChar, 1, kModArray, 80), kTypePointer, 80},
      {"ptr", Decl(kBaseChar, 1, kModPointer), kTypePointer, 0},
      {"ch", Decl(kBaseChar), kTypeChar, 0},
      {"n", Decl(kBaseInt), kTypeInt, 0},
      {"f", Decl(kBaseFloat), kTypeFloat, 0},
      {"fs", Decl(kBaseFloat, 0, 0, 0, kStorageStatistic), kTypeFStat, 0},
      {"is", Decl(kBaseInt, 0, 0, 0, kStorageStatistic), kTypeIStat, 0},
      {"fp", Decl(kBaseFile, 1, kModPointer), kTypePointer, 0},
  };
  int slot = 0;
  for (const Case& c : cases) {
    AddMVVar(c.name, c.decl);
    EXPECT_EQ(Code(c.name), usr_ * 256 + slot) << c.name;
    EXPECT_EQ(mvType[usr_][slot], c.type) << c.name;
    EXPECT_EQ(mvDim[usr_][slot], c.dim) << c.name;
    EXPECT_EQ(mvValue[usr_][slot], 0) << c.name;
    ++slot;
    EXPECT_EQ(nVars, slot);
    EXPECT_EQ(mvLast[usr_], slot);
  }
}

TEST_F(MVVars, UnsupportedDeclarationsAreFatal15) {
  const VarDescriptor refused[] = {
      Decl(2),                                      // double
      Decl(kBaseInt, 1, kModPointer),               // int *
      Decl(kBaseFloat, 1, kModArray, 4),            // float [4]
      Decl(kBaseChar, 1, kModFunction),             // char ()
      Decl(kBaseFile),                              // FILE
      Decl(kBaseFile, 2, kModPointer),              // FILE **
      Decl(kBaseFile, 1, kModArray, 2),             // FILE [2]
      Decl(kBaseChar, 0, 0, 0, kStorageStatistic),  // statistic char
  };
  for (const VarDescriptor& d : refused) {
    Ending e = RunToEnd([&] { AddMVVar("bad", d); });
    EXPECT_EQ(e.status, 15) << d.baseType << "/" << d.nModifiers << "/" << d.firstModifier;
    EXPECT_NE(e.text.find("Fatal error E0015: Not allowed in a Morvane rule."), std::string::npos) << e.text;
  }
  EXPECT_EQ(nVars, 0);
  EXPECT_EQ(Code("bad"), -1);
}

TEST_F(MVVars, The257thVariableIsFatal21) {
  char name[16];
  for (int i = 0; i < 256; ++i) {
    snprintf(name, sizeof name, "v%d", i);
    AddMVVar(name, Decl(kBaseInt));
  }
  EXPECT_EQ(Code("v255"), usr_ * 256 + 255);
  Ending e = RunToEnd([] { AddMVVar("v256", Decl(kBaseInt)); });
  EXPECT_EQ(e.status, 21);
  EXPECT_NE(e.text.find("Morvane name table overflow."), std::string::npos) << e.text;
  EXPECT_EQ(nVars, 256);
}

TEST_F(MVVars, InitVarsStartsAFreshRun) {
  AddMVVar("mine", Decl(kBaseInt));
  SetMVInteger(op_, 71, 5);
  PushMVValues(stm_);
  SetNeeded(mod_, Code("mod_u_operators") % 256);
  SetNeeded(lin_, 4);
  MakeUsrStats();
  maxStatCount = 10;

  InitMem();
  InitVars();
  EXPECT_EQ(nVars, 0);
  EXPECT_EQ(mvLast[usr_], 0);
  EXPECT_EQ(Code("mine"), -1);
  EXPECT_EQ(mvValue[op_][71], 0);
  EXPECT_EQ(valStackIndex[stm_], 0);
  EXPECT_EQ(valStack[0][stm_], nullptr);
  EXPECT_EQ(mvNeed[lin_][4], 0);
  EXPECT_FALSE(lin_needed);
  EXPECT_EQ(modUOptr, nullptr);
  EXPECT_EQ(mvStat[usr_], nullptr);
  EXPECT_EQ(maxStatCount, 100000);
  EXPECT_EQ(mvValue[mv_][136], 136);
}

// ---- Setters and positions --------------------------------------------------------------------

TEST_F(MVVars, SettersStoreValuesAndTheParserColumn) {
  yaccColumnHook = ColumnHook;
  column = 12;
  SetMVBoolean(dcl_, 59);
  EXPECT_EQ(mvValue[dcl_][59], 1);
  EXPECT_EQ(mvPosn[dcl_][59], 12);

  column = 7;
  SetMVInteger(lin_, 16, -7);
  EXPECT_EQ(mvValue[lin_][16], -7);  // sign-extended into the word
  EXPECT_EQ(mvPosn[lin_][16], 7);

  column = 3;
  MVIncrement(lin_, 16);
  MVIncrement(lin_, 16);
  MVDecrement(lin_, 16);
  EXPECT_EQ(mvValue[lin_][16], -6);
  EXPECT_EQ(mvPosn[lin_][16], 3);

  SetMVInteger(lin_, 18, INT32_MAX);
  MVIncrement(lin_, 18);
  EXPECT_EQ(mvValue[lin_][18], INT32_MIN);  // wraps in 32 bits
}

TEST_F(MVVars, LexicalRulesTakeTheLexerColumn) {
  yaccColumnHook = ColumnHook;
  lexColumnHook = LexColumnHook;
  column = 40;
  lexColumn = 9;
  lexRule = true;
  SetMVBoolean(lex1_, 0);
  EXPECT_EQ(CurrentPosition(), 9);
  EXPECT_EQ(mvPosn[lex1_][0], 9);
  lexRule = false;
  EXPECT_EQ(CurrentPosition(), 40);
  lexColumnHook = yaccColumnHook = nullptr;
  EXPECT_EQ(CurrentPosition(), 0);
  lexRule = true;
  EXPECT_EQ(CurrentPosition(), 0);
  lexRule = false;
}

TEST_F(MVVars, SettersDoNothingWhileCompiling) {
  yaccColumnHook = ColumnHook;
  column = 5;
  checkRules = 1;
  SetMVBoolean(dcl_, 1);
  SetMVInteger(dcl_, 2, 9);
  MVIncrement(dcl_, 3);
  MVDecrement(dcl_, 4);
  mvStat[fcn_][19] = NewStat(false);
  SetMVIStat(fcn_, 19, 8);
  SetMVCount(fcn_, 19);
  for (int i = 1; i <= 4; ++i) {
    EXPECT_EQ(mvValue[dcl_][i], 0) << i;
    EXPECT_EQ(mvPosn[dcl_][i], 0) << i;
  }
  EXPECT_EQ(mvValue[fcn_][19], 0);
  EXPECT_EQ(mvStat[fcn_][19]->count, 0);
  // The statistic setters still check the type.
  Ending e = RunToEnd([] { SetMVIStat(fcn_, 2, 1); });
  EXPECT_EQ(e.status, 33);
  EXPECT_NE(e.text.find("fcn_begin is NOT an integer statistic!"), std::string::npos) << e.text;
}

// ---- Statistic setters ------------------------------------------------------------------------

TEST_F(MVVars, IntegerStatisticSettersRecordCases) {
  const int tokens = Code("fcn_tokens") % 256;
  SetMVIStat(fcn_, tokens, 4);  // no record: only the value
  EXPECT_EQ(mvValue[fcn_][tokens], 4);

  mvStat[fcn_][tokens] = NewStat(false);
  SetMVIStat(fcn_, tokens, 3);
  SetMVInteger(fcn_, tokens, -5);
  SetMVCount(fcn_, tokens);
  const StatRecord* s = mvStat[fcn_][tokens];
  EXPECT_EQ(s->count, 2);
  EXPECT_EQ(mvValue[fcn_][tokens], -5);
  EXPECT_EQ(static_cast<int32_t*>(s->buffs[0])[0], 3);
  EXPECT_EQ(static_cast<int32_t*>(s->buffs[0])[1], -5);

  rulesOff = true;
  lineRulesOffHook = RulesOffHook;
  SetMVIStat(fcn_, tokens, 99);
  SetMVCount(fcn_, tokens);
  EXPECT_EQ(mvValue[fcn_][tokens], -5);  // not even the value is set
  EXPECT_EQ(s->count, 2);
  rulesOff = false;
  SetMVCount(fcn_, tokens);
  EXPECT_EQ(s->count, 3);
}

TEST_F(MVVars, StatisticSettersCheckTheType) {
  Ending e = RunToEnd([] { SetMVCount(lin_, 0); });
  EXPECT_EQ(e.status, 33);
  EXPECT_NE(e.text.find("Fatal error E0033: lin_continuation is NOT an integer statistic!"),
            std::string::npos)
      << e.text;
  e = RunToEnd([] { SetMVFStat(fcn_, 0, FloatWord(1.0f)); });
  EXPECT_EQ(e.status, 33);
  EXPECT_NE(e.text.find("fcn_aggr is NOT a float statistic!"), std::string::npos) << e.text;
  nVars = mvLast[usr_] = 1;
  mvType[usr_][0] = kTypeInt;
  e = RunToEnd([] { SetMVFStat(usr_, 0, FloatWord(1.0f)); });
  EXPECT_NE(e.text.find("usr_0 is NOT a float statistic!"), std::string::npos) << e.text;
}

TEST_F(MVVars, FloatStatisticMovesThePositionOnlyOnAChange) {
  AddMVVar("ratio", Decl(kBaseFloat, 0, 0, 0, kStorageStatistic));
  MakeUsrStats();
  mvStat[usr_][0] = NewStat(true);
  yaccColumnHook = ColumnHook;
  column = 5;
  SetMVFStat(usr_, 0, FloatWord(2.5f));
  column = 9;
  SetMVFStat(usr_, 0, FloatWord(2.5f));
  const StatRecord* s = mvStat[usr_][0];
  EXPECT_EQ(s->count, 2);
  EXPECT_EQ(mvPosn[usr_][0], 5);
  EXPECT_EQ(WordFloat(mvValue[usr_][0]), 2.5f);
  SetMVFStat(usr_, 0, FloatWord(-1.5f));
  EXPECT_EQ(mvPosn[usr_][0], 9);
  EXPECT_DOUBLE_EQ(s->fmin, -1.5);
  EXPECT_DOUBLE_EQ(s->fmax, 2.5);
  EXPECT_DOUBLE_EQ(s->sum, 3.5);
  yaccColumnHook = nullptr;  // no line: position 1
  SetMVFStat(usr_, 0, FloatWord(4.0f));
  EXPECT_EQ(mvPosn[usr_][0], 1);
  EXPECT_EQ(s->count, 4);
}

// ---- Statistic records ------------------------------------------------------------------------

TEST_F(MVVars, FreshRecordsHoldResetValues) {
  StatRecord* i = NewStat(false);
  EXPECT_EQ(i->count, 0);
  EXPECT_EQ(i->nbuffs, 0);
  EXPECT_NE(i->buffs[0], nullptr);
  EXPECT_EQ(i->buffs[1], nullptr);
  EXPECT_EQ(i->imin, INT32_MAX);
  EXPECT_EQ(i->imax, INT32_MIN);
  StatRecord* f = NewStat(true);
  EXPECT_TRUE(f->isFloat);
  EXPECT_EQ(f->fmin, 1e37);
  EXPECT_EQ(f->fmax, -1e37);
}

TEST_F(MVVars, IntegerCasesSumSquaresAndExtremes) {
  StatRecord* s = NewStat(false);
  s->sorted = 1;
  RecordIntCase(s, 3, "s");
  RecordIntCase(s, -5, "s");
  EXPECT_EQ(s->count, 2);
  EXPECT_DOUBLE_EQ(s->sum, -2.0);
  EXPECT_DOUBLE_EQ(s->sumSq, 34.0);
  EXPECT_EQ(s->imin, -5);
  EXPECT_EQ(s->imax, 3);
  EXPECT_EQ(s->sorted, 0);
  // Squares are taken in double: no 32-bit overflow.
  RecordIntCase(s, 100000, "s");
  EXPECT_DOUBLE_EQ(s->sumSq, 34.0 + 1e10);
}

TEST_F(MVVars, FloatSquaresAreSinglePrecision) {
  const float v = 0.1f;
  const float square = v * v;
  const double wide = static_cast<double>(v) * static_cast<double>(v);
  ASSERT_NE(static_cast<double>(square), wide);
  StatRecord* s = NewStat(true);
  RecordFloatCase(s, v, "s");
  EXPECT_EQ(s->sumSq, static_cast<double>(square));
  EXPECT_EQ(s->sum, static_cast<double>(v));
  EXPECT_EQ(s->fmin, static_cast<double>(v));
  EXPECT_EQ(s->fmax, static_cast<double>(v));
}

TEST_F(MVVars, BuffersOf200AreKeptAcrossAReset) {
  StatRecord* s = NewStat(false);
  for (int i = 0; i < 200; ++i) RecordIntCase(s, i, "s");
  EXPECT_EQ(s->nbuffs, 0);
  RecordIntCase(s, 200, "s");
  EXPECT_EQ(s->nbuffs, 1);
  ASSERT_NE(s->buffs[1], nullptr);
  EXPECT_EQ(static_cast<int32_t*>(s->buffs[1])[0], 200);
  EXPECT_EQ(static_cast<int32_t*>(s->buffs[0])[199], 199);
  void* second = s->buffs[1];

  s->sorted = 1;
  ResetStat(s);
  EXPECT_EQ(s->count, 0);
  EXPECT_EQ(s->sum, 0.0);
  EXPECT_EQ(s->sumSq, 0.0);
  EXPECT_EQ(s->imin, INT32_MAX);
  EXPECT_EQ(s->imax, INT32_MIN);
  EXPECT_EQ(s->sorted, 0);
  EXPECT_EQ(s->nbuffs, 1);
  for (int i = 0; i < 201; ++i) RecordIntCase(s, -i, "s");
  EXPECT_EQ(s->nbuffs, 1);
  EXPECT_EQ(s->buffs[1], second);
  EXPECT_EQ(s->buffs[2], nullptr);
  EXPECT_EQ(static_cast<int32_t*>(s->buffs[1])[0], -200);
}

TEST_F(MVVars, TheCaseLimitIsMaxStatCount) {
  StatRecord* s = NewStat(true);
  for (int i = 0; i < 100000; ++i) RecordFloatCase(s, 1.0f, "ratio");
  EXPECT_EQ(s->count, 100000);
  EXPECT_EQ(s->nbuffs, 499);
  Ending e = RunToEnd([&] { RecordFloatCase(s, 1.0f, "ratio"); });
  EXPECT_EQ(e.status, 34);
  EXPECT_NE(e.text.find("Fatal error E0034: Too many cases for the statistic ratio."), std::string::npos)
      << e.text;

  maxStatCount = 3;
  StatRecord* t = NewStat(false);
  for (int i = 0; i < 3; ++i) RecordIntCase(t, i, "few");
  EXPECT_EQ(RunToEnd([&] { RecordIntCase(t, 3, "few"); }).status, 34);
  EXPECT_EQ(t->count, 3);
}

TEST_F(MVVars, ABufferSkippedIsAnInternalError) {
  StatRecord* s = NewStat(false);
  s->count = 400;  // would need buffer 2 while only buffer 0 exists
  Ending e = RunToEnd([&] { RecordIntCase(s, 1, "s"); });
  EXPECT_EQ(e.status, 1);
  EXPECT_NE(e.text.find("buffno == 1 + istat->nbuffs"), std::string::npos) << e.text;
  StatRecord* f = NewStat(true);
  f->count = 400;
  e = RunToEnd([&] { RecordFloatCase(f, 1.0f, "f"); });
  EXPECT_NE(e.text.find("buffno == 1 + fstat->nbuffs"), std::string::npos) << e.text;
}

// ---- Clearing and nesting ----------------------------------------------------------------------

TEST_F(MVVars, ZeroVarsClearsOneClass) {
  SetMVInteger(lex1_, 0, 1);
  SetMVInteger(evt_, 22, 2);
  SetMVInteger(fcn_, 26, 3);
  SetMVInteger(mod_, 30, 4);
  ZeroVars(evt_);
  EXPECT_EQ(mvValue[evt_][22], 0);
  ZeroMostVars();
  EXPECT_EQ(mvValue[lex1_][0], 0);
  EXPECT_EQ(mvValue[fcn_][26], 0);
  EXPECT_EQ(mvValue[mod_][30], 4);
}

TEST_F(MVVars, ZeroVarsRefusesClassesOutside1To16) {
  for (int c : {mv_, usr_, old_}) {
    Ending e = RunToEnd([c] { ZeroVars(c); });
    EXPECT_EQ(e.status, 1) << c;
    EXPECT_NE(e.text.find("(type > mv_) && (type < usr_)"), std::string::npos) << e.text;
  }
  EXPECT_EQ(mvValue[mv_][5], 5);
}

TEST_F(MVVars, PushGivesAFreshLevelAndPopRestores) {
  SetMVInteger(stm_, 19, 4);
  SetMVInteger(stm_, 0, 1);
  MVWord* outer = mvValue[stm_];
  PushMVValues(stm_);
  EXPECT_NE(mvValue[stm_], outer);
  EXPECT_EQ(mvValue[stm_][19], 0);
  SetMVInteger(stm_, 19, 6);
  MVWord* inner = mvValue[stm_];
  PopMVValues(stm_);
  EXPECT_EQ(mvValue[stm_], outer);
  EXPECT_EQ(mvValue[stm_][19], 4);
  EXPECT_EQ(mvValue[stm_][0], 1);
  EXPECT_EQ(valStack[0][stm_], inner);  // parked as a spare, zeroed
  EXPECT_EQ(inner[19], 0);

  inner[7] = 3;  // whatever a spare holds is cleared when reused
  PushMVValues(stm_);
  EXPECT_EQ(mvValue[stm_], inner);
  EXPECT_EQ(inner[7], 0);
  EXPECT_EQ(valStack[0][stm_], outer);
}

TEST_F(MVVars, RuleVariablesNestWithTheirFullRoom) {
  PushMVValues(usr_);
  mvValue[usr_][kUsrSlots - 1] = 8;
  PopMVValues(usr_);
  PushMVValues(usr_);
  EXPECT_EQ(mvValue[usr_][kUsrSlots - 1], 0);
}

TEST_F(MVVars, The257thPushAndAPopWithoutPushAreFatal) {
  for (int i = 0; i < 256; ++i) PushMVValues(dcl_);
  EXPECT_EQ(valStackIndex[dcl_], 256);
  Ending e = RunToEnd([] { PushMVValues(dcl_); });
  EXPECT_EQ(e.status, 27);
  EXPECT_NE(e.text.find("Value stack overflow in PushMVValues."), std::string::npos) << e.text;
  for (int i = 0; i < 256; ++i) PopMVValues(dcl_);
  e = RunToEnd([] { PopMVValues(dcl_); });
  EXPECT_EQ(e.status, 28);
  EXPECT_NE(e.text.find("Value stack underflow in PopMVValues."), std::string::npos) << e.text;
  EXPECT_EQ(valStackIndex[dcl_], 0);
}

TEST_F(MVVars, LowerValuesAreOneLevelOut) {
  EXPECT_EQ(GetLowerValue(stm_, 37), 0);
  IncLowerValue(stm_, 37);  // no saved level: nothing
  EXPECT_EQ(mvValue[stm_][37], 0);

  SetMVInteger(stm_, 37, 2);
  PushMVValues(stm_);
  SetMVInteger(stm_, 37, 50);
  PushMVValues(stm_);
  EXPECT_EQ(GetLowerValue(stm_, 37), 50);
  IncLowerValue(stm_, 37);
  EXPECT_EQ(GetLowerValue(stm_, 37), 51);
  EXPECT_EQ(GetLowerValue(stm_, 0x10000 + 37), 51);  // index taken as 16 bits
  EXPECT_EQ(mvValue[stm_][37], 0);
  PopMVValues(stm_);
  EXPECT_EQ(mvValue[stm_][37], 51);
  EXPECT_EQ(GetLowerValue(stm_, 37), 2);
}

TEST_F(MVVars, StatementCountsReachEveryEnclosingLevel) {
  DoStmTokens();
  EXPECT_EQ(mvValue[stm_][38], 1);
  MVWord* outer = mvValue[stm_];
  PushMVValues(stm_);
  MVWord* middle = mvValue[stm_];
  PushMVValues(stm_);
  MVWord* inner = mvValue[stm_];
  DoStmTokens();
  DoStmTokens();
  DoStmLines();
  EXPECT_EQ(mvValue[stm_][38], 2);
  EXPECT_EQ(middle[38], 2);
  EXPECT_EQ(outer[38], 3);
  EXPECT_EQ(mvValue[stm_][21], 1);
  EXPECT_EQ(middle[21], 1);
  EXPECT_EQ(outer[21], 1);
  PopMVValues(stm_);
  DoStmLines();  // the spare at the top counts harmlessly
  EXPECT_EQ(middle[21], 2);
  EXPECT_EQ(outer[21], 2);
  EXPECT_EQ(inner[21], 1);
  PushMVValues(stm_);
  EXPECT_EQ(mvValue[stm_], inner);
  EXPECT_EQ(inner[21], 0);
}

// ---- Needed analyses ---------------------------------------------------------------------------

TEST_F(MVVars, NamingAVariableSwitchesOnItsAnalysis) {
  struct Case {
    const char* name;
    bool* flag;  // null: no switch
  };
  const Case cases[] = {
      {"identifier", &lex2_needed},
      {"keyword", &lex2_needed},
      {"prev_token", &lex2_needed},
      {"token", &lex2_needed},
      {"no_undef", &needUndefs},
      {"pragma", &pp_needed},
      {"printf", nullptr},
      {"lex_radix", &lex1_needed},
      {"lex_keyword", &lex2_needed},
      {"pp_if", &pp_needed},
      {"dcl_all_upper", &id_needed},
      {"dcl_any_upper", &id_needed},
      {"dcl_first_upper", &id_needed},
      {"dcl_Hungarian", &id_needed},
      {"dcl_ident_length", &id_needed},
      {"dcl_underscore", &id_needed},
      {"dcl_static", nullptr},
      {"cnv_truncate", &cnv_needed},
      {"exp_operands", &needOps},
      {"exp_operators", nullptr},
      {"stm_operands", &needOps},
      {"lin_end", &lin_needed},
      {"fcn_H_operands", &needOps},
      {"fcn_operands", &needOps},
      {"fcn_u_operands", &needOps},
      {"fcn_uH_operands", &needOps},
      {"mod_H_operands", &needOps},
      {"mod_operands", &needOps},
      {"mod_u_operands", &needOps},
      {"mod_uH_operands", &needOps},
      {"prj_H_operands", &needOps},
      {"prj_operands", &needOps},
      {"prj_u_operands", &needOps},
      {"prj_uH_operands", &needOps},
      {"fcn_operators", nullptr},
      {"lex_backslash", &lin_needed},
      {"lex_c_comment", &lin_needed},
      {"lex_cpp_comment", &lin_needed},
      {"lex_nl_eof", &lin_needed},
      {"lex_nonstandard", &lex1_needed},
      {"lex_ansi_escape", nullptr},
      {"tag_begin", nullptr},
      {"op_plus", nullptr},
      {"op_punct", nullptr},
      {"dcl_hidden", nullptr},
  };
  bool* const flags[] = {&lex1_needed, &lex2_needed, &pp_needed,  &needUndefs,
                         &id_needed,   &cnv_needed,  &lin_needed, &needOps};
  for (const Case& c : cases) {
    InitVars();
    const int code = Code(c.name);
    ASSERT_GE(code, 0) << c.name;
    SetNeeded(code / 256, code % 256);
    EXPECT_EQ(mvNeed[code / 256][code % 256], 1) << c.name;
    for (bool* f : flags) EXPECT_EQ(*f, f == c.flag) << c.name;
    EXPECT_EQ(fcnUOptr, nullptr) << c.name;
    EXPECT_FALSE(checkHidden) << c.name;
  }
}

TEST_F(MVVars, OperatorTablesAreAllocatedOnDemand) {
  struct Case {
    const char* name;
    int32_t** table;
  };
  const Case cases[] = {{"fcn_u_operators", &fcnUOptr}, {"fcn_uH_operators", &fcnUHoptr},
                        {"mod_u_operators", &modUOptr}, {"mod_uH_operators", &modUHoptr},
                        {"prj_u_operators", &prjUOptr}, {"prj_uH_operators", &prjUHoptr}};
  for (const Case& c : cases) {
    InitVars();
    const int code = Code(c.name);
    SetNeeded(code / 256, code % 256);
    for (const Case& other : cases) EXPECT_EQ(*other.table != nullptr, other.table == c.table) << c.name;
    int32_t* table = *c.table;
    for (int i = 0; i < 94; ++i) EXPECT_EQ(table[i], 0);
    table[93] = 1;
    SetNeeded(code / 256, code % 256);
    EXPECT_EQ(*c.table, table);  // allocated once
    EXPECT_FALSE(needOps);
  }
}

TEST_F(MVVars, HiddenChecksFollowTheUsedList) {
  UpdateCheckHidden();
  EXPECT_FALSE(checkHidden);
  SetNeeded(dcl_, Code("dcl_label_overload") % 256);
  UpdateCheckHidden();
  EXPECT_TRUE(checkHidden);
  InitVars();
  SetNeeded(dcl_, Code("dcl_hidden") % 256);
  UpdateCheckHidden();
  EXPECT_TRUE(checkHidden);
  SetNeeded(usr_, 0);
  EXPECT_EQ(mvNeed[usr_][0], 1);
}

}  // namespace
}  // namespace mv
