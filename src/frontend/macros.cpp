#include "frontend/macros.h"

#include <cstdio>

#include "driver/run.h"

namespace mv {

void InitMacros() {}
void SetLocalMacros() {}
void DoCLDefines() {}
void DisplayPredefs() {
  fprintf(stderr, "\nThis version of Morvane cannot list the predefined macros yet.\n\n");
  CleanExit(1);
}
void ResetMacros() {}

}  // namespace mv
