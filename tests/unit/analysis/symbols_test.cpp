// Scopes and lookup: what FindTypeDef classifies a name as from the blocks
// and the file-scope tables, shadowing and its end with the block, entering
// file-scope names twice, the similar-name searches and the level flags the
// rule functions report.
#include <gtest/gtest.h>

#include "analysis/declare.h"
#include "analysis/symbols.h"
#include "harness.h"

namespace mvtest {
namespace {

class Symbols : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSubsystems();
    ResetRuleEngine();
    mv::EndProjectSymbols();
    mv::InitSymbols();
  }
  void TearDown() override { mv::EndProjectSymbols(); }

  // A declarator of the given base (and storage class), optionally with one level.
  static mv::Declarator* Make(const char* name, int base, int storage = mv::kStorNone, int level = 0,
                              int dimension = 0) {
    mv::Declarator* d = mv::NewDeclarator();
    d->name = name;
    d->type = mv::NewType();
    d->type->SetBase(base);
    d->type->SetStorage(storage);
    if (level != 0) {
      d->type->levels = mv::NewModifier();
      d->type->levels->kind = level;
      d->type->levels->dimension = dimension;
    }
    return d;
  }

  static int Find(const char* name, int wantTypes = 1) { return mv::FindTypeDef(name, nullptr, 0, 0, wantTypes); }
};

TEST_F(Symbols, BlocksShadowFileScopeNamesUntilTheyClose) {
  mv::AddGlobal(Make("T", mv::kBaseInt, mv::kStorTypedef), false);
  mv::AddGlobal(Make("g", mv::kBaseLong), false);
  EXPECT_EQ(Find("T"), mv::kLookTypedef);
  EXPECT_EQ(Find("g"), mv::kLookIdent);
  EXPECT_TRUE(mv::idFound);
  ASSERT_NE(mv::foundDec, nullptr);
  EXPECT_EQ(mv::foundDec->name, "g");
  EXPECT_TRUE(mv::foundDec->Is(mv::kDclGlobal));

  mv::OpenBlock();
  mv::AddLocal(Make("T", mv::kBaseChar));
  EXPECT_EQ(Find("T"), mv::kLookIdent);
  EXPECT_TRUE(mv::foundDec->Is(mv::kDclLocal));
  EXPECT_EQ(mv::BlockLevel(), 1);
  mv::OpenBlock();
  mv::AddLocal(Make("g", mv::kBaseInt, mv::kStorTypedef));
  EXPECT_EQ(Find("g"), mv::kLookTypedef);
  // Where no type may stand, a typedef of an inner block is passed over.
  EXPECT_EQ(Find("g", 0), mv::kLookIdent);
  EXPECT_EQ(mv::foundDec->type->Base(), mv::kBaseLong);
  mv::CloseBlock();
  EXPECT_EQ(Find("g"), mv::kLookIdent);
  mv::CloseBlock();
  EXPECT_EQ(Find("T"), mv::kLookTypedef);
  EXPECT_EQ(mv::BlockLevel(), 0);

  EXPECT_EQ(Find("nothing"), mv::kLookIdent);
  EXPECT_FALSE(mv::idFound);
  EXPECT_EQ(mv::foundDec, nullptr);
}

TEST_F(Symbols, EnumerationConstantsCarryTheirValues) {
  mv::EnumConst* e = mv::NewEnumConst();
  e->name = "RED";
  e->value = 7;
  mv::AddEnumConst(e);
  EXPECT_EQ(Find("RED", 0), mv::kLookEnum);
  EXPECT_EQ(mv::thisEnumValue, 7);
  int32_t v = 0;
  EXPECT_TRUE(mv::FindEnumConst("RED", &v));
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(mv::FindEnumConst("BLUE", &v));

  mv::OpenBlock();
  mv::EnumConst* inner = mv::NewEnumConst();
  inner->name = "RED";
  inner->value = -1;
  mv::AddEnumConst(inner);
  EXPECT_EQ(Find("RED"), mv::kLookEnum);
  EXPECT_EQ(mv::thisEnumValue, -1);
  mv::CloseBlock();
  EXPECT_EQ(Find("RED"), mv::kLookEnum);
  EXPECT_EQ(mv::thisEnumValue, 7);
  // The module's enumeration constants end with the module.
  mv::EndModuleSymbols();
  EXPECT_EQ(Find("RED"), mv::kLookIdent);
}

