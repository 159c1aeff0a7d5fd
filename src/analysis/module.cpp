#include "analysis/module.h"

#include <cstdio>
#include <algorithm>
#include <cstring>

#include "analysis/actions_cpp.h"
#include "analysis/expressions.h"
#include "analysis/functions.h"
#include "analysis/statements.h"
#include "analysis/symbols.h"
#include "driver/run.h"
#include "frontend/line.h"
#include "frontend/macros.h"
#include "rules/interp.h"
#include "rules/mvvars.h"

namespace mv {

ModData modData;
FcnData fcnData;
long prjWarnings;

void InitModule() {
  modData = ModData{};
  prjWarnings = 0;
}

namespace {

// Slots of the module and project variables used here.
enum : int {
  kModAggr = 0, kModArray = 1, kModBegin = 2, kModComLines = 4, kModDecisions = 5, kModEnd = 6,
  kModExecLines = 7, kModExtern = 8, kModFunctions = 9, kModGlobals = 10, kModHOperands = 11,
  kModHOperators = 12, kModHigh = 13, kModLow = 14, kModMacros = 15, kModMembers = 16,
  kModNonexec = 17, kModOperands = 18, kModOperators = 19, kModSimple = 20, kModStatic = 21,
  kModTokens = 22, kModTotalLines = 23, kModUOperators = 25, kModUHOperators = 27, kModUnused = 28, kModWarnings = 29,
  kModWhiteLines = 30,
  kPrjBegin = 2, kPrjEnd = 6, kPrjModules = 17, kPrjUOperators = 25, kPrjUHOperators = 27,
};
constexpr int kOperatorCount = 94;

// The module statistics, recorded as one case each.
void RecordModuleStatistics() {
  RecordCases(mod_, {
      {kModAggr, modData.aggregates},      {kModArray, modData.arrayElements},
      {kModComLines, modData.commentLines}, {kModDecisions, modData.decisions},
      {kModExecLines, modData.execLines},   {kModExtern, modData.externs},
      {kModFunctions, modData.functions},   {kModGlobals, modData.globals},
      {kModHOperands, modData.hOperands},   {kModHOperators, modData.hOperators},
      {kModHigh, modData.highStatements},   {kModLow, modData.lowStatements},
      {kModMembers, modData.members},       {kModNonexec, modData.nonExecStatements},
      {kModOperands, modData.operands},     {kModOperators, modData.operators},
      {kModSimple, modData.simpleObjects},  {kModStatic, modData.statics},
      {kModTokens, modData.tokens},         {kModTotalLines, modData.totalLines},
      {kModWhiteLines, modData.whiteLines},
  });
  if (mvNeed[mod_] != nullptr && mvNeed[mod_][kModUnused] != 0) SetMVIStat(mod_, kModUnused, UnusedStatics());
  if (modUOptr != nullptr) SetMVIStat(mod_, kModUOperators, DistinctOperators(modUOptr));
  if (modUHoptr != nullptr) SetMVIStat(mod_, kModUHOperators, DistinctOperators(modUHoptr));
  RecordDistinctOperands(mod_);
}

}  // namespace

void RecordCases(int cls, std::initializer_list<CounterCase> cases) {
  for (const CounterCase& c : cases) SetMVIStat(cls, c.slot, static_cast<int32_t>(c.value));
}

int32_t DistinctOperators(const int32_t* table) {
  int32_t n = 0;
  if (table != nullptr)
    for (int i = 0; i < kOperatorCount; ++i) n += table[i] != 0 ? 1 : 0;
  return n;
}

void ClearOperators(int32_t* table) {
  if (table != nullptr) std::fill(table, table + kOperatorCount, 0);
}

void BeginProject() {
  // The plain table is kept: prj_u_operators counts over every project of the run.
  ClearOperators(prjUHoptr);
  ClearProjectOperands();
  ZeroVars(prj_);
  Do1Rule(prj_, kPrjBegin, 1, true);
}

void BeginModule() {
  if (proFile != nullptr) fprintf(proFile, "\n/***** Prototypes from %s *****/\n\n", srcFN);
  modData = ModData{};
  ClearOperators(modUOptr);
  ClearOperators(modUHoptr);
  InitStatements();
  InitCppActions();
  InitFunctions();
  InitSymbols();
  Do1Rule(mod_, kModBegin, 1, true);
  OtherMessages();
}

void EndModule() {
  mvValue[prj_][kPrjModules] += 1;
  mvValue[mod_][kModEnd] = 1;
  mvValue[mod_][kModMacros] = static_cast<int32_t>(modData.macros);
  mvValue[mod_][kModWarnings] = static_cast<int32_t>(modData.warnings);
  RecordModuleStatistics();
  DoRules(mod_);
  OtherMessages();
  EndModuleSymbols();
}

void EndProject() {
  ResetProjectMacros();
  if (prjUOptr != nullptr) SetMVInteger(prj_, kPrjUOperators, DistinctOperators(prjUOptr));
  if (prjUHoptr != nullptr) SetMVInteger(prj_, kPrjUHOperators, DistinctOperators(prjUHoptr));
  RecordDistinctOperands(prj_);
  mvValue[prj_][kPrjEnd] = 1;
  DoRules(prj_);
  OtherMessages();
  EndProjectSymbols();
}

}  // namespace mv
