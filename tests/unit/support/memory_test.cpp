// The pooled allocator and pooled strings: size classes, chunk sizes, exact
// accounting, zero-filled reuse and the low-level failures.
#include <cstring>
#include <numeric>
#include <vector>

#include "../harness.h"

namespace mv {
namespace {

using mvtest::RunExpectingExit;
using mvtest::StderrCapture;

long TotalBlocks() { return std::accumulate(memTotal, memTotal + kPoolClasses, 0L); }
long UsedBlocks() { return std::accumulate(memUsed, memUsed + kPoolClasses, 0L); }

class PooledMemory : public mvtest::CleanState {};

TEST_F(PooledMemory, SizeClassIsSizeOverEightWithChunksOfHundredOrFive) {
  struct Case {
    size_t size;
    int k;
    long chunk;
  };
  const Case cases[] = {{1, 0, 100},  {7, 0, 100},  {8, 1, 100},   {15, 1, 100}, {16, 2, 100},
                        {40, 5, 100}, {47, 5, 100}, {48, 6, 5},    {55, 6, 5},   {56, 7, 5},
                        {112, 14, 5}, {119, 14, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    mvtest::ResetSubsystems();
    void* p = GetXMem(c.size);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(netXMem, static_cast<long>(c.size));
    for (int k = 0; k < kPoolClasses; ++k) {
      EXPECT_EQ(memUsed[k], k == c.k ? 1 : 0) << "class " << k;
      EXPECT_EQ(memTotal[k], k == c.k ? c.chunk : 0) << "class " << k;
    }
    FreeXMem(p, c.size);
    EXPECT_EQ(netXMem, 0);
    EXPECT_EQ(memUsed[c.k], 0);
    EXPECT_EQ(memTotal[c.k], c.chunk);  // never given back to the system
  }
}

TEST_F(PooledMemory, NewChunkOnlyWhenTheFreeListIsEmpty) {
  std::vector<void*> small, large;
  for (int i = 0; i < 100; ++i) small.push_back(GetXMem(4));
  EXPECT_EQ(memTotal[0], 100);
  small.push_back(GetXMem(4));
  EXPECT_EQ(memTotal[0], 200);
  EXPECT_EQ(memUsed[0], 101);

  for (int i = 0; i < 5; ++i) large.push_back(GetXMem(119));
  EXPECT_EQ(memTotal[14], 5);
  large.push_back(GetXMem(119));
  EXPECT_EQ(memTotal[14], 10);
  EXPECT_EQ(memUsed[14], 6);

  for (void* p : small) FreeXMem(p, 4);
  for (void* p : large) FreeXMem(p, 119);
  EXPECT_EQ(netXMem, 0);
  EXPECT_EQ(UsedBlocks(), 0);

  // Freed blocks are reused before any new chunk is taken.
  small.clear();
  for (int i = 0; i < 200; ++i) small.push_back(GetXMem(3));
  EXPECT_EQ(memTotal[0], 200);
  for (void* p : small) FreeXMem(p, 3);
}

TEST_F(PooledMemory, BlocksOfClassKHoldKPlusOneTimesEightBytes) {
  for (const size_t size : {size_t{1}, size_t{16}, size_t{48}, size_t{112}}) {
    SCOPED_TRACE(size);
    const size_t block = (size / 8 + 1) * 8;
    std::vector<unsigned char*> blocks;
    for (int i = 0; i < 12; ++i) {
      auto* p = static_cast<unsigned char*>(GetXMem(size));
      memset(p, i + 1, block);
      blocks.push_back(p);
    }
    // Had two blocks overlapped, a later fill would show in an earlier block.
    for (int i = 0; i < 12; ++i)
      for (size_t j = 0; j < block; ++j) ASSERT_EQ(blocks[i][j], i + 1) << "block " << i << " byte " << j;
    for (unsigned char* p : blocks) FreeXMem(p, size);
  }
}

TEST_F(PooledMemory, ReusedBlocksAreZeroFilled) {
  std::vector<unsigned char*> blocks;
  for (int i = 0; i < 100; ++i) {
    auto* p = static_cast<unsigned char*>(GetXMem(20));  // class 2: 24-byte blocks
    memset(p, 0xAB, 24);
    blocks.push_back(p);
  }
  for (unsigned char* p : blocks) FreeXMem(p, 20);
  blocks.clear();
  for (int i = 0; i < 100; ++i) {
    auto* p = static_cast<unsigned char*>(GetXMem(17));
    for (int j = 0; j < 24; ++j) ASSERT_EQ(p[j], 0) << "block " << i << " byte " << j;
    blocks.push_back(p);
  }
  EXPECT_EQ(memTotal[2], 100);  // all of them came from the free list
  for (unsigned char* p : blocks) FreeXMem(p, 17);
}

TEST_F(PooledMemory, OneHundredNineteenIsPooledAndOneHundredTwentyDirect) {
  void* pooled = GetXMem(119);
  EXPECT_EQ(memUsed[14], 1);
  EXPECT_EQ(memTotal[14], 5);

  auto* direct = static_cast<unsigned char*>(GetXMem(120));
  auto* big = static_cast<unsigned char*>(GetXMem(5000));
  EXPECT_EQ(TotalBlocks(), 5);  // no pool touched
  EXPECT_EQ(UsedBlocks(), 1);
  EXPECT_EQ(netXMem, 119 + 120 + 5000);
  for (int i = 0; i < 120; ++i) ASSERT_EQ(direct[i], 0);
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(big[i], 0);

  FreeXMem(direct, 120);
  FreeXMem(big, 5000);
  EXPECT_EQ(netXMem, 119);
  EXPECT_EQ(TotalBlocks(), 5);
  FreeXMem(pooled, 119);
  EXPECT_EQ(netXMem, 0);
  EXPECT_EQ(UsedBlocks(), 0);
}

TEST_F(PooledMemory, ReinitialisationForgetsEveryBlock) {
  for (int i = 0; i < 150; ++i) GetXMem(10);
  GetXMem(300);
  MakeXString("kept");
  InitMem();
  EXPECT_EQ(netXMem, 0);
  EXPECT_EQ(TotalBlocks(), 0);
  EXPECT_EQ(UsedBlocks(), 0);
  EXPECT_EQ(mStrCount, 0);
  GetXMem(10);
  EXPECT_EQ(memTotal[1], 100);
}

class LowLevelErrors : public mvtest::CleanState {};

TEST_F(LowLevelErrors, ZeroLengthRequest) {
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { GetXMem(0); }), 1006 & 0xFF);
  EXPECT_NE(err.Text().find("\n\n### Morvane internal error: Zero length in GetXMem\n"), std::string::npos);
}

TEST_F(LowLevelErrors, FreeingAnAbsentBlock) {
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { FreeXMem(nullptr, 8); }), 1003 & 0xFF);
  EXPECT_NE(err.Text().find("\n\n### Morvane internal error: NIL argument in FreeXMem\n"), std::string::npos);
}

