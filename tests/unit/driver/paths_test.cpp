// Path helpers and the directory lists built from options, environment
// variables and the defaults.
#include <sys/stat.h>
#include <utime.h>

#include <cstring>

#include "../harness.h"

namespace mv {
namespace {

using mvtest::Names;
using mvtest::RunExpectingExit;
using mvtest::ScopedEnv;
using mvtest::ScratchDir;
using mvtest::StderrCapture;
using Strings = std::vector<std::string>;

class PathHelpers : public mvtest::CleanState {};

TEST_F(PathHelpers, FixPathAddsOneSlashToNonEmptyPaths) {
  char a[8] = "dir";
  FixPath(a);
  EXPECT_STREQ(a, "dir/");
  FixPath(a);
  EXPECT_STREQ(a, "dir/");
  char b[4] = "";
  FixPath(b);
  EXPECT_STREQ(b, "");
  char c[4] = "/";
  FixPath(c);
  EXPECT_STREQ(c, "/");
  FixPath(nullptr);
}

TEST_F(PathHelpers, FixPathCopyReturnsAPooledCopy) {
  const char original[] = "inc";
  char* fixed = FixPathCopy(original);
  EXPECT_STREQ(fixed, "inc/");
  EXPECT_STREQ(original, "inc");
  EXPECT_EQ(mStrCount, 1);
  FreeXString(fixed);
  char* same = FixPathCopy("inc/");
  EXPECT_STREQ(same, "inc/");
  FreeXString(same);
  EXPECT_EQ(FixPathCopy(""), NullXString);
  EXPECT_EQ(netXMem, 0);
}

TEST_F(PathHelpers, GetDestDirSplitsAtTheLastSlash) {
  struct Case {
    const char* path;
    const char* dir;  // null: absent
    const char* base;
  };
  const Case cases[] = {
      {"sub/dir/file.c", "sub/dir/", "file.c"},
      {"./file.c", nullptr, "file.c"},
      {"file.c", nullptr, "file.c"},
      {"/abs.c", "/", "abs.c"},
      {"dir/", "dir/", ""},
      {"../up.c", "../", "up.c"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    char buffer[64];
    strcpy(buffer, c.path);
    char* dir = GetDestDir(buffer);
    if (c.dir == nullptr) {
      EXPECT_EQ(dir, nullptr);
    } else {
      ASSERT_NE(dir, nullptr);
      EXPECT_STREQ(dir, c.dir);
    }
    EXPECT_STREQ(buffer, c.base);
    FreeXString(dir);
    EXPECT_EQ(netXMem, 0);
  }
}

TEST_F(PathHelpers, LastModOfMissingOrAbsentFilesIsZero) {
  ScratchDir dir;
  EXPECT_EQ(LastMod(nullptr, "nothing.mv"), 0);
  EXPECT_EQ(LastMod("nowhere/", "nothing.mv"), 0);
  EXPECT_EQ(LastMod(nullptr, nullptr), 0);
}

TEST_F(PathHelpers, LastModIsTheModificationTime) {
  ScratchDir dir;
  dir.Write("r/style.mv", "x");
  struct utimbuf times = {1000000000, 1234567890};
  ASSERT_EQ(utime("r/style.mv", &times), 0);
  EXPECT_EQ(LastMod("r/", "style.mv"), 1234567890);
  EXPECT_EQ(LastMod(nullptr, "r/style.mv"), 1234567890);
}

class DirectoryLists : public mvtest::CleanState {};

TEST_F(DirectoryLists, EmptyPiecesOfAVariableAreSkipped) {
  ScopedEnv var("MV_TEST_DIRS", ":a::b/:c:");
  StrCell* list = nullptr;
  GetDirList("MV_TEST_DIRS", &list);
  EXPECT_EQ(Names(list), (Strings{"a/", "b/", "c/"}));
  FreeStrCells(list);
}

TEST_F(DirectoryLists, UnsetOrEmptyVariablesAddNothing) {
  StrCell* list = nullptr;
  {
    ScopedEnv var("MV_TEST_DIRS", nullptr);
    GetDirList("MV_TEST_DIRS", &list);
  }
  {
    ScopedEnv var("MV_TEST_DIRS", "");
    GetDirList("MV_TEST_DIRS", &list);
  }
  {
    ScopedEnv var("MV_TEST_DIRS", ":::");
    GetDirList("MV_TEST_DIRS", &list);
  }
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(netXMem, 0);
}

TEST_F(DirectoryLists, AppendPathNormalisesAndIgnoresEmptyNames) {
  StrCell* list = nullptr;
  AppendPath(&list, "one");
  AppendPath(&list, "");
  AppendPath(&list, nullptr);
  AppendPath(&list, "two/");
  EXPECT_EQ(Names(list), (Strings{"one/", "two/"}));
}

TEST_F(DirectoryLists, DirectoryOf512CharactersIsAccepted) {
  const std::string name(512, 'd');
  StrCell* list = nullptr;
  AppendPath(&list, name.c_str());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(std::string(list->name), name + "/");
}

TEST_F(DirectoryLists, LongerDirectoryEndsTheRunWithStatusOne) {
  const std::string name(513, 'd');
  StrCell* list = nullptr;
  StderrCapture err;
  EXPECT_EQ(RunExpectingExit([&] { AppendPath(&list, name.c_str()); }), 1);
  const std::string expected = "\nThis pathname is too long (length: 513, max: 513):\n" + name +
                               "\nChange PNLENGTH in public and recompile Morvane.\n\n";
  EXPECT_NE(err.Text().find(expected), std::string::npos);
  EXPECT_EQ(list, nullptr);
}

TEST_F(DirectoryLists, HeaderListHasOptionsThenIncludeThenTheDefault) {
  ScopedEnv include("INCLUDE", "/opt/x:rel/y");
  int isFile = 0;
  ProcessArg("-Ifirst", &isFile);
  GetLists();
  EXPECT_EQ(Names(headerList), (Strings{"first/", "/opt/x/", "rel/y/", "/usr/include/"}));
  EXPECT_EQ(sysHeaderList, headerList);
}

TEST_F(DirectoryLists, RuleDirectoriesEndWithTheTwoDefaults) {
  GetLists();
  EXPECT_EQ(Names(mvRulesList), (Strings{"/usr/Morvane/rules/", "/usr/Morvane/"}));
  EXPECT_EQ(Names(headerList), (Strings{"/usr/include/"}));
  EXPECT_EQ(excludeList, nullptr);
}

TEST_F(DirectoryLists, EnvironmentFillsRuleAndExcludedDirectories) {
  ScopedEnv rules("MVRULES", "mine:/shared/rules/");
  ScopedEnv exclude("MVEXCLUDE", "/usr/include/sys::vendor");
  GetLists();
  EXPECT_EQ(Names(mvRulesList), (Strings{"mine/", "/shared/rules/", "/usr/Morvane/rules/", "/usr/Morvane/"}));
  EXPECT_EQ(Names(excludeList), (Strings{"/usr/include/sys/", "vendor/"}));
}

}  // namespace
}  // namespace mv
