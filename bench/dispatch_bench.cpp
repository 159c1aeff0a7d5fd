// Nanoseconds per dispatch event, against an opaque indirect call measured in
// the same run. Run by hand: bench/dispatch.sh.
#include <chrono>
#include <cstdio>
#include <string>

#include "driver/options.h"
#include "driver/run.h"
#include "frontend/files.h"
#include "frontend/line.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "support/assembler.h"
#include "support/mverror.h"
#include "support/utility.h"

namespace {

volatile long sink;
void Opaque(int v) { sink = sink + v; }
void (*volatile opaque)(int) = Opaque;

template <typename F>
double NanosPerCall(F f, long n) {
  double best = 1e30;
  for (int round = 0; round < 5; ++round) {
    const auto t0 = std::chrono::steady_clock::now();
    for (long i = 0; i < n; ++i) f(i);
    const auto t1 = std::chrono::steady_clock::now();
    const double ns = std::chrono::duration<double, std::nano>(t1 - t0).count() / static_cast<double>(n);
    if (ns < best) best = ns;
  }
  return best;
}

// Rules: op_plus has one rule whose condition (usr_0 != 0) is false; op_subt
// has ten such rules; lin_ is named by a rule but nothing is set in it; class
// cnv_ is named by no rule.
std::string Rules() {
  std::string text = "var int\n";
  auto falseRule = [](const char* trigger) {
    return std::string("rule ") + trigger +
           "\n VARREF usr_0\n IF @out\n VARREF printf\n FCNPUSH\n STRING \"never\\n\"\n FCNCALL 1\n ENDSTMT\n"
           "out:\n STOP\nend\n";
  };
  text += falseRule("op_plus");
  for (int i = 0; i < 10; ++i) text += falseRule("op_subt");
  text += falseRule("lin_end");
  return text;
}

void Load() {
  mv::InitMem();
  mv::InitErrors();
  mv::InitOptions();
  mv::InitFiles();
  mv::InitLines();
  mv::InitVars();
  mv::InitRegions();
  mv::InitArith();
  mv::InitInterp();
  mv::InitBuiltins();
  const mvtest::Assembly a = mvtest::Assemble(Rules());
  if (!a.error.empty()) {
    std::fprintf(stderr, "bench: %s\n", a.error.c_str());
    std::exit(1);
  }
  const std::string path = "/tmp/morvane-dispatch-bench.mvo";
  std::string error;
  if (!mvtest::WriteAssembly(a, path, &error)) {
    std::fprintf(stderr, "bench: %s\n", error.c_str());
    std::exit(1);
  }
  mv::codeFile = std::fopen(path.c_str(), "rb");
  mv::InstallRules();
  mv::initDone = 1;
}

}  // namespace

int main() {
  Load();
  const long n = 20000000;
  int cls, plus, subt;
  mv::FindMVVar("op_plus", &cls, &plus);
  mv::FindMVVar("op_subt", &cls, &subt);
  int unusedIndex;
  mv::FindMVVar("op_add", &cls, &unusedIndex);

  const double base = NanosPerCall([](long i) { opaque(static_cast<int>(i)); }, n);
  const double noRules = NanosPerCall([&](long) { mv::Do1Rule(mv::op_, unusedIndex, 1, true); }, n);
  static volatile int unusedClassNumber = mv::cnv_;  // kept opaque so the test is not hoisted
  const double unusedClass = NanosPerCall([&](long) { mv::DoRules(unusedClassNumber); }, n);
  const double usedEmpty = NanosPerCall([](long) { mv::DoRules(mv::lin_); }, n);
  const double oneFalse = NanosPerCall([&](long) { mv::Do1Rule(mv::op_, plus, 1, true); }, n / 4);
  const double tenFalse = NanosPerCall([&](long) { mv::Do1Rule(mv::op_, subt, 1, true); }, n / 20);

  std::printf("baseline: opaque indirect call        %7.2f ns\n", base);
  std::printf("Do1Rule, variable without rules       %7.2f ns  (%.1fx baseline)\n", noRules, noRules / base);
  std::printf("DoRules, class no rule uses           %7.2f ns  (%.1fx baseline)\n", unusedClass, unusedClass / base);
  std::printf("DoRules, used class, nothing set      %7.2f ns  (%.1fx baseline)\n", usedEmpty, usedEmpty / base);
  std::printf("one rule whose condition is false     %7.2f ns  (%.1fx baseline)\n", oneFalse, oneFalse / base);
  std::printf("ten rules whose conditions are false  %7.2f ns  (%.1fx baseline)\n", tenFalse, tenFalse / base);
  return 0;
}
