#include "analysis/module.h"

#include <cstdio>
#include <cstring>

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
  kModBegin = 2, kModEnd = 6, kModMacros = 15, kModWarnings = 29,
  kPrjBegin = 2, kPrjEnd = 6, kPrjModules = 17,
};

// The module statistics and the counts that the module record holds, by slot.
void RecordModuleStatistics() {
  struct Entry {
    int slot;
    long value;
  };
  const Entry entries[] = {
      {0, modData.aggregates},    {1, modData.arrayElements},  {4, modData.commentLines}, {5, 0},
      {7, modData.execLines},     {8, 0},                      {9, 0},                    {10, 0},
      {11, 0},                    {12, 0},                     {13, modData.highStatements},
      {14, modData.lowStatements}, {16, modData.members},      {17, modData.nonExecStatements},
      {18, 0},                    {19, 0},                     {20, modData.simpleObjects},
      {21, 0},                    {22, modData.tokens},        {23, modData.totalLines},
      {24, 0},                    {25, 0},                     {26, 0},                   {27, 0},
      {28, 0},                    {30, modData.whiteLines},
  };
  for (const Entry& e : entries)
    if (mvStat[mod_][e.slot] != nullptr) SetMVIStat(mod_, e.slot, static_cast<int32_t>(e.value));
}

}  // namespace

void BeginProject() {
  ZeroVars(prj_);
  Do1Rule(prj_, kPrjBegin, 1, true);
}

void BeginModule() {
  if (proFile != nullptr) fprintf(proFile, "\n/***** Prototypes from %s *****/\n\n", srcFN);
  modData = ModData{};
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
  mvValue[prj_][kPrjEnd] = 1;
  DoRules(prj_);
  OtherMessages();
  EndProjectSymbols();
}

}  // namespace mv
