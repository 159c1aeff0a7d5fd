// Whole runs in one process: every subsystem returns to its start-up state,
// so a run gives the same result however many runs came before it.
#include <cstdint>

#include "../harness.h"

namespace mv {
namespace {

using mvtest::RunExpectingExit;
using mvtest::ScopedEnv;
using mvtest::ScratchDir;
using mvtest::StderrCapture;

struct RunResult {
  int status;
  std::string err;
};

RunResult RunMorvane(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"morvane"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  StderrCapture err;
  const int status =
      RunExpectingExit([&] { MorvaneMain(static_cast<int>(argv.size()), argv.data()); });
  return {status, err.Text()};
}

std::string Words(std::initializer_list<int32_t> words) {
  std::string s;
  for (const int32_t w : words) s.append(reinterpret_cast<const char*>(&w), sizeof w);
  return s;
}

// The header of a compiled rule file that passes the check.
std::string CompiledHeader() {
  return Words({1004, 5, 1, 4, 4, 4, 4, 9}) + std::string("style.mv\0", 9) + Words({0, 0, 0, 0});
}

class WholeRun : public mvtest::CleanState {};

TEST_F(WholeRun, OneModuleIsOpenedAndCompleted) {
  ScratchDir dir;
  dir.Write("a.c", "int a;\n");
  const RunResult r = RunMorvane({"a.c"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("\nChecking extended ANSI C file a.c with no rules:\nFile a.c check complete.\n"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("Project"), std::string::npos);
  EXPECT_EQ(r.err.find("return code"), std::string::npos);
}

TEST_F(WholeRun, RepeatedRunsGiveTheSameResult) {
  ScratchDir dir;
  dir.Write("a.c", "int a;\n");
  dir.Write("sub/b.c", "int b;\n");
  dir.Write("p.mvp", "-K4\na.c   # first\n   sub/b.c\n\n");
  const std::vector<std::vector<std::string>> runs = {
      {},
      {"a.c"},
      {"-K7", "a.c", "sub/b.c"},
      {"p"},
      {"-K99", "a.c"},
      {"-O", "a.c"},
      {"-S7", "-Lout.lst", "-Tprotos.h", "a.c"},
      {"missing.c"},
      {"a.c"},
      {},
  };
  std::vector<RunResult> first;
  for (const auto& args : runs) first.push_back(RunMorvane(args));
  // The same runs again, each now preceded by all the others.
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "run " << i);
    const RunResult again = RunMorvane(runs[i]);
    EXPECT_EQ(again.status, first[i].status);
    EXPECT_EQ(again.err, first[i].err);
  }
  EXPECT_EQ(first[1].status, 0);
  EXPECT_EQ(first[3].status, 0);
  EXPECT_NE(first[3].err.find("\nChecking C++ file b.c with no rules:\n"), std::string::npos) << first[3].err;
  EXPECT_NE(first[3].err.find("\nProject p.mvp completed.\n"), std::string::npos) << first[3].err;
  EXPECT_EQ(first[4].status, 1);
  EXPECT_EQ(first[7].status, 1);
  EXPECT_EQ(first[8].err, first[1].err);  // nothing of -O or -K99 is left over
  EXPECT_EQ(first[9].err, first[0].err);
}

// Found by fuzz_project: a NUL byte hid the white space before it, and the
// module name kept a trailing vertical tab.
TEST_F(WholeRun, ProjectEntryEndsAtANulByte) {
  ScratchDir dir;
  dir.Write("a.c", "int a;\n");
  dir.Write("p.mvp", std::string("a.c \v\0\0  junk\n", 14));
  const RunResult r = RunMorvane({"p.mvp"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("\nChecking extended ANSI C file a.c with no rules:\nFile a.c check complete.\n"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("\nProject p.mvp completed.\n"), std::string::npos);
}

TEST_F(WholeRun, AdvisoriesOfOptionsAreWrittenWithoutAModule) {
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    const RunResult r = RunMorvane({"-S7"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(mvtest::Count(r.err, "Warning C0038: -S option value must be 0, 1, 2, or 3 (found 7)\n"), 1) << r.err;
  }
}

TEST_F(WholeRun, RepeatsWithADefaultRuleFileFoundAlongTheRuleDirectories) {
  ScratchDir dir;
  dir.Write("a.c", "int a;\n");
  dir.Write("rules/default.mvo", CompiledHeader());
  ScopedEnv rules("MVRULES", (dir.Path() + "/rules").c_str());
  const RunResult first = RunMorvane({"a.c"});
  const RunResult second = RunMorvane({"a.c"});
  EXPECT_EQ(second.status, first.status);
  EXPECT_EQ(second.err, first.err);
}

// Each run is a project of its own: the distinct operands of one are not
// counted again in the next.
TEST_F(WholeRun, TwoProjectsCountTheirOwnDistinctOperands) {
  ScratchDir dir;
  dir.Write("rules.mv", "if (prj_end) eprintf(\"project: %d distinct operands\\n\", prj_u_operands);\n");
  dir.Write("a.c", "int a;\n");
  dir.Write("b.c", "int b = a;\n");
  dir.Write("c.c", "int c;\n");
  dir.Write("d.c", "int c;\n");
  const RunResult first = RunMorvane({"-Rrules.mv", "a.c", "b.c"});
  const RunResult second = RunMorvane({"-Rrules.mvo", "c.c", "d.c"});
  EXPECT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(mvtest::Count(first.err, "project: 2 distinct operands\n"), 1) << first.err;
  EXPECT_EQ(mvtest::Count(second.err, "project: 1 distinct operands\n"), 1) << second.err;
}

TEST_F(WholeRun, ReinitialisationForgetsTheRuleDirectoryOfTheLastRun) {
  ScratchDir dir;
  dir.Write("a.c", "int a;\n");
  dir.Write("rules/default.mvo", CompiledHeader());
  ScopedEnv rules("MVRULES", (dir.Path() + "/rules").c_str());
  RunMorvane({"a.c"});
  // The directory text lived in pooled memory, which start-up releases.
  mvtest::ResetSubsystems();
  EXPECT_EQ(workPath, nullptr);
}

}  // namespace
}  // namespace mv
