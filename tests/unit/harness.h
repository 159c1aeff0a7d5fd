// Shared helpers of the unit tests: a clean start-up state for every test,
// an exit hook that hands control back to the test, stderr capture, scratch
// directories and environment variables.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/actions_cpp.h"
#include "analysis/expressions.h"
#include "analysis/functions.h"
#include "analysis/module.h"
#include "analysis/statements.h"
#include "analysis/symbols.h"
#include "driver/options.h"
#include "driver/paths.h"
#include "driver/run.h"
#include "frontend/files.h"
#include "frontend/lex.h"
#include "frontend/line.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "support/assembler.h"
#include "support/mverror.h"
#include "support/utility.h"

#if defined(__SANITIZE_ADDRESS__)
#define MVTEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MVTEST_ASAN 1
#endif
#endif
#ifdef MVTEST_ASAN
#include <sanitizer/common_interface_defs.h>
#endif

namespace mvtest {

// Sanitizer reports go to the original standard error even while a test
// captures it, so that a crash inside a capture is not silent.
inline void KeepSanitizerReportsVisible() {
#ifdef MVTEST_ASAN
  static const int original = dup(2);
  __sanitizer_set_report_fd(reinterpret_cast<void*>(static_cast<intptr_t>(original)));
#endif
}

// Thrown by the exit hook: the run ended with this status.
struct ExitCalled {
  int status;
};

[[noreturn]] inline void ThrowingExit(int status) { throw ExitCalled{status}; }

// Runs fn, which is expected to end the run. Returns the status handed to the
// exit hook, or -1 when fn came back without ending the run.
inline int RunExpectingExit(const std::function<void()>& fn) {
  const mv::ExitHook previous = mv::SetExitHook(ThrowingExit);
  int status = -1;
  try {
    fn();
  } catch (const ExitCalled& e) {
    status = e.status;
  }
  mv::SetExitHook(previous);
  return status;
}

// Sends fd 2 (and so the stderr stream) to a temporary file until Text().
class StderrCapture {
 public:
  StderrCapture() {
    KeepSanitizerReportsVisible();
    fflush(stderr);
    saved_ = dup(2);
    file_ = tmpfile();
    dup2(fileno(file_), 2);
  }
  ~StderrCapture() { Restore(); }
  StderrCapture(const StderrCapture&) = delete;
  StderrCapture& operator=(const StderrCapture&) = delete;

  // Everything written so far; ends the capture.
  std::string Text() {
    Restore();
    return text_;
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    saved_ = -1;
    fflush(file_);
    rewind(file_);
    std::string s;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, file_)) > 0) s.append(buf, n);
    fclose(file_);
    text_ = s;
  }
  int saved_ = -1;
  FILE* file_ = nullptr;
  std::string text_;
};

// Runs fn, which must end the run; returns its status and leaves in *text what
// went to stderr meanwhile.
inline int RunExpectingExitWithStderr(const std::function<void()>& fn, std::string* text) {
  StderrCapture capture;
  const int status = RunExpectingExit(fn);
  *text = capture.Text();
  return status;
}

// A fresh directory that is the working directory while the object lives.
class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/mvunit.XXXXXX";
    path_ = mkdtemp(tmpl);
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(path_);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
    std::filesystem::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return path_; }

  void Write(const std::string& name, const std::string& content) const {
    const std::filesystem::path p = std::filesystem::path(path_) / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary);
    f << content;
  }

 private:
  std::string path_;
  std::filesystem::path old_;
};

inline bool FileExists(const std::string& name) { return std::filesystem::exists(name); }

