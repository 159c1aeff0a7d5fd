// The shared cell lists: string cells, general cells, preprocessor tokens,
// the constant pool and generated names.
#include <cmath>
#include <cstring>
#include <limits>

#include "../harness.h"

namespace mv {
namespace {

using mvtest::Names;
using mvtest::RunExpectingExit;
using mvtest::StderrCapture;

class StringCells : public mvtest::CleanState {};

TEST_F(StringCells, AppendAndPrependKeepTheirOrderAndCounts) {
  StrCell* list = nullptr;
  StrCell* b = AppendCell(&list, "b");
  AppendCell(&list, "c");
  StrCell* a = PrependCell(&list, "a");
  EXPECT_EQ(list, a);
  EXPECT_EQ(a->next, b);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(list->next->next->next, nullptr);
  EXPECT_EQ(CountCells(list), 3);
  EXPECT_EQ(mCellCount, 3);
  EXPECT_EQ(mStrCount, 3);

  FreeStrCells(list);
  EXPECT_EQ(mCellCount, 0);
  EXPECT_EQ(mStrCount, 0);
  EXPECT_EQ(netXMem, 0);
}

TEST_F(StringCells, CellsOwnACopyOfTheirText) {
  char text[] = "name";
  StrCell* list = nullptr;
  AppendCell(&list, text);
  text[0] = 'X';
  EXPECT_STREQ(list->name, "name");
  EXPECT_EQ(list->value, 0);
  FreeStrCells(list);
}

TEST_F(StringCells, CopyTakesTextAndValue) {
  StrCell* list = nullptr;
  AppendCell(&list, "one")->value = 11;
  AppendCell(&list, "")->value = 22;
  AppendCell(&list, "three")->value = -33;
  StrCell* copy = CopyStrList(list);
  EXPECT_EQ(mCellCount, 6);
  ASSERT_EQ(Names(copy), Names(list));
  for (StrCell *p = list, *q = copy; p != nullptr; p = p->next, q = q->next) {
    EXPECT_NE(p, q);
    EXPECT_EQ(p->value, q->value);
  }
  EXPECT_NE(copy->name, list->name);
  FreeStrCells(list);
  EXPECT_EQ(Names(copy), (std::vector<std::string>{"one", "", "three"}));
  EXPECT_EQ(copy->next->next->value, -33);
  FreeStrCells(copy);
  EXPECT_EQ(mCellCount, 0);
  EXPECT_EQ(netXMem, 0);
  EXPECT_EQ(CopyStrList(nullptr), nullptr);
}

TEST_F(StringCells, AbsentHeadOrNameIsAnInternalError) {
  StrCell* list = nullptr;
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { AppendCell(nullptr, "x"); }), 1);
  EXPECT_EQ(RunExpectingExit([&] { AppendCell(&list, nullptr); }), 1);
  EXPECT_EQ(RunExpectingExit([] { PrependCell(nullptr, "x"); }), 1);
  EXPECT_EQ(RunExpectingExit([&] { PrependCell(&list, nullptr); }), 1);
  const std::string text = err.Text();
  EXPECT_EQ(mvtest::Count(text, "Fatal error E0000: Error.\n Velmora data (10.04B5):  File utility.cpp; Line "), 4)
      << text;
  EXPECT_EQ(list, nullptr);
}

TEST_F(StringCells, ListLeadingBackToItsHeadIsReported) {
  StrCell* list = nullptr;
  AppendCell(&list, "a");
  AppendCell(&list, "b");
  list->next->next = list;
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([&] { CountCells(list); }), 1);
  EXPECT_NE(err.Text().find("Fatal error E0000: Error.\n Velmora data (10.04B5):  File utility.cpp; Line "),
            std::string::npos);

  StrCell* self = nullptr;
  AppendCell(&self, "s");
  self->next = self;
  EXPECT_EQ(RunExpectingExit([&] { FreeStrCells(self); }), 1);
}

class GeneralCells : public mvtest::CleanState {};

TEST_F(GeneralCells, StackPopsInReverseOrder) {
  GenCell* stack = nullptr;
  PushGenCell(&stack, 1);
  PushGenCell(&stack, 2);
  PushGenCell(&stack, -3);
  EXPECT_EQ(PopGenCell(&stack), -3);
  EXPECT_EQ(PopGenCell(&stack), 2);
  EXPECT_EQ(PopGenCell(&stack), 1);
  EXPECT_EQ(stack, nullptr);
  EXPECT_EQ(PopGenCell(&stack), 0);
  EXPECT_EQ(netXMem, 0);
}

TEST_F(GeneralCells, AppendAddsAZeroedCellAtTheTail) {
  GenCell* list = nullptr;
  GenCell* first = AppendGenCell(&list);
  EXPECT_EQ(list, first);
  EXPECT_EQ(first->word, 0);
  first->word = 10;
  GenCell* second = AppendGenCell(&list);
  second->word = 20;
  GenCell* third = AppendGenCell(&list);
  EXPECT_EQ(third->word, 0);
  EXPECT_EQ(third->next, nullptr);
  EXPECT_EQ(list->next, second);
  EXPECT_EQ(second->next, third);
  FreeGenList(list);
  EXPECT_EQ(netXMem, 0);
  EXPECT_EQ(memUsed[sizeof(GenCell) / 8], 0);
}

TEST_F(GeneralCells, TagCellsAreCounted) {
  int tagA = 0, tagB = 0;
  TagCell* list = NewTagCell(&tagA, 1);
  list->next = NewTagCell(&tagB, 2);
  EXPECT_EQ(mTListCount, 2);
  EXPECT_EQ(list->tag, &tagA);
  EXPECT_EQ(list->next->word, 2);
  FreeBaseList(list);
  EXPECT_EQ(mTListCount, 0);
  EXPECT_EQ(netXMem, 0);
}

