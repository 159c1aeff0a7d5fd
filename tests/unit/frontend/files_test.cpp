// The run-wide tables of file and directory names, and the file stack.
#include "../harness.h"

namespace mv {
namespace {

using mvtest::RunExpectingExit;
using mvtest::StderrCapture;

// Numbered names; appended piecewise, which GCC 12 does not misread as an overlap.
std::string Numbered(const char* prefix, int i, const char* suffix = "") {
  std::string s = prefix;
  s += std::to_string(i);
  s += suffix;
  return s;
}

class FileTables : public mvtest::CleanState {};

TEST_F(FileTables, SameNameSameIndexAndSlotZeroIsEmpty) {
  bool isNew = false;
  EXPECT_EQ(AddFileName("a.c", &isNew), 1);
  EXPECT_TRUE(isNew);
  EXPECT_EQ(AddFileName("b.h", &isNew), 2);
  EXPECT_TRUE(isNew);
  EXPECT_EQ(AddFileName("a.c", &isNew), 1);
  EXPECT_FALSE(isNew);
  EXPECT_EQ(AddFileName("A.c", nullptr), 3);  // names are compared exactly
  EXPECT_STREQ(FileName(1), "a.c");
  EXPECT_STREQ(FileName(2), "b.h");
  EXPECT_STREQ(FileName(0), "");
  EXPECT_EQ(AddFileName("", &isNew), 0);
  EXPECT_FALSE(isNew);
  EXPECT_EQ(AddFileName(nullptr, nullptr), 0);

  EXPECT_EQ(AddPathName("inc/"), 1);
  EXPECT_EQ(AddPathName("src/"), 2);
  EXPECT_EQ(AddPathName("inc/"), 1);
  EXPECT_EQ(AddPathName(""), 0);
  EXPECT_EQ(AddPathName(nullptr), 0);
  EXPECT_STREQ(PathName(2), "src/");
  EXPECT_STREQ(PathName(0), "");
}

TEST_F(FileTables, TheTablesOwnTheirNames) {
  char name[] = "m.c";
  const int i = AddFileName(name, nullptr);
  name[0] = 'x';
  EXPECT_STREQ(FileName(i), "m.c");
  EXPECT_EQ(AddFileName("m.c", nullptr), i);
}

TEST_F(FileTables, FourThousandthFileNameIsFatalErrorEight) {
  for (int i = 1; i <= 3999; ++i) ASSERT_EQ(AddFileName(Numbered("f", i).c_str(), nullptr), i);
  EXPECT_EQ(AddFileName("f1", nullptr), 1);  // known names are still found
  EXPECT_EQ(AddFileName("f3999", nullptr), 3999);
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { AddFileName("one.more", nullptr); }), 8);
  EXPECT_NE(err.Text().find("Fatal error E0008: Too many files.\n"), std::string::npos);
}

TEST_F(FileTables, HundredTwentyEighthDirectoryIsFatalErrorFiftyFour) {
  for (int i = 1; i <= 127; ++i) ASSERT_EQ(AddPathName(Numbered("d", i, "/").c_str()), i);
  EXPECT_EQ(AddPathName("d127/"), 127);
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { AddPathName("one/more/"); }), 54);
  EXPECT_NE(err.Text().find("Fatal error E0054: Too many directories.\n"), std::string::npos);
}

TEST_F(FileTables, ReinitialisationEmptiesTheTables) {
  AddFileName("a.c", nullptr);
  AddFileName("b.c", nullptr);
  AddPathName("p/");
  mvtest::ResetSubsystems();
  EXPECT_EQ(AddFileName("b.c", nullptr), 1);
  EXPECT_EQ(AddPathName("q/"), 1);
  EXPECT_STREQ(FileName(2), "");
}

class FileStack : public mvtest::CleanState {};

TEST_F(FileStack, FramesRegisterTheirNamesAndNest) {
  FILE* module = tmpfile();
  FILE* header = tmpfile();
  FileFrame* m = NewFile("m.c", "src/", module);
  EXPECT_EQ(fileStack, m);
  EXPECT_EQ(m->next, nullptr);
  EXPECT_EQ(m->depth, 0);
  EXPECT_EQ(m->stream, module);
  EXPECT_STREQ(FileName(m->fileIndex), "m.c");
  EXPECT_STREQ(PathName(m->pathIndex), "src/");

  FileFrame* h = NewFile("h.h", nullptr, header);
  EXPECT_EQ(fileStack, h);
  EXPECT_EQ(h->next, m);
  EXPECT_EQ(h->depth, 1);
  EXPECT_EQ(h->pathIndex, 0);
  EXPECT_EQ(mFileCount, 2);
  EXPECT_EQ(FileStackDepth(), 2);

  PopFile();
  EXPECT_EQ(fileStack, m);
  PopFile();
  EXPECT_EQ(fileStack, nullptr);
  EXPECT_EQ(mFileCount, 0);
  EXPECT_EQ(FileStackDepth(), 0);
  EXPECT_EQ(AddFileName("m.c", nullptr), 1);  // names stay in the tables
}

TEST_F(FileStack, PoppingClosesTheStream) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  NewFile("w.c", nullptr, fdopen(fds[1], "w"));
  PopFile();
  char c;
  EXPECT_EQ(read(fds[0], &c, 1), 0);  // end of file: the writing side is closed
  close(fds[0]);
}

TEST_F(FileStack, PoppingAnEmptyStackIsAnInternalError) {
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { PopFile(); }), 1);
  EXPECT_NE(err.Text().find("Fatal error E0000: Error.\n Velmora data (10.04B5):  File files.cpp; Line "),
            std::string::npos);
}

}  // namespace
}  // namespace mv