TEST_F(LowLevelErrors, FreeingMoreThanWasTaken) {
  void* p = GetXMem(8);
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([p] { FreeXMem(p, 16); }), 1005 & 0xFF);
  EXPECT_NE(err.Text().find("\n\n### Morvane internal error: netXmem is negative\n"), std::string::npos);
}

TEST_F(LowLevelErrors, CodesWithoutALineSayUnknown) {
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { LowLevelError(1099); }), 1099 & 0xFF);
  EXPECT_NE(err.Text().find("### Morvane internal error: (unknown)\n"), std::string::npos);
}

class PooledStrings : public mvtest::CleanState {};

TEST_F(PooledStrings, EmptyAndAbsentShareTheNullString) {
  EXPECT_EQ(MakeXString(""), NullXString);
  EXPECT_EQ(MakeXString(nullptr), NullXString);
  EXPECT_STREQ(NullXString, "");
  FreeXString(NullXString);
  FreeXString(nullptr);
  EXPECT_EQ(mStrCount, 0);
  EXPECT_EQ(netXMem, 0);
  EXPECT_EQ(UsedBlocks(), 0);
}

TEST_F(PooledStrings, CopyIsCountedWithItsTerminator) {
  const char text[] = "abc";
  char* s = MakeXString(text);
  EXPECT_NE(s, text);
  EXPECT_STREQ(s, "abc");
  EXPECT_EQ(mStrCount, 1);
  EXPECT_EQ(netXMem, 4);
  EXPECT_EQ(memUsed[0], 1);
  FreeXString(s);
  EXPECT_EQ(mStrCount, 0);
  EXPECT_EQ(netXMem, 0);
  EXPECT_EQ(memUsed[0], 0);
}

TEST_F(PooledStrings, LongStringsFollowTheSizeClasses) {
  const std::string pooled(118, 'p');  // 119 bytes with the terminator
  const std::string direct(119, 'd');  // 120 bytes
  char* a = MakeXString(pooled.c_str());
  EXPECT_EQ(memUsed[14], 1);
  char* b = MakeXString(direct.c_str());
  EXPECT_EQ(UsedBlocks(), 1);
  EXPECT_EQ(netXMem, 119 + 120);
  FreeXString(a);
  FreeXString(b);
  EXPECT_EQ(netXMem, 0);
  EXPECT_EQ(mStrCount, 0);
}

TEST_F(PooledStrings, AppendMakesANewStringAndFreesTheFirst) {
  char* s = MakeXString("ab");
  char* r = AppendXString(s, "cd");
  EXPECT_STREQ(r, "abcd");
  EXPECT_EQ(mStrCount, 1);
  EXPECT_EQ(netXMem, 5);

  EXPECT_EQ(AppendXString(r, ""), r);
  EXPECT_EQ(AppendXString(r, nullptr), r);
  EXPECT_EQ(netXMem, 5);
  EXPECT_EQ(AppendXString(nullptr, "x"), nullptr);

  char* t = AppendXString(NullXString, "xy");
  EXPECT_STREQ(t, "xy");
  EXPECT_NE(t, NullXString);
  EXPECT_STREQ(NullXString, "");
  EXPECT_EQ(mStrCount, 2);

  FreeXString(r);
  FreeXString(t);
  EXPECT_EQ(netXMem, 0);
  EXPECT_EQ(mStrCount, 0);
}

}  // namespace
}  // namespace mv