class PreprocessorTokens : public mvtest::CleanState {};

TEST_F(PreprocessorTokens, KindIsTwelveBitsAndTextIsPooled) {
  char text[] = "ident";
  PPToken* t = NewToken(0x1ABC, text);
  EXPECT_EQ(t->kind, 0xABCu);
  EXPECT_STREQ(t->text, "ident");
  EXPECT_NE(t->text, text);
  EXPECT_EQ(t->flag1 | t->flag2 | t->flag3, 0u);
  EXPECT_EQ(t->next, nullptr);
  EXPECT_EQ(mPPTCount, 1);
  EXPECT_EQ(mStrCount, 1);
  FreeToken(t);
  EXPECT_EQ(mPPTCount, 0);
  EXPECT_EQ(netXMem, 0);

  PPToken* blank = NewToken(' ', "");
  EXPECT_EQ(blank->text, NullXString);
  FreeToken(blank);
  EXPECT_EQ(netXMem, 0);
}

TEST_F(PreprocessorTokens, CopyKeepsKindTextFlagsAndReturnsTheTail) {
  PPToken* a = NewToken(300, "a");
  a->flag1 = 1;
  PPToken* b = NewToken(301, "bb");
  b->flag2 = 1;
  PPToken* c = NewToken('+', "+");
  c->flag3 = 1;
  a->next = b;
  b->next = c;

  PPToken* tail = nullptr;
  PPToken* copy = CopyTokenList(a, &tail);
  EXPECT_EQ(mPPTCount, 6);
  ASSERT_NE(copy, nullptr);
  ASSERT_NE(copy->next, nullptr);
  ASSERT_NE(copy->next->next, nullptr);
  EXPECT_EQ(tail, copy->next->next);
  EXPECT_EQ(tail->next, nullptr);
  const PPToken* p = a;
  for (const PPToken* q = copy; q != nullptr; q = q->next, p = p->next) {
    EXPECT_NE(p, q);
    EXPECT_NE(p->text, q->text);
    EXPECT_STREQ(p->text, q->text);
    EXPECT_EQ(p->kind, q->kind);
    EXPECT_EQ(p->flag1, q->flag1);
    EXPECT_EQ(p->flag2, q->flag2);
    EXPECT_EQ(p->flag3, q->flag3);
  }
  FreeTokenList(a);
  EXPECT_STREQ(copy->next->text, "bb");
  FreeTokenList(copy);
  EXPECT_EQ(mPPTCount, 0);
  EXPECT_EQ(mStrCount, 0);
  EXPECT_EQ(netXMem, 0);

  PPToken* none = reinterpret_cast<PPToken*>(1);
  EXPECT_EQ(CopyTokenList(nullptr, &none), nullptr);
  EXPECT_EQ(none, nullptr);
  PPToken* one = NewToken(1, "x");
  PPToken* alone = CopyTokenList(one, nullptr);
  EXPECT_STREQ(alone->text, "x");
  FreeToken(one);
  FreeToken(alone);
}

class ConstantPool : public mvtest::CleanState {
 protected:
  static int Int(int32_t v) { return NewValCell(&v, 303); }
  static int Float(float f) {
    int32_t bits;
    memcpy(&bits, &f, sizeof bits);
    return NewValCell(&bits, 306);
  }
};

TEST_F(ConstantPool, EqualIntegersShareOneCell) {
  EXPECT_EQ(Int(5), 0);
  EXPECT_EQ(Int(7), 1);
  EXPECT_EQ(Int(5), 0);
  EXPECT_EQ(Int(-1), 2);
  EXPECT_EQ(Int(7), 1);
  EXPECT_EQ(nConst, 3);
}

TEST_F(ConstantPool, TypeCodeTakesPartInTheMatch) {
  EXPECT_EQ(Int(0x3FC00000), 0);  // the bits of 1.5f, as an integer
  EXPECT_EQ(Float(1.5f), 1);
  EXPECT_EQ(Float(1.5f), 1);
  EXPECT_EQ(Int(0x3FC00000), 0);
  EXPECT_EQ(nConst, 2);
}

TEST_F(ConstantPool, FloatsCompareAsFloats) {
  EXPECT_EQ(Float(0.0f), 0);
  EXPECT_EQ(Float(-0.0f), 0);  // other bits, same value
  EXPECT_EQ(Float(2.25f), 1);
  EXPECT_EQ(nConst, 2);
}

TEST_F(ConstantPool, FreeingEmptiesThePool) {
  Int(1);
  Int(2);
  Float(3.0f);
  EXPECT_GT(netXMem, 0);
  FreeValList();
  EXPECT_EQ(nConst, 0);
  EXPECT_EQ(valList, nullptr);
  EXPECT_EQ(netXMem, 0);
  EXPECT_EQ(Int(2), 0);
  EXPECT_EQ(valList->value, 2);
  EXPECT_EQ(valList->type, 303);
}

class SequenceNames : public mvtest::CleanState {};

TEST_F(SequenceNames, CountFromOneWithThreeDigits) {
  char buffer[16];
  SeqName(buffer);
  EXPECT_STREQ(buffer, "@_001");
  SeqName(buffer);
  EXPECT_STREQ(buffer, "@_002");
  for (int i = 3; i <= 1000; ++i) SeqName(buffer);
  EXPECT_STREQ(buffer, "@_1000");
  InitMem();
  SeqName(buffer);
  EXPECT_STREQ(buffer, "@_001");
}

}  // namespace
}  // namespace mv