inline std::string ReadFile(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

// Sets or unsets an environment variable for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = getenv(name);
    if (old != nullptr) {
      had_ = true;
      old_ = old;
    }
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (had_)
      setenv(name_.c_str(), old_.c_str(), 1);
    else
      unsetenv(name_.c_str());
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

// The start-up order of the run driver, without its banner.
inline void ResetSubsystems() {
  mv::InitMem();
  mv::InitErrors();
  mv::InitOptions();
  mv::InitPaths();
  mv::InitFiles();
  mv::InitLines();
  mv::InitModule();
  mv::SetOption('K', 3);
}

// The rule engine's start-up, after ResetSubsystems.
inline void ResetRuleEngine() {
  mv::InitVars();
  mv::InitRegions();
  mv::InitArith();
  mv::InitInterp();
  mv::InitBuiltins();
}

// The analysis state a module starts with (BeginModule's part of it), for
// tests that drive the parser's actions without a module: nothing an earlier
// test left open (blocks, statement levels, calls) is seen.
inline void ResetAnalysis() {
  mv::InitStatements();
  mv::InitCppActions();
  mv::InitFunctions();
  mv::InitSymbols();
  mv::InitExpressions();
  mv::modData = mv::ModData{};
  mv::fcnData = mv::FcnData{};
}

// Assembles a listing of rules, writes it as dir/r.mvo through the real
// writer and loads it as a run would.
inline void LoadAssembledRules(const std::string& text, const std::string& dir) {
  const Assembly a = Assemble(text);
  ASSERT_EQ(a.error, "");
  const std::string path = dir + "/r.mvo";
  std::string error;
  ASSERT_TRUE(WriteAssembly(a, path, &error)) << error;
  snprintf(mv::codeFN, sizeof mv::codeFN, "r.mvo");
  mv::codeFile = fopen(path.c_str(), "rb");
  ASSERT_NE(mv::codeFile, nullptr);
  ASSERT_EQ(RunExpectingExit([] { mv::InstallRules(); }), -1);
  mv::initDone = 1;
}

// A listing of rules that record, for each named variable k, its last value,
// its firings and the sum of its values in usr_(3k), usr_(3k+1), usr_(3k+2).
inline std::string WatchListing(std::initializer_list<const char*> names, std::map<std::string, int>* slots) {
  std::string text;
  int k = 0;
  for (const char* name : names) {
    text += "var int\nvar int\nvar int\n";
    (*slots)[name] = k;
    const std::string base = "usr_" + std::to_string(3 * k);
    text += std::string("rule ") + name + "\n  VARREF " + base + "\n  VARREF " + name +
            "\n  ASSIGN\n  ENDSTMT\n  VARREF usr_" + std::to_string(3 * k + 1) + "\n  PREINC\n  ENDSTMT\n" +
            "  VARREF usr_" + std::to_string(3 * k + 2) + "\n  VARREF " + name + "\n  ADDASG\n  STOP\nend\n";
    ++k;
  }
  return text;
}

// The texts of a cell list, in order.
inline std::vector<std::string> Names(const mv::StrCell* list) {
  std::vector<std::string> v;
  for (const mv::StrCell* p = list; p != nullptr; p = p->next) v.emplace_back(p->name);
  return v;
}

inline int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// The seams between the lexer and the preprocessor as a run starts: directive
// lines skipped, no macro expansion.
inline void ResetLexerHooks() {
  mv::directiveHook = mv::SkipDirectiveLine;
  mv::skippingHook = nullptr;
  mv::skipLineHook = nullptr;
  mv::macroTokenHook = nullptr;
  mv::peekMacroHook = nullptr;
  mv::peekMacroTextHook = nullptr;
  mv::expandHook = nullptr;
  mv::isMacroHook = nullptr;
  mv::lexResetHook = nullptr;
}

// Selects a dialect (-K) whether or not the run counts as started.
inline void SetDialect(int k) {
  const int saved = mv::initDone;
  mv::initDone = 0;
  mv::SetOption('K', k);
  mv::initDone = saved;
}

// The message stream mv::out, sent to a temporary file from Start() to Stop().
// The run may close its message stream, so it gets a stream of its own on the
// file, which stays readable here.
class MessageCapture {
 public:
  MessageCapture() = default;
  ~MessageCapture() { Stop(); }
  MessageCapture(const MessageCapture&) = delete;
  MessageCapture& operator=(const MessageCapture&) = delete;

  void Start() {
    Stop();
    file_ = tmpfile();
    mv::out = fdopen(dup(fileno(file_)), "w");
  }
  // Everything written so far.
  std::string Text() const {
    std::string s;
    if (file_ == nullptr) return s;
    if (mv::out != stderr) fflush(mv::out);
    char buf[1024];
    ssize_t n;
    for (off_t at = 0; (n = pread(fileno(file_), buf, sizeof buf, at)) > 0; at += n) s.append(buf, n);
    return s;
  }
  void Stop() {
    if (file_ == nullptr) return;
    if (mv::out != stderr) fclose(mv::out);
    mv::out = stderr;
    fclose(file_);
    file_ = nullptr;
  }

 private:
  FILE* file_ = nullptr;
};

// Every test starts from the state a fresh run starts from, with the three
// environment variables of the search lists unset and the throwing exit hook.
class CleanState : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSubsystems();
    mv::SetExitHook(ThrowingExit);
  }
  void TearDown() override {
    if (mv::out != nullptr && mv::out != stderr) fclose(mv::out);
    mv::out = stderr;
    // A rule directory found by this test points into pooled memory that the
    // next test releases; forget it here so a failure stays with its test.
    mv::workPath = nullptr;
    mv::SetExitHook(nullptr);
  }

 private:
  ScopedEnv include_{"INCLUDE", nullptr};
  ScopedEnv rules_{"MVRULES", nullptr};
  ScopedEnv exclude_{"MVEXCLUDE", nullptr};
};

