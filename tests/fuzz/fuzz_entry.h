// The entries of the fuzz targets, shared with the unit test that replays
// the regression inputs: whole runs of MorvaneMain in a private working
// directory, ended through an exit hook that hands control back.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "driver/run.h"

namespace mvfuzz {

// The input was not run because it could make the run write outside its
// working directory (an absolute path or ".." in an output name).
inline constexpr int kSkipped = -2;
// MorvaneMain came back without going through the exit hook.
inline constexpr int kReturned = -1;

struct RunEnded {
  int status;
};

[[noreturn]] inline void ThrowingExit(int status) { throw RunEnded{status}; }

// Outputs go where options name them (-L, -O, -Q, -T), and the fuzzer runs
// with the rights of its user: keep every name relative and inside.
inline bool MayEscape(const uint8_t* data, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '.' && i + 1 < size && data[i + 1] == '.') return true;
    if (data[i] != '/') continue;
    if (i < 2) return true;
    const uint8_t before = data[i - 1];
    const bool nameChar = (before >= 'a' && before <= 'z') || (before >= 'A' && before <= 'Z') ||
                          (before >= '0' && before <= '9') || before == '_' || before == '.';
    // "-Q/..." starts an option text with "/"; "x/..." is relative.
    if (!nameChar || data[i - 2] == '-') return true;
  }
  return false;
}

// A private directory, emptied before each run; the caller's working
// directory is restored afterwards (libFuzzer writes its findings there).
class WorkDir {
 public:
  static WorkDir& Get() {
    static WorkDir dir;
    return dir;
  }
  void Enter() {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec))
      std::filesystem::remove_all(entry.path(), ec);
    std::filesystem::current_path(path_);
    Populate();
  }
  void Leave() { std::filesystem::current_path(home_); }
  const std::string& Path() const { return path_; }

 private:
  WorkDir() {
    char tmpl[] = "/tmp/mvfuzz.XXXXXX";
    path_ = mkdtemp(tmpl);
    home_ = std::filesystem::current_path();
    // The search lists must not depend on who runs the fuzzer.
    unsetenv("INCLUDE");
    unsetenv("MVRULES");
    unsetenv("MVEXCLUDE");
  }
  ~WorkDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  static void Write(const char* name, const std::string& bytes) {
    std::ofstream f(name, std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static std::string Words(std::initializer_list<int32_t> words) {
    std::string s;
    for (const int32_t w : words) s.append(reinterpret_cast<const char*>(&w), sizeof w);
    return s;
  }
  // Rules on a lexical variable, an event and a line variable, each counting
  // into a rule-file variable: the reader and the lexer run with their
  // triggers live. One record: length, units, triggers, end mark.
  static std::string LexicalRules() {
    const int32_t kVarRef = 310, kPreInc = 535, kEndStmt = 59, kStop = 531;
    const int32_t usr0 = 17 * 256;
    std::string rules;
    for (const int32_t trigger : {1 * 256 + 8, 16 * 256 + 15, 12 * 256 + 4}) {  // lex_radix, lex_nonstandard, lin_end
      rules += Words({5, kVarRef, usr0, kPreInc, kEndStmt, kStop, 1, trigger, -1});
    }
    const std::string name("lex.mv\0", 7);
    // The used list names the triggers too, so that their analyses run.
    return Words({1004, 5, 1, 4, 4, 4, 4, 7}) + name + Words({1, 0, 4, 0}) + rules + Words({-2}) +
           Words({303, 0}) + Words({1 * 256 + 8, 16 * 256 + 15, 12 * 256 + 4, usr0});
  }
  // Modules, a project, a rule source and compiled rule files, good and bad,
  // for the inputs to name.
  static void Populate() {
    std::filesystem::create_directory("sub");
    Write("a.c", "int a;\n");
    Write("sub/b.c", "int b;\n");
    Write("q.mvp", "-K4\na.c # module\nsub/b.c\n");
    Write("s.mv", "if (lin_end) warn(1, \"line\");\n");
    Write("r.mvo", Words({1004, 5, 1, 4, 4, 4, 4, 5}) + std::string("r.mv\0", 5) + Words({0, 0, 0, 0}));
    Write("old.mvo", Words({400, 5}));
    Write("cut.mvo", Words({1004, 5, 1, 4}));
    Write("lex.mvo", LexicalRules());
    Write("h.h", "#pragma once\n#define H(a, ...) a##__VA_ARGS__ #a\n#if defined(H) && H(1,2) > 0\nint h;\n#endif\n");
  }
  std::string path_;
  std::filesystem::path home_;
};

// Runs MorvaneMain with these arguments inside the working directory, which
// already holds whatever the caller wrote there. Returns the exit status.
inline int RunInWorkDir(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"morvane"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  const mv::ExitHook previous = mv::SetExitHook(ThrowingExit);
  int status = kReturned;
  try {
    mv::MorvaneMain(static_cast<int>(argv.size()), argv.data());
  } catch (const RunEnded& e) {
    status = e.status;
  }
  mv::SetExitHook(previous);
  return status;
}

// fuzz_project: the bytes are the project file p.mvp of a run "morvane p.mvp".
inline int RunProjectInput(const uint8_t* data, size_t size) {
  if (MayEscape(data, size)) return kSkipped;
  WorkDir& dir = WorkDir::Get();
  dir.Enter();
  {
    std::ofstream f("p.mvp", std::ios::binary);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const int status = RunInWorkDir({"p.mvp"});
  dir.Leave();
  return status;
}

// fuzz_args: the bytes, split at NUL bytes, are the arguments of a run.
inline int RunArgsInput(const uint8_t* data, size_t size) {
  if (MayEscape(data, size)) return kSkipped;
  std::vector<std::string> args;
  std::string current;
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      args.push_back(current);
      current.clear();
    } else {
      current += static_cast<char>(data[i]);
    }
  }
  if (size > 0) args.push_back(current);
  WorkDir& dir = WorkDir::Get();
  dir.Enter();
  const int status = RunInWorkDir(args);
  dir.Leave();
  return status;
}

