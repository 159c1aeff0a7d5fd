#include "analysis/module.h"

#include <cstdio>
#include <cstring>

#include "driver/run.h"
#include "frontend/line.h"

namespace mv {

ModData modData;
long prjWarnings;

void InitModule() {
  modData = ModData{};
  prjWarnings = 0;
}

void BeginProject() {}

void BeginModule() {
  if (proFile != nullptr) fprintf(proFile, "\n/***** Prototypes from %s *****/\n\n", srcFN);
  modData = ModData{};
  OtherMessages();
}

void EndModule() { OtherMessages(); }

void EndProject() { OtherMessages(); }

}  // namespace mv