// Tests that run rules: the rule engine started and the message stream
// captured.
class RuleEngineState : public CleanState {
 protected:
  void SetUp() override {
    CleanState::SetUp();
    ResetRuleEngine();
    messages_.Start();
  }
  void TearDown() override {
    messages_.Stop();
    CleanState::TearDown();
  }
  std::string Out() const { return messages_.Text(); }

 private:
  MessageCapture messages_;
};

// Tests that read source through the front end: besides the rule engine, a
// scratch directory, the module put on the file stack, and rules that watch
// variables.
class SourceState : public RuleEngineState {
 protected:
  void TearDown() override {
    EndInput();
    RuleEngineState::TearDown();
  }

  // Writes the text as the file dir/name and puts it on the file stack as the
  // module (dir "" for the working directory); rules apply to it unless
  // rulesApply is false. Starting the lexer is the caller's.
  void PushModule(const std::string& text, bool rulesApply = true, const std::string& dir = "",
                  const std::string& name = "m.c") {
    EndInput();
    const std::string d = dir.empty() ? "" : dir + "/";
    dir_.Write(d + name, text);
    FILE* f = fopen((dir_.Path() + "/" + d + name).c_str(), "rb");
    ASSERT_NE(f, nullptr);
    mv::FileFrame* frame = mv::NewFile(name.c_str(), d.c_str(), f);
    if (rulesApply) frame->flags |= mv::kFrameRulesApply;
  }
  // Writes out and frees the lines still held and empties the file stack.
  void EndInput() {
    mv::FlushAllLines();
    while (mv::fileStack != nullptr) mv::PopFile();
  }

  // Loads rules that record, for each named variable, its last value, its
  // firings and the sum of its values.
  void Watch(std::initializer_list<const char*> names) {
    LoadAssembledRules(WatchListing(names, &watched_), dir_.Path());
  }
  int32_t Last(const char* name) { return Watched(name, 0); }
  int32_t Fired(const char* name) { return Watched(name, 1); }
  int32_t Sum(const char* name) { return Watched(name, 2); }
  void ClearWatch() {
    for (size_t i = 0; i < 3 * watched_.size(); ++i) mv::mvValue[mv::usr_][i] = 0;
  }

  ScratchDir dir_;

 private:
  int32_t Watched(const char* name, int part) {
    const auto it = watched_.find(name);
    EXPECT_NE(it, watched_.end()) << name;
    return it == watched_.end() ? 0 : mv::WordInt(mv::mvValue[mv::usr_][3 * it->second + part]);
  }

  std::map<std::string, int> watched_;
};

}  // namespace mvtest