// fuzz_source: the bytes are a module, read through the line reader, the
// preprocessor (a header h.h and the other files of the working directory can
// be included) and the lexer up to the token stream, with lexical and line
// rules loaded, once as C and once as C++.
inline int RunSourceInput(const uint8_t* data, size_t size) {
  WorkDir& dir = WorkDir::Get();
  dir.Enter();
  {
    std::ofstream f("m.c", std::ios::binary);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  int status = RunInWorkDir({"-Rlex.mvo", "-L", "m.c"});
  if (status == 0) status = RunInWorkDir({"-K8", "-Rlex.mvo", "m.c"});
  dir.Leave();
  return status;
}

// A rule source that could run a shell command or write a file. The compiler
// folds constant expressions through the interpreter but never runs a call
// there (`case exec(...):` is no constant); the guard stays so that a fault
// of that kind could not act outside the fuzzer's run. Such inputs name one
// of the built-ins that act outside the run; line splices (also spelt with the trigraph) and
// pasting (also spelt as a digraph or a trigraph) could spell the name, so
// inputs with those are refused too.
inline bool MayActOutside(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* splice : {"\\\n", "\\\r\n", "?" "?/\n", "?" "?/\r\n"}) {
    for (size_t at; (at = text.find(splice)) != std::string::npos;) text.erase(at, strlen(splice));
  }
  for (const char* word : {"exec", "fopen", "set_str_option", "set_option", "##", "%:", "?" "?="})
    if (text.find(word) != std::string::npos) return true;
  return false;
}

// fuzz_rules: the bytes are a rule source r.mv, compiled by a run "morvane
// -Rr.mv" (no module: the run compiles and ends). The compiler's syntax and
// fatal errors end the run through the exit hook like any other.
inline int RunRulesInput(const uint8_t* data, size_t size) {
  if (MayActOutside(data, size)) return kSkipped;
  WorkDir& dir = WorkDir::Get();
  dir.Enter();
  // The working directory's r.mvo, written in the same second, would pass
  // for up to date and the source would never be compiled.
  std::remove("r.mvo");
  {
    std::ofstream f("r.mv", std::ios::binary);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const int status = RunInWorkDir({"-Rr.mv"});
  dir.Leave();
  return status;
}

}  // namespace mvfuzz