TEST_F(Symbols, SecondFileScopeDeclarationFindsTheFirst) {
  EXPECT_EQ(mv::AddGlobal(Make("value", mv::kBaseInt, mv::kStorExtern), false), 0);
  EXPECT_EQ(mv::AddGlobal(Make("value", mv::kBaseInt), false), 1);
  EXPECT_EQ(mv::AddGlobal(Make("other", mv::kBaseInt, mv::kStorStatic), false), 0);
  // Names sharing a chain are kept in order and all found.
  for (const char* name : {"a", "b", "ab", "ba", "zz", "value", "other"}) {
    if (Find(name) == mv::kLookIdent && mv::idFound) continue;
    mv::AddGlobal(Make(name, mv::kBaseInt), false);
  }
  for (const char* name : {"a", "b", "ab", "ba", "zz", "value", "other"}) {
    EXPECT_EQ(Find(name), mv::kLookIdent) << name;
    EXPECT_TRUE(mv::idFound) << name;
  }
  // Statics end with the module; externals stay for the next module of the project.
  mv::EndModuleSymbols();
  Find("other");
  EXPECT_FALSE(mv::idFound);
  Find("value");
  EXPECT_TRUE(mv::idFound);
}

TEST_F(Symbols, TypesAreComparedByBaseQualifiersAndLevels) {
  mv::Declarator* a = Make("a", mv::kBaseInt, mv::kStorNone, mv::kModArray, 3);
  mv::Declarator* b = Make("b", mv::kBaseInt, mv::kStorNone, mv::kModArray, 3);
  mv::Declarator* c = Make("c", mv::kBaseInt, mv::kStorNone, mv::kModArray, 4);
  mv::Declarator* d = Make("d", mv::kBaseInt, mv::kStorNone, mv::kModPointer);
  EXPECT_TRUE(mv::SameType(a->type, b->type));
  EXPECT_FALSE(mv::SameType(a->type, c->type));
  EXPECT_FALSE(mv::SameType(a->type, d->type));
  b->type->qualifiers = 1;
  EXPECT_FALSE(mv::SameType(a->type, b->type));
}

TEST_F(Symbols, SimilarNamesShareAtLeastSixLeadingCharacters) {
  mv::AddGlobal(Make("counter1", mv::kBaseInt), false);
  mv::AddGlobal(Make("ReadBuffer", mv::kBaseInt), false);
  mv::AddGlobal(Make("stat_value", mv::kBaseInt, mv::kStorStatic), false);
  EXPECT_EQ(mv::FindSimilar("counter2"), 7);
  EXPECT_EQ(mv::FindSimilar("counter1"), 0);   // the name itself
  EXPECT_EQ(mv::FindSimilar("count"), 0);      // five characters are not enough
  EXPECT_EQ(mv::FindSimilar("stat_values"), 10);
  EXPECT_EQ(mv::FindSimilar("readBufferSize"), 0);
  EXPECT_EQ(mv::FindExSimilar("readBufferSize"), 10);
  EXPECT_EQ(mv::FindExSimilar("stat_values"), 0);  // statics are not external
  mv::OpenBlock();
  mv::AddLocal(Make("localcount", mv::kBaseInt));
  EXPECT_EQ(mv::FindSimilar("localcounter"), 10);
  mv::CloseBlock();
  EXPECT_EQ(mv::FindSimilar("localcounter"), 0);
}

TEST_F(Symbols, LevelFlagsAreReportedInTheRuleLanguagesBits) {
  mv::Declarator* d = Make("p", mv::kBaseChar, mv::kStorNone, mv::kModPointer);
  d->type->levels->flags = 1 | 32 | 2048;  // const, far, __based
  d->type->qualifiers = 2 | 256;           // volatile, far
  EXPECT_EQ(mv::GetLevelFlags(d->type, 0), 1 | 8 | 64);
  EXPECT_EQ(mv::GetLevelFlags(d->type, 1), 2 | 8);
  EXPECT_EQ(mv::GetLevelFlags(d->type, 2), 0);
  EXPECT_EQ(mv::GetLevelFlags(d->type, -1), 0);
  EXPECT_EQ(mv::LevelCount(d->type), 1);
  EXPECT_STREQ(mv::GetBaseName(d->type), "char");
  // A typedef's root base follows the typedef targets.
  mv::Declarator* t = Make("cp", mv::kBaseTypedef);
  t->type->name = "name_t";
  t->type->target = d->type;
  EXPECT_STREQ(mv::GetBaseName(t->type), "name_t");
  EXPECT_STREQ(mv::GetRootBaseName(t->type), "char");
  EXPECT_EQ(mv::GetRootBase(t->type), mv::kBaseChar);
  EXPECT_EQ(mv::GetBase(Make("i", mv::kBaseNone)->type), mv::kBaseInt);
}

}  // namespace
}  // namespace mvtest
