// File opening: OpenFile, the rule-file search of OpenRules, and the 32-bit
// words of compiled rule files.
#include <cstring>

#include "../harness.h"

namespace mv {
namespace {

using mvtest::RunExpectingExit;
using mvtest::ScratchDir;
using mvtest::StderrCapture;

class FileOpening : public mvtest::CleanState {};

TEST_F(FileOpening, OpenFileJoinsDirectoryAndName) {
  ScratchDir dir;
  dir.Write("sub/m.c", "x");
  FILE* f = OpenFile("sub/", "m.c", "rb", true);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fgetc(f), 'x');
  fclose(f);
  EXPECT_EQ(OpenFile(nullptr, "missing.c", "rb", false), nullptr);
}

TEST_F(FileOpening, MissingFileThatMustOpenEndsWithStatusOne) {
  ScratchDir dir;
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { OpenFile("no/", "such.c", "rb", true); }), 1);
  EXPECT_NE(err.Text().find("OpenFile: Error opening file \"no/such.c\": No such file or directory\n"),
            std::string::npos);
}

TEST_F(FileOpening, DirectoryIsNotOpenedAsAFile) {
  ScratchDir dir;
  dir.Write("d/x", "");
  EXPECT_EQ(OpenFile(nullptr, "d", "rb", false), nullptr);
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { OpenFile(nullptr, "d", "rb", true); }), 1);
  EXPECT_NE(err.Text().find("OpenFile: Error opening file \"d\""), std::string::npos);
}

TEST_F(FileOpening, WordsUseTheMachinesOwnByteOrder) {
  FILE* f = tmpfile();
  fputn(0x01020304, f);
  fputn(-2, f);
  rewind(f);
  unsigned char bytes[8];
  ASSERT_EQ(fread(bytes, 1, 8, f), 8u);
  int32_t native = 0x01020304;
  EXPECT_EQ(memcmp(bytes, &native, 4), 0);
  rewind(f);
  int32_t a = 0, b = 0, c = 7;
  EXPECT_TRUE(fgetn(&a, f));
  EXPECT_TRUE(fgetn(&b, f));
  EXPECT_FALSE(fgetn(&c, f));
  EXPECT_EQ(a, 0x01020304);
  EXPECT_EQ(b, -2);
  fclose(f);
}

TEST_F(FileOpening, RulesAreSearchedAlongTheRuleDirectoriesFirst) {
  ScratchDir dir;
  dir.Write("r1/style.mvo", "from r1");
  dir.Write("r2/style.mvo", "from r2");
  dir.Write("style.mvo", "from here");
  dir.Write("only.mvo", "here only");
  mvtest::ScopedEnv rules("MVRULES", (dir.Path() + "/r1:" + dir.Path() + "/r2").c_str());
  GetLists();

  FILE* f = OpenRules("style", "rb", false, true);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(fgetc(f), 'f');
  EXPECT_EQ(fgetc(f), 'r');
  EXPECT_EQ(fgetc(f), 'o');
  fgetc(f);
  fgetc(f);
  EXPECT_EQ(fgetc(f), 'r');
  EXPECT_EQ(fgetc(f), '1');
  fclose(f);
  ASSERT_NE(workPath, nullptr);
  EXPECT_EQ(std::string(workPath), dir.Path() + "/r1/");

  f = OpenRules("only.mvo", "rb", false, true);  // the extension is not doubled
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_EQ(workPath, nullptr);  // found in the current directory
}

TEST_F(FileOpening, RulesAreFoundInTheOutputDirectoryLast) {
  ScratchDir dir;
  dir.Write("out/late.mv", "x");
  int isFile = 0;
  ProcessArg("-Qout", &isFile);
  GetLists();
  FILE* f = OpenRules("late", "r", true, true);
  ASSERT_NE(f, nullptr);
  ASSERT_NE(workPath, nullptr);
  EXPECT_STREQ(workPath, "out/");
  // A rule source opened for reading is the only file on the stack.
  ASSERT_NE(fileStack, nullptr);
  EXPECT_EQ(fileStack->next, nullptr);
  EXPECT_STREQ(FileName(fileStack->fileIndex), "late.mv");
  EXPECT_STREQ(PathName(fileStack->pathIndex), "out/");
  PopFile();
}

TEST_F(FileOpening, RuleFileThatMustOpenIsAFatalErrorWithStatusOne) {
  ScratchDir dir;
  GetLists();
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { OpenRules("absent", "rb", false, true); }), 1);
  EXPECT_NE(err.Text().find("Fatal error E0000: Could not open file \"absent.mvo\""), std::string::npos);
  EXPECT_EQ(OpenRules("absent", "rb", false, false), nullptr);
}

TEST_F(FileOpening, RuleModeMustBeReadOrWrite) {
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([] { OpenRules("x", "a", false, false); }), 1);
  EXPECT_NE(err.Text().find("Strange mode in OpenRules: a\n"), std::string::npos);
}

TEST_F(FileOpening, CompiledRulesAreWrittenWhereTheSourceWasFound) {
  ScratchDir dir;
  dir.Write("r1/style.mv", "x");
  mvtest::ScopedEnv rules("MVRULES", (dir.Path() + "/r1").c_str());
  GetLists();
  FILE* source = OpenRules("style", "r", true, true);
  ASSERT_NE(source, nullptr);
  PopFile();
  FILE* f = OpenRules("style", "wb", false, true);
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_TRUE(mvtest::FileExists("r1/style.mvo"));
  EXPECT_FALSE(mvtest::FileExists("style.mvo"));
}

TEST_F(FileOpening, CompiledRulesGoToTheOutputDirectoryFirst) {
  ScratchDir dir;
  dir.Write("out/keep", "");
  int isFile = 0;
  ProcessArg("-Qout", &isFile);
  GetLists();
  FILE* f = OpenRules("style", "wb", false, true);
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_TRUE(mvtest::FileExists("out/style.mvo"));
}

TEST_F(FileOpening, WritingFallsBackWhenTheOutputDirectoryFails) {
  ScratchDir dir;
  int isFile = 0;
  ProcessArg("-Qmissing", &isFile);
  GetLists();
  FILE* f = OpenRules("style", "wb", false, false);
  ASSERT_NE(f, nullptr);
  fclose(f);
  EXPECT_TRUE(mvtest::FileExists("style.mvo"));
}

TEST_F(FileOpening, ProgressNamesEveryRuleFileOpened) {
  ScratchDir dir;
  dir.Write("r1/a.mvo", "x");
  dir.Write("b.mvo", "x");
  mvtest::ScopedEnv rules("MVRULES", "r1");
  GetLists();
  showProgress = 1;
  StderrCapture err;
  fclose(OpenRules("a", "rb", false, true));
  fclose(OpenRules("b", "rb", false, true));
  fclose(OpenRules("c", "wb", false, true));
  EXPECT_EQ(err.Text(),
            "# Reading from file \"a.mvo\" in r1/\n"
            "# Reading from file \"b.mvo\"\n"
            "# Writing to file \"c.mvo\"\n");
}

}  // namespace
}  // namespace mv
