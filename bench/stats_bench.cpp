// A statistic that grows while rules ask for its median: 100000 cases
// recorded into a rule-file integer statistic, with median() called through
// the dispatcher after every 1000. Baseline, in the same run: the cases kept
// in a vector, a copy of it sorted with std::sort at each step. Best of 5
// rounds each; two case distributions (many repeated small values, as line
// and token counts are, and values spread over 31 bits). Run by hand:
// bench/stats.sh.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <vector>

#include "driver/options.h"
#include "frontend/files.h"
#include "frontend/line.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "rules/stats.h"
#include "support/mverror.h"
#include "support/utility.h"

namespace {

constexpr int kCases = 100000;
constexpr int kStep = 1000;
constexpr int kRounds = 5;

volatile double sink;

std::vector<int32_t> Cases(uint32_t modulus) {
  std::vector<int32_t> v(kCases);
  uint32_t x = 12345;
  for (int32_t& c : v) {
    x = x * 1103515245u + 12345u;
    c = static_cast<int32_t>((x >> 1) % modulus);
  }
  return v;
}

template <typename F>
double BestSeconds(F f) {
  double best = 1e30;
  for (int round = 0; round < kRounds; ++round) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
  }
  return best;
}

// The medians the statistic gives, and the time it takes.
double Morvane(const std::vector<int32_t>& cases, std::vector<float>* medians) {
  mv::StatRecord* s = mv::mvStat[mv::usr_][0];
  return BestSeconds([&] {
    mv::ResetStat(s);
    medians->clear();
    for (int i = 0; i < kCases; ++i) {
      mv::RecordIntCase(s, cases[static_cast<size_t>(i)], "s");
      if ((i + 1) % kStep == 0) {
        mv::PushIdent(mv::usr_ * 256);
        mv::CallBuiltin(mv::kFnMedian, 1, 0);
        medians->push_back(mv::PopFloat());
      }
    }
    sink = medians->back();
  });
}

// The same medians from a copy of the cases sorted at each step.
double Baseline(const std::vector<int32_t>& cases, std::vector<float>* medians) {
  return BestSeconds([&] {
    std::vector<int32_t> kept, copy;
    medians->clear();
    for (int i = 0; i < kCases; ++i) {
      kept.push_back(cases[static_cast<size_t>(i)]);
      if ((i + 1) % kStep == 0) {
        copy = kept;
        std::sort(copy.begin(), copy.end(), std::greater<int32_t>());
        const float f = 0.5f;
        const auto at = static_cast<size_t>(f * static_cast<float>(copy.size() - 1));
        medians->push_back(static_cast<float>(copy[at]));
      }
    }
    sink = medians->back();
  });
}

// For comparison: a Shell sort with the gaps 1, 4, 13, 40 ... whose insertion
// moves a case past every case not greater than it (so past equal ones too),
// run on a copy of the cases kept between steps, as sorting in place would.
double ShellSorted(const std::vector<int32_t>& cases, std::vector<float>* medians) {
  return BestSeconds([&] {
    std::vector<int32_t> a;
    medians->clear();
    for (int i = 0; i < kCases; ++i) {
      a.push_back(cases[static_cast<size_t>(i)]);
      if ((i + 1) % kStep != 0) continue;
      const size_t n = a.size();
      size_t h = 1;
      while (3 * h + 1 <= n) h = 3 * h + 1;
      for (; h >= 1; h /= 3) {
        for (size_t j = h; j < n; ++j) {
          const int32_t v = a[j];
          size_t k = j;
          for (; k >= h && !(a[k - h] > v); k -= h) a[k] = a[k - h];
          a[k] = v;
        }
      }
      const float f = 0.5f;
      medians->push_back(static_cast<float>(a[static_cast<size_t>(f * static_cast<float>(n - 1))]));
    }
    sink = medians->back();
  });
}

}  // namespace

int main() {
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
  mv::MakeUsrStats();
  mv::mvLast[mv::usr_] = 1;
  mv::nVars = 1;
  mv::mvType[mv::usr_][0] = mv::kTypeIStat;
  mv::mvStat[mv::usr_][0] = mv::NewStat(false);

  printf("%d cases, median after every %d (best of %d rounds)\n", kCases, kStep, kRounds);
  int status = 0;
  const struct {
    const char* name;
    uint32_t modulus;
  } kinds[] = {{"values 0..999", 1000}, {"values 0..2^31", 0x7FFFFFFFu}};
  for (const auto& k : kinds) {
    const std::vector<int32_t> cases = Cases(k.modulus);
    std::vector<float> ours, theirs;
    const double t = Morvane(cases, &ours);
    const double b = Baseline(cases, &theirs);
    printf("%-16s statistic %8.2f ms   std::sort of a copy %8.2f ms   ratio %.3f\n", k.name, t * 1e3, b * 1e3, t / b);
    if (ours != theirs) {
      printf("  the medians differ from the baseline's\n");
      status = 1;
    }
    std::vector<float> shell;
    const double sh = ShellSorted(cases, &shell);
    printf("%-16s (for comparison: Shell sort in place at each step %8.2f ms, ratio %.3f)\n", "", sh * 1e3, sh / b);
    if (shell != theirs) {
      printf("  the medians differ from the baseline's\n");
      status = 1;
    }
  }
  return status;
}
